// zelm-view's menus and the commands behind them: opening and reloading, exports with a suggested
// name and the filter's suffix, printing, the zoom and pan keys, the lines shown, the Sensors
// dialog, the manual and About.

#include "view/manual/manual.h"
#include "view/model/history.h"
#include "view/window/chartpanel.h"
#include "view/window/plaintext.h"
#include "view/window/printing.h"
#include "view/window/viewer.h"

#include "files/regularfile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

namespace view {
inline namespace window {

void Viewer::buildMenus() {
    // Every entry has a letter of its own within its menu (Alt+F, then the letter).
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open files…"), QKeySequence::Open, this, [this] {
        const QStringList paths = QFileDialog::getOpenFileNames(
            this, QStringLiteral("Open reports"), keptFolder_,
            QStringLiteral("Reports (*.dat out-*.txt);;All files (*)"));
        if (!paths.isEmpty())
            openChosen(paths);
    });
    file->addAction(QStringLiteral("Open &folder…"), this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Open a folder of reports"), keptFolder_);
        if (!folder.isEmpty())
            openChosen({folder});
    });
    file->addAction(QStringLiteral("Re&load"), QKeySequence::Refresh, this, &Viewer::reload)
        ->setStatusTip(QStringLiteral("Read the files new in the folders open"));
    file->addSeparator();
    const auto exportAction = [&](const QString& text, Export kind) {
        file->addAction(text, this, [this, kind] { exportChosen(kind); });
    };
    exportAction(QStringLiteral("Export charts as &PNG…"), Export::Png);
    exportAction(QStringLiteral("Export charts as &SVG…"), Export::Svg);
    exportAction(QStringLiteral("Export readings as &CSV…"), Export::Csv);
    exportAction(QStringLiteral("Export s&tatistics as CSV…"), Export::Statistics);
    exportAction(QStringLiteral("Export &report as PDF…"), Export::Pdf);
    file->addAction(QStringLiteral("Pr&int report…"), QKeySequence::Print, this,
                    &Viewer::printReport);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    menuBar()
        ->addMenu(QStringLiteral("&Sensors"))
        ->addAction(QStringLiteral("&Names, calibration and limits…"), this, &Viewer::editSensors);

    // The zoom and pan keys act where a chart has the focus (eventFilter): as shortcuts they
    // would take a letter from a menu that is open. The entries name them.
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu->addAction(QStringLiteral("Zoom &in\t+"), this, [this] { zoomBy(0.8); });
    viewMenu->addAction(QStringLiteral("Zoom &out\t−"), this, [this] { zoomBy(1.25); });
    viewMenu->addAction(QStringLiteral("Pan &left\t←"), this, [this] { panBy(-0.2); });
    viewMenu->addAction(QStringLiteral("Pan ri&ght\t→"), this, [this] { panBy(0.2); });
    QAction* reset =
        viewMenu->addAction(QStringLiteral("&Reset zoom\tHome"), this, [this] { resetZoom(); });
    reset->setIconText(QStringLiteral("Reset zoom"));
    reset->setToolTip(QStringLiteral("Every chart back to the whole time range (Home)"));
    addToolBar(QStringLiteral("Zoom"))->addAction(reset);
    QMenu* lines = viewMenu->addMenu(QStringLiteral("Lines &shown"));
    connect(lines, &QMenu::aboutToShow, this, [this, lines] { fillLines(lines); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Manual"), QKeySequence::HelpContents, this,
                    &Viewer::showManual);
    help->addAction(QStringLiteral("&About %1").arg(kViewerName), this, &Viewer::showAbout);
}

bool Viewer::eventFilter(QObject* watched, QEvent* event) {
    // The charts' keys act where a chart has the focus; a menu that is open takes its keys first,
    // so its letters are never taken for a zoom.
    if (watched != charts_ || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(0.8);
        return true;
    case Qt::Key_Minus:
        zoomBy(1.25);
        return true;
    case Qt::Key_Left:
        panBy(-0.2);
        return true;
    case Qt::Key_Right:
        panBy(0.2);
        return true;
    case Qt::Key_Home:
    case Qt::Key_R:
    case Qt::Key_Escape:
        resetZoom();
        return true;
    default:
        return false;
    }
}

