// Speed of the viewer's file model beside the reference tools, on data generated here: a 1 GiB log of
// ~60-byte lines, a 1 GiB log of French UTF-8 text, a 1 GiB file of JSON without a line end, a 4 GiB sparse
// file and a 1 KiB file; for the log figures a 4 GiB log and a 1 GiB log with error lines, and a followed
// log in a viewer widget painted offscreen. Prints one "RATIO <name> <value>" line per figure.
//
//   hy_viewer_bench <work dir>              generates the data there (kept when present), measures, prints
//                                           (HY_BENCH_ONLY=logs: the log figures alone; also follow,
//                                           filter, rules, encodings)
//   hy_viewer_bench --one <work> <dir> ...  one piece of work in this process; prints its seconds (or MiB)
//
// Every figure is measured twice: in a fresh process (the first run of the work there, as a user meets it
// after starting the program; "_fresh") and warm (the best of a few runs after a first one in the same
// process). The page cache is hot for both. The reference tools start afresh on every run anyway.
#include "BenchTools.h"
#include "FollowingViewer.h"
#include "ViewerData.h"
#include "core/viewer/HvBase.h"
#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvTextLayout.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QByteArray>
#include <QFileSystemWatcher>
#include <QPaintEvent>
#include <QRegion>
#include <QString>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace hy::viewer;
using hy::bench::Clock;
using hy::bench::DropFromCache;
using hy::bench::FileSizeOf;
using hy::bench::kMarkers;
using hy::bench::MakeLog;
using hy::bench::Seconds;
using hy::bench::StatusKiB;

namespace {

constexpr int kRuns = 3;
constexpr int kOpenCycles = 2000;

// Best of a few runs after a first one: the warm figure.
double Warm(const std::function<void()>& work)
{
    work();
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, Seconds(work));
    return best;
}

// Runs a program with its output captured; returns what it printed. env, when given, replaces LC_ALL.
std::string Run(std::vector<std::string> args, const char* locale = nullptr)
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
    std::vector<std::string> envStrings;
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        if (!locale || std::strncmp(*e, "LC_ALL=", 7) != 0)
            envStrings.push_back(*e);
    }
    if (locale)
        envStrings.push_back(std::string("LC_ALL=") + locale);
    for (std::string& e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) {
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) { // grep -c says 1 when it counts nothing
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(2);
    }
    return text;
}

// A reference tool's best time of a few runs; its output must be `expect` (when given).
double Tool(const std::vector<std::string>& args, const std::string& expect = {}, const char* locale = nullptr)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        std::string out;
        best = std::min(best, Seconds([&] { out = Run(args, locale); }));
        if (!expect.empty() && out != expect + "\n") {
            std::fprintf(stderr, "%s printed %s, not %s\n", args[0].c_str(), out.c_str(), expect.c_str());
            std::exit(2);
        }
    }
    return best;
}

std::string g_self;

// A few fresh processes doing one piece of work once each: the best of their figures, or the worst.
double Fresh(const std::vector<std::string>& work, bool worst = false)
{
    double result = worst ? 0 : 1e30;
    for (int i = 0; i < kRuns; ++i) {
        std::vector<std::string> args { g_self, "--one" };
        args.insert(args.end(), work.begin(), work.end());
        const double value = std::strtod(Run(args).c_str(), nullptr);
        result = worst ? std::max(result, value) : std::min(result, value);
    }
    return result;
}

// The log lines of MakeLog, with an error line every few hundred lines: "ERROR <n> ..." that ends in a
// timeout in about half of them, and never more than one ERROR in a line.
void MakeErrorLog(const std::string& path, qint64 size)
{
    if (FileSizeOf(path) == size)
        return;
    static const char* const words[] = { "worker", "request", "served", "cache", "queue", "session", "commit" };
    std::mt19937 rng(1999);
    std::string block;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    qint64 written = 0;
    char line[160];
    while (written < size) {
        block.clear();
        while (block.size() < (1u << 20)) {
            auto r = [&](unsigned n) { return unsigned(rng() % n); };
            int n = 0;
            if (r(300) == 0)
                n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u:%02u ERROR %u %s-%u %s %s\n", 1 + r(28),
                    r(24), r(60), r(60), r(100000), words[r(7)], r(64), words[r(7)], r(2) ? "timeout" : "refused");
            else
                n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u:%02u INFO %s-%u %s id=%u t=%ums\n",
                    1 + r(28), r(24), r(60), r(60), words[r(7)], r(64), words[r(7)], r(1000000), r(5000));
            block.append(line, size_t(n));
        }
        const qint64 take = std::min<qint64>(qint64(block.size()), size - written);
        out.write(block.data(), take);
        written += take;
    }
}

// French log lines in UTF-8 (accents in most lines); "été" only on kMarkers lines, in three case forms.
void MakeFrenchLog(const std::string& path, qint64 size)
{
    if (FileSizeOf(path) == size)
        return;
    // (A hex escape takes every hex digit after it: words are split after their escapes where one follows.)
    static const char* const words[] = { "d\xC3\xA9j\xC3\xA0", "re\xC3\xA7u",
        "t\xC3\xA2"
        "che",
        "\xC3\xA9l\xC3\xA8ve", "fen\xC3\xAAtre", "m\xC3\xA9moire", "acc\xC3\xA8s",
        "donn\xC3\xA9"
        "es",
        "serveur", "requ\xC3\xAAte", "\xC3\xA9tat",
        "ann\xC3\xA9"
        "e" };
    static const char* const marks[] = { "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "\xC3\x89t\xC3\xA9" };
    std::mt19937 rng(1789);
    auto r = [&](unsigned n) { return unsigned(rng() % n); };
    char line[160];
    int marker = 0;
    hy::bench::WriteLog(path, size, [&](std::string& block, qint64 written) {
        while (block.size() < (1u << 20)) {
            const int n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u INFO %s %s %u %s n=%u\n", 1 + r(28),
                r(24), r(60), words[r(12)], words[r(12)], r(100000), words[r(12)], r(5000));
            block.append(line, size_t(n));
        }
        if (marker < kMarkers && written >= size / (kMarkers + 1) * (marker + 1)) {
            block.insert(block.find('\n') + 1, std::string("2024-05-17 12:00 INFO un ") + marks[marker] + " chaud\n");
            ++marker;
        }
    });
}

