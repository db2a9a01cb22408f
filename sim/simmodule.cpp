#include "sim/simmodule.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr quint64 kBroadcastNet = 0xFFFF;
constexpr quint64 kBroadcastMac = 0xFFFFFFFFFFFFFFFFull;

QByteArray errLine(int code)
{
    return "ERR=" + QByteArray::number(code) + "\r\n";
}

quint64 addressValue(const QString &text)
{
    quint64 v = 0;
    if (!SimParse::parseHexAddress(text.toUtf8(), &v))
        return ~quint64(0) - 1; // matches nothing real
    return v;
}

// Sampler keys: node index * 100 + IO line, or + 50 + ADC channel.
constexpr int kAdcKeyBase = 50;

constexpr qint64 kHalfTickNs = SimLimits::kPacedTickMs * 1000000LL / 2;

} // namespace

SimModule::SimModule(QObject *parent, int remotes) : QObject(parent)
{
    for (const SimNodeConfig &c : simDefaultNetwork(remotes))
        m_nodes.push_back(std::make_unique<SimNode>(c));
    m_clock.start();
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_releaseTimer, &QTimer::timeout, this, &SimModule::releaseDue);
    m_txTimer.setSingleShot(true);
    m_txTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_txTimer, &QTimer::timeout, this, &SimModule::pumpTx);
}

SimModule::~SimModule() = default;

SimNode &SimModule::local()
{
    return *m_nodes.front();
}

QList<SimNode *> SimModule::remotes()
{
    QList<SimNode *> list;
    for (size_t i = 1; i < m_nodes.size(); ++i)
        list.append(m_nodes[i].get());
    return list;
}

SimNode *SimModule::nodeByNet(const QString &addr)
{
    quint64 v = 0;
    if (!SimParse::parseHexAddress(addr.toUtf8(), &v))
        return nullptr;
    for (const auto &n : m_nodes) {
        if (addressValue(n->config().netAddr) == v)
            return n.get();
    }
    return nullptr;
}

QString SimModule::setNodeKnobs(const QString &line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const QString name = line.left(colon);
    bool isIndex = false;
    const int index = name.toInt(&isIndex);
    SimNode *node =
        isIndex ? (index >= 0 && size_t(index) < m_nodes.size() ? m_nodes[size_t(index)].get()
                                                                : nullptr)
                : nodeByNet(name);
    if (!node)
        return QStringLiteral("no node %1 (0 to %2, or a network address)")
            .arg(name)
            .arg(m_nodes.size() - 1);
    if (colon < 0)
        return QStringLiteral("no knob for node %1").arg(name);
    SimQuirks quirks = node->quirks();
    const auto word = [](QString w) {
        if (w.startsWith(QLatin1String("AT+"), Qt::CaseInsensitive))
            w.remove(0, 3);
        return w.toUpper().toLatin1();
    };
    for (const QString &knob : line.mid(colon + 1).split(QLatin1Char(','))) {
        const QString key = knob.section(QLatin1Char('='), 0, 0);
        const QStringList value = knob.section(QLatin1Char('='), 1).split(QLatin1Char(':'));
        bool ok = !value.constFirst().isEmpty();
        const auto number = [&](const QString &text) {
            bool isNumber = false;
            const int n = text.toInt(&isNumber);
            ok = ok && isNumber && n >= 0;
            return n;
        };
        if (key == QLatin1String("refuse") && value.size() == 2) {
            quirks.refuseWord = word(value[0]);
            quirks.refuseCode = number(value[1]);
        } else if (key == QLatin1String("keep") && value.size() == 1) {
            quirks.keepWord = word(value[0]);
        } else if (key == QLatin1String("latency") && value.size() == 1) {
            quirks.extraLatencyMs = number(value[0]);
        } else if (key == QLatin1String("leave-after") && value.size() == 1) {
            quirks.leaveAfter = number(value[0]);
        } else if (key == QLatin1String("late") && value.size() <= 2) {
            quirks.lateWord = word(value[0]);
            quirks.lateMs = value.size() == 2 ? number(value[1]) : SimLimits::kDefaultLateReplyMs;
        } else {
            ok = false;
        }
        if (!ok)
            return QStringLiteral("cannot use knob '%1'").arg(knob);
    }
    node->quirks() = quirks;
    return QString();
}

