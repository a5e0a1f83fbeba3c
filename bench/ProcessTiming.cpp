#include "ProcessTiming.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
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

void SendErrorsToNull()
{
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0)
        dup2(null, STDERR_FILENO);
}

// utime and stime are the 14th and 15th fields of /proc/<pid>/stat; the
// second field, the program's name in parentheses, may hold blanks.
constexpr int StatFieldsAfterNameToUtime = 12;

bool ReadSchedulerNs(pid_t pid, double& ns)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    return static_cast<bool>(in >> ns);
}

bool ReadStatTicks(pid_t pid, double& ticks)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return false;
    const size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return false;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string skipped;
    for (int i = 0; i < StatFieldsAfterNameToUtime; ++i)
        fields >> skipped;
    double utime = 0;
    double stime = 0;
    if (!(fields >> utime >> stime))
        return false;
    ticks = utime + stime;
    return true;
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

pid_t StartInBackground(const std::vector<std::string>& argv)
{
    std::vector<char*> args = ArgvOf(argv);
    const pid_t pid = fork();
    if (pid == 0) {
        SendOutputToNull();
        SendErrorsToNull();
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0)
        Fail("cannot start " + argv[0]);
    return pid;
}

double CpuMs(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != 0)
        Fail("process " + std::to_string(pid) + " ended early");
    double count = 0;
    if (ReadSchedulerNs(pid, count))
        return count / 1e6;
    if (ReadStatTicks(pid, count))
        return count * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
    Fail("process " + std::to_string(pid) + " is gone");
}

void EndAndReap(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
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