// Log lines of Japanese words in Shift_JIS (many of whose trail bytes look like ASCII), kMarkers of them holding
// kSjisMarker; no backslash or tilde of its own, which iconv's SHIFT_JIS reads as yen and overline.
const char16_t* const kSjisMarker = u"検索語句";

void MakeShiftJisLog(const std::string& path, qint64 size)
{
    if (FileSizeOf(path) == size)
        return;
    static const char16_t* const words[] = { u"日本語", u"テキスト", u"表示", u"ソース", u"能力", u"接続", u"処理",
        u"完了", u"サーバー", u"要求", u"データ", u"予定" };
    std::vector<QByteArray> encoded;
    for (const char16_t* w : words)
        encoded.push_back(EncodeText(TTextEncoding::ShiftJis, QString::fromUtf16(w)));
    const QByteArray mark = EncodeText(
        TTextEncoding::ShiftJis, QStringLiteral("2024-05-17 12:00 INFO ") + QString::fromUtf16(kSjisMarker));
    std::mt19937 rng(1868);
    std::string block;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    qint64 written = 0;
    int marker = 0;
    char head[64];
    while (written < size) {
        block.clear();
        while (block.size() < (1u << 20)) {
            auto r = [&](unsigned n) { return unsigned(rng() % n); };
            block.append(head,
                size_t(std::snprintf(head, sizeof head, "2024-05-%02u %02u:%02u INFO ", 1 + r(28), r(24), r(60))));
            for (int k = 0; k < 3; ++k) {
                const QByteArray& w = encoded[r(std::size(words))];
                block.append(w.constData(), size_t(w.size()));
                block += k < 2 ? ' ' : '\n';
            }
        }
        if (marker < kMarkers && written >= size / (kMarkers + 1) * (marker + 1)) {
            block.insert(block.find('\n') + 1, mark.toStdString() + "\n");
            ++marker;
        }
        const qint64 take = std::min<qint64>(qint64(block.size()), size - written);
        out.write(block.data(), take);
        written += take;
    }
}

