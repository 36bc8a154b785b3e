// SPDX-License-Identifier: BSD-3-Clause
#include "app/PropertiesDialog.h"

#include "app/RunReport.h"
#include "recording/CVornDoc.h"
#include "recording/TimeBase.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("PropertiesDialog", text);
}

QString CorrectionValue(const VornReader& reader) {
    if (reader.correctionKind == 3)
        return Tr("offset");
    if (reader.correctionKind == 6)
        return Tr("offset and gain");
    const CorrectionNote note = reader.correctionNote;
    if (note == CorrectionNote::UnknownKind ||
        (note == CorrectionNote::None && reader.correctionKind != 0))
        return Tr("none (unknown correction kind %1)").arg(reader.fpnpKind);
    if (note != CorrectionNote::None && note != CorrectionNote::NoChunk)
        return Tr("none (%1)").arg(Tr(CorrectionNoteText(note)));
    return Tr("none");
}

} // namespace

int CompleteFrames(int64_t fileSize, int32_t framPos, int32_t frameBytes, int32_t width,
                   int32_t height, int32_t frameCount) {
    const int64_t packed = int64_t{width} * height * 10 / 8;
    const int64_t room = fileSize - framPos - packed;
    if (room < 0 || frameBytes <= 0 || frameCount <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(frameCount, room / frameBytes + 1));
}

QList<QPair<QString, QString>> RecordingProperties(const CVornDoc& doc) {
    QList<QPair<QString, QString>> lines;
    const VornReader* reader = doc.m_pReader.get();
    if (!reader)
        return lines;
    const QLocale locale;
    const int64_t size = reader->file.Size();
    lines.append(
        {Tr("File:"), QDir::toNativeSeparators(QString::fromLocal8Bit(doc.GetPathName()))});
    lines.append({Tr("Size:"), Tr("%1 bytes").arg(locale.toString(static_cast<qlonglong>(size)))});
    lines.append(
        {Tr("Frame size:"), Tr("%1 \u00d7 %2 pixels").arg(reader->width).arg(reader->height)});
    lines.append({Tr("Bytes per frame:"), locale.toString(reader->frameBytes)});
    lines.append({Tr("Frames:"), locale.toString(reader->frameCount)});
    lines.append(
        {Tr("Frame numbers:"), Tr("%1 to %2").arg(reader->firstFrameNo).arg(reader->lastFrameNo)});
    lines.append({Tr("Complete frames:"), locale.toString(CompleteFrames(
                                              size, reader->framPos, reader->frameBytes,
                                              reader->width, reader->height, reader->frameCount))});
    lines.append({Tr("Pixel layout:"), reader->pixelLayout == 1 ? Tr("quadrants") : Tr("lanes")});
    lines.append(
        {Tr("Byte order:"), reader->littleEndian != 0 ? Tr("little-endian") : Tr("big-endian")});
    lines.append({Tr("Correction:"), CorrectionValue(*reader)});
    lines.append({Tr("Calibration value:"), QString::number(reader->calibValue)});
    return lines;
}

HistogramWidget::HistogramWidget(const SampleHistogram& counts, QWidget* parent)
    : QWidget(parent), m_counts(counts) {
    setObjectName(QStringLiteral("IDC_HISTOGRAM"));
    m_nTallest = *std::max_element(m_counts.begin(), m_counts.end());
    setMinimumSize(260, 100);
}

void HistogramWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
    if (m_nTallest == 0 || area.width() <= 2 || area.height() <= 2)
        return;
    // One column per screen pixel: the tallest count among the samples it
    // covers, so a lone spike never disappears.
    const int columns = area.width() - 2;
    const int height = area.height() - 2;
    painter.setPen(palette().text().color());
    for (int c = 0; c < columns; ++c) {
        const int from = c * kSampleLevels / columns;
        const int to = std::max(from + 1, (c + 1) * kSampleLevels / columns);
        uint32_t tallest = 0;
        for (int v = from; v < to && v < kSampleLevels; ++v)
            tallest = std::max(tallest, m_counts[static_cast<size_t>(v)]);
        if (tallest == 0)
            continue;
        const int bar =
            std::max(1, static_cast<int>(static_cast<double>(tallest) * height / m_nTallest));
        const int x = area.left() + 1 + c;
        painter.drawLine(x, area.bottom() - 1, x, area.bottom() - bar);
    }
}

