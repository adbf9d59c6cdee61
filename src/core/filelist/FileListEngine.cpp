// Reading directories and walking trees into entry strings.
#include "core/filelist/FileListEngine.h"

#include "common/HyUtils.h"
#include "core/filelist/FileMasks.h"
#include "platform/PlatformDrives.h"
#include "platform/PlatformFiles.h"

#include <QDir>
#include <QLocale>
#include <QScopeGuard>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace hy::filelist {

using namespace hy::base;
using namespace hy::common;
using namespace hy::platform;

namespace {

    constexpr int kPumpCheckEvery = 256;
    // A worker hands its entries over after each folder and after this many files of a large one; the reading
    // thread takes what came in at least this often.
    constexpr qint64 kFilesPerBatch = 512;
    constexpr auto kBatchWait = std::chrono::milliseconds(10);
    constexpr int kMaxLabelLength = 255;

    bool IsHiddenName(QStringView name) { return name.startsWith(u'.') && name != u"." && name != u".."; }

    QString LastComponent(QString path)
    {
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    }

    int DriveIcon(platform::DriveKind kind)
    {
        switch (kind) {
        case platform::DriveKind::Removable:
            return fiRemovableDrive;
        case platform::DriveKind::Fixed:
            return fiFixedDrive;
        case platform::DriveKind::Remote:
            return fiNetworkDrive;
        case platform::DriveKind::CdRom:
            return fiCdRomDrive;
        case platform::DriveKind::RamDisk:
            return fiRamDisk;
        }
        return fiFixedDrive;
    }

    // The icons of the extensions one worker of a walk has met, by the first four characters of the
    // extension (all the icon depends on), so that a file's icon costs neither a string nor the table's lock.
    class TIconMemo {
    public:
        explicit TIconMemo(const TExtStringList& table)
            : m_table(table)
        {
        }
        int IconOf(QStringView name)
        {
            // The dot and up to three characters after it: the length, then the three characters.
            const QStringView ext = ExtensionOf(name).left(4);
            quint64 key = quint64(ext.size());
            for (qsizetype i = 1; i < 4; ++i)
                key = key << 16 | (i < ext.size() ? ext[i].unicode() : 0u);
            const auto known = m_icons.constFind(key);
            if (known != m_icons.cend())
                return known.value();
            const int icon = m_table.IconOf(name.toString());
            if (m_icons.size() < kMaxMemo)
                m_icons.insert(key, icon);
            return icon;
        }

    private:
        static constexpr qsizetype kMaxMemo = 4096;
        const TExtStringList& m_table;
        QHash<quint64, int> m_icons;
    };

} // namespace

// The raw entries of one directory, read once and then gone through for directories, for each mask and for
// subdirectories. Names are kept one after another, each ending in a zero byte.
struct TFileListEngine::Listing {
    struct Raw {
        qsizetype offset;
        int length;
        platform::EntryType type;
        bool ascii;
    };
    platform::TDirectoryReader reader;
    QByteArray names;
    std::vector<Raw> raw;

    const char* Name(const Raw& r) const { return names.constData() + r.offset; }
    QString Decoded(const Raw& r) const
    {
        return r.ascii ? QString::fromLatin1(Name(r), r.length) : platform::DecodeFileName(Name(r), r.length);
    }
};

// Room for the entry strings of a parallel walk: blocks of characters that the workers fill, each taking a
// whole block at a time under the lock. The entries are strings over this room (one owns characters of its
// own only once it is changed), so the blocks live as long as the list. They are kept from one read to the
// next, up to what the larger of the last two reads took, so that searching again neither allocates nor
// touches fresh memory.
struct TFileListEngine::EntryRoom {
    static constexpr qsizetype kBlockChars = 32 * 1024;

    // At the start of a read, once the last read's entries are gone.
    void Reset()
    {
        const size_t keep = std::max(used, lastUsed);
        if (blocks.size() > keep)
            blocks.resize(keep);
        lastUsed = used;
        used = 0;
    }
    QChar* Take()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        // A new block is left as it comes: the entries written into it are its first use.
        if (used == blocks.size())
            blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(kBlockChars)));
        return reinterpret_cast<QChar*>(blocks[used++].get());
    }

    std::mutex mutex;
    std::vector<std::unique_ptr<char16_t[]>> blocks;
    size_t used = 0; // blocks taken since the read began
    size_t lastUsed = 0; // by the read before
};

