// The viewer's file model: opening, reading through the page cache, changes on disk, building text lines
// and hex rows, and the model's public calls. Finding text lines is in HvModelLines.cpp, the searches are
// in HvModelSearch.cpp; all three share the model's inside through HvFileModelImpl.h.
//
// Lines end at CR LF, CR alone or LF alone. A CR that is the very last byte of the file ends the last line
// without starting another; any other line end starts a new line, so a file ending in a line break has an
// empty last line. Scans read big blocks with pread into one reusable buffer and count line ends with
// vector code; the page cache serves the bytes of the lines and rows that are shown.
//
// A file may change while it is shown. A read that comes up short makes the model look at the file; when
// its size or time stamp changed, the model drops what it knew and answers from the file as it now is, so
// it never shows a line the file does not hold.
//
// A compressed file may be shown decompressed: the model then reads the bytes a decoded source hands out
// and treats them as a file that grows while the source's thread decodes it.
#include "core/viewer/HvFileModelImpl.h"

#include "base/ErrorCodes.h"
#include "base/HyExceptions.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hy::viewer {

using namespace hy::base;

// True when the stop hook asks to stop; asked once per few MiB of scanned bytes.
bool THvFileModel::Impl::ShouldStop(size_t bytes)
{
    if (!m_stopHook)
        return false;
    m_bytesSincePoll += FileOffset(bytes);
    if (m_bytesSincePoll < kPollBytes)
        return false;
    m_bytesSincePoll = 0;
    if (m_stopHook())
        m_stopped = true;
    return m_stopped;
}

