// The decoding thread, the restart points and the reads of a decoded source.
#include "core/compress/DecodedSource.h"

#include "common/ErrorText.h"
#include "core/compress/LineEnds.h"
#include "core/compress/StreamDecoder.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformPaths.h"
#include "platform/TempCopies.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace hy::compress {

using namespace hy::common;

namespace {

    using Clock = std::chrono::steady_clock;

    // The thread decodes into a ring of slots; readers close behind it copy from there.
    constexpr size_t kSlotSize = size_t(256) << 10;
    constexpr int kSlots = 8;
    // Reads decode whole blocks and keep the last few.
    constexpr qint64 kBlockSize = qint64(256) << 10;
    constexpr int kBlocks = 32;
    // A member, stream or frame that starts this close to the last restart point adds none.
    constexpr qint64 kMinPointDistance = qint64(1) << 20;
    // How often the change hook hears of more bytes.
    constexpr auto kNewsInterval = std::chrono::milliseconds(50);
    // How long Stop waits for the thread at most (it answers far sooner).
    constexpr auto kStopWait = std::chrono::seconds(2);

    bool ByDecoded(const TRestartPoint& point, qint64 offset) { return point.Decoded < offset; }

} // namespace

struct TDecodedSource::Impl {
    Impl(const QString& fileName, const TSourceOptions& opts)
        : path(fileName)
        , options(opts)
        , span(qMax<qint64>(opts.CheckpointSpan, kBlockSize))
    {
    }

    ~Impl()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            quit = true;
        }
        changed.notify_all();
        if (thread.joinable())
            thread.join();
    }

    bool Open();
    void Run();
    void Publish(TStreamDecoder& decoder, size_t produced, TStreamDecoder::TStatus status, qint64 base,
        std::vector<TLineMark>& newMarks, std::pair<qint64, qint64> newCache);
    std::pair<qint64, qint64> WriteCache(qint64 base, const uint8_t* data, size_t size);
    void AddPoint(TRestartPoint point, TStreamDecoder& decoder);
    void SetProblem(TSourceProblem::TKind kind, const QString& message, qint64 compressed, qint64 decoded);
    // The file grew after decoding stopped at its end: decoding goes on (called with the lock held).
    void Unend()
    {
        ended = false;
        complete = false;
        if (problem.Kind == TSourceProblem::Truncated)
            problem = TSourceProblem();
    }

    qint64 FromRing(qint64 pos, uint8_t* out, qint64 want);
    qint64 FromBlocks(qint64 pos, uint8_t* out, qint64 want);
    qint64 FromCacheFile(qint64 pos, uint8_t* out, qint64 want);
    qint64 FromDecoder(qint64 pos, uint8_t* out, qint64 want);
    TRestartPoint PointBefore(qint64 offset) const;

    // Fixed once open.
    QString path;
    TSourceOptions options;
    TCompressKind kind = TCompressKind::None;
    platform::TFileDescriptor indexFile; // the thread's
    platform::TFileDescriptor readFile; // the readers'
    std::vector<TRestartPoint> xzBlocks;
    qint64 markSpan = 0;

    mutable std::mutex mutex;
    std::condition_variable changed;
    // Guarded by mutex.
    platform::TFileIdentity identity;
    qint64 compressedSize = 0;
    qint64 consumed = 0;
    qint64 known = 0;
    bool complete = false;
    bool ended = false; // the thread waits at the end of the input or after a problem
    bool failed = false; // ... and the problem does not go away when the file grows
    bool stopWanted = false;
    bool idle = false;
    bool quit = false;
    bool grew = false;
    TSourceProblem problem;
    QString note;
    qint64 lineEnds = 0;
    bool afterCR = false;
    std::vector<TLineMark> marks;
    std::vector<TRestartPoint> points;
    qint64 span;
    qint64 windowBytes = 0;
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        qint64 start = 0;
        size_t len = 0;
    };
    Slot ring[kSlots];
    int current = 0;
    std::vector<std::pair<qint64, qint64>> cached; // decoded ranges in the cache file, ascending
    qint64 cacheBytes = 0;
    std::function<void()> hook;

    // The thread's alone.
    platform::TTempCopies cacheCopies; // the cache file's private folder
    QString cachePath;
    platform::TFileDescriptor cacheFile;
    bool cacheFailed = false;
    std::thread thread;

    // Readers, one at a time.
    std::mutex readMutex;
    std::unique_ptr<TStreamDecoder> reader;
    qint64 readerPos = -1;
    struct Block {
        qint64 start = -1;
        qint64 len = 0;
        quint64 used = 0;
        std::unique_ptr<uint8_t[]> data;
    };
    std::vector<Block> blocks;
    quint64 useCounter = 0;
    std::vector<uint8_t> scratch;
    std::atomic<qint64> readerDecoded { 0 };
};

