// SPDX-License-Identifier: BSD-3-Clause
// The keyboard in the main window: stepping around frames that cannot be
// read, the frame keys from every control of the frame bar, the zoom and
// window keys, and the conversion bar in a narrow window.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ConversionBar.h"
#include "app/FrameBar.h"
#include "app/FrameNavigator.h"
#include "app/PropertiesDialog.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"
#include "tests/gui_navigation/OpenShown.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

constexpr int kStored = 15;   // complete frames in the file
constexpr int kDeclared = 30; // frames the header declares

class FrameKeys : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        f = NewActiveFrame();
        ASSERT_TRUE(f->isActiveWindow());
        doc = Open(QStringLiteral("cut.vrn"));
        ASSERT_TRUE(doc);
        View()->setFocus();
    }

    CVornDoc* Open(const QString& name) {
        VornRecipe recipe;
        recipe.width = 16;
        recipe.height = 8;
        recipe.frameCount = kStored;
        recipe.lastFrameNo = kDeclared - 1;
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [](int32_t frame, uint16_t* s) {
                                  for (int i = 0; i < 16 * 8; ++i)
                                      s[i] = static_cast<uint16_t>(frame * 10 + i);
                              }));
        return OpenShown(*f, path);
    }

    FrameNavigator* Nav() const { return f->Navigator(); }
    FrameBar* Bar() const { return Nav()->Bar(); }
    CVornView* View() const { return f->MDIGetActive()->GetActiveView(); }
    int Shown() const { return doc->m_pReader->currentFrame; }
    QString Field() const { return Bar()->FrameNumber()->text(); }
    void Enter(const QString& text) {
        Bar()->FrameNumber()->setFocus();
        Bar()->FrameNumber()->selectAll();
        QTest::keyClicks(Bar()->FrameNumber(), text);
        QTest::keyClick(Bar()->FrameNumber(), Qt::Key_Return);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> f;
    CVornDoc* doc = nullptr;
};

TEST_F(FrameKeys, SteppingGoesOnFromAFrameThatCannotBeRead) {
    Enter(QStringLiteral("14"));
    ASSERT_EQ(Shown(), 14);
    const struct {
        Qt::Key key;
        int field;     // the frame the bar names
        bool readable; // and whether it is shown
    } steps[] = {
        {Qt::Key_Right, 15, false},   {Qt::Key_Right, 16, false}, {Qt::Key_Left, 15, false},
        {Qt::Key_Left, 14, true},     {Qt::Key_End, 29, false},   {Qt::Key_PageUp, 19, false},
        {Qt::Key_PageUp, 9, true},    {Qt::Key_PageDown, 19, false}, {Qt::Key_Home, 0, true},
    };
    for (const auto& step : steps) {
        QTest::keyClick(View(), step.key);
        SCOPED_TRACE(testing::Message() << "key " << step.key << " to " << step.field);
        EXPECT_EQ(Field(), QString::number(step.field));
        EXPECT_EQ(Bar()->FrameNumberUnreadable(), !step.readable);
        EXPECT_EQ(Shown(), step.readable ? step.field : -2);
        if (!step.readable) {
            EXPECT_EQ(f->StatusLine(), QStringLiteral("Frame %1 cannot be read: the file ends "
                                                      "inside it")
                                           .arg(step.field));
        }
    }
    // Properties of an unreadable frame say so instead of showing stale figures.
    QTest::keyClick(View(), Qt::Key_End);
    QString caption;
    bool histogramShown = true;
    Nav()->SetDialogRunner([&](QDialog& dialog) {
        caption = dialog.findChild<QLabel*>(QStringLiteral("IDC_HISTOGRAM_CAPTION"))->text();
        histogramShown = !static_cast<PropertiesDialog&>(dialog).Histogram()->isHidden();
        return int(QDialog::Accepted);
    });
    Nav()->PropertiesAction()->trigger();
    EXPECT_EQ(caption, QStringLiteral("Frame 29 cannot be read: the file ends inside it"));
    EXPECT_FALSE(histogramShown);
    // A number outside the recording is refused, and the tip says what is not.
    Enter(QStringLiteral("31"));
    EXPECT_TRUE(Bar()->FrameNumberMarked());
    EXPECT_TRUE(Bar()->FrameNumber()->toolTip().contains(QStringLiteral("0 to 29")));
}

