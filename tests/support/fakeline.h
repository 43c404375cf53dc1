#pragma once
// A scripted serial line with its own clock and event loop: every pass of a wait moves the
// clock on by stepMs and delivers what the script says has arrived by then. A device model
// answers what the program writes.

#include "link/context.h"
#include "readout/readout.h"
#include "rig.h"

#include <functional>
#include <memory>

class FakeLine : public devicelink::Comm, public devicelink::Clock, public devicelink::EventPump {
public:
    qint64 now = 0, stepMs = 10;
    int closes = 0;
    bool closing = false, open = false;             // closing: the window is being closed
    std::function<void()> onPass, onOpen;           // after each pass's deliveries; on opening
    std::function<void(const QByteArray&)> onWrite; // the device's answer to what is written
    QStringList calls;                              // property writes in order, e.g. "CommPort=3"
    QList<QByteArray> written;
    QByteArray pending; // what Input would return now
    QList<QPair<qint64, QByteArray>> script;
    QString failOn; // a call ("PortOpen", "Input", "Output", "CommPort"...) that throws

    int spins = 0; // passes that asked for no sleep with nothing to read: CPU burnt
    qint64 nowMs() override { return now; }
    void runPending(qint64 ms) override {
        spins += ms == 0 && pending.isEmpty();
        now += stepMs;
        while (!script.isEmpty() && script.first().first <= now)
            pending += script.takeFirst().second;
        if (onPass)
            onPass();
    }
    QString stopReason() const override { return closing ? kClosed : QString(); }
    inline static const QString kClosed = "Stopped: the window is being closed";
    /// Bytes that arrive ms after the last delivery still to come, or ms from now.
    void arrive(qint64 ms, const QByteArray& bytes) {
        script.append({std::max(now, script.isEmpty() ? now : script.last().first) + ms, bytes});
    }

    void call(const QString& name, const QVariant& value = {}) {
        if (value.isValid())
            calls << name + "=" + value.toString();
        if (failOn == name)
            throw devicelink::CommError("the device was disconnected (/dev/fake)");
    }
    void setCommPort(int port) override { call("CommPort", port); }
    void setSettings(const QString& s) override { call("Settings", s); }
    void setRTSEnable(bool on) override { call("RTSEnable", int(on)); }
    void setHandshaking(int mode) override { call("Handshaking", mode); }
    void setInputMode(int mode) override { call("InputMode", mode); }
    bool PortOpen() const override { return open; }
    void setPortOpen(bool o) override {
        call("PortOpen", int(o));
        closes += open && !o;
        open = o;
        if (o && onOpen)
            onOpen();
    }
    int InBufferCount() override {
        call("InBufferCount");
        return int(pending.size());
    }
    QByteArray Input() override {
        call("Input");
        return std::exchange(pending, {});
    }
    void setOutput(const QByteArray& bytes) override {
        call("Output");
        written << bytes;
        if (onWrite)
            onWrite(bytes);
    }
};

/// A FakeLine with a log and questions, ready to hand to the procedures, and a read-out session
/// keeping its files in folder, stamped 2024-03-05 14:07:09.
struct Rig {
    explicit Rig(const QString& folder = {}) : session{ctx, {folder, false}} {
        session.wallClock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
    }
    FakeLine line;
    RecordingLog log;
    RecordingQuestions ask;
    devicelink::Context ctx{line, line, line, log, ask};
    readout::Session session;
};

/// How the device answers beyond its report: what it sends after the end marker, and after
/// "forward pointer" (and whether it clears, and what it records afterwards).
struct Replies {
    QByteArray afterEnd = "\r\ncmd>";
    QByteArray toClear = "\r\ncleared\r\ncmd>";
    bool clears = true;
    QByteArray recordedSince; // what its report holds once cleared
};

/// Makes the line behave as the device: the boot menu menuMs after the port opens, the prompt
/// after "1", the report (with noise before it) after "report 0", the prompt after
/// "forward pointer".
inline void actAsDevice(FakeLine& line, const QByteArray& report, qint64 menuMs = 500,
                        const Replies& answers = {}) {
    line.onOpen = [&line, menuMs] { line.arrive(menuMs, "ZELM boot\r\n  1 - exit\r\nchoice> "); };
    auto held = std::make_shared<QByteArray>(report);
    line.onWrite = [&line, held, answers](const QByteArray& bytes) {
        if (bytes == "1")
            line.arrive(50, "1\r\ncmd>");
        else if (bytes == "report 0\r")
            line.arrive(100, "\r\nnoise %^&* !@# $ !@#$" + *held + "%^&*" + answers.afterEnd);
        else if (bytes == "forward pointer\r")
            line.arrive(100, answers.toClear);
        if (bytes == "forward pointer\r" && answers.clears)
            *held = answers.recordedSince;
    };
}
