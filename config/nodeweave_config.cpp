#include "nodeweave.h"

#include "at/replygrammar.h"
#include "config/cfgcompose.h"
#include "config/cfgreply.h"
#include "config/cfgsequencer.h"

#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <array>
#include <functional>

namespace {

// A shown QProgressBar repaints itself at once whenever a new value moves the bar, which
// during a sequence means a paint and a flush to the screen for every command. With its
// updates held for the call, the new value joins the window's next ordinary paint.
void showProgress(QProgressBar *bar, int value)
{
    if (bar->value() == value)
        return;
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
}

// Pages of the configuration tabs that the steps show while they work.
enum Page
{
    NoPage = -1,
    BasePage = 0,
    NetworkPage = 1,
    IoPage = 2,
    AdPage = 3,
    PwmPage = 4
};

// The widgets of one IO line of the form.
struct IoWidgets
{
    int line;
    QRadioButton *input;
    QRadioButton *output;
    QLineEdit *curInput;
    QComboBox *level;
    QCheckBox *tpio;
    QComboBox *tpioTio;
    QComboBox *tpioAm;
    QComboBox *tpioAddr;
    QCheckBox *smp;
    QLineEdit *smpInterval;
    QComboBox *smpAm;
    QComboBox *smpAddr;
};

struct AdcWidgets
{
    int channel;
    QLineEdit *value;
    QCheckBox *smp;
    QLineEdit *interval;
    QComboBox *am;
    QComboBox *addr;
};

struct PwmWidgets
{
    int channel;
    QCheckBox *on;
    QLineEdit *freq;
    QSlider *slider;
    QSpinBox *duty;
};

std::array<IoWidgets, 5> ioWidgets(Ui::NodeweaveClass &ui)
{
    return {{
        {9, ui.radioButton_9input, ui.radioButton_9output, ui.lineEdit_9curInput,
         ui.comboBox_9output, ui.checkBox_TPIO9, ui.comboBox_TPIO9_TIO, ui.comboBox_TPIO9_AM,
         ui.comboBox_TPIO9_ADDR, ui.checkBox_IOSMP9, ui.lineEdit_IOSMP_IT9, ui.comboBox_IOSMP9_AM,
         ui.comboBox_IOSMP9_ADDR},
        {10, ui.radioButton_10input, ui.radioButton_10output, ui.lineEdit_10curInput,
         ui.comboBox_10output, ui.checkBox_TPIO10, ui.comboBox_TPIO10_TIO, ui.comboBox_TPIO10_AM,
         ui.comboBox_TPIO10_ADDR, ui.checkBox_IOSMP10, ui.lineEdit_IOSMP_IT10,
         ui.comboBox_IOSMP10_AM, ui.comboBox_IOSMP10_ADDR},
        {14, ui.radioButton_14input, ui.radioButton_14output, ui.lineEdit_14curInput,
         ui.comboBox_14output, ui.checkBox_TPIO14, ui.comboBox_TPIO14_TIO, ui.comboBox_TPIO14_AM,
         ui.comboBox_TPIO14_ADDR, ui.checkBox_IOSMP14, ui.lineEdit_IOSMP_IT14,
         ui.comboBox_IOSMP14_AM, ui.comboBox_IOSMP14_ADDR},
        {15, ui.radioButton_15input, ui.radioButton_15output, ui.lineEdit_15curInput,
         ui.comboBox_15output, ui.checkBox_TPIO15, ui.comboBox_TPIO15_TIO, ui.comboBox_TPIO15_AM,
         ui.comboBox_TPIO15_ADDR, ui.checkBox_IOSMP15, ui.lineEdit_IOSMP_IT15,
         ui.comboBox_IOSMP15_AM, ui.comboBox_IOSMP15_ADDR},
        {17, ui.radioButton_17input, ui.radioButton_17output, ui.lineEdit_17curInput,
         ui.comboBox_17output, ui.checkBox_TPIO17, ui.comboBox_TPIO17_TIO, ui.comboBox_TPIO17_AM,
         ui.comboBox_TPIO17_ADDR, ui.checkBox_IOSMP17, ui.lineEdit_IOSMP_IT17,
         ui.comboBox_IOSMP17_AM, ui.comboBox_IOSMP17_ADDR},
    }};
}

std::array<AdcWidgets, CfgReply::kAdcChannels> adcWidgets(Ui::NodeweaveClass &ui)
{
    return {{
        {1, ui.lineEdit_AD1, ui.checkBox_ADSMP1, ui.lineEdit_ADSMP1_IT, ui.comboBox_ADSMP1,
         ui.comboBox_ADSMP1_ADDR},
        {2, ui.lineEdit_AD2, ui.checkBox_ADSMP2, ui.lineEdit_ADSMP2_IT, ui.comboBox_ADSMP2,
         ui.comboBox_ADSMP2_ADDR},
        {3, ui.lineEdit_AD3, ui.checkBox_ADSMP3, ui.lineEdit_ADSMP3_IT, ui.comboBox_ADSMP3,
         ui.comboBox_ADSMP3_ADDR},
        {4, ui.lineEdit_AD4, ui.checkBox_ADSMP4, ui.lineEdit_ADSMP4_IT, ui.comboBox_ADSMP4,
         ui.comboBox_ADSMP4_ADDR},
    }};
}

std::array<PwmWidgets, CfgReply::kPwmChannels> pwmWidgets(Ui::NodeweaveClass &ui)
{
    return {{
        {1, ui.checkBox_PWM1, ui.lineEdit_PWM1_FRQ, ui.horizontalSlider_PWM1, ui.spinBox_PWM1},
        {2, ui.checkBox_PWM2, ui.lineEdit_PWM2_FRQ, ui.horizontalSlider_PWM2, ui.spinBox_PWM2},
        {3, ui.checkBox_PWM3, ui.lineEdit_PWM3_FRQ, ui.horizontalSlider_PWM3, ui.spinBox_PWM3},
    }};
}

std::array<QLineEdit *, 4> descriptorEdits(Ui::NodeweaveClass &ui)
{
    return {ui.lineEdit_DESC1, ui.lineEdit_DESC2, ui.lineEdit_DESC3, ui.lineEdit_DESC4};
}

using CfgReply::toIntOrZero;
using Fields = QStringList;

} // namespace

