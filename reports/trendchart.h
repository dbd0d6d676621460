#pragma once
#include "statservice.h"

#include <QChartView>
#include <QList>
#include <QString>

class QCategoryAxis;
class QLabel;
class QLineSeries;
class QValueAxis;

// The trend as a line chart: one point per row of the trend, in the order
// the rows come (ascending dates), x counting from 1 and labelled with the
// day or month. Purchases draw their amounts; sales their amounts and their
// profit, with a legend. A trend without rows says so instead of showing an
// empty frame.
class TTrendChart : public QChartView {
    Q_OBJECT
public:
    struct Look {
        QString amountTitle;  // series and left axis: "进货金额(元)"
        QString revenueTitle; // empty: no profit series and no legend
        QString footer;       // under the chart: "进货趋势"
        QString emptyText;    // shown when there is nothing to draw
    };
    TTrendChart(const Look& look, QWidget* parent = nullptr);

    void SetPoints(const QList<StatService::TTrendPoint>& points);
    int PointCount() const { return m_count; }
    bool ShowsEmptyText() const;
    QString EmptyText() const;
    // The x labels drawn, in order (a long trend labels every few points).
    QStringList AxisLabels() const;

    QLineSeries* PriceSeries;
    QLineSeries* RevenueSeries; // null on the purchase side
    QValueAxis* AxisY;
    QCategoryAxis* AxisX;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void showTip(const QPointF& point, bool state, bool revenue);
    void placeEmptyText();
    QLabel* m_empty;
    QList<StatService::TTrendPoint> m_points;
    int m_count = 0;
};
