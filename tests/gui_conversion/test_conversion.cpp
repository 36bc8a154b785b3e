// SPDX-License-Identifier: BSD-3-Clause
// The conversion bar driving real recordings through the main frame: ranges,
// file names and contents, depth, abort, and windows opened or closed while a
// run is in progress.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ConversionBar.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>

namespace {

uint16_t Sample(int32_t frame, int32_t x, int32_t y) {
    return static_cast<uint16_t>((frame * 97 + x * 5 + y * 31) % 1024);
}

// A second view on a document: sees each frame a run draws and can post work
// that the run's pump then dispatches.
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

void Later(QObject* context, std::function<void()> action) {
    QMetaObject::invokeMethod(context, std::move(action), Qt::QueuedConnection);
}

void SpinEventLoop() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec(); // waits, so the idle hook runs
}

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane")).clear();
        f = NewFrame();
    }

    std::unique_ptr<CMainFrame> NewFrame() {
        auto frame = std::make_unique<CMainFrame>();
        frame->SetMessageSink([](const QString& text) { ADD_FAILURE() << text.toStdString(); });
        frame->SetSaveDialog([this](QWidget*, const QString& proposed) {
            m_proposed = proposed;
            return m_chosen;
        });
        frame->show();
        return frame;
    }

    QString Recording(const char* name, int32_t frames, int32_t width = 32, int32_t height = 16) {
        VornRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.frameCount = frames;
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WriteVorn(QFile::encodeName(path).constData(), recipe,
                              [&](int32_t index, uint16_t* samples) {
                                  for (int32_t i = 0; i < width * height; ++i)
                                      samples[i] = Sample(index, i % width, i / width);
                              }));
        return path;
    }

    CVornDoc* Open(const char* name, int32_t frames, int32_t width = 32, int32_t height = 16) {
        EXPECT_TRUE(f->OpenDocumentFile(Recording(name, frames, width, height)));
        CVornDoc* doc = f->GetActiveDocument();
        // The base title is taken at the view's first paint.
        EXPECT_TRUE(doc && QTest::qWaitFor([doc] { return !doc->GetBaseTitle().empty(); }));
        f->OnIdle();
        return doc;
    }

    void Type(const char* start, const char* end) {
        f->DlgBar()->SetControlText(IDC_START_FRAME, QString::fromLatin1(start));
        f->DlgBar()->SetControlText(IDC_END_FRAME, QString::fromLatin1(end));
        f->OnIdle();
    }
    QAbstractButton* Button(int id) const {
        return qobject_cast<QAbstractButton*>(f->DlgBar()->Control(id));
    }
    void Click(int id) { Button(id)->click(); }
    bool Checked(int id) const { return Button(id)->isChecked(); }
    bool Enabled(int id) const { return f->DlgBar()->Control(id)->isEnabled(); }
    QProgressBar* Progress() const { return f->DlgBar()->Progress(); }

    // Converts into `name` in the folder; an empty name cancels the dialog.
    void Convert(const char* name = "out.tif") {
        m_chosen = *name ? m_dir.filePath(QString::fromLatin1(name)) : QString();
        f->OnConvert();
    }

    // Sorted output files of one base name, and the names expected for frames.
    QStringList Outputs(const char* base = "out") const {
        return QDir(m_dir.path())
            .entryList({QString::fromLatin1(base) + QStringLiteral("_*")}, QDir::Files);
    }
    static QStringList Names(const char* base, std::initializer_list<int> frames,
                             const char* ext = "tif") {
        QStringList names;
        for (int i : frames)
            names << QStringLiteral("%1_%2.%3").arg(base).arg(i, 6, 10, QChar(u'0')).arg(ext);
        return names;
    }

    // The file holds frame `frame` of a 32 x 16 recording at `bits` per sample.
    testing::AssertionResult HoldsFrame(const char* file, int frame, int bits) const {
        TIFF* tif = TIFFOpen(QFile::encodeName(m_dir.filePath(QString::fromLatin1(file))), "r");
        if (!tif)
            return testing::AssertionFailure() << "cannot open " << file;
        uint16_t fileBits = 0;
        uint32_t width = 0, height = 0;
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &fileBits);
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        std::vector<uint16_t> row(width);
        auto result = testing::AssertionSuccess();
        if (fileBits != bits || width != 32 || height != 16)
            result = testing::AssertionFailure()
                     << "bits " << fileBits << ", " << width << "x" << height;
        for (uint32_t y = 0; y < height && result; ++y) {
            TIFFReadScanline(tif, row.data(), y);
            for (uint32_t x = 0; x < width && result; ++x) {
                const int value = bits == 16 ? row[x] : reinterpret_cast<uint8_t*>(row.data())[x];
                const int expected = Sample(frame, int32_t(x), int32_t(y)) >> (bits == 16 ? 0 : 2);
                if (value != expected)
                    result = testing::AssertionFailure() << x << "," << y << ": " << value;
            }
        }
        TIFFClose(tif);
        return result;
    }

    QTemporaryDir m_dir;
    QString m_chosen;
    QString m_proposed;
    std::unique_ptr<CMainFrame> f;
};

