#pragma once
// Serial ports as a user meets them: the device a port number opens, what the port list shows
// of each, and why one could not be opened.

#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace devicelink {

/// The device a port number opens: COM<n> on Windows; elsewhere the path in the environment
/// variable ZURORUVE_COM<n> when set, otherwise /dev/ttyUSB<n-1>.
QString deviceForPort(int port);

/// For ports 1 to count: "Opens <device>" and, where the system knows it, the adapter's
/// description. The system is asked once for all of them.
QStringList portToolTips(int count);

/// Why a device could not be opened, in words a user can act on; byPortNumber: it was chosen by
/// a port number, which ZURORUVE_COM<n> can point elsewhere.
QString describeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemText, bool byPortNumber = true);

} // namespace devicelink
