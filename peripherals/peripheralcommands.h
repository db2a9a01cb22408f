#pragma once

#include <QString>
#include <optional>

// The commands of the packet, IO, ADC and PWM controls. Widget texts are joined as they
// stand: nothing is trimmed or range-checked here, the module judges them.
namespace PeripheralCommand {

// "AT+SEND=" + mode + "," + address + "," + data
QString sendPacket(const QString &mode, const QString &address, const QString &data);

// Digital IO line `line` (9, 10, 14, 15, 17), written in decimal.
QString ioDirection(int line, bool input); // "AT+IOSET=n,0" input, ",1" output
QString ioLevel(int line, int levelIndex); // "AT+IOOUT=n,0" for "L", ",1" otherwise
QString transparentIoOn(int line, const QString &targetLine, const QString &mode,
                        const QString &address);
QString transparentIoOff(int line); // "AT+TPIO=0,n"
QString ioSampleOn(int line, const QString &interval, const QString &mode, const QString &address);
QString ioSampleOff(int line); // "AT+IOSMP=0,n"

// ADC channels 1-4.
QString adcSampleOn(int channel, const QString &interval, const QString &mode,
                    const QString &address);
QString adcSampleOff(int channel); // "AT+ADCSMP=0,c"

// PWM outputs 1-3; the frequency goes out as typed, leading zeros included.
QString pwmOn(int output, const QString &frequency, int duty);
QString pwmOff(int output); // "AT+PWM=0,k"

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
