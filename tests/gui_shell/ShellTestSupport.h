// SPDX-License-Identifier: BSD-3-Clause
// Shared set-up of the shell tests: a fresh profile and temporary directory
// per test, small recordings, and a main window whose messages are caught.
#pragma once

#include "app/CMainFrame.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A valid recording of `frames` frames of 64 x 32 pixels.
    QString MakeRecording(const QString& name, int frames = 5) const;
    // A file that is no recording at all.
    QString MakeJunk(const QString& name) const;

    // A main window with the message sink and dialogs replaced.
    std::unique_ptr<CMainFrame> MakeFrame();

    // Runs posted events, deferred deletions included.
    static void Flush();

    static QSettings Profile();

    QTemporaryDir m_dir;
    QStringList m_messages;
};
