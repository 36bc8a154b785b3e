// SPDX-License-Identifier: BSD-3-Clause
#include "app/PlotWidget.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPad = 8;        // around the whole plot
constexpr double kTickLength = 4; // tick marks outside the axes
const QColor kAxisColour(60, 60, 60);
const QColor kGridColour(225, 225, 225);
const QColor kCursorColour(200, 30, 30);

// On screen and in images negative ticks carry the minus sign, as the
// status bar's times do.
QString TickText(double value, int decimals) {
    return QString::fromStdString(FormatTick(value, decimals)).replace(QLatin1Char('-'), QChar(0x2212));
}

double Scale(double value, const AxisTicks& ticks, double from, double to) {
    return from + (value - ticks.low) / (ticks.high - ticks.low) * (to - from);
}

// The span of the finite values of one coordinate over all series; 0..1
// when there are none.
std::pair<double, double> FiniteSpan(const std::vector<PlotSeries>& all,
                                     std::vector<double> PlotSeries::*values) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const PlotSeries& series : all) {
        for (const double value : series.*values) {
            if (std::isfinite(value)) {
                low = std::min(low, value);
                high = std::max(high, value);
            }
        }
    }
    return low <= high ? std::pair{low, high} : std::pair{0.0, 1.0};
}

} // namespace

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int PlotWidget::AddSeries(const QString& name, const QColor& color) {
    m_series.push_back(PlotSeries{name, color, {}, {}});
    update();
    return SeriesCount() - 1;
}

void PlotWidget::SetData(int series, std::vector<double> x, std::vector<double> y) {
    PlotSeries& target = m_series.at(static_cast<std::size_t>(series));
    target.x = std::move(x);
    target.y = std::move(y);
    target.y.resize(target.x.size(), std::numeric_limits<double>::quiet_NaN());
    update();
}

void PlotWidget::Append(int series, double x, double y) {
    PlotSeries& target = m_series.at(static_cast<std::size_t>(series));
    target.x.push_back(x);
    target.y.push_back(y);
    update();
}

void PlotWidget::ClearData() {
    for (PlotSeries& series : m_series) {
        series.x.clear();
        series.y.clear();
    }
    update();
}

void PlotWidget::SetAxisLabels(const QString& xLabel, const QString& yLabel) {
    m_xLabel = xLabel;
    m_yLabel = yLabel;
    update();
}

void PlotWidget::SetIntegerX(bool integers) {
    m_integerX = integers;
    update();
}

void PlotWidget::SetXSpan(std::optional<std::pair<double, double>> span) {
    m_xSpan = span;
    update();
}

void PlotWidget::SetCursor(std::optional<double> x) {
    if (x == m_cursor)
        return;
    m_cursor = x;
    update();
}

std::pair<double, double> PlotWidget::XDataSpan() const {
    return m_xSpan ? *m_xSpan : FiniteSpan(m_series, &PlotSeries::x);
}

std::pair<double, double> PlotWidget::YDataSpan() const {
    return FiniteSpan(m_series, &PlotSeries::y);
}

PlotWidget::Layout PlotWidget::ComputeLayout(const QRectF& area,
                                             const QFontMetricsF& metrics) const {
    Layout layout;
    const double line = metrics.height();
    const double top = area.top() + kPad + (m_series.empty() ? 0 : line + kPad / 2);
    const double bottom =
        area.bottom() - kPad - line - kTickLength - (m_xLabel.isEmpty() ? 0 : line + 2);
    const double height = std::max(bottom - top, 10.0);
    const auto [yLow, yHigh] = YDataSpan();
    layout.yTicks = ComputeTicks(yLow, yHigh, std::clamp(static_cast<int>(height / 36), 2, 11));

    double labelWidth = 0;
    for (const double value : layout.yTicks.values)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(
                                              TickText(value, layout.yTicks.decimals)));
    const double left =
        area.left() + kPad + (m_yLabel.isEmpty() ? 0 : line + 4) + labelWidth + kTickLength + 2;
    const double right = area.right() - kPad - metrics.horizontalAdvance(QStringLiteral("00000")) / 2;
    const double width = std::max(right - left, 10.0);
    const auto [xLow, xHigh] = XDataSpan();
    const double sample =
        std::max(metrics.horizontalAdvance(TickText(xHigh, 2)),
                 metrics.horizontalAdvance(TickText(xLow, 2))) + 24;
    layout.xTicks = ComputeTicks(xLow, xHigh, std::clamp(static_cast<int>(width / sample), 2, 11),
                                 m_integerX);
    layout.plot = QRectF(left, top, width, height);
    return layout;
}

void PlotWidget::Render(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.setFont(font());
    painter.fillRect(area, Qt::white);
    const Layout layout = ComputeLayout(area, QFontMetricsF(font(), painter.device()));
    DrawAxes(painter, layout, area);
    DrawSeries(painter, layout);
    if (m_cursor && *m_cursor >= layout.xTicks.low && *m_cursor <= layout.xTicks.high) {
        const double x = Scale(*m_cursor, layout.xTicks, layout.plot.left(), layout.plot.right());
        painter.setPen(QPen(kCursorColour, 1.5, Qt::DashLine));
        painter.drawLine(QPointF(x, layout.plot.top()), QPointF(x, layout.plot.bottom()));
    }
    DrawLegend(painter, layout);
    painter.restore();
}