SimNode *SimModule::nodeByMac(const QString &addr)
{
    quint64 v = 0;
    if (!SimParse::parseHexAddress(addr.toUtf8(), &v))
        return nullptr;
    for (const auto &n : m_nodes) {
        if (addressValue(n->config().macAddr) == v)
            return n.get();
    }
    return nullptr;
}

void SimModule::setBaudRate(int bitsPerSecond)
{
    const int baud = qMax(0, bitsPerSecond);
    if (baud == m_baud)
        return;
    m_baud = baud;
    // The new speed holds from now on: what the old one had not carried yet, both ways,
    // goes at the new pace. Otherwise a slow line's schedule (hours at 10 baud) would
    // hold the output after a switch to a fast one.
    m_rxWireFreeNs = 0;
    if (!m_tx.isEmpty()) {
        m_txStartNs = m_clock.nsecsElapsed();
        m_txWindowSent = 0;
        m_txTimer.start(0);
    }
}

void SimModule::setSilent(bool on)
{
    m_silent = on;
    if (on) {
        m_tx.clear();
        m_txQueued = 0;
        m_txTimer.stop();
    }
}

void SimModule::setSampleTimeScale(double scale)
{
    m_sampleScale = qMax(0.0, scale);
    m_samplers.clear(); // rebuilt with the new intervals
    syncSamplers();
}

// ---------------------------------------------------------------------------------
// Input

qint64 SimModule::takeFromHost(qint64 size)
{
    if (m_hostLineLeft < 0)
        return size;
    if (m_hostLineLeft == 0)
        return -1;
    const qint64 n = qMin(size, m_hostLineLeft);
    m_hostLineLeft -= n;
    return n;
}

void SimModule::receive(const QByteArray &bytes)
{
    if (m_baud > 0) {
        // The bytes take their time on the wire: no answer to them can begin before then.
        m_rxWireFreeNs = qMax(m_clock.nsecsElapsed(), m_rxWireFreeNs) + bytes.size() * nsPerByte();
    }
    for (const char c : bytes) {
        if (m_anyLineEnd) {
            if (c == '\r' || c == '\n') {
                const bool crlf = c == '\n' && m_rxPrevCr;
                m_rxPrevCr = c == '\r';
                if (crlf)
                    continue;
                const QByteArray line = m_rxLine;
                m_rxLine.clear();
                if (!line.isEmpty())
                    processLine(line);
                continue;
            }
            m_rxPrevCr = false;
        } else if (c == '\n' && m_rxPrevCr) {
            QByteArray line = m_rxLine;
            m_rxLine.clear();
            m_rxPrevCr = false;
            line.chop(1); // the CR
            processLine(line);
            continue;
        } else {
            m_rxPrevCr = c == '\r';
        }
        // Past the longest line the bytes are not kept: the line is refused anyway.
        if (m_rxLine.size() <= SimLimits::kMaxLineLength + 1)
            m_rxLine.append(c);
    }
}

void SimModule::processLine(const QByteArray &line)
{
    m_received.append(QString::fromUtf8(line));
    while (m_received.size() > SimLimits::kMaxRecordedLines)
        m_received.removeFirst();
    emit lineReceived(m_received.constLast());
    if (m_silent)
        return;
    if (m_echo)
        push(0, line + "\r\n", UnitKind::Echo);

    QList<Unit> echo;
    echo.swap(m_batch);
    handleLine(line);
    QList<Unit> made;
    made.swap(m_batch);
    // The faults wait for a command that is answered.
    const bool answered = std::any_of(
        made.cbegin(), made.cend(), [](const Unit &u) { return u.kind != UnitKind::Unsolicited; });
    if (answered) {
        applyFaults(m_faults, made);
        m_faults = Faults();
    }
    for (Unit &u : echo)
        schedule(std::move(u));
    for (Unit &u : made)
        schedule(std::move(u));
    syncSamplers();
}

