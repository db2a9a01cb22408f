#include "app/consolelog.h"

#include "app/dialogs.h"
#include "at/errortable.h"
#include "at/logformat.h"
#include "at/replygrammar.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMutex>
#include <QSaveFile>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <numeric>

namespace {

// Bytes of captured entries handed to the capture's writer at a time, at the latest (a
// timer hands over the rest twice a second).
constexpr qsizetype kCaptureBatch = 1024 * 1024;

// A captured entry as the window hands it to the writer thread: this header, then the
// text's UTF-16 code units. Copying the text costs the window less than sharing the
// string with another thread (its reference count would move between the cores) or
// formatting the line itself.
struct CapturedHeader
{
    qint64 msecs;
    qint32 kind;
    qint32 length;
};
static_assert(sizeof(CapturedHeader) == 16);

void appendCaptured(QByteArray &out, qint64 msecs, int kind, const QString &text)
{
    const CapturedHeader header{msecs, qint32(kind), qint32(text.size())};
    const qsizetype at = out.size();
    const qsizetype size = qsizetype(sizeof header) + text.size() * qsizetype(sizeof(QChar));
    if (out.capacity() < at + size)
        out.reserve(std::max(2 * out.capacity(), at + size));
    out.resize(at + size);
    memcpy(out.data() + at, &header, sizeof header);
    memcpy(out.data() + at + sizeof header, text.constData(), size_t(size) - sizeof header);
}

// The log's texts belong to the window's translation context (each is marked where it is
// used, so that lupdate finds it there).
QString trLog(const char *source)
{
    return QCoreApplication::translate("Nodeweave", source);
}

const QElapsedTimer &logClock()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}

// A dark theme draws light text on dark rows.
bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Text).lightness() > palette.color(QPalette::Base).lightness();
}

// Shows each entry on one line, its control characters escaped, its time in front when
// asked: the line end every entry keeps is part of its text (and of a saved log) but
// would only draw as an ellipsis.
class LogDelegate : public QStyledItemDelegate
{
public:
    LogDelegate(const bool *showTime, QObject *parent)
        : QStyledItemDelegate(parent), m_showTime(showTime)
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString text =
            ConsoleLog::shownText(index.data(Qt::DisplayRole).toString(),
                                  index.data(Qt::UserRole).toLongLong(), *m_showTime);
        option->text = text;
    }

private:
    const bool *m_showTime;
};

// One log entry: its text, its kind and its time, nothing else. The colour comes from
// the two shared brushes instead of a copy stored in every item, which keeps a full log
// small and each row one allocation.
class LogItem : public QTableWidgetItem
{
public:
    LogItem(QString text, ConsoleLog::Kind kind, qint64 msecs)
        : QTableWidgetItem(UserType + int(kind)), m_text(std::move(text)), m_msecs(msecs)
    {
    }

    QVariant data(int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_text;
        if (role == Qt::UserRole)
            return m_msecs;
        if (role == Qt::ToolTipRole)
            return toolTip();
        const QVariant stored = QTableWidgetItem::data(role);
        if (stored.isValid() || (role != Qt::BackgroundRole && role != Qt::ForegroundRole))
            return stored;
        const auto kind = ConsoleLog::Kind(type() - UserType);
        const QPalette palette = tableWidget() ? tableWidget()->palette() : QPalette();
        return QBrush(role == Qt::BackgroundRole ? ConsoleLog::background(kind, palette)
                                                 : ConsoleLog::foreground(kind, palette));
    }

    void setData(int role, const QVariant &value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            m_text = value.toString();
        QTableWidgetItem::setData(role, value);
    }

    QTableWidgetItem *clone() const override { return new LogItem(*this); }
    qint64 msecs() const { return m_msecs; }
    int kind() const { return type() - UserType; }

private:
    // The text as it came, and for an error reply what the module means by it.
    QString toolTip() const
    {
        QString tip = LogFormat::escaped(m_text);
        if (const int code = Reply::errorCode(m_text); code >= 0) {
            for (const ModuleError &e : moduleErrors()) {
                if (e.code == code)
                    tip += QLatin1Char('\n') + trLog(e.text);
            }
        }
        return tip;
    }

    QString m_text;
    qint64 m_msecs;
};

// An entry as one line of a saved or copied log: received lines and sent commands
// already end with their line end; a text sent without one gets CR LF.
QString entryLine(const QTableWidgetItem *item)
{
    if (!item)
        return QString();
    const QString text = item->text();
    return text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1String("\r\n");
}

} // namespace

