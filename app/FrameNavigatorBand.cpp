// SPDX-License-Identifier: BSD-3-Clause
// The navigator's band and status-bar panes: the frame bar's place among
// the top bands, the pixel readout and the achieved playback rate.
#include "app/FrameNavigator.h"

#include "app/CMainFrame.h"
#include "app/FrameBar.h"
#include "app/StatusPanes.h"
#include "app/ViewSettings.h"
#include "display/CVornView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

void FrameNavigator::CreateBand() {
    m_pBar = new FrameBar(m_pFrame);
    m_pBand = new QToolBar(m_pFrame);
    m_pBand->setObjectName(QStringLiteral("AFX_IDW_FRAMEBAR"));
    m_pBand->setMovable(true);
    m_pBand->setFloatable(false);
    m_pBand->setAllowedAreas(Qt::TopToolBarArea);
    m_pBand->addWidget(m_pBar);
    m_pBand->toggleViewAction()->setVisible(false);
    // A row of its own until the window is known to be wide enough: a band
    // beside the others would make the window's minimum width their sum.
    m_pFrame->addToolBarBreak(Qt::TopToolBarArea);
    m_pFrame->addToolBar(Qt::TopToolBarArea, m_pBand);

    connect(m_pBar, &FrameBar::stepRequested, this,
            [this](int delta) { ShowFrame(std::max(0, PositionFrame()) + delta); });
    connect(m_pBar, &FrameBar::sliderMoved, this, &FrameNavigator::OnSliderMoved);
    connect(m_pBar, &FrameBar::frameEntered, this, [this](int frame) {
        ShowFrame(frame);
        FocusView();
    });
    // A rate chosen from the list, or typed and entered: back to the frame.
    connect(m_pBar->Speed(), &QComboBox::activated, this, [this] { FocusView(); });
    connect(m_pBar->Speed()->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { FocusView(); });
    WatchBarKeys();
    connect(m_pBar, &FrameBar::rateChanged, this, [](int rate) { WritePlaybackRate(rate); });
    connect(m_pBar, &FrameBar::loopChanged, this, [](bool loop) { WritePlaybackLoop(loop); });
}

void FrameNavigator::CreatePanes() {
    QStatusBar* status = m_pFrame->statusBar();
    // Before the KANA indicator, the first of the permanent panes.
    m_pRatePane = new QLabel(status);
    m_pRatePane->setObjectName(QStringLiteral("ID_INDICATOR_RATE"));
    m_pRatePane->setAlignment(Qt::AlignCenter);
    m_pRatePane->setMinimumWidth(
        m_pRatePane->fontMetrics().horizontalAdvance(QStringLiteral("00000 fps")) + 8);
    m_pReadout = new QLabel(status);
    m_pReadout->setObjectName(QStringLiteral("ID_INDICATOR_PIXEL"));
    m_pReadout->setMinimumWidth(
        m_pReadout->fontMetrics().horizontalAdvance(ReadoutText(8888, 8888, 8888)) + 8);
    for (QLabel* pane : {m_pRatePane, m_pReadout})
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    AddPanesBeforeIndicators(status, {m_pRatePane, m_pReadout});
}

QString FrameNavigator::ReadoutText(int x, int y, int value) {
    return tr("x %1, y %2: %3").arg(x).arg(y).arg(value);
}

void FrameNavigator::WrapBand() {
    // Like a rebar band: a row of its own when it does not fit beside the
    // bands before it (which wrap the same way).
    const QList<QToolBar*> bands =
        m_pFrame->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    int before = 0;
    for (QToolBar* band : bands) {
        if (band == m_pBand || !band->isVisible())
            continue;
        if (m_pFrame->toolBarBreak(band))
            before = 0;
        before += band->sizeHint().width() + 12;
    }
    const bool fits = before + m_pBand->sizeHint().width() + 12 <= m_pFrame->width();
    const bool broken = m_pFrame->toolBarBreak(m_pBand);
    if (fits && broken)
        m_pFrame->removeToolBarBreak(m_pBand);
    else if (!fits && !broken)
        m_pFrame->insertToolBarBreak(m_pBand);
}

void FrameNavigator::OnReadout(bool inside, int x, int y, int value) {
    // Only the active window's view speaks for the pane.
    if (sender() == ActiveView())
        m_pReadout->setText(inside ? ReadoutText(x, y, value) : QString());
}

void FrameNavigator::ShowAchievedRate(double framesPerSecond) {
    m_pRatePane->setText(framesPerSecond > 0 ? tr("%1 fps").arg(qRound(framesPerSecond))
                                             : QString());
}