void SimModule::handleLine(const QByteArray &line)
{
    if (m_tpMode) {
        // In transparent mode every line is data for the destination, except the way out.
        if (line == "AT+ESC" || line == "+++") {
            m_tpMode = false;
            push(m_localLatency, "OK\r\n");
        }
        return;
    }
    if (const int err = SimParse::checkLine(line)) {
        push(m_localLatency, errLine(err));
        return;
    }
    QByteArray command;
    SimRemote remote;
    SimParse::splitRemote(line, &command, &remote);
    if (remote.mode == SimRemote::None) {
        runCommand(local(), command, false, m_localLatency);
        return;
    }

    const QByteArray mode = remote.mode == SimRemote::Net ? "NID" : "MID";
    if (!SimParse::validAddressForMode(mode, remote.address)) {
        push(m_localLatency, errLine(40));
        return;
    }
    if (!local().config().networkStarted) {
        push(m_localLatency, errLine(60));
        return;
    }
    quint64 addr = 0;
    SimParse::parseHexAddress(remote.address, &addr);
    const bool broadcast = addr == (remote.mode == SimRemote::Net ? kBroadcastNet : kBroadcastMac);
    if (broadcast) {
        // Every node in reach carries it out; their answers come back one after the other.
        int i = 0;
        for (SimNode *n : resolve(mode, remote.address, &local()))
            runCommand(*n, command, true, m_remoteLatency + SimLimits::kBroadcastStaggerMs * i++);
        return;
    }
    SimNode *target = remote.mode == SimRemote::Net ? nodeByNet(QString::fromUtf8(remote.address))
                                                    : nodeByMac(QString::fromUtf8(remote.address));
    if (target == &local()) {
        runCommand(local(), command, true, m_localLatency);
        return;
    }
    if (!target || !reachable(*target)) {
        push(m_remoteFailDelay, errLine(remote.mode == SimRemote::Net ? 71 : 70));
        return;
    }
    runCommand(*target, command, true, m_remoteLatency);
}

void SimModule::runCommand(SimNode &node, const QByteArray &command, bool viaNetwork, int delay)
{
    SimQuirks &quirks = node.quirks();
    delay += quirks.extraLatencyMs;
    // Answers first, then goes: the answer is already on its way.
    if (quirks.leaveAfter > 0 && --quirks.leaveAfter == 0)
        node.config().networkStarted = false;
    SimCommand cmd;
    if (const int err = SimParse::parseCommand(command, &cmd)) {
        push(delay, errLine(err));
        return;
    }
    if (!quirks.lateWord.isEmpty() && cmd.word == quirks.lateWord)
        delay += quirks.lateMs;
    if (cmd.form == SimCommand::Bare) {
        push(delay, format(SimReply::ok(), viaNetwork ? &node : nullptr));
        return;
    }
    const unsigned forms = SimNode::formsOf(cmd.word);
    if (!forms) {
        push(delay, errLine(15));
        return;
    }
    if (cmd.form == SimCommand::Test) {
        push(delay, errLine(30));
        return;
    }
    if (!(forms & (1u << cmd.form))) {
        const int code = cmd.form == SimCommand::Query ? 31 : cmd.form == SimCommand::Set ? 32 : 33;
        push(delay, errLine(code));
        return;
    }
    if (cmd.form == SimCommand::Set && !cmd.word.isEmpty() && cmd.word == quirks.refuseWord) {
        push(delay, errLine(quirks.refuseCode));
        return;
    }
    if (cmd.form == SimCommand::Set && !cmd.word.isEmpty() && cmd.word == quirks.keepWord) {
        push(delay, format(SimReply::ok(), viaNetwork ? &node : nullptr));
        return;
    }
    if (SimNode::handles(cmd.word)) {
        const SimReply reply = node.execute(cmd);
        push(delay, format(reply, viaNetwork ? &node : nullptr, node.listClosing()));
        applyEffect(node, reply.effect);
        return;
    }
    if (cmd.word == "SEND") {
        runSend(node, cmd, viaNetwork, delay);
        return;
    }
    // Scanning and transparent mode belong to the module on the port.
    if (viaNetwork) {
        push(delay, errLine(15));
        return;
    }
    if (cmd.word == "SCAN") {
        runScan(cmd, delay);
    } else if (cmd.word == "ESC") {
        cancelScan();
        push(delay, "OK\r\n");
    } else if (cmd.word == "TPMOD") {
        const SimNodeConfig &c = local().config();
        if (!c.networkStarted) {
            push(delay, errLine(60));
            return;
        }
        // Transparent mode needs a node in reach at the transparent destination.
        if (resolve(c.tidMode.toUtf8(), c.tidAddr.toUtf8(), &local()).isEmpty()) {
            push(delay, errLine(42));
            return;
        }
        m_tpMode = true;
        push(delay, "OK\r\n");
    }
}