TEST_F(ConversionTest, AllFramesAreWrittenWithTheirSamplesAtEitherDepth) {
    Open("clip.vrn", 5);
    EXPECT_TRUE(Checked(IDC_ALL_FRAMES));
    EXPECT_TRUE(Checked(IDC_16BITS));
    Convert();
    EXPECT_EQ(m_proposed, QStringLiteral("clip"));
    EXPECT_EQ(Outputs(), Names("out", {0, 1, 2, 3, 4}));
    EXPECT_TRUE(HoldsFrame("out_000003.tif", 3, 16));
    EXPECT_EQ(Progress()->value(), Progress()->maximum()); // a complete run ends full
    Click(IDC_TOP); // the range 0..4 holds the old position: it must still empty
    EXPECT_EQ(Progress()->value(), Progress()->minimum());

    Click(IDC_8BITS);
    f->OnIdle();
    EXPECT_TRUE(Checked(IDC_8BITS));
    EXPECT_FALSE(Checked(IDC_16BITS));
    Convert("eight.tif");
    EXPECT_EQ(Outputs("eight").size(), 5);
    EXPECT_TRUE(HoldsFrame("eight_000004.tif", 4, 8));
}

TEST_F(ConversionTest, TypedRangeAndRangeRadios) {
    CVornDoc* doc = Open("clip.vrn", 15);
    Type("10", "12");
    EXPECT_TRUE(Checked(IDC_RANGE_SEL));
    EXPECT_FALSE(Checked(IDC_ALL_FRAMES));
    Convert();
    EXPECT_EQ(Outputs(), Names("out", {10, 11, 12}));
    int start = 0, end = 0;
    EXPECT_EQ(doc->GetFrameRange(&start, &end), 0);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(10, 12));

    Type("abc", " 2x"); // no leading number reads as 0
    Convert("b.tif");
    EXPECT_EQ(Outputs("b"), Names("b", {0, 1, 2}));

    Click(IDC_ALL_FRAMES);
    Click(IDC_ALL_FRAMES); // clicking the selected radio leaves neither on
    f->OnIdle();
    EXPECT_FALSE(Checked(IDC_RANGE_SEL));
    EXPECT_FALSE(Checked(IDC_ALL_FRAMES));
    Convert("c.tif");
    EXPECT_EQ(Outputs("c").size(), 15);
}

