// SPDX-License-Identifier: BSD-3-Clause
// Navigation in the main window over a real (corrected) recording: frame
// keys, the frame bar and Go to Frame, paced and looping playback, the pixel
// readout, the display range commands, Properties, menus and the profile.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ConversionBar.h"
#include "app/FrameBar.h"
#include "app/FrameNavigator.h"
#include "app/PropertiesDialog.h"
#include "app/RangeDialog.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"
#include "tests/gui_navigation/OpenShown.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;
constexpr int kFrames = 600;
constexpr int kOffset = 7; // the recording's fixed-pattern offset, every pixel

uint16_t Stored(int frame, int x, int y) {
    return static_cast<uint16_t>((frame * 3 + x * 41 + y * 97) % 1000);
}

// A second view on the document: records every frame drawn.
class Probe : public CView {
public:
    explicit Probe(CVornDoc* doc) : m_doc(doc) { SetDocument(doc); }
    ~Probe() override { SetDocument(nullptr); }
    void RepaintNow() override {
        frames.push_back(m_doc->m_pReader->currentFrame);
        if (onFrame)
            onFrame(frames.back());
    }
    std::vector<int> frames;
    std::function<void(int)> onFrame;

private:
    CVornDoc* m_doc;
};

std::vector<int> Iota(int first, int last) {
    std::vector<int> frames;
    for (int i = first; i <= last; ++i)
        frames.push_back(i);
    return frames;
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane")).clear();
        f = NewShownFrame();
        doc = Open();
        ASSERT_TRUE(doc);
    }


    CVornDoc* Open() {
        VornRecipe recipe;
        recipe.width = kWidth;
        recipe.height = kHeight;
        recipe.frameCount = kFrames;
        recipe.correction.kind = 3;
        recipe.correction.mapWidth = kWidth;
        recipe.correction.mapHeight = kHeight;
        recipe.correction.offsets.assign(kWidth * kHeight, static_cast<int8_t>(kOffset));
        const QString path = m_dir.filePath(QStringLiteral("clip.vrn"));
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [](int32_t frame, uint16_t* samples) {
                                  for (int i = 0; i < kWidth * kHeight; ++i)
                                      samples[i] = Stored(frame, i % kWidth, i / kWidth);
                              }));
        return OpenShown(*f, path);
    }

    FrameNavigator* Nav() const { return f->Navigator(); }
    FrameBar* Bar() const { return Nav()->Bar(); }
    CVornView* View() const { return f->MDIGetActive()->GetActiveView(); }
    std::string Caption() const { return doc->GetTitle(); }
    static std::string At(int frame) { return "clip - " + std::to_string(frame) + "/600"; }
    void Key(Qt::Key key) { QTest::keyClick(View(), key); }

    void Type(const char* start, const char* end) {
        f->DlgBar()->SetControlText(IDC_START_FRAME, QString::fromLatin1(start));
        f->DlgBar()->SetControlText(IDC_END_FRAME, QString::fromLatin1(end));
        f->OnIdle();
    }
    void Enter(const QString& text) {
        Bar()->FrameNumber()->setText(text);
        QTest::keyClick(Bar()->FrameNumber(), Qt::Key_Return);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> f;
    CVornDoc* doc = nullptr;
};

TEST_F(Navigation, KeysStepThroughTheRecordingAndTheBarFollows) {
    ASSERT_EQ(Caption(), At(0));
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_Right, 1},   {Qt::Key_Right, 2},      {Qt::Key_Left, 1}, {Qt::Key_PageDown, 11},
        {Qt::Key_PageUp, 1},  {Qt::Key_PageUp, 0},     {Qt::Key_Left, 0}, {Qt::Key_End, 599},
        {Qt::Key_Right, 599}, {Qt::Key_PageDown, 599}, {Qt::Key_Home, 0},
    };
    for (const auto& [key, frame] : steps) {
        Key(key);
        EXPECT_EQ(Caption(), At(frame)) << key;
        EXPECT_EQ(Bar()->Slider()->value(), frame) << key;
        EXPECT_EQ(Bar()->FrameNumber()->text(), QString::number(frame)) << key;
    }
    EXPECT_EQ(Bar()->FrameCount(), 600);
    EXPECT_EQ(Bar()->findChild<QLabel*>(QStringLiteral("IDC_FRAME_COUNT"))->text(),
              QStringLiteral("/ 600"));
    // The bar's buttons step the same way.
    Bar()->ForwardButton()->click();
    EXPECT_EQ(Caption(), At(1));
    Bar()->BackButton()->click();
    Bar()->BackButton()->click();
    EXPECT_EQ(Caption(), At(0));
}