void SimModule::runSend(SimNode &node, const SimCommand &cmd, bool viaNetwork, int delay)
{
    const QList<QByteArray> parts = SimParse::splitParams(cmd.params, 3);
    int err = 0;
    if (parts.size() < 3 || parts.at(0).isEmpty() || parts.at(1).isEmpty() || parts.at(2).isEmpty())
        err = 21;
    else if (parts.at(0).size() > SimLimits::kMaxParameterLength ||
             parts.at(1).size() > SimLimits::kMaxParameterLength)
        err = 16;
    else if (parts.at(0) != "NID" && parts.at(0) != "MID")
        err = 23;
    else if (!SimParse::validAddressForMode(parts.at(0), parts.at(1)))
        err = 40;
    else if (parts.at(2).size() > SimLimits::kMaxPacketDataLength)
        err = 100;
    else if (!node.config().networkStarted)
        err = 60;
    if (err) {
        push(delay, errLine(err));
        return;
    }
    push(delay, format(SimReply::ok(), viaNetwork ? &node : nullptr));
    // Without an acknowledgement from the far end the module cannot tell whether the
    // packet arrived; one meant for the local module shows up on the port.
    if (reachesLocal(node, parts.at(0), parts.at(1)))
        push(delay, "RECV=" + node.config().netAddr.toUtf8() + "," + parts.at(2) + "\r\n",
             UnitKind::Unsolicited);
}

void SimModule::runScan(const SimCommand &cmd, int delay)
{
    const QList<QByteArray> parts = SimParse::splitParams(cmd.params);
    int seconds = 0;
    int err = 0;
    if (parts.size() != 1 || parts.first().isEmpty())
        err = parts.size() > 1 ? 20 : 21;
    else if (parts.first().size() > SimLimits::kMaxParameterLength)
        err = 16;
    else if (!SimParse::parseDecimal(parts.first(), &seconds))
        err = 20;
    else if (seconds < SimLimits::kMinScanSeconds || seconds > SimLimits::kMaxScanSeconds)
        err = 23;
    else if (!local().config().networkStarted)
        err = 60;
    else if (m_scanning)
        err = 2;
    if (err) {
        push(delay, errLine(err));
        return;
    }
    m_scanning = true;
    auto report = [](int index, const SimNodeConfig &c) {
        return "OK=" + QByteArray::number(index) + "," + c.netAddr.toUtf8() + "," +
               c.macAddr.toUtf8() + "," + c.desc.at(0).toUtf8() + "\r\n";
    };
    // The module on the port reports itself first, then every node it hears, spread
    // evenly over the scan time; the closing "OK" comes when the time is over.
    push(delay, report(0, local().config()), UnitKind::Scan);
    QList<SimNode *> heard;
    for (SimNode *n : remotes()) {
        if (reachable(*n))
            heard.append(n);
    }
    const qint64 total = std::llround(seconds * 1000.0 * m_scanScale);
    for (int i = 0; i < heard.size(); ++i) {
        const int at = int(total * (i + 1) / (heard.size() + 1));
        push(qMax(delay, at), report(i + 1, heard.at(i)->config()), UnitKind::Scan);
    }
    push(qMax(delay, int(total)), "OK\r\n", UnitKind::ScanEnd);
}

void SimModule::applyEffect(SimNode &node, SimReply::Effect effect)
{
    if (&node != &local() || effect == SimReply::NoEffect)
        return;
    if (effect == SimReply::Restarted) {
        cancelScan();
        m_tpMode = false;
    }
    if (effect == SimReply::NetworkDown) {
        cancelScan();
        return;
    }
    // The coordinator formed its network again: the nodes that join by themselves rejoin.
    if (local().config().networkStarted) {
        for (SimNode *n : remotes()) {
            if (n->config().autoStart == 1)
                n->config().networkStarted = true;
        }
    }
}

bool SimModule::reachesLocal(const SimNode &from, const QByteArray &mode, const QByteArray &address)
{
    // A node does not hear its own broadcast.
    quint64 v = 0;
    SimParse::parseHexAddress(address, &v);
    const bool broadcast = v == (mode == "NID" ? kBroadcastNet : kBroadcastMac);
    return resolve(mode, address, broadcast ? &from : nullptr).contains(&local());
}

void SimModule::cancelScan()
{
    // Reports whose time has come are on their way already; the rest are never sent.
    m_scanning = false;
    const qint64 now = m_clock.elapsed();
    auto later = [now](const Unit &u) {
        return (u.kind == UnitKind::Scan || u.kind == UnitKind::ScanEnd) && u.due > now;
    };
    m_pending.removeIf(later);
    m_batch.removeIf(later);
}

