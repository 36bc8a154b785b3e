// SPDX-License-Identifier: BSD-3-Clause
// Opens a recording in a main window and waits until its view has painted.
#pragma once

#include "app/CMainFrame.h"
#include "recording/CVornDoc.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTest>

inline CVornDoc* OpenShown(CMainFrame& frame, const QString& path) {
    EXPECT_TRUE(frame.OpenDocumentFile(path));
    CVornDoc* opened = frame.GetActiveDocument();
    // The first paint captures the base title.
    EXPECT_TRUE(opened && QTest::qWaitFor([opened] { return !opened->GetBaseTitle().empty(); }));
    frame.OnIdle();
    return opened;
}
