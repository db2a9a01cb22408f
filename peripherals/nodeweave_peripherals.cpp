#include "nodeweave.h"

#include "dialogs.h"
#include "peripherals/peripheralcommands.h"

#include <QStatusBar>
#include <QTimer>

namespace {

// The parameter widgets of one IO line's transparent-IO and sampling groups.
struct IoLineWidgets
{
    QComboBox *tpioTargetLine;
    QComboBox *tpioMode;
    QComboBox *tpioAddress;
    QLineEdit *sampleInterval;
    QComboBox *sampleMode;
    QComboBox *sampleAddress;
};

IoLineWidgets ioLineWidgets(const Ui::NodeweaveClass &ui, int line)
{
    switch (line) {
    case 9:
        return {ui.comboBox_TPIO9_TIO, ui.comboBox_TPIO9_AM,  ui.comboBox_TPIO9_ADDR,
                ui.lineEdit_IOSMP_IT9, ui.comboBox_IOSMP9_AM, ui.comboBox_IOSMP9_ADDR};
    case 10:
        return {ui.comboBox_TPIO10_TIO, ui.comboBox_TPIO10_AM,  ui.comboBox_TPIO10_ADDR,
                ui.lineEdit_IOSMP_IT10, ui.comboBox_IOSMP10_AM, ui.comboBox_IOSMP10_ADDR};
    case 14:
        return {ui.comboBox_TPIO14_TIO, ui.comboBox_TPIO14_AM,  ui.comboBox_TPIO14_ADDR,
                ui.lineEdit_IOSMP_IT14, ui.comboBox_IOSMP14_AM, ui.comboBox_IOSMP14_ADDR};
    case 15:
        return {ui.comboBox_TPIO15_TIO, ui.comboBox_TPIO15_AM,  ui.comboBox_TPIO15_ADDR,
                ui.lineEdit_IOSMP_IT15, ui.comboBox_IOSMP15_AM, ui.comboBox_IOSMP15_ADDR};
    default: // 17: the slots only ever pass the five lines the module has
        return {ui.comboBox_TPIO17_TIO, ui.comboBox_TPIO17_AM,  ui.comboBox_TPIO17_ADDR,
                ui.lineEdit_IOSMP_IT17, ui.comboBox_IOSMP17_AM, ui.comboBox_IOSMP17_ADDR};
    }
}

struct AdcWidgets
{
    QCheckBox *enable;
    QLineEdit *interval;
    QComboBox *mode;
    QComboBox *address;
};

AdcWidgets adcWidgets(const Ui::NodeweaveClass &ui, int channel)
{
    switch (channel) {
    case 1:
        return {ui.checkBox_ADSMP1, ui.lineEdit_ADSMP1_IT, ui.comboBox_ADSMP1,
                ui.comboBox_ADSMP1_ADDR};
    case 2:
        return {ui.checkBox_ADSMP2, ui.lineEdit_ADSMP2_IT, ui.comboBox_ADSMP2,
                ui.comboBox_ADSMP2_ADDR};
    case 3:
        return {ui.checkBox_ADSMP3, ui.lineEdit_ADSMP3_IT, ui.comboBox_ADSMP3,
                ui.comboBox_ADSMP3_ADDR};
    default:
        return {ui.checkBox_ADSMP4, ui.lineEdit_ADSMP4_IT, ui.comboBox_ADSMP4,
                ui.comboBox_ADSMP4_ADDR};
    }
}

struct PwmWidgets
{
    QCheckBox *enable;
    QLineEdit *frequency;
    QSpinBox *duty;
};

PwmWidgets pwmWidgets(const Ui::NodeweaveClass &ui, int output)
{
    switch (output) {
    case 1:
        return {ui.checkBox_PWM1, ui.lineEdit_PWM1_FRQ, ui.spinBox_PWM1};
    case 2:
        return {ui.checkBox_PWM2, ui.lineEdit_PWM2_FRQ, ui.spinBox_PWM2};
    default:
        return {ui.checkBox_PWM3, ui.lineEdit_PWM3_FRQ, ui.spinBox_PWM3};
    }
}

} // namespace

// ---- packet send ----

