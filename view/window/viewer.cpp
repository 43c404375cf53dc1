// zelm-view's window: its layout, opening reports, the sensor list, the charts' shared time
// range and the statistics table, rebuilt when the settings change. Its menus and the commands
// behind them (exports, manual, About) are in viewermenus.cpp.
#include "view/window/viewer.h"

#include "settings/profile.h"
#include "view/model/historyreader.h"
#include "view/model/words.h"
#include "view/window/chartpanel.h"
#include "view/window/plaintext.h"
#include "view/window/sensorsdialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace view {
inline namespace window {

namespace {

constexpr QSize kPreferred(1400, 860);
const QString kLayoutSection = QStringLiteral("zelm-view");

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A size within what the screen leaves, with room for a title bar and a panel.
QSize fitted(QSize size, const QScreen* screen) {
    if (!screen)
        return size;
    const QSize room = screen->availableGeometry().size() - QSize(20, 60);
    return size.boundedTo(room).expandedTo(QSize(640, 400)).boundedTo(room);
}

// Sensor numbers as the list shows them: named ones by name, then by kind and identifier.
QList<int> byName(const Document& d) {
    QList<int> order = d.byIdentifier();
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QString &x = d.shown[a].name, &y = d.shown[b].name;
        if (x.isEmpty() != y.isEmpty())
            return y.isEmpty();
        return x.localeAwareCompare(y) < 0;
    });
    return order;
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
    watcher_ = new QFileSystemWatcher(this);
    follow_ = new QTimer(this);
    follow_->setSingleShot(true);
    follow_->setInterval(700);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, follow_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, follow_, qOverload<>(&QTimer::start));
    connect(follow_, &QTimer::timeout, this, &Viewer::reload);

    // Left: the sensors, ticked ones drawn.
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("Sensors drawn")));
    sensors_->setObjectName(QStringLiteral("sensors"));
    sideLayout->addWidget(sensors_);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, Choice choice, const QString& tip) {
        auto* b = new QPushButton(text);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, [this, choice] { chooseSensors(choice); });
        buttons->addWidget(b);
    };
    button(QStringLiteral("All"), Choice::All, QStringLiteral("Draw every sensor"));
    button(QStringLiteral("None"), Choice::None, QStringLiteral("Draw no sensor"));
    button(QStringLiteral("Most"), Choice::Most,
           QStringLiteral("Draw the %1 sensors with the most readings").arg(kMaxDrawn));
    sideLayout->addLayout(buttons);
    connect(sensors_, &QListWidget::itemChanged, this, &Viewer::sensorsChanged);

    // Right: charts, and the statistics with what was read.
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
    // A menu entry's tip replaces a message, never what was read.
    status_->setTextFormat(Qt::PlainText); // file names are data
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(status_, 1);
    verified_->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(verified_); // a message never hides it
    status_->setText(nothing_->text());
    resize(fitted(kPreferred, screen()));
}

Viewer::~Viewer() = default;

void Viewer::showNothing(const QString& message) {
    nothing_->setText(message);
    chartsPage_->setCurrentWidget(nothing_);
    status_->setText(message);
}

bool Viewer::setSettingsFile(const QString& path, QString& why) {
    settingsPath_ = path;
    const files::FileRead file = files::readRegularFile(path, files::kMaxSettingsBytes);
    why = file.why;
    settingsUnread_ =
        file.status == files::ReadStatus::Ok || file.status == files::ReadStatus::Missing
            ? QString()
            : why;
    document_.setSettings(file.status == files::ReadStatus::Ok ? parseSensorSettings(file.bytes)
                                                               : SensorSettings());
    if (!isVisible()) { // as it was closed, within this screen
        const QString size = settings::profileValue(file.bytes, kLayoutSection, "Size", {});
        const QString list = settings::profileValue(file.bytes, kLayoutSection, "SensorList", {});
        layoutRead_ = size + u'|' + list;
        const QStringList wh = size.split(u'x');
        if (wh.size() == 2 && wh[0].toInt() > 0 && wh[1].toInt() > 0)
            resize(fitted(QSize(wh[0].toInt(), wh[1].toInt()), screen()));
        if (list.toInt() > 0)
            split_->setSizes({list.toInt(), width() - list.toInt()});
    }
    if (!document_.report.readings.isEmpty())
        rebuild(true);
    return file.status == files::ReadStatus::Ok;
}

