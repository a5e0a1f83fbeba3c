#include "ProcessTiming.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "benchmark: %s\n", what.c_str());
    std::exit(1);
}

std::vector<char*> ArgvOf(const std::vector<std::string>& argv)
{
    std::vector<char*> pointers;
    for (const std::string& a : argv)
        pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

void SendOutputToNull()
{
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0)
        dup2(null, STDOUT_FILENO);
}

bool EndedWell(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

double MonotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double RunToEndMs(const std::vector<std::string>& argv)
{
    std::vector<char*> args = ArgvOf(argv);
    const double start = MonotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        SendOutputToNull();
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0 || !EndedWell(pid))
        Fail(argv[0] + " failed");
    return MonotonicMs() - start;
}

ExposedSample RunUntilExposed(const std::string& program, const char* reportFdVariable, int timeoutMs)
{
    int pipeFd[2];
    if (pipe(pipeFd) != 0)
        Fail("no pipe");
    const double start = MonotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFd[0]);
        setenv(reportFdVariable, std::to_string(pipeFd[1]).c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFd[1]);
    pollfd ready{pipeFd[0], POLLIN, 0};
    char line[64] = {};
    ssize_t got = 0;
    if (poll(&ready, 1, timeoutMs) == 1)
        got = read(pipeFd[0], line, sizeof line - 1);
    close(pipeFd[0]);
    if (got <= 0)
        kill(pid, SIGKILL);
    const bool ended = EndedWell(pid);
    ExposedSample sample;
    double exposedAt = 0;
    if (got <= 0 || std::sscanf(line, "%lf %ld", &exposedAt, &sample.peakKiB) != 2 || !ended)
        Fail(program + " did not report its window exposed and end well");
    sample.ms = exposedAt - start;
    return sample;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long Median(std::vector<long> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string OwnFolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string UseThrowawayStoreAndCard()
{
    char pattern[] = "/tmp/tunzo-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const std::string dir = pattern;
    setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("TUNZO_CARD", "simulated", 1);
    return dir;
}
