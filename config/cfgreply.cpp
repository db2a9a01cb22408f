#include "config/cfgreply.h"

namespace CfgReply {

int ioSlot(int line)
{
    for (int i = 0; i < int(kIoLines.size()); ++i) {
        if (kIoLines[i] == line)
            return i;
    }
    return -1;
}

int channelSlot(int channel, int count)
{
    return channel >= 1 && channel <= count ? channel - 1 : -1;
}

bool isNetworkNotStarted(const QString &line)
{
    return line == QLatin1String("ERR=60\r\n");
}

ListLine listLine(Reply::Form rowForm, const QString &line, bool remote)
{
    if (Reply::matches(Reply::Form::Success, line, remote))
        return {ListLine::Closing, {}};
    if (auto fields = Reply::match(rowForm, line))
        return {ListLine::Row, *fields};
    return {};
}

int toIntOrZero(const QString &text)
{
    return text.toInt();
}

std::optional<int> rangedInt(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int> deviceTypeIndex(const QString &value)
{
    if (value == QLatin1String("C"))
        return 0;
    if (value == QLatin1String("R"))
        return 1;
    return std::nullopt;
}

int twoModeIndex(const QString &mode)
{
    return mode == QLatin1String("NID") ? 0 : 1;
}

int samplingModeIndex(const QString &mode)
{
    if (mode == QLatin1String("NID"))
        return 0;
    if (mode == QLatin1String("MID"))
        return 1;
    return 2;
}

UartIndexes uartIndexes(const QStringList &fields)
{
    UartIndexes u;
    if (fields.size() < 5)
        return u;
    u.baud = toIntOrZero(fields.at(0));
    u.dataBits = toIntOrZero(fields.at(1)) - 5;
    u.parity = toIntOrZero(fields.at(2));
    u.stopBits = toIntOrZero(fields.at(3)) - 1;
    u.flow = toIntOrZero(fields.at(4));
    return u;
}

} // namespace CfgReply
