#pragma once
// Report records made up for the simulated logger, the tests and the benchmarks: a mix of every
// kind, or one TX record at a time. Plain C++: the simulator builds without Qt.

#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>
#include <string>

/// One BCD byte of n (0-99).
inline std::uint8_t bcdByte(int n) {
    return std::uint8_t((n / 10) << 4 | (n % 10));
}

/// records records of every kind, a minute apart: empty slots, low-battery and invalid TX, BT
/// with plausible counts, RX with one, the other, both or no reading, BV of 3 to 4 volts.
inline std::string mixedRecords(long records, unsigned seed) {
    std::mt19937 rng(seed);
    std::string report;
    report.reserve(records * 19);
    for (long i = 0; i < records; ++i) {
        unsigned char r[19];
        for (auto& b : r)
            b = static_cast<unsigned char>(rng());
        const long minute = i;
        r[0] = 0x00;
        r[1] = static_cast<unsigned char>(1 + i % 250);
        r[2] = bcdByte(24);
        r[3] = bcdByte(1 + (minute / 43200) % 12);
        r[4] = bcdByte(1 + (minute / 1440) % 28);
        r[5] = bcdByte((minute / 60) % 24);
        r[6] = bcdByte(minute % 60);
        r[7] = bcdByte(static_cast<int>(rng() % 60));
        const int kind = static_cast<int>(i % 4) + 1;
        r[8] = static_cast<unsigned char>(kind);
        switch (kind) {
        case 1: // TX: readings around 20 degrees, some low battery, some invalid
            r[15] = static_cast<unsigned char>((r[15] & 0xF0) | (i % 13 == 0 ? 4 : 0) |
                                               (i % 29 == 0 ? 3 : 0));
            r[16] = static_cast<unsigned char>(10 + rng() % 20);
            break;
        case 2: // BT: counts of plausible temperatures and humidities
            r[15] = static_cast<unsigned char>(0x40 + rng() % 0x80);
            r[16] = 0x06;
            r[17] = static_cast<unsigned char>(rng());
            r[18] = static_cast<unsigned char>(0x05 + rng() % 6);
            break;
        case 3: // RX: one, the other, both or no reading
            r[16] = static_cast<unsigned char>(rng() % 40);
            r[18] = static_cast<unsigned char>(rng() % 40);
            if (i % 7 == 2) {
                r[15] = 0x00;
                r[16] = 0x80;
            }
            if (i % 5 == 2) {
                r[17] = 0x00;
                r[18] = 0x80;
            }
            break;
        case 4: // BV: 3 to 4 volts
            r[15] = 0x00;
            r[16] = static_cast<unsigned char>(92 + rng() % 32);
            break;
        }
        if (i % 17 == 16)
            r[0] = r[1] = 0xFF; // empty slot
        report.append(reinterpret_cast<const char*>(r), sizeof r);
    }
    return report;
}

/// Writes the 19 bytes of a TX record of transmitter 100 + sensor, taken at t (UTC fields as
/// the stamp), with a low battery when low.
inline void txRecord(std::uint8_t (&r)[19], std::time_t t, int sensor, double temperature,
                     bool low = false) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int word = int(std::lround(temperature * 256)) & 0xFFF0;
    r[0] = 0x00;
    r[1] = 0x07;
    r[2] = bcdByte(tm.tm_year % 100);
    r[3] = bcdByte(tm.tm_mon + 1);
    r[4] = bcdByte(tm.tm_mday);
    r[5] = bcdByte(tm.tm_hour);
    r[6] = bcdByte(tm.tm_min);
    r[7] = bcdByte(tm.tm_sec);
    r[8] = 0x01;
    r[9] = std::uint8_t(100 + sensor);
    for (int k = 10; k < 19; ++k)
        r[k] = 0;
    r[15] = std::uint8_t((word & 0xF0) | (low ? 4 : 0));
    r[16] = std::uint8_t(word >> 8);
}