bool TDecodedSource::Impl::Open()
{
    if (const int code = platform::OpenForReading(indexFile, path)) {
        problem = { TSourceProblem::OpenFailed, ErrorText(code), -1, -1 };
        return false;
    }
    readFile.Reset(::fcntl(indexFile.Get(), F_DUPFD_CLOEXEC, 0));
    if (!readFile.Valid()) {
        problem = { TSourceProblem::OpenFailed, ErrorText(platform::ErrorCodeFromErrno(errno)), -1, -1 };
        return false;
    }
    uint8_t head[kCompressHeadSize];
    const qint64 got = platform::ReadFileAt(indexFile, 0, head, sizeof head);
    kind = got > 0 ? DetectCompression(head, size_t(got)) : TCompressKind::None;
    if (kind == TCompressKind::None) {
        problem
            = { TSourceProblem::NotCompressed, QStringLiteral("This is not a compressed file of a known kind."), 0, 0 };
        return false;
    }
    identity = platform::IdentityOf(indexFile);
    compressedSize = identity.Size;
    markSpan = span;
    points.push_back(TRestartPoint());
    if (kind == TCompressKind::Xz) {
        xzBlocks = ReadXzBlocks(indexFile, compressedSize);
        for (const TRestartPoint& block : xzBlocks) {
            if (block.Decoded > 0)
                points.push_back(block);
        }
    }
    marks.push_back(TLineMark());
    for (Slot& slot : ring)
        slot.data.reset(new uint8_t[kSlotSize]);
    thread = std::thread([this]() { Run(); });
    return true;
}

void TDecodedSource::Impl::SetProblem(
    TSourceProblem::TKind problemKind, const QString& message, qint64 compressed, qint64 decoded)
{
    problem.Kind = problemKind;
    problem.Message = message;
    problem.CompressedOffset = compressed;
    problem.DecodedOffset = decoded;
}

