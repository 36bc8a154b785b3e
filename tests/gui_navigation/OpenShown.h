// SPDX-License-Identifier: BSD-3-Clause
// A shown main window whose messages fail the test, and opening a recording
// in it until its view has painted.
#pragma once

#include "app/CMainFrame.h"
#include "recording/CVornDoc.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <QTest>

#include <memory>

// A 1000 x 700 main window, shown; every message it would show fails the test.
inline std::unique_ptr<CMainFrame> NewShownFrame() {
    auto frame = std::make_unique<CMainFrame>();
    frame->SetMessageSink([](const QString& text) { ADD_FAILURE() << text.toStdString(); });
    frame->resize(1000, 700);
    frame->show();
    return frame;
}

// The same on a cleared profile, active (and so holding the keyboard).
inline std::unique_ptr<CMainFrame> NewActiveFrame() {
    QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane")).clear();
    auto frame = NewShownFrame();
    frame->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    return frame;
}

inline CVornDoc* OpenShown(CMainFrame& frame, const QString& path) {
    EXPECT_TRUE(frame.OpenDocumentFile(path));
    CVornDoc* opened = frame.GetActiveDocument();
    // The first paint captures the base title.
    EXPECT_TRUE(opened && QTest::qWaitFor([opened] { return !opened->GetBaseTitle().empty(); }));
    frame.OnIdle();
    return opened;
}
