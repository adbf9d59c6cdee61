// What the viewer's benchmarks share: generated logs, dropping a file from the page cache so that the next read
// comes from the disk, and the end-to-end figures in the main window.
#pragma once

#include <QtGlobal>
#include <functional>
#include <string>

namespace hy::bench {

constexpr int kMarkers = 3; // lines of the log that hold the "present" search text

// The size of a file, -1 when there is none.
qint64 FileSizeOf(const std::string& path);
// Writes size bytes of a log made a block at a time: fill appends about 1 MiB of lines to the empty block it is
// given, told how many bytes are written already; the last block is cut to the size.
void WriteLog(const std::string& path, qint64 size, const std::function<void(std::string&, qint64)>& fill);
// Log-like lines of about 60 bytes, ending in LF (kept when the file already has the size). Worker and token
// numbers run from 0 to 63, so a text naming number 64 is made of the commonest bytes and still absent, but
// for kMarkers marker lines ("... DEBUG token-64 upload ...") when markers is set.
void MakeLog(const std::string& path, qint64 size, bool markers);
// Log lines of exactly 64 bytes (LF included) in the same mix, from a seed of their own (logs made from
// different seeds differ); kept when the file already has the size. No line holds "worker-64", "token-64" or
// "ERROR".
void MakeLog64(const std::string& path, qint64 size, unsigned seed);
// Drops this file's pages from the page cache (never the machine's): the next read comes from the disk.
void DropFromCache(const std::string& path);

// The end-to-end figures in the program's main window (ViewerAppBench.cpp), all of them when only is empty or
// "e2e", else one group: "count_e2e", "regex_e2e" or "all_windows". Needs a QApplication.
int ViewerAppFigures(const std::string& dir, const std::string& only);

} // namespace hy::bench
