// zelm-view's readings, CSV, reduction and headless exports.

#include "files.h"

#include "report/record.h"
#include "view/readings.h"
#include "view/reduce.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray csvOf(const view::Report& report) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    view::WriteCsv(report, out);
    return out.data();
}

// Random records of every kind, with empty slots, unknown kinds and impossible dates.
QByteArray randomRaw(int records) {
    QByteArray raw(records * report::kRecordSize, Qt::Uninitialized);
    QRandomGenerator rng(11);
    for (char& b : raw)
        b = char(rng.generate());
    for (int i = 0; i < records; ++i) {
        char* r = raw.data() + i * report::kRecordSize;
        r[8] = char(rng.bounded(6)); // kinds 0 to 5: 1 to 4 shown
        if (i % 3)                   // most stamps valid: 2024-03-05 and a time
            std::memcpy(r + 2, "\x24\x03\x05\x14\x07\x09", 6);
    }
    return raw;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void decodedFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QByteArray>("csv"); // without its header
        const QByteArray tx = "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0";
        const QByteArray bt = "OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t30.3 93.6";
        const QByteArray csvTx = "2024-03-05T14:07:09,LOWBAT,TX,12345,25.0,\r\n";
        const QByteArray csvBt = "2024-03-05T14:07:09,OK,BT,00:1A:2B:3C:4D:5E,30.3,93.6\r\n";
        QTest::newRow("point, CR LF") << tx + "\r\n" + bt + "\r\n" << 0 << csvTx + csvBt;
        QByteArray comma = bt;
        comma.replace('.', ',');
        QTest::newRow("comma, LF") << comma + "\n" << 0 << csvBt;
        QTest::newRow("cut last line") << tx + "\r\n" + bt.chopped(2) << 1 << csvTx;
        QTest::newRow("junk lines")
            << "heading\r\n" + tx + "\tmore\r\n\r\nOK\t2024-03-05-14-07-09\tXX\t1\t2.0\r\n" +
                   "OK\t2024-03-05-14-07-09\tBV\t00001\t-3.5\r\n"
            << 3 << QByteArray("2024-03-05T14:07:09,OK,BV,00001,-3.5,\r\n");
        QTest::newRow("no date and time")
            << QByteArray("OK\t2024-13-05-14-07-09\tRX\t00042\t-0.5 21.5\n") << 0
            << QByteArray("2024-13-05-14-07-09,OK,RX,00042,-0.5,21.5\r\n");
    }
    void decodedFile() {
        QFETCH(QByteArray, text);
        QFETCH(int, skipped);
        QFETCH(QByteArray, csv);
        const view::Report report = view::ReadReport(text);
        QVERIFY(!report.raw);
        QCOMPARE(report.skippedLines, skipped);
        QCOMPARE(csvOf(report), "time,status,kind,id,value,value2\r\n" + csv);
        QCOMPARE(report.untimed, csv.contains("-13-") ? 1 : 0);
    }

    // The CSV of a raw report is the decoder's own lines, whichever decimal separator those
    // were written with, and reading the decoded file gives the same.
    void csvFollowsTheDecoder() {
        const QByteArray raw = randomRaw(3000);
        const view::Report fromRaw = view::ReadReport(raw);
        QVERIFY(fromRaw.raw);
        QByteArray expected = "time,status,kind,id,value,value2\r\n";
        for (const report::NumberFormat& format :
             {report::NumberFormat{"."}, report::NumberFormat{","}}) {
            QBuffer in, out;
            in.setData(raw);
            in.open(QIODevice::ReadOnly);
            out.open(QIODevice::WriteOnly);
            const report::DecodeResult decoded = report::DecodeReport(in, out, format);
            QCOMPARE(fromRaw.readings.size(), decoded.lines);
            QCOMPARE(csvOf(view::ReadReport(out.data())), csvOf(fromRaw));
            if (format.decimalSeparator != ".")
                continue;
            for (const QByteArray& line : out.data().split('\n')) {
                QList<QByteArray> f = line.trimmed().split('\t');
                if (f.size() < 5)
                    continue;
                const QByteArray st = f[1];
                const bool valid =
                    QDate(st.mid(0, 4).toInt(), st.mid(5, 2).toInt(), st.mid(8, 2).toInt())
                        .isValid() &&
                    QTime(st.mid(11, 2).toInt(), st.mid(14, 2).toInt(), st.mid(17, 2).toInt())
                        .isValid();
                const QByteArray time =
                    valid ? st.left(10) + 'T' + st.mid(11).replace('-', ':') : st;
                const QList<QByteArray> values = f[4].split(' ');
                expected += time + ',' + f[0] + ',' + f[2] + ',' + f[3] + ',' + values[0] + ',' +
                            values.value(1) + "\r\n";
            }
        }
        QCOMPARE(csvOf(fromRaw), expected);
        QVERIFY(fromRaw.untimed > 0);
    }

    void reductionKeepsEveryColumnsExtremes_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("from"); // the shown range, as a share of the whole
        QTest::addColumn<double>("to");
        QTest::newRow("whole series") << 100000 << 800 << 0.0 << 1.0;
        QTest::newRow("zoomed in") << 100000 << 500 << 0.3 << 0.35;
        QTest::newRow("fewer points than columns") << 300 << 800 << 0.0 << 1.0;
        QTest::newRow("odd width") << 54321 << 333 << 0.1 << 0.9;
    }
    void reductionKeepsEveryColumnsExtremes() {
        QFETCH(int, points);
        QFETCH(int, columns);
        QFETCH(double, from);
        QFETCH(double, to);
        QRandomGenerator rng(5);
        QList<QPointF> series;
        double x = 0;
        for (int i = 0; i < points; ++i) {
            x += 1 + rng.bounded(3); // uneven spacing, some points sharing a column
            series.append({x, rng.bounded(100.0) + (i % 9973 == 0 ? 1000 : 0)});
        }
        const double x0 = x * from, x1 = x * to;
        const QList<QPointF> drawn = view::ReducePerPixel(series, x0, x1, columns);
        QVERIFY(drawn.size() <= 2 * columns + 2);
        QVERIFY(std::is_sorted(drawn.begin(), drawn.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
        // Every column's lowest and highest point is drawn.
        QMap<int, std::pair<double, double>> extremes;
        for (const QPointF& p : series) {
            if (p.x() < x0 || p.x() >= x1)
                continue;
            const int c = int((p.x() - x0) * columns / (x1 - x0));
            auto it = extremes.find(c);
            if (it == extremes.end())
                extremes.insert(c, {p.y(), p.y()});
            else
                *it = {std::min(it->first, p.y()), std::max(it->second, p.y())};
        }
        QSet<double> ys;
        for (const QPointF& p : drawn)
            ys.insert(p.y());
        for (auto it = extremes.begin(); it != extremes.end(); ++it)
            QVERIFY2(ys.contains(it->first) && ys.contains(it->second),
                     qPrintable(QString("column %1").arg(it.key())));
    }

    void headless_data() {
        QTest::addColumn<QByteArray>("contents"); // empty: no such file
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("raw report") << randomRaw(500) << 0 << QString();
        QTest::newRow("no such file") << QByteArray() << 1 << "cannot read";
        QTest::newRow("no readings") << QByteArray("just text\n") << 1 << "holds no readings";
    }
    void headless() {
        QFETCH(QByteArray, contents);
        QFETCH(int, status);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath("in.dat");
        if (!contents.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        QProcess view;
        view.start(ZELM_VIEW, {"--png", dir.filePath("a.png"), "--svg", dir.filePath("a.svg"),
                               "--csv", dir.filePath("a.csv"), file});
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), status);
        const QList<QByteArray> lines = view.readAllStandardError().trimmed().split('\n');
        if (status != 0) {
            QCOMPARE(lines.size(), 1); // one line, naming the file and what went wrong
            QVERIFY(lines[0].startsWith("zelm-view: "));
            QVERIFY(lines[0].contains(error.toUtf8()) && lines[0].contains(file.toUtf8()));
            QVERIFY(!QFile::exists(dir.filePath("a.png")));
            return;
        }
        QVERIFY(readAll(dir.filePath("a.png")).startsWith("\x89PNG"));
        QVERIFY(readAll(dir.filePath("a.svg")).contains("<svg"));
        QCOMPARE(readAll(dir.filePath("a.csv")), csvOf(view::ReadReport(contents)));
    }
};

QTEST_GUILESS_MAIN(TestView)
#include "test_view.moc"
