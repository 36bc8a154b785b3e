// SPDX-License-Identifier: BSD-3-Clause
// Opening, captions, windows, closing, placement and printing of recordings
// in the main window.
#include "ShellTestSupport.h"

#include "app/CChildFrame.h"
#include "app/CQuorvaneApp.h"
#include "app/DocTemplate.h"
#include "app/RecentFileList.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QUrl>

namespace {
int FrameCount(CMainFrame& frame) {
    return static_cast<int>(frame.MdiArea()->subWindowList().size());
}

// Counts the paints of a view's viewport.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};
} // namespace

TEST_F(ShellTest, OpenShowsAMaximizedWindowWithTheFramesCaption) {
    auto frame = MakeFrame();
    frame->show();
    EXPECT_EQ(frame->windowTitle(), "Quorvane");
    EXPECT_FALSE(frame->Action(57607)->isEnabled()); // the toolbar's Print needs a window
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn", 5)));
    EXPECT_TRUE(frame->Action(57607)->isEnabled());
    CChildFrame* child = frame->MDIGetActive();
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->isMaximized());
    Flush();
    EXPECT_EQ(child->windowTitle(), "clip - 0/5");
    EXPECT_EQ(frame->windowTitle(), "Quorvane - [clip - 0/5]");

    ASSERT_NE(child->GetActiveDocument()->RenderFrame(3, 0, nullptr, 16, 8), 0);
    EXPECT_EQ(child->windowTitle(), "clip - 3/5");
    EXPECT_EQ(frame->windowTitle(), "Quorvane - [clip - 3/5]");
    child->showNormal();
    EXPECT_EQ(frame->windowTitle(), "Quorvane - clip - 3/5");

    child->close();
    Flush();
    EXPECT_EQ(frame->windowTitle(), "Quorvane");
    EXPECT_EQ(frame->CurrentMenuId(), 128);
    EXPECT_TRUE(frame->GetDocTemplate()->Documents().empty());
    EXPECT_FALSE(frame->Action(57607)->isEnabled());
}

TEST_F(ShellTest, FileCommandsGoThroughTheirDialogs) {
    auto frame = MakeFrame();
    const QString clip = MakeRecording("clip.vrn");
    frame->SetOpenDialog([&](QWidget* parent) {
        EXPECT_EQ(parent, frame.get());
        return clip;
    });
    QPrinter* setupPrinter = nullptr;
    frame->SetPageSetupDialog([&](QWidget*, QPrinter& printer) {
        setupPrinter = &printer;
        return true;
    });
    int abouts = 0;
    frame->SetAboutDialog([&](QWidget*) { ++abouts; });

    frame->Action(57601)->trigger();
    EXPECT_EQ(FrameCount(*frame), 1);
    frame->Action(57606)->trigger();
    EXPECT_EQ(setupPrinter, &frame->Printer());
    frame->Action(57664)->trigger();
    EXPECT_EQ(abouts, 1);

    // Close takes every window of the document with it.
    frame->Action(57648)->trigger();
    ASSERT_EQ(FrameCount(*frame), 2);
    frame->Action(57602)->trigger();
    Flush();
    EXPECT_EQ(FrameCount(*frame), 0);
    EXPECT_TRUE(frame->GetDocTemplate()->Documents().empty());
}

TEST_F(ShellTest, RefusedFileShowsTheMessageAndLeavesNoWindow) {
    auto frame = MakeFrame();
    const QString junk = MakeJunk("junk.vrn");
    frame->RecentFiles().Add(junk);
    EXPECT_FALSE(frame->OpenDocumentFile(junk));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith("Cannot open junk.vrn: ")) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].endsWith("."));
    EXPECT_GT(m_messages[0].size(), QString("Cannot open junk.vrn: .").size());
    EXPECT_EQ(FrameCount(*frame), 0);
    EXPECT_EQ(frame->CurrentMenuId(), 128);
    EXPECT_TRUE(frame->GetDocTemplate()->Documents().empty());
    EXPECT_FALSE(frame->RecentFiles().Files().contains(junk));

    EXPECT_FALSE(frame->OpenDocumentFile(m_dir.filePath("missing.vrn")));
    EXPECT_TRUE(m_messages.value(1).startsWith("Cannot open missing.vrn: "));
}

TEST_F(ShellTest, AFileAlreadyOpenIsActivatedNotOpenedTwice) {
    auto frame = MakeFrame();
    const QString a = MakeRecording("a.vrn");
    ASSERT_TRUE(frame->OpenDocumentFile(a));
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("b.vrn")));
    EXPECT_EQ(frame->MDIGetActive()->windowTitle().left(1), "b");
    // Another spelling of the same path.
    ASSERT_TRUE(frame->OpenDocumentFile(m_dir.path() + "/./sub/../a.vrn"));
    EXPECT_EQ(FrameCount(*frame), 2);
    EXPECT_EQ(frame->GetDocTemplate()->Documents().size(), 2u);
    EXPECT_EQ(frame->GetActiveDocument(), frame->GetDocTemplate()->FindDocument(a));
}

