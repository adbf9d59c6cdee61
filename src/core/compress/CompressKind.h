// The kinds of single compressed files the program decodes, told apart by their first bytes.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

namespace hy::compress {

enum class TCompressKind { None, Gzip, Bzip2, Xz, Lzma, Zstd, Lz4, Compress };

// How many leading bytes DetectCompression looks at.
inline constexpr size_t kCompressHeadSize = 16;

// The kind whose magic bytes start head: gzip (1F 8B 08), bzip2 ("BZh1".."BZh9"), xz (FD "7zXZ" 00), the
// older lzma format (a plausible 13-byte header: properties, a usual dictionary size, a size or -1), zstd
// (28 B5 2F FD, or a skippable frame), lz4 frames (04 22 4D 18) and compress (1F 9D, 9 to 16 bits).
TCompressKind DetectCompression(const uint8_t* head, size_t size);
// The same for the first bytes of a file; None also when it cannot be read.
TCompressKind DetectCompressionOfFile(const QString& path);

// The name people know the format by: "gzip", "bzip2", "xz", "lzma", "zstd", "lz4", "compress".
QString CompressKindName(TCompressKind kind);

} // namespace hy::compress
