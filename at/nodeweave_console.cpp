#include "nodeweave.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

#include "at/commandwords.h"
#include "at/errortable.h"
#include "at/replygrammar.h"
#include "dialogs.h"
#include "peripherals/peripheralcommands.h"

#include <QAction>
#include <QClipboard>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace {

// Under steady traffic the log table is updated at most this often: each update
// relayouts and repaints the view, which costs far more than the rows themselves.
constexpr int kLogFrameMs = 100;

const QElapsedTimer &logClock()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}

const QBrush &logBrush(int type)
{
    static const QBrush colors[2] = {QBrush(QColor(220, 245, 250)), QBrush(QColor(250, 240, 220))};
    return colors[type == Nodeweave::logRecv ? 1 : 0];
}

// One log entry: its text and its kind, nothing else. The colour comes from the two
// shared brushes instead of a copy stored in every item, which keeps a full log small
// and each row one allocation.
// Shows each entry on one line: the line end every entry keeps is part of its text (and of
// a saved log) but would only draw as an ellipsis.
class LogDelegate : public QStyledItemDelegate
{
    static constexpr int kShownChars = 512;

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        QString text = QStyledItemDelegate::displayText(value, locale);
        // Laying out a 64 KiB run on every repaint would stall the window; the entry keeps
        // its whole text for Save log and Copy.
        if (text.size() > kShownChars)
            text = text.left(kShownChars) + QChar(0x2026);
        // The base class has already turned each LF into a line separator.
        while (!text.isEmpty() &&
               (text.back() == QLatin1Char('\n') || text.back() == QLatin1Char('\r') ||
                text.back() == QChar::LineSeparator))
            text.chop(1);
        return text;
    }
};

class LogItem : public QTableWidgetItem
{
public:
    LogItem(QString text, Nodeweave::logType type)
        : QTableWidgetItem(UserType + int(type)), m_text(std::move(text))
    {
    }

    QVariant data(int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_text;
        const QVariant stored = QTableWidgetItem::data(role);
        if (role == Qt::BackgroundRole && !stored.isValid())
            return logBrush(type() - UserType);
        return stored;
    }

    void setData(int role, const QVariant &value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            m_text = value.toString();
        QTableWidgetItem::setData(role, value);
    }

    QTableWidgetItem *clone() const override { return new LogItem(*this); }

private:
    QString m_text;
};

// An entry as one line of a saved or copied log: received lines and sent commands
// already end with their line end; a text sent without one gets CR LF.
QString logEntryLine(const QTableWidgetItem *item)
{
    if (!item)
        return QString();
    const QString text = item->text();
    return text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1String("\r\n");
}

// The context menu's texts follow the language: installing or reloading a translator
// sends every widget a LanguageChange.
class LogActionTexts : public QObject
{
public:
    LogActionTexts(QAction *save, QAction *copy, QObject *parent)
        : QObject(parent), m_save(save), m_copy(copy)
    {
        apply();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply()
    {
        m_save->setText(Nodeweave::tr("保存日志…"));
        m_copy->setText(Nodeweave::tr("复制"));
    }

    QAction *m_save;
    QAction *m_copy;
};

} // namespace

void Nodeweave::initErrorTable()
{
    // Translated now, before main() installs the translator: the table keeps the
    // source texts whatever language is chosen later.
    for (const ModuleError &e : moduleErrors())
        errorTable.insert(e.code, tr(e.text));
}

QString Nodeweave::getErrStrFromCode(int code)
{
    return errorTable.value(code);
}

void Nodeweave::commonRspProc(const QString &line)
{
    if (Reply::matches(Reply::Form::Success, line)) {
        statusBar()->showMessage(tr("成功"), 10000);
        return;
    }
    const int code = Reply::errorCode(line);
    if (code >= 0)
        statusBar()->showMessage(tr("错误：%1").arg(getErrStrFromCode(code)), 10000);
}

void Nodeweave::buildCommandCompleter()
{
    completer = new QCompleter(atCommandWords());
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    ui.lineEdit_cmd->setCompleter(completer);
    // The constructor sets up the console area once, through here.
    setUpLog();
}

void Nodeweave::on_pushButton_send_clicked()
{
    if (!portOpen)
        return;
    QString text = ui.lineEdit_cmd->text();
    if (ui.checkBox_autoRemote->isChecked()) {
        text += ui.comboBox_consoleAddrMode->currentIndex() == 0 ? QLatin1String(">NID,")
                                                                 : QLatin1String(">MID,");
        text += ui.lineEdit_consoleAddr->text();
    }
    if (ui.checkBox_sendNewLine->isChecked())
        text += QLatin1String("\r\n");
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
    pendingLog.clear();
    ui.tableWidget_log->setRowCount(0);
    logChars = 0;
    recvCount = 0;
    ui.label_sendCnt->setText(QStringLiteral("0"));
    showRecvCount();
}

void Nodeweave::addStrToLog(QString text, logType type)
{
    if (type == logSend) {
        if (!ui.checkBox_log_cmd->isChecked())
            return;
    } else if (type != logRecv) {
        return;
    }
    pendingLog.append({std::move(text), type});
    // Entries the table would drop at once need not wait for it (removing the first
    // entry of a QList costs nothing in Qt 6).
    if (pendingLog.size() > logCap)
        pendingLog.removeFirst();
    scheduleLogFrame();
}

