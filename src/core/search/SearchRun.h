// TSearchRun: one disk search as the file list's tree walk sees it. A walk through the folders on worker
// threads takes a test of the date, time, size and contents criteria (in that order) for each worker, and
// hands the run its batches; a read of one folder calls its acceptance handler for every file instead. Either
// way the run counts the files searched and found, keeps the progress display up to date and lets pending
// messages be processed at a bounded rate, so that the window answers and Stop is noticed.
// TFileContents is the contents test: small files are read whole and searched in memory as the viewer's file
// model searches them from the start of the file; the model itself reads the others.
#pragma once

#include "core/filelist/FileListEngine.h"
#include "core/search/SearchCriteria.h"
#include "platform/PlatformDirs.h"

#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace hy::viewer {
class THvFileModel;
class THvTextFinder;
}

namespace hy::search {

using platform::TSearchRec;

// Whether files hold a text. One serves one thread.
class TFileContents {
public:
    // stop: asked by the file model while it reads a long file; true ends that file's search (not found).
    TFileContents(const QString& text, bool matchCase, bool insideCompressed, std::function<bool()> stop);
    ~TFileContents();
    TFileContents(const TFileContents&) = delete;
    TFileContents& operator=(const TFileContents&) = delete;

    // A file open for reading, which this call closes; path names it for the file model, asked only when
    // the model reads the file. A file that cannot be opened or read does not hold the text.
    bool Holds(platform::TFileDescriptor file, const std::function<QString()>& path);
    bool HoldsFile(const QString& path);
    // Lets go of the file the model had open.
    void Close();

    // Files up to this size are read whole in one read.
    static constexpr size_t kWholeFileBytes = size_t(256) << 10;

private:
    bool ModelHolds(const QString& path);

    QString m_text;
    unsigned m_options = 0;
    bool m_insideCompressed = false;
    std::unique_ptr<viewer::THvTextFinder> m_finder;
    std::vector<uint8_t> m_buffer;
    std::unique_ptr<viewer::THvFileModel> m_model; // made when a file first needs it
    std::function<bool()> m_stop;
};

class TSearchRun {
public:
    struct THooks {
        // The folder the walk enters; the file being searched with both counts. Called at most a few
        // times a second, and before messages are processed.
        std::function<void(const QString& path)> ShowDirectory;
        std::function<void(const QString& name, qint64 searched, qint64 found)> ShowFile;
        // Lets pending window messages be processed (the Stop button among them).
        std::function<void()> ProcessMessages;
        // The user asked to stop.
        std::function<bool()> StopRequested;
    };

    TSearchRun();
    ~TSearchRun();
    TSearchRun(const TSearchRun&) = delete;
    TSearchRun& operator=(const TSearchRun&) = delete;

    void SetHooks(THooks hooks) { m_hooks = std::move(hooks); }
    // The longest time between two rounds of message processing while files are searched.
    void SetMessageInterval(int milliseconds) { m_intervalMs = milliseconds; }

    // Starts a search: counters to 0, the bounds computed from the criteria at the moment now.
    void Begin(const TSearchCriteria& criteria, const QDateTime& now);
    // Lets go of the file the contents test had open.
    void End();

    const TSearchCriteria& Criteria() const { return m_criteria; }
    const TSearchBounds& Bounds() const { return m_bounds; }
    qint64 FilesSearched() const { return m_searched; }
    qint64 FilesFound() const { return m_found; }
    bool Stopped() const;

    // The handler of a walk on worker threads: counts, progress, messages; kErrorSearchStopped once the user
    // asked to stop.
    int TakeBatch(const filelist::TFileListEngine::TWalkBatch& batch);
    // The test of one worker thread: the criteria of Accepts, for a file inside an open folder.
    filelist::TFileListEngine::TFileTest MakeFileTest(const std::atomic<bool>& stop) const;

    // The handler the list calls for every file that matches a mask (Path: the directory being read) and
    // for every subdirectory before it is entered (Path: its full path). A stop refuses the entry and sets
    // Error to -1000, which ends the walk.
    void AddFile(platform::TSearchRec& S, const QString& Path, bool& OK, int& Error);

    // The criteria for one file, in order: date, time, size, contents.
    bool Accepts(const platform::TSearchRec& S, const QString& path);
    // Whether the file holds the search text (in any of its byte forms). A file that cannot be opened or
    // read does not.
    bool ContainsText(const QString& path);

    // Processes messages when the interval has passed since the last time (or always when forced).
    void KeepAlive(bool force);

private:
    void ShowProgress(const QString& name);

    THooks m_hooks;
    TSearchCriteria m_criteria;
    TSearchBounds m_bounds;
    QString m_text; // the contained text; each file is searched in its own encoding
    std::unique_ptr<TFileContents> m_contents; // the contents test of the handler's thread
    QString m_currentName;
    qint64 m_searched = 0;
    qint64 m_found = 0;
    int m_intervalMs = 50;
    QElapsedTimer m_sinceMessages;
    QElapsedTimer m_sinceShown;
    QString m_lastDirectory;
    bool m_directoryPending = false;
};

} // namespace hy::search
