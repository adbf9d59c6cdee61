// Speed of the archive list and of extraction beside unzip, zipinfo and 7z, on archives made by the real zip
// tool: one of 100,000 small members in 100 folders, one of 20,000, and one holding a deflated 1 GiB log.
// Prints one "RATIO <name> <value>" line per figure; details and the tools' versions go to standard error.
//
//   hy_archive_bench <work dir> [viewer program]
//                                          generates the data there (kept when present), measures, prints; with
//                                          the viewer and an X server (DISPLAY), also start to the painted list
//   hy_archive_bench --list-once <zip>     lists the archive into the list control once (a fresh process)
#include "BenchTools.h"
#include "ViewerData.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

using namespace hy::archive;
using namespace hy::bench;

namespace {

// 100 folders of perFolder files of a line or two each, archived by zip.
void MakeManyZip(const std::string& dir, const std::string& zip, int perFolder = 1000)
{
    if (Exists(zip))
        return;
    const std::string tree = dir + "/many";
    ::mkdir(tree.c_str(), 0755);
    for (int d = 0; d < 100; ++d) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "/d%03d", d);
        const std::string sub = tree + folder;
        ::mkdir(sub.c_str(), 0755);
        for (int f = 0; f < perFolder; ++f) {
            char name[64];
            std::snprintf(name, sizeof name, "/file_%05d.txt", d * perFolder + f);
            std::ofstream out(sub + name, std::ios::binary);
            out << "member " << d << ' ' << f << " of a large archive\n";
        }
    }
    if (RunTool({ "zip", "-q", "-r", zip, "." }, tree) != 0) {
        std::fprintf(stderr, "zip failed\n");
        std::exit(2);
    }
    RunTool({ "rm", "-rf", tree });
}

// A log of about 60-byte lines, deflated by zip; the log itself is removed once it is archived.
void MakeBigZip(const std::string& dir, const std::string& zip, qint64 size)
{
    if (Exists(zip))
        return;
    const std::string log = dir + "/big.log";
    MakeLog(log, size, false);
    if (RunTool({ "zip", "-q", "-j", zip, log }) != 0) {
        std::fprintf(stderr, "zip failed\n");
        std::exit(2);
    }
    ::unlink(log.c_str());
}

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds from starting the viewer on the archive until its list is painted with the members (the
// viewer reports the moment and ends); negative when it never said.
double StartToList(const std::string& dir, const std::string& viewer, const std::string& zip)
{
    static int run = 0;
    // A run-time folder of its own for each start, so that no start hands its file to another.
    const std::string runtime = dir + "/run" + std::to_string(run++);
    RunTool({ "mkdir", "-m", "700", "-p", runtime });
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const long long start = NowNs();
    const std::string out = ToolOutput({ viewer, zip });
    RunTool({ "rm", "-rf", runtime });
    const size_t at = out.find("first-paint ");
    return at == std::string::npos ? -1 : double(std::atoll(out.c_str() + at + 12) - start) / 1e6;
}

// Start to the painted list of 20,000 members, against zipinfo listing them; the medians of seven, in turn.
void MeasureListEndToEnd(const std::string& dir, const std::string& viewer, const std::string& zip)
{
    std::fprintf(stderr, "%s", ToolOutput({ "sh", "-c", "zipinfo -h 2>&1 | head -1" }).c_str());
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    setenv("HY_REPORT_FIRST_PAINT", "1", 1);
    unsetenv("QT_QPA_PLATFORM");
    if (StartToList(dir, viewer, zip) < 0) {
        std::fprintf(stderr, "the viewer did not report its painted list\n");
        std::exit(1);
    }
    std::vector<double> ours;
    std::vector<double> zipinfo;
    for (int i = 0; i < 7; ++i) {
        zipinfo.push_back(Seconds([&] { RunTool({ "zipinfo", zip }); }) * 1000.0);
        ours.push_back(StartToList(dir, viewer, zip));
    }
    unsetenv("HY_REPORT_FIRST_PAINT");
    const double o = Median(ours);
    const double z = Median(zipinfo);
    std::fprintf(stderr, "20,000 members: start to the painted list %.1f ms, zipinfo %.1f ms\n", o, z);
    Ratio("list20k_e2e_vs_zipinfo", z / o);
}

int ListOnce(const char* zip)
{
    TZipList list;
    list.SetTextCase(tcNone);
    list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdDate));
    list.SetFileName(QString::fromLocal8Bit(zip));
    return list.ListCount() > 0 ? 0 : 1;
}

// Listing 100,000 members into the list control, against unzip -l.
void MeasureList(const char* self, const std::string& many)
{
    const double unzipList = Best(3, [&] { RunTool({ "unzip", "-l", many }); });
    qint64 listed = 0;
    const double oursList = Best(3, [&] {
        TZipList list;
        list.SetTextCase(tcNone);
        list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdDate));
        list.SetFileName(QString::fromStdString(many));
        listed = list.ListCount();
    });
    const double oursListFresh = Best(3, [&] { RunTool({ self, "--list-once", many }); });
    std::fprintf(stderr, "list %lld members: ours %.3f s (fresh process %.3f s), unzip -l %.3f s\n",
        static_cast<long long>(listed), oursList, oursListFresh, unzipList);
    Ratio("list_vs_unzip", unzipList / oursList);
    Ratio("list_vs_unzip_fresh", unzipList / oursListFresh);
}

