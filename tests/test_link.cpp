// The serial primitives, the capture, both dialogues and the read-out's outcomes on a scripted
// line with its own clock.

#include "support/fakeline.h"

#include "app/dialogues.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "manualpage.h"
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

// The bytes of arrivals as they come, without the parts' splits and gaps.
QByteArray streamOf(const QByteArray& arrivals) {
    QByteArray stream;
    for (const QByteArray& part : arrivals.split('|')) {
        const qsizetype colon = part.indexOf(':');
        bool gap = false;
        part.left(colon).toInt(&gap);
        stream += colon > 0 && gap ? part.mid(colon + 1) : part;
    }
    return stream;
}

struct WaitCase {
    const char* name;
    QByteArray arrivals, text;
    int seconds;
    QString fail;
    WaitResult result;
    QString log;
    qint64 endsAtMs;
};
const QList<WaitCase> kWaits{
    {"more after it",
     "100:menu\r\n1 - exit\r\nafter",
     "1 - exit",
     30,
     {},
     WaitResult::Seen,
     {},
     100},
    {"split in three", "c|m|d>", "cmd>", 10, {}, WaitResult::Seen, {}, 30},
    {"case-sensitive", "100:CMD>", "cmd>", 10, {}, WaitResult::TimedOut, "Timeout!", 10010},
    {"nothing comes", "", "1 - exit", 30, {}, WaitResult::TimedOut, "Timeout!", 30010},
    {"just in time", "10000:cmd>", "cmd>", 10, {}, WaitResult::Seen, {}, 10000},
    // Looked at only if it came by the last pass that began within the time.
    {"too late", "10015:cmd>", "cmd>", 10, {}, WaitResult::TimedOut, "Timeout!", 10010},
    {"binary around it", bin("\0\xff\x80|cmd>\0"), "cmd>", 10, {}, WaitResult::Seen, {}, 20},
    {"line lost", "cm", "cmd>", 10, "InBufferCount", WaitResult::Failed, "ERROR: WaitFor: " + kGone,
     10},
    // Told to end: a failure without a word; whoever runs the dialogue tells the stop.
    {"told to end", "", "cmd>", 10, "closing", WaitResult::Stopped, "", 10},
};

