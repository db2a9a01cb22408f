#include "peripherals/families.h"

namespace Family {
namespace {

QString name(const char *pattern, int number)
{
    return QString::fromLatin1(pattern).arg(number);
}

} // namespace

IoNames ioNames(int line)
{
    return {name("radioButton_%1input", line), name("radioButton_%1output", line),
            name("lineEdit_%1curInput", line), name("comboBox_%1output", line),
            name("checkBox_TPIO%1", line),     name("comboBox_TPIO%1_TIO", line),
            name("comboBox_TPIO%1_AM", line),  name("comboBox_TPIO%1_ADDR", line),
            name("checkBox_IOSMP%1", line),    name("lineEdit_IOSMP_IT%1", line),
            name("comboBox_IOSMP%1_AM", line), name("comboBox_IOSMP%1_ADDR", line)};
}

AdcNames adcNames(int channel)
{
    return {name("lineEdit_AD%1", channel), name("checkBox_ADSMP%1", channel),
            name("lineEdit_ADSMP%1_IT", channel), name("comboBox_ADSMP%1", channel),
            name("comboBox_ADSMP%1_ADDR", channel)};
}

PwmNames pwmNames(int channel)
{
    return {name("checkBox_PWM%1", channel), name("lineEdit_PWM%1_FRQ", channel),
            name("horizontalSlider_PWM%1", channel), name("spinBox_PWM%1", channel)};
}

} // namespace Family
