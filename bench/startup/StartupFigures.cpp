// Start-up time and memory of programs measured side by side: runs each
// program in turn (the order swapped every round), takes the time from just
// before its start to the end of its first paint (which the program reports
// on its standard error when VASKOR_REPORT_FIRST_PAINT is set, see
// FirstPaintProbe) and its resident set one second after the start, then
// ends it. Each program is started once first and that run discarded, so
// that no side's figures hold the cold start alone. Prints every run, then
// the median, 10th and 90th percentile of each figure and the ratio of each
// program's medians to the first one's.
//
//   StartupFigures <rounds> <label>=<program> [<label>=<program> ...]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto rssDelay = 1s;
constexpr auto paintTimeout = 30s;
constexpr auto pauseBetweenRuns = 300ms;
// A start fails while another copy of the program (another engineer's test,
// say) holds the toolkit's machine-wide single-instance lock: tried again.
constexpr int attemptsPerRun = 120;
constexpr auto pauseAfterFailure = 1s;

struct Program
{
    std::string label;
    std::string path;
    std::vector<double> startupMs;
    std::vector<double> rssMiB;
    int failedAttempts = 0;
};

struct Run
{
    double startupMs;
    double rssMiB;
};

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

/** The resident set of pid in MiB (VmRSS), or a negative number. */
double residentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return -1.0;
}

/** Reads the program's standard error until its first-paint line; the
    reported steady-clock time in ns, or nothing by the deadline. */
std::optional<long long> awaitFirstPaint(int fd, Clock::time_point deadline)
{
    std::string pending;
    char buffer[4096];
    while (Clock::now() < deadline)
    {
        pollfd entry{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 1))) <= 0)
            continue;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return std::nullopt;   // the program ended without painting
        pending.append(buffer, static_cast<size_t>(got));
        const size_t at = pending.find("first-paint ");
        if (at != std::string::npos && pending.find('\n', at) != std::string::npos)
            return std::atoll(pending.c_str() + at + 12);
    }
    return std::nullopt;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i)
    {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

/** One start of the program; nothing when it did not paint in time. */
std::optional<Run> runOnce(const std::string& path)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);

    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    const long long startNs = nowNs();
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0)
    {
        ::close(pipeFds[0]);
        return std::nullopt;
    }

    const std::optional<long long> paintedNs = awaitFirstPaint(pipeFds[0], start + paintTimeout);
    std::optional<Run> run;
    if (paintedNs)
    {
        std::this_thread::sleep_until(start + rssDelay);
        run = Run{static_cast<double>(*paintedNs - startNs) / 1e6, residentMiB(pid)};
    }
    stop(pid);
    ::close(pipeFds[0]);
    return run;
}

/** A start of the program that painted, tried again while starts fail (at
    most attemptsPerRun times); nothing when none painted. */
std::optional<Run> runPainted(Program& program)
{
    std::optional<Run> run;
    for (int attempt = 0; attempt < attemptsPerRun && !run; ++attempt)
    {
        run = runOnce(program.path);
        if (!run)
            ++program.failedAttempts;
        std::this_thread::sleep_for(run ? pauseBetweenRuns : pauseAfterFailure);
    }
    if (!run)
        std::fprintf(stderr, "%s did not paint a window\n", program.label.c_str());
    return run;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const double index = p * static_cast<double>(values.size() - 1);
    const size_t low = static_cast<size_t>(index);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (index - static_cast<double>(low));
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3 || std::atoi(argv[1]) < 1)
    {
        std::fprintf(stderr, "usage: %s <rounds> <label>=<program> [<label>=<program> ...]\n", argv[0]);
        return 2;
    }
    ::setenv("VASKOR_REPORT_FIRST_PAINT", "1", 1);
    const int rounds = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const size_t equals = arg.find('=');
        Program program;
        program.label = equals == std::string::npos ? arg : arg.substr(0, equals);
        program.path = equals == std::string::npos ? arg : arg.substr(equals + 1);
        programs.push_back(program);
    }

    std::printf("%-8s %-24s %12s %10s\n", "round", "program", "startup_ms", "rss_MiB");
    for (Program& program : programs)
    {
        const std::optional<Run> warmUp = runPainted(program);
        if (!warmUp)
            return 1;
        std::printf("%-8s %-24s %12.1f %10.1f\n", "warm-up", program.label.c_str(), warmUp->startupMs, warmUp->rssMiB);
        std::fflush(stdout);
    }
    for (int round = 0; round < rounds; ++round)
    {
        for (size_t k = 0; k < programs.size(); ++k)
        {
            Program& program = programs[round % 2 == 0 ? k : programs.size() - 1 - k];
            const std::optional<Run> run = runPainted(program);
            if (!run)
                return 1;
            program.startupMs.push_back(run->startupMs);
            program.rssMiB.push_back(run->rssMiB);
            std::printf("%-8d %-24s %12.1f %10.1f\n", round + 1, program.label.c_str(), run->startupMs, run->rssMiB);
            std::fflush(stdout);
        }
    }

    const Program& base = programs.front();
    const double baseStartup = percentile(base.startupMs, 0.5);
    const double baseRss = percentile(base.rssMiB, 0.5);
    std::printf("\n| program | runs | start-up ms median (p10-p90) | x %s | RSS MiB median (p10-p90) | x %s | failed starts |\n",
                base.label.c_str(), base.label.c_str());
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Program& program : programs)
    {
        const double startup = percentile(program.startupMs, 0.5);
        const double rss = percentile(program.rssMiB, 0.5);
        std::printf("| %s | %zu | %.1f (%.1f-%.1f) | %.2f | %.1f (%.1f-%.1f) | %.2f | %d |\n", program.label.c_str(),
                    program.startupMs.size(), startup, percentile(program.startupMs, 0.1),
                    percentile(program.startupMs, 0.9), startup / baseStartup, rss, percentile(program.rssMiB, 0.1),
                    percentile(program.rssMiB, 0.9), rss / baseRss, program.failedAttempts);
    }
    return 0;
}
