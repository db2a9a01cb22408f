#include "app/nodeweave.h"

#include "at/commands.h"
#include "at/consolelog.h"
#include "at/replygrammar.h"
#include "config/cfgreply.h"

#include <QStatusBar>
#include <functional>

namespace {

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

std::array<QLineEdit *, 4> descriptorEdits(Ui::NodeweaveClass &ui)
{
    return {ui.lineEdit_DESC1, ui.lineEdit_DESC2, ui.lineEdit_DESC3, ui.lineEdit_DESC4};
}

using CfgReply::toIntOrZero;
using Fields = QStringList;

// A sampling row of an IO line or ADC channel: number, interval, mode, address.
void fillSampling(QCheckBox *on, QLineEdit *interval, QComboBox *mode, QComboBox *address,
                  const Fields &f)
{
    on->setChecked(true);
    interval->setText(f.at(2));
    mode->setCurrentIndex(CfgReply::samplingModeIndex(f.at(3)));
    address->setEditText(f.at(4));
}

} // namespace

// ---- the runs ----

void Nodeweave::on_pushButton_readConfiguration_clicked()
{
    startCfgRun(CfgSequencer::Kind::Read, readQueue);
}

void Nodeweave::on_pushButton_writeConfiguartion_clicked()
{
    startCfgRun(CfgSequencer::Kind::Write, writeQueue);
}

void Nodeweave::on_pushButton_stopCfg_clicked()
{
    cfgRun->stop();
}

void Nodeweave::readCfgTimeout()
{
    if (cfgRun->isRunning(CfgSequencer::Kind::Read))
        cfgRun->timeout();
}

void Nodeweave::writeCfgTimeout()
{
    if (cfgRun->isRunning(CfgSequencer::Kind::Write))
        cfgRun->timeout();
}

void Nodeweave::startCfgRun(CfgSequencer::Kind kind, const CfgCmdQueue &queue)
{
    // Every node answers every query of a broadcast: one form cannot hold the answers,
    // and the first success would be taken for all of them.
    if (targetDevice->isBroadcast()) {
        statusBar()->showMessage(tr("读取或写入配置只能针对一个节点；多个节点请用批量写入"), 5000);
        return;
    }
    // The run is marked before the form reset, so that neither the reset nor the read's
    // fills are echoed to the module by the immediate settings.
    cfgRun->start(kind, queue, targetDevice);
    updateEnabled();
    ui.progressBar_cfg->setRange(0, int(queue.size()));
    ui.progressBar_cfg->setValue(0);
    if (kind == CfgSequencer::Kind::Read)
        clearCfgForm();
    savedTabIndex = ui.tabWidget->currentIndex();
    cfgRun->sendCurrent();
}

void Nodeweave::cfgRunFinished(bool ok)
{
    updateEnabled();
    ui.progressBar_cfg->setValue(0);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    const QString outcome = cfgRun->kind() == CfgSequencer::Kind::Read
                                ? (ok ? tr("读取配置完成") : tr("读取配置遇到错误"))
                                : (ok ? tr("写入配置完成") : tr("写入配置遇到错误"));
    statusBar()->showMessage(outcome, 5000);
    // The status bar forgets after 5 s; the log keeps the outcome and where a failure
    // happened.
    consoleLog->note(ok ? outcome : cfgFailureNote(outcome));
}

QString Nodeweave::cfgFailureNote(const QString &outcome)
{
    const QString cmd = cfgRun->lastCommand();
    const QString reply = cfgRun->lastReply();
    switch (cfgRun->failure()) {
    case CfgSequencer::Failure::Stopped:
        return tr("%1：在 %2 处被停止").arg(outcome, cmd);
    case CfgSequencer::Failure::Refused: {
        const int code = Reply::errorCode(reply + QLatin1String("\r\n"));
        const QString why = code >= 0 ? getErrStrFromCode(code) : tr("回复不被接受");
        return tr("%1：在 %2 处（回复 \"%3\"：%4）").arg(outcome, cmd, reply, why);
    }
    case CfgSequencer::Failure::NoReply:
        return tr("%1：在 %2 处（无回复）").arg(outcome, cmd);
    case CfgSequencer::Failure::None:
        break;
    }
    return outcome;
}

// ---- the read queue ----

