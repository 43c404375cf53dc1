#pragma once
// What the suites of zelm-view share: records built from hex and from a reading, the CSV of a
// report, a chart painted into an image and its pixels of a colour, and the check that the
// machine has the zone TZ names.

#include "rig.h"

#include "report/record.h"
#include "view/model/charts.h"
#include "view/model/readings.h"
#include "view/render/chartpainter.h"
#include "view/render/readingscsv.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QTimeZone>
#include <cmath>

inline const report::NumberFormat point{"."};
inline const QByteArray kRx = hex("0007 240305140709 03 002A 00000000 4019 0080");
inline const QByteArray kBv = hex("0007 240305140709 04 002A 00000000 0078 0080");
inline const QByteArray kBt = hex("0007 240305140709 02 001A2B3C4D5E D606 B80B");
inline const QByteArray kTx = hex("0007 240305140709 01 3930 2B3C4D5E 0419 B80B");

inline QByteArray csvOf(const view::Report& report, const QList<view::Shown>& shown = {}) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    view::writeCsv(report, out, shown);
    return out.data().mid(out.data().indexOf('\n') + 1); // without the header
}

// A TX record of transmitter id at a local time stamp ("yyMMddhhmmss": the BCD digits).
inline QByteArray tx(const QString& stamp, int id, double value) {
    QByteArray r = kTx;
    r.replace(2, 6, QByteArray::fromHex(stamp.toLatin1()));
    r[9] = char(id & 0xFF);
    r[10] = char(id >> 8);
    const int word = int(std::lround(value * 256)) & 0xFFF0;
    r[15] = char(word & 0xF0);
    r[16] = char(word >> 8);
    return r;
}

inline QByteArray tx(const QDateTime& at, int id, double value) {
    return tx(at.toString("yyMMddhhmmss"), id, value);
}

// A setting as its decimal text; "nan" where none is set.
inline QString dec(const std::optional<view::Decimal>& d) {
    return d ? QString::fromLatin1(view::decimalText(*d)) : QStringLiteral("nan");
}

// One file of a history: its name, and records that become a decoded report where it is one.
struct File {
    QString name;
    QByteArray records;
};

// A chart of the sensors drawn (default: all) over its whole span, 600 pixels wide, painted
// without antialiasing: each pixel is one of the colours drawn.
inline QImage painted(const view::Report& report, const view::Quantity& q, QList<bool> drawn = {},
                      view::ChartLayout* layout = nullptr) {
    if (drawn.isEmpty())
        drawn.fill(true, report.sensors.size());
    double x0 = 0, x1 = 1;
    view::timeSpan(q, x0, x1);
    const view::ChartView chart =
        view::chartView(q, drawn, view::sensorPens(report, drawn), x0, x1);
    QImage image(600, view::chartHeight(chart, 600), QImage::Format_RGB32);
    QPainter p(&image);
    const view::ChartLayout painted = view::paintChart(p, image.rect(), chart);
    if (layout)
        *layout = painted;
    return image;
}

// The pixels of a colour within an area of an image.
inline QList<QPoint> pixels(const QImage& image, QRgb colour, QRect area = {}) {
    QList<QPoint> at;
    area = area.isNull() ? image.rect() : area & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == colour)
                at.append({x, y});
    return at;
}

// Skips a suite run under a zone the machine has no data for: it acts as UTC there, and a run
// under it would prove nothing.
inline void skipWithoutZoneData() {
    const QByteArray zone = qgetenv("TZ");
    if (!zone.isEmpty() && !QTimeZone(zone).isValid())
        QSKIP(qPrintable("no time zone data for TZ=" + zone + " (Debian: tzdata)"));
}
