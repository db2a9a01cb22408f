#include "app/nodeweave.h"

#include "app/dialogs.h"
#include "at/commands.h"
#include "peripherals/peripheralcommands.h"

#include <QStatusBar>
#include <QTimer>

// ---- packet send ----

void Nodeweave::sendPacket()
{
    sendUnlessBusy(Command::sendPacket(net().comboBox_sendPkt_AM->currentText(),
                                       net().comboBox_sendPkt_ADDR->currentText(),
                                       net().lineEdit_sendPkt_DATA->text()));
}

void Nodeweave::packetRepeatToggled(bool checked)
{
    // Stopping is never held back by a read or an import: a timer left running behind an
    // unchecked box would keep sending packets with nothing on screen saying so.
    if (!checked) {
        net().lineEdit_sendPkt_regular_time->setEnabled(true);
        pktSendTimer->stop();
        return;
    }
    if (formBusy())
        return;
    const auto interval =
        PeripheralCommand::parseRepeatInterval(net().lineEdit_sendPkt_regular_time->text());
    if (!interval) {
        Dialogs::message(tr("定时时间错误"));
        net().checkBox_sendPkt_regulerSend->setChecked(false);
        return;
    }
    pktSendTimer->start(PeripheralCommand::repeatTimerPeriod(*interval));
    net().lineEdit_sendPkt_regular_time->setEnabled(false);
}

// ---- the families: IO lines, ADC and PWM channels ----

void Nodeweave::connectFamilies()
{
    for (const IoLineWidgets &w : families.io) {
        // Only the input button reports: choosing "Output" unchecks "Input", so one change
        // of direction sends one command.
        connect(w.input, &QRadioButton::toggled, this,
                [this, w](bool input) { sendUnlessBusy(Command::ioDirection(w.line, input)); });
        connect(w.level, &QComboBox::currentIndexChanged, this,
                [this, w](int index) { sendUnlessBusy(Command::ioLevel(w.line, index)); });
        connect(w.tpio, &QCheckBox::toggled, this,
                [this, w](bool on) { ioTransparentToggled(w, on); });
        connect(w.sample, &QCheckBox::toggled, this,
                [this, w](bool on) { ioSampleToggled(w, on); });
        for (QWidget *field :
             std::initializer_list<QWidget *>{w.input, w.output, w.level, w.tpio, w.sample})
            markImmediate(field);
    }
    for (const AdcWidgets &w : families.adc) {
        connect(w.sample, &QCheckBox::toggled, this, [this, w](bool on) { adcSmpToggle(w, on); });
        markImmediate(w.sample);
    }
    for (const PwmWidgets &w : families.pwm) {
        connect(w.on, &QCheckBox::toggled, this, [this, w](bool on) { pwmCtrlToggle(w, on); });
        // The frequency field and the duty widgets report every change; they only matter
        // while the output is on.
        connect(w.frequency, &QLineEdit::textChanged, this, [this, w] { pwmCtrl(w); });
        connect(w.duty, &QSpinBox::valueChanged, this, [this, w] { pwmCtrl(w); });
        for (QWidget *field : std::initializer_list<QWidget *>{w.on, w.frequency, w.slider, w.duty})
            markImmediate(field);
    }
}

void Nodeweave::ioTransparentToggled(const IoLineWidgets &w, bool on)
{
    sendUnlessBusy(Command::transparentIo(on, w.line, w.tpioTargetLine->currentText(),
                                          w.tpioMode->currentText(), w.tpioAddress->currentText()));
}

void Nodeweave::ioSampleToggled(const IoLineWidgets &w, bool on)
{
    sendUnlessBusy(Command::ioSample(on, w.line, w.sampleInterval->text(),
                                     w.sampleMode->currentText(), w.sampleAddress->currentText()));
}

void Nodeweave::adcSmpToggle(const AdcWidgets &w, bool on)
{
    if (on)
        adcSmpCtrl(w);
    else
        sendUnlessBusy(Command::adcSample(false, w.channel, QString(), QString(), QString()));
}

void Nodeweave::adcSmpCtrl(const AdcWidgets &w)
{
    if (!w.sample->isChecked())
        return;
    sendUnlessBusy(Command::adcSample(true, w.channel, w.interval->text(), w.mode->currentText(),
                                      w.address->currentText()));
}

void Nodeweave::pwmCtrlToggle(const PwmWidgets &w, bool on)
{
    if (on)
        pwmCtrl(w);
    else
        sendUnlessBusy(Command::pwm(false, w.channel, QString(), 0));
}

void Nodeweave::pwmCtrl(const PwmWidgets &w)
{
    // Nor is a frequency the program put there judged meanwhile.
    if (formBusy() || !w.on->isChecked())
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
    sendUnlessBusy(Command::pwm(true, w.channel, frequency, w.duty->value()));
}
