// SPDX-License-Identifier: BSD-3-Clause
// The frame bar, a band of the main window's top area: step back, a slider
// over the frames, step forward, the frame number (editable) and "/ N", the
// playback speed and the loop toggle. Like the conversion bar it holds no
// document state: the navigator fills it from the active recording.
#pragma once

#include "recording/TimeBase.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

class FrameBar : public QWidget {
    Q_OBJECT

public:
    explicit FrameBar(QWidget* parent = nullptr);

    // Frames 0..count-1 (count 0: nothing to show) and the frame shown, or
    // asked for and `unreadable`; no signals are sent.
    void SetFrames(int count, int current, bool unreadable = false);
    int FrameCount() const { return m_nCount; }

    // The playback speed: 0 = "Max", else frames per second.
    void SetRate(int framesPerSecond);
    int Rate() const { return m_nRate; }
    void SetLoop(bool loop);
    bool Loop() const;

    // The recording's numbers and rate: the frame field also takes a
    // recorded number ("#-476") or, with a rate, a time ("-240us").
    void SetTimeBase(const TimeBase& time) { m_time = time; }

    // Puts the cursor into the frame number, its text selected.
    void FocusFrameNumber();
    // The frame number field is marked while it holds refused text.
    bool FrameNumberMarked() const { return m_bMarked; }
    // The frame number names a frame that could not be read.
    bool FrameNumberUnreadable() const { return m_bUnreadable; }

    QSlider* Slider() const { return m_pSlider; }
    QLineEdit* FrameNumber() const { return m_pNumber; }
    QComboBox* Speed() const { return m_pSpeed; }
    QCheckBox* LoopBox() const { return m_pLoop; }
    QToolButton* BackButton() const { return m_pBack; }
    QToolButton* ForwardButton() const { return m_pForward; }

    // Frame rates offered besides "Max"; any other 1..kMaxRate can be typed.
    static constexpr int kRates[] = {1, 5, 10, 25, 30, 50, 60, 100, 250};
    static constexpr int kMaxRate = 1000;

    // "Max" gives 0, "37" or "37 fps" gives 37; -1 for anything else.
    static int ParseRate(const QString& text);

signals:
    void stepRequested(int delta); // back (-1) or forward (+1)
    void sliderMoved(int frame);   // the user dragged or clicked the slider
    void frameEntered(int frame);  // Enter on a number inside 0..count-1
    void rateChanged(int framesPerSecond);
    void loopChanged(bool loop);

private:
    void OnNumberEntered();
    void OnSpeedEntered();
    void SetMarked(bool marked);
    void UpdateNumberLook();
    QString RateText(int framesPerSecond) const;

    QToolButton* m_pBack = nullptr;
    QSlider* m_pSlider = nullptr;
    QToolButton* m_pForward = nullptr;
    QLineEdit* m_pNumber = nullptr;
    QLabel* m_pCount = nullptr;
    QComboBox* m_pSpeed = nullptr;
    QCheckBox* m_pLoop = nullptr;
    int m_nCount = 0;
    int m_nRate = 0;
    bool m_bMarked = false;
    TimeBase m_time;
    bool m_bUnreadable = false;
};
