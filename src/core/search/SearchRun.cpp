// One disk search: the acceptance handler of the tree walk and the criteria it applies.
#include "core/search/SearchRun.h"

#include "common/HyUtils.h"
#include "core/compress/CompressKind.h"
#include "core/filelist/FileListEngine.h"
#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvTextFinder.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hy::search {

using namespace hy::base;
using namespace hy::common;
using namespace hy::platform;

namespace {

    // The date, time and size criteria.
    bool FitsBounds(const TSearchBounds& bounds, const TSearchRec& S)
    {
        return (!bounds.ByDate || bounds.DateFits(S.Time)) && (!bounds.ByTime || bounds.TimeFits(S.Time))
            && (!bounds.BySize || bounds.SizeFits(S.Size));
    }

    // Reads up to n bytes (fewer at the end of the file); -1 on a failure.
    qint64 ReadUpTo(const TFileDescriptor& file, uint8_t* buffer, size_t n)
    {
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::read(file.Get(), buffer + done, n - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return -1;
            if (got == 0)
                break;
            done += size_t(got);
        }
        return qint64(done);
    }

} // namespace

TFileContents::TFileContents(const QString& text, bool matchCase, bool insideCompressed, std::function<bool()> stop)
    : m_text(text)
    , m_options(viewer::soWholeFile | (matchCase ? viewer::soMatchCase : 0u))
    , m_insideCompressed(insideCompressed)
    , m_finder(std::make_unique<viewer::THvTextFinder>(text, matchCase))
    , m_stop(std::move(stop))
{
}

TFileContents::~TFileContents() = default;

void TFileContents::Close()
{
    if (m_model)
        m_model->Close();
}

bool TFileContents::HoldsFile(const QString& path)
{
    const QByteArray name = EncodeFileName(path);
    return Holds(TFileDescriptor(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)),
        [&path]() { return path; });
}

bool TFileContents::Holds(TFileDescriptor file, const std::function<QString()>& path)
{
    if (m_text.isEmpty() || !file.Valid())
        return false;
    struct stat st { };
    if (::fstat(file.Get(), &st) != 0)
        return false;
    // Anything but a small plain file (a large one, a device, a pipe) is the model's to read.
    if (S_ISREG(st.st_mode) && st.st_size <= qint64(kWholeFileBytes)) {
        if (m_buffer.empty())
            m_buffer.resize(kWholeFileBytes + 1);
        // One read takes a small file whole; a file that grew meanwhile past the buffer goes to the model.
        const qint64 got = ReadUpTo(file, m_buffer.data(), m_buffer.size());
        if (got < 0)
            return false;
        const size_t size = size_t(got);
        const bool compressed = m_insideCompressed
            && compress::DetectCompression(m_buffer.data(), std::min(size, compress::kCompressHeadSize))
                != compress::TCompressKind::None;
        if (size <= kWholeFileBytes && !compressed) {
            if (const std::optional<bool> found = m_finder->Contains(m_buffer.data(), size))
                return *found;
        }
    }
    file.Reset();
    return ModelHolds(path());
}

bool TFileContents::ModelHolds(const QString& path)
{
    if (!m_model) {
        m_model = std::make_unique<viewer::THvFileModel>();
        // Which byte to look for first is settled by the first 64 KiB of the search, not counted again for
        // every file: that count cost as much as searching the file.
        m_model->ShareProbeCounts(true);
        m_model->SetDecodeCompressed(m_insideCompressed);
        m_model->SetStopHook(m_stop);
    }
    m_model->SetFileName(path);
    bool found = false;
    try {
        m_model->Open();
        found = m_model->FindText(m_text, m_options, 0, 0).has_value();
    } catch (const std::exception&) {
        // A file that cannot be opened or read does not hold the text; the search goes on.
        found = false;
    }
    m_model->Close();
    return found;
}

TSearchRun::TSearchRun() = default;

TSearchRun::~TSearchRun() = default;

