// SPDX-License-Identifier: BSD-3-Clause
// CVornView on real recordings: what the window shows and when, the caption
// it drives, the fixed scroll size, and printing.
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>

namespace {

// Frame i: a bright band in the first 8 columns, elsewhere a vertical
// gradient that brightens downwards and with the frame index.
uint8_t Shown(int i, int x, int y) {
    return static_cast<uint8_t>((x < 8 ? 1020 : std::min(1023, y * 8 + i * 4)) >> 2);
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

class VornView : public ::testing::Test {
protected:
    void TearDown() override { CVornView::SetDialogRunner({}); }

    // Writes and opens "clip.vrn".
    std::unique_ptr<CVornDoc> Open(int width, int height, int frames) {
        VornRecipe recording;
        recording.width = width;
        recording.height = height;
        recording.frameCount = frames;
        const QByteArray path = m_dir.filePath("clip.vrn").toLocal8Bit();
        EXPECT_TRUE(WriteVorn(path, recording, [&](int32_t i, uint16_t* samples) {
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    *samples++ = static_cast<uint16_t>(Shown(i, x, y) << 2);
        }));
        auto document = std::make_unique<CVornDoc>();
        EXPECT_EQ(document->OnOpenDocument(path), 1) << document->GetOpenError();
        return document;
    }

    static std::unique_ptr<CVornView> Show(CVornDoc* document, QSize viewport) {
        auto view = std::make_unique<CVornView>(document);
        view->OnInitialUpdate();
        view->show();
        Resize(*view, viewport);
        return view;
    }

    static void Resize(CVornView& view, QSize viewport) {
        view.resize(viewport + (view.size() - view.viewport()->size()));
        QApplication::processEvents();
        EXPECT_EQ(view.viewport()->size(), viewport);
    }

    // What the screen holds for the viewport, without painting it again.
    static QImage OnScreen(CVornView& view) {
        const QPoint at = view.viewport()->mapTo(view.window(), QPoint(0, 0));
        const QSize size = view.viewport()->size();
        return view.screen()
            ->grabWindow(view.window()->winId(), at.x(), at.y(), size.width(), size.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    static QImage Painted(CVornView& view) {
        return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    static int Mismatches(const QImage& image, int frame) {
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                wrong += qGray(image.pixel(x, y)) != Shown(frame, x, y);
        return wrong;
    }

    static QRgb Background(CVornView& view) {
        return view.viewport()->palette().color(view.viewport()->backgroundRole()).rgb();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(VornView, ShowsEachFrameUprightBeforeRenderFrameReturns) {
    auto document = Open(160, 120, 8);
    auto view = Show(document.get(), {160, 120});
    EXPECT_EQ(Mismatches(Painted(*view), 0), 0);
    EXPECT_EQ(document->GetTitle(), "clip - 0/8");

    int titleSignals = 0;
    QObject::connect(view.get(), &CVornView::titleChanged, [&] { ++titleSignals; });
    PaintCounter counter;
    view->viewport()->installEventFilter(&counter);
    for (int frame : {5, 7}) { // no event processing between the call and the checks
        ASSERT_EQ(document->RenderFrame(frame, 0, nullptr, 16, 8), 1);
        EXPECT_EQ(Mismatches(OnScreen(*view), frame), 0);
        EXPECT_EQ(document->GetTitle(), "clip - " + std::to_string(frame) + "/8");
    }
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(titleSignals, 2);
    EXPECT_EQ(document->RenderFrame(8, 0, nullptr, 16, 8), 0); // refused: no paint
    EXPECT_EQ(counter.paints, 2);
}

TEST_F(VornView, EveryViewOfTheDocumentRepaints) {
    auto document = Open(160, 120, 4);
    auto first = Show(document.get(), {160, 120});
    auto second = Show(document.get(), {320, 240});
    PaintCounter secondPaints;
    second->viewport()->installEventFilter(&secondPaints);

    ASSERT_EQ(document->RenderFrame(3, 0, nullptr, 16, 8), 1);
    EXPECT_EQ(Mismatches(OnScreen(*first), 3), 0);
    EXPECT_EQ(qGray(OnScreen(*second).pixel(2 * 100 + 1, 2 * 50 + 1)), Shown(3, 100, 50));

    first.reset(); // a closed window leaves the document
    EXPECT_EQ(document->GetViews().size(), 1u);
    ASSERT_EQ(document->RenderFrame(1, 0, nullptr, 16, 8), 1);
    EXPECT_EQ(secondPaints.paints, 2);
}

TEST_F(VornView, WithoutADisplayImagePaintsNothingAndKeepsTheTitle) {
    CVornDoc document;
    document.SetTitle("untouched");
    auto view = Show(&document, {160, 120});
    const QImage shown = Painted(*view);
    EXPECT_EQ(shown.pixel(0, 0), Background(*view));
    EXPECT_EQ(shown.pixel(80, 60), Background(*view));
    EXPECT_EQ(view->m_bSurfaceOpen, 0);
    EXPECT_EQ(document.GetTitle(), "untouched");
}

TEST_F(VornView, ResizingRefitsTheFrame) {
    auto document = Open(1024, 1024, 1);
    auto view = Show(document.get(), {800, 600});
    const QImage fitted = Painted(*view);
    EXPECT_EQ(view->m_surface.dstRect, (DibRect{100, 0, 599, 600}));
    EXPECT_EQ(fitted.pixel(99, 300), Background(*view));
    EXPECT_EQ(fitted.pixel(699, 300), Background(*view));
    EXPECT_EQ(fitted.pixel(100, 300), qRgb(255, 255, 255)); // the bright band stays left
    EXPECT_EQ(qGray(fitted.pixel(400, 0)), Shown(0, 400, 0));
    EXPECT_EQ(qGray(fitted.pixel(400, 599)), 255);

    Resize(*view, {1024, 1024});
    EXPECT_EQ(Mismatches(Painted(*view), 0), 0);
    EXPECT_EQ(view->m_surface.dstRect, (DibRect{0, 0, 1024, 1024}));
}

TEST_F(VornView, ScrollBarsShowOnlyBelowAHundredPixels) {
    auto document = Open(1024, 1024, 1);
    auto view = Show(document.get(), {300, 200});
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());

    view->resize(80, 300);
    QApplication::processEvents();
    ASSERT_LT(view->viewport()->width(), 100);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 100 - view->viewport()->width());
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());
}

TEST_F(VornView, PrintsTheFrameFittedToThePage) {
    auto document = Open(160, 120, 2);
    auto view = Show(document.get(), {160, 120});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(m_dir.filePath("page.pdf"));

    int dialogs = 0;
    CVornView::SetDialogRunner([&](QDialog&) { return ++dialogs == 1 ? 0 : 1; });
    view->OnFilePrint(printer); // cancelled
    EXPECT_FALSE(QFile::exists(printer.outputFileName()));
    view->OnFilePrint(printer);
    EXPECT_EQ(dialogs, 2);
    EXPECT_GT(QFile(printer.outputFileName()).size(), 0);

    // A landscape frame on a portrait page: full width, aspect kept, centred
    // within one scaled frame pixel.
    const DibRect d = view->m_surface.dstRect;
    EXPECT_EQ(d.x, 0);
    EXPECT_NEAR(d.width, printer.width(), 1);
    EXPECT_NEAR(static_cast<double>(d.width) / d.height, 160.0 / 120.0, 0.01);
    EXPECT_NEAR(d.y + d.height / 2, printer.height() / 2, d.width / 160.0 + 2);
    Painted(*view); // the window lays out from its own client area again
    EXPECT_EQ(view->m_surface.dstRect, (DibRect{0, 0, 160, 120}));

    int pages = -1;
    CVornView::SetDialogRunner([&](QDialog& dialog) {
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        if (qobject_cast<QPrintPreviewDialog*>(&dialog) != nullptr && preview != nullptr) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        return 0;
    });
    view->OnFilePrintPreview(printer);
    EXPECT_EQ(pages, 1);
}
