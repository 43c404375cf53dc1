// Decoding speed and memory of zelm-decode on random reports, against xxd hex-dumping the
// same file. Usage: decode_bench ZELM_DECODE [RECORDS]
#include "runchild.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// Random records of every kind, with some empty slots and unknown kinds.
void writeReport(const std::string& path, long records, std::uint32_t seed) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::mt19937 rng(seed);
    unsigned char rec[19];
    for (long i = 0; i < records; ++i) {
        for (auto& b : rec)
            b = static_cast<unsigned char>(rng());
        rec[8] = static_cast<unsigned char>(1 + rng() % 4);
        if (rng() % 20 == 0)
            rec[0] = rec[1] = 0xFF;
        if (rng() % 50 == 0)
            rec[8] = 7;
        std::fwrite(rec, 1, sizeof rec, f);
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_bench ZELM_DECODE [RECORDS]\n");
        return 2;
    }
    const std::string tool = argv[1];
    const long records = argc > 2 ? std::atol(argv[2]) : 1000000;
    const std::string big = "/tmp/zuroruve-bench-big.dat";
    const std::string small = "/tmp/zuroruve-bench-small.dat";
    writeReport(big, records, 1);
    writeReport(small, records / 10, 2);

    long rssBig = 0, rssSmall = 0, rssXxd = 0;
    const double decode = fastestRun({tool, big}, rssBig);
    fastestRun({tool, small}, rssSmall, 1);
    const double xxd = fastestRun({"xxd", big}, rssXxd);
    const double mb = records * 19 / 1e6;
    std::printf("report: %ld records, %.1f MB\n", records, mb);
    std::printf("zelm-decode: %.3f s (%.1f MB/s), peak memory %ld KiB\n", decode, mb / decode,
                rssBig);
    std::printf("zelm-decode on a tenth of it: peak memory %ld KiB\n", rssSmall);
    std::printf("xxd: %.3f s (%.1f MB/s)\n", xxd, mb / xxd);
    std::printf("ratio zelm-decode / xxd: %.2f (goal: at most 1)\n", decode / xxd);
    std::remove(big.c_str());
    std::remove(small.c_str());
    return 0;
}
