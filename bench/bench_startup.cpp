// Start-up and idle cost of the window.
//
// Start-up: the bench starts itself again as a child that does what main() does — a
// QApplication, the window, its translator, show() — and reports the moment the window
// has painted for the first time (offscreen). The time from starting the child process to
// that report includes loading the libraries; the child's own time from main() to the
// paint is printed beside it. Median of N runs, each in the same fresh working directory.
//
// Idle: the share of one core the whole process uses while the window sits with nothing
// arriving — port closed, the built-in simulated module open, and a pseudo-terminal open
// (the real serial path). The 50 ms poll runs throughout.
//
//   bench_startup [--runs N] [--idle-seconds S]

#include "app/nodeweave.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kAimStartupMs = 100;   // a window that takes longer is seen to be late
constexpr double kAimIdlePercent = 1.0; // "next to nothing" for a window left open all day
const char *const kChildFlag = "--child";

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Stops the clock at the first paint of the window.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QElapsedTimer *clock) : m_clock(clock) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("shown %lld\n", static_cast<long long>(m_clock->nsecsElapsed()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer *m_clock;
    bool m_done = false;
};

// The child: main() of the program, up to the first paint.
int childMain(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    Nodeweave window;
    app.installTranslator(window.appTranslator());
    window.retranslate();
    FirstPaint watch(&clock);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}

struct StartupFigures
{
    std::vector<double> totalMs;  // process start to first paint
    std::vector<double> inProcMs; // main() to first paint
    // The child's CPU time, user and system: unlike the wall time, it hardly moves with
    // the load of other work on the machine.
    std::vector<double> cpuMs;
};

double childrenCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

StartupFigures measureStartup(int runs)
{
    StartupFigures out;
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("Nodeweave.ini"))).open(QIODevice::WriteOnly);
    for (int i = 0; i < runs; ++i) {
        const double cpu0 = childrenCpuMs();
        QProcess child;
        child.setWorkingDirectory(dir.path());
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildFlag)});
        QByteArray got;
        while (!got.contains('\n') && child.waitForReadyRead(30000))
            got += child.readAllStandardOutput();
        const double total = double(clock.nsecsElapsed()) / 1e6;
        const bool ended = child.waitForFinished(30000);
        if (!got.startsWith("shown ")) {
            std::fprintf(stderr, "run %d: the child did not report its window\n", i + 1);
            continue;
        }
        out.totalMs.push_back(total);
        out.inProcMs.push_back(got.mid(6).trimmed().toDouble() / 1e6);
        if (ended)
            out.cpuMs.push_back(childrenCpuMs() - cpu0);
    }
    return out;
}

// Share of one core over `seconds` of an idle event loop, after a second to settle.
double idlePercent(int seconds)
{
    runEventLoop(1000);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoop(seconds * 1000);
    return 100.0 * (cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
}

bool openPort(Nodeweave &w, const QString &entry)
{
    auto *box = w.findChild<QComboBox *>(QStringLiteral("comboBox_comPort"));
    const int i = box->findText(entry);
    if (i >= 0)
        box->setCurrentIndex(i);
    else
        box->setEditText(entry);
    w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"))->click();
    return w.findChild<QPushButton *>(QStringLiteral("pushButton_send"))->isEnabled();
}

void closePort(Nodeweave &w)
{
    auto *open = w.findChild<QPushButton *>(QStringLiteral("pushButton_openCom"));
    if (w.findChild<QPushButton *>(QStringLiteral("pushButton_send"))->isEnabled())
        open->click();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0)
        return childMain(argc, argv);

    int runs = 20;
    int idleSeconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
    }

    QApplication app(argc, argv);

    const StartupFigures s = measureStartup(runs);
    if (s.totalMs.empty()) {
        std::printf("start-up: no run finished\n");
        return 1;
    }
    const double total = median(s.totalMs);
    std::printf("start-up, process start to window shown (offscreen), median of %zu runs:\n",
                s.totalMs.size());
    std::printf("  %.1f ms (min %.1f, max %.1f), of which main() to first paint %.1f ms; "
                "ratio to the aim of %.0f ms: %.2f\n",
                total, *std::min_element(s.totalMs.begin(), s.totalMs.end()),
                *std::max_element(s.totalMs.begin(), s.totalMs.end()), median(s.inProcMs),
                kAimStartupMs, total / kAimStartupMs);
    std::printf("  CPU time of the process, start to exit: %.1f ms (median)\n", median(s.cpuMs));

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile(dir.filePath(QStringLiteral("Nodeweave.ini"))).open(QIODevice::WriteOnly);
    Nodeweave window;
    app.installTranslator(window.appTranslator());
    window.retranslate();
    window.show();

    std::printf("idle, share of one core over %d s with nothing arriving (aim < %.1f %%):\n",
                idleSeconds, kAimIdlePercent);
    const double closed = idlePercent(idleSeconds);
    std::printf("  port closed          %6.2f %%  ratio %.2f\n", closed, closed / kAimIdlePercent);

    if (!openPort(window, Nodeweave::simulatorPortName())) {
        std::printf("  the simulated module did not open\n");
        return 1;
    }
    const double sim = idlePercent(idleSeconds);
    std::printf("  Simulator open       %6.2f %%  ratio %.2f\n", sim, sim / kAimIdlePercent);
    closePort(window);

    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        std::printf("  no pseudo-terminal\n");
        return 1;
    }
    ::close(slave);
    if (!openPort(window, QString::fromLocal8Bit(name))) {
        std::printf("  the pseudo-terminal did not open\n");
        return 1;
    }
    const double pty = idlePercent(idleSeconds);
    std::printf("  pseudo-terminal open %6.2f %%  ratio %.2f\n", pty, pty / kAimIdlePercent);
    closePort(window);
    ::close(master);
    return 0;
}