bool SimModule::reachable(const SimNode &node)
{
    if (&node == &local())
        return true;
    return local().config().networkStarted && node.config().networkStarted;
}

QList<SimNode *> SimModule::resolve(const QByteArray &mode, const QByteArray &address,
                                    const SimNode *except)
{
    QList<SimNode *> found;
    quint64 v = 0;
    if (!SimParse::parseHexAddress(address, &v) || (mode != "NID" && mode != "MID"))
        return found;
    const bool net = mode == "NID";
    const bool broadcast = v == (net ? kBroadcastNet : kBroadcastMac);
    for (const auto &n : m_nodes) {
        if (n.get() == except || !reachable(*n))
            continue;
        const QString &a = net ? n->config().netAddr : n->config().macAddr;
        if (broadcast || addressValue(a) == v)
            found.append(n.get());
    }
    return found;
}

// ---------------------------------------------------------------------------------
// Output

QByteArray SimModule::format(const SimReply &reply, const SimNode *remoteNode,
                             SimNode::ListClosing closing) const
{
    const QByteArray suffix = remoteNode ? remoteNode->suffix() : QByteArray();
    switch (reply.kind) {
    case SimReply::Error:
        // Error replies never carry the remote suffix.
        return errLine(reply.error);
    case SimReply::Value:
        return "OK=" + reply.value + suffix + "\r\n";
    case SimReply::List: {
        QByteArray out;
        for (const QByteArray &row : reply.rows)
            out += "OK=" + row + "\r\n";
        if (closing == SimNode::ListClosing::Dropped)
            return out;
        return out + "OK" + (closing == SimNode::ListClosing::BareOk ? QByteArray() : suffix) +
               "\r\n";
    }
    case SimReply::Ok:
        break;
    }
    return "OK" + suffix + "\r\n";
}

void SimModule::push(int delay, const QByteArray &bytes, UnitKind kind)
{
    m_batch.append(Unit{m_clock.elapsed() + delay, m_seq++, bytes, kind});
}

void SimModule::schedule(Unit unit)
{
    auto it = std::upper_bound(m_pending.begin(), m_pending.end(), unit.due,
                               [](qint64 due, const Unit &u) { return due < u.due; });
    m_pending.insert(it, std::move(unit));
    const qint64 wait = qMax<qint64>(0, m_pending.first().due - m_clock.elapsed());
    if (!m_releaseTimer.isActive() || m_releaseTimer.remainingTime() > wait)
        m_releaseTimer.start(int(wait));
}

void SimModule::applyFaults(const Faults &faults, QList<Unit> &units)
{
    for (Unit &u : units) {
        if (u.kind == UnitKind::Unsolicited || u.kind == UnitKind::Echo)
            continue;
        u.due += faults.delayMs;
        if (faults.wrongShape)
            u.bytes = wrongShape(u.bytes);
        if (faults.garble)
            u.bytes = garble(u.bytes);
        if (faults.drop)
            u.bytes.clear();
    }
}

QByteArray SimModule::garble(const QByteArray &bytes)
{
    QByteArray out;
    for (QByteArray line : bytes.split('\n')) {
        if (line.isEmpty())
            continue;
        const bool cr = line.endsWith('\r');
        if (cr)
            line.chop(1);
        if (line.isEmpty())
            line = "?";
        // The first byte always, so that the line cannot pass for a reply, and one or
        // two more at random places.
        auto noise = [this]() {
            char c;
            do {
                c = char(0x21 + m_rng.bounded(0x7E - 0x21 + 1));
            } while (c == 'O' || c == 'E');
            return c;
        };
        line[0] = noise();
        const int more = 1 + int(m_rng.bounded(2));
        for (int i = 0; i < more && line.size() > 1; ++i)
            line[1 + int(m_rng.bounded(quint32(line.size() - 1)))] = noise();
        out += line + (cr ? "\r\n" : "\n");
    }
    return out;
}