// ---- the sequencer ----

void Nodeweave::on_pushButton_readConfiguration_clicked()
{
    readCfgStart();
    readCfgSendCurrent();
}

void Nodeweave::on_pushButton_writeConfiguartion_clicked()
{
    writeCfgStart();
    writeCfgSendCurrent();
}

void Nodeweave::on_pushButton_stopCfg_clicked()
{
    if (readCfgRunning)
        readCfgDone(false);
    else if (writeCfgRunning)
        writeCfgDone(false);
}

void Nodeweave::showCfgRunning(int steps)
{
    ui.pushButton_readConfiguration->setEnabled(false);
    ui.pushButton_stopCfg->setEnabled(true);
    ui.pushButton_writeConfiguartion->setEnabled(false);
    ui.pushButton_Import->setEnabled(false);
    ui.pushButton_Export->setEnabled(false);
    ui.progressBar_cfg->setEnabled(true);
    ui.progressBar_cfg->setRange(0, steps);
    ui.progressBar_cfg->setValue(0);
}

void Nodeweave::showCfgIdle()
{
    // Read and Write talk to the module: with the port gone they would only time out.
    ui.pushButton_readConfiguration->setEnabled(portOpen);
    ui.pushButton_stopCfg->setEnabled(false);
    ui.pushButton_writeConfiguartion->setEnabled(portOpen);
    ui.pushButton_Import->setEnabled(true);
    ui.pushButton_Export->setEnabled(true);
    ui.progressBar_cfg->setEnabled(false);
    ui.progressBar_cfg->setValue(0);
}

void Nodeweave::readCfgStart()
{
    // The flag goes up before the form reset, so that neither the reset nor the
    // handlers' fills are echoed to the module by the immediate settings.
    CfgSequencer(readCfgRunning, readCfgPos, readCfgRetries).start();
    showCfgRunning(int(readQueue.size()));
    clearCfgForm();
    savedTabIndex = ui.tabWidget->currentIndex();
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::readCfgRecvNewLine,
            Qt::UniqueConnection);
}

void Nodeweave::readCfgSendCurrent()
{
    if (readCfgPos >= readQueue.size()) {
        readCfgDone(true);
        return;
    }
    readCfgTimer->start(CfgSequencer::stepTimeoutMs(targetDevice->isLocal));
    sendCmd(readQueue.at(readCfgPos).cmd);
}

