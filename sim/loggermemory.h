#pragma once
// The memory of the simulated logger: a fixed set of sensors, each reading at its own regular
// interval with a little jitter, with the patterns of the places they watch, stored as the
// 19-byte records a logger keeps. The readings are worked out from the time alone, so a memory
// read out twice gives the same records for the same times. Plain C++: the simulator builds
// without Qt.

#include "sim/records.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace simlogger {

/// What a sensor watches, which decides the shape of its readings.
enum class Place {
    Fridge,   // TX: 3 to 6 degrees as the compressor cycles, the door left open once
    Freezer,  // TX: about -19 degrees, a defrost every 8 hours, its battery running low
    Room,     // BT: a daily cycle of temperature and humidity
    Cellar,   // BT: cool and damp, a small daily cycle
    ColdRoom, // RX: two probes, 4 to 6 degrees
    Battery,  // BV: a supply falling from 3.3 V
};

struct Sensor {
    int kind;  // 1 TX, 2 BT, 3 RX, 4 BV
    int index; // among the sensors of its kind, from 0: names its identifier
    Place place;
    std::int64_t intervalSeconds;
};

/// The sensors of a list such as "tx:2,bt:2,rx:1,bv:1" (the default), each reading every
/// intervalSeconds; empty, with why, for a list it cannot read.
inline std::vector<Sensor> sensorsFrom(const std::string& list, std::int64_t intervalSeconds,
                                       std::string& why) {
    static const char* const kinds[] = {"tx", "bt", "rx", "bv"};
    std::vector<Sensor> sensors;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const std::size_t comma = std::min(list.find(',', pos), list.size());
        const std::string item = list.substr(pos, comma - pos);
        const std::size_t colon = item.find(':');
        const std::string name = item.substr(0, colon);
        const int count = colon == std::string::npos ? 1 : std::atoi(item.c_str() + colon + 1);
        const auto known = std::find(std::begin(kinds), std::end(kinds), name);
        if (known == std::end(kinds) || count < 0 || count > 50) {
            why = "not a sensor list (such as tx:2,bt:2,rx:1,bv:1): " + list;
            return {};
        }
        const int kind = int(known - std::begin(kinds)) + 1;
        for (int i = 0; i < count; ++i) {
            static const Place places[][2] = {{Place::Fridge, Place::Freezer},
                                              {Place::Room, Place::Cellar},
                                              {Place::ColdRoom, Place::ColdRoom},
                                              {Place::Battery, Place::Battery}};
            sensors.push_back({kind, i, places[kind - 1][i % 2], intervalSeconds});
        }
        pos = comma + 1;
    }
    return sensors;
}

/// Seconds of the logger's clock, from 2000-01-01 00:00:00. The clock has no time zone.
using Seconds = std::int64_t;

