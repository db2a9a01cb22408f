#pragma once

#include "cli/portjob.h"

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

class SimModule;

// What the command line asked for, checked: nothing in here can still be refused.
struct CliRequest
{
    QString command; // ports, scan, read, write, send
    QStringList ports;
    PortSettings settings;
    bool json = false;
    bool quiet = false;
    int seconds = 3;
    QStringList nodes; // as typed
    bool allNodes = false;
    QString output;    // read: -o
    QString atCommand; // send
    // write
    CfgValues values;
    QList<SettingsTable::Group> groups;
    QHash<QString, CfgValues> own; // by the node's text in the values file
    bool verify = false;
    QString report;
};

// Exit statuses.
enum CliStatus
{
    StatusOk = 0,
    StatusFailed = 1,
    StatusUsage = 2,
    StatusNoPort = 3,
};

// One run of a command over every port given, all in the one event loop.
class CliRun : public QObject
{
    Q_OBJECT

public:
    explicit CliRun(const CliRequest &request, QObject *parent = nullptr);
    ~CliRun() override;

    // Starts the run; finished(status) follows, also for a run with nothing to do.
    void start();
    // Ctrl+C.
    void interrupt();

signals:
    void finished(int status);

private:
    void listPorts();
    void allScanned();
    void allDone();
    void jobDone();
    void startJobs();
    void end(int status);
    void usageError(const QString &text);
    void drawProgress();
    void eraseProgress() const;
    bool needsScan() const;
    QList<ZBdevice> targetsOn(const PortJob *job) const;
    QString readFileName(const PortJob *job, const ZBdevice &d, int total) const;
    void out(const QString &line) const;
    void err(const QString &line) const;
    int writeStatus(QJsonArray *ports);

    CliRequest m_req;
    SimModule *m_sim = nullptr;
    QList<PortJob *> m_jobs; // every port given, in order
    QList<PortJob *> m_open; // those that opened
    QHash<QString, CfgValues> m_ownByMac;
    bool m_scanning = false;
    bool m_interrupted = false;
    bool m_ended = false;
    QTimer m_progress;
    mutable int m_progressLines = 0;
    bool m_showProgress = false;
};
