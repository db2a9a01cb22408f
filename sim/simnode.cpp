#include "sim/simnode.h"

#include <initializer_list>

using SimParse::parseDecimal;
using SimParse::splitParams;

namespace {

constexpr unsigned kExe = 1u << SimCommand::Execute;
constexpr unsigned kQuery = 1u << SimCommand::Query;
constexpr unsigned kSet = 1u << SimCommand::Set;

struct WordForms
{
    const char *word;
    unsigned forms;
    bool node; // carried out by SimNode (the others need the network around it)
};

// Every command word the module knows, with the forms it accepts.
constexpr WordForms kWords[] = {
    {"UART", kQuery, true},         {"IPR", kQuery | kSet, true},
    {"DBIT", kQuery | kSet, true},  {"PAR", kQuery | kSet, true},
    {"STO", kQuery | kSet, true},   {"IFC", kQuery | kSet, true},
    {"CH", kQuery | kSet, true},    {"EPID", kQuery | kSet, true},
    {"TYP", kQuery | kSet, true},   {"NID", kQuery, true},
    {"MID", kQuery, true},          {"NSTA", kExe, true},
    {"NRST", kExe, true},           {"NLEAV", kExe, true},
    {"NS", kQuery, true},           {"LQI", kQuery, true},
    {"NASTA", kQuery | kSet, true}, {"JOINT", kQuery | kSet, true},
    {"NLOCK", kQuery | kSet, true}, {"SEND", kSet, false},
    {"WNODE", kSet, true},          {"RNODE", kSet, true},
    {"SCAN", kSet, false},          {"TID", kQuery | kSet, true},
    {"TPMOD", kExe, false},         {"RST", kExe, true},
    {"DFRST", kExe, true},          {"W", kExe, true},
    {"DFWM", kQuery | kSet, true},  {"IOSET", kQuery | kSet, true},
    {"IOOUT", kSet, true},          {"IORD", kSet, true},
    {"TPIO", kQuery | kSet, true},  {"IOSMP", kQuery | kSet, true},
    {"ADCRD", kSet, true},          {"ADCSMP", kQuery | kSet, true},
    {"PWM", kQuery | kSet, true},   {"PWMRD", kSet, true},
    {"INFO", kExe, true},           {"VER", kExe, true},
    {"ESC", kExe, false},
};

const WordForms *findWord(const QByteArray &word)
{
    for (const WordForms &w : kWords) {
        if (word == w.word)
            return &w;
    }
    return nullptr;
}

QByteArray num(int v)
{
    return QByteArray::number(v);
}

QByteArray utf8(const QString &s)
{
    return s.toUtf8();
}

// The parameter list must have exactly `count` parts, none of them empty. Parts other
// than free text (the last one when `lastIsText`) are held to the parameter length.
int checkParts(const QList<QByteArray> &parts, int count, bool lastIsText = false)
{
    if (parts.size() < count)
        return 21;
    if (parts.size() > count)
        return 20;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts.at(i).isEmpty())
            return 21;
        const bool text = lastIsText && i == parts.size() - 1;
        if (!text && parts.at(i).size() > SimLimits::kMaxParameterLength)
            return 16;
    }
    return 0;
}

// A decimal field: 20 when it is no number, 23 when it lies outside [low, high].
int decimalField(const QByteArray &text, int low, int high, int *value)
{
    int v = 0;
    if (!parseDecimal(text, &v))
        return 20;
    if (v < low || v > high)
        return 23;
    *value = v;
    return 0;
}

// An IO line number: 20 when it is no number, 80 for a line the module does not have.
int ioField(const QByteArray &text, int *line)
{
    int v = 0;
    if (!parseDecimal(text, &v))
        return 20;
    if (SimNodeConfig::ioIndex(v) < 0)
        return 80;
    *line = v;
    return 0;
}

