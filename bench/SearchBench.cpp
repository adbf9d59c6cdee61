// Speed of the disk search beside find, grep and ripgrep, on trees generated here: 200,000 empty files in
// 2,000 folders for a search by name, 2 GiB of log text in 20,000 files for a search by contents, and
// 200,000 files of about 200 bytes of text in 2,000 folders for both, where the cost of each file shows. Every
// search runs through the File Search dialog (offscreen) as a person starts it, up to the results browser
// on screen. Prints one "RATIO <name> <value>" line per figure; details go to standard error.
//
//   hy_search_bench <work dir>                  generates the data there (kept when present), measures, prints
//   hy_search_bench --search <dir> <mask> [text [nocase]]   one search (a fresh process's run)
#include "BenchTools.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/Fsearch.h"
#include "ui/search/Psearch.h"
#include "ui/search/Vsearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
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

namespace {

constexpr int kTopFolders = 20;
constexpr int kFoldersPerTop = 99; // 20 + 20 x 99 = 2,000 folders
constexpr int kFilesPerFolder = 100;
constexpr int kTextFolders = 200;
constexpr int kTextFilesPerFolder = 100; // 20,000 files
constexpr size_t kTextFileBytes = (size_t(2) << 30) / (kTextFolders * kTextFilesPerFolder);
// The text looked for: in one file of fifty, somewhere in its second half.
const char* const kNeedle = "session 7f3a9c expired";
const char* const kNeedleOtherCase = "SESSION 7F3A9C EXPIRED";
// The text looked for in the tree of small files: in one file of fifty.
const char* const kSmallNeedle = "invoice 4471 overdue";

void WriteFile(const std::string& path, const char* data, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror(path.c_str());
            std::exit(2);
        }
        done += size_t(n);
    }
    ::close(fd);
}

// Names as people give them; every fifth file is a .log.
std::string FileName(int n)
{
    static const char* const words[] = { "report", "draft", "photo", "invoice", "notes", "backup", "scan", "letter",
        "summary", "data", "budget", "minutes", "plan", "server", "index", "readme" };
    static const char* const extensions[] = { ".log", ".c", ".jpg", ".pdf", ".txt" };
    char name[96];
    std::snprintf(
        name, sizeof name, "%s_%s-%05d%s", words[n % 16], words[(n / 16 + 7) % 16], n, extensions[(n + n / 5) % 5]);
    return name;
}

void MakeNamesTree(const std::string& root)
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
                WriteFile(folder + "/" + FileName(n++), "", 0);
        }
    }
    WriteFile(done, "", 0);
}

// Log lines of about 60 bytes; a fiftieth of the files hold the text once, past their middle.
void MakeTextTree(const std::string& root)
{
    const std::string done = root + "/.complete";
    if (Exists(done))
        return;
    ::mkdir(root.c_str(), 0755);
    std::string buffer;
    buffer.reserve(kTextFileBytes + 128);
    unsigned seed = 12345;
    int n = 0;
    for (int f = 0; f < kTextFolders; ++f) {
        const std::string folder = root + "/host" + std::to_string(f);
        ::mkdir(folder.c_str(), 0755);
        for (int i = 0; i < kTextFilesPerFolder; ++i, ++n) {
            buffer.clear();
            const bool holds = n % 50 == 7;
            const size_t needleLine = 1000 + size_t(n) % 400;
            size_t line = 0;
            while (buffer.size() < kTextFileBytes) {
                seed = seed * 1103515245u + 12345u;
                char text[128];
                const int len
                    = std::snprintf(text, sizeof text, "2024-03-%02u 12:%02u:%02u INFO worker-%02u request %08x ok\n",
                        (seed >> 8) % 28 + 1, (seed >> 12) % 60, (seed >> 18) % 60, (seed >> 24) % 64, seed);
                buffer.append(text, size_t(len));
                if (holds && ++line == needleLine)
                    buffer += std::string("2024-03-02 13:00:00 WARN ") + kNeedle + "\n";
            }
            WriteFile(folder + "/app" + std::to_string(n) + ".log", buffer.data(), buffer.size());
        }
    }
    WriteFile(done, "", 0);
}