void Nodeweave::initReadCfgQueue()
{
    using Reply::Form;
    const auto remote = [this] {
        return cfgRun->remoteTarget();
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

    add(Command::info(), text(ui.lineEdit_devicePart, BasePage));
    add(Command::version(), text(ui.lineEdit_deviceSoftwareVer));
    add(Command::query("TYP"), single(Form::Value, NoPage, [this](const Fields &f) {
            // A type the form does not offer is still a valid answer.
            if (const auto index = CfgReply::deviceTypeIndex(f.at(0)))
                ui.comboBox_deviceType->setCurrentIndex(*index);
            return true;
        }));
    add(Command::query("NID"), orNetworkDown(text(ui.lineEdit_deviceNid), ui.lineEdit_deviceNid,
                                             QStringLiteral("0xFFFE")));
    add(Command::query("MID"), text(ui.lineEdit_deviceMid));
    add(Command::query("NS"), text(ui.lineEdit_deviceRunState));
    add(Command::query("UART"), single(Form::Value5, NoPage, [this](const Fields &f) {
            const CfgReply::UartIndexes u = CfgReply::uartIndexes(f);
            ui.comboBox_deviceBps->setCurrentIndex(u.baud);
            ui.comboBox_deviceDataBit->setCurrentIndex(u.dataBits);
            ui.comboBox_deviceParBit->setCurrentIndex(u.parity);
            ui.comboBox_deviceStopBit->setCurrentIndex(u.stopBits);
            ui.comboBox_deviceFlow->setCurrentIndex(u.flow);
            return true;
        }));
    add(Command::query("DFWM"), single(Form::Digit, NoPage, [this](const Fields &f) {
            ui.comboBox_defaultWorkMode->setCurrentIndex(toIntOrZero(f.at(0)));
            return true;
        }));
    add(Command::query("EPID"), text(ui.lineEdit_EPID, NetworkPage));
    add(Command::query("JOINT"), text(ui.lineEdit_joinTime));
    add(Command::query("TID"), single(Form::Value2, NoPage, [this](const Fields &f) {
            // The mode first: its change refills the address list.
            ui.comboBox_TID_AM->setCurrentIndex(CfgReply::twoModeIndex(f.at(0)));
            ui.comboBox_TID_ADDR->setEditText(f.at(1));
            return true;
        }));
    add(Command::query("LQI"),
        orNetworkDown(text(ui.lineEdit_LQI), ui.lineEdit_LQI, QStringLiteral("0")));
    add(Command::query("CH"), ranged(ui.comboBox_CH, 11, 26));
    add(Command::query("NLOCK"), ranged(ui.comboBox_netLock, 0, 1));
    add(Command::query("NASTA"), ranged(ui.comboBox_autoNet, 0, 1));
    const auto desc = descriptorEdits(ui);
    for (int i = 0; i < int(desc.size()); ++i)
        add(Command::readDescriptor(i + 1), text(desc[i]));

    const QList<IoLineWidgets> &io = families.io;
    const auto ioRow = [](int field) {
        return [field](const Fields &f) {
            return CfgReply::ioSlot(toIntOrZero(f.at(field)));
        };
    };
    add(Command::query("IOSET"),
        list(Form::Row2, IoPage, ioRow(0), [io](int slot, const Fields &f) {
            const bool output = toIntOrZero(f.at(1)) != 0;
            (output ? io[slot].output : io[slot].input)->setChecked(true);
            io[slot].level->setEnabled(output);
        }));
    for (const IoLineWidgets &w : io) {
        add(Command::readIo(w.line), single(Form::Value, NoPage, [w](const Fields &f) {
                w.curInput->setText(f.at(0));
                w.level->setCurrentIndex(toIntOrZero(f.at(0)));
                return true;
            }));
    }
    add(Command::query("TPIO"),
        list(
            Form::Row4, NoPage,
            [](const Fields &f) {
                // The target line must be one the form can show, too.
                const int slot = CfgReply::ioSlot(toIntOrZero(f.at(0)));
                return CfgReply::ioSlot(toIntOrZero(f.at(1))) < 0 ? -1 : slot;
            },
            [io](int slot, const Fields &f) {
                const IoLineWidgets &w = io[slot];
                w.tpio->setChecked(true);
                w.tpioTargetLine->setCurrentIndex(CfgReply::ioSlot(toIntOrZero(f.at(1))));
                w.tpioMode->setCurrentIndex(CfgReply::twoModeIndex(f.at(2)));
                w.tpioAddress->setEditText(f.at(3));
            }));
    add(Command::query("IOSMP"),
        list(Form::Row5, NoPage, ioRow(1), [io](int slot, const Fields &f) {
            const IoLineWidgets &w = io[slot];
            fillSampling(w.sample, w.sampleInterval, w.sampleMode, w.sampleAddress, f);
        }));

    const QList<AdcWidgets> &adc = families.adc;
    for (const AdcWidgets &w : adc)
        add(Command::readAdc(w.channel), text(w.value, w.channel == 1 ? AdPage : NoPage));
    const auto channelRow = [](int count) {
        return [count](const Fields &f) {
            return CfgReply::channelSlot(toIntOrZero(f.at(1)), count);
        };
    };
    add(Command::query("ADCSMP"), list(Form::Row5, NoPage, channelRow(CfgReply::kAdcChannels),
                                       [adc](int slot, const Fields &f) {
                                           const AdcWidgets &w = adc[slot];
                                           fillSampling(w.sample, w.interval, w.mode, w.address, f);
                                       }));
    const QList<PwmWidgets> &pwm = families.pwm;
    add(Command::query("PWM"), list(Form::Row4, PwmPage, channelRow(CfgReply::kPwmChannels),
                                    [pwm](int slot, const Fields &f) {
                                        const PwmWidgets &w = pwm[slot];
                                        w.on->setChecked(true);
                                        w.frequency->setText(f.at(2));
                                        w.slider->setValue(toIntOrZero(f.at(3)));
                                    }));
}

// ---- the write queue ----

void Nodeweave::initWriteCfgQueue()
{
    // One step: show `page`, then send the command composed from the form at that moment
    // (a resend composes anew). A step whose `skip` holds sends nothing. The step's `cmd`
    // only names its command word.
    const auto add = [this](int page, std::function<QString()> compose,
                            std::function<bool()> skip = nullptr) {
        writeQueue.append(CfgCmd{compose().section(QLatin1Char('='), 0, 0),
                                 [this, page, compose, skip](const QString &, bool *done) {
                                     *done = true;
                                     if (page != NoPage)
                                         ui.tabWidget->setCurrentIndex(page);
                                     if (skip && skip())
                                         cfgRun->skip();
                                     else
                                         cfgRun->send(compose());
                                     return true;
                                 }});
    };
    add(BasePage, [this] { return Command::deviceType(ui.comboBox_deviceType->currentIndex()); });
    add(NoPage, [this] { return Command::baudRate(ui.comboBox_deviceBps->currentIndex()); });
    add(NoPage, [this] { return Command::dataBits(ui.comboBox_deviceDataBit->currentText()); });
    add(NoPage, [this] { return Command::parity(ui.comboBox_deviceParBit->currentIndex()); });
    add(NoPage, [this] { return Command::stopBits(ui.comboBox_deviceStopBit->currentText()); });
    add(NoPage, [this] { return Command::flowControl(ui.comboBox_deviceFlow->currentIndex()); });
    add(NetworkPage, [this] { return Command::extendedPanId(ui.lineEdit_EPID->text()); });
    add(NoPage, [this] { return Command::joinTime(ui.lineEdit_joinTime->text()); });
    add(NoPage, [this] {
        return Command::targetId(ui.comboBox_TID_AM->currentText(),
                                 ui.comboBox_TID_ADDR->currentText());
    });
    add(NoPage, [this] { return Command::channel(ui.comboBox_CH->currentText()); });
    add(NoPage, [this] { return Command::networkLock(ui.comboBox_netLock->currentIndex()); });
    add(NoPage, [this] { return Command::autoNetwork(ui.comboBox_autoNet->currentIndex()); });
    const auto desc = descriptorEdits(ui);
    for (int i = 0; i < int(desc.size()); ++i)
        add(NoPage, [i, e = desc[i]] { return Command::writeDescriptor(i + 1, e->text()); });

    for (const IoLineWidgets &w : families.io)
        add(w.line == families.io.front().line ? IoPage : NoPage,
            [w] { return Command::ioDirection(w.line, w.input->isChecked()); });
    // A level only means something on an output.
    for (const IoLineWidgets &w : families.io)
        add(
            NoPage, [w] { return Command::ioLevel(w.line, w.level->currentIndex()); },
            [w] { return !w.output->isChecked(); });
    for (const IoLineWidgets &w : families.io)
        add(NoPage, [w] {
            return Command::transparentIo(w.tpio->isChecked(), w.line,
                                          w.tpioTargetLine->currentText(),
                                          w.tpioMode->currentText(), w.tpioAddress->currentText());
        });
    for (const IoLineWidgets &w : families.io)
        add(NoPage, [w] {
            return Command::ioSample(w.sample->isChecked(), w.line, w.sampleInterval->text(),
                                     w.sampleMode->currentText(), w.sampleAddress->currentText());
        });
    for (const AdcWidgets &w : families.adc)
        add(w.channel == 1 ? AdPage : NoPage, [w] {
            return Command::adcSample(w.sample->isChecked(), w.channel, w.interval->text(),
                                      w.mode->currentText(), w.address->currentText());
        });
    for (const PwmWidgets &w : families.pwm)
        add(w.channel == 1 ? PwmPage : NoPage, [w] {
            return Command::pwm(w.on->isChecked(), w.channel, w.frequency->text(), w.duty->value());
        });
    add(NoPage, [] { return Command::save(); });
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

    // Modes before addresses: a mode change refills its address list. Nothing here goes
    // out: the form is busy, or the port closed, whenever it is reset.
    for (const IoLineWidgets &w : families.io) {
        w.curInput->clear();
        w.input->setChecked(true);
        w.tpio->setChecked(false);
        w.tpioMode->setCurrentIndex(1);
        w.tpioAddress->setEditText(QStringLiteral("0x0"));
        w.sample->setChecked(false);
        w.sampleInterval->setText(QStringLiteral("10"));
        w.sampleMode->setCurrentIndex(2);
        w.sampleAddress->setEditText(QStringLiteral("0x0"));
    }
    for (const AdcWidgets &w : families.adc) {
        w.value->clear();
        w.sample->setChecked(false);
        w.address->setEditText(QStringLiteral("0x0"));
        w.mode->setCurrentIndex(2);
        w.interval->setText(QStringLiteral("10"));
    }
    for (const PwmWidgets &w : families.pwm) {
        w.on->setChecked(false);
        w.frequency->setText(QStringLiteral("1000"));
        w.slider->setValue(0);
    }
}
