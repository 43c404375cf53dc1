#include "view/viewer.h"

#include "view/reduce.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeAxis>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QScatterSeries>
#include <QScrollArea>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace view {

namespace {

constexpr int kChartHeight = 360;
constexpr int kChartWidth = 1100;
constexpr int kMaxSeries = 30; // per chart

QDateTime at(double ms) {
    return QDateTime::fromMSecsSinceEpoch(qint64(ms));
}

} // namespace

ChartPanel::ChartPanel(Quantity quantity, QWidget* parent)
    : QChartView(parent), quantity_(std::move(quantity)), time_(new QDateTimeAxis),
      values_(new QValueAxis), lowBat_(new QScatterSeries) {
    auto* chart = new QChart;
    chart->setTitle(quantity_.unit.isEmpty()
                        ? quantity_.title
                        : QStringLiteral("%1 (%2)").arg(quantity_.title, quantity_.unit));
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->addAxis(time_, Qt::AlignBottom);
    chart->addAxis(values_, Qt::AlignLeft);
    time_->setFormat(QStringLiteral("yyyy-MM-dd hh:mm"));
    time_->setTickCount(6);
    values_->setTitleText(quantity_.unit);

    bool any = false;
    for (int i = 0; i < quantity_.series.size(); ++i) {
        const SeriesData& data = quantity_.series[i];
        auto* line = new QLineSeries;
        line->setName(data.name);
        line->setPointsVisible(data.points.size() < 100); // a lone reading shows as a point
        chart->addSeries(line);
        line->attachAxis(time_);
        line->attachAxis(values_);
        connect(line, &QLineSeries::hovered, this,
                [this, i](const QPointF& p, bool state) { hovered(i, p, state); });
        if (data.points.isEmpty())
            continue;
        start_ = any ? std::min(start_, data.points.first().x()) : data.points.first().x();
        end_ = any ? std::max(end_, data.points.last().x()) : data.points.last().x();
        any = true;
    }
    if (end_ <= start_)
        end_ = start_ + 60000; // a single moment still gets a minute of axis
    lowBat_->setName(QStringLiteral("LOWBAT"));
    lowBat_->setMarkerSize(7);
    lowBat_->setColor(Qt::red);
    chart->addSeries(lowBat_);
    lowBat_->attachAxis(time_);
    lowBat_->attachAxis(values_);

    const bool anyLow = std::any_of(quantity_.series.begin(), quantity_.series.end(),
                                    [](const SeriesData& s) { return !s.lowBat.isEmpty(); });
    // The legend switches a series on and off; its entry stays, dimmed.
    if (!anyLow)
        chart->legend()->markers(lowBat_).first()->setVisible(false);
    for (QLegendMarker* marker : chart->legend()->markers()) {
        if (!marker->isVisible())
            continue;
        connect(marker, &QLegendMarker::clicked, this, [this, marker] {
            QAbstractSeries* series = marker->series();
            series->setVisible(!series->isVisible());
            marker->setVisible(true);
            QBrush label = marker->labelBrush();
            QColor colour = label.color();
            colour.setAlphaF(series->isVisible() ? 1.0 : 0.4);
            label.setColor(colour);
            marker->setLabelBrush(label);
            redraw();
        });
    }
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);
    setRubberBand(QChartView::HorizontalRubberBand);
    // Room for every legend entry, in a smaller font where there are many.
    const int entries = int(quantity_.series.size()) + 1;
    if (entries > 16) {
        QFont small = chart->legend()->font();
        small.setPointSizeF(7);
        chart->legend()->setFont(small);
    }
    const int entryHeight = QFontMetrics(chart->legend()->font()).height() + 9;
    setMinimumHeight(std::max(kChartHeight, 100 + entryHeight * entries));
    connect(time_, &QDateTimeAxis::rangeChanged, this, [this](QDateTime min, QDateTime max) {
        if (applying_)
            return;
        const double x0 = double(min.toMSecsSinceEpoch());
        const double x1 = double(max.toMSecsSinceEpoch());
        setTimeRange(x0, x1);
        emit zoomed(x0, x1);
    });
    setTimeRange(start_, end_);
}

void ChartPanel::setTimeRange(double x0, double x1) {
    x0_ = x0;
    x1_ = std::max(x1, x0 + 1000);
    redraw();
}