TEST_F(ConversionTest, SaveDialogProposesTheWholeNameAndAddsTheDefaultSuffix) {
    Open("my.shot.vrn", 2);
    Convert(""); // cancelled: nothing happens
    EXPECT_EQ(m_proposed, QStringLiteral("my.shot"));
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral("*_*")}).isEmpty());

    f->SetSaveDialog({}); // the real dialog, answered as a user types
    QString shown;
    QString startFolder;
    QString into = m_dir.path();
    const auto answer = [&](const char* typed) {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* edit =
                dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!edit)
                return;
            timer.stop();
            shown = edit->text();
            startFolder = dialog->directory().absolutePath();
            dialog->setDirectory(into);
            if (typed)
                edit->setText(QString::fromLatin1(typed));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept
        });
        timer.start(10);
        f->OnConvert();
    };
    answer(nullptr); // the proposal as it stands
    EXPECT_EQ(shown, QStringLiteral("my.shot.tif"));
    EXPECT_EQ(startFolder, QDir(m_dir.path()).absolutePath()); // the recording's folder
    EXPECT_EQ(Outputs("my.shot"), Names("my.shot", {0, 1}));
    answer("typed");
    EXPECT_EQ(Outputs("typed"), Names("typed", {0, 1}));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    into = m_dir.filePath(QStringLiteral("sub"));
    answer("other.png");
    EXPECT_EQ(QDir(into).entryList({QStringLiteral("other_*")}), Names("other", {0, 1}, "png"));
    answer("again");
    EXPECT_EQ(startFolder, QDir(into).absolutePath()); // then the last conversion's folder
}

TEST_F(ConversionTest, ARecordingOpenedThroughALinkIsNamedByTheLink) {
    const QString target = Recording("run.1.vrn", 1);
    const QString link = m_dir.filePath(QStringLiteral("take.2.vrn"));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(f->OpenDocumentFile(link));
    CVornDoc* doc = f->GetActiveDocument();
    ASSERT_TRUE(QTest::qWaitFor([doc] { return !doc->GetBaseTitle().empty(); }));
    EXPECT_EQ(doc->GetBaseTitle(), "take.2"); // the caption keeps its form
    Convert("");
    EXPECT_EQ(m_proposed, QStringLiteral("take.2"));
}

TEST_F(ConversionTest, AbortStopsAfterTheCurrentFrameAndRestoresTheControls) {
    Probe probe(Open("clip.vrn", 10));
    bool play = true, abort = false, convert = true;
    probe.onFrame = [&](int i) {
        play = Enabled(IDC_PLAY);
        abort = Enabled(IDC_ABORT);
        convert = f->m_pToolConvert->isEnabled();
        if (i == 3)
            Later(f.get(), [&] { Click(IDC_ABORT); });
    };
    Convert();
    EXPECT_EQ(Outputs(), Names("out", {0, 1, 2, 3}));
    EXPECT_FALSE(play);
    EXPECT_TRUE(abort);
    EXPECT_FALSE(convert);
    EXPECT_EQ(Progress()->value(), 4); // four frames done: left where the run stopped
    EXPECT_LT(Progress()->value(), Progress()->maximum());
    f->OnIdle();
    EXPECT_TRUE(Enabled(IDC_PLAY));
    EXPECT_TRUE(f->m_pToolConvert->isEnabled());

    probe.frames.clear(); // playback obeys abort the same way
    Click(IDC_PLAY);
    EXPECT_EQ(probe.frames, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ConversionTest, TypedFramesOutsideTheRecordingEndTheRunSafely) {
    Probe probe(Open("clip.vrn", 5));
    Type("3", "1"); // start after end: an empty run
    Convert();
    Type("-1", "2");
    Convert();
    EXPECT_TRUE(Outputs().isEmpty());
    EXPECT_TRUE(probe.frames.empty());
    EXPECT_EQ(Progress()->value(), Progress()->minimum());
    EXPECT_TRUE(Enabled(IDC_PLAY));

    Type("3", "99999999999999999999");
    EXPECT_EQ(f->m_nEndFrame, INT_MAX);
    Convert();
    EXPECT_EQ(Outputs(), Names("out", {3, 4}));

    probe.frames.clear();
    Type("-7", "2");
    Click(IDC_TOP);
    EXPECT_TRUE(probe.frames.empty());
    Type("2", "4");
    Click(IDC_TOP);
    EXPECT_EQ(probe.frames, std::vector<int>{2});
}

TEST_F(ConversionTest, EachRecordingKeepsItsOwnRangeAndTheDepthIsShared) {
    CVornDoc* first = Open("a.vrn", 5);
    CChildFrame* firstWindow = f->MDIGetActive();
    Type("1", "3");
    Click(IDC_8BITS);
    CVornDoc* second = Open("b.vrn", 8);
    int start = 0, end = 0;
    EXPECT_EQ(first->GetFrameRange(&start, &end), 0);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(1, 3));
    EXPECT_EQ(f->DlgBar()->ControlText(IDC_END_FRAME), QStringLiteral("7"));
    EXPECT_TRUE(Checked(IDC_ALL_FRAMES));
    EXPECT_TRUE(Checked(IDC_8BITS));

    f->MdiArea()->setActiveSubWindow(firstWindow);
    SpinEventLoop(); // through the idle hook this time
    EXPECT_EQ(f->DlgBar()->ControlText(IDC_START_FRAME), QStringLiteral("1"));
    EXPECT_EQ(f->DlgBar()->ControlText(IDC_END_FRAME), QStringLiteral("3"));
    EXPECT_TRUE(Checked(IDC_RANGE_SEL));
    EXPECT_NE(second->GetFrameRange(nullptr, nullptr), 0);
}

