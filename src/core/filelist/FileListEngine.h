// TFileListEngine: what the file list knows and does without a window. It reads a directory into sorted
// entry strings (drives, the system entries "/" and "..", subdirectories and files that match the mask
// list), walks a directory tree depth-first offering every file and subdirectory to a handler (or, with a
// batch handler, on worker threads that test the files and hand the entries over in batches), and answers
// for every entry through accessors that parse its string. Paths are resolved against the list's own
// directory; the process's current directory is never changed.
#pragma once

#include "base/ErrorCodes.h"
#include "core/filelist/ExtStrList.h"
#include "core/filelist/FileEntry.h"
#include "platform/PlatformDirs.h"

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace hy::filelist {

using platform::TSearchRec;

class TMaskList;

class TFileListEngine {
public:
    // Called for every file that matches a mask and, in a tree walk, for every subdirectory before it is
    // entered. S is the find record; Path the directory being read, or a subdirectory's full path. OK comes
    // in true and refuses the entry when set false; Error comes in as the search status, and a non-zero
    // value ends the read and becomes LastError.
    using TAddFileHandler = std::function<void(platform::TSearchRec& S, const QString& Path, bool& OK, int& Error)>;
    using TNotifyHandler = std::function<void()>;

    // A test of one file that runs on a worker thread of a tree walk: the folder being read (its path, and its
    // reader for opening the file inside it), the file's name as the file system has it, and its find record
    // (with time, size and attributes when the handler needs facts; the name is not filled in). True keeps it.
    using TFileTest = std::function<bool(const platform::TDirectoryReader& folder, const QString& folderPath,
        const char* name, const platform::TSearchRec& S)>;
    // Makes the test of one worker thread; stop turns true when the walk is to end (a long test asks it).
    using TFileTestMaker = std::function<TFileTest(const std::atomic<bool>& stop)>;
    // What the workers of a tree walk did since the last batch.
    struct TWalkBatch {
        QString Folder; // the last folder entered, null when none
        QString LastFile; // the name of the last file tested, null when none
        int Folders = 0; // folders entered
        qint64 Files = 0; // files offered to the test: every name that matched a mask
        qint64 Kept = 0; // of these, the ones the test kept
    };
    // Called on the reading thread every few milliseconds while the workers run and once when they end, with
    // what came in meanwhile (often nothing); a non-zero result ends the walk at once and becomes LastError.
    using TBatchHandler = std::function<int(const TWalkBatch& batch)>;

    TFileListEngine();
    ~TFileListEngine();
    TFileListEngine(const TFileListEngine&) = delete;
    TFileListEngine& operator=(const TFileListEngine&) = delete;

    // Settings. Setters only store; the owner decides when to read again (SortBy re-sorts at once).
    QString Directory() const { return m_directory; }
    // Stores a directory without reading it: a relative text is taken from the list's directory (the
    // process's current directory while the list has none).
    void StoreDirectory(const QString& text);
    QString FileMask() const { return m_fileMask; }
    void SetFileMask(const QString& mask) { m_fileMask = mask; }
    TFileListOrder ListOrder() const { return m_listOrder; }
    void SetListOrder(TFileListOrder order) { m_listOrder = order; }
    TFileListSortTypes SortBy() const { return m_sortBy; }
    // Re-keys and re-sorts the present entries without reading.
    void SetSortBy(TFileListSortTypes sortBy);
    bool ShowSystemFiles() const { return m_showSystemFiles; }
    void SetShowSystemFiles(bool show) { m_showSystemFiles = show; }
    TTextCase TextCase() const { return m_textCase; }
    // Also becomes the process-wide text case of drive labels.
    void SetTextCase(TTextCase textCase);
    TListDetails ListDetails() const { return m_listDetails; }
    void SetListDetails(TListDetails details) { m_listDetails = details; }
    TSearchModeTypes SearchMode() const { return m_searchMode; }
    void SetSearchMode(TSearchModeTypes mode) { m_searchMode = mode; }

    // Results of the last read.
    int ListCount() const { return m_listCount; }
    // The sum of the sizes of the directory and file entries (reads any size not read yet).
    qint64 ListSize();
    int LastError() const { return m_lastError; }
    void ClearLastError() { m_lastError = 0; }
    // Subdirectories a tree walk could not read (vanished, unreadable) and passed over.
    int SkippedDirectories() const { return m_skippedDirectories; }
    // After a read of ".." or "/": the entry of the directory just left, else -1.
    int FocusAfterRead() const { return m_focusAfterRead; }
    bool Reading() const { return m_reading; }

    void SetOnAddFile(TAddFileHandler handler) { m_onAddFile = std::move(handler); }
    bool HasOnAddFile() const { return bool(m_onAddFile); }
    // Whether the handler looks at a file's time, size and attributes. When it does not, a tree walk offers
    // files with their names only (and the hidden attribute their names give) and reads the rest when an
    // entry is first asked about, as it does without a handler.
    void SetHandlerNeedsFacts(bool needs) { m_handlerNeedsFacts = needs; }
    // With a batch handler, a tree walk reads its folders and tests its files on worker threads, and the
    // entries come over in batches; without a test every file that matches a mask is kept. The order of the
    // list is the same either way (entries are sorted), and so are the entries, with one exception: a folder
    // that two paths of the tree reach (through a bind mount) is listed under whichever one a worker entered
    // first. The add-file handler then serves only reads of a single folder.
    void SetParallelWalk(TBatchHandler onBatch, TFileTestMaker makeTest = {})
    {
        m_onBatch = std::move(onBatch);
        m_makeTest = std::move(makeTest);
    }
    bool HasParallelWalk() const { return bool(m_onBatch); }
    // Worker threads of such a walk; 0 (the default) for one per core, at least two.
    void SetWalkThreads(int threads) { m_walkThreads = threads; }
    void SetOnSearchBegin(TNotifyHandler handler) { m_onSearchBegin = std::move(handler); }
    void SetOnSearchEnd(TNotifyHandler handler) { m_onSearchEnd = std::move(handler); }
    // What runs during a long read, at most once per interval: a control lets the event loop paint and run
    // timers (no user input). The engine alone pumps nothing.
    void SetPump(TNotifyHandler pump, int intervalMs);

    // Reads the list for a directory given absolutely or relative to the list's directory ("..", "/", a
    // subdirectory's name, a drive's mount path). A directory that cannot be entered leaves the list on the
    // process's current directory with the code in LastError. A call made while a read runs is ignored.
    void ReadDirectory(const QString& newDirectory);
    // Mask and directory as typed (empty texts keep the present ones), then a read; when it fails, the
    // previous mask and directory are put back and read again. The result is the first read's code.
    int SetMaskAndDirectory(const QString& mask, const QString& directory);

    // Entries, in list order.
    int Count() const { return int(m_entries.size()); }
    // An entry string. The characters of a walk's entries lie in room the engine keeps: a copy of the string is
    // good until the next read only (QString(Entry(i).data(), Entry(i).size()) for one that lasts).
    const QString& Entry(int index) const { return m_entries.at(size_t(index)); }
    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    // The true kind letter ("A" to "F").
    char16_t EntryKind(int index) const;
    // The name as found (a full path in a tree walk; a drive's mount path), exact as the file system has it.
    QString EntryName(int index) const;
    // The name as shown: converted by the text case; a drive with its label in brackets.
    QString EntryDisplayName(int index) const;
    // Directory joined with the name for directories and files of a directory listing; the bare name else.
    QString EntryPath(int index) const;
    int EntryIcon(int index) const;
    int EntryAttributes(int index);
    quint32 EntryTimeStamp(int index);
    qint64 EntrySize(int index);
    // Name, Size ("1,234,567"), Date and Time (the locale's short forms; "?" before 1980), Attr ("RHSA").
    std::array<QString, kFileDetailCount> EntryDetails(int index);
    // The first entry of a kind whose name is exactly this, or -1.
    int FindEntry(char16_t kind, const QString& name) const;

    const TExtStringList& CategoryTable() const { return m_categoryTable; }

    // A directory given absolutely or relative to base, as a clean absolute path.
    static QString ResolvePath(const QString& base, const QString& text);

private:
    struct Listing;
    struct FolderTask;
    struct WalkOutput;
    struct WalkState;
    struct EntryRoom;

    void AddEntry(const TEntryFields& fields);
    void AddSystemEntries();
    void AddDrives();
    // Reads the listing; on the reading thread, the engine given pumps meanwhile.
    static int ReadListing(Listing& listing, TFileListEngine* pumping);
    // Whether a raw entry is a file that the mask m takes and the list shows: its find record (facts read
    // unless deferred, then known false).
    bool FileCandidate(const Listing& listing, size_t index, const TMaskList& masks, int m, bool defer,
        platform::TSearchRec& rec, bool& known) const;
    // Whether a raw entry is a subdirectory a walk enters (never a link, no hidden folder unless shown, no
    // pseudo file system below another device): its find record and identity.
    bool SubdirectoryCandidate(const Listing& listing, size_t index, const QString& directory,
        const platform::TFileIdentity& self, platform::TSearchRec& rec, platform::TFileIdentity& id) const;
    // The walk on worker threads, and one folder of it.
    void WalkInParallel(const TMaskList& masks, bool defer);
    void WalkWorker(WalkState& state, const TMaskList& masks, bool defer, TFileTest& test) const;
    void WalkFolder(
        WalkState& state, FolderTask& task, const TMaskList& masks, bool defer, TFileTest& test, WalkOutput& out) const;
    void AddDirectories(Listing& listing);
    void AddFiles(const QString& directory, Listing& listing, const TMaskList& masks, bool defer);
    // Walks the tree of directory, opened as the subdirectory name of parent (by its path when parent is null).
    void Walk(const QString& directory, const platform::TFileDescriptor* parent, const char* name,
        const TMaskList& masks, bool defer);
    void Finish();
    void EnsureFacts(int index);
    void Pump(int processed);

    QString m_directory;
    QString m_fileMask = QStringLiteral("*.*");
    TFileListOrder m_listOrder = flNormal;
    TFileListSortTypes m_sortBy = sbName;
    bool m_showSystemFiles = false;
    TTextCase m_textCase = tcLowerCase;
    TListDetails m_listDetails { ldDrives, ldSystemDirectories, ldDirectories, ldFiles };
    TSearchModeTypes m_searchMode = smNormal;

    std::unique_ptr<EntryRoom> m_room;
    std::vector<QString> m_entries;
    // Where the runs of entries that came over already in order begin (a parallel walk's batches).
    std::vector<size_t> m_runStarts;
    std::vector<QString> m_spareEntries; // what merging them needs, kept empty
    int m_listCount = 0;
    qint64 m_listSize = 0;
    bool m_listSizeComplete = true;
    int m_lastError = 0;
    int m_status = 0;
    int m_skippedDirectories = 0;
    int m_focusAfterRead = -1;
    bool m_reading = false;

    TAddFileHandler m_onAddFile;
    bool m_handlerNeedsFacts = true;
    TBatchHandler m_onBatch;
    TFileTestMaker m_makeTest;
    int m_walkThreads = 0;
    TNotifyHandler m_onSearchBegin;
    TNotifyHandler m_onSearchEnd;
    TNotifyHandler m_pump;
    int m_pumpInterval = 100;
    QElapsedTimer m_pumpTimer;
    int m_sincePump = 0;

    QSet<QPair<quint64, quint64>> m_visited;
    TExtStringList m_categoryTable;
};

} // namespace hy::filelist
