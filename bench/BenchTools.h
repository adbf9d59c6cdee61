// What the benchmarks share: timing a piece of work, racing ours against a reference tool so that the load of
// a shared machine falls on both alike, running a tool (or a fresh process of our own) with its output thrown
// away or kept, and the "RATIO <name> <value>" lines run.sh collects.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace hy::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(const std::function<void()>& work)
{
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Best of a few runs: the figures compare hot-cache throughput, not the odd disturbance.
inline double Best(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, Seconds(work));
    return best;
}

// The best of a few runs of each, taken in turn.
inline std::vector<double> Race(int runs, const std::vector<std::function<void()>>& works)
{
    std::vector<double> best(works.size(), 1e30);
    for (int i = 0; i < runs; ++i) {
        for (size_t w = 0; w < works.size(); ++w)
            best[w] = std::min(best[w], Seconds(works[w]));
    }
    return best;
}

namespace detail {
    // Starts a program in workDir (here when empty) with its standard output on outFd (thrown away when -1);
    // a program that cannot start ends the benchmark.
    inline pid_t Spawn(std::vector<std::string>& args, const std::string& workDir, int outFd, int closeFd)
    {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (outFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, outFd, 1);
            posix_spawn_file_actions_addclose(&actions, closeFd);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        }
        std::string here;
        if (!workDir.empty()) {
            char cwd[4096];
            here = ::getcwd(cwd, sizeof cwd) ? cwd : "";
            if (::chdir(workDir.c_str()) != 0) {
                std::perror(workDir.c_str());
                std::exit(2);
            }
        }
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (!here.empty() && ::chdir(here.c_str()) != 0)
            std::exit(2);
        if (spawned != 0) {
            std::fprintf(stderr, "cannot run %s\n", argv[0]);
            std::exit(2);
        }
        return pid;
    }

    inline int Wait(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
} // namespace detail

// Runs a program with its output thrown away; its exit status (-1 when it did not exit).
inline int RunTool(std::vector<std::string> args, const std::string& workDir = std::string())
{
    return detail::Wait(detail::Spawn(args, workDir, -1, -1));
}

// Runs a program and returns its standard output.
inline std::string ToolOutput(std::vector<std::string> args)
{
    int fds[2] = { -1, -1 };
    if (::pipe(fds) != 0)
        std::exit(2);
    const pid_t pid = detail::Spawn(args, std::string(), fds[1], fds[0]);
    ::close(fds[1]);
    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, size_t(n));
    ::close(fds[0]);
    detail::Wait(pid);
    return output;
}

// The first line of a tool's --version, for the record beside its figures.
inline std::string ToolVersion(const std::string& tool)
{
    const std::string text = ToolOutput({ tool, "--version" });
    return text.substr(0, text.find('\n'));
}

// A figure of this process from /proc/self/status in KiB ("VmRSS:", "VmHWM:"); 0 when it is not there.
inline long long StatusKiB(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string k;
    while (in >> k) {
        if (k == key) {
            long long v = 0;
            in >> v;
            return v;
        }
        std::getline(in, k);
    }
    return 0;
}

// The first line of "tool --version" on standard error, so that each figure says what it was measured against.
inline void PrintToolVersion(const std::string& tool)
{
    const std::string out = ToolOutput({ tool, "--version" });
    std::fprintf(stderr, "reference: %s\n", out.substr(0, out.find('\n')).c_str());
}

inline bool Exists(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0;
}

inline void Ratio(const char* name, double value) { std::printf("RATIO %s %.3f\n", name, value); }

} // namespace hy::bench
