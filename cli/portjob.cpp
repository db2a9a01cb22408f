#include "cli/portjob.h"

#include "at/commands.h"
#include "at/replygrammar.h"
#include "config/cfgqueues.h"
#include "network/scanprotocol.h"
#include "serial/portproblem.h"
#include "serial/portwatcher.h"
#include "sim/simdevice.h"
#include "sim/simmodule.h"

#include <QSerialPort>
#include <QThread>

namespace {

// A scan that never sends its end line is given this many seconds more.
constexpr int kScanGraceSeconds = 10;

QString problemKind(PortProblem::Kind kind)
{
    switch (kind) {
    case PortProblem::Kind::Missing:
        return QStringLiteral("missing");
    case PortProblem::Kind::NotSerial:
        return QStringLiteral("not a serial device");
    case PortProblem::Kind::NoPermission:
        return QStringLiteral("permission");
    case PortProblem::Kind::Busy:
        return QStringLiteral("in use");
    case PortProblem::Kind::Gone:
        return QStringLiteral("gone");
    case PortProblem::Kind::Other:
        break;
    }
    return QStringLiteral("other");
}

// Queries whose reply is a list of rows closed by a plain success.
bool isListQuery(const QString &command)
{
    const QString cmd = command.trimmed();
    if (cmd.startsWith(QLatin1String("AT+SCAN"), Qt::CaseInsensitive))
        return true;
    for (const SettingsTable::Setting &s : SettingsTable::settings())
        if (s.listRow && s.query.compare(cmd, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

PortJob::PortJob(const QString &name, QObject *parent)
    : QObject(parent), m_name(name), m_batch(&m_engine)
{
    CfgQueues::ReadSink sink;
    sink.fill = [this](const CfgValues &values) {
        if (m_index >= 0 && m_index < m_entries.size())
            m_entries[m_index].values.insert(values);
    };
    sink.remote = [this] {
        return m_engine.remoteTarget();
    };
    m_readQueue = CfgQueues::read(sink);
    connect(&m_engine, &CfgSequencer::sendText, this, &PortJob::sendText);
    connect(&m_engine, &CfgSequencer::finished, this, &PortJob::engineFinished);
    connect(&m_batch, &BatchWriter::finished, this, [this] {
        if (m_job == Job::Write)
            finish();
    });
    m_timer.setSingleShot(false);
}

bool PortJob::open(const PortSettings &s, SimModule *simulator)
{
    if (m_name == QLatin1String("Simulator")) {
        auto *device = new SimDevice(simulator, this);
        device->open(QIODevice::ReadWrite);
        m_device = device;
    } else {
        auto *port = new QSerialPort(this);
        port->setPortName(m_name);
        if (!port->open(QIODevice::ReadWrite)) {
            const QString device = PortWatcher::systemLocation(m_name);
            const PortProblem::Kind kind = PortProblem::classify(device, port->error());
            m_openKind = problemKind(kind);
            m_openReason = PortProblem::reason(kind);
            m_openHint = PortProblem::hint(kind, device);
            delete port;
            return false;
        }
        applyPortSettings(port, s);
        m_device = port;
    }
    connect(m_device, &QIODevice::readyRead, this, &PortJob::readBytes);
    return true;
}

void PortJob::readBytes()
{
    if (!m_device)
        return;
    const QByteArray bytes = m_device->readAll();
    m_bytesIn += bytes.size();
    const LineAssembler::Result r = m_assembler.feed(bytes);
    for (const LineAssembler::Piece &piece : r.pieces)
        if (!piece.dropped)
            lineIn(QString::fromLocal8Bit(piece.bytes));
}

void PortJob::sendText(const QString &text)
{
    if (!m_device)
        return;
    const QByteArray bytes = text.toLocal8Bit();
    if (m_device->write(bytes) != bytes.size()) {
        // A port that refuses bytes is as good as gone.
        if (m_job == Job::Write && m_batch.isRunning())
            m_batch.abort(PortProblem::lost(QSerialPort::WriteError));
        else if (m_engine.isRunning())
            m_engine.stop();
        return;
    }
    m_bytesOut += bytes.size();
    // The module may be simulated on this machine and share the core: it has it first,
    // rather than waiting for this process to go back to sleep.
    if (auto *port = qobject_cast<QSerialPort *>(m_device.data())) {
        port->flush();
        QThread::yieldCurrentThread();
    }
}

void PortJob::lineIn(const QString &line)
{
    switch (m_job) {
    case Job::Scan:
        if (const std::optional<ZBdevice> device = ScanProtocol::report(line)) {
            ZBdevice d = *device;
            // The module on the port reports itself first.
            d.isLocal = m_found.isEmpty();
            m_found << d;
        } else if (ScanProtocol::isEnd(line)) {
            finish();
        }
        break;
    case Job::Read:
    case Job::Write:
        m_engine.lineReceived(line);
        break;
    case Job::Send:
        sendLineIn(line);
        break;
    case Job::None:
        break;
    }
}

void PortJob::begin(Job job)
{
    m_job = job;
    m_done = false;
    m_bytesOut = 0;
    m_bytesIn = 0;
    m_clock.start();
}

void PortJob::finish()
{
    if (m_done)
        return;
    m_elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    m_timer.stop();
    m_timer.disconnect();
    m_done = true;
    emit done();
}

// ---- scan ----

void PortJob::scan(int seconds)
{
    begin(Job::Scan);
    m_found.clear();
    m_scanRemaining = seconds;
    m_scanGrace = 0;
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_scanRemaining > 0) {
            --m_scanRemaining;
            return;
        }
        if (++m_scanGrace >= kScanGraceSeconds)
            finish();
    });
    m_timer.start(1000);
    sendText(Command::line(Command::scan(QString::number(seconds))));
}

// ---- read ----

void PortJob::setTargets(const QList<ZBdevice> &targets)
{
    m_entries.clear();
    for (const ZBdevice &d : targets) {
        Entry e;
        e.device = d;
        m_entries << e;
    }
    m_index = -1;
}

void PortJob::read(const QList<ZBdevice> &targets)
{
    begin(Job::Read);
    setTargets(targets);
    nextRead();
}

void PortJob::nextRead()
{
    if (++m_index >= m_entries.size() || m_interrupted) {
        finish();
        return;
    }
    Entry &e = m_entries[m_index];
    // What a read starts from, as the window's form before a read: every field's start
    // value, the reset, and the fields a list reply may leave out.
    e.values = SettingsTable::startValues();
    e.values.insert(SettingsTable::listDefaults());
    e.values.insert(SettingsTable::resetValues());
    m_target = e.device;
    m_engine.start(CfgSequencer::Kind::Read, m_readQueue, &m_target);
    m_engine.sendCurrent();
}

QString PortJob::failureText() const
{
    const QString cmd = m_engine.lastCommand();
    const QString reply = m_engine.lastReply();
    switch (m_engine.failure()) {
    case CfgSequencer::Failure::Stopped:
        return QStringLiteral("stopped at %1").arg(cmd);
    case CfgSequencer::Failure::Refused:
        return QStringLiteral("refused at %1 (reply \"%2\")").arg(cmd, reply);
    case CfgSequencer::Failure::NoReply:
        return QStringLiteral("no reply at %1").arg(cmd);
    case CfgSequencer::Failure::None:
        break;
    }
    return QString();
}

void PortJob::engineFinished(bool ok)
{
    if (m_job != Job::Read || m_index < 0 || m_index >= m_entries.size())
        return;
    Entry &e = m_entries[m_index];
    e.ok = ok;
    if (!ok)
        e.error = failureText();
    nextRead();
}

// ---- send ----

void PortJob::send(const QList<ZBdevice> &targets, const QString &command)
{
    begin(Job::Send);
    m_command = command;
    setTargets(targets);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        Entry &e = m_entries[m_index];
        e.error = QStringLiteral("no reply within %1 ms").arg(m_timer.interval());
        nextSend();
    });
    nextSend();
}

