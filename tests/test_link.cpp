#include "fakeline.h"
#include "files.h"
#include "hex.h"

#include "link/capture.h"
#include "link/dialogues.h"
#include "link/primitives.h"
#include "settings/folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace devicelink;

namespace {

// Deliveries for data-driven rows: (milliseconds after the one before, bytes).
using Deliveries = QList<QPair<int, QByteArray>>;

void schedule(FakeLine& line, const Deliveries& d) {
    for (const auto& [ms, bytes] : d)
        line.arrive(ms, bytes);
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        settings::SetProgramFolder(dir.path());
        qputenv("ZURORUVE_EDITOR", "true");
    }
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path() + "/DATA");
        CapturedText().clear();
    }

    void waitFor_data() {
        QTest::addColumn<Deliveries>("deliveries");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<qint64>("endsAtMs");
        QTest::newRow("in one read")
            << Deliveries{{100, "menu\r\n1 - exit\r\n"}} << QByteArray("1 - exit") << 30 << 0
            << QStringList{} << qint64(100);
        QTest::newRow("split over reads")
            << Deliveries{{100, "1 - e"}, {100, "xit"}} << QByteArray("1 - exit") << 30 << 0
            << QStringList{} << qint64(200);
        QTest::newRow("split in three")
            << Deliveries{{10, "c"}, {10, "m"}, {10, "d>"}} << QByteArray("cmd>") << 10 << 0
            << QStringList{} << qint64(30);
        QTest::newRow("case-sensitive") << Deliveries{{100, "CMD>"}} << QByteArray("cmd>") << 10
                                        << 1 << QStringList{"Timeout!"} << qint64(10010);
        QTest::newRow("nothing comes") << Deliveries{} << QByteArray("1 - exit") << 30 << 1
                                       << QStringList{"Timeout!"} << qint64(30010);
        QTest::newRow("just in time") << Deliveries{{10000, "cmd>"}} << QByteArray("cmd>") << 10
                                      << 0 << QStringList{} << qint64(10000);
        // Looked at only if it came by the last pass that began within the time.
        QTest::newRow("too late") << Deliveries{{10015, "cmd>"}} << QByteArray("cmd>") << 10 << 1
                                  << QStringList{"Timeout!"} << qint64(10010);
        QTest::newRow("time-out overflow") << Deliveries{} << QByteArray("cmd>") << 3000000 << 2
                                           << QStringList{"ERROR: WaitFor: Overflow"} << qint64(0);
        QTest::newRow("binary around it")
            << Deliveries{{10, QByteArray("\0\xff\x80", 3)}, {10, "cmd>\0"}} << QByteArray("cmd>")
            << 10 << 0 << QStringList{} << qint64(20);
    }
    void waitFor() {
        QFETCH(Deliveries, deliveries);
        QFETCH(QByteArray, text);
        QFETCH(int, seconds);
        QFETCH(int, result);
        QFETCH(QStringList, log);
        QFETCH(qint64, endsAtMs);
        Rig rig;
        rig.line.open = true;
        schedule(rig.line, deliveries);
        QCOMPARE(WaitFor(rig.ctx, text, seconds), result);
        QCOMPARE(rig.log.lines, log);
        QCOMPARE(rig.line.now, endsAtMs);
    }

    void waitForDropsWhatCameWithTheText() {
        Rig rig;
        rig.line.open = true;
        rig.line.arrive(10, "cmd>after");
        QCOMPARE(WaitFor(rig.ctx, "cmd>", 10), 0);
        QCOMPARE(rig.line.pending, QByteArray()); // taken and dropped with the accumulator
    }

    void waitForErrors() {
        Rig rig;
        rig.line.open = true;
        rig.line.failOn = "InBufferCount";
        QCOMPARE(WaitFor(rig.ctx, "cmd>", 10), 2);
        QCOMPARE(rig.log.lines,
                 QStringList{"ERROR: WaitFor: the device was disconnected (/dev/fake)"});

        Rig closing;
        closing.line.open = true;
        closing.line.cancelled = true;
        QCOMPARE(WaitFor(closing.ctx, "cmd>", 10), 2);
        QCOMPARE(closing.log.lines, QStringList{"ERROR: WaitFor: the window is being closed"});
        QCOMPARE(closing.line.passes, 1);
    }

    void pause() {
        Rig rig;
        Pause(rig.ctx, 1);
        QCOMPARE(rig.line.now, qint64(1000));
        Pause(rig.ctx, 0);
        QCOMPARE(rig.line.passes, 100); // 0 s: no pass at all
        rig.line.stepMs = 300;
        Pause(rig.ctx, 1);
        QCOMPARE(rig.line.now, qint64(2200));
        rig.line.cancelled = true;
        Pause(rig.ctx, 1);
        QCOMPARE(rig.line.now, qint64(2200));
    }

    void openPort() {
        Rig rig;
        QCOMPARE(OpenPort(rig.ctx, 3), 0);
        QCOMPARE(rig.line.calls, (QStringList{"CommPort=3", "Settings=115200,N,8,1", "RTSEnable=1",
                                              "Handshaking=0", "InputMode=0", "PortOpen=1"}));
        QCOMPARE(rig.log.lines, QStringList{"Port Opened"});
        // Open already: every property again, no second open.
        rig.line.calls.clear();
        QCOMPARE(OpenPort(rig.ctx, 3), 0);
        QCOMPARE(rig.line.calls, (QStringList{"CommPort=3", "Settings=115200,N,8,1", "RTSEnable=1",
                                              "Handshaking=0", "InputMode=0"}));
        QCOMPARE(rig.log.lines, (QStringList{"Port Opened", "Port already open"}));
        QCOMPARE(rig.line.opens, 1);
        // A property that raises an error, even on an open port.
        rig.line.failOn = "Settings";
        rig.line.failText = "Invalid property value";
        QCOMPARE(OpenPort(rig.ctx, 3), 1);
        QCOMPARE(rig.log.lines.last(), QString("ERROR: Invalid property value"));
        // Beyond 16 bits.
        Rig big;
        QCOMPARE(OpenPort(big.ctx, 70000), 1);
        QCOMPARE(big.log.lines, QStringList{"ERROR: Overflow"});
        QVERIFY(big.line.calls.isEmpty());
    }

    void sendText() {
        Rig rig;
        rig.line.open = true;
        QCOMPARE(SendText(rig.ctx, "report 0\r"), 0);
        QCOMPARE(rig.line.written, QList<QByteArray>{"report 0\r"});
        rig.line.failOn = "Output";
        QCOMPARE(SendText(rig.ctx, "1"), 1);
        QCOMPARE(rig.log.lines,
                 QStringList{"ERROR: SendText: the device was disconnected (/dev/fake)"});
    }

    void capture_data() {
        QTest::addColumn<Deliveries>("deliveries");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("captured");
        QTest::addColumn<QStringList>("statuses");
        const QStringList none;
        QTest::newRow("both markers in one read")
            << Deliveries{{10, "xx!@#$abc%^&*yy"}} << 0 << QByteArray("abc")
            << QStringList{"Received 3 bytes"};
        QTest::newRow("nothing between")
            << Deliveries{{10, "!@#$%^&*"}} << 0 << QByteArray() << QStringList{"Received 0 bytes"};
        // The first count includes what came in with the start marker.
        QTest::newRow("markers split")
            << Deliveries{{10, "noise!@"}, {10, "#$ab"}, {10, "c%^"}, {10, "&*tail"}} << 0
            << QByteArray("abc") << QStringList{"Received 5 bytes", "Received 3 bytes"};
        QTest::newRow("end marker before start ignored")
            << Deliveries{{10, "%^&*!@#$"}, {10, "data%^&*"}} << 0 << QByteArray("data")
            << QStringList{"Received 8 bytes", "Received 4 bytes"};
        QTest::newRow("second start marker is data")
            << Deliveries{{10, "!@#$a!@#$b"}, {10, "%^&*"}} << 0 << QByteArray("a!@#$b")
            << QStringList{"Received 10 bytes", "Received 6 bytes"};
        QTest::newRow("every byte between")
            << Deliveries{{10, "!@#$" + QByteArray("\0\r\n\x80\xff\x1a", 6)}, {10, "%^&*"}} << 0
            << QByteArray("\0\r\n\x80\xff\x1a", 6)
            << QStringList{"Received 10 bytes", "Received 6 bytes"};
        QTest::newRow("no start marker")
            << Deliveries{{10, "noise"}} << 1 << QByteArray("old") << none;
        QTest::newRow("silence before the end")
            << Deliveries{{10, "!@#$abc"}, {20000, "def"}} << 2 << QByteArray("old")
            << QStringList{"Received 6 bytes"};
        QTest::newRow("slow but steady")
            << Deliveries{{10, "!@#$a"}, {29000, "b"}, {29000, "c"}, {29000, "%^&*"}} << 0
            << QByteArray("abc") << QStringList{"Received 2 bytes", "Received 3 bytes"};
    }
    void capture() {
        QFETCH(Deliveries, deliveries);
        QFETCH(int, result);
        QFETCH(QByteArray, captured);
        QFETCH(QStringList, statuses);
        Rig rig;
        rig.line.open = true;
        schedule(rig.line, deliveries);
        QByteArray text = "old";
        QCOMPARE(Capture(rig.ctx, text), result);
        QCOMPARE(text, captured);
        QCOMPARE(rig.log.statuses, statuses);
        QCOMPARE(rig.log.lines.first(), QString("Waiting for data"));
        if (result == 0)
            QCOMPARE(rig.log.lines.last(),
                     QString("Download complete %1 bytes").arg(captured.size()));
        else
            QCOMPARE(rig.log.lines.last(), QString("Timeout!"));
        QCOMPARE(rig.log.lines.size(), 2);
    }

    void captureTimes() {
        Rig start;
        start.line.open = true;
        QByteArray text;
        QCOMPARE(Capture(start.ctx, text), 1);
        QCOMPARE(start.line.now, qint64(120010));

        Rig silence;
        silence.line.open = true;
        silence.line.arrive(5000, "!@#$abc");
        silence.line.arrive(10000, "def");
        QCOMPARE(Capture(silence.ctx, text), 2);
        // 30 s counted from the last data, 10 s after the start marker.
        QCOMPARE(silence.line.now, qint64(5000 + 10000 + 30010));
        QCOMPARE(silence.log.statuses, QStringList{"Received 6 bytes"});
    }

    void captureProgress() {
        Rig rig;
        rig.line.open = true;
        rig.line.arrive(10, "!@#$");
        const QByteArray report(2500, 'r');
        const QByteArray stream = report + "%^&*";
        for (int i = 0; i < 4; ++i)
            rig.line.arrive(10, stream.mid(i * 600, 600));
        rig.line.arrive(10, stream.mid(2400));
        QByteArray text;
        QCOMPARE(Capture(rig.ctx, text), 0);
        QCOMPARE(rig.log.statuses,
                 (QStringList{"Received 600 bytes", "Received 1800 bytes", "Received 2500 bytes"}));
        QCOMPARE(rig.log.lines.last(), QString("Download complete 2500 bytes"));
        QCOMPARE(text, report);
    }

    void captureError() {
        Rig rig;
        rig.line.open = true;
        rig.line.arrive(10, "!@#$abc");
        rig.line.onPass = [&] {
            if (rig.line.now == 100)
                rig.line.failOn = "InBufferCount";
        };
        QByteArray text = "old";
        QCOMPARE(Capture(rig.ctx, text), 3);
        QCOMPARE(text, QByteArray("old"));
        QCOMPARE(rig.log.lines.last(),
                 QString("ERROR: Capture: the device was disconnected (/dev/fake)"));
    }

    void download() {
        Rig rig;
        QByteArray report = hex("0007 240305140709 03 002A 00000000 4019 0080");
        report += QByteArray("\0\r\n\x80\xff", 5); // a partial record at the end is kept too
        actAsDevice(rig.line, report);
        DownloadData(rig.ctx, 2);
        QCOMPARE(rig.log.lines,
                 (QStringList{"Plug the PC into the ZELM device and",
                              "press reset or cycle power on the ZELM", "Waiting for boot menu",
                              "Waiting for data", "Download complete 24 bytes", "Processing data",
                              "Processing 1 records complete"}));
        QCOMPARE(rig.line.written, (QList<QByteArray>{"1", "report 0\r"}));
        QCOMPARE(rig.line.calls.first(), QString("CommPort=3"));
        QCOMPARE(rig.line.calls.last(), QString("PortOpen=0"));
        QVERIFY(!rig.line.open);
        QCOMPARE(readAll(dir.filePath("in.dat")), report);
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")), QByteArray("[ZuroRuve]\r\nPort=3\r\n"));
        QCOMPARE(CapturedText(), report);
        QVERIFY(rig.ask.messages.isEmpty());
    }

    void bootMenuBeforeTheFlushIsThrownAway() {
        Rig rig;
        actAsDevice(rig.line, "r");
        // The menu is already there when the port opens, and is not sent again.
        rig.line.onOpen = [&] { rig.line.pending = "  1 - exit\r\n"; };
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.mid(2), (QStringList{"Waiting for boot menu", "Timeout!"}));
        QVERIFY(rig.line.written.isEmpty());
        QCOMPARE(rig.line.closes, 1);
        QCOMPARE(rig.line.now, qint64(30010));
    }

    void menuAndPromptTimeouts() {
        // No reset: the settings keep the port, the port is closed.
        Rig noReset;
        noReset.line.onWrite = nullptr;
        DownloadData(noReset.ctx, 15);
        QCOMPARE(noReset.log.lines.last(), QString("Timeout!"));
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")), QByteArray("[ZuroRuve]\r\nPort=16\r\n"));
        QCOMPARE(noReset.line.closes, 1);

        // A menu but no prompt after "1".
        Rig noPrompt;
        actAsDevice(noPrompt.line, "r");
        noPrompt.line.onWrite = nullptr;
        DownloadData(noPrompt.ctx, 0);
        QCOMPARE(noPrompt.log.lines.mid(2), (QStringList{"Waiting for boot menu", "Timeout!"}));
        QCOMPARE(noPrompt.line.written, QList<QByteArray>{"1"});
        QCOMPARE(noPrompt.line.closes, 1);

        // No report after the command.
        Rig noReport;
        actAsDevice(noReport.line, "r");
        noReport.line.onWrite = [&](const QByteArray& b) {
            if (b == "1")
                noReport.line.arrive(50, "cmd>");
        };
        DownloadData(noReport.ctx, 0);
        QCOMPARE(noReport.log.lines.mid(3), (QStringList{"Waiting for data", "Timeout!"}));
        QCOMPARE(noReport.line.closes, 1);
        QVERIFY(!QFile::exists(dir.filePath("in.dat")));
    }

    void openFailures() {
        Rig none;
        none.line.failOn = "CommPort";
        none.line.failText = "Invalid port number 0: choose a port from the list";
        DownloadData(none.ctx, -1);
        QCOMPARE(none.log.lines,
                 QStringList{"ERROR: Invalid port number 0: choose a port from the list"});
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")), QByteArray("[ZuroRuve]\r\nPort=0\r\n"));
        QVERIFY(!none.line.calls.contains("PortOpen=0")); // nothing to close

        Rig missing;
        missing.line.failOn = "PortOpen";
        missing.line.failText = "/dev/ttyUSB0 not found";
        DownloadData(missing.ctx, 0);
        QCOMPARE(missing.log.lines, QStringList{"ERROR: /dev/ttyUSB0 not found"});
        QCOMPARE(missing.line.calls.count("PortOpen=0"), 0);
    }

    void lineLostWhileDiscarding() {
        Rig rig;
        rig.line.onOpen = [&] { rig.line.failOn = "Input"; };
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.last(),
                 QString("ERROR: DownloadData: the device was disconnected (/dev/fake)"));
        QCOMPARE(rig.line.closes, 1);
    }

    void closingTheWindowEndsTheDialogue_data() {
        QTest::addColumn<int>("atMs");
        QTest::addColumn<QString>("last");
        // Menu at 500 ms, pauses to 1500 and 2550, report from 2650.
        QTest::newRow("waiting for the menu")
            << 200 << "ERROR: WaitFor: the window is being closed";
        QTest::newRow("in a pause") << 1000 << "Waiting for boot menu";
        QTest::newRow("waiting for the report")
            << 2600 << "ERROR: Capture: the window is being closed";
    }
    void closingTheWindowEndsTheDialogue() {
        QFETCH(int, atMs);
        QFETCH(QString, last);
        Rig rig;
        actAsDevice(rig.line, QByteArray(5000, 'x'));
        rig.line.onPass = [&] {
            if (rig.line.now == atMs)
                rig.line.cancelled = true;
        };
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.last(), last);
        QCOMPARE(rig.line.closes, 1);
        QCOMPARE(rig.line.now, qint64(atMs));
        QVERIFY(!QFile::exists(dir.filePath("in.dat")));
    }

    void clearRefused() {
        Rig rig;
        rig.ask.answer = false;
        ClearData(rig.ctx, 4);
        QCOMPARE(rig.ask.questions,
                 QStringList{"This will clear ALL data from the ZELM device!\r\nAre you sure?"});
        QVERIFY(rig.line.calls.isEmpty());
        QVERIFY(rig.log.lines.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("ZURORUVE.INI")));
    }

    void clearConfirmed() {
        Rig rig;
        rig.ask.answer = true;
        actAsDevice(rig.line, "r");
        ClearData(rig.ctx, 4);
        QCOMPARE(rig.log.lines, (QStringList{"Plug the PC into the ZELM device and",
                                             "press reset or cycle power on the ZELM",
                                             "Waiting for boot menu", "Clear complete"}));
        QCOMPARE(rig.line.written, (QList<QByteArray>{"1", "forward pointer\r"}));
        QCOMPARE(rig.line.closes, 1);
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")), QByteArray("[ZuroRuve]\r\nPort=5\r\n"));
    }

    void clearWithoutPromptAfterward() {
        Rig rig;
        rig.ask.answer = true;
        actAsDevice(rig.line, "r");
        rig.line.onWrite = [&](const QByteArray& b) {
            if (b == "1")
                rig.line.arrive(50, "cmd>");
        };
        ClearData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.last(), QString("Timeout!"));
        QVERIFY(!rig.log.lines.contains("Clear complete"));
        QCOMPARE(rig.line.closes, 1);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
