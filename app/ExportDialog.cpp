// SPDX-License-Identifier: BSD-3-Clause
#include "app/ExportDialog.h"

#include "app/Profile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr std::array kFormats = {ExportFormat::Mp4, ExportFormat::Mkv, ExportFormat::Avi,
                                 ExportFormat::Png, ExportFormat::OmeTiff};

const QString kSection = QStringLiteral("Export");

// Overlay choices as stored: one bit each.
constexpr int kOverlayNumber = 1;
constexpr int kOverlayTime = 2;
constexpr int kOverlayScale = 4;

QSettings Store() {
    return QSettings(QString::fromLatin1(kProfileCompany),
                     QString::fromLatin1(kProfileApplication));
}

QString ReadChoice(QSettings& settings, const char* entry) {
    const std::optional<std::string> text =
        GetProfileString(settings, kSection, QString::fromLatin1(entry));
    return text ? QString::fromStdString(*text) : QString();
}

void WriteChoice(QSettings& settings, const char* entry, const QString& value) {
    WriteProfileString(settings, kSection, QString::fromLatin1(entry), value.toStdString());
}

bool IsVideo(ExportFormat format) {
    return format == ExportFormat::Mp4 || format == ExportFormat::Mkv ||
           format == ExportFormat::Avi;
}

QString FileFilter(ExportFormat format) {
    switch (format) {
    case ExportFormat::Mp4:
        return ExportDialog::tr("MP4 Videos (*.mp4)");
    case ExportFormat::Mkv:
        return ExportDialog::tr("Matroska Videos (*.mkv)");
    case ExportFormat::Avi:
        return ExportDialog::tr("AVI Videos (*.avi)");
    case ExportFormat::Png:
        return ExportDialog::tr("PNG Images (*.png)");
    case ExportFormat::OmeTiff:
        break;
    }
    return ExportDialog::tr("OME-TIFF Stacks (*.ome.tif *.ome.tiff)");
}

QString DefaultBrowse(QWidget* parent, const QString& proposed, ExportFormat format) {
    QFileDialog dialog(parent, QString(), QFileInfo(proposed).absolutePath(), FileFilter(format));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(QFileInfo(proposed).fileName());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

// `path` with its export extension replaced by the one of `format`.
QString WithExtension(const QString& path, ExportFormat format) {
    QString stem = path;
    for (const char* known : {".ome.tiff", ".ome.tif", ".mp4", ".mkv", ".avi", ".png"}) {
        if (stem.endsWith(QLatin1String(known), Qt::CaseInsensitive)) {
            stem.chop(static_cast<qsizetype>(qstrlen(known)));
            break;
        }
    }
    return stem + QLatin1Char('.') + ExportExtension(format);
}

} // namespace

QString ExportExtension(ExportFormat format) {
    switch (format) {
    case ExportFormat::Mp4:
        return QStringLiteral("mp4");
    case ExportFormat::Mkv:
        return QStringLiteral("mkv");
    case ExportFormat::Avi:
        return QStringLiteral("avi");
    case ExportFormat::Png:
        return QStringLiteral("png");
    case ExportFormat::OmeTiff:
        break;
    }
    return QStringLiteral("ome.tif");
}

ExportDialog::ExportDialog(const ExportSetup& setup, BrowseDialog browse, QWidget* parent)
    : QDialog(parent), m_setup(setup), m_browse(std::move(browse)) {
    setObjectName(QStringLiteral("IDD_EXPORT"));
    setWindowTitle(tr("Export"));
    CreateControls();
    LoadChoices();
    UpdateControls();
}

