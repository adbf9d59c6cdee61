// Compressed logs and archives beside the tools people use on them: a gzip log of HY_BENCH_GZ_MIB MiB
// (1024 by default) decompressed, shown by the file model against gzip -dc | wc -l and zgrep, and a .tar.gz
// of 20,000 members listed and extracted by the archive reader against tar. One "RATIO <name> <value>" line
// per figure; details go to standard error.
#include "BenchTools.h"

#include "core/archive/ArchiveReader.h"
#include "core/viewer/HvFileModel.h"

#include <QCoreApplication>
#include <QString>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace hy;
using namespace hy::bench;

namespace {

// A log of ~60-byte lines, with a rare text on a few of them.
void WriteLog(const std::string& path, qint64 bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::exit(2);
    static const char* const levels[] = { "INFO ", "DEBUG", "WARN ", "ERROR" };
    qint64 written = 0;
    char line[160];
    for (qint64 i = 0; written < bytes; ++i) {
        const bool rare = i % 4000003 == 2000000;
        const int n = std::snprintf(line, sizeof line, "2024-05-%02d %02d:%02d:%02d %s worker-%lld %s #%lld\n",
            int(1 + i % 28), int(i / 3600 % 24), int(i / 60 % 60), int(i % 60), levels[i % 4], (long long)(i % 64),
            rare ? "zebra-quokka" : "request served", (long long)i);
        std::fwrite(line, 1, size_t(n), f);
        written += n;
    }
    std::fclose(f);
}

double Ms(double seconds) { return seconds * 1000.0; }

// The gzip log: Ctrl+End and Find against gzip -dc | wc -l and zgrep, the first screen, a jump back, memory.
void MeasureLog(const std::string& dir, qint64 logBytes)
{
    const std::string log = dir + "/app.log";
    WriteLog(log, logBytes);
    if (RunTool({ "gzip", log }) != 0)
        std::exit(2);
    const std::string gz = log + ".gz";
    const QString gzName = QString::fromStdString(gz);

    viewer::LineNumber total = 0;
    const std::vector<double> end = Race(2,
        { [&]() {
             viewer::THvFileModel m;
             m.SetDecodeCompressed(true);
             m.SetFileName(gzName);
             m.Open();
             m.JumpToEnd();
             total = m.LineTotal();
         },
            [&]() {
                RunTool({ "sh", "-c", "gzip -dc '" + gz + "' | wc -l" });
            } });
    std::fprintf(
        stderr, "gzip log: %lld lines; Ctrl+End %.2f s, gzip -dc | wc -l %.2f s\n", (long long)total, end[0], end[1]);
    Ratio("gz_end_vs_zcat_wc", end[1] / end[0]);

    int hits = 0;
    const std::vector<double> find = Race(2,
        { [&]() {
             viewer::THvFileModel m;
             m.SetDecodeCompressed(true);
             m.SetFileName(gzName);
             m.Open();
             hits = 0;
             viewer::LineNumber line = 0;
             qint64 index = 0;
             unsigned options = viewer::soWholeFile | viewer::soMatchCase;
             while (const auto hit = m.FindText(QStringLiteral("zebra-quokka"), options, line, index)) {
                 ++hits;
                 line = hit->EndLine;
                 index = hit->EndIndex;
                 options = viewer::soMatchCase;
             }
         },
            [&]() {
                RunTool({ "zgrep", "-c", "-F", "zebra-quokka", gz });
            } });
    std::fprintf(stderr, "find: %d hits in %.2f s, zgrep -c -F %.2f s\n", hits, find[0], find[1]);
    Ratio("gz_find_vs_zgrep", find[1] / find[0]);

    double firstScreen = 1e30;
    double backJump = 1e30;
    for (int run = 0; run < 3; ++run) {
        viewer::THvFileModel m;
        m.SetDecodeCompressed(true);
        m.SetFileName(gzName);
        firstScreen = std::min(firstScreen, Seconds([&]() {
            m.Open();
            for (viewer::LineNumber line = 0; line < 50; ++line) {
                int len = 0;
                m.LineText(line, len);
            }
        }));
        m.JumpToEnd();
        const viewer::LineNumber middle = m.LineTotal() / 2;
        backJump = std::min(backJump, Seconds([&]() {
            for (viewer::LineNumber line = middle; line < middle + 50; ++line) {
                int len = 0;
                m.LineText(line, len);
            }
        }));
    }
    // The most this process held at once over the log's figures: models opened, counted to the end, searched.
    const double peakMiB = double(StatusKiB("VmHWM:")) / 1024.0;
    std::fprintf(stderr, "first screen %.1f ms, back to the middle %.1f ms; peak resident memory %.0f MiB\n",
        Ms(firstScreen), Ms(backJump), peakMiB);
    Ratio("gz_first_screen_ms", Ms(firstScreen));
    Ratio("gz_back_jump_ms", Ms(backJump));
    Ratio("gz_peak_rss_mib", peakMiB);
    ::unlink(gz.c_str());
}

// A .tar.gz of 20,000 members listed and extracted, against tar.
int MeasureTarGz(const std::string& dir)
{
    // --- a .tar.gz of 20,000 members ----------------------------------------------------------------------
    const std::string tree = dir + "/tree";
    RunTool({ "mkdir", "-p", tree });
    for (int folder = 0; folder < 100; ++folder) {
        const std::string sub = tree + "/d" + std::to_string(folder);
        RunTool({ "mkdir", "-p", sub });
        for (int i = 0; i < 200; ++i) {
            FILE* f = std::fopen((sub + "/f" + std::to_string(i) + ".txt").c_str(), "wb");
            if (!f)
                return 2;
            std::fprintf(f, "member %d of folder %d\n", i, folder);
            std::fclose(f);
        }
    }
    const std::string targz = dir + "/many.tar.gz";
    RunTool({ "tar", "-czf", targz, "tree" }, dir);
    RunTool({ "rm", "-rf", tree });
    size_t listed = 0;
    const std::vector<double> list = Race(3,
        { [&]() {
             archive::TArchiveReader reader(QString::fromStdString(targz));
             reader.List();
             listed = reader.Members().size();
         },
            [&]() {
                RunTool({ "tar", "-tzf", targz });
            } });
    std::fprintf(stderr, "list: %zu members in %.3f s, tar -tzf %.3f s\n", listed, list[0], list[1]);
    Ratio("targz_list_vs_tar", list[1] / list[0]);

    // The list is read when the archive opens; Extract To... is one more pass over the archive.
    archive::TArchiveReader reader(QString::fromStdString(targz));
    reader.List();
    std::vector<int> all;
    for (const archive::TArchiveMember& member : reader.Members())
        all.push_back(member.Index);
    // Each round extracts into a new empty folder, made before the clock starts, and nothing is removed until
    // the end: removing a tree of 20,000 files is not part of extracting one, and a file system makes new
    // files slowly for a few seconds after many were removed (ext4 without a journal looks over every inode
    // freed in the last seconds), which would fall on whichever tool came next.
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        RunTool({ "mkdir", "-p", dir + "/ours" + std::to_string(round), dir + "/theirs" + std::to_string(round) });
    }
    ::sleep(6);
    int oursRound = 0;
    int theirsRound = 0;
    const std::vector<double> extract = Race(kRounds,
        { [&]() {
             archive::TExtractOptions options;
             options.Folder = QString::fromStdString(dir + "/ours" + std::to_string(oursRound++));
             std::vector<archive::TExtractResult> results;
             reader.Extract(all, options, results);
         },
            [&]() {
                RunTool({ "tar", "-xzf", targz, "-C", dir + "/theirs" + std::to_string(theirsRound++) });
            } });
    std::fprintf(stderr, "extract: %.3f s, tar -xzf %.3f s\n", extract[0], extract[1]);
    Ratio("targz_extract_vs_tar", extract[1] / extract[0]);
    if (RunTool({ "diff", "-r", dir + "/ours0", dir + "/theirs0" }) != 0)
        std::fprintf(stderr, "the extracted trees differ\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const std::string dir = argv[1];
    const char* mib = std::getenv("HY_BENCH_GZ_MIB");
    const qint64 logBytes = qint64(mib ? std::atoll(mib) : 1024) << 20;

    std::fprintf(stderr, "%s%s%s", ToolOutput({ "sh", "-c", "gzip --version | head -1" }).c_str(),
        ToolOutput({ "sh", "-c", "zgrep --version | head -1" }).c_str(),
        ToolOutput({ "sh", "-c", "tar --version | head -1" }).c_str());
    // HY_BENCH_ONLY=targz measures only the .tar.gz figures.
    const char* only = std::getenv("HY_BENCH_ONLY");
    if (!only || std::strcmp(only, "targz") != 0)
        MeasureLog(dir, logBytes);
    return MeasureTarGz(dir);
}
