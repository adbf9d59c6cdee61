// TSearchRun: one disk search as the file list's tree walk sees it. Its acceptance handler counts the files
// searched and found, keeps the progress display up to date, lets pending messages be processed at a
// bounded rate (and at every folder) so that the window answers and Stop is noticed, and applies the
// date, time, size and contents criteria in that order. The contents test reads each file through the
// viewer's file model and its search, from the start of the file.
#pragma once

#include "core/search/SearchCriteria.h"
#include "platform/PlatformDirs.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

namespace hy::viewer {
class THvFileModel;
}

namespace hy::search {

using platform::TSearchRec;

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
    QString m_text; // the contained text; each file's model matches it in the file's own encoding
    unsigned m_contentOptions = 0;
    std::unique_ptr<viewer::THvFileModel> m_model;
    qint64 m_searched = 0;
    qint64 m_found = 0;
    int m_intervalMs = 50;
    QElapsedTimer m_sinceMessages;
    QElapsedTimer m_sinceShown;
    QString m_lastDirectory;
    bool m_directoryPending = false;
};

} // namespace hy::search
