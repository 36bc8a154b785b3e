// SPDX-License-Identifier: BSD-3-Clause
// "Line Profile": the values along a line of the recording's frame shown,
// one sample per pixel step (bilinear between pixel centres), from the
// document's decoded, corrected samples; it follows every frame shown.
#pragma once

#include "app/PlotWindow.h"
#include "measure/Line.h"

#include <vector>

class QLabel;

class LineProfileWindow final : public PlotWindow {
    Q_OBJECT

public:
    LineProfileWindow(CChildFrame* frame, const Line& line);

    // The profile and the frame it was taken from (-1: none).
    const std::vector<double>& Values() const { return m_values; }
    int ProfileFrame() const { return m_nFrame; }

    Table MakeTable() const override;
    QLabel* InfoLabel() const { return m_pInfo; }

protected:
    void OnFrameShown() override;

private:
    Line m_line;
    double m_length = 0;
    std::vector<double> m_values;
    int m_nFrame = -1;
    int m_series = 0;
    QLabel* m_pInfo = nullptr;
};
