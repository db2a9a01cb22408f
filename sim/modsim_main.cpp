// nodeweave-modsim: serves the simulated module on a pseudo-terminal, so that the
// program's real serial path, or any terminal program, can talk to it.

#include "sim/simmodule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    const ssize_t ignored = ::write(g_signalPipe[1], &c, 1);
    (void)ignored;
}

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// Output towards the terminal. Nobody may be reading the other side, so what cannot be
// written at once waits, up to a bound; the oldest bytes go first when it is exceeded.
class PtyWriter
{
public:
    static constexpr int kMaxBacklog = 64 * 1024;

    explicit PtyWriter(int fd) : m_fd(fd), m_notifier(fd, QSocketNotifier::Write)
    {
        m_notifier.setEnabled(false);
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this]() { flush(); });
    }

    void write(const QByteArray &bytes)
    {
        m_backlog += bytes;
        if (m_backlog.size() > kMaxBacklog)
            m_backlog.remove(0, m_backlog.size() - kMaxBacklog);
        flush();
    }

private:
    void flush()
    {
        while (!m_backlog.isEmpty()) {
            const ssize_t n = ::write(m_fd, m_backlog.constData(), size_t(m_backlog.size()));
            if (n > 0) {
                m_backlog.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // EAGAIN: wait until the terminal side reads
        }
        m_notifier.setEnabled(!m_backlog.isEmpty());
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QByteArray m_backlog;
};

int intOption(const QCommandLineParser &p, const QString &name, int fallback, bool *ok)
{
    if (!p.isSet(name))
        return fallback;
    bool good = false;
    const int v = p.value(name).toInt(&good);
    if (!good || v < 0) {
        std::fprintf(stderr, "nodeweave-modsim: --%s needs a number of 0 or more\n",
                     qPrintable(name));
        *ok = false;
    }
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nodeweave-modsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NODEWEAVE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a simulated radio module, with its small network of remote nodes, on a\n"
        "pseudo-terminal and prints the terminal's device path. Lines end with CR LF.\n"
        "Stop it with Ctrl+C."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("link"), QStringLiteral("Also make a symbolic link <path> to the device."),
         QStringLiteral("path")},
        {QStringLiteral("latency"),
         QStringLiteral("Reply latency of the local module (default 10)."), QStringLiteral("ms")},
        {QStringLiteral("remote-latency"),
         QStringLiteral("Reply latency of remote nodes (default 120)."), QStringLiteral("ms")},
        {QStringLiteral("remote-fail-delay"),
         QStringLiteral("Delay before an unknown remote address is refused (default 1500)."),
         QStringLiteral("ms")},
        {QStringLiteral("baud"),
         QStringLiteral("Pace the line both ways at this many bits per second "
                        "(default 0: unpaced)."),
         QStringLiteral("n")},
        {QStringLiteral("echo"), QStringLiteral("Echo every received line before its reply.")},
        {QStringLiteral("any-eol"),
         QStringLiteral("Let a lone CR or LF end a line too (for terminals that send only CR).")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the fault injection (default 1)."),
         QStringLiteral("n")},
        {QStringLiteral("split"), QStringLiteral("Write every line in several pieces.")},
        {QStringLiteral("silent"), QStringLiteral("Never answer (a module that hangs).")},
        {QStringLiteral("drop-every"), QStringLiteral("Drop the reply to every n-th line."),
         QStringLiteral("n")},
        {QStringLiteral("garble-every"), QStringLiteral("Garble the reply to every n-th line."),
         QStringLiteral("n")},
        {QStringLiteral("wrong-shape-every"),
         QStringLiteral("Give the reply to every n-th line the wrong shape."), QStringLiteral("n")},
        {QStringLiteral("delay-every"),
         QStringLiteral("Delay the reply to every n-th line by --delay-ms."), QStringLiteral("n")},
        {QStringLiteral("delay-ms"),
         QStringLiteral("Extra delay for --delay-every (default 3000)."), QStringLiteral("ms")},
        {QStringLiteral("nodes"),
         QStringLiteral("Remote nodes in the network (default 4; more are plain routers)."),
         QStringLiteral("n")},
        {QStringLiteral("node"),
         QStringLiteral(
             "Make one node misbehave; may be given once per node. <node> is 0 for the module\n"
             "on the port, 1 to n for the remote nodes, or a network address (0x3C4D);\n"
             "<knobs> are separated by commas:\n"
             "  refuse=WORD:CODE  refuse set commands of WORD (CH or AT+CH) with ERR=CODE\n"
             "  keep=WORD         acknowledge set commands of WORD but keep the old value\n"
             "  latency=MS        answer every command MS later (a slow node)\n"
             "  leave-after=N     leave the network after answering N more commands\n"
             "  late=WORD[:MS]    answer commands of WORD after the program's time-out\n"
             "                    (6000 ms later), or MS later\n"
             "Example: --node 0x3C4D:refuse=CH:23 --node 3:keep=CH,latency=300"),
         QStringLiteral("node:knobs")},
    };
    parser.addOptions(options);
    parser.process(app);

    bool ok = true;
    SimModule module(nullptr, intOption(parser, QStringLiteral("nodes"), 4, &ok));
    module.setLocalLatency(
        intOption(parser, QStringLiteral("latency"), module.localLatency(), &ok));
    module.setRemoteLatency(
        intOption(parser, QStringLiteral("remote-latency"), module.remoteLatency(), &ok));
    module.setRemoteFailDelay(intOption(parser, QStringLiteral("remote-fail-delay"),
                                        SimLimits::kDefaultRemoteFailDelayMs, &ok));
    module.setBaudRate(intOption(parser, QStringLiteral("baud"), 0, &ok));
    // This process serves nothing else: paced bytes leave when the line would have carried
    // them, to within microseconds rather than the kernel's default 50 of timer slack.
    module.setExactPacing(true);
    prctl(PR_SET_TIMERSLACK, 1UL);
    module.setSeed(quint32(intOption(parser, QStringLiteral("seed"), 1, &ok)));
    module.setEcho(parser.isSet(QStringLiteral("echo")));
    module.setAnyLineEnd(parser.isSet(QStringLiteral("any-eol")));
    module.splitReplies(parser.isSet(QStringLiteral("split")));
    module.setSilent(parser.isSet(QStringLiteral("silent")));
    const int dropEvery = intOption(parser, QStringLiteral("drop-every"), 0, &ok);
    const int garbleEvery = intOption(parser, QStringLiteral("garble-every"), 0, &ok);
    const int shapeEvery = intOption(parser, QStringLiteral("wrong-shape-every"), 0, &ok);
    const int delayEvery = intOption(parser, QStringLiteral("delay-every"), 0, &ok);
    const int delayMs = intOption(parser, QStringLiteral("delay-ms"), 3000, &ok);
    if (!ok)
        return 2;
    const QStringList knobs = parser.values(QStringLiteral("node"));
    for (const QString &node : knobs) {
        const QString wrong = module.setNodeKnobs(node);
        if (!wrong.isEmpty()) {
            std::fprintf(stderr, "nodeweave-modsim: --node %s: %s\n", qPrintable(node),
                         qPrintable(wrong));
            return 2;
        }
    }

    // Faults for every n-th line are armed as the line arrives, before it is carried out.
    quint64 lines = 0;
    QObject::connect(&module, &SimModule::lineReceived, [&](const QString &) {
        ++lines;
        auto hit = [&](int every) {
            return every > 0 && lines % quint64(every) == 0;
        };
        if (hit(dropEvery))
            module.dropNextReply();
        if (hit(garbleEvery))
            module.garbleNextReply();
        if (hit(shapeEvery))
            module.wrongShapeNextReply();
        if (hit(delayEvery))
            module.delayNextReply(delayMs);
    });

    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "nodeweave-modsim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    // Raw on both sides, or bytes written before a program opens the device are echoed
    // back and CR is turned into LF.
    if (!makeRaw(master) || !makeRaw(slave)) {
        std::fprintf(stderr, "nodeweave-modsim: cannot set the terminal raw: %s\n",
                     std::strerror(errno));
        return 1;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    char path[256] = {};
    if (ttyname_r(slave, path, sizeof path) != 0) {
        std::fprintf(stderr, "nodeweave-modsim: cannot name the pseudo-terminal\n");
        return 1;
    }
    // Our own descriptor of the device stays open: without it the terminal side would
    // report end of file between two programs that use it.

    const QString link = parser.value(QStringLiteral("link"));
    const QByteArray linkPath = QFile::encodeName(link);
    if (!link.isEmpty()) {
        struct stat st
        {
        };
        if (lstat(linkPath.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "nodeweave-modsim: %s exists and is not a link\n",
                             linkPath.constData());
                return 1;
            }
            unlink(linkPath.constData());
        }
        if (symlink(path, linkPath.constData()) != 0) {
            std::fprintf(stderr, "nodeweave-modsim: cannot make the link %s: %s\n",
                         linkPath.constData(), std::strerror(errno));
            return 1;
        }
    }

    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return 1;
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    PtyWriter writer(master);
    QObject::connect(&module, &SimModule::output, [&](const QByteArray &b) { writer.write(b); });
    QSocketNotifier reader(master, QSocketNotifier::Read);
    QObject::connect(&reader, &QSocketNotifier::activated, [&]() {
        char buf[4096];
        while (true) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                module.receive(QByteArray(buf, int(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
    });

    std::printf("%s\n", path);
    std::fflush(stdout);
    std::fprintf(stderr, "nodeweave-modsim: simulated module on %s%s%s (Ctrl+C ends)\n", path,
                 link.isEmpty() ? "" : ", also ", linkPath.constData());

    const int rc = app.exec();

    if (!link.isEmpty())
        unlink(linkPath.constData());
    ::close(master);
    ::close(slave);
    std::fprintf(stderr, "nodeweave-modsim: stopped\n");
    return rc;
}
