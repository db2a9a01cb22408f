// The floor under the read's ratio on this measuring setup: a bare client that sends a full
// configuration read's commands over the pseudo-terminal one after the other, with blocking
// reads and no event loop, and takes each answer's lines with the same step handlers as the
// window and nodeweave-cli (nothing shown, nothing kept). What the window or the CLI take
// beyond this figure is their own; what this figure takes beyond the wire is the terminal's
// and the simulated module's.
//
//   bench_floor DEVICE [--rounds N]     (a nodeweave-modsim terminal, 115200 baud)
//
// Prints its line in the form bench_cli.sh prints the CLI's, prefixed "floor".

#include "at/commands.h"
#include "at/replygrammar.h"
#include "config/cfgqueues.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMsPerByte = 10 * 1000.0 / 115200; // start, 8 data and stop bits

class Line
{
public:
    explicit Line(int fd) : m_fd(fd) {}

    bool send(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return false;
            done += n;
        }
        out += bytes.size();
        return true;
    }

    // The next complete line, CR LF included; empty after `timeoutMs` without one.
    QByteArray nextLine(int timeoutMs)
    {
        while (true) {
            const qsizetype end = m_buffer.indexOf("\r\n");
            if (end >= 0) {
                const QByteArray line = m_buffer.left(end + 2);
                m_buffer.remove(0, end + 2);
                return line;
            }
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return QByteArray();
            char chunk[4096];
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n <= 0)
                return QByteArray();
            in += n;
            m_buffer.append(chunk, n);
        }
    }

    qint64 out = 0;
    qint64 in = 0;

private:
    int m_fd;
    QByteArray m_buffer;
};

// One full read; false when a step got no acceptable answer.
bool readOnce(Line &line, const CfgCmdQueue &queue)
{
    for (const CfgCmd &step : queue) {
        if (!line.send(Command::line(step.cmd).toLatin1()))
            return false;
        bool done = false;
        while (!done) {
            const QByteArray bytes = line.nextLine(2000);
            if (bytes.isEmpty())
                return false;
            const QString text = QString::fromLatin1(bytes);
            if (Reply::isReadSequenceReply(text) && !step.handler(text, &done))
                return false;
        }
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_floor DEVICE [--rounds N]\n");
        return 2;
    }
    int rounds = 7;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 2;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    tcflush(fd, TCIOFLUSH);

    CfgQueues::ReadSink sink;
    sink.fill = [](const CfgValues &) {
    };
    sink.show = [](int) {
    };
    sink.remote = [] {
        return false;
    };
    const CfgCmdQueue queue = CfgQueues::read(sink);

    Line line(fd);
    std::vector<double> took;
    qint64 bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        line.out = line.in = 0;
        const auto start = Clock::now();
        if (!readOnce(line, queue)) {
            std::printf("  floor read: FAILED\n");
            return 1;
        }
        took.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        bytes = line.out + line.in;
    }
    const double wire = double(bytes) * kMsPerByte;
    const double ms = median(took);
    std::printf("  floor read: %.0f ms for %.1f ms of bytes on the wire (median of %d, best %.0f, "
                "worst %.0f)  ratio %.2f\n",
                ms, wire, rounds, *std::min_element(took.begin(), took.end()),
                *std::max_element(took.begin(), took.end()), ms / wire);
    ::close(fd);
    return 0;
}
