#include "config/batchwriter.h"

#include "at/replygrammar.h"

#include <QTimer>

QByteArray BatchWriter::csvCell(const QString &text)
{
    QString t = text;
    if (!t.isEmpty() && QStringLiteral("=+-@\t\r").contains(t.front()))
        t.prepend(QLatin1Char('\''));
    if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) ||
        t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r')))
        t = QLatin1Char('"') + t.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
            QLatin1Char('"');
    return t.toUtf8();
}

namespace {

QString iso(const QDateTime &time)
{
    return time.isValid() ? time.toString(Qt::ISODateWithMs) : QString();
}

} // namespace

BatchWriter::BatchWriter(CfgSequencer *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    CfgQueues::ReadSink sink;
    sink.fill = [this](const CfgValues &values) {
        m_shadow.insert(values);
    };
    sink.remote = [this] {
        return m_engine->remoteTarget();
    };
    m_readQueue = CfgQueues::read(sink);
    // The engine may run a plain read or write too: its signals count only while the batch
    // drives it.
    connect(engine, &CfgSequencer::progress, this, &BatchWriter::engineProgress);
    connect(engine, &CfgSequencer::stepResult, this, &BatchWriter::engineStepResult);
    connect(engine, &CfgSequencer::finished, this, &BatchWriter::engineFinished);
}

QList<SettingsTable::Group> BatchWriter::allGroups()
{
    QList<SettingsTable::Group> all;
    for (int g = 0; g < SettingsTable::kGroupCount; ++g)
        all << SettingsTable::Group(g);
    return all;
}

void BatchWriter::start(const QList<ZBdevice> &nodes, const CfgValues &written, bool verify,
                        const QList<SettingsTable::Group> &groups,
                        const QHash<QString, CfgValues> &own)
{
    m_nodes.clear();
    for (const ZBdevice &d : nodes) {
        BatchNode n;
        n.device = d;
        n.own = own.value(d.macAddr);
        m_nodes.append(n);
    }
    m_written = written;
    m_groups = groups;
    m_verify = verify;
    m_stopRequested = false;
    m_aborting = false;
    m_abortReason.clear();
    m_index = 0;
    m_running = true;
    if (m_nodes.isEmpty()) {
        finishRun();
        return;
    }
    runNode();
}

void BatchWriter::stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    // Between two nodes nothing is under way: end now.
    if (!m_engine->isRunning())
        advance();
}

void BatchWriter::abort(const QString &why)
{
    if (!m_running)
        return;
    m_aborting = true;
    m_abortReason = why;
    // The node under way fails; one whose outcome was known already (its engine run over)
    // keeps it, unless its read-back was still to come.
    BatchNode &n = current();
    const bool pending =
        n.state == BatchNode::State::Writing || n.state == BatchNode::State::Verifying;
    const bool verifyToCome = n.state == BatchNode::State::Writing && m_writeDone && m_verify;
    if (pending && !m_engine->isRunning() && !verifyToCome) {
        n.state =
            n.cause == BatchNode::Cause::None ? BatchNode::State::Done : BatchNode::State::Failed;
    } else if (pending) {
        n.state = BatchNode::State::Failed;
        n.cause = BatchNode::Cause::PortLost;
        n.command = m_engine->lastCommand();
        n.reply = why;
    }
    if (pending) {
        n.ended = QDateTime::currentDateTimeUtc();
        emit nodeChanged(m_index);
    }
    m_engine->stop();
    finishRun();
}

int BatchWriter::stepsPerNode() const
{
    return int(m_writeQueue.size()) + (m_verify ? int(m_readQueue.size()) : 0);
}

int BatchWriter::progressMaximum() const
{
    return qMax(1, int(m_nodes.size()) * stepsPerNode());
}

int BatchWriter::progressValue() const
{
    int value = 0;
    for (const BatchNode &n : m_nodes) {
        if (n.state == BatchNode::State::Writing)
            value += n.step - 1;
        else if (n.state == BatchNode::State::Verifying)
            value += int(m_writeQueue.size()) + n.step - 1;
        else if (n.state != BatchNode::State::Waiting)
            value += stepsPerNode();
    }
    return value;
}

void BatchWriter::runNode()
{
    BatchNode &n = current();
    CfgValues values = m_written;
    values.insert(n.own);
    m_writeQueue =
        CfgQueues::write(values, m_engine, nullptr, SettingsTable::groupsChoice(m_groups, n.own));
    n.state = BatchNode::State::Writing;
    n.started = QDateTime::currentDateTimeUtc();
    n.step = 1;
    n.steps = int(m_writeQueue.size());
    m_writeDone = false;
    m_target = n.device;
    m_engine->start(CfgSequencer::Kind::Write, m_writeQueue, &m_target);
    emit nodeChanged(m_index);
    m_engine->sendCurrent();
}

void BatchWriter::engineProgress(int position)
{
    if (!m_running || m_aborting)
        return;
    current().step = qMin(position + 1, current().steps);
    emit nodeChanged(m_index);
}

void BatchWriter::engineStepResult(int position, bool accepted, bool)
{
    if (!m_running || m_aborting || !m_stopRequested)
        return;
    // The last step of a write that needs no verifying completes the node: let it.
    const bool lastWriteStep =
        m_engine->kind() == CfgSequencer::Kind::Write && position == m_engine->stepCount() - 1;
    if (accepted && lastWriteStep && !m_verify)
        return;
    m_engine->stop();
}

