#pragma once

#include "sim/simcommand.h"
#include "sim/simlimits.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

// One node of the simulated network: its whole configuration, what "AT+W" stored,
// its factory values, and the commands that concern the node alone.

struct SimUartConfig
{
    int baudIndex = 5;   // 0-5: 4800 ... 115200
    int dataBits = 8;    // 5-8
    int parityIndex = 0; // 0 none, 1 even, 2 odd
    int stopBits = 1;    // 1-2
    int flowIndex = 0;   // 0 none, 1 hardware
};

// Where a function sends its data: mode word ("NID", "MID", "LID") and address.
struct SimSampling
{
    bool on = false;
    QString interval = QStringLiteral("10"); // seconds, as last set
    QString mode = QStringLiteral("LID");
    QString addr = QStringLiteral("0x0");
};

struct SimTransparentIo
{
    bool on = false;
    int tio = 9; // IO line of the other node
    QString mode = QStringLiteral("MID");
    QString addr = QStringLiteral("0x0");
};

struct SimIoConfig
{
    bool output = false;
    int level = 0; // driven level of an output, level seen on an input
    SimTransparentIo tpio;
    SimSampling iosmp;
};

struct SimAdcConfig
{
    QString reading = QStringLiteral("0");
    SimSampling adcsmp;
};

struct SimPwmConfig
{
    bool on = false;
    QString freq = QStringLiteral("1000"); // as last set (leading zeros kept)
    int duty = 0;
};

struct SimNodeConfig
{
    QString part;
    QString version;
    char type = 'C'; // 'C' coordinator, 'R' router
    SimUartConfig uart;
    int dfwm = 0; // default work mode: 0 AT_MODE, 1 TP_MODE (stored and reported only)
    QString epid;
    int channel = 15;
    QString joinTime = QStringLiteral("60");
    int lock = 0;
    int autoStart = 1;
    QString tidMode = QStringLiteral("NID");
    QString tidAddr = QStringLiteral("0x0000");
    std::array<QString, SimLimits::kDescriptors> desc;
    std::array<SimIoConfig, SimLimits::kIoLines.size()> io; // in the order of kIoLines
    std::array<SimAdcConfig, SimLimits::kAdcChannels> adc;
    std::array<SimPwmConfig, SimLimits::kPwmChannels> pwm;
    bool networkStarted = true;
    QString netAddr;
    QString macAddr;
    int lqi = 255; // link quality reported by "AT+LQI?"

    // Index of IO line `line` in `io`, or -1 for a line the module does not have.
    static int ioIndex(int line);
    SimIoConfig &ioLine(int line) { return io.at(ioIndex(line)); }
    const SimIoConfig &ioLine(int line) const { return io.at(ioIndex(line)); }
};

// The outcome of one command on one node, before it is written out as lines.
struct SimReply
{
    enum Kind
    {
        Ok,
        Value,
        List,
        Error
    };
    // What the command did beyond changing settings, for the network around the node.
    enum Effect
    {
        NoEffect,
        Restarted,
        NetworkUp,
        NetworkDown
    };

    Kind kind = Ok;
    QByteArray value;       // Value: the text after "OK="
    QList<QByteArray> rows; // List: each row's text after "OK="
    int error = 0;          // Error: the code
    Effect effect = NoEffect;

    static SimReply ok(Effect effect = NoEffect);
    static SimReply valueReply(const QByteArray &value);
    static SimReply listReply(const QList<QByteArray> &rows);
    static SimReply errorReply(int code);
};

// Ways a node misbehaves during a batch of settings, for tests and demonstrations.
struct SimQuirks
{
    // Set commands of this word are refused with ERR=refuseCode.
    QByteArray refuseWord;
    int refuseCode = 0;
    // Set commands of this word are acknowledged and not carried out.
    QByteArray keepWord;
    // Added to every answer's latency.
    int extraLatencyMs = 0;
    // The node leaves the network after answering this many more commands (0: never).
    int leaveAfter = 0;
    // Commands of this word are answered lateMs later than usual.
    QByteArray lateWord;
    int lateMs = 0;
};

class SimNode
{
public:
    explicit SimNode(const SimNodeConfig &factory);

    SimNodeConfig &config() { return m_config; }
    const SimNodeConfig &config() const { return m_config; }
    const SimNodeConfig &stored() const { return m_stored; }
    const SimNodeConfig &factory() const { return m_factory; }

    void store();          // AT+W
    void restart();        // AT+RST: back to what was stored
    void restoreFactory(); // AT+DFRST

    // True for the command words that this class carries out.
    static bool handles(const QByteArray &word);
    // The forms (bit 1 << SimCommand::Form) that a known word accepts, 0 for an unknown word.
    static unsigned formsOf(const QByteArray &word);

    // Carries out a node command whose word `handles()` accepts and whose form is
    // supported; returns the reply.
    SimReply execute(const SimCommand &cmd);

    // The remote suffix fields of this node: "<" + network address + "," + MAC.
    QByteArray suffix() const;

    // How the node ends its list replies: properly, not at all (the closing line is lost),
    // or with a bare "OK" even when it answers through the network.
    enum class ListClosing
    {
        Normal,
        Dropped,
        BareOk
    };
    void setListClosing(ListClosing closing) { m_listClosing = closing; }
    ListClosing listClosing() const { return m_listClosing; }

    SimQuirks &quirks() { return m_quirks; }

private:
    SimReply setSmallInt(const QByteArray &params, int low, int high, int *field);
    SimReply setFlag(const QByteArray &params, int *field)
    {
        return setSmallInt(params, 0, 1, field);
    }
    SimReply executeIo(const SimCommand &cmd);
    SimReply executeAdcPwm(const SimCommand &cmd);

    SimNodeConfig m_config;
    SimNodeConfig m_stored;
    SimNodeConfig m_factory;
    ListClosing m_listClosing = ListClosing::Normal;
    SimQuirks m_quirks;
};

// The nodes the simulated network starts with: the local module first, then the
// remote nodes (four, or `remotes` when more are asked for: the extra ones are plain
// routers numbered from 0x2001).
QList<SimNodeConfig> simDefaultNetwork(int remotes = 4);
