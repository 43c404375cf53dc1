#include "readout/end.h"

#include "readout/readout.h"

#include <QStringList>

namespace readout {

QString exitStatusSummary() {
    QStringList said;
    for (const StatusMeaning& meaning : kStatusMeanings)
        said.append(QStringLiteral("%1 %2").arg(meaning.status).arg(QLatin1String(meaning.brief)));
    return said.join(QStringLiteral("; "));
}

int exitStatus(const Result& result, int signal) {
    if (result.end == End::Stopped && signal > 0)
        return 128 + signal;
    return traitsOf(result.end).status;
}

} // namespace readout
