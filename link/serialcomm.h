#pragma once
// The serial control over a real serial port (QSerialPort).

#include "link/comm.h"

#include <QSerialPort>
#include <QStringList>

namespace devicelink {

/// The device a port number opens: COM<n> on Windows; elsewhere the path in the environment
/// variable ZURORUVE_COM<n> when set, otherwise /dev/ttyUSB<n-1>.
QString DeviceForPort(int port);

/// For ports 1 to count: "Opens <device>" and, where the system knows it, the adapter's
/// description. The system is asked once for all of them.
QStringList PortToolTips(int count);

/// Why a device could not be opened, in words a user can act on.
QString DescribeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemText);

class SerialComm : public Comm {
public:
    SerialComm();
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

private:
    void applyLineSettings();
    void applyRts();
    void checkLine();

    QSerialPort port_;
    int commPort_ = 1;
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