void ExportDialog::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pFormat = new QComboBox(this);
    m_pFormat->setObjectName(QStringLiteral("IDC_EXPORT_FORMAT"));
    m_pFormat->addItems({tr("MP4 video (H.264)"), tr("MKV video (FFV1, lossless)"),
                         tr("AVI video (Motion JPEG)"), tr("PNG sequence"),
                         tr("OME-TIFF stack")});
    form->addRow(tr("&Format:"), m_pFormat);
    auto* output = new QHBoxLayout;
    m_pOutput = new QLineEdit(this);
    m_pOutput->setObjectName(QStringLiteral("IDC_EXPORT_OUTPUT"));
    m_pOutput->setMinimumWidth(m_pOutput->fontMetrics().averageCharWidth() * 48);
    auto* browse = new QPushButton(tr("&Browse..."), this);
    browse->setObjectName(QStringLiteral("IDC_EXPORT_BROWSE"));
    output->addWidget(m_pOutput);
    output->addWidget(browse);
    auto* outputLabel = new QLabel(tr("&Output:"), this);
    outputLabel->setBuddy(m_pOutput);
    form->addRow(outputLabel, output);
    layout->addLayout(form);
    layout->addWidget(CreateFramesGroup());
    layout->addWidget(CreateImageGroup());
    layout->addWidget(CreateOverlayGroup());
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("IDC_EXPORT_NOTE"));
    m_pNote->setWordWrap(true);
    m_pNote->setVisible(false);
    layout->addWidget(m_pNote);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("E&xport"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &ExportDialog::OnBrowse);
    connect(m_pFormat, &QComboBox::currentIndexChanged, this, &ExportDialog::OnFormatChanged);
    connect(m_pEightBits, &QCheckBox::toggled, this, &ExportDialog::UpdateControls);
}

QWidget* ExportDialog::CreateFramesGroup() {
    auto* group = new QGroupBox(tr("Frames"), this);
    auto* layout = new QHBoxLayout(group);
    m_pBarRange = new QRadioButton(
        tr("&Range of the bar (%1 to %2)").arg(m_setup.first).arg(m_setup.last), group);
    m_pBarRange->setObjectName(QStringLiteral("IDC_EXPORT_BAR_RANGE"));
    m_pAllFrames = new QRadioButton(tr("&All frames (%1)").arg(m_setup.frames), group);
    m_pAllFrames->setObjectName(QStringLiteral("IDC_EXPORT_ALL"));
    (m_setup.all ? m_pAllFrames : m_pBarRange)->setChecked(true);
    m_pStep = new QSpinBox(group);
    m_pStep->setObjectName(QStringLiteral("IDC_EXPORT_STEP"));
    m_pStep->setRange(1, std::max(1, m_setup.frames));
    m_pStep->setToolTip(tr("Keep every Nth frame of the range"));
    auto* stepLabel = new QLabel(tr("St&ep:"), group);
    stepLabel->setBuddy(m_pStep);
    layout->addWidget(m_pBarRange);
    layout->addWidget(m_pAllFrames);
    layout->addStretch();
    layout->addWidget(stepLabel);
    layout->addWidget(m_pStep);
    return group;
}

QWidget* ExportDialog::CreateImageGroup() {
    auto* group = new QGroupBox(tr("Image"), this);
    auto* form = new QFormLayout(group);
    auto* crop = new QHBoxLayout;
    m_pNoCrop = new QRadioButton(tr("&Whole frame"), group);
    m_pNoCrop->setObjectName(QStringLiteral("IDC_EXPORT_NO_CROP"));
    m_pNoCrop->setChecked(true);
    const std::optional<CropRect>& v = m_setup.visible;
    m_pVisibleCrop = new QRadioButton(
        v ? tr("&Visible area (%1 \u00d7 %2 at %3, %4)")
                .arg(v->width).arg(v->height).arg(v->x).arg(v->y)
          : tr("&Visible area (zoom in first)"),
        group);
    m_pVisibleCrop->setObjectName(QStringLiteral("IDC_EXPORT_VISIBLE"));
    m_pVisibleCrop->setEnabled(v.has_value());
    crop->addWidget(m_pNoCrop);
    crop->addWidget(m_pVisibleCrop);
    crop->addStretch();
    form->addRow(tr("Crop:"), crop);
    m_pRange = new QComboBox(group);
    m_pRange->setObjectName(QStringLiteral("IDC_EXPORT_RANGE"));
    m_pRange->addItems({tr("Standard"), tr("Auto (darkest to brightest of the frames)"),
                        tr("Auto 0.5\u201399.5 % (of the first frame)"),
                        tr("Custom (%1\u2013%2)").arg(m_setup.range.low).arg(m_setup.range.high)});
    m_pRange->setCurrentIndex(static_cast<int>(m_setup.range.mode));
    form->addRow(tr("&Display range:"), m_pRange);
    m_pEightBits = new QCheckBox(tr("&8 bits (PNG)"), group);
    m_pEightBits->setObjectName(QStringLiteral("IDC_EXPORT_8BITS"));
    m_pEightBits->setChecked(m_setup.eightBits);
    form->addRow(QString(), m_pEightBits);
    m_pFps = new QLineEdit(group);
    m_pFps->setObjectName(QStringLiteral("IDC_EXPORT_FPS"));
    m_pFps->setToolTip(tr("Frames per second of the video, or rate/N for slow motion"));
    form->addRow(tr("&Playback rate (fps):"), m_pFps);
    return group;
}

