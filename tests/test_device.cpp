// The dialogues through a real QSerialPort against the simulated device: downloads, Clear,
// and every fault a line, a device or a program folder can have. Each must end with one clear
// log line, the port closed and nothing half-written passed off as complete.

#include "sim/simdevice.h"
#include "support/rig.h"

#include "app/dialogues.h"
#include "app/form1.h"
#include "app/submain.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "settings/folder.h"

#include <csignal>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

using namespace devicelink;
using namespace readout;

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
// Port 1 is the device.
struct Rig {
    Rig(const QString& folder, const QString& device, int speed = 10)
        : comm({}, {{1, device}}), clock(speed), session{ctx, {folder}} {}
    SerialComm comm;
    FastClock clock;
    QtEventPump events;
    RecordingLog log;
    RecordingQuestions ask;
    Context ctx{comm, clock, events, log, ask};
    Session session;
};

struct DownloadCase {
    const char* name;
    QString options;  // the simulator's; %ten: the file of 10 MB
    int speed;        // of the clock
    QByteArray mount; // a tmpfs over the program folder
    QString first;    // the first failure's line, or the last line; %1 the folder, %2 the device
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
    // Bytes in order, no logger's records: told as such.
    {"every byte, 10 MB",
     "--fast --raw %ten",
     10,
     {},
     "Processing 526322 records complete, but 518098 of them are of no known kind: this is not a "
     "ZELM report as it stands",
     kKept},
    {"unplugged at menu", "--records 2000 --unplug menu", 10, {}, kGoneWaiting, kIni},
    {"unplugged at prompt", "--records 2000 --unplug prompt", 10, {}, kGoneWaiting, kIni},
    {"unplugged at start", "--records 2000 --unplug start", 10, {}, kGoneCapturing, kIni},
    {"unplugged at mid", "--records 2000 --unplug mid", 10, {}, kGoneCapturing, kIni},
    {"noise instead of the boot menu", "--fast --noise", 100, {}, "Timeout!", kIni},
    {"no start marker for 120 s", "--fast --stall prompt", 100, {}, "Timeout!", kIni},
    {"stall of 30 s mid-report", "--fast --records 2000 --stall mid", 100, {}, "Timeout!", kIni},
    {"a restart mid-report", "--fast --records 2000 --restart mid", 100, {}, "Timeout!", kIni},
    {"read-only folder", kMany, 10, "ro,size=64k", kCannot + "create %1/in.dat: ", ""},
    {"disk full writing the raw file", kMany, 10, "size=64k",
     kCannot + "write %1/in.dat: No space left on device", kIni},
    // A small file fails only when it is closed: the settings file takes the one page.
    {"disk full, a small report", "--fast --records 10", 10, "size=4k",
     kCannot + "write %1/in.dat: No space left on device", kIni},
    {"disk full writing the decoded file", kMany, 10, "size=400k", kCannot + "write %1/out-",
     "in.dat ZURORUVE.INI"}, // the raw report is whole
    // The kept copy and the decoded file take their names first; in.dat finds none left.
    {"no entry left for in.dat", kMany, 10, "size=1m,nr_inodes=5", kCannot + "create %1/in.dat",
     "out- ZURORUVE.INI"},
};