TEST_F(ShellTest, RecentFilesFollowOpensAndDropAFileThatNoLongerOpens) {
    auto frame = MakeFrame();
    const QString a = MakeRecording("a.vrn"), b = MakeRecording("b.vrn");
    ASSERT_TRUE(frame->OpenDocumentFile(a));
    ASSERT_TRUE(frame->OpenDocumentFile(b));
    EXPECT_EQ(frame->RecentFiles().Files(), (QStringList{b, a}));
    EXPECT_EQ(Profile().value("Recent File List/File1").toString(), b);
    EXPECT_EQ(frame->Action(57616)->isVisible(), false); // placeholder hidden
    frame->MdiArea()->closeAllSubWindows();
    Flush();

    ASSERT_TRUE(QFile::remove(a));
    frame->OnOpenRecentFile(1);
    EXPECT_EQ(m_messages.size(), 1);
    EXPECT_EQ(frame->RecentFiles().Files(), QStringList{b});
    EXPECT_FALSE(Profile().contains("Recent File List/File2"));

    // A new window reads the persisted list.
    auto second = MakeFrame();
    EXPECT_EQ(second->RecentFiles().Files(), QStringList{b});
    second->OnOpenRecentFile(0);
    EXPECT_EQ(FrameCount(*second), 1);
}

TEST_F(ShellTest, NewWindowGivesTwoNumberedViewsThatBothRepaint) {
    auto frame = MakeFrame();
    frame->show();
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn", 5)));
    frame->OnWindowNew();
    ASSERT_EQ(FrameCount(*frame), 2);
    frame->Action(57651)->trigger(); // tile: both visible
    Flush();
    CVornDoc* doc = frame->GetActiveDocument();
    // The two windows, and the frame watchers of the time axis and of the
    // Measurements dock.
    ASSERT_EQ(doc->GetViews().size(), 4u);

    QList<CChildFrame*> children = frame->GetDocTemplate()->Frames(doc);
    PaintCounter first, second;
    children[0]->GetActiveView()->viewport()->installEventFilter(&first);
    children[1]->GetActiveView()->viewport()->installEventFilter(&second);
    ASSERT_NE(doc->RenderFrame(2, 0, nullptr, 16, 8), 0);
    EXPECT_GE(first.count, 1);
    EXPECT_GE(second.count, 1);
    EXPECT_EQ(children[0]->windowTitle(), "clip - 2/5:1");
    EXPECT_EQ(children[1]->windowTitle(), "clip - 2/5:2");

    frame->UpdateWindowMenu();
    QStringList listed;
    int checked = 0;
    for (QAction* action : frame->findChildren<QAction*>()) {
        if (action->text().startsWith("&1 clip") || action->text().startsWith("&2 clip")) {
            listed.append(action->text());
            checked += action->isChecked() ? 1 : 0;
        }
    }
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"&1 clip - 2/5:1", "&2 clip - 2/5:2"}));
    EXPECT_EQ(checked, 1);

    // Closing one window keeps the document; the other loses its number.
    children[0]->GetActiveView()->viewport()->removeEventFilter(&first);
    children[0]->close();
    Flush();
    EXPECT_EQ(frame->GetDocTemplate()->Documents().size(), 1u);
    EXPECT_EQ(children[1]->windowTitle(), "clip - 2/5");
    children[1]->GetActiveView()->viewport()->removeEventFilter(&second);
}

