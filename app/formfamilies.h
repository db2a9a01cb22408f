#pragma once

#include <QList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

// The form's widgets of each IO line, ADC channel and PWM channel, with its number:
// found once, by the object names Family gives, and used wherever the window treats a
// family alike.
struct IoLineWidgets
{
    int line;
    QRadioButton *input;
    QRadioButton *output;
    QButtonGroup *direction; // the two radio buttons, made exclusive
    QLineEdit *curInput;
    QComboBox *level;
    QCheckBox *tpio;
    QComboBox *tpioTargetLine;
    QComboBox *tpioMode;
    QComboBox *tpioAddress;
    QCheckBox *sample;
    QLineEdit *sampleInterval;
    QComboBox *sampleMode;
    QComboBox *sampleAddress;
};

struct AdcWidgets
{
    int channel;
    QLineEdit *value;
    QCheckBox *sample;
    QLineEdit *interval;
    QComboBox *mode;
    QComboBox *address;
};

struct PwmWidgets
{
    int channel;
    QCheckBox *on;
    QLineEdit *frequency;
    QSlider *slider;
    QSpinBox *duty;
};

// A mode box and the address list it governs. Only the sampling groups have the "LID"
// mode, in which the list shows a fixed address.
struct AddressGroup
{
    QComboBox *mode;
    QComboBox *address;
    bool hasLid;
};

struct FormFamilies
{
    QList<IoLineWidgets> io;
    QList<AdcWidgets> adc;
    QList<PwmWidgets> pwm;

    // Every widget is looked up below `form`; one missing is a fault of the form itself
    // and stops the program at once.
    static FormFamilies find(QWidget *form);
};