// JSON records without a single line end, with a few accented letters.
void MakeOneLine(const std::string& path, qint64 size)
{
    if (FileSizeOf(path) == size)
        return;
    std::mt19937 rng(42);
    std::string block;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    qint64 written = 0;
    char rec[200];
    while (written < size) {
        block.clear();
        while (block.size() < (1u << 20)) {
            const int n = std::snprintf(rec, sizeof rec,
                "{\"id\":%u,\"user\":\"u%u\",\"city\":\"%s\",\"score\":%u.%02u,\"tags\":[\"a\",\"b%u\"]},",
                unsigned(rng()), unsigned(rng() % 100000),
                rng() % 8 ? "Paris"
                          : "Orl\xC3\xA9"
                            "ans",
                unsigned(rng() % 1000), unsigned(rng() % 100), unsigned(rng() % 10));
            block.append(rec, size_t(n));
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

void OpenModel(THvFileModel& m, const std::string& path)
{
    m.SetFileName(QString::fromStdString(path));
    m.Open();
}

// --- the work measured ---------------------------------------------------------------------------------

// Ctrl+End: the scan to the last line.
void Scan(const std::string& log)
{
    THvFileModel m;
    OpenModel(m, log);
    m.ClampLine(kUndeterminedTotal - 1);
}

// Every match of a text from the top of a freshly opened file, as repeated Find Next does: text search
// ("text", with or without match case), regular expression ("regex") or byte search ("hex"). Returns the
// number of matches.
int FindAll(const std::string& log, const std::string& kind, const std::string& text, bool matchCase)
{
    THvFileModel m;
    if (kind == "sjis")
        m.SetEncoding(TTextEncoding::ShiftJis);
    OpenModel(m, log);
    const QString needle = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const unsigned options = (matchCase ? unsigned(soMatchCase) : 0u) | (kind == "regex" ? unsigned(soRegex) : 0u);
    int hits = 0;
    if (kind == "hex") {
        m.SetInHexMode(true);
        for (auto hit = m.FindBytes(needle, options | soWholeFile, 0); hit;
             hit = m.FindBytes(needle, options, hit->StartLine))
            ++hits;
    } else {
        for (auto hit = m.FindText(needle, options | soWholeFile, 0, 0); hit;
             hit = m.FindText(needle, options, hit->EndLine, hit->EndIndex))
            ++hits;
    }
    return hits;
}

// Open a file, show its first line, close it.
void OpenShow(THvFileModel& m, const std::string& path)
{
    OpenModel(m, path);
    int len = 0;
    m.LineText(0, len);
    m.Close();
}

// After one full scan, the worst time in seconds of 1000 random go-to-lines.
double Goto(const std::string& log)
{
    THvFileModel m;
    OpenModel(m, log);
    const LineNumber last = m.ClampLine(kUndeterminedTotal - 1);
    std::mt19937_64 rng(7);
    double worst = 0;
    for (int i = 0; i < 1000; ++i) {
        const LineNumber line = LineNumber(rng() % uint64_t(last + 1));
        worst = std::max(worst, Seconds([&] {
            int len = 0;
            m.LineText(line, len);
        }));
    }
    return worst;
}

// Resident memory growth in MiB: scroll the 4 GiB file end to end, as text (one line of zeros) and as hex
// rows (screens of 50 rows at 100000 places from top to bottom), and scan the 1 GiB log to its end.
double RssGrowth(const std::string& sparse, const std::string& log)
{
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
    return double(peak - before) / 1024.0;
}

// The layout of a file's lines, read through the model as the viewer reads them.
class ModelSource : public THvTextSource {
public:
    explicit ModelSource(THvFileModel& m)
        : m_model(m)
    {
    }
    qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
    {
        return m_model.ReadLine(line, from, buf, n);
    }
    qint64 SourceKnownSize(LineNumber line) override { return m_model.KnownLineSize(line); }

private:
    THvFileModel& m_model;
};

constexpr int kScreenRows = 50;
constexpr int kScreenColumns = 200;

// A screen as the viewer paints it from a first line and column: the cells of each row. As in the viewer,
// rows below the lines known so far are left for the scan that goes on after the paint.
size_t ShowScreen(THvFileModel& m, THvTextLayout& layout, LineNumber first, qint64 column)
{
    size_t cells = 0;
    for (LineNumber line = first; line < first + kScreenRows && line < m.LineTotal(); ++line) {
        if (m.LineTotal() == kUndeterminedTotal && line > std::max<LineNumber>(m.FarthestLine(), 0))
            break;
        cells += layout.Cells(line, column, column + kScreenColumns).size();
    }
    return cells;
}

// A file without a line end: the first screen once opened, then Ctrl+End (the scan that settles the total,
// the caret to the end of the last line and the screen that shows it). Seconds of each, in first and last.
void LongLine(const std::string& path, double& first, double& last)
{
    THvFileModel m;
    ModelSource source(m);
    THvTextLayout layout(&source);
    first = Seconds([&] {
        OpenModel(m, path);
        layout.SetEncoding(m.EffectiveEncoding());
        if (ShowScreen(m, layout, 0, 0) == 0)
            std::exit(3);
    });
    last = Seconds([&] {
        const LineNumber lastLine = m.ClampLine(kUndeterminedTotal - 1);
        const qint64 end = layout.LineSize(lastLine);
        const qint64 column = layout.ColumnOf(lastLine, end);
        if (ShowScreen(m, layout, std::max<LineNumber>(lastLine - kScreenRows + 1, 0),
                std::max<qint64>(column - kScreenColumns + 1, 0))
            == 0)
            std::exit(3);
    });
}

// Ctrl+End on a file just opened: the last screen found, read and laid out, in seconds. The count that
// goes on behind it is stopped when the model closes.
double EndScreen(const std::string& path, bool cold)
{
    if (cold)
        DropFromCache(path);
    THvFileModel m;
    ModelSource source(m);
    THvTextLayout layout(&source);
    return Seconds([&] {
        OpenModel(m, path);
        layout.SetEncoding(m.EffectiveEncoding());
        if (!m.JumpToEnd())
            std::exit(3);
        const LineNumber last = m.LineTotal() - 1;
        if (ShowScreen(m, layout, std::max<LineNumber>(last - kScreenRows + 1, 0), 0) == 0)
            std::exit(3);
    });
}

// The background count behind Ctrl+End, from the jump until the count is done; checks the total.
double CountSeconds(const std::string& path, LineNumber expectTotal)
{
    THvFileModel m;
    OpenModel(m, path);
    m.SetTailThreshold(1);
    const double seconds = Seconds([&] {
        if (!m.JumpToEnd() || !m.WaitForLineCount())
            std::exit(3);
    });
    m.ApplyLineCount();
    if (m.LineTotal() != expectTotal) {
        std::fprintf(stderr, "counted %lld lines, not %lld\n", (long long)m.LineTotal(), (long long)expectTotal);
        std::exit(2);
    }
    return seconds;
}

double FollowLatency(const std::string& dir);
double FollowPaint(const std::string& dir);

// Auto's guess on the first bytes of a file, as opening it makes it (read once beforehand).
double DetectSeconds(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string sample(kDetectBytes, '\0');
    in.read(sample.data(), std::streamsize(sample.size()));
    sample.resize(size_t(in.gcount()));
    return Seconds([&] {
        if (DetectEncoding(reinterpret_cast<const uint8_t*>(sample.data()), sample.size(), true) == TTextEncoding::Auto)
            std::exit(3);
    });
}

// The child side: one piece of work, once, in this fresh process.
int RunOne(const std::vector<std::string>& a)
{
    double value = 0;
    const std::string& work = a.at(0);
    if (work == "scan") {
        value = Seconds([&] { Scan(a.at(1)); });
    } else if (work == "find") {
        const int expect = std::atoi(a.at(5).c_str());
        int hits = 0;
        value = Seconds([&] { hits = FindAll(a.at(1), a.at(2), a.at(3), a.at(4) == "case"); });
        if (hits != expect) {
            std::fprintf(stderr, "found %d, not %d\n", hits, expect);
            return 2;
        }
    } else if (work == "detect") {
        value = DetectSeconds(a.at(1));
    } else if (work == "detectstarted") {
        // As the program does on its own thread once its window is up, before a file is opened.
        PrepareEncodingGuess();
        value = DetectSeconds(a.at(1));
    } else if (work == "endcold") {
        value = EndScreen(a.at(1), true);
    } else if (work == "follow") {
        value = FollowLatency(a.at(1));
    } else if (work == "followpaint") {
        value = FollowPaint(a.at(1));
    } else if (work == "count") {
        value = CountSeconds(a.at(1), std::atoll(a.at(2).c_str()));
    } else if (work == "open") {
        THvFileModel m;
        value = Seconds([&] { OpenShow(m, a.at(1)); });
    } else if (work == "goto") {
        value = Goto(a.at(1));
    } else if (work == "rss") {
        value = RssGrowth(a.at(1), a.at(2));
    } else if (work == "longline") {
        double first = 0;
        double last = 0;
        LongLine(a.at(1), first, last);
        value = std::max(first, last);
    } else if (work == "longline-rss") {
        const qint64 before = StatusKiB("VmRSS:");
        double first = 0;
        double last = 0;
        LongLine(a.at(1), first, last);
        value = double(std::max(StatusKiB("VmHWM:"), StatusKiB("VmRSS:")) - before) / 1024.0;
    } else {
        return 2;
    }
    std::printf("%.9f\n", value);
    return 0;
}

using hy::bench::Ratio;

void Ratio(const std::string& name, double value) { Ratio(name.c_str(), value); }

// Starts another process that appends one line of text to path, as a writer of a log does.
pid_t SpawnAppend(const std::string& text, const std::string& path)
{
    std::vector<std::string> args { "sh", "-c", "printf '%s\\n' \"$1\" >> \"$2\"", "sh", text, path };
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, argv.data(), environ) != 0)
        std::exit(2);
    return pid;
}

// Appends 20 lines one after the other; after starting each writer, waits in the event loop until seen()
// says the line arrived. The slowest, in seconds.
double SlowestAppend(const std::string& path, const std::function<void(const std::string& text)>& expect,
    const std::function<bool()>& seen)
{
    double worst = 0;
    for (int i = 0; i < 20; ++i) {
        const std::string text = "appended line number " + std::to_string(i) + " of the followed log, painted whole";
        expect(text);
        const auto t0 = Clock::now();
        const pid_t pid = SpawnAppend(text, path);
        while (!seen() && std::chrono::duration<double>(Clock::now() - t0).count() < 5)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double latency = std::chrono::duration<double>(Clock::now() - t0).count();
        waitpid(pid, nullptr, 0);
        if (!seen()) {
            std::fprintf(stderr, "follow: the appended line was not seen\n");
            std::exit(2);
        }
        worst = std::max(worst, latency);
    }
    return worst;
}

// Following a log in the model alone: from starting another process that appends a line until the line reads
// through the model, told by the file system watcher as the viewer is. The slowest of a few, in seconds.
double FollowLatency(const std::string& dir)
{
    const std::string path = dir + "/follow.log";
    std::ofstream(path, std::ios::trunc) << "first\n";
    THvFileModel m;
    OpenModel(m, path);
    m.ClampLine(kUndeterminedTotal);
    QFileSystemWatcher watcher;
    watcher.addPath(QString::fromStdString(path));
    std::string expected;
    bool seen = false;
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, [&] {
        const LineNumber line = m.LineTotal() - 1; // the empty line after the last line end
        if (m.FollowFile() == TFollowChange::Grew && m.LineTotal() > line + 1) {
            int len = 0;
            const char* p = m.LineText(line, len);
            seen = std::string(p, size_t(len)) == expected;
        }
    });
    return SlowestAppend(
        path,
        [&](const std::string& text) {
            expected = text;
            seen = false;
        },
        [&] { return seen; });
}

