#include "peripherals/peripheralcommands.h"

#include <limits>

namespace PeripheralCommand {
namespace {

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
