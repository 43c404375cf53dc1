#include "files.h"
#include "hex.h"
#include "readonly.h"
#include "recordinglog.h"
#include "recordingquestions.h"

#include "report/processdata.h"
#include "report/showfile.h"
#include "settings/folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kRx = hex("0007 240305140709 03 002A 00000000 4019 0080");
const QByteArray kBv = hex("0007 240305140709 04 002A 00000000 0078 0080");
const QByteArray kBt = hex("0007 240305140709 02 001A2B3C4D5E D606 B80B");
const QByteArray kTx = hex("0007 240305140709 01 3930 2B3C4D5E 0419 B80B");
const QByteArray kEmpty = hex("FFFF 240305140709 03 002A 00000000 4019 0080");

} // namespace

class TestProcessData : public QObject {
    Q_OBJECT

    QTemporaryDir dir;       // the program folder
    QTemporaryDir editorDir; // the stand-in editor and what it was given
    QString argsFile;

    QStringList outFiles() const {
        return QDir(dir.path()).entryList({"out-*.txt"}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase() {
        argsFile = editorDir.filePath("args");
        const QString editor = editorDir.filePath("editor");
        QFile script(editor);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + argsFile.toUtf8() +
                     ".tmp'\n"
                     "mv '" +
                     argsFile.toUtf8() + ".tmp' '" + argsFile.toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("ZURORUVE_EDITOR", QFile::encodeName(editor));
    }

    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path() + "/DATA");
        openToAll(dir.path());
        QFile::remove(argsFile);
        settings::SetProgramFolder(dir.path());
    }

    void lengths_data() {
        QTest::addColumn<QByteArray>("captured");
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("0 bytes") << QByteArray() << 0 << QByteArray();
        QTest::newRow("18 bytes") << kRx.left(18) << 0 << QByteArray();
        QTest::newRow("19 bytes") << kRx << 1
                                  << QByteArray("OK\t2024-03-05-14-07-09\tRX\t00042\t25.3\r\n");
        QTest::newRow("38 bytes") << kRx + kEmpty << 2
                                  << QByteArray("OK\t2024-03-05-14-07-09\tRX\t00042\t25.3\r\n");
        QTest::newRow("40 bytes") << kBv + kTx + "\x01\x02" << 2
                                  << QByteArray("OK\t2024-03-05-14-07-09\tBV\t00042\t3.9\r\n"
                                                "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0\r\n");
        QTest::newRow("all kinds")
            << kBt + kEmpty + kRx + kTx + kBv << 5
            << QByteArray("OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t30.3 93.6\r\n"
                          "OK\t2024-03-05-14-07-09\tRX\t00042\t25.3\r\n"
                          "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0\r\n"
                          "OK\t2024-03-05-14-07-09\tBV\t00042\t3.9\r\n");
    }
    void lengths() {
        QFETCH(QByteArray, captured);
        QFETCH(int, records);
        QFETCH(QByteArray, decoded);
        RecordingLog log;
        RecordingQuestions ask;
        report::ProcessData(captured, log, ask);

        QCOMPARE(readAll(dir.filePath("in.dat")), captured);
        const QStringList outs = outFiles();
        QCOMPARE(outs.size(), 1);
        QVERIFY(QRegularExpression("^out-\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.txt$")
                    .match(outs[0])
                    .hasMatch());
        const QString outPath = dir.filePath(outs[0]);
        QCOMPARE(readAll(outPath), decoded);
        QCOMPARE(log.lines, (QStringList{"Processing data",
                                         QString("Processing %1 records complete").arg(records)}));
        // Progress in order from the first record to the last, then an empty status line.
        QCOMPARE(log.statuses.last(), QString());
        log.statuses.removeLast();
        if (records > 0) {
            QCOMPARE(log.statuses.first(), QString("Processing record 1"));
            QCOMPARE(log.statuses.last(), QString("Processing record %1").arg(records));
        } else {
            QVERIFY(log.statuses.isEmpty());
        }
        QVERIFY(ask.messages.isEmpty());
        // The editor gets exactly the path, as its one argument.
        QTRY_VERIFY(QFile::exists(argsFile));
        QCOMPARE(readAll(argsFile), "1\n" + QFile::encodeName(outPath) + "\n");
    }