TEST_F(FrameKeys, EveryFrameBarControlGivesTheFrameKeysToTheFrame) {
    const struct {
        const char* what;
        std::function<void(FrameKeys&)> act; // leaves the keyboard somewhere in the bar
        bool viewFocused;                     // the view has it back
    } cases[] = {
        {"Go to Frame, a number, Enter",
         [](FrameKeys& t) {
             t.Nav()->GoToFrameAction()->trigger();
             QTest::keyClicks(t.Bar()->FrameNumber(), QStringLiteral("5"));
             QTest::keyClick(t.Bar()->FrameNumber(), Qt::Key_Return);
         },
         true},
        {"a rate chosen from the list",
         [](FrameKeys& t) {
             QComboBox* speed = t.Bar()->Speed();
             speed->setFocus();
             speed->activated(3);
         },
         true},
        {"Escape in the frame field",
         [](FrameKeys& t) {
             t.Bar()->FocusFrameNumber();
             QTest::keyClicks(t.Bar()->FrameNumber(), QStringLiteral("77"));
             QTest::keyClick(t.Bar()->FrameNumber(), Qt::Key_Escape);
         },
         true},
        {"Escape in the rate field",
         [](FrameKeys& t) {
             t.Bar()->Speed()->lineEdit()->setFocus();
             QTest::keyClicks(t.Bar()->Speed()->lineEdit(), QStringLiteral("3"));
             QTest::keyClick(t.Bar()->Speed()->lineEdit(), Qt::Key_Escape);
         },
         true},
        {"the slider clicked", [](FrameKeys& t) { t.Bar()->Slider()->setFocus(); }, false},
        {"the loop box", [](FrameKeys& t) { t.Bar()->LoopBox()->setFocus(); }, false},
        {"the step button", [](FrameKeys& t) { t.Bar()->ForwardButton()->setFocus(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_Home);
        const int rate = Nav()->Rate();
        c.act(*this);
        QApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        EXPECT_EQ(focus == View(), c.viewFocused) << (focus ? focus->metaObject()->className() : "");
        const int from = Field().toInt();
        // The keys act on the frame, in the view's directions.
        QTest::keyClick(focus, Qt::Key_PageDown);
        EXPECT_EQ(Field().toInt(), from + 10);
        QTest::keyClick(focus, Qt::Key_Right);
        EXPECT_EQ(Field().toInt(), from + 11);
        QTest::keyClick(focus, Qt::Key_PageUp);
        EXPECT_EQ(Shown(), from + 1);
        QTest::keyClick(focus, Qt::Key_Home);
        EXPECT_EQ(Shown(), 0);
        EXPECT_EQ(Field(), QStringLiteral("0"));
        if (std::string(c.what).find("rate field") != std::string::npos) {
            EXPECT_EQ(Nav()->Rate(), rate); // typed text dropped
        }
    }
    // A field being edited keeps the cursor keys.
    Bar()->FocusFrameNumber();
    QTest::keyClicks(Bar()->FrameNumber(), QStringLiteral("12"));
    QTest::keyClick(Bar()->FrameNumber(), Qt::Key_Left);
    QTest::keyClick(Bar()->FrameNumber(), Qt::Key_Home);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(Bar()->FrameNumber()->cursorPosition(), 0);
}

TEST_F(FrameKeys, EscapeAbortsAConversionWhereverTheKeyboardIs) {
    f->SetSaveDialog([this](QWidget*, const QString&) { return m_dir.filePath("out.tif"); });
    f->DlgBar()->SetControlText(IDC_START_FRAME, QStringLiteral("2"));
    f->DlgBar()->SetControlText(IDC_END_FRAME, QStringLiteral("12"));
    f->OnIdle();
    for (QWidget* focus : {static_cast<QWidget*>(View()), f->DlgBar()->Control(IDC_ABORT)}) {
        focus->setFocus();
        // Pressed once the first frame is written, while the run pumps events.
        QTimer::singleShot(0, f.get(), [focus] { QTest::keyClick(focus, Qt::Key_Escape); });
        f->OnConvert();
        EXPECT_EQ(f->StatusLine(), QStringLiteral("Aborted after frame 2"));
        EXPECT_TRUE(QFile::exists(m_dir.filePath("out_000002.tif")));
        EXPECT_FALSE(QFile::exists(m_dir.filePath("out_000003.tif")));
        EXPECT_FALSE(f->m_bBusy);
        QFile::remove(m_dir.filePath("out_000002.tif"));
    }
}

TEST_F(FrameKeys, ZoomAndWindowKeys) {
    const struct {
        QKeyCombination key;
        bool fit;
        int level;
    } keys[] = {
        {Qt::CTRL | Qt::Key_1, false, 0},     {Qt::CTRL | Qt::Key_Equal, false, 1},
        {Qt::CTRL | Qt::Key_Plus, false, 2},  {Qt::CTRL | Qt::Key_Minus, false, 1},
        {Qt::CTRL | Qt::Key_0, true, 1},
    };
    for (const auto& k : keys) {
        QTest::keyClick(View(), k.key.key(), k.key.keyboardModifiers());
        EXPECT_EQ(View()->Zoom().IsFit(), k.fit) << QKeySequence(k.key).toString().toStdString();
        if (!k.fit) {
            EXPECT_EQ(View()->Zoom().Level(), k.level);
        }
    }
    // Zoom In and Zoom Out end at 32 and 1/16.
    QList<QAction*> zoom = Nav()->ZoomActions(); // Fit, Actual Size, Zoom In, Zoom Out
    for (const int step : {2, 3}) {
        for (int i = 0; i < 20 && zoom[step]->isEnabled(); ++i)
            zoom[step]->trigger();
        EXPECT_EQ(View()->Zoom().Level(), step == 2 ? 5 : -4);
    }

    // The Open dialog starts in the active recording's folder.
    EXPECT_EQ(QDir(f->OpenDialogFolder()), QDir(m_dir.path()));
    // Ctrl+Tab and Ctrl+Shift+Tab switch windows, Ctrl+F4 and Ctrl+W close one.
    CVornDoc* second = Open(QStringLiteral("second.vrn"));
    ASSERT_NE(second, doc);
    QTest::keyClick(View(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(f->GetActiveDocument(), doc);
    QTest::keyClick(View(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f->GetActiveDocument(), second);
    for (const QKeyCombination close : {Qt::CTRL | Qt::Key_F4, Qt::CTRL | Qt::Key_W}) {
        const qsizetype before = f->MdiArea()->subWindowList().size();
        QTest::keyClick(View(), close.key(), close.keyboardModifiers());
        QApplication::processEvents();
        EXPECT_EQ(f->MdiArea()->subWindowList().size(), before - 1);
        if (!f->MDIGetActive())
            break;
    }
}

TEST_F(FrameKeys, NarrowWindowKeepsTheConversionBarReachable) {
    ConversionBar* bar = f->DlgBar();
    for (const int width : {600, 860, 1366}) {
        f->resize(width, 700);
        QApplication::processEvents();
        SCOPED_TRACE(width);
        EXPECT_EQ(bar->TwoRows(), width < bar->OneRowWidth() + 24);
        for (const int id : {IDC_PROGRESS, IDC_TOP, IDC_PLAY, IDC_ABORT}) {
            const QWidget* control = bar->Control(id);
            const QRect inFrame(control->mapTo(f.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(control->isVisible()) << id;
            EXPECT_LE(inFrame.right(), f->width()) << id;
        }
    }
    // The captions of the first row share one line.
    const int line = bar->Control(IDC_RANGE_SEL)->geometry().center().y();
    for (const int id : {IDC_ALL_FRAMES, IDC_END_LABEL})
        EXPECT_EQ(bar->Control(id)->geometry().center().y(), line) << id;
}

} // namespace
