// zelm-view on a year of kept downloads: a logger read every few days and never cleared. The
// logger holds the latest 200 000 records; 30 downloads of 200 000 records (6 000 000 read,
// about 3 100 000 unique), each overlapping the one before by half. Two loggers, each a case:
// - shared: 50 transmitters, a BT and the logger's BV all stamped at :00 of every 5 minutes,
//   as loggers that read their channels at one scheduled moment do (52 readings a second);
// - staggered: 50 transmitters every 5 minutes, a second apart.
// Prints for each, each figure the fastest of three runs taken in turns:
// - zelm-view --png --csv of the folder against the pipeline a user would write (each file
//   through zelm-decode, sort -u of all lines, gnuplot pngcairo plotting the merged file with
//   dots: a line through 50 interleaved sensors is no plot to compare with): goal <= 0.25;
//   beside it, the history read and merged in this process against zelm-decode | sort -u;
// - its peak memory beyond that of a one-reading run, per unique reading: goal <= 48 bytes;
// - a zoom step's repaint on the whole history against one on a single download: goal <= 2;
// - with "sensors": zelm-view --png with every sensor named, calibrated and limited against one
//   without settings (goal <= 1.10), and --pdf against --png with them (goal <= 1.5).
// Usage: history_bench ZELM_DECODE ZELM_VIEW [DOWNLOADS [shared|staggered|zoom|sensors]];
// "shared" and "staggered" measure that case only, "zoom" and "sensors" that only (staggered).

#include "runchild.h"
#include "sim/records.h"
#include "view/model/history.h"
#include "view/render/chartpainter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr long kHeld = 200000; // records the logger holds
constexpr int kSensors = 50;

// The BT's or the BV's record of a step, at t: plausible counts and a battery of 3 to 4 volts.
void stationRecord(std::uint8_t (&r)[19], std::time_t t, bool bt, long step) {
    txRecord(r, t, 0, 0); // the stamp
    r[8] = bt ? 0x02 : 0x04;
    r[9] = 0x00;
    r[10] = 0x1A;
    const int swing = int(step % 288);
    if (bt) {
        const int t = 0x600 + swing, h = 0x600 + (swing * 7) % 0x300; // counts, low byte first
        r[15] = std::uint8_t(t & 0xFF), r[16] = std::uint8_t(t >> 8);
        r[17] = std::uint8_t(h & 0xFF), r[18] = std::uint8_t(h >> 8);
    } else {
        r[15] = 0x00, r[16] = std::uint8_t(92 + swing % 32);
    }
}

// Records first to first + count of the logger's endless sequence, as a raw report: per step of
// 5 minutes the transmitters (shared: and the BT and BV), each sensor's reading from a day's
// swing and a year's, its offset and a little hash-made noise.
void writeDownload(const std::string& path, long first, long count, bool shared) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::tm start{};
    start.tm_year = 125; // 2025-01-01 00:00
    start.tm_mday = 1;
    const std::time_t t0 = timegm(&start);
    std::vector<std::uint8_t> out;
    out.reserve(size_t(count) * 19);
    const int perStep = shared ? kSensors + 2 : kSensors;
    for (long i = first; i < first + count; ++i) {
        const int sensor = int(i % perStep);
        const long step = i / perStep;
        // At one moment, or a second apart within the 5 minutes.
        const std::time_t t = t0 + step * 300 + (shared ? 0 : sensor);
        std::uint8_t r[19];
        if (sensor >= kSensors) {
            stationRecord(r, t, sensor == kSensors, step);
            out.insert(out.end(), r, r + 19);
            continue;
        }
        const double day = std::sin(double(step % 288) * 2 * M_PI / 288);
        const double year = std::sin(double(step) * 2 * M_PI / 105120);
        const double noise = double((i * 2654435761U) % 1000) / 2000.0;
        txRecord(r, t, sensor, 15 + 4 * day + 8 * year + sensor * 0.2 + noise);
        out.insert(out.end(), r, r + 19);
    }
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

// The time of one zoom step from the whole time range (in by 0.8 about the middle, as the wheel
// does) on the report's chart, painted at the window's size: the fastest of several.
double zoomStep(const view::Report& report) {
    const QList<view::Quantity> charts = view::quantities(report);
    const QList<bool> drawn(report.sensors.size(), true);
    const QList<int> pens = view::sensorPens(report, drawn);
    double x0 = 0, x1 = 1;
    view::timeSpan(charts.first(), x0, x1);
    const double middle = (x0 + x1) / 2;
    const view::ChartView whole = view::chartView(charts.first(), drawn, pens, x0, x1);
    const view::ChartView zoomed = view::chartView(
        charts.first(), drawn, pens, middle - (middle - x0) * 0.8, middle + (x1 - middle) * 0.8);
    QImage image(1100, view::chartHeight(whole, 1100), QImage::Format_RGB32);
    QPainter painter(&image);
    const QRect rect(QPoint(0, 0), image.size());
    double fastest = 1e9;
    for (int round = 0; round < 25; ++round) {
        view::paintChart(painter, rect, whole);
        QElapsedTimer timer;
        timer.start();
        view::paintChart(painter, rect, zoomed);
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e6);
    }
    return fastest;
}