void TSearchRun::Begin(const TSearchCriteria& criteria, const QDateTime& now)
{
    m_criteria = criteria;
    m_bounds = TSearchBounds::From(criteria, now);
    m_text = criteria.ByContents ? criteria.Text : QString();
    // A long file keeps the window answering while it is read; a stop ends its search early.
    m_contents = std::make_unique<TFileContents>(m_text, criteria.MatchCase, criteria.InsideCompressed, [this]() {
        if (!m_sinceMessages.isValid() || m_sinceMessages.elapsed() >= m_intervalMs) {
            ShowProgress(m_currentName);
            KeepAlive(true);
        }
        return Stopped();
    });
    m_searched = 0;
    m_found = 0;
    m_sinceMessages.invalidate();
    m_sinceShown.invalidate();
    m_lastDirectory.clear();
    m_directoryPending = false;
    m_currentName.clear();
}

void TSearchRun::End()
{
    if (m_contents)
        m_contents->Close();
}

bool TSearchRun::Stopped() const { return m_hooks.StopRequested && m_hooks.StopRequested(); }

void TSearchRun::ShowProgress(const QString& name)
{
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < m_intervalMs)
        return;
    m_sinceShown.start();
    if (m_directoryPending && m_hooks.ShowDirectory) {
        m_directoryPending = false;
        m_hooks.ShowDirectory(m_lastDirectory);
    }
    if (!name.isNull() && m_hooks.ShowFile)
        m_hooks.ShowFile(name, m_searched, m_found);
}

void TSearchRun::KeepAlive(bool force)
{
    if (!force && m_sinceMessages.isValid() && m_sinceMessages.elapsed() < m_intervalMs)
        return;
    if (m_hooks.ProcessMessages)
        m_hooks.ProcessMessages();
    m_sinceMessages.start();
}

void TSearchRun::AddFile(TSearchRec& S, const QString& Path, bool& OK, int& Error)
{
    if (S.Attr & platform::faDirectory) {
        m_lastDirectory = Path;
        m_directoryPending = true;
        ShowProgress(QString());
        KeepAlive(true);
    } else {
        ++m_searched;
        const bool due = !m_sinceMessages.isValid() || m_sinceMessages.elapsed() >= m_intervalMs;
        if (due) {
            ShowProgress(S.Name);
            KeepAlive(true);
        }
        if (!Stopped()) {
            OK = Accepts(S, Path);
            if (OK)
                ++m_found;
        }
    }
    if (Stopped()) {
        OK = false;
        Error = kErrorSearchStopped;
    }
}

int TSearchRun::TakeBatch(const filelist::TFileListEngine::TWalkBatch& batch)
{
    m_searched += batch.Files;
    m_found += batch.Kept;
    if (!batch.Folder.isNull()) {
        m_lastDirectory = batch.Folder;
        m_directoryPending = true;
    }
    if (!batch.LastFile.isNull())
        m_currentName = batch.LastFile;
    ShowProgress(m_currentName);
    // Messages are processed for every batch that entered a folder, else a few times a second.
    KeepAlive(batch.Folders > 0);
    return Stopped() ? kErrorSearchStopped : 0;
}

filelist::TFileListEngine::TFileTest TSearchRun::MakeFileTest(const std::atomic<bool>& stop) const
{
    std::shared_ptr<TFileContents> contents;
    if (m_criteria.ByContents) {
        contents = std::make_shared<TFileContents>(
            m_text, m_criteria.MatchCase, m_criteria.InsideCompressed, [&stop]() { return stop.load(); });
    }
    return [bounds = m_bounds, byContents = m_criteria.ByContents, contents](
               const TDirectoryReader& folder, const QString& folderPath, const char* name, const TSearchRec& S) {
        if (!FitsBounds(bounds, S))
            return false;
        if (!byContents)
            return true;
        return contents->Holds(folder.OpenFile(name),
            [&folderPath, name]() { return JoinPath(folderPath, DecodeFileName(name, qsizetype(std::strlen(name)))); });
    };
}

bool TSearchRun::Accepts(const TSearchRec& S, const QString& path)
{
    if (!FitsBounds(m_bounds, S))
        return false;
    if (m_criteria.ByContents && !ContainsText(JoinPath(path, S.Name)))
        return false;
    return true;
}

bool TSearchRun::ContainsText(const QString& path)
{
    if (m_text.isEmpty() || !m_contents)
        return false;
    m_currentName = NameOf(path);
    return m_contents->HoldsFile(path);
}

} // namespace hy::search