void ChartPanel::redraw() {
    applying_ = true;
    time_->setRange(at(x0_), at(x1_));
    const int columns = std::max(100, int(chart()->plotArea().width()));
    QList<QAbstractSeries*> all = chart()->series();
    double low = INFINITY, high = -INFINITY;
    QList<QPointF> marks;
    for (int i = 0; i < quantity_.series.size(); ++i) {
        auto* line = static_cast<QLineSeries*>(all[i]);
        const SeriesData& data = quantity_.series[i];
        const QList<QPointF> drawn = ReducePerPixel(data.points, x0_, x1_, columns);
        line->replace(drawn);
        if (!line->isVisible())
            continue;
        for (const QPointF& p : drawn) {
            if (p.x() >= x0_ && p.x() <= x1_) {
                low = std::min(low, p.y());
                high = std::max(high, p.y());
            }
        }
        marks += ReducePerPixel(data.lowBat, x0_, x1_, columns);
    }
    lowBat_->replace(marks);
    if (low > high)
        low = 0, high = 1;
    const double margin = std::max((high - low) * 0.05, 0.5);
    values_->setRange(low - margin, high + margin);
    applying_ = false;
}

void ChartPanel::hovered(int series, const QPointF& point, bool state) {
    if (!state) {
        QToolTip::hideText();
        return;
    }
    const QList<QPointF>& points = quantity_.series[series].points;
    auto it = std::lower_bound(points.begin(), points.end(), point.x(),
                               [](const QPointF& p, double x) { return p.x() < x; });
    if (it == points.end() ||
        (it != points.begin() && point.x() - (it - 1)->x() < it->x() - point.x()))
        --it;
    if (it < points.begin() || it == points.end())
        return;
    QToolTip::showText(QCursor::pos(),
                       QStringLiteral("%1\n%2\n%3 %4")
                           .arg(at(it->x()).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                quantity_.series[series].name, QString::number(it->y(), 'f', 1),
                                quantity_.unit),
                       this);
}

void ChartPanel::wheelEvent(QWheelEvent* event) {
    // Zooms the time axis about the point under the mouse.
    const double x = chart()->mapToValue(event->position()).x();
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    const double x0 = x - (x - x0_) * factor;
    const double x1 = x + (x1_ - x) * factor;
    setTimeRange(std::max(x0, start_ - (end_ - start_)), std::min(x1, end_ + (end_ - start_)));
    emit zoomed(x0_, x1_);
    event->accept();
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    redraw(); // as many columns as the plot now has
}

Viewer::Viewer(QWidget* parent)
    : QMainWindow(parent), charts_(new QWidget), chartsLayout_(new QVBoxLayout(charts_)),
      statistics_(new QTableWidget) {
    setWindowTitle(QStringLiteral("zelm-view"));
    setAcceptDrops(true);
    auto* scroll = new QScrollArea;
    scroll->setWidget(charts_);
    scroll->setWidgetResizable(true);
    auto* tabs = new QTabWidget;
    tabs->addTab(scroll, QStringLiteral("Charts"));
    tabs->addTab(statistics_, QStringLiteral("Statistics"));
    setCentralWidget(tabs);
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open…"), QKeySequence::Open, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Open a report"), QString(),
            QStringLiteral("Reports (out-*.txt in*.dat);;All files (*)"));
        if (!path.isEmpty())
            openChosen(path);
    });
    file->addAction(QStringLiteral("Export chart as &PNG…"), this,
                    [this] { exportChosen(QStringLiteral("PNG image (*.png)")); });
    file->addAction(QStringLiteral("Export chart as &SVG…"), this,
                    [this] { exportChosen(QStringLiteral("SVG image (*.svg)")); });
    file->addAction(QStringLiteral("Export readings as &CSV…"), this,
                    [this] { exportChosen(QStringLiteral("CSV (*.csv)")); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);
    QAction* reset = menuBar()
                         ->addMenu(QStringLiteral("&View"))
                         ->addAction(QStringLiteral("&Reset zoom"), this, &Viewer::resetZoom);
    reset->setShortcuts({QKeySequence(Qt::Key_R), QKeySequence(Qt::Key_Escape)});
    addToolBar(QStringLiteral("Zoom"))->addAction(reset);
    statusBar()->showMessage(QStringLiteral("Open a decoded report (out-*.txt) or a raw report "
                                            "(in.dat), or drop one here."));
    resize(kChartWidth + 60, 800);
}

bool Viewer::open(const QString& path, QString& error) {
    Report report;
    if (!LoadReport(path, report, error))
        return false;
    showReport(std::move(report), path);
    return true;
}