void TDecodedSource::Impl::Run()
{
    std::unique_ptr<TStreamDecoder> decoder = MakeStreamDecoder(kind, indexFile);
    decoder->SetCheckpointSpan(kind == TCompressKind::Gzip ? span : 0);
    decoder->SetBlocks(xzBlocks);
    if (!decoder->Start(TRestartPoint())) {
        std::lock_guard<std::mutex> lock(mutex);
        SetProblem(TSourceProblem::Damaged, QStringLiteral("The compressed file cannot be decoded."), 0, 0);
        ended = failed = true;
        changed.notify_all();
        return;
    }
    bool lineAfterCR = false;
    qint64 lineCount = 0;
    qint64 nextMark = markSpan;
    Clock::time_point lastNews;
    bool firstNews = true;
    for (;;) {
        Slot* slot = nullptr;
        qint64 base = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            for (;;) {
                if (quit)
                    return;
                if (ended && grew && !failed)
                    Unend();
                grew = false;
                if (!stopWanted && !ended)
                    break;
                idle = true;
                changed.notify_all();
                changed.wait(lock, [this]() { return quit || grew || (!stopWanted && !ended); });
                idle = false;
            }
            if (ring[current].len == kSlotSize) {
                current = (current + 1) % kSlots;
                ring[current].start = known;
                ring[current].len = 0;
            }
            slot = &ring[current];
            base = known;
        }
        size_t produced = 0;
        const TStreamDecoder::TStatus status
            = decoder->Decode(slot->data.get() + slot->len, kSlotSize - slot->len, produced);

        // Line ends, split where marks fall.
        std::vector<TLineMark> newMarks;
        const uint8_t* data = slot->data.get() + slot->len;
        size_t at = 0;
        while (at < produced) {
            const qint64 offset = base + qint64(at);
            const size_t piece = size_t(qMin<qint64>(qint64(produced - at), nextMark - offset));
            lineCount += qint64(CountLineEnds(data + at, piece, lineAfterCR));
            at += piece;
            if (base + qint64(at) == nextMark) {
                newMarks.push_back({ nextMark, lineCount, lineAfterCR });
                nextMark += markSpan;
            }
        }
        const std::pair<qint64, qint64> newCache = WriteCache(base, data, produced);

        bool news = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            slot->len += produced;
            known += qint64(produced);
            lineEnds = lineCount;
            afterCR = lineAfterCR;
            consumed = decoder->InputOffset();
            marks.insert(marks.end(), newMarks.begin(), newMarks.end());
            if (newCache.second > newCache.first) {
                if (!cached.empty() && cached.back().second == newCache.first)
                    cached.back().second = newCache.second;
                else
                    cached.push_back(newCache);
                cacheBytes += newCache.second - newCache.first;
            }
            TRestartPoint point;
            if (decoder->TakeRestartPoint(point))
                AddPoint(std::move(point), *decoder);
            switch (status) {
            case TStreamDecoder::TStatus::Ok:
                break;
            case TStreamDecoder::TStatus::End:
                complete = true;
                ended = true;
                note = decoder->Note();
                break;
            case TStreamDecoder::TStatus::Truncated:
                ended = true;
                SetProblem(TSourceProblem::Truncated,
                    QStringLiteral("The compressed data ends early, at byte %1 of the file (it was cut short or is "
                                   "still being written); the %2 bytes decoded before it can be read.")
                        .arg(consumed)
                        .arg(known),
                    consumed, known);
                break;
            case TStreamDecoder::TStatus::Failed: {
                ended = failed = true;
                QString what = decoder->Problem();
                if (!what.isEmpty())
                    what[0] = what[0].toUpper();
                SetProblem(TSourceProblem::Damaged,
                    QStringLiteral("%1, at byte %2 of the file; the %3 bytes decoded before it can be read.")
                        .arg(what)
                        .arg(consumed)
                        .arg(known),
                    consumed, known);
                break;
            }
            }
            const Clock::time_point now = Clock::now();
            news = status != TStreamDecoder::TStatus::Ok || firstNews || now - lastNews >= kNewsInterval;
            if (news) {
                lastNews = now;
                firstNews = false;
            }
        }
        changed.notify_all();
        if (news) {
            std::function<void()> call;
            {
                std::lock_guard<std::mutex> lock(mutex);
                call = hook;
            }
            if (call)
                call();
        }
    }
}

// The decoded bytes far enough from a restart point go to the cache file (gzip never needs it).
std::pair<qint64, qint64> TDecodedSource::Impl::WriteCache(qint64 base, const uint8_t* data, size_t size)
{
    if (kind == TCompressKind::Gzip || cacheFailed || size == 0)
        return { 0, 0 };
    qint64 from = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (cacheBytes + qint64(size) > options.CacheLimit)
            return { 0, 0 };
        from = qMax(base, PointBefore(base).Decoded + span);
    }
    const qint64 end = base + qint64(size);
    if (from >= end)
        return { 0, 0 };
    if (!cacheFile.Valid()) {
        int code = 0;
        const QString parent = options.TempFolder.isEmpty() ? platform::TempFolder() : options.TempFolder;
        cachePath = cacheCopies.NewCopy(parent, QStringLiteral("decoded"), code);
        if (cachePath.isEmpty()) {
            cacheFailed = true;
            return { 0, 0 };
        }
        const QByteArray name = platform::EncodeFileName(cachePath);
        cacheFile.Reset(::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!cacheFile.Valid()) {
            cacheFailed = true;
            cacheCopies.RemoveAll();
            return { 0, 0 };
        }
    }
    if (!platform::WriteFileAt(cacheFile, from, data + (from - base), end - from)) {
        // A full disk ends the caching, not the decoding.
        cacheFailed = true;
        return { 0, 0 };
    }
    return { from, end };
}

