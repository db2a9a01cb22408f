#pragma once

#include <QString>
#include <array>

// The module's IO lines, ADC channels and PWM channels, and the object names of the form
// widgets that belong to each: the one description the window's widget table, the read
// and write sequences and the configuration file are all built from.
namespace Family {

// IO lines in form order; ADC and PWM channels are numbered from 1.
constexpr std::array<int, 5> kIoLines = {9, 10, 14, 15, 17};
constexpr int kAdcChannels = 4;
constexpr int kPwmChannels = 3;

struct IoNames
{
    QString input, output;   // direction radio buttons
    QString curInput, level; // level read from the line, level chosen for an output
    QString tpio, tpioTargetLine, tpioMode, tpioAddress;       // transparent IO group
    QString sample, sampleInterval, sampleMode, sampleAddress; // IO sampling group
};
IoNames ioNames(int line);

struct AdcNames
{
    QString value;
    QString sample, interval, mode, address;
};
AdcNames adcNames(int channel);

struct PwmNames
{
    QString on, frequency, slider, duty;
};
PwmNames pwmNames(int channel);

} // namespace Family
