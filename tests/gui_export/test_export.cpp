// SPDX-License-Identifier: BSD-3-Clause
// File > Export...: the menu item, what the dialog proposes from the window's
// state, and runs through the main frame (completion, abort, refusals).
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ConversionBar.h"
#include "app/ExportRun.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

template <typename T>
T* Control(const QWidget& dialog, const char* name) {
    T* control = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// True when the engine in this build exports at all.
bool EngineAvailable() {
    ExportRequest probe;
    probe.recordings = {"/nonexistent.vrn"};
    probe.output = "/nonexistent.png";
    return CheckExport(probe) != "export is not available in this build";
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane")).clear();
        f = std::make_unique<CMainFrame>();
        f->SetMessageSink([](const QString& text) { ADD_FAILURE() << text.toStdString(); });
        f->show();
        command = f->findChild<ExportCommand*>();
        ASSERT_NE(command, nullptr);
    }

    CVornDoc* Open(int32_t frames, int32_t width = 32, int32_t height = 16,
                   const char* name = "shot.vrn") {
        VornRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.frameCount = frames;
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [&](int32_t index, uint16_t* samples) {
                                  for (int32_t i = 0; i < width * height; ++i)
                                      samples[i] = static_cast<uint16_t>((index * 7 + i) % 1024);
                              }));
        EXPECT_TRUE(f->OpenDocumentFile(path));
        CVornDoc* doc = f->GetActiveDocument();
        EXPECT_TRUE(doc && QTest::qWaitFor([doc] { return !doc->GetBaseTitle().empty(); }));
        f->OnIdle();
        return doc;
    }

    // Opens the dialog through the command; `fill` sets it up and the
    // dialog's own accept decides. Returns whether it was accepted.
    bool Export(const std::function<void(ExportDialog&)>& fill,
                const std::function<void(ExportDialog&)>& after = {}) {
        bool accepted = false;
        command->SetDialogRunner([&](ExportDialog& dialog) {
            fill(dialog);
            dialog.accept();
            accepted = dialog.result() == QDialog::Accepted;
            if (after)
                after(dialog);
            return accepted;
        });
        command->OnExport();
        return accepted;
    }

    static void ChoosePng(ExportDialog& dialog, const QString& output) {
        Control<QComboBox>(dialog, "IDC_EXPORT_FORMAT")->setCurrentIndex(3);
        Control<QLineEdit>(dialog, "IDC_EXPORT_OUTPUT")->setText(output);
    }

    static QStringList Files(const QString& folder) {
        return QDir(folder).entryList({QStringLiteral("*")}, QDir::Files | QDir::Hidden);
    }
    // s_000000.png onwards.
    static QStringList Sequence(int count) {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QStringLiteral("s_%1.png").arg(i, 6, 10, QChar(u'0'));
        return names;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> f;
    ExportCommand* command = nullptr;
};

TEST_F(ExportTest, FileMenuHasExportAfterSaveWithItsOwnShortcut) {
    EXPECT_FALSE(command->Action()->isEnabled()); // no recording yet
    Open(3);
    EXPECT_TRUE(command->Action()->isEnabled());
    QMenu* file = f->menuBar()->actions().value(0)->menu();
    ASSERT_NE(file, nullptr);
    const QList<QAction*> items = file->actions();
    const qsizetype save = items.indexOf(f->Action(32771));
    ASSERT_GE(save, 0);
    EXPECT_EQ(items.value(save + 1), command->Action());
    const QKeySequence key(Qt::CTRL | Qt::Key_E);
    for (const QAction* action : f->findChildren<QAction*>()) {
        if (action != command->Action()) {
            EXPECT_FALSE(action->shortcuts().contains(key)) << action->objectName().toStdString();
        }
    }
}