// zelm-download against the simulated device.
struct ReadOutCase {
    const char* name;
    QString options; // zelm-download's, after --device and --folder
    QString sim;     // the simulator's; %partial: a report of two records and two bytes
    QString mount;   // a tmpfs: "folder options" or "DATA options"
    int signal;      // SIGTERM once the report has started, SIGINT once the boot menu came
    int status;
    QString last; // how the log ends, with the line's priority
    QString left; // files in the folder; "+1": one kept copy (or what came of a report cut short)
    bool cleared;
    bool sent = false; // the clear command went out, but no clear was proved
};
const QString kNotCleared = "<3>ERROR: the logger was NOT cleared: ";
const QString kDecoded = "<6>Decoded into out-";
const QString kNoFolder = "<3>ERROR: no file can be written in ";
const QList<ReadOutCase> kReadOuts{
    {"download", "", "--fast --records 10", "", 0, 0, kDecoded, "in.dat out- +1", false},
    {"download and clear", "--clear", "--fast --records 10", "", 0, 0, "<6>Clear complete",
     "in.dat out- +1", true},
    // Four bytes of the 501st record are the end marker; the rest of the report follows them.
    {"end marker inside the report", "--clear", "--fast --records 1000 --marker-at 9509", "", 0, 0,
     "<6>Clear complete", "in.dat out- +1", true},
    // What a logger says before its prompt proves the end; a clear is proved by reading back.
    {"a byte count after the end marker", "--clear",
     "--fast --records 10 --after-end '\\r\\n%n bytes'", "", 0, 0, "<6>Clear complete",
     "in.dat out- +1", true},
    {"OK after the end marker", "--clear", "--fast --records 10 --after-end \\r\\nOK", "", 0, 0,
     "<6>Clear complete", "in.dat out- +1", true},
    {"a clear that clears nothing", "--clear", "--fast --records 10 --clear-answer ignored", "", 0,
     4, kNotCleared + "it still holds its report", "in.dat out- +1", false, true},
    {"unknown command after the clear", "--clear", "--fast --records 10 --clear-answer unknown", "",
     0, 4, kNotCleared + "it still holds its report", "in.dat out- +1", false, true},
    {"hang-up after the clear command", "--clear", "--fast --records 10 --unplug clear", "", 0, 4,
     "<3>ERROR: the clear is not confirmed: the line failed", "in.dat out- +1", false, true},
    // A device's path relative to the working folder, not to /dev.
    {"a device named from the working folder", "--device zelm", "--fast --records 10", "", 0, 0,
     kDecoded, "in.dat out- +1", false},
    {"an empty logger", "", "--fast --records 0", "", 0, 0, "<5>The logger held no records",
     "in.dat out- +0", false},
    {"part of a record: not cleared", "--clear", "--fast --raw %partial", "", 0, 4,
     kNotCleared + "the report is not proved whole: its 40 bytes are not a whole number of "
                   "19-byte records",
     "in.dat out- +1", false},
    {"disk full: not cleared", "--clear", kMany, "folder size=400k", 0, 3,
     kNotCleared + "a file of the report could not be written", "in.dat +1", false},
    {"disk full, a small report: not cleared", "--clear", "--fast --records 10", "folder size=4k",
     0, 3, kNotCleared + "a file of the report could not be written", "in.dat +0", false},
    // A folder that takes no file: the logger is not even read out.
    {"read-only folder", "--clear", "--fast --records 10", "folder ro,size=64k", 0, 3, kNoFolder,
     "+0", false},
    {"read-only DATA folder", "--clear", "--fast --records 10", "DATA ro,size=64k", 0, 3, kNoFolder,
     "+0", false},
    {"disk full, a small report, no clear", "", "--fast --records 10", "folder size=4k", 0, 3,
     "<3>ERROR: the report is not kept: a file of it could not be written", "in.dat +0", false},
};
const QList<ReadOutCase> kReadOutFaults{
    {"no boot menu", "--clear --boot-wait 1", "--fast --stall menu", "", 0, 1,
     kNotCleared + "the logger did not answer in time", "+0", false},
    // What came after the start marker is kept all the same.
    {"unplugged mid-report", "--clear", "--records 2000 --unplug mid", "", 0, 1,
     kNotCleared + "the line failed", "+1", false},
    {"endless report", "--clear", "--fast --endless", "", 0, 1,
     kNotCleared + "no whole report came", "+1", false},
    {"SIGTERM mid-report", "--clear", "--records 20000", "", SIGTERM, 143,
     "<5>Stopped by SIGTERM; the logger was NOT cleared", "+1", false},
    {"SIGINT in the boot menu", "--clear", "--fast", "", SIGINT, 130,
     "<5>Stopped by SIGINT; the logger was NOT cleared", "+0", false},
    // Killed while the clear is under way: the report's line was in the journal before.
    {"killed after the clear command", "--clear", "--fast --records 10 --stall clear", "", SIGKILL,
     0, kDecoded, "in.dat out- +1", false, true},
    // A device named on the command line is no port number that ZURORUVE_COM<n> could point.
    {"no such device", "--device /nonexistent/zelm", "--fast", "", 0, 2,
     "<3>ERROR: /nonexistent/zelm not found. Serial devices present: ", "+0", false},
    {"port 0", "--port 0", "--fast", "", 0, 64,
     "zelm-download: --port: not a port number from 1 to 32767 (see zelm-download --help)", "",
     false},
    {"a port and a device", "--port 2", "--fast", "", 0, 64,
     "zelm-download: --port and --device: give one of them (see zelm-download --help)", "", false},
    {"unknown option", "--foo", "--fast", "", 0, 64,
     "zelm-download: unknown option --foo (see zelm-download --help)", "", false},
    {"an option twice", "--clear --clear", "--fast", "", 0, 64,
     "zelm-download: --clear: given twice (see zelm-download --help)", "", false},
    {"a stray argument", "extra", "--fast", "", 0, 64,
     "zelm-download: unexpected argument extra (see zelm-download --help)", "", false},
    {"boot wait not a number", "--boot-wait soon", "--fast", "", 0, 64,
     "zelm-download: --boot-wait: not a number of seconds up to 24 days (see zelm-download "
     "--help)",
     "", false},
    {"boot wait beyond 32 bits", "--boot-wait 3000000", "--fast", "", 0, 64,
     "zelm-download: --boot-wait: not a number of seconds up to 24 days (see zelm-download "
     "--help)",
     "", false},
};

