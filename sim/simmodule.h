#pragma once

#include "sim/simnode.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

// A simulated radio module with its small network: bytes from the host go in through
// receive(), every byte towards the host comes out through output(), always from the
// event loop (never from inside receive()). Out of the box the network is up, with the
// local module and four remote nodes.
//
// Lines that the module sends unasked never begin with "OK" or "ERR":
//   "IO=<io>,<source net addr>,<level>"        IO sampling
//   "ADC=<channel>,<source net addr>,<value>"  ADC sampling
//   "RECV=<source net addr>,<data>"            a packet for the local module
class SimModule : public QObject
{
    Q_OBJECT

public:
    // A network of the local module and `remotes` remote nodes (see simDefaultNetwork).
    explicit SimModule(QObject *parent = nullptr, int remotes = 4);
    ~SimModule() override;

    // Bytes from the host, split anywhere.
    void receive(const QByteArray &bytes);

    SimNode &local();
    QList<SimNode *> remotes();
    // The node with this address (compared as a number, any case), or nullptr.
    SimNode *nodeByNet(const QString &addr);
    SimNode *nodeByMac(const QString &addr);

    // Every complete line received (the newest SimLimits::kMaxRecordedLines), without CR LF.
    QStringList receivedLines() const { return m_received; }
    void clearReceivedLines() { m_received.clear(); }

    // Sets the misbehaviour of one node from text (nodeweave-modsim's --node):
    // "<node>:<knob>[,<knob>...]", the node named by its place in the network (0 the module
    // on the port, 1... the remote nodes) or by its network address. Knobs:
    // refuse=WORD:CODE (its set commands refused with ERR=CODE), keep=WORD (acknowledged,
    // not carried out), latency=MS (every answer that much slower), leave-after=N (leaves
    // the network after N commands), late=WORD[:MS] (answered after the program's time-out,
    // or MS later). WORD is a command word, "CH" or "AT+CH". Returns what is wrong, or
    // an empty text.
    QString setNodeKnobs(const QString &line);

    // Knobs. All effects are deterministic for a given seed.
    void setLocalLatency(int ms) { m_localLatency = qMax(0, ms); }
    void setRemoteLatency(int ms) { m_remoteLatency = qMax(0, ms); }
    // Delay before an unknown remote address is answered with ERR=71 / ERR=70.
    void setRemoteFailDelay(int ms) { m_remoteFailDelay = qMax(0, ms); }
    // Paces the output at this many bits per second (10 bits a byte); 0 = unpaced.
    void setBaudRate(int bitsPerSecond);
    // Paced output ends exactly when the line would have carried its last byte: the last
    // part of a tick is waited out in place, blocking this thread (its very end awake). For
    // a module served by a process of its own; otherwise bytes leave on the nearest
    // millisecond tick.
    void setExactPacing(bool on) { m_exactPacing = on; }
    // Echoes every received line before its reply.
    void setEcho(bool on) { m_echo = on; }
    // Lets a lone CR or LF end a line too (terminal programs that send only CR);
    // empty lines are then skipped.
    void setAnyLineEnd(bool on) { m_anyLineEnd = on; }
    // Faults for the reply to the next command that is answered.
    void dropNextReply() { m_faults.drop = true; }
    void delayNextReply(int ms) { m_faults.delayMs += qMax(0, ms); }
    // The garbled reply never begins with "OK" or "ERR": its first byte is always hit.
    void garbleNextReply() { m_faults.garble = true; }
    // "OK" becomes "OK=0", "OK=<value>" becomes "OK", "ERR=<n>" becomes "OK=<n>"
    // (remote suffix kept); rows of a list stay, its closing line changes.
    void wrongShapeNextReply() { m_faults.wrongShape = true; }
    // Every output line is cut into pieces written separately, SimLimits::kSplitGapMs apart.
    void splitReplies(bool on) { m_split = on; }
    // A silent module neither carries out nor answers anything, and drops output not yet sent.
    void setSilent(bool on);
    // The line from the host breaks after this many more bytes (negative: never): the
    // write that reaches the limit is cut short there and every later write fails, as
    // when an adapter is pulled out in the middle of a command. Returns through
    // takeFromHost() how much of each write the line carries.
    void breakHostLineAfter(qint64 bytes) { m_hostLineLeft = bytes; }
    // How many of `size` bytes the line carries now (-1 once it is broken).
    qint64 takeFromHost(qint64 size);
    void setSeed(quint32 seed) { m_rng.seed(seed); }
    // Scale factors for the scan time and the sampling intervals (1.0 = real seconds).
    void setScanTimeScale(double scale) { m_scanScale = qMax(0.0, scale); }
    void setSampleTimeScale(double scale);