ConsoleLog::ConsoleLog(QTableWidget *table, QObject *parent)
    : QObject(parent), m_table(table), m_frameTimer(new QTimer(this)),
      m_clock([] { return logClock().elapsed(); })
{
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &ConsoleLog::flush);
    m_settleTimer = new QTimer(this);
    m_settleTimer->setInterval(kSettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, &ConsoleLog::settleCheck);

    table->setColumnCount(1);
    table->verticalHeader()->hide();
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setStretchLastSection(true);
    // One text line per entry: the line end each entry keeps would otherwise double every
    // row's height.
    table->setWordWrap(false);
    table->setItemDelegate(new LogDelegate(&m_showTime, table));
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);

    const auto action = [&](const char *name, auto slot) {
        auto *a = new QAction(table);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        table->addAction(a);
        return a;
    };
    m_saveAction = action("action_saveLog", &ConsoleLog::saveAs);
    m_copyAction = action("action_copyLog", &ConsoleLog::copy);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    m_timeAction = action("action_logTime", &ConsoleLog::setShowTime);
    m_timeAction->setCheckable(true);
    m_captureAction = action("action_captureLog", &ConsoleLog::toggleCapture);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    // The menu's texts follow the language: installing or reloading a translator sends
    // every widget a LanguageChange.
    table->installEventFilter(this);
    retranslate();

    m_captureWriter = new QThreadPool(this);
    m_captureWriter->setMaxThreadCount(1);
    m_captureTimer = new QTimer(this);
    m_captureTimer->setInterval(500);
    connect(m_captureTimer, &QTimer::timeout, this, &ConsoleLog::writeCapture);
}

ConsoleLog::~ConsoleLog()
{
    // The window may be half gone by now, the table and its menu with it: finish the file
    // without touching either.
    if (m_capture)
        closeCapture();
}

bool ConsoleLog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::eventFilter(watched, event);
}

void ConsoleLog::retranslate()
{
    m_saveAction->setText(trLog(QT_TRANSLATE_NOOP("Nodeweave", "保存日志…")));
    m_copyAction->setText(trLog(QT_TRANSLATE_NOOP("Nodeweave", "复制")));
    m_timeAction->setText(trLog(QT_TRANSLATE_NOOP("Nodeweave", "显示时间")));
    m_captureAction->setText(capturing() ? trLog(QT_TRANSLATE_NOOP("Nodeweave", "停止捕获"))
                                         : trLog(QT_TRANSLATE_NOOP("Nodeweave", "捕获到文件…")));
}

QColor ConsoleLog::background(Kind kind, const QPalette &palette)
{
    const QColor light = kind == Received      ? QColor(250, 240, 220)
                         : kind == Note        ? QColor(225, 245, 215)
                         : kind == FailureNote ? QColor(255, 215, 215)
                                               : QColor(220, 245, 250);
    if (!isDark(palette))
        return light;
    // The same hue, dark enough for light text.
    return QColor::fromHslF(light.hslHueF(), 0.45f, 0.18f);
}

QColor ConsoleLog::foreground(Kind kind, const QPalette &palette)
{
    Q_UNUSED(kind);
    return isDark(palette) ? QColor(236, 236, 236) : QColor(0, 0, 0);
}

QString ConsoleLog::shownText(QString text, qint64 msecs, bool withTime)
{
    // Laying out a 64 KiB run on every repaint would stall the window; the entry keeps
    // its whole text for the tooltip, Save log and Copy.
    constexpr int kShownChars = 512;
    // Only the line end that ends every line is left out: a stray CR before it ("OK\r\r\n")
    // is noise on the line, and the row must not make it look like a clean reply.
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    const bool cut = text.size() > kShownChars;
    if (cut)
        text.truncate(kShownChars);
    text = LogFormat::escaped(text);
    if (cut)
        text += QChar(0x2026);
    if (withTime)
        text = LogFormat::timeOfDay(msecs) + QLatin1String("  ") + text;
    return text;
}

void ConsoleLog::setShowTime(bool on)
{
    m_showTime = on;
    m_timeAction->setChecked(on);
    m_table->viewport()->update();
}

// The capture's file and whether a write to it failed. Entries are turned into lines and
// written on the writer thread, so that a flood costs the window no more than a copy of
// each entry, and a slow or full disk never holds it up.
struct ConsoleLog::CaptureFile
{
    QFile file;
    std::atomic<bool> failed{false};
    // Buffers go round between the window and the writer rather than being allocated
    // afresh: memory just given back by the other thread, or new pages, are slow to touch.
    QMutex spareLock;
    QList<QByteArray> spare;
    QByteArray bytes; // the writer's own

