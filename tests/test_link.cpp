// The serial primitives, the capture, both dialogues and the read-out's outcomes on a scripted
// line with its own clock.

#include "fakeline.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "readout/readout.h"

using namespace devicelink;
using namespace readout;

namespace {

using Lines = QStringList;
using Written = QList<QByteArray>;

const QString kGone = "the device was disconnected (/dev/fake)";
const QString kClosing = FakeLine::kClosed;
const Lines kPlug{"Plug the PC into the ZELM device and", "press reset or cycle power on the ZELM",
                  "Waiting for boot menu"};

// Bytes that arrive, in parts split at '|', each 10 ms after the one before, or "ms:" after.
// fail: "closing" (the window), or the line's call that throws from the pass at failAtMs on.
void prepare(FakeLine& line, const QByteArray& arrivals, const QString& fail, qint64 failAtMs) {
    for (const QByteArray& part : arrivals.split('|')) {
        const qsizetype colon = part.indexOf(':');
        bool gap = false;
        const int ms = colon > 0 ? part.left(colon).toInt(&gap) : 0;
        if (!part.isEmpty())
            line.arrive(gap ? ms : 10, gap ? part.mid(colon + 1) : part);
    }
    line.onPass = [&line, fail, failAtMs] {
        if (line.now >= failAtMs && fail == "closing")
            line.closing = true;
        else if (line.now >= failAtMs)
            line.failOn = fail;
    };
}

struct WaitCase {
    const char* name;
    QByteArray arrivals, text;
    int seconds;
    QString fail;
    int result;
    QString log;
    qint64 endsAtMs;
};
const QList<WaitCase> kWaits{
    {"more after it", "100:menu\r\n1 - exit\r\nafter", "1 - exit", 30, {}, 0, {}, 100},
    {"split in three", "c|m|d>", "cmd>", 10, {}, 0, {}, 30},
    {"case-sensitive", "100:CMD>", "cmd>", 10, {}, 1, "Timeout!", 10010},
    {"nothing comes", "", "1 - exit", 30, {}, 1, "Timeout!", 30010},
    {"just in time", "10000:cmd>", "cmd>", 10, {}, 0, {}, 10000},
    // Looked at only if it came by the last pass that began within the time.
    {"too late", "10015:cmd>", "cmd>", 10, {}, 1, "Timeout!", 10010},
    {"binary around it", bin("\0\xff\x80|cmd>\0"), "cmd>", 10, {}, 0, {}, 20},
    {"line lost", "cm", "cmd>", 10, "InBufferCount", 2, "ERROR: WaitFor: " + kGone, 10},
    // Told to end: a failure without a word; whoever runs the dialogue tells the stop.
    {"told to end", "", "cmd>", 10, "closing", 2, "", 10},
};

struct CaptureCase {
    const char* name;
    QByteArray arrivals;
    int result;
    QByteArray captured;
    QList<int> received; // the counts in the status line
    qint64 endsAtMs;
    bool proved = false; // the prompt followed the end marker
    QString last = {};   // the log's last line, where not the usual one
};
const QByteArray kLong(600, 'r'), kParts = '|' + kLong + '|' + kLong + '|' + kLong + '|' + kLong;
const QByteArray kMiB(1 << 20, 'r'), kCmd = "\r\ncmd>";
// A record that holds the end marker's bytes, and another.
const QByteArray kTwo = hex("0007 240305140709 03 255E 262A0102 4019 0080") +
                        hex("0008 240305140709 03 002A 00000000 4019 0080");
const QList<CaptureCase> kCaptures{
    {"both markers in one read", "xx!@#$abc%^&*\r\ncmd>yy", 0, "abc", {3}, 20, true},
    {"nothing between", "!@#$|%^&*|cmd>", 0, "", {4, 0}, 30, true},
    // The first count includes what came in with the start marker.
    {"markers split", "noise!@|#$ab|c%^|&*\r|\ncm|d> tail", 0, "abc", {5, 3}, 60, true},
    {"end marker before start", "%^&*!@#$|data%^&*" + kCmd, 0, "data", {14, 4}, 20, true},
    {"second start is data", "!@#$a!@#$b|%^&*" + kCmd, 0, "a!@#$b", {16, 6}, 20, true},
    {"every byte",
     bin("!@#$\0\r\n\x80\xff|%^&*\r\ncmd>"),
     0,
     bin("\0\r\n\x80\xff"),
     {15, 5},
     20,
     true},
    // Nothing after the end marker within a second: the end all the same, not proved.
    {"nothing after the end", "!@#$abc%^&*", 0, "abc", {3}, 1030},
    {"text before the prompt", "!@#$abc%^&*\r\nOK\r\ncmd>", 0, "abc", {3}, 20},
    // The bytes after the first marker are no prompt: it was data, and the report goes on.
    {"end marker inside a record",
     "!@#$" + kTwo.left(13) + "|" + kTwo.mid(13) + "%^&*" + kCmd,
     0,
     kTwo,
     {48, 38},
     30,
     true},
    {"end marker inside, then silence",
     "!@#$ab%^&*\x01"
     "cd",
     0,
     "ab",
     {2},
     30020},
    // Should the report never end, it ends at the first of them.
    {"two inside, then silence", "!@#$%^&*\x01zz%^&*\x02xy", 0, "", {0}, 30020},
    // 30 s of silence counted from the last data, not from the start marker.
    {"silence before the end", "5000:!@#$abc|10000:def", 2, "old", {6}, 45010},
    {"slow but steady", "!@#$a|29000:b|29000:c|29000:%^&*" + kCmd, 0, "abc", {2, 3}, 87010, true},
    // Progress after every further 1000 bytes.
    {"progress",
     "!@#$" + kParts + "%^&*" + kCmd,
     0,
     kLong.repeated(4),
     {600, 1800, 2400},
     50,
     true},
    // A line that never ends its report stops at a size and at a time.
    {"no end in 32 MiB",
     "!@#$" + ("|" + kMiB).repeated(33),
     4,
     "old",
     {},
     340,
     false,
     "ERROR: Capture: no end marker in 33554432 bytes, more than a logger holds"},
    {"no end in an hour",
     "!@#$" + QByteArray("|20000:x").repeated(185),
     5,
     "old",
     {1},
     3600020,
     false,
     "ERROR: Capture: no end marker after 60 minutes"},
};

// How the device behaves in a dialogue.
enum Device { Answers, MenuBeforeFlush, NoReset, NoPrompt, PromptLate, NoReport };
struct DialogueCase {
    const char* name;
    bool clear;
    Device device;
    QString fail;
    int failAtMs;
    int listIndex;
    QString last; // the log's last line
    Written written;
    int closes;
    qint64 endsAtMs; // 0: not compared
};
const Written kReport{"1", "report 0\r"};
const Written kForward{"1", "forward pointer\r"};
const QString kDone = "Processing 1 records complete";
const QString kDiscard = "ERROR: DownloadData: " + kGone;
// The menu comes at 500 ms, the pauses end at 1500 and 2550, the report at 2650.
const QList<DialogueCase> kDialogues{
    {"download", false, Answers, {}, 0, 2, kDone, kReport, 1, 0},
    {"menu before the discard", false, MenuBeforeFlush, {}, 0, 0, "Timeout!", {}, 1, 30010},
    {"no reset", false, NoReset, {}, 0, 15, "Timeout!", {}, 1, 30010},
    {"no prompt after 1", false, NoPrompt, {}, 0, 0, "Timeout!", {"1"}, 1, 11510},
    {"prompt after 10 s", false, PromptLate, {}, 0, 0, "Timeout!", {"1"}, 1, 11510},
    {"no report", false, NoReport, {}, 0, 0, "Timeout!", kReport, 1, 122560},
    {"no such port", false, Answers, "CommPort", 0, -1, "ERROR: " + kGone, {}, 0, 0},
    {"port will not open", false, Answers, "PortOpen", 0, 0, "ERROR: " + kGone, {}, 0, 0},
    {"line lost discarding", false, Answers, "Input", 0, 0, kDiscard, {}, 1, 0},
    {"closed waiting for the menu", false, Answers, "closing", 200, 0, kClosing, {}, 1, 200},
    {"closed in a pause", false, Answers, "closing", 1000, 0, kClosing, {}, 1, 1000},
    {"closed in the report wait", false, Answers, "closing", 2600, 0, kClosing, kReport, 1, 2600},
    {"clear", true, Answers, {}, 0, 4, "Clear complete", kForward, 1, 0},
    {"clear, no prompt afterwards", true, NoReport, {}, 0, 0, "Timeout!", kForward, 1, 12560},
};

// A read-out as zelm-download runs it: download, then clear.
struct ReadOutCase {
    const char* name;
    Device device;
    QString fail; // as in the dialogues; "folder": files cannot be written
    int failAtMs;
    bool clear;
    QByteArray report;
    End end;
    int status;   // exit status, with SIGTERM as the stop's signal
    QString last; // the log's last line
    core::Severity severity;
    bool forward; // the clear command was sent
};
const QByteArray kRecord = hex("0007 240305140709 03 002A 00000000 4019 0080");
const QString kNot = "ERROR: the logger was NOT cleared: ";
const auto E = core::Severity::Error;
const QList<ReadOutCase> kReadOuts{
    {"kept and cleared",
     Answers,
     {},
     0,
     true,
     kRecord,
     End::Done,
     0,
     "Clear complete",
     core::Severity::Info,
     true},
    {"downloaded",
     Answers,
     {},
     0,
     false,
     kRecord,
     End::Done,
     0,
     kDone,
     core::Severity::Info,
     false},
    {"an empty logger",
     Answers,
     {},
     0,
     false,
     "",
     End::Done,
     0,
     "The logger held no records",
     core::Severity::Notice,
     false},
    {"part of a record",
     Answers,
     {},
     0,
     true,
     kRecord + "abcde",
     End::NotProved,
     4,
     kNot + "the report is not proved whole: its 24 bytes are not a whole number of 19-byte "
            "records",
     E,
     false},
    {"no prompt after the clear",
     NoReport,
     {},
     0,
     true,
     kRecord,
     End::NotCleared,
     4,
     kNot + "the clear did not go through",
     E,
     true},
    {"line lost after the report", Answers, "Input", 3000, true, kRecord, End::NotCleared, 4,
     kNot + "the clear did not go through", E, false},
    {"no reset",
     NoReset,
     {},
     0,
     true,
     kRecord,
     End::NoAnswer,
     1,
     kNot + "the logger did not answer in time",
     E,
     false},
    {"port will not open", Answers, "PortOpen", 0, true, kRecord, End::PortFailed, 2,
     kNot + "the port could not be opened", E, false},
    {"line lost in the report", Answers, "Input", 2600, true, kRecord, End::LineFailed, 1,
     kNot + "the line failed", E, false},
    {"files not written", Answers, "folder", 0, true, kRecord, End::NotKept, 3,
     kNot + "a file of the report could not be written", E, false},
    {"told to end in the report wait", Answers, "closing", 2600, true, kRecord, End::Stopped, 143,
     kClosing + "; the logger was NOT cleared", core::Severity::Notice, false},
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { qputenv("ZURORUVE_EDITOR", "true"); }
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path() + "/DATA");
    }

    void waitFor_data() { rows(kWaits); }
    void waitFor() {
        QFETCH(int, i);
        const WaitCase& c = kWaits[i];
        Rig rig;
        rig.line.open = true;
        prepare(rig.line, c.arrivals, c.fail, 0);
        QCOMPARE(WaitFor(rig.ctx, c.text, c.seconds), c.result);
        QCOMPARE(rig.log.lines.join('|'), c.log);
        QCOMPARE(rig.line.now, c.endsAtMs);
        QCOMPARE(rig.line.spins, 0); // up to the last millisecond, each pass sleeps
        if (c.result == 0)           // what came with the text is taken and dropped
            QCOMPARE(rig.line.pending, QByteArray());
    }

    void capture_data() { rows(kCaptures); }
    void capture() {
        QFETCH(int, i);
        const CaptureCase& c = kCaptures[i];
        Rig rig;
        rig.line.open = true;
        prepare(rig.line, c.arrivals, {}, 0);
        QByteArray text = "old";
        ReportEnd end;
        QCOMPARE(Capture(rig.ctx, text, &end), c.result);
        QCOMPARE(text, c.captured);
        QCOMPARE(end.promptFollowed, c.proved);
        QStringList statuses;
        for (const int n : c.received)
            statuses << QString("Received %1 bytes").arg(n);
        if (c.result == 4) // every mebibyte shown as it came
            for (int n = 1; n <= 33; ++n)
                statuses << QString("Received %1 bytes").arg(n << 20);
        QCOMPARE(rig.log.statuses, statuses);
        QCOMPARE(rig.line.now, c.endsAtMs);
        const QString last = !c.last.isEmpty() ? c.last
                             : c.result        ? "Timeout!"
                                        : QString("Download complete %1 bytes").arg(text.size());
        QCOMPARE(rig.log.lines, (Lines{"Waiting for data", last}));
        QCOMPARE(rig.log.severities.last(),
                 c.result ? core::Severity::Error : core::Severity::Info);
    }

    void searchKeepsATail() {
        // Noise instead of a boot menu: what is kept of it stays shorter than the text awaited.
        Rig rig;
        rig.line.open = true;
        for (int i = 0; i < 50; ++i)
            rig.line.arrive(10, QByteArray(100000, 'n') + "1 - exi");
        QByteArray seen;
        QCOMPARE(searchInput(rig.ctx, "1 - exit", 1000, seen), -1);
        QCOMPARE(seen, QByteArray("1 - exi"));
    }

    void dialogue_data() { rows(kDialogues); }
    void dialogue() {
        QFETCH(int, i);
        const DialogueCase& c = kDialogues[i];
        Rig rig(dir.path());
        rig.ask.answer = true;
        const QByteArray report = hex("0007 240305140709 03 002A 00000000 4019 0080") +
                                  QByteArray("\0\r\n\x80\xff", 5); // a partial record is kept too
        actAsDevice(rig.line, report);
        const auto answer = rig.line.onWrite;
        if (c.device == MenuBeforeFlush) // already there when the port opens, and not sent again
            rig.line.onOpen = [&] { rig.line.pending = "  1 - exit\r\n"; };
        else if (c.device == NoReset)
            rig.line.onOpen = nullptr;
        else if (c.device == NoPrompt)
            rig.line.onWrite = nullptr;
        else if (c.device == PromptLate)
            rig.line.onWrite = [&](const QByteArray&) { rig.line.arrive(10020, "cmd>"); };
        else if (c.device == NoReport)
            rig.line.onWrite = [&](const QByteArray& b) { b == "1" ? answer(b) : void(); };
        if (c.fail == "Input") // from the first discard on
            rig.line.onOpen = [&] { rig.line.failOn = c.fail; };
        else if (c.fail == "closing")
            prepare(rig.line, {}, c.fail, c.failAtMs);
        else
            rig.line.failOn = c.fail;

        if (c.clear)
            ClearData(rig.session, c.listIndex);
        else
            DownloadData(rig.session, c.listIndex);
        QCOMPARE(rig.log.lines.last(), c.last);
        if (c.fail.isEmpty() || c.fail == "closing") // the port opened: the user was told
            QCOMPARE(rig.log.lines.mid(0, 3), kPlug);
        QCOMPARE(rig.line.written, c.written);
        QCOMPARE(rig.line.closes, c.closes);
        if (c.closes) // opened as the device wants it
            QCOMPARE(rig.line.calls.mid(0, 6),
                     (Lines{QString("CommPort=%1").arg(c.listIndex + 1), "Settings=115200,N,8,1",
                            "RTSEnable=1", "Handshaking=0", "InputMode=0", "PortOpen=1"}));
        QVERIFY(!rig.line.open);
        if (c.endsAtMs > 0)
            QCOMPARE(rig.line.now, c.endsAtMs);
        QCOMPARE(rig.log.lines.filter("ERROR").size() + rig.log.lines.count("Timeout!"),
                 c.last.startsWith("ERROR") || c.last == "Timeout!" ? 1 : 0);
        QCOMPARE(rig.log.severities.last(), c.last.startsWith("ERROR") || c.last == "Timeout!"
                                                ? core::Severity::Error
                                            : c.last == kClosing ? core::Severity::Notice
                                                                 : core::Severity::Info);
        // The port is stored before it is opened, whatever comes after.
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")),
                 "[ZuroRuve]\r\nPort=" + QByteArray::number(c.listIndex + 1) + "\r\n");
        const bool downloaded = c.last == kDone;
        QCOMPARE(readAll(dir.filePath("in.dat")), downloaded ? report : "(missing)");
        QCOMPARE(rig.session.CapturedText, downloaded ? report : QByteArray());
        QCOMPARE(rig.ask.questions,
                 c.clear ? Lines{"This will clear ALL data from the ZELM device!\r\nAre you sure?"}
                         : Lines{});
        // Refused, a Clear does nothing at all.
        Rig refused(dir.path());
        ClearData(refused.session, 4);
        QVERIFY(refused.line.calls.isEmpty() && refused.log.lines.isEmpty());
    }

    void readOut_data() { rows(kReadOuts); }
    void readOut() {
        QFETCH(int, i);
        const ReadOutCase& c = kReadOuts[i];
        Rig rig(c.fail == "folder" ? dir.filePath("gone") : dir.path());
        actAsDevice(rig.line, c.report);
        const auto answer = rig.line.onWrite;
        if (c.device == NoReset)
            rig.line.onOpen = nullptr;
        else if (c.device == NoReport) // nothing after the report
            rig.line.onWrite = [&](const QByteArray& b) {
                b != kClearCommand ? answer(b) : void();
            };
        if (c.failAtMs)
            prepare(rig.line, {}, c.fail, c.failAtMs);
        else if (c.fail != "folder")
            rig.line.failOn = c.fail;
        Request request;
        request.clear = c.clear;
        const Result result = readout::readOut(rig.session, request);
        QCOMPARE(int(result.end), int(c.end));
        QCOMPARE(exitStatus(result, 15), c.status);
        QCOMPARE(rig.log.lines.last(), c.last);
        QCOMPARE(rig.log.severities.last(), c.severity);
        QCOMPARE(rig.line.written.contains(kClearCommand), c.forward);
        QCOMPARE(result.whole, c.report.size() % 19 == 0 && c.end != End::NoAnswer &&
                                   c.end != End::PortFailed && c.end != End::LineFailed &&
                                   c.end != End::Stopped);
        // No kept copy of an empty report; one of every other report that was kept.
        QCOMPARE(QDir(dir.filePath("DATA")).entryList(QDir::Files).size(),
                 result.reached >= Stage::Kept && !c.report.isEmpty() ? 1 : 0);
        QVERIFY(!rig.line.open);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
