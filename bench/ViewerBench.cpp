// Speed of the viewer's file model beside the reference tools, on data generated here: a 1 GiB log of
// ~60-byte lines, a 4 GiB sparse file and a 1 KiB file. Prints one "RATIO <name> <value>" line per figure.
//
//   hy_viewer_bench <work dir>      generates the data there (kept when present), measures, prints
#include "viewer/HvFileModel.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace hy::viewer;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work)
{
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Best of a few runs: the figures compare hot-cache throughput, not the odd disturbance.
double Best(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, Seconds(work));
    return best;
}

void RunTool(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
}

qint64 FileSizeOf(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? qint64(st.st_size) : -1;
}

// Log-like lines of about 60 bytes, ending in LF.
void MakeLog(const std::string& path, qint64 size)
{
    if (FileSizeOf(path) == size)
        return;
    static const char* const levels[] = { "INFO", "DEBUG", "WARN", "INFO", "TRACE" };
    static const char* const words[]
        = { "worker", "request", "served", "cache", "queue", "session", "commit", "upload", "token", "backend" };
    std::mt19937 rng(2024);
    std::string block;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    qint64 written = 0;
    char line[128];
    while (written < size) {
        block.clear();
        while (block.size() < (1u << 20)) {
            auto r = [&](unsigned n) { return unsigned(rng() % n); };
            const int n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u:%02u %s %s-%u %s id=%u t=%ums\n",
                1 + r(28), r(24), r(60), r(60), levels[r(5)], words[r(10)], r(64), words[r(10)], r(1000000), r(5000));
            block.append(line, size_t(n));
        }
        const qint64 take = std::min<qint64>(qint64(block.size()), size - written);
        out.write(block.data(), take);
        written += take;
    }
}

void MakeSparse(const std::string& path, qint64 size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0) {
        std::perror("sparse file");
        std::exit(2);
    }
    ::close(fd);
}

qint64 StatusKiB(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string k;
    while (in >> k) {
        if (k == key) {
            qint64 v = 0;
            in >> v;
            return v;
        }
        std::getline(in, k);
    }
    return 0;
}

void OpenModel(THvFileModel& m, const std::string& path)
{
    m.SetFileName(QString::fromStdString(path));
    m.Open();
}