void PortJob::nextSend()
{
    m_timer.stop();
    if (++m_index >= m_entries.size() || m_interrupted) {
        finish();
        return;
    }
    const ZBdevice &d = m_entries[m_index].device;
    m_timer.start(CfgSequencer::stepTimeoutMs(d.isLocal));
    sendText(
        Command::line(d.isLocal ? m_command : Command::addressed(m_command, false, d.netAddr)));
}

void PortJob::sendLineIn(const QString &line)
{
    if (m_index < 0 || m_index >= m_entries.size())
        return;
    Entry &e = m_entries[m_index];
    const bool remote = !e.device.isLocal;
    // Another node's answer is not this command's.
    const QString sender = Reply::remoteSender(line);
    if (remote && !sender.isEmpty() && sender.compare(e.device.netAddr, Qt::CaseInsensitive) != 0)
        return;
    QString text = line;
    text.chop(2);
    e.lines << text;
    const int code = Reply::errorCode(line);
    const bool success = Reply::matches(Reply::Form::Success, line, remote);
    const bool value = line.startsWith(QLatin1String("OK"));
    if (code >= 0 || success || (value && !isListQuery(m_command))) {
        e.ok = code < 0;
        if (code >= 0)
            e.error = QStringLiteral("refused (%1)").arg(text);
        nextSend();
    }
}

// ---- write ----

void PortJob::write(const QList<ZBdevice> &nodes, const CfgValues &values, bool verify,
                    const QList<SettingsTable::Group> &groups, const QHash<QString, CfgValues> &own)
{
    begin(Job::Write);
    m_batch.start(nodes, values, verify, groups, own);
    if (!m_batch.isRunning())
        finish();
}

// ---- Ctrl+C ----

void PortJob::interrupt()
{
    if (m_done)
        return;
    m_interrupted = true;
    switch (m_job) {
    case Job::Scan:
        sendText(Command::line(Command::stopScan()));
        finish();
        break;
    case Job::Read:
        m_engine.stop();
        break;
    case Job::Write:
        m_batch.stop();
        break;
    case Job::Send: // the command under way is answered or times out
    case Job::None:
        break;
    }
}

QString PortJob::progressText() const
{
    QString state;
    switch (m_job) {
    case Job::Scan:
        state = QStringLiteral("scanning, %1 found").arg(m_found.size());
        break;
    case Job::Read:
        state = QStringLiteral("reading node %1/%2, step %3/%4")
                    .arg(m_index + 1)
                    .arg(m_entries.size())
                    .arg(m_engine.position())
                    .arg(m_engine.stepCount());
        break;
    case Job::Write:
        state = QStringLiteral("writing %1/%2")
                    .arg(m_batch.progressValue())
                    .arg(m_batch.progressMaximum());
        break;
    case Job::Send:
        state = QStringLiteral("sending %1/%2").arg(m_index + 1).arg(m_entries.size());
        break;
    case Job::None:
        break;
    }
    if (m_done)
        state = QStringLiteral("done");
    return m_name + QStringLiteral(": ") + state;
}