void Nodeweave::readCfgNext()
{
    CfgSequencer(readCfgRunning, readCfgPos, readCfgRetries).advance();
    showProgress(ui.progressBar_cfg, readCfgPos);
    readCfgSendCurrent();
}

void Nodeweave::readCfgStepFailed()
{
    if (CfgSequencer(readCfgRunning, readCfgPos, readCfgRetries).fail() ==
        CfgSequencer::Verdict::GiveUp)
        readCfgDone(false);
    else
        readCfgSendCurrent();
}

void Nodeweave::readCfgRecvNewLine(const QString &line)
{
    if (!readCfgRunning || readCfgPos >= readQueue.size())
        return;
    // Echoes and unsolicited text are no reply: they neither count as a failure nor
    // extend the step's time.
    if (!Reply::isReadSequenceReply(line))
        return;
    bool done = false;
    if (!readQueue.at(readCfgPos).handler(line, &done)) {
        readCfgStepFailed();
        return;
    }
    // Cleared before the next query goes out, so that an answer to it that arrives
    // at once is judged against a fresh count.
    CfgSequencer(readCfgRunning, readCfgPos, readCfgRetries).accept();
    if (done)
        readCfgNext();
}

void Nodeweave::readCfgTimeout()
{
    if (readCfgRunning)
        readCfgStepFailed();
}

void Nodeweave::readCfgDone(bool ok)
{
    CfgSequencer(readCfgRunning, readCfgPos, readCfgRetries).finish();
    readCfgTimer->stop();
    showCfgIdle();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Nodeweave::recvNewLine, this, &Nodeweave::readCfgRecvNewLine);
    statusBar()->showMessage(ok ? tr("读取配置完成") : tr("读取配置遇到错误"), 5000);
}

void Nodeweave::writeCfgStart()
{
    CfgSequencer(writeCfgRunning, writeCfgPos, writeCfgRetries).start();
    showCfgRunning(int(writeQueue.size()));
    savedTabIndex = ui.tabWidget->currentIndex();
    connect(this, &Nodeweave::recvNewLine, this, &Nodeweave::writeCfgRecvNewLine,
            Qt::UniqueConnection);
}

void Nodeweave::writeCfgSendCurrent()
{
    if (writeCfgPos >= writeQueue.size()) {
        writeCfgDone(true);
        return;
    }
    writeCfgTimer->start(CfgSequencer::stepTimeoutMs(targetDevice->isLocal));
    bool done = false;
    writeQueue.at(writeCfgPos).handler(QString(), &done);
}

void Nodeweave::writeCfgNext()
{
    CfgSequencer(writeCfgRunning, writeCfgPos, writeCfgRetries).advance();
    showProgress(ui.progressBar_cfg, writeCfgPos);
    writeCfgSendCurrent();
}

void Nodeweave::writeCfgStepFailed()
{
    if (CfgSequencer(writeCfgRunning, writeCfgPos, writeCfgRetries).fail() ==
        CfgSequencer::Verdict::GiveUp)
        writeCfgDone(false);
    else
        writeCfgSendCurrent();
}

void Nodeweave::writeCfgRecvNewLine(const QString &line)
{
    if (!writeCfgRunning || !Reply::isWriteSequenceReply(line))
        return;
    // A set command is answered by a plain success; either form of it counts,
    // whatever the target.
    if (Reply::matches(Reply::Form::Success, line, false) ||
        Reply::matches(Reply::Form::Success, line, true)) {
        CfgSequencer(writeCfgRunning, writeCfgPos, writeCfgRetries).accept();
        writeCfgNext();
        return;
    }
    // An error, or a value where a plain success belongs.
    writeCfgStepFailed();
}

void Nodeweave::writeCfgTimeout()
{
    if (writeCfgRunning)
        writeCfgStepFailed();
}

void Nodeweave::writeCfgDone(bool ok)
{
    CfgSequencer(writeCfgRunning, writeCfgPos, writeCfgRetries).finish();
    writeCfgTimer->stop();
    showCfgIdle();
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    disconnect(this, &Nodeweave::recvNewLine, this, &Nodeweave::writeCfgRecvNewLine);
    statusBar()->showMessage(ok ? tr("写入配置完成") : tr("写入配置遇到错误"), 5000);
}

