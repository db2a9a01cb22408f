#include "peripheralcommands.h"

#include <limits>

namespace PeripheralCommand {
namespace {

QString num(int n)
{
    return QString::number(n);
}

// The value of a text of decimal digits only, unless it passes `limit`.
std::optional<quint64> parseDigits(const QString &text, quint64 limit)
{
    if (text.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + quint64(c.unicode() - '0');
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

} // namespace

QString sendPacket(const QString &mode, const QString &address, const QString &data)
{
    return QLatin1String("AT+SEND=") + mode + QLatin1Char(',') + address + QLatin1Char(',') + data;
}

QString ioDirection(int line, bool input)
{
    return QLatin1String("AT+IOSET=") + num(line) +
           (input ? QLatin1String(",0") : QLatin1String(",1"));
}

QString ioLevel(int line, int levelIndex)
{
    return QLatin1String("AT+IOOUT=") + num(line) +
           (levelIndex == 0 ? QLatin1String(",0") : QLatin1String(",1"));
}

QString transparentIoOn(int line, const QString &targetLine, const QString &mode,
                        const QString &address)
{
    return QLatin1String("AT+TPIO=1,") + num(line) + QLatin1Char(',') + targetLine +
           QLatin1Char(',') + mode + QLatin1Char(',') + address;
}

QString transparentIoOff(int line)
{
    return QLatin1String("AT+TPIO=0,") + num(line);
}

QString ioSampleOn(int line, const QString &interval, const QString &mode, const QString &address)
{
    return QLatin1String("AT+IOSMP=1,") + num(line) + QLatin1Char(',') + interval +
           QLatin1Char(',') + mode + QLatin1Char(',') + address;
}

QString ioSampleOff(int line)
{
    return QLatin1String("AT+IOSMP=0,") + num(line);
}

QString adcSampleOn(int channel, const QString &interval, const QString &mode,
                    const QString &address)
{
    return QLatin1String("AT+ADCSMP=1,") + num(channel) + QLatin1Char(',') + interval +
           QLatin1Char(',') + mode + QLatin1Char(',') + address;
}

QString adcSampleOff(int channel)
{
    return QLatin1String("AT+ADCSMP=0,") + num(channel);
}

QString pwmOn(int output, const QString &frequency, int duty)
{
    return QLatin1String("AT+PWM=1,") + num(output) + QLatin1Char(',') + frequency +
           QLatin1Char(',') + num(duty);
}

QString pwmOff(int output)
{
    return QLatin1String("AT+PWM=0,") + num(output);
}

bool pwmFrequencyValid(const QString &text)
{
    const auto value = parseDigits(text, kMaxPwmFrequency);
    return value && *value >= quint64(kMinPwmFrequency);
}

std::optional<int> parseRepeatInterval(const QString &text)
{
    const auto value = parseDigits(text, quint64(std::numeric_limits<int>::max()));
    if (!value)
        return std::nullopt;
    return int(*value);
}

} // namespace PeripheralCommand
