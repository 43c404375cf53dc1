#pragma once
// Runs zelm-sim on a pseudo-terminal for a test, with port 1 pointed at it.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SimDevice {
public:
    /// At path, or in a folder of its own.
    explicit SimDevice(const QStringList& options, const QString& path = {}) {
        path_ = path.isEmpty() ? dir_.filePath("zelm") : path;
        process_.start(ZELM_SIM, QStringList{"--menu-delay", "100"} + options + QStringList{path_});
        started_ = process_.waitForReadyRead(5000) && process_.readLine().trimmed() == path_;
        qputenv("ZURORUVE_COM1", path_.toUtf8());
    }
    ~SimDevice() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    bool started() const { return started_; }
    QString path() const { return path_; }
    /// Resets the device, as its reset button does: it sends its boot menu again.
    void reset() { process_.write("\n"); }
    /// Everything the simulator has printed so far.
    QByteArray output() { return output_ += process_.readAllStandardOutput(); }
    /// Waits until the simulator has seen the port closed `times` times, as a person pressing
    /// reset between downloads would: a quick close and reopen could go unseen.
    bool waitForClosed(int times) {
        return QTest::qWaitFor([&] { return output().count("port closed") == times; }, 5000);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess process_;
    QByteArray output_;
    bool started_ = false;
};
