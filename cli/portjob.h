#pragma once

#include "config/batchwriter.h"
#include "config/cfgsequencer.h"
#include "network/zbdevice.h"
#include "serial/lineassembler.h"
#include "serial/portsettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QIODevice;
class SimModule;

// One port of a command-line run: its device, its line assembler, its own sequence engine
// and batch writer, and the state of the one job it does. Every port of a run works in the
// one event loop; a job reports done() once, whatever happened.
class PortJob : public QObject
{
    Q_OBJECT

public:
    // One node and what became of it for read and send.
    struct Entry
    {
        ZBdevice device;
        bool ok = false;
        QString error; // why it failed, for the user
        CfgValues values;
        QStringList lines; // send: the reply lines, without CR LF
    };

    PortJob(const QString &name, QObject *parent = nullptr);

    QString name() const { return m_name; }
    // Opens the port (or the simulator when the name is "Simulator"); false with
    // openKind()/openReason()/openHint() set otherwise.
    bool open(const PortSettings &settings, SimModule *simulator);
    bool isOpen() const { return m_device != nullptr; }
    QString openKind() const { return m_openKind; }
    QString openReason() const { return m_openReason; }
    QString openHint() const { return m_openHint; }

    void scan(int seconds);
    void read(const QList<ZBdevice> &targets);
    void send(const QList<ZBdevice> &targets, const QString &command);
    void write(const QList<ZBdevice> &nodes, const CfgValues &values, bool verify,
               const QList<SettingsTable::Group> &groups, const QHash<QString, CfgValues> &own);
    // Ctrl+C: ends like the window's Stop.
    void interrupt();

    bool isDone() const { return m_done; }
    bool interrupted() const { return m_interrupted; }
    const QList<ZBdevice> &found() const { return m_found; }
    const QList<Entry> &entries() const { return m_entries; }
    const BatchWriter &batch() const { return m_batch; }
    // One line for the progress display.
    QString progressText() const;
    // What the job put on the line and took from it, and how long it took from its first
    // command to its end: a station's record of each module, and the measure of how close
    // to the line's speed a run comes.
    qint64 bytesOut() const { return m_bytesOut; }
    qint64 bytesIn() const { return m_bytesIn; }
    qint64 elapsedMs() const { return m_elapsedMs; }

signals:
    void done();

private:
    enum class Job
    {
        None,
        Scan,
        Read,
        Send,
        Write
    };
    void readBytes();
    void lineIn(const QString &line);
    void sendText(const QString &text);
    void begin(Job job);
    void finish();
    void nextRead();
    // One entry per target, none begun.
    void setTargets(const QList<ZBdevice> &targets);
    void nextSend();
    void sendLineIn(const QString &line);
    void engineFinished(bool ok);
    QString failureText() const;

    QString m_name;
    QPointer<QIODevice> m_device;
    LineAssembler m_assembler;
    CfgSequencer m_engine;
    BatchWriter m_batch;
    CfgCmdQueue m_readQueue;
    QString m_openKind, m_openReason, m_openHint;

    Job m_job = Job::None;
    bool m_done = false;
    bool m_interrupted = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_bytesOut = 0;
    qint64 m_bytesIn = 0;
    qint64 m_elapsedMs = 0;
    // scan
    int m_scanRemaining = 0;
    int m_scanGrace = 0;
    QList<ZBdevice> m_found;
    // read and send
    QList<Entry> m_entries;
    int m_index = -1;
    ZBdevice m_target;
    QString m_command;
};