// Mode word and address of a destination: 23 for a mode not in `modes`, 40 for an
// address that does not suit the mode.
int destinationFields(const QByteArray &mode, const QByteArray &addr,
                      std::initializer_list<const char *> modes)
{
    bool known = false;
    for (const char *m : modes)
        known = known || mode == m;
    if (!known)
        return 23;
    if (!SimParse::validAddressForMode(mode, addr))
        return 40;
    return 0;
}

// "0,<item>" or "1,<item>,..." with `onCount` parts: the switch and the part count.
int switchedParts(const QList<QByteArray> &parts, int onCount, bool *on)
{
    int sw = 0;
    if (parts.isEmpty() || parts.first().isEmpty())
        return 21;
    if (const int err = decimalField(parts.first(), 0, 1, &sw))
        return err;
    *on = sw == 1;
    return checkParts(parts, *on ? onCount : 2);
}

} // namespace

int SimNodeConfig::ioIndex(int line)
{
    for (size_t i = 0; i < SimLimits::kIoLines.size(); ++i) {
        if (SimLimits::kIoLines[i] == line)
            return int(i);
    }
    return -1;
}

SimReply SimReply::ok(Effect effect)
{
    SimReply r;
    r.effect = effect;
    return r;
}

SimReply SimReply::valueReply(const QByteArray &value)
{
    SimReply r;
    r.kind = Value;
    r.value = value;
    return r;
}

SimReply SimReply::listReply(const QList<QByteArray> &rows)
{
    SimReply r;
    r.kind = List;
    r.rows = rows;
    return r;
}

SimReply SimReply::errorReply(int code)
{
    SimReply r;
    r.kind = Error;
    r.error = code;
    return r;
}

SimNode::SimNode(const SimNodeConfig &factory)
    : m_config(factory), m_stored(factory), m_factory(factory)
{
}

void SimNode::store()
{
    m_stored = m_config;
}

void SimNode::restart()
{
    m_config = m_stored;
    m_config.networkStarted = m_config.autoStart == 1;
}

void SimNode::restoreFactory()
{
    m_config = m_factory;
    m_config.networkStarted = m_config.autoStart == 1;
    m_stored = m_config;
}

bool SimNode::handles(const QByteArray &word)
{
    const WordForms *w = findWord(word);
    return w && w->node;
}

unsigned SimNode::formsOf(const QByteArray &word)
{
    const WordForms *w = findWord(word);
    return w ? w->forms : 0;
}

QByteArray SimNode::suffix() const
{
    return "<" + utf8(m_config.netAddr) + "," + utf8(m_config.macAddr);
}

SimReply SimNode::setSmallInt(const QByteArray &params, int low, int high, int *field)
{
    const QList<QByteArray> parts = splitParams(params);
    if (const int err = checkParts(parts, 1))
        return SimReply::errorReply(err);
    int v = 0;
    if (const int err = decimalField(parts.first(), low, high, &v))
        return SimReply::errorReply(err);
    *field = v;
    return SimReply::ok();
}

