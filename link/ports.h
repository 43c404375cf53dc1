#pragma once
// Serial ports as a user meets them: the device a port number opens, what the port list shows
// of each, and why one could not be opened.

#include <QMap>
#include <QProcessEnvironment>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace devicelink {

/// The devices the user pointed port numbers at, by number: what ZURORUVE_COM<n> names.
using PortDevices = QMap<int, QString>;

/// The ZURORUVE_COM<n> of environment, n from 1 to 255 (elsewhere than on Windows). A program
/// reads them where it starts and hands them on.
PortDevices portDevicesFrom(const QProcessEnvironment& environment);

/// The device a port number opens: COM<n> on Windows; elsewhere the one devices points it at,
/// otherwise /dev/ttyUSB<n-1>.
QString deviceForPort(int port, const PortDevices& devices);

/// For ports 1 to count: "Opens <device>" and, where the system knows it, the adapter's
/// description. The system is asked once for all of them.
QStringList portToolTips(int count, const PortDevices& devices);

/// Why a device could not be opened, in words a user can act on; byPortNumber: it was chosen by
/// a port number, which ZURORUVE_COM<n> can point elsewhere.
QString describeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemText, bool byPortNumber = true);

} // namespace devicelink