void Ratio(const char* name, double value) { std::printf("RATIO %s %.3f\n", name, value); }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string log = dir + "/log1g.txt";
    const std::string sparse = dir + "/sparse4g.bin";
    const std::string small = dir + "/small1k.txt";
    const qint64 logSize = qint64(1) << 30;
    MakeLog(log, logSize);
    MakeSparse(sparse, qint64(4) << 30);
    MakeLog(small, 1024);
    const double mib = double(logSize) / (1 << 20);

    // Warm the page cache: every figure is a hot-cache figure.
    RunTool({ "cat", log });

    const double wc = Best(3, [&] { RunTool({ "wc", "-l", log }); });
    const double scan = Best(3, [&] {
        THvFileModel m;
        OpenModel(m, log);
        m.ClampLine(kUndeterminedTotal - 1);
    });
    std::fprintf(stderr, "scan: ours %.0f MiB/s, wc -l %.0f MiB/s\n", mib / scan, mib / wc);
    Ratio("scan_vs_wc", wc / scan);

    const std::string needle = "Connection refused";
    const double grep = Best(3, [&] { RunTool({ "grep", "-c", "-F", needle, log }); });
    const double find = Best(3, [&] {
        THvFileModel m;
        OpenModel(m, log);
        if (m.FindText(QByteArray::fromStdString(needle), soWholeFile | soMatchCase, 0, 0))
            std::abort();
    });
    std::fprintf(stderr, "find: ours %.0f MiB/s, grep -F %.0f MiB/s\n", mib / find, mib / grep);
    Ratio("find_vs_grep", grep / find);

    const double grepI = Best(3, [&] { RunTool({ "grep", "-c", "-F", "-i", needle, log }); });
    const double findI = Best(3, [&] {
        THvFileModel m;
        OpenModel(m, log);
        if (m.FindText(QByteArray::fromStdString(needle), soWholeFile, 0, 0))
            std::abort();
    });
    std::fprintf(stderr, "find -i: ours %.0f MiB/s, grep -F -i %.0f MiB/s\n", mib / findI, mib / grepI);
    Ratio("find_nocase_vs_grep", grepI / findI);

    const double grepA = Best(3, [&] { RunTool({ "grep", "-c", "-F", "-a", needle, log }); });
    const double hexFind = Best(3, [&] {
        THvFileModel m;
        OpenModel(m, log);
        m.SetInHexMode(true);
        if (m.FindBytes(QByteArray::fromStdString(needle), soWholeFile | soMatchCase, 0))
            std::abort();
    });
    std::fprintf(stderr, "hex find: ours %.0f MiB/s, grep -F -a %.0f MiB/s\n", mib / hexFind, mib / grepA);
    Ratio("hexfind_vs_grep", grepA / hexFind);

    // Opening: open, show the first line, close; many times, for a 4 GiB and a 1 KiB file.
    auto openCost = [&](const std::string& path) {
        THvFileModel m;
        return Best(5, [&] {
            for (int i = 0; i < 2000; ++i) {
                OpenModel(m, path);
                int len = 0;
                m.LineText(0, len);
                m.Close();
            }
        });
    };
    const double openSmall = openCost(small);
    const double openBig = openCost(sparse);
    std::fprintf(stderr, "open: 4 GiB %.1f us, 1 KiB %.1f us\n", openBig / 2000 * 1e6, openSmall / 2000 * 1e6);
    Ratio("open_4g_over_1k", openBig / openSmall);

    // Going to random lines once the whole file was scanned: the worst of 1000.
    {
        THvFileModel m;
        OpenModel(m, log);
        const LineNumber last = m.ClampLine(kUndeterminedTotal - 1);
        std::mt19937_64 rng(7);
        double worst = 0;
        double total = 0;
        int worstAt = 0;
        for (int i = 0; i < 1000; ++i) {
            const LineNumber line = LineNumber(rng() % uint64_t(last + 1));
            const double t = Seconds([&] {
                int len = 0;
                m.LineText(line, len);
            });
            total += t;
            if (t > worst) {
                worst = t;
                worstAt = i;
            }
        }
        std::fprintf(stderr, "goto: %lld lines, mean %.3f ms, worst %.3f ms (call %d)\n",
            static_cast<long long>(last + 1), total, worst * 1e3, worstAt);
        Ratio("goto_ms_after_scan", worst * 1e3);
    }

    // Resident memory: scroll the 4 GiB file end to end, as text (one line of zeros) and as hex rows
    // (screens of 50 rows at 100000 places from top to bottom), and scan the 1 GiB log to its end.
    {
        // Restart the peak figure so that only what follows counts.
        std::ofstream("/proc/self/clear_refs") << "5";
        const qint64 before = StatusKiB("VmRSS:");
        THvFileModel m;
        OpenModel(m, sparse);
        m.ClampLine(kUndeterminedTotal - 1);
        int len = 0;
        m.LineText(0, len);
        m.SetInHexMode(true);
        const LineNumber rows = m.LineTotal();
        for (int s = 0; s <= 100000; ++s) {
            const LineNumber top = std::min<LineNumber>(rows - 50, rows / 100000 * s);
            for (LineNumber r = top; r < top + 50; ++r)
                m.LineText(r, len);
        }
        THvFileModel text;
        OpenModel(text, log);
        text.ClampLine(kUndeterminedTotal - 1);
        for (LineNumber l = 0; l < 100000; ++l)
            text.LineText(l, len);
        const qint64 peak = std::max(StatusKiB("VmHWM:"), StatusKiB("VmRSS:"));
        std::fprintf(stderr, "rss: before %lld KiB, peak %lld KiB\n", static_cast<long long>(before),
            static_cast<long long>(peak));
        Ratio("rss_growth_mib", double(peak - before) / 1024.0);
    }
    return 0;
}