SimReply SimNode::execute(const SimCommand &cmd)
{
    SimNodeConfig &c = m_config;
    const QByteArray &w = cmd.word;
    const bool query = cmd.form == SimCommand::Query;

    if (w == "INFO")
        return SimReply::valueReply(utf8(c.part));
    if (w == "VER")
        return SimReply::valueReply(utf8(c.version));
    if (w == "UART") {
        const SimUartConfig &u = c.uart;
        return SimReply::valueReply(num(u.baudIndex) + "," + num(u.dataBits) + "," +
                                    num(u.parityIndex) + "," + num(u.stopBits) + "," +
                                    num(u.flowIndex));
    }

    struct IntField
    {
        const char *word;
        int *field;
        int low, high;
    };
    const IntField intFields[] = {
        {"IPR", &c.uart.baudIndex, 0, 5},
        {"DBIT", &c.uart.dataBits, 5, 8},
        {"PAR", &c.uart.parityIndex, 0, 2},
        {"STO", &c.uart.stopBits, 1, 2},
        {"IFC", &c.uart.flowIndex, 0, 1},
        {"CH", &c.channel, SimLimits::kMinChannel, SimLimits::kMaxChannel},
        {"NASTA", &c.autoStart, 0, 1},
        {"NLOCK", &c.lock, 0, 1},
        {"DFWM", &c.dfwm, 0, 1},
    };
    for (const IntField &f : intFields) {
        if (w == f.word) {
            if (query)
                return SimReply::valueReply(num(*f.field));
            return setSmallInt(cmd.params, f.low, f.high, f.field);
        }
    }

    if (w == "TYP") {
        if (query)
            return SimReply::valueReply(QByteArray(1, c.type));
        const QList<QByteArray> parts = splitParams(cmd.params);
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        const QByteArray &t = parts.first();
        if (t == "C" || t == "R") {
            c.type = t.at(0);
            return SimReply::ok();
        }
        // A device-type letter this module cannot be (E, end device) is unsupported;
        // anything else is not a device type at all.
        const bool letter = t.size() == 1 && t.at(0) >= 'A' && t.at(0) <= 'Z';
        return SimReply::errorReply(letter ? 23 : 20);
    }
    if (w == "EPID") {
        if (query)
            return SimReply::valueReply(utf8(c.epid));
        const QList<QByteArray> parts = splitParams(cmd.params);
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        // The program's EPID field takes digits only, so a decimal EPID is as good as
        // the module's own "0x" form.
        quint64 v = 0;
        bool decimal = false;
        parts.first().toULongLong(&decimal, 10);
        if (!decimal && !SimParse::parseHexAddress(parts.first(), &v))
            return SimReply::errorReply(41);
        c.epid = QString::fromUtf8(parts.first());
        return SimReply::ok();
    }
    if (w == "JOINT") {
        if (query)
            return SimReply::valueReply(utf8(c.joinTime));
        const QList<QByteArray> parts = splitParams(cmd.params);
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        int v = 0;
        if (const int err = decimalField(parts.first(), 0, SimLimits::kMaxJoinTime, &v))
            return SimReply::errorReply(err);
        c.joinTime = QString::fromUtf8(parts.first());
        return SimReply::ok();
    }
    if (w == "TID") {
        if (query)
            return SimReply::valueReply(utf8(c.tidMode) + "," + utf8(c.tidAddr));
        const QList<QByteArray> parts = splitParams(cmd.params);
        if (const int err = checkParts(parts, 2))
            return SimReply::errorReply(err);
        if (const int err = destinationFields(parts.at(0), parts.at(1), {"NID", "MID"}))
            return SimReply::errorReply(err);
        c.tidMode = QString::fromUtf8(parts.at(0));
        c.tidAddr = QString::fromUtf8(parts.at(1));
        return SimReply::ok();
    }
    if (w == "NID") {
        if (!c.networkStarted)
            return SimReply::errorReply(60);
        return SimReply::valueReply(utf8(c.netAddr));
    }
    if (w == "MID")
        return SimReply::valueReply(utf8(c.macAddr));
    if (w == "LQI") {
        if (!c.networkStarted)
            return SimReply::errorReply(60);
        return SimReply::valueReply(num(c.lqi));
    }
    if (w == "NS")
        return SimReply::valueReply(c.networkStarted ? "RUNNING" : "STOPPED");
    if (w == "NSTA" || w == "NRST") {
        c.networkStarted = true;
        return SimReply::ok(SimReply::NetworkUp);
    }
    if (w == "NLEAV") {
        c.networkStarted = false;
        return SimReply::ok(SimReply::NetworkDown);
    }
    if (w == "W") {
        store();
        return SimReply::ok();
    }
    if (w == "RST") {
        restart();
        return SimReply::ok(SimReply::Restarted);
    }
    if (w == "DFRST") {
        restoreFactory();
        return SimReply::ok(SimReply::Restarted);
    }
    if (w == "WNODE") {
        const QList<QByteArray> parts = splitParams(cmd.params, 2);
        if (const int err = checkParts(parts, 2, true))
            return SimReply::errorReply(err);
        int n = 0;
        if (const int err = decimalField(parts.at(0), 1, SimLimits::kDescriptors, &n))
            return SimReply::errorReply(err);
        if (parts.at(1).size() > SimLimits::kMaxDescriptorLength)
            return SimReply::errorReply(24);
        c.desc.at(n - 1) = QString::fromUtf8(parts.at(1));
        return SimReply::ok();
    }
    if (w == "RNODE") {
        const QList<QByteArray> parts = splitParams(cmd.params);
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        int n = 0;
        if (const int err = decimalField(parts.at(0), 1, SimLimits::kDescriptors, &n))
            return SimReply::errorReply(err);
        return SimReply::valueReply(utf8(c.desc.at(n - 1)));
    }
    if (w == "IOSET" || w == "IOOUT" || w == "IORD" || w == "TPIO" || w == "IOSMP")
        return executeIo(cmd);
    if (w == "ADCRD" || w == "ADCSMP" || w == "PWM" || w == "PWMRD")
        return executeAdcPwm(cmd);
    return SimReply::errorReply(15);
}

