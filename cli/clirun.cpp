#include "cli/clirun.h"

#include "at/errortable.h"
#include "config/cfgfileformat.h"
#include "serial/portwatcher.h"
#include "sim/simmodule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString stateName(BatchNode::State s)
{
    switch (s) {
    case BatchNode::State::Waiting:
        return QStringLiteral("waiting");
    case BatchNode::State::Writing:
        return QStringLiteral("writing");
    case BatchNode::State::Verifying:
        return QStringLiteral("verifying");
    case BatchNode::State::Done:
        return QStringLiteral("done");
    case BatchNode::State::Failed:
        return QStringLiteral("failed");
    case BatchNode::State::Skipped:
        return QStringLiteral("skipped");
    }
    return QString();
}

QString causeName(BatchNode::Cause c)
{
    switch (c) {
    case BatchNode::Cause::None:
        return QString();
    case BatchNode::Cause::Refused:
        return QStringLiteral("refused");
    case BatchNode::Cause::NoReply:
        return QStringLiteral("no reply");
    case BatchNode::Cause::Stopped:
        return QStringLiteral("stopped");
    case BatchNode::Cause::PortLost:
        return QStringLiteral("port lost");
    case BatchNode::Cause::Differs:
        return QStringLiteral("differs");
    }
    return QString();
}

QString errorText(int code)
{
    for (const ModuleError &e : moduleErrors())
        if (e.code == code)
            return QCoreApplication::translate("Nodeweave", e.text);
    return QString();
}

QJsonObject nodeJson(const ZBdevice &d)
{
    return QJsonObject{{QStringLiteral("mac"), d.macAddr},
                       {QStringLiteral("net"), d.netAddr},
                       {QStringLiteral("descriptor"), d.descriptor},
                       {QStringLiteral("local"), d.isLocal}};
}

QString nodeName(const ZBdevice &d)
{
    if (d.isLocal && d.macAddr.isEmpty())
        return QStringLiteral("local");
    return d.macAddr + QLatin1Char(' ') + d.netAddr +
           (d.isLocal ? QStringLiteral(" (local)") : QString());
}

bool sameNode(const ZBdevice &d, const QString &addr)
{
    return d.macAddr.compare(addr, Qt::CaseInsensitive) == 0 ||
           d.netAddr.compare(addr, Qt::CaseInsensitive) == 0;
}

// The CSV lines of a report, a quoted cell's line breaks kept inside its line.
QList<QByteArray> csvRecords(const QByteArray &csv)
{
    QList<QByteArray> records;
    QByteArray current;
    bool quoted = false;
    for (const char c : csv) {
        if (c == '"')
            quoted = !quoted;
        if (c == '\n' && !quoted) {
            if (current.endsWith('\r'))
                current.chop(1);
            records << current;
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.isEmpty())
        records << current;
    return records;
}

} // namespace

CliRun::CliRun(const CliRequest &request, QObject *parent) : QObject(parent), m_req(request)
{
#ifdef Q_OS_UNIX
    m_showProgress = !m_req.quiet && isatty(STDERR_FILENO);
#endif
    m_progress.setInterval(200);
    connect(&m_progress, &QTimer::timeout, this, [this] { drawProgress(); });
}

CliRun::~CliRun() = default;

