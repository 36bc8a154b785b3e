// SPDX-License-Identifier: BSD-3-Clause
#include "app/FrameBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

FrameBar::FrameBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("IDD_FRAMEBAR"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(3);

    m_pBack = new QToolButton(this);
    m_pBack->setObjectName(QStringLiteral("IDC_FRAME_BACK"));
    m_pBack->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    m_pBack->setToolTip(tr("Previous frame"));
    m_pBack->setAutoRepeat(true);

    m_pSlider = new QSlider(Qt::Horizontal, this);
    m_pSlider->setObjectName(QStringLiteral("IDC_FRAME_SLIDER"));
    m_pSlider->setMinimumWidth(160);
    m_pSlider->setRange(0, 0);
    m_pSlider->setToolTip(tr("Frame"));

    m_pForward = new QToolButton(this);
    m_pForward->setObjectName(QStringLiteral("IDC_FRAME_FORWARD"));
    m_pForward->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    m_pForward->setToolTip(tr("Next frame"));
    m_pForward->setAutoRepeat(true);

    m_pNumber = new QLineEdit(this);
    m_pNumber->setObjectName(QStringLiteral("IDC_FRAME_NUMBER"));
    m_pNumber->setAlignment(Qt::AlignRight);
    m_pNumber->setFixedWidth(m_pNumber->fontMetrics().horizontalAdvance(QStringLiteral("-000.00ms")) +
                             10);

    m_pCount = new QLabel(QStringLiteral("/ 0"), this);
    m_pCount->setObjectName(QStringLiteral("IDC_FRAME_COUNT"));

    m_pSpeed = new QComboBox(this);
    m_pSpeed->setObjectName(QStringLiteral("IDC_PLAY_SPEED"));
    m_pSpeed->setEditable(true);
    m_pSpeed->setInsertPolicy(QComboBox::NoInsert);
    m_pSpeed->setToolTip(tr("Playback speed"));
    m_pSpeed->addItem(RateText(0), 0);
    for (const int rate : kRates)
        m_pSpeed->addItem(RateText(rate), rate);
    m_pSpeed->setMinimumContentsLength(7);

    m_pLoop = new QCheckBox(tr("Loop"), this);
    m_pLoop->setObjectName(QStringLiteral("IDC_PLAY_LOOP"));
    m_pLoop->setToolTip(tr("Repeat the playback range"));

    layout->addWidget(m_pBack);
    layout->addWidget(m_pSlider, 1);
    layout->addWidget(m_pForward);
    layout->addWidget(m_pNumber);
    layout->addWidget(m_pCount);
    layout->addSpacing(6);
    layout->addWidget(m_pSpeed);
    layout->addWidget(m_pLoop);

    connect(m_pBack, &QToolButton::clicked, this, [this] { emit stepRequested(-1); });
    connect(m_pForward, &QToolButton::clicked, this, [this] { emit stepRequested(1); });
    // Drags, clicks and keys on the slider, but never the bar's own updates.
    connect(m_pSlider, &QSlider::actionTriggered, this,
            [this] { emit sliderMoved(m_pSlider->sliderPosition()); });
    connect(m_pSlider, &QSlider::sliderMoved, this, [this](int value) { emit sliderMoved(value); });
    connect(m_pNumber, &QLineEdit::returnPressed, this, &FrameBar::OnNumberEntered);
    connect(m_pNumber, &QLineEdit::textEdited, this, [this] { SetMarked(false); });
    connect(m_pSpeed, &QComboBox::activated, this, [this](int index) {
        SetRate(m_pSpeed->itemData(index).toInt());
        emit rateChanged(m_nRate);
    });
    connect(m_pSpeed->lineEdit(), &QLineEdit::editingFinished, this, &FrameBar::OnSpeedEntered);
    connect(m_pLoop, &QCheckBox::toggled, this, [this](bool on) { emit loopChanged(on); });
    SetRate(0);
    UpdateNumberLook();
}

QString FrameBar::RateText(int framesPerSecond) const {
    return framesPerSecond == 0 ? tr("Max") : tr("%1 fps").arg(framesPerSecond);
}