// Small files as people keep them: notes, settings, short logs and mails of two to five lines, about 200
// bytes each, every fifth file a .log; one file in fifty names the overdue invoice.
void MakeSmallTree(const std::string& root)
{
    const std::string done = root + "/.complete";
    if (Exists(done))
        return;
    ::mkdir(root.c_str(), 0755);
    static const char* const lines[] = { "Meeting with the design team moved to Thursday afternoon.\n",
        "server=files.example.org port=8443 timeout=30 retries=3\n",
        "2024-05-14 09:12:44 INFO backup finished, 1832 files copied\n",
        "Please send the signed contract back before the end of the month.\n",
        "TODO: check the printer queue on the second floor again\n",
        "2024-05-14 09:13:02 WARN disk usage at 81 percent on /srv\n",
        "Dear Anna, thank you for the photos from the trip to Porto.\n",
        "color=dark font=Liberation Mono size=11 wrap=true\n" };
    std::string buffer;
    unsigned seed = 4242;
    int n = 0;
    for (int t = 0; t < kTopFolders; ++t) {
        const std::string top = root + "/share" + std::to_string(t);
        ::mkdir(top.c_str(), 0755);
        for (int f = 0; f < kFoldersPerTop + 1; ++f) {
            const std::string folder = f == 0 ? top : top + "/folder" + std::to_string(f);
            ::mkdir(folder.c_str(), 0755);
            for (int i = 0; i < kFilesPerFolder; ++i, ++n) {
                buffer.clear();
                while (buffer.size() < 160) {
                    seed = seed * 1103515245u + 12345u;
                    buffer += lines[(seed >> 16) % 8];
                }
                if (n % 50 == 13)
                    buffer += std::string("Reminder: ") + kSmallNeedle + ", call the customer.\n";
                WriteFile(folder + "/" + FileName(n), buffer.data(), buffer.size());
            }
        }
    }
    WriteFile(done, "", 0);
}

// The longest time in milliseconds the program went without answering while the search ran (its progress
// window up): a timer that asks to run every 5 ms notes the gaps between its runs.
double LongestGapMs(const QWidget* progress, const std::function<void()>& work)
{
    QTimer probe;
    auto last = Clock::now();
    bool running = false;
    double longest = 0;
    QObject::connect(&probe, &QTimer::timeout, [&]() {
        const auto now = Clock::now();
        if (running)
            longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        running = progress->isVisible();
        last = now;
    });
    probe.start(5);
    work();
    return longest;
}

TSearchHooks Hooks()
{
    TSearchHooks hooks;
    hooks.Settings = []() { return TPreviewSettings(); };
    hooks.OpenFile = [](const QString&, int) { return true; };
    return hooks;
}

// One search through the dialog, up to the results on screen; the number of files found.
int Search(TFileSearchDialog& dialog, const QString& dir, const QString& mask, const QString& text, bool matchCase)
{
    dialog.FileName->setText(mask);
    dialog.Location->setText(dir);
    dialog.SearchSubDirs->setChecked(true);
    dialog.SearchString->setText(text);
    dialog.MatchCase->setChecked(matchCase);
    (text.isEmpty() ? dialog.IgnoreContents : dialog.SearchOnContents)->setChecked(true);
    dialog.SearchButtonClick();
    TSearchResultsDialog* results = dialog.Results();
    return results && results->isVisible() ? results->FileList->Count() : 0;
}

int SearchOnce(int argc, char** argv)
{
    QApplication app(argc, argv);
    TFileSearchDialog dialog(Hooks());
    dialog.show();
    const QString text = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    const bool matchCase = !(argc > 5 && std::strcmp(argv[5], "nocase") == 0);
    const int found = Search(dialog, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), text, matchCase);
    delete dialog.Results();
    return found > 0 ? 0 : 1;
}

