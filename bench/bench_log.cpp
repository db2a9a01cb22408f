// How fast received lines get from the serial port into the log: a writer thread pours
// short module lines into a pseudo-terminal that the window has open as its port, and
// the clock stops when the last line is in the log and scrolled into view ("Auto
// Scroll" on). Every line passes readCom, commonRspProc and the log, as in use.
//
// Prints, per size, the median lines per second and its ratio to the aim of 50 000
// lines/s, the longest the event loop was kept from answering (what a click would
// wait), and the peak memory; then the main thread's share of one core while a
// 115200-baud line is saturated with short sample lines (aim: under 5 %). Each figure is
// taken as the log starts, with every entry captured to a file (aim: within 10 % of the
// first), and with that and the time column shown; each round runs the three, in an order turned by
// one from the last round's. Last, a 921 600-baud line, the fastest common adapter setting,
// saturated with time column and capture on (aim: under 5 %).
//
// Then what a user waits for on a quiet line: from a reply's last byte written to its row
// painted (aim: 20 ms), for replies alone and for replies 10 ms after a command.
//
//   bench_log [--rounds N] [--flood-rounds N] [--sizes 10000,100000,1000000]
//             [--extras off,capture,cap+time]
//             [--paced-seconds S] [--fast-only 1] [--latency-replies N] [--picocom 0]
//
// With picocom installed (the Debian package), every round of the flood runs it too on a
// terminal of its own, and the window's time is printed against its time.

#include "app/consolelog.h"
#include "app/dialogs.h"
#include "app/nodeweave.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kAimLinesPerSecond = 50000;
constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10; // start, 8 data, stop

double peakMemoryMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

double currentMemoryMiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
double threadCpuSeconds()
{
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

// A raw pseudo-terminal; the bench writes to the master, the window opens the slave.
struct Pty
{
    int master = -1;
    int slave = -1;
    QString slavePath;

    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            qFatal("no pseudo-terminal");
        slavePath = QString::fromLocal8Bit(ptsname(master));
        // Held open until the window has the port, so that early writes do not fail.
        slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty()
    {
        if (slave >= 0)
            ::close(slave);
        ::close(master);
    }
};

// Writes all of `data` unless `stop` is set first. The master is non-blocking, so that a
// writer whose reader has gone (the window stopped reading once the figures were taken, or a
// run gave up) notices `stop` instead of waiting in write() for ever.
bool writeAll(int fd, const char *data, size_t size, const std::atomic<bool> &stop)
{
    while (size > 0) {
        if (stop)
            return false;
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 50);
                continue;
            }
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Short lines as a busy module sends them: mostly sample reports, some replies.
QByteArray sampleLine(int i)
{
    switch (i % 10) {
    case 0:
        return QByteArrayLiteral("OK\r\n");
    case 5:
        return QByteArrayLiteral("ERR=60\r\n");
    default:
        return "IO=" + QByteArray::number(9 + i % 3) + ",0x1A2B," + QByteArray::number(i % 2) +
               "\r\n";
    }
}

// What the log does besides showing entries.
enum class Extra
{
    None,
    Capture,        // every entry appended to a file as it is logged
    CaptureAndTime, // that, and the time column shown
};
const char *extraName(Extra e)
{
    return e == Extra::None ? "off" : e == Extra::Capture ? "capture" : "cap+time";
}

// A fresh window in its own working directory, with the pty's slave open as its port.
struct Window
{
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    std::unique_ptr<Nodeweave> w;

    Window(const QString &port, Extra extra)
    {
        QDir::setCurrent(dir.path());
        QFile(dir.filePath(QStringLiteral("Nodeweave.ini"))).open(QIODevice::WriteOnly);
        w = std::make_unique<Nodeweave>();
        w->show();
        auto *box = w->findChild<QComboBox *>(QStringLiteral("comboBox_comPort"));
        box->setEditText(port);
        w->findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
        if (!w->findChild<QPushButton *>(QStringLiteral("pushButton_send"))->isEnabled())
            qFatal("cannot open %s", qPrintable(port));
        w->findChild<QCheckBox *>(QStringLiteral("checkBox_logAutoScroll"))->setChecked(true);
        if (extra != Extra::None) {
            consoleLog()->setShowTime(extra == Extra::CaptureAndTime);
            if (!consoleLog()->startCapture(capturePath()))
                qFatal("cannot capture to %s", qPrintable(capturePath()));
        }
        // The window is up and idle before any traffic: its first layout and paint are
        // not part of the figures.
        QEventLoop settle;
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
    }
    ~Window()
    {
        w.reset();
        QDir::setCurrent(oldCwd);
    }
    ConsoleLog *consoleLog() const { return w->findChild<ConsoleLog *>(); }
    QString capturePath() const { return dir.filePath(QStringLiteral("capture.log")); }
    // Lines in the capture file once it is closed.
    qint64 capturedLines() const
    {
        consoleLog()->stopCapture(false);
        QFile f(capturePath());
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        return f.readAll().count('\n');
    }
    QTableWidget *log() const
    {
        return w->findChild<QTableWidget *>(QStringLiteral("tableWidget_log"));
    }
    qint64 received() const
    {
        return w->findChild<QLabel *>(QStringLiteral("label_recvCnt"))->text().toLongLong();
    }
};

// The longest gap between the event loop's turns: a timer asks every 10 ms and notes how
// late it was served.
struct LoopLatency
{
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;

    LoopLatency()
    {
        timer.setInterval(10);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            worst = std::max(worst, now - last - 10);
            last = now;
        });
        clock.start();
        timer.start();
    }
};

