// The dialogues through a real QSerialPort against the simulated device: downloads, Clear,
// and every fault a line, a device or a program folder can have. Each must end with one clear
// log line, the port closed and nothing half-written passed off as complete.

#include "rig.h"
#include "tools/simdevice.h"

#include "app/form1.h"
#include "app/submain.h"
#include "link/dialogues.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "settings/folder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

using namespace devicelink;

namespace {

// A real clock that runs fast, so that the 30 s and 120 s waits pass in a fraction of a second.
class FastClock : public Clock {
public:
    explicit FastClock(int factor) : factor_(factor) { timer_.start(); }
    qint64 nowMs() override { return timer_.elapsed() * factor_; }
    qint64 realMs(qint64 ms) const override { return (ms + factor_ - 1) / factor_; }

private:
    QElapsedTimer timer_;
    int factor_;
};

// 10 times real time where the device must answer in time (a 10 s limit still leaves it a
// second), 100 times where a time-out is the expected end (120 s take 1.2 s).
struct Rig {
    explicit Rig(int speed = 10) : clock(speed) {}
    SerialComm comm;
    FastClock clock;
    QtEventPump events;
    RecordingLog log;
    RecordingQuestions ask;
    Context ctx{comm, clock, events, log, ask};
};

struct DownloadCase {
    const char* name;
    QString options;  // the simulator's; %ten: the file of 10 MB
    int speed;        // of the clock
    QByteArray mount; // a tmpfs over the program folder
    QString last;     // how the log ends; %1 the folder, %2 the device
    QString left;     // the files left in the folder
};
const QString kKept = "in.dat out- ZURORUVE.INI", kIni = "ZURORUVE.INI";
const QString kGone = ": the device was disconnected (%2)";
const QString kGoneWaiting = "ERROR: DownloadData" + kGone,
              kGoneCapturing = "ERROR: Capture" + kGone;
const QString kCannot = "ERROR: ProcessData: cannot ";
// 9000 records: 171 kB raw (twice: in.dat and its kept copy), about 330 kB decoded.
const QString kMany = "--fast --records 9000";
const QList<DownloadCase> kDownloads{
    {"paced generated report", "--records 100", 10, {}, "Processing 100 records complete", kKept},
    {"every byte, 10 MB", "--fast --raw %ten", 10, {}, "Processing 526322 records complete", kKept},
    {"unplugged at menu", "--records 2000 --unplug menu", 10, {}, kGoneWaiting, kIni},
    {"unplugged at prompt", "--records 2000 --unplug prompt", 10, {}, kGoneWaiting, kIni},
    {"unplugged at start", "--records 2000 --unplug start", 10, {}, kGoneCapturing, kIni},
    {"unplugged at mid", "--records 2000 --unplug mid", 10, {}, kGoneCapturing, kIni},
    {"noise instead of the boot menu", "--fast --noise", 100, {}, "Timeout!", kIni},
    {"no start marker for 120 s", "--fast --stall prompt", 100, {}, "Timeout!", kIni},
    {"stall of 30 s mid-report", "--fast --records 2000 --stall mid", 100, {}, "Timeout!", kIni},
    {"read-only folder", kMany, 10, "ro,size=64k", kCannot + "create %1/in.dat: ", ""},
    {"disk full writing the raw file", kMany, 10, "size=64k",
     kCannot + "write %1/in.dat: No space left on device", kIni},
    {"disk full writing the decoded file", kMany, 10, "size=400k", kCannot + "write %1/out-",
     "in.dat ZURORUVE.INI"}, // the raw report is whole
    {"no entry left for the decoded file", kMany, 10, "size=1m,nr_inodes=5",
     kCannot + "create %1/out-", "in.dat ZURORUVE.INI"},
};

long residentKiB() {
    return readAll("/proc/self/statm").split(' ').value(1).toLong() * 4;
}

} // namespace

class TestDevice : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString folder, tenMegabytes;

    QStringList files() const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    }