// The line before the last: the last says where the decoded file went.
QString lastButOne(const RecordingLog& log) {
    return log.lines.value(log.lines.size() - 2);
}

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

    void runReadOut(const ReadOutCase& c) {
        QDir(folder).mkdir("DATA");
        std::optional<Tmpfs> tmpfs;
        if (!c.mount.isEmpty() &&
            !tmpfs
                 .emplace(c.mount.startsWith("DATA") ? folder + "/DATA" : folder,
                          c.mount.section(' ', 1).toUtf8())
                 .mounted())
            QSKIP("needs a tmpfs mount (root)");
        const QString partial = dir.filePath("partial.dat");
        writeAll(partial, hex("0007 240305140709 03 002A 00000000 4019 0080").repeated(2) + "xy");
        SimDevice device(QProcess::splitCommand(QString(c.sim).replace("%partial", partial)));
        QVERIFY(device.started());
        QProcess run;
        QProcessEnvironment journal = QProcessEnvironment::systemEnvironment();
        journal.insert("JOURNAL_STREAM", "8:1234"); // as under systemd: lines with priorities
        run.setProcessEnvironment(journal);
        const QStringList options = c.options.split(' ', Qt::SkipEmptyParts);
        run.setWorkingDirectory(QFileInfo(device.path()).path());
        run.start(ZELM_DOWNLOAD,
                  (options.contains("--device") ? QStringList{}
                                                : QStringList{"--device", device.path()}) +
                      QStringList{"--folder", folder} + options);
        if (c.signal) {
            const char* seen = c.signal == SIGTERM  ? "report 0"
                               : c.signal == SIGINT ? "sending boot menu"
                                                    : "forward pointer";
            QVERIFY(QTest::qWaitFor([&] { return device.output().contains(seen); }, 20000));
            QTest::qWait(300);
            ::kill(pid_t(run.processId()), c.signal);
        }
        QVERIFY(run.waitForFinished(60000));
        const QString log = run.readAllStandardError();
        QVERIFY2(c.signal == SIGKILL ? run.exitStatus() == QProcess::CrashExit
                                     : run.exitCode() == c.status,
                 qPrintable(log));
        QStringList lines = log.split('\n', Qt::SkipEmptyParts);
        // What came in, told after a report kept; and no procedure's name anywhere.
        const qsizetype told = lines.indexOf(QRegularExpression("<6>Logger with .*"));
        QCOMPARE(told >= 0, c.status != 64 && c.status != 3 && c.left.contains("+1") &&
                                c.left.contains("out-") && c.signal != SIGKILL);
        if (told >= 0)
            lines = lines.mid(0, told);
        QVERIFY2(lines.last().startsWith(c.last), qPrintable(log));
        QVERIFY(!log.contains(QRegularExpression(
            "WaitFor|SendText|Capture|ProcessData|MakeUserFolders|ReadIni|WriteIni|DownloadData")));
        QVERIFY(!lines.last().contains("ZURORUVE_COM"));
        // Failures, and only they, go to the journal as errors.
        static const QRegularExpression error("^<3>(ERROR|Timeout)|^<[456]>(?!ERROR|Timeout)");
        for (const QString& line : lines)
            QVERIFY2(c.status == 64 || line.contains(error), qPrintable(line));
        device.waitForClosed(log.contains("Port Opened") ? 1 : 0); // all it was told is out
        QCOMPARE(device.output().contains("forward pointer"), c.cleared || c.sent);
        QCOMPARE(log.contains("Clear complete"), c.cleared);
        QStringList names = files().replaceInStrings(QRegularExpression("^out-.*"), "out-");
        if (!c.left.isEmpty())
            names.append("+" + QString::number(
                                   QDir(folder + "/DATA").entryList({"in-*"}, QDir::Files).size()));
        QCOMPARE(names.join(' '), c.left);
        // Every report received in the journal, its clear too, once it has come to an end.
        QVERIFY(keptAsJournaled(folder + "/DATA"));
        QCOMPARE(readAll(folder + "/DATA/readouts.log").count("\tclear\t"),
                 int(c.cleared || (c.sent && c.signal != SIGKILL)));
        const QStringList sim = c.sim.split(' ');
        if (c.status == 0 && sim.contains("--records")) // the whole report
            QCOMPARE(readAll(folder + "/in.dat").size(),
                     19 * sim.value(sim.indexOf("--records") + 1).toInt());
        const QByteArray printed = run.readAllStandardOutput();
        QCOMPARE(printed.isEmpty(),
                 !c.left.contains("out-") || c.status == 3 || c.signal == SIGKILL);
        if (!printed.isEmpty()) // the decoded file, as the window writes it
            QCOMPARE(readAll(printed.trimmed()),
                     decodeText(readAll(folder + "/in.dat"), report::NumberFormat::system()));
    }