TEST_F(ConversionTest, ALeftDocumentWhoseWindowIsGoneIsNotTouched) {
    Open("a.vrn", 5);
    QPointer<CChildFrame> first = f->MDIGetActive();
    ASSERT_TRUE(f->OpenDocumentFile(Recording("b.vrn", 8))); // no idle yet: the bar tracks a
    delete first.data();                                     // a's document goes with it
    f->OnIdle();
    EXPECT_EQ(f->DlgBar()->ControlText(IDC_END_FRAME), QStringLiteral("7"));
}

TEST_F(ConversionTest, BitDepthIsRestoredFromTheProfile) {
    QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Quorvane"));
    for (const auto& [stored, expected] :
         {std::pair{"0", 0}, std::pair{"abc", 0}, std::pair{"", 1}, std::pair{"7", 1}}) {
        settings.setValue(QStringLiteral("Settings/BitSel"), QString::fromLatin1(stored));
        settings.sync();
        EXPECT_EQ(NewFrame()->m_nBitSel, expected) << stored;
    }
    Open("a.vrn", 2);
    Click(IDC_8BITS);
    f->close();
    SpinEventLoop();
    EXPECT_EQ(NewFrame()->m_nBitSel, 0);
}

TEST_F(ConversionTest, OpenDuringARunLeavesTheRunOnItsDocument) {
    CVornDoc* doc = Open("a.vrn", 6);
    const QString other = Recording("b.vrn", 3, 64, 8);
    Probe probe(doc);
    probe.onFrame = [&](int i) {
        if (i == 1)
            Later(f.get(), [&] { EXPECT_TRUE(f->OpenDocumentFile(other)); });
    };
    Convert();
    EXPECT_EQ(Outputs().size(), 6);
    EXPECT_TRUE(HoldsFrame("out_000005.tif", 5, 16));
    EXPECT_NE(f->GetActiveDocument(), doc);
    f->OnIdle();
    EXPECT_EQ(f->DlgBar()->ControlText(IDC_END_FRAME), QStringLiteral("2"));
}

TEST_F(ConversionTest, ClosingWindowsDuringARunWaitsForItsEnd) {
    CVornDoc* doc = Open("a.vrn", 8);
    QPointer<CChildFrame> window = f->MDIGetActive();
    {
        Probe probe(doc);
        probe.onFrame = [&](int i) {
            if (i == 2)
                Later(f.get(), [&] { window->close(); });
        };
        Convert();
        EXPECT_FALSE(window.isNull());
    }
    EXPECT_EQ(Outputs(), Names("out", {0, 1, 2}));
    SpinEventLoop();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(Enabled(IDC_PLAY)); // no document left

    Probe probe(Open("b.vrn", 8));
    probe.onFrame = [&](int i) {
        if (i == 1)
            Later(f.get(), [&] { f->close(); });
    };
    Convert("main.tif");
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(Outputs("main"), Names("main", {0, 1}));
    SpinEventLoop();
    EXPECT_FALSE(f->isVisible());
}

} // namespace

