#pragma once
// A TX record of the benchmarks' generated reports: a transmitter's temperature at a time.

#include <cmath>
#include <cstdint>
#include <ctime>

/// Writes the 19 bytes of a TX record of transmitter 100 + sensor, taken at t (UTC fields as
/// the stamp), with a low battery when low.
inline void TxRecord(std::uint8_t (&r)[19], std::time_t t, int sensor, double temperature,
                     bool low = false) {
    const auto bcd = [](int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); };
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int word = int(std::lround(temperature * 256)) & 0xFFF0;
    r[0] = 0x00;
    r[1] = 0x07;
    r[2] = bcd(tm.tm_year % 100);
    r[3] = bcd(tm.tm_mon + 1);
    r[4] = bcd(tm.tm_mday);
    r[5] = bcd(tm.tm_hour);
    r[6] = bcd(tm.tm_min);
    r[7] = bcd(tm.tm_sec);
    r[8] = 0x01;
    r[9] = std::uint8_t(100 + sensor);
    for (int k = 10; k < 19; ++k)
        r[k] = 0;
    r[15] = std::uint8_t((word & 0xF0) | (low ? 4 : 0));
    r[16] = std::uint8_t(word >> 8);
}
