#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QTableWidget;
class QTimer;

// The console log, attached to a one-column table: every text sent and every line
// received, one row each. Entries wait and enter the table in batches (one relayout and
// repaint per frame, not per line); the table keeps the newest cap() entries and at most
// charBudget() characters. Sent and received entries and notes have their own colours. The table's
// context menu saves the whole log to a file or copies the selected rows.
class ConsoleLog : public QObject
{
    Q_OBJECT

public:
    enum Kind
    {
        Sent = 0,
        Received = 1,
        // The program's own account of what happened (a read, write or scan ended, what an
        // import refused): neither sent nor received.
        Note = 2
    };

    // Under steady traffic the table is updated at most this often.
    static constexpr int kFrameMs = 100;

    explicit ConsoleLog(QTableWidget *table, QObject *parent = nullptr);

    // Sent entries are shown only while this is on (the "log commands" box).
    void setShowSent(bool on) { m_showSent = on; }
    void setAutoScroll(bool on) { m_autoScroll = on; }

    void append(QString text, Kind kind);
    // Adds a Note entry.
    void note(const QString &text) { append(text, Note); }
    // Removes every entry, those still waiting included.
    void clear();
    // Asks for a frame soon (frame() is emitted with it) even when no entry waits.
    void scheduleFrame();
    // Shows the waiting entries now.
    void flush();

    int cap() const { return m_cap; }
    void setCap(int cap) { m_cap = cap; }
    qint64 charBudget() const { return m_charBudget; }
    void setCharBudget(qint64 chars) { m_charBudget = chars; }
    int pendingCount() const { return int(m_pending.size()); }

    // The rows as a saved or copied log has them: each with its line end.
    QString text(const QList<int> &rows) const;
    // Writes every entry to `path`, replacing the file only once all is written.
    bool save(const QString &path);
    // Copies the selected rows, or the whole log when none is selected.
    void copy();

signals:
    // A batch has been shown (also when there was nothing to show).
    void frame();
    // Something to tell the user in the status bar.
    void message(const QString &text);

private:
    void saveAs();
    void dropOldestRows(int count);

    struct Entry
    {
        QString text;
        Kind kind;
        qint64 msecs; // when it was logged, since the epoch
    };

    QTableWidget *m_table;
    QTimer *m_frameTimer;
    QList<Entry> m_pending;
    qint64 m_lastFrameMs = -1;
    int m_cap = 100000;
    // Characters held by the table, bounded too: a peer spewing bytes without line ends
    // fills the log with 64 KiB entries, and 100 000 of those would not fit in memory.
    qint64 m_chars = 0;
    qint64 m_charBudget = 16 * 1024 * 1024;
    bool m_showSent = true;
    bool m_autoScroll = false;
};