TEST_F(Navigation, TypedFrameNumberIsShownAndTextOutsideTheRecordingRefused) {
    Enter(QStringLiteral("537"));
    EXPECT_EQ(Caption(), At(537));
    EXPECT_EQ(Bar()->Slider()->value(), 537);
    EXPECT_FALSE(Bar()->FrameNumberMarked());
    for (const char* text : {"600", "-1", "12x", "", "99999999999"}) {
        Enter(QString::fromLatin1(text));
        EXPECT_EQ(Caption(), At(537)) << text; // not clamped, not shown
        EXPECT_TRUE(Bar()->FrameNumberMarked()) << text;
    }
    QTest::keyClick(Bar()->FrameNumber(), Qt::Key_5); // editing clears the mark
    EXPECT_FALSE(Bar()->FrameNumberMarked());
    Enter(QStringLiteral("599"));
    EXPECT_EQ(Caption(), At(599));
}

TEST_F(Navigation, GoToFrameFocusesTheFrameNumber) {
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    View()->setFocus();
    Nav()->GoToFrameAction()->trigger();
    EXPECT_TRUE(QTest::qWaitFor([this] { return Bar()->FrameNumber()->hasFocus(); }));
    EXPECT_EQ(Nav()->GoToFrameAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
}

TEST_F(Navigation, SliderPositionsArrivingDuringADrawAreCoalesced) {
    Probe probe(doc);
    for (int i = 0; i < 40; ++i)
        Bar()->Slider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(probe.frames.empty()); // nothing drawn inside the input handling
    QApplication::processEvents();
    EXPECT_EQ(probe.frames, std::vector<int>{40}); // one draw, of the latest position
    EXPECT_EQ(Caption(), At(40));
}

TEST_F(Navigation, PacedPlaybackDrawsEveryFrameAtTheChosenRate) {
    Probe probe(doc);
    Type("0", "24");
    Nav()->SetRate(50);
    QString rateAtEnd;
    probe.onFrame = [&](int) { rateAtEnd = Nav()->RatePane()->text(); };
    QElapsedTimer clock;
    clock.start();
    f->OnBarCommand(IDC_PLAY);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(probe.frames, Iota(0, 24));
    // 24 periods of 20 ms between the first frame and the last.
    EXPECT_GE(elapsed, 470);
    EXPECT_LT(elapsed, 1500);
    EXPECT_TRUE(rateAtEnd.endsWith(QStringLiteral(" fps"))) << rateAtEnd.toStdString();
    EXPECT_TRUE(Nav()->RatePane()->text().isEmpty()); // the figure goes with the playback
    EXPECT_FALSE(f->m_bBusy);
}

TEST_F(Navigation, LoopRepeatsTheRangeUntilAborted) {
    Probe probe(doc);
    Type("3", "5");
    Nav()->SetLoop(true);
    probe.onFrame = [this, &probe](int) {
        if (probe.frames.size() == 8)
            f->OnBarCommand(IDC_ABORT);
    };
    f->OnBarCommand(IDC_PLAY);
    EXPECT_EQ(probe.frames, (std::vector<int>{3, 4, 5, 3, 4, 5, 3, 4}));
    EXPECT_FALSE(f->m_bBusy);
}

TEST_F(Navigation, SpacePlaysFromTheFrameShownAndSpaceOrEscapeAborts) {
    for (const Qt::Key stop : {Qt::Key_Space, Qt::Key_Escape}) {
        Enter(QStringLiteral("20"));
        Probe probe(doc);
        probe.onFrame = [&](int) {
            EXPECT_TRUE(f->m_bBusy);
            EXPECT_FALSE(Bar()->isEnabled()); // like the conversion bar
            EXPECT_FALSE(Nav()->GoToFrameAction()->isEnabled());
            QTest::keyClick(View(), Qt::Key_Right); // no stepping during a run
            if (probe.frames.size() == 5)
                QTest::keyClick(View(), stop);
        };
        Key(Qt::Key_Space);
        EXPECT_EQ(probe.frames, Iota(20, 24)) << stop;
        EXPECT_TRUE(Bar()->isEnabled());
        EXPECT_TRUE(Nav()->GoToFrameAction()->isEnabled());
    }
    // From the last frame of the range, Space plays the range from its start.
    Type("2", "4");
    Enter(QStringLiteral("4"));
    Probe probe(doc);
    Key(Qt::Key_Space);
    EXPECT_EQ(probe.frames, Iota(2, 4));
}

TEST_F(Navigation, ReadoutShowsTheCorrectedSampleUnderTheCursorAtFitAndActualSize) {
    Enter(QStringLiteral("9"));
    auto pointOf = [this](int x, int y) {
        const DibRect& src = View()->m_surface.srcRect;
        const DibRect& dst = View()->m_surface.dstRect;
        return QPoint(dst.x + static_cast<int>((x - src.x + 0.5) * dst.width / src.width),
                      dst.y + static_cast<int>((y - src.y + 0.5) * dst.height / src.height));
    };
    for (const bool actual : {false, true}) {
        if (actual) {
            View()->ZoomActualSize();
            View()->viewport()->repaint();
        }
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{3, 2}, std::pair{15, 7}}) {
            QTest::mouseMove(View()->viewport(), pointOf(x, y));
            EXPECT_EQ(Nav()->ReadoutPane()->text(),
                      FrameNavigator::ReadoutText(x, y, Stored(9, x, y) + kOffset))
                << actual << " " << x << "," << y;
        }
        // The readout follows the frame under a still cursor.
        Key(Qt::Key_Right);
        EXPECT_EQ(Nav()->ReadoutPane()->text(),
                  FrameNavigator::ReadoutText(15, 7, Stored(10, 15, 7) + kOffset));
        Key(Qt::Key_Left);
    }
    // Outside the frame (the margin of the 1:1 view) the pane is empty.
    QTest::mouseMove(View()->viewport(), QPoint(2, 2));
    EXPECT_TRUE(Nav()->ReadoutPane()->text().isEmpty());
}

