// zelm-sim: a simulated ZELM data logger on a pseudo-terminal. Long, but one idea: a program
// that plays the logger's side of the dialogue, as one file that builds alone.
//
//   zelm-sim [--raw FILE | --records N] [--fast] [--seed S] [--menu-delay MS]
//            [--unplug PHASE] [--stall PHASE] [--noise] [--marker-at BYTE] [--endless] [PATH]
//                                                                 PHASE: menu|prompt|start|mid
//
// Links PATH (default /tmp/zelm) to the terminal's slave side and prints PATH on its first
// line. When a program opens the port the device resets after --menu-delay milliseconds (or
// when Enter is pressed here) and sends its boot menu; "1" leaves it for the "cmd>" prompt;
// "report 0" CR sends the stored report between "!@#$" and "%^&*"; "forward pointer" CR
// empties it. Output is paced at 115 200 baud (11 520 bytes/s) unless --fast. --unplug
// closes the line at the given point of the next download, as a pulled cable would; --stall
// stops sending there but keeps the line open; --noise sends garbage instead of a boot menu;
// --marker-at puts the end marker's four bytes into the report's data at that byte, as a record
// may hold them; --endless sends records without end after the start marker.

#include "tools/records.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::string; // raw bytes; std::string holds NUL and 0x80-0xFF as they are

const Bytes kStart = "!@#$";
const Bytes kEnd = "%^&*";
const Bytes kMenu = "\r\nZELM data logger, firmware 2.3\r\n"
                    "Boot menu:\r\n"
                    "  1 - exit\r\n"
                    "  2 - self test\r\n"
                    "  3 - radio setup\r\n"
                    "choice> ";
const Bytes kPrompt = "\r\ncmd>";

volatile std::sig_atomic_t stopping = 0;
void onSignal(int) {
    stopping = 1;
}

