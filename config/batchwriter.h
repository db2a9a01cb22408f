#pragma once

#include "config/cfgqueues.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <functional>

// One node of a batch write and what became of it.
struct BatchNode
{
    enum class State
    {
        Waiting,
        Writing,
        Verifying,
        Done,
        Failed,
        Skipped
    };
    // Why a node failed.
    enum class Cause
    {
        None,
        Refused,  // a step was answered with an error twice
        NoReply,  // a step was not answered twice
        Stopped,  // the user stopped the run at this node
        PortLost, // the port went away under the run
        Differs   // the read-back differs from what was written
    };

    ZBdevice device;
    CfgValues own; // the node's own values, on top of the shared ones
    State state = State::Waiting;
    Cause cause = Cause::None;
    int step = 0; // the step being written or read, from 1
    int steps = 0;
    QString command; // the command the node failed at, as composed
    QString reply;   // the reply that command got last, without its line end
    QList<SettingsTable::Difference> differences;
    bool verified = false;
    QDateTime started; // UTC
    QDateTime ended;
};

// Writes one configuration into several nodes, one after the other, on the one sequence
// engine: each node gets the write queue aimed at it, with the engine's time-out and
// resend, and, when asked, the read queue into a copy of its own that is then compared
// with what was written. A node that fails does not stop the others.
class BatchWriter : public QObject
{
    Q_OBJECT

public:
    // Between two nodes the line must have been quiet this long (at most the second wait):
    // the next node's first command must not meet the last node's late answer. Twice the
    // time a long reply line takes at 115200 baud; a later answer that names its node is
    // ignored by the engine in any case.
    static constexpr qint64 kQuietMs = 20;
    static constexpr qint64 kMaxQuietWaitMs = 2000;

    explicit BatchWriter(CfgSequencer *engine, QObject *parent = nullptr);

    // `written`: the configuration every node is sent, with the settings of `groups` and a
    // node's own values (`own`, keyed by MAC address) on top: composed once per node, what
    // goes out is exactly what its read-back is compared with.
    void start(const QList<ZBdevice> &nodes, const CfgValues &written, bool verify,
               const QList<SettingsTable::Group> &groups = allGroups(),
               const QHash<QString, CfgValues> &own = {});
    static QList<SettingsTable::Group> allGroups();
    const QList<SettingsTable::Group> &groups() const { return m_groups; }
    // Ends the run once the command under way is answered or times out; the nodes not
    // reached are skipped.
    void stop();
    // Ends the run at once (the port is gone): the node under way fails with `why`.
    void abort(const QString &why);

    bool isRunning() const { return m_running; }
    bool stopRequested() const { return m_stopRequested; }
    bool verifying() const { return m_verify; }
    QString abortReason() const { return m_abortReason; }
    const QList<BatchNode> &nodes() const { return m_nodes; }
    int progressMaximum() const;
    int progressValue() const;

    // The report as CSV: UTF-8 with a byte-order mark (so a spreadsheet reads it as such),
    // one line per node. `errorText` gives an error code's text.
    QByteArray reportCsv(const std::function<QString(int code)> &errorText = nullptr) const;
    // A node's values as "KEY=value; …", by the settings' file names.
    static QString valuesText(const CfgValues &values);
    // A cell as CSV quotes it. A cell that a spreadsheet would take for a formula (a node's
    // descriptor comes from the network) is kept as text by a leading apostrophe.
    static QByteArray csvCell(const QString &text);

signals:
    void nodeChanged(int index);
    void finished();

private:
    void runNode();
    void engineProgress(int position);
    void engineStepResult(int position, bool accepted, bool retry);
    void engineFinished(bool ok);
    void advance();
    void nextNodeWhenQuiet();
    void finishRun();
    int stepsPerNode() const;
    BatchNode &current() { return m_nodes[m_index]; }

    CfgSequencer *m_engine;
    CfgCmdQueue m_writeQueue;
    CfgCmdQueue m_readQueue;
    CfgValues m_shadow; // what the verifying read got back
    CfgValues m_written;
    QList<SettingsTable::Group> m_groups;
    ZBdevice m_target; // the engine's target while the batch runs
    QList<BatchNode> m_nodes;
    int m_index = 0;
    bool m_running = false;
    bool m_verify = true;
    bool m_stopRequested = false;
    bool m_aborting = false;
    bool m_writeDone = false; // the current node's write succeeded
    QString m_abortReason;
    QElapsedTimer m_quietWait;
};