namespace detail {

// A number from 0 to 1 for (sensor, reading), the same every time it is asked for.
inline double noise(const Sensor& s, std::int64_t k, unsigned salt = 0) {
    std::uint64_t x = std::uint64_t(k) * 0x9E3779B97F4A7C15ull ^
                      (std::uint64_t(s.kind * 64 + s.index) << 40) ^ (std::uint64_t(salt) << 56);
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return double(x % 1000003) / 1000003.0;
}

constexpr double kPi = 3.14159265358979323846;

// Where in a cycle of period seconds the time t lies, from 0 to 1.
inline double phase(Seconds t, Seconds period) {
    return double(((t % period) + period) % period) / double(period);
}

inline double daily(Seconds t, double peakHour) {
    return std::cos(2 * kPi * (phase(t, 86400) - peakHour / 24));
}

// The first value; the second, where the kind has one (BT humidity, the second RX probe).
struct Reading {
    double first, second = 0;
    bool lowBattery = false;
};

inline Reading read(const Sensor& s, Seconds t, Seconds sinceDeployed, std::int64_t k) {
    const double jitter = noise(s, k, 1) - 0.5;
    switch (s.place) {
    case Place::Fridge: {
        // Warms from 3 to 6 degrees in 30 minutes, the compressor cools it back in 10.
        const double p = phase(t + s.index * 600, 2400);
        double value = p < 0.75 ? 3 + 4 * p : 6 - 12 * (p - 0.75);
        const Seconds door = 30 * 3600 + s.index * 7200; // left open for a while, once
        if (sinceDeployed >= door && sinceDeployed < door + 3600)
            value += 7 * std::exp(-double(sinceDeployed - door) / 900.0) *
                     std::min(1.0, double(sinceDeployed - door + 300) / 600.0);
        return {value + 0.2 * jitter};
    }
    case Place::Freezer: {
        const double p = phase(t, 8 * 3600); // a defrost every 8 hours, 20 minutes long
        const double defrost = p < 1200.0 / 28800 ? std::sin(kPi * p * 28800 / 1200) : 0;
        return {-19 + 0.6 * std::sin(2 * kPi * phase(t, 3000)) + 13 * defrost + 0.3 * jitter, 0,
                sinceDeployed > 44 * 3600};
    }
    case Place::Room:
        return {21 + 2.5 * daily(t, 15) + 0.3 * jitter, 45 - 9 * daily(t, 15) + 1.5 * jitter};
    case Place::Cellar:
        return {12 + 0.8 * daily(t, 17) + 0.2 * jitter, 78 - 4 * daily(t, 17) + 1.0 * jitter};
    case Place::ColdRoom:
        return {4.8 + 0.7 * daily(t, 14) + 0.2 * jitter, 5.6 + 0.6 * daily(t, 13) - 0.2 * jitter};
    case Place::Battery:
        return {3.3 - 0.006 * double(sinceDeployed) / 3600 + 0.01 * jitter};
    }
    return {0};
}

// The counts of a BT sensor for a temperature and humidity: the decoder's formulas, searched.
inline int temperatureCount(double celsius) {
    const auto temperature = [](int c) {
        return -39.7 + 0.04 * c - 3.2e-7 * (c - 1750.0) * (c - 1750.0);
    };
    int low = 0, high = 4095;
    while (low < high) {
        const int mid = (low + high) / 2;
        temperature(mid) < celsius ? low = mid + 1 : high = mid;
    }
    return low;
}
inline int humidityCount(double percent, double celsius) {
    const auto humidity = [celsius](int c) {
        const double h =
            c < 2500 ? -1.5955e-6 * c * c + 0.0367 * c - 2.0468 : -2.8e-6 * c * c + 0.0405 * c - 4;
        return (c * 0.00008 + 0.01) * (celsius - 25) + h;
    };
    int low = 0, high = 4095;
    while (low < high) {
        const int mid = (low + high) / 2;
        humidity(mid) < percent ? low = mid + 1 : high = mid;
    }
    return low;
}

inline std::string record(const Sensor& s, Seconds t, const Reading& r, std::int64_t number) {
    using namespace std::chrono;
    const sys_seconds when{seconds(t) + (sys_days(year(2000) / 1 / 1) - sys_days())};
    const year_month_day date(floor<days>(when));
    const hh_mm_ss clock(when - floor<days>(when));
    std::uint8_t b[19] = {};
    b[0] = std::uint8_t(number >> 8 & 0x7F); // a slot in use: never FF FF
    b[1] = std::uint8_t(number);
    b[2] = bcdByte(int(date.year()) % 100);
    b[3] = bcdByte(int(unsigned(date.month())));
    b[4] = bcdByte(int(unsigned(date.day())));
    b[5] = bcdByte(int(clock.hours().count()));
    b[6] = bcdByte(int(clock.minutes().count()));
    b[7] = bcdByte(int(clock.seconds().count()));
    b[8] = std::uint8_t(s.kind);
    const auto word = [](double v) { return std::uint16_t(std::int16_t(std::lround(v * 256))); };
    switch (s.kind) {
    case 1: { // identifier low byte first; the reading in sixteenths, the status below it
        const std::uint16_t id = std::uint16_t(101 + s.index), w = word(r.first) & 0xFFF0;
        b[9] = std::uint8_t(id);
        b[10] = std::uint8_t(id >> 8);
        b[15] = std::uint8_t((w & 0xF0) | (r.lowBattery ? 4 : 0));
        b[16] = std::uint8_t(w >> 8);
        break;
    }
    case 2: {
        const std::uint8_t id[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, std::uint8_t(0x5E + s.index)};
        std::copy(std::begin(id), std::end(id), b + 9);
        const int tc = temperatureCount(r.first), hc = humidityCount(r.second, r.first);
        b[15] = std::uint8_t(tc);
        b[16] = std::uint8_t(tc >> 8);
        b[17] = std::uint8_t(hc);
        b[18] = std::uint8_t(hc >> 8);
        break;
    }
    case 3: { // identifier high byte first; the readings low byte first
        const std::uint16_t id = std::uint16_t(42 + s.index), w1 = word(r.first),
                            w2 = word(r.second);
        b[9] = std::uint8_t(id >> 8);
        b[10] = std::uint8_t(id);
        b[15] = std::uint8_t(w1);
        b[16] = std::uint8_t(w1 >> 8);
        b[17] = std::uint8_t(w2);
        b[18] = std::uint8_t(w2 >> 8);
        break;
    }
    case 4: { // identifier and raw value high byte first; volts = raw * 32.5 / 1000
        const std::uint16_t id = std::uint16_t(7 + s.index),
                            raw = std::uint16_t(std::lround(r.first * 1000 / 32.5));
        b[9] = std::uint8_t(id >> 8);
        b[10] = std::uint8_t(id);
        b[15] = std::uint8_t(raw >> 8);
        b[16] = std::uint8_t(raw);
        break;
    }
    }
    return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

} // namespace detail

/// The records of every reading taken in [from, to), in the order they were taken, by sensors
/// deployed (first reading) at deployed.
inline std::string recordsBetween(const std::vector<Sensor>& sensors, Seconds deployed,
                                  Seconds from, Seconds to) {
    struct Taken {
        Seconds t;
        std::size_t sensor;
        std::int64_t k;
    };
    std::vector<Taken> taken;
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        const Sensor& s = sensors[i];
        // Each sensor keeps its own rhythm: offset within the interval, and up to 20 s of jitter.
        const Seconds offset = Seconds(detail::noise(s, -1) * double(s.intervalSeconds));
        const auto at = [&](std::int64_t k) {
            return deployed + offset + k * s.intervalSeconds +
                   Seconds(40 * detail::noise(s, k, 2)) - 20;
        };
        for (std::int64_t k = std::max<std::int64_t>(0, (from - deployed) / s.intervalSeconds - 1);
             at(k) < to; ++k)
            if (at(k) >= from)
                taken.push_back({at(k), i, k});
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [](const Taken& a, const Taken& b) { return a.t < b.t; });
    std::string records;
    records.reserve(taken.size() * 19);
    for (const Taken& r : taken) {
        const Sensor& s = sensors[r.sensor];
        records += detail::record(s, r.t, detail::read(s, r.t, r.t - deployed, r.k), r.k);
    }
    return records;
}