// True when the open file's size or time stamp differs from when it was opened, or (byName) its name
// now stands for another file. A snapshot never changes.
bool THvFileModel::Impl::ChangedOnDisk(bool byName) const
{
    if (!m_open || m_snapshot)
        return false;
    struct stat st { };
    if (::fstat(m_fd.Get(), &st) == 0 && !(StampOf(st) == m_stamp))
        return true;
    if (!byName)
        return false;
    // A name that is gone, or no longer a regular file, leaves the open file as what there is to show.
    if (::stat(platform::EncodeFileName(m_fileName).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return st.st_dev != m_stamp.device || st.st_ino != m_stamp.inode;
}

void THvFileModel::Impl::NoteShortRead()
{
    if (m_watchChanges && ChangedOnDisk(false))
        throw TFileChanged {};
}

size_t THvFileModel::Impl::Read(FileOffset offset, uint8_t* buf, size_t n)
{
    const size_t got = ReadAt(Source(), offset, buf, n);
    m_bytesRead += FileOffset(got);
    if (got < n)
        NoteShortRead();
    return got;
}

void THvFileModel::Impl::CloseFile()
{
    EndTail();
    m_decoded.reset();
    m_fd.Reset();
    m_open = false;
    m_snapshot = false;
    m_fileSize = 0;
    m_bufferedLine = -1;
    m_lineLength = 0;
    m_cache.Clear();
}

// The decoded source of a compressed file, once its first bytes are decoded (or decoding ended); none
// when decoding is off or the file is not compressed. Throws the viewer's I/O errors.
std::shared_ptr<compress::TDecodedSource> THvFileModel::Impl::OpenDecoded(const platform::TFileDescriptor& handle)
{
    if (!m_decode)
        return nullptr;
    uint8_t head[compress::kCompressHeadSize];
    const size_t got = ReadAt(handle, 0, head, sizeof head);
    if (compress::DetectCompression(head, got) == compress::TCompressKind::None)
        return nullptr;
    auto source = std::make_unique<compress::TDecodedSource>(m_fileName);
    if (!source->Open())
        throw EInOutError(QStringLiteral("Viewer: %1").arg(source->Problem().Message), kErrorDiskRead);
    // The first screen's worth, enough to tell the encoding; the rest follows while the file is shown.
    while (!source->WaitForSize(qint64(kDetectBytes), 20) && !source->WaitForEnd(0)) {
        if (m_stopHook && m_stopHook())
            break;
    }
    return source;
}

// Opens FileName read-only and takes its facts; a pseudo file is read into a snapshot, whose handle is
// returned instead, and a compressed file that is to be shown decompressed gets its decoded source.
// Throws the viewer's I/O errors.
platform::TFileDescriptor THvFileModel::Impl::OpenHandle(
    struct stat& st, bool& snapshot, std::shared_ptr<compress::TDecodedSource>& decoded)
{
    const QByteArray path = platform::EncodeFileName(m_fileName);
    // Not blocking: opening a pipe would otherwise wait for a writer.
    platform::TFileDescriptor handle(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!handle.Valid())
        ThrowViewerErrno(path.constData());
    if (::fstat(handle.Get(), &st) != 0)
        ThrowViewerIoError(platform::LastErrorCode());
    if (!S_ISREG(st.st_mode))
        throw EInOutError(QStringLiteral("Viewer: not a regular file"), kErrorAccessDenied);
    snapshot = false;
    if (st.st_size > 0) {
        decoded = OpenDecoded(handle);
        if (decoded)
            return handle;
    }
    // Files of /proc and /sys report sizes that say nothing about their content.
    const bool pseudo = IsOnPseudoFileSystem(handle);
    if (st.st_size == 0 || pseudo) {
        platform::TFileDescriptor memory = SnapshotIntoMemory(handle, kSnapshotLimit);
        // An ordinary file that was empty a moment ago and has been written to since (a log truncated
        // and written again) is no pseudo file: it is read as the growing file it is.
        struct stat now { };
        if (memory.Valid() && !pseudo && ::fstat(handle.Get(), &now) == 0 && now.st_size > 0) {
            memory.Reset();
            st = now;
        }
        if (memory.Valid()) {
            if (::fstat(memory.Get(), &st) != 0)
                ThrowViewerIoError(platform::LastErrorCode());
            snapshot = true;
            return memory;
        }
    }
    return handle;
}

void THvFileModel::Impl::Adopt(platform::TFileDescriptor handle, const struct stat& st, bool snapshot,
    std::shared_ptr<compress::TDecodedSource> decoded)
{
    m_fd = std::move(handle);
    m_decoded = std::move(decoded);
    m_open = true;
    m_snapshot = snapshot;
    m_stamp = StampOf(st);
    m_fileSize = m_decoded ? FileOffset(m_decoded->KnownSize()) : FileOffset(st.st_size);
    m_hexLast = m_fileSize > 0 ? (m_fileSize - 1) / kHexRowBytes : -1;
    m_hexDigits = HexDigitsFor(m_fileSize);
    m_cache.Clear();
    m_bytesRead = 0;
    m_endSample = EndSample(m_fileSize);
    ResolveEncoding();
    ResetText();
}

// Everything known about text lines is dropped: they are found anew in the current encoding.
void THvFileModel::Impl::ResetText()
{
    EndTail();
    m_bufferedLine = -1;
    m_lineLength = 0;
    m_current = TAnchor {};
    m_caret = TAnchor { -1, 0 };
    m_far = TAnchor {};
    m_textLast = TAnchor { -1, 0 };
    m_frontier = TFrontier {};
    m_checkpoints.clear();
    m_checkpoints.push_back(TAnchor {});
    m_checkpointInterval = kFirstCheckpointInterval;
    m_longLines.clear();
}

void THvFileModel::Impl::ResolveEncoding()
{
    m_effective = m_encoding;
    if (m_encoding == TTextEncoding::Auto) {
        const size_t n = size_t(std::min<FileOffset>(m_fileSize, FileOffset(kDetectBytes)));
        uint8_t* p = Buffer(std::max<size_t>(n, 1));
        const size_t got = n > 0 ? ReadAt(Source(), 0, p, n) : 0;
        m_effective = DetectEncoding(p, got, FileOffset(got) < m_fileSize);
    }
    m_ends.unit = UnitSize(m_effective);
    m_ends.big = BigEndianUnits(m_effective);
}

void THvFileModel::Impl::OpenFile()
{
    if (m_fileName.isEmpty())
        return;
    CloseFile();
    Hourglass hourglass(this, true);
    struct stat st { };
    bool snapshot = false;
    std::shared_ptr<compress::TDecodedSource> decoded;
    platform::TFileDescriptor handle = OpenHandle(st, snapshot, decoded);
    Adopt(std::move(handle), st, snapshot, std::move(decoded));
}

// Starts over on the file as it now is: reopened by its name, or, when the name no longer opens, the
// open file as it now is. The presentation and its options stay.
void THvFileModel::Impl::Reload()
{
    struct stat st { };
    bool snapshot = false;
    platform::TFileDescriptor handle;
    std::shared_ptr<compress::TDecodedSource> decoded;
    try {
        handle = OpenHandle(st, snapshot, decoded);
    } catch (const EInOutError&) {
        handle.Reset();
        decoded.reset();
    }
    if (handle.Valid()) {
        m_decoded.reset();
        m_fd.Reset();
    } else if (::fstat(m_fd.Get(), &st) == 0) {
        handle = std::move(m_fd);
        snapshot = m_snapshot;
        decoded = std::move(m_decoded);
    } else {
        CloseFile();
    }
    if (handle.Valid())
        Adopt(std::move(handle), st, snapshot, std::move(decoded));
    if (m_events)
        m_events->ModelFileChanged();
}

// The bytes just before end, as the file holds them now.
QByteArray THvFileModel::Impl::EndSample(FileOffset end) const
{
    constexpr FileOffset kSample = 256;
    const FileOffset from = std::max<FileOffset>(end - kSample, 0);
    QByteArray sample(int(end - from), Qt::Uninitialized);
    sample.truncate(int(ReadAt(Source(), from, sample.data(), size_t(sample.size()))));
    return sample;
}

TFollowChange THvFileModel::Impl::FollowFile()
{
    if (!m_open || m_snapshot)
        return TFollowChange::None;
    if (m_decoded)
        return FollowDecoded();
    struct stat st { };
    const bool named = ::stat(platform::EncodeFileName(m_fileName).constData(), &st) == 0 && S_ISREG(st.st_mode);
    if (named && (st.st_dev != m_stamp.device || st.st_ino != m_stamp.inode)) {
        Reload();
        return TFollowChange::Restarted;
    }
    if (::fstat(m_fd.Get(), &st) != 0)
        return TFollowChange::None;
    const TFileStamp now = StampOf(st);
    if (now == m_stamp)
        return TFollowChange::None;
    // Shrunk, or rewritten in place (also when it was truncated and has grown past its old end since the
    // last look): what was known of it is wrong now.
    if (now.size <= m_fileSize || EndSample(m_fileSize) != m_endSample) {
        Reload();
        return TFollowChange::Restarted;
    }
    m_stamp = now;
    Grow(now.size);
    m_endSample = EndSample(m_fileSize);
    return TFollowChange::Grew;
}

// The look at a compressed file shown decompressed: more decoded bytes, a compressed file that grew (its
// source decodes on), or one that was replaced or rewritten (opened anew).
TFollowChange THvFileModel::Impl::FollowDecoded()
{
    struct stat st { };
    const bool named = ::stat(platform::EncodeFileName(m_fileName).constData(), &st) == 0 && S_ISREG(st.st_mode);
    if ((named && (st.st_dev != m_stamp.device || st.st_ino != m_stamp.inode))
        || m_decoded->CheckFile() == compress::TSourceChange::Restarted) {
        Reload();
        return TFollowChange::Restarted;
    }
    if (::fstat(m_fd.Get(), &st) == 0)
        m_stamp = StampOf(st);
    const FileOffset known = FileOffset(m_decoded->KnownSize());
    if (known <= m_fileSize)
        return TFollowChange::None;
    Grow(known);
    return TFollowChange::Grew;
}

// Waits until the decoding thread is done, polling the stop hook, and takes in all it decoded; false (and
// stopped) when the hook said stop.
bool THvFileModel::Impl::AwaitDecoded()
{
    while (!m_decoded->WaitForEnd(20)) {
        if (m_stopHook && m_stopHook()) {
            m_stopped = true;
            return false;
        }
    }
    const FileOffset known = FileOffset(m_decoded->KnownSize());
    if (known > m_fileSize)
        Grow(known);
    return true;
}

// The file grew to size: its new end is taken, and the new lines after the known last one are counted.
void THvFileModel::Impl::Grow(FileOffset size)
{
    m_fileSize = size;
    m_hexLast = (m_fileSize - 1) / kHexRowBytes;
    m_hexDigits = HexDigitsFor(m_fileSize);
    m_cache.Clear(); // the page that held the old end holds more now
    m_bufferedLine = -1;
    if (m_textLast.line < 0)
        return; // the total was not known: scans go on to the new end when asked
    Walker w(*this, m_textLast, kNever);
    const WalkResult r = WalkForward(w);
    if (!r.eof)
        return; // stopped: the old last line stays the last known
    m_textLast = r.at;
    if (!m_hexMode && m_events)
        m_events->ModelLineTotalFound(m_textLast.line + 1);
}

bool THvFileModel::Impl::CheckFileChanged()
{
    if (!ChangedOnDisk(true))
        return false;
    Reload();
    return true;
}

const char* THvFileModel::Impl::EmptyLine(int& len)
{
    len = 0;
    return "";
}

// The cache entry holding the byte at offset, or -1 beyond what the file delivers.
int THvFileModel::Impl::PageFor(FileOffset offset, bool reuseCurrent)
{
    const qint64 page = offset / kPageSize;
    int entry = m_cache.Current();
    if (!reuseCurrent || entry < 0 || m_cache.PageOf(entry) != page) {
        bool loaded = false;
        entry = m_cache.Fetch(Source(), page, m_fileSize, &loaded);
        if (loaded)
            m_bytesRead += m_cache.ValidOf(entry);
    }
    const FileOffset inPage = offset - page * kPageSize;
    if (m_cache.ValidOf(entry) < std::clamp<FileOffset>(m_fileSize - page * kPageSize, 0, kPageSize))
        NoteShortRead();
    return inPage < m_cache.ValidOf(entry) ? entry : -1;
}

// Copies bytes of the file from offset into buf up to the first line break (at most n bytes, and no
// more than the file holds); returns how many. Small reads go through the page cache.
qint64 THvFileModel::Impl::ReadText(FileOffset offset, uint8_t* buf, qint64 n)
{
    n = std::min<qint64>(n, m_fileSize - offset);
    if (n <= 0)
        return 0;
    const qint64 got = n > qint64(kPageSize) * 2 ? qint64(Read(offset, buf, size_t(n))) : ReadCached(offset, buf, n);
    const uint8_t* stop = m_ends.FindBreak(buf, buf + got);
    // A UTF-16 or UTF-32 text ends on a whole unit unless the file itself ends on part of one.
    qint64 text = stop - buf;
    if (stop == buf + got && m_ends.unit > 1 && got % m_ends.unit != 0 && offset + got < m_fileSize)
        text -= got % m_ends.unit;
    return text;
}

void THvFileModel::Impl::BuildTextLine(FileOffset offset)
{
    uint8_t* out = reinterpret_cast<uint8_t*>(m_lineBuffer);
    const int n = int(ReadText(offset, out, kMaxLineChars));
    for (int i = 0; i < n; ++i) {
        if (out[i] == 0)
            out[i] = ' ';
    }
    m_lineBuffer[n] = 0;
    m_lineLength = n;
}

void THvFileModel::Impl::BuildHexRow(LineNumber row)
{
    static const char kDigits[] = "0123456789ABCDEF";
    const FileOffset offset = row * kHexRowBytes;
    const int digits = m_hexDigits;
    const int bytesColumn = digits + 2;
    const int charColumn = HexCharColumn(digits);
    m_lineLength = HexRowChars(digits);
    std::memset(m_lineBuffer, ' ', size_t(m_lineLength));
    m_lineBuffer[m_lineLength] = 0;
    for (int i = 0; i < digits; ++i)
        m_lineBuffer[digits - 1 - i] = kDigits[(uint64_t(offset) >> (4 * i)) & 15];
    const int entry = PageFor(offset, true);
    if (entry < 0)
        return;
    const size_t inPage = size_t(offset % kPageSize);
    const size_t count = std::min<size_t>(
        { size_t(kHexRowBytes), size_t(m_cache.ValidOf(entry)) - inPage, size_t(m_fileSize - offset) });
    const uint8_t* bytes = m_cache.DataOf(entry) + inPage;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        m_lineBuffer[bytesColumn + 3 * i] = kDigits[b >> 4];
        m_lineBuffer[bytesColumn + 1 + 3 * i] = kDigits[b & 15];
        const bool dot = b == 0 || (b == 9 && m_expandTabs) || (m_filterChars && (b < 32 || b > 127));
        m_lineBuffer[charColumn + i] = dot ? '.' : char(b);
    }
}

const char* THvFileModel::Impl::LineText(LineNumber line, int& len)
{
    m_stopped = false;
    if (!m_open || m_fileSize == 0 || line < 0)
        return EmptyLine(len);
    if (m_hexMode) {
        if (line > m_hexLast)
            return EmptyLine(len);
        if (line != m_bufferedLine) {
            m_bufferedLine = -1;
            BuildHexRow(line);
            m_bufferedLine = line;
        }
    } else {
        if (m_textLast.line >= 0 && line > m_textLast.line)
            return EmptyLine(len);
        if (line != m_bufferedLine) {
            m_bufferedLine = -1;
            const TAnchor at = PositionOn(line);
            if (m_stopped)
                return EmptyLine(len);
            BuildTextLine(at.offset);
            m_bufferedLine = line;
        }
    }
    len = m_lineLength;
    return m_lineBuffer;
}

qint64 THvFileModel::Impl::KnownLineSize(LineNumber line)
{
    if (!m_open || line < 0)
        return -1;
    FileOffset start = -1;
    FileOffset next = -1;
    const TAnchor known[] = { m_current, m_far, m_caret, m_textLast };
    auto look = [&](const TAnchor& a) {
        if (a.line == line)
            start = a.offset;
        else if (a.line == line + 1)
            next = a.offset;
    };
    for (const TAnchor& a : known)
        look(a);
    const auto it = std::lower_bound(
        m_longLines.begin(), m_longLines.end(), line, [](const TAnchor& x, LineNumber l) { return x.line < l; });
    for (auto j = it; j != m_longLines.end() && j->line <= line + 1; ++j)
        look(*j);
    if (start < 0 || (m_tail && line == m_exactTop.line))
        return -1;
    const FileOffset u = m_ends.unit;
    uint8_t tail[8] = {};
    if (line == m_textLast.line) {
        // The last line runs to the end of the file, less a CR that ends it as the file's last unit; half a
        // UTF-16 unit after the last whole one is text of the last line.
        FileOffset end = m_fileSize;
        if (m_fileSize % u == 0 && end - start >= u && ReadCached(end - u, tail, u) == u && m_ends.IsCR(tail))
            end -= u;
        return std::max<FileOffset>(end - start, 0);
    }
    if (next < 0)
        return -1;
    // The line break before the next line: CR LF, CR or LF.
    FileOffset end = next - u;
    if (next - start >= 2 * u && ReadCached(next - 2 * u, tail, 2 * u) == 2 * u && m_ends.IsCR(tail)
        && m_ends.IsLF(tail + u))
        end -= u;
    return std::max<FileOffset>(end - start, 0);
}

// A few bytes through the page cache, which holds them when they were read lately.
qint64 THvFileModel::Impl::ReadCached(FileOffset offset, uint8_t* buf, qint64 n)
{
    n = std::min<qint64>(n, m_fileSize - offset);
    qint64 got = 0;
    m_cache.ForgetCurrent();
    while (got < n) {
        const FileOffset pos = offset + got;
        const int entry = PageFor(pos, true);
        if (entry < 0)
            break;
        const size_t inPage = size_t(pos % kPageSize);
        const size_t avail = std::min(size_t(m_cache.ValidOf(entry)) - inPage, size_t(n - got));
        std::memcpy(buf + got, m_cache.DataOf(entry) + inPage, avail);
        got += qint64(avail);
    }
    return got;
}

// Bytes of a line's text from index from, up to its line end.
qint64 THvFileModel::Impl::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    const FileOffset start = LineStart(line);
    if (start < 0 || n <= 0 || from < 0)
        return 0;
    if (m_textLast.line >= 0 && line > m_textLast.line)
        return 0;
    return ReadText(start + from, buf, n);
}