struct CaptureCase {
    const char* name;
    QByteArray arrivals;
    CaptureResult result;
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
    {"both markers in one read",
     "xx!@#$abc%^&*\r\ncmd>yy",
     CaptureResult::Captured,
     "abc",
     {3},
     20,
     true},
    {"nothing between", "!@#$|%^&*|cmd>", CaptureResult::Captured, "", {4, 0}, 30, true},
    // The first count includes what came in with the start marker.
    {"markers split",
     "noise!@|#$ab|c%^|&*\r|\ncm|d> tail",
     CaptureResult::Captured,
     "abc",
     {5, 3},
     60,
     true},
    {"end marker before start",
     "%^&*!@#$|data%^&*" + kCmd,
     CaptureResult::Captured,
     "data",
     {14, 4},
     20,
     true},
    {"second start is data",
     "!@#$a!@#$b|%^&*" + kCmd,
     CaptureResult::Captured,
     "a!@#$b",
     {16, 6},
     20,
     true},
    {"every byte",
     bin("!@#$\0\r\n\x80\xff|%^&*\r\ncmd>"),
     CaptureResult::Captured,
     bin("\0\r\n\x80\xff"),
     {15, 5},
     20,
     true},
    // Nothing after the end marker within a second: the end all the same, not proved.
    {"nothing after the end", "!@#$abc%^&*", CaptureResult::Captured, "abc", {3}, 1030},
    // What a logger may say before its prompt: the end all the same, proved.
    {"OK before the prompt",
     "!@#$abc%^&*\r\nOK\r\ncmd>",
     CaptureResult::Captured,
     "abc",
     {3},
     20,
     true},
    {"a byte count before the prompt",
     "!@#$abc%^&*\r\n3 bytes\r\n|cmd>",
     CaptureResult::Captured,
     "abc",
     {22, 3},
     20,
     true},
    {"a bare prompt", "!@#$abc%^&*cmd>", CaptureResult::Captured, "abc", {3}, 20, true},
    {"text in pauses before the prompt",
     "!@#$abc%^&*\r\nOK|900:\r\n|900:cmd>",
     CaptureResult::Captured,
     "abc",
     {13, 3},
     1810,
     true},
    // Longer than a logger says: the marker was data, and the report never ended.
    {"a page of text before the prompt",
     "!@#$abc%^&*" + QByteArray(300, 'x') + "cmd>",
     CaptureResult::Captured,
     "abc",
     {3},
     30020},
    // The bytes after the first marker are no prompt: it was data, and the report goes on.
    {"end marker inside a record",
     "!@#$" + kTwo.left(13) + "|" + kTwo.mid(13) + "%^&*" + kCmd,
     CaptureResult::Captured,
     kTwo,
     {48, 38},
     30,
     true},
    {"end marker inside, then silence",
     "!@#$ab%^&*\x01"
     "cd",
     CaptureResult::Captured,
     "ab",
     {2},
     30020},
    // Should the report never end, it ends at the first of them.
    {"two inside, then silence",
     "!@#$%^&*\x01zz%^&*\x02xy",
     CaptureResult::Captured,
     "",
     {0},
     30020},
    // 30 s of silence counted from the last data, not from the start marker.
    {"silence before the end", "5000:!@#$abc|10000:def", CaptureResult::Silence, "old", {6}, 45010},
    {"slow but steady",
     "!@#$a|29000:b|29000:c|29000:%^&*" + kCmd,
     CaptureResult::Captured,
     "abc",
     {2, 3},
     87010,
     true},
    // Progress after every further 1000 bytes.
    {"progress",
     "!@#$" + kParts + "%^&*" + kCmd,
     CaptureResult::Captured,
     kLong.repeated(4),
     {600, 1800, 2400},
     50,
     true},
    // A line that never ends its report stops at a size and at a time.
    {"no end in 32 MiB",
     "!@#$" + ("|" + kMiB).repeated(33),
     CaptureResult::TooLong,
     "old",
     {},
     340,
     false,
     "ERROR: Capture: no end marker in 33554432 bytes, more than a logger holds"},
    {"no end in an hour",
     "!@#$" + QByteArray("|20000:x").repeated(185),
     CaptureResult::TooSlow,
     "old",
     {1},
     3600020,
     false,
     "ERROR: Capture: no end marker after 60 minutes"},
};

// How the device behaves in a dialogue.
enum Device {
    Answers,
    MenuBeforeFlush,
    NoReset,
    NoPrompt,
    PromptLate,
    NoReport,       // only the prompt after "1"
    ByteCount,      // a byte count between the end marker and the prompt
    SaysOK,         // "OK" there
    NoClearAnswer,  // nothing after "forward pointer"
    IgnoresClear,   // answers as if it cleared, and clears nothing
    UnknownCommand, // "unknown command" and its prompt, nothing cleared
    BarePrompt,     // its prompt alone, nothing cleared
    RecordsOn,      // cleared, and a record taken since
    PartAfterClear, // cleared, and read back less than a record
    HangsUp,        // the line gone once "forward pointer" went out
    Stalls,         // half its report, then nothing
    Restarts,       // half its report, then its boot menu again
};
const QByteArray kRecord = hex("0007 240305140709 03 002A 00000000 4019 0080");
const QByteArray kLater = hex("0008 240305150709 03 002A 00000000 4019 0080");
const QByteArray kBoot = "ZELM boot\r\n  1 - exit\r\nchoice> ";