// ---- the read queue ----

void Nodeweave::initReadCfgQueue()
{
    using Reply::Form;
    const auto remote = [this] {
        return !targetDevice->isLocal;
    };
    const auto show = [this](int page) {
        if (page != NoPage)
            ui.tabWidget->setCurrentIndex(page);
    };

    // A one-line reply of `form`; `apply` fills the form from the fields, or refuses
    // them without touching the form, to have the query sent again.
    const auto single = [=](Form form, int page,
                            std::function<bool(const Fields &)> apply) -> CfgCmdHandler {
        return [=](const QString &line, bool *done) {
            const auto fields = Reply::match(form, line, remote());
            if (!fields)
                return false;
            show(page);
            if (!apply(*fields))
                return false;
            *done = true;
            return true;
        };
    };
    const auto text = [=](QLineEdit *edit, int page = NoPage) {
        return single(Form::Value, page, [edit](const Fields &f) {
            edit->setText(f.at(0));
            return true;
        });
    };
    // A number the form can only show within [low, high], the box's first item.
    const auto ranged = [=](QComboBox *box, int low, int high) {
        return single(Form::Value, NoPage, [=](const Fields &f) {
            const auto value = CfgReply::rangedInt(f.at(0), low, high);
            if (value)
                box->setCurrentIndex(*value - low);
            return value.has_value();
        });
    };
    // A node whose network has not started answers "ERR=60" instead of a value.
    const auto orNetworkDown = [](CfgCmdHandler handler, QLineEdit *edit, QString substitute) {
        return CfgCmdHandler([=](const QString &line, bool *done) {
            if (handler(line, done))
                return true;
            if (!CfgReply::isNetworkNotStarted(line))
                return false;
            edit->setText(substitute);
            *done = true;
            return true;
        });
    };
    // A list reply: rows of `rowForm`, then the closing success line. `pick` names the
    // form position of a row's IO line or channel (-1 refuses the row), `fill` fills it.
    const auto list = [=](Form rowForm, int page, std::function<int(const Fields &)> pick,
                          std::function<void(int, const Fields &)> fill) -> CfgCmdHandler {
        return [=](const QString &line, bool *done) {
            const CfgReply::ListLine l = CfgReply::listLine(rowForm, line, remote());
            if (l.kind == CfgReply::ListLine::Closing) {
                *done = true;
                return true;
            }
            if (l.kind != CfgReply::ListLine::Row)
                return false;
            const int slot = pick(l.fields);
            if (slot < 0)
                return false;
            show(page);
            fill(slot, l.fields);
            *done = false;
            return true;
        };
    };
    const auto add = [this](const QString &cmd, CfgCmdHandler handler) {
        readQueue.append(CfgCmd{cmd, std::move(handler)});
    };

    add(QStringLiteral("AT+INFO"), text(ui.lineEdit_devicePart, BasePage));
    add(QStringLiteral("AT+VER"), text(ui.lineEdit_deviceSoftwareVer));
    add(QStringLiteral("AT+TYP?"), single(Form::Value, NoPage, [this](const Fields &f) {
            // A type the form does not offer is still a valid answer.
            if (const auto index = CfgReply::deviceTypeIndex(f.at(0)))
                ui.comboBox_deviceType->setCurrentIndex(*index);
            return true;
        }));
    add(QStringLiteral("AT+NID?"), orNetworkDown(text(ui.lineEdit_deviceNid), ui.lineEdit_deviceNid,
                                                 QStringLiteral("0xFFFE")));
    add(QStringLiteral("AT+MID?"), text(ui.lineEdit_deviceMid));
    add(QStringLiteral("AT+NS?"), text(ui.lineEdit_deviceRunState));
    add(QStringLiteral("AT+UART?"), single(Form::Value5, NoPage, [this](const Fields &f) {
            const CfgReply::UartIndexes u = CfgReply::uartIndexes(f);
            ui.comboBox_deviceBps->setCurrentIndex(u.baud);
            ui.comboBox_deviceDataBit->setCurrentIndex(u.dataBits);
            ui.comboBox_deviceParBit->setCurrentIndex(u.parity);
            ui.comboBox_deviceStopBit->setCurrentIndex(u.stopBits);
            ui.comboBox_deviceFlow->setCurrentIndex(u.flow);
            return true;
        }));
    add(QStringLiteral("AT+DFWM?"), single(Form::Digit, NoPage, [this](const Fields &f) {
            ui.comboBox_defaultWorkMode->setCurrentIndex(toIntOrZero(f.at(0)));
            return true;
        }));
    add(QStringLiteral("AT+EPID?"), text(ui.lineEdit_EPID, NetworkPage));
    add(QStringLiteral("AT+JOINT?"), text(ui.lineEdit_joinTime));
    add(QStringLiteral("AT+TID?"), single(Form::Value2, NoPage, [this](const Fields &f) {
            // The mode first: its change refills the address list.
            ui.comboBox_TID_AM->setCurrentIndex(CfgReply::twoModeIndex(f.at(0)));
            ui.comboBox_TID_ADDR->setEditText(f.at(1));
            return true;
        }));
    add(QStringLiteral("AT+LQI?"),
        orNetworkDown(text(ui.lineEdit_LQI), ui.lineEdit_LQI, QStringLiteral("0")));
    add(QStringLiteral("AT+CH?"), ranged(ui.comboBox_CH, 11, 26));
    add(QStringLiteral("AT+NLOCK?"), ranged(ui.comboBox_netLock, 0, 1));
    add(QStringLiteral("AT+NASTA?"), ranged(ui.comboBox_autoNet, 0, 1));
    const auto desc = descriptorEdits(ui);
    for (int i = 0; i < int(desc.size()); ++i)
        add(QStringLiteral("AT+RNODE=%1").arg(i + 1), text(desc[i]));

    const auto io = ioWidgets(ui);
    const auto ioRow = [](int field) {
        return [field](const Fields &f) {
            return CfgReply::ioSlot(toIntOrZero(f.at(field)));
        };
    };
    add(QStringLiteral("AT+IOSET?"),
        list(Form::Row2, IoPage, ioRow(0), [io](int slot, const Fields &f) {
            const bool output = toIntOrZero(f.at(1)) != 0;
            (output ? io[slot].output : io[slot].input)->setChecked(true);
            io[slot].level->setEnabled(output);
        }));
    for (const IoWidgets &w : io) {
        add(QStringLiteral("AT+IORD=%1").arg(w.line),
            single(Form::Value, NoPage, [w](const Fields &f) {
                w.curInput->setText(f.at(0));
                w.level->setCurrentIndex(toIntOrZero(f.at(0)));
                return true;
            }));
    }
    add(QStringLiteral("AT+TPIO?"),
        list(
            Form::Row4, NoPage,
            [](const Fields &f) {
                // The target line must be one the form can show, too.
                const int slot = CfgReply::ioSlot(toIntOrZero(f.at(0)));
                return CfgReply::ioSlot(toIntOrZero(f.at(1))) < 0 ? -1 : slot;
            },
            [io](int slot, const Fields &f) {
                const IoWidgets &w = io[slot];
                w.tpio->setChecked(true);
                w.tpioTio->setCurrentIndex(CfgReply::ioSlot(toIntOrZero(f.at(1))));
                w.tpioAm->setCurrentIndex(CfgReply::twoModeIndex(f.at(2)));
                w.tpioAddr->setEditText(f.at(3));
            }));
    add(QStringLiteral("AT+IOSMP?"),
        list(Form::Row5, NoPage, ioRow(1), [io](int slot, const Fields &f) {
            const IoWidgets &w = io[slot];
            w.smp->setChecked(true);
            w.smpInterval->setText(f.at(2));
            w.smpAm->setCurrentIndex(CfgReply::samplingModeIndex(f.at(3)));
            w.smpAddr->setEditText(f.at(4));
        }));

    const auto adc = adcWidgets(ui);
    for (const AdcWidgets &w : adc)
        add(QStringLiteral("AT+ADCRD=%1").arg(w.channel),
            text(w.value, w.channel == 1 ? AdPage : NoPage));
    const auto channelRow = [](int count) {
        return [count](const Fields &f) {
            return CfgReply::channelSlot(toIntOrZero(f.at(1)), count);
        };
    };
    add(QStringLiteral("AT+ADCSMP?"),
        list(Form::Row5, NoPage, channelRow(CfgReply::kAdcChannels),
             [adc](int slot, const Fields &f) {
                 const AdcWidgets &w = adc[slot];
                 w.smp->setChecked(true);
                 w.interval->setText(f.at(2));
                 w.am->setCurrentIndex(CfgReply::samplingModeIndex(f.at(3)));
                 w.addr->setEditText(f.at(4));
             }));
    const auto pwm = pwmWidgets(ui);
    add(QStringLiteral("AT+PWM?"), list(Form::Row4, PwmPage, channelRow(CfgReply::kPwmChannels),
                                        [pwm](int slot, const Fields &f) {
                                            const PwmWidgets &w = pwm[slot];
                                            w.on->setChecked(true);
                                            w.freq->setText(f.at(2));
                                            w.slider->setValue(toIntOrZero(f.at(3)));
                                        }));
}

