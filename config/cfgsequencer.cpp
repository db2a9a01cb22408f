#include "config/cfgsequencer.h"

#include "at/commands.h"
#include "at/replygrammar.h"
#include "network/zbdevice.h"

#include <limits>

namespace {

QString withoutLineEnd(QString line)
{
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

} // namespace

CfgSequencer::CfgSequencer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CfgSequencer::timeout);
}

void CfgSequencer::start(Kind kind, const CfgCmdQueue &queue, const ZBdevice *target)
{
    m_kind = kind;
    m_queue = &queue;
    m_target = target;
    // A count left over from a run stopped during a resend must not cost this run its
    // first retry.
    m_running = true;
    ++m_runs;
    m_position = 0;
    m_retries = 0;
    m_failure = Failure::None;
    m_lastCommand.clear();
    m_lastReply.clear();
}

void CfgSequencer::stop()
{
    if (m_running) {
        m_failure = Failure::Stopped;
        finish(false);
    }
}

bool CfgSequencer::remoteTarget() const
{
    return m_target && !m_target->isLocal;
}

void CfgSequencer::send(const QString &cmd)
{
    m_lastCommand = cmd;
    emit sendText(
        Command::line(remoteTarget() ? Command::addressed(cmd, false, m_target->netAddr) : cmd));
}

void CfgSequencer::skip()
{
    next();
}

void CfgSequencer::sendCurrent()
{
    // A run stopped from a handler of its own signals sends nothing more.
    if (!m_running)
        return;
    if (m_position >= stepCount()) {
        finish(true);
        return;
    }
    m_timer.start(stepTimeoutMs(!remoteTarget()));
    m_lastReply.clear();
    m_rowRefused = false;
    const CfgCmd &step = m_queue->at(m_position);
    if (m_kind == Kind::Read) {
        send(step.cmd);
    } else {
        bool done = false;
        step.handler(QString(), &done);
    }
}

void CfgSequencer::next()
{
    ++m_position;
    // The next command goes out first: the line should not wait for the window's bar. A step
    // skipped meanwhile has moved the position on already, and a run that ended (or one
    // started from its end) has nothing to show here.
    const quint64 run = m_runs;
    sendCurrent();
    if (m_running && run == m_runs)
        emit progress(m_position);
}

void CfgSequencer::stepFailed(Failure why)
{
    const bool retry = m_retries < kMaxRetries;
    emit stepResult(m_position, false, retry);
    if (!retry) {
        m_retries = 0;
        m_failure = why;
        finish(false);
        return;
    }
    ++m_retries;
    sendCurrent();
}

qint64 CfgSequencer::quietMs() const
{
    return m_lastLine.isValid() ? m_lastLine.elapsed() : std::numeric_limits<qint64>::max();
}

bool CfgSequencer::fromAnotherNode(const QString &line) const
{
    const QString sender = Reply::remoteSender(line);
    if (sender.isEmpty())
        return false;
    return !remoteTarget() || sender.compare(m_target->netAddr, Qt::CaseInsensitive) != 0;
}

void CfgSequencer::lineReceived(const QString &line)
{
    m_lastLine.start();
    if (!m_running || m_position >= stepCount())
        return;
    // A late answer of another node (a batch's previous one, or a broadcast's) must not be
    // taken for this node's.
    if (fromAnotherNode(line)) {
        emit strayReply(Reply::remoteSender(line));
        return;
    }
    // Echoes and unsolicited text are no reply: they neither count as a failure nor
    // extend the step's time.
    if (m_kind == Kind::Read) {
        if (!Reply::isReadSequenceReply(line))
            return;
        const CfgCmd &step = m_queue->at(m_position);
        bool done = false;
        if (!step.handler(line, &done)) {
            // A refused row: the rest of its list is still coming; resend after it.
            if (step.list && line.startsWith(QLatin1String("OK="))) {
                if (!m_rowRefused)
                    m_lastReply = withoutLineEnd(line);
                m_rowRefused = true;
                return;
            }
            m_lastReply = withoutLineEnd(line);
            stepFailed(Failure::Refused);
            return;
        }
        if (done && m_rowRefused) {
            stepFailed(Failure::Refused);
            return;
        }
        if (!m_rowRefused)
            m_lastReply = withoutLineEnd(line);
        emit stepResult(m_position, true, false);
        // Only a finished step clears the count: rows of a list whose closing line is lost
        // or wrong would otherwise have the query resent for ever. Cleared before the next
        // query goes out, so that an answer to it that arrives at once meets a fresh count.
        if (done) {
            m_retries = 0;
            next();
        }
        return;
    }
    if (!Reply::isWriteSequenceReply(line))
        return;
    m_lastReply = withoutLineEnd(line);
    // A set command is answered by a plain success; either form of it counts, whatever
    // the target. Anything else (an error, a value) fails the step.
    if (!Reply::matches(Reply::Form::Success, line, false) &&
        !Reply::matches(Reply::Form::Success, line, true)) {
        stepFailed(Failure::Refused);
        return;
    }
    m_retries = 0;
    emit stepResult(m_position, true, false);
    next();
}

void CfgSequencer::timeout()
{
    if (m_running)
        stepFailed(m_rowRefused ? Failure::Refused : Failure::NoReply);
}

void CfgSequencer::finish(bool ok)
{
    m_running = false;
    m_timer.stop();
    emit finished(ok);
}