int sensors(const std::string& view, const std::string& dir, const std::string& data) {
    // Every sensor named and calibrated, shared limits the readings cross daily, and some
    // sensors with their own.
    const std::string none = dir + "/none.ini", named = dir + "/named.ini";
    std::FILE* f = std::fopen(named.c_str(), "w");
    std::fprintf(f, "[ZuroRuve]\nPort=1\n[Limits]\nTemperatureLow=8\nTemperatureHigh=25\n");
    for (int s = 0; s < kSensors; ++s) {
        std::fprintf(f, "[Sensor TX %05d]\nName=Room %d\nOffset=-0.3\nGain=1.01\n", 100 + s, s);
        if (s % 5 == 0)
            std::fprintf(f, "TemperatureHigh=%d\n", 20 + s / 5);
    }
    std::fclose(f);
    f = std::fopen(none.c_str(), "w");
    std::fclose(f);
    const std::string png = dir + "/sensors.png", pdf = dir + "/sensors.pdf";
    const std::vector<std::vector<std::string>> runs{
        {view, "--settings", none, "--png", png, data},
        {view, "--settings", named, "--png", png, data},
        {view, "--settings", named, "--pdf", pdf, data}};
    // The fastest of five of each, taken in turns so that a busy moment of the machine does not
    // fall on one of them alone; wall time and CPU time.
    double wall[3] = {1e9, 1e9, 1e9}, cpu[3] = {1e9, 1e9, 1e9};
    for (int round = 0; round < 5; ++round) {
        for (size_t k = 0; k < runs.size(); ++k) {
            const ChildRun run = runChild(runs[k]);
            if (run.status != 0) {
                std::fprintf(stderr, "zelm-view failed (status %d)\n", run.status);
                return 1;
            }
            wall[k] = std::min(wall[k], run.wallSeconds);
            cpu[k] = std::min(cpu[k], run.cpuSeconds);
        }
    }
    std::printf("zelm-view --png, fastest of 5: without settings %.2f s (CPU %.2f s), with names, "
                "calibration and limits %.2f s (CPU %.2f s): ratio %.3f, CPU %.3f (goal <= "
                "1.10)\n",
                wall[0], cpu[0], wall[1], cpu[1], wall[1] / wall[0], cpu[1] / cpu[0]);
    std::printf("zelm-view --pdf %.2f s (CPU %.2f s) against --png %.2f s: ratio %.3f, CPU %.3f "
                "(goal <= 1.5)\n",
                wall[2], cpu[2], wall[1], wall[2] / wall[1], cpu[2] / cpu[1]);
    std::printf("files: %s, %s\n", png.c_str(), pdf.c_str());
    return 0;
}