// ---- the write queue ----

void Nodeweave::initWriteCfgQueue()
{
    using Value = std::function<QString()>;
    const auto index = [](QComboBox *box) -> Value {
        return [box] {
            return QString::number(box->currentIndex());
        };
    };
    // The item text of a plain box, the typed text of an editable one.
    const auto item = [](QComboBox *box) -> Value {
        return [box] {
            return box->currentText();
        };
    };
    const auto text = [](QLineEdit *edit) -> Value {
        return [edit] {
            return edit->text();
        };
    };

    // One step: show `page`, then send `cmd` with the value read off the form at that
    // moment (a resend composes anew). A step whose `skip` holds sends nothing.
    const auto add = [this](const QString &cmd, int page, Value value,
                            std::function<bool()> skip = nullptr) {
        writeQueue.append(CfgCmd{cmd, [this, cmd, page, value, skip](const QString &, bool *done) {
                                     *done = true;
                                     if (page != NoPage)
                                         ui.tabWidget->setCurrentIndex(page);
                                     if (skip && skip()) {
                                         writeCfgNext();
                                         return true;
                                     }
                                     sendCmd(cmd + value());
                                     return true;
                                 }});
    };

    add(QStringLiteral("AT+TYP="), BasePage,
        [this] { return CfgCompose::typeLetter(ui.comboBox_deviceType->currentIndex()); });
    add(QStringLiteral("AT+IPR="), NoPage, index(ui.comboBox_deviceBps));
    add(QStringLiteral("AT+DBIT="), NoPage, item(ui.comboBox_deviceDataBit));
    add(QStringLiteral("AT+PAR="), NoPage, index(ui.comboBox_deviceParBit));
    add(QStringLiteral("AT+STO="), NoPage, item(ui.comboBox_deviceStopBit));
    add(QStringLiteral("AT+IFC="), NoPage, index(ui.comboBox_deviceFlow));
    add(QStringLiteral("AT+EPID="), NetworkPage, text(ui.lineEdit_EPID));
    add(QStringLiteral("AT+JOINT="), NoPage, text(ui.lineEdit_joinTime));
    add(QStringLiteral("AT+TID="), NoPage, [this] {
        return ui.comboBox_TID_AM->currentText() + QLatin1Char(',') +
               ui.comboBox_TID_ADDR->currentText();
    });
    add(QStringLiteral("AT+CH="), NoPage, item(ui.comboBox_CH));
    add(QStringLiteral("AT+NLOCK="), NoPage, index(ui.comboBox_netLock));
    add(QStringLiteral("AT+NASTA="), NoPage, index(ui.comboBox_autoNet));
    const auto desc = descriptorEdits(ui);
    for (int i = 0; i < int(desc.size()); ++i)
        add(QStringLiteral("AT+WNODE=%1,").arg(i + 1), NoPage, text(desc[i]));

    const auto io = ioWidgets(ui);
    for (const IoWidgets &w : io)
        add(QStringLiteral("AT+IOSET=%1,").arg(w.line), w.line == io.front().line ? IoPage : NoPage,
            [w] { return CfgCompose::direction(w.input->isChecked()); });
    // A level only means something on an output.
    for (const IoWidgets &w : io)
        add(QStringLiteral("AT+IOOUT=%1,").arg(w.line), NoPage, index(w.level),
            [w] { return !w.output->isChecked(); });
    for (const IoWidgets &w : io)
        add(QStringLiteral("AT+TPIO="), NoPage, [w] {
            return CfgCompose::group(
                w.tpio->isChecked(), w.line,
                {w.tpioTio->currentText(), w.tpioAm->currentText(), w.tpioAddr->currentText()});
        });
    for (const IoWidgets &w : io)
        add(QStringLiteral("AT+IOSMP="), NoPage, [w] {
            return CfgCompose::group(
                w.smp->isChecked(), w.line,
                {w.smpInterval->text(), w.smpAm->currentText(), w.smpAddr->currentText()});
        });
    for (const AdcWidgets &w : adcWidgets(ui))
        add(QStringLiteral("AT+ADCSMP="), w.channel == 1 ? AdPage : NoPage, [w] {
            return CfgCompose::group(
                w.smp->isChecked(), w.channel,
                {w.interval->text(), w.am->currentText(), w.addr->currentText()});
        });
    for (const PwmWidgets &w : pwmWidgets(ui))
        add(QStringLiteral("AT+PWM="), w.channel == 1 ? PwmPage : NoPage, [w] {
            return CfgCompose::group(w.on->isChecked(), w.channel,
                                     {w.freq->text(), w.duty->text()});
        });
    add(QStringLiteral("AT+W"), NoPage, [] { return QString(); });
}

