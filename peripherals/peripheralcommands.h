#pragma once

#include <QString>
#include <optional>

// What the packet and PWM controls accept from the user before a command goes out (the
// commands themselves are composed in at/commands.h).
namespace PeripheralCommand {

constexpr int kMinPwmFrequency = 20;
constexpr int kMaxPwmFrequency = 10000;
// True for a text of decimal digits only whose value lies within the limits above.
bool pwmFrequencyValid(const QString &text);

// The repeat interval of the packet send in milliseconds: decimal digits only, and no
// more than a timer can hold (an unsigned 32-bit value past that would otherwise be
// accepted and never fire). Nothing for an empty or unusable text.
std::optional<int> parseRepeatInterval(const QString &text);

// Shortest period the packet timer runs at. A shorter typed interval (0 included) is
// run at this period: every pass of the event loop would flood the log and the line
// with packets faster than any serial link carries them.
constexpr int kMinRepeatPeriodMs = 10;
inline int repeatTimerPeriod(int intervalMs)
{
    return intervalMs < kMinRepeatPeriodMs ? kMinRepeatPeriodMs : intervalMs;
}

} // namespace PeripheralCommand
