// zelm-view's window: its layout and menus, opening reports, the sensor list and the statistics
// table, rebuilt when the settings change. Its exports are in viewerexports.cpp.
#include "view/viewer.h"

#include "view/history.h"
#include "view/sensorsdialog.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

namespace view {

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

QList<int> Viewer::byReadings(const QList<qint64>& perSensor) {
    QList<int> order(perSensor.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return perSensor[a] > perSensor[b]; });
    return order;
}

Viewer::Viewer(QWidget* parent)
    : QMainWindow(parent), sensors_(new QListWidget), chartsPage_(new QStackedWidget),
      nothing_(new QLabel), charts_(new QWidget), chartsLayout_(new QVBoxLayout(charts_)),
      summary_(new QLabel), statistics_(new QTableWidget), skipped_(new QListWidget) {
    setWindowTitle(QStringLiteral("zelm-view"));
    setAcceptDrops(true);

    // Left: the sensors, ticked ones drawn.
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("Sensors drawn")));
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
    nothing_->setWordWrap(true);
    nothing_->setText(QStringLiteral("Open reports (in*.dat, out-*.txt) or a folder of them, "
                                     "or drop them here."));
    auto* scroll = new QScrollArea;
    scroll->setWidget(charts_);
    scroll->setWidgetResizable(true);
    chartsLayout_->addStretch();
    chartsPage_->addWidget(nothing_);
    chartsPage_->addWidget(scroll);
    auto* stats = new QWidget;
    auto* statsLayout = new QVBoxLayout(stats);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statsLayout->addWidget(summary_);
    statsLayout->addWidget(statistics_, 1);
    statsLayout->addWidget(skipped_);
    skipped_->setMaximumHeight(120);
    skipped_->hide();
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* tabs = new QTabWidget;
    tabs->addTab(chartsPage_, QStringLiteral("Charts"));
    tabs->addTab(stats, QStringLiteral("Statistics"));
    auto* split = new QSplitter;
    split->addWidget(side);
    split->addWidget(tabs);
    split->setStretchFactor(1, 1);
    split->setSizes({200, kChartWidth});
    setCentralWidget(split);

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
    file->addAction(QStringLiteral("Export charts as &PNG…"), this,
                    [this] { exportChosen(QStringLiteral("PNG image (*.png)")); });
    file->addAction(QStringLiteral("Export charts as &SVG…"), this,
                    [this] { exportChosen(QStringLiteral("SVG image (*.svg)")); });
    file->addAction(QStringLiteral("Export readings as &CSV…"), this,
                    [this] { exportChosen(QStringLiteral("CSV (*.csv)")); });
    file->addAction(QStringLiteral("Export s&tatistics as CSV…"), this,
                    [this] { exportChosen(QStringLiteral("Statistics CSV (*.csv)")); });
    file->addAction(QStringLiteral("Export &report (PDF)…"), this,
                    [this] { exportChosen(QStringLiteral("PDF report (*.pdf)")); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    menuBar()
        ->addMenu(QStringLiteral("&Sensors"))
        ->addAction(QStringLiteral("&Names, calibration and limits…"), this, &Viewer::editSensors);
    QAction* reset = menuBar()
                         ->addMenu(QStringLiteral("&View"))
                         ->addAction(QStringLiteral("&Reset zoom"), this, &Viewer::resetZoom);
    reset->setShortcuts({QKeySequence(Qt::Key_R), QKeySequence(Qt::Key_Escape)});
    addToolBar(QStringLiteral("Zoom"))->addAction(reset);
    statusBar()->showMessage(nothing_->text());
    resize(kChartWidth + 300, 860);
}

QString Viewer::summary(const Report& r) {
    QString text = QStringLiteral("%1 files read, %2 records read, %3 unique readings, %4 "
                                  "repeated left out, %5 files skipped")
                       .arg(r.files.size())
                       .arg(r.read)
                       .arg(r.readings.size())
                       .arg(r.repeated)
                       .arg(r.skipped.size());
    if (r.untimed > 0)
        text += QStringLiteral("; %1 without a valid date and time, not charted").arg(r.untimed);
    if (r.skippedLines > 0)
        text += QStringLiteral("; %1 lines that are not readings").arg(r.skippedLines);
    if (r.partialBytes > 0)
        text += QStringLiteral("; %1 bytes after the last whole record").arg(r.partialBytes);
    return text;
}

bool Viewer::read(const QStringList& paths, Report& report, QString& title, QString& error) {
    report = readHistory(paths);
    QStringList named;
    for (const QString& p : paths)
        named.append(native(p));
    if (report.readings.isEmpty()) {
        QStringList why;
        for (const SkippedFile& s : std::as_const(report.skipped))
            why.append(native(s.path) + QStringLiteral(": ") + s.reason);
        error = QStringLiteral("no readings in %1 (%2 files read%3%4)")
                    .arg(named.join(QStringLiteral(", ")))
                    .arg(report.files.size())
                    .arg(why.isEmpty() ? QString() : QStringLiteral("; "))
                    .arg(why.join(QStringLiteral("; ")));
        return false;
    }
    title = paths.size() == 1 ? QFileInfo(paths.first()).fileName()
                              : QStringLiteral("%1 files").arg(report.files.size());
    if (title.isEmpty()) // a folder named with a slash at its end
        title = named.first();
    return true;
}

bool Viewer::open(const QStringList& paths, QString& error) {
    Report report;
    QString title;
    if (!read(paths, report, title, error))
        return false;
    showReport(std::move(report), title);
    return true;
}

void Viewer::showNothing(const QString& message) {
    nothing_->setText(message);
    chartsPage_->setCurrentWidget(nothing_);
    statusBar()->showMessage(message);
}

bool Viewer::setSettingsFile(const QString& path, QString& why) {
    settingsPath_ = path;
    settings::ReadStatus status;
    settings_ = readSensorSettings(path, status, why);
    settingsUnread_ = status == settings::ReadStatus::Ok || status == settings::ReadStatus::Missing
                          ? QString()
                          : why;
    if (!report_.readings.isEmpty())
        rebuild(true);
    return status == settings::ReadStatus::Ok;
}

QStringList Viewer::settingsIgnored() const {
    QStringList out;
    if (!settingsUnread_.isEmpty())
        out.append(native(settingsPath_) + QStringLiteral(" not read: ") + settingsUnread_);
    for (const QString& line : settings_.ignored)
        out.append(native(settingsPath_) + u' ' + line);
    return out;
}

void Viewer::showReport(Report report, const QString& title) {
    report_ = std::move(report);
    title_ = title;
    perSensor_.fill(0, report_.sensors.size());
    for (const Reading& r : std::as_const(report_.readings))
        ++perSensor_[r.sensor];
    rebuild(false);
}

void Viewer::rebuild(bool again) {
    const QString& title = title_;
    // The sensors ticked and the zoom stay when only the settings change.
    again = again && sensors_->count() == report_.sensors.size() && !panels_.isEmpty();
    const QList<bool> ticked = again ? shownSensors() : QList<bool>();
    const double x0 = again ? panels_.first()->timeStart() : 0;
    const double x1 = again ? panels_.first()->timeEnd() : 0;
    qDeleteAll(panels_);
    panels_.clear();
    shown_ = view::shownSensors(report_, settings_);

    const QList<Quantity> charts = quantities(report_, shown_);
    for (const Quantity& q : charts) {
        auto* panel = new ChartPanel(report_, q, charts_);
        if (!panel->timed()) { // nothing to draw against time; the statistics still list it
            delete panel;
            continue;
        }
        chartsLayout_->insertWidget(chartsLayout_->count() - 1, panel);
        panels_.append(panel);
        // Zooming one chart zooms them all: they share the time axis.
        connect(panel, &ChartPanel::zoomed, this, [this, panel](double x0, double x1) {
            for (ChartPanel* other : std::as_const(panels_))
                if (other != panel)
                    other->setTimeRange(x0, x1);
        });
    }
    // The same time range on every chart.
    for (const ChartPanel* panel : std::as_const(panels_)) {
        const bool first = panel == panels_.first();
        fullStart_ = first ? panel->fullStart() : std::min(fullStart_, panel->fullStart());
        fullEnd_ = first ? panel->fullEnd() : std::max(fullEnd_, panel->fullEnd());
    }

    const QSignalBlocker block(sensors_);
    sensors_->clear();
    for (const int sensor : byReadings(perSensor_)) {
        const QString id = report_.sensors[sensor].name();
        const QString& name = shown_[sensor].name;
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  (%2)")
                .arg(name.isEmpty() ? id : QStringLiteral("%1 – %2").arg(name, id))
                .arg(perSensor_[sensor]),
            sensors_);
        item->setData(Qt::UserRole, sensor);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(again && ticked[sensor] ? Qt::Checked : Qt::Unchecked);
    }
    if (again) {
        sensorsChanged();
        for (ChartPanel* panel : std::as_const(panels_))
            panel->setTimeRange(x0, x1);
    } else {
        chooseSensors(Choice::Most);
        resetZoom();
    }
    chartsPage_->setCurrentIndex(panels_.isEmpty() ? 0 : 1);
    if (panels_.isEmpty())
        nothing_->setText(QStringLiteral("No reading of %1 has a valid date and time.").arg(title));

    stats_ = statisticsOf(report_, charts, settings_.activationEnergy());
    const QList<Statistics>& stats = stats_;
    const QStringList headers{"Series",      "Name",       "Quantity",     "Readings",
                              "First",       "Last",       "Interval",     "Gaps",
                              "Longest gap", "from",       "Minimum",      "at",
                              "Maximum",     "at",         "Mean",         "Std dev",
                              "Limits",      "Excursions", "Time outside", "Longest excursion",
                              "from",        "MKT",        "LOWBAT"};
    statistics_->clear();
    statistics_->setColumnCount(int(headers.size()));
    statistics_->setHorizontalHeaderLabels(headers);
    statistics_->setRowCount(int(stats.size()));
    for (int row = 0; row < stats.size(); ++row) {
        const Statistics& s = stats[row];
        const QString unit = s.unit.isEmpty() ? QString() : " (" + s.unit + ")";
        const bool limited = s.limited();
        const auto fixed = [](double v, int decimals) {
            return std::isnan(v) ? QString() : QString::number(v, 'f', decimals);
        };
        const QStringList cells{s.series,
                                s.label,
                                s.quantity + unit,
                                QString::number(s.readings),
                                timeText(s.first),
                                timeText(s.last),
                                s.interval ? spanText(s.interval) : QString(),
                                QString::number(s.gaps),
                                s.gaps ? spanText(s.longestGap) : QString(),
                                timeText(s.longestGapStart),
                                valueText(s.minimum),
                                timeText(s.minimumAt),
                                valueText(s.maximum),
                                timeText(s.maximumAt),
                                fixed(s.mean, 2),
                                fixed(s.deviation, 2),
                                limitsText(s.low, s.high, s.unit),
                                limited ? QString::number(s.excursions) : QString(),
                                limited ? spanText(s.outside) : QString(),
                                s.excursions ? spanText(s.longestExcursion) : QString(),
                                timeText(s.longestExcursionStart),
                                std::isnan(s.meanKinetic) ? QString()
                                                          : fixed(s.meanKinetic, 1) + " °C",
                                QString::number(s.lowBat)};
        for (int col = 0; col < cells.size(); ++col)
            statistics_->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    statistics_->resizeColumnsToContents();

    const QString said = summary(report_);
    QStringList files;
    for (const QString& f : std::as_const(report_.files))
        files.append(native(f));
    summary_->setText(said);
    summary_->setToolTip(QStringLiteral("Read:\n") + files.join(u'\n'));
    skipped_->clear();
    QStringList skipped;
    for (const SkippedFile& s : std::as_const(report_.skipped))
        skipped.append(QStringLiteral("Skipped %1: %2").arg(native(s.path), s.reason));
    skipped_->addItems(skipped);
    skipped_->setVisible(!skipped.isEmpty());
    // A settings line read as missing is told here, where the effect of the settings shows.
    const QStringList ignored = settingsIgnored();
    QString status = said;
    if (!ignored.isEmpty())
        status +=
            QStringLiteral(" — ignored: %1%2")
                .arg(ignored.first())
                .arg(ignored.size() > 1 ? QStringLiteral(" (and %1 more)").arg(ignored.size() - 1)
                                        : QString());
    statusBar()->showMessage(status);
    statusBar()->setToolTip((skipped + ignored).join(u'\n'));
    setWindowTitle(title + QStringLiteral(" – zelm-view"));
}

void Viewer::chooseSensors(Choice choice) {
    const QSignalBlocker block(sensors_);
    // The list is in order of readings, most first.
    for (int row = 0; row < sensors_->count(); ++row) {
        const bool on =
            choice == Choice::All ||
            (choice == Choice::Most && (row < kMaxDrawn || sensors_->count() <= kMaxDrawn));
        sensors_->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    sensorsChanged();
}

QList<bool> Viewer::shownSensors() const {
    QList<bool> shown(report_.sensors.size(), false);
    for (int row = 0; row < sensors_->count(); ++row)
        shown[sensors_->item(row)->data(Qt::UserRole).toInt()] =
            sensors_->item(row)->checkState() == Qt::Checked;
    return shown;
}

void Viewer::sensorsChanged() {
    const QList<bool> shown = shownSensors();
    for (ChartPanel* panel : std::as_const(panels_))
        panel->setShownSensors(shown);
}

void Viewer::resetZoom() {
    for (ChartPanel* panel : std::as_const(panels_))
        panel->setTimeRange(fullStart_, fullEnd_);
}

void Viewer::editSensors() {
    QList<int> order(report_.sensors.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Sensor &x = report_.sensors[a], &y = report_.sensors[b];
        return std::tie(x.kind, x.id) < std::tie(y.kind, y.id);
    });
    QStringList names;
    for (const int i : order)
        names.append(report_.sensors[i].name());
    SensorsDialog dialog(names, settings_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SensorEdits edits = dialog.edits();
    if (edits.isEmpty())
        return; // nothing changed, nothing written
    QString error;
    if (writeSensorEdits(settingsPath_, edits, error)) {
        settings_ = readSensorSettings(settingsPath_); // what the file now says
    } else {
        const settings::FileRead file =
            settings::readRegularFile(settingsPath_, settings::kMaxSettingsBytes);
        settings_ = parseSensorSettings(withSensorEdits(file.bytes, edits));
        QMessageBox::warning(this, QStringLiteral("zelm-view"),
                             error +
                                 QStringLiteral(": the settings apply until zelm-view closes."));
    }
    rebuild(true);
}

void Viewer::openChosen(const QStringList& paths) {
    QString error;
    if (!open(paths, error))
        QMessageBox::warning(this, QStringLiteral("zelm-view"), error);
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

} // namespace view
