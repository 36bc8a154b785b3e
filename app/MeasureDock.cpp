// SPDX-License-Identifier: BSD-3-Clause
#include "app/MeasureDock.h"

#include "app/FrameWatcher.h"
#include "display/CVornView.h"
#include "measure/Track.h"
#include "recording/CVornDoc.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("MeasureDock", text);
}

const char* const kShapeColumns[] = {
    QT_TRANSLATE_NOOP("MeasureDock", "#"),           QT_TRANSLATE_NOOP("MeasureDock", "Shape"),
    QT_TRANSLATE_NOOP("MeasureDock", "x"),           QT_TRANSLATE_NOOP("MeasureDock", "y"),
    QT_TRANSLATE_NOOP("MeasureDock", "w"),           QT_TRANSLATE_NOOP("MeasureDock", "h"),
    QT_TRANSLATE_NOOP("MeasureDock", "Pixels"),      QT_TRANSLATE_NOOP("MeasureDock", "Mean"),
    QT_TRANSLATE_NOOP("MeasureDock", "Std dev"),     QT_TRANSLATE_NOOP("MeasureDock", "Min"),
    QT_TRANSLATE_NOOP("MeasureDock", "Max"),         QT_TRANSLATE_NOOP("MeasureDock", "Length (px)"),
    QT_TRANSLATE_NOOP("MeasureDock", "Length"),      QT_TRANSLATE_NOOP("MeasureDock", "Angle (°)"),
    QT_TRANSLATE_NOOP("MeasureDock", "Value"),
};
const char* const kTrackColumns[] = {
    QT_TRANSLATE_NOOP("MeasureDock", "Frame"),
    QT_TRANSLATE_NOOP("MeasureDock", "x"),
    QT_TRANSLATE_NOOP("MeasureDock", "y"),
    QT_TRANSLATE_NOOP("MeasureDock", "Displacement (px)"),
    QT_TRANSLATE_NOOP("MeasureDock", "Displacement"),
    QT_TRANSLATE_NOOP("MeasureDock", "Speed"),
};

QString KindName(ShapeKind kind) {
    switch (kind) {
    case ShapeKind::Rectangle:
        return Tr(QT_TRANSLATE_NOOP("MeasureDock", "Rectangle"));
    case ShapeKind::Ellipse:
        return Tr(QT_TRANSLATE_NOOP("MeasureDock", "Ellipse"));
    case ShapeKind::Line:
        return Tr(QT_TRANSLATE_NOOP("MeasureDock", "Line"));
    case ShapeKind::Point:
        return Tr(QT_TRANSLATE_NOOP("MeasureDock", "Point"));
    }
    return {};
}

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString Length(double pixels, const std::optional<Scale>& scale) {
    return scale ? QString::fromStdString(FormatLength(pixels, *scale)) : QString();
}

// One row of the shape table for `shape` on frame `samples`.
QStringList ShapeRow(int number, const Shape& shape, const CVornDoc& doc,
                     const std::optional<Scale>& scale) {
    QStringList row(static_cast<qsizetype>(std::size(kShapeColumns)));
    row[0] = QString::number(number);
    row[1] = KindName(shape.kind);
    const uint16_t* samples = doc.m_pRawPixels;
    if (shape.IsRegion()) {
        const Region region = ShapeRegion(shape);
        row[2] = QString::number(region.x);
        row[3] = QString::number(region.y);
        row[4] = QString::number(region.width);
        row[5] = QString::number(region.height);
        if (samples && CheckRegion(region, doc.m_nWidth, doc.m_nHeight).empty()) {
            const RegionStats stats = ComputeRegionStats(samples, doc.m_nWidth, region);
            row[6] = QString::number(stats.pixels);
            row[7] = Fixed(stats.mean, 3);
            row[8] = Fixed(stats.stddev, 3);
            row[9] = QString::number(stats.min);
            row[10] = QString::number(stats.max);
        }
    } else if (shape.kind == ShapeKind::Line) {
        const Line line = ShapeLine(shape);
        row[2] = QString::number(shape.x0);
        row[3] = QString::number(shape.y0);
        row[11] = Fixed(LineLength(line), 2);
        row[12] = Length(LineLength(line), scale);
        row[13] = Fixed(LineAngle(line), 2);
    } else {
        row[2] = QString::number(shape.x0);
        row[3] = QString::number(shape.y0);
        if (samples && shape.x0 < doc.m_nWidth && shape.y0 < doc.m_nHeight)
            row[14] = QString::number(
                samples[static_cast<size_t>(shape.y0) * static_cast<size_t>(doc.m_nWidth) +
                        static_cast<size_t>(shape.x0)]);
    }
    return row;
}