// A file viewer that notes when a given line's text has been painted whole: every cell of it inside the
// area that one paint drew.
class TPaintClock : public THvFileViewer {
public:
    void Expect(LineNumber line, const std::string& text)
    {
        m_line = line;
        m_text = QString::fromStdString(text);
        m_seen = false;
    }
    bool Seen() const { return m_seen; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        m_area = event->region();
        THvFileViewer::paintEvent(event);
    }
    void RowPainted(int row, LineNumber line, const std::vector<TCell>& cells) override
    {
        if (line != m_line || cells.empty())
            return;
        QString text;
        for (const TCell& c : cells)
            text += c.Type == TCell::Glyph ? c.Text : QString(c.Width, QLatin1Char(' '));
        const int left = MarginWidth() + int(cells.front().Column - FirstVisibleColumn()) * CharWidth();
        const QRect drawn(left, row * RowHeight(),
            int(cells.back().Column + cells.back().Width - cells.front().Column) * CharWidth(), RowHeight());
        if (text == m_text && QRegion(drawn).subtracted(m_area).isEmpty())
            m_seen = true;
    }

private:
    LineNumber m_line = -1;
    QString m_text;
    QRegion m_area;
    bool m_seen = false;
};

// Following a log in a viewer widget, painted offscreen: from starting another process that appends a line
// until the viewer has painted that line whole. The slowest of a few, in seconds.
double FollowPaint(const std::string& dir)
{
    const std::string path = dir + "/follow-paint.log";
    std::ofstream(path, std::ios::trunc) << "first\n";
    THvController controller;
    TPaintClock viewer;
    hy::bench::FollowInWindow(viewer, controller, path);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    return SlowestAppend(
        path, [&](const std::string& text) { viewer.Expect(viewer.LineTotal() - 1, text); },
        [&] { return viewer.Seen(); });
}

// Follow: from the write to the line read through the model, and to the line painted whole in a viewer.
int FollowFigures(const std::string& dir)
{
    FollowLatency(dir);
    const double modelWarm = FollowLatency(dir);
    const double modelFresh = Fresh({ "follow", dir }, true);
    std::fprintf(stderr, "follow, the model: the slowest of 20 lines %.1f ms warm, %.1f ms fresh\n", modelWarm * 1e3,
        modelFresh * 1e3);
    Ratio("follow_latency_model_ms", modelWarm * 1e3);
    Ratio("follow_latency_model_ms_fresh", modelFresh * 1e3);
    FollowPaint(dir);
    const double paintWarm = FollowPaint(dir);
    const double paintFresh = Fresh({ "followpaint", dir }, true);
    std::fprintf(stderr, "follow, painted whole: the slowest of 20 lines %.1f ms warm, %.1f ms fresh\n",
        paintWarm * 1e3, paintFresh * 1e3);
    Ratio("follow_paint_ms", paintWarm * 1e3);
    Ratio("follow_paint_ms_fresh", paintFresh * 1e3);
    return 0;
}

