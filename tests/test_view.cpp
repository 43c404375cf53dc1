// zelm-view's readings, CSV, reduction and headless exports.

#include "rig.h"

#include "view/readings.h"
#include "view/reduce.h"

#include <QRandomGenerator>

namespace {

QByteArray csvOf(const view::Report& report) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    view::WriteCsv(report, out);
    return out.data().mid(out.data().indexOf('\n') + 1); // without the header
}

// Random records of every kind, with empty slots, unknown kinds and impossible dates.
QByteArray randomRaw(int records) {
    QByteArray raw(records * report::kRecordSize, Qt::Uninitialized);
    QRandomGenerator rng(11);
    for (int i = 0; i < raw.size(); ++i)
        raw[i] = char(i % 19 == 8 ? rng.bounded(6) : rng.generate()); // kinds 1 to 4 shown
    for (int i = 0; i < records; i += 3) // a third with the same valid date and time
        raw.replace(i * report::kRecordSize + 2, 6, hex("240305140709"));
    return raw;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void decodedFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QByteArray>("csv");
        const QByteArray tx = "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0";
        const QByteArray bt = "OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t30,3 93,6";
        const QByteArray csvTx = "2024-03-05T14:07:09,LOWBAT,TX,12345,25.0,\r\n";
        const QByteArray csvBt = "2024-03-05T14:07:09,OK,BT,00:1A:2B:3C:4D:5E,30.3,93.6\r\n";
        QTest::newRow("CR LF, comma") << tx + "\r\n" + bt + "\r\n" << 0 << csvTx + csvBt;
        QTest::newRow("LF, cut last line") << tx + "\n" + bt.chopped(2) << 1 << csvTx;
        QTest::newRow("junk lines")
            << "heading\r\n" + tx + "\tmore\r\n\r\nOK\t" + tx.mid(7, 20) +
                   "XX\t1\t2.0\r\nOK\t2024-13-05-14-07-09\tRX\t00042\t-0.5 21.5"
            << 3 << QByteArray("2024-13-05-14-07-09,OK,RX,00042,-0.5,21.5\r\n");
    }
    void decodedFile() {
        QFETCH(QByteArray, text);
        QFETCH(int, skipped);
        QFETCH(QByteArray, csv);
        const view::Report report = view::ReadReport(text);
        QVERIFY(!report.raw);
        QCOMPARE(report.skippedLines, skipped);
        QCOMPARE(csvOf(report), csv);
        QCOMPARE(report.untimed, csv.contains("-13-") ? 1 : 0); // month 13: not charted
    }

    void reductionKeepsEveryColumnsExtremes() {
        // points, columns, and the range shown as shares of the whole
        for (const auto& [points, columns, from, to] :
             {std::tuple{100000, 800, 0.0, 1.0}, {100000, 500, 0.3, 0.35}, {300, 800, 0.0, 1.0}}) {
            QRandomGenerator rng(5);
            QList<QPointF> series;
            double x = 0;
            for (int i = 0; i < points; ++i) // uneven spacing, rare spikes
                series.append(
                    {x += 1 + rng.bounded(3), rng.bounded(100.0) + (i % 9973 ? 0 : 1000)});
            const double x0 = x * from, x1 = x * to;
            const QList<QPointF> drawn = view::ReducePerPixel(series, x0, x1, columns);
            QVERIFY(drawn.size() <= 2 * columns + 2);
            QMap<int, QPair<double, double>> extremes; // of each column
            for (const QPointF& p : series) {
                const int c = int((p.x() - x0) * columns / (x1 - x0));
                if (p.x() < x0 || p.x() >= x1)
                    continue;
                auto it = extremes.insert(c, extremes.value(c, {p.y(), p.y()}));
                *it = {std::min(it->first, p.y()), std::max(it->second, p.y())};
            }
            QSet<double> ys;
            for (const QPointF& p : drawn)
                ys.insert(p.y());
            for (const auto& [low, high] : std::as_const(extremes))
                QVERIFY(ys.contains(low) && ys.contains(high));
        }
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
        if (!contents.isEmpty())
            writeAll(file, contents);
        QProcess view;
        view.start(ZELM_VIEW, {"--png", dir.filePath("a.png"), "--svg", dir.filePath("a.svg"),
                               "--csv", dir.filePath("a.csv"), file});
        QVERIFY(view.waitForFinished(60000));
        const QByteArray stderrText = view.readAllStandardError();
        QVERIFY2(view.exitCode() == status, stderrText.constData());
        if (status != 0) { // one line, naming the file and what went wrong
            QVERIFY(stderrText.startsWith("zelm-view: ") && stderrText.count('\n') == 1);
            QVERIFY(stderrText.contains(error.toUtf8()) && stderrText.contains(file.toUtf8()));
            QVERIFY(!QFile::exists(dir.filePath("a.png")));
            return;
        }
        QVERIFY(readAll(dir.filePath("a.png")).startsWith("\x89PNG"));
        QVERIFY(readAll(dir.filePath("a.svg")).contains("<svg"));
        // The raw report's readings are those of the file the program decodes from it, written
        // with a decimal comma.
        const view::Report decoded = view::ReadReport(decodeText(contents, {","}));
        QVERIFY(decoded.readings.size() > 100 && decoded.untimed > 0 && !decoded.skippedLines);
        QCOMPARE(readAll(dir.filePath("a.csv")),
                 "time,status,kind,id,value,value2\r\n" + csvOf(decoded));
    }
};

QTEST_GUILESS_MAIN(TestView)
#include "test_view.moc"