std::vector<QStringList> TrackRows(const std::vector<TrackPoint>& track,
                                   const std::optional<Scale>& scale,
                                   const std::optional<double>& rate) {
    std::vector<TrackSample> samples;
    samples.reserve(track.size());
    for (const TrackPoint& point : track)
        samples.push_back({point.frame, static_cast<double>(point.x), static_cast<double>(point.y)});
    const std::vector<TrackStep> steps = TrackSteps(samples, scale, rate);
    std::vector<QStringList> rows;
    for (size_t i = 0; i < track.size(); ++i) {
        const TrackStep& step = steps[i];
        QStringList row{QString::number(track[i].frame), QString::number(track[i].x),
                        QString::number(track[i].y), Fixed(step.pixels, 2), QString(), QString()};
        if (step.length)
            row[4] = QStringLiteral("%1 %2").arg(*step.length, 0, 'g', 4).arg(
                QString::fromStdString(scale->unit));
        if (step.unitsPerSecond)
            row[5] = QStringLiteral("%1 %2/s").arg(*step.unitsPerSecond, 0, 'g', 4).arg(
                QString::fromStdString(scale->unit));
        rows.push_back(row);
    }
    return rows;
}

QString CsvField(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString TableText(const QTableWidget* table, QChar separator) {
    QString text;
    auto line = [&](const QStringList& fields) {
        QStringList out;
        for (const QString& field : fields)
            out << (separator == QLatin1Char(',') ? CsvField(field) : field);
        text += out.join(separator) + QLatin1Char('\n');
    };
    QStringList header;
    for (int c = 0; c < table->columnCount(); ++c)
        header << table->horizontalHeaderItem(c)->text();
    line(header);
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table->columnCount(); ++c)
            row << (table->item(r, c) ? table->item(r, c)->text() : QString());
        line(row);
    }
    return text;
}

QTableWidget* NewTable(QWidget* parent, const char* const* columns, int count) {
    auto* table = new QTableWidget(0, count, parent);
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << Tr(columns[i]);
    table->setHorizontalHeaderLabels(labels);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // Sized to the contents when rows come or go, not on every new value:
    // measuring a header's contents on each frame would cost playback time.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->resizeColumnsToContents();
    table->setMinimumHeight(table->verticalHeader()->defaultSectionSize() * 3);
    return table;
}

QHBoxLayout* Buttons(QWidget* parent, QLabel* title, const std::function<void()>& copy,
                     const std::function<void()>& save) {
    auto* row = new QHBoxLayout;
    row->addWidget(title, 1);
    auto* copyButton = new QPushButton(Tr(QT_TRANSLATE_NOOP("MeasureDock", "Copy")), parent);
    auto* saveButton =
        new QPushButton(Tr(QT_TRANSLATE_NOOP("MeasureDock", "Save as CSV\u2026")), parent);
    QObject::connect(copyButton, &QPushButton::clicked, parent, copy);
    QObject::connect(saveButton, &QPushButton::clicked, parent, save);
    row->addWidget(copyButton);
    row->addWidget(saveButton);
    return row;
}

} // namespace

MeasureDock::MeasureDock(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MeasureDock"));
    m_pShapes = NewTable(this, kShapeColumns, static_cast<int>(std::size(kShapeColumns)));
    m_pShapes->setObjectName(QStringLiteral("MeasureShapesTable"));
    m_pTrack = NewTable(this, kTrackColumns, static_cast<int>(std::size(kTrackColumns)));
    m_pTrack->setObjectName(QStringLiteral("MeasureTrackTable"));
    m_pFrameLabel = new QLabel(this);
    // A fixed width: a new number never lays the dock out again.
    m_pFrameLabel->setMinimumWidth(m_pFrameLabel->fontMetrics().horizontalAdvance(
        Tr(QT_TRANSLATE_NOOP("MeasureDock", "Frame %1")).arg(9999999)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(Buttons(this, m_pFrameLabel, [this] { CopyShapes(); }, [this] { SaveShapes(); }));
    layout->addWidget(m_pShapes, 1);
    layout->addLayout(Buttons(this, new QLabel(Tr(QT_TRANSLATE_NOOP("MeasureDock", "Track")), this),
                              [this] { CopyTrack(); }, [this] { SaveTrack(); }));
    layout->addWidget(m_pTrack, 1);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &MeasureDock::Refresh);
}

MeasureDock::~MeasureDock() = default;

void MeasureDock::SetView(CVornView* view) {
    if (m_pView == view && (view == nullptr || m_pWatcher))
        return;
    if (m_pView)
        disconnect(m_pView, nullptr, this, nullptr);
    m_pWatcher.reset();
    m_pView = view;
    if (view) {
        connect(view, &CVornView::shapesChanged, this, &MeasureDock::Refresh);
        connect(view, &QObject::destroyed, this, [this] { SetView(nullptr); });
        if (CVornDoc* doc = view->GetDocument())
            m_pWatcher = std::make_unique<FrameWatcher>(doc, [this] { OnFrameShown(); });
    }
    Refresh();
}

void MeasureDock::SetSources(ScaleSource scale, RateSource rate) {
    m_scaleSource = std::move(scale);
    m_rateSource = std::move(rate);
}

void MeasureDock::OnFrameShown() {
    // A hidden dock catches up when it is shown.
    if (isVisible())
        ScheduleRefresh();
}

void MeasureDock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ScheduleRefresh();
}