SimReply SimNode::executeIo(const SimCommand &cmd)
{
    SimNodeConfig &c = m_config;
    const QByteArray &w = cmd.word;
    const QList<QByteArray> parts = splitParams(cmd.params);

    if (cmd.form == SimCommand::Query) {
        QList<QByteArray> rows;
        for (const int line : SimLimits::kIoLines) {
            const SimIoConfig &io = c.ioLine(line);
            if (w == "IOSET") {
                rows.append(num(line) + "," + (io.output ? "1" : "0"));
            } else if (w == "TPIO" && io.tpio.on) {
                rows.append(num(line) + "," + num(io.tpio.tio) + "," + utf8(io.tpio.mode) + "," +
                            utf8(io.tpio.addr));
            } else if (w == "IOSMP" && io.iosmp.on) {
                rows.append("1," + num(line) + "," + utf8(io.iosmp.interval) + "," +
                            utf8(io.iosmp.mode) + "," + utf8(io.iosmp.addr));
            }
        }
        return SimReply::listReply(rows);
    }

    int line = 0;
    if (w == "IOSET" || w == "IOOUT") {
        if (const int err = checkParts(parts, 2))
            return SimReply::errorReply(err);
        if (const int err = ioField(parts.at(0), &line))
            return SimReply::errorReply(err);
        int v = 0;
        if (const int err = decimalField(parts.at(1), 0, 1, &v))
            return SimReply::errorReply(err);
        SimIoConfig &io = c.ioLine(line);
        if (w == "IOSET") {
            io.output = v == 1;
        } else {
            if (!io.output)
                return SimReply::errorReply(81);
            io.level = v;
        }
        return SimReply::ok();
    }
    if (w == "IORD") {
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        if (const int err = ioField(parts.at(0), &line))
            return SimReply::errorReply(err);
        return SimReply::valueReply(num(c.ioLine(line).level));
    }

    // TPIO and IOSMP: "0,<io>" switches off, "1,<io>,..." switches on.
    bool on = false;
    if (const int err = switchedParts(parts, 5, &on))
        return SimReply::errorReply(err);
    if (const int err = ioField(parts.at(1), &line))
        return SimReply::errorReply(err);
    SimIoConfig &io = c.ioLine(line);
    if (w == "TPIO") {
        if (!on) {
            io.tpio.on = false;
            return SimReply::ok();
        }
        int tio = 0;
        if (const int err = ioField(parts.at(2), &tio))
            return SimReply::errorReply(err);
        if (const int err = destinationFields(parts.at(3), parts.at(4), {"NID", "MID"}))
            return SimReply::errorReply(err);
        io.tpio = {true, tio, QString::fromUtf8(parts.at(3)), QString::fromUtf8(parts.at(4))};
        return SimReply::ok();
    }
    if (!on) {
        io.iosmp.on = false;
        return SimReply::ok();
    }
    int interval = 0;
    if (const int err = decimalField(parts.at(2), SimLimits::kMinSampleInterval,
                                     SimLimits::kMaxSampleInterval, &interval))
        return SimReply::errorReply(err);
    if (const int err = destinationFields(parts.at(3), parts.at(4), {"NID", "MID", "LID"}))
        return SimReply::errorReply(err);
    io.iosmp = {true, QString::fromUtf8(parts.at(2)), QString::fromUtf8(parts.at(3)),
                QString::fromUtf8(parts.at(4))};
    return SimReply::ok();
}