TFileListEngine::TFileListEngine()
    : m_room(std::make_unique<EntryRoom>())
    , m_categoryTable(TExtStringList::FileCategories())
{
    SetProcessTextCase(m_textCase);
}

TFileListEngine::~TFileListEngine() = default;

QString TFileListEngine::ResolvePath(const QString& base, const QString& text)
{
    if (text.isEmpty())
        return base;
    if (text.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(text);
    return QDir::cleanPath(JoinPath(base.isEmpty() ? QDir::currentPath() : base, text));
}

void TFileListEngine::StoreDirectory(const QString& text) { m_directory = ResolvePath(m_directory, text); }

void TFileListEngine::SetTextCase(TTextCase textCase)
{
    m_textCase = textCase;
    SetProcessTextCase(textCase);
}

void TFileListEngine::SetPump(TNotifyHandler pump, int intervalMs)
{
    m_pump = std::move(pump);
    m_pumpInterval = intervalMs;
}

void TFileListEngine::Pump(int processed)
{
    m_sincePump += processed;
    if (m_sincePump < kPumpCheckEvery)
        return;
    m_sincePump = 0;
    if (m_pump && m_pumpTimer.elapsed() >= m_pumpInterval) {
        m_pump();
        m_pumpTimer.restart();
    }
}

void TFileListEngine::SetSortBy(TFileListSortTypes sortBy)
{
    m_sortBy = sortBy;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if ((sortBy == sbSize || sortBy == sbDate) && !EntryFactsKnown(m_entries[i]))
            EnsureFacts(int(i));
        QString& entry = m_entries[i];
        const QString key = EntrySortKey(ParseEntry(entry, m_listOrder), sortBy);
        std::copy(key.cbegin(), key.cend(), entry.begin() + 1);
    }
    SortEntries(m_entries);
}

void TFileListEngine::AddEntry(const TEntryFields& fields)
{
    m_entries.push_back(BuildEntry(fields, m_listOrder, m_sortBy));
}

void TFileListEngine::AddSystemEntries()
{
    AddEntry(TEntryFields { ekRoot, QStringLiteral("/"), fiRoot });
    AddEntry(TEntryFields { ekParent, QStringLiteral(".."), fiParent });
}

void TFileListEngine::AddDrives()
{
    const QList<platform::TDriveInfo> drives = platform::BrowsableDrives();
    for (const platform::TDriveInfo& drive : drives) {
        TEntryFields fields { ekDrive, drive.root, DriveIcon(drive.kind) };
        // Removable media and discs are not touched for their labels.
        const bool labelled = drive.kind == platform::DriveKind::Fixed || drive.kind == platform::DriveKind::Remote
            || drive.kind == platform::DriveKind::RamDisk;
        if (labelled && !drive.label.isEmpty())
            fields.name
                += QChar(kDriveLabelSeparator) + ConvertCase(drive.label.left(kMaxLabelLength), ProcessTextCase());
        AddEntry(fields);
    }
}

int TFileListEngine::ReadListing(Listing& listing, TFileListEngine* pumping)
{
    listing.names.clear();
    listing.raw.clear();
    platform::EntryType type;
    int count = 0;
    while (const char* name = listing.reader.Next(type)) {
        int length = 0;
        bool ascii = true;
        for (; name[length]; ++length)
            ascii = ascii && (static_cast<unsigned char>(name[length]) < 0x80);
        listing.raw.push_back({ listing.names.size(), length, type, ascii });
        listing.names.append(name, length + 1);
        if (++count == kPumpCheckEvery && pumping) {
            pumping->Pump(count);
            count = 0;
        }
    }
    return listing.reader.Error();
}