// The bytes of the file at offset, whatever they are; fewer at its end.
qint64 THvFileModel::Impl::ReadRaw(FileOffset offset, uint8_t* buf, qint64 n)
{
    n = std::min<qint64>(n, m_fileSize - offset);
    if (n <= 0 || offset < 0)
        return 0;
    return qint64(Read(offset, buf, size_t(n)));
}

// The character column of a hex row: the character that starts at each byte, decoded in the current
// encoding; the bytes after a character's first are blank. With the filter, bytes outside 32..127 show
// as "." as they always did.
namespace {
    constexpr FileOffset kHexLeadBytes = 32;
} // namespace

std::vector<TCell> THvFileModel::Impl::HexCharCells(LineNumber row)
{
    std::vector<TCell> cells;
    if (!m_open || row < 0 || row > m_hexLast)
        return cells;
    const FileOffset offset = row * kHexRowBytes;
    const int count = int(std::min<FileOffset>(kHexRowBytes, m_fileSize - offset));
    const int charColumn = HexCharColumn(m_hexDigits);
    // Up to 3 bytes before the row tell whether a character started there (in a multi-byte code page, up to
    // the last byte that only ends a character); 3 after let the last one end.
    const TTextEncoding enc = m_effective;
    const FileOffset lead = std::min<FileOffset>(offset, HasTrailBytes(enc) ? kHexLeadBytes : 4);
    uint8_t buf[kHexRowBytes + kHexLeadBytes + 4] = {};
    const qint64 got = ReadRaw(offset - lead, buf, lead + count + 3);
    const uint8_t* p = buf + lead;
    const qint64 avail = got - lead;
    const int unit = UnitSize(enc);
    // Where the first character of the row starts: a sequence begun before the row covers its first bytes.
    int i = 0;
    if (m_filterChars) {
        // Every byte outside 32..127 is a dot, as it always was: no character spans bytes here.
    } else if (enc == TTextEncoding::Utf8) {
        for (int back = int(lead); back >= 1; --back) {
            const TDecodedChar ch = DecodeChar(enc, p - back, size_t(avail + back));
            if (ch.Valid && ch.Length > back) {
                i = ch.Length - back;
                break;
            }
        }
    } else if (HasTrailBytes(enc)) {
        for (int back = 0; back <= 3 && back <= int(lead); ++back) {
            if (CharStartAt(enc, buf, p - back, buf + got, lead == offset) != TCharStart::Yes)
                continue;
            const TDecodedChar ch = DecodeChar(enc, p - back, size_t(avail + back));
            if (ch.Length > back)
                i = ch.Length - back;
            if (ch.Length > back || back == 0)
                break;
        }
    } else if (unit == 2 && offset >= 2) {
        const TDecodedChar ch = DecodeChar(enc, p - 2, size_t(avail + 2));
        if (ch.Valid && ch.Length == 4)
            i = 2;
    }
    for (int k = 0; k < i && k < count; ++k)
        cells.push_back(HexCell(charColumn + k, TCell::Blank, ' ', QString()));
    while (i < count) {
        const TDecodedChar ch = DecodeChar(enc, p + i, size_t(std::max<qint64>(avail - i, 1)));
        const uint8_t b = p[i];
        if (m_filterChars && (b < 32 || b > 127)) {
            for (int k = 0; k < ch.Length && i + k < count; ++k)
                cells.push_back(HexCell(charColumn + i + k, TCell::Glyph, '.', QStringLiteral(".")));
        } else {
            TCell c;
            if (!ch.Valid)
                c = HexCell(charColumn + i, InvalidCellKind(enc), ch.Code, QString());
            else if (ch.Code == 0 || (ch.Code == '\t' && m_expandTabs))
                c = HexCell(charColumn + i, TCell::Glyph, '.', QStringLiteral("."));
            else if (!IsDrawable(ch.Code))
                c = HexCell(charColumn + i, TCell::Placeholder, ch.Code, QString());
            else if (CharCells(ch.Code) == 0)
                c = HexCell(charColumn + i, TCell::Glyph, ch.Code, QStringLiteral(" ") + CharText(ch.Code));
            else
                c = HexCell(charColumn + i, TCell::Glyph, ch.Code, CharText(ch.Code));
            // A wide character may take the cell of the byte after its first when that byte is its own.
            c.Width = (CharCells(ch.Code) == 2 && ch.Length >= 2 && ch.Valid) ? 2 : 1;
            cells.push_back(c);
            for (int k = 1; k < ch.Length && i + k < count; ++k) {
                if (k == 1 && c.Width == 2)
                    continue;
                cells.push_back(HexCell(charColumn + i + k, TCell::Blank, ' ', QString()));
            }
        }
        i += ch.Length;
    }
    return cells;
}