// With --paints: which widgets repaint, and how often, while the paced line runs.
struct PaintCounter : QObject
{
    std::map<QString, int> counts;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint) {
            QString name = o->objectName();
            if (name.isEmpty() && o->parent())
                name = o->parent()->objectName() + QLatin1String("/") +
                       QLatin1String(o->metaObject()->className());
            ++counts[name];
        }
        return false;
    }
};
bool g_countPaints = false;

struct Run
{
    double linesPerSecond = 0;
    qint64 worstLoopMs = 0;
    // CPU per line in microseconds: the window's thread, and the program's other threads
    // (the capture's writer, Qt's own), the benchmark's writer left out. Unlike the rate,
    // these hardly move with the load of other work on the machine.
    double mainMicros = 0;
    double otherMicros = 0;
    bool ok = false;
};

Run floodRun(int lines, Extra extra)
{
    Pty pty;
    Window win(pty.slavePath, extra);
    ::close(pty.slave);
    pty.slave = -1;

    QByteArray data;
    data.reserve(lines * 16);
    QByteArray last;
    for (int i = 0; i < lines; ++i) {
        last = sampleLine(i);
        data += last;
    }
    const QString lastText = QString::fromLatin1(last);
    const qint64 total = data.size();

    QTableWidget *log = win.log();
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    QElapsedTimer clock;
    bool done = false;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (win.received() < total || log->rowCount() == 0)
            return;
        const QTableWidgetItem *item = log->item(log->rowCount() - 1, 0);
        if (!item || item->text() != lastText)
            return;
        // Shown means scrolled to the newest row, too.
        if (log->verticalScrollBar()->value() != log->verticalScrollBar()->maximum())
            return;
        done = true;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit); // a run that never ends is a failure

    LoopLatency latency;
    double writerCpu = 0;
    std::atomic<bool> stop{false};
    const double main0 = threadCpuSeconds();
    const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    clock.start();
    std::thread writer([&] {
        writeAll(pty.master, data.constData(), size_t(data.size()), stop);
        writerCpu = threadCpuSeconds();
    });
    check.start();
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    stop = true; // only matters when the run gave up before every line was read
    writer.join();
    // Writing the capture's last lines counts in its CPU time, too.
    win.consoleLog()->stopCapture(false);
    const double mainCpu = threadCpuSeconds() - main0;
    const double otherCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0 - mainCpu - writerCpu;
    const qint64 captured = extra == Extra::None ? 0 : win.capturedLines();

    Run r;
    // Nothing may be missing from the capture: every line, and the log's own notes.
    r.ok = done && (extra == Extra::None || captured >= lines);
    r.linesPerSecond = lines / seconds;
    r.mainMicros = mainCpu / lines * 1e6;
    r.otherMicros = otherCpu / lines * 1e6;
    r.worstLoopMs = latency.worst;
    return r;
}

