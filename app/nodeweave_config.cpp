#include "app/nodeweave.h"

#include "at/commands.h"
#include "app/consolelog.h"
#include "at/replygrammar.h"
#include "config/cfgreadqueue.h"

#include <QStatusBar>
#include <functional>

namespace {

using namespace CfgReadQueue::Pages;

std::array<QLineEdit *, 4> descriptorEdits(Ui::NodeweaveClass &ui)
{
    return {ui.lineEdit_DESC1, ui.lineEdit_DESC2, ui.lineEdit_DESC3, ui.lineEdit_DESC4};
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
    if (batchWriter->isRunning())
        batchWriter->stop();
    else
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
    // A batch write accounts for its runs itself.
    if (batchWriter->isRunning())
        return;
    updateEnabled();
    ui.progressBar_cfg->setValue(0);
    ui.tabWidget->setCurrentIndex(savedTabIndex);
    const QString outcome = cfgRun->kind() == CfgSequencer::Kind::Read
                                ? (ok ? tr("读取配置完成") : tr("读取配置遇到错误"))
                                : (ok ? tr("写入配置完成") : tr("写入配置遇到错误"));
    statusBar()->showMessage(outcome, 5000);
    // The status bar forgets after 5 s; the log keeps the outcome and where a failure
    // happened.
    consoleLog->note(ok ? outcome : cfgFailureNote(outcome),
                     ok ? ConsoleLog::Outcome::Success : ConsoleLog::Outcome::Failure);
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
    CfgReadQueue::Sink sink;
    sink.set = [this](const QString &name, const QVariant &value) {
        setFormField(name, value);
    };
    sink.show = [this](int page) {
        ui.tabWidget->setCurrentIndex(page);
    };
    sink.remote = [this] {
        return cfgRun->remoteTarget();
    };
    readQueue = CfgReadQueue::build(sink);
}

QWidget *Nodeweave::formField(const QString &name) const
{
    QWidget *&field = formFields[name];
    if (!field)
        field = findChild<QWidget *>(name);
    if (!field)
        qFatal("no form field %s", qPrintable(name));
    return field;
}

void Nodeweave::setFormField(const QString &name, const QVariant &value)
{
    QWidget *field = formField(name);
    if (auto *box = qobject_cast<QComboBox *>(field)) {
        if (value.typeId() == QMetaType::QString)
            box->setEditText(value.toString());
        else
            box->setCurrentIndex(value.toInt());
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->setText(value.toString());
    } else if (auto *button = qobject_cast<QAbstractButton *>(field)) {
        button->setChecked(value.toBool());
    } else if (auto *slider = qobject_cast<QSlider *>(field)) {
        slider->setValue(value.toInt());
    }
}

QVariant Nodeweave::formFieldValue(const QString &name) const
{
    QWidget *field = formField(name);
    if (auto *box = qobject_cast<QComboBox *>(field))
        return box->isEditable() ? QVariant(box->currentText()) : QVariant(box->currentIndex());
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        return edit->text();
    if (auto *button = qobject_cast<QAbstractButton *>(field))
        return button->isChecked();
    if (auto *slider = qobject_cast<QSlider *>(field))
        return slider->value();
    return {};
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
                                     // A batch leaves the pages alone.
                                     if (page != NoPage && !batchWriter->isRunning())
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