void Nodeweave::scheduleLogFrame()
{
    if (logFlushTimer->isActive())
        return;
    // The first change after a quiet spell shows on the next pass of the event loop;
    // under steady traffic the log and the receive counter are updated at most once a frame.
    const qint64 wait =
        logLastFlushMs < 0 ? 0 : kLogFrameMs - (logClock().elapsed() - logLastFlushMs);
    logFlushTimer->start(int(std::clamp<qint64>(wait, 0, kLogFrameMs)));
}

void Nodeweave::showRecvCount()
{
    const QString shown = QString::number(recvCount);
    if (ui.label_recvCnt->text() != shown)
        showCounter(ui.label_recvCnt, shown);
}

// A counter's width is fixed so that counting never relays the window out; it grows by
// a digit, once, when a count outgrows it.
void Nodeweave::showCounter(QLabel *label, const QString &text)
{
    label->setText(text);
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->margin() + 2;
    if (needed > label->minimumWidth())
        label->setFixedWidth(needed + label->fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

void Nodeweave::dropOldestLogRows(int count)
{
    QTableWidget *log = ui.tableWidget_log;
    count = qMin(count, log->rowCount());
    if (count <= 0)
        return;
    for (int row = 0; row < count; ++row)
        logChars -= log->item(row, 0)->text().size();
    log->model()->removeRows(0, count);
}

void Nodeweave::flushLog()
{
    logLastFlushMs = logClock().elapsed();
    showRecvCount();
    if (pendingLog.isEmpty())
        return;
    QTableWidget *log = ui.tableWidget_log;
    // Only the newest logCap entries are kept: drop the oldest rows, and any waiting
    // entries the table could not hold anyway.
    const int cap = qMax(0, logCap);
    const int skip = qMax(0, int(pendingLog.size()) - cap);
    const int incoming = int(pendingLog.size()) - skip;
    dropOldestLogRows(log->rowCount() - (cap - incoming));
    const int first = log->rowCount();
    log->setRowCount(first + incoming);
    for (int i = 0; i < incoming; ++i) {
        PendingLogEntry &e = pendingLog[skip + i];
        logChars += e.text.size();
        log->setItem(first + i, 0, new LogItem(std::move(e.text), e.type));
    }
    pendingLog.clear();
    // Then the size bound, oldest first, always keeping the newest entry.
    int over = 0;
    for (qint64 excess = logChars - logCharBudget; excess > 0 && over < log->rowCount() - 1; ++over)
        excess -= log->item(over, 0)->text().size();
    dropOldestLogRows(over);
    if (ui.checkBox_logAutoScroll->isChecked())
        log->scrollToBottom();
}

void Nodeweave::setUpLog()
{
    logFlushTimer = new QTimer(this);
    logFlushTimer->setSingleShot(true);
    connect(logFlushTimer, &QTimer::timeout, this, &Nodeweave::flushLog);

    QTableWidget *log = ui.tableWidget_log;
    auto *save = new QAction(log);
    save->setObjectName(QStringLiteral("action_saveLog"));
    connect(save, &QAction::triggered, this, &Nodeweave::saveLog);
    auto *copy = new QAction(log);
    copy->setObjectName(QStringLiteral("action_copyLog"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &Nodeweave::copyLog);
    log->addAction(save);
    log->addAction(copy);
    log->setContextMenuPolicy(Qt::ActionsContextMenu);
    log->installEventFilter(new LogActionTexts(save, copy, log));
    // One text line per entry: the line end each entry keeps would otherwise double every
    // row's height.
    log->setWordWrap(false);
    log->setItemDelegate(new LogDelegate(log));
    log->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    log->verticalHeader()->setDefaultSectionSize(log->fontMetrics().height() + 6);

    // The counters change with every read. A label of fixed size spares the window a
    // relayout each time, and an opaque one spares repainting what lies behind it. Eight
    // digits leave room for the rest of the console at the window's smallest size.
    for (QLabel *counter : {ui.label_sendCnt, ui.label_recvCnt}) {
        const int width = counter->fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
        counter->setFixedSize(width + 2 * counter->margin() + 2, counter->sizeHint().height());
        counter->setAutoFillBackground(true);
    }
}

// Saving is how a user keeps more than the table holds: every entry as it was sent or
// received, through QSaveFile so that a failed write never destroys an earlier file.
void Nodeweave::saveLog()
{
    const QString path =
        Dialogs::saveFileName(tr("保存日志"), QString(), tr("文本文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    flushLog();
    QTableWidget *log = ui.tableWidget_log;
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int row = 0; ok && row < log->rowCount(); ++row) {
        chunk += logEntryLine(log->item(row, 0)).toLocal8Bit();
        if (chunk.size() >= 64 * 1024 || row + 1 == log->rowCount()) {
            ok = file.write(chunk) == chunk.size();
            chunk.clear();
        }
    }
    ok = ok && file.commit();
    if (ok)
        statusBar()->showMessage(tr("日志已保存：%1").arg(QDir::toNativeSeparators(path)), 10000);
    else
        statusBar()->showMessage(tr("无法保存日志：%1").arg(QDir::toNativeSeparators(path)), 10000);
}

void Nodeweave::copyLog()
{
    flushLog();
    QTableWidget *log = ui.tableWidget_log;
    std::vector<int> rows;
    for (const QModelIndex &index : log->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty()) {
        rows.resize(size_t(log->rowCount()));
        std::iota(rows.begin(), rows.end(), 0);
    }
    QString text;
    for (int row : rows)
        text += logEntryLine(log->item(row, 0));
    QGuiApplication::clipboard()->setText(text);
}