void CliRun::out(const QString &line) const
{
    eraseProgress();
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliRun::err(const QString &line) const
{
    eraseProgress();
    std::fputs((QStringLiteral("nodeweave-cli: ") + line).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void CliRun::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_progress.stop();
    eraseProgress();
    emit finished(status);
}

void CliRun::usageError(const QString &text)
{
    err(text);
    end(StatusUsage);
}

void CliRun::start()
{
    if (m_req.command == QLatin1String("ports")) {
        listPorts();
        return;
    }
    if (m_req.ports.contains(QStringLiteral("Simulator")))
        m_sim = new SimModule(this);
    for (const QString &name : m_req.ports) {
        auto *job = new PortJob(name, this);
        m_jobs << job;
        if (job->open(m_req.settings, m_sim)) {
            m_open << job;
            connect(job, &PortJob::done, this, &CliRun::jobDone);
        } else {
            QString text = QStringLiteral("cannot open %1: %2").arg(name, job->openReason());
            if (!job->openHint().isEmpty())
                text += QLatin1Char('\n') + job->openHint();
            err(text);
        }
    }
    if (m_open.isEmpty()) {
        allDone();
        return;
    }
    if (m_showProgress)
        m_progress.start();
    if (needsScan()) {
        m_scanning = true;
        for (PortJob *job : m_open)
            job->scan(m_req.seconds);
    } else {
        startJobs();
    }
}

bool CliRun::needsScan() const
{
    return m_req.command == QLatin1String("scan") || !m_req.nodes.isEmpty() || m_req.allNodes ||
           !m_req.own.isEmpty();
}

void CliRun::jobDone()
{
    for (PortJob *job : m_open)
        if (!job->isDone())
            return;
    if (m_scanning) {
        m_scanning = false;
        allScanned();
    } else {
        allDone();
    }
}

void CliRun::allScanned()
{
    if (m_req.command == QLatin1String("scan") || m_interrupted) {
        allDone();
        return;
    }
    // Every address asked for must name a node some port found; nothing is sent before.
    auto known = [this](const QString &addr) {
        for (const PortJob *job : m_open)
            for (const ZBdevice &d : job->found())
                if (sameNode(d, addr))
                    return true;
        return false;
    };
    for (const QString &addr : m_req.nodes)
        if (!known(addr)) {
            usageError(QStringLiteral("unknown node address %1: no port found it").arg(addr));
            return;
        }
    for (auto it = m_req.own.cbegin(); it != m_req.own.cend(); ++it) {
        if (!known(it.key())) {
            usageError(QStringLiteral("unknown node address %1 in the values file").arg(it.key()));
            return;
        }
        for (const PortJob *job : m_open)
            for (const ZBdevice &d : job->found())
                if (sameNode(d, it.key()))
                    m_ownByMac.insert(d.macAddr, it.value());
    }
    startJobs();
}

QList<ZBdevice> CliRun::targetsOn(const PortJob *job) const
{
    if (m_req.allNodes)
        return job->found();
    if (m_req.nodes.isEmpty()) {
        // The module on the port, as the scan named it when there was one.
        for (const ZBdevice &d : job->found())
            if (d.isLocal)
                return {d};
        ZBdevice local;
        local.isLocal = true;
        return {local};
    }
    QList<ZBdevice> targets;
    for (const ZBdevice &d : job->found())
        for (const QString &addr : m_req.nodes)
            if (sameNode(d, addr) && !targets.contains(d))
                targets << d;
    return targets;
}

void CliRun::startJobs()
{
    QList<PortJob *> idle;
    for (PortJob *job : m_open) {
        const QList<ZBdevice> targets = targetsOn(job);
        if (m_req.command == QLatin1String("read"))
            job->read(targets);
        else if (m_req.command == QLatin1String("send"))
            job->send(targets, m_req.atCommand);
        else
            job->write(targets, m_req.values, m_req.verify, m_req.groups, m_ownByMac);
    }
}

void CliRun::interrupt()
{
    if (m_ended)
        return;
    m_interrupted = true;
    err(QStringLiteral("interrupted: finishing the command under way"));
    for (PortJob *job : m_open)
        job->interrupt();
}

void CliRun::drawProgress()
{
    QByteArray text;
    if (m_progressLines > 0)
        text += "\x1b[" + QByteArray::number(m_progressLines) + "A";
    for (const PortJob *job : m_open)
        text += "\r\x1b[2K" + job->progressText().toLocal8Bit() + '\n';
    m_progressLines = int(m_open.size());
    std::fputs(text.constData(), stderr);
    std::fflush(stderr);
}

// Takes the progress lines off the screen, so that a message takes their place; the next
// redraw puts them below it.
void CliRun::eraseProgress() const
{
    if (m_progressLines <= 0)
        return;
    const QByteArray up = "\x1b[" + QByteArray::number(m_progressLines) + "A";
    QByteArray text = up;
    for (int i = 0; i < m_progressLines; ++i)
        text += "\r\x1b[2K\n";
    text += up;
    std::fputs(text.constData(), stderr);
    std::fflush(stderr);
    m_progressLines = 0;
}

void CliRun::listPorts()
{
    PortWatcher watcher;
    QJsonArray list;
    for (const PortEntry &p : watcher.ports()) {
        if (m_req.json) {
            list.append(
                QJsonObject{{QStringLiteral("name"), p.name},
                            {QStringLiteral("device"), p.systemLocation},
                            {QStringLiteral("description"), p.description},
                            {QStringLiteral("manufacturer"), p.manufacturer},
                            {QStringLiteral("serialNumber"), p.serialNumber},
                            {QStringLiteral("usbId"), p.usbId},
                            {QStringLiteral("links"), QJsonArray::fromStringList(p.links)}});
        } else {
            out(QStringList{p.name, p.systemLocation, p.description,
                            p.usbId.isEmpty() ? QStringLiteral("-") : p.usbId,
                            p.links.join(QLatin1Char(' '))}
                    .join(QLatin1Char('\t')));
        }
    }
    // The built-in simulated module is always there, as in the window's list.
    if (m_req.json) {
        list.append(
            QJsonObject{{QStringLiteral("name"), QStringLiteral("Simulator")},
                        {QStringLiteral("description"), QStringLiteral("simulated module")}});
        out(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("command"), m_req.command},
                                                        {QStringLiteral("ports"), list},
                                                        {QStringLiteral("status"), 0}})
                                  .toJson(QJsonDocument::Indented))
                .trimmed());
    } else {
        out(QStringLiteral("Simulator\t-\tsimulated module\t-\t"));
    }
    end(StatusOk);
}

