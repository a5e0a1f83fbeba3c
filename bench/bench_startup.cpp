// Start-up of the front panel against the floor of an empty Qt Widgets
// window: the time from starting the process to the window shown, and the
// resident memory then. Runs each one several times as a fresh process on
// the offscreen platform, the simulated card (with its real delays) and a
// throwaway store.
//   tunzo-bench-startup [runs]

#include "MainForm.h"
#include "TunzoProgram.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double MonotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

bool Report(int reportFd)
{
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%.3f %ld\n", MonotonicMs(), ResidentKiB());
    return write(reportFd, line, static_cast<size_t>(n)) == n;
}

// In the child: tunzo's own entry (store, lock, channel, card, window), or
// an empty window; reports once the window is on screen.
int Child(bool panel, int reportFd)
{
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (panel) {
        bool reported = false;
        RunTunzo(argc, argv, [&](TMainForm& form) {
            reported = QTest::qWaitForWindowExposed(&form) && Report(reportFd);
            form.TerminateApplication();
        });
        return reported ? 0 : 1;
    }
    QApplication app(argc, argv);
    QWidget window;
    window.resize(425, 175);
    window.show();
    return QTest::qWaitForWindowExposed(&window) && Report(reportFd) ? 0 : 1;
}

struct Sample {
    double ms;
    long kib;
};

Sample RunOnce(const char* self, const char* mode)
{
    int pipeFd[2];
    if (pipe(pipeFd) != 0)
        std::exit(1);
    const double start = MonotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFd[0]);
        const std::string fd = std::to_string(pipeFd[1]);
        execl(self, self, "--child", mode, fd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFd[1]);
    char buffer[64] = {};
    const ssize_t got = read(pipeFd[0], buffer, sizeof buffer - 1);
    close(pipeFd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    double shownAt = 0;
    long kib = 0;
    if (got <= 0 || std::sscanf(buffer, "%lf %ld", &shownAt, &kib) != 2) {
        std::fprintf(stderr, "tunzo-bench-startup: the %s run failed\n", mode);
        std::exit(1);
    }
    return {shownAt - start, kib};
}

Sample Median(std::vector<Sample> samples)
{
    std::sort(samples.begin(), samples.end(), [](auto& a, auto& b) { return a.ms < b.ms; });
    return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return Child(std::strcmp(argv[2], "panel") == 0, std::atoi(argv[3]));

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    char path[] = "/tmp/tunzo-bench-XXXXXX";
    const std::string dir = mkdtemp(path);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("TUNZO_CARD", "simulated", 1);

    std::vector<Sample> empty, panel;
    for (int i = 0; i < runs; ++i) {
        empty.push_back(RunOnce("/proc/self/exe", "empty"));
        panel.push_back(RunOnce("/proc/self/exe", "panel"));
    }
    const Sample e = Median(empty), p = Median(panel);
    std::printf("start to window shown, median of %d fresh processes (offscreen)\n", runs);
    std::printf("  empty Qt window  %7.1f ms  %6ld KiB resident\n", e.ms, e.kib);
    std::printf("  tunzo panel      %7.1f ms  %6ld KiB resident\n", p.ms, p.kib);
    std::printf("  panel/empty      %7.2f x   %+6ld KiB\n", p.ms / e.ms, p.kib - e.kib);
    std::filesystem::remove_all(dir);
    return 0;
}
