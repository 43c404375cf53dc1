#pragma once
// The statistics as a table: one row per series, its cells as a user reads them. The window's
// table shows this model and the PDF report prints its cells, so both say the same.

#include "view/model/statistics.h"

#include <QAbstractTableModel>

namespace view {
inline namespace model {

class StatisticsTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Quantity,
        Readings,
        First,
        Last,
        Interval,
        Gaps,
        LongestGap,
        LongestGapFrom,
        Minimum,
        MinimumAt,
        Maximum,
        MaximumAt,
        Mean,
        Deviation,
        Limits,
        Excursions,
        TimeOutside,
        LongestExcursion,
        LongestExcursionFrom,
        MeanKinetic,
        LowBat,
        Calibrated,
        kColumns
    };
    using QAbstractTableModel::QAbstractTableModel;

    void setStatistics(QList<Statistics> statistics);
    const QList<Statistics>& statistics() const { return statistics_; }

    /// A column's heading: each says what it counts, and what a time in it is of.
    static QString heading(Column column);
    /// A cell's text; empty where no value is defined.
    static QString cell(const Statistics& s, Column column);
    /// A cell as the window shows it: a value with its unit ("5.0 °C"); the PDF's narrow table
    /// names the unit once, in the row's quantity.
    static QString shownCell(const Statistics& s, Column column);
    /// A row's heading, the sensor, which stays in view beside the columns: the series
    /// ("TX 00042"), or the owner's name for it and the sensor ("Fridge · TX 00042").
    static QString rowHeading(const Statistics& s, const QString& between = QStringLiteral(" · "));

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<Statistics> statistics_;
};

} // namespace model
} // namespace view
