// SPDX-License-Identifier: BSD-3-Clause
#include "app/LineProfileWindow.h"

#include "app/CMainFrame.h"
#include "app/PlotWidget.h"
#include "app/TimeAxis.h"
#include "recording/CVornDoc.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("LineProfileWindow", text);
}

QString Coordinate(double value) {
    return QString::number(value, 'f', 1);
}

// The position of sample `i` of `count` along a line `length` long.
double Position(std::size_t i, std::size_t count, double length) {
    return count > 1 ? length * static_cast<double>(i) / static_cast<double>(count - 1) : 0.0;
}

} // namespace

LineProfileWindow::LineProfileWindow(CChildFrame* frame, const Line& line)
    : PlotWindow(frame, Tr("Line Profile")), m_line(line), m_length(LineLength(line)) {
    setObjectName(QStringLiteral("line-profile"));
    m_pInfo = new QLabel(this);
    TopRow()->addWidget(m_pInfo, 1);
    m_series = Plot()->AddSeries(Tr("Value"), QColor(31, 119, 180));
    Plot()->SetAxisLabels(Tr("Position along the line (px)"), Tr("Value"));
    Plot()->SetXSpan(std::pair{0.0, m_length});
    FollowFrames();
}

void LineProfileWindow::OnFrameShown() {
    const CVornDoc* doc = Document();
    const QString shape = Tr("Line from %1, %2 to %3, %4 (%5 px)")
                              .arg(Coordinate(m_line.x0), Coordinate(m_line.y0),
                                   Coordinate(m_line.x1), Coordinate(m_line.y1),
                                   Coordinate(m_length));
    const std::string refused =
        doc ? CheckLine(m_line, doc->m_nWidth, doc->m_nHeight) : std::string("no recording");
    if (!doc || !doc->m_pRawPixels || !refused.empty()) {
        m_values.clear();
        m_nFrame = -1;
        Plot()->SetData(m_series, {}, {});
        m_pInfo->setText(shape + QStringLiteral(": ") + QString::fromStdString(refused));
        return;
    }
    m_values = LineProfile(doc->m_pRawPixels, doc->m_nWidth, doc->m_nHeight, m_line);
    m_nFrame = ShownFrame();
    std::vector<double> x(m_values.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = Position(i, x.size(), m_length);
    Plot()->SetData(m_series, std::move(x), m_values);
    QString where = Tr("frame %1").arg(m_nFrame);
    if (const CMainFrame* main = MainFrame(); main && main->Time() && m_nFrame >= 0) {
        where += QStringLiteral("  ") +
                 QString::fromStdString(
                     main->Time()->TimeOf(*doc).FrameLabel(m_nFrame, TimeStyle::Screen));
    }
    m_pInfo->setText(shape + QStringLiteral(", ") + where);
}

PlotWindow::Table LineProfileWindow::MakeTable() const {
    Table table;
    table.header = {QStringLiteral("position_px"), QStringLiteral("x"), QStringLiteral("y"),
                    QStringLiteral("value")};
    const std::size_t count = m_values.size();
    for (std::size_t i = 0; i < count; ++i) {
        const double t = count > 1 ? static_cast<double>(i) / static_cast<double>(count - 1) : 0;
        table.rows.push_back({QString::number(Position(i, count, m_length), 'g', 10),
                              QString::number(m_line.x0 + t * (m_line.x1 - m_line.x0), 'g', 10),
                              QString::number(m_line.y0 + t * (m_line.y1 - m_line.y0), 'g', 10),
                              QString::number(m_values[i], 'g', 10)});
    }
    return table;
}