TCell THvFileModel::Impl::HexCell(int column, TCell::Kind kind, char32_t code, const QString& text)
{
    TCell c;
    c.Column = column;
    c.Index = column;
    c.Length = 1;
    c.Width = 1;
    c.Type = kind;
    c.Code = code;
    c.Text = text;
    return c;
}

void THvFileModel::Impl::SetEncoding(TTextEncoding encoding)
{
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    if (!m_open)
        return;
    const TTextEncoding before = m_effective;
    ResolveEncoding();
    // Lines are the same in every encoding of one-byte units; UTF-16 and UTF-32 find them anew.
    if (UnitSize(before) != UnitSize(m_effective) || m_ends.big != BigEndianUnits(before))
        ResetText();
    m_bufferedLine = -1;
}

// --- THvFileModel ------------------------------------------------------------------------------------

THvFileModel::THvFileModel(THvModelEvents* events)
    : d(std::make_unique<Impl>())
{
    d->m_events = events;
    // Every open reads its first 64 KiB into this buffer to tell the encoding: it is made ready once here.
    std::memset(d->Buffer(kDetectBytes), 0, kDetectBytes);
}

THvFileModel::~THvFileModel() = default;

void THvFileModel::SetEvents(THvModelEvents* events) { d->m_events = events; }

