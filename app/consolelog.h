#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QThreadPool;
class QPalette;
class QTableWidget;
class QTimer;

// The console log, attached to a one-column table: every text sent and every line
// received, one row each. Entries wait and enter the table in batches (one relayout and
// repaint per frame, not per line); the table keeps the newest cap() entries and at most
// charBudget() characters. Sent and received entries and notes have their own colours (darker
// ones on a dark palette). Every entry keeps its time, shown on request. The table's
// context menu saves the whole log to a file, copies the selected rows, shows or hides
// the times, and captures every entry to a file as it is logged.
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
        Note = 2,
        // A note that something failed, in a colour of its own.
        FailureNote = 3
    };
    enum class Outcome
    {
        Success,
        Failure
    };

    // The first entry after a quiet spell (kQuietMs without a frame) is shown at once.
    // Under traffic the table is updated every kFrameMs (half as often after a second of
    // it), but looks every kSettleMs whether entries still come: once they pause (the reply
    // to a command, the end of a burst) what waits is shown then.
    static constexpr int kFrameMs = 100;
    static constexpr int kQuietMs = 50;
    static constexpr int kSettleMs = 8;

    explicit ConsoleLog(QTableWidget *table, QObject *parent = nullptr);
    ~ConsoleLog() override;

    // Sent entries are shown only while this is on (the "log commands" box).
    void setShowSent(bool on) { m_showSent = on; }
    void setAutoScroll(bool on) { m_autoScroll = on; }
    bool showTime() const { return m_showTime; }
    void setShowTime(bool on);

    // Appends every entry from now on to `path`, one line each. False when the file
    // cannot be opened.
    bool startCapture(const QString &path);
    // Writes what waits and closes the file; `announce` tells the status bar.
    void stopCapture(bool announce = true);
    bool capturing() const { return m_capture != nullptr; }

    // An entry as a row shows it: one line, control characters escaped, the time in
    // front when asked.
    static QString shownText(QString text, qint64 msecs, bool withTime);

    // Row colours: the fixed light ones, or dark variants of their hues on a dark palette.
    static QColor background(Kind kind, const QPalette &palette);
    static QColor foreground(Kind kind, const QPalette &palette);

    void append(QString text, Kind kind);
    // Adds the program's own account of what happened, coloured by how it went.
    void note(const QString &text, Outcome outcome = Outcome::Success)
    {
        append(text, outcome == Outcome::Failure ? FailureNote : Note);
    }
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
    // Milliseconds until the frame that is due, or -1 when none is.
    int frameDelay() const;
    // The look every kSettleMs while a frame is due: shows what waits when no entry came
    // since the last look.
    void settleCheck();
    // The clock that paces the frames (milliseconds, never going back), for tests. The
    // line counts as quiet on the new clock.
    void setClock(std::function<qint64()> msecs)
    {
        m_clock = std::move(msecs);
        m_lastFrameMs = -1;
    }

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveAs();
    void toggleCapture();
    void writeCapture();
    void handCaptureOver();
    // Writes what waits and closes the file; false when that last write failed.
    bool closeCapture();
    void captureFailed();
    void retranslate();
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
    std::function<qint64()> m_clock;
    qint64 m_lastFrameMs = -1;
    qint64 m_trafficSinceMs = 0; // when the line last came out of a quiet spell
    QTimer *m_settleTimer;
    quint64 m_appended = 0;   // entries appended, ever
    quint64 m_settleMark = 0; // m_appended at the last look
    int m_cap = 100000;
    // Characters held by the table, bounded too: a peer spewing bytes without line ends
    // fills the log with 64 KiB entries, and 100 000 of those would not fit in memory.
    qint64 m_chars = 0;
    qint64 m_charBudget = 16 * 1024 * 1024;
    bool m_showSent = true;
    bool m_autoScroll = false;
    bool m_showTime = false;

    QAction *m_saveAction;
    QAction *m_copyAction;
    QAction *m_timeAction;
    QAction *m_captureAction;
    // The capture: the open file, the entries not yet handed to the writer thread, a timer
    // that hands them over, and that thread.
    struct CaptureFile;
    std::shared_ptr<CaptureFile> m_capture;
    QString m_capturePath;
    QByteArray m_captureBytes;
    QTimer *m_captureTimer;
    QThreadPool *m_captureWriter;
};