    QByteArray takeSpare()
    {
        QMutexLocker lock(&spareLock);
        if (!spare.isEmpty())
            return spare.takeLast();
        lock.unlock();
        QByteArray fresh;
        fresh.reserve(kCaptureBatch + 1024);
        return fresh;
    }

    void write(QByteArray &entries)
    {
        if (failed)
            return;
        bytes.resize(0);
        for (qsizetype at = 0; at < entries.size();) {
            CapturedHeader header;
            memcpy(&header, entries.constData() + at, sizeof header);
            at += sizeof header;
            // The entries' buffer is allocated aligned and each record's size is even, so
            // the code units are aligned where they stand.
            const auto *chars = reinterpret_cast<const char16_t *>(entries.constData() + at);
            at += header.length * qsizetype(sizeof(char16_t));
            LogFormat::appendFileLine(bytes, header.msecs, header.kind,
                                      QStringView(chars, header.length));
        }
        if (file.write(bytes) != bytes.size())
            failed = true;
        entries.resize(0);
        QMutexLocker lock(&spareLock);
        spare.append(std::move(entries));
    }
};

bool ConsoleLog::startCapture(const QString &path)
{
    stopCapture(false);
    auto capture = std::make_shared<CaptureFile>();
    capture->file.setFileName(path);
    // Unbuffered: a failing write shows at once instead of at some later flush.
    if (!capture->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    m_capture = std::move(capture);
    m_capturePath = path;
    m_captureTimer->start();
    retranslate();
    return true;
}

void ConsoleLog::handCaptureOver()
{
    if (m_captureBytes.isEmpty())
        return;
    QByteArray bytes = m_capture->takeSpare();
    bytes.swap(m_captureBytes);
    m_captureWriter->start(
        [capture = m_capture, bytes = std::move(bytes)]() mutable { capture->write(bytes); });
}

void ConsoleLog::writeCapture()
{
    if (!m_capture)
        return;
    if (m_capture->failed) {
        captureFailed();
        return;
    }
    handCaptureOver();
}

bool ConsoleLog::closeCapture()
{
    m_captureTimer->stop();
    handCaptureOver();
    m_captureWriter->waitForDone();
    const bool ok = !m_capture->failed;
    m_capture.reset();
    m_captureBytes = QByteArray();
    return ok;
}

void ConsoleLog::captureFailed()
{
    closeCapture();
    retranslate();
    emit message(trLog(QT_TRANSLATE_NOOP("Nodeweave", "捕获写入失败，已停止：%1"))
                     .arg(QDir::toNativeSeparators(m_capturePath)));
}

void ConsoleLog::stopCapture(bool announce)
{
    if (!m_capture)
        return;
    if (!closeCapture()) {
        retranslate();
        emit message(trLog(QT_TRANSLATE_NOOP("Nodeweave", "捕获写入失败，已停止：%1"))
                         .arg(QDir::toNativeSeparators(m_capturePath)));
        return;
    }
    retranslate();
    if (announce)
        emit message(trLog(QT_TRANSLATE_NOOP("Nodeweave", "捕获已停止：%1"))
                         .arg(QDir::toNativeSeparators(m_capturePath)));
}

void ConsoleLog::toggleCapture()
{
    if (capturing()) {
        stopCapture();
        return;
    }
    const QString path = Dialogs::saveFileName(
        trLog(QT_TRANSLATE_NOOP("Nodeweave", "捕获到文件")), QString(),
        trLog(QT_TRANSLATE_NOOP("Nodeweave", "文本文件 (*.txt);;所有文件 (*)")));
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    emit message(startCapture(path)
                     ? trLog(QT_TRANSLATE_NOOP("Nodeweave", "正在捕获到：%1")).arg(shown)
                     : trLog(QT_TRANSLATE_NOOP("Nodeweave", "无法打开捕获文件：%1")).arg(shown));
}

void ConsoleLog::append(QString text, Kind kind)
{
    if ((kind == Sent && !m_showSent) ||
        (kind != Sent && kind != Received && kind != Note && kind != FailureNote))
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_capture) {
        appendCaptured(m_captureBytes, now, kind, text);
        if (m_captureBytes.size() >= kCaptureBatch)
            writeCapture();
    }
    m_pending.append({std::move(text), kind, now});
    ++m_appended;
    // Entries the table would drop at once need not wait for it (removing the first
    // entry of a QList costs nothing in Qt 6).
    if (m_pending.size() > m_cap)
        m_pending.removeFirst();
    scheduleFrame();
}

void ConsoleLog::clear()
{
    m_pending.clear();
    m_table->setRowCount(0);
    m_chars = 0;
}

