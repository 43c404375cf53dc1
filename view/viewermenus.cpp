// zelm-view's menus and the commands behind them: opening, exports with a suggested name and
// the filter's suffix, the zoom and pan keys, the Sensors dialog, the manual and About.

#include "view/chartpanel.h"
#include "view/history.h"
#include "view/plaintext.h"
#include "view/viewer.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace view {

void Viewer::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open files…"), QKeySequence::Open, this, [this] {
        const QStringList paths = QFileDialog::getOpenFileNames(
            this, QStringLiteral("Open reports"), historyFolder(),
            QStringLiteral("Reports (*.dat out-*.txt);;All files (*)"));
        if (!paths.isEmpty())
            openChosen(paths);
    });
    file->addAction(QStringLiteral("Open &folder…"), this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Open a folder of reports"), historyFolder());
        if (!folder.isEmpty())
            openChosen({folder});
    });
    file->addSeparator();
    const auto exportAction = [&](const QString& text, Export kind) {
        file->addAction(text, this, [this, kind] { exportChosen(kind); });
    };
    exportAction(QStringLiteral("Export charts as &PNG…"), Export::Png);
    exportAction(QStringLiteral("Export charts as &SVG…"), Export::Svg);
    exportAction(QStringLiteral("Export readings as &CSV…"), Export::Csv);
    exportAction(QStringLiteral("Export s&tatistics as CSV…"), Export::Statistics);
    exportAction(QStringLiteral("Export &report (PDF)…"), Export::Pdf);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    menuBar()
        ->addMenu(QStringLiteral("&Sensors"))
        ->addAction(QStringLiteral("&Names, calibration and limits…"), this, &Viewer::editSensors);

    // The zoom and pan keys act where the charts are, so that the arrows still move through the
    // sensor list and the statistics.
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    const auto key = [&](const QString& text, const QList<QKeySequence>& keys, auto act) {
        QAction* action = viewMenu->addAction(text, this, act);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        chartsPage_->addAction(action);
        return action;
    };
    key(QStringLiteral("Zoom &in"), {Qt::Key_Plus, Qt::Key_Equal, QKeySequence::ZoomIn},
        [this] { zoomBy(0.8); });
    key(QStringLiteral("Zoom &out"), {Qt::Key_Minus, QKeySequence::ZoomOut},
        [this] { zoomBy(1.25); });
    key(QStringLiteral("Pan &left"), {Qt::Key_Left}, [this] { panBy(-0.2); });
    key(QStringLiteral("Pan &right"), {Qt::Key_Right}, [this] { panBy(0.2); });
    QAction* reset = key(QStringLiteral("&Reset zoom"), {Qt::Key_Home, Qt::Key_R, Qt::Key_Escape},
                         [this] { resetZoom(); });
    reset->setToolTip(QStringLiteral("Every chart back to the whole time range (Home)"));
    addToolBar(QStringLiteral("Zoom"))->addAction(reset);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("zelm-view &manual"), QKeySequence(Qt::Key_F1), this,
                    &Viewer::showManual);
    help->addAction(QStringLiteral("&About zelm-view"), this, &Viewer::showAbout);
}

bool Viewer::exportTo(Export kind, const QString& path, QString& error) const {
    ChartChoice choice{document_.drawnOf(tickedSensors()), range_, {}};
    for (const ChartPanel* panel : panels_)
        choice.hidden.append(panel->chartView().hidden);
    return writeExport(kind, path, document_, choice, error);
}

void Viewer::exportChosen(Export kind) {
    if (exportFolder_.isEmpty())
        exportFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(this, QStringLiteral("Export %1").arg(exportWhat(kind)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(exportFilter(kind));
    dialog.setDefaultSuffix(exportSuffix(kind));
    dialog.setDirectory(exportFolder_);
    dialog.selectFile(suggestedName(document_, kind));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = withSuffix(dialog.selectedFiles().first(), kind);
    exportFolder_ = QFileInfo(path).absolutePath();
    QString error;
    if (exportTo(kind, path, error))
        statusBar()->showMessage(
            QStringLiteral("Wrote %1 to %2").arg(exportWhat(kind), QDir::toNativeSeparators(path)));
    else
        warnPlain(this, error);
}

void Viewer::showManual() {
    // The README's section on zelm-view, built in.
    QFile manual(QStringLiteral(":/zelm-view/manual.md"));
    QString text = manual.open(QIODevice::ReadOnly) ? QString::fromUtf8(manual.readAll())
                                                    : QStringLiteral("See man zelm-view.");
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("zelm-view manual"));
    auto* browser = new QTextBrowser(dialog);
    browser->setOpenExternalLinks(true);
#if QT_CONFIG(textmarkdownreader)
    browser->setMarkdown(text);
#else
    browser->setPlainText(text);
#endif
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    layout->addWidget(close);
    dialog->resize(QSize(820, 700).boundedTo(size()));
    dialog->show();
}

void Viewer::showAbout() {
    QMessageBox::about(
        this, QStringLiteral("About zelm-view"),
        QStringLiteral("<p><b>zelm-view %1</b>: charts and statistics of ZELM reports and of "
                       "their history, part of ZURORUVE.</p>"
                       "<p>Licence: GNU General Public License, version 3 or later. This "
                       "program comes with no warranty.</p>"
                       "<p>Built with Qt %2, running with Qt %3.</p>")
            .arg(QApplication::applicationVersion(), QStringLiteral(QT_VERSION_STR),
                 QString::fromLatin1(qVersion())));
}

} // namespace view