QByteArray SimModule::wrongShape(const QByteArray &bytes)
{
    // Only the last line changes: the answer itself, or the closing line of a list.
    const qsizetype end = bytes.size() - 2;
    const qsizetype start = bytes.lastIndexOf('\n', end - 1) + 1;
    QByteArray line = bytes.mid(start, end - start);
    const qsizetype lt = line.lastIndexOf('<');
    const bool hasSuffix = lt >= 0 && line.startsWith("OK");
    const QByteArray suffix = hasSuffix ? line.mid(lt) : QByteArray();
    const QByteArray body = hasSuffix ? line.left(lt) : line;
    QByteArray changed;
    if (body == "OK")
        changed = "OK=0";
    else if (body.startsWith("OK="))
        changed = "OK";
    else if (body.startsWith("ERR="))
        changed = "OK=" + body.mid(4);
    else
        changed = "OK";
    return bytes.left(start) + changed + suffix + "\r\n";
}

void SimModule::releaseDue()
{
    const qint64 now = m_clock.elapsed();
    while (!m_pending.isEmpty() && m_pending.first().due <= now) {
        const Unit u = m_pending.takeFirst();
        if (u.kind == UnitKind::ScanEnd)
            m_scanning = false;
        if (!m_silent && !u.bytes.isEmpty())
            queueTx(u.bytes);
    }
    if (!m_pending.isEmpty())
        m_releaseTimer.start(int(qMax<qint64>(0, m_pending.first().due - m_clock.elapsed())));
}

void SimModule::queueTx(const QByteArray &bytes)
{
    if (m_txQueued + bytes.size() > SimLimits::kMaxOutputBacklog)
        return;
    m_txQueued += bytes.size();
    const bool idle = m_tx.isEmpty();
    if (m_split && bytes.size() > 1) {
        // Two or three cuts at random places of each line, CR and LF may be parted too.
        QList<qsizetype> cuts;
        const int count = 2 + int(m_rng.bounded(2));
        for (int i = 0; i < count; ++i)
            cuts.append(1 + qsizetype(m_rng.bounded(quint32(bytes.size() - 1))));
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            m_tx.append(TxPiece{bytes.mid(from, cut - from), SimLimits::kSplitGapMs});
            from = cut;
        }
        m_tx.append(TxPiece{bytes.mid(from), 0});
    } else {
        m_tx.append(TxPiece{bytes, 0});
    }
    if (idle && !m_txTimer.isActive()) {
        m_txStartNs = qMax(m_clock.nsecsElapsed(), m_baud > 0 ? m_rxWireFreeNs : 0);
        m_txWindowSent = 0;
        m_txTimer.start(0);
    }
}

void SimModule::pumpTx()
{
    if (m_tx.isEmpty())
        return;
    QByteArray chunk;
    int gap = 0;
    if (m_baud <= 0) {
        while (!m_tx.isEmpty()) {
            const TxPiece piece = m_tx.takeFirst();
            chunk += piece.bytes;
            if (piece.gapAfterMs > 0 && !m_tx.isEmpty()) {
                gap = piece.gapAfterMs;
                break;
            }
        }
    } else {
        if (m_exactPacing)
            waitForBurstEnd();
        // The bytes whose last bit would have left the wire by the nearest millisecond tick:
        // on average as fast as the line, whatever the timer's granularity.
        const qint64 due = (m_clock.nsecsElapsed() + lead() - m_txStartNs) / nsPerByte();
        qint64 budget = due - m_txWindowSent;
        while (budget > 0 && !m_tx.isEmpty()) {
            TxPiece &piece = m_tx.first();
            const qsizetype n = qMin<qsizetype>(budget, piece.bytes.size());
            chunk += piece.bytes.left(n);
            piece.bytes.remove(0, n);
            budget -= n;
            m_txWindowSent += n;
            if (piece.bytes.isEmpty()) {
                const int pieceGap = piece.gapAfterMs;
                m_tx.removeFirst();
                if (pieceGap > 0 && !m_tx.isEmpty()) {
                    gap = pieceGap;
                    break;
                }
            }
        }
        if (gap > 0) {
            // The pause is not time the line could have used: a new burst follows it.
            m_txStartNs = m_clock.nsecsElapsed() + qint64(gap) * 1000000;
            m_txWindowSent = 0;
        }
    }
    m_txQueued -= chunk.size();
    if (!chunk.isEmpty())
        emit output(chunk);
    if (m_tx.isEmpty())
        return;
    if (gap > 0) {
        m_txTimer.start(gap);
    } else if (m_baud > 0) {
        const qint64 nextNs = m_txStartNs + (m_txWindowSent + 1) * nsPerByte() - lead();
        // Exact pacing wakes no later than the byte is due, and waits out the rest.
        const qint64 roundUp = m_exactPacing ? 0 : 999999;
        const qint64 waitMs = (nextNs - m_clock.nsecsElapsed() + roundUp) / 1000000;
        m_txTimer.start(int(qMax<qint64>(SimLimits::kPacedTickMs, waitMs)));
    } else {
        m_txTimer.start(0);
    }
}