SimReply SimNode::executeAdcPwm(const SimCommand &cmd)
{
    SimNodeConfig &c = m_config;
    const QByteArray &w = cmd.word;
    const QList<QByteArray> parts = splitParams(cmd.params);

    if (cmd.form == SimCommand::Query) {
        QList<QByteArray> rows;
        if (w == "ADCSMP") {
            for (int ch = 1; ch <= SimLimits::kAdcChannels; ++ch) {
                const SimSampling &s = c.adc.at(ch - 1).adcsmp;
                if (s.on)
                    rows.append("1," + num(ch) + "," + utf8(s.interval) + "," + utf8(s.mode) + "," +
                                utf8(s.addr));
            }
        } else {
            for (int p = 1; p <= SimLimits::kPwmChannels; ++p) {
                const SimPwmConfig &pwm = c.pwm.at(p - 1);
                if (pwm.on)
                    rows.append("1," + num(p) + "," + utf8(pwm.freq) + "," + num(pwm.duty));
            }
        }
        return SimReply::listReply(rows);
    }

    int ch = 0;
    if (w == "ADCRD" || w == "PWMRD") {
        if (const int err = checkParts(parts, 1))
            return SimReply::errorReply(err);
        const int last = w == "ADCRD" ? SimLimits::kAdcChannels : SimLimits::kPwmChannels;
        if (const int err = decimalField(parts.at(0), 1, last, &ch))
            return SimReply::errorReply(err);
        if (w == "ADCRD")
            return SimReply::valueReply(utf8(c.adc.at(ch - 1).reading));
        const SimPwmConfig &pwm = c.pwm.at(ch - 1);
        return SimReply::valueReply((pwm.on ? "1," : "0,") + utf8(pwm.freq) + "," + num(pwm.duty));
    }

    bool on = false;
    if (const int err = switchedParts(parts, w == "ADCSMP" ? 5 : 4, &on))
        return SimReply::errorReply(err);
    const int last = w == "ADCSMP" ? SimLimits::kAdcChannels : SimLimits::kPwmChannels;
    if (const int err = decimalField(parts.at(1), 1, last, &ch))
        return SimReply::errorReply(err);
    if (w == "ADCSMP") {
        SimSampling &s = c.adc.at(ch - 1).adcsmp;
        if (!on) {
            s.on = false;
            return SimReply::ok();
        }
        int interval = 0;
        if (const int err = decimalField(parts.at(2), SimLimits::kMinSampleInterval,
                                         SimLimits::kMaxSampleInterval, &interval))
            return SimReply::errorReply(err);
        if (const int err = destinationFields(parts.at(3), parts.at(4), {"NID", "MID", "LID"}))
            return SimReply::errorReply(err);
        s = {true, QString::fromUtf8(parts.at(2)), QString::fromUtf8(parts.at(3)),
             QString::fromUtf8(parts.at(4))};
        return SimReply::ok();
    }
    SimPwmConfig &pwm = c.pwm.at(ch - 1);
    if (!on) {
        pwm.on = false;
        return SimReply::ok();
    }
    int freq = 0;
    int duty = 0;
    if (const int err = decimalField(parts.at(2), SimLimits::kMinPwmFrequency,
                                     SimLimits::kMaxPwmFrequency, &freq))
        return SimReply::errorReply(err);
    if (const int err = decimalField(parts.at(3), 0, SimLimits::kMaxPwmDuty, &duty))
        return SimReply::errorReply(err);
    pwm = {true, QString::fromUtf8(parts.at(2)), duty};
    return SimReply::ok();
}