void TFileListEngine::AddDirectories(Listing& listing)
{
    for (const Listing::Raw& r : listing.raw) {
        Pump(1);
        if (r.type == platform::EntryType::File || r.type == platform::EntryType::Other)
            continue;
        TSearchRec rec;
        if (listing.reader.Facts(listing.Name(r), rec, true) != 0 || !(rec.Attr & platform::faDirectory))
            continue;
        if ((rec.Attr & (platform::faHidden | platform::faSysFile)) && !m_showSystemFiles)
            continue;
        AddEntry(
            TEntryFields { ekDirectory, listing.Decoded(r), fiDirectory, rec.Attr & ~platform::faLink, rec.Time, 0 });
    }
}

bool TFileListEngine::FileCandidate(
    const Listing& listing, size_t index, const TMaskList& masks, int m, bool defer, TSearchRec& rec, bool& known) const
{
    const Listing::Raw& r = listing.raw[index];
    if (r.type == platform::EntryType::Directory)
        return false;
    const char* name = listing.Name(r);
    if (r.ascii ? !masks.Matches(m, QLatin1StringView(name, r.length)) : !masks.Matches(m, listing.Decoded(r)))
        return false;
    known = true;
    if (defer && r.type == platform::EntryType::File) {
        rec.Attr = name[0] == '.' ? platform::faHidden : 0;
        known = false;
    } else if (listing.reader.Facts(name, rec, true) != 0) {
        return false; // gone since the directory was read
    }
    if (rec.Attr & (platform::faDirectory | platform::faVolumeID))
        return false;
    return !(rec.Attr & (platform::faHidden | platform::faSysFile)) || m_showSystemFiles;
}

bool TFileListEngine::SubdirectoryCandidate(const Listing& listing, size_t index, const QString& directory,
    const platform::TFileIdentity& self, TSearchRec& rec, platform::TFileIdentity& id) const
{
    const Listing::Raw& r = listing.raw[index];
    if (r.type != platform::EntryType::Directory && r.type != platform::EntryType::Unknown)
        return false; // links to directories are never followed
    if (listing.reader.Facts(listing.Name(r), rec, false, &id) != 0 || !(rec.Attr & platform::faDirectory))
        return false;
    if ((rec.Attr & (platform::faHidden | platform::faSysFile)) && !m_showSystemFiles)
        return false;
    rec.Name = listing.Decoded(r);
    return id.Device == self.Device || !platform::IsPseudoFileSystem(JoinPath(directory, rec.Name));
}

void TFileListEngine::AddFiles(const QString& directory, Listing& listing, const TMaskList& masks, bool defer)
{
    const bool walking = m_searchMode == smSubDirectories;
    for (int m = 0; m < masks.Count() && m_status == 0; ++m) {
        for (const Listing::Raw& r : listing.raw) {
            Pump(1);
            TSearchRec rec;
            bool known = true;
            if (!FileCandidate(listing, size_t(&r - listing.raw.data()), masks, m, defer, rec, known))
                continue;
            rec.Name = listing.Decoded(r);
            if (m_onAddFile) {
                bool ok = true;
                int error = m_status;
                m_onAddFile(rec, directory, ok, error);
                m_status = error;
                if (!ok) {
                    if (m_status != 0)
                        break;
                    continue;
                }
            }
            const TEntryFields fields { ekFile, rec.Name, m_categoryTable.IconOf(rec.Name),
                rec.Attr & ~platform::faLink, rec.Time, rec.Size, known };
            m_entries.push_back(
                BuildEntry(fields, m_listOrder, m_sortBy, walking ? QStringView(directory) : QStringView()));
            if (m_status != 0)
                break;
        }
    }
}