QStringList Viewer::settingsIgnored() const {
    return settingsRemarks(settingsPath_, settingsUnread_, document_.settings);
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
    qDeleteAll(panels_);
    panels_.clear();
    for (const Quantity& q : d.charts) {
        auto* panel = new ChartPanel(q, charts_);
        panel->setFullRange(d.span);
        chartsLayout_->insertWidget(chartsLayout_->count() - 1, panel);
        panels_.append(panel);
        // Zooming one chart zooms them all: they share the time axis.
        connect(panel, &ChartPanel::rangeChanged, this, &Viewer::setTimeRange);
    }

    const QSignalBlocker block(sensors_);
    sensors_->clear();
    for (const int sensor : byName(d)) {
        const QString id = d.report.sensors[sensor].name();
        const QString& name = d.shown[sensor].name;
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  (%2)")
                .arg(name.isEmpty() ? id : QStringLiteral("%1 · %2").arg(name, id),
                     counted(d.perSensor[sensor], "reading", "readings")),
            sensors_);
        item->setData(Qt::UserRole, sensor);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(again && ticked[sensor] ? Qt::Checked : Qt::Unchecked);
    }
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
    verify();
}

void Viewer::fitSensorList() {
    const int needed = sensors_->sizeHintForColumn(0) + 2 * sensors_->frameWidth() +
                       sensors_->verticalScrollBar()->sizeHint().width() + 8;
    const QList<int> sizes = split_->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1), width());
    const int wanted = std::min(needed, total * 2 / 5);
    if (wanted > sizes.value(0))
        split_->setSizes({wanted, total - wanted});
}

void Viewer::chooseSensors(Choice choice) {
    const QSignalBlocker block(sensors_);
    const QList<bool> most = document_.drawnOf(); // the kMaxDrawn with the most readings
    for (int row = 0; row < sensors_->count(); ++row) {
        const bool on =
            choice == Choice::All ||
            (choice == Choice::Most && most.value(sensors_->item(row)->data(Qt::UserRole).toInt()));
        sensors_->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    sensorsChanged();
}

QList<bool> Viewer::tickedSensors() const {
    QList<bool> ticked(document_.report.sensors.size(), false);
    for (int row = 0; row < sensors_->count(); ++row)
        ticked[sensors_->item(row)->data(Qt::UserRole).toInt()] =
            sensors_->item(row)->checkState() == Qt::Checked;
    return ticked;
}

void Viewer::sensorsChanged() {
    const QList<bool> ticked = tickedSensors();
    const QList<int> pens = sensorPens(document_.report, ticked);
    for (ChartPanel* panel : std::as_const(panels_))
        panel->setShownSensors(ticked, pens);
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

void Viewer::editSensors() {
    QStringList names;
    for (const int i : document_.byIdentifier())
        names.append(document_.report.sensors[i].name());
    SensorsDialog dialog(names, document_.settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SensorEdits edits = dialog.edits();
    if (edits.isEmpty())
        return; // nothing changed, nothing written
    QString error;
    if (writeSensorEdits(settingsPath_, edits, error)) {
        document_.setSettings(readSensorSettings(settingsPath_)); // what the file now says
    } else {
        const files::FileRead file =
            files::readRegularFile(settingsPath_, files::kMaxSettingsBytes);
        document_.setSettings(parseSensorSettings(withSensorEdits(file.bytes, edits)));
        warnPlain(this, error + QStringLiteral(": the settings apply until viewer closes."));
    }
    rebuild(true);
}

void Viewer::openChosen(const QStringList& paths) {
    QString error;
    if (!open(paths, error))
        warnPlain(this, error);
}

void Viewer::closeEvent(QCloseEvent* event) {
    // The size and the sensor list's width, for the next start; written only when they changed.
    const QString size = QStringLiteral("%1x%2").arg(width()).arg(height());
    const QString list = QString::number(split_->sizes().value(0));
    if (!settingsPath_.isEmpty() && size + u'|' + list != layoutRead_ &&
        settings::writeProfileString(kLayoutSection, "Size", size, settingsPath_) &&
        settings::writeProfileString(kLayoutSection, "SensorList", list, settingsPath_))
        layoutRead_ = size + u'|' + list;
    QMainWindow::closeEvent(event);
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
