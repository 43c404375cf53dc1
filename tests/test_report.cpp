// Decoding: the field decoders, whole records (bytes written as hex beside the expected line),
// ProcessData from the captured report to in.dat, its kept copy, the decoded file and the
// editor, and the companion decoder.

#include "support/rig.h"

#include "report/decoders.h"
#include "report/processdata.h"
#include "report/showfile.h"
#include "settings/folder.h"

#include <QRandomGenerator>
#include <QStandardPaths>

namespace {

const report::NumberFormat point{"."}, comma{","};
const QByteArray kRx = hex("0007 240305140709 03 002A 00000000 4019 0080");
const QByteArray kBv = hex("0007 240305140709 04 002A 00000000 0078 0080");
const QByteArray kBt = hex("0007 240305140709 02 001A2B3C4D5E D606 B80B");
const QByteArray kTx = hex("0007 240305140709 01 3930 2B3C4D5E 0419 B80B");
const QByteArray kEmpty = hex("FFFF 240305140709 03 002A 00000000 4019 0080");

// A decoded line from its fields joined by "|"; the time stamp may be left out.
QByteArray line(const char* fields) {
    QList<QByteArray> f = QByteArray(fields).split('|');
    if (f.size() == 4)
        f.insert(1, "2024-03-05-14-07-09");
    return f.join('\t') + "\r\n";
}

QByteArray decodeRecord(const QByteArray& record, const report::NumberFormat& format) {
    QByteArray out;
    const bool shown = report::decodeRecord(
        reinterpret_cast<const std::uint8_t*>(record.constData()), format, out);
    return shown ? out : QByteArray(out.isEmpty() ? "(none)" : "(none, but wrote)");
}

enum Fault {
    None,
    DataNotWritable,
    RawReplaced, // another read-out replaces in.dat while this one keeps its report
    FolderReadOnly,
    OldRawReadOnly, // and the folder too
    RawReadOnly,    // in a folder that takes files
    NoEditor,
    SameSecond,   // another read-out of the same second kept its files first
    NamesTaken,   // a clock that started again: out-<stamp>.txt and DATA/in-<stamp>-2.dat there
    LinkAtRaw,    // in.dat a link to a file elsewhere
    DanglingRaw,  // in.dat a link to a file that is not there
    LinksAtNames, // links planted under the next names
};
struct ProcessingCase {
    const char* name;
    QByteArray captured, decoded;
    Fault fault;
    QString log;                           // the whole log, a pattern; %1 the program folder
    QString stamp = "2024-03-05-14-07-09"; // of this read-out's files; empty: none decoded
};
const QString kStart = "Processing data\\|", kOne = "Processing 1 records complete";
const QString kCannot = kStart + "ERROR: ProcessData: cannot ",
              kNone = "Processing 0 records complete";
const QString kSecond = "2024-03-05-14-07-09-2";
const QList<ProcessingCase> kProcessing{
    {"0 bytes", {}, {}, None, kStart + kNone},
    {"18 bytes", kRx.left(18), {}, None, kStart + kNone},
    {"38 bytes", kRx + kEmpty, line("OK|RX|00042|25.3"), None,
     kStart + "Processing 2 records complete"},
    {"40 bytes", kBv + kTx + "\x01\x02", line("OK|BV|00042|3.9") + line("LOWBAT|TX|12345|25.0"),
     None, kStart + "Processing 2 records complete"},
    // The start marker twice: every record shifted by its four bytes.
    {"records of no known kind",
     "!@#$" + kRx.repeated(4),
     {},
     None,
     kStart + "Processing 4 records complete, but the report begins with its start marker again "
              "and 4 of them are of no known kind: this is not a ZELM report as it stands"},
    // On the 1st to the 4th of a month the day's byte lands where a kind is read.
    {"the start marker twice", "!@#$" + QByteArray(kRx).replace(4, 1, "\x03").repeated(3),
     decodeText("!@#$" + QByteArray(kRx).replace(4, 1, "\x03").repeated(3), {"."}), None,
     kStart + "Processing 3 records complete, but the report begins with its start marker "
              "again: this is not a ZELM report as it stands"},
    {"records of no known kind alone", QByteArray(kRx).replace(8, 1, "\x07").repeated(2) + kRx,
     line("OK|RX|00042|25.3"), None,
     kStart + "Processing 3 records complete, but 2 of them are of no known kind: this is not a "
              "ZELM report as it stands"},
    {"DATA not writable: decoding goes on", kRx, line("OK|RX|00042|25.3"), DataNotWritable,
     kCannot + "create %1/DATA/in-.*" + kOne},
    {"in.dat replaced meanwhile: this report decoded", kRx, line("OK|RX|00042|25.3"), RawReplaced,
     kCannot + "create %1/DATA/in-.*" + kOne},
    {"folder read-only",
     kRx,
     {},
     FolderReadOnly,
     kCannot + "create %1/in\\.dat: .+\\|ERROR: ProcessData: cannot create %1/DATA/in-.+",
     ""},
    {"old in.dat read-only, kept",
     kRx,
     {},
     OldRawReadOnly,
     kCannot + "create %1/in\\.dat: .+\\|ERROR: ProcessData: cannot create %1/DATA/in-.+",
     ""},
    {"in.dat read-only: the copy kept all the same", kRx, line("OK|RX|00042|25.3"), RawReadOnly,
     kCannot + "create %1/in\\.dat: the file is read-only\\|" + kOne},
    {"editor cannot start", kRx, line("OK|RX|00042|25.3"), NoEditor, kStart + kOne},
    {"two read-outs in one second", kRx, line("OK|RX|00042|25.3"), SameSecond, kStart + kOne,
     kSecond},
    {"a clock that started again", kRx, line("OK|RX|00042|25.3"), NamesTaken, kStart + kOne,
     "2024-03-05-14-07-09-3"},
    {"a link at in.dat", kRx, line("OK|RX|00042|25.3"), LinkAtRaw, kStart + kOne},
    {"a link at in.dat that leads nowhere", kRx, line("OK|RX|00042|25.3"), DanglingRaw,
     kStart + kOne},
    {"links under the next names", kRx, line("OK|RX|00042|25.3"), LinksAtNames, kStart + kOne,
     kSecond},
};

// Sets up the folder for a fault, before the report is kept.
void prepare(const QString& dir, const QString& elsewhere, Fault fault, const QDateTime& when) {
    const QString stamp = "2024-03-05-14-07-09";
    const auto link = [&](const QString& name) {
#ifdef Q_OS_UNIX
        QVERIFY(::symlink(QFile::encodeName(elsewhere), QFile::encodeName(dir + '/' + name)) == 0);
#else
        Q_UNUSED(name);
#endif
    };
    QFile::remove(elsewhere);
    if (fault == DataNotWritable || fault == RawReplaced) {
        QVERIFY(QDir(dir + "/DATA").removeRecursively());
        writeAll(dir + "/DATA", "");
    }
    if (fault == OldRawReadOnly || fault == RawReadOnly) {
        writeAll(dir + "/in.dat", "previous");
        QFile::setPermissions(dir + "/in.dat", QFile::ReadOwner | QFile::ReadOther);
    }
    if (fault == SameSecond) { // the other one's report
        RecordingLog other;
        QVERIFY(report::keepReport({dir, false}, kBv, when, other).safe);
    }
    if (fault == NamesTaken) {
        writeAll(dir + "/out-" + stamp + ".txt", "earlier");
        writeAll(dir + "/DATA/in-" + stamp + "-2.dat", "earlier");
    }
    if (fault == LinkAtRaw || fault == LinksAtNames)
        writeAll(elsewhere, "elsewhere");
    if (fault == LinkAtRaw || fault == DanglingRaw)
        link("in.dat");
    if (fault == LinksAtNames) {
        link("out-" + stamp + ".txt");
        link("DATA/in-" + stamp + ".dat");
    }
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir;       // the program folder
    QTemporaryDir editorDir; // the stand-in editor and what it was given
    QString argsFile;
    QByteArray editor; // the stand-in

    QStringList outFiles() const { return QDir(dir.path()).entryList({"out-*.txt"}); }

private slots:
    void initTestCase() {
        argsFile = editorDir.filePath("args");
        const QByteArray args = argsFile.toUtf8();
        editor = QFile::encodeName(editorDir.filePath(kWindows ? "editor.cmd" : "editor"));
        writeAll(editor, kWindows
                             ? "@echo %*>\"" + args + ".tmp\"\r\n@move /y \"" + args + ".tmp\" \"" +
                                   args + "\" >nul\r\n" // the command line's arguments
                             : "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + args +
                                   ".tmp'\nmv '" + args + ".tmp' '" + args + "'\n");
        QFile::setPermissions(editor, QFile::ReadOwner | QFile::ExeOwner);
    }
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path() + "/DATA");
        QFile::remove(argsFile);
    }

    void fields() {
        // One decimal, halves away from zero on the decimal value written.
        const QList<QPair<double, QString>> decimals{
            {25.25, "25.3"},    {-24.25, "-24.3"}, {0.0625, "0.1"},   {1234.5, "1234.5"},
            {999.96, "1000.0"}, {1.15, "1.2"},     {-1.15, "-1.2"},   {340 * 32.5 / 1000, "11.1"},
            {0.04999, "0.0"},   {-0.0039, "0.0"},  {-0.0625, "-0.1"}, {-128.0, "-128.0"}};
        for (const auto& [value, text] : decimals)
            QCOMPARE(report::formatOneDecimal(value, point), text);
        QVERIFY(qFuzzyCompare(report::CountToTemperature(0, 0), -40.68));
        QVERIFY(qFuzzyCompare(report::CountToTemperature(0xFF, 0xFF), 122.340312)); // 12 bits
        QVERIFY(qFuzzyCompare(report::CountToHumidity(0xB8, 0x0B, 0.0), 86.05));    // count 3000
        QVERIFY(qFuzzyCompare(report::CountToHumidity(0xB8, 0x0B, 50.0), 98.55));
        // Both sides of the switch between the two coefficient sets (2499 = 0x9C3).
        QVERIFY(qAbs(report::CountToHumidity(0xC3, 0x09, 25.0) - 79.7026009045) < 1e-9);
        QVERIFY(qAbs(report::CountToHumidity(0xC4, 0xF9, 25.0) - 79.75) < 1e-9);
        for (const auto& [in, out] :
             {std::pair{"25", "25"}, {"A5", "95"}, {"3C", "39"}, {"FA", "99"}})
            QCOMPARE(report::BcdToDigits(hex(in) + "ignored"), QString(out));
        // A TX payload, bytes 10 to 19: identifier, reading and status; INVALID wins.
        for (const auto& [payload, expected] :
             {std::pair{"3930 00000000 0419 0000", "12345|25.0|LOWBAT"},
              {"3930 00000000 4719 0000", "12345|25.3|INVALID"},
              {"FFFF 00000000 0880", "65535|-128.0|"}}) {
            QString id, value, status = "x";
            report::DecodeTxPayload(hex(payload), id, value, status, point);
            QCOMPARE(id + '|' + value + '|' + status, QString(expected));
        }
    }

    void records_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
        // slot | yy mm dd hh nn ss | kind | 10 11 | 12-15 | 16 17 | 18 19
        const QList<QPair<const char*, const char*>> cases{
            {"0007 240305140709 03 002A 00000000 4019 0080", "OK|RX|00042|25.3"},
            {"0007 240305140709 04 002A 00000000 0078 0080", "OK|BV|00042|3.9"},
            {"0007 240305140709 02 001A2B3C4D5E D606 B80B", "OK|BT|00:1A:2B:3C:4D:5E|30.3 93.6"},
            {"0007 240305140709 01 3930 2B3C4D5E 0419 B80B", "LOWBAT|TX|12345|25.0"},
            {"FFFF 240305140709 03 002A 00000000 4019 0080", nullptr}, // empty slot
            {"FFFE 240305140709 04 0000 00000000 0000 0000", "OK|BV|00000|0.0"},
            {"0007 240305140709 00 002A 00000000 4019 0080", nullptr}, // kinds 0 and 5
            {"0007 240305140709 05 002A 00000000 4019 0080", nullptr},
            {"0007 240305140709 03 002A 00000000 0080 8015", "OK|RX|00042|21.5"},
            {"0007 240305140709 03 002A 00000000 4019 C0E7", "OK|RX|00042|25.3 -24.3"},
            {"0007 240305140709 03 002A 00000000 0080 0080", nullptr}, // no RX reading
            {"0007 240305140709 03 002A 00000000 0180 0080", "OK|RX|00042|-128.0"},
            {"0007 240305140709 03 002A 00000000 FF7F 80FF", "OK|RX|00042|128.0 -0.5"},
            {"0007 240305140709 03 0102 00000000 0019 0080", "OK|RX|00258|25.0"}, // high first
            {"0007 240305140709 01 0102 00000000 0019 0000", "OK|TX|00513|25.0"}, // low first
            {"0007 240305140709 01 3930 00000000 0719 0000", nullptr}, // INVALID and LOWBAT
            {"0007 A5030514070F 04 002A 00000000 0078 0000", "OK|2095-03-05-14-07-09|BV|00042|3.9"},
            {"0007 240305140709 02 0A0000000000 D606 B80B", "OK|BT|0A:00:00:00:00:00|30.3 93.6"},
            {"0007 240305140709 04 FFFF 00000000 FFFF 0000", "OK|BV|65535|2129.9"}, // unsigned
            {"0007 240305140709 04 0001 00000000 0154 0000", "OK|BV|00001|11.1"}};
        for (const auto& [record, expected] : cases)
            QTest::newRow(record) << hex(record)
                                  << (expected ? line(expected) : QByteArray("(none)"));
    }
    void records() {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, expected);
        QCOMPARE(decodeRecord(record, point), expected);
        const qsizetype values = expected.lastIndexOf('\t'); // only the values hold decimals
        QCOMPARE(decodeRecord(record, comma),
                 expected.left(values) + expected.mid(values).replace('.', ','));
    }

    void processData_data() { rows(kProcessing); }
    void processData() {
        QFETCH(int, i);
        const auto& [name, captured, decoded, fault, pattern, stamp] = kProcessing[i];
        // After the count, where the decoded file went and the folder; an editor that cannot
        // start is told with the file's path.
        const QString said = "ERROR: ShowFile: could not start the text editor "
                             "\"/nonexistent/editor\": .+\\. The decoded file is %1/out-" +
                             stamp + "\\.txt";
        const QString log =
            QString(pattern +
                    (stamp.isEmpty() ? "" : "\\|Decoded into out-" + stamp + "\\.txt in %1") +
                    (fault == NoEditor ? "\\|" + said : ""))
                .replace("%1", QRegularExpression::escape(dir.path()));
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        if (kWindows && (fault == LinkAtRaw || fault == DanglingRaw || fault == LinksAtNames))
            QSKIP("symbolic links are made on POSIX");
        const QString elsewhere = editorDir.filePath("elsewhere");
        prepare(dir.path(), elsewhere, fault, when);
        if (QTest::currentTestFailed())
            return;
        const QString chosen =
            fault == NoEditor ? "/nonexistent/editor" : QFile::decodeName(editor);
        RecordingLog lines;
        if (fault == RawReplaced) // another read-out takes it while the kept copy fails
            lines.onLine = [&](const QString& text) {
                if (QDir::fromNativeSeparators(text).contains("/DATA/in-"))
                    writeAll(dir.filePath("in.dat"), kBv);
            };
        RecordingQuestions ask;
        report::Kept kept;
        {
#ifdef Q_OS_WIN
            if (fault == FolderReadOnly || fault == OldRawReadOnly)
                QSKIP("no read-only folder");
#else
            std::optional<ReadOnlyFolder> guard;
            if (fault == FolderReadOnly || fault == OldRawReadOnly)
                guard.emplace(dir.path());
#endif
            kept = report::ProcessData({dir.path(), false}, captured, when, lines, ask,
                                       [&] { return chosen; });
        }
        // Safe to clear the logger only with every file, the kept copy too, written.
        const QList<Fault> unsafe{DataNotWritable, RawReplaced, FolderReadOnly, OldRawReadOnly,
                                  RawReadOnly};
        QCOMPARE(kept.safe, !unsafe.contains(fault));
        const QString written = QDir::fromNativeSeparators(lines.lines.join('|'));
        QVERIFY2(QRegularExpression("^" + log + "$").match(written).hasMatch(),
                 qPrintable(written));
        // in.dat is this report, a file of its own; a link that stood there led elsewhere.
        const QFileInfo raw(dir.filePath("in.dat"));
        const QByteArray rawNow = fault == FolderReadOnly                           ? "(missing)"
                                  : fault == OldRawReadOnly || fault == RawReadOnly ? "previous"
                                  : fault == RawReplaced                            ? kBv
                                                                                    : captured;
        QCOMPARE(readAll(raw.filePath()), rawNow);
        QVERIFY(!raw.isSymLink());
        QCOMPARE(readAll(elsewhere),
                 fault == LinkAtRaw || fault == LinksAtNames ? "elsewhere" : "(missing)");
        if (fault == SameSecond) // the other read-out's files stay its own
            QVERIFY(readAll(dir.filePath("DATA/in-2024-03-05-14-07-09.dat")) == kBv &&
                    readAll(dir.filePath("out-2024-03-05-14-07-09.txt")) ==
                        decodeText(kBv, report::NumberFormat::system()));
        if (stamp.isEmpty()) { // nothing cut short is left
            QVERIFY(outFiles().isEmpty());
            QTest::qWait(200);
            QVERIFY(!QFile::exists(argsFile)); // no editor
            return;
        }
        const QString outPath = dir.filePath("out-" + stamp + ".txt");
        QCOMPARE(kept.outPath, outPath);
        QCOMPARE(readAll(outPath), decoded);
        // The kept copy has the decoded file's time stamp and suffix.
        const bool copied = fault != DataNotWritable && fault != RawReplaced && !captured.isEmpty();
        QCOMPARE(readAll(dir.filePath("DATA/in-" + stamp + ".dat")),
                 copied ? captured : "(missing)");
        QCOMPARE(kept.copyPath, copied ? dir.filePath("DATA/in-" + stamp + ".dat") : QString());
        // Progress from the first record to the last, then an empty status line.
        const int records = int(captured.size() / 19);
        QStringList progress{"Processing record 1", QString("Processing record %1").arg(records),
                             ""};
        QCOMPARE(records ? lines.statuses.mid(0, 1) + lines.statuses.mid(lines.statuses.size() - 2)
                         : lines.statuses,
                 records ? progress : QStringList{""});
        if (fault == NoEditor) { // the file stays; one box says why, as the log does
            QCOMPARE(ask.messages, lines.lines.mid(3));
            return;
        }
        // The editor gets exactly the path, as its one argument (read once the editor is done).
        QTRY_COMPARE(readAll(argsFile), kWindows
                                            ? QFile::encodeName(outPath) + "\r\n" // a batch file
                                            : "1\n" + QFile::encodeName(outPath) + "\n");
    }

    // zelm-decode never writes over its input, nor through a link, and names what is wrong.
    void companionToolRefuses_data() {
        QTest::addColumn<QStringList>("args"); // %r the raw report, %l a link to it, %o a link
        QTest::addColumn<int>("status");       // elsewhere
        QTest::addColumn<QString>("line");     // its last line on standard error
        const QString over = "zelm-decode: %1 is the raw report %r: nothing written";
        QTest::newRow("the output is the input") << QStringList{"%r", "%r"} << 2 << over.arg("%r");
        QTest::newRow("the input through a link") << QStringList{"%r", "%l"} << 2 << over.arg("%l");
        QTest::newRow("a link at the output")
            << QStringList{"%r", "%o"} << 0 << "1 records, 1 lines";
        QTest::newRow("an empty output name")
            << QStringList{"%r", ""} << 64 << "zelm-decode: an empty file name";
        QTest::newRow("an unknown option")
            << QStringList{"--bogus", "%r"} << 64 << "zelm-decode: unknown option --bogus";
    }
    void companionToolRefuses() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        const QString raw = dir.filePath("in.dat"), link = dir.filePath("link"),
                      out = dir.filePath("out.txt"), elsewhere = editorDir.filePath("elsewhere");
        writeAll(raw, kRx);
        writeAll(elsewhere, "elsewhere");
        const bool links = args.join(' ').contains("%l") || args.join(' ').contains("%o");
        if (links && kWindows)
            QSKIP("symbolic links are made on POSIX");