// The tree of small files: a search by name and one by contents beside find, grep and ripgrep (the last one
// skipped with a message where rg is not installed).
void SmallFiles(TFileSearchDialog& dialog, const std::string& small, const std::string& self)
{
    const QString dir = QString::fromStdString(small);
    RunTool({ "find", small, "-name", "*.log" });
    RunTool({ "grep", "-rlF", kSmallNeedle, small });
    const bool haveRg = RunTool({ "sh", "-c", "command -v rg" }) == 0;
    int found = 0;
    const std::vector<double> byName = Race(5,
        { [&]() { found = Search(dialog, dir, QStringLiteral("*.log"), QString(), false); },
            [&]() {
                RunTool({ "find", small, "-name", "*.log" });
            },
            [&]() {
                RunTool({ self, "--search", small, "*.log" });
            } });
    std::fprintf(stderr, "small files, names: ours %.3f s (%d files), fresh %.3f s, %s %.3f s\n", byName[0], found,
        byName[2], ToolVersion("find").c_str(), byName[1]);
    std::vector<std::function<void()>> works {
        [&]() { found = Search(dialog, dir, QStringLiteral("*.*"), QString::fromLatin1(kSmallNeedle), true); },
        [&]() {
            RunTool({ self, "--search", small, "*.*", kSmallNeedle });
        },
        [&]() {
            RunTool({ "grep", "-rlF", kSmallNeedle, small });
        },
    };
    if (haveRg)
        works.push_back([&]() { RunTool({ "rg", "-l", "-F", kSmallNeedle, small }); });
    const std::vector<double> byText = Race(3, works);
    std::fprintf(stderr, "small files, contents: ours %.3f s (%d files), fresh %.3f s, %s %.3f s\n", byText[0], found,
        byText[1], ToolVersion("grep").c_str(), byText[2]);
    Ratio("names_small_vs_find", byName[1] / byName[0]);
    Ratio("names_small_vs_find_fresh", byName[1] / byName[2]);
    Ratio("contents_small_vs_grep", byText[2] / byText[0]);
    Ratio("contents_small_vs_grep_fresh", byText[2] / byText[1]);
    if (haveRg) {
        std::fprintf(stderr, "small files, contents: %s %.3f s\n", ToolVersion("rg").c_str(), byText[3]);
        Ratio("contents_small_vs_rg", byText[3] / byText[0]);
        Ratio("contents_small_vs_rg_fresh", byText[3] / byText[1]);
    } else {
        std::fprintf(stderr, "contents_small_vs_rg skipped: rg (Debian's ripgrep) is not installed\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 4 && std::strcmp(argv[1], "--search") == 0)
        return SearchOnce(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const std::string names = work + "/names";
    const std::string texts = work + "/texts";
    const std::string small = work + "/small";
    const QByteArray only = qgetenv("HY_BENCH_ONLY");
    std::fprintf(stderr, "generating data in %s ...\n", work.c_str());
    MakeSmallTree(small);

    QApplication app(argc, argv);
    TFileSearchDialog dialog(Hooks());
    dialog.show();
    const std::string self = argv[0];
    SmallFiles(dialog, small, self);
    delete dialog.Results();
    if (only == "small")
        return 0;
    RunTool({ "rm", "-rf", small });
    MakeNamesTree(names);
    MakeTextTree(texts);
    const QString namesDir = QString::fromStdString(names);
    const QString textsDir = QString::fromStdString(texts);

    // Hot caches: each tree is read once before anything is timed.
    RunTool({ "find", names, "-name", "*.log" });
    RunTool({ "grep", "-rlF", kNeedle, texts });

    int found = 0;
    const std::vector<double> byName = Race(5,
        { [&]() { found = Search(dialog, namesDir, QStringLiteral("*.log"), QString(), false); },
            [&]() {
                RunTool({ "find", names, "-name", "*.log" });
            },
            [&]() {
                RunTool({ self, "--search", names, "*.log" });
            } });
    std::fprintf(stderr, "names: ours %.3f s (%d files), fresh %.3f s, %s %.3f s\n", byName[0], found, byName[2],
        ToolVersion("find").c_str(), byName[1]);

    const std::vector<double> byText = Race(3,
        { [&]() { found = Search(dialog, textsDir, QStringLiteral("*.*"), QString::fromLatin1(kNeedle), true); },
            [&]() {
                RunTool({ "grep", "-rlF", kNeedle, texts });
            },
            [&]() {
                RunTool({ self, "--search", texts, "*.*", kNeedle });
            } });
    std::fprintf(stderr, "contents: ours %.3f s (%d files), fresh %.3f s, %s %.3f s\n", byText[0], found, byText[2],
        ToolVersion("grep").c_str(), byText[1]);

    const std::vector<double> byTextNoCase = Race(3,
        { [&]() {
             found = Search(dialog, textsDir, QStringLiteral("*.*"), QString::fromLatin1(kNeedleOtherCase), false);
         },
            [&]() {
                RunTool({ "grep", "-rliF", kNeedleOtherCase, texts });
            },
            [&]() {
                RunTool({ self, "--search", texts, "*.*", kNeedleOtherCase, "nocase" });
            } });
    std::fprintf(stderr, "contents without case: ours %.3f s (%d files), fresh %.3f s, grep %.3f s\n", byTextNoCase[0],
        found, byTextNoCase[2], byTextNoCase[1]);

    // How long a click on Stop may wait: the search answers between files a few times a second and at
    // every folder, and inside a long file every few MiB.
    const QWidget* progress = dialog.ProgressDialog();
    const double gap = std::max(
        LongestGapMs(progress, [&]() { Search(dialog, namesDir, QStringLiteral("*.log"), QString(), false); }),
        LongestGapMs(
            progress, [&]() { Search(dialog, textsDir, QStringLiteral("*.*"), QString::fromLatin1(kNeedle), true); }));
    std::fprintf(stderr, "longest time without answering: %.1f ms\n", gap);

    Ratio("names_vs_find", byName[1] / byName[0]);
    Ratio("names_vs_find_fresh", byName[1] / byName[2]);
    Ratio("contents_vs_grep", byText[1] / byText[0]);
    Ratio("contents_vs_grep_fresh", byText[1] / byText[2]);
    Ratio("contents_nocase_vs_grep", byTextNoCase[1] / byTextNoCase[0]);
    Ratio("contents_nocase_vs_grep_fresh", byTextNoCase[1] / byTextNoCase[2]);
    Ratio("unanswered_ms", gap);
    delete dialog.Results();
    return 0;
}
