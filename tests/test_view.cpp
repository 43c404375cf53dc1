// zelm-view: its readings, the history of many reports, the charts' reduction, time ticks,
// sensor settings and the Sensors dialog, statistics against limits, and the exports (CSV, PNG,
// SVG, PDF) without a window. CTest runs it under TZ=UTC and TZ=Europe/Berlin: the logger's
// clock knows no zone, so both give the same numbers.

#include "support/rig.h"

#include "report/journal.h"
#include "report/sha256.h"
#include "settings/profile.h"
#include "view/chartpanel.h"
#include "view/history.h"
#include "view/manual.h"
#include "view/pdfreport.h"
#include "view/readingscsv.h"
#include "view/readoutsummary.h"
#include "view/sensorsdialog.h"
#include "view/spreadsheetcsv.h"
#include "view/timeaxis.h"
#include "view/viewer.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimeZone>
#include <QTimer>
#include <QWheelEvent>

namespace {

const report::NumberFormat point{"."};
const QByteArray kRx = hex("0007 240305140709 03 002A 00000000 4019 0080");
const QByteArray kBv = hex("0007 240305140709 04 002A 00000000 0078 0080");
const QByteArray kBt = hex("0007 240305140709 02 001A2B3C4D5E D606 B80B");
const QByteArray kTx = hex("0007 240305140709 01 3930 2B3C4D5E 0419 B80B");

QByteArray csvOf(const view::Report& report, const QList<view::Shown>& shown = {}) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    view::writeCsv(report, out, shown);
    return out.data().mid(out.data().indexOf('\n') + 1); // without the header
}

// A TX record of transmitter id at a local time stamp ("yyMMddhhmmss": the BCD digits).
QByteArray tx(const QString& stamp, int id, double value) {
    QByteArray r = kTx;
    r.replace(2, 6, QByteArray::fromHex(stamp.toLatin1()));
    r[9] = char(id & 0xFF);
    r[10] = char(id >> 8);
    const int word = int(std::lround(value * 256)) & 0xFFF0;
    r[15] = char(word & 0xF0);
    r[16] = char(word >> 8);
    return r;
}

QByteArray tx(const QDateTime& at, int id, double value) {
    return tx(at.toString("yyMMddhhmmss"), id, value);
}

// A setting as its decimal text; "nan" where none is set.
QString dec(const std::optional<view::Decimal>& d) {
    return d ? QString::fromLatin1(view::decimalText(*d)) : QStringLiteral("nan");
}

// One file of a history: its name, and records that become a decoded report where it is one.
struct File {
    QString name;
    QByteArray records;
};