const QString& THvFileModel::FileName() const { return d->m_fileName; }
void THvFileModel::SetFileName(const QString& name) { d->m_fileName = name; }

void THvFileModel::Open()
{
    try {
        d->OpenFile();
    } catch (...) {
        d->CloseFile();
        throw;
    }
}

void THvFileModel::Close() { d->CloseFile(); }
bool THvFileModel::IsOpen() const { return d->m_open; }
FileOffset THvFileModel::FileSize() const { return d->m_fileSize; }
bool THvFileModel::IsSnapshot() const { return d->m_snapshot; }
void THvFileModel::SetDecodeCompressed(bool decode) { d->m_decode = decode; }
bool THvFileModel::DecodeCompressed() const { return d->m_decode; }
const compress::TDecodedSource* THvFileModel::DecodedSource() const { return d->m_decoded.get(); }
bool THvFileModel::DecodedBytesPending() const
{
    return d->m_open && d->m_decoded && (!d->m_decoded->WaitForEnd(0) || d->m_decoded->KnownSize() > d->m_fileSize);
}
bool THvFileModel::CheckFileChanged() { return d->CheckFileChanged(); }

TFollowChange THvFileModel::FollowFile()
{
    return d->Guarded([&] { return d->FollowFile(); });
}

bool THvFileModel::InHexMode() const { return d->m_hexMode; }