TEST_F(ExportTest, DialogStartsFromTheWindowAndRemembersChoices) {
    CVornDoc* doc = Open(8, 256, 128);
    doc->SetDisplayRange({DisplayRangeMode::Custom, 100, 900});
    f->DlgBar()->SetControlText(IDC_START_FRAME, QStringLiteral("2"));
    f->DlgBar()->SetControlText(IDC_END_FRAME, QStringLiteral("5"));
    f->OnIdle();
    CVornView* view = f->MDIGetActive()->GetActiveView();
    for (int i = 0; i < 4; ++i)
        view->ZoomIn();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->ShownArea().width < 256; }));
    const DibRect shown = view->ShownArea();

    ExportRequest request;
    Export([&](ExportDialog& dialog) {
        EXPECT_EQ(Control<QLineEdit>(dialog, "IDC_EXPORT_OUTPUT")->text(),
                  m_dir.filePath(QStringLiteral("shot.mp4")));
        EXPECT_TRUE(Control<QRadioButton>(dialog, "IDC_EXPORT_BAR_RANGE")->isChecked());
        Control<QRadioButton>(dialog, "IDC_EXPORT_VISIBLE")->setChecked(true);
        Control<QComboBox>(dialog, "IDC_EXPORT_FORMAT")->setCurrentIndex(3); // PNG
        EXPECT_EQ(Control<QLineEdit>(dialog, "IDC_EXPORT_OUTPUT")->text(),
                  m_dir.filePath(QStringLiteral("shot.png")));
        EXPECT_FALSE(Control<QLineEdit>(dialog, "IDC_EXPORT_FPS")->isEnabled());
        Control<QCheckBox>(dialog, "IDC_EXPORT_8BITS")->setChecked(true);
        Control<QSpinBox>(dialog, "IDC_EXPORT_STEP")->setValue(3);
        request = dialog.Request();
        dialog.SaveChoices();
    });
    EXPECT_EQ(request.first, 2);
    EXPECT_EQ(request.last, 5);
    EXPECT_EQ(request.step, 3);
    EXPECT_EQ(request.bits, 8);
    EXPECT_EQ(request.format, ExportFormat::Png);
    EXPECT_EQ(request.range.kind, ExportRange::Kind::Values);
    EXPECT_EQ(request.range.low, 100);
    EXPECT_EQ(request.range.high, 900);
    ASSERT_TRUE(request.crop.has_value());
    EXPECT_EQ(request.crop->x, shown.x);
    EXPECT_EQ(request.crop->y, shown.y);
    EXPECT_EQ(request.crop->width, shown.width);
    EXPECT_EQ(request.crop->height, shown.height);

    view->ZoomFit(); // the whole frame shows: nothing to crop to
    Export([&](ExportDialog& dialog) {
        EXPECT_FALSE(Control<QRadioButton>(dialog, "IDC_EXPORT_VISIBLE")->isEnabled());
        EXPECT_EQ(dialog.Format(), ExportFormat::Png);
        EXPECT_EQ(Control<QSpinBox>(dialog, "IDC_EXPORT_STEP")->value(), 3);
        Control<QRadioButton>(dialog, "IDC_EXPORT_ALL")->setChecked(true);
        request = dialog.Request();
        Control<QLineEdit>(dialog, "IDC_EXPORT_OUTPUT")->clear();
    });
    EXPECT_FALSE(request.first || request.last || request.crop);
}