void Viewer::fillLines(QMenu* menu) {
    menu->clear();
    for (ChartPanel* panel : std::as_const(panels_)) {
        const ChartView& chart = panel->chartView();
        QMenu* of = menu->addMenu(chart.quantity->title);
        for (int i = 0; i < chart.quantity->series.size(); ++i) {
            if (!chart.drawn.value(i))
                continue;
            QAction* line = of->addAction(chart.quantity->series[i].label);
            line->setCheckable(true);
            line->setChecked(!chart.hidden.value(i));
            connect(line, &QAction::toggled, panel,
                    [panel, i](bool on) { panel->setLineHidden(i, !on); });
        }
    }
    if (menu->isEmpty())
        menu->addAction(QStringLiteral("No chart"))->setEnabled(false);
}

bool Viewer::exportTo(Export kind, const QString& path, QString& error) const {
    // Never over what is shown: a file read, or the settings, by whatever name.
    for (const QString& input : document_.report.files + QStringList{settingsPath_})
        if (files::sameFile(path, input)) {
            error = QStringLiteral("%1 is %2, which is read: nothing written")
                        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(input));
            return false;
        }
    ChartChoice choice{document_.drawnOf(tickedSensors()), range_, {}};
    for (const ChartPanel* panel : panels_)
        choice.hidden.append(panel->chartView().hidden);
    return writeExport(kind, path, document_, choice, error);
}

void Viewer::exportChosen(Export kind) {
    if (exportFolder_.isEmpty()) // the documents, or home where there are none yet
        for (const auto where : {QStandardPaths::DocumentsLocation, QStandardPaths::HomeLocation})
            if (exportFolder_.isEmpty() &&
                QFileInfo(QStandardPaths::writableLocation(where)).isDir())
                exportFolder_ = QStandardPaths::writableLocation(where);
    // A CSV for programs, or one a spreadsheet reads in this locale; where the locale writes a
    // decimal comma, the spreadsheet's is offered first.
    QList<Export> kinds{kind};
    if (const auto sheet = spreadsheetOf(kind)) {
        kinds.append(*sheet);
        if (QLocale().decimalPoint() == QLatin1String(","))
            std::swap(kinds[0], kinds[1]);
    }
    QFileDialog dialog(this, QStringLiteral("Export %1").arg(exportWhat(kind)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const Export k : kinds)
        filters.append(exportFilter(k));
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(exportSuffix(kind));
    dialog.setDirectory(exportFolder_);
    dialog.selectFile(suggestedName(document_, kind));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    kind = kinds.value(filters.indexOf(dialog.selectedNameFilter()), kinds.first());
    const QString path = withSuffix(dialog.selectedFiles().first(), kind);
    exportFolder_ = QFileInfo(path).absolutePath();
    QString error;
    if (exportTo(kind, path, error))
        statusBar()->showMessage(
            QStringLiteral("Wrote %1 to %2").arg(exportWhat(kind), QDir::toNativeSeparators(path)),
            10000);
    else
        warnPlain(this, error);
}

void Viewer::printReport() {
    QString said, error;
    if (printDocument(this, document_, document_.drawnOf(tickedSensors()), said, error)) {
        if (!said.isEmpty())
            statusBar()->showMessage(said, 10000);
    } else {
        warnPlain(this, error);
    }
}

void Viewer::showManual() {
    manual::show(this, QStringLiteral("viewer"));
}

void Viewer::showAbout() {
    QMessageBox::about(
        this, QStringLiteral("About %1").arg(kViewerName),
        QStringLiteral("<p><b>%4 %1</b> (zelm-view): charts and statistics of ZELM reports and "
                       "of their history, part of ZURORUVE.</p>"
                       "<p>Licence: GNU General Public License, version 3 or later. This "
                       "program comes with no warranty.</p>"
                       "<p>Built with Qt %2, running with Qt %3.</p>")
            .arg(QApplication::applicationVersion(), QStringLiteral(QT_VERSION_STR),
                 QString::fromLatin1(qVersion()), kViewerName));
}

} // namespace window
} // namespace view