// Ctrl+End on a cold 4 GiB log, the background count against wc -l, a regular expression over a 1 GiB log
// against grep -E, and the latency of following a log.
// The find bar's count and the filter pane's scan against grep on a 1 GiB log: filling the pane for a pattern
// on about 1.6% of the lines against grep -n -F, its first screen of rows, the bar's total against grep -c
// with -F and with -E, and the memory the pane's rows take per million matching lines.
std::unique_ptr<THvMatchScan> StartScan(const std::string& path, const TMatchQuery& q, bool lines)
{
    auto fd = std::make_shared<hy::platform::TFileDescriptor>(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    THvMatchScan::Setup s;
    s.Read = [fd](FileOffset offset, uint8_t* buf, size_t n) { return ReadAt(*fd, offset, buf, n); };
    s.Encoding = TTextEncoding::Windows1252;
    s.Queries = { q };
    s.CollectLines = lines;
    return std::make_unique<THvMatchScan>(std::move(s));
}

qint64 ScanToEnd(const std::string& path, const TMatchQuery& q, bool lines)
{
    const std::unique_ptr<THvMatchScan> scan = StartScan(path, q, lines);
    while (!scan->Finished())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return scan->Found();
}

int FilterFigures(const std::string& dir)
{
    const std::string errors = dir + "/errors1g.txt";
    MakeErrorLog(errors, qint64(1) << 30);
    Run({ "cat", errors });
    const std::string word = "-42 ";
    const qint64 lines = std::atoll(Run({ "grep", "-c", "-F", "-e", word, errors }).c_str());
    // Through a pipe: grep stops at the first match when its output is /dev/null.
    const double grepN = Tool({ "sh", "-c", "grep -n -F -- '" + word + "' '" + errors + "' | cat > /dev/null" });
    qint64 listed = 0;
    const double fill = Warm([&] { listed = ScanToEnd(errors, { QString::fromStdString(word), true }, true); });
    if (listed != lines) {
        std::fprintf(stderr, "filter listed %lld lines, not %lld\n", (long long)listed, (long long)lines);
        return 2;
    }
    double first = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        first = std::min(first, Seconds([&] {
            const std::unique_ptr<THvMatchScan> scan = StartScan(errors, { QString::fromStdString(word), true }, true);
            while (scan->LineCount() < 60 && !scan->Finished())
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }));
    }
    std::fprintf(stderr, "filter (%lld lines): ours %.0f MiB/s, grep -n -F %.0f MiB/s; first rows in %.1f ms\n",
        (long long)lines, 1024 / fill, 1024 / grepN, first * 1e3);
    Ratio("filter_vs_grep", grepN / fill);
    Ratio("filter_first_rows_ms", first * 1e3);

    const double grepF = Tool({ "grep", "-c", "-F", "timeout", errors });
    const qint64 timeouts = std::atoll(Run({ "grep", "-c", "-F", "timeout", errors }).c_str());
    qint64 counted = 0;
    const double countF = Warm([&] { counted = ScanToEnd(errors, { QStringLiteral("timeout"), true }, false); });
    if (counted != timeouts) {
        std::fprintf(stderr, "count found %lld, not %lld\n", (long long)counted, (long long)timeouts);
        return 2;
    }
    const std::string pattern = "ERROR [0-9]+ .*timeout";
    const double grepE = Tool({ "grep", "-c", "-E", pattern, errors });
    const double countE = Warm([&] {
        counted = ScanToEnd(errors, { QString::fromStdString(pattern), true, false, true }, false);
    });
    std::fprintf(stderr, "count: -F ours %.0f MiB/s, grep %.0f MiB/s; -E ours %.0f MiB/s, grep %.0f MiB/s\n",
        1024 / countF, 1024 / grepF, 1024 / countE, 1024 / grepE);
    Ratio("count_matches_vs_grep", grepF / countF);
    Ratio("count_matches_vs_grep_regex", grepE / countE);

    // Every INFO line matches: millions of rows.
    const qint64 before = StatusKiB("VmRSS:");
    const std::unique_ptr<THvMatchScan> many = StartScan(errors, { QStringLiteral("INFO"), true }, true);
    while (!many->Finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // What the rows hold while the pane shows them (the process's peak came earlier, from reading the log).
    const double grown = double(StatusKiB("VmRSS:") - before) / 1024.0;
    std::fprintf(stderr, "pane of %lld rows: %.1f MiB\n", (long long)many->LineCount(), grown);
    Ratio("filter_rss_mib_per_million_matches", grown / (double(many->LineCount()) / 1e6));
    return 0;
}

// Find over Shift_JIS text beside iconv and grep, and the cost of Auto's guess per file.
int EncodingFigures(const std::string& dir)
{
    const std::string sjis = dir + "/sjis256m.txt";
    const qint64 size = qint64(256) << 20;
    MakeShiftJisLog(sjis, size);
    Run({ "cat", sjis });
    const std::string word = QString::fromUtf16(kSjisMarker).toStdString();
    const std::string pipeline = "iconv -f SHIFT_JIS -t UTF-8 \"$1\" | grep -c -F \"$2\"";
    const double ref = Tool({ "sh", "-c", pipeline, "sh", sjis, word }, std::to_string(kMarkers));
    int hits = -1;
    const double warm = Warm([&] { hits = FindAll(sjis, "sjis", word, true); });
    if (hits != kMarkers) {
        std::fprintf(stderr, "sjis find: found %d, not %d\n", hits, kMarkers);
        return 2;
    }
    const double fresh = Fresh({ "find", sjis, "sjis", word, "case", std::to_string(kMarkers) });
    std::fprintf(stderr, "sjis find: ours %.0f MiB/s warm, %.0f MiB/s fresh; iconv | grep -c -F %.0f MiB/s\n",
        256 / warm, 256 / fresh, 256 / ref);
    Ratio("sjis_find_vs_iconv_grep", ref / warm);
    Ratio("sjis_find_vs_iconv_grep_fresh", ref / fresh);

    // Samples of 64 KiB in the code pages the guess tells apart, and Western text it leaves as it is.
    struct Sample {
        const char* name;
        TTextEncoding enc;
        const char16_t* words;
    };
    const Sample samples[] = {
        { "koi8r", TTextEncoding::Koi8R, u"Съешь же ещё этих мягких французских булок да выпей чаю" },
        { "cp1251", TTextEncoding::Windows1251, u"Съешь же ещё этих мягких французских булок да выпей чаю" },
        { "gbk", TTextEncoding::Gbk, u"中文 文本 数据库 这是 一个 简单 的 测试 我们 可以 看到 内容" },
        { "big5", TTextEncoding::Big5, u"資料庫 繁體中文 這是 一個 簡單 的 測試 我們 可以 看到 內容" },
        { "euckr", TTextEncoding::EucKr, u"한국어 텍스트 데이터 베이스 이것은 간단한 시험 입니다" },
        { "eucjp", TTextEncoding::EucJp, u"日本語の テキストを 表示する ソース 能力 これは 新しい 文書" },
        { "cp1252", TTextEncoding::Windows1252, u"Le café est très bon à Noël où l'été dure Größe Straße" },
    };
    double worstWarm = DetectSeconds(sjis);
    double worstFresh = Fresh({ "detect", sjis }, true);
    double worstStarted = Fresh({ "detectstarted", sjis }, true);
    for (const Sample& s : samples) {
        const QStringList words = QString::fromUtf16(s.words).split(QLatin1Char(' '));
        std::mt19937 rng(7);
        QString text;
        while (text.size() < 40000)
            text += words[int(rng() % words.size())] + (rng() % 9 ? QStringLiteral(" ") : QStringLiteral("\n"));
        const std::string path = dir + "/detect-" + s.name + ".txt";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << EncodeText(s.enc, text).toStdString();
        double best = 1e30;
        for (int i = 0; i < 20; ++i)
            best = std::min(best, DetectSeconds(path));
        worstWarm = std::max(worstWarm, best);
        worstFresh = std::max(worstFresh, Fresh({ "detect", path }, true));
        worstStarted = std::max(worstStarted, Fresh({ "detectstarted", path }, true));
    }
    std::fprintf(stderr,
        "detect: worst %.2f ms warm, %.2f ms in a fresh process, %.2f ms in a fresh process after the program's "
        "start-up preparation\n",
        worstWarm * 1e3, worstFresh * 1e3, worstStarted * 1e3);
    Ratio("detect_ms", worstWarm * 1e3);
    Ratio("detect_ms_fresh", worstFresh * 1e3);
    Ratio("detect_ms_fresh_started", worstStarted * 1e3);
    return 0;
}

// Painting a log with colour rules: a 1280 x 900 viewer shown offscreen pages down through the log, each frame
// painted at once (repaint), each page new to the viewer so that no line's marks are kept from before. The mean
// and the slowest frame, in milliseconds.
struct TFrameTimes {
    double Mean = 0;
    double Worst = 0;
};

TFrameTimes PageFrames(const std::string& path, std::vector<THvMarkRule> rules)
{
    THvController controller;
    THvFileViewer viewer;
    viewer.SetController(&controller);
    viewer.resize(1280, 900);
    viewer.SetFileName(QString::fromStdString(path));
    viewer.SetIsOpen(true);
    viewer.SetMarkRules(std::move(rules));
    viewer.show();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    viewer.repaint();
    constexpr int kFrames = 300;
    TFrameTimes times;
    for (int i = 0; i < kFrames; ++i) {
        viewer.ScrollBy(0, viewer.VisibleRows());
        const double s = Seconds([&] { viewer.repaint(); }) * 1e3;
        times.Mean += s / kFrames;
        times.Worst = std::max(times.Worst, s);
    }
    return times;
}

// Ten rules as a log reader sets them: the four levels, two of them whole lines, and six of the user's own, three
// of them regular expressions.
std::vector<THvMarkRule> TenRules()
{
    const auto rule = [](const char* text, bool regex, bool matchCase, QRgb back, bool wholeLine) {
        return THvMarkRule { { QString::fromLatin1(text), matchCase, false, regex }, QColor::fromRgb(back), QColor(),
            wholeLine };
    };
    return { rule("ERROR", false, true, 0xffd0d0, true), rule("WARN", false, true, 0xfff0c0, true),
        rule("INFO", false, true, 0xe0f0ff, false), rule("DEBUG", false, true, 0xe0e0e0, false),
        rule("timeout", false, false, 0xffa0a0, false), rule("refused", false, false, 0xffc080, false),
        rule("session", false, false, 0xc0ffc0, false), rule("id=[0-9]+", true, true, 0xd0d0ff, false),
        rule("t=[0-9]{4}ms", true, true, 0xffd0ff, false),
        rule("(worker|queue)-[0-9]+", true, false, 0xf0f0a0, false) };
}

// Frame time with ten colour rules beside none; the goal is to stay within a frame of a 60 Hz screen.
int RuleFigures(const std::string& dir)
{
    const std::string errors = dir + "/errors1g.txt";
    MakeErrorLog(errors, qint64(1) << 30);
    PageFrames(errors, {});
    const TFrameTimes plain = PageFrames(errors, {});
    const TFrameTimes ruled = PageFrames(errors, TenRules());
    std::fprintf(stderr,
        "a page of a log painted: %.2f ms (slowest %.2f) without rules, %.2f ms (slowest %.2f) with ten\n", plain.Mean,
        plain.Worst, ruled.Mean, ruled.Worst);
    Ratio("rules_frame_ms", ruled.Mean);
    Ratio("rules_frame_worst_ms", ruled.Worst);
    Ratio("rules_frame_over_plain", ruled.Mean / plain.Mean);
    return 0;
}

int LogFigures(const std::string& dir)
{
    const std::string big = dir + "/log4g.txt";
    const std::string errors = dir + "/errors1g.txt";
    MakeLog(big, qint64(4) << 30, false);
    MakeErrorLog(errors, qint64(1) << 30);

    double coldWarm = 1e30;
    EndScreen(big, true);
    for (int i = 0; i < kRuns; ++i)
        coldWarm = std::min(coldWarm, EndScreen(big, true));
    const double coldFresh = Fresh({ "endcold", big }, true);
    std::fprintf(stderr, "end on a cold 4 GiB log: %.1f ms warm, %.1f ms fresh (the slowest)\n", coldWarm * 1e3,
        coldFresh * 1e3);
    Ratio("end_cold_ms", coldWarm * 1e3);
    Ratio("end_cold_ms_fresh", coldFresh * 1e3);

    Run({ "cat", big });
    const std::string wcOut = Run({ "wc", "-l", big });
    const LineNumber total = std::atoll(wcOut.c_str()) + 1; // the file ends with a line end
    const double wc = Tool({ "wc", "-l", big });
    const double countWarm = Warm([&] { CountSeconds(big, total); });
    const double countFresh = Fresh({ "count", big, std::to_string(total) });
    const double gib = 4.0 * 1024;
    std::fprintf(stderr, "count: ours %.0f MiB/s warm, %.0f MiB/s fresh; wc -l %.0f MiB/s\n", gib / countWarm,
        gib / countFresh, gib / wc);
    Ratio("count_vs_wc_model", wc / countWarm);
    Ratio("count_vs_wc_model_fresh", wc / countFresh);

    Run({ "cat", errors });
    const std::string pattern = "ERROR [0-9]+ .*timeout";
    const std::string hits = Run({ "grep", "-c", "-E", pattern, errors });
    const int expect = std::atoi(hits.c_str());
    const double grep = Tool({ "grep", "-c", "-E", pattern, errors }, std::to_string(expect));
    int found = -1;
    const double regexWarm = Warm([&] { found = FindAll(errors, "regex", pattern, true); });
    if (found != expect) {
        std::fprintf(stderr, "regex: found %d, not %d\n", found, expect);
        return 2;
    }
    const double regexFresh = Fresh({ "find", errors, "regex", pattern, "case", std::to_string(expect) });
    std::fprintf(stderr, "regex (%d matches): ours %.0f MiB/s warm, %.0f MiB/s fresh; grep -E %.0f MiB/s\n", expect,
        1024 / regexWarm, 1024 / regexFresh, 1024 / grep);
    Ratio("regex_vs_grep_model", grep / regexWarm);
    Ratio("regex_vs_grep_model_fresh", grep / regexFresh);

    const int rules = RuleFigures(dir);
    return rules != 0 ? rules : FollowFigures(dir);
}

} // namespace