void TFileListEngine::Walk(const QString& directory, const platform::TFileDescriptor* parent, const char* name,
    const TMaskList& masks, bool defer)
{
    Listing listing;
    // The top of the walk is the folder the user named; every folder below it is opened inside its parent
    // and never through a link, so that a folder swapped for a link while the walk runs leads nowhere.
    int code = parent ? listing.reader.OpenInside(*parent, name) : listing.reader.Open(directory);
    if (code == 0)
        code = ReadListing(listing, this);
    if (code != 0 && listing.raw.empty()) {
        if (!parent)
            m_status = code;
        else
            ++m_skippedDirectories;
        return;
    }
    const platform::TFileIdentity self = listing.reader.Identity();
    // A folder moved in place of another since it was looked at may be one the walk has been through.
    if (parent && m_visited.contains({ self.Device, self.Inode }))
        return;
    m_visited.insert({ self.Device, self.Inode });

    AddFiles(directory, listing, masks, defer);
    if (m_status != 0)
        return;

    // The subdirectories are gathered first, so that only the directory's descriptor stays open while the
    // walk goes deeper.
    struct Sub {
        QString path;
        QByteArray name;
        TSearchRec rec;
    };
    std::vector<Sub> subs;
    for (const Listing::Raw& r : listing.raw) {
        Pump(1);
        TSearchRec rec;
        platform::TFileIdentity id;
        if (!SubdirectoryCandidate(listing, size_t(&r - listing.raw.data()), directory, self, rec, id))
            continue;
        if (m_visited.contains({ id.Device, id.Inode }))
            continue;
        subs.push_back({ JoinPath(directory, rec.Name), QByteArray(listing.Name(r), r.length), rec });
    }
    const platform::TFileDescriptor directoryHeld = listing.reader.ReleaseDirectory();
    listing.names = QByteArray();
    listing.raw = {};

    for (Sub& sub : subs) {
        if (m_onAddFile) {
            bool ok = true;
            int error = m_status;
            m_onAddFile(sub.rec, sub.path, ok, error);
            m_status = error;
            if (m_status != 0)
                return;
            if (!ok)
                continue;
        }
        if (directoryHeld.Valid())
            Walk(sub.path, &directoryHeld, sub.name.constData(), masks, defer);
        else
            ++m_skippedDirectories;
        if (m_status != 0)
            return;
    }
}

// One folder a worker is to read: a subdirectory of its parent (the parent's descriptor shared by all the
// subdirectories gathered from it), or the top of the walk, opened by its path.
struct TFileListEngine::FolderTask {
    std::shared_ptr<const platform::TFileDescriptor> parent;
    QByteArray name;
    QString path;
};

// What a worker found since it last handed its findings over, with what it keeps from one folder to the next:
// the icons of the extensions it has met and room for a name.
struct TFileListEngine::WalkOutput {
    explicit WalkOutput(const TExtStringList& categories)
        : icons(categories)
    {
    }
    // Puts the entries in list order, so that they come over as one run (on the worker, outside the lock).
    void Sort() { SortEntries(entries); }

    std::vector<QString> entries;
    TWalkBatch batch;
    const char* lastName = nullptr; // in the listing being read; decoded into the batch when handed over
    TIconMemo icons;
    std::u16string name;
    QChar* room = nullptr; // what is left of the block of entry room being filled
    qsizetype roomLeft = 0;
};

// What the workers of one walk share, under one mutex: the folders still to read (the last gathered is read
// first, so that a walk goes deep before it goes wide and holds few descriptors), the findings not yet taken,
// the folders entered (by identity), and how the walk ends.
struct TFileListEngine::WalkState {
    explicit WalkState(QSet<QPair<quint64, quint64>>& visitedFolders)
        : visited(visitedFolders)
    {
    }
    std::mutex mutex;
    std::condition_variable more; // a folder to read, or the end
    std::condition_variable ended; // the last worker has ended
    std::vector<FolderTask> folders;
    struct Findings {
        std::vector<QString> entries; // in list order
        TWalkBatch batch;
    };
    std::vector<Findings> outputs;
    QSet<QPair<quint64, quint64>>& visited;
    int busy = 0; // workers reading a folder
    int running = 0; // workers not yet ended
    int skipped = 0;
    int topStatus = 0;
    std::atomic<bool> stop { false };

    // Hands a worker's findings over (the caller holds the mutex).
    void HandOver(WalkOutput& out)
    {
        if (out.entries.empty() && out.batch.Files == 0 && out.batch.Folders == 0)
            return;
        if (out.lastName)
            out.batch.LastFile = platform::DecodeFileName(out.lastName, qsizetype(std::strlen(out.lastName)));
        outputs.push_back({ std::move(out.entries), std::move(out.batch) });
        out.entries = {};
        out.batch = TWalkBatch();
        out.lastName = nullptr;
    }
};

