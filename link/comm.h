#pragma once
// The serial control the dialogues drive, with the properties of the classic serial
// communications control. The real one wraps QSerialPort; tests use a scripted one.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace devicelink {

/// An error raised by the serial control; what() is its description in UTF-8.
class CommError : public std::runtime_error {
public:
    explicit CommError(const QString& description)
        : std::runtime_error(description.toUtf8().toStdString()) {}
};

/// Every operation may throw CommError.
class Comm {
public:
    virtual ~Comm() = default;
    /// Number of the port to open, 1 upwards.
    virtual void setCommPort(int port) = 0;
    /// Line settings "baud,parity,data bits,stop bits", for example "115200,N,8,1".
    virtual void setSettings(const QString& settings) = 0;
    /// Raises RTS while the port is open.
    virtual void setRTSEnable(bool on) = 0;
    /// 0: no handshaking.
    virtual void setHandshaking(int mode) = 0;
    /// 0: text, one character per byte.
    virtual void setInputMode(int mode) = 0;
    virtual bool PortOpen() const = 0;
    /// True opens the port with the properties above; false closes it.
    virtual void setPortOpen(bool open) = 0;
    /// Number of bytes waiting in the receive buffer.
    virtual int InBufferCount() = 0;
    /// Returns and removes everything waiting, byte for byte.
    virtual QByteArray Input() = 0;
    /// Writes the bytes to the line.
    virtual void setOutput(const QByteArray& bytes) = 0;
    /// The device the port opens ("/dev/ttyUSB0", "COM3"), for the record; empty where unknown.
    virtual QString deviceName() const { return {}; }
};

} // namespace devicelink