// ---- the form reset ----

void Nodeweave::clearCfgForm()
{
    for (QLineEdit *e : {ui.lineEdit_devicePart, ui.lineEdit_deviceSoftwareVer,
                         ui.lineEdit_deviceNid, ui.lineEdit_deviceMid, ui.lineEdit_deviceRunState})
        e->clear();
    ui.comboBox_deviceType->setCurrentIndex(0);
    ui.comboBox_deviceBps->setCurrentIndex(5);
    ui.comboBox_deviceDataBit->setCurrentIndex(3);
    ui.comboBox_deviceStopBit->setCurrentIndex(0);
    ui.comboBox_deviceParBit->setCurrentIndex(0);
    ui.comboBox_deviceFlow->setCurrentIndex(0);
    ui.comboBox_defaultWorkMode->setCurrentIndex(0);

    ui.lineEdit_EPID->clear();
    ui.lineEdit_joinTime->clear();
    ui.lineEdit_LQI->clear();
    ui.comboBox_CH->setCurrentIndex(4);
    ui.comboBox_netLock->setCurrentIndex(0);
    ui.comboBox_autoNet->setCurrentIndex(0);
    ui.comboBox_TID_AM->setCurrentIndex(0);
    for (QLineEdit *e : descriptorEdits(ui))
        e->clear();

    const auto io = ioWidgets(ui);
    for (const IoWidgets &w : io)
        w.curInput->clear();
    for (const IoWidgets &w : io)
        w.input->setChecked(true);
    // Modes before addresses: a mode change refills its address list.
    for (const IoWidgets &w : io)
        w.tpio->setChecked(false);
    for (const IoWidgets &w : io)
        w.tpioAm->setCurrentIndex(1);
    for (const IoWidgets &w : io)
        w.tpioAddr->setEditText(QStringLiteral("0x0"));
    for (const IoWidgets &w : io)
        w.smp->setChecked(false);
    for (const IoWidgets &w : io)
        w.smpInterval->setText(QStringLiteral("10"));
    for (const IoWidgets &w : io)
        w.smpAm->setCurrentIndex(2);
    for (const IoWidgets &w : io)
        w.smpAddr->setEditText(QStringLiteral("0x0"));

    const auto adc = adcWidgets(ui);
    for (const AdcWidgets &w : adc)
        w.value->clear();
    for (const AdcWidgets &w : adc)
        w.smp->setChecked(false);
    for (const AdcWidgets &w : adc)
        w.addr->setEditText(QStringLiteral("0x0"));
    for (const AdcWidgets &w : adc)
        w.am->setCurrentIndex(2);
    for (const AdcWidgets &w : adc)
        w.interval->setText(QStringLiteral("10"));

    const auto pwm = pwmWidgets(ui);
    for (const PwmWidgets &w : pwm)
        w.on->setChecked(false);
    for (const PwmWidgets &w : pwm)
        w.freq->setText(QStringLiteral("1000"));
    for (const PwmWidgets &w : pwm)
        w.slider->setValue(0);
}
