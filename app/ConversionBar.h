// SPDX-License-Identifier: BSD-3-Clause
// The one-line conversion bar of the main window: bit depth, frame range,
// progress, and the show-first / play / abort buttons (controls 1000..1010).
// It holds no state of its own: the main frame refreshes it in idle time and
// handles its commands.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

class QLineEdit;
class QProgressBar;

// Control ids of the bar, in the order of its layout template.
enum ConversionBarId : int {
    IDC_RANGE_SEL = 1000,
    IDC_ALL_FRAMES = 1001,
    IDC_START_FRAME = 1002,
    IDC_END_FRAME = 1003,
    IDC_PROGRESS = 1004,
    IDC_END_LABEL = 1005,
    IDC_TOP = 1006,
    IDC_PLAY = 1007,
    IDC_ABORT = 1008,
    IDC_8BITS = 1009,
    IDC_16BITS = 1010,
};

inline constexpr int kBarFirstId = IDC_RANGE_SEL;
inline constexpr int kBarLastId = IDC_16BITS;

class ConversionBar : public QWidget {
    Q_OBJECT

public:
    explicit ConversionBar(bool japanese, QWidget* parent = nullptr);

    // The control with id 1000..1010; null for any other id.
    QWidget* Control(int id) const;
    QProgressBar* Progress() const;

    // Text of the edit boxes 1002/1003 (empty for other ids).
    QString ControlText(int id) const;
    void SetControlText(int id, const QString& text);

    // Dialog-unit conversion of the bar's font (base units, see DialogUnits).
    int BaseUnitX() const { return m_baseX; }
    int BaseUnitY() const { return m_baseY; }

    // One row is the template's layout; two rows put the progress bar and
    // the buttons below the range controls, for narrow windows.
    void SetTwoRows(bool twoRows);
    bool TwoRows() const { return m_bTwoRows; }
    int OneRowWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A click on 1000, 1001, 1006, 1007, 1008, 1009 or 1010.
    void Command(int id);

private:
    void CreateControls(bool japanese);
    void FitCaptions();
    QLineEdit* Edit(int id) const;

    std::array<QWidget*, kBarLastId - kBarFirstId + 1> m_controls{};
    QProgressBar* m_pProgress = nullptr;
    int m_baseX = 6;
    int m_baseY = 13;
    QSize m_templateSize;
    QList<QRect> m_oneRow; // geometry of each control in the one-row layout
    bool m_bTwoRows = false;
};
