// SPDX-License-Identifier: BSD-3-Clause
#include "app/ExportRun.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ConversionBar.h"
#include "app/DocTemplate.h"
#include "app/TimeAxis.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>

namespace {

constexpr int kExportCommand = 32801; // ID_FILE_EXPORT

QString FsName(const std::string& path) {
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(path)));
}

int Clamped(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX));
}

} // namespace

ExportCommand::ExportCommand(CMainFrame* frame, QMenu* fileMenu, QAction* after)
    : QObject(frame), m_pFrame(frame) {
    m_pAction = new QAction(tr("&Export...\tCtrl+E"), frame);
    m_pAction->setObjectName(QStringLiteral("ID_FILE_EXPORT"));
    m_pAction->setData(kExportCommand);
    m_pAction->setStatusTip(tr("Export the recording as a video, a PNG sequence or an OME-TIFF stack"));
    m_pAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(m_pAction, &QAction::triggered, this, &ExportCommand::OnExport);
    frame->addAction(m_pAction); // the shortcut works whichever menu is shown
    if (fileMenu) {
        const QList<QAction*> items = fileMenu->actions();
        const qsizetype at = items.indexOf(after);
        fileMenu->insertAction(at >= 0 ? items.value(at + 1) : nullptr, m_pAction);
        connect(fileMenu, &QMenu::aboutToShow, this, &ExportCommand::UpdateAction);
    }
    connect(frame->MdiArea(), &QMdiArea::subWindowActivated, this, &ExportCommand::UpdateAction);
    connect(frame->GetDocTemplate(), &DocTemplate::documentsChanged, this,
            &ExportCommand::UpdateAction);
    UpdateAction();
}

void ExportCommand::UpdateAction() {
    m_pAction->setEnabled(m_pFrame->GetActiveDocument() != nullptr && !m_pFrame->m_bBusy);
}

ExportSetup ExportCommand::SetupFor(CVornDoc& doc) const {
    ExportSetup setup;
    setup.recording = doc.GetPathName();
    setup.frames = doc.m_nFrameCount;
    setup.all = m_pFrame->m_nRangeMode != 0;
    setup.first = m_pFrame->m_nStartFrame;
    setup.last = m_pFrame->m_nEndFrame;
    setup.range = doc.GetDisplayRange();
    if (const TimeAxis* time = m_pFrame->Time())
        setup.rate = time->RateOf(doc);
    setup.eightBits = m_pFrame->m_nBitSel == 0;
    const CChildFrame* child = m_pFrame->MDIGetActive();
    if (child)
        setup.scale = child->GetScale();
    const CVornView* view = child ? child->GetActiveView() : nullptr;
    if (view && !view->Zoom().IsFit()) {
        const DibRect& shown = view->ShownArea();
        const bool part = shown.width < doc.m_nWidth || shown.height < doc.m_nHeight;
        if (part && shown.width > 0 && shown.height > 0)
            setup.visible = CropRect{shown.x, shown.y, shown.width, shown.height};
    }
    return setup;
}

void ExportCommand::OnExport() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy)
        return;
    const QPointer<CChildFrame> window = m_pFrame->MDIGetActive();
    ExportDialog dialog(SetupFor(*doc), m_browse, m_pFrame);
    const bool accepted = m_runner ? m_runner(dialog) : dialog.exec() == QDialog::Accepted;
    // The dialog ran an event loop: the recording's window may have gone.
    if (!accepted || window.isNull() || m_pFrame->m_bBusy)
        return;
    dialog.SaveChoices();
    Run(doc, dialog.Request());
}

ExportSummary ExportCommand::Run(CVornDoc* doc, const ExportRequest& request) {
    const QPointer<QProgressBar> bar =
        m_pFrame->DlgBar() ? m_pFrame->DlgBar()->Progress() : nullptr;
    if (bar) {
        bar->setRange(0, 1);
        bar->setValue(0);
    }
    m_pFrame->BeginRun(doc);
    m_pAction->setEnabled(false);

    std::atomic<bool> cancel{false};
    QEventLoop loop;
    // Abort and Escape set the frame's abort flag; the engine sees the cancel
    // at its next frame.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (m_pFrame->m_bAbort)
            cancel.store(true);
    });
    poll.start(50);
    ExportHooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&loop, bar](int64_t done, int64_t total) {
        QMetaObject::invokeMethod(&loop, [bar, done, total] {
            if (bar) {
                bar->setRange(0, std::max(1, Clamped(total)));
                bar->setValue(Clamped(done));
            }
        }, Qt::QueuedConnection);
    };
    ExportSummary summary;
    {
        std::jthread worker([&] {
            summary = RunExport(request, hooks);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
    }
    poll.stop();
    m_pFrame->EndRun();
    UpdateAction();
    m_pFrame->SetStatusLine(SummaryLine(summary));
    return summary;
}

QString ExportCommand::SummaryLine(const ExportSummary& summary) {
    if (!summary.usageError.empty())
        return tr("Cannot export: %1").arg(QString::fromStdString(summary.usageError));
    for (const ExportReport& report : summary.recordings) {
        if (report.status == ExportReport::Status::Failed ||
            report.status == ExportReport::Status::Refused)
            return tr("Export failed: %1").arg(FsName(report.message));
    }
    std::vector<std::string> files;
    for (const ExportReport& report : summary.recordings)
        files.insert(files.end(), report.files.begin(), report.files.end());
    if (summary.cancelled) {
        // A sequence keeps its complete first files, as a conversion does.
        if (files.empty())
            return tr("Export aborted; no file was kept");
        return tr("Export aborted; the first %1 files were kept in %2")
            .arg(files.size())
            .arg(QFileInfo(FsName(files.front())).path());
    }
    if (files.size() == 1)
        return tr("Exported %1 frames to %2").arg(summary.frames).arg(FsName(files.front()));
    const QString folder = files.empty() ? QString() : QFileInfo(FsName(files.front())).path();
    return tr("Exported %1 frames as %2 files to %3")
        .arg(summary.frames)
        .arg(files.size())
        .arg(QDir::toNativeSeparators(folder));
}