// Makes the rig's line the device.
void behave(FakeLine& line, Device device, const QByteArray& report) {
    Replies answers;
    answers.afterEnd = device == ByteCount ? "\r\n19 bytes\r\ncmd>"
                       : device == SaysOK  ? "\r\nOK\r\ncmd>"
                                           : answers.afterEnd;
    answers.toClear = device == NoClearAnswer    ? ""
                      : device == UnknownCommand ? "\r\nunknown command\r\ncmd>"
                      : device == BarePrompt     ? "cmd>"
                                                 : answers.toClear;
    answers.clears = device != IgnoresClear && device != UnknownCommand && device != BarePrompt;
    answers.recordedSince = device == RecordsOn        ? kLater
                            : device == PartAfterClear ? QByteArray("abc")
                                                       : "";
    actAsDevice(line, report, 500, answers);
    const auto answer = line.onWrite;
    if (device == MenuBeforeFlush) // already there when the port opens, and not sent again
        line.onOpen = [&line] { line.pending = "  1 - exit\r\n"; };
    else if (device == NoReset)
        line.onOpen = nullptr;
    else if (device == NoPrompt)
        line.onWrite = nullptr;
    else if (device == PromptLate)
        line.onWrite = [&line](const QByteArray&) { line.arrive(10020, "cmd>"); };
    else if (device == NoReport)
        line.onWrite = [answer](const QByteArray& b) { b == "1" ? answer(b) : void(); };
    else if (device == HangsUp)
        line.onWrite = [&line, answer](const QByteArray& b) {
            answer(b);
            if (b == kClearCommand)
                line.failOn = "InBufferCount";
        };
    else if (device == Stalls || device == Restarts)
        line.onWrite = [&line, answer, report, device](const QByteArray& b) {
            if (b != kReportCommand)
                return answer(b);
            line.arrive(100, "!@#$" + report.left(report.size() / 2));
            if (device == Restarts)
                line.arrive(10, kBoot);
        };
}

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
const Written kKeptAndCleared{"1", "report 0\r", "forward pointer\r", "report 0\r"};
const QString kDone = "Processing 1 records complete";
const QString kDecoded = "Decoded into out-2024-03-05-14-07-09.txt in ";
const QString kDiscard = "ERROR: DownloadData: " + kGone;
const QString kNot = "ERROR: the logger was NOT cleared: ";
const QString kUnconfirmed = "ERROR: the clear is not confirmed: ";
// The menu comes at 500 ms, the pauses end at 1500 and 2550, the report at 2650.
const QList<DialogueCase> kDialogues{
    {"download", false, Answers, {}, 0, 2, kDecoded, kReport, 1, 0},
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
    // Clear keeps the report first, and proves the clear by reading it back.
    {"clear", true, Answers, {}, 0, 4, "Clear complete", kKeptAndCleared, 1, 0},
    {"clear, no prompt afterwards",
     true,
     NoClearAnswer,
     {},
     0,
     0,
     kUnconfirmed + "the logger did not answer in time",
     {"1", "report 0\r", "forward pointer\r"},
     1,
     13670},
    {"clear, nothing cleared",
     true,
     IgnoresClear,
     {},
     0,
     0,
     kNot + "it still holds its report",
     kKeptAndCleared,
     1,
     0},
    {"clear of a report not whole",
     true,
     Answers,
     {},
     0,
     0,
     kNot + "the report is not proved whole: its 24 bytes are not a whole number of 19-byte "
            "records",
     kReport,
     1,
     0},
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
    bool forward;            // the clear command was sent
    QByteArray partial = {}; // kept of a report cut short
};
const auto E = core::Severity::Error, I = core::Severity::Info, N = core::Severity::Notice;
const QByteArray kHalf = kRecord.repeated(2).left(19);
const QList<ReadOutCase> kReadOuts{
    {"kept and cleared", Answers, {}, 0, true, kRecord, End::Done, 0, "Clear complete", I, true},
    {"a byte count after the end marker",
     ByteCount,
     {},
     0,
     true,
     kRecord,
     End::Done,
     0,
     "Clear complete",
     I,
     true},
    {"OK after the end marker",
     SaysOK,
     {},
     0,
     true,
     kRecord,
     End::Done,
     0,
     "Clear complete",
     I,
     true},
    {"records taken since the clear",
     RecordsOn,
     {},
     0,
     true,
     kRecord,
     End::Done,
     0,
     "Clear complete",
     I,
     true},
    {"downloaded", Answers, {}, 0, false, kRecord, End::Done, 0, kDecoded, I, false},
    {"an empty logger",
     Answers,
     {},
     0,
     false,
     "",
     End::Done,
     0,
     "The logger held no records",
     N,
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
     NoClearAnswer,
     {},
     0,
     true,
     kRecord,
     End::NotConfirmed,
     4,
     kUnconfirmed + "the logger did not answer in time",
     E,
     true},
    {"unknown command after the clear",
     UnknownCommand,
     {},
     0,
     true,
     kRecord,
     End::StillHolds,
     4,
     kNot + "it still holds its report",
     E,
     true},
    {"a bare prompt after the clear",
     BarePrompt,
     {},
     0,
     true,
     kRecord,
     End::StillHolds,
     4,
     kNot + "it still holds its report",
     E,
     true},
    {"a clear that clears nothing",
     IgnoresClear,
     {},
     0,
     true,
     kRecord,
     End::StillHolds,
     4,
     kNot + "it still holds its report",
     E,
     true},
    {"read back not whole",
     PartAfterClear,
     {},
     0,
     true,
     kRecord,
     End::NotConfirmed,
     4,
     kUnconfirmed + "the report read back is not proved whole",
     E,
     true},
    {"hang-up after the clear command",
     HangsUp,
     {},
     0,
     true,
     kRecord,
     End::NotConfirmed,
     4,
     kUnconfirmed + "the line failed",
     E,
     true},
    {"told to end after the clear command", Answers, "closing", 3700, true, kRecord, End::Stopped,
     143, kClosing + "; the clear is not confirmed", N, true},
    {"line lost after the report", Answers, "Input", 3000, true, kRecord, End::NotCleared, 4,
     kNot + "the line failed", E, false},
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
    // A journal that takes no line: one line says so, and nothing is cleared.
    {"no journal", Answers, "journal", 0, true, kRecord, End::NotJournaled, 3,
     kNot + "the read-out could not be written into its journal: cannot write ", E, false},
    {"told to end in the report wait", Answers, "closing", 2600, true, kRecord, End::Stopped, 143,
     kClosing + "; the logger was NOT cleared", N, false},
    // Every byte received after the start marker is kept, nothing cleared.
    {"unplugged mid-report", Stalls, "InBufferCount", 2700, true, kRecord.repeated(2),
     End::LineFailed, 1, kNot + "the line failed", E, false, kHalf},
    {"a stall mid-report",
     Stalls,
     {},
     0,
     true,
     kRecord.repeated(2),
     End::NoAnswer,
     1,
     kNot + "the logger did not answer in time",
     E,
     false,
     kHalf},
    {"a restart mid-report",
     Restarts,
     {},
     0,
     true,
     kRecord.repeated(2),
     End::NoAnswer,
     1,
     kNot + "the logger did not answer in time",
     E,
     false,
     kHalf + kBoot},
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    QTemporaryDir dir, editorDir;
    QString editor; // one that starts and ends at once

private slots:
    // An editor that starts and ends at once, as "true" does where there is one.
    void initTestCase() {
        const QString script = editorDir.filePath("editor.cmd");
        writeAll(script, "@exit 0\r\n");
        editor = kWindows ? script : "true";
    }
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
        QCOMPARE(rig.line.spins, 0);      // up to the last millisecond, each pass sleeps
        if (c.result == WaitResult::Seen) // what came with the text is taken and dropped
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
        // Cut short after the start marker, every byte that came by then is handed back.
        const QByteArray after = streamOf(c.arrivals).mid(streamOf(c.arrivals).indexOf("!@#$") + 4);
        const bool cutShort =
            c.result != CaptureResult::Captured && c.result != CaptureResult::NoStart;
        QVERIFY(!cutShort ? end.received.isEmpty()
                          : !end.received.isEmpty() && after.startsWith(end.received) &&
                                (c.result != CaptureResult::Silence || end.received == after));
        QStringList statuses;
        for (const int n : c.received)
            statuses << QString("Received %1 bytes").arg(n);
        if (c.result == CaptureResult::TooLong) // every mebibyte shown as it came
            for (int n = 1; n <= 33; ++n)
                statuses << QString("Received %1 bytes").arg(n << 20);
        QCOMPARE(rig.log.statuses, statuses);
        QCOMPARE(rig.line.now, c.endsAtMs);
        const QString last = !c.last.isEmpty() ? c.last
                             : c.result != CaptureResult::Captured
                                 ? "Timeout!"
                                 : QString("Download complete %1 bytes").arg(text.size());
        QCOMPARE(rig.log.lines, (Lines{"Waiting for data", last}));
        QCOMPARE(rig.log.severities.last(), c.result != CaptureResult::Captured
                                                ? core::Severity::Error
                                                : core::Severity::Info);
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
        // A partial record is kept too; a Clear's report is whole records, but where it is not.
        const QByteArray report =
            !c.clear || c.written == kReport ? kRecord + QByteArray("\0\r\n\x80\xff", 5) : kRecord;
        behave(rig.line, c.device, report);
        if (c.fail == "Input") // from the first discard on
            rig.line.onOpen = [&] { rig.line.failOn = c.fail; };
        else if (c.fail == "closing")
            prepare(rig.line, {}, c.fail, c.failAtMs);
        else
            rig.line.failOn = c.fail;

        const Result result = c.clear ? app::ClearData(rig.session, c.listIndex)
                                      : app::DownloadData(rig.session, c.listIndex, editor);
        QVERIFY2(rig.log.lines.last().startsWith(c.last), qPrintable(rig.log.lines.last()));
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
        // One line says what failed; a clear's failure after a step's own line adds its end.
        const bool failed = c.last.startsWith("ERROR") || c.last == "Timeout!";
        QCOMPARE(rig.log.lines.filter("ERROR").size() + rig.log.lines.count("Timeout!"),
                 failed ? 1 + c.last.startsWith(kUnconfirmed) : 0);
        QCOMPARE(rig.log.severities.last(), failed               ? core::Severity::Error
                                            : c.last == kClosing ? core::Severity::Notice
                                                                 : core::Severity::Info);
        // The port is stored before it is opened, whatever comes after.
        QCOMPARE(readAll(dir.filePath("ZURORUVE.INI")),
                 "[ZuroRuve]\r\nPort=" + QByteArray::number(c.listIndex + 1) + "\r\n");
        const bool downloaded = c.last == kDecoded || c.clear;
        QCOMPARE(readAll(dir.filePath("in.dat")), downloaded ? report : "(missing)");
        QCOMPARE(result.report, downloaded ? report : QByteArray());
        QCOMPARE(rig.ask.questions,
                 c.clear ? Lines{"This will clear ALL data from the ZELM device!\r\nAre you sure?"}
                         : Lines{});
        if (c.last == "Clear complete") // both parts told, and what was kept stays unopened
            QCOMPARE(rig.log.lines.mid(3),
                     (Lines{"Waiting for data", "Download complete 19 bytes", "Processing data",
                            kDone, kDecoded + QDir::toNativeSeparators(dir.path()),
                            "Reading the report back to prove the clear", "Waiting for data",
                            "Download complete 0 bytes", "Clear complete"}));
        // Refused, a Clear does nothing at all.
        Rig refused(dir.path());
        app::ClearData(refused.session, 4);
        QVERIFY(refused.line.calls.isEmpty() && refused.log.lines.isEmpty());
    }

    // One row for each End, one meaning for each of their statuses, and the manual page's table
    // of exit statuses says what those meanings say.
    void endsAndTheirManual() {
        QCOMPARE(kEnds.size(), size_t(End::NotConfirmed) + 1);
        QSet<int> statuses, meant;
        for (size_t e = 0; e < kEnds.size(); ++e) {
            QCOMPARE(int(kEnds[e].end), int(e));
            QCOMPARE(&traitsOf(End(e)), &kEnds[e]);
            statuses.insert(kEnds[e].status);
        }
        QStringList manual;
        for (const StatusMeaning& m : kStatusMeanings) {
            meant.insert(m.status);
            manual << QString("%1: %2").arg(m.status).arg(m.full);
        }
        QCOMPARE(meant, statuses);
        const QString page = QString::fromUtf8(kManualPage);
        const QString table = page.section(".SH EXIT STATUS\n", 1).section("\n.SH ", 0, 0);
        QStringList told;
        for (const QString& entry : table.split(".TP\n", Qt::SkipEmptyParts)) {
            const QString status = entry.section(u'\n', 0, 0);
            if (meant.contains(status.toInt()) && status == QString::number(status.toInt()))
                told << status + ": " +
                            entry.section(u'\n', 1).trimmed().replace('\n', ' ').replace("\\-",
                                                                                         "-");
        }
        QCOMPARE(told, manual);
    }

    void readOut_data() { rows(kReadOuts); }
    void readOut() {
        QFETCH(int, i);
        const ReadOutCase& c = kReadOuts[i];
        Rig rig(c.fail == "folder" ? dir.filePath("gone") : dir.path());
        behave(rig.line, c.device, c.report);
        if (c.failAtMs)
            prepare(rig.line, {}, c.fail, c.failAtMs);
        else if (c.fail == "journal")
            QDir().mkpath(dir.filePath("DATA/readouts.log"));
        else if (c.fail != "folder")
            rig.line.failOn = c.fail;
        Request request;
        request.clear = c.clear;
        const Result result = readout::readOut(rig.session, request);
        QCOMPARE(int(result.end), int(c.end));
        QCOMPARE(exitStatus(result, 15), c.status);
        QVERIFY2(rig.log.lines.last().startsWith(c.last), qPrintable(rig.log.lines.last()));
        QCOMPARE(rig.log.severities.last(), c.severity);
        if (c.fail == "journal") // in one line
            QCOMPARE(rig.log.severities.count(core::Severity::Error), 1);
        QCOMPARE(rig.line.written.contains(kClearCommand), c.forward);
        QCOMPARE(result.whole, result.reached >= Stage::Captured && c.report.size() % 19 == 0);
        // A kept copy of every report kept but an empty one, and what came of one cut short.
        const QStringList data = QDir(dir.filePath("DATA")).entryList({"in-*"}, QDir::Files);
        QCOMPARE(data.size(),
                 (result.reached >= Stage::Kept && !c.report.isEmpty()) + !c.partial.isEmpty());
        // Each report received has its line in the journal, a clear sent one with its outcome;
        // each kept file its SHA-256 there and in SHA256SUMS, and no write permission left.
        const QByteArray journal = readAll(dir.filePath("DATA/readouts.log"));
        const bool received = result.reached >= Stage::Captured || !c.partial.isEmpty();
        QCOMPARE(journal.count("\tread\t"),
                 int(received && c.fail != "journal" && c.fail != "folder"));
        const QByteArray cleared = c.end == End::Done         ? "\tcleared\t"
                                   : c.end == End::StillHolds ? "\tnot-cleared\t"
                                                              : "\tnot-confirmed\t";
        QCOMPARE(journal.count("\tclear\t"), int(c.forward));
        QCOMPARE(journal.count(cleared), int(c.forward));
        QVERIFY(c.fail == "journal" || keptAsJournaled(dir.filePath("DATA")));
        const QStringList partial = data.filter(".partial.dat");
        QCOMPARE(partial.size(), c.partial.isEmpty() ? 0 : 1);
        if (!partial.isEmpty()) // named in the log, before the read-out's end
            QVERIFY(readAll(dir.filePath("DATA/" + partial[0])) == c.partial &&
                    rig.log.lines.filter(QDir::toNativeSeparators("DATA/" + partial[0])).size() ==
                        1);
        QVERIFY(!rig.line.open);
    }

    // Kept files of read-outs that finish in one second, on a wall clock that says so: each its
    // own, the second under the next suffix.
    void oneSecond() {
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        QStringList printed;
        for (const QByteArray& report : {kRecord, kLater}) {
            Rig rig(dir.path());
            rig.session.wallClock = [&] { return when; };
            behave(rig.line, Answers, report);
            Request request;
            request.clear = true;
            const Result result = readout::readOut(rig.session, request);
            QCOMPARE(int(result.end), int(End::Done));
            printed << result.kept.outPath;
            QCOMPARE(readAll(result.kept.copyPath), report);
            QCOMPARE(readAll(result.kept.outPath),
                     decodeText(report, report::NumberFormat::system()));
        }
        QCOMPARE(printed, (Lines{dir.filePath("out-2024-03-05-14-07-09.txt"),
                                 dir.filePath("out-2024-03-05-14-07-09-2.txt")}));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