TEST_F(ShellTest, DroppedFilesOpenEachAsADocument) {
    auto frame = MakeFrame();
    frame->show();
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(MakeRecording("a.vrn")), QUrl::fromLocalFile(MakeRecording("b.vrn"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &drop);
    Flush();
    EXPECT_EQ(FrameCount(*frame), 2);
    EXPECT_EQ(frame->GetDocTemplate()->Documents().size(), 2u);

    QMimeData text;
    text.setText("hello");
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(frame.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(ShellTest, CommandLineOpensFilesOrEndsStartUpOnAFailure) {
    auto frame = MakeFrame();
    int exitCode = -1;
    const QString clip = MakeRecording("clip.vrn");
    EXPECT_TRUE(ProcessShellCommand(*frame, ParseCommandLine({}), &exitCode));
    EXPECT_EQ(FrameCount(*frame), 0);
    EXPECT_TRUE(ProcessShellCommand(*frame, ParseCommandLine({clip}), &exitCode));
    EXPECT_EQ(FrameCount(*frame), 1);
    EXPECT_TRUE(frame->MDIGetActive()->isMaximized());
    EXPECT_FALSE(ProcessShellCommand(*frame, ParseCommandLine({MakeJunk("junk.vrn")}), &exitCode));
    EXPECT_NE(exitCode, 0);
    EXPECT_EQ(m_messages.size(), 1);

    // Of several files each bad one says so and the others still open.
    auto second = MakeFrame();
    m_messages.clear();
    EXPECT_TRUE(
        ProcessShellCommand(*second,
                            ParseCommandLine({MakeJunk("bad.vrn"), MakeRecording("good.vrn"),
                                              m_dir.filePath("gone.vrn")}),
                            &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(FrameCount(*second), 1);
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_TRUE(m_messages[0].startsWith("Cannot open bad.vrn: "));
    EXPECT_TRUE(m_messages[1].startsWith("Cannot open gone.vrn: "));
    EXPECT_FALSE(ProcessShellCommand(
        *MakeFrame(), ParseCommandLine({MakeJunk("bad.vrn"), m_dir.filePath("gone.vrn")}),
        &exitCode));
    EXPECT_EQ(exitCode, 1);
}

TEST_F(ShellTest, PrintPreviewShowsAndStoresTheStoredPageCount) {
    Profile().setValue("Settings/PreviewPages", "2");
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn")));
    std::vector<QPrintPreviewWidget::ViewMode> shown;
    const char* choose = "singleModeAction";
    CVornView::SetDialogRunner([&](QDialog& dialog) {
        const auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        shown.push_back(preview ? preview->viewMode() : QPrintPreviewWidget::AllPagesView);
        if (auto* action = dialog.findChild<QAction*>(QString::fromLatin1(choose)))
            action->trigger(); // the user picks a page count
        return int(QDialog::Rejected);
    });
    frame->Action(57609)->trigger();
    EXPECT_EQ(Profile().value("Settings/PreviewPages").toString(), "1");
    choose = "facingModeAction";
    frame->Action(57609)->trigger();
    CVornView::SetDialogRunner({});
    EXPECT_EQ(shown, (std::vector{QPrintPreviewWidget::FacingPagesView,
                                  QPrintPreviewWidget::SinglePageView}));
    EXPECT_EQ(Profile().value("Settings/PreviewPages").toString(), "2");
    EXPECT_EQ(MakeFrame()->m_nNumPreviewPages, 2);
}

TEST_F(ShellTest, PrintsTheFirstFrameToAPdfPage) {
    auto frame = MakeFrame();
    const QString pdf = m_dir.filePath("out.pdf");
    QPrinter& printer = frame->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    int exitCode = -1;
    EXPECT_FALSE(ProcessShellCommand(
        *frame, ParseCommandLine({"--print", MakeRecording("clip.vrn")}), &exitCode));
    EXPECT_EQ(exitCode, 0);
    Flush();
    EXPECT_TRUE(frame->GetDocTemplate()->Documents().empty()); // opened only to print

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page "), 1);
    EXPECT_TRUE(bytes.contains("/Subtype /Image"));

    EXPECT_FALSE(
        ProcessShellCommand(*frame, ParseCommandLine({"/p", MakeJunk("junk.vrn")}), &exitCode));
    EXPECT_EQ(exitCode, 1);
}

TEST_F(ShellTest, CloseWritesPlacementAndBitSelAndClosesTheDocuments) {
    auto frame = MakeFrame();
    frame->show();
    frame->m_nBitSel = 0;
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn")));
    EXPECT_TRUE(frame->close());
    Flush();
    EXPECT_TRUE(frame->GetDocTemplate()->Documents().empty());
    EXPECT_EQ(Profile().value("Settings/BitSel").toString(), "0");
    EXPECT_TRUE(Profile().value("Settings/InitPlacement").toString().startsWith("44,0,1,"));
}

TEST_F(ShellTest, PlacementRoundTripNormalMaximizedMinimized) {
    auto first = MakeFrame();
    first->move(40, 30);
    first->resize(500, 300);
    first->show();
    const QRect normal = first->geometry();
    first->SavePlacement();
    auto second = MakeFrame();
    EXPECT_EQ(second->RestorePlacement(), 1);
    second->ShowWithCommand(1);
    EXPECT_EQ(second->geometry(), normal);

    first->showMaximized();
    first->SavePlacement();
    const QStringList stored = Profile().value("Settings/InitPlacement").toString().split(',');
    EXPECT_EQ(stored.value(2), "3");
    auto third = MakeFrame();
    EXPECT_EQ(third->RestorePlacement(), 3);
    third->ShowWithCommand(3);
    EXPECT_TRUE(third->isMaximized());
    EXPECT_EQ(third->normalGeometry(), normal); // the restore size
    third->SavePlacement();
    EXPECT_EQ(Profile().value("Settings/InitPlacement").toString(), stored.join(','));
    third->showNormal();
    EXPECT_EQ(third->geometry(), normal);

    first->showMinimized();
    first->SavePlacement();
    auto fourth = MakeFrame();
    EXPECT_EQ(fourth->RestorePlacement(), 2);
    fourth->ShowWithCommand(2);
    EXPECT_TRUE(fourth->isMinimized());
}

TEST_F(ShellTest, PlacementOffEveryScreenKeepsTheDefault) {
    Profile().setValue("Settings/InitPlacement", "44,0,1,-1,-1,-1,-1,5000,5000,5800,5600");
    auto reference = MakeFrame();
    auto frame = MakeFrame();
    EXPECT_EQ(frame->RestorePlacement(), 1);
    EXPECT_EQ(frame->geometry(), reference->geometry());
    // A stored "hide" still shows the window.
    frame->ShowWithCommand(0);
    EXPECT_TRUE(frame->isVisible());
}
