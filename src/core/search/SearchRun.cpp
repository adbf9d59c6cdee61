// One disk search: the acceptance handler of the tree walk and the criteria it applies.
#include "core/search/SearchRun.h"

#include "common/HyUtils.h"
#include "core/filelist/FileListEngine.h"
#include "core/viewer/HvFileModel.h"
#include "platform/PlatformFiles.h"

namespace hy::search {

using namespace hy::base;
using namespace hy::common;
using namespace hy::platform;

TSearchRun::TSearchRun()
    : m_model(std::make_unique<viewer::THvFileModel>())
{
}

TSearchRun::~TSearchRun() = default;

void TSearchRun::Begin(const TSearchCriteria& criteria, const QDateTime& now)
{
    m_criteria = criteria;
    m_bounds = TSearchBounds::From(criteria, now);
    m_text = criteria.ByContents ? criteria.Text : QString();
    m_contentOptions = viewer::soWholeFile | (criteria.MatchCase ? viewer::soMatchCase : 0u);
    m_searched = 0;
    m_found = 0;
    m_sinceMessages.invalidate();
    m_sinceShown.invalidate();
    m_lastDirectory.clear();
    m_directoryPending = false;
    // Which byte to look for first is settled by the first 64 KiB of the search, not counted again for
    // every file: that count cost as much as searching the file.
    m_model->ShareProbeCounts(true);
    m_model->SetDecodeCompressed(criteria.InsideCompressed);
}

void TSearchRun::End() { m_model->Close(); }

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

bool TSearchRun::Accepts(const TSearchRec& S, const QString& path)
{
    if (m_bounds.ByDate && !m_bounds.DateFits(S.Time))
        return false;
    if (m_bounds.ByTime && !m_bounds.TimeFits(S.Time))
        return false;
    if (m_bounds.BySize && !m_bounds.SizeFits(S.Size))
        return false;
    if (m_criteria.ByContents && !ContainsText(JoinPath(path, S.Name)))
        return false;
    return true;
}

bool TSearchRun::ContainsText(const QString& path)
{
    if (m_text.isEmpty())
        return false;
    const QString name = NameOf(path);
    // A long file keeps the window answering while it is read; a stop ends its search early.
    m_model->SetStopHook([this, &name]() {
        if (!m_sinceMessages.isValid() || m_sinceMessages.elapsed() >= m_intervalMs) {
            ShowProgress(name);
            KeepAlive(true);
        }
        return Stopped();
    });
    m_model->SetFileName(path);
    bool found = false;
    try {
        m_model->Open();
        found = m_model->FindText(m_text, m_contentOptions, 0, 0).has_value();
    } catch (const std::exception&) {
        // A file that cannot be opened or read does not hold the text; the search goes on.
        found = false;
    }
    m_model->Close();
    m_model->SetStopHook({});
    return found;
}

} // namespace hy::search
