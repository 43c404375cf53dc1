#include "view/render/palette.h"

#include <algorithm>

namespace view {
inline namespace render {

namespace {

// Ten colours of a qualitative palette made to be told apart.
constexpr QRgb kPalette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                             0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
constexpr Qt::PenStyle kDashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                    Qt::DashDotDotLine};

} // namespace

QPen seriesPen(int i) {
    // One pixel wide: the rasteriser's fast path, which a history's dense lines need.
    QPen pen(QColor(kPalette[i % 10]), 1, kDashes[(i / 10) % 5]);
    pen.setCosmetic(true);
    return pen;
}

QList<int> sensorPens(const Report& report, const QList<bool>& sensorsDrawn) {
    QList<int> order;
    for (int sensor = 0; sensor < report.sensors.size(); ++sensor)
        if (sensorsDrawn.value(sensor))
            order.append(sensor);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Sensor &x = report.sensors[a], &y = report.sensors[b];
        return std::tie(x.kind, x.id) < std::tie(y.kind, y.id);
    });
    QList<int> pens(report.sensors.size(), 0);
    for (int n = 0; n < order.size(); ++n)
        pens[order[n]] = n;
    return pens;
}

} // namespace render
} // namespace view
