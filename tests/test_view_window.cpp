// zelm-view's window and program: the Sensors dialog, names and markup shown as text, the window
// and its keys, the manual, following a history, --verify, and the files the program writes
// without a window (whole, never onto an input). CTest runs it under TZ=UTC and
// TZ=Europe/Berlin, as the model's suite.

#include "support/viewrig.h"

#include "report/journal.h"
#include "settings/profile.h"
#include "view/manual/manual.h"
#include "view/model/history.h"
#include "view/model/sensoredits.h"
#include "view/render/pdfreport.h"
#include "view/render/readoutsummary.h"
#include "view/window/chartpanel.h"
#include "view/window/sensorsdialog.h"
#include "view/window/viewer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>

class TestViewWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { skipWithoutZoneData(); }

    // A name in any script, typed in the dialog, is written as UTF-8 and read back, beside names
    // of a file saved as UTF-8 or, on a western Windows, in its ANSI code page.
    void unicodeNames_data() {
        QTest::addColumn<QByteArray>("cellar"); // "Kühlraum" as the file holds it
        QTest::newRow("UTF-8") << QByteArray("K\xC3\xBChlraum");
        QTest::newRow("ANSI") << QByteArray("K\xFChlraum");
    }
    void unicodeNames() {
        QFETCH(QByteArray, cellar);
        if (kWindows && cellar.contains('\xFC') && QString::fromLocal8Bit("\xFC") != u"ü")
            QSKIP("the ANSI code page is not a western one");
        QTemporaryDir dir;
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, "[ZuroRuve]\r\nPort=4\r\n[Sensor RX 00041]\r\nName=" + cellar + "\r\n");
        view::SensorsDialog dialog({"TX 00007", "RX 00041"}, view::readSensorSettings(ini));
        QTableWidget* table = dialog.table();
        const auto nameOf = [&](const QString& sensor) {
            for (int row = 0; row < table->rowCount(); ++row)
                if (table->item(row, 0)->text().contains(sensor))
                    return table->item(row, 1);
            return static_cast<QTableWidgetItem*>(nullptr);
        };
        QCOMPARE(nameOf("RX 00041")->text(), "Kühlraum");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        table->editItem(nameOf("TX 00007"));
        for (const QChar c :
             QStringLiteral("Морозильник №2")) // typed as a keyboard layout types it
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, c,
                                Qt::NoModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QString error;
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QVERIFY(
            readAll(ini).contains("Name=" + QStringLiteral("Морозильник №2").toUtf8() + "\r\n"));
        const view::SensorSettings read = view::readSensorSettings(ini);
        QCOMPARE(read.of("TX 00007")->name, "Морозильник №2");
        QCOMPARE(read.of("RX 00041")->name, "Kühlraum");
        QCOMPARE(settings::getProfileString("ZuroRuve", "Port", "", ini), "4");
    }

    // The Sensors dialog refuses what it cannot store, and its OK writes only what changed: the
    // port, lines it cannot use and a long name stay as they are.
    void sensorsDialog() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("ZURORUVE.INI");
        const QByteArray unused = "[Sensor RX 00099]\r\nName=" + QByteArray(357, 'x') +
                                  "\r\nGain=1,5\r\nColour=red\r\nRxLow=9\r\nRxHigh=8\r\n";
        writeAll(ini, "[ZuroRuve]\r\nPort=4\r\n" + unused);
        view::SensorsDialog dialog({"TX 00007", "BT 00:1A:2B:3C:4D:5E"},
                                   view::readSensorSettings(ini));
        QString error;
        QVERIFY(dialog.edits().isEmpty());
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QCOMPARE(readAll(ini), "[ZuroRuve]\r\nPort=4\r\n" + unused);
        QTableWidget* table = dialog.table();
        QCOMPARE(table->rowCount(), 4); // all sensors, the two read, the one only the file names
        QVERIFY(table->columnWidth(0) >
                table->fontMetrics().horizontalAdvance(table->item(2, 0)->text()));
        const auto cell = [&](int row, const char* header) {
            for (int c = 0; c < table->columnCount(); ++c)
                if (table->horizontalHeaderItem(c)->text().replace('\n', ' ').section(" (", 0, 0) ==
                    header)
                    return table->item(row, c);
            return static_cast<QTableWidgetItem*>(nullptr);
        };
        for (const char* none : {"Humidity low", "Gain 2"}) // a TX has neither
            QVERIFY(!(cell(1, none)->flags() & Qt::ItemIsEditable));
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled() && !cell(3, "Gain")->toolTip().isEmpty()); // marked, as written
        QCOMPARE(cell(3, "Gain")->text(), "1,5");
        for (const auto& [row, header, text, valid] : {std::tuple{1, "Gain", "0", false},
                                                       {1, "Gain", "1,02", false},
                                                       {1, "Gain", "1.02", true},
                                                       {1, "Offset", "0,500", false},
                                                       {1, "Offset", "", true},
                                                       {0, "Temperature low", "9", true},
                                                       {0, "Temperature high", "8", false},
                                                       {0, "Temperature high", "", true},
                                                       {1, "Temperature high", "5", false},
                                                       {1, "Temperature high", "12", true},
                                                       {3, "RX low", "10", false},
                                                       {3, "RX high", "", true}}) {
            cell(row, header)->setText(text);
            QCOMPARE(ok->isEnabled(), valid);
            QCOMPARE(dialog.problems().isEmpty(), valid);
            QCOMPARE(cell(row, header)->toolTip().isEmpty(), valid); // the reason at the cell
        }
        // Keys: Return in a cell not being edited edits it and presses no OK; Delete clears the
        // cells chosen that can be edited.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        table->setFocus();
        table->setCurrentItem(cell(2, "Name"));
        QTest::keyClick(table, Qt::Key_Return);
        QVERIFY(dialog.isVisible() && QApplication::focusWidget() != table);
        QTest::keyClicks(QApplication::focusWidget(), "Store room");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(cell(2, "Name")->text(), "Store room");
        // Where the locale writes a decimal comma, one typed is a point before it is checked;
        // the headings name the units.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        table->setCurrentItem(cell(2, "Temperature high"));
        QTest::keyClick(table, Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), "12,5");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QLocale::setDefault(QLocale::c());
        QTRY_COMPARE(cell(2, "Temperature high")->text(), "12.5");
        QVERIFY(ok->isEnabled());
        QVERIFY(
            table->horizontalHeaderItem(cell(2, "Humidity low")->column())->text().endsWith("(%)"));
        QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
        table->clearSelection();
        for (const char* header : {"Sensor", "Offset", "Gain"})
            cell(1, header)->setSelected(true);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(cell(1, "Sensor")->text() + cell(1, "Offset")->text() + cell(1, "Gain")->text(),
                 "TX 00007");
        // Without a sensor's row the helper asks for one, and the hint goes once one is chosen;
        // the helper is titled by the sensor's name, its fields by the value's unit.
        const auto twoPoint = [&] {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text().startsWith("Two-point"))
                    b->click();
        };
        const auto hinted = [&] {
            for (QLabel* label : dialog.findChildren<QLabel*>())
                if (label->text() == "Choose a sensor's row first.")
                    return true;
            return false;
        };
        table->setCurrentCell(0, 0);
        twoPoint();
        QVERIFY(hinted());
        table->setCurrentCell(2, 0);
        QVERIFY(!hinted());
        QString title, unit;
        QTimer::singleShot(0, [&] {
            auto* ask = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            title = ask->windowTitle();
            for (QLabel* label : ask->findChildren<QLabel*>())
                if (label->text().startsWith("Reading 1"))
                    unit = label->text();
            ask->reject();
        });
        twoPoint();
        QCOMPARE(title, "Two-point calibration of Store room (BT 00:1A:2B:3C:4D:5E)");
        QCOMPARE(unit, "Reading 1 (as decoded, °C):");
        // The two-point helper fills the chosen sensor's first calibration, rounded.
        table->setCurrentCell(1, 0);
        QTimer::singleShot(0, [] {
            auto* ask = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            const QStringList points{"0", "0", "24.9", "25"};
            for (int i = 0; i < 4; ++i)
                ask->findChildren<QLineEdit*>()[i]->setText(points[i]);
            ask->accept();
        });
        twoPoint();
        QCOMPARE(cell(1, "Offset")->text() + '|' + cell(1, "Gain")->text(), "0|1.00402");
        QVERIFY(view::writeSensorEdits(ini, dialog.edits(), error));
        QCOMPARE(settings::getProfileString("ZuroRuve", "Port", "", ini), "4");
        const QByteArray written = readAll(ini);
        QVERIFY(written.contains("Name=" + QByteArray(357, 'x') +
                                 "\r\nGain=1,5\r\nColour=red\r\n"
                                 "RxLow=10\r\n[")); // no RxHigh
        const view::SensorSettings read = view::readSensorSettings(ini);
        QCOMPARE(dec(read.of("TX 00007")->field[view::Gain]), "1.00402");
        QCOMPARE(dec(read.of("TX 00007")->field[view::TemperatureHigh]), "12");
        QCOMPARE(read.of("BT 00:1A:2B:3C:4D:5E")->name, "Store room");
        QCOMPARE(dec(read.of("BT 00:1A:2B:3C:4D:5E")->field[view::TemperatureHigh]), "12.5");
        QCOMPARE(dec(read.of("RX 00099")->field[view::RxLow]), "10");
        QCOMPARE(dec(read.limits.field[view::TemperatureLow]), "9");
    }

    // Names, file names and settings lines that look like markup show as written: labels as
    // plain text, tooltips escaped (rich text whose text is the line as written).
    void markupShownAsText() {
        QTemporaryDir dir;
        const QString markup = "<b>x<img src=secret.png>";
        // Windows takes no "<" in a file name; an entity is markup too, shown as "<" were it read.
        const QString file = kWindows ? "&lt;b&gt;secret" : markup;
        writeAll(dir.filePath(file + ".dat"), tx("260302000000", 1, 5));
        writeAll(dir.filePath(file + ".txt"), "not a report\n");
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, ("[Sensor TX 00001]\nName=" + markup + "\nGain=" + markup + "\n").toUtf8());
        view::Viewer viewer;
        QString why, error;
        viewer.setSettingsFile(ini, why);
        QVERIFY(viewer.open({dir.path()}, error));
        view::SensorsDialog dialog({"TX 00001"}, viewer.document().settings, nullptr);
        int tips = 0, labels = 0;
        for (QWidget* top : {static_cast<QWidget*>(&viewer), static_cast<QWidget*>(&dialog)}) {
            for (QWidget* w : top->findChildren<QWidget*>()) {
                if (w->toolTip().contains("secret")) { // as Qt shows a tooltip
                    QTextDocument shown;
                    if (Qt::mightBeRichText(w->toolTip()))
                        shown.setHtml(w->toolTip());
                    else
                        shown.setPlainText(w->toolTip());
                    QVERIFY2(shown.toPlainText().contains(file), qPrintable(w->toolTip()));
                    ++tips;
                }
                const auto* label = qobject_cast<QLabel*>(w);
                if (label && label->text().contains(markup)) {
                    QCOMPARE(label->textFormat(), Qt::PlainText);
                    ++labels;
                }
            }
        }
        QCOMPARE(tips, 2);   // the status bar's: what was skipped, the line ignored; what was read
        QCOMPARE(labels, 2); // what was read, in the status bar; the dialog's lines not used
        viewer.showNothing(markup); // a message that names a file
        labels = 0;
        for (const QLabel* label : viewer.findChildren<QLabel*>())
            labels += label->text() == markup && label->textFormat() == Qt::PlainText;
        QCOMPARE(labels, 2); // on the page, and in the status bar
    }

    // The window: a first size that fits the screen; the wheel scrolls the page, Ctrl and the
    // wheel zoom about the pointer; the zoom stays when the settings change, and a mended
    // settings line is no longer told; the statistics head each column once; exports suggest a
    // name and take the filter's suffix.
    void window() {
        QTemporaryDir dir;
        QByteArray records;
        QDateTime at(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 100; ++i, at = at.addSecs(300))
            records += tx(at, 1, 5 + i % 3) + (i % 2 ? tx(at, 2, 8) : QByteArray());
        writeAll(dir.filePath("in.dat"), records);
        const QString ini = dir.filePath("ZURORUVE.INI");
        writeAll(ini, "[Sensor TX 00001]\nGain=0\n");
        view::Viewer viewer;
        QCOMPARE(viewer.size().boundedTo(viewer.screen()->availableGeometry().size()),
                 viewer.size());
        QString why, error;
        viewer.setSettingsFile(ini, why);
        QVERIFY(viewer.open({dir.filePath("in.dat")}, error));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.document().perSensor, (QList<qint64>{100, 50}));
        QCOMPARE(viewer.settingsIgnored().size(), 1);
        // An export never lands on what is shown, by whatever name.
        for (const QString& shown :
             {ini, dir.path() + "/../" + QFileInfo(dir.path()).fileName() + "/in.dat"})
            QVERIFY(!viewer.exportTo(view::Export::Csv, shown, error) &&
                    error.endsWith("which is read: nothing written"));
        QCOMPARE(readAll(dir.filePath("in.dat")), records);
        const view::TimeRange whole = viewer.timeRange();
        QCOMPARE(whole.span(), 99 * 300 * 1000.0);
        auto* panel = viewer.findChild<view::ChartPanel*>();
        const QRect plot = view::plotRect(panel->rect());
        const QPointF middle(plot.left() + plot.width() / 2.0, plot.top() + 10);
        for (const auto modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
            QWheelEvent wheel(middle, panel->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(panel, &wheel);
            QCOMPARE(wheel.isAccepted(), modifiers == Qt::ControlModifier);
        }
        QVERIFY(std::abs(viewer.timeRange().x0 - whole.x0 - 0.1 * whole.span()) < 1 &&
                std::abs(viewer.timeRange().span() - 0.8 * whole.span()) < 1);
        viewer.panBy(1); // stops at the end
        const view::TimeRange zoomed = viewer.timeRange();
        QCOMPARE(zoomed, (view::TimeRange{whole.x1 - 0.8 * whole.span(), whole.x1}));
        writeAll(ini, "[Sensor TX 00001]\nGain=2\nName=Fridge\n");
        viewer.setSettingsFile(ini, why);
        QCOMPARE(viewer.timeRange(), zoomed);
        QVERIFY(viewer.settingsIgnored().isEmpty() &&
                view::remarksOf(viewer.document().report).isEmpty());
        QCOMPARE(viewer.findChild<view::ChartPanel*>()->timeRange(), zoomed);
        // The Sensors dialog's OK writes what changed and shows it at once, the zoom kept.
        QTimer::singleShot(0, &viewer, [] {
            auto* dialog = qobject_cast<view::SensorsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->table()->item(2, 1)->setText("Cellar"); // TX 00002's name
            dialog->accept();
        });
        viewer.editSensors();
        QVERIFY(readAll(ini).contains("[Sensor TX 00002]\r\nName=Cellar\r\n"));
        QCOMPARE(viewer.document().shown[1].name, "Cellar");
        QCOMPARE(viewer.timeRange(), zoomed);

        view::StatisticsTable table;
        table.setStatistics(viewer.document().statistics);
        QSet<QString> headings;
        for (int c = 0; c < table.columnCount(); ++c)
            headings.insert(table.headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headings.size(), 22);
        QCOMPARE(table.headerData(0, Qt::Vertical).toString(), "Fridge · TX 00001");
        // Units in the cells, the list by name with a word to its counts, the program's name.
        QCOMPARE(
            view::StatisticsTable::shownCell(table.statistics()[0], view::StatisticsTable::Maximum),
            "14.0 °C");
        auto* list = viewer.findChild<QListWidget*>("sensors");
        QCOMPARE(list->item(0)->text(), "Cellar · TX 00002  (50 readings)");
        QCOMPARE(list->item(1)->text(), "Fridge · TX 00001  (100 readings)");
        QCOMPARE(viewer.windowTitle(), "in.dat – ZELM Report Viewer");
        // Space ticks a sensor, and the list's ticks decide what is drawn.
        list->setFocus();
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(viewer.tickedSensors(), (QList<bool>{true, false}));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(view::suggestedName(viewer.document(), view::Export::Pdf),
                 "zelm-report-2026-03-02-2026-03-02.pdf");
        QCOMPARE(view::withSuffix("r", view::Export::Statistics), "r.csv");
        QCOMPARE(view::withSuffix("r.txt", view::Export::Png), "r.txt");
        // The size it closes with is the size it opens with.
        viewer.resize(700, 500);
        QTRY_COMPARE(viewer.size(), QSize(700, 500));
        viewer.close();
        view::Viewer again;
        again.setSettingsFile(ini, why);
        QCOMPARE(again.size(), QSize(700, 500));
    }

    // The history follows its folder: a file added appears without a reload, read alone (its
    // readings are counted once, the others not read again); Reload reads nothing where nothing
    // is new, and everything again where a file read before changed.
    // The kept reports against their journal: zelm-view --verify, the window's mark with each
    // problem in its tooltip, and the PDF's words.
    void verify_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("said"); // by --verify; %d the folder
        QTest::addColumn<QString>("mark");
        const QString fine = "%d: 2 kept files as the journal has them";
        QTest::newRow("as kept") << "" << 0 << QStringList{fine} << "Verified";
        QTest::newRow("kept before the journal began")
            << "found" << 0 << QStringList{fine} << "Verified";
        QTest::newRow("a byte changed")
            << "changed" << 1
            << QStringList{"DATA/in-1.dat: changed since it was kept",
                           "%d: 1 problem, 1 kept file as the journal has them"}
            << "1 problem";
        QTest::newRow("a file missing")
            << "missing" << 1
            << QStringList{"DATA/in-2.dat: missing", "%d: 1 problem, 1 kept file as the "
                                                     "journal has them"}
            << "1 problem";
        QTest::newRow("a file added")
            << "added" << 1
            << QStringList{"DATA/in-3.dat: not in the journal",
                           "%d: 1 problem, 2 kept files as the journal has them"}
            << "1 problem";
        QTest::newRow("a line damaged")
            << "damaged" << 1
            << QStringList{"DATA/readouts.log line 2: not a line of the journal",
                           "DATA/in-1.dat: not in the journal",
                           "%d: 2 problems, 1 kept file as the journal has them"}
            << "2 problems";
        QTest::newRow("no journal") << "none" << 2
                                    << QStringList{"%d: no journal of read-outs (readouts.log): "
                                                   "nothing to verify"}
                                    << "No journal";
    }
    void verify() {
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QStringList, said);
        QFETCH(QString, mark);
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        QDir().mkpath(data);
        const QDateTime start(QDate(2026, 3, 2), QTime(0, 0));
        for (int n = 1; n <= 2; ++n) {
            const QString kept = data + QString("/in-%1.dat").arg(n);
            writeAll(kept, tx(start.addSecs(300 * n), n, 5));
            report::JournalLine line{start, "read", "test", "COM3", 19, "whole", kept, {}};
            QString why;
            QVERIFY2(fault == "found" && n == 1 ? true : report::writeJournal(data, line, why),
                     qPrintable(why));
        }
        const QString journal = data + "/readouts.log";
        if (fault == "changed")
            writeAll(data + "/in-1.dat", tx(start, 1, 6));
        if (fault == "missing")
            QFile::remove(data + "/in-2.dat");
        if (fault == "added")
            writeAll(data + "/in-3.dat", tx(start, 3, 5));
        if (fault == "damaged") { // the first read's line
            QByteArray lines = readAll(journal);
            writeAll(journal, lines.replace(lines.indexOf("\tread\t"), 6, "\tred\t"));
        }
        if (fault == "none")
            QVERIFY(QFile::remove(journal));
        QProcess view;
        view.start(ZELM_VIEW, {"--verify", data});
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), status);
        QCOMPARE(
            QString::fromLocal8Bit(view.readAllStandardOutput()).remove('\r').trimmed().split('\n'),
            said.replaceInStrings("%d", QDir::toNativeSeparators(data))
                .replaceInStrings("DATA/", QDir::toNativeSeparators("DATA/")));
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({data}, error));
        QCOMPARE(viewer.verificationMark()->text(), mark);
        for (const QString& problem : said.mid(0, said.size() - 1))
            QVERIFY(
                viewer.verificationMark()->toolTip().contains(QDir::fromNativeSeparators(problem)));
        // The PDF says so in the words the document has.
        const QString words = viewer.document().verification;
        QVERIFY(words.startsWith(status == 0 ? "Verified" : status == 1 ? "NOT verified" : "Not"));
        bool printed = false;
        for (const view::PdfText& text : view::pdfTexts(viewer.document(), {}))
            printed = printed || text.text == words;
        QVERIFY(printed);
    }

    void followAndReload() {
        QTemporaryDir dir;
        const QDateTime start(QDate(2026, 3, 2), QTime(0, 0));
        QByteArray first, second;
        for (int i = 0; i < 20; ++i)
            first += tx(start.addSecs(300 * i), 1, 5);
        for (int i = 10; i < 30; ++i) // half of it repeated
            second += tx(start.addSecs(300 * i), 1, 5) + tx(start.addSecs(300 * i), 2, 3);
        writeAll(dir.filePath("in-1.dat"), first);
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({dir.path()}, error));
        QCOMPARE(viewer.followedFolders(), QStringList{QFileInfo(dir.path()).absoluteFilePath()});
        writeAll(dir.filePath("in-2.dat"), second);
        QTRY_COMPARE_WITH_TIMEOUT(viewer.document().report.files.size(), 2, 10000);
        const view::Report& r = viewer.document().report;
        QCOMPARE(r.read, 20 + 40); // the first file not read again
        QCOMPARE(r.repeated, 10);
        QCOMPARE(viewer.document().perSensor, (QList<qint64>{30, 20}));
        viewer.reload(); // nothing new
        QCOMPARE(viewer.document().report.read, 60);
        writeAll(dir.filePath("in-1.dat"), first.left(5 * report::kRecordSize)); // changed
        writeAll(dir.filePath("notes.txt"), "not a report\n");
        viewer.reload();
        const view::Report again = view::readHistory({dir.path()});
        QCOMPARE(viewer.document().report.read, again.read);
        QCOMPARE(viewer.document().report.readings.size(), again.readings.size());
        QCOMPARE(view::remarksOf(viewer.document().report), view::remarksOf(again));
    }

    // Help and keys: F1 opens the manual written for users at the viewer's part; every menu
    // entry has a letter of its own; a menu open takes its keys (Escape closes it and leaves the
    // zoom); the chart with the keys shows it.
    void manualAndKeys() {
        QTemporaryDir dir;
        QByteArray records;
        for (int i = 0; i < 50; ++i)
            records += tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)).addSecs(300 * i), 1, i % 7);
        writeAll(dir.filePath("in.dat"), records);
        view::Viewer viewer;
        QString error;
        QVERIFY(viewer.open({dir.filePath("in.dat")}, error));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        for (QAction* menu : viewer.menuBar()->actions()) {
            QSet<QChar> letters;
            for (QAction* a : menu->menu()->actions()) {
                const QString text = a->text();
                const qsizetype amp = text.indexOf(u'&');
                QVERIFY2(a->isSeparator() ||
                             (amp >= 0 && !letters.contains(text[amp + 1].toLower())),
                         qPrintable(text));
                if (amp >= 0)
                    letters.insert(text[amp + 1].toLower());
            }
        }
        auto* panel = viewer.findChild<view::ChartPanel*>();
        QTRY_VERIFY(panel->hasFocus());
        const QColor frame = panel->palette().color(QPalette::Highlight);
        QCOMPARE(panel->grab().toImage().pixelColor(1, 1), frame);
        viewer.zoomBy(0.5);
        const view::TimeRange zoomed = viewer.timeRange();
        QTest::keyClick(&viewer, Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(viewer.timeRange(), zoomed);
        QTest::keyClick(&viewer, Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O); // Zoom out
        QTRY_VERIFY(viewer.timeRange().span() > zoomed.span());
        QTest::keyClick(panel, Qt::Key_R); // on the chart, R resets
        QCOMPARE(viewer.timeRange(), viewer.document().span);
        panel->clearFocus();
        QVERIFY(panel->grab().toImage().pixelColor(1, 1) != frame);
        QTest::keyClick(&viewer, Qt::Key_F1);
        auto* manual = viewer.findChild<QDialog*>("manual");
        QVERIFY(manual && manual->isVisible());
        const QString text = manual->findChild<QTextBrowser*>()->toPlainText();
        QVERIFY(text.contains("ZELM Report Viewer") && text.contains("Reset zoom"));
        QVERIFY(!view::manual::text().contains("build/") && !view::manual::text().contains("FIFO"));
        QCOMPARE(view::manual::text().contains("%APPDATA%"), kWindows);
        QCOMPARE(view::manual::text().contains("~/.local/share/ZURORUVE"), !kWindows);
    }

    // An export is written whole or not at all, and never in place of a FIFO or device.
    void exportsWhole_data() {
        QTest::addColumn<QString>("option");
        for (const char* option : {"--png", "--svg", "--csv", "--stats", "--pdf"})
            QTest::newRow(option) << option;
    }
    void exportsWhole() {
#ifdef Q_OS_UNIX
        QFETCH(QString, option);
        QTemporaryDir dir;
        const QString full = dir.filePath("full"), fifo = dir.filePath("out.fifo");
        QDir(dir.path()).mkdir("full");
        writeAll(dir.filePath("in.dat"), tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)), 7, 20));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        Tmpfs disk(full, "size=4k");
        if (!disk.mounted())
            QSKIP("needs a tmpfs mount (root)");
        writeAll(full + "/filler", QByteArray(4096, 'x')); // the disk is full
        for (const auto& [path, why] : {std::pair{full + "/out", "No space left on device"},
                                        { fifo,
                                          "not a regular file" }}) {
            QProcess view;
            view.start(ZELM_VIEW, {option, path, dir.filePath("in.dat")});
            QVERIFY(view.waitForFinished(60000));
            QCOMPARE(view.exitCode(), 1);
            QCOMPARE(view.readAllStandardError().trimmed().split('\n').last(),
                     QStringLiteral("zelm-view: cannot write %1: %2").arg(path, why).toUtf8());
        }
        QCOMPARE(QDir(full).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
#else
        QSKIP("FIFOs and small file systems are made on POSIX");
#endif
    }

    // An output is never one of the files read, by any name; wrong arguments are named; a
    // read-out cut short is read for its whole records and said to be partial; an export
    // replaces a link, not what it leads to.
    void outputsAndInputs_data() {
        QTest::addColumn<QStringList>("args"); // %d the folder: X.dat, s.ini, D/in-1.dat,
        QTest::addColumn<int>("status");       // D/in-2.partial.dat, L a link to X.dat, E a
        QTest::addColumn<QString>("line");     // link elsewhere; the last line on standard error
        const QString over = "zelm-view: the output %1 is the input %2: nothing written";
        QTest::newRow("named twice") << QStringList{"--csv", "%d/X.dat", "%d/X.dat"} << 2
                                     << over.arg("%d/X.dat", "%d/X.dat");
        QTest::newRow("a PDF over its input") << QStringList{"--pdf", "%d/X.dat", "%d/X.dat"} << 2
                                              << over.arg("%d/X.dat", "%d/X.dat");
        QTest::newRow("through its folder") << QStringList{"--csv", "%d/D/in-1.dat", "%d/D"} << 2
                                            << over.arg("%d/D/in-1.dat", "%d/D/in-1.dat");
        QTest::newRow("through a link")
            << QStringList{"--png", "%d/L", "%d/X.dat"} << 2 << over.arg("%d/L", "%d/X.dat");
        QTest::newRow("over the settings")
            << QStringList{"--settings", "%d/s.ini", "--stats", "%d/s.ini", "%d/X.dat"} << 2
            << over.arg("%d/s.ini", "%d/s.ini");
        QTest::newRow("an empty name")
            << QStringList{"--png", "", "%d/X.dat"} << 64 << "zelm-view: --png: an empty file name";
        QTest::newRow("an output twice")
            << QStringList{"--csv", "%d/a.csv", "--csv", "%d/b.csv", "%d/X.dat"} << 64
            << "zelm-view: --csv: given twice";
        QTest::newRow("an unknown option")
            << QStringList{"--bogus", "%d/X.dat"} << 64 << "zelm-view: unknown option --bogus";
        QTest::newRow("a file of the folder that is no report")
            << QStringList{"--csv", "%d/D/notes.txt", "%d/D"} << 0
            << "zelm-view: skipped %d/D/notes.txt: not a report";
        QTest::newRow("a partial read-out")
            << QStringList{"--csv", "%d/a.csv", "%d/D"} << 0
            << "zelm-view: %d/D/in-2.partial.dat is partial: a read-out cut short, its whole "
               "records read";
        QTest::newRow("a link at the output")
            << QStringList{"--csv", "%d/E", "%d/X.dat"} << 0 << "";
    }
    void outputsAndInputs() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        QTemporaryDir dir, other;
        const QString elsewhere = other.filePath("elsewhere");
        const QByteArray x = tx(QDateTime(QDate(2026, 3, 2), QTime(0, 0)), 7, 20),
                         partial = tx(QDateTime(QDate(2026, 3, 3), QTime(0, 0)), 7, 21) + "cut";
        QDir(dir.path()).mkdir("D");
        writeAll(dir.filePath("X.dat"), x);
        writeAll(dir.filePath("s.ini"), "[ZuroRuve]\r\nPort=1\r\n");
        writeAll(dir.filePath("D/in-1.dat"), x);
        writeAll(dir.filePath("D/in-2.partial.dat"), partial);
        writeAll(dir.filePath("D/notes.txt"), "notes");
        writeAll(elsewhere, "elsewhere");
        if (args.contains("%d/L") || args.contains("%d/E")) {
#ifdef Q_OS_UNIX
            QVERIFY(::symlink(QFile::encodeName(dir.filePath("X.dat")),
                              QFile::encodeName(dir.filePath("L"))) == 0);
            QVERIFY(::symlink(QFile::encodeName(elsewhere), QFile::encodeName(dir.filePath("E"))) ==
                    0);
#else
            QSKIP("symbolic links are made on POSIX");
#endif
        }
        QProcess view;
        view.start(ZELM_VIEW, args.replaceInStrings("%d", dir.path()));
        QVERIFY(view.waitForFinished(60000));
        const QString said = QString::fromLocal8Bit(view.readAllStandardError());
        QCOMPARE(view.exitCode(), status);
        if (!line.isEmpty())
            QVERIFY2(said.contains(QDir::toNativeSeparators(line.replace("%d", dir.path())) +
                                   (kWindows ? "\r\n" : "\n")),
                     qPrintable(said));
        // Nothing read was written over; a new file only where something was written.
        QCOMPARE(readAll(dir.filePath("X.dat")) + readAll(dir.filePath("D/in-1.dat")), x + x);
        QCOMPARE(readAll(dir.filePath("D/in-2.partial.dat")), partial);
        QVERIFY(readAll(dir.filePath("s.ini")).startsWith("[ZuroRuve]"));
        QCOMPARE(readAll(elsewhere), "elsewhere");
        QCOMPARE(QFile::exists(dir.filePath("a.csv")),
                 status == 0 && args.contains(dir.filePath("a.csv")));
        if (status == 0 && args.contains("--csv")) // the whole records of every file
            QCOMPARE(readAll(args[1]).count('\n'), args.contains(dir.filePath("D")) ? 3 : 2);
    }

    // Without a window: PNG, SVG and the CSV of the readings of a folder; for files that hold
    // none, nothing is written and one line says what was read.
    void headless() {
        QTemporaryDir dir, other;
        const QString raw = dir.filePath("in.dat"), text = dir.filePath("text.txt");
        const QString png = other.filePath("a.png"), csv = other.filePath("a.csv");
        // Random records of every kind (1 to 4 shown) and hundreds of identifiers, with empty
        // slots, unknown kinds and impossible dates, and a third with the same date and time.
        QByteArray contents(500 * report::kRecordSize, Qt::Uninitialized);
        QRandomGenerator rng(11);
        for (int i = 0; i < contents.size(); ++i)
            contents[i] = char(i % 19 == 8 ? rng.bounded(6) : rng.generate());
        for (int i = 0; i < contents.size(); i += 3 * report::kRecordSize)
            contents.replace(i + 2, 6, hex("240305140709"));
        writeAll(raw, contents);
        writeAll(text, "just text\n");
        for (const auto& [path, error] : {std::pair{dir.filePath("none.dat"), "cannot read"},
                                          {text, "holds no readings"},
                                          {dir.path(), ""}}) {
            QProcess view;
            view.start(ZELM_VIEW, {"--png", png, "--svg", other.filePath("a.svg"), "--csv", csv,
                                   "--stats", other.filePath("s.csv"), path});
            QVERIFY(view.waitForFinished(60000));
            const QByteArray stderrText = view.readAllStandardError();
            QCOMPARE(view.exitCode(), *error ? 1 : 0);
            QCOMPARE(QFile::exists(png), !*error);
            if (*error) // one line, naming the file and what went wrong
                QVERIFY(stderrText.startsWith("zelm-view: ") && stderrText.count('\n') == 1 &&
                        stderrText.contains(error) &&
                        stderrText.contains(QDir::toNativeSeparators(path).toUtf8()));
            else // what was left out, as the window shows it
                QVERIFY(stderrText.contains("zelm-view: skipped " +
                                            QDir::toNativeSeparators(text).toUtf8() +
                                            ": not a report"));
        }
        // Many sensors: every one in the CSV, a page of them drawn.
        const QImage image(png);
        QVERIFY(image.width() <= 1200 && image.height() <= 2400);
        QVERIFY(readAll(other.filePath("a.svg")).contains("<svg"));
        QVERIFY(readAll(other.filePath("s.csv")).startsWith("kind,id,name,quantity,readings,"));
        // Settings that are not a regular file: told in the window, one line and nothing done
        // without.
        view::Viewer viewer;
        QString why;
        QVERIFY(!viewer.setSettingsFile(dir.path(), why));
        const QString folder = QDir::toNativeSeparators(dir.path());
        QCOMPARE(viewer.settingsIgnored(), QStringList{folder + " not read: " + why});
        QProcess view;
        view.start(ZELM_VIEW, {"--settings", dir.path(), "--csv", csv, raw});
        QVERIFY(view.waitForFinished(60000));
        QCOMPARE(view.exitCode(), 2);
        QCOMPARE(view.readAllStandardError().trimmed(),
                 "zelm-view: --settings " + folder.toUtf8() + ": not a regular file");
        // The readings are those of the file the program decodes from the raw report, written
        // with a decimal comma, in time order.
        writeAll(other.filePath("out-1.txt"), decodeText(contents, {","}));
        const view::Report decoded = view::readHistory({other.filePath("out-1.txt")});
        QVERIFY(decoded.sensors.size() > 200 && decoded.untimed > 0 && !decoded.skippedLines);
        QCOMPARE(readAll(csv), "time,status,kind,id,value,value2,name\r\n" + csvOf(decoded));
    }
};

QTEST_MAIN(TestViewWindow)
#include "test_view_window.moc"