qint64 SimModule::lead() const
{
    return m_exactPacing ? 0 : kHalfTickNs;
}

void SimModule::waitForBurstEnd()
{
    // The bytes up to the next pause, if they all end within a tick.
    qint64 left = 0;
    for (const TxPiece &piece : std::as_const(m_tx)) {
        left += piece.bytes.size();
        if (piece.gapAfterMs > 0)
            break;
    }
    const qint64 endNs = m_txStartNs + (m_txWindowSent + left) * nsPerByte();
    const qint64 waitNs = endNs - m_clock.nsecsElapsed();
    if (waitNs <= 0 || waitNs > SimLimits::kPacedTickMs * 1000000LL)
        return;
    // A sleep ends tens of microseconds late (more on a virtual machine), and every answer
    // would end that much after its last byte: the last stretch is waited out awake,
    // giving the core to anyone else who wants it meanwhile.
    constexpr qint64 awakeNs = SimLimits::kPacedAwakeUs * 1000LL;
    if (waitNs > awakeNs)
        std::this_thread::sleep_for(std::chrono::nanoseconds(waitNs - awakeNs));
    while (m_clock.nsecsElapsed() < endNs)
        std::this_thread::yield();
}

// ---------------------------------------------------------------------------------
// Sampling

void SimModule::syncSamplers()
{
    std::map<int, int> wanted; // key -> interval in ms
    auto add = [&](int key, const SimSampling &s) {
        int seconds = 0;
        if (s.on && SimParse::parseDecimal(s.interval.toUtf8(), &seconds) && seconds > 0)
            wanted[key] = int(qMax<qint64>(1, std::llround(seconds * 1000.0 * m_sampleScale)));
    };
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        const SimNodeConfig &c = m_nodes[i]->config();
        for (const int line : SimLimits::kIoLines)
            add(int(i) * 100 + line, c.ioLine(line).iosmp);
        for (int ch = 1; ch <= SimLimits::kAdcChannels; ++ch)
            add(int(i) * 100 + kAdcKeyBase + ch, c.adc.at(ch - 1).adcsmp);
    }
    for (auto it = m_samplers.begin(); it != m_samplers.end();) {
        const auto w = wanted.find(it->first);
        if (w == wanted.end() || w->second != it->second.intervalMs)
            it = m_samplers.erase(it);
        else
            ++it;
    }
    for (const auto &[key, interval] : wanted) {
        if (m_samplers.count(key))
            continue;
        auto timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(interval);
        const int k = key;
        connect(timer.get(), &QTimer::timeout, this, [this, k]() { sample(k); });
        timer->start();
        m_samplers[key] = Sampler{std::move(timer), interval};
    }
}

void SimModule::sample(int key)
{
    const size_t index = size_t(key / 100);
    const int sub = key % 100;
    if (index >= m_nodes.size() || m_silent)
        return;
    SimNode &node = *m_nodes[index];
    const SimNodeConfig &c = node.config();
    const bool adc = sub > kAdcKeyBase;
    const SimSampling &s = adc ? c.adc.at(sub - kAdcKeyBase - 1).adcsmp : c.ioLine(sub).iosmp;
    if (!s.on)
        return;
    // Only samples aimed at the module on the port can be seen: its own with "LID",
    // or any node's sent to its address.
    int delay = 0;
    if (s.mode == QLatin1String("LID")) {
        if (&node != &local())
            return;
    } else {
        if (!reachable(node) || !reachesLocal(node, s.mode.toUtf8(), s.addr.toUtf8()))
            return;
        delay = &node == &local() ? 0 : m_remoteLatency;
    }
    const QByteArray source = c.netAddr.toUtf8();
    const QByteArray line = adc ? "ADC=" + QByteArray::number(sub - kAdcKeyBase) + "," + source +
                                      "," + c.adc.at(sub - kAdcKeyBase - 1).reading.toUtf8()
                                : "IO=" + QByteArray::number(sub) + "," + source + "," +
                                      QByteArray::number(c.ioLine(sub).level);
    schedule(Unit{m_clock.elapsed() + delay, m_seq++, line + "\r\n", UnitKind::Unsolicited});
}