void TFileListEngine::WalkInParallel(const TMaskList& masks, bool defer)
{
    // The handler hears of the walk before the first folder is read (a progress window shows at once).
    m_status = m_onBatch(TWalkBatch());
    if (m_status != 0)
        return;
    WalkState state(m_visited);
    state.folders.push_back({ nullptr, QByteArray(), m_directory });
    const int threads = m_walkThreads > 0 ? m_walkThreads : std::clamp(int(std::thread::hardware_concurrency()), 2, 8);
    std::vector<std::thread> workers;
    // However the walk ends (the handler may throw), the workers are stopped and awaited first.
    struct Joiner {
        WalkState& state;
        std::vector<std::thread>& workers;
        ~Joiner()
        {
            state.stop = true;
            state.more.notify_all();
            for (std::thread& w : workers)
                w.join();
        }
    } joiner { state, workers };
    state.running = threads;
    for (int i = 0; i < threads; ++i) {
        TFileTest test = m_makeTest ? m_makeTest(state.stop) : TFileTest();
        workers.emplace_back(
            [this, &state, &masks, defer, test = std::move(test)]() mutable { WalkWorker(state, masks, defer, test); });
    }
    bool running = true;
    while (running) {
        std::vector<WalkState::Findings> taken;
        {
            std::unique_lock<std::mutex> lock(state.mutex);
            state.ended.wait_for(lock, kBatchWait, [&]() { return state.running == 0; });
            running = state.running > 0;
            taken.swap(state.outputs);
        }
        if (m_status != 0)
            continue; // stopped: what the workers still hand over is dropped
        TWalkBatch batch;
        for (WalkState::Findings& out : taken) {
            if (!out.batch.Folder.isNull())
                batch.Folder = std::move(out.batch.Folder);
            if (!out.batch.LastFile.isNull())
                batch.LastFile = std::move(out.batch.LastFile);
            batch.Folders += out.batch.Folders;
            batch.Files += out.batch.Files;
            batch.Kept += out.batch.Kept;
            if (!out.entries.empty()) {
                m_runStarts.push_back(m_entries.size());
                std::move(out.entries.begin(), out.entries.end(), std::back_inserter(m_entries));
            }
        }
        const int code = m_onBatch(batch);
        if (code != 0) {
            m_status = code;
            state.stop = true;
            state.more.notify_all();
        }
    }
    m_skippedDirectories += state.skipped;
    if (m_status == 0)
        m_status = state.topStatus;
}

void TFileListEngine::WalkWorker(WalkState& state, const TMaskList& masks, bool defer, TFileTest& test) const
{
    WalkOutput out(m_categoryTable);
    std::unique_lock<std::mutex> lock(state.mutex);
    for (;;) {
        state.more.wait(lock, [&]() { return state.stop || !state.folders.empty() || state.busy == 0; });
        if (state.stop || state.folders.empty())
            break;
        FolderTask task = std::move(state.folders.back());
        state.folders.pop_back();
        ++state.busy;
        lock.unlock();
        WalkFolder(state, task, masks, defer, test, out);
        out.Sort();
        lock.lock();
        --state.busy;
        state.HandOver(out);
        if (state.busy == 0 && state.folders.empty())
            state.more.notify_all(); // nothing left: every worker ends
    }
    --state.running;
    state.ended.notify_all();
}

