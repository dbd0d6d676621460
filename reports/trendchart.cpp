#include "trendchart.h"

#include "displayformat.h"
#include "guard.h"

#include <QCategoryAxis>
#include <QChart>
#include <QCursor>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {
// About this many x labels fit under the chart without running together.
constexpr int kMaxLabels = 12;
} // namespace

TTrendChart::TTrendChart(const Look& look, QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    chart->setObjectName(QStringLiteral("Chart"));
    // Numbers on the axis as a shop reads them: 12,500 rather than 12500.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    chart->setMargins(QMargins(8, 8, 8, 8));
    // The view lets go of the chart it made for itself without deleting it.
    QChart* own = this->chart();
    setChart(chart);
    delete own;
    setRenderHint(QPainter::Antialiasing);

    PriceSeries = new QLineSeries(chart);
    PriceSeries->setObjectName(QStringLiteral("PriceSeries"));
    PriceSeries->setName(look.amountTitle);
    chart->addSeries(PriceSeries);
    RevenueSeries = nullptr;
    if (!look.revenueTitle.isEmpty()) {
        RevenueSeries = new QLineSeries(chart);
        RevenueSeries->setObjectName(QStringLiteral("RevenueSeries"));
        RevenueSeries->setName(look.revenueTitle);
        chart->addSeries(RevenueSeries);
    }
    chart->legend()->setVisible(RevenueSeries != nullptr);
    chart->legend()->setAlignment(Qt::AlignTop);

    AxisY = new QValueAxis(chart);
    AxisY->setObjectName(QStringLiteral("AxisY"));
    AxisY->setTitleText(RevenueSeries ? QStringLiteral("金额(元)") : look.amountTitle);
    AxisX = new QCategoryAxis(chart);
    AxisX->setObjectName(QStringLiteral("AxisX"));
    AxisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    AxisX->setTitleText(look.footer);
    chart->addAxis(AxisX, Qt::AlignBottom);
    chart->addAxis(AxisY, Qt::AlignLeft);
    for (QLineSeries* s : {PriceSeries, RevenueSeries}) {
        if (!s) continue;
        s->attachAxis(AxisX);
        s->attachAxis(AxisY);
        const bool revenue = s == RevenueSeries;
        connect(s, &QLineSeries::hovered, this,
                Guarded([this, revenue](const QPointF& p, bool state) { showTip(p, state, revenue); }));
    }

    m_empty = new QLabel(look.emptyText, this);
    m_empty->setObjectName(QStringLiteral("lbNoData"));
    m_empty->setAlignment(Qt::AlignCenter);
    QFont f = m_empty->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    m_empty->setFont(f);
    m_empty->setStyleSheet(QStringLiteral("color: #666;"));
    SetPoints({});
}

void TTrendChart::SetPoints(const QList<StatService::TTrendPoint>& points) {
    m_points = points;
    m_count = int(points.size());
    QList<QPointF> amounts, revenues;
    amounts.reserve(m_count);
    if (RevenueSeries) revenues.reserve(m_count);
    for (int i = 0; i < m_count; ++i) {
        amounts.append(QPointF(i + 1, points[i].amount));
        if (RevenueSeries) revenues.append(QPointF(i + 1, points[i].revenue));
    }
    // replace() redraws once for the whole list; appending point by point
    // would redraw for every one of thousands of days.
    PriceSeries->replace(amounts);
    if (RevenueSeries) RevenueSeries->replace(revenues);

    for (const QString& l : AxisX->categoriesLabels()) AxisX->remove(l);
    const int every = std::max(1, int(std::ceil(double(m_count) / kMaxLabels)));
    for (int i = 0; i < m_count; i += every)
        AxisX->append(StatService::PeriodLabel(points[i].date), i + 1);
    // Half a step on either side, so that the first and the last label are
    // not cut off at the edges.
    AxisX->setStartValue(0.5);
    AxisX->setRange(0.5, m_count + 0.5);

    const StatService::TAxisRange r = StatService::AxisRange(points);
    const double span = r.max > r.min ? r.max - r.min : 1;
    AxisY->setRange(r.min, r.min + span);
    // Grid lines on round amounts (1 000, 2 000 ...) from 0, whatever the
    // bounds: a shop reads 5,000 more easily than 5,067.
    const double rough = span / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double step = rough / magnitude <= 1 ? magnitude : rough / magnitude <= 2 ? 2 * magnitude
                                                      : rough / magnitude <= 5 ? 5 * magnitude
                                                                               : 10 * magnitude;
    AxisY->setTickType(QValueAxis::TicksDynamic);
    AxisY->setTickAnchor(0);
    AxisY->setTickInterval(step);
    AxisY->setLabelFormat(step >= 1 ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));

    const bool empty = m_count == 0;
    for (QAbstractAxis* a : std::initializer_list<QAbstractAxis*>{AxisX, AxisY}) a->setVisible(!empty);
    chart()->legend()->setVisible(!empty && RevenueSeries);
    m_empty->setVisible(empty);
    placeEmptyText();
}

bool TTrendChart::ShowsEmptyText() const { return m_empty->isVisibleTo(this); }
QString TTrendChart::EmptyText() const { return m_empty->text(); }

QStringList TTrendChart::AxisLabels() const { return AxisX->categoriesLabels(); }

void TTrendChart::resizeEvent(QResizeEvent* e) {
    QChartView::resizeEvent(e);
    placeEmptyText();
}

void TTrendChart::placeEmptyText() { m_empty->setGeometry(rect()); }

void TTrendChart::showTip(const QPointF& point, bool state, bool revenue) {
    if (!state) {
        QToolTip::hideText();
        return;
    }
    const int i = int(std::lround(point.x())) - 1;
    if (i < 0 || i >= m_points.size()) return;
    const StatService::TTrendPoint& p = m_points[i];
    const QString what = revenue ? RevenueSeries->name() : PriceSeries->name();
    const double y = revenue ? p.revenue : p.amount;
    QToolTip::showText(QCursor::pos(), StatService::PeriodLabel(p.date) + QStringLiteral("  ") + what +
                                           QStringLiteral(": ") + DisplayFormat::formatFloat(y, QStringLiteral("#,##0.##")),
                       this);
}
