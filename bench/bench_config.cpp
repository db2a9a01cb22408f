// How close a full configuration read and write come to the speed of the serial line,
// measured the way a user runs them: the window shown and painting, the simulated module
// served by nodeweave-modsim on a pseudo-terminal (output paced at 115200 baud, no added
// latency) and opened through the real serial path by typing the device path. Any time
// beyond what the bytes need on the wire is the program's own overhead (event-loop turns,
// painting, per-step work). A run is timed from the click to the moment the window has
// handled its last answer; the closing picture it paints then is timed on its own and
// printed beside it. Prints the figures; the aim is a ratio of at most 2.
//
// Then the batch write: N = 1, 4 and 16 remote nodes written (with and without reading
// each back) against N single Writes (and Reads) of the same form to one remote node.
//
// Options: --rounds N (read and write, default 5), --batch-rounds N (each batch case, default
// 5), --hidden (do not show the window), --in-process (also
// measure the in-process simulator, for comparison: no terminal, no serial port),
// --trace (per-step timings of the real serial path, time by event type and paint time by
// widget), --latency MS (the module's reply
// latency, default 0), --no-batch (read and write only).

#include "app/dialogs.h"
#include "app/nodeweave.h"
#include "config/batchwriter.h"
#include "config/cfgsequencer.h"
#include "sim/simmodule.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

class TestAccess
{
public:
    static bool busy(Nodeweave *w) { return w->cfgRun->isRunning() || w->batchWriter->isRunning(); }
    static CfgSequencer *engine(Nodeweave *w) { return w->cfgRun; }
    static BatchWriter *batch(Nodeweave *w) { return w->batchWriter; }
    static bool scanning(Nodeweave *w) { return w->scanning; }
};

namespace {

// Time spent in event delivery, by event type, while tracing: where a step's time goes
// (paint, layout, socket notifications, timers).
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool tracing = false;
    std::map<int, std::pair<double, int>> spent;      // event type -> (ms, count)
    std::map<QString, std::pair<double, int>> paints; // "class name" -> (ms, count)
    // Set: the end of the next picture of this window is taken on `pictureClock`.
    QWidget *pictureOf = nullptr;
    const QElapsedTimer *pictureClock = nullptr;
    double pictureAt = -1;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (pictureOf && receiver == pictureOf && event->type() == QEvent::UpdateRequest) {
            pictureOf = nullptr;
            const bool r = deliver(receiver, event);
            pictureAt = pictureClock->nsecsElapsed() / 1e6;
            return r;
        }
        return deliver(receiver, event);
    }

private:
    bool deliver(QObject *receiver, QEvent *event)
    {
        // Paints come at any depth (inside an update request): timed by the widget painted.
        if (tracing && event->type() == QEvent::Paint) {
            QElapsedTimer clock;
            clock.start();
            const bool r = QApplication::notify(receiver, event);
            auto &slot = paints[QString::fromLatin1(receiver->metaObject()->className()) +
                                QLatin1Char(' ') + receiver->objectName()];
            slot.first += clock.nsecsElapsed() / 1e6;
            ++slot.second;
            return r;
        }
        if (!tracing || m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer clock;
        clock.start();
        const int type = event->type();
        const bool r = QApplication::notify(receiver, event);
        auto &slot = spent[type];
        slot.first += clock.nsecsElapsed() / 1e6;
        ++slot.second;
        --m_depth;
        return r;
    }

private:
    int m_depth = 0;
};

TimedApplication *timedApp()
{
    return static_cast<TimedApplication *>(qApp);
}

constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10; // start, 8 data, stop

qint64 counter(Nodeweave *w, const char *name)
{
    return w->findChild<QLabel *>(QString::fromLatin1(name))->text().toLongLong();
}

double wireMs(qint64 bytes)
{
    return double(bytes) * kBitsPerByte * 1000.0 / kBaud;
}

struct Round
{
    double ms = 0;
    double pictureMs = -1; // from the run's end to its closing picture painted
    double wireMs = 0;
    qint64 out = 0;
    qint64 in = 0;
    bool ok = false;
};