void TFileListEngine::WalkFolder(
    WalkState& state, FolderTask& task, const TMaskList& masks, bool defer, TFileTest& test, WalkOutput& out) const
{
    Listing listing;
    int code
        = task.parent ? listing.reader.OpenInside(*task.parent, task.name.constData()) : listing.reader.Open(task.path);
    task.parent.reset();
    if (code == 0)
        code = ReadListing(listing, nullptr);
    if (code != 0 && listing.raw.empty()) {
        const std::lock_guard<std::mutex> lock(state.mutex);
        if (task.name.isEmpty())
            state.topStatus = code;
        else
            ++state.skipped;
        return;
    }
    const platform::TFileIdentity self = listing.reader.Identity();
    {
        // A folder moved in place of another since it was looked at may be one the walk has been through.
        const std::lock_guard<std::mutex> lock(state.mutex);
        if (!task.name.isEmpty() && state.visited.contains({ self.Device, self.Inode }))
            return;
        state.visited.insert({ self.Device, self.Inode });
    }
    out.batch.Folder = task.path;
    ++out.batch.Folders;

    // The last name points into this listing: a way out of the walk that did not decode it forgets it.
    const auto forgetName = qScopeGuard([&out] { out.lastName = nullptr; });
    for (int m = 0; m < masks.Count(); ++m) {
        for (size_t i = 0; i < listing.raw.size(); ++i) {
            if (state.stop)
                return;
            TSearchRec rec;
            bool known = true;
            if (!FileCandidate(listing, i, masks, m, defer, rec, known))
                continue;
            const char* name = listing.Name(listing.raw[i]);
            ++out.batch.Files;
            out.lastName = name;
            if (test && !test(listing.reader, task.path, name, rec))
                continue;
            ++out.batch.Kept;
            // Names are mostly ASCII: they go into the entry without a string of their own.
            const Listing::Raw& r = listing.raw[i];
            QString decoded;
            QStringView fileName;
            if (r.ascii) {
                out.name.assign(name, name + r.length);
                fileName = out.name;
            } else {
                decoded = listing.Decoded(r);
                fileName = decoded;
            }
            TEntryFields fields { ekFile, QString(), out.icons.IconOf(fileName), rec.Attr & ~platform::faLink, rec.Time,
                rec.Size, known };
            const qsizetype length = EntryLength(fileName, task.path);
            if (length > EntryRoom::kBlockChars) {
                QString entry(length, Qt::Uninitialized);
                WriteEntry(entry.data(), fileName, fields, m_listOrder, m_sortBy, task.path);
                out.entries.push_back(std::move(entry));
            } else {
                if (out.roomLeft < length) {
                    out.room = m_room->Take();
                    out.roomLeft = EntryRoom::kBlockChars;
                }
                WriteEntry(out.room, fileName, fields, m_listOrder, m_sortBy, task.path);
                out.entries.push_back(QString::fromRawData(out.room, length));
                out.room += length;
                out.roomLeft -= length;
            }
            if (out.batch.Files >= kFilesPerBatch) {
                out.Sort();
                const std::lock_guard<std::mutex> lock(state.mutex);
                state.HandOver(out);
            }
        }
    }
    if (out.lastName) {
        // The name lives in this listing only.
        out.batch.LastFile = platform::DecodeFileName(out.lastName, qsizetype(std::strlen(out.lastName)));
        out.lastName = nullptr;
    }

    std::vector<FolderTask> subs;
    for (size_t i = 0; i < listing.raw.size(); ++i) {
        TSearchRec rec;
        platform::TFileIdentity id;
        if (SubdirectoryCandidate(listing, i, task.path, self, rec, id))
            subs.push_back({ nullptr, QByteArray(listing.Name(listing.raw[i]), listing.raw[i].length),
                JoinPath(task.path, rec.Name) });
    }
    if (subs.empty())
        return;
    auto held = std::make_shared<const platform::TFileDescriptor>(listing.reader.ReleaseDirectory());
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (!held->Valid()) {
        state.skipped += int(subs.size());
        return;
    }
    // Pushed last to first, so that the first is read first.
    for (auto sub = subs.rbegin(); sub != subs.rend(); ++sub) {
        sub->parent = held;
        state.folders.push_back(std::move(*sub));
    }
    state.more.notify_all();
}