#ifdef Q_OS_UNIX
        QVERIFY(::symlink(QFile::encodeName(raw), QFile::encodeName(link)) == 0);
        QVERIFY(::symlink(QFile::encodeName(elsewhere), QFile::encodeName(out)) == 0);
#endif
        const auto named = [&](QString text) {
            return text.replace("%r", raw).replace("%l", link).replace("%o", out);
        };
        QProcess tool;
        tool.start(ZELM_DECODE, QStringList(args)
                                    .replaceInStrings("%r", raw)
                                    .replaceInStrings("%l", link)
                                    .replaceInStrings("%o", out));
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), status);
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardError()).trimmed().split('\n').last(),
                 QDir::toNativeSeparators(named(line)));
        QCOMPARE(readAll(raw), kRx);
        QCOMPARE(readAll(elsewhere), "elsewhere"); // a link's target is never written
        if (status == 0)                           // the link replaced by the file
            QVERIFY(!QFileInfo(out).isSymLink() && readAll(out) == decodeText(kRx, point));
    }

    // zelm-decode writes what the program writes, with the decimal separator of its locale.
    void companionTool() {
        const QByteArray captured = kBt + kEmpty + kRx + kTx + kBv + hex("0101");
        writeAll(dir.filePath("in.dat"), captured);
        QProcess tool;
        tool.start(ZELM_DECODE, {dir.filePath("in.dat")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.readAllStandardOutput(), decodeText(captured, point));
        if (kWindows)
            QSKIP("a Windows program takes the user's regional settings, not LC_ALL");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "de_DE.UTF-8");
        tool.setProcessEnvironment(env);
        tool.start(ZELM_DECODE, {dir.filePath("in.dat"), dir.filePath("comma.txt")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(readAll(dir.filePath("comma.txt")), decodeText(captured, comma));
    }

    void editorCommand() {
        const QString xdg = dir.filePath("xdg/"); // no desktop's defaults but the test's
        for (const char* folder : {"CONFIG_HOME", "CONFIG_DIRS", "DATA_HOME", "DATA_DIRS"})
            qputenv(QByteArray("XDG_") + folder, (xdg + folder).toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        // The editor chosen, else the platform's.
        for (const QString& chosen : {QString("/usr/bin/e"), QString()}) {
            QString program;
            QStringList arguments;
            const QString path = dir.filePath("a report with spaces.txt");
            report::editorCommand(path, chosen, program, arguments);
            QCOMPARE(program, !chosen.isEmpty() ? chosen : kWindows ? "notepad.exe" : "xdg-open");
            QCOMPARE(arguments, QStringList{path});
        }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        // The desktop's default for plain text, not what it has for a decoded report: the
        // applications' lists, a user's default (one in a terminal: xdg-open), the desktop's own.
        const QList<std::array<QString, 6>> defaults{
            {"DATA_DIRS/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=ed2.desktop;",
             "DATA_DIRS/applications/ed2.desktop", "[Desktop Entry]\nExec=ed2", "ed2", "%p"},
            {"CONFIG_HOME/mimeapps.list", "[Default Applications]\ntext/plain=vi.desktop",
             "DATA_HOME/applications/vi.desktop", "[Desktop Entry]\nExec=vi %F\nTerminal=true",
             "xdg-open", "%p"},
            { "CONFIG_HOME/kde-mimeapps.list",
              "[Added Associations]\ntext/plain=vi.desktop\n[Default Applications]\ntext/plain = "
              "gone.desktop;ed.desktop",
              "DATA_DIRS/applications/ed.desktop",
              "[Desktop Entry]\nName=Ed\nExec=\"/opt/my \\\"ed\\\"/ed\" --new %U "
              "%i\nTerminal=false",
              "/opt/my \"ed\"/ed",
              "--new|%p" }};
        const QString path = dir.filePath("out-1.txt");
        for (const auto& [list, says, entry, exec, program, arguments] : defaults) {
            for (const auto& [file, text] : {std::pair{list, says}, { entry, exec }}) {
                QDir().mkpath(QFileInfo(xdg + file).path());
                writeAll(xdg + file, text.toUtf8());
            }
            QString chosen;
            QStringList given;
            report::editorCommand(path, {}, chosen, given);
            QCOMPARE(chosen, program);
            QCOMPARE(given, arguments.split('|').replaceInStrings("%p", path));
        }
#endif
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
