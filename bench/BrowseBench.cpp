// The file selector's whole-drive search beside find, on a tree generated here: 200,000 files of about 200
// bytes in 2,000 folders, with a link back to the top that must not be followed. The search runs through the selector
// (offscreen) as a person starts it with "Search Entire Drive". Prints one "RATIO <name> <value>" line per
// figure; details go to standard error.
//
//   hy_browse_bench <work dir>          generates the data there (kept when present), measures, prints
//   hy_browse_bench --search <dir>      one whole-drive search (a fresh process's run)
#include "BenchTools.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/SrchAll.h"
#include "ui/selector/Browse.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace hy;
using namespace hy::bench;
using namespace hy::search;
using namespace hy::selector;

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;
// What each file holds: about 200 bytes of text, as small files of notes and settings do.
const char kText[] = "Meeting with the design team moved to Thursday afternoon.\n"
                     "server=files.example.org port=8443 timeout=30 retries=3\n"
                     "Please send the signed contract back before the end of the month.\n";

void MakeTree(const std::string& root)
{
    const std::string done = root + "/.complete";
    struct stat st { };
    if (::stat(done.c_str(), &st) == 0)
        return;
    ::mkdir(root.c_str(), 0755);
    int n = 0;
    for (int f = 0; f < kFolders; ++f) {
        const std::string folder = root + "/area" + std::to_string(f / 100) + "/project" + std::to_string(f % 100);
        ::mkdir((root + "/area" + std::to_string(f / 100)).c_str(), 0755);
        ::mkdir(folder.c_str(), 0755);
        for (int i = 0; i < kFilesPerFolder; ++i, ++n) {
            const std::string file = folder + "/file" + std::to_string(n) + (n % 5 ? ".txt" : ".log");
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, kText, sizeof kText - 1) != ssize_t(sizeof kText - 1)) {
                std::perror(file.c_str());
                std::exit(2);
            }
            ::close(fd);
        }
    }
    ::symlink(root.c_str(), (root + "/area0/loop").c_str());
    ::close(::open(done.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
}

// A selector over the tree whose drive is the tree itself.
struct TSelector {
    explicit TSelector(const QString& root)
    {
        TBrowserDialog::SetDriveRoots([root]() { return QStringList { root }; });
        dialog.FileList->SetDirectory(root + QStringLiteral("/area0"));
        dialog.show();
    }
    // One whole-drive search; the number of entries listed.
    int Search()
    {
        if (dialog.SearchAll->isChecked())
            dialog.SearchAll->click();
        dialog.SearchAll->click();
        return dialog.FileList->Count();
    }
    TBrowserDialog dialog;
};

// The progress window of the whole-drive search under way, if any.
TFileSearchProgressDialog* WholeDriveProgress()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<TFileSearchProgressDialog*>(w))
            return p;
    }
    return nullptr;
}

int SearchOnce(int argc, char** argv)
{
    QApplication app(argc, argv);
    TSelector selector(QString::fromLocal8Bit(argv[2]));
    return selector.Search() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::strcmp(argv[1], "--search") == 0)
        return SearchOnce(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/drive";
    std::fprintf(stderr, "generating data in %s ...\n", root.c_str());
    MakeTree(root);

    QApplication app(argc, argv);
    const QString rootText = QString::fromStdString(root);
    TSelector selector(rootText);
    const std::string self = argv[0];
    RunTool({ "find", root, "-type", "f" });

    int found = 0;
    const std::vector<double> times = Race(3,
        { [&]() { found = selector.Search(); },
            [&]() {
                RunTool({ "find", root, "-type", "f" });
            },
            [&]() {
                RunTool({ self, "--search", root });
            } });
    std::fprintf(stderr, "whole drive: ours %.3f s (%d entries), fresh %.3f s, %s %.3f s\n", times[0], found, times[2],
        ToolVersion("find").c_str(), times[1]);

    // How long the window goes without answering during a search: a timer asking to run every 5 ms notes the
    // gaps between its runs.
    double gap = 0;
    {
        QTimer probe;
        auto last = Clock::now();
        QObject::connect(&probe, &QTimer::timeout, [&]() {
            const auto now = Clock::now();
            if (WholeDriveProgress())
                gap = std::max(gap, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        probe.start(5);
        selector.Search();
    }

    // From Stop (answered yes) to the end of the walk (the progress window closes), and to the list showing
    // what was found until then; stopped at several moments.
    double stopLatency = 0;
    double listedLatency = 0;
    for (const int afterMs : { 50, 150, 300, 600 }) {
        Clock::time_point stoppedAt;
        Clock::time_point closedAt;
        QTimer::singleShot(afterMs, [&]() {
            if (TFileSearchProgressDialog* p = WholeDriveProgress()) {
                QObject::connect(p, &QObject::destroyed, [&]() { closedAt = Clock::now(); });
                p->SetStopFlag(true);
                stoppedAt = Clock::now();
            }
        });
        selector.Search();
        if (stoppedAt == Clock::time_point())
            continue;
        const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
        stopLatency = std::max(stopLatency, ms(closedAt - stoppedAt));
        listedLatency = std::max(listedLatency, ms(Clock::now() - stoppedAt));
    }
    std::fprintf(stderr,
        "longest time without answering: %.1f ms; after Stop: the walk ends within %.1f ms, the list shows what was "
        "found within %.1f ms\n",
        gap, stopLatency, listedLatency);

    Ratio("whole_drive_vs_find", times[1] / times[0]);
    Ratio("whole_drive_vs_find_fresh", times[1] / times[2]);
    Ratio("unanswered_ms", gap);
    Ratio("stop_ms", stopLatency);
    Ratio("stop_listed_ms", listedLatency);
    return 0;
}
