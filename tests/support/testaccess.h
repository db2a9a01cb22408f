#pragma once

// The one backdoor of the window suites: state no widget shows (the target device, a run's
// state, the log), reached as a friend of the window and of its sequence engine.

#include "app/consolelog.h"
#include "app/nodeweave.h"
#include "config/cfgsequencer.h"

#include <QSerialPort>
#include <QTimer>

class TestAccess
{
public:
    static bool portOpen(Nodeweave *w) { return w->portOpen; }
    static QSerialPort *serialPort(Nodeweave *w)
    {
        return qobject_cast<QSerialPort *>(w->serialPort);
    }
    static PortWatcher *watcher(Nodeweave *w) { return w->portWatcher; }
    static bool reconnectPolling(Nodeweave *w) { return w->reconnectPoll->isActive(); }
    static int pendingSize(Nodeweave *w) { return w->rxBuffer.pendingSize(); }
    static QTimer *pollTimer(Nodeweave *w) { return w->pollTimer; }

    static QTimer *consoleTimer(Nodeweave *w) { return w->consoleSendTimer; }
    static QCompleter *completer(Nodeweave *w) { return w->completer; }
    static ConsoleLog *log(Nodeweave *w) { return w->consoleLog; }

    static ZBdevice &target(Nodeweave *w) { return *w->targetDevice; }
    static void setTarget(Nodeweave *w, const ZBdevice &d) { *w->targetDevice = d; }
    static QList<ZBdevice> &devices(Nodeweave *w) { return w->deviceList; }
    static bool scanning(Nodeweave *w) { return w->scanning; }
    // Lets a test count the scan's ticks itself instead of waiting for them.
    static void holdScanClock(Nodeweave *w) { w->scanTimer->stop(); }
    static bool scanClockRuns(Nodeweave *w) { return w->scanTimer->isActive(); }
    static QTimer *scanClock(Nodeweave *w) { return w->scanTimer; }
    static void tick(Nodeweave *w) { QMetaObject::invokeMethod(w, "scanTiming"); }

    static bool sequenceRunning(Nodeweave *w) { return w->cfgRun->isRunning(); }
    static QStringList readQueries(Nodeweave *w)
    {
        QStringList out;
        for (const CfgCmd &c : w->readQueue)
            out.append(c.cmd);
        return out;
    }
    static void setImportRunning(Nodeweave *w, bool on) { w->importRunning = on; }

    static QTimer *packetTimer(Nodeweave *w) { return w->pktSendTimer; }
    static QPushButton *langButton(Nodeweave *w) { return w->langButton; }
};