void ConsoleLog::scheduleFrame()
{
    if (m_frameTimer->isActive())
        return;
    // A reply on a quiet line, or the answer to a command just sent, is drawn as soon as it
    // is in: that is the wait a user feels. Under steady traffic the table is updated ten
    // times a second, and after a second of it five: nobody reads a log that scrolls that
    // fast, and repainting it is most of what a busy line costs the window (a configuration
    // read, a command every few milliseconds, keeps to that pace as well).
    const qint64 now = m_clock();
    const qint64 sinceFrame = m_lastFrameMs < 0 ? kQuietMs + 1 : now - m_lastFrameMs;
    if (sinceFrame > kQuietMs) {
        m_trafficSinceMs = now;
        m_frameTimer->start(0);
        return;
    }
    const int frameMs = now - m_trafficSinceMs < 1000 ? kFrameMs : 2 * kFrameMs;
    m_frameTimer->start(int(std::clamp<qint64>(frameMs - sinceFrame, 0, frameMs)));
    m_settleMark = m_appended;
    m_settleTimer->start();
}

void ConsoleLog::settleCheck()
{
    if (m_appended == m_settleMark)
        flush();
    else
        m_settleMark = m_appended;
}

int ConsoleLog::frameDelay() const
{
    return m_frameTimer->isActive() ? m_frameTimer->interval() : -1;
}

void ConsoleLog::dropOldestRows(int count)
{
    count = qMin(count, m_table->rowCount());
    if (count <= 0)
        return;
    for (int row = 0; row < count; ++row)
        m_chars -= m_table->item(row, 0)->text().size();
    m_table->model()->removeRows(0, count);
}

void ConsoleLog::flush()
{
    m_frameTimer->stop();
    m_settleTimer->stop();
    m_lastFrameMs = m_clock();
    emit frame();
    if (m_pending.isEmpty())
        return;
    // Only the newest cap entries are kept: drop the oldest rows, and any waiting entries
    // the table could not hold anyway.
    const int cap = qMax(0, m_cap);
    const int skip = qMax(0, int(m_pending.size()) - cap);
    const int incoming = int(m_pending.size()) - skip;
    dropOldestRows(m_table->rowCount() - (cap - incoming));
    const int first = m_table->rowCount();
    m_table->setRowCount(first + incoming);
    for (int i = 0; i < incoming; ++i) {
        Entry &e = m_pending[skip + i];
        m_chars += e.text.size();
        m_table->setItem(first + i, 0, new LogItem(std::move(e.text), e.kind, e.msecs));
    }
    m_pending.clear();
    // Then the size bound, oldest first, always keeping the newest entry.
    int over = 0;
    for (qint64 excess = m_chars - m_charBudget; excess > 0 && over < m_table->rowCount() - 1;
         ++over)
        excess -= m_table->item(over, 0)->text().size();
    dropOldestRows(over);
    if (m_autoScroll)
        m_table->scrollToBottom();
}

QString ConsoleLog::text(const QList<int> &rows) const
{
    QString out;
    for (int row : rows)
        out += entryLine(m_table->item(row, 0));
    return out;
}

// Saving is how a user keeps more than the table holds: every entry with its time and
// direction, as a capture writes it, through QSaveFile so that a failed write never destroys an
// earlier file.
bool ConsoleLog::save(const QString &path)
{
    flush();
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    const int rows = m_table->rowCount();
    for (int row = 0; ok && row < rows; ++row) {
        const auto *item = static_cast<const LogItem *>(m_table->item(row, 0));
        LogFormat::appendFileLine(chunk, item->msecs(), item->kind(), item->text());
        if (chunk.size() >= 64 * 1024 || row + 1 == rows) {
            ok = file.write(chunk) == chunk.size();
            chunk.clear();
        }
    }
    return ok && file.commit();
}

void ConsoleLog::saveAs()
{
    const QString path = Dialogs::saveFileName(
        trLog(QT_TRANSLATE_NOOP("Nodeweave", "保存日志")), QString(),
        trLog(QT_TRANSLATE_NOOP("Nodeweave", "文本文件 (*.txt);;所有文件 (*)")));
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    emit message(save(path) ? trLog(QT_TRANSLATE_NOOP("Nodeweave", "日志已保存：%1")).arg(shown)
                            : trLog(QT_TRANSLATE_NOOP("Nodeweave", "无法保存日志：%1")).arg(shown));
}

void ConsoleLog::copy()
{
    flush();
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty()) {
        rows.resize(m_table->rowCount());
        std::iota(rows.begin(), rows.end(), 0);
    }
    QGuiApplication::clipboard()->setText(text(rows));
}
