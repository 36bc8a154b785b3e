// SPDX-License-Identifier: BSD-3-Clause
// A small line plot drawn with QPainter: several series of (x, y), axes with
// round ticks and labels, a legend and a vertical cursor line. The same paint
// code draws the screen, PNG images and SVG files. A click (or drag) in the
// plot area reports the x value under the mouse.
#pragma once

#include "app/PlotTicks.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QPainter;

struct PlotSeries {
    QString name;
    QColor color;
    std::vector<double> x;
    std::vector<double> y;
};

class PlotWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlotWidget(QWidget* parent = nullptr);

    // Adds an empty series; returns its number.
    int AddSeries(const QString& name, const QColor& color);
    int SeriesCount() const { return static_cast<int>(m_series.size()); }
    const PlotSeries& Series(int series) const { return m_series.at(static_cast<std::size_t>(series)); }
    void SetData(int series, std::vector<double> x, std::vector<double> y);
    // Appends points; repaints later, so batches cost one paint.
    void Append(int series, double x, double y);
    void ClearData();

    void SetAxisLabels(const QString& xLabel, const QString& yLabel);
    // Ticks of the x axis at whole numbers only.
    void SetIntegerX(bool integers);
    // A fixed x span (e.g. the frames to come), else the data's.
    void SetXSpan(std::optional<std::pair<double, double>> span);
    // The vertical cursor line at x; none hides it.
    void SetCursor(std::optional<double> x);
    std::optional<double> Cursor() const { return m_cursor; }

    // Draws the plot into `area` of any paint device.
    void Render(QPainter& painter, const QRectF& area) const;
    QImage ToImage(const QSize& size) const;
    bool SavePng(const QString& path, const QSize& size) const;
    bool SaveSvg(const QString& path, const QSize& size, const QString& title) const;

    // The x value under widget position `pos`, or none outside the plot area.
    std::optional<double> XAt(const QPointF& pos) const;
    // The widget position of x value `x` on the current axes.
    double PositionOfX(double x) const;

    QSize sizeHint() const override { return {640, 360}; }
    QSize minimumSizeHint() const override { return {240, 160}; }

signals:
    void clicked(double x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Layout {
        QRectF plot; // the area inside the axes
        AxisTicks xTicks;
        AxisTicks yTicks;
    };
    Layout ComputeLayout(const QRectF& area, const QFontMetricsF& metrics) const;
    std::pair<double, double> XDataSpan() const;
    std::pair<double, double> YDataSpan() const;
    void DrawAxes(QPainter& painter, const Layout& layout, const QRectF& area) const;
    void DrawSeries(QPainter& painter, const Layout& layout) const;
    void DrawLegend(QPainter& painter, const Layout& layout) const;
    void ReportClick(const QPointF& pos);

    std::vector<PlotSeries> m_series;
    QString m_xLabel;
    QString m_yLabel;
    bool m_integerX = false;
    std::optional<std::pair<double, double>> m_xSpan;
    std::optional<double> m_cursor;
};