// Waits in the event loop, as the window idles between a user's clicks: not spinning, which
// would keep this thread's core awake and hide the wake-ups a real run pays.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The receive counter is redrawn with the log's batches, a frame after the bytes came;
// let it catch up before and after a run so every byte is counted in the right run.
void settle()
{
    spin(250);
}

// Per-step timestamps on the real serial path. Each read notification is seen after the
// window has handled it; when the window sent its next command while handling it, the
// step ended there. A step is split into the wait from that command to the first bytes of
// its reply (module, terminal, and whatever kept the window from reading), and the rest
// of the reply up to the read that ends the step.
class StepTrace
{
public:
    void attach(Nodeweave *w, QSerialPort *port)
    {
        m_clock.start();
        auto *sent = w->findChild<QLabel *>(QStringLiteral("label_sendCnt"));
        // Connected after the window's own slot, so it runs once the window is done.
        QObject::connect(port, &QSerialPort::readyRead, w, [this, sent]() {
            if (!m_active)
                return;
            const double t = now();
            if (m_firstRead < 0)
                m_firstRead = t;
            if (sent->text() != m_sentShown) {
                m_sentShown = sent->text();
                if (m_sentAt >= 0) {
                    m_wait.push_back(m_firstRead - m_sentAt);
                    m_rest.push_back(t - m_firstRead);
                }
                m_sentAt = t;
                m_firstRead = -1;
            }
        });
        m_sent = sent;
    }
    void begin()
    {
        m_wait.clear();
        m_rest.clear();
        m_sentShown = m_sent->text();
        m_sentAt = -1;
        m_firstRead = -1;
        m_active = true;
        app()->spent.clear();
        app()->tracing = true;
    }
    void end()
    {
        m_active = false;
        app()->tracing = false;
    }