// Called with the lock held.
void TDecodedSource::Impl::AddPoint(TRestartPoint point, TStreamDecoder& decoder)
{
    const auto at = std::lower_bound(points.begin(), points.end(), point.Decoded, ByDecoded);
    if (point.Kind == TRestartPoint::Start && at != points.begin()
        && point.Decoded - (at - 1)->Decoded < kMinPointDistance)
        return;
    if (at != points.end() && at->Decoded == point.Decoded)
        return;
    windowBytes += point.Window.size();
    points.insert(at, std::move(point));
    if (windowBytes <= options.CheckpointMemoryLimit)
        return;
    // Too much history kept: every second checkpoint goes and the span doubles.
    bool keep = false;
    std::vector<TRestartPoint> kept;
    kept.reserve(points.size());
    windowBytes = 0;
    for (TRestartPoint& p : points) {
        if (p.Kind == TRestartPoint::Inside) {
            keep = !keep;
            if (!keep)
                continue;
            windowBytes += p.Window.size();
        }
        kept.push_back(std::move(p));
    }
    points = std::move(kept);
    span *= 2;
    decoder.SetCheckpointSpan(span);
}

TRestartPoint TDecodedSource::Impl::PointBefore(qint64 offset) const
{
    auto at = std::lower_bound(points.begin(), points.end(), offset + 1, ByDecoded);
    return at == points.begin() ? TRestartPoint() : *(at - 1);
}

qint64 TDecodedSource::Impl::FromRing(qint64 pos, uint8_t* out, qint64 want)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const Slot& slot : ring) {
        if (slot.len > 0 && slot.start <= pos && pos < slot.start + qint64(slot.len)) {
            const qint64 n = qMin(want, slot.start + qint64(slot.len) - pos);
            std::memcpy(out, slot.data.get() + (pos - slot.start), size_t(n));
            return n;
        }
    }
    return 0;
}

qint64 TDecodedSource::Impl::FromBlocks(qint64 pos, uint8_t* out, qint64 want)
{
    for (Block& block : blocks) {
        if (block.start >= 0 && block.start <= pos && pos < block.start + block.len) {
            const qint64 n = qMin(want, block.start + block.len - pos);
            std::memcpy(out, block.data.get() + (pos - block.start), size_t(n));
            block.used = ++useCounter;
            return n;
        }
    }
    return 0;
}

qint64 TDecodedSource::Impl::FromCacheFile(qint64 pos, uint8_t* out, qint64 want)
{
    qint64 n = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto at = std::upper_bound(cached.begin(), cached.end(), pos,
            [](qint64 offset, const std::pair<qint64, qint64>& range) { return offset < range.first; });
        if (at == cached.begin() || pos >= (at - 1)->second)
            return 0;
        n = qMin(want, (at - 1)->second - pos);
    }
    const qint64 got = platform::ReadFileAt(cacheFile, pos, out, n);
    return got == n ? n : 0;
}