private slots:
    void initTestCase() {
        qputenv("ZURORUVE_EDITOR", "true");
        folder = dir.filePath("program");
        QByteArray everyByte(256, 0); // in order, so that no marker comes about
        for (int b = 0; b < 256; ++b)
            everyByte[b] = char(b);
        tenMegabytes = dir.filePath("ten-megabytes.dat");
        writeAll(tenMegabytes, everyByte.repeated(39063));
    }
    void init() {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        settings::setProgramFolder(folder);
    }

    void download_data() { rows(kDownloads); }
    void download() {
        QFETCH(int, i);
        const DownloadCase& c = kDownloads[i];
        const QStringList options = QString(c.options).replace("%ten", tenMegabytes).split(' ');
        const QStringList left = QString(c.left).split(' ', Qt::SkipEmptyParts);
        std::optional<Tmpfs> tmpfs;
        if (!c.mount.isEmpty() && !tmpfs.emplace(folder, c.mount).mounted())
            QSKIP("needs a tmpfs mount (root)");
        QDir(folder).mkdir("DATA"); // as start-up makes it
        SimDevice sim(QStringList{"--menu-delay", "50"} + options);
        QVERIFY(sim.started());
        Rig rig(c.speed);
        DownloadData(rig.ctx, 0);
        const QString last = QString(c.last).replace("%1", folder).replace("%2", sim.path());
        QVERIFY2(rig.log.lines.last().startsWith(last), qPrintable(rig.log.lines.last()));
        QCOMPARE(rig.log.lines.filter("ERROR").size() + rig.log.lines.count("Timeout!"),
                 last.startsWith("Processing") ? 0 : 1);
        QVERIFY(!rig.comm.PortOpen());
        QCOMPARE(files().replaceInStrings(QRegularExpression("^out-.*"), "out-"), left);
        const QByteArray raw = readAll(folder + "/in.dat");
        if (left.contains("out-")) {
            if (options.contains("--raw"))
                QVERIFY(raw == readAll(tenMegabytes));
            QVERIFY(readAll(folder + "/" + files().filter("out-").value(0)) ==
                    decodeText(raw, report::NumberFormat::system()));
        } else if (left.contains("in.dat")) {
            QCOMPARE(raw.size(), 9000 * 19);
        }
        QVERIFY(last.contains("disconnected") || sim.waitForClosed(1));
        if (!last.contains("disconnected"))
            return;
        // Plugged in again, the same serial control downloads as if nothing had happened.
        SimDevice again({"--fast", "--menu-delay", "50", "--records", "10"});
        QVERIFY(again.started());
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.last(), QString("Processing 10 records complete"));
    }

    void openErrors_data() {
        QTest::addColumn<QString>("device"); // "held" by another program, or a path
        QTest::addColumn<QString>("text");   // how the error starts, %1 the device, %2 its group
        QTest::newRow("not there") << "/nonexistent/zelm"
                                   << "%1 not found. Serial devices present: ";
        QTest::newRow("not a serial line") << "/dev/null"
                                           << "%1 cannot be opened: ";
        QTest::newRow("held by another program") << "held"
                                                 << "%1 is busy: another program holds it";
        QTest::newRow("no permission")
            << dir.filePath("ttyFAKE")
            << "%1: permission denied. The device belongs to the group \"%2\": run \"sudo usermod "
               "-aG %2 $USER\", then log out and in again.";
    }
    void openErrors() {
        QFETCH(QString, device);
        QFETCH(QString, text);
        std::optional<SimDevice> sim;
        SerialComm holder;
        const bool owned = device.startsWith(dir.path()); // a device only its owner may open
        if (device == "held") {
            sim.emplace(QStringList{"--fast"});
            device = sim->path();
            holder.setCommPort(1);
            holder.setPortOpen(true);
        } else if (owned) {
            writeAll(device, "");
            QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner);
            openToAll(dir.path());
            if (::geteuid() != 0 && QFileInfo(device).isWritable())
                QSKIP("cannot take away the permission here");
        }
        qputenv("ZURORUVE_COM1", device.toUtf8());
        Rig rig;
        {
            std::optional<ReadOnlyFolder> asNobody; // root takes the user "nobody"
            if (owned)
                asNobody.emplace(dir.filePath("unused"));
            DownloadData(rig.ctx, 0);
        }
        QCOMPARE(rig.log.lines.size(), 1);
        // The device's own group, and what to do about it.
        const QString group = QFileInfo(device).group();
        text = "ERROR: " + text.arg(device, group);
        QVERIFY2(rig.log.lines[0].startsWith(text), qPrintable(rig.log.lines[0]));
        QVERIFY(!rig.comm.PortOpen());
    }

    // zelm-download against the simulated device: the window's files, a clear only once they
    // are kept, and each exit status.
    void readOut_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("sim");    // the simulator's options
        QTest::addColumn<QString>("mount");  // a tmpfs: "folder options" or "DATA options"
        QTest::addColumn<bool>("terminate"); // SIGTERM once the report has started
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("left"); // files in the folder; "+1": one kept copy
        QTest::addColumn<bool>("cleared");
        const QStringList clear{"--clear"};
        QTest::newRow("download") << QStringList() << "--fast --records 10"
                                  << "" << false << 0 << "in.dat out- +1" << false;
        QTest::newRow("download and clear") << clear << "--fast --records 10"
                                            << "" << false << 0 << "in.dat out- +1" << true;
        QTest::newRow("disk full: not cleared")
            << clear << kMany << "folder size=400k" << false << 3 << "in.dat +1" << false;
        QTest::newRow("read-only folder: not cleared")
            << clear << "--fast --records 10"
            << "folder ro,size=64k" << false << 3 << "+0" << false;
        QTest::newRow("kept copy not written: not cleared")
            << clear << "--fast --records 10"
            << "DATA ro,size=64k" << false << 4 << "in.dat out- +0" << false;
        QTest::newRow("no boot menu")
            << clear + QStringList{"--boot-wait", "1"} << "--fast --stall menu"
            << "" << false << 1 << "+0" << false;
        QTest::newRow("unplugged mid-report") << clear << "--records 2000 --unplug mid"
                                              << "" << false << 1 << "+0" << false;
        QTest::newRow("SIGTERM mid-report") << clear << "--records 20000"
                                            << "" << true << 1 << "+0" << false;
        QTest::newRow("no such device") << QStringList{"--device", "/nonexistent/zelm"} << "--fast"
                                        << "" << false << 2 << "+0" << false;
        QTest::newRow("wrong arguments") << QStringList{"--port", "0"} << "--fast"
                                         << "" << false << 64 << "" << false;
    }
    void readOut() {
        QFETCH(QStringList, options);
        QFETCH(QString, sim);
        QFETCH(QString, mount);
        QFETCH(bool, terminate);
        QFETCH(int, status);
        QFETCH(QString, left);
        QFETCH(bool, cleared);
        QDir(folder).mkdir("DATA");
        std::optional<Tmpfs> tmpfs;
        if (!mount.isEmpty() && !tmpfs
                                     .emplace(mount.startsWith("DATA") ? folder + "/DATA" : folder,
                                              mount.section(' ', 1).toUtf8())
                                     .mounted())
            QSKIP("needs a tmpfs mount (root)");
        SimDevice device(sim.split(' '));
        QVERIFY(device.started());
        QProcess run;
        QProcessEnvironment journal = QProcessEnvironment::systemEnvironment();
        journal.insert("JOURNAL_STREAM", "8:1234"); // as under systemd: lines with priorities
        run.setProcessEnvironment(journal);
        run.start(ZELM_DOWNLOAD,
                  QStringList{"--device", device.path(), "--folder", folder} + options);
        if (terminate) {
            QVERIFY(QTest::qWaitFor([&] { return device.output().contains("report 0"); }, 20000));
            QTest::qWait(300);
            run.terminate();
        }
        QVERIFY(run.waitForFinished(60000));
        const QString log = run.readAllStandardError();
        QVERIFY2(run.exitCode() == status, qPrintable(log));
        static const QRegularExpression priority("^<3>(ERROR|Timeout)|^<6>(?!ERROR|Timeout)");
        for (const QString& line : log.split('\n', Qt::SkipEmptyParts))
            QVERIFY2(status == 64 || line.contains(priority), qPrintable(line));
        device.waitForClosed(status == 2 || status == 64 ? 0 : 1); // all it was told is out
        QCOMPARE(device.output().contains("forward pointer"), cleared);
        QCOMPARE(log.contains("Clear complete"), cleared);
        QStringList names = files().replaceInStrings(QRegularExpression("^out-.*"), "out-");
        if (!left.isEmpty())
            names.append("+" +
                         QString::number(QDir(folder + "/DATA").entryList(QDir::Files).size()));
        QCOMPARE(names.join(' '), left);
        const QByteArray printed = run.readAllStandardOutput();
        QCOMPARE(printed.isEmpty(), !left.contains("out-"));
        if (!printed.isEmpty()) // the decoded file, as the window writes it
            QCOMPARE(readAll(printed.trimmed()),
                     decodeText(readAll(folder + "/in.dat"), report::NumberFormat::system()));
    }

    // A docking station: three loggers in a row, the adapter unplugged and plugged in again
    // between two of them; each kept and cleared; SIGTERM while waiting ends it with 0.
    void watch() {
        const QString path = dir.filePath("station");
        QProcess run;
        std::optional<SimDevice> device(std::in_place, QStringList{"--fast", "--records", "10"},
                                        path);
        QVERIFY(device->started());
        run.start(ZELM_DOWNLOAD, {"--device", path, "--folder", folder, "--watch", "--clear"});
        QByteArray printed;
        const auto downloads = [&](int n) {
            return QTest::qWaitFor(
                [&] { return (printed += run.readAllStandardOutput()).count('\n') == n; }, 20000);
        };
        QVERIFY(downloads(1));
        QVERIFY(QTest::qWaitFor([&] { return device->output().contains("report cleared"); }, 5000));
        QTest::qWait(300); // the line stays open for the next logger's boot menu
        QVERIFY(!device->output().contains("port closed"));
        device->reset(); // the next logger, on the adapter that stayed
        QVERIFY(downloads(2));
        QVERIFY(
            QTest::qWaitFor([&] { return device->output().count("report cleared") == 2; }, 5000));
        device.reset(); // the adapter unplugged ...
        QTest::qWait(1500);
        device.emplace(QStringList{"--fast", "--records", "7"}, path); // ... and back
        QVERIFY(downloads(3));
        QVERIFY(QTest::qWaitFor([&] { return device->output().contains("report cleared"); }, 5000));
        run.terminate();
        QVERIFY(run.waitForFinished(5000));
        QCOMPARE(run.exitCode(), 0);
        const QString log = run.readAllStandardError();
        QCOMPARE(log.count("Clear complete"), 3);
        QCOMPARE(QDir(folder + "/DATA").entryList(QDir::Files).size(), 3);
        QCOMPARE(readAll(folder + "/in.dat").size(), 7 * 19); // the third logger's
        QCOMPARE(readAll(printed.split('\n').value(2)),
                 decodeText(readAll(folder + "/in.dat"), report::NumberFormat::system()));
    }

    void discardAndReopen() {
        // The boot menu comes while nothing reads the line: it waits in the system's buffer,
        // not yet in Qt's, and a discard must still take it.
        SimDevice sim({"--menu-delay", "0"});
        QVERIFY(sim.started());
        Rig rig;
        QCOMPARE(OpenPort(rig.ctx, 1), 0);
        QByteArray got; // no event runs between looks, so Qt itself reads nothing
        for (int tries = 0; !got.contains("1 - exit") && tries < 50; ++tries) {
            QThread::msleep(100);
            got += rig.comm.Input();
        }
        QVERIFY(got.contains("1 - exit"));
        QCOMPARE(WaitFor(rig.ctx, "1 - exit", 1), 1); // the menu is not seen a second time
        // Setting RTS again on a pseudo-terminal fails; the line must not count as gone.
        QCOMPARE(OpenPort(rig.ctx, 1), 0);
        QCOMPARE(rig.log.lines, (QStringList{"Port Opened", "Timeout!", "Port already open"}));
        QCOMPARE(SendText(rig.ctx, "1"), 0);
    }

    void theWindowDuringADownload() {
        SimDevice sim({"--menu-delay", "50", "--records", "3000"}); // paced: about 5 s
        QVERIFY(sim.started());
        SerialComm comm;
        SteadyClock clock;
        app::Form1 form;
        QtEventPump events([&form] { return form.closeRequested(); });
        Context ctx{comm, clock, events, form.log(), form};
        form.useDevice(ctx);
        app::SubMain(form);
        // While the download runs only the log and the status line are on: a second click
        // starts nothing.
        QList<bool> enabled;
        QTimer::singleShot(300, &form, [&] {
            for (QWidget* w : QWidgetList{form.List1, form.cmdDownload, form.cmdExcel,
                                          form.cmdClear, form.Text1, form.Text2})
                enabled << w->isEnabled();
            QTest::mouseClick(form.cmdDownload, Qt::LeftButton);
            QTest::mouseClick(form.cmdClear, Qt::LeftButton);
        });
        // Closing the window in the middle of the report ends the download.
        bool closeRefused = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &form, [&] {
            if (form.Text1->toPlainText().contains("Waiting for data") &&
                sim.output().contains("received: report 0")) {
                closer.stop();
                closeRefused = !form.close();
            }
        });
        closer.start(200);
        QTest::mouseClick(form.cmdDownload, Qt::LeftButton);
        QCOMPARE(enabled, (QList<bool>{false, false, false, false, true, true}));
        QVERIFY(closeRefused);      // held until the dialogue has ended...
        QVERIFY(!form.isVisible()); // ...then closed
        const QString log = form.Text1->toPlainText();
        QVERIFY2(log.endsWith("ERROR: Capture: the window is being closed\n"), qPrintable(log));
        QVERIFY(sim.waitForClosed(1));
        QVERIFY(files().filter("out-").isEmpty());
    }

    void soakOfFiftyDownloads() {
        // The boot menu comes 100 ms after the port opens: a shorter delay can fall before the
        // walk discards what the line held, in a slow (sanitizer) build.
        SimDevice sim({"--fast", "--menu-delay", "100", "--records", "500"});
        QVERIFY(sim.started());
        Rig rig;
        DownloadData(rig.ctx, 0); // libraries and caches settle in the first run
        QVERIFY(sim.waitForClosed(1));
        const auto descriptors = [] {
            return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size();
        };
        const qsizetype fdsBefore = descriptors();
        [[maybe_unused]] const long rssBefore = residentKiB(); // compared below, not with clang
        for (int i = 0; i < 50; ++i) {
            DownloadData(rig.ctx, 0);
            QVERIFY2(rig.log.lines.last() == "Processing 500 records complete",
                     qPrintable(QString("download %1: %2").arg(i).arg(rig.log.lines.join(" | "))));
            QVERIFY(sim.waitForClosed(i + 2));
        }
        QCOMPARE(descriptors(), fdsBefore);
#if !defined(__clang__) // the sanitizer build keeps freed memory in quarantine
        QVERIFY2(residentKiB() - rssBefore < 4096, "resident memory grew by more than 4 MiB");
#endif
    }
};

QTEST_MAIN(TestDevice)
#include "test_device.moc"
