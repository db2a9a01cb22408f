#pragma once

#include <QString>

// The set commands that the Base Info and Network tabs send as soon as a choice is made.
// Baud rate, parity and flow control go out as the item's index, stop bits, data bits
// and the channel as the item's text: the module reports them the same way.
namespace ImmediateCommand {

QString defaultWorkMode(int index); // "AT+DFWM=0" for AT_MODE, "AT+DFWM=1" otherwise
QString deviceType(int index);      // "AT+TYP=C", "AT+TYP=R", "AT+TYP=E" beyond the two items
QString baudRate(int index);        // "AT+IPR=" + index
QString stopBits(const QString &itemText);
QString dataBits(const QString &itemText);
QString parity(int index);      // "AT+PAR=" + index
QString flowControl(int index); // "AT+IFC=" + index
QString channel(const QString &itemText);
QString networkLock(int index); // "AT+NLOCK=0" for "N", "AT+NLOCK=1" otherwise
QString autoNetwork(int index); // "AT+NASTA=0" for "N", "AT+NASTA=1" otherwise

// The execute commands of the System and Network Control groups.
inline QString reset()
{
    return QStringLiteral("AT+RST");
}
inline QString restoreFactory()
{
    return QStringLiteral("AT+DFRST");
}
inline QString startNetwork()
{
    return QStringLiteral("AT+NSTA");
}
inline QString leaveNetwork()
{
    return QStringLiteral("AT+NLEAV");
}
inline QString restartNetwork()
{
    return QStringLiteral("AT+NRST");
}

} // namespace ImmediateCommand
