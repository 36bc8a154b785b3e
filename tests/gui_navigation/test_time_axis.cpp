// SPDX-License-Identifier: BSD-3-Clause
// The time axis in the main window: Go to Trigger, the time pane, frames
// typed by number and time, the rate in Properties and the profile, and
// synchronised windows stepping together.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/FrameBar.h"
#include "app/FrameNavigator.h"
#include "app/PropertiesDialog.h"
#include "app/RecordingRates.h"
#include "app/TimeAxis.h"
#include "app/TriggerMark.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"
#include "tests/gui_navigation/OpenShown.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSlider>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

class TimeAxisTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        f = NewActiveFrame();
        ASSERT_TRUE(f->isActiveWindow());
    }

    QString Write(const char* name, int32_t firstNumber, int32_t frames) {
        VornRecipe recipe;
        recipe.width = 16;
        recipe.height = 8;
        recipe.frameCount = frames;
        recipe.firstFrameNo = firstNumber;
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [](int32_t frame, uint16_t* samples) {
                                  for (int i = 0; i < 128; ++i)
                                      samples[i] = static_cast<uint16_t>((frame + i) % 1000);
                              }));
        return path;
    }

    CVornDoc* Open(const char* name, int32_t firstNumber, int32_t frames = 300) {
        EXPECT_TRUE(f->OpenDocumentFile(Write(name, firstNumber, frames)));
        CVornDoc* opened = f->GetActiveDocument();
        EXPECT_TRUE(opened &&
                    QTest::qWaitFor([opened] { return !opened->GetBaseTitle().empty(); }));
        f->OnIdle();
        return opened;
    }

    static int Current(const CVornDoc* doc) { return doc->m_pReader->currentFrame; }
    TimeAxis* Time() const { return f->Time(); }
    QString Pane() const { return Time()->TimePane()->text(); }
    void Key(Qt::Key key) { QTest::keyClick(f->MDIGetActive()->GetActiveView(), key); }
    void Enter(const QString& text) {
        FrameBar* bar = f->Navigator()->Bar();
        bar->FrameNumber()->setText(text);
        QTest::keyClick(bar->FrameNumber(), Qt::Key_Return);
    }
    // Opens Properties, types into the two rate fields and presses OK.
    bool EnterRates(const QString& rate, const QString& fallback) {
        bool okEnabled = false;
        f->Navigator()->SetDialogRunner([&](QDialog& dialog) {
            auto& properties = static_cast<PropertiesDialog&>(dialog);
            properties.RateField()->setText(rate);
            properties.DefaultRateField()->setText(fallback);
            QPushButton* ok =
                properties.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            okEnabled = ok && ok->isEnabled();
            if (okEnabled)
                dialog.accept();
            else
                dialog.reject();
            return dialog.result();
        });
        f->Navigator()->OnProperties();
        return okEnabled;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> f;
};

TEST_F(TimeAxisTest, TriggerKeyPaneAndFramesNamedThreeWays) {
    CVornDoc* doc = Open("pre.vrn", -100);
    EXPECT_EQ(Pane(), QStringLiteral("#\u2212100"));
    EXPECT_EQ(Time()->GoToTriggerAction()->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::Key_T), QKeySequence(Qt::CTRL | Qt::Key_T)}));
    Key(Qt::Key_T);
    QApplication::processEvents();
    EXPECT_EQ(Current(doc), 100);
    EXPECT_EQ(Pane(), QStringLiteral("#0"));
    // The slider marks the trigger and names the frame under the cursor.
    const auto* mark = f->Navigator()->Bar()->Slider()->findChild<TriggerMark*>();
    ASSERT_TRUE(mark);
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->ToolTipAt(mark->PositionOf(100)), QStringLiteral("Frame 100: #0"));
    EXPECT_EQ(mark->ValueAt(mark->PositionOf(37)), 37);

    Enter(QStringLiteral("#-12"));
    EXPECT_EQ(Current(doc), 88);
    Enter(QStringLiteral("-240us")); // no rate yet: refused and marked
    EXPECT_TRUE(f->Navigator()->Bar()->FrameNumberMarked());
    EXPECT_EQ(Current(doc), 88);

    ASSERT_TRUE(EnterRates(QStringLiteral("50k"), QString()));
    EXPECT_EQ(Pane(), QStringLiteral("#\u221212  \u2212240.0 \u00b5s"));
    Enter(QStringLiteral("1.5ms"));
    EXPECT_EQ(Current(doc), 175);
    Enter(QStringLiteral("#200"));
    EXPECT_TRUE(f->Navigator()->Bar()->FrameNumberMarked());

    // Remembered for the file; a changed file no longer matches its entry.
    const QString path = QString::fromLocal8Bit(doc->GetPathName());
    EXPECT_EQ(ReadOwnRate(path), 50000.0);
    Write("pre.vrn", -100, 301);
    EXPECT_EQ(ReadOwnRate(path), std::nullopt);
}