// The same flood through picocom, a terminal program that writes what the port brings to
// its own terminal and keeps nothing: the floor beside which the window's rate is read.
// picocom's terminal is a second pseudo-terminal read here as fast as it comes; the clock
// stops when the last line has come out of it. Lines per second, or 0 when the run failed.
double picocomRun(const QByteArray &data)
{
    static const QByteArray kEnd = QByteArrayLiteral("NW-END-OF-FLOOD\r\n");
    Pty pty;
    int term = -1, termSlave = -1;
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&term, &termSlave, nullptr, &raw, nullptr) != 0)
        return 0;
    const QByteArray port = pty.slavePath.toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        dup2(termSlave, 0);
        dup2(termSlave, 1);
        dup2(termSlave, 2);
        ioctl(0, TIOCSCTTY, 0);
        execlp("picocom", "picocom", "--nolock", "--noreset", "--baud", "115200", port.constData(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(termSlave);
    QElapsedTimer clock;
    clock.start();
    QByteArray seen;
    // Reads picocom's terminal until `until` is in what came, or the time is up.
    const auto readUntil = [&](const QByteArray &until, qint64 deadlineMs) {
        char buf[65536];
        while (clock.elapsed() < deadlineMs) {
            pollfd p{term, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(term, buf, sizeof buf);
            if (n <= 0)
                return false;
            seen.append(buf, n);
            if (seen.contains(until))
                return true;
            seen = seen.right(until.size());
        }
        return false;
    };
    double rate = 0;
    if (pid > 0 && readUntil(QByteArrayLiteral("Terminal ready"), 10000)) {
        ::close(pty.slave);
        pty.slave = -1;
        seen.clear();
        std::atomic<bool> stop{false};
        clock.restart();
        std::thread writer([&] {
            writeAll(pty.master, data.constData(), size_t(data.size()), stop) &&
                writeAll(pty.master, kEnd.constData(), size_t(kEnd.size()), stop);
        });
        if (readUntil(kEnd, 120000))
            rate = double(data.count('\n')) / (double(clock.nsecsElapsed()) / 1e9);
        stop = true;
        writer.join();
    }
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    ::close(term);
    return rate;
}

bool havePicocom()
{
    return !QStandardPaths::findExecutable(QStringLiteral("picocom")).isEmpty();
}

struct Paced
{
    double share = 0; // of one core, main thread
    double linesPerSecond = 0;
};

// Main-thread CPU while the line carries `baud` of short lines: sample reports only, or
// with `mixed` the flood's mix of replies and reports (shorter on average).
Paced pacedCpuShare(double seconds, int baud, bool mixed, Extra extra)
{
    Pty pty;
    Window win(pty.slavePath, extra);
    ::close(pty.slave);
    pty.slave = -1;

    std::atomic<bool> stop{false};
    std::atomic<int> linesSent{0};
    std::thread writer([&] {
        const double bytesPerSecond = double(baud) / kBitsPerByte;
        QElapsedTimer t;
        t.start();
        qint64 sent = 0;
        int i = 0;
        while (!stop) {
            QByteArray chunk;
            while (sent + chunk.size() < qint64(bytesPerSecond * double(t.nsecsElapsed()) / 1e9)) {
                chunk +=
                    mixed ? sampleLine(i) : "IO=9,0x1A2B," + QByteArray::number(i % 2) + "\r\n";
                ++i;
            }
            linesSent = i;
            if (!chunk.isEmpty() &&
                !writeAll(pty.master, chunk.constData(), size_t(chunk.size()), stop))
                break;
            sent += chunk.size();
            usleep(2000);
        }
    });

    // Let the log fill past its first screen before measuring.
    QEventLoop warm;
    QTimer::singleShot(500, &warm, &QEventLoop::quit);
    warm.exec();
    PaintCounter paints;
    if (g_countPaints)
        qApp->installEventFilter(&paints);
    const double cpu0 = threadCpuSeconds();
    const int lines0 = linesSent;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    Paced p;
    p.share = (threadCpuSeconds() - cpu0) / wall;
    p.linesPerSecond = (linesSent - lines0) / wall;
    stop = true;
    writer.join();
    qApp->removeEventFilter(&paints);
    for (const auto &[name, n] : paints.counts)
        printf("  paints/s %-50s %.1f\n", qPrintable(name), n / seconds);
    return p;
}

// Paints of the log's viewport that show row `row` with `text`, scrolled into view: the
// moment the user sees it.
struct RowPainted : QObject
{
    QTableWidget *log = nullptr;
    int row = -1;
    QString text;
    QElapsedTimer *clock = nullptr;
    qint64 paintedNs = -1;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() != QEvent::Paint || row < 0 || paintedNs >= 0 || log->rowCount() <= row)
            return false;
        const QTableWidgetItem *item = log->item(row, 0);
        if (item && item->text() == text &&
            log->verticalScrollBar()->value() == log->verticalScrollBar()->maximum())
            paintedNs = clock->nsecsElapsed();
        return false;
    }
};

