// The generated data the viewer's benchmarks share.
#include "ViewerData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::bench {

qint64 FileSizeOf(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? qint64(st.st_size) : -1;
}

void WriteLog(const std::string& path, qint64 size, const std::function<void(std::string&, qint64)>& fill)
{
    std::string block;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (qint64 written = 0; written < size;) {
        block.clear();
        fill(block, written);
        const qint64 take = std::min<qint64>(qint64(block.size()), size - written);
        out.write(block.data(), take);
        written += take;
    }
}

void MakeLog(const std::string& path, qint64 size, bool markers)
{
    if (FileSizeOf(path) == size)
        return;
    static const char* const levels[] = { "INFO", "DEBUG", "WARN", "INFO", "TRACE" };
    static const char* const words[]
        = { "worker", "request", "served", "cache", "queue", "session", "commit", "upload", "token", "backend" };
    std::mt19937 rng(2024);
    auto r = [&](unsigned n) { return unsigned(rng() % n); };
    char line[128];
    int marker = 0;
    WriteLog(path, size, [&](std::string& block, qint64 written) {
        while (block.size() < (1u << 20)) {
            const int n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u:%02u %s %s-%u %s id=%u t=%ums\n",
                1 + r(28), r(24), r(60), r(60), levels[r(5)], words[r(10)], r(64), words[r(10)], r(1000000), r(5000));
            block.append(line, size_t(n));
        }
        if (markers && marker < kMarkers && written >= size / (kMarkers + 1) * (marker + 1)) {
            block.insert(block.find('\n') + 1, "2024-05-17 12:00:00 DEBUG token-64 upload id=1 t=1ms\n");
            ++marker;
        }
    });
}

void MakeLog64(const std::string& path, qint64 size, unsigned seed)
{
    if (FileSizeOf(path) == size)
        return;
    static const char* const levels[] = { "INFO", "DEBUG", "WARN", "INFO", "TRACE" };
    static const char* const words[] = { "worker", "request", "served", "cache", "queue", "session", "commit", "upload",
        "token", "backend", "retry", "flush" };
    std::mt19937 rng(seed);
    auto r = [&](unsigned n) { return unsigned(rng() % n); };
    char line[160];
    WriteLog(path, size, [&](std::string& block, qint64) {
        while (block.size() < (1u << 20)) {
            int n = std::snprintf(line, sizeof line, "2024-05-%02u %02u:%02u:%02u %s %s-%u %s id=%u t=%ums %s %s",
                1 + r(28), r(24), r(60), r(60), levels[r(5)], words[r(12)], r(64), words[r(12)], r(1000000), r(5000),
                words[r(12)], words[r(12)]);
            n = std::min(n, 63);
            std::fill(line + n, line + 63, ' ');
            line[63] = '\n';
            block.append(line, 64);
        }
    });
}

void DropFromCache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fdatasync(fd) != 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
        std::perror("dropping a file from the cache");
        std::exit(2);
    }
    ::close(fd);
}

} // namespace hy::bench
