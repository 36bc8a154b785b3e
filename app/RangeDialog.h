// SPDX-License-Identifier: BSD-3-Clause
// View > Display Range > Custom...: the 10-bit samples shown black and white.
#pragma once

#include "image/DisplayLut.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QSpinBox;

class RangeDialog : public QDialog {
    Q_OBJECT

public:
    explicit RangeDialog(const DisplayRange& initial, QWidget* parent = nullptr);

    // The chosen window (mode Custom).
    DisplayRange Range() const;
    QSpinBox* LowBox() const { return m_pLow; }
    QSpinBox* HighBox() const { return m_pHigh; }

private:
    void Validate();

    QSpinBox* m_pLow = nullptr;
    QSpinBox* m_pHigh = nullptr;
    QLabel* m_pNote = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
};