    int localLatency() const { return m_localLatency; }
    int remoteLatency() const { return m_remoteLatency; }
    int baudRate() const { return m_baud; }
    bool isSilent() const { return m_silent; }
    bool isScanning() const { return m_scanning; }
    bool inTransparentMode() const { return m_tpMode; }
    // True while some output is scheduled or being paced out.
    bool hasPendingOutput() const { return !m_pending.isEmpty() || !m_tx.isEmpty(); }
    // Bytes waiting for the line (at most SimLimits::kMaxOutputBacklog).
    qint64 outputBacklog() const { return m_txQueued; }

signals:
    void output(const QByteArray &bytes);
    // A complete line was received (emitted before it is carried out).
    void lineReceived(const QString &line);

private:
    enum class UnitKind
    {
        Echo,
        Reply,
        Scan,
        ScanEnd,
        Unsolicited
    };
    struct Unit
    {
        qint64 due;
        quint64 seq;
        QByteArray bytes;
        UnitKind kind;
    };
    struct Faults
    {
        bool drop = false;
        int delayMs = 0;
        bool garble = false;
        bool wrongShape = false;
    };
    struct TxPiece
    {
        QByteArray bytes;
        int gapAfterMs;
    };
    struct Sampler
    {
        std::unique_ptr<QTimer> timer;
        int intervalMs;
    };

    void processLine(const QByteArray &line);
    void handleLine(const QByteArray &line);
    void runCommand(SimNode &node, const QByteArray &command, bool viaNetwork, int delay);
    void runSend(SimNode &node, const SimCommand &cmd, bool viaNetwork, int delay);
    void runScan(const SimCommand &cmd, int delay);
    void applyEffect(SimNode &node, SimReply::Effect effect);
    void cancelScan();
    bool reachable(const SimNode &node);
    // The nodes an address of `mode` ("NID"/"MID") names: one, none, or every node
    // but `except` for a broadcast address.
    QList<SimNode *> resolve(const QByteArray &mode, const QByteArray &address,
                             const SimNode *except);
    // Whether data that `from` sends to this destination arrives at the local module.
    bool reachesLocal(const SimNode &from, const QByteArray &mode, const QByteArray &address);

    QByteArray format(const SimReply &reply, const SimNode *remoteNode,
                      SimNode::ListClosing closing = SimNode::ListClosing::Normal) const;
    void push(int delay, const QByteArray &bytes, UnitKind kind = UnitKind::Reply);
    void schedule(Unit unit);
    void applyFaults(const Faults &faults, QList<Unit> &units);
    QByteArray garble(const QByteArray &bytes);
    static QByteArray wrongShape(const QByteArray &bytes);

    void releaseDue();
    void queueTx(const QByteArray &bytes);
    void pumpTx();
    qint64 lead() const;
    void waitForBurstEnd();
    qint64 nsPerByte() const { return SimLimits::kBitsPerByte * 1000000000LL / qMax(1, m_baud); }

    void syncSamplers();
    void sample(int key);

    std::vector<std::unique_ptr<SimNode>> m_nodes; // [0] is the local module
    QStringList m_received;

    QByteArray m_rxLine;
    bool m_rxPrevCr = false;

    int m_localLatency = SimLimits::kDefaultLocalLatencyMs;
    int m_remoteLatency = SimLimits::kDefaultRemoteLatencyMs;
    int m_remoteFailDelay = SimLimits::kDefaultRemoteFailDelayMs;
    int m_baud = 0;
    bool m_exactPacing = false;
    bool m_echo = false;
    bool m_anyLineEnd = false;
    bool m_split = false;
    bool m_silent = false;
    qint64 m_hostLineLeft = -1;
    double m_scanScale = 1.0;
    double m_sampleScale = 1.0;
    Faults m_faults;
    QRandomGenerator m_rng{1u};

    bool m_scanning = false;
    bool m_tpMode = false;

    QElapsedTimer m_clock;
    quint64 m_seq = 0;
    QList<Unit> m_batch;   // units made by the line being carried out
    QList<Unit> m_pending; // sorted by due time, then by order of making
    QTimer m_releaseTimer;

    QList<TxPiece> m_tx;
    qint64 m_txQueued = 0; // bytes in m_tx
    QTimer m_txTimer;
    // Pacing, on m_clock in nanoseconds: when the current burst began, and when the last
    // byte the host sent has crossed the wire towards the module.
    qint64 m_txStartNs = 0;
    qint64 m_txWindowSent = 0;
    qint64 m_rxWireFreeNs = 0;

    std::map<int, Sampler> m_samplers;
};
