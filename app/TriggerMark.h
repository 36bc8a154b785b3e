// SPDX-License-Identifier: BSD-3-Clause
// A thin line across the frame bar's slider at the trigger frame, and the
// slider's tooltip: the index, recorded number and time under the cursor.
// The line is a transparent child laid over the slider, so the slider keeps
// its own painting and input.
#pragma once

#include "recording/TimeBase.h"

#include <QWidget>

#include <optional>

class QSlider;

class TriggerMark : public QWidget {
    Q_OBJECT

public:
    explicit TriggerMark(QSlider* slider);

    // The axis the slider's positions stand for; the line shows while it has
    // a trigger frame.
    void SetTimeBase(const TimeBase& time);
    const TimeBase& Time() const { return m_time; }

    // Slider value under x (widget coordinates), and the x of a value.
    int ValueAt(int x) const;
    int PositionOf(int value) const;

    // "Frame 476: #−12  −240.0 µs".
    QString ToolTipAt(int x) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QSlider* m_pSlider;
    TimeBase m_time;
};
