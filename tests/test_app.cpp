// start-up and the window, the settings file, the folder the files are kept in, the data folder
// and ToNumber.

#include "support/fakeline.h"
#include "support/rig.h"

#include "app/dialogues.h"
#include "app/form1.h"
#include "app/start.h"
#include "app/submain.h"
#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/tonumber.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>

class TestApp : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    settings::ProgramFolder folder{dir.path(), false};
    QString ini() const { return dir.filePath("ZURORUVE.INI"); }

private slots:
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void startUp_data() {
        QTest::addColumn<QByteArray>("stored"); // the settings file; empty: none
        QTest::addColumn<bool>("readOnly");     // the program folder
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("error");
        const QString invalid = "ERROR: SubMain: Invalid property value";
        const QString overflow = "ERROR: SubMain: Overflow";
        // The folder's error line is emptied by start-up, as the log is.
        QTest::newRow("folder not writable") << QByteArray() << true << 0 << QString();
        const QList<std::tuple<const char*, int, QString>> cases{
            {"3", 2, {}},          {"16", 15, {}},
            {"", 0, {}},           {"0", -1, {}},
            {"abc", -1, {}},       {"17", 0, invalid},
            {"-1", 0, invalid},    {"-2147483648", 0, overflow},
            {"40000", 0, overflow}};
        for (const auto& [stored, index, error] : cases)
            QTest::newRow(qPrintable(QString("Port=") + stored))
                << "[ZuroRuve]\r\nPort=" + QByteArray(stored) << false << index << error;
        // A port beyond the list: what the user can do instead.
        const QString com23 = kWindows ? "COM23" : "/dev/ttyUSB22";
        QTest::newRow("Port=23")
            << QByteArray("[ZuroRuve]\r\nPort=23") << false << 0
            << invalid + ": the port list has no entry 23 (ports 1 to 16). For " + com23 +
                   (kWindows ? ", give the adapter a number from 1 to 16 in Device Manager (Ports, "
                               "the adapter's Properties, Port Settings, Advanced, COM Port "
                               "Number), or read it out with zelm-download --device COM23"
                             : ", name it for a port from 1 to 16 (ZURORUVE_COM1=/dev/ttyUSB22), "
                               "or read it out with zelm-download --device /dev/ttyUSB22");
        // Read as a file, a FIFO would hold start-up until something writes to it (not on Windows).
        if (!kWindows)
            QTest::newRow("settings file is a FIFO")
                << QByteArray("fifo") << false << 0
                << "ERROR: ReadIni: " + ini() + ": not a regular file";
    }
    void startUp() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, readOnly);
        QFETCH(int, index);
        QFETCH(QString, error);
#ifndef Q_OS_WIN
        if (stored == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(ini()).constData(), 0600), 0);
