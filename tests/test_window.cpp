#include "readonly.h"

#include "app/form1.h"
#include "app/submain.h"
#include "settings/folder.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    void storePort(const QByteArray& value) {
        QFile f(dir.filePath("ZURORUVE.INI"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[ZuroRuve]\r\nPort=" + value + "\r\n");
    }

private slots:
    void init() {
        QFile::remove(dir.filePath("ZURORUVE.INI"));
        QDir(dir.filePath("DATA")).removeRecursively();
        QFile::remove(dir.filePath("DATA"));
        openToAll(dir.path());
        settings::SetProgramFolder(dir.path());
    }

    void firstStart() {
        app::Form1 form;
        app::SubMain(form);
        QVERIFY(form.isVisible());
        QCOMPARE(form.List1->count(), 16);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(form.List1->itemText(i), QString::number(i + 1));
        QCOMPARE(form.List1->currentIndex(), 0);
        form.List1->showPopup(); // the tooltips are filled when the list opens
        QVERIFY(form.List1->itemData(15, Qt::ToolTipRole).toString().startsWith("Opens "));
        form.List1->hidePopup();
        QCOMPARE(form.Text1->toPlainText(),
                 QString("Select port number and click Download to begin\n"));
        QCOMPARE(form.Text2->text(), QString());
        QVERIFY(QFileInfo(dir.filePath("DATA")).isDir());
        QCOMPARE(form.focusWidget(), form.cmdDownload);
    }

    void rememberedPort_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("error");
        QTest::newRow("3") << QByteArray("3") << 2 << QString();
        QTest::newRow("16") << QByteArray("16") << 15 << QString();
        QTest::newRow("1") << QByteArray("1") << 0 << QString();
        QTest::newRow("empty value") << QByteArray("") << 0 << QString();
        QTest::newRow("0") << QByteArray("0") << -1 << QString();
        QTest::newRow("abc") << QByteArray("abc") << -1 << QString();
        QTest::newRow("17") << QByteArray("17") << 0
                            << QString("ERROR: SubMain: Invalid property value");
        QTest::newRow("-1") << QByteArray("-1") << 0
                            << QString("ERROR: SubMain: Invalid property value");
        QTest::newRow("min int") << QByteArray("-2147483648") << 0
                                 << QString("ERROR: SubMain: Overflow");
        QTest::newRow("beyond 16 bits")
            << QByteArray("40000") << 0 << QString("ERROR: SubMain: Overflow");
    }
    void rememberedPort() {
        QFETCH(QByteArray, stored);
        QFETCH(int, index);
        QFETCH(QString, error);
        storePort(stored);
        app::Form1 form;
        app::SubMain(form);
        QVERIFY(form.isVisible()); // shown on the error path too
        const QStringList lines = form.Text1->toPlainText().split('\n', Qt::SkipEmptyParts);
        if (error.isEmpty()) {
            QCOMPARE(form.List1->currentIndex(), index);
            QCOMPARE(lines, QStringList{"Select port number and click Download to begin"});
        } else {
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines[1].startsWith(error), qPrintable(lines[1]));
        }
    }

    void folderErrorIsEmptiedByStartUp() {
        app::Form1 form;
        {
            ReadOnlyFolder guard(dir.path());
            app::SubMain(form);
        }
        QCOMPARE(form.Text1->toPlainText(),
                 QString("Select port number and click Download to begin\n"));
    }

    void layoutInTwips() {
        app::Form1 form;
        QCOMPARE(form.size(), QSize(509, 289));
        QCOMPARE(form.windowTitle(), QString("ZURO Ruve"));
        QCOMPARE(form.cmdDownload->geometry(), QRect(136, 248, 121, 33));
        QCOMPARE(form.Text1->geometry(), QRect(8, 8, 489, 201));
        QCOMPARE(form.Text2->geometry(), QRect(8, 216, 489, 25));
        QCOMPARE(form.Label1->geometry(), QRect(8, 248, 49, 25));
        QCOMPARE(form.List1->geometry(), QRect(64, 248, 65, 32));
        QCOMPARE(form.cmdClear->geometry(), QRect(424, 248, 73, 33));
        QCOMPARE(form.cmdClear->text(), QString("Clear"));
        QCOMPARE(form.Label1->text(), QString("Port"));
        QVERIFY(!form.List1->isEditable());
        QCOMPARE(form.Text1->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(form.font().pointSizeF(), 13.5);
        QVERIFY(!form.windowIcon().isNull());
        // Tab order: Download, Excel, Text1, Text2, List1, Clear.
        const QList<QWidget*> order{form.cmdDownload, form.cmdExcel, form.Text1,
                                    form.Text2,       form.List1,    form.cmdClear};
        QWidget* w = form.cmdDownload;
        for (qsizetype i = 1; i < order.size(); ++i) {
            do
                w = w->nextInFocusChain();
            while (!order.contains(w) && w != &form);
            QCOMPARE(w, order[i]);
        }
    }

    void buttonsDisableAroundDialogue() {
        app::Form1 form;
        app::SubMain(form);
        QList<bool> seen;
        form.onDownload = [&] {
            seen = {form.List1->isEnabled(),    form.cmdDownload->isEnabled(),
                    form.cmdExcel->isEnabled(), form.cmdClear->isEnabled(),
                    form.Text1->isEnabled(),    form.Text2->isEnabled()};
        };
        QTest::mouseClick(form.cmdDownload, Qt::LeftButton);
        QCOMPARE(seen, (QList<bool>{false, false, false, false, true, true}));
        QVERIFY(form.cmdDownload->isEnabled() && form.cmdClear->isEnabled() &&
                form.List1->isEnabled() && form.cmdExcel->isEnabled());
        QVERIFY(!form.cmdExcel->isVisible());
    }

    void escapedErrorIsOneLineAndControlsReturn() {
        app::Form1 form;
        app::SubMain(form);
        form.onClear = [] { throw std::runtime_error("something broke"); };
        QTest::mouseClick(form.cmdClear, Qt::LeftButton);
        QVERIFY(form.Text1->toPlainText().endsWith("ERROR: something broke\n"));
        QVERIFY(form.cmdClear->isEnabled());
    }

    void logLines() {
        app::Form1 form;
        app::StatusLog& log = form.log();
        log.LogLine("");
        log.LogLine("A");
        log.LogLine("B");
        QCOMPARE(form.Text1->toPlainText(), QString("A\nB\n"));
        // The caret ends at the end of the last line written, with no selection.
        QCOMPARE(form.Text1->textCursor().position(), 3);
        QVERIFY(!form.Text1->textCursor().hasSelection());
        log.LogLine("");
        QCOMPARE(form.Text1->toPlainText(), QString());
        log.LogLine("C");
        QCOMPARE(form.Text1->toPlainText(), QString("C\n"));
        log.LogLine(" ");
        QCOMPARE(form.Text1->toPlainText(), QString("C\n \n"));
        log.LogLine("two\r\nlines");
        QCOMPARE(form.Text1->toPlainText(), QString("C\n \ntwo\nlines\n"));
        QCOMPARE(form.Text1->textCursor().position(), 13);
    }

    void typedTextStaysAndNextLineFollowsIt() {
        app::Form1 form;
        form.log().LogLine("");
        form.log().LogLine("first");
        form.Text1->moveCursor(QTextCursor::End);
        QTest::keyClicks(form.Text1, "typed");
        form.log().LogLine("next");
        QCOMPARE(form.Text1->toPlainText(), QString("first\ntypednext\n"));
    }

    void statusLine() {
        app::Form1 form;
        form.log().LogLine("");
        form.log().LogLine("kept");
        form.log().SetStatus("Received 600 bytes");
        QCOMPARE(form.Text2->text(), QString("Received 600 bytes"));
        form.log().SetStatus("");
        QCOMPARE(form.Text2->text(), QString());
        QCOMPARE(form.Text1->toPlainText(), QString("kept\n"));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
