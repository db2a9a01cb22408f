#include "app/formfamilies.h"

#include "peripherals/families.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

namespace {

template <typename T> T *child(QWidget *form, const QString &name)
{
    T *w = form->findChild<T *>(name);
    if (!w)
        qFatal("the form has no widget %s", qPrintable(name));
    return w;
}

} // namespace

FormFamilies FormFamilies::find(QWidget *form)
{
    FormFamilies f;
    for (int line : Family::kIoLines) {
        const Family::IoNames n = Family::ioNames(line);
        IoLineWidgets w{line,
                        child<QRadioButton>(form, n.input),
                        child<QRadioButton>(form, n.output),
                        new QButtonGroup(form),
                        child<QLineEdit>(form, n.curInput),
                        child<QComboBox>(form, n.level),
                        child<QCheckBox>(form, n.tpio),
                        child<QComboBox>(form, n.tpioTargetLine),
                        child<QComboBox>(form, n.tpioMode),
                        child<QComboBox>(form, n.tpioAddress),
                        child<QCheckBox>(form, n.sample),
                        child<QLineEdit>(form, n.sampleInterval),
                        child<QComboBox>(form, n.sampleMode),
                        child<QComboBox>(form, n.sampleAddress)};
        w.direction->addButton(w.input, line);
        w.direction->addButton(w.output, line);
        f.io.append(w);
    }
    for (int c = 1; c <= Family::kAdcChannels; ++c) {
        const Family::AdcNames n = Family::adcNames(c);
        f.adc.append({c, child<QLineEdit>(form, n.value), child<QCheckBox>(form, n.sample),
                      child<QLineEdit>(form, n.interval), child<QComboBox>(form, n.mode),
                      child<QComboBox>(form, n.address)});
    }
    for (int c = 1; c <= Family::kPwmChannels; ++c) {
        const Family::PwmNames n = Family::pwmNames(c);
        f.pwm.append({c, child<QCheckBox>(form, n.on), child<QLineEdit>(form, n.frequency),
                      child<QSlider>(form, n.slider), child<QSpinBox>(form, n.duty)});
    }
    return f;
}
