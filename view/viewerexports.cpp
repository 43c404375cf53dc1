// zelm-view's exports: the charts as PNG or SVG, the readings as CSV, and the report as PDF.

#include "view/pdfreport.h"
#include "view/viewer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <functional>

namespace view {

QList<bool> Viewer::exportedSensors() const {
    QList<bool> shown = shownSensors();
    int drawn = 0;
    for (int row = 0; row < sensors_->count(); ++row) {
        bool& on = shown[sensors_->item(row)->data(Qt::UserRole).toInt()];
        if (on && ++drawn > kMaxDrawn)
            on = false;
    }
    return shown;
}

QSize Viewer::paintCharts(QPainter* painter) {
    const QList<bool> exported = exportedSensors();
    int y = 0;
    for (ChartPanel* panel : std::as_const(panels_)) {
        panel->setShownSensors(exported);
        const int height = panel->heightFor(kChartWidth);
        if (painter)
            panel->paintChart(*painter, QRect(0, y, kChartWidth, height));
        y += height;
    }
    sensorsChanged(); // the window's own choice back
    return QSize(kChartWidth, std::max(y, 1));
}

bool Viewer::exportPng(const QString& path) {
    QImage image(paintCharts(nullptr), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCharts(&painter);
    painter.end();
    return image.save(path, "PNG");
}

bool Viewer::exportSvg(const QString& path) {
    const QSize size = paintCharts(nullptr);
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(windowTitle());
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    paintCharts(&painter);
    return painter.end();
}

namespace {

// Through a temporary file and a rename: an old file is replaced only by a whole one.
bool saveAs(const QString& path, QString& error, const std::function<void(QIODevice&)>& write) {
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly)) {
        write(out);
        if (out.commit())
            return true;
    }
    error = QStringLiteral("cannot write %1: %2")
                .arg(QDir::toNativeSeparators(path), out.errorString());
    return false;
}

} // namespace

bool Viewer::exportCsv(const QString& path, QString& error) const {
    return saveAs(path, error, [&](QIODevice& out) { writeCsv(report_, out, shown_); });
}

bool Viewer::exportStatistics(const QString& path, QString& error) const {
    return saveAs(path, error, [&](QIODevice& out) { writeStatisticsCsv(stats_, out); });
}

bool Viewer::exportPdf(const QString& path, QString& error) {
    PdfReport pdf;
    const QList<bool> exported = exportedSensors();
    QStringList names;
    for (const int sensor : byReadings(perSensor_))
        if (exported[sensor] && !shown_[sensor].name.isEmpty() &&
            !names.contains(shown_[sensor].name))
            names.append(shown_[sensor].name);
    constexpr int kNamed = 6; // a title, not a list
    pdf.title =
        names.isEmpty()
            ? QStringLiteral("ZELM report")
            : names.mid(0, kNamed).join(QStringLiteral(", ")) +
                  (names.size() > kNamed ? QStringLiteral(" and %1 more").arg(names.size() - kNamed)
                                         : QString());
    std::uint32_t first = kNoTime, last = 0;
    for (const Reading& r : std::as_const(report_.readings))
        if (r.time != kNoTime)
            first = std::min(first, r.time), last = std::max(last, r.time);
    pdf.period = first == kNoTime ? QStringLiteral("no reading with a valid date and time")
                                  : QStringLiteral("%1 to %2").arg(timeText(first), timeText(last));
    pdf.files = report_.files;
    pdf.made = QDateTime::currentDateTime();
    pdf.madeBy = QStringLiteral("zelm-view %1").arg(QCoreApplication::applicationVersion());
    pdf.statistics = stats_;
    // The whole period, with the sensors an export draws; the window's view back after.
    QList<QPair<double, double>> ranges;
    for (ChartPanel* panel : std::as_const(panels_)) {
        ranges.append({panel->timeStart(), panel->timeEnd()});
        panel->setShownSensors(exported);
        panel->setTimeRange(fullStart_, fullEnd_);
    }
    pdf.charts = int(panels_.size());
    pdf.heightFor = [this](int c, int width) { return panels_[c]->heightFor(width); };
    pdf.paintChart = [this](int c, QPainter& p, const QRect& rect) {
        panels_[c]->paintChart(p, rect);
    };
    const bool written = writePdfReport(path, pdf, error);
    for (int c = 0; c < panels_.size(); ++c)
        panels_[c]->setTimeRange(ranges[c].first, ranges[c].second);
    sensorsChanged();
    return written;
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
    else if (filter.contains("pdf"))
        done = exportPdf(path, error);
    else if (filter.startsWith("Statistics"))
        done = exportStatistics(path, error);
    else
        done = exportCsv(path, error);
    if (!done)
        QMessageBox::warning(
            this, QStringLiteral("zelm-view"),
            error.isEmpty() ? QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path))
                            : error);
}

} // namespace view