// The logger's memory and clock, kept in a state file between runs as a logger keeps them
// while no program is connected: where its clock stood at a real time, when its sensors began
// reading, and when it was last cleared.
class Memory {
public:
    /// Reads the state file at path, or starts one: sensors of the list (see sensorsFrom), a
    /// clock running speed times real time, history hours of readings at the first start.
    bool load(const std::string& path, const std::string& list, std::int64_t interval, double speed,
              double history, std::string& why) {
        sensors_ = sensorsFrom(list, interval, why);
        if (sensors_.empty())
            return why.empty() ? (why = "no sensors", false) : false;
        path_ = path;
        std::FILE* f = std::fopen(path_.c_str(), "r");
        if (f) {
            long long logger = 0, deployed = 0, cleared = 0;
            double real = 0, speed = 0;
            const int n = std::fscanf(f,
                                      "zelm-sim state 1\nreal=%lf\nlogger=%lld\nspeed=%lf\n"
                                      "deployed=%lld\ncleared=%lld\n",
                                      &real, &logger, &speed, &deployed, &cleared);
            std::fclose(f);
            if (n != 5) {
                why = path_ + " is not a state file of zelm-sim";
                return false;
            }
            realAnchor_ = real;
            loggerAnchor_ = logger;
            speed_ = speed;
            deployed_ = deployed;
            cleared_ = cleared;
            // The clock ran on while the simulator was off; from now on at the speed asked for.
            loggerAnchor_ = now();
        } else {
            // First run: the clock set to the PC's wall-clock time, the sensors reading for
            // history hours already.
            std::time_t t = std::time(nullptr);
            std::tm tm{};
            localtime_r(&t, &tm);
            using namespace std::chrono;
            const sys_days day = year(tm.tm_year + 1900) / (tm.tm_mon + 1) / tm.tm_mday;
            loggerAnchor_ = (day - sys_days(year(2000) / 1 / 1)).count() * 86400LL +
                            tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
            deployed_ = cleared_ = loggerAnchor_ - Seconds(history * 3600);
        }
        realAnchor_ = realNow();
        speed_ = speed;
        return save(why);
    }

    /// Everything read since the last clear.
    std::string read() const { return recordsBetween(sensors_, deployed_, cleared_, now()); }

    bool clear(std::string& why) {
        cleared_ = now();
        return save(why);
    }

    std::string summary() const {
        return std::to_string(sensors_.size()) + " sensors, " + std::to_string(read().size() / 19) +
               " readings stored, clock at " +
               std::to_string(speed_).substr(0, std::to_string(speed_).find('.')) +
               " times real time, kept in " + path_;
    }

private:
    static double realNow() {
        using namespace std::chrono;
        return duration<double>(system_clock::now().time_since_epoch()).count();
    }
    Seconds now() const { return loggerAnchor_ + Seconds((realNow() - realAnchor_) * speed_); }
    bool save(std::string& why) const {
        const std::string temporary = path_ + ".new";
        std::FILE* f = std::fopen(temporary.c_str(), "w");
        if (!f ||
            std::fprintf(f,
                         "zelm-sim state 1\nreal=%.3f\nlogger=%lld\nspeed=%g\n"
                         "deployed=%lld\ncleared=%lld\n",
                         realAnchor_, static_cast<long long>(loggerAnchor_), speed_,
                         static_cast<long long>(deployed_), static_cast<long long>(cleared_)) < 0 ||
            std::fclose(f) != 0 || std::rename(temporary.c_str(), path_.c_str()) != 0) {
            why = "cannot write " + path_ + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    std::vector<Sensor> sensors_;
    std::string path_;
    double realAnchor_ = 0, speed_ = 1;
    Seconds loggerAnchor_ = 0, deployed_ = 0, cleared_ = 0;
};

} // namespace simlogger
