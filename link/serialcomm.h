#pragma once
// The serial control over a real serial port (QSerialPort).

#include "link/comm.h"
#include "link/ports.h"

#include <QSerialPort>

namespace devicelink {

class SerialComm : public Comm {
public:
    /// With a device, opens that whatever the port number; without one, the port number's
    /// device (deviceForPort with devices).
    explicit SerialComm(QString device = {}, PortDevices devices = {});
    ~SerialComm() override;

    void setCommPort(int port) override;
    void setSettings(const QString& settings) override;
    void setRTSEnable(bool on) override;
    void setHandshaking(int mode) override;
    void setInputMode(int mode) override;
    bool PortOpen() const override { return port_.isOpen(); }
    void setPortOpen(bool open) override;
    int InBufferCount() override;
    QByteArray Input() override;
    void setOutput(const QByteArray& bytes) override;
    QString deviceName() const override;

private:
    void applyLineSettings();
    void applyRts();
    void checkLine();
    void checkOpenLine(); // the port is open and the line still there, else CommError

    QSerialPort port_;
    int commPort_ = 1;
    QString chosen_;      // the device named instead of a port number
    PortDevices devices_; // the port numbers pointed elsewhere
    QString device_;
    qint32 baud_ = 9600;
    QSerialPort::Parity parity_ = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
    QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
    bool rts_ = false;
    bool lineGone_ = false;
    bool opening_ = false;
};

} // namespace devicelink
