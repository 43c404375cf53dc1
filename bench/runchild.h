#pragma once
// Runs a command to its end and measures it: wall time, CPU time and peak memory.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ChildRun {
    int status = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long maxRssKiB = 0;
};

/// argv[0] is looked up in PATH; standard output goes to outPath ("/dev/null" to drop it).
inline ChildRun runChild(const std::vector<std::string>& argv, const char* outPath = "/dev/null") {
    ChildRun r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0)
            dup2(fd, 1);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    rusage usage{};
    wait4(pid, &r.status, 0, &usage);
    r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
    r.maxRssKiB = usage.ru_maxrss;
    return r;
}

/// The fastest wall time of rounds runs of argv, each of which must succeed; rss is set to the
/// last run's peak memory.
inline double fastestRun(const std::vector<std::string>& argv, long& rss, int rounds = 3) {
    double fastest = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const ChildRun r = runChild(argv);
        if (r.status != 0) {
            std::fprintf(stderr, "%s failed (status %d)\n", argv[0].c_str(), r.status);
            std::exit(1);
        }
        fastest = std::min(fastest, r.wallSeconds);
        rss = r.maxRssKiB;
    }
    return fastest;
}