    void everyDownloadIsKept_data() {
        QTest::addColumn<bool>("dataFolder");
        QTest::newRow("kept in DATA") << true;
        QTest::newRow("DATA not writable: decoding goes on") << false;
    }
    void everyDownloadIsKept() {
        QFETCH(bool, dataFolder);
        if (!dataFolder) {
            QDir(dir.filePath("DATA")).removeRecursively();
            QFile f(dir.filePath("DATA"));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QByteArray captured = kBt + kEmpty + kTx;
        RecordingLog log;
        RecordingQuestions ask;
        report::ProcessData(captured, log, ask);
        QCOMPARE(log.lines.last(), QString("Processing 3 records complete"));
        QCOMPARE(outFiles().size(), 1);
        const QString stamp = outFiles()[0].mid(4, 19);
        const QString kept = dir.filePath("DATA/in-" + stamp + ".dat");
        if (dataFolder) {
            QCOMPARE(log.lines.size(), 2);
            QCOMPARE(readAll(kept), captured);
            QCOMPARE(QDir(dir.filePath("DATA")).entryList(QDir::Files | QDir::Hidden).size(), 1);
        } else {
            QCOMPARE(log.lines.size(), 3);
            QVERIFY2(log.lines[1].startsWith("ERROR: ProcessData: cannot write " + kept + ": "),
                     qPrintable(log.lines[1]));
        }
    }

    void everyByteValueIsKept() {
        QByteArray captured;
        for (int round = 0; round < 3; ++round)
            for (int b = 0; b < 256; ++b)
                captured.append(char(round == 1 ? 255 - b : b));
        captured.append("\r\n\0\r\x1a", 5);
        RecordingLog log;
        RecordingQuestions ask;
        report::ProcessData(captured, log, ask);
        QCOMPARE(readAll(dir.filePath("in.dat")), captured);
        QCOMPARE(log.lines.last(),
                 QString("Processing %1 records complete").arg(captured.size() / 19));
    }

    void companionToolGivesTheSameLines() {
        QByteArray captured = kBt + kEmpty + kRx + kTx + kBv;
        for (int i = 0; i < 2000; ++i) // a spread of every kind and value
            for (const QByteArray& r : {kBt, kRx, kTx, kBv}) {
                QByteArray x = r;
                x[15] = char(i * 7);
                x[16] = char(i / 3);
                x[17] = char(i * 13);
                x[18] = char(i);
                captured += x;
            }
        RecordingLog log;
        RecordingQuestions ask;
        report::ProcessData(captured, log, ask);
        const QByteArray decoded = readAll(dir.filePath(outFiles().value(0)));

        QProcess tool;
        tool.start(ZELM_DECODE, {dir.filePath("in.dat")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(tool.readAllStandardOutput(), decoded);

        // The same lines with the decimal comma of a German user.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "de_DE.UTF-8");
        tool.setProcessEnvironment(env);
        tool.start(ZELM_DECODE, {dir.filePath("in.dat"), dir.filePath("comma.txt")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QList<QByteArray> pointLines = decoded.split('\n');
        const QList<QByteArray> commaLines = readAll(dir.filePath("comma.txt")).split('\n');
        QCOMPARE(commaLines.size(), pointLines.size());
        for (qsizetype i = 0; i < pointLines.size(); ++i) {
            QList<QByteArray> fields = pointLines[i].split('\t');
            if (fields.size() == 5)
                fields[4].replace('.', ',');
            QCOMPARE(commaLines[i], fields.join('\t'));
        }
    }

    void companionToolErrors() {
        QProcess tool;
        tool.start(ZELM_DECODE, {dir.filePath("no-such.dat")});
        QVERIFY(tool.waitForFinished());
        QVERIFY(tool.exitCode() != 0);
        const QByteArray err = tool.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("no-such.dat"), err.constData());
    }

    void unwritableFolder() {
        RecordingLog log;
        RecordingQuestions ask;
        {
            ReadOnlyFolder guard(dir.path());
            report::ProcessData(kRx, log, ask);
        }
        QCOMPARE(log.lines.size(), 2);
        QVERIFY2(log.lines[1].startsWith("ERROR: ProcessData: cannot create ") &&
                     log.lines[1].contains("in.dat"),
                 qPrintable(log.lines[1]));
        QVERIFY(!QFile::exists(dir.filePath("in.dat")));
        QVERIFY(outFiles().isEmpty());
        QTest::qWait(200);
        QVERIFY(!QFile::exists(argsFile)); // no viewer
        QVERIFY(ask.messages.isEmpty());
    }

    void readOnlyRawFileKeepsItsOldContents() {
        QFile old(dir.filePath("in.dat"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
        old.close();
        old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        RecordingLog log;
        RecordingQuestions ask;
        {
            ReadOnlyFolder guard(dir.path());
            report::ProcessData(kRx, log, ask);
        }
        QVERIFY2(log.lines.value(1).startsWith("ERROR: ProcessData: "),
                 qPrintable(log.lines.join('|')));
        QCOMPARE(readAll(dir.filePath("in.dat")), QByteArray("previous"));
    }

    void editorThatCannotStart() {
        const QByteArray saved = qgetenv("ZURORUVE_EDITOR");
        qputenv("ZURORUVE_EDITOR", "/nonexistent/editor");
        RecordingLog log;
        RecordingQuestions ask;
        report::ProcessData(kRx, log, ask);
        qputenv("ZURORUVE_EDITOR", saved);
        QCOMPARE(ask.messages.size(), 1);
        QVERIFY2(ask.messages[0].startsWith("ERROR: ShowFileCould not start the text editor"),
                 qPrintable(ask.messages[0]));
        QVERIFY(ask.messages[0].contains("/nonexistent/editor"));
        // The decoding itself finished and the file stays.
        QCOMPARE(log.lines.last(), QString("Processing 1 records complete"));
        QCOMPARE(outFiles().size(), 1);
    }

    void editorCommand_data() {
        QTest::addColumn<QByteArray>("variable"); // ZURORUVE_EDITOR
        QTest::addColumn<QByteArray>("settings"); // ZURORUVE.INI
        QTest::addColumn<QString>("program");
        const QString self = QCoreApplication::applicationFilePath();
        QTest::newRow("system editor") << QByteArray() << QByteArray() << "xdg-open";
        QTest::newRow("empty Viewer")
            << QByteArray() << QByteArray("[ZuroRuve]\r\nViewer=\r\n") << "xdg-open";
        QTest::newRow("Viewer beside the program")
            << QByteArray() << "[ZuroRuve]\r\nViewer=" + QFileInfo(self).fileName().toUtf8()
            << self;
        QTest::newRow("Viewer on PATH")
            << QByteArray() << QByteArray("[zururuve]\r\n[ZuroRuve]\r\nviewer= sh")
            << QStandardPaths::findExecutable("sh");
        QTest::newRow("Viewer with a path")
            << QByteArray() << QByteArray("[ZuroRuve]\r\nViewer=/opt/v") << "/opt/v";
        QTest::newRow("the variable wins")
            << QByteArray("/usr/bin/e") << QByteArray("[ZuroRuve]\r\nViewer=sh") << "/usr/bin/e";
    }
    void editorCommand() {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, settings);
        QFETCH(QString, program);
        const QByteArray saved = qgetenv("ZURORUVE_EDITOR");
        qputenv("ZURORUVE_EDITOR", variable);
        QFile ini(dir.filePath("ZURORUVE.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(settings);
        ini.close();
        QString chosen;
        QStringList arguments;
        report::EditorCommand("/a path/with spaces.txt", chosen, arguments);
        qputenv("ZURORUVE_EDITOR", saved);
        QCOMPARE(chosen, program);
        QCOMPARE(arguments, QStringList{"/a path/with spaces.txt"});
    }
};

QTEST_GUILESS_MAIN(TestProcessData)
#include "test_processdata.moc"
