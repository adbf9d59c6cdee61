// Speed and memory of the file list beside find and ls, on data generated here: a tree of 200,000 files in
// 2,000 folders (every fourth file a .txt) and one folder of 100,000 files. Prints one "RATIO <name> <value>"
// line per figure; details go to standard error.
//
//   hy_filelist_bench <work dir>            generates the data there (kept when present), measures, prints
//   hy_filelist_bench --walk <dir>          one names-only walk for *.txt (a fresh process's run)
//   hy_filelist_bench --list <dir>          one listing with all five detail columns, painted once
//   hy_filelist_bench --rss <dir>           the resident memory a listing of the folder adds, in KiB
#include "BenchTools.h"
#include "ui/filelist/FILELIST.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
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

using namespace hy;
using namespace hy::bench;
using namespace hy::filelist;

namespace {

constexpr int kTopFolders = 20;
constexpr int kFoldersPerTop = 99; // 20 + 20 x 99 = 2,000 folders
constexpr int kFilesPerFolder = 100;
constexpr int kFlatFiles = 100000;

void Touch(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    ::close(fd);
}

// Names as people give them: words, a number, an extension; every fourth file is a .txt.
std::string FileName(int n)
{
    static const char* const words[] = { "report", "draft", "photo", "invoice", "notes", "backup", "scan", "letter",
        "summary", "data", "budget", "minutes", "plan", "log", "index", "readme" };
    static const char* const extensions[] = { ".txt", ".c", ".jpg", ".pdf", ".txt", ".h", ".odt", ".dat" };
    char name[96];
    std::snprintf(
        name, sizeof name, "%s_%s-%05d%s", words[n % 16], words[(n / 16 + 7) % 16], n, extensions[(n + n / 8) % 8]);
    return name;
}

void MakeTree(const std::string& root)
{
    const std::string done = root + "/.complete";
    if (Exists(done))
        return;
    ::mkdir(root.c_str(), 0755);
    int n = 0;
    for (int t = 0; t < kTopFolders; ++t) {
        const std::string top = root + "/area" + std::to_string(t);
        ::mkdir(top.c_str(), 0755);
        for (int f = 0; f < kFoldersPerTop + 1; ++f) {
            const std::string folder = f == 0 ? top : top + "/project" + std::to_string(f);
            ::mkdir(folder.c_str(), 0755);
            for (int i = 0; i < kFilesPerFolder; ++i)
                Touch(folder + "/" + FileName(n++));
        }
    }
    Touch(done);
}

void MakeFlat(const std::string& root)
{
    const std::string done = root + "/.complete";
    if (Exists(done))
        return;
    ::mkdir(root.c_str(), 0755);
    for (int i = 0; i < kFlatFiles; ++i)
        Touch(root + "/" + FileName(i));
    Touch(done);
}

// The results list of a disk search: names only, full paths.
int Walk(const QString& dir)
{
    TFileList list;
    list.resize(600, 400);
    list.SetListDetails({ ldFiles });
    list.SetFileMask(QStringLiteral("*.txt"));
    list.SetSearchMode(smSubDirectories);
    list.SetDirectory(dir);
    return list.Count();
}

// A folder shown with all five detail columns in a window, painted once.
int List(TFileList& list, const QString& dir)
{
    list.SetDirectory(dir);
    list.viewport()->grab();
    return list.Count();
}

void PrepareList(TFileList& list)
{
    list.resize(640, 480);
    list.SetFileDetails({ fdName, fdSize, fdDate, fdTime, fdAttr });
    list.show();
    QCoreApplication::processEvents();
}

int Child(const char* mode, const char* dir)
{
    const QString folder = QString::fromLocal8Bit(dir);
    if (std::string(mode) == "--walk")
        return Walk(folder) > 0 ? 0 : 1;
    TFileList list;
    PrepareList(list);
    if (std::string(mode) == "--list")
        return List(list, folder) > 0 ? 0 : 1;
    // --rss: what a listing adds, at its peak, to a process that has its window up already.
    std::ofstream("/proc/self/clear_refs") << "5";
    const qint64 before = StatusKiB("VmRSS:");
    List(list, folder);
    const qint64 after = StatusKiB("VmRSS:");
    const qint64 peak = std::max(StatusKiB("VmHWM:"), after);
    std::printf(
        "%lld %lld %d\n", static_cast<long long>(peak - before), static_cast<long long>(after - before), list.Count());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3)
        return Child(argv[1], argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const std::string tree = work + "/tree";
    const std::string flat = work + "/flat";
    std::fprintf(stderr, "generating data in %s ...\n", work.c_str());
    ::mkdir(work.c_str(), 0755);
    MakeTree(tree);
    MakeFlat(flat);
    const std::string self = argv[0];

    // Warm the caches: every figure is a hot-cache figure.
    RunTool({ "find", tree, "-name", "*.txt" });
    RunTool({ "ls", "-l", "--time-style=+%s", flat });

    {
        const QString dir = QString::fromStdString(tree);
        int count = 0;
        const std::vector<double> t = Race(7,
            { [&] {
                 RunTool({ "find", tree, "-name", "*.txt" });
             },
                [&] { count = Walk(dir); },
                [&] {
                    RunTool({ self, "--walk", tree });
                } });
        const double find = t[0], ours = t[1], fresh = t[2];
        std::fprintf(stderr, "walk: %d of 200,000 files; ours %.3f s (fresh process %.3f s), find %.3f s\n", count,
            ours, fresh, find);
        Ratio("walk_vs_find", find / ours);
        Ratio("walk_vs_find_fresh", find / fresh);
    }
    {
        const QString dir = QString::fromStdString(flat);
        TFileList list;
        PrepareList(list);
        int count = 0;
        const std::vector<double> t = Race(7,
            { [&] {
                 RunTool({ "ls", "-l", "--time-style=+%s", flat });
             },
                [&] { count = List(list, dir); },
                [&] {
                    RunTool({ self, "--list", flat });
                } });
        const double ls = t[0], ours = t[1], fresh = t[2];
        std::fprintf(
            stderr, "list: %d entries; ours %.3f s (fresh process %.3f s), ls -l %.3f s\n", count, ours, fresh, ls);
        Ratio("list100k_vs_ls", ls / ours);
        Ratio("list100k_vs_ls_fresh", ls / fresh);
    }
    {
        long long peak = 0, kept = 0;
        int count = 0;
        std::sscanf(ToolOutput({ self, "--rss", flat }).c_str(), "%lld %lld %d", &peak, &kept, &count);
        std::fprintf(stderr, "rss: listing %d entries adds %.1f MiB at its peak, %.1f MiB kept\n", count,
            double(peak) / 1024.0, double(kept) / 1024.0);
        Ratio("rss_mib_per_100k", double(peak) / 1024.0 * 100000.0 / std::max(1, count));
    }
    return 0;
}