TEST_F(ExportTest, RefusedRequestsStayInTheDialog) {
    Open(3);
    const struct {
        const char* what;
        int format;
        const char* output;
        const char* fps;
        bool scale;
    } cases[] = {
        {"no output", 0, "", "30", false},
        {"bad scale", 3, "x.png", "30", true},
        {"bad fps", 0, "x.mp4", "fast", false},
    };
    for (const auto& c : cases) {
        bool noted = false;
        const auto note = [&](ExportDialog& dialog) {
            noted = !Control<QLabel>(dialog, "IDC_EXPORT_NOTE")->isHidden();
        };
        const bool accepted = Export([&](ExportDialog& dialog) {
            Control<QComboBox>(dialog, "IDC_EXPORT_FORMAT")->setCurrentIndex(c.format);
            Control<QCheckBox>(dialog, "IDC_EXPORT_8BITS")->setChecked(true);
            Control<QLineEdit>(dialog, "IDC_EXPORT_OUTPUT")
                ->setText(*c.output ? m_dir.filePath(QString::fromLatin1(c.output)) : QString());
            Control<QLineEdit>(dialog, "IDC_EXPORT_FPS")->setText(QString::fromLatin1(c.fps));
            Control<QCheckBox>(dialog, "IDC_EXPORT_SCALE")->setChecked(c.scale);
            Control<QLineEdit>(dialog, "IDC_EXPORT_SCALE_TEXT")->setText(QStringLiteral("10=zz"));
        }, note);
        EXPECT_FALSE(accepted) << c.what;
        EXPECT_TRUE(noted) << c.what;
    }
    EXPECT_TRUE(Files(m_dir.path()) == QStringList{QStringLiteral("shot.vrn")});
}

TEST_F(ExportTest, PngExportCompletes) {
    if (!EngineAvailable())
        GTEST_SKIP() << "this build has no export engine";
    Open(5);
    const QString done = m_dir.filePath(QStringLiteral("done"));
    ASSERT_TRUE(QDir().mkpath(done));
    ASSERT_TRUE(Export([&](ExportDialog& d) { ChoosePng(d, done + QStringLiteral("/s.png")); }));
    EXPECT_EQ(Files(done), Sequence(5));
    EXPECT_EQ(f->StatusLine(), ExportCommand::tr("Exported %1 frames as %2 files to %3")
                                   .arg(5)
                                   .arg(5)
                                   .arg(QDir::toNativeSeparators(done)));
    EXPECT_FALSE(f->m_bBusy);
    EXPECT_TRUE(command->Action()->isEnabled());
}

// A long run aborted from the bar while it runs: the event loop keeps going
// (the timer fires), nothing partial stays, a sequence keeps whole files only.
TEST_F(ExportTest, AbortLeavesNoPartialFile) {
    if (!EngineAvailable())
        GTEST_SKIP() << "this build has no export engine";
    Open(1500, 512, 256, "long.vrn");
    for (const int format : {3, 4}) { // PNG sequence, OME-TIFF stack
        const QString folder = m_dir.filePath(QStringLiteral("aborted%1").arg(format));
        ASSERT_TRUE(QDir().mkpath(folder));
        bool clickedDuringRun = false;
        QTimer abort;
        QObject::connect(&abort, &QTimer::timeout, f.get(), [&] {
            auto* button = qobject_cast<QAbstractButton*>(f->DlgBar()->Control(IDC_ABORT));
            if (f->m_bBusy && button && button->isEnabled() && f->DlgBar()->Progress()->value() > 2) {
                clickedDuringRun = true;
                button->click();
                abort.stop();
            }
        });
        abort.start(5);
        ASSERT_TRUE(Export([&](ExportDialog& d) {
            Control<QComboBox>(d, "IDC_EXPORT_FORMAT")->setCurrentIndex(format);
            Control<QLineEdit>(d, "IDC_EXPORT_OUTPUT")->setText(folder + QStringLiteral("/s"));
        }));
        EXPECT_TRUE(clickedDuringRun) << format;
        EXPECT_FALSE(f->m_bBusy);
        const QStringList left = Files(folder);
        if (format == 4) {
            EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
            EXPECT_EQ(f->StatusLine(), ExportCommand::tr("Export aborted; no file was kept"));
            continue;
        }
        EXPECT_LT(left.size(), 1500);
        EXPECT_EQ(left, Sequence(static_cast<int>(left.size())));
        for (const QString& name : left) {
            QFile file(QDir(folder).filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().endsWith(QByteArray("IEND\xae\x42\x60\x82", 8)))
                << name.toStdString();
        }
    }
}

} // namespace
