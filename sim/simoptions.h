#pragma once
// zelm-sim's command line: what the simulated logger holds, how it sends, and the faults it plays.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

struct Options {
    std::string path = "/tmp/zelm";
    std::string raw;
    bool random = false; // made-up records instead of a logger's memory
    long records = 200;
    std::string sensors = "tx:2,bt:2,rx:1,bv:1";
    long interval = 300; // seconds between one sensor's readings
    double speed = 60;   // logger seconds per real second
    double history = 48; // hours the logger has been reading when first started
    std::string state;   // the state file; PATH.state
    bool fast = false;
    unsigned seed = 1;
    int menuDelayMs = 500;
    std::string unplug;
    std::string stall;
    bool noise = false;
    long markerAt = -1;
    bool endless = false;
    std::string afterEnd;               // sent between the end marker and the prompt
    std::string clearAnswer = "clears"; // how it takes "forward pointer"
    std::string restart;                // where it restarts, sending its boot menu again
};

inline bool isPhase(const std::string& p) {
    return p == "menu" || p == "prompt" || p == "start" || p == "mid" || p == "clear";
}

/// TEXT with \r, \n and \\ read as the characters they stand for.
inline std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

inline const char* const kUsage =
    "usage: zelm-sim [--sensors LIST] [--interval S] [--speed N] [--history HOURS]\n"
    "                [--state FILE] [--random | --records N | --raw FILE] [--fast] [--seed S]\n"
    "                [--menu-delay MS] [--unplug PHASE] [--stall PHASE] [--noise]\n"
    "                [--marker-at BYTE] [--endless] [--after-end TEXT] [--restart PHASE]\n"
    "                [--clear-answer clears|ignored|unknown|prompt] [PATH]\n"
    "       LIST: kinds and counts, tx:2,bt:2,rx:1,bv:1 by default\n"
    "       PHASE: menu, prompt, start, mid or clear\n"
    "       TEXT: \\r and \\n for CR and LF, %n for the report's bytes\n";

[[noreturn]] inline void usage(const std::string& why) {
    std::fprintf(stderr, "zelm-sim: %s\n", why.c_str());
    std::fputs(kUsage, stderr);
    std::exit(2);
}

/// --help and --version, answered at once.
inline void answerAndExit(const std::string& a) {
    if (a == "--help") {
        std::fputs(kUsage, stdout);
        std::puts("A simulated ZELM data logger on a pseudo-terminal linked at PATH "
                  "(default /tmp/zelm).\nIts sensors read every --interval seconds (300) on a "
                  "clock --speed times faster than real\ntime (60), starting --history hours "
                  "back (48); memory and clock are kept in --state\n(PATH.state). See "
                  "zelm-sim(1).");
        std::exit(0);
    }
    if (a == "--version") {
        std::printf("zelm-sim %s\n", ZURORUVE_VERSION);
        std::exit(0);
    }
}

/// The value of a phase option, checked.
inline std::string phaseOf(const std::string& option, const std::string& value) {
    if (!isPhase(value))
        usage(option + ": not a phase");
    return value;
}

/// Sets the option a that takes no value; false where a is none.
inline bool takeSwitch(Options& o, const std::string& a) {
    if (a == "--random")
        o.random = true;
    else if (a == "--fast")
        o.fast = true;
    else if (a == "--noise")
        o.noise = true;
    else if (a == "--endless")
        o.endless = true;
    else
        return false;
    return true;
}

/// Sets the option a from its value, which value() takes; false where a is none.
template <typename Value> bool takeValued(Options& o, const std::string& a, Value value) {
    if (a == "--raw") {
        o.raw = value();
        o.random = true;
    } else if (a == "--records") {
        o.records = std::atol(value().c_str());
        o.random = true;
        if (o.records < 0)
            usage("--records: not a number of records");
    } else if (a == "--sensors")
        o.sensors = value();
    else if (a == "--interval")
        o.interval = std::max(1L, std::atol(value().c_str()));
    else if (a == "--speed")
        o.speed = std::max(0.001, std::atof(value().c_str()));
    else if (a == "--history")
        o.history = std::max(0.0, std::atof(value().c_str()));
    else if (a == "--state")
        o.state = value();
    else if (a == "--seed")
        o.seed = static_cast<unsigned>(std::atol(value().c_str()));
    else if (a == "--menu-delay")
        o.menuDelayMs = std::atoi(value().c_str());
    else if (a == "--unplug")
        o.unplug = phaseOf(a, value());
    else if (a == "--stall")
        o.stall = phaseOf(a, value());
    else if (a == "--marker-at")
        o.markerAt = std::atol(value().c_str());
    else if (a == "--after-end")
        o.afterEnd = unescaped(value());
    else if (a == "--restart")
        o.restart = phaseOf(a, value());
    else if (a == "--clear-answer") {
        o.clearAnswer = value();
        if (o.clearAnswer != "clears" && o.clearAnswer != "ignored" && o.clearAnswer != "unknown" &&
            o.clearAnswer != "prompt")
            usage("--clear-answer: not clears, ignored, unknown or prompt");
    } else
        return false;
    return true;
}

/// The options of argv; a wrong one ends the program with the usage.
inline Options parse(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage(a + ": needs a value");
            return argv[++i];
        };
        answerAndExit(a);
        if (takeSwitch(o, a) || takeValued(o, a, value))
            continue;
        if (!a.empty() && a[0] == '-')
            usage("unknown option " + a);
        o.path = a;
    }
    if (o.state.empty())
        o.state = o.path + ".state";
    return o;
}
