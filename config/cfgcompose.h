#pragma once

#include <QString>
#include <QStringList>

// The value parts of the write sequence's set commands, from plain values the window
// reads off its form.
namespace CfgCompose {

// Device type by index of the type box: 0 coordinator "C", 1 router "R", else "E".
QString typeLetter(int index);
// IO direction: "0" input, "1" output.
QString direction(bool input);
// A switchable group (transparent IO, IO or ADC sampling, PWM): "1,n,settings…" when
// enabled, "0,n" when not; the settings are joined with "," as they stand.
QString group(bool enabled, int number, const QStringList &settings);

} // namespace CfgCompose
