// SPDX-License-Identifier: BSD-3-Clause
#include "app/TriggerMark.h"

#include "app/TimeAxis.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {

QStyleOptionSlider SliderOption(const QSlider& slider) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    option.upsideDown = slider.invertedAppearance();
    option.subControls = QStyle::SC_None;
    return option;
}

} // namespace

TriggerMark::TriggerMark(QSlider* slider) : QWidget(slider), m_pSlider(slider) {
    setObjectName(QStringLiteral("IDC_FRAME_TRIGGER"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(slider->rect());
    slider->installEventFilter(this);
    hide();
}

void TriggerMark::SetTimeBase(const TimeBase& time) {
    m_time = time;
    setVisible(m_time.TriggerIndex().has_value() && m_time.Count() > 1);
    update();
}

namespace {

// Where the slider's values lie: from the groove's start plus half a handle,
// over the groove less one handle.
struct Track {
    int start = 0;
    int span = 0;
};

Track TrackOf(const QSlider& slider, const QStyleOptionSlider& option) {
    QStyle* style = slider.style();
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &slider);
    const QRect handle =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
    return {groove.x() + handle.width() / 2, groove.width() - handle.width()};
}

} // namespace

int TriggerMark::PositionOf(int value) const {
    const QStyleOptionSlider option = SliderOption(*m_pSlider);
    const Track track = TrackOf(*m_pSlider, option);
    return track.start + QStyle::sliderPositionFromValue(option.minimum, option.maximum, value,
                                                         track.span, option.upsideDown);
}

int TriggerMark::ValueAt(int x) const {
    const QStyleOptionSlider option = SliderOption(*m_pSlider);
    const Track track = TrackOf(*m_pSlider, option);
    return QStyle::sliderValueFromPosition(option.minimum, option.maximum, x - track.start,
                                           track.span, option.upsideDown);
}

QString TriggerMark::ToolTipAt(int x) const {
    const int value = ValueAt(x);
    if (!m_time.Contains(value))
        return {};
    return QCoreApplication::translate("TimeAxis", "Frame %1: %2")
        .arg(value)
        .arg(TimeAxis::PaneText(m_time, value));
}

bool TriggerMark::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pSlider) {
        if (event->type() == QEvent::Resize) {
            setGeometry(m_pSlider->rect());
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            const QString text = ToolTipAt(help->pos().x());
            if (!text.isEmpty()) {
                QToolTip::showText(help->globalPos(), text, m_pSlider);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TriggerMark::paintEvent(QPaintEvent* /*event*/) {
    const std::optional<int32_t> trigger = m_time.TriggerIndex();
    if (!trigger)
        return;
    QPainter painter(this);
    const int x = PositionOf(*trigger);
    painter.setPen(QPen(QColor(0xd0, 0x30, 0x30), 2));
    painter.drawLine(x, 2, x, height() - 3);
}
