#include "immediatecommands.h"

namespace ImmediateCommand {
namespace {

QString indexed(const char *word, int index)
{
    return QLatin1String(word) + QString::number(index);
}

QString flag(const char *word, int index)
{
    return QLatin1String(word) + (index == 0 ? QLatin1Char('0') : QLatin1Char('1'));
}

} // namespace

QString defaultWorkMode(int index)
{
    return flag("AT+DFWM=", index);
}

QString deviceType(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("AT+TYP=C");
    case 1:
        return QStringLiteral("AT+TYP=R");
    default:
        return QStringLiteral("AT+TYP=E");
    }
}

QString baudRate(int index)
{
    return indexed("AT+IPR=", index);
}
QString stopBits(const QString &itemText)
{
    return QLatin1String("AT+STO=") + itemText;
}
QString dataBits(const QString &itemText)
{
    return QLatin1String("AT+DBIT=") + itemText;
}
QString parity(int index)
{
    return indexed("AT+PAR=", index);
}
QString flowControl(int index)
{
    return indexed("AT+IFC=", index);
}
QString channel(const QString &itemText)
{
    return QLatin1String("AT+CH=") + itemText;
}
QString networkLock(int index)
{
    return flag("AT+NLOCK=", index);
}
QString autoNetwork(int index)
{
    return flag("AT+NASTA=", index);
}

} // namespace ImmediateCommand
