// zelm-view's window: its layout, opening reports, the charts' shared time range and the
// statistics table, rebuilt when the settings change. Its menus and the commands behind them
// (exports, manual, About) are in viewermenus.cpp, the sensor list in viewersensors.cpp, the
// settings file in viewersettings.cpp.
#include "view/window/viewer.h"

#include "view/model/historyreader.h"
#include "view/model/words.h"
#include "view/window/chartpanel.h"
#include "view/window/plaintext.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace view {
inline namespace window {

namespace {

constexpr QSize kPreferred(1400, 860);
QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

Viewer::Viewer(QWidget* parent)
    : QMainWindow(parent), split_(new QSplitter), sensors_(new QListWidget),
      chartsPage_(new QStackedWidget), nothing_(new QLabel), scroll_(new QScrollArea),
      charts_(new QWidget), chartsLayout_(new QVBoxLayout(charts_)), summary_(new QLabel),
      status_(new QLabel), verified_(new QLabel), tabs_(new QTabWidget),
      statisticsModel_(new StatisticsTable(this)), statistics_(new QTableView),
      skipped_(new QListWidget) {
    setWindowTitle(kViewerName);
    setAcceptDrops(true);
    setUpFollowing();
    QWidget* side = buildSensorList();
    buildChartsPage();
    QWidget* stats = buildStatisticsTab();
    tabs_->addTab(chartsPage_, QStringLiteral("&Charts"));
    tabs_->addTab(stats, QStringLiteral("S&tatistics"));
    // The statistics tab says what was read itself: the status bar then need not.
    connect(tabs_, &QTabWidget::currentChanged, status_,
            [this](int tab) { status_->setVisible(tab == 0); });
    split_->addWidget(side);
    split_->addWidget(tabs_);
    split_->setStretchFactor(1, 1);
    split_->setSizes({200, kExportWidth});
    setCentralWidget(split_);

    buildMenus();
    buildStatusBar();
    resizeWithin(kPreferred);
}

Viewer::~Viewer() = default;

// A folder's changes are read a moment after they come.
void Viewer::setUpFollowing() {
    watcher_ = new QFileSystemWatcher(this);
    follow_ = new QTimer(this);
    follow_->setSingleShot(true);
    follow_->setInterval(700);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, follow_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, follow_, qOverload<>(&QTimer::start));
    connect(follow_, &QTimer::timeout, this, &Viewer::reload);
}

// Right: charts, and the statistics with what was read.
void Viewer::buildChartsPage() {
    nothing_->setAlignment(Qt::AlignCenter);
    nothing_->setTextFormat(Qt::PlainText); // file names and titles are data
    summary_->setTextFormat(Qt::PlainText);
    nothing_->setWordWrap(true);
    nothing_->setText(QStringLiteral("Open reports (in*.dat, out-*.txt) or a folder of them, "
                                     "or drop them here."));
    scroll_->setWidget(charts_);
    scroll_->setWidgetResizable(true);
    scroll_->setFocusPolicy(Qt::NoFocus); // the charts take it, one by one, and show it
    charts_->installEventFilter(this);    // the zoom and pan keys of every chart
    chartsLayout_->addStretch();
    chartsPage_->addWidget(nothing_);
    chartsPage_->addWidget(scroll_);
}

QWidget* Viewer::buildStatisticsTab() {
    auto* stats = new QWidget;
    auto* statsLayout = new QVBoxLayout(stats);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statsLayout->addWidget(summary_);
    statsLayout->addWidget(statistics_, 1);
    statsLayout->addWidget(skipped_);
    skipped_->setMaximumHeight(120);
    skipped_->hide();
    // The sensor is each row's heading, so it stays in view when the table scrolls sideways.
    statistics_->setModel(statisticsModel_);
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statistics_->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return stats;
}

void Viewer::buildStatusBar() {
    // A menu entry's tip replaces a message, never what was read.
    status_->setTextFormat(Qt::PlainText); // file names are data
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(status_, 1);
    verified_->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(verified_); // a message never hides it
    status_->setText(nothing_->text());
}

void Viewer::showNothing(const QString& message) {
    nothing_->setText(message);
    chartsPage_->setCurrentWidget(nothing_);
    status_->setText(message);
}

void Viewer::showReport(Report report, const QString& title) {
    document_ = documentOf(std::move(report), title, document_.settings);
    rebuild(false);
}

void Viewer::rebuild(bool again) {
    const Document& d = document_;
    // The sensors ticked and the zoom stay when only the settings change.
    again = again && sensors_->count() == d.report.sensors.size() && !panels_.isEmpty();
    const QList<bool> ticked = again ? tickedSensors() : QList<bool>();
    buildCharts();
    const QSignalBlocker block(sensors_);
    fillSensorList(again, ticked);
    fitSensorList();
    if (again)
        sensorsChanged();
    else
        chooseSensors(Choice::Most);
    setTimeRange(again ? range_ : d.span);
    chartsPage_->setCurrentIndex(panels_.isEmpty() ? 0 : 1);
    if (panels_.isEmpty())
        nothing_->setText(
            QStringLiteral("No reading of %1 has a valid date and time.").arg(d.title));
    else if (!again)
        panels_.first()->setFocus(); // the zoom and pan keys work at once
    showRead();
    verify();
}

// A chart per quantity, on the time axis they share.
void Viewer::buildCharts() {
    qDeleteAll(panels_);
    panels_.clear();
    for (const Quantity& q : document_.charts) {
        auto* panel = new ChartPanel(q, charts_);
        panel->setFullRange(document_.span);
        chartsLayout_->insertWidget(chartsLayout_->count() - 1, panel);
        panels_.append(panel);
        // Zooming one chart zooms them all: they share the time axis.
        connect(panel, &ChartPanel::rangeChanged, this, &Viewer::setTimeRange);
    }
}

// What was read, in the statistics tab and the status bar, and in the window's title.
void Viewer::showRead() {
    const Document& d = document_;
    statisticsModel_->setStatistics(d.statistics);
    statistics_->resizeColumnsToContents();

    const QString said = summaryOf(d.report);
    QStringList files;
    for (const QString& f : std::as_const(d.report.files))
        files.append(native(f));
    summary_->setText(said);
    summary_->setToolTip(plainToolTip(QStringLiteral("Read:\n") + files.join(u'\n')));
    skipped_->clear();
    const QStringList remarks = remarksOf(d.report);
    skipped_->addItems(remarks);
    skipped_->setVisible(!remarks.isEmpty());
    // A settings line read as missing is told here, where the effect of the settings shows.
    const QStringList ignored = settingsIgnored();
    QString status = said;
    if (!ignored.isEmpty())
        status +=
            QStringLiteral(" — ignored: %1%2")
                .arg(ignored.first(), ignored.size() > 1
                                          ? QStringLiteral(" (and %1 more)").arg(ignored.size() - 1)
                                          : QString());
    status_->setText(status);
    status_->setToolTip(plainToolTip((remarks + ignored).join(u'\n')));
    setWindowTitle((keptDownloads_ ? QStringLiteral("Kept downloads") : d.title) +
                   QStringLiteral(" – ") + kViewerName);
}

void Viewer::setTimeRange(const TimeRange& range) {
    range_ = within(range, document_.span);
    for (ChartPanel* panel : std::as_const(panels_))
        panel->setTimeRange(range_);
}

void Viewer::zoomBy(double factor) {
    setTimeRange(zoomed(range_, document_.span, (range_.x0 + range_.x1) / 2, factor));
}

void Viewer::panBy(double share) {
    setTimeRange(panned(range_, document_.span, share * range_.span()));
}

void Viewer::resetZoom() {
    setTimeRange(document_.span);
}

void Viewer::openChosen(const QStringList& paths) {
    QString error;
    if (!open(paths, error))
        warnPlain(this, error);
}

void Viewer::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void Viewer::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (!paths.isEmpty())
        openChosen(paths);
}

} // namespace window
} // namespace view