QWidget* ExportDialog::CreateOverlayGroup() {
    auto* group = new QGroupBox(tr("Overlay (8-bit outputs)"), this);
    auto* layout = new QHBoxLayout(group);
    m_pNumber = new QCheckBox(tr("Frame &number"), group);
    m_pNumber->setObjectName(QStringLiteral("IDC_EXPORT_NUMBER"));
    m_pTime = new QCheckBox(tr("&Time from the trigger"), group);
    m_pTime->setObjectName(QStringLiteral("IDC_EXPORT_TIME"));
    m_pScale = new QCheckBox(tr("&Scale bar:"), group);
    m_pScale->setObjectName(QStringLiteral("IDC_EXPORT_SCALE"));
    m_pScaleText = new QLineEdit(group);
    m_pScaleText->setObjectName(QStringLiteral("IDC_EXPORT_SCALE_TEXT"));
    m_pScaleText->setPlaceholderText(QStringLiteral("412=10mm"));
    m_pScaleText->setToolTip(tr("Pixels = length, e.g. 412=10mm"));
    layout->addWidget(m_pNumber);
    layout->addWidget(m_pTime);
    layout->addWidget(m_pScale);
    layout->addWidget(m_pScaleText);
    return group;
}

void ExportDialog::LoadChoices() {
    QSettings settings = Store();
    const int format = LeadingInteger(ReadChoice(settings, "Format").toStdString());
    m_pFormat->setCurrentIndex(std::clamp(format, 0, static_cast<int>(kFormats.size()) - 1));
    m_pStep->setValue(std::max(1, LeadingInteger(ReadChoice(settings, "Step").toStdString())));
    const QString fps = ReadChoice(settings, "Fps");
    m_pFps->setText(fps.isEmpty() ? QStringLiteral("30") : fps);
    const int overlay = LeadingInteger(ReadChoice(settings, "Overlay").toStdString());
    m_pNumber->setChecked((overlay & kOverlayNumber) != 0);
    m_pTime->setChecked((overlay & kOverlayTime) != 0);
    m_pScale->setChecked((overlay & kOverlayScale) != 0);
    m_pScaleText->setText(m_setup.scale ? QString::fromStdString(FormatScale(*m_setup.scale))
                                        : ReadChoice(settings, "Scale"));

    const QString recording = QFile::decodeName(QByteArray::fromStdString(m_setup.recording));
    QString folder = ReadChoice(settings, "Folder");
    if (folder.isEmpty())
        folder = QFileInfo(recording).absolutePath();
    m_pOutput->setText(QDir(folder).filePath(QFileInfo(recording).completeBaseName() +
                                             QLatin1Char('.') + ExportExtension(Format())));
}

