#include "at/consolelog.h"

#include "app/dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QSaveFile>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace {

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

const QBrush &kindBrush(int kind)
{
    static const QBrush colors[3] = {QBrush(QColor(220, 245, 250)), QBrush(QColor(250, 240, 220)),
                                     QBrush(QColor(225, 245, 215))};
    return colors[kind == ConsoleLog::Received ? 1 : kind == ConsoleLog::Note ? 2 : 0];
}

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
        const QVariant stored = QTableWidgetItem::data(role);
        if (role == Qt::BackgroundRole && !stored.isValid())
            return kindBrush(type() - UserType);
        return stored;
    }

    void setData(int role, const QVariant &value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            m_text = value.toString();
        QTableWidgetItem::setData(role, value);
    }

    QTableWidgetItem *clone() const override { return new LogItem(*this); }
    qint64 msecs() const { return m_msecs; }

private:
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
        m_save->setText(trLog(QT_TRANSLATE_NOOP("Nodeweave", "保存日志…")));
        m_copy->setText(trLog(QT_TRANSLATE_NOOP("Nodeweave", "复制")));
    }

    QAction *m_save;
    QAction *m_copy;
};

} // namespace

ConsoleLog::ConsoleLog(QTableWidget *table, QObject *parent)
    : QObject(parent), m_table(table), m_frameTimer(new QTimer(this))
{
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &ConsoleLog::flush);

    table->setColumnCount(1);
    table->verticalHeader()->hide();
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setStretchLastSection(true);
    // One text line per entry: the line end each entry keeps would otherwise double every
    // row's height.
    table->setWordWrap(false);
    table->setItemDelegate(new LogDelegate(table));
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);

    auto *save = new QAction(table);
    save->setObjectName(QStringLiteral("action_saveLog"));
    connect(save, &QAction::triggered, this, &ConsoleLog::saveAs);
    auto *copyAction = new QAction(table);
    copyAction->setObjectName(QStringLiteral("action_copyLog"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(copyAction, &QAction::triggered, this, &ConsoleLog::copy);
    table->addAction(save);
    table->addAction(copyAction);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    table->installEventFilter(new LogActionTexts(save, copyAction, table));
}

void ConsoleLog::append(QString text, Kind kind)
{
    if ((kind == Sent && !m_showSent) || (kind != Sent && kind != Received && kind != Note))
        return;
    m_pending.append({std::move(text), kind, QDateTime::currentMSecsSinceEpoch()});
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
    // The first change after a quiet spell shows on the next pass of the event loop;
    // under steady traffic the table is updated at most once a frame.
    const qint64 wait = m_lastFrameMs < 0 ? 0 : kFrameMs - (logClock().elapsed() - m_lastFrameMs);
    m_frameTimer->start(int(std::clamp<qint64>(wait, 0, kFrameMs)));
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
    m_lastFrameMs = logClock().elapsed();
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

// Saving is how a user keeps more than the table holds: every entry as it was sent or
// received, through QSaveFile so that a failed write never destroys an earlier file.
bool ConsoleLog::save(const QString &path)
{
    flush();
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    const int rows = m_table->rowCount();
    for (int row = 0; ok && row < rows; ++row) {
        chunk += entryLine(m_table->item(row, 0)).toLocal8Bit();
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