TEST_F(Navigation, ReadoutPaneSitsBeforeTheKanaIndicator) {
    const QList<QLabel*> panes = f->statusBar()->findChildren<QLabel*>();
    qsizetype readout = -1;
    qsizetype kana = -1;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        if (panes[i]->objectName() == QStringLiteral("ID_INDICATOR_PIXEL"))
            readout = i;
        if (panes[i]->objectName() == QStringLiteral("ID_INDICATOR_KANA"))
            kana = i;
    }
    ASSERT_GE(readout, 0);
    ASSERT_GE(kana, 0);
    EXPECT_LT(Nav()->ReadoutPane()->geometry().right(), panes[kana]->geometry().left() + 1);
}

TEST_F(Navigation, DisplayRangeCommandsChangeOnlyTheActiveDocumentsDisplay) {
    const QList<QAction*> ranges = Nav()->RangeActions();
    ASSERT_EQ(ranges.size(), 4);
    EXPECT_TRUE(ranges[0]->isChecked()); // Standard by default
    ranges[1]->trigger();
    EXPECT_EQ(doc->GetDisplayRange().mode, DisplayRangeMode::Auto);
    const uint8_t* rows = doc->m_pDisplayImage->GetBits(nullptr);
    EXPECT_EQ(*std::max_element(rows, rows + kWidth * kHeight), 255);
    EXPECT_EQ(*std::min_element(rows, rows + kWidth * kHeight), 0);

    // Custom: the dialog's values, through an injected runner.
    Nav()->SetDialogRunner([](QDialog& dialog) {
        auto& range = dynamic_cast<RangeDialog&>(dialog);
        range.LowBox()->setValue(100);
        range.HighBox()->setValue(50); // refused: OK is disabled
        EXPECT_FALSE(range.Range().low < range.Range().high);
        range.HighBox()->setValue(600);
        return int(QDialog::Accepted);
    });
    ranges[3]->trigger();
    EXPECT_EQ(doc->GetDisplayRange(), (DisplayRange{DisplayRangeMode::Custom, 100, 600}));
    EXPECT_TRUE(ranges[3]->isChecked());
    Nav()->SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    ranges[0]->trigger();
    ranges[3]->trigger(); // cancelled: the mode in force stays checked
    EXPECT_EQ(doc->GetDisplayRange().mode, DisplayRangeMode::Standard);
    EXPECT_TRUE(ranges[0]->isChecked());
}

