// SPDX-License-Identifier: BSD-3-Clause
#include "app/PlotWindow.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/FrameNavigator.h"
#include "app/PlotWidget.h"
#include "recording/CVornDoc.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QPushButton>
#include <QSaveFile>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("PlotWindow", text);
}

// Plots are saved at this size whatever the window's.
constexpr QSize kImageSize(960, 540);

} // namespace

// Told of every frame the recording shows: RenderFrame repaints every view
// of the document, this one included. It is no window, so it keeps no
// document open; a closed document lets go of it.
class PlotWindow::FrameFollower final : public CView {
public:
    FrameFollower(CVornDoc* doc, PlotWindow* window) : m_pWindow(window) { SetDocument(doc); }
    ~FrameFollower() override { SetDocument(nullptr); }
    // Until the window is whole, frames shown are not its business.
    void Start() { m_bStarted = true; }
    void RepaintNow() override {
        if (m_bStarted)
            m_pWindow->OnFrameShown();
    }
    void OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) override {}

private:
    PlotWindow* m_pWindow;
    bool m_bStarted = false;
};

PlotWindow::PlotWindow(CChildFrame* frame, const QString& caption)
    : QWidget(frame, Qt::Window), m_pFrame(frame) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The recording's name; the frame's caption also names the frame shown.
    const CVornDoc* doc = frame->GetActiveDocument();
    const QString name = doc && !doc->GetBaseTitle().empty()
                             ? QString::fromStdString(doc->GetBaseTitle())
                             : frame->FrameTitle();
    setWindowTitle(caption + QStringLiteral(" - ") + name);
    auto* layout = new QVBoxLayout(this);
    m_pTop = new QHBoxLayout;
    layout->addLayout(m_pTop);
    m_pPlot = new PlotWidget(this);
    layout->addWidget(m_pPlot, 1);
    m_pBottom = new QHBoxLayout;
    layout->addLayout(m_pBottom);
    m_pCopy = new QPushButton(Tr("&Copy"), this);
    m_pCopy->setToolTip(Tr("Copy the values as tab-separated text"));
    m_pSave = new QPushButton(Tr("&Save As..."), this);
    m_pSave->setToolTip(Tr("Save the values as CSV, or the plot as a PNG or SVG image"));
    auto* close = new QPushButton(Tr("Close"), this);
    m_pBottom->addStretch(1);
    m_pBottom->addWidget(m_pCopy);
    m_pBottom->addWidget(m_pSave);
    m_pBottom->addWidget(close);
    connect(m_pCopy, &QPushButton::clicked, this, &PlotWindow::CopyTable);
    connect(m_pSave, &QPushButton::clicked, this, &PlotWindow::OnSaveAs);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    m_pFollower = std::make_unique<FrameFollower>(frame->GetActiveDocument(), this);
    resize(720, 460);
}

PlotWindow::~PlotWindow() = default;

CVornDoc* PlotWindow::Document() const {
    return m_pFollower ? static_cast<CVornDoc*>(m_pFollower->GetDocument()) : nullptr;
}

CChildFrame* PlotWindow::Frame() const {
    return m_pFrame;
}

CMainFrame* PlotWindow::MainFrame() const {
    return m_pFrame ? qobject_cast<CMainFrame*>(m_pFrame->window()) : nullptr;
}

QString PlotWindow::TableText(QChar separator) const {
    const Table table = MakeTable();
    QString text = table.header.join(separator) + QLatin1Char('\n');
    for (const QStringList& row : table.rows)
        text += row.join(separator) + QLatin1Char('\n');
    return text;
}

void PlotWindow::CopyTable() const {
    QGuiApplication::clipboard()->setText(TableText(QLatin1Char('\t')));
}

bool PlotWindow::SaveTo(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool saved = false;
    if (suffix == QLatin1String("png")) {
        saved = m_pPlot->SavePng(path, kImageSize);
    } else if (suffix == QLatin1String("svg")) {
        saved = m_pPlot->SaveSvg(path, kImageSize, windowTitle());
    } else {
        QSaveFile file(path);
        const QByteArray bytes = TableText(QLatin1Char(',')).toUtf8();
        saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                file.commit();
    }
    if (!saved) {
        if (const CMainFrame* main = MainFrame())
            main->ShowMessage(Tr("Cannot save %1.").arg(QFileInfo(path).fileName()));
    }
    return saved;
}

void PlotWindow::OnSaveAs() {
    const QString name = ProposedName(QStringLiteral("csv"));
    const QString path =
        m_saveDialog ? m_saveDialog(this, name)
                     : QFileDialog::getSaveFileName(
                           this, Tr("Save As"), name,
                           Tr("CSV table (*.csv);;PNG image (*.png);;SVG image (*.svg)"));
    if (!path.isEmpty())
        SaveTo(path);
}

QString PlotWindow::ProposedName(const QString& suffix) const {
    const CVornDoc* doc = Document();
    if (!doc)
        return {};
    const QFileInfo info(QString::fromLocal8Bit(doc->GetPathName()));
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('-') + objectName() +
                               QLatin1Char('.') + suffix);
}

void PlotWindow::GoToFrame(int index) {
    CMainFrame* main = MainFrame();
    if (!main || !m_pFrame || !Document())
        return;
    // The navigator works on the active recording window.
    if (main->MDIGetActive() != m_pFrame)
        main->MdiArea()->setActiveSubWindow(m_pFrame);
    if (main->MDIGetActive() == m_pFrame)
        main->Navigator()->ShowFrame(index);
}

void PlotWindow::FollowFrames() {
    m_pFollower->Start();
    OnFrameShown();
}

int PlotWindow::ShownFrame() const {
    const CVornDoc* doc = Document();
    return doc && doc->m_pReader ? doc->m_pReader->currentFrame : -1;
}