void THvFileModel::SetInHexMode(bool hex)
{
    if (hex == d->m_hexMode)
        return;
    d->m_hexMode = hex;
    d->m_bufferedLine = -1;
}

bool THvFileModel::FilterChars() const { return d->m_filterChars; }

void THvFileModel::SetFilterChars(bool filter)
{
    if (filter == d->m_filterChars)
        return;
    d->m_filterChars = filter;
    d->m_bufferedLine = -1; // a cached hex row shows the old character column otherwise
}

bool THvFileModel::ExpandTabs() const { return d->m_expandTabs; }

void THvFileModel::SetExpandTabs(bool expand)
{
    if (expand == d->m_expandTabs)
        return;
    d->m_expandTabs = expand;
    d->m_bufferedLine = -1;
}

int THvFileModel::BufferPageCount() const { return d->m_cache.Count(); }
void THvFileModel::SetBufferPageCount(int count) { d->m_cache.Resize(count); }

int THvFileModel::HexOffsetDigits() const { return d->m_hexDigits; }

LineNumber THvFileModel::LineTotal() const
{
    if (!d->m_open)
        return 0;
    const LineNumber last = d->m_hexMode ? d->m_hexLast : d->m_textLast.line;
    return last >= 0 ? last + 1 : kUndeterminedTotal;
}