TEST_F(Navigation, NewValuesGoUnderViewAndNothingUnderSettingsChanges) {
    QSettings profile(QStringLiteral("Ostrel"), QStringLiteral("Quorvane"));
    profile.setValue(QStringLiteral("Settings/BitSel"), QStringLiteral("0"));
    profile.sync();
    auto settingsValues = [&profile] {
        profile.sync();
        QStringList values;
        profile.beginGroup(QStringLiteral("Settings"));
        for (const QString& key : profile.allKeys())
            values << key + QLatin1Char('=') + profile.value(key).toString();
        profile.endGroup();
        return values;
    };
    const QStringList before = settingsValues();
    Nav()->SetRate(60);
    Nav()->SetLoop(true);
    Nav()->RangeActions()[2]->trigger();
    profile.sync();
    EXPECT_EQ(profile.value(QStringLiteral("View/PlaybackRate")).toString(), QStringLiteral("60"));
    EXPECT_EQ(profile.value(QStringLiteral("View/PlaybackLoop")).toString(), QStringLiteral("1"));
    EXPECT_EQ(profile.value(QStringLiteral("View/DisplayRange")).toString(), QStringLiteral("2"));
    EXPECT_EQ(settingsValues(), before);

    // A new window starts with the remembered choices, and so do recordings
    // opened in it.
    f.reset();
    f = NewShownFrame();
    EXPECT_EQ(Nav()->Rate(), 60);
    EXPECT_TRUE(Nav()->Loop());
    doc = Open();
    EXPECT_EQ(doc->GetDisplayRange().mode, DisplayRangeMode::AutoPercentile);
}

TEST_F(Navigation, PropertiesShowWhatTheRecordingHoldsAndTheFramesHistogram) {
    Enter(QStringLiteral("4"));
    int shown = 0;
    Nav()->SetDialogRunner([&](QDialog& dialog) {
        ++shown;
        auto& properties = dynamic_cast<PropertiesDialog&>(dialog);
        const SampleHistogram& counts = properties.Histogram()->Counts();
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0u), unsigned{kWidth * kHeight});
        EXPECT_EQ(counts[Stored(4, 3, 2) + kOffset] > 0, true);
        return int(QDialog::Accepted);
    });
    Nav()->PropertiesAction()->trigger();
    EXPECT_EQ(shown, 1);
    QStringList lines;
    for (const auto& [caption, value] : RecordingProperties(*doc))
        lines << caption + QLatin1Char(' ') + value;
    const QString text = lines.join(QLatin1Char('\n'));
    for (const char* expected :
         {"Frame size: 16 \u00d7 8 pixels", "Frames: 600", "Frame numbers: 0 to 599",
          "Complete frames: 600", "Pixel layout: lanes", "Byte order: little-endian",
          "Correction: offset", "clip.vrn"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
    EXPECT_EQ(CompleteFrames(256 + 100 * 3, 256, 100, 8, 10, 5), 3);
    EXPECT_EQ(CompleteFrames(256 + 99, 256, 100, 8, 10, 5), 0);
}

TEST_F(Navigation, MenuItemsAreAddedWithoutChangingTheExistingOnes) {
    QStringList view;
    QStringList file;
    for (QAction* menu : f->menuBar()->actions()) {
        QStringList& texts = menu->text() == QStringLiteral("&View") ? view : file;
        if (menu->text() != QStringLiteral("&View") && menu->text() != QStringLiteral("&File"))
            continue;
        for (QAction* item : menu->menu()->actions())
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    EXPECT_EQ(view, (QStringList{"&Toolbar", "&Status Bar", "-", "&Fit to Window", "&Actual Size",
                                 "Zoom &In", "Zoom &Out", "-", "&Display Range", "-",
                                 "&Go to Frame...\tCtrl+G", "Go to &Trigger\tT", "-",
                                 "&Measurements", "Scale &Bar"}));
    ASSERT_GE(file.size(), 4);
    EXPECT_EQ(file.mid(file.size() - 4),
              (QStringList{"-", "Propert&ies...\tAlt+Enter", "-", "E&xit"}));
    // No two commands share a shortcut.
    QList<QKeySequence> keys;
    for (QAction* action : f->findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) {
            EXPECT_FALSE(keys.contains(key))
                << key.toString().toStdString() << " " << action->objectName().toStdString();
            keys << key;
        }
    }
}

} // namespace