// A chart of the sensors drawn (default: all) over its whole span, 600 pixels wide, painted
// without antialiasing: each pixel is one of the colours drawn.
QImage painted(const view::Report& report, const view::Quantity& q, QList<bool> drawn = {},
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
QList<QPoint> pixels(const QImage& image, QRgb colour, QRect area = {}) {
    QList<QPoint> at;
    area = area.isNull() ? image.rect() : area & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == colour)
                at.append({x, y});
    return at;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // A zone the machine has no data for acts as UTC, and a run under it would prove nothing.
        const QByteArray zone = qgetenv("TZ");
        if (!zone.isEmpty() && !QTimeZone(zone).isValid())
            QSKIP(qPrintable("no time zone data for TZ=" + zone + " (Debian: tzdata)"));
    }

    void decodedFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QByteArray>("csv");
        const QByteArray tx = "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0";
        const QByteArray bt = "OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t30,3 93,6";
        // TX 12345 has a name with a quote and a comma.
        const QByteArray csvTx =
            "2024-03-05T14:07:09,LOWBAT,TX,12345,25.0,,\"Fridge \"\"A\"\", left\"\r\n";
        const QByteArray csvBt = "2024-03-05T14:07:09,OK,BT,00:1A:2B:3C:4D:5E,30.3,93.6,\r\n";
        QTest::newRow("CR LF, comma") << tx + "\r\n" + bt + "\r\n" << 0 << csvTx + csvBt;
        QTest::newRow("LF, cut last line") << tx + "\n" + bt.chopped(2) << 1 << csvTx;
        QTest::newRow("junk lines")
            << "heading\r\n" + tx + "\tmore\r\n\r\nOK\t" + tx.mid(7, 20) + "XX\t1\t2.0\r\nINVALID" +
                   tx.mid(6) + "\r\n" + tx.chopped(4) +
                   "-.5\r\nOK\t2024-13-05-14-07-09\tRX\t00042\t-0.5 21.5"
            << 5 << QByteArray("2024-13-05-14-07-09,OK,RX,00042,-0.5,21.5,\r\n");
        QTest::newRow("byte-order mark, a °C heading, a NUL and an odd byte")
            << "\xEF\xBB\xBFTemperature °C\r\n" + tx + "\r\n" + QByteArray(1, '\0') + "\xE9\r\n" +
                   bt + "\r\n"
            << 2 << csvTx + csvBt;
        QTest::newRow("leap days, 30 days of November, no month 0")
            << QByteArray("OK\t2024-02-29-00-00-00\tRX\t00001\t1.0\nOK\t2026-02-29-00-00-00"
                          "\tRX\t00001\t1.0\nOK\t2026-11-31-00-00-00\tRX\t00001\t1.0\n"
                          "OK\t2026-00-10-00-00-00\tRX\t00001\t1.0\nOK\t2000-02-29-00-00-00"
                          "\tRX\t00001\t1.0\n")
            << 0
            << QByteArray("2024-02-29T00:00:00,OK,RX,00001,1.0,,\r\n"
                          "2026-02-29-00-00-00,OK,RX,00001,1.0,,\r\n"
                          "2026-11-31-00-00-00,OK,RX,00001,1.0,,\r\n"
                          "2026-00-10-00-00-00,OK,RX,00001,1.0,,\r\n"
                          "2000-02-29T00:00:00,OK,RX,00001,1.0,,\r\n");
        QTest::newRow("out of range")
            << tx.chopped(4) + "999999999.9\n" + tx.chopped(4) + "-99999.9" << 1
            << QByteArray(csvTx).replace("25.0", "-99999.9");
    }
    void decodedFile() {
        QFETCH(QByteArray, text);
        QFETCH(int, skipped);
        QFETCH(QByteArray, csv);
        const view::Report report = view::readReport(text);
        QCOMPARE(report.skippedLines, skipped);
        QCOMPARE(csvOf(report, view::shownSensors(report, view::parseSensorSettings(
                                                              "[Sensor TX 12345]\nName=Fridge "
                                                              "\"A\", left\n"))),
                 csv);
        qint64 untimed = 0; // not charted: the rows without an ISO time
        for (const QByteArray& row : csv.split('\n'))
            untimed += row.size() > 10 && row[10] != 'T';
        QCOMPARE(report.untimed, untimed);
    }

    // Files merged into one history: each reading once, in time order.
    void history_data() {
        QTest::addColumn<QList<File>>("files");
        QTest::addColumn<QByteArray>("unique"); // records, in the order the history holds them
        QTest::addColumn<int>("repeated");
        const QByteArray a = tx("260301000000", 1, 20), b = tx("260301000500", 1, 20.5),
                         c = tx("260301001000", 1, 21), d = tx("260301001500", 1, 21.5);
        const QByteArray a2 = tx("260301000000", 1, 22); // the same second, another value
        QByteArray a3 = a;                               // another record, the same line
        a3[18] = 0x42;
        const QByteArray untimed = tx("261301000000", 2, 5); // month 13
        QTest::newRow("overlapping downloads")
            << QList<File>{{"in-1.dat", a + b + c}, {"in-2.dat", b + c + d}} << a + b + c + d << 2;
        QTest::newRow("read in file order, shown in time order")
            << QList<File>{{"in-1.dat", c + d}, {"in-2.dat", a + b + c}, {"in-3.dat", a + b}}
            << a + b + c + d << 3;
        QByteArray crowd; // twenty transmitters in one second
        for (int id = 1; id <= 20; ++id)
            crowd += tx("260301000000", id, 20);
        QTest::newRow("a crowded second")
            << QList<File>{{"in-1.dat", crowd + b}, {"in-2.dat", crowd}} << crowd + b << 20;
        QByteArray backwards; // the same, in another order
        for (int id = 20; id >= 1; --id)
            backwards += tx("260301000000", id, 20);
        const QByteArray more = tx("260301000000", 21, 25);
        QTest::newRow("a crowded second again, in another order and with one more")
            << QList<File>{{"in-1.dat", crowd + b}, {"in-2.dat", backwards + more}}
            << crowd + more + b << 20;
        QTest::newRow("the latest second crowded, read again")
            << QList<File>{{"in-1.dat", crowd}, {"in-2.dat", backwards + more + b}}
            << crowd + more + b << 20;
        QByteArray thousand; // read after a later one: each set aside, and found again
        for (int id = 1; id <= 1000; ++id)
            thousand += tx("260301000000", id, 20);
        QTest::newRow("a thousand set aside, then again")
            << QList<File>{{"in-1.dat", b}, {"in-2.dat", thousand}, {"in-3.dat", thousand}}
            << thousand + b << 1000;
        QTest::newRow("raw and decoded of one download")
            << QList<File>{{"out-1.txt", a + b}, {"in-1.dat", a + b}} << a + b << 2;
        QTest::newRow("decoded only, twice")
            << QList<File>{{"out-1.txt", a + b}, {"out-2.txt", b + c}} << a + b + c << 1;
        QTest::newRow("one second, two readings")
            << QList<File>{{"in-1.dat", a + a2}, {"in-2.dat", a2 + a}} << a + a2 << 2;
        QByteArray a4 = a, a5 = a; // another slot marker; a byte no decoder reads
        a4[0] = 0x42;
        a5[12] = 0x42;
        QTest::newRow("four records, one line; then the line")
            << QList<File>{{"in-1.dat", a + a3 + a + a4 + a5}, {"out-1.txt", a}} << a + a3 + a4 + a5
            << 2;
        QTest::newRow("untimed last")
            << QList<File>{{"in-1.dat", untimed + b + untimed + a}} << a + b + untimed << 1;
    }
    void history() {
        QFETCH(QList<File>, files);
        QFETCH(QByteArray, unique);
        QFETCH(int, repeated);
        QTemporaryDir dir;
        qint64 records = 0;
        for (const File& f : files) {
            writeAll(dir.filePath(f.name),
                     f.name.endsWith(".txt") ? decodeText(f.records, point) : f.records);
            records += f.records.size() / report::kRecordSize;
        }
        const view::Report history = view::readHistory({dir.path()});
        QCOMPARE(csvOf(history), csvOf(view::readReport(unique)));
        QCOMPARE(history.repeated, repeated);
        QCOMPARE(history.read, records);
        QCOMPARE(history.files.size(), files.size());
        // Raw first, whichever way they are named.
        QCOMPARE(history.raw, history.files.first().endsWith(".dat"));
    }

    // What cannot be read is named and skipped; the rest is read; nothing is changed.
    void historySkips() {
        QTemporaryDir dir;
        const QDir d(dir.path());
        d.mkpath("empty");
        d.mkpath("sub");
        const QByteArray a = tx("260301000000", 1, 20);
        writeAll(d.filePath("in-1.dat"), a + "\x01\x02\x03");
        writeAll(d.filePath("in-2.dat"), {});
        writeAll(d.filePath("in-3.dat"), QByteArray(19, '\xFF')); // one empty slot
        writeAll(d.filePath("out-4.txt"), "heading\r\nOK\t2026-03-01\r\n");
        writeAll(d.filePath("notes.txt"), "a note\n");
        writeAll(d.filePath("sub/in-5.dat"), a);
        writeAll(d.filePath("x.raw"), tx("260301000500", 1, 21)); // a report by its bytes
        writeAll(d.filePath("y.bin"), QByteArray(190, 'z'));      // no report
#ifndef Q_OS_WIN // behind a report's name, what would block or never end a read
        QVERIFY(::mkfifo(QFile::encodeName(d.filePath("in-6.dat")).constData(), 0600) == 0);
        QVERIFY(QFile::link("/dev/zero", d.filePath("in-7.dat")));
        const QString special = "not a regular file";
#else
        const QString special;
#endif
        const auto listing = [&] {
            QStringList all;
            for (const QFileInfo& f : d.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
                all.append(f.fileName() + f.lastModified().toString(Qt::ISODateWithMs));
            return all;
        };
        const QStringList before = listing();
        const view::Report history = view::readHistory(
            {d.path(), d.filePath("in-1.dat"), d.filePath("empty"), d.filePath("none.dat")});
        QCOMPARE(listing(), before);
        QCOMPARE(history.files, (QStringList{d.filePath("in-1.dat"), d.filePath("x.raw")}));
        QCOMPARE(history.readings.size(), 2);
        QCOMPARE(history.partialBytes, 3);
        QCOMPARE(history.skippedLines, 2);
        QMap<QString, QString> why;
        for (const view::SkippedFile& s : history.skipped)
            why[QFileInfo(s.path).fileName()] = s.reason;
        QCOMPARE(why.value("in-2.dat"), "empty");
        QCOMPARE(why.value("in-3.dat"), "holds no readings");
        QCOMPARE(why.value("out-4.txt"), "holds no readings");
        QCOMPARE(why.value("notes.txt"), "not a report");
        QCOMPARE(why.value("y.bin"), "not a report");
        QCOMPARE(why.value("empty"), "no reports in this folder");
        QVERIFY(why.value("none.dat").startsWith("cannot read"));
        QCOMPARE(why.value("in-6.dat"), special);
        QCOMPARE(why.value("in-7.dat"), special);
        QCOMPARE(why.size(), special.isEmpty() ? 7 : 9); // the folder inside is not read
        QCOMPARE(view::summaryOf(history),
                 QStringLiteral("2 files read, 2 records read, 2 unique readings, 0 repeated left "
                                "out, %1 files skipped; 2 lines that are not readings; 3 bytes "
                                "after the last whole record")
                     .arg(why.size()));
    }

    // The usual interval, gaps longer than three of it, lines broken there.
    void gaps_data() {
        QTest::addColumn<bool>("bt");            // else TX
        QTest::addColumn<QList<int>>("spacing"); // seconds between readings
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<int>>("gaps"); // after which readings
        QTest::newRow("even") << false << QList<int>{300, 300, 300} << 300 << QList<int>{};
        QTest::newRow("one hole") << false << QList<int>{300, 300, 3600, 300, 300} << 300
                                  << QList<int>{2};
        QTest::newRow("three intervals is no gap")
            << false << QList<int>{60, 60, 180, 181, 60} << 60 << QList<int>{3};
        QTest::newRow("two readings a second apart") << false << QList<int>{1} << 1 << QList<int>{};
        QTest::newRow("same second; of two, the higher")
            << false << QList<int>{0, 0, 1, 0, 5} << 5 << QList<int>{};
        QTest::newRow("each reading twice")
            << false << QList<int>{0, 300, 0, 300, 0, 300} << 300 << QList<int>{};
        QTest::newRow("BT: both values, a hole")
            << true << QList<int>{300, 300, 3600, 300} << 300 << QList<int>{2};
    }
    void gaps() {
        QFETCH(bool, bt);
        QFETCH(QList<int>, spacing);
        QFETCH(int, interval);
        QFETCH(QList<int>, gaps);
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        QByteArray records;
        for (int i = 0; i <= spacing.size(); at = at.addSecs(spacing.value(i++)))
            records +=
                bt ? QByteArray(kBt).replace(2, 6, hex(qPrintable(at.toString("yyMMddhhmmss"))))
                   : tx(at, 7, 20 + i);
        const view::Report history = view::readReport(records);
        const QList<view::Quantity> charts = view::quantities(history);
        QCOMPARE(charts.size(), bt ? 2 : 1); // BT: temperature and humidity, every reading in each
        for (const view::Quantity& q : charts)
            QCOMPARE(q.series[0].values.size(), spacing.size() + 1);
        const view::Series& s = charts[0].series[0];
        QCOMPARE(int(s.interval), interval);
        if (!bt) // 20, 21, ...
            QCOMPARE(view::statisticsOf(history, charts)[0].moments.meanText(1),
                     QByteArray::number(20 + spacing.size() / 2.0, 'f', 1));
        QCOMPARE(QList<int>(s.gaps.begin(), s.gaps.end()), gaps);
        const QList<view::Statistics> stats = view::statisticsOf(history, charts);
        QCOMPARE(stats[0].gaps, gaps.size());
        const QList<QPolygonF> lines =
            view::reduce(s, history.readings.first().ms(), history.readings.last().ms(), 800);
        QCOMPARE(lines.size(), gaps.size() + 1);
        if (!gaps.isEmpty()) {
            QCOMPARE(int(stats[0].longestGap), *std::max_element(spacing.begin(), spacing.end()));
            QCOMPARE(lines[0].last().x(), history.readings[gaps[0]].ms());
        }
    }

    void quantities() { // each kind in its chart, BT in two
        QStringList got;
        const view::Report report = view::readReport(kBv + kRx + kBt + kTx);
        for (const view::Quantity& q : view::quantities(report))
            for (const view::Series& s : q.series)
                got.append(q.title + ": " + s.name);
        QCOMPARE(got, QStringList({"Temperature: TX 12345", "Temperature: BT 00:1A:2B:3C:4D:5E",
                                   "Relative humidity: BT 00:1A:2B:3C:4D:5E",
                                   "RX readings: RX 00042", "Battery: BV 00042"}));
    }

    // A plot of some columns gets every column's lowest and highest reading and few more, found
    // by blocks, for a range anywhere in a long series.
    void reductionKeepsEveryColumnsExtremes() {
        QRandomGenerator rng(5);
        QByteArray records;
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
        const int n = 100000;
        for (int i = 0; i < n; ++i) // rare spikes
            records += tx(start.addSecs(60 * i + rng.bounded(30)), 3,
                          rng.bounded(20.0) + (i % 9973 ? 0 : 60));
        view::Report report = view::readReport(records);
        const QList<view::Quantity> charts = view::quantities(report);
        const view::Series& s = charts[0].series[0];
        for (const auto& [columns, from, to] :
             {std::tuple{800, 0.0, 1.0}, {500, 0.3, 0.35}, {700, 0.5, 0.5003}}) {
            const double x0 =
                report.readings.first().ms() * (1 - from) + report.readings.last().ms() * from;
            const double x1 =
                report.readings.first().ms() * (1 - to) + report.readings.last().ms() * to;
            // Each column's values drawn, the last taking what lies on its right edge.
            const int width = columns; // a lambda may not capture a structured binding here
            const auto columnOf = [&](double ms) {
                return std::min(int((ms - x0) * width / (x1 - x0)), width - 1);
            };
            QMap<int, QSet<std::int32_t>> drawn;
            int points = 0;
            for (const QPolygonF& line : view::reduce(s, x0, x1, columns)) {
                for (const QPointF& p : line)
                    drawn[columnOf(p.x())].insert(std::int32_t(std::lround(p.y() * 10))), ++points;
                // In time order but within a pixel column, where the order does not show.
                const double column = (x1 - x0) / columns;
                QVERIFY(std::adjacent_find(line.begin(), line.end(), [&](QPointF a, QPointF b) {
                            return b.x() < a.x() - column;
                        }) == line.end());
            }
            QVERIFY(points <= 2 * columns + 2);
            QMap<int, QList<std::int32_t>> columnsValues;
            for (const view::Reading& r : report.readings)
                if (r.ms() >= x0 && r.ms() <= x1)
                    columnsValues[columnOf(r.ms())].append(r.value);
            QVERIFY(!columnsValues.isEmpty());
            for (auto v = columnsValues.cbegin(); v != columnsValues.cend(); ++v)
                QVERIFY(drawn[v.key()].contains(*std::min_element(v->begin(), v->end())) &&
                        drawn[v.key()].contains(*std::max_element(v->begin(), v->end())));
        }
    }

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

    // Sensor sections and shared limits as read: what a line cannot be is read as missing and
    // named by its line; nothing else is lost.
    void sensorSettings_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QList<int>>("which"); // sensor (TX 00007, BT, RX 00042, BV 00042), value
        QTest::addColumn<QString>("shown");    // name|gain|offset|low|high
        QTest::addColumn<QList<int>>("ignored");
        const QByteArray limits = "[Limits]\nTemperatureLow=2\nTemperatureHigh=8\n";
        const QList<int> tx{0, 0};
        QTest::newRow("name, calibration, own limit")
            << limits + "[Sensor TX 00007]\nName=Freezer 2\nOffset=-0.3\nGain=1.5\n"
                        "TemperatureHigh=6\n"
            << tx << "Freezer 2|1.5|-0.3|2|6" << QList<int>{};
        QTest::newRow("case, blanks, a comment")
            << QByteArray("[  sensor   tx  00007 ]\n; Gain=0 a comment\nname = Freezer\n") << tx
            << "Freezer|1|0|nan|nan" << QList<int>{};
        QTest::newRow("decimal comma, gain 0, unknown key")
            << QByteArray("[Sensor TX 00007]\nOffset=0,5\nGain=0\nColour=red\nGain2=2\n") << tx
            << "|1|0|nan|nan" << QList<int>{2, 3, 4};
        QTest::newRow("offset 0, a limit of 0")
            << QByteArray("[Sensor TX 00007]\nOffset=0\nTemperatureLow=0\n") << tx << "|1|0|0|nan"
            << QList<int>{};
        QTest::newRow("a comma is no number")
            << QByteArray("[Sensor TX 00007]\nOffset=0,500\nTemperatureHigh=1,000\n[Limits]\n"
                          "ActivationEnergy=83,144\n")
            << tx << "|1|0|nan|nan" << QList<int>{2, 3, 5};
        QTest::newRow("out of bounds")
            << QByteArray("[Sensor TX 00007]\nOffset=1e18\nGain=1e308\nTemperatureHigh=1e18\n"
                          "Gain2=0.0001\nOffset2=-1e5\nTemperatureLow=-1e6\n")
            << tx << "|1|0|-1000000|nan" << QList<int>{2, 3, 4, 5};
        QTest::newRow("nine decimals at most, trailing zeros free")
            << QByteArray("[Sensor TX 00007]\nOffset=0.0000000015\nGain=1.000000001\n"
                          "TemperatureHigh=1.50000000000000\nTemperatureLow=1e-10\n"
                          "Gain2=-0.000999999\n")
            << tx << "|1.000000001|0|nan|1.5" << QList<int>{2, 5, 6};
        QTest::newRow("low above high in one section")
            << QByteArray("[Limits]\nTemperatureLow=9\nTemperatureHigh=8\nHumidityHigh=60\n") << tx
            << "|1|0|nan|nan" << QList<int>{2, 3};
        QTest::newRow("own low above the shared high")
            << limits + "[Sensor TX 00007]\nTemperatureLow=10\nName=F\n"
            << tx << "F|1|0|2|8" << QList<int>{5};
        QTest::newRow("no sensor named, a second section")
            << QByteArray("[Sensor XY 1]\nName=x\n[Sensor TX 00007]\nName=A\n[Sensor TX 00007]\n"
                          "Name=B\n[ZuroRuve]\nPort=3\nGain=0\n")
            << tx << "A|1|0|nan|nan" << QList<int>{2, 6};
        // Each quantity its own limit keys; a second value its own calibration, gain 1 unless set.
        const QByteArray bt = "[Sensor BT 00:1A:2B:3C:4D:5E]\nOffset2=1.5\nHumidityHigh=60\n"
                              "TemperatureHigh=30\n[Limits]\nRxLow=1\nBatteryLow=3.3\n";
        QTest::newRow("BT humidity") << bt << QList<int>{1, 1} << "|1|1.5|nan|60" << QList<int>{};
        QTest::newRow("BT temperature") << bt << QList<int>{1, 0} << "|1|0|nan|30" << QList<int>{};
        QTest::newRow("RX") << bt << QList<int>{2, 0} << "|1|0|1|nan" << QList<int>{};
        QTest::newRow("BV") << bt << QList<int>{3, 0} << "|1|0|3.3|nan" << QList<int>{};
    }
    void sensorSettings() {
        QFETCH(QByteArray, ini);
        QFETCH(QList<int>, which);
        QFETCH(QString, shown);
        QFETCH(QList<int>, ignored);
        const view::SensorSettings settings = view::parseSensorSettings(ini);
        const view::Report report = view::readReport(tx("260301000000", 7, 20) + kBt + kRx + kBv);
        const view::Shown s = view::shownSensors(report, settings)[which[0]];
        const int v = which[1];
        QCOMPARE(QStringList({s.name, dec(s.calibration[v].gain), dec(s.calibration[v].offset),
                              dec(s.low[v]), dec(s.high[v])})
                     .join('|'),
                 shown);
        QList<int> lines;
        for (const view::IgnoredLine& line : settings.ignored)
            lines.append(line.line);
        QCOMPARE(lines, ignored);
    }

    // Edits written back: the port, comments, other sections and keys the program does not know
    // stay; a key set again keeps its place; a section whose keys are all cleared goes.
    void sensorSettingsRoundTrip() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("ZURORUVE.INI");
        const QByteArray before = "; mine\r\n[ZuroRuve]\r\nPort=3\r\n[Sensor TX 00007]\r\n"
                                  "Name=Old\r\nColour=red\r\n[Other]\r\nX=1\r\n";
        writeAll(ini, before);
        const QString bt = "BT 00:1A:2B:3C:4D:5E";
        view::SensorEdits edits{{"TX 00007", {{"Name", "Freezer 2"}, {"Offset", "-0.3"}}},
                                {bt, {{"Offset2", "1.5"}}},
                                {view::kLimitsSection, {{"TemperatureLow", "2"}}}};
        QString error;
        QVERIFY(view::writeSensorEdits(ini, edits, error));
        const QByteArray after = readAll(ini);
        for (const char* kept :
             {"; mine\r\n[ZuroRuve]\r\nPort=3\r\n", "Colour=red\r\n", "[Other]\r\nX=1\r\n",
              "Name=Freezer 2\r\nColour=red\r\nOffset=-0.3\r\n",
              "[Sensor BT 00:1A:2B:3C:4D:5E]\r\nOffset2=1.5\r\n"})
            QVERIFY2(after.contains(kept), kept);
        const view::SensorSettings read = view::readSensorSettings(ini);
        QCOMPARE(dec(read.sensors.value("TX 00007").field[view::Offset]), "-0.3");
        QCOMPARE(dec(read.of("bt 00:1a:2b:3c:4d:5e")->field[view::Offset2]), "1.5");
        QCOMPARE(dec(read.limits.field[view::TemperatureLow]), "2");

        for (auto& keys : edits)
            for (QString& value : keys)
                value.clear();
        QVERIFY(view::writeSensorEdits(ini, edits, error));
        QCOMPARE(readAll(ini), "; mine\r\n[ZuroRuve]\r\nPort=3\r\n[Sensor TX 00007]\r\n"
                               "Colour=red\r\n[Other]\r\nX=1\r\n");
    }

    // A name in any script, typed in the dialog, is written as UTF-8 and read back, beside names
    // of a file saved as UTF-8 or, on a western Windows, in its ANSI code page.
    void unicodeNames_data() {
        QTest::addColumn<QByteArray>("cellar"); // "Kühlraum" as the file holds it
        QTest::newRow("UTF-8") << QByteArray("K\xC3\xBChlraum");
        QTest::newRow("ANSI") << QByteArray("K\xFChlraum");
    }
    void unicodeNames() {
        QFETCH(QByteArray, cellar);
        if (kWindows && cellar.contains('\xFC') && QString::fromLocal8Bit("\xFC") != u"ü")
            QSKIP("the ANSI code page is not a western one");
        QTemporaryDir dir;
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, "[ZuroRuve]\r\nPort=4\r\n[Sensor RX 00041]\r\nName=" + cellar + "\r\n");
        view::SensorsDialog dialog({"TX 00007", "RX 00041"}, view::readSensorSettings(ini));
        QTableWidget* table = dialog.table();
        const auto nameOf = [&](const QString& sensor) {
            for (int row = 0; row < table->rowCount(); ++row)
                if (table->item(row, 0)->text().contains(sensor))
                    return table->item(row, 1);
            return static_cast<QTableWidgetItem*>(nullptr);
        };
        QCOMPARE(nameOf("RX 00041")->text(), "Kühlraum");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        table->editItem(nameOf("TX 00007"));
        for (const QChar c :
             QStringLiteral("Морозильник №2")) // typed as a keyboard layout types it
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, c,
                                Qt::NoModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QString error;
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QVERIFY(
            readAll(ini).contains("Name=" + QStringLiteral("Морозильник №2").toUtf8() + "\r\n"));
        const view::SensorSettings read = view::readSensorSettings(ini);
        QCOMPARE(read.of("TX 00007")->name, "Морозильник №2");
        QCOMPARE(read.of("RX 00041")->name, "Kühlraum");
        QCOMPARE(settings::getProfileString("ZuroRuve", "Port", "", ini), "4");
    }

    // The Sensors dialog refuses what it cannot store, and its OK writes only what changed: the
    // port, lines it cannot use and a long name stay as they are.
    void sensorsDialog() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("ZURORUVE.INI");
        const QByteArray unused = "[Sensor RX 00099]\r\nName=" + QByteArray(357, 'x') +
                                  "\r\nGain=1,5\r\nColour=red\r\nRxLow=9\r\nRxHigh=8\r\n";
        writeAll(ini, "[ZuroRuve]\r\nPort=4\r\n" + unused);
        view::SensorsDialog dialog({"TX 00007", "BT 00:1A:2B:3C:4D:5E"},
                                   view::readSensorSettings(ini));
        QString error;
        QVERIFY(dialog.edits().isEmpty());
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QCOMPARE(readAll(ini), "[ZuroRuve]\r\nPort=4\r\n" + unused);
        QTableWidget* table = dialog.table();
        QCOMPARE(table->rowCount(), 4); // all sensors, the two read, the one only the file names
        QVERIFY(table->columnWidth(0) >
                table->fontMetrics().horizontalAdvance(table->item(2, 0)->text()));
        const auto cell = [&](int row, const char* header) {
            for (int c = 0; c < table->columnCount(); ++c)
                if (table->horizontalHeaderItem(c)->text().replace('\n', ' ').section(" (", 0, 0) ==
                    header)
                    return table->item(row, c);
            return static_cast<QTableWidgetItem*>(nullptr);
        };
        for (const char* none : {"Humidity low", "Gain 2"}) // a TX has neither
            QVERIFY(!(cell(1, none)->flags() & Qt::ItemIsEditable));
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled() && !cell(3, "Gain")->toolTip().isEmpty()); // marked, as written
        QCOMPARE(cell(3, "Gain")->text(), "1,5");
        for (const auto& [row, header, text, valid] : {std::tuple{1, "Gain", "0", false},
                                                       {1, "Gain", "1,02", false},
                                                       {1, "Gain", "1.02", true},
                                                       {1, "Offset", "0,500", false},
                                                       {1, "Offset", "", true},
                                                       {0, "Temperature low", "9", true},
                                                       {0, "Temperature high", "8", false},
                                                       {0, "Temperature high", "", true},
                                                       {1, "Temperature high", "5", false},
                                                       {1, "Temperature high", "12", true},
                                                       {3, "RX low", "10", false},
                                                       {3, "RX high", "", true}}) {
            cell(row, header)->setText(text);
            QCOMPARE(ok->isEnabled(), valid);
            QCOMPARE(dialog.problems().isEmpty(), valid);
            QCOMPARE(cell(row, header)->toolTip().isEmpty(), valid); // the reason at the cell
        }
        // Keys: Return in a cell not being edited edits it and presses no OK; Delete clears the
        // cells chosen that can be edited.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        table->setFocus();
        table->setCurrentItem(cell(2, "Name"));
        QTest::keyClick(table, Qt::Key_Return);
        QVERIFY(dialog.isVisible() && QApplication::focusWidget() != table);
        QTest::keyClicks(QApplication::focusWidget(), "Store room");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(cell(2, "Name")->text(), "Store room");
        // Where the locale writes a decimal comma, one typed is a point before it is checked;
        // the headings name the units.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        table->setCurrentItem(cell(2, "Temperature high"));
        QTest::keyClick(table, Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), "12,5");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QLocale::setDefault(QLocale::c());
        QTRY_COMPARE(cell(2, "Temperature high")->text(), "12.5");
        QVERIFY(ok->isEnabled());
        QVERIFY(
            table->horizontalHeaderItem(cell(2, "Humidity low")->column())->text().endsWith("(%)"));
        QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
        table->clearSelection();
        for (const char* header : {"Sensor", "Offset", "Gain"})
            cell(1, header)->setSelected(true);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(cell(1, "Sensor")->text() + cell(1, "Offset")->text() + cell(1, "Gain")->text(),
                 "TX 00007");
        // Without a sensor's row the helper asks for one, and the hint goes once one is chosen;
        // the helper is titled by the sensor's name, its fields by the value's unit.
        const auto twoPoint = [&] {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text().startsWith("Two-point"))
                    b->click();
        };
        const auto hinted = [&] {
            for (QLabel* label : dialog.findChildren<QLabel*>())
                if (label->text() == "Choose a sensor's row first.")
                    return true;
            return false;
        };
        table->setCurrentCell(0, 0);
        twoPoint();
        QVERIFY(hinted());
        table->setCurrentCell(2, 0);
        QVERIFY(!hinted());
        QString title, unit;
        QTimer::singleShot(0, [&] {
            auto* ask = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            title = ask->windowTitle();
            for (QLabel* label : ask->findChildren<QLabel*>())
                if (label->text().startsWith("Reading 1"))
                    unit = label->text();
            ask->reject();
        });
        twoPoint();
        QCOMPARE(title, "Two-point calibration of Store room (BT 00:1A:2B:3C:4D:5E)");
        QCOMPARE(unit, "Reading 1 (as decoded, °C):");
        // The two-point helper fills the chosen sensor's first calibration, rounded.
        table->setCurrentCell(1, 0);
        QTimer::singleShot(0, [] {
            auto* ask = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            const QStringList points{"0", "0", "24.9", "25"};
            for (int i = 0; i < 4; ++i)
                ask->findChildren<QLineEdit*>()[i]->setText(points[i]);
            ask->accept();
        });
        twoPoint();
        QCOMPARE(cell(1, "Offset")->text() + '|' + cell(1, "Gain")->text(), "0|1.00402");
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QCOMPARE(settings::getProfileString("ZuroRuve", "Port", "", ini), "4");
        const QByteArray written = readAll(ini);
        QVERIFY(written.contains("Name=" + QByteArray(357, 'x') +
                                 "\r\nGain=1,5\r\nColour=red\r\n"
                                 "RxLow=10\r\n[")); // no RxHigh
        const view::SensorSettings read = view::readSensorSettings(ini);
        QCOMPARE(dec(read.of("TX 00007")->field[view::Gain]), "1.00402");
        QCOMPARE(dec(read.of("TX 00007")->field[view::TemperatureHigh]), "12");
        QCOMPARE(read.of("BT 00:1A:2B:3C:4D:5E")->name, "Store room");
        QCOMPARE(dec(read.of("BT 00:1A:2B:3C:4D:5E")->field[view::TemperatureHigh]), "12.5");
        QCOMPARE(dec(read.of("RX 00099")->field[view::RxLow]), "10");
        QCOMPARE(dec(read.limits.field[view::TemperatureLow]), "9");
    }

    void twoPointCalibration_data() {
        QTest::addColumn<QList<double>>("points"); // reading 1, true 1, reading 2, true 2
        QTest::addColumn<double>("gain");          // NaN: refused
        QTest::addColumn<double>("offset");
        QTest::newRow("offset only") << QList<double>{0, -0.3, 25, 24.7} << 1.0 << -0.3;
        QTest::newRow("gain and offset") << QList<double>{10, 11, 30, 31.4} << 1.02 << 0.8;
        // 25 / 24.9 = 1.004016...: five decimals keep 24.9 within half a thousandth.
        QTest::newRow("rounded") << QList<double>{0, 0, 24.9, 25} << 1.00402 << 0.0;
        QTest::newRow("falling") << QList<double>{0, 10, 10, 0} << -1.0 << 10.0;
        QTest::newRow("same reading twice") << QList<double>{5, 5, 5, 6} << qQNaN() << 0.0;
        QTest::newRow("same true value") << QList<double>{5, 5, 6, 5} << qQNaN() << 0.0;
    }
    void twoPointCalibration() {
        QFETCH(QList<double>, points);
        QFETCH(double, gain);
        QFETCH(double, offset);
        double g = 0, o = 0;
        QCOMPARE(view::twoPointCalibration(points[0], points[1], points[2], points[3], g, o),
                 !std::isnan(gain));
        if (!std::isnan(gain)) {
            QVERIFY(std::abs(g - gain) < 1e-12 && std::abs(o - offset) < 1e-12);
            QVERIFY(std::abs(g * points[2] + o - points[3]) < 5e-4);
        }
    }

    // A series' statistics against its limits, calibrated: excursions, time outside, the longest
    // excursion, standard deviation and mean kinetic temperature, on readings 5 minutes apart.
    void limitsAndStatistics_data() {
        QTest::addColumn<QList<double>>("values"); // decoded
        QTest::addColumn<QList<int>>("spacing");   // seconds after each reading; 300 past the end
        QTest::addColumn<QByteArray>("settings");  // of TX 00007
        QTest::addColumn<QList<double>>("expected");
        // excursions, seconds outside, longest, its first reading, mean, std dev, MKT
        const QByteArray high8 = "TemperatureHigh=8\n", high19 = "TemperatureHigh=1.9\n";
        QTest::newRow("runs, one across a gap")
            << QList<double>{5, 9, 10, 5, 9, 9, 5} << QList<int>{300, 300, 300, 300, 3600, 300}
            << high8 << QList<double>{3, 1200, 600, 1, 7.43, 2.3, 7.7};
        QTest::newRow("last reading outside") << QList<double>{5, 9} << QList<int>{300} << high8
                                              << QList<double>{1, 300, 300, 1, 7, 2.83, 7.2};
        QTest::newRow("below the low limit")
            << QList<double>{1, 3, 1, 1} << QList<int>{300, 300, 300}
            << QByteArray("TemperatureLow=2\n") << QList<double>{2, 900, 600, 2, 1.5, 1, 1.5};
        QTest::newRow("1.9 + 0.0005 is above 1.9") // 1.901 and 1.001
            << QList<double>{1.9, 1} << QList<int>{300} << QByteArray("Offset=0.0005\n") + high19
            << QList<double>{1, 300, 300, 0, 1.45, 0.64, 1.5};
        QTest::newRow("calibrated out of range")
            << QList<double>{10, 10, 10} << QList<int>{300, 300}
            << QByteArray("Gain=2\nOffset=-12\nTemperatureHigh=7\n")
            << QList<double>{1, 900, 900, 0, 8, 0, 8};
        QTest::newRow("no limits: no excursions; MKT by hand")
            << QList<double>{20, 25, 30} << QList<int>{300, 300} << QByteArray()
            << QList<double>{0, 0, 0, -1, 25, 5, 25.9};
        QTest::newRow("another activation energy")
            << QList<double>{20, 25, 30} << QList<int>{300, 300}
            << QByteArray("[Limits]\nActivationEnergy=60\n")
            << QList<double>{0, 0, 0, -1, 25, 5, 25.6};
    }
    void limitsAndStatistics() {
        QFETCH(QList<double>, values);
        QFETCH(QList<int>, spacing);
        QFETCH(QByteArray, settings);
        QFETCH(QList<double>, expected);
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        QByteArray records;
        for (int i = 0; i < values.size(); at = at.addSecs(spacing.value(i++)))
            records += tx(at, 7, values[i]);
        const view::Report report = view::readReport(records);
        const view::SensorSettings parsed = view::parseSensorSettings(
            settings.startsWith('[') ? settings : "[Sensor TX 00007]\n" + settings);
        const QList<view::Quantity> charts =
            view::quantities(report, view::shownSensors(report, parsed));
        const view::Statistics st =
            view::statisticsOf(report, charts, parsed.activationEnergy()).first();
        QCOMPARE(st.excursions, qint64(expected[0]));
        QCOMPARE(st.outside, qint64(expected[1]));
        QCOMPARE(st.longestExcursion, qint64(expected[2]));
        QCOMPARE(st.longestExcursionStart,
                 expected[3] < 0 ? view::kNoTime : report.readings[int(expected[3])].time);
        QCOMPARE(st.moments.meanText(2), QByteArray::number(expected[4], 'f', 2));
        QCOMPARE(st.moments.deviationText(2), QByteArray::number(expected[5], 'f', 2));
        QCOMPARE(QString::number(st.meanKinetic, 'f', 1), QString::number(expected[6], 'f', 1));
        // The chart shows and the CSV writes the calibrated values, as the statistics count them.
        const view::Series& s = charts[0].series[0];
        const QList<QPolygonF> lines = view::reduce(s, s.ms(0), s.ms(s.at.size() - 1), 800);
        QCOMPARE(csvOf(report, view::shownSensors(report, parsed)).split(',')[4].toDouble(),
                 lines.first().first().y());
        if (st.minimum == st.maximum)
            QCOMPARE(lines.first().first().y(), double(*st.minimum) / 1000);
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

    // One rule for every duration written in words: whole seconds, no part that is 0, as the
    // statistics CSV's seconds.
    void durations_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << qint64(0) << "0 s";
        QTest::newRow("below a minute") << qint64(31) << "31 s";
        QTest::newRow("a minute") << qint64(60) << "1 min";
        QTest::newRow("not rounded") << qint64(2 * 3600 + 22 * 60 + 49) << "2 h 22 min 49 s";
        QTest::newRow("a second short of the hour") << qint64(3599) << "59 min 59 s";
        QTest::newRow("days") << qint64(3 * 86400 + 4 * 3600 + 10 * 60 + 29)
                              << "3 d 4 h 10 min 29 s";
        QTest::newRow("a day and minutes") << qint64(86400 + 300) << "1 d 5 min";
    }
    void durations() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(view::spanText(seconds), text);
    }

    // Calibrated values exact to the last digit on every kind, halves worked out by hand:
    // gain x decoded + offset rounded once, half away from zero, one number in the readings' CSV,
    // the statistics and the chart.
    void exactValues_data() {
        QTest::addColumn<QByteArray>("line");     // kind, identifier and values of a decoded line
        QTest::addColumn<QByteArray>("settings"); // of that sensor
        QTest::addColumn<QByteArray>("shown");    // value and value2 as the CSV writes them
        QTest::newRow("TX: 1.9 + 0.0005 = 1.9005")
            << QByteArray("TX\t00001\t1.9") << QByteArray("Offset=0.0005") << QByteArray("1.901,");
        QTest::newRow("TX: 1.0 + 0.0005")
            << QByteArray("TX\t00001\t1.0") << QByteArray("Offset=0.0005") << QByteArray("1.001,");
        QTest::newRow("TX: -1.9 - 0.0005, away from zero")
            << QByteArray("TX\t00001\t-1.9") << QByteArray("Offset=-0.0005")
            << QByteArray("-1.901,");
        QTest::newRow("TX: 1.1 x 1.005 = 1.1055")
            << QByteArray("TX\t00001\t1.1") << QByteArray("Gain=1.005") << QByteArray("1.106,");
        QTest::newRow("BT: 20.1 x 1.005 = 20.2005, 45.3 x 0.5 + 0.0005 = 22.6505")
            << QByteArray("BT\t00:1A:2B:3C:4D:5E\t20.1 45.3")
            << QByteArray("Gain=1.005\nGain2=0.5\nOffset2=0.0005") << QByteArray("20.201,22.651");
        QTest::newRow("RX: the second, -2.5 x 1.0002 = -2.5005")
            << QByteArray("RX\t00042\t2.5 -2.5") << QByteArray("Gain2=1.0002")
            << QByteArray("2.5,-2.501");
        QTest::newRow("BV: 3.3 x 1.5 - 0.0005 = 4.9495")
            << QByteArray("BV\t00042\t3.3") << QByteArray("Gain=1.5\nOffset=-0.0005")
            << QByteArray("4.95,");
        QTest::newRow("an exponent: 2.0 x 2.5 - 0.0005 = 4.9995")
            << QByteArray("TX\t00001\t2.0") << QByteArray("Gain=25e-1\nOffset=-5E-4")
            << QByteArray("5.0,");
        QTest::newRow("the widest: 99999.9 x 1000 + 100000")
            << QByteArray("TX\t00001\t99999.9") << QByteArray("Gain=1000\nOffset=100000")
            << QByteArray("100099900.0,");
        QTest::newRow("just below zero is 0.0")
            << QByteArray("TX\t00001\t0.0") << QByteArray("Offset=-0.0004") << QByteArray("0.0,");
    }
    void exactValues() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, shown);
        const view::Report report = view::readReport("OK\t2024-03-05-14-07-09\t" + line + "\r\n");
        const QList<QByteArray> fields = line.split('\t');
        const QList<view::Shown> how = view::shownSensors(
            report, view::parseSensorSettings("[Sensor " + fields[0] + ' ' + fields[1] + "]\n" +
                                              settings + '\n'));
        QCOMPARE(csvOf(report, how),
                 "2024-03-05T14:07:09,OK," + fields[0] + ',' + fields[1] + ',' + shown + ",\r\n");
        // The statistics and the chart of each value: the same number.
        const QList<QByteArray> values = shown.split(',');
        const QList<view::Quantity> charts = view::quantities(report, how);
        int k = 0;
        for (const view::Statistics& st : view::statisticsOf(report, charts)) {
            QCOMPARE(view::thousandthsText(*st.minimum), values[k++]);
            QCOMPARE(st.moments.meanText(4), view::fixedText(*st.maximum * 10, 4));
        }
        const view::Series& s = charts.first().series.first();
        QCOMPARE(view::thousandthsText(view::thousandthsOf(
                     view::reduce(s, s.ms(0) - 1000, s.ms(0) + 1000, 100).first().first().y())),
                 values.first());
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

    // Means and deviations from exact sums, rounded once to the digits printed: the CSV's four
    // and the tables' and PDF's two from the same exact value; MKT with no "-0.0". By hand.
    void meansOnHalves_data() {
        QTest::addColumn<QList<int>>("tenths");
        QTest::addColumn<QStringList>("expected"); // CSV mean, std dev; table mean, std dev, MKT
        QTest::newRow("15 x 0.1 and 2.8: mean 0.26875, deviation 0.675")
            << QList<int>(15, 1) + QList<int>{28}
            << QStringList{"0.2688", "0.6750", "0.27", "0.68", ""};
        QTest::newRow("7.1, 7.1, 7.1, 7.0: mean 7.075, deviation 0.05")
            << QList<int>{71, 71, 71, 70}
            << QStringList{"7.0750", "0.0500", "7.08", "0.05", "7.1 °C"};
        QTest::newRow("below zero") << QList<int>{-71, -71, -71, -70}
                                    << QStringList{"-7.0750", "0.0500", "-7.08", "0.05", "-7.1 °C"};
        QTest::newRow("-0.1 and 2001 x 0.0: a mean of -0.00005 less a little")
            << QList<int>{-1} + QList<int>(2001, 0)
            << QStringList{"0.0000", "0.0022", "0.00", "0.00", "0.0 °C"};
        QTest::newRow("-0.1 and 0.0: MKT just below zero")
            << QList<int>{-1, 0} << QStringList{"-0.0500", "0.0707", "-0.05", "0.07", "0.0 °C"};
    }
    void meansOnHalves() {
        QFETCH(QList<int>, tenths);
        QFETCH(QStringList, expected);
        QByteArray lines;
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        for (const int t : tenths) {
            lines += "OK\t" + at.toString("yyyy-MM-dd-hh-mm-ss").toLatin1() + "\tTX\t00001\t" +
                     (t < 0 ? "-" : "") + QByteArray::number(std::abs(t) / 10) + '.' +
                     QByteArray::number(std::abs(t) % 10) + "\r\n";
            at = at.addSecs(300);
        }
        const view::Report report = view::readReport(lines);
        const QList<view::Statistics> st = view::statisticsOf(report, view::quantities(report));
        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        view::writeStatisticsCsv(st, csv);
        const QList<QByteArray> row = csv.data().split('\n')[1].split(',');
        QCOMPARE(QStringList({row[13], row[14]}), expected.mid(0, 2));
        using T = view::StatisticsTable;
        QCOMPARE(T::cell(st[0], T::Mean), expected[2]);
        QCOMPARE(T::cell(st[0], T::Deviation), expected[3]);
        if (!expected[4].isEmpty())
            QCOMPARE(T::cell(st[0], T::MeanKinetic), expected[4]);
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

    // Names, file names and settings lines that look like markup show as written: labels as
    // plain text, tooltips escaped (rich text whose text is the line as written).
    void markupShownAsText() {
        QTemporaryDir dir;
        const QString markup = "<b>x<img src=secret.png>";
        // Windows takes no "<" in a file name; an entity is markup too, shown as "<" were it read.
        const QString file = kWindows ? "&lt;b&gt;secret" : markup;
        writeAll(dir.filePath(file + ".dat"), tx("260302000000", 1, 5));
        writeAll(dir.filePath(file + ".txt"), "not a report\n");
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, ("[Sensor TX 00001]\nName=" + markup + "\nGain=" + markup + "\n").toUtf8());
        view::Viewer viewer;
        QString why, error;
        viewer.setSettingsFile(ini, why);
        QVERIFY(viewer.open({dir.path()}, error));
        view::SensorsDialog dialog({"TX 00001"}, viewer.document().settings, nullptr);
        int tips = 0, labels = 0;
        for (QWidget* top : {static_cast<QWidget*>(&viewer), static_cast<QWidget*>(&dialog)}) {
            for (QWidget* w : top->findChildren<QWidget*>()) {
                if (w->toolTip().contains("secret")) { // as Qt shows a tooltip
                    QTextDocument shown;
                    if (Qt::mightBeRichText(w->toolTip()))
                        shown.setHtml(w->toolTip());
                    else
                        shown.setPlainText(w->toolTip());
                    QVERIFY2(shown.toPlainText().contains(file), qPrintable(w->toolTip()));
                    ++tips;
                }
                const auto* label = qobject_cast<QLabel*>(w);
                if (label && label->text().contains(markup)) {
                    QCOMPARE(label->textFormat(), Qt::PlainText);
                    ++labels;
                }
            }
        }
        QCOMPARE(tips, 2);   // the status bar's: what was skipped, the line ignored; what was read
        QCOMPARE(labels, 2); // what was read, in the status bar; the dialog's lines not used
        viewer.showNothing(markup); // a message that names a file
        labels = 0;
        for (const QLabel* label : viewer.findChildren<QLabel*>())
            labels += label->text() == markup && label->textFormat() == Qt::PlainText;
        QCOMPARE(labels, 2); // on the page, and in the status bar
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

    // Zoom and pan stay within the data's span, and a zoom keeps the time under the pointer.
    void timeRange_data() {
        QTest::addColumn<QList<double>>("now");      // x0, x1, and at and factor, or ms to pan
        QTest::addColumn<QList<double>>("expected"); // within 0 to 100 s
        QTest::newRow("in about the middle")
            << QList<double>{0, 1e5, 5e4, 0.8} << QList<double>{1e4, 9e4};
        QTest::newRow("in about the left edge")
            << QList<double>{0, 1e5, 0, 0.5} << QList<double>{0, 5e4};
        QTest::newRow("out stops at the data")
            << QList<double>{2e4, 6e4, 4e4, 4} << QList<double>{0, 1e5};
        QTest::newRow("out at the pointer")
            << QList<double>{7e4, 9e4, 9e4, 2} << QList<double>{5e4, 9e4};
        QTest::newRow("no narrower than a second")
            << QList<double>{0, 1e5, 0, 1e-3} << QList<double>{0, 1000};
        QTest::newRow("pan back past the start")
            << QList<double>{1e4, 3e4, -5e4} << QList<double>{0, 2e4};
        QTest::newRow("pan on past the end")
            << QList<double>{6e4, 9e4, 2e4} << QList<double>{7e4, 1e5};
    }
    void timeRange() {
        QFETCH(QList<double>, now);
        QFETCH(QList<double>, expected);
        const view::TimeRange from{now[0], now[1]}, full{0, 1e5};
        const view::TimeRange got = now.size() == 4 ? view::zoomed(from, full, now[2], now[3])
                                                    : view::panned(from, full, now[2]);
        QCOMPARE(got, (view::TimeRange{expected[0], expected[1]}));
    }

    // The window: a first size that fits the screen; the wheel scrolls the page, Ctrl and the
    // wheel zoom about the pointer; the zoom stays when the settings change, and a mended
    // settings line is no longer told; the statistics head each column once; exports suggest a
    // name and take the filter's suffix.
    void window() {
        QTemporaryDir dir;
        QByteArray records;
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 100; ++i, at = at.addSecs(300))
            records += tx(at, 1, 5 + i % 3) + (i % 2 ? tx(at, 2, 8) : QByteArray());
        writeAll(dir.filePath("in.dat"), records);
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, "[Sensor TX 00001]\nGain=0\n");
        view::Viewer viewer;
        QCOMPARE(viewer.size().boundedTo(viewer.screen()->availableGeometry().size()),
                 viewer.size());
        QString why, error;
        viewer.setSettingsFile(ini, why);
        QVERIFY(viewer.open({dir.filePath("in.dat")}, error));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.document().perSensor, (QList<qint64>{100, 50}));
        QCOMPARE(viewer.settingsIgnored().size(), 1);
        // An export never lands on what is shown, by whatever name.
        for (const QString& shown :
             {ini, dir.path() + "/../" + QFileInfo(dir.path()).fileName() + "/in.dat"})
            QVERIFY(!viewer.exportTo(view::Export::Csv, shown, error) &&
                    error.endsWith("which is read: nothing written"));
        QCOMPARE(readAll(dir.filePath("in.dat")), records);
        const view::TimeRange whole = viewer.timeRange();
        QCOMPARE(whole.span(), 99 * 300 * 1000.0);
        auto* panel = viewer.findChild<view::ChartPanel*>();
        const QRect plot = view::plotRect(panel->rect());
        const QPointF middle(plot.left() + plot.width() / 2.0, plot.top() + 10);
        for (const auto modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
            QWheelEvent wheel(middle, panel->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(panel, &wheel);
            QCOMPARE(wheel.isAccepted(), modifiers == Qt::ControlModifier);
        }
        QVERIFY(std::abs(viewer.timeRange().x0 - whole.x0 - 0.1 * whole.span()) < 1 &&
                std::abs(viewer.timeRange().span() - 0.8 * whole.span()) < 1);
        viewer.panBy(1); // stops at the end
        const view::TimeRange zoomed = viewer.timeRange();
        QCOMPARE(zoomed, (view::TimeRange{whole.x1 - 0.8 * whole.span(), whole.x1}));
        writeAll(ini, "[Sensor TX 00001]\nGain=2\nName=Fridge\n");
        viewer.setSettingsFile(ini, why);
        QCOMPARE(viewer.timeRange(), zoomed);
        QVERIFY(viewer.settingsIgnored().isEmpty() &&
                view::remarksOf(viewer.document().report).isEmpty());
        QCOMPARE(viewer.findChild<view::ChartPanel*>()->timeRange(), zoomed);
        // The Sensors dialog's OK writes what changed and shows it at once, the zoom kept.
        QTimer::singleShot(0, &viewer, [] {
            auto* dialog = qobject_cast<view::SensorsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->table()->item(2, 1)->setText("Cellar"); // TX 00002's name
            dialog->accept();
        });
        viewer.editSensors();
        QVERIFY(readAll(ini).contains("[Sensor TX 00002]\r\nName=Cellar\r\n"));
        QCOMPARE(viewer.document().shown[1].name, "Cellar");
        QCOMPARE(viewer.timeRange(), zoomed);

        view::StatisticsTable table;
        table.setStatistics(viewer.document().statistics);
        QSet<QString> headings;
        for (int c = 0; c < table.columnCount(); ++c)
            headings.insert(table.headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headings.size(), 22);
        QCOMPARE(table.headerData(0, Qt::Vertical).toString(), "Fridge · TX 00001");
        // Units in the cells, the list by name with a word to its counts, the program's name.
        QCOMPARE(
            view::StatisticsTable::shownCell(table.statistics()[0], view::StatisticsTable::Maximum),
            "14.0 °C");
        auto* list = viewer.findChild<QListWidget*>("sensors");
        QCOMPARE(list->item(0)->text(), "Cellar · TX 00002  (50 readings)");
        QCOMPARE(list->item(1)->text(), "Fridge · TX 00001  (100 readings)");
        QCOMPARE(viewer.windowTitle(), "in.dat – ZELM Report Viewer");
        // Space ticks a sensor, and the list's ticks decide what is drawn.
        list->setFocus();
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(viewer.tickedSensors(), (QList<bool>{true, false}));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(view::suggestedName(viewer.document(), view::Export::Pdf),
                 "zelm-report-2026-03-02-2026-03-02.pdf");
        QCOMPARE(view::withSuffix("r", view::Export::Statistics), "r.csv");
        QCOMPARE(view::withSuffix("r.txt", view::Export::Png), "r.txt");
        // The size it closes with is the size it opens with.
        viewer.resize(700, 500);
        QTRY_COMPARE(viewer.size(), QSize(700, 500));
        viewer.close();
        view::Viewer again;
        again.setSettingsFile(ini, why);
        QCOMPARE(again.size(), QSize(700, 500));
    }

    // The history follows its folder: a file added appears without a reload, read alone (its
    // readings are counted once, the others not read again); Reload reads nothing where nothing
    // is new, and everything again where a file read before changed.
    // The kept reports against their journal: zelm-view --verify, the window's mark with each
    // problem in its tooltip, and the PDF's words.
    void verify_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("said"); // by --verify; %d the folder
        QTest::addColumn<QString>("mark");
        const QString fine = "%d: 2 kept files as the journal has them";
        QTest::newRow("as kept") << "" << 0 << QStringList{fine} << "Verified";
        QTest::newRow("kept before the journal began")
            << "found" << 0 << QStringList{fine} << "Verified";
        QTest::newRow("a byte changed")
            << "changed" << 1
            << QStringList{"DATA/in-1.dat: changed since it was kept",
                           "%d: 1 problem, 1 kept file as the journal has them"}
            << "1 problem";
        QTest::newRow("a file missing")
            << "missing" << 1
            << QStringList{"DATA/in-2.dat: missing", "%d: 1 problem, 1 kept file as the "
                                                     "journal has them"}
            << "1 problem";
        QTest::newRow("a file added")
            << "added" << 1
            << QStringList{"DATA/in-3.dat: not in the journal",
                           "%d: 1 problem, 2 kept files as the journal has them"}
            << "1 problem";
        QTest::newRow("a line damaged")
            << "damaged" << 1
            << QStringList{"DATA/readouts.log line 2: not a line of the journal",
                           "DATA/in-1.dat: not in the journal",
                           "%d: 2 problems, 1 kept file as the journal has them"}
            << "2 problems";
        QTest::newRow("no journal") << "none" << 2
                                    << QStringList{"%d: no journal of read-outs (readouts.log): "
                                                   "nothing to verify"}
                                    << "No journal";
    }
    void verify() {
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QStringList, said);
        QFETCH(QString, mark);
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        QDir().mkpath(data);
        const QDateTime start(QDate(2026, 3, 2), QTime(0, 0));
        for (int n = 1; n <= 2; ++n) {
            const QString kept = data + QString("/in-%1.dat").arg(n);
            writeAll(kept, tx(start.addSecs(300 * n), n, 5));
            report::JournalLine line{start, "read", "test", "COM3", 19, "whole", kept, {}};
            QString why;
            QVERIFY2(fault == "found" && n == 1 ? true : report::writeJournal(data, line, why),
                     qPrintable(why));
        }
        const QString journal = data + "/readouts.log";
        if (fault == "changed")
            writeAll(data + "/in-1.dat", tx(start, 1, 6));
        if (fault == "missing")
            QFile::remove(data + "/in-2.dat");
        if (fault == "added")
            writeAll(data + "/in-3.dat", tx(start, 3, 5));
        if (fault == "damaged") { // the first read's line
            QByteArray lines = readAll(journal);
            writeAll(journal, lines.replace(lines.indexOf("\tread\t"), 6, "\tred\t"));
        }
        if (fault == "none")
            QVERIFY(QFile::remove(journal));
        QProcess view;
        view.start(ZELM_VIEW, {"--verify", data});
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), status);
        QCOMPARE(
            QString::fromLocal8Bit(view.readAllStandardOutput()).remove('\r').trimmed().split('\n'),
            said.replaceInStrings("%d", QDir::toNativeSeparators(data))
                .replaceInStrings("DATA/", QDir::toNativeSeparators("DATA/")));
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({data}, error));
        QCOMPARE(viewer.verificationMark()->text(), mark);
        for (const QString& problem : said.mid(0, said.size() - 1))
            QVERIFY(
                viewer.verificationMark()->toolTip().contains(QDir::fromNativeSeparators(problem)));
        // The PDF says so in the words the document has.
        const QString words = viewer.document().verification;
        QVERIFY(words.startsWith(status == 0 ? "Verified" : status == 1 ? "NOT verified" : "Not"));
        bool printed = false;
        for (const view::PdfText& text : view::pdfTexts(viewer.document(), {}))
            printed = printed || text.text == words;
        QVERIFY(printed);
    }

    void followAndReload() {
        QTemporaryDir dir;
        const QDateTime start(QDate(2026, 3, 2), QTime(0, 0));
        QByteArray first, second;
        for (int i = 0; i < 20; ++i)
            first += tx(start.addSecs(300 * i), 1, 5);
        for (int i = 10; i < 30; ++i) // half of it repeated
            second += tx(start.addSecs(300 * i), 1, 5) + tx(start.addSecs(300 * i), 2, 3);
        writeAll(dir.filePath("in-1.dat"), first);
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({dir.path()}, error));
        QCOMPARE(viewer.followedFolders(), QStringList{QFileInfo(dir.path()).absoluteFilePath()});
        writeAll(dir.filePath("in-2.dat"), second);
        QTRY_COMPARE_WITH_TIMEOUT(viewer.document().report.files.size(), 2, 10000);
        const view::Report& r = viewer.document().report;
        QCOMPARE(r.read, 20 + 40); // the first file not read again
        QCOMPARE(r.repeated, 10);
        QCOMPARE(viewer.document().perSensor, (QList<qint64>{30, 20}));
        viewer.reload(); // nothing new
        QCOMPARE(viewer.document().report.read, 60);
        writeAll(dir.filePath("in-1.dat"), first.left(5 * report::kRecordSize)); // changed
        writeAll(dir.filePath("notes.txt"), "not a report\n");
        viewer.reload();
        const view::Report again = view::readHistory({dir.path()});
        QCOMPARE(viewer.document().report.read, again.read);
        QCOMPARE(viewer.document().report.readings.size(), again.readings.size());
        QCOMPARE(view::remarksOf(viewer.document().report), view::remarksOf(again));
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

    // Help and keys: F1 opens the manual written for users at the viewer's part; every menu
    // entry has a letter of its own; a menu open takes its keys (Escape closes it and leaves the
    // zoom); the chart with the keys shows it.
    void manualAndKeys() {
        QTemporaryDir dir;
        QByteArray records;
        for (int i = 0; i < 50; ++i)
            records += tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)).addSecs(300 * i), 1, i % 7);
        writeAll(dir.filePath("in.dat"), records);
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({dir.filePath("in.dat")}, error));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        for (QAction* menu : viewer.menuBar()->actions()) {
            QSet<QChar> letters;
            for (QAction* a : menu->menu()->actions()) {
                const QString text = a->text();
                const qsizetype amp = text.indexOf(u'&');
                QVERIFY2(a->isSeparator() ||
                             (amp >= 0 && !letters.contains(text[amp + 1].toLower())),
                         qPrintable(text));
                if (amp >= 0)
                    letters.insert(text[amp + 1].toLower());
            }
        }
        auto* panel = viewer.findChild<view::ChartPanel*>();
        QTRY_VERIFY(panel->hasFocus());
        const QColor frame = panel->palette().color(QPalette::Highlight);
        QCOMPARE(panel->grab().toImage().pixelColor(1, 1), frame);
        viewer.zoomBy(0.5);
        const view::TimeRange zoomed = viewer.timeRange();
        QTest::keyClick(&viewer, Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(viewer.timeRange(), zoomed);
        QTest::keyClick(&viewer, Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O); // Zoom out
        QTRY_VERIFY(viewer.timeRange().span() > zoomed.span());
        QTest::keyClick(panel, Qt::Key_R); // on the chart, R resets
        QCOMPARE(viewer.timeRange(), viewer.document().span);
        panel->clearFocus();
        QVERIFY(panel->grab().toImage().pixelColor(1, 1) != frame);
        QTest::keyClick(&viewer, Qt::Key_F1);
        auto* manual = viewer.findChild<QDialog*>("manual");
        QVERIFY(manual && manual->isVisible());
        const QString text = manual->findChild<QTextBrowser*>()->toPlainText();
        QVERIFY(text.contains("ZELM Report Viewer") && text.contains("Reset zoom"));
        QVERIFY(!manual::text().contains("build/") && !manual::text().contains("FIFO"));
        QCOMPARE(manual::text().contains("%APPDATA%"), kWindows);
        QCOMPARE(manual::text().contains("~/.local/share/ZURORUVE"), !kWindows);
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

    // An export is written whole or not at all, and never in place of a FIFO or device.
    void exportsWhole_data() {
        QTest::addColumn<QString>("option");
        for (const char* option : {"--png", "--svg", "--csv", "--stats", "--pdf"})
            QTest::newRow(option) << option;
    }
    void exportsWhole() {
#ifdef Q_OS_UNIX
        QFETCH(QString, option);
        QTemporaryDir dir;
        const QString full = dir.filePath("full"), fifo = dir.filePath("out.fifo");
        QDir(dir.path()).mkdir("full");
        writeAll(dir.filePath("in.dat"), tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)), 7, 20));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        Tmpfs disk(full, "size=4k");
        if (!disk.mounted())
            QSKIP("needs a tmpfs mount (root)");
        writeAll(full + "/filler", QByteArray(4096, 'x')); // the disk is full
        for (const auto& [path, why] : {std::pair{full + "/out", "No space left on device"},
                                        { fifo,
                                          "not a regular file" }}) {
            QProcess view;
            view.start(ZELM_VIEW, {option, path, dir.filePath("in.dat")});
            QVERIFY(view.waitForFinished(60000));
            QCOMPARE(view.exitCode(), 1);
            QCOMPARE(view.readAllStandardError().trimmed().split('\n').last(),
                     QStringLiteral("zelm-view: cannot write %1: %2").arg(path, why).toUtf8());
        }
        QCOMPARE(QDir(full).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
#else
        QSKIP("FIFOs and small file systems are made on POSIX");
#endif
    }

    // An output is never one of the files read, by any name; wrong arguments are named; a
    // read-out cut short is read for its whole records and said to be partial; an export
    // replaces a link, not what it leads to.
    void outputsAndInputs_data() {
        QTest::addColumn<QStringList>("args"); // %d the folder: X.dat, s.ini, D/in-1.dat,
        QTest::addColumn<int>("status");       // D/in-2.partial.dat, L a link to X.dat, E a
        QTest::addColumn<QString>("line");     // link elsewhere; the last line on standard error
        const QString over = "zelm-view: the output %1 is the input %2: nothing written";
        QTest::newRow("named twice") << QStringList{"--csv", "%d/X.dat", "%d/X.dat"} << 2
                                     << over.arg("%d/X.dat", "%d/X.dat");
        QTest::newRow("a PDF over its input") << QStringList{"--pdf", "%d/X.dat", "%d/X.dat"} << 2
                                              << over.arg("%d/X.dat", "%d/X.dat");
        QTest::newRow("through its folder") << QStringList{"--csv", "%d/D/in-1.dat", "%d/D"} << 2
                                            << over.arg("%d/D/in-1.dat", "%d/D/in-1.dat");
        QTest::newRow("through a link")
            << QStringList{"--png", "%d/L", "%d/X.dat"} << 2 << over.arg("%d/L", "%d/X.dat");
        QTest::newRow("over the settings")
            << QStringList{"--settings", "%d/s.ini", "--stats", "%d/s.ini", "%d/X.dat"} << 2
            << over.arg("%d/s.ini", "%d/s.ini");
        QTest::newRow("an empty name")
            << QStringList{"--png", "", "%d/X.dat"} << 64 << "zelm-view: --png: an empty file name";
        QTest::newRow("an output twice")
            << QStringList{"--csv", "%d/a.csv", "--csv", "%d/b.csv", "%d/X.dat"} << 64
            << "zelm-view: --csv: given twice";
        QTest::newRow("an unknown option")
            << QStringList{"--bogus", "%d/X.dat"} << 64 << "zelm-view: unknown option --bogus";
        QTest::newRow("a file of the folder that is no report")
            << QStringList{"--csv", "%d/D/notes.txt", "%d/D"} << 0
            << "zelm-view: skipped %d/D/notes.txt: not a report";
        QTest::newRow("a partial read-out")
            << QStringList{"--csv", "%d/a.csv", "%d/D"} << 0
            << "zelm-view: %d/D/in-2.partial.dat is partial: a read-out cut short, its whole "
               "records read";
        QTest::newRow("a link at the output")
            << QStringList{"--csv", "%d/E", "%d/X.dat"} << 0 << "";
    }
    void outputsAndInputs() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        QTemporaryDir dir, other;
        const QString elsewhere = other.filePath("elsewhere");
        const QByteArray x = tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)), 7, 20),
                         partial = tx(QDateTime(QDate(2026, 3, 3), QTime(0, 0)), 7, 21) + "cut";
        QDir(dir.path()).mkdir("D");
        writeAll(dir.filePath("X.dat"), x);
        writeAll(dir.filePath("s.ini"), "[ZuroRuve]\r\nPort=1\r\n");
        writeAll(dir.filePath("D/in-1.dat"), x);
        writeAll(dir.filePath("D/in-2.partial.dat"), partial);
        writeAll(dir.filePath("D/notes.txt"), "notes");
        writeAll(elsewhere, "elsewhere");
        if (args.contains("%d/L") || args.contains("%d/E")) {
#ifdef Q_OS_UNIX
            QVERIFY(::symlink(QFile::encodeName(dir.filePath("X.dat")),
                              QFile::encodeName(dir.filePath("L"))) == 0);
            QVERIFY(::symlink(QFile::encodeName(elsewhere), QFile::encodeName(dir.filePath("E"))) ==
                    0);
#else
            QSKIP("symbolic links are made on POSIX");
#endif
        }
        QProcess view;
        view.start(ZELM_VIEW, args.replaceInStrings("%d", dir.path()));
        QVERIFY(view.waitForFinished(60000));
        const QString said = QString::fromLocal8Bit(view.readAllStandardError());
        QCOMPARE(view.exitCode(), status);
        if (!line.isEmpty())
            QVERIFY2(said.contains(QDir::toNativeSeparators(line.replace("%d", dir.path())) +
                                   (kWindows ? "\r\n" : "\n")),
                     qPrintable(said));
        // Nothing read was written over; a new file only where something was written.
        QCOMPARE(readAll(dir.filePath("X.dat")) + readAll(dir.filePath("D/in-1.dat")), x + x);
        QCOMPARE(readAll(dir.filePath("D/in-2.partial.dat")), partial);
        QVERIFY(readAll(dir.filePath("s.ini")).startsWith("[ZuroRuve]"));
        QCOMPARE(readAll(elsewhere), "elsewhere");
        QCOMPARE(QFile::exists(dir.filePath("a.csv")),
                 status == 0 && args.contains(dir.filePath("a.csv")));
        if (status == 0 && args.contains("--csv")) // the whole records of every file
            QCOMPARE(readAll(args[1]).count('\n'), args.contains(dir.filePath("D")) ? 3 : 2);
    }

    // Without a window: PNG, SVG and the CSV of the readings of a folder; for files that hold
    // none, nothing is written and one line says what was read.
    void headless() {
        QTemporaryDir dir, other;
        const QString raw = dir.filePath("in.dat"), text = dir.filePath("text.txt");
        const QString png = other.filePath("a.png"), csv = other.filePath("a.csv");
        // Random records of every kind (1 to 4 shown) and hundreds of identifiers, with empty
        // slots, unknown kinds and impossible dates, and a third with the same date and time.
        QByteArray contents(500 * report::kRecordSize, Qt::Uninitialized);
        QRandomGenerator rng(11);
        for (int i = 0; i < contents.size(); ++i)
            contents[i] = char(i % 19 == 8 ? rng.bounded(6) : rng.generate());
        for (int i = 0; i < contents.size(); i += 3 * report::kRecordSize)
            contents.replace(i + 2, 6, hex("240305140709"));
        writeAll(raw, contents);
        writeAll(text, "just text\n");
        for (const auto& [path, error] : {std::pair{dir.filePath("none.dat"), "cannot read"},
                                          {text, "holds no readings"},
                                          {dir.path(), ""}}) {
            QProcess view;
            view.start(ZELM_VIEW, {"--png", png, "--svg", other.filePath("a.svg"), "--csv", csv,
                                   "--stats", other.filePath("s.csv"), path});
            QVERIFY(view.waitForFinished(60000));
            const QByteArray stderrText = view.readAllStandardError();
            QCOMPARE(view.exitCode(), *error ? 1 : 0);
            QCOMPARE(QFile::exists(png), !*error);
            if (*error) // one line, naming the file and what went wrong
                QVERIFY(stderrText.startsWith("zelm-view: ") && stderrText.count('\n') == 1 &&
                        stderrText.contains(error) &&
                        stderrText.contains(QDir::toNativeSeparators(path).toUtf8()));
            else // what was left out, as the window shows it
                QVERIFY(stderrText.contains("zelm-view: skipped " +
                                            QDir::toNativeSeparators(text).toUtf8() +
                                            ": not a report"));
        }
        // Many sensors: every one in the CSV, a page of them drawn.
        const QImage image(png);
        QVERIFY(image.width() <= 1200 && image.height() <= 2400);
        QVERIFY(readAll(other.filePath("a.svg")).contains("<svg"));
        QVERIFY(readAll(other.filePath("s.csv")).startsWith("kind,id,name,quantity,readings,"));
        // Settings that are not a regular file: told in the window, one line and nothing done
        // without.
        view::Viewer viewer;
        QString why;
        QVERIFY(!viewer.setSettingsFile(dir.path(), why));
        const QString folder = QDir::toNativeSeparators(dir.path());
        QCOMPARE(viewer.settingsIgnored(), QStringList{folder + " not read: " + why});
        QProcess view;
        view.start(ZELM_VIEW, {"--settings", dir.path(), "--csv", csv, raw});
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), 2);
        QCOMPARE(view.readAllStandardError().trimmed(),
                 "zelm-view: --settings " + folder.toUtf8() + ": not a regular file");
        // The readings are those of the file the program decodes from the raw report, written
        // with a decimal comma, in time order.
        writeAll(other.filePath("out-1.txt"), decodeText(contents, {","}));
        const view::Report decoded = view::readHistory({other.filePath("out-1.txt")});
        QVERIFY(decoded.sensors.size() > 200 && decoded.untimed > 0 && !decoded.skippedLines);
        QCOMPARE(readAll(csv), "time,status,kind,id,value,value2,name\r\n" + csvOf(decoded));
    }
};

QTEST_MAIN(TestView)
#include "test_view.moc"