void TFileListEngine::ReadDirectory(const QString& newDirectory)
{
    if (m_reading)
        return;
    m_reading = true;
    // A handler may throw: the entries taken so far are still put in order and the next read is allowed.
    struct Ending {
        TFileListEngine* engine;
        bool finished = false;
        ~Ending()
        {
            if (!finished)
                engine->Finish();
            engine->m_reading = false;
        }
    } ending { this };
    // The list keeps its memory for the next read, as it keeps its entry room.
    m_entries.clear();
    m_room->Reset();
    m_runStarts = {};
    m_listCount = 0;
    m_listSize = 0;
    m_listSizeComplete = true;
    m_skippedDirectories = 0;
    m_focusAfterRead = -1;
    m_visited.clear();
    m_pumpTimer.start();
    m_sincePump = 0;

    const QString processDirectory = QDir::currentPath();
    const QString oldDirectory = m_directory;
    const QString target = ResolvePath(oldDirectory, newDirectory);
    int directoryError = 0;
    if (!m_showSystemFiles && IsHiddenName(LastComponent(newDirectory)) && platform::CheckDirectory(target) == 0)
        directoryError = kErrorPathNotFound;
    else
        directoryError = platform::CheckDirectory(target);
    m_directory = directoryError ? processDirectory : target;

    m_status = 0;
    if (m_listDetails.Contains(ldNewFile))
        AddEntry(TEntryFields { ekNewFile, QStringLiteral("NEW"), fiOtherFile });
    if (m_listDetails.Contains(ldDrives))
        AddDrives();
    if (m_listDetails.Contains(ldSystemDirectories) && m_directory != QLatin1String("/"))
        AddSystemEntries();

    if (m_onSearchBegin)
        m_onSearchBegin();
    const TMaskList masks(m_fileMask);
    if (m_searchMode == smNormal) {
        Listing listing;
        if (m_listDetails.Contains(ldDirectories) || m_listDetails.Contains(ldFiles)) {
            int code = listing.reader.Open(m_directory);
            if (code == 0)
                code = ReadListing(listing, this);
            if (code != 0 && listing.raw.empty())
                m_status = code;
        }
        if (m_status == 0 && m_listDetails.Contains(ldDirectories))
            AddDirectories(listing);
        if (m_status == 0 && m_listDetails.Contains(ldFiles))
            AddFiles(m_directory, listing, masks, false);
    } else if (m_listDetails.Contains(ldFiles) && directoryError == 0) {
        // Facts that nobody asks for during the walk are read when an entry is first asked about.
        const bool tested = m_onBatch ? bool(m_makeTest) : bool(m_onAddFile);
        const bool defer = (!tested || !m_handlerNeedsFacts) && m_sortBy != sbSize && m_sortBy != sbDate;
        if (m_onBatch)
            WalkInParallel(masks, defer);
        else
            Walk(m_directory, nullptr, nullptr, masks, defer);
    }
    if (m_onSearchEnd)
        m_onSearchEnd();

    Finish();
    ending.finished = true;
    if (newDirectory == QLatin1String("..") || newDirectory == QLatin1String("/"))
        m_focusAfterRead = FindEntry(ekDirectory, LastComponent(oldDirectory));
    m_lastError = directoryError ? directoryError : m_status;
}

void TFileListEngine::Finish()
{
    if (m_runStarts.empty())
        SortEntries(m_entries);
    else
        SortEntryRuns(m_entries, m_runStarts, m_spareEntries);
    m_runStarts = {};
    // One pass, each entry looked at once: the second of two equal neighbours goes, the directories and files
    // are counted.
    size_t kept = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (kept > 0 && m_entries[i] == m_entries[kept - 1])
            continue;
        if (kept != i)
            m_entries[kept] = std::move(m_entries[i]);
        const QString& entry = m_entries[kept++];
        const char16_t kind = EntryKindOf(entry, m_listOrder);
        if (kind != ekDirectory && kind != ekFile)
            continue;
        ++m_listCount;
        if (EntryFactsKnown(entry))
            m_listSize += EntrySizeOf(entry);
        else
            m_listSizeComplete = false;
    }
    m_entries.resize(kept);
}

int TFileListEngine::SetMaskAndDirectory(const QString& mask, const QString& directory)
{
    const QString oldMask = m_fileMask;
    const QString oldDirectory = m_directory;
    if (!mask.isEmpty())
        m_fileMask = mask;
    if (!directory.isEmpty())
        StoreDirectory(directory);
    ReadDirectory(m_directory);
    const int result = m_lastError;
    if (result != 0) {
        m_fileMask = oldMask;
        m_directory = oldDirectory;
        ReadDirectory(m_directory);
    }
    return result;
}

