#include "files.h"
#include "readonly.h"
#include "recordinglog.h"
#include "tmpfs.h"

#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/profile.h"
#include "settings/tonumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString ini() const { return dir.filePath("ZURORUVE.INI"); }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        openToAll(dir.path());
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        openToAll(dir.path());
        settings::SetProgramFolder(dir.path());
    }

    void toNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "5" << 5;
        QTest::newRow("blanks around") << " 5 " << 5;
        QTest::newRow("tab around") << "\t12\t" << 12;
        QTest::newRow("minus") << "-1" << -1;
        QTest::newRow("plus") << "+16" << 16;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blank only") << "   " << 0;
        QTest::newRow("sign only") << "-" << 0;
        QTest::newRow("trailing letters") << "3x" << 0;
        QTest::newRow("inner blank") << "1 2" << 0;
        QTest::newRow("out of range") << "99999999999" << 0;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("min") << "-2147483648" << int(-2147483648LL);
        QTest::newRow("just above max") << "2147483648" << 0;
        QTest::newRow("just below min") << "-2147483649" << 0;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("above half") << "2.51" << 3;
        QTest::newRow("half with zeros") << "2.5000" << 2;
        QTest::newRow("half and a bit") << "2.50001" << 3;
        QTest::newRow("below half") << "2.49999" << 2;
        QTest::newRow("fraction only") << ".7" << 1;
        QTest::newRow("point only") << "." << 0;
        QTest::newRow("rounds out of range") << "2147483647.5" << 0;
        QTest::newRow("rounds to min") << "-2147483648.5" << int(-2147483648LL);
        QTest::newRow("leading zeros") << "0016" << 16;
        QTest::newRow("many leading zeros") << "000000000000000003" << 3;
    }
    void toNumber() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(settings::ToNumber(text), expected);
    }

    void missingFileGivesDefault() {
        RecordingLog log;
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString());
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "dflt", log), QString("dflt"));
        QVERIFY(log.lines.isEmpty());
    }

    void writeCreatesFileSectionAndKey() {
        RecordingLog log;
        settings::WriteIni("ZuroRuve", "Port", "3", log);
        QCOMPARE(readAll(ini()), QByteArray("[ZuroRuve]\r\nPort=3\r\n"));
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("3"));
        settings::WriteIni("ZuroRuve", "Port", "12", log);
        QCOMPARE(readAll(ini()), QByteArray("[ZuroRuve]\r\nPort=12\r\n"));
        QVERIFY(log.lines.isEmpty());
    }

    void windowsStyleFileKeepsEverythingElse() {
        const QByteArray before = "; written elsewhere\r\n"
                                  "[Other]\r\nPort=9\r\nName = x\r\n\r\n"
                                  "[ZURORUVE]\r\n  port = 7  \r\nColour=red\r\n\r\n"
                                  "[Last]\r\nkey=value";
        writeAll(ini(), before);
        RecordingLog log;
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("7"));
        QCOMPARE(settings::ReadIni("zuroruve", "COLOUR", "", log), QString("red"));
        QCOMPARE(settings::ReadIni("Other", "Port", "", log), QString("9"));
        settings::WriteIni("ZuroRuve", "Port", "3", log);
        QByteArray expected = before;
        expected.replace("  port = 7  ", "Port=3");
        QCOMPARE(readAll(ini()), expected);
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("3"));
    }

    void keyAddedToExistingSection() {
        writeAll(ini(), "[ZuroRuve]\nColour=red\n\n[Next]\nPort=1\n");
        RecordingLog log;
        settings::WriteIni("ZuroRuve", "Port", "5", log);
        QCOMPARE(readAll(ini()),
                 QByteArray("[ZuroRuve]\nColour=red\nPort=5\r\n\n[Next]\nPort=1\n"));
        QCOMPARE(settings::ReadIni("Next", "Port", "", log), QString("1"));
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("5"));
    }

    void sectionAppendedAfterUnterminatedLastLine() {
        writeAll(ini(), "[Other]\r\nx=1");
        RecordingLog log;
        settings::WriteIni("ZuroRuve", "Port", "2", log);
        QCOMPARE(readAll(ini()), QByteArray("[Other]\r\nx=1\r\n[ZuroRuve]\r\nPort=2\r\n"));
    }

    void writtenWhereTheWindowsFunctionsWrite_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("section header last")
            << QByteArray("[ZuroRuve]") << QByteArray("[ZuroRuve]\r\nPort=2\r\n");
        QTest::newRow("lone CR after header")
            << QByteArray("[ZuroRuve]\r") << QByteArray("[ZuroRuve]\r\nPort=2\r\n");
        QTest::newRow("key line last")
            << QByteArray("[ZuroRuve]\nX=1") << QByteArray("[ZuroRuve]\nX=1\r\nPort=2\r\n");
        QTest::newRow("other section, lone CR")
            << QByteArray("[A]\r") << QByteArray("[A]\r\n[ZuroRuve]\r\nPort=2\r\n");
        QTest::newRow("UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF[ZuroRuve]\r\nPort=7\r\n")
            << QByteArray("\xEF\xBB\xBF[ZuroRuve]\r\nPort=2\r\n");
        QTest::newRow("key without equals sign")
            << QByteArray("[ZuroRuve]\r\nPort\r\nPort=7\r\n")
            << QByteArray("[ZuroRuve]\r\nPort=2\r\nPort=7\r\n");
    }
    void writtenWhereTheWindowsFunctionsWrite() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QByteArray written = settings::WithProfileValue(before, "ZuroRuve", "Port", "2");
        QCOMPARE(written, after);
        QCOMPARE(settings::ProfileValue(written, "ZuroRuve", "Port", ""), QString("2"));
    }

    void quotedValueAndLongValue() {
        const QByteArray longValue(300, 'x');
        writeAll(ini(), "[ZuroRuve]\r\nPort=\"4\"\r\nLong=" + longValue + "\r\n");
        RecordingLog log;
        QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("4"));
        QCOMPARE(settings::ReadIni("ZuroRuve", "Long", "", log), QString(254, u'x'));
    }

    void readOnlyFileIsRefusedSilently() {
        writeAll(ini(), "[ZuroRuve]\r\nPort=4\r\n");
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        RecordingLog log;
        {
            ReadOnlyFolder guard(dir.path());
            settings::WriteIni("ZuroRuve", "Port", "9", log);
            QCOMPARE(settings::ReadIni("ZuroRuve", "Port", "", log), QString("4"));
        }
        QCOMPARE(readAll(ini()), QByteArray("[ZuroRuve]\r\nPort=4\r\n"));
        QVERIFY(log.lines.isEmpty());
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void readOnlyFolderIsRefusedSilently() {
        RecordingLog log;
        {
            ReadOnlyFolder guard(dir.path());
            settings::WriteIni("ZuroRuve", "Port", "9", log);
        }
        QVERIFY(!QFileInfo::exists(ini()));
        QVERIFY(log.lines.isEmpty());
    }

    void installedOrPortable_data() {
        QTest::addColumn<QString>("program"); // the program's folder; empty: a new one
        QTest::addColumn<QString>("marker");  // a file made beside it
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("installed");
        QTest::newRow("portable folder") << QString() << QString() << false << false;
        QTest::newRow("installed tree")
            << QString() << "share/metainfo/org.zuroruve.Zuroruve.metainfo.xml" << false << true;
        QTest::newRow("another program's tree")
            << QString() << "share/metainfo/org.example.Other.metainfo.xml" << false << false;
        QTest::newRow("folder not writable") << QString() << QString() << true << true;
        // This suite lies in build/tests, and the program in build/, inside the source tree.
        QTest::newRow("build folder")
            << QCoreApplication::applicationDirPath() + "/.." << QString() << false << false;
    }
    void installedOrPortable() {
        QFETCH(QString, program);
        QFETCH(QString, marker);
        QFETCH(bool, readOnly);
        QFETCH(bool, installed);
        if (program.isEmpty()) {
            program = dir.filePath("bin");
            QVERIFY(QDir().mkpath(program));
        }
        if (!marker.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(dir.filePath(marker)).path()));
            writeAll(dir.filePath(marker), "<component/>");
        }
        // As root only a read-only file system makes a folder unwritable for access().
        std::optional<Tmpfs> mount;
        std::optional<ReadOnlyFolder> guard;
        if (readOnly && !mount.emplace(program, "size=4k", true).mounted())
            guard.emplace(program);
        QCOMPARE(settings::IsInstalledCopy(program), installed);
    }

    void dataFolderMade() {
        RecordingLog log;
        settings::MakeUserFolders(log);
        QVERIFY(QFileInfo(dir.filePath("DATA")).isDir());
        settings::MakeUserFolders(log); // already there: nothing to say
        QVERIFY2(log.lines.isEmpty(), qPrintable(log.lines.join('|')));
    }

    void plainFileNamedDataCountsAsPresent() {
        writeAll(dir.filePath("DATA"), "not a folder");
        RecordingLog log;
        settings::MakeUserFolders(log);
        QVERIFY(QFileInfo(dir.filePath("DATA")).isFile());
        QVERIFY(log.lines.isEmpty());
    }

    void dataFolderInReadOnlyFolder() {
        RecordingLog log;
        {
            ReadOnlyFolder guard(dir.path());
            settings::MakeUserFolders(log);
        }
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].startsWith("ERROR: MakeUserFolders: Permission denied"),
                 qPrintable(log.lines[0]));
        QVERIFY(log.lines[0].contains("DATA"));
        QVERIFY(!QFileInfo::exists(dir.filePath("DATA")));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
