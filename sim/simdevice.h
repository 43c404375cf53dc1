#pragma once
// Runs zelm-sim on a pseudo-terminal with port 1 pointed at it: the simulated logger the device
// tests and the benchmarks talk to. ZELM_SIM names the simulator's program.

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

class SimDevice {
public:
    /// At path, or in a folder of its own.
    explicit SimDevice(const QStringList& options, const QString& path = {}) {
        path_ = path.isEmpty() ? dir_.filePath("zelm") : path;
        process_.start(ZELM_SIM, QStringList{"--menu-delay", "100"} + options + QStringList{path_});
        started_ = process_.waitForReadyRead(30000) && process_.readLine().trimmed() == path_;
        qputenv("ZURORUVE_COM1", path_.toUtf8());
    }
    ~SimDevice() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;
    bool started() const { return started_; }
    /// For a benchmark: without the device there is nothing to measure.
    void requireStarted() const {
        if (started_)
            return;
        std::fprintf(stderr, "zelm-sim did not start\n");
        std::exit(1);
    }
    QString path() const { return path_; }
    /// Resets the device, as its reset button does: it sends its boot menu again.
    void reset() { process_.write("\n"); }
    /// Everything the simulator has printed so far.
    QByteArray output() { return output_ += process_.readAllStandardOutput(); }
    /// Waits until the simulator has seen the port closed `times` times, as a person pressing
    /// reset between downloads would: a quick close and reopen could go unseen.
    bool waitForClosed(int times) {
        QElapsedTimer waited;
        waited.start();
        while (output().count("port closed") != times) {
            if (waited.hasExpired(5000))
                return false;
            process_.waitForReadyRead(50);
        }
        return true;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess process_;
    QByteArray output_;
    bool started_ = false;
};
