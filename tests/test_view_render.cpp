// zelm-view's painting and files without a window: lines denser than their pixels, the device
// pixel ratio, time and value ticks, chart colours and limits, the statistics CSV, a read-out's
// summary, CSV cells a spreadsheet would run, the spreadsheet CSV, the PDF report and its
// checksum. CTest runs it under TZ=UTC and TZ=Europe/Berlin, as the model's suite.

#include "support/viewrig.h"

#include "report/journal.h"
#include "report/sha256.h"
#include "settings/profile.h"
#include "view/render/pdfreport.h"
#include "view/render/readingscsv.h"
#include "view/render/readoutsummary.h"
#include "view/render/spreadsheetcsv.h"
#include "view/render/statisticscsv.h"
#include "view/render/timeaxis.h"

#include <QCryptographicHash>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

class TestViewRender : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { skipWithoutZoneData(); }

    // Dense lines are filled straight into the pixels of an image with 32-bit pixels: the
    // same pixels as the painter gives on another format, at any pixel ratio and place.
    void denseLinesAsThePainterDraws_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("one to one") << 1.0 << QPoint(0, 0);
        QTest::newRow("high density, moved") << 2.0 << QPoint(7, 30);
    }
    void denseLinesAsThePainterDraws() {
        QFETCH(qreal, ratio);
        QFETCH(QPoint, at);
        QByteArray records;
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
        for (int i = 0; i < 6000; ++i)
            for (int id = 1; id <= 3; ++id)
                records += tx(start.addSecs(300 * i), id, 20 + 5 * std::sin(i / 40.0) + id);
        const view::Report report = view::readReport(records);
        const QList<view::Quantity> charts = view::quantities(report);
        const QList<bool> drawn(report.sensors.size(), true);
        double x0 = 0, x1 = 1;
        view::timeSpan(charts[0], x0, x1);
        const view::ChartView chart =
            view::chartView(charts[0], drawn, view::sensorPens(report, drawn), x0, x1);
        const QRect rect(at, QSize(600, view::chartHeight(chart, 600)));
        QList<QImage> images;
        for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
            QImage image(QSize(640, rect.bottom() + 10) * ratio, format);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::gray);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            view::paintChart(p, rect, chart);
            p.end();
            images.append(image.convertToFormat(QImage::Format_RGB32));
        }
        QCOMPARE(images[0], images[1]);
        // A steep line, many readings to a column, has no break: each column's span meets the
        // one before (a sawtooth: the drop is drawn within a column too).
        QByteArray steep;
        for (int i = 0; i < 3000; ++i)
            steep += tx(start.addSecs(60 * i), 1, i % 25 * 5);
        const view::Report sawtooth = view::readReport(steep);
        const QImage image = painted(sawtooth, view::quantities(sawtooth).first());
        const QRect plot = view::plotRect(image.rect()).adjusted(1, 1, -2, -2);
        int columns = 0;
        for (int x = plot.left(), top = -1, bottom = -1; x <= plot.right(); ++x) {
            const QList<QPoint> column =
                pixels(image, 0x1f77b4, QRect(x, plot.top(), 1, plot.height()));
            if (column.isEmpty())
                continue;
            QVERIFY2(top < 0 || (column.first().y() <= bottom + 1 && column.last().y() >= top - 1),
                     qPrintable(QString::number(x)));
            top = column.first().y(), bottom = column.last().y(), ++columns;
        }
        QVERIFY(columns > plot.width() * 9 / 10);
    }

    // At a scale of 1.5 a dense line is drawn per device pixel: a saw-tooth rising across a
    // few columns shows each column's own span, not a logical pixel's twice.
    void chartsPerDevicePixel() {
        QByteArray records;
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
        for (int i = 0; i < 1800; ++i)
            records += tx(start.addSecs(60 * i), 1, i % 300 / 3.0);
        const view::Report report = view::readReport(records);
        const QList<view::Quantity> charts = view::quantities(report);
        const view::ChartView chart = view::chartView(
            charts[0], {true}, {0}, charts[0].series[0].ms(0), charts[0].series[0].ms(1799));
        const qreal ratio = 1.5;
        QImage image(QSize(400, view::chartHeight(chart, 400)) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        QPainter p(&image);
        view::paintChart(p, QRect(0, 0, 400, view::chartHeight(chart, 400)), chart);
        p.end();
        const QRect plot = view::plotRect(QRect(0, 0, 400, 100));
        const QRect device(plot.topLeft() * ratio + QPoint(2, 2),
                           plot.size() * ratio - QSize(4, 4));
        QList<std::pair<int, int>> spans;
        for (int x = device.left(); x <= device.right(); ++x) {
            const QList<QPoint> column =
                pixels(image, 0x1f77b4, QRect(x, device.top(), 1, device.height()));
            if (!column.isEmpty())
                spans.append({column.first().y(), column.last().y()});
        }
        QVERIFY(spans.size() > device.width() * 9 / 10);
        int same = 0;
        for (qsizetype k = 1; k < spans.size(); ++k)
            same += spans[k] == spans[k - 1];
        QVERIFY2(same < spans.size() / 10, qPrintable(QString::number(same)));
    }

    void timeTicks_data() {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<int>("most");
        QTest::addColumn<QStringList>("labels"); // label, and the wider one after "/"
        const QDate day(2026, 3, 5);
        QTest::newRow("hours") << QDateTime(day, QTime(13, 10)) << QDateTime(day, QTime(17, 0)) << 5
                               << QStringList{"14:00/2026-03-05", "15:00", "16:00", "17:00"};
        QTest::newRow("minutes") << QDateTime(day, QTime(13, 10)) << QDateTime(day, QTime(13, 50))
                                 << 4 << QStringList{"13:15/2026-03-05", "13:30", "13:45"};
        QTest::newRow("midnight") << QDateTime(day, QTime(20, 0))
                                  << QDateTime(day.addDays(1), QTime(5, 0)) << 3
                                  << QStringList{"00:00/2026-03-06"};
        QTest::newRow("Mondays") << QDateTime(day, QTime())
                                 << QDateTime(QDate(2026, 4, 10), QTime()) << 6
                                 << QStringList{"03-09/2026", "03-16", "03-23", "03-30", "04-06"};
        QTest::newRow("months") << QDateTime(day, QTime(20, 0))
                                << QDateTime(QDate(2026, 8, 1), QTime()) << 6
                                << QStringList{"Apr/2026", "May", "Jun", "Jul", "Aug"};
        QTest::newRow("years") << QDateTime(day, QTime()) << QDateTime(QDate(2029, 2, 1), QTime())
                               << 3 << QStringList{"2027", "2028", "2029"};
    }
    void timeTicks() {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(int, most);
        QFETCH(QStringList, labels);
        QStringList got;
        const auto wall = [](const QDateTime& t) { // the logger's clock: no zone
            return QDateTime(t.date(), t.time(), Qt::UTC).toMSecsSinceEpoch();
        };
        for (const view::TimeTick& t : view::timeTicks(wall(from), wall(to), most))
            got.append(t.wider.isEmpty() ? t.label : t.label + "/" + t.wider);
        QCOMPARE(got, labels);
    }

    // The statistics CSV of one transmitter's readings, every row worked out by hand: the same
    // under any TZ (the logger's clock knows no summer time), limits compared with the value as
    // shown, readings at one second, MKT weighted by time, nothing where nothing is defined.
    void statisticsCsv_data() {
        QTest::addColumn<QString>("from");         // the first stamp, BCD digits yyMMddhhmmss
        QTest::addColumn<QList<int>>("spacing");   // seconds between readings, in turn
        QTest::addColumn<QList<double>>("values"); // decoded; the last repeats
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("settings"); // of TX 00007
        QTest::addColumn<QByteArray>("row");
        const QByteArray high8 = "TemperatureHigh=8\n";
        QTest::newRow("autumn change: no gap, one excursion")
            << "261025010000" << QList<int>{600} << QList<double>{9} << 19 << high8
            << QByteArray(
                   "19,2026-10-25T01:00:00,2026-10-25T04:00:00,600,0,9.0,2026-10-25T01:00:00,"
                   "9.0,2026-10-25T01:00:00,9.0000,0.0000,,8,1,11400,11400,"
                   "2026-10-25T01:00:00,9.0000");
        QTest::newRow("spring change: an hour the PC skips")
            << "260329013000" << QList<int>{900} << QList<double>{1, 2, 3, 4, 5, 6, 7, 8, 9} << 9
            << QByteArray("TemperatureHigh=5\n")
            << QByteArray("9,2026-03-29T01:30:00,2026-03-29T03:30:00,900,0,1.0,2026-03-29T01:30:00,"
                          "9.0,2026-03-29T03:30:00,5.0000,2.7386,,5,1,3600,3600,"
                          "2026-03-29T02:45:00,5.4018");
        QTest::newRow("shown on the limit is inside") // 1.1 x 10 - 3 = 8.000000000000002
            << "260302000000" << QList<int>{300} << QList<double>{10} << 3
            << QByteArray("Gain=1.1\nOffset=-3\n") + high8
            << QByteArray("3,2026-03-02T00:00:00,2026-03-02T00:10:00,300,0,8.0,2026-03-02T00:00:00,"
                          "8.0,2026-03-02T00:00:00,8.0000,0.0000,,8,0,0,,,8.0000");
        QTest::newRow("each reading twice at one second")
            << "260302000000" << QList<int>{0, 300} << QList<double>{9} << 12 << high8
            << QByteArray(
                   "12,2026-03-02T00:00:00,2026-03-02T00:25:00,300,0,9.0,2026-03-02T00:00:00,"
                   "9.0,2026-03-02T00:00:00,9.0000,0.0000,,8,1,1800,1800,"
                   "2026-03-02T00:00:00,9.0000");
        // Weights 60 + 60 + 60 + 600 s at 20 °C, 3 x 600 s at 30 °C (unweighted: 25.5834).
        QTest::newRow("MKT weighted by time")
            << "260302000000" << QList<int>{60, 60, 60, 600, 600, 600}
            << QList<double>{20, 20, 20, 20, 30} << 7 << QByteArray()
            << QByteArray(
                   "7,2026-03-02T00:00:00,2026-03-02T00:33:00,600,0,20.0,2026-03-02T00:00:00,"
                   "30.0,2026-03-02T00:13:00,24.2857,5.3452,,,,,,,27.9154");
        QTest::newRow("one reading")
            << "260302000000" << QList<int>{300} << QList<double>{5} << 1 << QByteArray()
            << QByteArray("1,2026-03-02T00:00:00,2026-03-02T00:00:00,,0,5.0,"
                          "2026-03-02T00:00:00,5.0,2026-03-02T00:00:00,"
                          "5.0000,,,,,,,,5.0000");
        QTest::newRow("only an unreadable stamp")
            << "261301000000" << QList<int>{300} << QList<double>{5} << 1 << high8
            << QByteArray("1,,,,0,,,,,,,,8,0,0,,,");
    }
    void statisticsCsv() {
        QFETCH(QString, from);
        QFETCH(QList<int>, spacing);
        QFETCH(QList<double>, values);
        QFETCH(int, count);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, row);
        QDateTime at(QDate::fromString("20" + from.left(6), "yyyyMMdd"),
                     QTime::fromString(from.mid(6), "hhmmss"), Qt::UTC);
        QByteArray records;
        for (int i = 0; i < count; at = at.addSecs(spacing[i++ % spacing.size()]))
            records += tx(at.isValid() ? at.toString("yyMMddhhmmss") : from, 7,
                          values[std::min<qsizetype>(i, values.size() - 1)]);
        const view::Report report = view::readReport(records);
        const view::SensorSettings parsed =
            view::parseSensorSettings("[Sensor TX 00007]\n" + settings);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        view::writeStatisticsCsv(
            view::statisticsOf(report,
                               view::quantities(report, view::shownSensors(report, parsed))),
            out);
        QCOMPARE(out.data(), "kind,id,name,quantity,readings,first,last,interval_s,gaps,min,min_at,"
                             "max,max_at,mean,stddev,low,high,excursions,outside_s,longest_s,"
                             "longest_from,mkt\r\nTX,00007,,temperature," +
                                 row + "\r\n");
    }

    // What came in with a read-out, by hand: the logger's sensors, the period, readings per
    // sensor; each excursion and a sensor's LOWBAT readings as warnings ("!"), named.
    void readOutSummary_data() {
        QTest::addColumn<QList<double>>("values"); // of TX 00007, decoded; +1000: LOWBAT
        QTest::addColumn<QList<int>>("spacing");   // seconds after each reading
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("expected");
        const QString at = "2026-03-02 0%1:%2:00";
        QTest::newRow("named, above, LOWBAT")
            << QList<double>{5, 9, 10, 5, 1005} << QList<int>{300, 300, 300, 300}
            << QByteArray("[Sensor TX 00007]\nName=Fridge\nTemperatureHigh=8\n")
            << QStringList{"Logger with TX 00007",
                           "Readings from " + at.arg(0, 1).arg("00") + " to " + at.arg(0).arg(20),
                           "TX 00007 (Fridge): 5 readings",
                           "!Excursion of TX 00007 (Fridge) above 8 °C: from " +
                               at.arg(0).arg("05") + " to " + at.arg(0).arg(10) +
                               ", 2 readings, 9.0 °C to 10.0 °C",
                           "!LOWBAT: TX 00007 (Fridge) sent 1 reading with a low battery, at " +
                               at.arg(0).arg(20)};
        // A gap breaks a run; a limit for all; the second sensor within it.
        QTest::newRow("below, across a gap")
            << QList<double>{5, 1, 1, 1.04} << QList<int>{300, 300, 3600}
            << QByteArray("[Limits]\nTemperatureLow=2\n")
            << QStringList{"Logger with TX 00007, TX 00008",
                           "Readings from " + at.arg(0).arg("00") + " to " + at.arg(1).arg(10),
                           "TX 00007: 4 readings",
                           "TX 00008: 1 reading",
                           "!Excursion of TX 00007 below 2 °C: from " + at.arg(0).arg("05") +
                               " to " + at.arg(0).arg(10) + ", 2 readings, 1.0 °C",
                           "!Excursion of TX 00007 below 2 °C: at " + at.arg(1).arg(10) +
                               ", 1 reading, 1.0 °C"};
        QStringList many{"Logger with TX 00007",
                         "Readings from " + at.arg(0).arg("00") + " to " + at.arg(1).arg(55),
                         "TX 00007: 24 readings"};
        for (int k = 0; k < 10; ++k)
            many.append(QStringLiteral("!Excursion of TX 00007 above -15 °C: at 2026-03-02 "
                                       "%1:%2:00, 1 reading, -10.0 °C")
                            .arg(k < 6 ? "00" : "01")
                            .arg((10 * k + 5) % 60, 2, 10, QChar('0')));
        QList<double> alternating; // a freezer's
        for (int k = 0; k < 12; ++k)
            alternating << -20 << -10;
        QTest::newRow("ten excursions told, then how many more")
            << alternating << QList<int>(23, 300) << QByteArray("[Limits]\nTemperatureHigh=-15\n")
            << many + QStringList{"!... and 2 more excursions of TX 00007"};
    }
    void readOutSummary() {
        QFETCH(QList<double>, values);
        QFETCH(QList<int>, spacing);
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        QByteArray records;
        for (int i = 0; i < values.size(); at = at.addSecs(spacing.value(i++))) {
            records += tx(at, 7, values[i] > 999 ? values[i] - 1000 : values[i]);
            if (values[i] > 999)
                records[records.size() - 4] = char(records[records.size() - 4] | 4); // LOWBAT
        }
        if (expected[0].contains("00008")) // within the limit
            records += tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC), 8, 5);
        writeAll(dir.filePath("in-1.dat"), records);
        QStringList got;
        for (const view::SummaryLine& line :
             view::readOutSummary(dir.filePath("in-1.dat"), view::parseSensorSettings(settings)))
            got.append((line.severity == core::Severity::Warning ? "!" : "") + line.text);
        QCOMPARE(got, expected);
    }

    // Text cells a spreadsheet would run as a formula get an apostrophe first, in both CSVs;
    // values, negative ones too, stay as they are.
    void csvFormulaCells_data() {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("cells"); // the id's cell and the name's
        QTest::newRow("=") << QByteArray("00001") << "=1+2" << QByteArray("00001|'=1+2");
        QTest::newRow("+ and a comma")
            << QByteArray("00001") << "+1,2" << QByteArray("00001|\"'+1,2\"");
        QTest::newRow("-") << QByteArray("00001") << "-20 room" << QByteArray("00001|'-20 room");
        QTest::newRow("@") << QByteArray("00001") << "@SUM(A1)" << QByteArray("00001|'@SUM(A1)");
        QTest::newRow("tab") << QByteArray("00001") << "\tx" << QByteArray("00001|'\tx");
        QTest::newRow("CR") << QByteArray("00001") << "\rx" << QByteArray("00001|\"'\rx\"");
        QTest::newRow("an identifier")
            << QByteArray("=cmd /C calc") << "" << QByteArray("'=cmd /C calc|");
        QTest::newRow("plain") << QByteArray("00001") << "Fridge = cold"
                               << QByteArray("00001|Fridge = cold");
    }
    void csvFormulaCells() {
        QFETCH(QByteArray, id);
        QFETCH(QString, name);
        QFETCH(QByteArray, cells);
        const view::Report report =
            view::readReport("OK\t2024-03-05-14-07-09\tTX\t" + id + "\t-5.0\r\n");
        QList<view::Shown> shown(1);
        shown[0].name = name;
        const QList<QByteArray> cell = cells.split('|');
        QCOMPARE(csvOf(report, shown),
                 "2024-03-05T14:07:09,OK,TX," + cell[0] + ",-5.0,," + cell[1] + "\r\n");
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        view::writeStatisticsCsv(view::statisticsOf(report, view::quantities(report, shown)), out);
        QVERIFY(out.data().split('\n')[1].startsWith("TX," + cell[0] + ',' + cell[1] +
                                                     ",temperature,1,"));
    }

    // What the charts show: a sensor in one colour in every chart, LOWBAT hollow in the legend as
    // on the chart, and an axis for any finite range of values.
    void chartColours() {
        QByteArray low = tx("260302000500", 1, 5);
        low[15] = char(low[15] | 4); // LOWBAT
        const view::Report report = view::readReport(
            tx("260302000000", 1, 9) + low + QByteArray(kBt).replace(2, 6, hex("260302000000")));
        QList<view::Shown> shown =
            view::shownSensors(report, view::parseSensorSettings("[Limits]\nTemperatureHigh=8\n"));
        QList<QImage> images, withoutTx;
        const QList<bool> onlyBt{false, true};
        for (const view::Quantity& q : view::quantities(report, shown)) { // temperature, humidity
            images.append(painted(report, q));
            withoutTx.append(painted(report, q, onlyBt));
        }
        QCOMPARE(images.size(), 2);
        // TX first by kind: the palette's first colour (blue); the BT sensor its second (orange)
        // in both charts, or its first where the TX is not drawn.
        QVERIFY(!pixels(images[0], 0x1f77b4).isEmpty() && !pixels(images[0], 0xff7f0e).isEmpty());
        QVERIFY(!pixels(images[1], 0xff7f0e).isEmpty() && pixels(images[1], 0x1f77b4).isEmpty());
        for (const QImage& image : withoutTx)
            QVERIFY(!pixels(image, 0x1f77b4).isEmpty() && pixels(image, 0xff7f0e).isEmpty());
        // Below the plot, the red ring of the legend's LOWBAT entry, white inside.
        const QRect plot = view::plotRect(images[0].rect());
        const QList<QPoint> ring =
            pixels(images[0], 0xFF0000, images[0].rect().adjusted(0, plot.bottom() + 1, 0, 0));
        QVERIFY(!ring.isEmpty());
        QRect box;
        for (const QPoint& p : ring)
            box |= QRect(p, QSize(1, 1));
        QCOMPARE(images[0].pixel(box.center()) & 0xFFFFFF, 0xFFFFFFu);
        // The largest values settings allow; the axis still ends.
        shown[0].calibration[0] = {view::Decimal{1000 * view::kBillion},
                                   view::Decimal{100000 * view::kBillion}};
        shown[0].high[0] = view::Decimal{1000000 * view::kBillion};
        painted(report, view::quantities(report, shown).first());
    }

    // What a user sees of limits: a dashed line on the row of a reading at the limit, dark red
    // where all share it, in the line's colour where one sensor of several has its own; a
    // diamond where a reading, as shown, is above it, and in the legend.
    void chartLimits_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<uint>("limit"); // the line's colour; 0: none
        QTest::addColumn<bool>("outside");
        const QByteArray shared = "[Limits]\nTemperatureHigh=8\n";
        QTest::newRow("shared") << shared << 0xb40000u << true;
        QTest::newRow("one sensor's own")
            << QByteArray("[Sensor TX 00001]\nTemperatureHigh=8\n") << 0x1f77b4u << true;
        QTest::newRow("calibrated below it") << shared + "[Sensor TX 00001]\nOffset=-2\n"
                                             << 0xb40000u << false;
        QTest::newRow("none") << QByteArray() << 0u << false;
    }
    void chartLimits() {
        QFETCH(QByteArray, settings);
        QFETCH(uint, limit);
        QFETCH(bool, outside);
        QByteArray records; // TX 00001 at 5 but once 9, TX 00002 at 8 throughout
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 7; ++i, at = at.addSecs(300))
            records += tx(at, 1, i == 3 ? 9 : 5) + tx(at, 2, 8);
        const view::Report report = view::readReport(records);
        view::ChartLayout layout;
        const QImage image =
            painted(report,
                    view::quantities(
                        report, view::shownSensors(report, view::parseSensorSettings(settings)))
                        .first(),
                    {}, &layout);
        QCOMPARE(layout.limitLabels.size(), limit ? 1 : 0);
        for (const QRect& label : std::as_const(layout.limitLabels)) // over no line
            for (const QRgb line : {0x1f77b4u, 0xff7f0eu})
                QVERIFY(line == limit || pixels(image, line, label).isEmpty());
        const QRect plot = view::plotRect(image.rect()).adjusted(1, 1, -2, -2); // in the frame
        const QList<QPoint> eight = pixels(image, 0xff7f0e, plot);              // TX 00002
        QVERIFY(!eight.isEmpty());
        const int row = eight.first().y();
        for (const QPoint& p : eight)
            QCOMPARE(p.y(), row);
        if (limit)
            QVERIFY(pixels(image, limit, QRect(plot.left(), row - 1, plot.width(), 3)).size() >
                    plot.width() / 4);
        // Marks above the limit, in the left part of the plot (its label is at the right): one
        // at the middle, where the fourth of seven readings is.
        QRect marks;
        for (const QPoint& p :
             pixels(image, 0xb40000,
                    QRect(plot.left(), plot.top(), plot.width() * 2 / 3, row - 2 - plot.top())))
            marks |= QRect(p, QSize(1, 1));
        QCOMPARE(!marks.isEmpty(), outside);
        if (outside)
            QVERIFY(std::abs(marks.center().x() - view::plotRect(image.rect()).center().x()) <= 1);
        const QRect legend = image.rect().adjusted(0, plot.bottom() + 30, 0, 0);
        QCOMPARE(!pixels(image, 0xb40000, legend).isEmpty(), outside);
    }

    // A limit's label hides no reading: beyond the limit where that is free, else where the
    // line leaves room, else in the title's row.
    void limitLabels_data() {
        QTest::addColumn<int>("pattern");
        QTest::addColumn<QString>("where");
        QTest::newRow("below it") << 0 << "above, right";
        QTest::newRow("above it on the right") << 1 << "above, left";
        QTest::newRow("all over the plot") << 2 << "title";
    }
    void limitLabels() {
        QFETCH(int, pattern);
        QFETCH(QString, where);
        QByteArray records;
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 600; ++i, at = at.addSecs(300))
            records += tx(at, 1,
                          pattern == 0   ? 5
                          : pattern == 1 ? (i < 300 ? 5 : 8.2)
                                         : (i % 2 ? -20 : 40));
        const view::Report report = view::readReport(records);
        view::ChartLayout layout;
        const QImage image =
            painted(report,
                    view::quantities(
                        report, view::shownSensors(report, view::parseSensorSettings(
                                                               "[Limits]\nTemperatureHigh=8\n")))
                        .first(),
                    {}, &layout);
        QCOMPARE(layout.limitLabels.size(), 1);
        const QRect label = layout.limitLabels.first();
        QVERIFY(pixels(image, 0x1f77b4, label).isEmpty());
        const int y =
            int(std::lround(layout.plot.bottom() -
                            (8 - layout.low) / (layout.high - layout.low) * layout.plot.height()));
        if (where == "title")
            QVERIFY(label.bottom() < layout.plot.top());
        else
            QVERIFY(label.bottom() < y && label.top() > layout.plot.top());
        if (where == "above, right")
            QVERIFY(label.right() > layout.plot.right() - 10);
        if (where == "above, left")
            QVERIFY(label.right() < layout.plot.center().x());
    }

    // The value axis has four labels at least, at round steps, however narrow or wide the range.
    void valueTicks_data() {
        QTest::addColumn<QList<double>>("range"); // low, high, at most
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("at most six")
            << QList<double>{-0.5, 10.5, 6} << QList<double>{0, 2, 4, 6, 8, 10};
        QTest::newRow("four where two would do")
            << QList<double>{0.1, 2.9, 2} << QList<double>{0.5, 1, 1.5, 2, 2.5};
        QTest::newRow("narrow") << QList<double>{7.5, 8.5, 6}
                                << QList<double>{7.6, 7.8, 8, 8.2, 8.4};
    }
    void valueTicks() {
        QFETCH(QList<double>, range);
        QFETCH(QList<double>, ticks);
        const QList<double> got = view::valueTicks(range[0], range[1], int(range[2]));
        QCOMPARE(got.size(), ticks.size());
        for (int k = 0; k < got.size(); ++k)
            QVERIFY(std::abs(got[k] - ticks[k]) < 1e-9);
    }

    // The CSV for spreadsheets: in a decimal-comma locale semicolons and decimal commas, times a
    // spreadsheet takes, a byte-order mark, a name with a semicolon quoted; else commas, points.
    void spreadsheetCsv_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QByteArray(
                                       "\xEF\xBB\xBFtime;status;kind;id;value;value2;name\r\n"
                                       "2024-03-05 14:07:09;OK;BT;00:1A:2B:3C:4D:5E;-30,3;"
                                       "93,6;\"K\xC3\xBChl; 1.5\"\r\n");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                 << QByteArray(
                                        "\xEF\xBB\xBFtime,status,kind,id,value,value2,name\r\n"
                                        "2024-03-05 14:07:09,OK,BT,00:1A:2B:3C:4D:5E,-30.3,"
                                        "93.6,K\xC3\xBChl; 1.5\r\n");
    }
    void spreadsheetCsv() {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, expected);
        const view::Report report =
            view::readReport("OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t-30.3 93.6\r\n");
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        view::SpreadsheetCsv sheet(out, locale);
        QList<view::Shown> shown(1);
        shown[0].name = QString::fromUtf8("K\xC3\xBChl; 1.5");
        view::writeCsv(report, sheet, shown);
        QVERIFY(sheet.finish());
        QCOMPARE(out.data(), expected);
    }

    // The printed report, as a reader of the PDF finds it: names, limits, excursions, MKT, the
    // period and page numbers; a settings line it cannot use is told and the rest still applies.
    void pdfReport() {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        QByteArray records;
        const QDateTime start(QDate(2026, 3, 2), QTime(0, 0));
        for (int i = 0; i < 6; ++i) // 20, 25, 30 twice; and a second sensor
            records += tx(start.addSecs(300 * i), 7, 20 + 5 * (i % 3)) +
                       tx(start.addSecs(300 * i + 1), 8, 4);
        for (int id = 100; id < 160; ++id) // a table longer than a page
            records += tx(start.addSecs(2), id, 5);
        writeAll(dir.filePath("in.dat"), records);
        writeAll(dir.filePath("s.ini"), "[Sensor TX 00007]\nName=Freezer 2\nGain=0\n"
                                        "[Limits]\nTemperatureLow=2\nTemperatureHigh=27\n"
                                        "[Sensor TX 00008]\nGain=1.5\nOffset=-2\n"
                                        "[Report]\nSite=Cold store 3\nTitle=Monthly record\n");
        QProcess view;
        const QStringList options{
            "--settings", dir.filePath("s.ini"), "--operator", "A. Tester", "--title",
            "March",      dir.filePath("in.dat")};
        view.start(ZELM_VIEW, options); // a heading for no PDF
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), 2);
        view.start(ZELM_VIEW, QStringList{"--pdf", dir.filePath("r.pdf")} + options);
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), 0);
        QVERIFY(view.readAllStandardError().contains("line 3: Gain=0: "));
        QProcess text;
        text.start(pdftotext, {"-layout", dir.filePath("r.pdf"), "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString all = QString::fromUtf8(text.readAllStandardOutput())
                                .replace(QChar(0xFB00), "ff") // ligatures, as pdftotext gives them
                                .replace(QChar(0xFB01), "fi");
        const QString got = all.simplified();
        for (const char* expected : {"Freezer 2",
                                     "Period: 2026-03-02 00:00:00 to 2026-03-02 00:25:01",
                                     "in.dat",
                                     "TX 00008",
                                     "2 to 27 °C",
                                     "25.9 °C",
                                     "10 min",
                                     "00:10:00",
                                     "4.0",
                                     "TX 00159",
                                     "Temperature (°C)", // and the chart
                                     "March",
                                     "Site: Cold store 3",
                                     "Operator: A. Tester",
                                     "gain 1.5,",
                                     "offset -2",
                                     "Gaps",
                                     "LOWBAT",
                                     "Reviewed by:",
                                     "Date:"})
            QVERIFY2(got.contains(QString::fromUtf8(expected)), expected);
        // When, with the PC's offset from UTC; each file by name with its SHA-256.
        QVERIFY(QRegularExpression("Made \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "
                                   "UTC[+-]\\d\\d:\\d\\d by zelm-view")
                    .match(got)
                    .hasMatch());
        QVERIFY(got.contains("in.dat " + QCryptographicHash::hash(readAll(dir.filePath("in.dat")),
                                                                  QCryptographicHash::Sha256)
                                             .toHex()));
        QVERIFY(!got.contains(dir.path()) && !got.contains("Monthly record"));
        // Each page its own, numbered, the table's header again on the next.
        const QStringList pages = all.split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 2);
        for (int k = 0; k < pages.size(); ++k)
            QVERIFY(
                pages[k].contains(QStringLiteral("Page %1 of %2").arg(k + 1).arg(pages.size())));
        QVERIFY(pages[1].contains("Excursions"));
        // Printed: the same pages, laid out the same at a printer's resolution.
        view::Report report = view::readReport(records);
        const view::Document d = view::documentOf(report, "in.dat", {});
        QString said;
        QVERIFY(view::writePdfReport(dir.filePath("a.pdf"), d, d.drawnOf(), said));
        QFile printed(dir.filePath("p.pdf"));
        QVERIFY(printed.open(QIODevice::WriteOnly));
        QPdfWriter printer(&printed);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        printer.setResolution(600);
        QVERIFY(view::paintReport(printer, d, d.drawnOf()));
        printed.close();
        const QRegularExpression page("/Type\\s*/Page[^s]");
        QCOMPARE(QString::fromLatin1(readAll(dir.filePath("p.pdf"))).count(page),
                 QString::fromLatin1(readAll(dir.filePath("a.pdf"))).count(page));
    }

    // No text of the PDF leaves its box, measured in the PDF's own fonts: the widest numbers
    // (-999999.999 to 9999999.999, and the largest a calibration shows) and the longest name a
    // settings line keeps; nothing left out of a text, no box over another.
    void pdfNeverCuts() {
        QByteArray lines, ini = "[Limits]\nTemperatureLow=-1000000\nTemperatureHigh=1000000\n";
        const QByteArray longest(settings::kMaxProfileValue, 'W');
        const char* const sensors[][4] = {
            {"00001", "99999.9", "0.0", "Gain=100\nOffset=9.999"},        // 9999999.999
            {"00002", "-99999.9", "0.0", "Gain=10\nOffset=-0.999"},       // -999999.999
            {"00003", "99999.9", "-99999.9", "Gain=1000\nOffset=100000"}, // 100099900.0
            {"00004", "12.5", "12.6", "Gain=-999.999999999\nOffset=-99999.999999999"}};
        for (const auto& [id, first, second, calibration] : sensors) {
            lines += QByteArray("OK\t2026-03-02-00-00-00\tTX\t") + id + '\t' + first +
                     "\r\nOK\t2026-03-02-01-00-00\tTX\t" + id + '\t' + second + "\r\n";
            ini += QByteArray("[Sensor TX ") + id + "]\n" + calibration + "\nName=" +
                   (id[4] == '1' ? longest : QByteArray("Ward 7 ").repeated(37).first(254)) + '\n';
        }
        ini += "[Report]\nTitle=" + longest + "\nComment=" + longest + '\n';
        view::Document d =
            view::documentOf(view::readReport(lines), "t", view::parseSensorSettings(ini));
        QVERIFY(d.settings.ignored.isEmpty());
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(view::kPdfResolution);
        const double page = 210 - 30; // mm between the margins
        const double pageWidth = page / 25.4 * view::kPdfResolution;
        d.verification = "Verified against the journal: 1 file";
        const QList<view::PdfText> texts = view::pdfTexts(d, d.drawnOf());
        QString all;
        for (const view::PdfText& t : texts) {
            const QFontMetricsF fm(t.font, &writer);
            QVERIFY2(t.box.left() >= 0 && t.box.right() <= pageWidth + 0.01, qPrintable(t.text));
            QVERIFY(t.lines.size() * fm.lineSpacing() <= t.box.height() + 0.01);
            for (const QString& line : t.lines) {
                QVERIFY2(fm.horizontalAdvance(line) <= t.box.width(), qPrintable(line));
                all += line + '\n';
            }
            QCOMPARE(t.lines.join("").remove(' '), QString(t.text).remove('\n').remove(' '));
            for (const view::PdfText& other : texts)
                QVERIFY(&other == &t || other.page != t.page || !other.box.intersects(t.box));
        }
        for (const char* number : {"\n9999999.999\n", "\n-999999.999\n", "\n100099900.0\n",
                                   "\n-99899900.0\n"}) // each a line of its own
            QVERIFY2(all.contains(QString::fromUtf8(number)), number);
        for (const char* phrase :
             {"-1000000 to 1000000 °C", "gain -999.999999999, offset -99999.999999999"})
            QVERIFY2(QString(all).replace('\n', ' ').contains(QString::fromUtf8(phrase)), phrase);
        QVERIFY(all.contains("Verified against the journal: 1 file\n"));
    }

    // The SHA-256 the PDF gives each file is sha256sum's: every way a message ends against its
    // blocks, and a file longer than the piece it is read in.
    void sha256_data() {
        QTest::addColumn<int>("size");
        for (const int size : {0, 1, 55, 56, 63, 64, 65, 119, 120, 3 << 20 | 7})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }
    void sha256() {
        QFETCH(int, size);
        QByteArray data(size, Qt::Uninitialized);
        QRandomGenerator rng(size);
        for (char& c : data)
            c = char(rng.generate());
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        QCOMPARE(report::sha256(in), QCryptographicHash::hash(data, QCryptographicHash::Sha256));
    }
};

QTEST_MAIN(TestViewRender)
#include "test_view_render.moc"