void Nodeweave::on_pushButton_sendPkt_clicked()
{
    sendUnlessBusy(PeripheralCommand::sendPacket(ui.comboBox_sendPkt_AM->currentText(),
                                                 ui.comboBox_sendPkt_ADDR->currentText(),
                                                 ui.lineEdit_sendPkt_DATA->text()));
}

void Nodeweave::on_checkBox_sendPkt_regulerSend_toggled(bool checked)
{
    // Stopping is never held back by a read or an import: a timer left running behind an
    // unchecked box would keep sending packets with nothing on screen saying so.
    if (!checked) {
        ui.lineEdit_sendPkt_regular_time->setEnabled(true);
        pktSendTimer->stop();
        return;
    }
    if (formBusy())
        return;
    const auto interval =
        PeripheralCommand::parseRepeatInterval(ui.lineEdit_sendPkt_regular_time->text());
    if (!interval) {
        Dialogs::message(tr("定时时间错误"));
        ui.checkBox_sendPkt_regulerSend->setChecked(false);
        return;
    }
    pktSendTimer->start(PeripheralCommand::repeatTimerPeriod(*interval));
    ui.lineEdit_sendPkt_regular_time->setEnabled(false);
}

// ---- digital IO ----

void Nodeweave::ioDirectionToggled(int line, bool input)
{
    // Only the input button reports: choosing "Output" unchecks "Input", so one change
    // of direction sends one command.
    sendUnlessBusy(PeripheralCommand::ioDirection(line, input));
}

void Nodeweave::ioLevelChanged(int line, int index)
{
    sendUnlessBusy(PeripheralCommand::ioLevel(line, index));
}

void Nodeweave::ioTransparentToggled(int line, bool on)
{
    if (formBusy())
        return;
    const IoLineWidgets w = ioLineWidgets(ui, line);
    sendCmd(on ? PeripheralCommand::transparentIoOn(line, w.tpioTargetLine->currentText(),
                                                    w.tpioMode->currentText(),
                                                    w.tpioAddress->currentText())
               : PeripheralCommand::transparentIoOff(line));
}

void Nodeweave::ioSampleToggled(int line, bool on)
{
    if (formBusy())
        return;
    const IoLineWidgets w = ioLineWidgets(ui, line);
    sendCmd(on ? PeripheralCommand::ioSampleOn(line, w.sampleInterval->text(),
                                               w.sampleMode->currentText(),
                                               w.sampleAddress->currentText())
               : PeripheralCommand::ioSampleOff(line));
}

void Nodeweave::on_radioButton_9input_toggled(bool checked)
{
    ioDirectionToggled(9, checked);
}
void Nodeweave::on_radioButton_10input_toggled(bool checked)
{
    ioDirectionToggled(10, checked);
}
void Nodeweave::on_radioButton_14input_toggled(bool checked)
{
    ioDirectionToggled(14, checked);
}
void Nodeweave::on_radioButton_15input_toggled(bool checked)
{
    ioDirectionToggled(15, checked);
}
void Nodeweave::on_radioButton_17input_toggled(bool checked)
{
    ioDirectionToggled(17, checked);
}

void Nodeweave::on_comboBox_9output_currentIndexChanged(int index)
{
    ioLevelChanged(9, index);
}
void Nodeweave::on_comboBox_10output_currentIndexChanged(int index)
{
    ioLevelChanged(10, index);
}
void Nodeweave::on_comboBox_14output_currentIndexChanged(int index)
{
    ioLevelChanged(14, index);
}
void Nodeweave::on_comboBox_15output_currentIndexChanged(int index)
{
    ioLevelChanged(15, index);
}
void Nodeweave::on_comboBox_17output_currentIndexChanged(int index)
{
    ioLevelChanged(17, index);
}

void Nodeweave::on_checkBox_TPIO9_toggled(bool checked)
{
    ioTransparentToggled(9, checked);
}
void Nodeweave::on_checkBox_TPIO10_toggled(bool checked)
{
    ioTransparentToggled(10, checked);
}
void Nodeweave::on_checkBox_TPIO14_toggled(bool checked)
{
    ioTransparentToggled(14, checked);
}
void Nodeweave::on_checkBox_TPIO15_toggled(bool checked)
{
    ioTransparentToggled(15, checked);
}
void Nodeweave::on_checkBox_TPIO17_toggled(bool checked)
{
    ioTransparentToggled(17, checked);
}

