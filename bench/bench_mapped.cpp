// Start-up side by side: how long after its process starts each program's first window is
// mapped on the X display it runs on (Xvfb under run-all.sh). Programs are started one
// after the other, round after round, so that each sees the same load; each is ended once
// its window is mapped. Prints the median per program and the ratio of the first program's
// median to each other's.
//
//   bench_mapped [--runs N] NAME=COMMAND [NAME=COMMAND ...]
//
// COMMAND is split at spaces and run in a fresh working directory made for the bench.

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Program
{
    std::string name;
    std::vector<std::string> argv;
    std::vector<double> mappedMs;
};

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits for the first ordinary (not override-redirect) window mapped on the root; false
// after `limitMs`.
bool waitForMap(Display *display, double limitMs, Clock::time_point start)
{
    const int fd = ConnectionNumber(display);
    while (msSince(start) < limitMs) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect)
                return true;
        }
        fd_set read;
        FD_ZERO(&read);
        FD_SET(fd, &read);
        timeval wait{0, 10000};
        select(fd + 1, &read, nullptr, nullptr, &wait);
    }
    return false;
}

void drain(Display *display)
{
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 10;
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
            continue;
        }
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "usage: bench_mapped [--runs N] NAME=COMMAND ...\n");
            return 2;
        }
        Program p;
        p.name = arg.substr(0, eq);
        std::string rest = arg.substr(eq + 1);
        size_t from = 0;
        while (from < rest.size()) {
            const size_t space = rest.find(' ', from);
            const std::string word = rest.substr(from, space - from);
            if (!word.empty())
                p.argv.push_back(word);
            from = space == std::string::npos ? rest.size() : space + 1;
        }
        programs.push_back(p);
    }
    if (programs.empty()) {
        std::fprintf(stderr, "usage: bench_mapped [--runs N] NAME=COMMAND ...\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_mapped: no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    char dir[] = "/tmp/bench_mapped.XXXXXX";
    if (!mkdtemp(dir))
        return 2;

    bool ok = true;
    for (int round = 0; round < runs; ++round) {
        for (Program &p : programs) {
            drain(display);
            const Clock::time_point start = Clock::now();
            const pid_t child = fork();
            if (child == 0) {
                if (chdir(dir) != 0)
                    _exit(127);
                std::vector<char *> args;
                for (std::string &a : p.argv)
                    args.push_back(a.data());
                args.push_back(nullptr);
                execvp(args[0], args.data());
                _exit(127);
            }
            if (waitForMap(display, 10000, start)) {
                p.mappedMs.push_back(msSince(start));
            } else {
                std::fprintf(stderr, "%s: no window mapped within 10 s\n", p.name.c_str());
                ok = false;
            }
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
            // Let the display forget the window before the next program starts.
            usleep(200 * 1000);
        }
    }
    XCloseDisplay(display);

    std::printf("window mapped on the X display after process start, median of %d runs, "
                "interleaved:\n",
                runs);
    for (const Program &p : programs) {
        if (p.mappedMs.empty())
            continue;
        std::vector<double> v = p.mappedMs;
        std::sort(v.begin(), v.end());
        std::printf("  %-10s %6.1f ms (min %.1f, max %.1f)", p.name.c_str(), median(v), v.front(),
                    v.back());
        if (&p != &programs.front() && !programs.front().mappedMs.empty())
            std::printf("  %s against it: %.2f", programs.front().name.c_str(),
                        median(programs.front().mappedMs) / median(v));
        std::printf("\n");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
