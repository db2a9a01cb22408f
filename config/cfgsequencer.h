#pragma once

#include "config/cfgcmd.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

struct ZBdevice;

// Runs one configuration queue against one target, step by step: it sends each step,
// judges the replies, resends a failed step once, times out a silent one, and reports
// its progress and its end. Reading and writing differ only in how a step goes out and
// what counts as its reply (see Kind); what a step does with a reply is its handler's
// business. One object serves every run of the window, one run at a time.
class CfgSequencer : public QObject
{
    Q_OBJECT
    // Tests put the window into a running state without a module behind it.
    friend class TestAccess;

public:
    enum class Kind
    {
        // Each step sends its command as it stands; its handler judges every reply line
        // and says when the step is done (a list reply takes several lines).
        Read,
        // Each step's handler composes and sends its command (send()), or skips the step
        // (skip()); a plain success completes it.
        Write,
    };

    // Each step gets one resend; a rejected reply and a time-out draw on the same count,
    // which only a finished step clears.
    static constexpr int kMaxRetries = 1;
    static constexpr int kLocalStepTimeoutMs = 2000;
    // A remote node answers through the network, hence the longer wait.
    static constexpr int kRemoteStepTimeoutMs = 5500;
    static int stepTimeoutMs(bool localTarget)
    {
        return localTarget ? kLocalStepTimeoutMs : kRemoteStepTimeoutMs;
    }

    explicit CfgSequencer(QObject *parent = nullptr);

    // Marks a run of `queue` against `target` as going, at its first step with a clean
    // retry count; sendCurrent() then sends that step. The target is read each time a
    // step is sent, and neither it nor the queue is copied: both must outlive the run.
    void start(Kind kind, const CfgCmdQueue &queue, const ZBdevice *target);
    // Sends the current step, or ends the run with success past the last one.
    void sendCurrent();
    // Ends the run with failure (the Stop button).
    void stop();

    // How the last run failed, for the log.
    enum class Failure
    {
        None,
        NoReply,
        Refused,
        Stopped
    };
    Failure failure() const { return m_failure; }
    // The command of the step the run ended at, as composed (without the target's suffix
    // and line end), and the last reply that step got, without its line end.
    QString lastCommand() const { return m_lastCommand; }
    QString lastReply() const { return m_lastReply; }

    // Milliseconds since the last line arrived, run or not (a large number before any).
    qint64 quietMs() const;

    bool isRunning() const { return m_running; }
    bool isRunning(Kind kind) const { return m_running && m_kind == kind; }
    Kind kind() const { return m_kind; }
    int position() const { return m_position; }
    int retries() const { return m_retries; }
    int stepCount() const { return m_queue ? int(m_queue->size()) : 0; }
    // The target is a remote node: replies carry its suffix.
    bool remoteTarget() const;
    const QTimer &stepTimer() const { return m_timer; }

    // For write handlers: sends the step's command to the target, or moves on without
    // sending anything.
    void send(const QString &cmd);
    void skip();

public slots:
    // Every received line; ignored while no run goes.
    void lineReceived(const QString &line);
    // The step's time ran out.
    void timeout();

signals:
    // A complete command text, target suffix and line end included, to go out as it is.
    void sendText(const QString &text);
    // A reply that names another node than the run's was ignored.
    void strayReply(const QString &sender);
    // The run moved on to step `position`, whose command is out (nothing, for a step that
    // skips); a run that ends past its last step says so with finished() only.
    void progress(int position);
    // Step `position` was accepted, or failed (then `retry` says whether it is resent).
    void stepResult(int position, bool accepted, bool retry);
    void finished(bool ok);

private:
    void next();
    void stepFailed(Failure why);
    void finish(bool ok);
    // A reply naming another node than the run's own: not this run's to judge.
    bool fromAnotherNode(const QString &line) const;

    QTimer m_timer;
    QElapsedTimer m_lastLine;
    bool m_rowRefused = false; // a list step refused a row: fails once the list ends
    const CfgCmdQueue *m_queue = nullptr;
    const ZBdevice *m_target = nullptr;
    Kind m_kind = Kind::Read;
    bool m_running = false;
    quint64 m_runs = 0; // runs started, to tell one from the next
    int m_position = 0;
    int m_retries = 0;
    Failure m_failure = Failure::None;
    QString m_lastCommand;
    QString m_lastReply;
};