// One case: its downloads written into a folder of dir, the pipeline and zelm-view run against
// each other, then the history read in this process (and freed before the next case: a child
// started while it is held would count it among its own peak memory).
int measure(const char* decode, const char* view, const std::string& dir, int downloads,
            bool shared, bool zoom) {
    const std::string base = dir + (shared ? "/shared" : "/staggered");
    const std::string data = base + "/DATA", one = base + "/one";
    mkdir(base.c_str(), 0755);
    mkdir(data.c_str(), 0755);
    mkdir(one.c_str(), 0755);
    char name[64];
    for (int k = 0; k < downloads; ++k) {
        std::snprintf(name, sizeof name, "/in-2025%04d-120000.dat", k);
        writeDownload(data + name, k * kHeld / 2, kHeld, shared);
    }
    writeDownload(one + "/in.dat", 0, 1, shared);
    const long records = downloads * kHeld;
    std::printf("== %s: %s\n", shared ? "shared" : "staggered",
                shared ? "50 transmitters, a BT and a BV at :00 of every 5 minutes"
                       : "50 transmitters every 5 minutes, a second apart");

    ChildRun piped, viewRun, baseline, sorted, plotted;
    if (!zoom) {
        // The pipeline, in two shells: the merge (decode, sort -u) and the plot, timed apart.
        const std::string script = base + "/plot.gp";
        std::FILE* gp = std::fopen(script.c_str(), "w");
        std::fprintf(gp,
                     "set terminal pngcairo size 1100,360\nset output '%s/gnuplot.png'\n"
                     "set datafile separator '\\t'\nset xdata time\n"
                     "set timefmt '%%Y-%%m-%%d-%%H-%%M-%%S'\nset format x '%%Y-%%m-%%d'\n"
                     "plot '%s/unique.txt' using 2:5 with dots notitle\n",
                     base.c_str(), base.c_str());
        std::fclose(gp);
        const std::string merge = std::string("for f in ") + data + "/*.dat; do '" + decode +
                                  "' \"$f\"; done | sort -u -S 25% > " + base + "/unique.txt";
        const std::vector<std::string> run{
            view, "--png", base + "/view.png", "--csv", base + "/view.csv", data};
        sorted.wallSeconds = plotted.wallSeconds = viewRun.wallSeconds = 1e9;
        for (int round = 0; round < 3; ++round) { // in turns, so a busy moment hits all alike
            const ChildRun m = runChild({"sh", "-c", merge});
            const ChildRun p = runChild({"gnuplot", script});
            const ChildRun v = runChild(run);
            if (m.status != 0 || p.status != 0 || v.status != 0) {
                std::fprintf(stderr, "a run failed (merge %d, gnuplot %d, zelm-view %d)\n",
                             m.status, p.status, v.status);
                return 1;
            }
            sorted.wallSeconds = std::min(sorted.wallSeconds, m.wallSeconds);
            plotted.wallSeconds = std::min(plotted.wallSeconds, p.wallSeconds);
            if (v.wallSeconds < viewRun.wallSeconds)
                viewRun = v;
        }
        piped.wallSeconds = sorted.wallSeconds + plotted.wallSeconds;
        baseline = runChild({view, "--png", base + "/one.png", one});
        if (baseline.status != 0) {
            std::fprintf(stderr, "zelm-view failed\n");
            return 1;
        }
    }

    double readSeconds = 1e9;
    view::Report history;
    for (int round = 0; round < (zoom ? 1 : 3); ++round) {
        history = {};
        QElapsedTimer timer;
        timer.start();
        history = view::readHistory({QString::fromStdString(data)});
        readSeconds = std::min(readSeconds, double(timer.nsecsElapsed()) / 1e9);
    }
    if (!zoom) {
        const long unique = long(history.readings.size());
        std::printf("%d downloads, %ld records read, %ld unique readings, %lld repeated\n",
                    downloads, records, unique, history.repeated);
        std::printf("read and merged in this process %.2f s, zelm-decode | sort -u %.2f s: ratio "
                    "%.3f\n",
                    readSeconds, sorted.wallSeconds, readSeconds / sorted.wallSeconds);
        std::printf("zelm-view --png --csv %.2f s (CPU %.2f s), pipeline %.2f s (zelm-decode | "
                    "sort -u %.2f s, gnuplot with dots %.2f s): ratio %.3f (goal <= 0.25), "
                    "fastest of 3 each\n",
                    viewRun.wallSeconds, viewRun.cpuSeconds, piped.wallSeconds, sorted.wallSeconds,
                    plotted.wallSeconds, viewRun.wallSeconds / piped.wallSeconds);
        const double perReading = double(viewRun.maxRssKiB - baseline.maxRssKiB) * 1024 / unique;
        std::printf("peak memory %ld MiB, of a one-reading run %ld MiB: %.1f bytes per unique "
                    "reading beyond (goal <= 48)\n",
                    viewRun.maxRssKiB / 1024, baseline.maxRssKiB / 1024, perReading);
        std::printf("pictures: %s/view.png, %s/gnuplot.png\n", base.c_str(), base.c_str());
    }
    if (shared && !zoom)
        return 0;
    const double all = zoomStep(history);
    std::snprintf(name, sizeof name, "/in-2025%04d-120000.dat", downloads / 2);
    const double single = zoomStep(view::readHistory({QString::fromStdString(data + name)}));
    std::printf("zoom step: history %.2f ms, one download %.2f ms: ratio %.2f (goal <= 2)\n", all,
                single, all / single);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: history_bench ZELM_DECODE ZELM_VIEW [DOWNLOADS "
                             "[shared|staggered|zoom|sensors]]\n");
        return 2;
    }
    const int downloads = argc > 3 ? std::atoi(argv[3]) : 30;
    const std::string only = argc > 4 ? argv[4] : "";
    char dir[] = "/tmp/history_bench.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C", 1); // a point as the decimal separator; sort by bytes
    if (only == "sensors") {
        const std::string data = std::string(dir) + "/DATA";
        mkdir(data.c_str(), 0755);
        char name[64];
        for (int k = 0; k < downloads; ++k) {
            std::snprintf(name, sizeof name, "/in-2025%04d-120000.dat", k);
            writeDownload(data + name, k * kHeld / 2, kHeld, false);
        }
        return sensors(argv[2], dir, data);
    }
    QGuiApplication app(argc, argv);
    const bool zoom = only == "zoom";
    for (const bool shared : {true, false}) {
        if ((only == "shared" && !shared) || ((only == "staggered" || zoom) && shared))
            continue;
        if (const int status = measure(argv[1], argv[2], dir, downloads, shared, zoom))
            return status;
    }
    return 0;
}
