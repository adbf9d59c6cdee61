// Speed of the archive list and of extraction beside unzip, on archives made by the real zip tool: one of
// 100,000 small members in 100 folders, and one holding a deflated 1 GiB log. Prints one
// "RATIO <name> <value>" line per figure; details go to standard error.
//
//   hy_archive_bench <work dir>           generates the data there (kept when present), measures, prints
//   hy_archive_bench --list-once <zip>    lists the archive into the list control once (a fresh process)
#include "BenchTools.h"
#include "ui/archive/ZIPLIST.h"

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

// 100 folders of 1,000 files of a line or two each, archived by zip.
void MakeManyZip(const std::string& dir, const std::string& zip)
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
        for (int f = 0; f < 1000; ++f) {
            char name[64];
            std::snprintf(name, sizeof name, "/file_%05d.txt", d * 1000 + f);
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
    static const char* const levels[] = { "INFO", "DEBUG", "WARN", "INFO", "TRACE" };
    static const char* const words[]
        = { "worker", "request", "served", "cache", "queue", "session", "commit", "upload", "token", "backend" };
    std::mt19937 rng(2024);
    std::ofstream out(log, std::ios::binary | std::ios::trunc);
    std::string block;
    char line[128];
    for (qint64 written = 0; written < size;) {
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
    out.close();
    if (RunTool({ "zip", "-q", "-j", zip, log }) != 0) {
        std::fprintf(stderr, "zip failed\n");
        std::exit(2);
    }
    ::unlink(log.c_str());
}

int ListOnce(const char* zip)
{
    TZipList list;
    list.SetTextCase(tcNone);
    list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdDate));
    list.SetFileName(QString::fromLocal8Bit(zip));
    return list.ListCount() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string runtime = std::string(argv[1]) + "/runtime";
        ::mkdir(runtime.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    }
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--list-once")
        return ListOnce(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string many = dir + "/many.zip";
    const std::string big = dir + "/big.zip";
    const qint64 bigSize = qint64(1) << 30;
    std::fprintf(stderr, "making the archives (zip)...\n");
    MakeManyZip(dir, many);
    MakeBigZip(dir, big, bigSize);
    RunTool({ "cat", many, big });

    // Listing 100,000 members into the list control, against unzip -l.
    const double unzipList = Best(3, [&] { RunTool({ "unzip", "-l", many }); });
    qint64 listed = 0;
    const double oursList = Best(3, [&] {
        TZipList list;
        list.SetTextCase(tcNone);
        list.SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdDate));
        list.SetFileName(QString::fromStdString(many));
        listed = list.ListCount();
    });
    const double oursListFresh = Best(3, [&] { RunTool({ argv[0], "--list-once", many }); });
    std::fprintf(stderr, "list %lld members: ours %.3f s (fresh process %.3f s), unzip -l %.3f s\n",
        static_cast<long long>(listed), oursList, oursListFresh, unzipList);
    Ratio("list_vs_unzip", unzipList / oursList);
    Ratio("list_vs_unzip_fresh", unzipList / oursListFresh);

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
    return 0;
}