    void print(const char *what) const
    {
        std::printf("  %-5s %3zu steps; median ms: command sent -> first reply bytes read %.2f, "
                    "-> step done %.2f\n",
                    what, m_wait.size() + 1, median(m_wait), median(m_rest));
        std::vector<std::pair<double, QString>> byType;
        for (const auto &[type, v] : app()->spent)
            byType.push_back({v.first, QStringLiteral("%1 x%2").arg(type).arg(v.second)});
        std::sort(byType.rbegin(), byType.rend());
        std::printf("        event delivery ms by event type (77 paint, 50 socket, 76 layout):");
        for (size_t i = 0; i < byType.size() && i < 5; ++i)
            std::printf("  %s: %.1f", qPrintable(byType[i].second), byType[i].first);
        std::printf("\n");
        std::vector<std::pair<double, QString>> byWidget;
        for (const auto &[widget, v] : app()->paints)
            byWidget.push_back({v.first, QStringLiteral("%1 x%2").arg(widget).arg(v.second)});
        std::sort(byWidget.rbegin(), byWidget.rend());
        std::printf("        paint ms by widget:");
        for (size_t i = 0; i < byWidget.size() && i < 6; ++i)
            std::printf("  %s: %.2f", qPrintable(byWidget[i].second), byWidget[i].first);
        std::printf("\n");
        app()->paints.clear();
    }

private:
    static TimedApplication *app() { return static_cast<TimedApplication *>(qApp); }
    static double median(std::vector<double> v)
    {
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double now() const { return m_clock.nsecsElapsed() / 1e6; }

    QElapsedTimer m_clock;
    QLabel *m_sent = nullptr;
    QString m_sentShown;
    bool m_active = false;
    double m_sentAt = -1;
    double m_firstRead = -1;
    std::vector<double> m_wait;
    std::vector<double> m_rest;
};

Round run(Nodeweave *w, const char *button, const QString &success, StepTrace *trace = nullptr,
          bool startsWith = false)
{
    settle();
    const qint64 out0 = counter(w, "label_sendCnt");
    const qint64 in0 = counter(w, "label_recvCnt");
    if (trace)
        trace->begin();
    QElapsedTimer clock;
    clock.start();
    // The run ends when the window has handled its last answer: taken there, not after the
    // event-loop pass that handled it, which now and then also paints the closing picture
    // (some 3 ms). That picture is timed on its own.
    double endMs = -1;
    const auto runEnded = [&] {
        // A batch's own runs end inside it; the batch ends with its last.
        if (endMs >= 0 || TestAccess::busy(w))
            return;
        endMs = clock.nsecsElapsed() / 1e6;
        timedApp()->pictureAt = -1;
        timedApp()->pictureClock = &clock;
        timedApp()->pictureOf = w;
    };
    const QMetaObject::Connection ended[] = {
        QObject::connect(TestAccess::engine(w), &CfgSequencer::finished, w, runEnded),
        QObject::connect(TestAccess::batch(w), &BatchWriter::finished, w, runEnded)};
    w->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    while (TestAccess::busy(w))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (const QMetaObject::Connection &c : ended)
        QObject::disconnect(c);
    if (trace)
        trace->end();
    QElapsedTimer limit;
    limit.start();
    while (timedApp()->pictureAt < 0 && limit.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    timedApp()->pictureOf = nullptr;
    Round r;
    r.ms = endMs >= 0 ? endMs : clock.nsecsElapsed() / 1e6;
    if (timedApp()->pictureAt >= 0)
        r.pictureMs = timedApp()->pictureAt - r.ms;
    r.ok = startsWith ? w->statusBar()->currentMessage().startsWith(success)
                      : w->statusBar()->currentMessage() == success;
    settle();
    r.out = counter(w, "label_sendCnt") - out0;
    r.in = counter(w, "label_recvCnt") - in0;
    r.wireMs = wireMs(r.out + r.in);
    return r;
}

bool report(const char *what, std::vector<Round> rounds)
{
    std::sort(rounds.begin(), rounds.end(),
              [](const Round &a, const Round &b) { return a.ms < b.ms; });
    const Round &median = rounds[rounds.size() / 2];
    const bool allOk =
        std::all_of(rounds.begin(), rounds.end(), [](const Round &r) { return r.ok; });
    const double ratio = median.ms / median.wireMs;
    std::vector<double> pictures;
    for (const Round &r : rounds)
        pictures.push_back(r.pictureMs);
    std::sort(pictures.begin(), pictures.end());
    std::printf("  %-5s  %4lld bytes out  %5lld bytes in  wire %6.1f ms  took %7.1f ms (median "
                "of %d, best %.1f, worst %.1f)  ratio %.2f  %s; closing picture painted %.1f ms "
                "after (median; -1: none)\n",
                what, static_cast<long long>(median.out), static_cast<long long>(median.in),
                median.wireMs, median.ms, int(rounds.size()), rounds.front().ms, rounds.back().ms,
                ratio, !allOk ? "FAILED" : (ratio <= 2.0 ? "ok" : "above 2"),
                pictures[pictures.size() / 2]);
    return allOk;
}

bool measure(Nodeweave *w, int rounds, StepTrace *trace)
{
    std::vector<Round> reads;
    std::vector<Round> writes;
    for (int i = 0; i < rounds; ++i) {
        reads.push_back(
            run(w, "pushButton_readConfiguration", QStringLiteral("读取配置完成"), trace));
        if (trace)
            trace->print("read");
        writes.push_back(
            run(w, "pushButton_writeConfiguartion", QStringLiteral("写入配置完成"), trace));
        if (trace)
            trace->print("write");
    }
    return report("read", reads) & report("write", writes);
}

// Batch writes to the first N remote nodes of a scan, against N single runs to one of them.
bool measureBatches(Nodeweave *w, int rounds)
{
    w->findChild<QLineEdit *>(QStringLiteral("lineEdit_scanTime"))->setText(QStringLiteral("1"));
    w->findChild<QPushButton *>(QStringLiteral("pushButton_scan"))->click();
    while (TestAccess::scanning(w))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget_device"));
    if (table->rowCount() < 17) {
        std::printf("the scan found %d nodes, not 17\n", table->rowCount());
        return false;
    }
    // One remote node as the target of the single runs.
    QMetaObject::invokeMethod(w, "on_tableWidget_device_cellClicked", Q_ARG(int, 1), Q_ARG(int, 0));
    const auto single = [w](const char *button, const char *success) {
        return run(w, button, QString::fromUtf8(success));
    };
    bool ok = true;
    // The panel is made when first opened.
    w->findChild<QPushButton *>(QStringLiteral("pushButton_writeConfiguartionBull"))->click();
    auto *verify = w->findChild<QCheckBox *>(QStringLiteral("checkBox_batchVerify"));
    // Each round times N single runs and then the batch, one right after the other, so
    // that both see the same load on a shared machine; the ratio is taken per round.
    for (const bool check : {false, true}) {
        for (const int n : {1, 4, 16}) {
            for (int row = 0; row < table->rowCount(); ++row)
                table->item(row, 0)->setCheckState(row >= 1 && row <= n ? Qt::Checked
                                                                        : Qt::Unchecked);
            verify->setChecked(check);
            std::vector<double> singles;
            std::vector<double> batches;
            std::vector<double> ratios;
            for (int i = 0; i < rounds; ++i) {
                double sum = 0;
                for (int k = 0; k < n; ++k) {
                    const Round write = single("pushButton_writeConfiguartion", "写入配置完成");
                    ok = ok && write.ok;
                    sum += write.ms;
                    if (check) {
                        const Round read = single("pushButton_readConfiguration", "读取配置完成");
                        ok = ok && read.ok;
                        sum += read.ms;
                    }
                }
                // The panel opens ready with the ticked nodes; every group, so that the
                // batch sends what the single writes send.
                w->findChild<QPushButton *>(QStringLiteral("pushButton_writeConfiguartionBull"))
                    ->click();
                auto *groups =
                    w->findChild<QListWidget *>(QStringLiteral("listWidget_batchGroups"));
                for (int g = 0; g < groups->count(); ++g)
                    groups->item(g)->setCheckState(Qt::Checked);
                const Round batch = run(
                    w, "pushButton_batchStart",
                    QStringLiteral("批量写入：%1 个节点中的 %1 个已写入").arg(n), nullptr, true);
                ok = ok && batch.ok;
                singles.push_back(sum);
                batches.push_back(batch.ms);
                ratios.push_back(batch.ms / sum);
            }
            const auto median = [](std::vector<double> v) {
                std::sort(v.begin(), v.end());
                return v[v.size() / 2];
            };
            const double ratio = median(ratios);
            std::printf("  batch %2d node(s) %-14s %8.1f ms, %d x %-14s %8.1f ms (medians of %d): "
                        "ratio %.3f  %s\n",
                        n, check ? "with verify" : "without verify", median(batches), n,
                        check ? "(Write + Read)" : "Write", median(singles), rounds, ratio,
                        !ok ? "FAILED" : (ratio <= 1.1 ? "ok" : "above 1.1"));
        }
    }
    return ok;
}

// The module by itself over the terminal: from a query's bytes written to the end of its
// reply, against the time of both on the wire. A real module at this baud rate cannot be
// faster than the wire; whatever the simulator adds is spent in every step.
void moduleTurnaround(const QString &path)
{
    constexpr int kQueries = 20;
    QSerialPort port;
    port.setPortName(path);
    if (!port.open(QIODevice::ReadWrite)) {
        std::printf("module alone: cannot open %s: %s\n", qPrintable(path),
                    qPrintable(port.errorString()));
        return;
    }
    port.setBaudRate(kBaud);
    const QByteArray query("AT+VER\r\n");
    std::vector<double> took;
    QByteArray reply;
    for (int i = 0; i < kQueries; ++i) {
        reply.clear();
        port.write(query);
        port.waitForBytesWritten(1000);
        QElapsedTimer clock;
        clock.start();
        while (!reply.endsWith("\r\n") && port.waitForReadyRead(1000))
            reply += port.readAll();
        took.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(took.begin(), took.end());
    std::printf("module alone over the terminal: a %d-byte reply ends %.2f ms after its %d-byte "
                "query (median of %d; %.2f ms of both on the wire)\n",
                int(reply.size()), took[took.size() / 2], int(query.size()), kQueries,
                wireMs(query.size() + reply.size()));
}

} // namespace

int main(int argc, char **argv)
{
    TimedApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const bool hidden = args.contains(QStringLiteral("--hidden"));
    const bool inProcess = args.contains(QStringLiteral("--in-process"));
    const bool tracing = args.contains(QStringLiteral("--trace"));
    const auto number = [&](const char *name, int fallback) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? qMax(0, args.at(i + 1).toInt()) : fallback;
    };
    const int rounds = qMax(1, number("--rounds", 5));
    // A batch of 16 nodes with verify takes seconds a run: its medians need fewer rounds than
    // a read's 65 ms.
    const int batchRounds = qMax(1, number("--batch-rounds", 5));
    const int latency = number("--latency", 0);

    QTemporaryDir dir; // the window keeps its settings in the working directory's file
    QDir::setCurrent(dir.path());
    QFile(dir.filePath(QStringLiteral("Nodeweave.ini"))).open(QIODevice::WriteOnly);
    Dialogs::Hooks hooks;
    hooks.message = [](const QString &text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    // Batch Write asks before writing node identity, or a form no read filled.
    hooks.question = [](const QString &) {
        return true;
    };
    Dialogs::setHooks(hooks);

    QProcess modsim;
    modsim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    modsim.start(QStringLiteral(MODSIM_BIN),
                 {QStringLiteral("--baud"), QString::number(kBaud), QStringLiteral("--latency"),
                  QString::number(latency), QStringLiteral("--remote-latency"), QStringLiteral("0"),
                  QStringLiteral("--nodes"), QStringLiteral("16")});
    if (!modsim.waitForStarted(5000) || !modsim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", MODSIM_BIN);
        return 1;
    }
    const QString path = QString::fromLocal8Bit(modsim.readLine()).trimmed();

    bool ok = true;
    {
        Nodeweave w;
        if (!hidden) {
            w.show();
            spin(500); // first paint and layout out of the way
        }
        auto *ports = w.findChild<QComboBox *>(QStringLiteral("comboBox_comPort"));
        ports->lineEdit()->setText(path);
        w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
        auto *port = w.findChild<QSerialPort *>();
        if (!port) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            return 1;
        }
        StepTrace trace;
        trace.attach(&w, port);
        std::printf("window %s on %s, nodeweave-modsim on %s: output paced at %d baud, "
                    "module latency %d ms\n",
                    hidden ? "hidden" : "shown", qPrintable(app.platformName()), qPrintable(path),
                    kBaud, latency);
        ok = measure(&w, rounds, tracing ? &trace : nullptr);
        if (!args.contains(QStringLiteral("--no-batch"))) {
            std::printf("batch write, same window and terminal:\n");
            ok = measureBatches(&w, batchRounds) && ok;
        }
        w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
    }
    moduleTurnaround(path);

    if (inProcess) {
        Nodeweave w;
        if (!hidden) {
            w.show();
            spin(500);
        }
        auto *ports = w.findChild<QComboBox *>(QStringLiteral("comboBox_comPort"));
        ports->setCurrentIndex(ports->findText(Nodeweave::simulatorPortName()));
        w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
        SimModule *sim = w.simulator();
        sim->setLocalLatency(0);
        sim->setBaudRate(kBaud);
        std::printf("for comparison, window %s, in-process simulator (no terminal, no serial "
                    "port): output paced at %d baud, no added latency\n",
                    hidden ? "hidden" : "shown", kBaud);
        ok = measure(&w, rounds, nullptr) & ok;
    }

    modsim.terminate();
    modsim.waitForFinished(3000);
    Dialogs::clearHooks();
    return ok ? 0 : 1;
}