void Nodeweave::on_checkBox_IOSMP9_toggled(bool checked)
{
    ioSampleToggled(9, checked);
}
void Nodeweave::on_checkBox_IOSMP10_toggled(bool checked)
{
    ioSampleToggled(10, checked);
}
void Nodeweave::on_checkBox_IOSMP14_toggled(bool checked)
{
    ioSampleToggled(14, checked);
}
void Nodeweave::on_checkBox_IOSMP15_toggled(bool checked)
{
    ioSampleToggled(15, checked);
}
void Nodeweave::on_checkBox_IOSMP17_toggled(bool checked)
{
    ioSampleToggled(17, checked);
}

// ---- ADC sampling ----

void Nodeweave::adcSmpToggle(int channel, bool on)
{
    if (formBusy())
        return;
    if (on)
        adcSmpCtrl(channel);
    else
        sendCmd(PeripheralCommand::adcSampleOff(channel));
}

void Nodeweave::adcSmpCtrl(int channel)
{
    if (formBusy())
        return;
    const AdcWidgets w = adcWidgets(ui, channel);
    if (!w.enable->isChecked())
        return;
    sendCmd(PeripheralCommand::adcSampleOn(channel, w.interval->text(), w.mode->currentText(),
                                           w.address->currentText()));
}

void Nodeweave::adc1SmpToggle(bool checked)
{
    adcSmpToggle(1, checked);
}
void Nodeweave::adc2SmpToggle(bool checked)
{
    adcSmpToggle(2, checked);
}
void Nodeweave::adc3SmpToggle(bool checked)
{
    adcSmpToggle(3, checked);
}
void Nodeweave::adc4SmpToggle(bool checked)
{
    adcSmpToggle(4, checked);
}
void Nodeweave::adc1SmpCtrl()
{
    adcSmpCtrl(1);
}
void Nodeweave::adc2SmpCtrl()
{
    adcSmpCtrl(2);
}
void Nodeweave::adc3SmpCtrl()
{
    adcSmpCtrl(3);
}
void Nodeweave::adc4SmpCtrl()
{
    adcSmpCtrl(4);
}

// ---- PWM output ----

void Nodeweave::pwmCtrlToggle(int output, bool on)
{
    if (formBusy())
        return;
    if (on)
        pwmCtrl(output);
    else
        sendCmd(PeripheralCommand::pwmOff(output));
}

void Nodeweave::pwmCtrl(int output)
{
    if (formBusy())
        return;
    // The frequency field and the duty widgets report every change; they only matter
    // while the output is on.
    const PwmWidgets w = pwmWidgets(ui, output);
    if (!w.enable->isChecked())
        return;
    const QString frequency = w.frequency->text();
    if (!PeripheralCommand::pwmFrequencyValid(frequency)) {
        QString text = tr("错误：PWM频率必须是%1-%2");
        // The English text names no limits; filling absent placeholders only warns.
        if (text.contains(QLatin1String("%1")))
            text = text.arg(PeripheralCommand::kMinPwmFrequency)
                       .arg(PeripheralCommand::kMaxPwmFrequency);
        statusBar()->showMessage(text, 10000);
        return;
    }
    sendCmd(PeripheralCommand::pwmOn(output, frequency, w.duty->value()));
}

void Nodeweave::pwm1CtrlToggle(bool checked)
{
    pwmCtrlToggle(1, checked);
}
void Nodeweave::pwm2CtrlToggle(bool checked)
{
    pwmCtrlToggle(2, checked);
}
void Nodeweave::pwm3CtrlToggle(bool checked)
{
    pwmCtrlToggle(3, checked);
}
void Nodeweave::pwm1Ctrl()
{
    pwmCtrl(1);
}
void Nodeweave::pwm2Ctrl()
{
    pwmCtrl(2);
}
void Nodeweave::pwm3Ctrl()
{
    pwmCtrl(3);
}