void say(const char* fmt, const std::string& text = {}) {
    std::printf(fmt, text.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

std::string printable(const Bytes& b) {
    std::string out;
    for (unsigned char c : b) {
        if (c >= 32 && c < 127)
            out += char(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// N records of every kind, as made up for the simulated logger.
Bytes generateReport(long records, unsigned seed) {
    Bytes report = mixedRecords(records, seed);
    // The end marker inside the data would cut the report short; nudge any chance match.
    for (std::size_t p; (p = report.find(kEnd)) != Bytes::npos;)
        report[p + 3] = 'x';
    return report;
}

struct Options {
    std::string path = "/tmp/zelm";
    std::string raw;
    long records = 200;
    bool fast = false;
    unsigned seed = 1;
    int menuDelayMs = 500;
    std::string unplug;
    std::string stall;
    bool noise = false;
    long markerAt = -1;
    bool endless = false;
};

bool isPhase(const std::string& p) {
    return p == "menu" || p == "prompt" || p == "start" || p == "mid";
}

const char* const kUsage = "usage: zelm-sim [--raw FILE | --records N] [--fast] [--seed S] "
                           "[--menu-delay MS] [--unplug PHASE] [--stall PHASE] [--noise]\n"
                           "                [--marker-at BYTE] [--endless] [PATH]\n"
                           "       PHASE: menu, prompt, start or mid\n";

[[noreturn]] void usage() {
    std::fputs(kUsage, stderr);
    std::exit(2);
}

Options parse(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage();
            return argv[++i];
        };
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            std::puts("A simulated ZELM data logger on a pseudo-terminal linked at PATH "
                      "(default /tmp/zelm).");
            std::exit(0);
        }
        if (a == "--version") {
            std::printf("zelm-sim %s\n", ZURORUVE_VERSION);
            std::exit(0);
        }
        if (a == "--raw")
            o.raw = value();
        else if (a == "--records")
            o.records = std::atol(value().c_str());
        else if (a == "--fast")
            o.fast = true;
        else if (a == "--seed")
            o.seed = static_cast<unsigned>(std::atol(value().c_str()));
        else if (a == "--menu-delay")
            o.menuDelayMs = std::atoi(value().c_str());
        else if (a == "--unplug") {
            o.unplug = value();
            if (!isPhase(o.unplug))
                usage();
        } else if (a == "--stall") {
            o.stall = value();
            if (!isPhase(o.stall))
                usage();
        } else if (a == "--noise")
            o.noise = true;
        else if (a == "--marker-at")
            o.markerAt = std::atol(value().c_str());
        else if (a == "--endless")
            o.endless = true;
        else if (!a.empty() && a[0] == '-')
            usage();
        else
            o.path = a;
    }
    return o;
}

class Device {
public:
    Device(const Options& o, Bytes report) : o_(o), report_(std::move(report)) {}

    bool open() {
        termios raw{};
        cfmakeraw(&raw);
        int slave = -1;
        if (openpty(&master_, &slave, nullptr, &raw, nullptr) != 0) {
            std::perror("zelm-sim: openpty");
            return false;
        }
        slaveName_ = ttyname(slave);
        // Without a slave open, the master reports a hang-up: that is how an open is seen.
        close(slave);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        struct stat st {};
        if (lstat(o_.path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "zelm-sim: %s exists and is not a link\n", o_.path.c_str());
                return false;
            }
            unlink(o_.path.c_str());
        }
        if (symlink(slaveName_.c_str(), o_.path.c_str()) != 0) {
            std::perror("zelm-sim: symlink");
            return false;
        }
        return true;
    }

    void unplugNow() {
        say("unplugged (%s)", phase_);
        shutdown();
        std::exit(0);
    }

    void shutdown() {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
        unlink(o_.path.c_str());
    }

    void run() {
        std::printf("%s\n", o_.path.c_str());
        say("zelm-sim: device on %s", slaveName_ + " (" + std::to_string(report_.size()) +
                                          " bytes stored" +
                                          (o_.fast ? ", unpaced)" : ", 115200 baud)"));
        while (!stopping) {
            pollfd fds[2] = {{master_, POLLIN, 0}, {stdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0}};
            if (!out_.empty() && connected_)
                fds[0].events |= POLLOUT;
            // With no program on the port the master reports a hang-up at once, every time:
            // then only a short sleep on standard input, and a look at the master without one.
            const int n = connected_ ? poll(fds, 2, out_.empty() ? 20 : 2)
                                     : poll(&fds[1], 1, 20) + poll(fds, 1, 0);
            if (n < 0 && errno != EINTR)
                break;
            const bool hup = fds[0].revents & POLLHUP;
            if (connected_ && hup) {
                say("port closed");
                connected_ = false;
                resetAt_.reset();
                out_.clear();
                state_ = State::Off;
                endless_ = false;
            } else if (!connected_ && !hup) {
                say("port opened; resetting");
                connected_ = true;
                resetAt_ = Clock::now() + std::chrono::milliseconds(o_.menuDelayMs);
            }
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                char line[256];
                const ssize_t got = read(STDIN_FILENO, line, sizeof line);
                if (got <= 0)
                    stdinOpen_ = false; // no terminal (or it closed): stop watching it
                else if (connected_)
                    resetAt_ = Clock::now();
            }
            if (resetAt_ && Clock::now() >= *resetAt_) {
                resetAt_.reset();
                reset();
            }
            if (connected_ && (fds[0].revents & POLLIN))
                receive();
            if (connected_)
                send();
        }
        shutdown();
    }

private:
    enum class State { Off, Noise, Menu, Command };

    void reset() {
        say("reset: sending boot menu");
        out_.clear();
        endless_ = false;
        unplugAt_ = stallAt_ = -1;
        paceStart_ = Clock::now();
        paced_ = 0;
        if (o_.noise) {
            state_ = State::Noise;
            return;
        }
        state_ = State::Menu;
        queue(kMenu);
        mark("menu");
    }

    // Marks the point reached in the output; --unplug stops the line there.
    void mark(const char* phase) {
        phase_ = phase;
        const long here = sent_ + static_cast<long>(out_.size());
        if (o_.unplug == phase)
            unplugAt_ = here;
        if (o_.stall == phase) {
            stallAt_ = here;
            say("will stall after %s", phase);
        }
    }

    void queue(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }

    void receive() {
        char buf[4096];
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (state_ == State::Menu) {
                if (c == '1') {
                    say("received: 1");
                    state_ = State::Command;
                    queue("1" + kPrompt);
                    mark("prompt");
                } else if (c != '\r' && c != '\n') {
                    say("received in the boot menu: %s", printable(Bytes(1, c)));
                }
            } else if (state_ == State::Command) {
                if (c == '\r')
                    command();
                else if (c != '\n')
                    line_ += c;
            }
        }
    }

    void command() {
        say("received: %s", printable(line_));
        if (line_ == "report 0") {
            queue("\r\nsending report\r\n\x01\x7F~garbage " + kEnd.substr(0, 2) + "\r\n");
            queue(kStart);
            mark("start");
            if (o_.endless) {
                endless_ = true;
                line_.clear();
                return;
            }
            const long half = static_cast<long>(report_.size() / 2);
            queue(report_.substr(0, half));
            mark("mid");
            queue(report_.substr(half));
            queue(kEnd + kPrompt);
        } else if (line_ == "forward pointer") {
            report_.clear();
            say("report cleared");
            queue("\r\ndata cleared" + kPrompt);
        } else {
            queue("\r\nunknown command" + kPrompt);
        }
        line_.clear();
    }

    void send() {
        if (unplugAt_ >= 0 && sent_ >= unplugAt_)
            unplugNow();
        if (endless_ && out_.size() < 65536)
            queue(generateReport(3449, static_cast<unsigned>(noise_()))); // 64 kB more
        if (state_ == State::Noise && out_.empty()) {
            Bytes junk(64, '\0');
            for (auto& c : junk)
                c = static_cast<char>(noise_() % 256);
            queue(junk + "1 - EXIT 1 -exit ");
        }
        if (out_.empty())
            return;
        long allowed = static_cast<long>(out_.size());
        if (!o_.fast) {
            const double seconds = std::chrono::duration<double>(Clock::now() - paceStart_).count();
            allowed = std::min(allowed, static_cast<long>(seconds * 11520) - paced_);
        }
        if (unplugAt_ >= 0)
            allowed = std::min(allowed, unplugAt_ - sent_);
        if (stallAt_ >= 0)
            allowed = std::min(allowed, stallAt_ - sent_);
        allowed = std::min(allowed, 65536L);
        if (allowed <= 0)
            return;
        Bytes chunk(out_.begin(), out_.begin() + allowed);
        const ssize_t n = write(master_, chunk.data(), chunk.size());
        if (n > 0) {
            out_.erase(out_.begin(), out_.begin() + n);
            sent_ += n;
            paced_ += n;
        }
        if (out_.empty())
            paced_ = static_cast<long>(
                std::chrono::duration<double>(Clock::now() - paceStart_).count() * 11520);
    }

    const Options& o_;
    Bytes report_;
    int master_ = -1;
    std::string slaveName_;
    bool connected_ = false;
    bool stdinOpen_ = true;
    std::optional<Clock::time_point> resetAt_;
    State state_ = State::Off;
    std::deque<char> out_;
    Bytes line_;
    Clock::time_point paceStart_ = Clock::now();
    long paced_ = 0;
    long sent_ = 0;
    long unplugAt_ = -1;
    long stallAt_ = -1;
    std::mt19937 noise_{7};
    const char* phase_ = "off";
    bool endless_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    const Options o = parse(argc, argv);
    Bytes report;
    if (!o.raw.empty()) {
        std::FILE* f = std::fopen(o.raw.c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "zelm-sim: cannot read %s: %s\n", o.raw.c_str(),
                         std::strerror(errno));
            return 1;
        }
        char buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
            report.append(buf, n);
        std::fclose(f);
        if (report.find(kEnd) != Bytes::npos)
            std::fprintf(stderr,
                         "zelm-sim: warning: %s holds the end marker %%^&*; the report "
                         "will look cut short\n",
                         o.raw.c_str());
    } else {
        report = generateReport(o.records, o.seed);
    }
    if (o.markerAt >= 0 && static_cast<std::size_t>(o.markerAt) + kEnd.size() <= report.size())
        report.replace(static_cast<std::size_t>(o.markerAt), kEnd.size(), kEnd);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    Device device(o, std::move(report));
    if (!device.open())
        return 1;
    device.run();
    return 0;
}
