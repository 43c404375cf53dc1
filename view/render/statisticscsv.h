#pragma once
// The statistics' one file form, the statistics CSV.

#include "view/model/statistics.h"

class QIODevice;

namespace view {
inline namespace render {

/// The statistics as CSV, one row per series, under the header
/// "kind,id,name,quantity,readings,first,last,interval_s,gaps,min,min_at,max,max_at,mean,stddev,
/// low,high,excursions,outside_s,longest_s,longest_from,mkt": times in ISO 8601 without a zone,
/// durations in whole seconds, a point as decimal separator, a field empty where no value is
/// defined.
void writeStatisticsCsv(const QList<Statistics>& statistics, QIODevice& out);

} // namespace render
} // namespace view
