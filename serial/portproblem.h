#pragma once

#include <QCoreApplication>
#include <QSerialPort>
#include <QString>

// Why a port would not open, or was lost, in the interface's language. The port
// library's own texts are English only and call a port held by another program a
// permission error, so the program says it in its own words.
class PortProblem
{
    Q_DECLARE_TR_FUNCTIONS(PortProblem)

public:
    enum class Kind
    {
        Missing,      // no such device
        NotSerial,    // a file or directory, not a serial device
        NoPermission, // this user may not use the device
        Busy,         // another program holds the port
        Gone,         // the device went away or stopped answering
        Other
    };

    // `device` is the device file that was opened, `error` what the port library said.
    static Kind classify(const QString &device, QSerialPort::SerialPortError error);
    static QString reason(Kind kind);
    // What to do about it, or an empty string. The exact fix is given for a device of
    // the dialout group, as Debian-like systems set up serial adapters.
    static QString hint(Kind kind, const QString &device);
    // The lines that follow "Can not open %1": the reason, then the hint if there is one.
    static QString openFailure(const QString &device, QSerialPort::SerialPortError error);
    // Why an open port was lost.
    static QString lost(QSerialPort::SerialPortError error);
    // The group that owns the device file, or an empty string.
    static QString deviceGroup(const QString &device);
};