namespace {

// The bar is full after every complete run, whatever its length, and left
// where the run stopped otherwise.
TEST_F(ConversionTest, ProgressEndsFullAfterACompleteRun) {
    for (const int frames : {1, 3, 30}) {
        const QByteArray name = "p" + QByteArray::number(frames) + ".vrn";
        Open(name.constData(), frames);
        Click(IDC_PLAY);
        EXPECT_EQ(Progress()->maximum() - Progress()->minimum(), frames);
        EXPECT_EQ(Progress()->value(), Progress()->maximum()) << frames;
        Convert("full.tif");
        EXPECT_EQ(Progress()->value(), Progress()->maximum()) << frames;
    }
    Type("2", "40"); // stops after frame 29: the end lies beyond the recording
    Click(IDC_PLAY);
    EXPECT_EQ(Progress()->value(), 30);
    EXPECT_LT(Progress()->value(), Progress()->maximum());
}

// A run disables the bar, but the progress keeps its normal look.
TEST_F(ConversionTest, DisabledProgressBarIsNotGreyedOut) {
    Open("clip.vrn", 4);
    Click(IDC_PLAY);
    const QImage enabled = Progress()->grab().toImage();
    Progress()->setEnabled(false);
    EXPECT_EQ(Progress()->grab().toImage(), enabled);
    Progress()->setEnabled(true);
}

TEST_F(ConversionTest, SaveMenuItemIsDisabledDuringARun) {
    Probe probe(Open("clip.vrn", 3));
    QAction* save = f->Action(32771);
    ASSERT_NE(save, f->m_pToolConvert);
    std::vector<bool> during;
    probe.onFrame = [&](int) { during.push_back(save->isEnabled()); };
    Convert();
    EXPECT_EQ(during, std::vector<bool>(3, false));
    EXPECT_TRUE(save->isEnabled());
    probe.onFrame = {};
    Click(IDC_PLAY);
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(ConversionTest, StatusLineTellsHowARunEnded) {
    Probe probe(Open("clip.vrn", 10));
    const QString ready = f->StatusLine();
    Convert();
    EXPECT_EQ(f->StatusLine(),
              QStringLiteral("Wrote 10 files to %1").arg(QDir::toNativeSeparators(m_dir.path())));
    f->statusBar()->showMessage(QStringLiteral("a command prompt"));
    f->statusBar()->clearMessage();
    EXPECT_EQ(f->StatusLine(), ready); // the prompt replaced the line

    probe.onFrame = [&](int i) {
        if (i == 5)
            Later(f.get(), [&] { Click(IDC_ABORT); });
    };
    Click(IDC_PLAY);
    EXPECT_EQ(f->StatusLine(), QStringLiteral("Aborted after frame 5"));
    probe.onFrame = {};

    Type("8", "12");
    Click(IDC_PLAY);
    EXPECT_EQ(f->StatusLine(),
              QStringLiteral("Stopped at frame 10: the recording has frames 0 to 9"));
    Type("0", "2");
    Click(IDC_PLAY); // a complete playback says nothing
    EXPECT_EQ(f->StatusLine(), ready);

    Convert("missing/out.tif");
    const QString missing = QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("missing")));
    EXPECT_EQ(
        f->StatusLine(),
        QStringLiteral("Stopped at frame 0: cannot write %1 (the folder %2 does not exist)")
            .arg(QDir::toNativeSeparators(m_dir.filePath("missing/out_000000.tif")), missing));
}

