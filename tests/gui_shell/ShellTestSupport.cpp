// SPDX-License-Identifier: BSD-3-Clause
#include "ShellTestSupport.h"

#include "recording/VornWriter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

void ShellTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    Profile().clear();
}

void ShellTest::TearDown() {
    Flush();
    Profile().clear();
}

QString ShellTest::MakeRecording(const QString& name, int frames) const {
    const QString path = m_dir.filePath(name);
    VornRecipe recipe;
    recipe.width = 64;
    recipe.height = 32;
    recipe.frameCount = frames;
    EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe));
    return path;
}

QString ShellTest::MakeJunk(const QString& name) const {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a recording");
    return path;
}

std::unique_ptr<CMainFrame> ShellTest::MakeFrame() {
    auto frame = std::make_unique<CMainFrame>();
    frame->SetMessageSink([this](const QString& text) { m_messages.append(text); });
    frame->SetOpenDialog([](QWidget*) { return QString(); });
    frame->SetPageSetupDialog([](QWidget*, QPrinter&) { return false; });
    frame->SetAboutDialog([](QWidget*) {});
    return frame;
}

void ShellTest::Flush() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QSettings ShellTest::Profile() {
    return QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane"));
}