qint64 TDecodedSource::Impl::FromDecoder(qint64 pos, uint8_t* out, qint64 want)
{
    const qint64 blockStart = pos / kBlockSize * kBlockSize;
    TRestartPoint point;
    {
        std::lock_guard<std::mutex> lock(mutex);
        point = PointBefore(blockStart);
    }
    if (!reader) {
        reader = MakeStreamDecoder(kind, readFile);
        reader->SetBlocks(xzBlocks);
        scratch.resize(size_t(kBlockSize));
        blocks.resize(kBlocks);
    }
    // Go on from where the last read left the decoder when no restart point lies between.
    if (readerPos < point.Decoded || readerPos > blockStart) {
        readerPos = -1;
        if (!reader->Start(point))
            return -1;
        readerPos = point.Decoded;
    }
    const auto decode = [this](uint8_t* to, size_t room) -> size_t {
        size_t produced = 0;
        const TStreamDecoder::TStatus status = reader->Decode(to, room, produced);
        readerPos += qint64(produced);
        readerDecoded += qint64(produced);
        if (status == TStreamDecoder::TStatus::Failed)
            readerPos = -1;
        return produced == 0 && status != TStreamDecoder::TStatus::Ok ? size_t(-1) : produced;
    };
    while (readerPos >= 0 && readerPos < blockStart) {
        if (decode(scratch.data(), size_t(qMin<qint64>(kBlockSize, blockStart - readerPos))) == size_t(-1))
            return -1;
    }
    if (readerPos < 0)
        return -1;
    Block* block = &blocks[0];
    for (Block& b : blocks) {
        if (b.used < block->used)
            block = &b;
    }
    if (!block->data)
        block->data.reset(new uint8_t[size_t(kBlockSize)]);
    block->start = blockStart;
    block->len = 0;
    block->used = ++useCounter;
    while (block->len < kBlockSize && readerPos >= 0) {
        const size_t got = decode(block->data.get() + block->len, size_t(kBlockSize - block->len));
        if (got == size_t(-1))
            break;
        block->len += qint64(got);
    }
    if (block->len <= pos - blockStart) {
        block->start = -1;
        return -1;
    }
    return FromBlocks(pos, out, want);
}

TDecodedSource::TDecodedSource(const QString& path, const TSourceOptions& options)
    : d(std::make_unique<Impl>(path, options))
{
}

TDecodedSource::~TDecodedSource() = default;

bool TDecodedSource::Open()
{
    // Every open starts from nothing: a source opened again (a file that was replaced) forgets all it knew.
    std::function<void()> hook = d->hook;
    d = std::make_unique<Impl>(d->path, d->options);
    d->hook = std::move(hook);
    return d->Open();
}

const QString& TDecodedSource::FileName() const { return d->path; }
TCompressKind TDecodedSource::Kind() const { return d->kind; }

qint64 TDecodedSource::CompressedSize() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->compressedSize;
}

qint64 TDecodedSource::KnownSize() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->known;
}

bool TDecodedSource::Complete() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->complete;
}

double TDecodedSource::Progress() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->complete)
        return 1.0;
    return d->compressedSize > 0 ? qMin(1.0, double(d->consumed) / double(d->compressedSize)) : 0.0;
}

TSourceProblem TDecodedSource::Problem() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->problem;
}

QString TDecodedSource::Note() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->note;
}

qint64 TDecodedSource::Read(qint64 offset, void* buffer, qint64 n)
{
    if (offset < 0 || n <= 0 || d->kind == TCompressKind::None)
        return 0;
    std::lock_guard<std::mutex> readLock(d->readMutex);
    const qint64 limit = KnownSize();
    if (offset >= limit)
        return 0;
    n = qMin(n, limit - offset);
    auto* out = static_cast<uint8_t*>(buffer);
    qint64 done = 0;
    while (done < n) {
        const qint64 pos = offset + done;
        const qint64 want = n - done;
        qint64 got = d->FromRing(pos, out + done, want);
        if (got == 0)
            got = d->FromBlocks(pos, out + done, want);
        if (got == 0)
            got = d->FromCacheFile(pos, out + done, want);
        if (got == 0)
            got = d->FromDecoder(pos, out + done, want);
        if (got <= 0) {
            std::lock_guard<std::mutex> lock(d->mutex);
            if (d->problem.Kind == TSourceProblem::None) {
                const QString what = d->reader ? d->reader->Problem() : QString();
                d->SetProblem(TSourceProblem::ReadFailed,
                    QStringLiteral("The decoded bytes at %1 could not be read again%2.")
                        .arg(pos)
                        .arg(what.isEmpty() ? QString() : QStringLiteral(": ") + what),
                    -1, pos);
            }
            return -1;
        }
        done += got;
    }
    return done;
}

bool TDecodedSource::WaitForSize(qint64 size, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(d->mutex);
    d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this, size]() {
        return d->known >= size || d->ended || d->quit || !d->thread.joinable() || (d->stopWanted && d->idle);
    });
    return d->known >= size;
}

bool TDecodedSource::WaitForEnd(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->changed.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [this]() { return d->ended || !d->thread.joinable(); });
}

