#include "at/commands.h"

#include <QStringList>

namespace Command {
namespace {

QString word(const char *w)
{
    return QLatin1String("AT+") + QLatin1String(w);
}

QString set(const char *w, const QString &value)
{
    return word(w) + QLatin1Char('=') + value;
}

QString indexed(const char *w, int index)
{
    return set(w, QString::number(index));
}

// A two-item box: its first item is "0", any other choice "1".
QString flag(const char *w, int index)
{
    return set(w, index == 0 ? QStringLiteral("0") : QStringLiteral("1"));
}

QString numbered(const char *w, int number, const QString &value)
{
    return set(w, QString::number(number) + QLatin1Char(',') + value);
}

QString group(const char *w, bool on, int number, const QStringList &settings)
{
    QStringList parts{on ? QStringLiteral("1") : QStringLiteral("0"), QString::number(number)};
    if (on)
        parts += settings;
    return set(w, parts.join(QLatin1Char(',')));
}

} // namespace

QString addressed(const QString &cmd, bool byMac, const QString &address)
{
    return cmd + (byMac ? QLatin1String(">MID,") : QLatin1String(">NID,")) + address;
}

QString line(const QString &cmd)
{
    return cmd + QLatin1String("\r\n");
}

QString info()
{
    return word("INFO");
}
QString version()
{
    return word("VER");
}
QString query(const char *w)
{
    return word(w) + QLatin1Char('?');
}
QString readDescriptor(int index)
{
    return indexed("RNODE", index);
}
QString readIo(int line)
{
    return indexed("IORD", line);
}
QString readAdc(int channel)
{
    return indexed("ADCRD", channel);
}

QString deviceType(int index)
{
    return set("TYP", QLatin1String(index == 0 ? "C" : index == 1 ? "R" : "E"));
}
QString baudRate(int index)
{
    return indexed("IPR", index);
}
QString dataBits(const QString &item)
{
    return set("DBIT", item);
}
QString parity(int index)
{
    return indexed("PAR", index);
}
QString stopBits(const QString &item)
{
    return set("STO", item);
}
QString flowControl(int index)
{
    return indexed("IFC", index);
}
QString defaultWorkMode(int index)
{
    return flag("DFWM", index);
}
QString channel(const QString &item)
{
    return set("CH", item);
}
QString networkLock(int index)
{
    return flag("NLOCK", index);
}
QString autoNetwork(int index)
{
    return flag("NASTA", index);
}
QString extendedPanId(const QString &text)
{
    return set("EPID", text);
}
QString joinTime(const QString &text)
{
    return set("JOINT", text);
}
QString targetId(const QString &mode, const QString &address)
{
    return set("TID", mode + QLatin1Char(',') + address);
}
QString writeDescriptor(int index, const QString &text)
{
    return numbered("WNODE", index, text);
}
QString save()
{
    return word("W");
}

QString reset()
{
    return word("RST");
}
QString restoreFactory()
{
    return word("DFRST");
}
QString startNetwork()
{
    return word("NSTA");
}
QString leaveNetwork()
{
    return word("NLEAV");
}
QString restartNetwork()
{
    return word("NRST");
}
QString scan(const QString &typedSeconds)
{
    return set("SCAN", typedSeconds);
}
QString stopScan()
{
    return word("ESC");
}

QString sendPacket(const QString &mode, const QString &address, const QString &data)
{
    return set("SEND", mode + QLatin1Char(',') + address + QLatin1Char(',') + data);
}
QString ioDirection(int line, bool input)
{
    return numbered("IOSET", line, input ? QStringLiteral("0") : QStringLiteral("1"));
}
QString ioLevel(int line, int levelIndex)
{
    return numbered("IOOUT", line, levelIndex == 0 ? QStringLiteral("0") : QStringLiteral("1"));
}
QString transparentIo(bool on, int line, const QString &targetLine, const QString &mode,
                      const QString &address)
{
    return group("TPIO", on, line, {targetLine, mode, address});
}
QString ioSample(bool on, int line, const QString &interval, const QString &mode,
                 const QString &address)
{
    return group("IOSMP", on, line, {interval, mode, address});
}
QString adcSample(bool on, int channel, const QString &interval, const QString &mode,
                  const QString &address)
{
    return group("ADCSMP", on, channel, {interval, mode, address});
}
QString pwm(bool on, int output, const QString &frequency, int duty)
{
    return group("PWM", on, output, {frequency, QString::number(duty)});
}

} // namespace Command