int FrameBar::ParseRate(const QString& text) {
    QString trimmed = text.trimmed();
    if (trimmed.compare(QStringLiteral("max"), Qt::CaseInsensitive) == 0 || trimmed == tr("Max"))
        return 0;
    if (trimmed.endsWith(QStringLiteral("fps"), Qt::CaseInsensitive))
        trimmed = trimmed.chopped(3).trimmed();
    bool ok = false;
    const int rate = trimmed.toInt(&ok);
    return ok && rate >= 1 && rate <= kMaxRate ? rate : -1;
}

void FrameBar::SetFrames(int count, int current, bool unreadable) {
    m_nCount = std::max(0, count);
    const QSignalBlocker block(m_pSlider);
    m_pSlider->setRange(0, std::max(0, m_nCount - 1));
    m_pSlider->setPageStep(10);
    if (current >= 0 && current < m_nCount)
        m_pSlider->setValue(current);
    m_pCount->setText(QStringLiteral("/ %1").arg(m_nCount));
    // Text being typed stays until it is entered.
    if (!m_pNumber->hasFocus() || m_pNumber->text().isEmpty())
        m_pNumber->setText(m_nCount > 0 ? QString::number(current) : QString());
    if (!m_pNumber->hasFocus())
        SetMarked(false);
    m_bUnreadable = unreadable && m_nCount > 0;
    UpdateNumberLook();
}

void FrameBar::SetRate(int framesPerSecond) {
    m_nRate = std::clamp(framesPerSecond, 0, kMaxRate);
    const QSignalBlocker block(m_pSpeed);
    const int index = m_pSpeed->findData(m_nRate);
    if (index >= 0)
        m_pSpeed->setCurrentIndex(index);
    m_pSpeed->setEditText(RateText(m_nRate));
}

void FrameBar::SetLoop(bool loop) {
    const QSignalBlocker block(m_pLoop);
    m_pLoop->setChecked(loop);
}

bool FrameBar::Loop() const {
    return m_pLoop->isChecked();
}

void FrameBar::FocusFrameNumber() {
    m_pNumber->setFocus(Qt::ShortcutFocusReason);
    m_pNumber->selectAll();
}

void FrameBar::OnNumberEntered() {
    // An index, a recorded number or a time; text outside the recording is
    // refused as typed, never clamped, and the field's tip says why.
    const TimeBase time = m_time.Count() == m_nCount ? m_time : TimeBase(0, m_nCount);
    int32_t frame = -1;
    std::string error;
    if (!time.ParseFrame(m_pNumber->text().toStdString(), frame, error) || frame >= m_nCount) {
        SetMarked(true);
        // The range in the user's language, then what was wrong with a
        // recorded number or a time.
        if (!error.empty())
            m_pNumber->setToolTip(m_pNumber->toolTip() + QLatin1Char('\n') +
                                  QString::fromStdString(error));
        m_pNumber->selectAll();
        return;
    }
    SetMarked(false);
    emit frameEntered(frame);
}

void FrameBar::OnSpeedEntered() {
    const int rate = ParseRate(m_pSpeed->currentText());
    if (rate < 0) {
        SetRate(m_nRate); // back to the speed in force
        return;
    }
    if (rate == m_nRate) {
        SetRate(rate);
        return;
    }
    SetRate(rate);
    emit rateChanged(m_nRate);
}

void FrameBar::SetMarked(bool marked) {
    if (m_bMarked == marked)
        return;
    m_bMarked = marked;
    m_pNumber->setProperty("refused", marked);
    UpdateNumberLook();
}

void FrameBar::UpdateNumberLook() {
    // Refused text says what would be accepted; an unreadable frame says so.
    QString tip = tr("Frame shown; type a frame and press Enter");
    if (m_bMarked)
        tip = tr("Type a frame from 0 to %1 and press Enter").arg(std::max(0, m_nCount - 1));
    else if (m_bUnreadable)
        tip = tr("Frame %1 cannot be read").arg(m_pNumber->text());
    m_pNumber->setToolTip(tip);
    const QString sheet =
        m_bMarked ? QStringLiteral("QLineEdit { background: #ffd0d0; color: #a00000; }")
        : m_bUnreadable ? QStringLiteral("QLineEdit { color: #a00000; font-style: italic; }")
                        : QString();
    if (m_pNumber->styleSheet() != sheet)
        m_pNumber->setStyleSheet(sheet);
}
