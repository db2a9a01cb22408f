#include "app/nodeweave.h"

#include "app/consolelog.h"
#include "app/dialogs.h"
#include "at/commands.h"
#include "at/commandwords.h"
#include "at/errortable.h"
#include "at/replygrammar.h"
#include "peripherals/peripheralcommands.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <limits>

namespace {

class EnterFilter : public QObject
{
public:
    EnterFilter(QPushButton *send, QObject *parent) : QObject(parent), m_send(send) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_send->isEnabled()) {
                // The completer's popup: Enter sends what the line holds, it does not
                // stop at picking a completion.
                if (auto *popup = qobject_cast<QAbstractItemView *>(watched))
                    popup->hide();
                m_send->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPushButton *m_send;
};

} // namespace

void Nodeweave::initErrorTable()
{
    // The table keeps the source texts: they are translated when shown, in the language
    // chosen at that moment (the window is built before any translator is installed).
    for (const ModuleError &e : moduleErrors())
        errorTable.insert(e.code, QString::fromUtf8(e.text));
}

QString Nodeweave::getErrStrFromCode(int code)
{
    const auto it = errorTable.constFind(code);
    return it == errorTable.cend() ? QString() : tr(it->toUtf8().constData());
}

void Nodeweave::commonRspProc(const QString &line)
{
    // Replies fill the whole form, and a scan's reports its address lists.
    makeConfigPages();
    if (Reply::matches(Reply::Form::Success, line)) {
        showReplyStatus(tr("成功"));
        return;
    }
    const int code = Reply::errorCode(line);
    if (code >= 0)
        showReplyStatus(tr("错误：%1").arg(getErrStrFromCode(code)), true);
}

void Nodeweave::showReplyStatus(const QString &text, bool error)
{
    // A busy line brings replies by the thousand a second, and every message repaints the
    // status bar and the window behind it. Replies' texts are shown at once, one in any
    // 100 ms at most; past that the newest waits for the next 100 ms, so the bar always
    // ends on the latest reply. An error is never held back behind a success, though: it
    // replaces one at once. A message from anything else ends the wait and the count.
    constexpr int kShowMs = 10000;
    constexpr int kWindowMs = 100;
    constexpr int kPerWindow = 1;
    if (!replyStatusAgain) {
        replyStatusAgain = new QTimer(this);
        replyStatusAgain->setSingleShot(true);
        connect(replyStatusAgain, &QTimer::timeout, this,
                [this] { showReplyStatus(replyStatus, replyStatusIsError); });
        connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString &shown) {
            if (shown == replyStatus)
                return;
            replyStatusCount = 0;
            if (!shown.isEmpty())
                replyStatusAgain->stop();
        });
    }
    replyStatus = text;
    replyStatusIsError = error;
    if (!replyStatusWindow.isValid() || replyStatusWindow.elapsed() >= kWindowMs) {
        replyStatusWindow.start();
        replyStatusCount = 0;
    }
    const bool errorOverSuccess = error && !replyShownIsError;
    if (replyStatusCount >= kPerWindow && !errorOverSuccess) {
        if (!replyStatusAgain->isActive())
            replyStatusAgain->start(int(kWindowMs - replyStatusWindow.elapsed()));
        return;
    }
    ++replyStatusCount;
    replyStatusAgain->stop();
    replyShownIsError = error;
    statusBar()->showMessage(text, kShowMs);
}

void Nodeweave::buildCommandCompleter()
{
    completer = new QCompleter(atCommandWords());
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    ui.lineEdit_cmd->setCompleter(completer);
    // Enter sends as the Send button does (and only when it may). While the completer's
    // popup is open it takes the keys and would hand Enter straight to the line edit's
    // event handler, past a filter there: so the popup is watched too.
    auto *enter = new EnterFilter(ui.pushButton_send, ui.lineEdit_cmd);
    ui.lineEdit_cmd->installEventFilter(enter);
    completer->popup()->installEventFilter(enter);
}

void Nodeweave::on_pushButton_send_clicked()
{
    // A configuration run owns the module until it ends.
    if (!portOpen || cfgRun->isRunning())
        return;
    QString text = ui.lineEdit_cmd->text();
    if (ui.checkBox_autoRemote->isChecked())
        text = Command::addressed(text, ui.comboBox_consoleAddrMode->currentIndex() != 0,
                                  ui.lineEdit_consoleAddr->text());
    if (ui.checkBox_sendNewLine->isChecked())
        text = Command::line(text);
    comSend(text);
}

void Nodeweave::on_checkBox_regulerSend_toggled(bool checked)
{
    if (!checked) {
        consoleSendTimer->stop();
        ui.lineEdit_regular_time->setEnabled(true);
        return;
    }
    bool ok = false;
    const uint interval = ui.lineEdit_regular_time->text().toUInt(&ok, 10);
    // A value past what a timer takes would leave the box checked over a timer that
    // never runs: it is as bad as no number at all.
    if (!ok || interval > uint(std::numeric_limits<int>::max())) {
        Dialogs::message(tr("定时时间错误"));
        ui.checkBox_regulerSend->setChecked(false);
        return;
    }
    // The same floor as the packet repeat: 0 ms would send on every pass of the event
    // loop, far faster than any serial link carries the commands.
    consoleSendTimer->start(PeripheralCommand::repeatTimerPeriod(int(interval)));
    ui.lineEdit_regular_time->setEnabled(false);
}

void Nodeweave::on_pushButton_clearLog_clicked()
{
    // Entries not yet shown belong to the log being cleared.
    consoleLog->clear();
    recvCount = 0;
    ui.label_sendCnt->setText(QStringLiteral("0"));
    showRecvCount();
}

void Nodeweave::addStrToLog(QString text, logType type)
{
    consoleLog->append(std::move(text), ConsoleLog::Kind(type));
}