#endif
        if (!stored.isEmpty() && stored != "fifo")
            writeAll(ini(), stored);
        app::Form1 form;
        QCOMPARE(form.focusWidget(), form.cmdDownload); // before it is shown, too
        {
#ifdef Q_OS_WIN
            if (readOnly)
                QSKIP("no read-only folder");
#else
            std::optional<ReadOnlyFolder> guard;
            if (readOnly)
                guard.emplace(dir.path());
#endif
            app::SubMain(form, folder);
        }
        QVERIFY(form.isVisible());              // shown on the error path too
        QCOMPARE(form.size(), QSize(509, 289)); // 7635 x 4335 twips
        QCOMPARE(form.List1->count(), 16);
        QCOMPARE(form.List1->itemText(15), QString("16"));
        const QStringList log = form.Text1->toPlainText().split('\n');
        QCOMPARE(log.first(), QString("Select port number and click Download to begin"));
        QCOMPARE(log.size(), error.isEmpty() ? 2 : 3);
        QVERIFY2(log[log.size() - 2].startsWith(error), qPrintable(log.join('|')));
        if (error.isEmpty())
            QCOMPARE(form.List1->currentIndex(), index);
        QCOMPARE(QFileInfo(dir.filePath("DATA")).isDir(), !readOnly);
        QCOMPARE(form.focusWidget(), form.cmdDownload);
        form.setPortDevices({{3, "/dev/null"}}); // a port's device may be chosen, but on Windows
        form.List1->showPopup();                 // the tooltips are filled when the list opens
        QCOMPARE(form.List1->itemData(2, Qt::ToolTipRole),
                 kWindows ? "Opens COM3" : "Opens /dev/null");
        QCOMPARE(form.List1->itemData(15, Qt::ToolTipRole),
                 kWindows ? "Opens COM16" : "Opens /dev/ttyUSB15");
        RecordingLog writes; // and the next download's store of the port passes it by
        settings::WriteIni(folder, "ZuroRuve", "Port", "3", writes);
        QCOMPARE(QFileInfo(ini()).isFile(), stored != "fifo");
    }

    // A clear in the installed window, which downloads first: the folder in the log's tooltip;
    // after the download's lines, where the decoded file went with the folder again, and after
    // the clear's, what came in.
    void readOutInTheWindow() {
        QDir(dir.path()).mkdir("DATA");
        app::Form1 form;
        FakeLine line;
        actAsDevice(line, hex("0007 240305140709 03 002A 00000000 4019 0080"));
        RecordingQuestions yes;
        yes.answer = true;
        devicelink::Context ctx{line, line, line, form.log(), yes};
        readout::Session session{ctx, {dir.path(), true}};
        session.wallClock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        form.useDevice(session);
        app::SubMain(form, session.folder);
        const QString kept = QDir::toNativeSeparators(dir.path());
        QCOMPARE(form.Text1->toolTip(), "Files are kept in " + kept);
        QTest::mouseClick(form.cmdClear, Qt::LeftButton);
        QCOMPARE(form.Text1->toPlainText().split('\n').mid(5),
                 (QStringList{"Processing data", "Processing 1 records complete",
                              "Decoded into out-2024-03-05-14-07-09.txt in " + kept,
                              "Reading the report back to prove the clear", "Waiting for data",
                              "Download complete 0 bytes", "Clear complete", "Logger with RX 00042",
                              "Readings from 2024-03-05 14:07:09 to 2024-03-05 14:07:09",
                              "RX 00042: 1 reading", ""}));
    }

    // Should an error escape a dialogue, it is told in one line and every control comes back.
    void errorEscapingADialogue() {
        app::Form1 form;
        app::SubMain(form, folder);
        form.onDownload = form.onClear = [] { throw std::runtime_error("something broke"); };
        for (QPushButton* button : {form.cmdDownload, form.cmdClear}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(form.cmdDownload->isEnabled() && form.cmdClear->isEnabled() &&
                    form.List1->isEnabled() && form.cmdExcel->isEnabled());
            QVERIFY(form.Text1->toPlainText().endsWith("\nERROR: something broke\n"));
        }
    }

    // F1 opens the user's manual at the window's part, also while a dialogue runs.
    void manual() {
        app::Form1 form;
        app::SubMain(form, folder);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.onDownload = [&] { QTest::keyClick(&form, Qt::Key_F1); };
        QTest::mouseClick(form.cmdDownload, Qt::LeftButton);
        auto* manual = form.findChild<QDialog*>("manual");
        QVERIFY(manual && manual->isVisible() && manual->windowTitle() == "ZURORUVE manual");
        QVERIFY(manual->findChild<QTextBrowser*>()->toPlainText().contains("Download"));
    }

    // An argument the window does not take is told, on standard error and in its log, and the
    // window opens all the same.
    void unknownArguments() {
        app::Form1 form;
        app::SubMain(form, folder);
        app::tellUnknownArguments({"--bogus"}, form.log());
        QCOMPARE(form.Text1->toPlainText().split('\n').mid(1, 1),
                 QStringList{"Unknown argument --bogus, ignored"});
        if (kWindows)
            QSKIP("a window program's standard error is the console it was started from");
        QProcess program;
        program.start(ZURORUVE, {"--bogus"});
        QByteArray said;
        QVERIFY(QTest::qWaitFor(
            [&] { return (said += program.readAllStandardError()).contains("--bogus"); }, 30000));
        QVERIFY(
            said.contains("zuroruve: unknown argument --bogus, ignored (see zuroruve --help)\n"));
        QTest::qWait(300);
        QCOMPARE(program.state(), QProcess::Running); // the window is open
        program.kill();
        program.waitForFinished();
    }

    void statusLog() {
        app::Form1 form;
        core::StatusLog& log = form.log();
        log.LogLine("A");
        log.LogLine("");
        log.LogLine("B");
        log.LogLine(" ");
        // The caret ends at the end of the last line written, with no selection.
        QCOMPARE(form.Text1->textCursor().position(), 3);
        QVERIFY(!form.Text1->textCursor().hasSelection());
        log.LogLine("two\r\nlines");
        QCOMPARE(form.Text1->textCursor().position(), 13);
        log.SetStatus("Received 600 bytes");
        QCOMPARE(form.Text2->text(), QString("Received 600 bytes"));
        log.SetStatus("");
        QCOMPARE(form.Text1->toPlainText(), QString("B\n \ntwo\nlines\n"));
        // A line wider than the box is shown from its start.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        log.LogLine("ERROR: " + QString(300, u'x'));
        QVERIFY(form.Text1->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(form.Text1->horizontalScrollBar()->value(), 0);
    }

    // The log takes no edit and no tab character: Tab moves between the controls, in their
    // order, and the log's text stays selectable and can be copied.
    void logKeys_data() {
        QTest::addColumn<QString>("keys");  // each to the widget with the focus
        QTest::addColumn<QString>("focus"); // then
        QTest::addColumn<QString>("clipboard");
        const QString copied = "Select port number and click Download to begin\nPort 1 opened\n";
        QTest::newRow("Tab") << "Tab"
                             << "Text2"
                             << "before";
        // cmdExcel, before the log, is hidden.
        QTest::newRow("Shift+Tab") << "Shift+Tab"
                                   << "cmdDownload"
                                   << "before";
        QTest::newRow("Tab all round") << "Tab, Tab, Tab, Tab, Tab"
                                       << "Text1"
                                       << "before";
        QTest::newRow("typing") << "x, Space, Return, Enter"
                                << "Text1"
                                << "before";
        QTest::newRow("deleting") << "Ctrl+End, Backspace, Ctrl+Home, Del"
                                  << "Text1"
                                  << "before";
        QTest::newRow("pasting") << "Ctrl+V, Shift+Ins"
                                 << "Text1"
                                 << "before";
        QTest::newRow("cutting") << "Ctrl+A, Ctrl+X, Shift+Del"
                                 << "Text1"
                                 << "before";
        QTest::newRow("copying") << "Ctrl+A, Ctrl+C"
                                 << "Text1" << copied;
    }
    void logKeys() {
        QFETCH(QString, keys);
        QFETCH(QString, focus);
        QFETCH(QString, clipboard);
        app::Form1 form;
        app::SubMain(form, folder);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.log().LogLine("Port 1 opened");
        const QString before = form.Text1->toPlainText();
        QGuiApplication::clipboard()->setText("before");
        form.Text1->setFocus();
        for (const QString& key : keys.split(", "))
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        QCOMPARE(form.Text1->toPlainText(), before);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    }

    void toNumber() {
        // Each text, then what it converts to after the last '='.
        const QStringList cases{"5=5",     " 5 =5",  "\t12\t=12", "-1=-1", "+16=16", "abc=0",
                                "=0",      "-=0",    "3x=0",      "1 2=0", "2.5=2",  "3.5=4",
                                "-2.5=-2", "2.51=3", "2.50001=3", ".7=1",  ".=0"};
        const QStringList limits{"2147483647=2147483647", "-2147483648=-2147483648",
                                 "2147483648=0",          "-2147483649=0",
                                 "2147483647.5=0",        "-2147483648.5=-2147483648",
                                 "000000000000000003=3"};
        for (const QString& c : cases + limits) {
            const qsizetype eq = c.lastIndexOf('=');
            QVERIFY2(settings::ToNumber(c.left(eq)) == c.mid(eq + 1).toInt(), qPrintable(c));
        }
    }

    // Port=2 written into a file as the Windows profile functions would: the entry replaced
    // or added in the first section of that name, everything else kept byte for byte.
    void writePort_data() {
        QTest::addColumn<QByteArray>("before"); // "(missing)": no file
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("reads"); // section/key=value, read afterwards
        const QByteArray windows = "; elsewhere\r\n[Other]\r\nPort=9\r\nName = x\r\n\r\n"
                                   "[ZURORUVE]\r\n  port = 7  \r\nColour=red\r\n\r\n[Last]\r\nk=v";
        const QByteArray x300(300, 'x');
        const QList<std::array<QByteArray, 4>> cases{
            {"no file", "(missing)", "[ZuroRuve]\r\nPort=2\r\n", "ZuroRuve/Other="},
            {"Windows file", windows, QByteArray(windows).replace("  port = 7  ", "Port=2"),
             "zuroruve/COLOUR=red"},
            {"key added to the section", "[ZuroRuve]\nColour=red\n\n[Next]\nPort=1\n",
             "[ZuroRuve]\nColour=red\nPort=2\r\n\n[Next]\nPort=1\n", "Next/Port=1"},
            {"after an unterminated line", "[Other]\r\nx=1",
             "[Other]\r\nx=1\r\n[ZuroRuve]\r\nPort=2\r\n", "Other/x=1"},
            {"section header last", "[ZuroRuve]", "[ZuroRuve]\r\nPort=2\r\n", ""},
            {"lone CR after header", "[ZuroRuve]\r", "[ZuroRuve]\r\nPort=2\r\n", ""},
            {"key line last", "[ZuroRuve]\nX=1", "[ZuroRuve]\nX=1\r\nPort=2\r\n", ""},
            {"other section, lone CR", "[A]\r", "[A]\r\n[ZuroRuve]\r\nPort=2\r\n", ""},
            {"UTF-8 byte-order mark", "\xEF\xBB\xBF[ZuroRuve]\r\nPort=7\r\n",
             "\xEF\xBB\xBF[ZuroRuve]\r\nPort=2\r\n", ""},
            {"header without ]", "[ZuroRuve\r\nPort=7\r\n", "[ZuroRuve\r\nPort=2\r\n", ""},
            {"key without equals sign", "[ZuroRuve]\r\nPort\r\nPort=7\r\n",
             "[ZuroRuve]\r\nPort=2\r\nPort=7\r\n", ""},
            {"quoted and long values", "[ZuroRuve]\r\nPort=\"4\"\r\nQ='5'\r\nL=" + x300,
             "[ZuroRuve]\r\nPort=2\r\nQ='5'\r\nL=" + x300, "ZuroRuve/Q=5"}};
        for (const auto& [name, before, after, reads] : cases)
            QTest::newRow(name) << before << after << QString(reads);
    }
    void writePort() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, reads);
        if (before != "(missing)")
            writeAll(ini(), before);
        RecordingLog log;
        settings::WriteIni(folder, "ZuroRuve", "Port", "2", log);
        QCOMPARE(readAll(ini()), after);
        for (const QString& read :
             QStringList{reads, "ZuroRuve/Port=2", "zuroruve/L=" + QString(254, u'x')}) {
            const QStringList parts = read.split(QRegularExpression("[/=]"));
            if (parts.size() == 3 && (parts[1] != "L" || before.contains("L=")))
                QCOMPARE(settings::ReadIni(folder, parts[0], parts[1], "", log), parts[2]);
        }
        QVERIFY(log.lines.isEmpty());
    }

    // A link at the settings file is replaced by the file; what it led to is left as it was.
    void settingsThroughALink() {
#ifdef Q_OS_UNIX
        QTemporaryDir other;
        const QString elsewhere = other.filePath("shared.ini");
        writeAll(elsewhere, "[ZuroRuve]\r\nPort=4\r\n");
        QVERIFY(::symlink(QFile::encodeName(elsewhere), QFile::encodeName(ini())) == 0);
        RecordingLog log;
        settings::WriteIni(folder, "ZuroRuve", "Port", "2", log);
        QVERIFY(!QFileInfo(ini()).isSymLink());
        QCOMPARE(readAll(ini()), "[ZuroRuve]\r\nPort=2\r\n");
        QCOMPARE(readAll(elsewhere), "[ZuroRuve]\r\nPort=4\r\n");
#else
        QSKIP("symbolic links are made on POSIX");
#endif
    }

    // Text in any script: a file is read as UTF-8 where it is UTF-8 (with or without the mark
    // Notepad may put first), else in the ANSI code page; what is written is UTF-8, and a file in
    // the ANSI code page is turned into UTF-8 only when it takes text beyond ASCII.
    void unicodeText_data() {
        QTest::addColumn<QByteArray>("before"); // the file, "(missing)": none
        QTest::addColumn<QString>("name");      // then written as [Sensor RX 00041] Name
        QTest::addColumn<QByteArray>("after");  // the file then
        QTest::addColumn<QString>("reads");     // that name read back
        const QByteArray tx = "[Sensor TX 00042]\r\nName=", rx = "[Sensor RX 00041]\r\nName=";
        const QByteArray utf8 = tx + "K\xC3\xBChlraum \xE2\x82\xAC\r\n", // "Kühlraum €"
            ansi = tx + "K\xFChlraum \x80\r\n";
        const QString freezer = QStringLiteral("Морозильник №2");
        const QByteArray written = rx + freezer.toUtf8() + "\r\n";
        const QString cyrillic = "x" + QString(200, u'й'); // 401 bytes: cut between characters
        QTest::newRow("UTF-8") << utf8 << freezer << utf8 + written << freezer;
        QTest::newRow("UTF-8, marked")
            << "\xEF\xBB\xBF" + utf8 << freezer << "\xEF\xBB\xBF" + utf8 + written << freezer;
        QTest::newRow("no file") << QByteArray("(missing)") << freezer << written << freezer;
        QTest::newRow("ANSI, an ASCII name") << ansi << "Cellar" << ansi + rx + "Cellar\r\n"
                                             << "Cellar";
        QTest::newRow("ANSI, a name beyond it") << ansi << freezer << utf8 + written << freezer;
        QTest::newRow("a long name") << utf8 << cyrillic << utf8 + rx + cyrillic.toUtf8() + "\r\n"
                                     << cyrillic.left(127);
    }
    void unicodeText() {
        QFETCH(QByteArray, before);
        QFETCH(QString, name);
        QFETCH(QByteArray, after);
        QFETCH(QString, reads);
        if (kWindows && before.contains('\xFC') && QString::fromLocal8Bit("\xFC") != u"ü")
            QSKIP("the ANSI code page is not a western one");
        if (before != "(missing)")
            writeAll(ini(), before);
        RecordingLog log;
        settings::WriteIni(folder, "Sensor RX 00041", "Name", name, log);
        QCOMPARE(readAll(ini()), after);
        QCOMPARE(settings::ReadIni(folder, "Sensor RX 00041", "Name", "", log), reads);
        QCOMPARE(settings::ReadIni(folder, "Sensor TX 00042", "Name", "", log),
                 before.contains("TX") ? QStringLiteral("Kühlraum €") : QString());
        QVERIFY(log.lines.isEmpty());
    }

    // In a folder the program may not write: the settings file is left alone without a word,
    // as with the Windows functions, and the data folder's error names it.
    void readOnlyFolder() {
        writeAll(dir.filePath("DATA"), "not a folder"); // a plain file counts as present
        RecordingLog plain;
        settings::MakeUserFolders(folder, plain);
        QVERIFY(plain.lines.isEmpty() && QFileInfo(dir.filePath("DATA")).isFile());
#ifdef Q_OS_WIN
        QSKIP("no read-only folder");
#else
        for (const bool fileThere : {true, false}) {
            init();
            if (fileThere)
                writeAll(ini(), "[ZuroRuve]\r\nPort=4\r\n");
            RecordingLog log;
            {
                ReadOnlyFolder guard(dir.path());
                settings::WriteIni(folder, "ZuroRuve", "Port", "9", log);
                QCOMPARE(settings::ReadIni(folder, "ZuroRuve", "Port", "none", log),
                         fileThere ? "4" : "none");
                settings::MakeUserFolders(folder, log);
            }
            QCOMPARE(readAll(ini()), fileThere ? "[ZuroRuve]\r\nPort=4\r\n" : "(missing)");
            QCOMPARE(log.lines, QStringList{"ERROR: MakeUserFolders: Permission denied (" +
                                            dir.filePath("DATA") + ")"});
        }
#endif
    }

    // The editor of decoded files: ZURORUVE_EDITOR's value wins over the Viewer setting, which
    // names a program as it is, beside this program or on PATH; none: the platform's editor.
    void editorChoice() {
        const QString self = QCoreApplication::applicationFilePath();
        const QString onPath = kWindows ? "cmd" : "sh";
        const QList<std::array<QString, 3>> cases{
            // ZURORUVE_EDITOR, ZURORUVE.INI, the program
            {"", "", ""},
            {"", "[ZuroRuve]\r\nViewer=\r\n", ""},
            {"", "[ZuroRuve]\r\nViewer=" + QFileInfo(self).fileName(), self},
            {"", "[x]\r\n[ZuroRuve]\r\nviewer= " + onPath, QStandardPaths::findExecutable(onPath)},
            {"", "[ZuroRuve]\r\nViewer=/opt/v", "/opt/v"},
            {"/usr/bin/e", "[ZuroRuve]\r\nViewer=sh", "/usr/bin/e"}};
        const report::EditorChoice choice = app::editorChoice({}, folder);
        for (const auto& [variable, settings, program] : cases) {
            writeAll(dir.filePath("ZURORUVE.INI"), settings.toUtf8()); // read at each choice
            QCOMPARE(variable.isEmpty() ? choice() : app::editorChoice(variable, folder)(),
                     program);
        }
    }

    void installedOrPortable() {
        const QString bin = dir.filePath("bin"), metainfo = dir.filePath("share/metainfo/");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(metainfo));
        // This suite lies in build/tests, and the program in build/, inside the source tree.
        QVERIFY(!settings::isInstalledCopy(QCoreApplication::applicationDirPath() + "/.."));
        writeAll(metainfo + "org.zuroruve.Zuroruve.metainfo.xml", "<component/>");
        QVERIFY(settings::isInstalledCopy(bin));
        QDir(metainfo).removeRecursively();
#ifndef Q_OS_WIN
        // As root only a read-only file system makes a folder unwritable for access().
        std::optional<Tmpfs> mount;
        std::optional<ReadOnlyFolder> guard;
        if (!mount.emplace(bin, "ro,size=4k").mounted())
            guard.emplace(bin);
        QVERIFY(settings::isInstalledCopy(bin));
#endif
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
