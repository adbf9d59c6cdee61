// Speed of File > Compare's run beside cmp, on five identical generated 1 GiB files, and on two that differ in
// 1,000 scattered bytes, every difference counted, beside cmp -l | wc -l. Prints one "RATIO <name> <value>"
// line per figure; HY_BENCH_ONLY=diff measures only the second (about 2 GiB of disk).
//
//   hy_compare_bench <work dir>              generates the data there (kept when present), measures, prints
//   hy_compare_bench --one <file> <file> ... one comparison in this process; prints its seconds and the
//                                            resident memory it added (MiB)
//
// Every time figure comes twice: warm (the best of a few runs after a first one in the benchmark's own
// process) and "_fresh" (the best of a few new processes doing one comparison, as a user meets it). The
// page cache is hot for both; cmp starts afresh on every run anyway. Progress is reported and pending
// events are processed as the command does.
#include "core/compare/FileCompare.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace hy::compare;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr qint64 kFileSize = qint64(1) << 30;
constexpr int kFiles = 5;

double Seconds(const std::function<void()>& work)
{
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double Warm(const std::function<void()>& work)
{
    work();
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, Seconds(work));
    return best;
}

// Runs a program with its output captured; returns what it printed, and its exit code in status.
std::string Run(std::vector<std::string> args, int* exitCode = nullptr)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, size_t(n));
    ::close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(2);
    }
    if (exitCode)
        *exitCode = WEXITSTATUS(status);
    return text;
}

// cmp on each pair in sequence, the best of a few runs; every pair must be identical.
double Cmp(const std::vector<std::string>& pairs)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        best = std::min(best, Seconds([&] {
            for (size_t p = 0; p + 1 < pairs.size(); p += 2) {
                int code = -1;
                Run({ "cmp", pairs[p], pairs[p + 1] }, &code);
                if (code != 0) {
                    std::fprintf(stderr, "cmp found %s and %s different\n", pairs[p].c_str(), pairs[p + 1].c_str());
                    std::exit(2);
                }
            }
        }));
    }
    return best;
}

// The resident memory of this process now, in MiB.
double RssMiB()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / double(1 << 20);
}

double g_peakRss = 0;

// One comparison as the command runs it: progress reported, pending events processed.
qint64 CompareOnce(const std::vector<std::string>& files, bool goOn = false)
{
    QStringList names;
    QList<qint64> sizes;
    for (const std::string& f : files) {
        names << QString::fromStdString(f);
        struct stat st { };
        ::stat(f.c_str(), &st);
        sizes << qint64(st.st_size);
    }
    TCompareEvents events;
    if (goOn)
        events.FirstDifference = [](qint64) { return true; };
    events.Progress = [](qint64, qint64) {
        g_peakRss = std::max(g_peakRss, RssMiB());
        QCoreApplication::processEvents();
        return true;
    };
    const TCompareResult r = TFileCompare().Run(names, sizes, events);
    if (r.Outcome != TCompareOutcome::Finished) {
        std::fprintf(stderr, "the comparison did not finish (error %d)\n", r.ErrorCode);
        std::exit(2);
    }
    return r.Errors;
}

// The best seconds of a few fresh processes, and the largest memory one of them added.
std::pair<double, double> Fresh(const std::string& self, const std::vector<std::string>& files)
{
    double best = 1e30;
    double rss = 0;
    for (int i = 0; i < kRuns; ++i) {
        std::vector<std::string> args { self, "--one" };
        args.insert(args.end(), files.begin(), files.end());
        const std::string out = Run(args);
        char* end = nullptr;
        best = std::min(best, std::strtod(out.c_str(), &end));
        rss = std::max(rss, std::strtod(end, nullptr));
    }
    return { best, rss };
}

qint64 SizeOf(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? qint64(st.st_size) : -1;
}

// Data of mixed kinds (text-like runs and random bytes), so that nothing is sparse or trivially alike.
void MakeData(const std::string& path)
{
    if (SizeOf(path) == kFileSize)
        return;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        std::exit(2);
    }
    std::mt19937_64 rng(2024);
    std::vector<unsigned char> block(1 << 20);
    for (qint64 written = 0; written < kFileSize; written += qint64(block.size())) {
        for (size_t i = 0; i < block.size(); i += 8) {
            const quint64 v = rng();
            if ((i >> 12) & 1)
                std::memcpy(&block[i], &v, 8);
            else
                for (int k = 0; k < 8; ++k)
                    block[i + size_t(k)] = static_cast<unsigned char>('a' + ((v >> (k * 8)) % 26));
        }
        std::fwrite(block.data(), 1, block.size(), out);
    }
    std::fclose(out);
}

void Ratio(const char* name, double value) { std::printf("RATIO %s %.3f\n", name, value); }