PropertiesDialog::PropertiesDialog(const CVornDoc& doc, QWidget* parent, int unreadableFrame)
    : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_PROPERTIES"));
    setWindowTitle(Tr("Properties of %1").arg(QString::fromLocal8Bit(doc.GetBaseTitle())));
    auto* layout = m_pLayout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (const auto& [caption, value] : RecordingProperties(doc)) {
        auto* label = new QLabel(value, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    }
    layout->addLayout(form);

    // Samples of a frame that could not be read are not that frame's.
    const int frame = doc.m_pReader ? doc.m_pReader->currentFrame : -2;
    const size_t count = doc.m_pRawPixels && frame >= 0 ? static_cast<size_t>(doc.m_nWidth) *
                                                              static_cast<size_t>(doc.m_nHeight)
                                                        : 0;
    const SampleHistogram counts =
        count ? CountSamples(doc.m_pRawPixels, count) : SampleHistogram{};
    const SampleBounds bounds = count ? SampleMinMax(doc.m_pRawPixels, count) : SampleBounds{};
    auto* caption = new QLabel(
        count ? Tr("Histogram of frame %1 (10-bit samples 0 to 1023; minimum %2, maximum %3):")
                    .arg(frame)
                    .arg(bounds.low)
                    .arg(bounds.high)
              : UnreadableFrameLine(doc, std::max(0, unreadableFrame)),
        this);
    caption->setObjectName(QStringLiteral("IDC_HISTOGRAM_CAPTION"));
    layout->addWidget(caption);
    m_pHistogram = new HistogramWidget(counts, this);
    m_pHistogram->setVisible(count != 0);
    layout->addWidget(m_pHistogram, 1);

    auto* buttons = m_pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void PropertiesDialog::AddRateFields(const QString& rate, const QString& defaultRate) {
    const auto text = [](const char* source) {
        return QCoreApplication::translate("TimeAxis", source);
    };
    auto* form = new QFormLayout;
    m_pRate = new QLineEdit(rate, this);
    m_pRate->setObjectName(QStringLiteral("IDC_RECORDING_RATE"));
    m_pRate->setPlaceholderText(defaultRate.isEmpty() ? text("unknown")
                                                      : text("default: %1").arg(defaultRate));
    m_pRate->setToolTip(text("Frames per second, e.g. 50000, 50k or 1.2M; empty: unknown"));
    m_pDefaultRate = new QLineEdit(defaultRate, this);
    m_pDefaultRate->setObjectName(QStringLiteral("IDC_DEFAULT_RATE"));
    m_pDefaultRate->setPlaceholderText(text("none"));
    m_pDefaultRate->setToolTip(text("The rate of recordings that have none of their own"));
    form->addRow(text("Recording rate (frames/s):"), m_pRate);
    form->addRow(text("Default rate (frames/s):"), m_pDefaultRate);
    m_pLayout->insertLayout(m_pLayout->indexOf(m_pButtons), form);
    m_pButtons->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QLineEdit* field : {m_pRate, m_pDefaultRate})
        connect(field, &QLineEdit::textChanged, this, &PropertiesDialog::MarkRateFields);
}

bool PropertiesDialog::ReadRateField(const QLineEdit& field, std::optional<double>& rate) {
    const std::string text = field.text().trimmed().toStdString();
    rate.reset();
    if (text.empty())
        return true;
    double value = 0;
    std::string error;
    if (!ParseRate(text, value, error))
        return false;
    rate = value;
    return true;
}

void PropertiesDialog::MarkRateFields() {
    bool allGood = true;
    for (QLineEdit* field : {m_pRate, m_pDefaultRate}) {
        std::optional<double> rate;
        const bool good = ReadRateField(*field, rate);
        allGood = allGood && good;
        field->setStyleSheet(good ? QString()
                                  : QStringLiteral("QLineEdit { background: #ffd0d0; color: #a00000; }"));
        field->setProperty("refused", !good);
    }
    if (QPushButton* ok = m_pButtons->button(QDialogButtonBox::Ok))
        ok->setEnabled(allGood);
}