QString CliRun::readFileName(const PortJob *job, const ZBdevice &d, int total) const
{
    if (total <= 1)
        return m_req.output;
    QFileInfo info(m_req.output);
    QString port = QFileInfo(job->name()).fileName();
    QString node = d.macAddr.isEmpty() ? QStringLiteral("local") : d.macAddr;
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.]"));
    port.replace(unsafe, QStringLiteral("_"));
    node.replace(unsafe, QStringLiteral("_"));
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("xml") : info.suffix();
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-') + port +
           QLatin1Char('-') + node + QLatin1Char('.') + suffix;
}

int CliRun::writeStatus(QJsonArray *ports)
{
    bool allOk = true;
    int total = 0;
    for (const PortJob *job : m_open)
        total += int(job->entries().size());
    QByteArray report;
    for (PortJob *job : m_jobs) {
        QJsonObject port{{QStringLiteral("port"), job->name()},
                         {QStringLiteral("opened"), job->isOpen()}};
        if (!job->isOpen()) {
            allOk = false;
            port.insert(QStringLiteral("problem"), job->openKind());
            port.insert(QStringLiteral("reason"), job->openReason());
            port.insert(QStringLiteral("hint"), job->openHint());
            ports->append(port);
            continue;
        }
        QJsonArray nodes;
        const QString &cmd = m_req.command;
        if (cmd == QLatin1String("scan")) {
            for (const ZBdevice &d : job->found()) {
                nodes.append(nodeJson(d));
                if (!m_req.json)
                    out(QStringList{job->name(), d.macAddr, d.netAddr, d.descriptor,
                                    d.isLocal ? QStringLiteral("local") : QStringLiteral("remote")}
                            .join(QLatin1Char('\t')));
            }
            if (job->interrupted())
                allOk = false;
        } else if (cmd == QLatin1String("read")) {
            for (const PortJob::Entry &e : job->entries()) {
                QJsonObject n = nodeJson(e.device);
                n.insert(QStringLiteral("ok"), e.ok);
                bool ok = e.ok;
                QString error = e.error;
                if (ok) {
                    const QByteArray document = CfgFile::exportDocument(e.values);
                    if (m_req.output.isEmpty()) {
                        if (m_req.json)
                            n.insert(QStringLiteral("xml"), QString::fromUtf8(document));
                        else
                            std::fwrite(document.constData(), 1, size_t(document.size()), stdout);
                    } else {
                        const QString path = readFileName(job, e.device, total);
                        QSaveFile file(path);
                        if (file.open(QIODevice::WriteOnly) &&
                            file.write(document) == document.size() && file.commit()) {
                            n.insert(QStringLiteral("file"), path);
                            if (!m_req.json && !m_req.quiet)
                                out(QStringLiteral("%1 %2: read into %3")
                                        .arg(job->name(), nodeName(e.device), path));
                        } else {
                            ok = false;
                            error = QStringLiteral("cannot write %1").arg(path);
                        }
                    }
                }
                if (!ok) {
                    allOk = false;
                    n.insert(QStringLiteral("ok"), false);
                    n.insert(QStringLiteral("error"), error);
                    err(QStringLiteral("%1 %2: %3").arg(job->name(), nodeName(e.device), error));
                }
                nodes.append(n);
            }
        } else if (cmd == QLatin1String("send")) {
            for (const PortJob::Entry &e : job->entries()) {
                QJsonObject n = nodeJson(e.device);
                n.insert(QStringLiteral("ok"), e.ok);
                n.insert(QStringLiteral("lines"), QJsonArray::fromStringList(e.lines));
                if (!e.ok) {
                    allOk = false;
                    n.insert(QStringLiteral("error"), e.error);
                }
                nodes.append(n);
                if (!m_req.json) {
                    const QString prefix = m_open.size() > 1 || job->entries().size() > 1
                                               ? job->name() + QLatin1Char(' ') +
                                                     nodeName(e.device) + QStringLiteral(": ")
                                               : QString();
                    for (const QString &line : e.lines)
                        out(prefix + line);
                    if (!e.ok)
                        err(job->name() + QLatin1Char(' ') + nodeName(e.device) +
                            QStringLiteral(": ") + e.error);
                }
            }
        } else {
            const QByteArray csv = job->batch().reportCsv(errorText);
            QList<QByteArray> records = csvRecords(csv);
            if (!records.isEmpty()) {
                QByteArray header = records.takeFirst();
                const QByteArray bom("\xEF\xBB\xBF");
                if (header.startsWith(bom))
                    header = header.mid(3);
                if (report.isEmpty())
                    report = bom + "Port," + header + "\r\n";
                for (const QByteArray &r : records)
                    report += BatchWriter::csvCell(job->name()) + ',' + r + "\r\n";
            }
            for (const BatchNode &b : job->batch().nodes()) {
                QJsonObject n = nodeJson(b.device);
                n.insert(QStringLiteral("state"), stateName(b.state));
                n.insert(QStringLiteral("verified"), b.verified);
                if (b.cause != BatchNode::Cause::None)
                    n.insert(QStringLiteral("cause"), causeName(b.cause));
                if (b.state != BatchNode::State::Done) {
                    allOk = false;
                    n.insert(QStringLiteral("command"), b.command);
                    n.insert(QStringLiteral("reply"), b.reply);
                }
                if (!b.differences.isEmpty())
                    n.insert(QStringLiteral("differences"),
                             SettingsTable::differencesText(b.differences));
                nodes.append(n);
                if (m_req.json)
                    continue;
                QString line = QStringLiteral("%1 %2: %3")
                                   .arg(job->name(), nodeName(b.device), stateName(b.state));
                if (b.state == BatchNode::State::Done && b.verified)
                    line += QStringLiteral(", verified");
                if (b.cause != BatchNode::Cause::None)
                    line += QStringLiteral(" (%1)").arg(causeName(b.cause));
                if (b.cause == BatchNode::Cause::Differs)
                    line += QStringLiteral(": ") + SettingsTable::differencesText(b.differences);
                else if (!b.command.isEmpty() && b.state == BatchNode::State::Failed)
                    line += QStringLiteral(" at %1").arg(b.command) +
                            (b.reply.isEmpty() ? QString()
                                               : QStringLiteral(", reply \"%1\"").arg(b.reply));
                if (b.state == BatchNode::State::Done) {
                    if (!m_req.quiet)
                        out(line);
                } else {
                    err(line);
                }
            }
        }
        port.insert(QStringLiteral("nodes"), nodes);
        port.insert(QStringLiteral("bytesOut"), job->bytesOut());
        port.insert(QStringLiteral("bytesIn"), job->bytesIn());
        port.insert(QStringLiteral("ms"), job->elapsedMs());
        ports->append(port);
    }
    if (m_req.command == QLatin1String("write") && !m_req.report.isEmpty()) {
        if (report.isEmpty()) {
            // No port opened: the report still says nothing was written.
            CfgSequencer idle;
            report = BatchWriter(&idle).reportCsv(errorText);
        }
        QSaveFile file(m_req.report);
        if (!(file.open(QIODevice::WriteOnly) && file.write(report) == report.size() &&
              file.commit())) {
            err(QStringLiteral("cannot write the report %1").arg(m_req.report));
            allOk = false;
        }
    }
    return allOk && !m_interrupted ? StatusOk : StatusFailed;
}

void CliRun::allDone()
{
    m_progress.stop();
    eraseProgress();
    QJsonArray ports;
    int status = writeStatus(&ports);
    if (m_open.isEmpty())
        status = StatusNoPort;
    if (m_req.json)
        out(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("command"), m_req.command},
                                                        {QStringLiteral("ports"), ports},
                                                        {QStringLiteral("status"), status}})
                                  .toJson(QJsonDocument::Indented))
                .trimmed());
    end(status);
}
