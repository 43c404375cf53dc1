// zelm-view on a realistic large report against gnuplot: 1 000 000 records of 50 transmitters,
// one reading a minute each, in time order. Both plot the same decoded file's values against
// time into a PNG; the ratio of their times is the figure (goal <= 1.0).
// Usage: view_bench ZELM_DECODE ZELM_VIEW [RECORDS]

#include "runchild.h"
#include "sim/records.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

namespace {

void writeReport(const std::string& path, long records) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 0.3);
    constexpr int kSensors = 50;
    std::tm start{};
    start.tm_year = 125; // 2025-06-01 00:00
    start.tm_mon = 5;
    start.tm_mday = 1;
    const std::time_t t0 = timegm(&start);
    for (long i = 0; i < records; ++i) {
        const int sensor = int(i % kSensors);
        const long minute = i / kSensors;
        const std::time_t t = t0 + minute * 60 + sensor; // a second apart within the minute
        const double temperature = 20 + 5 * std::sin(minute * 2 * M_PI / 1440) + sensor * 0.1 +
                                   noise(rng) + (rng() % 100000 == 0 ? 15 : 0); // rare spikes
        std::uint8_t r[19];
        txRecord(r, t, sensor, temperature, minute > 15000 && sensor == 7);
        std::fwrite(r, 1, sizeof r, f);
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: view_bench ZELM_DECODE ZELM_VIEW [RECORDS]\n");
        return 2;
    }
    const long records = argc > 3 ? std::atol(argv[3]) : 1000000;
    char dir[] = "/tmp/view_bench.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    const std::string raw = std::string(dir) + "/in.dat";
    const std::string decoded = std::string(dir) + "/out.txt";
    const std::string script = std::string(dir) + "/plot.gp";
    writeReport(raw, records);
    setenv("LC_ALL", "C", 1); // a point as the decimal separator, for gnuplot
    if (runChild({argv[1], raw}, decoded.c_str()).status != 0)
        return 1;
    std::FILE* gp = std::fopen(script.c_str(), "w");
    std::fprintf(gp,
                 "set terminal pngcairo size 1100,360\nset output '%s/gnuplot.png'\n"
                 "set datafile separator '\\t'\nset xdata time\n"
                 "set timefmt '%%Y-%%m-%%d-%%H-%%M-%%S'\nset format x '%%Y-%%m-%%d'\n"
                 "plot '%s' using 2:5 with lines notitle\n",
                 dir, decoded.c_str());
    std::fclose(gp);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    long viewRss = 0, gnuplotRss = 0;
    const double view =
        fastestRun({argv[2], "--png", std::string(dir) + "/view.png", decoded}, viewRss);
    const double gnuplot = fastestRun({"gnuplot", script}, gnuplotRss);
    std::printf("%ld records: zelm-view --png %.2f s (%ld MiB), gnuplot pngcairo %.2f s "
                "(%ld MiB), ratio %.2f (goal <= 1.0)\n",
                records, view, viewRss / 1024, gnuplot, gnuplotRss / 1024, view / gnuplot);
    std::printf("pictures: %s/view.png, %s/gnuplot.png\n", dir, dir);
    return 0;
}
