// zelm-sim: a simulated ZELM data logger on a pseudo-terminal, playing the logger's side of the
// dialogue; what it stores is sim/loggermemory.h, its command line (the usage) in
// sim/simoptions.h.
//
// Links PATH (default /tmp/zelm) to the terminal's slave side and prints PATH on its first
// line. When a program opens the port the device resets after --menu-delay milliseconds (or
// when Enter is pressed here) and sends its boot menu; "1" leaves it for the "cmd>" prompt;
// "report 0" CR sends the stored report between "!@#$" and "%^&*"; "forward pointer" CR
// empties it. The memory is that of a logger in use: the sensors of --sensors reading every
// --interval seconds on a clock that runs --speed times faster than real time, kept in the
// state file (PATH.state) between runs; --random (or --records, --raw) stores made-up records
// instead, for tests. Output is paced at 115 200 baud (11 520 bytes/s) unless --fast. --unplug
// closes the line at the given point of the next download, as a pulled cable would; --stall
// stops sending there but keeps the line open; --noise sends garbage instead of a boot menu;
// --marker-at puts the end marker's four bytes into the report's data at that byte, as a record
// may hold them; --endless sends records without end after the start marker; --after-end sends
// a text between the end marker and the prompt ("\r\n%n bytes"); --restart resets the logger at
// the given point, its boot menu coming instead of the rest; --clear-answer makes
// "forward pointer" do nothing and answer as if it cleared (ignored), "unknown command"
// (unknown) or a bare prompt (prompt). The phase "clear" is the moment the clear command came.

#include "sim/loggermemory.h"
#include "sim/records.h"
#include "sim/simoptions.h"

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

class Device {
public:
    Device(const Options& o, Bytes report, simlogger::Memory* memory)
        : o_(o), report_(std::move(report)), memory_(memory) {}

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
        say("zelm-sim: device on %s",
            slaveName_ + " (" +
                (memory_ ? memory_->summary() : std::to_string(report_.size()) + " bytes stored") +
                (o_.fast ? "; unpaced)" : "; 115200 baud)"));
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
                restarted_ = false;
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
        unplugAt_ = stallAt_ = restartAt_ = -1;
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
        if (o_.restart == phase && !restarted_)
            restartAt_ = here;
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
            Bytes report = memory_ ? memory_->read() : report_;
            if (o_.markerAt >= 0 && std::size_t(o_.markerAt) + kEnd.size() <= report.size())
                report.replace(std::size_t(o_.markerAt), kEnd.size(), kEnd);
            const long half = static_cast<long>(report.size() / 2);
            queue(report.substr(0, half));
            mark("mid");
            queue(report.substr(half));
            Bytes after = o_.afterEnd;
            if (const std::size_t n = after.find("%n"); n != Bytes::npos)
                after.replace(n, 2, std::to_string(report.size()));
            queue(kEnd + after + kPrompt);
        } else if (line_ == "forward pointer") {
            mark("clear");
            forwardPointer();
        } else {
            queue("\r\nunknown command" + kPrompt);
        }
        line_.clear();
    }

    void forwardPointer() {
        if (o_.clearAnswer == "unknown") {
            queue("\r\nunknown command" + kPrompt);
            return;
        }
        if (o_.clearAnswer == "clears") {
            std::string why;
            if (memory_ && !memory_->clear(why))
                say("zelm-sim: %s", why);
            report_.clear();
            say("report cleared");
        } else {
            say("report NOT cleared (%s)", o_.clearAnswer);
        }
        queue(o_.clearAnswer == "prompt" ? kPrompt : "\r\ndata cleared" + kPrompt);
    }

    void send() {
        if (restartAt_ >= 0 && sent_ >= restartAt_) {
            say("restarting (%s)", phase_);
            restarted_ = true;
            reset();
        }
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
        if (restartAt_ >= 0)
            allowed = std::min(allowed, restartAt_ - sent_);
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
    simlogger::Memory* memory_; // a logger's memory, or nothing: report_ then
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
    long restartAt_ = -1;
    bool restarted_ = false; // once per connection
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
    } else if (o.random) {
        report = generateReport(o.records, o.seed);
    }
    simlogger::Memory memory;
    std::string why;
    if (!o.random && !memory.load(o.state, o.sensors, o.interval, o.speed, o.history, why)) {
        std::fprintf(stderr, "zelm-sim: %s\n", why.c_str());
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    Device device(o, std::move(report), o.random ? nullptr : &memory);
    if (!device.open())
        return 1;
    device.run();
    return 0;
}