void BatchWriter::engineFinished(bool ok)
{
    if (!m_running || m_aborting)
        return;
    BatchNode &n = current();
    const bool writing = n.state == BatchNode::State::Writing;
    if (ok && writing) {
        m_writeDone = true;
    } else if (ok) {
        CfgValues values = m_written;
        values.insert(n.own);
        n.differences = SettingsTable::differences(values, m_shadow,
                                                   SettingsTable::groupsChoice(m_groups, n.own));
        n.verified = n.differences.isEmpty();
        if (!n.verified)
            n.cause = BatchNode::Cause::Differs;
    } else {
        n.command = m_engine->lastCommand();
        n.reply = m_engine->lastReply();
        switch (m_engine->failure()) {
        case CfgSequencer::Failure::Refused:
            n.cause = BatchNode::Cause::Refused;
            break;
        case CfgSequencer::Failure::NoReply:
            n.cause = BatchNode::Cause::NoReply;
            break;
        default:
            n.cause = BatchNode::Cause::Stopped;
            break;
        }
    }
    // The next node starts from the event loop, not from inside the engine's own signal.
    QTimer::singleShot(0, this, &BatchWriter::advance);
}

void BatchWriter::advance()
{
    if (!m_running || m_aborting || m_engine->isRunning())
        return;
    BatchNode &n = current();
    if (n.state == BatchNode::State::Writing && m_writeDone && m_verify) {
        if (m_stopRequested) {
            n.cause = BatchNode::Cause::Stopped;
        } else {
            n.state = BatchNode::State::Verifying;
            n.step = 1;
            n.steps = int(m_readQueue.size());
            m_shadow = SettingsTable::listDefaults();
            m_engine->start(CfgSequencer::Kind::Read, m_readQueue, &m_target);
            emit nodeChanged(m_index);
            m_engine->sendCurrent();
            return;
        }
    }
    if (n.state == BatchNode::State::Writing || n.state == BatchNode::State::Verifying) {
        n.state =
            n.cause == BatchNode::Cause::None ? BatchNode::State::Done : BatchNode::State::Failed;
        n.ended = QDateTime::currentDateTimeUtc();
        emit nodeChanged(m_index);
    }
    if (!m_stopRequested && m_index + 1 < m_nodes.size()) {
        m_quietWait.start();
        nextNodeWhenQuiet();
        return;
    }
    finishRun();
}

void BatchWriter::nextNodeWhenQuiet()
{
    if (!m_running || m_aborting)
        return;
    // A late answer of the node just done must not meet the next node's first command.
    const qint64 quiet = m_engine->quietMs();
    if (quiet < kQuietMs && !m_stopRequested && m_quietWait.elapsed() < kMaxQuietWaitMs) {
        QTimer::singleShot(int(kQuietMs - quiet), this, &BatchWriter::nextNodeWhenQuiet);
        return;
    }
    if (m_stopRequested) {
        finishRun();
        return;
    }
    ++m_index;
    runNode();
}

void BatchWriter::finishRun()
{
    for (int i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes[i].state == BatchNode::State::Waiting) {
            m_nodes[i].state = BatchNode::State::Skipped;
            emit nodeChanged(i);
        }
    }
    m_running = false;
    m_aborting = false;
    emit finished();
}

QString BatchWriter::valuesText(const CfgValues &values)
{
    QStringList parts;
    for (const SettingsTable::Field *f : SettingsTable::fields())
        if (values.contains(f->key))
            parts << (f->label.isEmpty() ? f->key : f->label) + QLatin1Char('=') +
                         SettingsTable::valueText(f->key, values.value(f->key));
    return parts.join(QStringLiteral("; "));
}

QByteArray BatchWriter::reportCsv(const std::function<QString(int code)> &errorText) const
{
    QStringList groupNames;
    for (const SettingsTable::Group g : m_groups)
        groupNames << SettingsTable::groupName(g);
    QByteArray out = "\xEF\xBB\xBF"
                     "MAC,Network address,Description,Result,Failing command,Reply,"
                     "Differences,Groups,Own values,Start,End\r\n";
    for (const BatchNode &n : m_nodes) {
        QString result;
        QString reply = n.reply;
        switch (n.state) {
        case BatchNode::State::Done:
            result = n.verified ? QStringLiteral("verified") : QStringLiteral("written");
            break;
        case BatchNode::State::Skipped:
            result = QStringLiteral("skipped");
            break;
        default:
            // Stopped by the user: the last reply was an answer, not a refusal.
            result = n.cause == BatchNode::Cause::Stopped ? QStringLiteral("stopped")
                                                          : QStringLiteral("failed");
            if (n.cause == BatchNode::Cause::Stopped)
                reply.clear();
            break;
        }
        const int code = Reply::errorCode(reply + QLatin1String("\r\n"));
        if (code >= 0 && errorText && !errorText(code).isEmpty())
            reply += QStringLiteral(" (%1)").arg(errorText(code));
        const QStringList cells = {n.device.macAddr,
                                   n.device.netAddr,
                                   n.device.descriptor,
                                   result,
                                   n.command,
                                   reply,
                                   SettingsTable::differencesText(n.differences),
                                   groupNames.join(QLatin1Char(' ')),
                                   valuesText(n.own),
                                   iso(n.started),
                                   iso(n.ended)};
        QByteArrayList row;
        for (const QString &c : cells)
            row.append(csvCell(c));
        out += row.join(',') + "\r\n";
    }
    return out;
}