void Viewer::showReport(Report report, const QString& path) {
    report_ = std::move(report);
    qDeleteAll(panels_);
    panels_.clear();
    // A legend that does not fit its chart is not drawn right: many sensors take several charts.
    QList<Quantity> charts;
    for (const Quantity& q : Quantities(report_)) {
        for (qsizetype i = 0; i < q.series.size(); i += kMaxSeries) {
            Quantity part{q.title, q.unit, q.series.mid(i, kMaxSeries)};
            if (q.series.size() > kMaxSeries)
                part.title +=
                    QStringLiteral(", sensors %1 to %2").arg(i + 1).arg(i + part.series.size());
            charts.append(std::move(part));
        }
    }
    for (const Quantity& q : charts) {
        auto* panel = new ChartPanel(q, charts_);
        chartsLayout_->addWidget(panel);
        panels_.append(panel);
        // Zooming one chart zooms them all: they share the time axis.
        connect(panel, &ChartPanel::zoomed, this, [this, panel](double x0, double x1) {
            for (ChartPanel* other : panels_)
                if (other != panel)
                    other->setTimeRange(x0, x1);
        });
    }
    resetZoom();

    const QList<Statistics> stats = StatisticsOf(report_);
    const QStringList headers{"Series", "Quantity", "Readings", "First", "Last",  "Minimum",
                              "at",     "Maximum",  "at",       "Mean",  "LOWBAT"};
    statistics_->clear();
    statistics_->setColumnCount(int(headers.size()));
    statistics_->setHorizontalHeaderLabels(headers);
    statistics_->setRowCount(int(stats.size()));
    for (int row = 0; row < stats.size(); ++row) {
        const Statistics& s = stats[row];
        const QString unit = s.unit.isEmpty() ? QString() : " (" + s.unit + ")";
        const QStringList cells{s.series,
                                s.quantity + unit,
                                QString::number(s.readings),
                                s.first,
                                s.last,
                                QString::number(s.minimum, 'f', 1),
                                s.minimumAt,
                                QString::number(s.maximum, 'f', 1),
                                s.maximumAt,
                                QString::number(s.mean, 'f', 2),
                                QString::number(s.lowBat)};
        for (int col = 0; col < cells.size(); ++col)
            statistics_->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    statistics_->resizeColumnsToContents();

    QString message = QStringLiteral("%1: %2 readings of %3 sensors")
                          .arg(QFileInfo(path).fileName())
                          .arg(report_.readings.size())
                          .arg(report_.sensors.size());
    if (report_.untimed > 0)
        message +=
            QStringLiteral("; %1 without a valid date and time, not charted").arg(report_.untimed);
    if (report_.skippedLines > 0)
        message +=
            QStringLiteral("; %1 lines that are not readings skipped").arg(report_.skippedLines);
    statusBar()->showMessage(message);
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" – zelm-view"));
}

void Viewer::resetZoom() {
    for (ChartPanel* panel : panels_)
        panel->setTimeRange(panel->fullStart(), panel->fullEnd());
}

void Viewer::renderCharts(QPainter& painter) const {
    int y = 0;
    for (ChartPanel* panel : panels_) {
        panel->QWidget::render(&painter, QPoint(0, y));
        y += panel->height();
    }
}

QSize Viewer::chartsSize() const {
    QSize size(0, 0);
    for (ChartPanel* panel : panels_)
        size = QSize(std::max(size.width(), panel->width()), size.height() + panel->height());
    return size;
}

bool Viewer::exportPng(const QString& path) const {
    QImage image(chartsSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderCharts(painter);
    painter.end();
    return image.save(path, "PNG");
}

bool Viewer::exportSvg(const QString& path) const {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(chartsSize());
    svg.setViewBox(QRect(QPoint(0, 0), chartsSize()));
    svg.setTitle(windowTitle());
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    renderCharts(painter);
    return painter.end();
}

bool Viewer::exportCsv(const QString& path, QString& error) const {
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly)) {
        WriteCsv(report_, out);
        if (out.commit())
            return true;
    }
    error = QStringLiteral("cannot write %1: %2")
                .arg(QDir::toNativeSeparators(path), out.errorString());
    return false;
}

void Viewer::openChosen(const QString& path) {
    QString error;
    if (!open(path, error))
        QMessageBox::warning(this, QStringLiteral("zelm-view"), error);
}

void Viewer::exportChosen(const QString& filter) {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export"), QString(), filter);
    if (path.isEmpty())
        return;
    QString error;
    bool done = false;
    if (filter.contains("png"))
        done = exportPng(path);
    else if (filter.contains("svg"))
        done = exportSvg(path);
    else
        done = exportCsv(path, error);
    if (!done)
        QMessageBox::warning(this, QStringLiteral("zelm-view"),
                             error.isEmpty() ? QStringLiteral("cannot write %1").arg(path) : error);
}

void Viewer::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void Viewer::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        openChosen(urls.first().toLocalFile());
}

} // namespace view