void MeasureDock::ScheduleRefresh() {
    if (m_timer.isActive())
        return;
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - m_nLastRefresh;
    m_timer.start(static_cast<int>(std::clamp<qint64>(kRefreshSpacingMs - since, 0,
                                                      kRefreshSpacingMs)));
}

void MeasureDock::FillTable(QTableWidget* table, const std::vector<QStringList>& rows) {
    const bool resized = table->rowCount() != static_cast<int>(rows.size());
    if (resized)
        table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList& row = rows[static_cast<size_t>(r)];
        for (int c = 0; c < table->columnCount() && c < row.size(); ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(c == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                              : Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(r, c, item);
            }
            if (item->text() != row[c])
                item->setText(row[c]);
        }
    }
    if (resized)
        table->resizeColumnsToContents();
}

void MeasureDock::Refresh() {
    m_timer.stop();
    m_nLastRefresh = QDateTime::currentMSecsSinceEpoch();
    std::vector<QStringList> shapeRows;
    std::vector<QStringList> trackRows;
    const CVornView* view = m_pView.data();
    const CVornDoc* doc = view ? view->GetDocument() : nullptr;
    if (view && doc) {
        const std::optional<Scale> scale = m_scaleSource ? m_scaleSource(*doc) : std::nullopt;
        const std::optional<double> rate = m_rateSource ? m_rateSource(*doc) : std::nullopt;
        const MeasureShapes& shapes = view->Shapes();
        for (size_t i = 0; i < shapes.Shapes().size(); ++i)
            shapeRows.push_back(ShapeRow(static_cast<int>(i) + 1, shapes.Shapes()[i], *doc, scale));
        trackRows = TrackRows(shapes.CurrentTrack(), scale, rate);
        const int frame = doc->m_pReader ? doc->m_pReader->currentFrame : -1;
        m_pFrameLabel->setText(
            Tr(QT_TRANSLATE_NOOP("MeasureDock", "Frame %1")).arg(frame));
        if (shapes.Selected() >= 0 && m_pShapes->currentRow() != shapes.Selected())
            m_pShapes->selectRow(shapes.Selected());
    } else {
        m_pFrameLabel->clear();
    }
    FillTable(m_pShapes, shapeRows);
    FillTable(m_pTrack, trackRows);
}

QString MeasureDock::ShapesText(QChar separator) const {
    return TableText(m_pShapes, separator);
}

QString MeasureDock::TrackText(QChar separator) const {
    return TableText(m_pTrack, separator);
}

void MeasureDock::CopyShapes() const {
    QApplication::clipboard()->setText(ShapesText(QLatin1Char('\t')));
}

void MeasureDock::CopyTrack() const {
    QApplication::clipboard()->setText(TrackText(QLatin1Char('\t')));
}

bool MeasureDock::SaveShapes() {
    return SaveCsv(ShapesText(QLatin1Char(',')), "_measurements.csv");
}

bool MeasureDock::SaveTrack() {
    return SaveCsv(TrackText(QLatin1Char(',')), "_track.csv");
}

bool MeasureDock::SaveCsv(const QString& text, const char* suffix) {
    QString proposed = QString::fromLatin1(suffix).mid(1);
    if (const CVornDoc* doc = m_pView ? m_pView->GetDocument() : nullptr) {
        const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(doc->GetPathName())));
        proposed = file.dir().filePath(file.completeBaseName() + QString::fromLatin1(suffix));
    }
    const QString path =
        m_saveDialog ? m_saveDialog(this, proposed)
                     : QFileDialog::getSaveFileName(
                           this, Tr(QT_TRANSLATE_NOOP("MeasureDock", "Save as CSV")), proposed,
                           Tr(QT_TRANSLATE_NOOP("MeasureDock", "CSV files (*.csv)")));
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}