// Extracting one deflated 1 GiB member into a folder, against unzip -o -q, and through the Archive page's
// Extract To... against 7z x.
int MeasureExtract(const std::string& dir, const std::string& big, qint64 bigSize)
{
    // Extracting one deflated 1 GiB member into a folder, against unzip -o -q.
    const std::string outUnzip = dir + "/out-unzip";
    const std::string outOurs = dir + "/out-ours";
    const double unzipExtract = Best(2, [&] {
        RunTool({ "rm", "-rf", outUnzip });
        RunTool({ "unzip", "-o", "-q", big, "-d", outUnzip });
    });
    RunTool({ "rm", "-rf", outUnzip });
    TZipList list;
    list.SetFileName(QString::fromStdString(big));
    int result = -1;
    const double oursExtract = Best(2, [&] {
        RunTool({ "rm", "-rf", outOurs });
        ::mkdir(outOurs.c_str(), 0755);
        result = list.ExtractMember(0, QString::fromStdString(outOurs + "/big.log"));
    });
    struct stat st { };
    const bool whole = ::stat((outOurs + "/big.log").c_str(), &st) == 0 && st.st_size == bigSize;
    RunTool({ "rm", "-rf", outOurs });
    if (result != 0 || !whole) {
        std::fprintf(stderr, "extraction failed: %d\n", result);
        return 1;
    }
    const double mib = double(bigSize) / (1 << 20);
    std::fprintf(stderr, "extract 1 GiB: ours %.2f s (%.0f MiB/s), unzip %.2f s (%.0f MiB/s)\n", oursExtract,
        mib / oursExtract, unzipExtract, mib / unzipExtract);
    Ratio("extract_vs_unzip", unzipExtract / oursExtract);

    std::fprintf(stderr, "%s", ToolOutput({ "sh", "-c", "7z i | sed -n 2p" }).c_str());
    const std::string out7z = dir + "/out-7z";
    TArchivePage page;
    page.Open(QString::fromStdString(big));
    TArchivePage::THooks hooks;
    hooks.ChooseDirectory = [&](const QString&, QString& folder) {
        folder = QString::fromStdString(outOurs);
        return true;
    };
    page.SetHooks(hooks);
    const std::vector<double> best = Race(2,
        { [&] {
             RunTool({ "rm", "-rf", outOurs });
             ::mkdir(outOurs.c_str(), 0755);
             page.SelectAll();
             page.CopyZipButtonClick();
         },
            [&] {
                RunTool({ "rm", "-rf", out7z });
                RunTool({ "7z", "x", "-y", "-bd", "-o" + out7z, big });
            } });
    const bool pageWhole = ::stat((outOurs + "/big.log").c_str(), &st) == 0 && st.st_size == bigSize;
    const bool sevenWhole = ::stat((out7z + "/big.log").c_str(), &st) == 0 && st.st_size == bigSize;
    const bool same = pageWhole && RunTool({ "cmp", "-s", outOurs + "/big.log", out7z + "/big.log" }) == 0;
    RunTool({ "rm", "-rf", outOurs, out7z });
    if (!same || !sevenWhole) {
        std::fprintf(stderr, "Extract To... wrote other bytes than 7z\n");
        return 1;
    }
    std::fprintf(stderr, "Extract To... 1 GiB: ours %.2f s (%.0f MiB/s), 7z x %.2f s (%.0f MiB/s)\n", best[0],
        mib / best[0], best[1], mib / best[1]);
    Ratio("extract_big_vs_7z", best[1] / best[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && std::string(argv[1]) != "--list-once" && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string runtime = std::string(argv[1]) + "/runtime";
        ::mkdir(runtime.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    }
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--list-once")
        return ListOnce(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir> [viewer program]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string many = dir + "/many.zip";
    const std::string big = dir + "/big.zip";
    const qint64 bigSize = qint64(1) << 30;
    const std::string many20k = dir + "/many20k.zip";
    // HY_BENCH_ONLY=list20k, list or extract measures only those figures (and makes only their archives).
    const char* only = std::getenv("HY_BENCH_ONLY");
    const auto measures = [&](const char* what) { return !only || std::strcmp(only, what) == 0; };
    std::fprintf(stderr, "making the archives (zip)...\n");
    std::fprintf(stderr, "%s", ToolOutput({ "sh", "-c", "unzip -v | head -1" }).c_str());
    if (measures("list20k")) {
        MakeManyZip(dir, many20k, 200);
        RunTool({ "cat", many20k });
        if (argc >= 3 && std::getenv("DISPLAY"))
            MeasureListEndToEnd(dir, argv[2], many20k);
        else
            std::fprintf(stderr, "list20k_e2e_vs_zipinfo needs the viewer program and an X server (DISPLAY)\n");
    }
    if (measures("list")) {
        MakeManyZip(dir, many);
        RunTool({ "cat", many });
        MeasureList(argv[0], many);
    }
    if (!measures("extract"))
        return 0;
    MakeBigZip(dir, big, bigSize);
    RunTool({ "cat", big });
    return MeasureExtract(dir, big, bigSize);
}