qint64 TFileListEngine::ListSize()
{
    if (!m_listSizeComplete) {
        m_listSize = 0;
        for (int i = 0; i < Count(); ++i) {
            const char16_t kind = EntryKind(i);
            if (kind == ekDirectory || kind == ekFile)
                m_listSize += EntrySize(i);
        }
        m_listSizeComplete = true;
    }
    return m_listSize;
}

void TFileListEngine::EnsureFacts(int index)
{
    QString& entry = m_entries[size_t(index)];
    if (EntryFactsKnown(entry))
        return;
    TSearchRec rec;
    if (platform::ReadSearchRecord(EntryPath(index), rec) == 0)
        SetEntryFacts(entry, rec.Attr & ~platform::faLink, rec.Time, rec.Size);
    else
        SetEntryFacts(entry, IsHiddenName(NameOf(EntryName(index))) ? platform::faHidden : 0, 0, 0);
}

char16_t TFileListEngine::EntryKind(int index) const
{
    return ValidIndex(index) ? EntryKindOf(Entry(index), m_listOrder) : char16_t(0);
}

QString TFileListEngine::EntryName(int index) const
{
    if (!ValidIndex(index))
        return QString();
    QStringView name = EntryNameOf(Entry(index));
    if (EntryKind(index) == ekDrive) {
        const qsizetype cut = name.indexOf(kDriveLabelSeparator);
        if (cut >= 0)
            name = name.left(cut);
    }
    return name.toString();
}

QString TFileListEngine::EntryDisplayName(int index) const
{
    if (!ValidIndex(index))
        return QString();
    const QStringView name = EntryNameOf(Entry(index));
    switch (EntryKind(index)) {
    case ekDrive: {
        const qsizetype cut = name.indexOf(kDriveLabelSeparator);
        if (cut < 0)
            return name.toString();
        return name.left(cut).toString() + QStringLiteral(" [") + name.mid(cut + 1).toString() + QLatin1Char(']');
    }
    case ekNewFile:
    case ekRoot:
    case ekParent:
        return name.toString();
    default:
        return ConvertCase(name.toString(), m_textCase);
    }
}

QString TFileListEngine::EntryPath(int index) const
{
    const char16_t kind = EntryKind(index);
    if ((kind == ekDirectory || kind == ekFile) && m_searchMode == smNormal)
        return JoinPath(m_directory, EntryName(index));
    return EntryName(index);
}

int TFileListEngine::EntryIcon(int index) const { return ValidIndex(index) ? EntryIconOf(Entry(index)) : 0; }

int TFileListEngine::EntryAttributes(int index)
{
    if (!ValidIndex(index))
        return 0;
    EnsureFacts(index);
    return EntryAttributesOf(Entry(index));
}

quint32 TFileListEngine::EntryTimeStamp(int index)
{
    if (!ValidIndex(index))
        return 0;
    EnsureFacts(index);
    return EntryTimeOf(Entry(index));
}

qint64 TFileListEngine::EntrySize(int index)
{
    if (!ValidIndex(index))
        return 0;
    EnsureFacts(index);
    return EntrySizeOf(Entry(index));
}

std::array<QString, kFileDetailCount> TFileListEngine::EntryDetails(int index)
{
    std::array<QString, kFileDetailCount> details;
    if (!ValidIndex(index))
        return details;
    details[fdName] = EntryDisplayName(index);
    details[fdSize] = ThousandsText(EntrySize(index));
    details[fdDate] = details[fdTime] = QStringLiteral("?");
    const quint32 stamp = EntryTimeStamp(index);
    if (stamp > 0x20FFFF) {
        const QDateTime time = UnpackDateTime(qint32(stamp));
        if (time.isValid()) {
            const QLocale locale = QLocale::system();
            details[fdDate] = locale.toString(time.date(), QLocale::ShortFormat);
            details[fdTime] = locale.toString(time.time(), QLocale::ShortFormat);
        }
    }
    details[fdAttr] = AttributeLetters(EntryAttributes(index));
    return details;
}

int TFileListEngine::FindEntry(char16_t kind, const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (EntryKind(i) == kind && EntryName(i) == name)
            return i;
    }
    return -1;
}

} // namespace hy
