// SPDX-License-Identifier: BSD-3-Clause
// QApplication for the GUI test programs: offscreen, with the profile kept in
// a temporary directory so the user's own settings are never touched.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir profileDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profileDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileDir.path());
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS(); // test discovery needs no display
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // tests close main windows
    return RUN_ALL_TESTS();
}