LineNumber THvFileModel::ClampLine(LineNumber line)
{
    return d->Guarded([&] { return d->ClampLine(line); });
}

const char* THvFileModel::LineText(LineNumber line, int& len)
{
    return d->Guarded([&] { return d->LineText(line, len); });
}

TTextEncoding THvFileModel::Encoding() const { return d->m_encoding; }
void THvFileModel::SetEncoding(TTextEncoding encoding) { d->SetEncoding(encoding); }
TTextEncoding THvFileModel::EffectiveEncoding() const { return d->m_effective; }

FileOffset THvFileModel::LineStart(LineNumber line)
{
    return d->Guarded([&] { return d->LineStart(line); });
}

qint64 THvFileModel::KnownLineSize(LineNumber line)
{
    return d->Guarded([&] { return d->KnownLineSize(line); });
}

qint64 THvFileModel::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    return d->Guarded([&] { return d->ReadLine(line, from, buf, n); });
}

LineNumber THvFileModel::LineOfOffset(FileOffset offset, FileOffset* start)
{
    const auto a = d->Guarded([&] { return d->LineOfOffset(offset); });
    if (start)
        *start = a.offset;
    return a.line;
}

qint64 THvFileModel::ReadRaw(FileOffset offset, uint8_t* buf, qint64 n)
{
    return d->Guarded([&] { return d->ReadRaw(offset, buf, n); });
}