struct Latency
{
    std::vector<double> ms;
    int missed = 0;
};

// Time from a reply's last byte written to the terminal to its row painted, for `replies`
// replies 200 ms apart. Alone, each reply comes on a quiet line; with `command`, the window
// sends "AT" first and the reply follows 10 ms after the command reached the terminal, as a
// module answers.
Latency replyLatency(int replies, bool command)
{
    Pty pty;
    Window win(pty.slavePath, Extra::None);
    ::close(pty.slave);
    pty.slave = -1;
    QTableWidget *log = win.log();
    auto *cmd = win.w->findChild<QLineEdit *>(QStringLiteral("lineEdit_cmd"));
    auto *send = win.w->findChild<QPushButton *>(QStringLiteral("pushButton_send"));
    cmd->setText(QStringLiteral("AT"));
    QElapsedTimer clock;
    clock.start();
    RowPainted painted;
    painted.log = log;
    painted.clock = &clock;
    log->viewport()->installEventFilter(&painted);
    Latency out;
    const std::atomic<bool> never{false};
    for (int i = 0; i < replies; ++i) {
        QEventLoop gap;
        QTimer::singleShot(200, &gap, &QEventLoop::quit);
        gap.exec();
        const QByteArray reply = "IO=9,0x" + QByteArray::number(0x1000 + i, 16) + ",1\r\n";
        if (command) {
            send->click();
            // The command is on the terminal once comSend returns; drain it.
            char buf[256];
            while (::read(pty.master, buf, sizeof buf) > 0) {
            }
            QEventLoop module;
            QTimer::singleShot(10, &module, &QEventLoop::quit);
            module.exec();
        }
        painted.row = log->rowCount() + win.consoleLog()->pendingCount();
        painted.text = QString::fromLatin1(reply);
        painted.paintedNs = -1;
        writeAll(pty.master, reply.constData(), size_t(reply.size()), never);
        const qint64 written = clock.nsecsElapsed();
        QEventLoop wait;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (painted.paintedNs >= 0 || clock.nsecsElapsed() - written > 2000000000LL)
                wait.quit();
        });
        poll.start(1);
        wait.exec();
        if (painted.paintedNs < 0)
            ++out.missed;
        else
            out.ms.push_back(double(painted.paintedNs - written) / 1e6);
    }
    return out;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The value a share `q` of the sorted values lies below (nearest rank).
double quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[size_t(q * double(v.size() - 1) + 0.5)];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int rounds = 3;
    // The floods' pairs swing with the machine's speed from one second to the next; they
    // need more rounds than the paced runs, which last seconds each.
    int floodRounds = 0;
    std::vector<int> sizes = {10000, 100000, 1000000};
    double pacedSeconds = 5;
    bool fastOnly = false; // only the 921 600-baud case, for a profiler
    int latencyReplies = 100;
    bool peer = havePicocom(); // picocom beside the flood, when installed
    // The flood's cases; comparisons need "off" among them.
    std::vector<Extra> extras = {Extra::None, Extra::Capture, Extra::CaptureAndTime};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rounds")) {
            rounds = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--flood-rounds")) {
            floodRounds = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString &s : args[i + 1].split(QLatin1Char(',')))
                if (s.toInt() > 0)
                    sizes.push_back(s.toInt());
        } else if (args[i] == QLatin1String("--paints")) {
            g_countPaints = args[i + 1].toInt() != 0;
        } else if (args[i] == QLatin1String("--extras")) {
            extras.clear();
            for (Extra e : {Extra::None, Extra::Capture, Extra::CaptureAndTime})
                if (args[i + 1].split(QLatin1Char(',')).contains(QLatin1String(extraName(e))))
                    extras.push_back(e);
        } else if (args[i] == QLatin1String("--fast-only")) {
            fastOnly = args[i + 1].toInt() != 0;
        } else if (args[i] == QLatin1String("--picocom")) {
            peer = args[i + 1].toInt() != 0 && havePicocom();
        } else if (args[i] == QLatin1String("--latency-replies")) {
            latencyReplies = std::max(0, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--paced-seconds")) {
            pacedSeconds = args[i + 1].toDouble();
        }
    }
    Dialogs::Hooks hooks;
    hooks.message = [](const QString &text) {
        fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    Dialogs::setHooks(hooks);

    printf("%-10s %-8s %14s %8s %14s %14s %12s %10s %10s\n", "lines", "extra", "lines/s (med)",
           "ratio", "worst loop ms", "peak RSS MiB", "RSS MiB", "main us", "other us");
    bool allOk = true;
    for (int lines : sizes) {
        // Rounds interleave the cases, so that a change in the machine's load falls on all
        // of them alike; each case is compared with the run without extras of its own round.
        std::map<Extra, std::vector<double>> rates, slower, mainCpu, otherCpu, moreCpu;
        std::map<Extra, qint64> worst;
        std::vector<double> peerRates, peerRatios;
        QByteArray flood;
        if (peer) {
            for (int i = 0; i < lines; ++i)
                flood += sampleLine(i);
        }
        for (int r = 0; r < (floodRounds > 0 ? floodRounds : rounds); ++r) {
            // Each case takes each place in the round in turn: the first run of a round,
            // after the last round's runs and picocom's, is often the slowest, and that
            // must not fall on one case every time.
            std::map<Extra, Run> round;
            for (size_t k = 0; k < extras.size(); ++k) {
                const Extra extra = extras[(k + size_t(r)) % extras.size()];
                round[extra] = floodRun(lines, extra);
            }
            if (peer) {
                const double rate = picocomRun(flood);
                allOk = allOk && rate > 0;
                peerRates.push_back(rate);
            }
            const auto off = round.find(Extra::None);
            for (Extra extra : extras) {
                const Run &run = round[extra];
                allOk = allOk && run.ok;
                rates[extra].push_back(run.linesPerSecond);
                if (peer && extra == Extra::None && peerRates.back() > 0)
                    peerRatios.push_back(peerRates.back() / run.linesPerSecond);
                worst[extra] = std::max(worst[extra], run.worstLoopMs);
                mainCpu[extra].push_back(run.mainMicros);
                otherCpu[extra].push_back(run.otherMicros);
                if (extra == Extra::None || off == round.end())
                    continue;
                slower[extra].push_back((off->second.linesPerSecond / run.linesPerSecond - 1) *
                                        100.0);
                const double offCpu = off->second.mainMicros + off->second.otherMicros;
                moreCpu[extra].push_back((run.mainMicros + run.otherMicros) / offCpu * 100.0 -
                                         100.0);
            }
        }
        for (Extra extra : extras) {
            const double rate = median(rates[extra]);
            printf("%-10d %-8s %14.0f %8.2f %14lld %14.1f %12.1f %10.3f %10.3f", lines,
                   extraName(extra), rate, rate / kAimLinesPerSecond,
                   static_cast<long long>(worst[extra]), peakMemoryMiB(), currentMemoryMiB(),
                   median(mainCpu[extra]), median(otherCpu[extra]));
            if (!slower[extra].empty())
                printf("   against off: time per line %+.1f %%, CPU per line %+.1f %% (medians of "
                       "the rounds' pairs; the middle half of the pairs' times %+.1f to %+.1f %%)",
                       median(slower[extra]), median(moreCpu[extra]), quantile(slower[extra], 0.25),
                       quantile(slower[extra], 0.75));
            printf("\n");
            fflush(stdout);
        }
        if (peer && !peerRates.empty()) {
            printf("%-10d %-8s %14.0f %8.2f", lines, "picocom", median(peerRates),
                   median(peerRates) / kAimLinesPerSecond);
            if (!peerRatios.empty())
                printf("   the window's time against picocom's: %.2f x (median of the rounds' "
                       "pairs, %.2f-%.2f)",
                       median(peerRatios), *std::min_element(peerRatios.begin(), peerRatios.end()),
                       *std::max_element(peerRatios.begin(), peerRatios.end()));
            printf("\n");
            fflush(stdout);
        }
    }
    if (pacedSeconds > 0) {
        // The same number of runs for every case; the median answers.
        auto paced = [&](int baud, bool mixed, Extra extra) {
            std::vector<double> shares, rates;
            for (int r = 0; r < rounds; ++r) {
                const Paced p = pacedCpuShare(pacedSeconds, baud, mixed, extra);
                shares.push_back(p.share * 100.0);
                rates.push_back(p.linesPerSecond);
            }
            printf("%6d baud, %s, %-8s: main thread %.1f %% of one core (%.1f-%.1f), "
                   "%.0f lines/s (aim < 5 %%)\n",
                   baud, mixed ? "replies and reports" : "sample reports", extraName(extra),
                   median(shares), *std::min_element(shares.begin(), shares.end()),
                   *std::max_element(shares.begin(), shares.end()), median(rates));
            fflush(stdout);
        };
        if (!fastOnly) {
            paced(kBaud, false, Extra::None);
            paced(kBaud, false, Extra::CaptureAndTime);
        }
        paced(921600, true, Extra::CaptureAndTime);
    }
    if (latencyReplies > 0) {
        for (bool command : {false, true}) {
            const Latency l = replyLatency(latencyReplies, command);
            allOk = allOk && l.missed == 0 && !l.ms.empty();
            if (l.ms.empty())
                continue;
            printf("reply to row painted, %s, %zu replies 200 ms apart: median %.1f ms, worst "
                   "%.1f ms (aim <= 20 ms)%s\n",
                   command ? "10 ms after a command" : "quiet line", l.ms.size(), median(l.ms),
                   *std::max_element(l.ms.begin(), l.ms.end()),
                   l.missed ? qPrintable(QStringLiteral(", %1 never painted").arg(l.missed)) : "");
            fflush(stdout);
        }
    }
    if (!allOk)
        printf("some runs did not finish\n");
    return allOk ? 0 : 1;
}