private slots:
    void initTestCase() {
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
        std::optional<SimDevice> sim(std::in_place, QStringList{"--menu-delay", "50"} + options,
                                     dir.filePath("zelm")); // plugged in again there below
        QVERIFY(sim->started());
        const QString device = sim->path();
        Rig rig(folder, device, c.speed);
        app::DownloadData(rig.session, 0, "true");
        const QString first = QString(c.first).replace("%1", folder).replace("%2", device);
        const QStringList failures = rig.log.lines.filter(QRegularExpression("^(ERROR|Timeout!)"));
        QVERIFY2(first.startsWith("Processing") ? failures.isEmpty() && lastButOne(rig.log) == first
                                                : failures.value(0).startsWith(first),
                 qPrintable(rig.log.lines.join('|')));
        // What came of a report cut short is kept, and the log's last line names it.
        const QStringList partial = QDir(folder + "/DATA").entryList({"*.partial.dat"});
        QCOMPARE(partial.size(), int(c.options.contains(" mid")));
        QVERIFY(partial.isEmpty() || rig.log.lines.last().contains(partial[0]));
        QVERIFY(!rig.comm.PortOpen());
        QCOMPARE(files().replaceInStrings(QRegularExpression("^out-.*"), "out-"), left);
        const QStringList copies = QDir(folder + "/DATA").entryList({"in-*[0-9].dat"});
        const QByteArray raw = readAll(
            left.contains("in.dat") ? folder + "/in.dat" : folder + "/DATA/" + copies.value(0));
        if (left.contains("out-")) {
            if (options.contains("--raw"))
                QVERIFY(raw == readAll(tenMegabytes));
            QVERIFY(readAll(folder + "/" + files().filter("out-").value(0)) ==
                    decodeText(raw, report::NumberFormat::system()));
        } else if (left.contains("in.dat")) {
            QCOMPARE(raw.size(), 9000 * 19);
        }
        QVERIFY(first.contains("disconnected") || sim->waitForClosed(1));
        if (!first.contains("disconnected"))
            return;
        // Plugged in again, the same serial control downloads as if nothing had happened.
        sim.reset();
        SimDevice again({"--fast", "--menu-delay", "50", "--records", "10"}, device);
        QVERIFY(again.started());
        app::DownloadData(rig.session, 0, "true");
        QCOMPARE(lastButOne(rig.log), QString("Processing 10 records complete"));
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
        std::optional<SerialComm> holder;                 // another program's hold of the device
        const bool owned = device.startsWith(dir.path()); // a device only its owner may open
        if (device == "held") {
            sim.emplace(QStringList{"--fast"});
            device = sim->path();
            holder.emplace(device);
            holder->setPortOpen(true);
        } else if (owned) {
            writeAll(device, "");
            QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner);
            openToAll(dir.path());
            if (::geteuid() != 0 && QFileInfo(device).isWritable())
                QSKIP("cannot take away the permission here");
        }
        Rig rig(folder, device);
        {
            std::optional<ReadOnlyFolder> asNobody; // root takes the user "nobody"
            if (owned)
                asNobody.emplace(dir.filePath("unused"));
            app::DownloadData(rig.session, 0, "true");
        }
        QCOMPARE(rig.log.lines.size(), 1);
        // The device's own group, and what to do about it.
        const QString group = QFileInfo(device).group();
        text = "ERROR: " + text.arg(device, group);
        QVERIFY2(rig.log.lines[0].startsWith(text), qPrintable(rig.log.lines[0]));
        QVERIFY(!rig.comm.PortOpen());
    }

    // zelm-download against the simulated device: the window's files, a clear only once the
    // whole report is kept, each exit status and the last line with its priority.
    void readOut_data() { rows(kReadOuts); }
    void readOut() {
        QFETCH(int, i);
        runReadOut(kReadOuts[i]);
    }
    void readOutFaults_data() { rows(kReadOutFaults); }
    void readOutFaults() {
        QFETCH(int, i);
        runReadOut(kReadOutFaults[i]);
    }

    // A docking station: three loggers in a row, the adapter unplugged and plugged in again
    // between two of them, a routine notice; each kept, cleared, named and its report written;
    // SIGTERM while waiting ends it as a stop.
    void watch() {
        const QString path = dir.filePath("station"), reports = dir.filePath("reports");
        QProcess run;
        QProcessEnvironment journal = QProcessEnvironment::systemEnvironment();
        journal.insert("JOURNAL_STREAM", "8:1234");
        run.setProcessEnvironment(journal);
        std::optional<SimDevice> device(std::in_place, QStringList{"--fast", "--records", "10"},
                                        path);
        QVERIFY(device->started());
        run.start(ZELM_DOWNLOAD, {"--device", path, "--folder", folder, "--watch", "--clear",
                                  "--report", reports});
        QByteArray printed;
        const auto downloads = [&](int n) {
            return QTest::qWaitFor(
                [&] { return (printed += run.readAllStandardOutput()).count('\n') == n; }, 20000);
        };
        QVERIFY(downloads(1));
        QVERIFY(QTest::qWaitFor([&] { return device->output().contains("report cleared"); }, 5000));
        // The line stays open for the next logger, which boots once the station waits for it.
        QByteArray said;
        QVERIFY(QTest::qWaitFor(
            [&] {
                return (said += run.readAllStandardError()).count("Waiting for boot menu") == 2;
            },
            20000));
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
        QCOMPARE(run.exitCode(), 128 + SIGTERM);
        const QString log = said + run.readAllStandardError();
        QVERIFY2(log.endsWith("Stopped by SIGTERM\n"), qPrintable(log.right(300)));
        QCOMPARE(log.count("Clear complete"), 3);
        QVERIFY2(!log.contains("<3>") && !log.contains("Port already open") &&
                     log.count("\n<6>Port Opened\n") == 2 &&
                     log.contains("\n<5>Waiting for the device to come back: the device was "
                                  "disconnected (" +
                                  path + ")\n"),
                 qPrintable(log));
        // The second logger is the first one again, emptied by its clear: no copy of nothing, no
        // report, and no logger named.
        QCOMPARE(QDir(folder + "/DATA").entryList({"in-*"}, QDir::Files).size(), 2);
        QCOMPARE(log.count(QRegularExpression("\n<6>Logger with [A-Z]{2} ")), 2);
        const QStringList written = QDir(reports).entryList(QDir::Files);
        QCOMPARE(written.filter(QRegularExpression("^zelm-report-.*\\.pdf$")).size(), 2);
        QCOMPARE(written.filter(QRegularExpression("^zelm-statistics-.*\\.csv$")).size(), 2);
        QCOMPARE(readAll(folder + "/in.dat").size(), 7 * 19); // the third logger's
        QCOMPARE(readAll(printed.split('\n').value(2)),
                 decodeText(readAll(folder + "/in.dat"), report::NumberFormat::system()));
    }

    // The simulated logger keeps a memory as a real one does: downloads without a clear overlap,
    // a clear empties it, and it outlasts the simulator in its state file.
    void simulatedLogger() {
        const QStringList options{
            "--fast", "--speed", "3600", "--history", "1", "--state", dir.filePath("logger.state")};
        const QString logger = dir.filePath("logger");
        std::optional<SimDevice> sim(std::in_place, options, logger);
        QVERIFY(sim->started());
        QDir(folder).mkdir("DATA");
        Rig rig(folder, logger);
        Request download, clear;
        clear.clear = true;
        const Result a = readout::readOut(rig.session, download),
                     b = readout::readOut(rig.session, download),
                     c = readout::readOut(rig.session, clear),
                     d = readout::readOut(rig.session, download);
        sim.reset();
        sim.emplace(options, logger);
        QVERIFY(sim->started());
        const Result e = readout::readOut(rig.session, download);
        for (const Result& r : {a, b, c, d, e})
            QVERIFY2(r.end == End::Done && r.whole, qPrintable(rig.log.lines.join("|")));
        QVERIFY(a.report.size() >= 72 * 19); // an hour of six sensors every 5 minutes
        QVERIFY(b.report.startsWith(a.report) && b.report.size() > a.report.size());
        QVERIFY(c.report.startsWith(b.report) && c.reached == Stage::Cleared);
        QVERIFY(e.report.startsWith(d.report));
        const auto lines = [](const QByteArray& raw) {
            return decodeText(raw, report::NumberFormat{}).split('\n');
        };
        // After the clear only what was read since: every stamp later than the last before it.
        QVERIFY(lines(d.report).first().split('\t').value(1) >
                lines(c.report).value(lines(c.report).size() - 2).split('\t').value(1));
        QSet<QByteArray> sensors;
        for (const QByteArray& line : lines(a.report))
            if (!line.isEmpty())
                sensors << line.split('\t').mid(2, 2).join(' ');
        QCOMPARE(sensors, (QSet<QByteArray>{"TX 00101", "TX 00102", "BT 00:1A:2B:3C:4D:5E",
                                            "BT 00:1A:2B:3C:4D:5F", "RX 00042", "BV 00007"}));
    }

    // zelm-download and the window keep their reports in one folder and finish in one second,
    // by the window's clock: each report under a name of its own, each decoded file its own.
    void oneFolderTwoPrograms() {
        QDir(folder).mkdir("DATA");
        SimDevice station({"--fast", "--records", "10", "--seed", "2"}, dir.filePath("station"));
        QVERIFY(station.started());
        QProcess run;
        run.start(ZELM_DOWNLOAD, {"--device", station.path(), "--folder", folder});
        QVERIFY(run.waitForFinished(60000) && run.exitCode() == 0);
        const QString printed = QString::fromLocal8Bit(run.readAllStandardOutput().trimmed());
        const QString stamp = QFileInfo(printed).fileName().mid(4, 19);
        SimDevice window({"--fast", "--records", "7"});
        QVERIFY(window.started());
        Rig rig(folder, window.path());
        rig.session.wallClock = [&] { return QDateTime::fromString(stamp, "yyyy-MM-dd-hh-mm-ss"); };
        app::DownloadData(rig.session, 0, "true");
        QCOMPARE(lastButOne(rig.log), QString("Processing 7 records complete"));
        const auto decoded = [](const QString& raw) {
            return decodeText(readAll(raw), report::NumberFormat::system());
        };
        const QString data = folder + "/DATA/in-" + stamp;
        QCOMPARE(readAll(data + ".dat").size(), 10 * 19);
        QCOMPARE(readAll(data + "-2.dat").size(), 7 * 19);
        QCOMPARE(readAll(printed), decoded(data + ".dat"));
        QCOMPARE(readAll(folder + "/out-" + stamp + "-2.txt"), decoded(data + "-2.dat"));
        QCOMPARE(readAll(folder + "/in.dat"), readAll(data + "-2.dat")); // the last download
    }

    void discardAndReopen() {
        // The boot menu comes while nothing reads the line: it waits in the system's buffer,
        // not yet in Qt's, and a discard must still take it.
        SimDevice sim({"--menu-delay", "0"});
        QVERIFY(sim.started());
        Rig rig(folder, sim.path());
        QCOMPARE(OpenPort(rig.ctx, 1), OpenResult::Open);
        QByteArray got; // no event runs between looks, so Qt itself reads nothing
        for (int tries = 0; !got.contains("1 - exit") && tries < 50; ++tries) {
            QThread::msleep(100);
            got += rig.comm.Input();
        }
        QVERIFY(got.contains("1 - exit"));
        QCOMPARE(WaitFor(rig.ctx, "1 - exit", 1),
                 WaitResult::TimedOut); // the menu is not seen a second time
        // Setting RTS again on a pseudo-terminal fails; the line must not count as gone.
        QCOMPARE(OpenPort(rig.ctx, 1), OpenResult::Open);
        QCOMPARE(rig.log.lines, (QStringList{"Port Opened", "Timeout!", "Port already open"}));
        QCOMPARE(SendText(rig.ctx, "1"), SendResult::Sent);
    }

    void theWindowDuringADownload() {
        SimDevice sim({"--menu-delay", "50", "--records", "3000"}); // paced: about 5 s
        QVERIFY(sim.started());
        SerialComm comm({}, {{1, sim.path()}});
        SteadyClock clock;
        app::Form1 form;
        QtEventPump events([&form] { return form.stopReason(); });
        Context ctx{comm, clock, events, form.log(), form};
        Session session{ctx, {folder}};
        form.useDevice(session, "true");
        app::SubMain(form, session.folder);
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
        // What came of the report is kept; nothing is decoded.
        QVERIFY2(
            QRegularExpression("\nWaiting for data\nThe \\d+ bytes received are kept in "
                               ".*partial\\.dat: a report cut short, not decoded\nStopped: the "
                               "window is being closed\n$")
                .match(log)
                .hasMatch(),
            qPrintable(log));
        QVERIFY(sim.waitForClosed(1));
        QVERIFY(files().filter("out-").isEmpty());
    }

    void soakOfFiftyDownloads() {
        // The boot menu comes 100 ms after the port opens: a shorter delay can fall before the
        // walk discards what the line held, in a slow (sanitizer) build.
        SimDevice sim({"--fast", "--menu-delay", "100", "--records", "500"});
        QVERIFY(sim.started());
        QDir(folder).mkdir("DATA");
        Rig rig(folder, sim.path());
        app::DownloadData(rig.session, 0, "true"); // libraries and caches settle in the first run
        QVERIFY(sim.waitForClosed(1));
        const auto descriptors = [] {
            return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size();
        };
        const qsizetype fdsBefore = descriptors();
        [[maybe_unused]] const long rssBefore = residentKiB(); // compared below, not with clang
        for (int i = 0; i < 50; ++i) {
            app::DownloadData(rig.session, 0, "true");
            QVERIFY2(lastButOne(rig.log) == "Processing 500 records complete",
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
