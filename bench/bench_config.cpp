// How close a full configuration read and write come to the speed of the serial line:
// the simulated module answers at once but sends its output paced at 115200 baud, so
// any time beyond what the bytes need on the wire is the program's own overhead
// (waiting for polls, per-step work). Prints the figures; the aim is a ratio of at
// most 1.2.

#include "app/dialogs.h"
#include "app/nodeweave.h"
#include "config/cfgsequencer.h"
#include "sim/simmodule.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

class TestAccess
{
public:
    static bool busy(Nodeweave *w) { return w->cfgRun->isRunning(); }
};

namespace {

constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10; // start, 8 data, stop
constexpr int kRounds = 5;

qint64 counter(Nodeweave *w, const char *name)
{
    return w->findChild<QLabel *>(QString::fromLatin1(name))->text().toLongLong();
}

struct Round
{
    double ms = 0;
    double wireMs = 0;
    qint64 out = 0;
    qint64 in = 0;
    bool ok = false;
};

// The receive counter is redrawn with the log's batches, a frame after the bytes came;
// let it catch up before and after a run so every byte is counted in the right run.
void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 250)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

Round run(Nodeweave *w, const char *button, const QString &success)
{
    settle();
    const qint64 out0 = counter(w, "label_sendCnt");
    const qint64 in0 = counter(w, "label_recvCnt");
    QElapsedTimer clock;
    clock.start();
    w->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    while (TestAccess::busy(w))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Round r;
    r.ms = clock.nsecsElapsed() / 1e6;
    r.ok = w->statusBar()->currentMessage() == success;
    settle();
    r.out = counter(w, "label_sendCnt") - out0;
    r.in = counter(w, "label_recvCnt") - in0;
    r.wireMs = double(r.out + r.in) * kBitsPerByte * 1000.0 / kBaud;
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
    std::printf("%-5s  %4lld bytes out  %5lld bytes in  wire %7.1f ms  took %7.1f ms (median of "
                "%d, best %.1f)  ratio %.2f  %s\n",
                what, static_cast<long long>(median.out), static_cast<long long>(median.in),
                median.wireMs, median.ms, int(rounds.size()), rounds.front().ms, ratio,
                !allOk ? "FAILED" : (ratio <= 1.2 ? "ok" : "above 1.2"));
    return allOk;
}

// The module by itself: from a query to the end of its reply, against the reply's own
// time on the wire. Whatever this exceeds the wire time by is spent in every step of a
// sequence before the program even sees the reply.
void moduleTurnaround(SimModule *sim)
{
    constexpr int kQueries = 20;
    QByteArray reply;
    const auto connection =
        QObject::connect(sim, &SimModule::output, [&](const QByteArray &bytes) { reply += bytes; });
    double totalMs = 0;
    for (int i = 0; i < kQueries; ++i) {
        reply.clear();
        QElapsedTimer clock;
        clock.start();
        sim->receive("AT+VER\r\n");
        while (!reply.endsWith("\r\n"))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        totalMs += clock.nsecsElapsed() / 1e6;
    }
    QObject::disconnect(connection);
    std::printf("module alone: a %d-byte reply ends %.1f ms after its query on average "
                "(%.2f ms on the wire)\n",
                int(reply.size()), totalMs / kQueries,
                reply.size() * kBitsPerByte * 1000.0 / kBaud);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir; // the window writes its settings file into the working directory
    QDir::setCurrent(dir.path());
    Dialogs::Hooks hooks;
    hooks.message = [](const QString &text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    Dialogs::setHooks(hooks);

    Nodeweave w;
    auto *ports = w.findChild<QComboBox *>(QStringLiteral("comboBox_comPort"));
    ports->setCurrentIndex(ports->findText(Nodeweave::simulatorPortName()));
    w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
    SimModule *sim = w.simulator();
    sim->setLocalLatency(0);

    // First without pacing: what remains is the program's own cost per step (and the
    // module's event-loop turns), the floor under any ratio.
    sim->setBaudRate(0);
    std::vector<Round> reads;
    std::vector<Round> writes;
    for (int i = 0; i < kRounds; ++i) {
        reads.push_back(run(&w, "pushButton_readConfiguration", QStringLiteral("读取配置完成")));
        writes.push_back(run(&w, "pushButton_writeConfiguartion", QStringLiteral("写入配置完成")));
    }
    std::printf("unpaced output, no latency (ratio against %d baud for comparison)\n", kBaud);
    bool ok = report("read", reads) & report("write", writes);

    sim->setBaudRate(kBaud);
    reads.clear();
    writes.clear();
    for (int i = 0; i < kRounds; ++i) {
        reads.push_back(run(&w, "pushButton_readConfiguration", QStringLiteral("读取配置完成")));
        writes.push_back(run(&w, "pushButton_writeConfiguartion", QStringLiteral("写入配置完成")));
    }
    std::printf("output paced at %d baud, no latency\n", kBaud);
    ok = report("read", reads) & report("write", writes) & ok;
    moduleTurnaround(sim);
    Dialogs::clearHooks();
    return ok ? 0 : 1;
}