TEST_F(ConversionTest, StatusLineNotesWhatAnOpenedRecordingLacks) {
    VornRecipe recipe; // declares one frame, holds none
    recipe.frameCount = 0;
    recipe.lastFrameNo = 0;
    const QString empty = m_dir.filePath(QStringLiteral("empty.vrn"));
    ASSERT_TRUE(WriteVorn(QFile::encodeName(empty).constData(), recipe));
    ASSERT_TRUE(f->OpenDocumentFile(empty));
    EXPECT_EQ(f->StatusLine(), QStringLiteral("Frame 0 cannot be read: the file ends inside it"));

    VornRecipe small;
    small.correction.kind = 3;
    small.correction.mapWidth = 16;
    small.correction.mapHeight = 16;
    small.correction.offsets.assign(256, 1);
    const QString corrected = m_dir.filePath(QStringLiteral("small.vrn"));
    ASSERT_TRUE(WriteVorn(QFile::encodeName(corrected).constData(), small));
    ASSERT_TRUE(f->OpenDocumentFile(corrected));
    EXPECT_EQ(f->StatusLine(), QStringLiteral("Fixed-pattern correction not applied: maps "
                                              "smaller than the frame"));
}

TEST_F(ConversionTest, StatusLineAndReasonsAreTranslated) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(QStringLiteral(":/i18n/quorvane_ja.qm")));
    QCoreApplication::installTranslator(&translator);
    Open("clip.vrn", 2);
    Convert("missing/out.tif");
    const QString line = f->StatusLine();
    EXPECT_TRUE(line.startsWith(QStringLiteral("ﾌﾚｰﾑ 0 で停止しました: "))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(" がありません)"))) << line.toStdString();

    QFile junk(m_dir.filePath(QStringLiteral("rnd.vrn")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(300, 'x'));
    junk.close();
    QStringList messages;
    f->SetMessageSink([&](const QString& text) { messages << text; });
    EXPECT_FALSE(f->OpenDocumentFile(junk.fileName()));
    EXPECT_FALSE(f->OpenDocumentFile(m_dir.filePath(QStringLiteral("none.vrn"))));
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(
        messages,
        (QStringList{QStringLiteral("rnd.vrn を開けません: VORN 記録ではありません。"),
                     QStringLiteral("none.vrn を開けません: ﾌｧｲﾙまたはﾌｫﾙﾀﾞがありません。")}));
}

// Every caption gets the width its text needs and overlaps no other control,
// in both languages; the controls keep the template's order.
TEST_F(ConversionTest, CaptionsAreNeitherClippedNorOverlapping) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(QStringLiteral(":/i18n/quorvane_ja.qm")));
    for (const bool japanese : {false, true}) {
        if (japanese)
            QCoreApplication::installTranslator(&translator);
        const ConversionBar bar(japanese);
        std::vector<std::pair<int, int>> lefts;
        for (int id = kBarFirstId; id <= kBarLastId; ++id) {
            const QWidget* control = bar.Control(id);
            lefts.emplace_back(control->x(), id);
            QString caption;
            if (const auto* button = qobject_cast<const QAbstractButton*>(control))
                caption = button->text();
            else if (const auto* label = qobject_cast<const QLabel*>(control))
                caption = label->text();
            if (caption.isEmpty())
                continue;
            caption.remove(QLatin1Char('&')); // the mnemonic's mark is not drawn
            EXPECT_GE(control->width(), control->fontMetrics().horizontalAdvance(caption))
                << japanese << " " << id;
            EXPECT_GE(control->width(), control->sizeHint().width()) << japanese << " " << id;
            for (int other = kBarFirstId; other <= kBarLastId; ++other) {
                if (other != id) {
                    EXPECT_FALSE(control->geometry().intersects(bar.Control(other)->geometry()))
                        << japanese << " " << id << " overlaps " << other;
                }
            }
            EXPECT_LE(control->geometry().right(), bar.width()) << japanese << " " << id;
        }
        std::sort(lefts.begin(), lefts.end());
        std::vector<int> order;
        for (const auto& entry : lefts)
            order.push_back(entry.second);
        EXPECT_EQ(order, (std::vector<int>{IDC_16BITS, IDC_8BITS, IDC_RANGE_SEL, IDC_START_FRAME,
                                           IDC_END_LABEL, IDC_END_FRAME, IDC_ALL_FRAMES,
                                           IDC_PROGRESS, IDC_TOP, IDC_ABORT, IDC_PLAY}));
    }
    QCoreApplication::removeTranslator(&translator);
}

} // namespace