TEST_F(TimeAxisTest, RateFieldsMarkTextThatIsNoRateAndSetTheDefault) {
    Open("a.vrn", -5);
    EXPECT_FALSE(EnterRates(QStringLiteral("fast"), QString()));
    EXPECT_FALSE(EnterRates(QString(), QStringLiteral("0")));
    EXPECT_EQ(Time()->RateOf(*f->GetActiveDocument()), std::nullopt);
    ASSERT_TRUE(EnterRates(QString(), QStringLiteral("1k")));
    EXPECT_EQ(ReadDefaultRate(), 1000.0);
    // A recording opened later without a rate of its own takes the default.
    CVornDoc* later = Open("b.vrn", 0);
    EXPECT_EQ(Time()->RateOf(*later), 1000.0);
}

TEST_F(TimeAxisTest, NoTriggerFrameDisablesGoToTrigger) {
    CVornDoc* doc = Open("post.vrn", 10, 5);
    EXPECT_FALSE(Time()->GoToTriggerAction()->isEnabled());
    EXPECT_FALSE(Time()->GoToTrigger());
    EXPECT_EQ(Current(doc), 0);
}

TEST_F(TimeAxisTest, SynchronizedWindowsStepTogether) {
    CVornDoc* second = Open("b.vrn", -50, 200);
    CVornDoc* first = Open("a.vrn", -100, 300);
    f->MdiArea()->tileSubWindows();
    EXPECT_FALSE(Time()->Synchronized());
    Time()->SetSynchronized(true);
    EXPECT_EQ(Current(second), 0); // number -100 lies before b: its first frame
    Key(Qt::Key_T);
    EXPECT_EQ(Current(first), 100);
    EXPECT_EQ(Current(second), 50);
    for (int step = 1; step <= 3; ++step) {
        Key(Qt::Key_Right);
        EXPECT_EQ(Current(first), 100 + step);
        EXPECT_EQ(Current(second), 50 + step);
    }
    // Before the second recording begins: its first frame.
    Key(Qt::Key_Home);
    EXPECT_EQ(Current(second), 0);
    // With every recording rated, by time: b at twice a's rate.
    Time()->SetRate(*first, 1000.0);
    Time()->SetRate(*second, 2000.0);
    Enter(QStringLiteral("#10"));
    EXPECT_EQ(Current(first), 110);
    EXPECT_EQ(Current(second), 70); // 10 ms = b's number 20
    // Playback paces on the active window; the other follows every step.
    std::vector<int> followed;
    struct Follower : CView {
        Follower(CVornDoc* watched, std::vector<int>& seen) : doc(watched), frames(seen) {
            SetDocument(watched);
        }
        ~Follower() override { SetDocument(nullptr); }
        void RepaintNow() override { frames.push_back(doc->m_pReader->currentFrame); }
        CVornDoc* doc;
        std::vector<int>& frames;
    } follower(second, followed);
    f->PlayFrames(first, 100, 104, 100);
    EXPECT_EQ(followed, (std::vector<int>{50, 52, 54, 56})); // b at twice the rate
    // Off: the others stay.
    Time()->SetSynchronized(false);
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(second), 56);
    EXPECT_FALSE(QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane"))
                     .value(QStringLiteral("View/SynchronizeViews"))
                     .toString()
                     .toInt());
}

} // namespace
