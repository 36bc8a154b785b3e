// SPDX-License-Identifier: BSD-3-Clause
// File > Properties...: what the recording holds (as `quorvane-cli info`
// tells it) and the histogram of the current frame's 10-bit samples.
#pragma once

#include "image/DisplayLut.h"

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

#include <optional>

class CVornDoc;
class QDialogButtonBox;
class QLineEdit;
class QVBoxLayout;

// The property lines of a recording: caption, value.
QList<QPair<QString, QString>> RecordingProperties(const CVornDoc& doc);

// Frames stored whole in a file of `fileSize` bytes.
int CompleteFrames(int64_t fileSize, int32_t framPos, int32_t frameBytes, int32_t width,
                   int32_t height, int32_t frameCount);

// Bars of the 1024 sample counts, scaled to the tallest.
class HistogramWidget : public QWidget {
    Q_OBJECT

public:
    explicit HistogramWidget(const SampleHistogram& counts, QWidget* parent = nullptr);
    const SampleHistogram& Counts() const { return m_counts; }
    QSize sizeHint() const override { return {520, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SampleHistogram m_counts;
    uint32_t m_nTallest = 0;
};

class PropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // `unreadableFrame`: the frame named when the document holds none that
    // could be read (the one the user asked for).
    PropertiesDialog(const CVornDoc& doc, QWidget* parent = nullptr, int unreadableFrame = 0);
    HistogramWidget* Histogram() const { return m_pHistogram; }

    // Editable "Recording rate (frames/s)" and default rate fields, with OK
    // and Cancel in place of Close. Text that is not a rate is marked and
    // OK waits until it is mended or cleared.
    void AddRateFields(const QString& rate, const QString& defaultRate);
    QLineEdit* RateField() const { return m_pRate; }
    QLineEdit* DefaultRateField() const { return m_pDefaultRate; }
    // The rate in `field` (none when empty); false when the text is no rate.
    static bool ReadRateField(const QLineEdit& field, std::optional<double>& rate);

private:
    void MarkRateFields();

    HistogramWidget* m_pHistogram = nullptr;
    QVBoxLayout* m_pLayout = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
    QLineEdit* m_pRate = nullptr;
    QLineEdit* m_pDefaultRate = nullptr;
};