std::vector<TCell> THvFileModel::HexCharCells(LineNumber row)
{
    return d->Guarded([&] { return d->HexCharCells(row); });
}

bool THvFileModel::JumpToEnd()
{
    return d->Guarded([&] { return d->JumpToEnd(); });
}

bool THvFileModel::CountingLines() const { return d->m_tail; }
LineNumber THvFileModel::ExactLineLimit() const { return d->m_tail ? d->m_exactTop.line : kUndeterminedTotal; }
bool THvFileModel::LineNumberKnown(LineNumber line) const { return !d->Provisional(line); }

double THvFileModel::CountProgress() const
{
    if (!d->m_tail || !d->m_counter)
        return 1.0;
    const FileOffset total = d->m_counter->BytesTotal();
    return total > 0 ? double(d->m_counter->BytesDone()) / double(total) : 1.0;
}

bool THvFileModel::NeedsLineCount() const { return d->m_tail && d->m_needsCount && d->m_stopped; }
bool THvFileModel::WaitForLineCount() { return d->WaitForCount(); }

bool THvFileModel::ApplyLineCount()
{
    return d->Guarded([&] { return d->ApplyCount(); });
}

void THvFileModel::SetCountFinishedHook(std::function<void()> hook) { d->m_countFinished = std::move(hook); }
void THvFileModel::SetTailThreshold(FileOffset bytes) { d->m_tailBytes = std::max<FileOffset>(bytes, 1); }

void THvFileModel::SetStopHook(std::function<bool()> hook) { d->m_stopHook = std::move(hook); }
bool THvFileModel::AskStop()
{
    if (d->m_stopHook && d->m_stopHook())
        d->m_stopped = true;
    return d->m_stopped;
}

void THvFileModel::ShareProbeCounts(bool share)
{
    d->m_shareProbeCounts = share;
    d->m_probeCounts = {};
    d->m_probeCounted = 0;
}
bool THvFileModel::Stopped() const { return d->m_stopped; }
LineNumber THvFileModel::FarthestLine() const { return d->m_far.line; }

std::vector<THvPageInfo> THvFileModel::PageTable() const { return d->m_cache.Table(); }
quint16 THvFileModel::PageUseCounter() const { return d->m_cache.UseCounter(); }
int THvFileModel::CurrentPageEntry() const { return d->m_cache.Current(); }
LineNumber THvFileModel::CheckpointInterval() const { return d->m_checkpointInterval; }
int THvFileModel::CheckpointCount() const { return int(d->m_checkpoints.size()); }
void THvFileModel::SetCheckpointLimit(int entries) { d->m_checkpointLimit = std::max(entries, 2); }
int THvFileModel::LongLineCount() const { return int(d->m_longLines.size()); }
void THvFileModel::SetLongLineLimit(int entries) { d->m_longLineLimit = std::max(entries, 2); }
FileOffset THvFileModel::BytesRead() const { return d->m_bytesRead; }

} // namespace hy::viewer
