// zelm-view's model: the readings of a report, the history of many, gaps, the charts' series
// and their reduction, sensor settings, calibration, statistics against limits, exact values
// and time ranges. CTest runs it under TZ=UTC and TZ=Europe/Berlin: the logger's clock knows no
// zone, so both give the same numbers.

#include "support/viewrig.h"

#include "view/model/document.h"
#include "view/model/history.h"
#include "view/model/sensoredits.h"
#include "view/model/statisticstable.h"
#include "view/render/readingscsv.h"
#include "view/render/statisticscsv.h"

#include <QRandomGenerator>

class TestViewModel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { skipWithoutZoneData(); }

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
};

QTEST_MAIN(TestViewModel)
#include "test_view_model.moc"