void TDecodedSource::Stop()
{
    std::unique_lock<std::mutex> lock(d->mutex);
    d->stopWanted = true;
    d->changed.notify_all();
    d->changed.wait_for(lock, kStopWait, [this]() { return d->idle || !d->thread.joinable(); });
}

void TDecodedSource::Resume()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopWanted = false;
    }
    d->changed.notify_all();
}

bool TDecodedSource::Stopped() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stopWanted && d->idle;
}

qint64 TDecodedSource::LineEnds() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->lineEnds;
}

std::vector<TLineMark> TDecodedSource::LineMarks() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->marks;
}

TLineMark TDecodedSource::MarkForOffset(qint64 offset) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    auto at = std::upper_bound(d->marks.begin(), d->marks.end(), offset,
        [](qint64 value, const TLineMark& mark) { return value < mark.Offset; });
    return at == d->marks.begin() ? TLineMark() : *(at - 1);
}

TLineMark TDecodedSource::MarkForLine(qint64 lineEnds) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    auto at = std::upper_bound(d->marks.begin(), d->marks.end(), lineEnds,
        [](qint64 value, const TLineMark& mark) { return value < mark.LineEnds; });
    return at == d->marks.begin() ? TLineMark() : *(at - 1);
}

qint64 TDecodedSource::LineStart(qint64 line, const std::function<bool()>& stop)
{
    if (line <= 0)
        return 0;
    // The line starts after the line-th line end; the mark before it has fewer.
    const TLineMark mark = MarkForLine(line - 1);
    uint64_t left = uint64_t(line - mark.LineEnds - 1);
    bool afterCR = mark.AfterCR;
    std::vector<uint8_t> buffer(size_t(1) << 20);
    qint64 pos = mark.Offset;
    for (;;) {
        if (stop && stop())
            return -1;
        const qint64 got = Read(pos, buffer.data(), qint64(buffer.size()));
        if (got <= 0)
            return -1;
        uint64_t seen = 0;
        const size_t at = FindLineEnd(buffer.data(), size_t(got), afterCR, left, &seen);
        if (at < size_t(got)) {
            qint64 start = pos + qint64(at) + 1;
            if (buffer[at] == '\r') {
                uint8_t next = 0;
                if (at + 1 < size_t(got) ? buffer[at + 1] == '\n' : (Read(start, &next, 1) == 1 && next == '\n'))
                    ++start;
            }
            return start;
        }
        left -= seen;
        afterCR = buffer[size_t(got) - 1] == '\r';
        pos += got;
    }
}

TSourceChange TDecodedSource::CheckFile()
{
    if (d->kind == TCompressKind::None)
        return TSourceChange::None;
    const platform::TFileIdentity now = platform::IdentityOfName(d->path);
    if (now.Size < 0)
        return TSourceChange::None; // gone: what was read stays
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        const platform::TFileIdentity& was = d->identity;
        const bool rewritten
            = !now.SameFile(was) || now.Size < was.Size || (now.Size == was.Size && now.ModifiedNs != was.ModifiedNs);
        if (!rewritten) {
            if (now.Size == was.Size)
                return TSourceChange::None;
            d->identity = now;
            d->compressedSize = now.Size;
            d->grew = true;
            // Waiters see at once that the end they knew is no longer the end.
            if (d->ended && !d->failed)
                d->Unend();
            d->changed.notify_all();
            return TSourceChange::Grew;
        }
    }
    Open();
    return TSourceChange::Restarted;
}

void TDecodedSource::SetChangeHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->hook = std::move(hook);
}

int TDecodedSource::RestartPointCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return int(d->points.size());
}

qint64 TDecodedSource::CheckpointSpan() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->span;
}

qint64 TDecodedSource::CheckpointMemory() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->windowBytes;
}

qint64 TDecodedSource::CacheFileBytes() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->cacheBytes;
}

QString TDecodedSource::CacheFolder() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->cacheBytes > 0 ? QFileInfo(d->cachePath).path() : QString();
}

qint64 TDecodedSource::BytesDecodedForReads() const { return d->readerDecoded.load(); }

} // namespace hy::compress