int main(int argc, char** argv)
{
    // The follow figures wait for the file system watcher in the event loop, and one paints a viewer widget.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window of the end-to-end figures reads settings of the benchmark's own (a first start).
    if (argc >= 2 && argv[1][0] != '-')
        qputenv("XDG_CONFIG_HOME", (std::string(argv[1]) + "/config").c_str());
    QApplication app(argc, argv);
    g_self = argv[0];
    if (argc >= 3 && std::strcmp(argv[1], "--one") == 0)
        return RunOne(std::vector<std::string>(argv + 2, argv + argc));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const char* only = std::getenv("HY_BENCH_ONLY");
    if (only && std::strcmp(only, "logs") == 0)
        return LogFigures(dir);
    if (only && std::strcmp(only, "follow") == 0)
        return FollowFigures(dir);
    if (only && std::strcmp(only, "filter") == 0)
        return FilterFigures(dir);
    if (only && std::strcmp(only, "rules") == 0)
        return RuleFigures(dir);
    if (only && std::strcmp(only, "encodings") == 0)
        return EncodingFigures(dir);
    for (const char* group : { "e2e", "count_e2e", "regex_e2e", "all_windows" }) {
        if (only && std::strcmp(only, group) == 0)
            return hy::bench::ViewerAppFigures(dir, only);
    }
    const std::string log = dir + "/log1g-markers.txt";
    const std::string sparse = dir + "/sparse4g.bin";
    const std::string small = dir + "/small1k.txt";
    const std::string french = dir + "/french1g.txt";
    const std::string oneLine = dir + "/oneline1g.json";
    const qint64 logSize = qint64(1) << 30;
    MakeLog(log, logSize, true);
    MakeFrenchLog(french, logSize);
    MakeOneLine(oneLine, logSize);
    MakeSparse(sparse, qint64(4) << 30);
    MakeLog(small, 1024, false);
    const double mib = double(logSize) / (1 << 20);

    // Warm the page cache: every figure is a hot-cache figure.
    Run({ "cat", log });

    const double wc = Tool({ "wc", "-l", log });
    const double scanWarm = Warm([&] { Scan(log); });
    const double scanFresh = Fresh({ "scan", log });
    std::fprintf(stderr, "scan: ours %.0f MiB/s warm, %.0f MiB/s fresh; wc -l %.0f MiB/s\n", mib / scanWarm,
        mib / scanFresh, mib / wc);
    Ratio("scan_vs_wc", wc / scanWarm);
    Ratio("scan_vs_wc_fresh", wc / scanFresh);

    // Searches for texts of common bytes, absent and present a few times, and for one with a byte that never
    // occurs; each figure is the slowest of them beside grep on the same text.
    struct Text {
        const char* label;
        std::string text;
        int hits;
    };
    const std::vector<Text> texts = {
        { "absent, common bytes", "INFO worker-64 ", 0 },
        { "present 3 times, common bytes", "DEBUG token-64 upload", kMarkers },
        { "absent, a byte not in the data", "Connection refused", 0 },
    };
    struct Search {
        const char* figure;
        const char* kind;
        bool matchCase;
        std::vector<std::string> grep;
    };
    const Search searches[] = {
        { "find_vs_grep", "text", true, { "grep", "-c", "-F" } },
        { "find_nocase_vs_grep", "text", false, { "grep", "-c", "-F", "-i" } },
        { "hexfind_vs_grep", "hex", true, { "grep", "-c", "-F", "-a" } },
    };
    for (const Search& s : searches) {
        double worstWarm = 1e30;
        double worstFresh = 1e30;
        for (const Text& t : texts) {
            // Without match case the text is typed in the other case.
            std::string typed = t.text;
            if (!s.matchCase) {
                for (char& c : typed)
                    c = char(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
            }
            std::vector<std::string> grep = s.grep;
            grep.push_back(typed);
            grep.push_back(log);
            const double ref = Tool(grep, std::to_string(t.hits));
            int hits = -1;
            const double warm = Warm([&] { hits = FindAll(log, s.kind, typed, s.matchCase); });
            if (hits != t.hits) {
                std::fprintf(stderr, "%s: found %d, not %d\n", s.figure, hits, t.hits);
                return 2;
            }
            const double fresh
                = Fresh({ "find", log, s.kind, typed, s.matchCase ? "case" : "nocase", std::to_string(t.hits) });
            std::fprintf(stderr, "%s, %s: ours %.0f MiB/s warm, %.0f MiB/s fresh; %s %.0f MiB/s\n", s.figure, t.label,
                mib / warm, mib / fresh, s.grep[0].c_str(), mib / ref);
            worstWarm = std::min(worstWarm, ref / warm);
            worstFresh = std::min(worstFresh, ref / fresh);
        }
        Ratio(s.figure, worstWarm);
        Ratio(std::string(s.figure) + "_fresh", worstFresh);
    }

    // Opening: open, show the first line, close; for a 4 GiB and a 1 KiB file.
    {
        THvFileModel m;
        const double bigWarm = Warm([&] {
            for (int i = 0; i < kOpenCycles; ++i)
                OpenShow(m, sparse);
        });
        const double smallWarm = Warm([&] {
            for (int i = 0; i < kOpenCycles; ++i)
                OpenShow(m, small);
        });
        const double bigFresh = Fresh({ "open", sparse });
        const double smallFresh = Fresh({ "open", small });
        std::fprintf(stderr, "open: 4 GiB %.1f us warm, %.1f us fresh; 1 KiB %.1f us warm, %.1f us fresh\n",
            bigWarm / kOpenCycles * 1e6, bigFresh * 1e6, smallWarm / kOpenCycles * 1e6, smallFresh * 1e6);
        Ratio("open_4g_over_1k", bigWarm / smallWarm);
        Ratio("open_4g_over_1k_fresh", bigFresh / smallFresh);
    }

    // Going to random lines once the whole file was scanned: the worst of 1000.
    Goto(log);
    double gotoWarm = 1e30;
    for (int i = 0; i < kRuns; ++i)
        gotoWarm = std::min(gotoWarm, Goto(log));
    const double gotoFresh = Fresh({ "goto", log });
    std::fprintf(stderr, "goto: worst %.3f ms warm, %.3f ms fresh\n", gotoWarm * 1e3, gotoFresh * 1e3);
    Ratio("goto_ms_after_scan", gotoWarm * 1e3);
    Ratio("goto_ms_after_scan_fresh", gotoFresh * 1e3);

    // Resident memory: measured in a process that does nothing else; the largest of a few.
    const double rss = Fresh({ "rss", sparse, log }, true);
    std::fprintf(stderr, "rss: growth %.1f MiB in a fresh process\n", rss);
    Ratio("rss_growth_mib", rss);

    // A non-ASCII word typed in upper case over UTF-8 text, beside grep in a UTF-8 locale.
    {
        Run({ "cat", french });
        const std::string word = "\xC3\x89T\xC3\x89"; // ÉTÉ
        const double ref = Tool({ "grep", "-c", "-i", "-F", word, french }, std::to_string(kMarkers), "C.UTF-8");
        int hits = -1;
        const double warm = Warm([&] { hits = FindAll(french, "text", word, false); });
        if (hits != kMarkers) {
            std::fprintf(stderr, "utf8_find_nocase_vs_grep: found %d, not %d\n", hits, kMarkers);
            return 2;
        }
        const double fresh = Fresh({ "find", french, "text", word, "nocase", std::to_string(kMarkers) });
        std::fprintf(stderr, "utf8_find_nocase_vs_grep: ours %.0f MiB/s warm, %.0f MiB/s fresh; grep -i %.0f MiB/s\n",
            mib / warm, mib / fresh, mib / ref);
        Ratio("utf8_find_nocase_vs_grep", ref / warm);
        Ratio("utf8_find_nocase_vs_grep_fresh", ref / fresh);
    }

    // A 1 GiB line: its first screen after opening, and its last after Ctrl+End, in ms (the slower of the two).
    {
        Run({ "cat", oneLine });
        double first = 0;
        double last = 0;
        LongLine(oneLine, first, last);
        double firstWarm = 1e30;
        double lastWarm = 1e30;
        for (int i = 0; i < kRuns; ++i) {
            LongLine(oneLine, first, last);
            firstWarm = std::min(firstWarm, first);
            lastWarm = std::min(lastWarm, last);
        }
        const double fresh = Fresh({ "longline", oneLine });
        const double growth = Fresh({ "longline-rss", oneLine }, true);
        std::fprintf(stderr,
            "longline: first screen %.1f ms, last screen %.1f ms warm; the slower %.1f ms fresh; rss growth %.1f MiB\n",
            firstWarm * 1e3, lastWarm * 1e3, fresh * 1e3, growth);
        Ratio("longline_open_ms", std::max(firstWarm, lastWarm) * 1e3);
        Ratio("longline_open_ms_fresh", fresh * 1e3);
        Ratio("longline_rss_mib", growth);
    }
    const int logs = LogFigures(dir);
    const int filter = logs != 0 ? logs : FilterFigures(dir);
    const int encodings = filter != 0 ? filter : EncodingFigures(dir);
    return encodings != 0 ? encodings : hy::bench::ViewerAppFigures(dir, "");
}