void ExportDialog::SaveChoices() const {
    QSettings settings = Store();
    WriteChoice(settings, "Format", QString::number(m_pFormat->currentIndex()));
    WriteChoice(settings, "Step", QString::number(m_pStep->value()));
    WriteChoice(settings, "Fps", m_pFps->text().trimmed());
    const int overlay = (m_pNumber->isChecked() ? kOverlayNumber : 0) |
                        (m_pTime->isChecked() ? kOverlayTime : 0) |
                        (m_pScale->isChecked() ? kOverlayScale : 0);
    WriteChoice(settings, "Overlay", QString::number(overlay));
    WriteChoice(settings, "Scale", m_pScaleText->text().trimmed());
    WriteChoice(settings, "Folder", QFileInfo(m_pOutput->text()).absolutePath());
}

ExportFormat ExportDialog::Format() const {
    return kFormats[static_cast<size_t>(std::max(0, m_pFormat->currentIndex()))];
}

void ExportDialog::OnFormatChanged() {
    if (!m_pOutput->text().isEmpty())
        m_pOutput->setText(WithExtension(m_pOutput->text(), Format()));
    UpdateControls();
}

void ExportDialog::OnBrowse() {
    const QString chosen = m_browse ? m_browse(this, m_pOutput->text(), Format())
                                    : DefaultBrowse(this, m_pOutput->text(), Format());
    if (!chosen.isEmpty())
        m_pOutput->setText(chosen);
}

void ExportDialog::UpdateControls() {
    const ExportFormat format = Format();
    const bool png = format == ExportFormat::Png;
    m_pEightBits->setEnabled(png);
    m_pFps->setEnabled(IsVideo(format));
    m_pRange->setEnabled(format == ExportFormat::Mp4 || format == ExportFormat::Avi ||
                         (png && m_pEightBits->isChecked()));
    const bool overlay = m_pRange->isEnabled();
    m_pNumber->setEnabled(overlay);
    m_pTime->setEnabled(overlay && m_setup.rate.has_value());
    m_pScale->setEnabled(overlay);
    m_pScaleText->setEnabled(overlay);
}

ExportRange ExportDialog::Range() const {
    ExportRange range;
    switch (m_pRange->currentIndex()) {
    case 1:
        range.kind = ExportRange::Kind::Auto;
        break;
    case 2:
        range = {ExportRange::Kind::Percentile, 0.5, 99.5};
        break;
    case 3:
        range = {ExportRange::Kind::Values, static_cast<double>(m_setup.range.low),
                 static_cast<double>(m_setup.range.high)};
        break;
    default:
        break;
    }
    return range;
}

ExportRequest ExportDialog::Request() const {
    ExportRequest request;
    request.recordings = {m_setup.recording};
    request.output = QFile::encodeName(QDir::toNativeSeparators(m_pOutput->text())).toStdString();
    request.format = Format();
    if (m_pBarRange->isChecked()) {
        request.first = m_setup.first;
        request.last = m_setup.last;
    }
    request.step = m_pStep->value();
    if (m_pVisibleCrop->isChecked() && m_setup.visible)
        request.crop = m_setup.visible;
    request.rate = m_setup.rate;
    request.fps = m_pFps->text().trimmed().toStdString();
    request.range = Range();
    request.bits = Format() == ExportFormat::Png && m_pEightBits->isChecked() ? 8 : 16;
    request.overlay.number = m_pNumber->isEnabled() && m_pNumber->isChecked();
    request.overlay.time = m_pTime->isEnabled() && m_pTime->isChecked();
    request.overlay.scale = m_pScale->isEnabled() && m_pScale->isChecked();
    Scale scale;
    std::string error;
    if (ParseScale(m_pScaleText->text().trimmed().toStdString(), scale, error))
        request.scale = scale;
    return request;
}

void ExportDialog::accept() {
    QString problem;
    std::string error;
    Scale scale;
    if (m_pOutput->text().trimmed().isEmpty())
        problem = tr("Choose the output file.");
    else if (m_pScale->isEnabled() && m_pScale->isChecked() &&
             !ParseScale(m_pScaleText->text().trimmed().toStdString(), scale, error))
        problem = tr("Scale bar: %1").arg(QString::fromStdString(error));
    else if (const std::string refused = CheckExport(Request()); !refused.empty())
        problem = QString::fromStdString(refused);
    m_pNote->setText(problem);
    m_pNote->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        QDialog::accept();
}
