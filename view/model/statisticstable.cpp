#include "view/model/statisticstable.h"

namespace view {
inline namespace model {

namespace {

constexpr const char* kHeadings[StatisticsTable::kColumns] = {"Quantity",
                                                              "Readings",
                                                              "First reading",
                                                              "Last reading",
                                                              "Usual interval",
                                                              "Gaps",
                                                              "Longest gap",
                                                              "Longest gap from",
                                                              "Minimum",
                                                              "Minimum at",
                                                              "Maximum",
                                                              "Maximum at",
                                                              "Mean",
                                                              "Std dev",
                                                              "Limits",
                                                              "Excursions",
                                                              "Time outside",
                                                              "Longest excursion",
                                                              "Longest excursion from",
                                                              "MKT",
                                                              "LOWBAT",
                                                              "Calibration"};

} // namespace

void StatisticsTable::setStatistics(QList<Statistics> statistics) {
    beginResetModel();
    statistics_ = std::move(statistics);
    endResetModel();
}

QString StatisticsTable::heading(Column column) {
    return QString::fromLatin1(kHeadings[column]);
}

QString StatisticsTable::rowHeading(const Statistics& s, const QString& between) {
    // A second RX reading's label says "(2)" already.
    return s.label.isEmpty() ? s.series
                             : s.label + between + QLatin1String(report::kindName(s.kind)) + u' ' +
                                   QString::fromLatin1(s.id);
}

QString StatisticsTable::cell(const Statistics& s, Column column) {
    const bool limited = s.limited();
    switch (column) {
    case Quantity:
        return QStringLiteral("%1 (%2)").arg(s.quantity, unitHeading(s.unit));
    case Readings:
        return QString::number(s.readings);
    case First:
        return timeText(s.first);
    case Last:
        return timeText(s.last);
    case Interval:
        return s.interval ? spanText(s.interval) : QString();
    case Gaps:
        return QString::number(s.gaps);
    case LongestGap:
        return s.gaps ? spanText(s.longestGap) : QString();
    case LongestGapFrom:
        return timeText(s.longestGapStart);
    case Minimum:
        return valueText(s.minimum);
    case MinimumAt:
        return timeText(s.minimumAt);
    case Maximum:
        return valueText(s.maximum);
    case MaximumAt:
        return timeText(s.maximumAt);
    case Mean:
        return QString::fromLatin1(s.moments.meanText(2));
    case Deviation:
        return QString::fromLatin1(s.moments.deviationText(2));
    case Limits:
        return limitsText(s.low, s.high, s.unit);
    case Excursions:
        return limited ? QString::number(s.excursions) : QString();
    case TimeOutside:
        return limited ? spanText(s.outside) : QString();
    case LongestExcursion:
        return s.excursions ? spanText(s.longestExcursion) : QString();
    case LongestExcursionFrom:
        return timeText(s.longestExcursionStart);
    case MeanKinetic:
        return std::isnan(s.meanKinetic) ? QString() : fixedNumber(s.meanKinetic, 1) + " °C";
    case LowBat:
        return QString::number(s.lowBat);
    case Calibrated:
        return calibrationText(s.calibration);
    case kColumns:
        break;
    }
    return {};
}

QString StatisticsTable::shownCell(const Statistics& s, Column column) {
    const QString text = cell(s, column);
    const bool value =
        column == Minimum || column == Maximum || column == Mean || column == Deviation;
    return value && !text.isEmpty() && !s.unit.isEmpty() ? text + u' ' + s.unit : text;
}

int StatisticsTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(statistics_.size());
}

int StatisticsTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant StatisticsTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= statistics_.size())
        return {};
    const auto column = Column(index.column());
    if (role == Qt::DisplayRole)
        return shownCell(statistics_[index.row()], column);
    if (role == Qt::TextAlignmentRole) // numbers to the right, as tables of numbers have them
        return column == Quantity || column == Limits || column == Calibrated
                   ? int(Qt::AlignLeft | Qt::AlignVCenter)
                   : int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant StatisticsTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < kColumns ? heading(Column(section)) : QVariant();
    return section >= 0 && section < statistics_.size() ? rowHeading(statistics_[section])
                                                        : QVariant();
}

} // namespace model
} // namespace view