QList<SimNodeConfig> simDefaultNetwork(int remotes)
{
    auto node = [](const char *net, const char *mac, char type, const char *part,
                   std::array<const char *, 4> desc, int lqi) {
        SimNodeConfig c;
        c.part = QString::fromLatin1(part);
        c.version = QStringLiteral("SIM-1.0.0");
        c.type = type;
        c.epid = QStringLiteral("0x00124B0001A2B3C4");
        c.netAddr = QString::fromLatin1(net);
        c.macAddr = QString::fromLatin1(mac);
        c.lqi = lqi;
        for (int i = 0; i < SimLimits::kDescriptors; ++i)
            c.desc.at(i) = QString::fromLatin1(desc.at(i));
        return c;
    };

    SimNodeConfig local = node("0x0000", "0x00124B0001A2B3C4", 'C', "NWSIM-ZB100",
                               {"LOCAL_NODE", "COORDINATOR", "BENCH", "SIM"}, 255);
    local.tidAddr = QStringLiteral("0x1A2B");
    const int localInputs[] = {1, 0, 1, 0, 1};
    const char *localAdc[] = {"1024", "2048", "3072", "4095"};

    SimNodeConfig hall = node("0x1A2B", "0x00124B0001A2B3D1", 'R', "NWSIM-ZB100",
                              {"ROUTER_HALL", "ROUTER", "HALL", "SIM"}, 220);
    SimNodeConfig sensor = node("0x3C4D", "0x00124B0001A2B3D2", 'R', "NWSIM-ZB110",
                                {"SENSOR_ADC", "SENSOR", "LAB", "SIM"}, 176);
    const char *sensorAdc[] = {"1650", "870", "3301", "12"};
    SimNodeConfig sw = node("0x5E6F", "0x00124B0001A2B3D3", 'R', "NWSIM-ZB120",
                            {"SWITCH_IO", "SWITCH", "DOOR", "SIM"}, 142);
    // The switch drives IO 9 and 10 as outputs, IO 9 high.
    sw.io.at(0).output = true;
    sw.io.at(0).level = 1;
    sw.io.at(1).output = true;
    SimNodeConfig light = node("0x7A8B", "0x00124B0001A2B3D4", 'R', "NWSIM-ZB130",
                               {"PWM_LIGHT", "LIGHT", "CORRIDOR", "SIM"}, 98);
    light.pwm.at(0) = {true, QStringLiteral("1000"), 40};

    for (int i = 0; i < SimLimits::kAdcChannels; ++i) {
        local.adc.at(i).reading = QString::fromLatin1(localAdc[i]);
        sensor.adc.at(i).reading = QString::fromLatin1(sensorAdc[i]);
    }
    for (size_t i = 0; i < local.io.size(); ++i)
        local.io.at(i).level = localInputs[i];
    QList<SimNodeConfig> nodes = {local, hall, sensor, sw, light};
    for (int i = 5; i <= remotes; ++i) {
        const QByteArray n = QByteArray::number(0x2000 + i - 4, 16).toUpper();
        const QByteArray net = "0x" + n;
        const QByteArray mac = "0x00124B000102" + n;
        const QByteArray desc = "ROUTER_" + n;
        nodes.append(node(net.constData(), mac.constData(), 'R', "NWSIM-ZB100",
                          {desc.constData(), "ROUTER", "RACK", "SIM"}, 120));
    }
    return nodes.mid(0, 1 + qMax(0, remotes));
}
