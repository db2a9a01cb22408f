#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "app/framepacer.h"
#include "at/commands.h"
#include "at/replygrammar.h"
#include "config/cfgqueues.h"

#include <QStatusBar>
#include <functional>

// ---- the runs ----

void Nodeweave::on_pushButton_readConfiguration_clicked()
{
    startCfgRun(CfgSequencer::Kind::Read);
}

void Nodeweave::on_pushButton_writeConfiguartion_clicked()
{
    startCfgRun(CfgSequencer::Kind::Write);
}

void Nodeweave::on_pushButton_stopCfg_clicked()
{
    if (batchWriter->isRunning())
        batchWriter->stop();
    else
        cfgRun->stop();
}

void Nodeweave::startCfgRun(CfgSequencer::Kind kind)
{
    // Every node answers every query of a broadcast: one form cannot hold the answers,
    // and the first success would be taken for all of them.
    if (targetDevice->isBroadcast()) {
        statusBar()->showMessage(tr("读取或写入配置只能针对一个节点；多个节点请用批量写入"), 5000);
        return;
    }
    // A write sends what the form holds now, composed once: a field changed meanwhile
    // cannot slip into the run.
    if (kind == CfgSequencer::Kind::Write)
        writeQueue =
            CfgQueues::write(form()->values(), cfgRun, [this](int page) { showCfgPage(page); });
    const CfgCmdQueue &queue = kind == CfgSequencer::Kind::Read ? readQueue : writeQueue;
    savedTabIndex = ui.tabWidget->currentIndex();
    cfgRun->start(kind, queue, targetDevice);
    // The first command goes out before the window catches up: its answer cannot be
    // handled before this returns, and the line is busy meanwhile.
    cfgRun->sendCurrent();
    updateEnabled();
    ui.progressBar_cfg->setRange(0, int(queue.size()));
    ui.progressBar_cfg->setValue(0);
    if (kind == CfgSequencer::Kind::Read)
        clearCfgForm();
}

void Nodeweave::showCfgPage(int page)
{
    const bool posted = pendingCfgPage >= 0;
    pendingCfgPage = page;
    if (posted)
        return;
    framePacer->atNextFrame([this] {
        // A run that ended meanwhile has put back the user's tab.
        if (pendingCfgPage >= 0)
            ui.tabWidget->setCurrentIndex(pendingCfgPage);
        pendingCfgPage = -1;
    });
}

void Nodeweave::fillCfgForm(const CfgValues &values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        pendingFill.insert(it.key(), it.value());
    if (std::exchange(fillPosted, true))
        return;
    QMetaObject::invokeMethod(this, &Nodeweave::putPendingFill, Qt::QueuedConnection);
}

void Nodeweave::putPendingFill()
{
    fillPosted = false;
    if (!pendingFill.isEmpty())
        form()->put(std::exchange(pendingFill, {}));
}

void Nodeweave::cfgRunFinished(bool ok)
{
    // The run's last answers belong in the form before it is enabled and counted as read.
    putPendingFill();
    // A batch write accounts for its runs itself.
    if (batchWriter->isRunning())
        return;
    if (ok && cfgRun->kind() == CfgSequencer::Kind::Read)
        formFilled = true;
    updateEnabled();
    ui.progressBar_cfg->setValue(0);
    pendingCfgPage = -1;
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

// ---- the read queue and the form reset ----

void Nodeweave::initReadCfgQueue()
{
    CfgQueues::ReadSink sink;
    sink.fill = [this](const CfgValues &values) {
        fillCfgForm(values);
    };
    sink.show = [this](int page) {
        showCfgPage(page);
    };
    sink.remote = [this] {
        return cfgRun->remoteTarget();
    };
    readQueue = CfgQueues::read(sink);
}

void Nodeweave::clearCfgForm()
{
    form()->put(SettingsTable::resetValues());
}