void PlotWidget::DrawAxes(QPainter& painter, const Layout& layout, const QRectF& area) const {
    const QRectF& plot = layout.plot;
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    for (const double value : layout.xTicks.values) {
        const double x = Scale(value, layout.xTicks, plot.left(), plot.right());
        painter.setPen(kGridColour);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(kAxisColour);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTickLength));
        const QString text = TickText(value, layout.xTicks.decimals);
        const double width = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x - width / 2 - 2, plot.bottom() + kTickLength, width + 4, line),
                         Qt::AlignCenter, text);
    }
    for (const double value : layout.yTicks.values) {
        const double y = Scale(value, layout.yTicks, plot.bottom(), plot.top());
        painter.setPen(kGridColour);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(kAxisColour);
        painter.drawLine(QPointF(plot.left() - kTickLength, y), QPointF(plot.left(), y));
        const QString text = TickText(value, layout.yTicks.decimals);
        painter.drawText(QRectF(area.left(), y - line / 2, plot.left() - kTickLength - 2 - area.left(),
                                line),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    }
    painter.setPen(kAxisColour);
    painter.drawRect(plot);
    if (!m_xLabel.isEmpty()) {
        painter.drawText(QRectF(plot.left(), plot.bottom() + kTickLength + line + 2, plot.width(),
                                line),
                         Qt::AlignCenter, m_xLabel);
    }
    if (!m_yLabel.isEmpty()) {
        painter.save();
        painter.translate(area.left() + kPad, plot.center().y());
        painter.rotate(-90);
        painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter,
                         m_yLabel);
        painter.restore();
    }
}

void PlotWidget::DrawSeries(QPainter& painter, const Layout& layout) const {
    const QRectF& plot = layout.plot;
    painter.save();
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
    painter.setRenderHint(QPainter::Antialiasing);
    for (const PlotSeries& series : m_series) {
        painter.setPen(QPen(series.color, 1.5));
        QPainterPath path;
        bool drawing = false;
        for (std::size_t i = 0; i < series.x.size(); ++i) {
            if (!std::isfinite(series.x[i]) || !std::isfinite(series.y[i])) {
                drawing = false; // a gap in the line
                continue;
            }
            const QPointF point(Scale(series.x[i], layout.xTicks, plot.left(), plot.right()),
                                Scale(series.y[i], layout.yTicks, plot.bottom(), plot.top()));
            if (drawing)
                path.lineTo(point);
            else
                path.moveTo(point);
            drawing = true;
        }
        painter.drawPath(path);
        if (series.x.size() == 1 && path.elementCount() == 1) {
            painter.setBrush(series.color);
            painter.drawEllipse(path.currentPosition(), 2.5, 2.5);
            painter.setBrush(Qt::NoBrush);
        }
    }
    painter.restore();
}

void PlotWidget::DrawLegend(QPainter& painter, const Layout& layout) const {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double line = metrics.height();
    double x = layout.plot.left();
    const double y = layout.plot.top() - kPad / 2 - line;
    for (const PlotSeries& series : m_series) {
        painter.fillRect(QRectF(x, y + line / 2 - 1.5, 16, 3), series.color);
        x += 20;
        painter.setPen(kAxisColour);
        const double width = metrics.horizontalAdvance(series.name);
        painter.drawText(QRectF(x, y, width + 2, line), Qt::AlignLeft | Qt::AlignVCenter,
                         series.name);
        x += width + 16;
    }
}

QImage PlotWidget::ToImage(const QSize& size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Render(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool PlotWidget::SavePng(const QString& path, const QSize& size) const {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && ToImage(size).save(&file, "PNG") && file.commit();
}

bool PlotWidget::SaveSvg(const QString& path, const QSize& size, const QString& title) const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(title);
        QPainter painter(&generator);
        Render(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(buffer.data()) == buffer.size() &&
           file.commit();
}

std::optional<double> PlotWidget::XAt(const QPointF& pos) const {
    const Layout layout = ComputeLayout(QRectF(rect()), QFontMetricsF(font(), this));
    if (!layout.plot.adjusted(-2, -2, 2, 2).contains(pos))
        return std::nullopt;
    const double fraction = std::clamp((pos.x() - layout.plot.left()) / layout.plot.width(), 0.0, 1.0);
    return layout.xTicks.low + fraction * (layout.xTicks.high - layout.xTicks.low);
}

double PlotWidget::PositionOfX(double x) const {
    const Layout layout = ComputeLayout(QRectF(rect()), QFontMetricsF(font(), this));
    return Scale(x, layout.xTicks, layout.plot.left(), layout.plot.right());
}

void PlotWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Render(painter, QRectF(rect()));
}

void PlotWidget::ReportClick(const QPointF& pos) {
    if (const std::optional<double> x = XAt(pos))
        emit clicked(*x);
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ReportClick(event->position());
    else
        QWidget::mousePressEvent(event);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the button held scrubs through the frames.
    if (event->buttons() & Qt::LeftButton)
        ReportClick(event->position());
    else
        QWidget::mouseMoveEvent(event);
}
