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
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <tiffio.h>

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

    void Convert(const char* name = "out.tif") {
        m_chosen = m_dir.filePath(QString::fromLatin1(name));
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
    EXPECT_EQ(Progress()->value(), 4);
    Click(IDC_TOP); // the range 0..4 holds the old position: it must still empty
    EXPECT_LT(Progress()->value(), Progress()->minimum());

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

TEST_F(ConversionTest, SaveDialogProposesTheBaseNameAndAddsTheDefaultSuffix) {
    Open("my.shot.vrn", 2);
    Convert(""); // cancelled: nothing happens
    EXPECT_EQ(m_proposed, QStringLiteral("my"));
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral("*_*")}).isEmpty());

    f->SetSaveDialog({}); // the real dialog, answered as a user types
    QString shown;
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
            dialog->setDirectory(m_dir.path());
            edit->setText(QString::fromLatin1(typed));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept
        });
        timer.start(10);
        f->OnConvert();
    };
    answer("typed");
    EXPECT_EQ(shown, QStringLiteral("my"));
    EXPECT_EQ(Outputs("typed"), Names("typed", {0, 1}));
    answer("other.png");
    EXPECT_EQ(Outputs("other"), Names("other", {0, 1}, "png"));
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
    EXPECT_EQ(Progress()->value(), 3);
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
    EXPECT_LT(Progress()->value(), Progress()->minimum());
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