// A copy of from with kDiffBytes bytes changed at scattered places (no two in one 64-byte stretch).
constexpr int kDiffBytes = 1000;
void MakeDiffering(const std::string& from, const std::string& to)
{
    Run({ "cp", from, to });
    const int fd = ::open(to.c_str(), O_RDWR);
    if (fd < 0) {
        std::perror(to.c_str());
        std::exit(2);
    }
    std::mt19937_64 rng(99);
    const qint64 stride = kFileSize / kDiffBytes;
    for (int i = 0; i < kDiffBytes; ++i) {
        const qint64 at = i * stride + qint64(rng() % quint64(stride - 64));
        unsigned char c = 0;
        if (::pread(fd, &c, 1, at) != 1)
            std::exit(2);
        c = static_cast<unsigned char>(c ^ (1 + rng() % 255));
        if (::pwrite(fd, &c, 1, at) != 1)
            std::exit(2);
    }
    ::close(fd);
}

// Two files that differ in kDiffBytes scattered bytes, every difference counted, against cmp -l | wc -l.
void MeasureDiff(const std::string& same, const std::string& diff)
{
    std::fprintf(stderr, "%s", Run({ "sh", "-c", "cmp --version | head -1" }).c_str());
    Run({ "cat", same, diff });
    double cmpBest = 1e30;
    std::string counted;
    std::string pipeline = "cmp -l '";
    pipeline += same;
    pipeline += "' '";
    pipeline += diff;
    pipeline += "' | wc -l";
    for (int i = 0; i < kRuns; ++i)
        cmpBest = std::min(cmpBest, Seconds([&] { counted = Run({ "sh", "-c", pipeline }); }));
    qint64 errors = 0;
    const double ours = Warm([&] { errors = CompareOnce({ same, diff }, true); });
    std::fprintf(stderr, "1,000 differences: ours %.3f s (%lld counted), cmp -l | wc -l %.3f s (%s counted)\n", ours,
        static_cast<long long>(errors), cmpBest, std::to_string(std::atoll(counted.c_str())).c_str());
    if (errors != kDiffBytes || std::atoll(counted.c_str()) != kDiffBytes) {
        std::fprintf(stderr, "the counts differ from the %d bytes changed\n", kDiffBytes);
        std::exit(2);
    }
    Ratio("compare_diff_vs_cmp", cmpBest / ours);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--one") == 0) {
        const std::vector<std::string> files(argv + 2, argv + argc);
        const double before = RssMiB();
        const double seconds = Seconds([&] { CompareOnce(files); });
        std::printf("%.6f %.3f\n", seconds, g_peakRss - before);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const char* only = std::getenv("HY_BENCH_ONLY");
    const bool diffOnly = only && std::strcmp(only, "diff") == 0;
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i)
        files.push_back(dir + "/same" + std::to_string(i) + ".bin");
    MakeData(files[0]);
    const std::string differing = dir + "/differing.bin";
    MakeDiffering(files[0], differing);
    MeasureDiff(files[0], differing);
    ::unlink(differing.c_str());
    if (diffOnly)
        return 0;
    for (int i = 1; i < kFiles; ++i) {
        if (SizeOf(files[size_t(i)]) != kFileSize)
            Run({ "cp", files[0], files[size_t(i)] });
    }
    // Every figure is a hot-cache figure.
    for (const std::string& f : files)
        Run({ "cat", f });
    const double mib = double(kFileSize) / (1 << 20);

    const std::vector<std::string> two(files.begin(), files.begin() + 2);
    const double cmp2 = Cmp(two);
    const double warm2 = Warm([&] { CompareOnce(two); });
    const auto [fresh2, rss2] = Fresh(argv[0], two);
    std::fprintf(stderr, "two files: ours %.0f MiB/s warm, %.0f MiB/s fresh; cmp %.0f MiB/s\n", mib / warm2,
        mib / fresh2, mib / cmp2);
    Ratio("compare_vs_cmp", cmp2 / warm2);
    Ratio("compare_vs_cmp_fresh", cmp2 / fresh2);

    std::vector<std::string> pairs;
    for (int i = 1; i < kFiles; ++i) {
        pairs.push_back(files[0]);
        pairs.push_back(files[size_t(i)]);
    }
    const double cmp5 = Cmp(pairs);
    const double warm5 = Warm([&] { CompareOnce(files); });
    const auto [fresh5, rss5] = Fresh(argv[0], files);
    std::fprintf(stderr, "five files: ours %.2f s warm, %.2f s fresh; four cmp runs %.2f s\n", warm5, fresh5, cmp5);
    Ratio("compare5_vs_cmp", cmp5 / warm5);
    Ratio("compare5_vs_cmp_fresh", cmp5 / fresh5);
    Ratio("compare5_rss_mib", std::max(rss2, rss5));
    return 0;
}
