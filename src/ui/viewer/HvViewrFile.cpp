// The file-bound viewer: lines, rows and searches come from a THvFileModel; the model reports the end
// of the file, long scans and changes on disk, and asks for the caret's line through its events.
//
// Reads that take long (a scan to the end of a big file, a search, a line millions of bytes long) keep
// the program answering: they show their progress through OnLongWork, let other windows work, and stop
// on Esc. Painting never runs such a read: past a short budget its scan stops and goes on after the paint.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvCommands.h"
#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvRangeWriter.h"
#include "ui/common/InputGate.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>
#include <algorithm>

namespace hy::viewer {

using namespace hy::common;

namespace {
    int g_longWorkDelay = 400;
    int g_longWorkCount = 0; // viewers whose long read is shown now
    const int kPumpInterval = 100;
    const int kPaintScanBudget = 50; // ms a paint may spend scanning before the scan goes on after it

    qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

    // While a long read runs, the program keeps painting and answering. The busy viewer's own window and the
    // main window take no input but Esc: nothing there may close the viewer or ask its model for more while
    // the model is in the middle of a scan. Other windows (an alert, a question, any dialog) work as usual.
    QList<QWidget*> WindowsHeldByLongRead(QWidget* viewer)
    {
        QList<QWidget*> held { viewer->window() };
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow*>(top) && top != viewer->window())
                held << top;
        }
        return held;
    }
} // namespace

// Brackets every call that may read the file; the outermost one times the work and ends it. A scan that
// painting had to stop counts as long from its start.
class THvCustomFileViewer::WorkScope {
public:
    explicit WorkScope(THvCustomFileViewer* viewer, bool longFromStart = false)
        : m_viewer(viewer)
    {
        if (m_viewer->m_workDepth++ == 0) {
            m_viewer->m_workStarted = NowMs() - (longFromStart ? g_longWorkDelay : 0);
            // Within a command a stop holds until the command ends.
            if (m_viewer->m_commandDepth == 0)
                m_viewer->m_stopRequested = false;
        }
    }
    ~WorkScope()
    {
        if (--m_viewer->m_workDepth != 0)
            return;
        if (m_viewer->m_longWorkShown) {
            m_viewer->m_longWorkShown = false;
            --g_longWorkCount;
            // Paints held back while the model was busy are made up now.
            m_viewer->viewport()->update();
            Q_EMIT m_viewer->OnLongWork(false);
        }
        // What came up while the model was busy is taken up once the call that read has returned.
        if (m_viewer->ScrollBarsStale())
            QMetaObject::invokeMethod(
                m_viewer, [v = m_viewer] { v->UpdateStaleScrollBars(); }, Qt::QueuedConnection);
        if (m_viewer->m_resetPending)
            QMetaObject::invokeMethod(m_viewer, &THvCustomFileViewer::ApplyPendingReset, Qt::QueuedConnection);
        if (m_viewer->m_recheckPending) {
            m_viewer->m_recheckPending = false;
            QMetaObject::invokeMethod(
                m_viewer, [v = m_viewer] { v->CheckFileOnDisk(); }, Qt::QueuedConnection);
        }
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    THvCustomFileViewer* m_viewer;
};

void THvCustomFileViewer::CommandStarted()
{
    if (m_commandDepth++ == 0 && m_workDepth == 0)
        m_stopRequested = false;
}

void THvCustomFileViewer::SetLongWorkDelay(int milliseconds) { g_longWorkDelay = milliseconds; }

bool THvCustomFileViewer::AnyLongWorkRunning() { return g_longWorkCount > 0; }

LineNumber THvCustomFileViewer::KnownLastLine() const
{
    // Hex rows are all known; text lines as far as a scan has been.
    if (m_model->InHexMode() || LineTotal() != kUndeterminedTotal)
        return std::max<LineNumber>(LineTotal() - 1, 0);
    return std::max<LineNumber>(m_model->FarthestLine(), 0);
}

bool THvCustomFileViewer::PollStop()
{
    if (m_workDepth == 0 || m_pumping)
        return m_stopRequested;
    const qint64 now = NowMs();
    if (Painting()) {
        // Nothing is pumped from inside a paint: past its budget the scan stops and goes on after it.
        if (now - m_workStarted < std::min(g_longWorkDelay, kPaintScanBudget))
            return false;
        m_paintScanCut = true;
        return true;
    }
    if (now - m_workStarted < g_longWorkDelay)
        return m_stopRequested;
    if (!m_longWorkShown) {
        m_longWorkShown = true;
        ++g_longWorkCount;
        m_workStopped = false;
        m_lastPump = 0;
        Q_EMIT OnLongWork(true);
    }
    if (now - m_lastPump >= kPumpInterval) {
        m_pumping = true;
        {
            // The viewer's own rows would have to be read from the busy model: they keep their pixels.
            TInputGate gate(m_stopRequested, WindowsHeldByLongRead(this), viewport());
            QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        }
        m_pumping = false;
        m_lastPump = NowMs();
    }
    if (m_stopRequested) {
        m_workStopped = true;
        m_paintScansHeld = true;
    }
    return m_stopRequested;
}

bool THvCustomFileViewer::SkipScanWhilePainting(LineNumber line)
{
    if (m_model->InHexMode() || LineTotal() != kUndeterminedTotal || line <= KnownLastLine())
        return false;
    // A line no scan has reached: asked for outside a paint, it lets painting scan again after an Esc.
    if (!Painting()) {
        m_paintScansHeld = false;
        return false;
    }
    return m_paintScansHeld || m_scanQueued || m_paintScanCut;
}

void THvCustomFileViewer::paintEvent(QPaintEvent* event)
{
    m_paintScanCut = false;
    m_markLine = -1; // the lines may have changed since the last paint
    THvBaseViewer::paintEvent(event);
    if (!m_paintScanCut || m_scanQueued)
        return;
    m_scanQueued = true;
    QMetaObject::invokeMethod(this, &THvCustomFileViewer::ContinueScan, Qt::QueuedConnection);
}

void THvCustomFileViewer::ContinueScan()
{
    m_scanQueued = false;
    if (!m_model->IsOpen() || m_paintScansHeld || m_workDepth > 0)
        return;
    {
        // The lines of the screen that painting could not get to, as one long read.
        WorkScope work(this, true);
        const LineNumber first = FirstVisibleLine();
        for (LineNumber line = first; line < first + VisibleRows(); ++line) {
            const LineNumber clamped = m_model->ClampLine(line);
            if (m_model->Stopped() || clamped != line)
                break;
            int len = 0;
            m_model->LineText(line, len);
            if (m_model->Stopped())
                break;
        }
    }
    Repaint();
}

class THvCustomFileViewer::Events : public THvModelEvents {
public:
    explicit Events(THvCustomFileViewer* viewer)
        : m_viewer(viewer)
    {
    }
    void ModelLineTotalFound(LineNumber total) override { m_viewer->SetLineTotal(total); }
    void ModelShowHourglass() override { m_viewer->ShowHourglass(); }
    void ModelHideHourglass() override { m_viewer->HideHourglass(); }
    LineNumber ModelCaretLine() const override { return m_viewer->CaretCharLocation().Line; }
    void ModelFileChanged() override { m_viewer->FileChangedOnDisk(); }
    void ModelLinesRenumbered(LineNumber above, LineNumber delta) override { m_viewer->ShiftLines(above, delta); }

private:
    THvCustomFileViewer* m_viewer;
};

THvCustomFileViewer::THvCustomFileViewer(QWidget* parent)
    : THvBaseViewer(parent)
    , m_events(std::make_unique<Events>(this))
    , m_model(std::make_unique<THvFileModel>(m_events.get()))
{
    m_model->SetExpandTabs(ExpandTabs());
    // A compressed log shows as its text; its decoding goes on while it is shown (FollowCheck takes it in).
    m_model->SetDecodeCompressed(true);
    m_model->SetStopHook([this]() { return PollStop(); });
    // The count ends on its own thread: the news is handed to this one.
    m_model->SetCountFinishedHook(
        [this]() { QMetaObject::invokeMethod(this, &THvCustomFileViewer::ApplyLineCount, Qt::QueuedConnection); });
    m_followTimer = new QTimer(this);
    connect(m_followTimer, &QTimer::timeout, this, &THvCustomFileViewer::FollowCheck);
    m_countTimer = new QTimer(this);
    m_countTimer->setInterval(250);
    connect(m_countTimer, &QTimer::timeout, this, [this]() {
        if (!m_model->CountingLines())
            m_countTimer->stop();
        const TTextPosition caret = CaretLocation();
        Q_EMIT OnShowStatus(caret.Line, caret.Index);
    });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            CheckFileOnDisk();
    });
}

THvCustomFileViewer::~THvCustomFileViewer()
{
    if (m_longWorkShown)
        --g_longWorkCount;
}

bool THvCustomFileViewer::CheckFileOnDisk()
{
    if (!m_model->IsOpen())
        return false;
    if (m_workDepth > 0) {
        m_recheckPending = true;
        return false;
    }
    if (m_follow) {
        FollowCheck();
        return false;
    }
    if (!m_model->CheckFileChanged())
        return false;
    ApplyPendingReset();
    return true;
}

void THvCustomFileViewer::FileChangedOnDisk()
{
    // The total of the file as it now is at once, so that nothing beyond its end is painted; the view
    // starts over once the call that noticed the change has returned.
    SetLineTotal(m_model->LineTotal());
    m_paintScansHeld = false;
    m_resetPending = true;
}

void THvCustomFileViewer::ApplyPendingReset()
{
    if (!m_resetPending || m_workDepth > 0)
        return;
    m_resetPending = false;
    ResetView(m_model->LineTotal());
    if (!m_follow)
        return;
    // A followed file that was truncated or replaced is shown from its end again, and followed on from there.
    if (!m_model->InHexMode())
        ExecuteCommand(ccLastPage);
    Q_EMIT OnFollowNote(QStringLiteral("The file was truncated or replaced; it was reopened from the start."));
}

LineNumber THvCustomFileViewer::ClampLine(LineNumber line)
{
    // Asked again while the model is mid-scan (the window answering in between): what is known so far.
    if (m_pumping || SkipScanWhilePainting(line))
        return std::clamp<LineNumber>(line, 0, KnownLastLine());
    WorkScope work(this);
    const LineNumber result = m_model->ClampLine(line);
    // A scan stopped with Esc ends on the farthest line it reached, so the view stays among known lines.
    if (m_model->Stopped())
        return std::clamp<LineNumber>(line, 0, KnownLastLine());
    return result;
}

const char* THvCustomFileViewer::LineText(LineNumber line, int& len)
{
    if (m_pumping || SkipScanWhilePainting(line)) {
        len = 0;
        return "";
    }
    WorkScope work(this);
    const char* text = m_model->LineText(line, len);
    if (m_model->NeedsLineCount())
        QueueCountWait();
    return text;
}

qint64 THvCustomFileViewer::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    if (m_model->InHexMode())
        return THvBaseViewer::ReadLine(line, from, buf, n);
    if (m_pumping || SkipScanWhilePainting(line))
        return 0;
    WorkScope work(this);
    const qint64 got = m_model->ReadLine(line, from, buf, n);
    if (m_model->NeedsLineCount())
        QueueCountWait();
    return got;
}

qint64 THvCustomFileViewer::KnownLineSize(LineNumber line)
{
    if (m_model->InHexMode() || m_pumping)
        return -1;
    return m_model->KnownLineSize(line);
}

bool THvCustomFileViewer::LastReadStopped() const { return m_model->Stopped(); }

void THvCustomFileViewer::DecorateCells(LineNumber line, std::vector<TCell>& cells)
{
    if (!m_model->InHexMode() || m_pumping)
        return;
    WorkScope work(this);
    const std::vector<TCell> chars = m_model->HexCharCells(line);
    if (chars.empty())
        return;
    const qint64 first = chars.front().Column;
    const qint64 last = chars.back().Column;
    cells.erase(std::remove_if(
                    cells.begin(), cells.end(), [&](const TCell& c) { return c.Column >= first && c.Column <= last; }),
        cells.end());
    cells.insert(cells.end(), chars.begin(), chars.end());
}

TTextEncoding THvCustomFileViewer::Encoding() const { return m_model->Encoding(); }

TTextEncoding THvCustomFileViewer::EffectiveEncoding() const { return m_model->EffectiveEncoding(); }

void THvCustomFileViewer::SetEncoding(TTextEncoding encoding)
{
    if (encoding == m_model->Encoding())
        return;
    const bool open = m_model->IsOpen();
    const FileOffset place = open ? CaretOffset() : 0;
    const TTextEncoding before = m_model->EffectiveEncoding();
    const LineNumber totalBefore = m_model->LineTotal();
    {
        WorkScope work(this);
        m_model->SetEncoding(encoding);
    }
    ApplyLayoutMode();
    if (!open)
        return;
    if (m_model->LineTotal() != totalBefore || UnitSize(before) != UnitSize(m_model->EffectiveEncoding()))
        ResetView(m_model->LineTotal());
    else
        ResetLayout();
    PlaceCaretAtOffset(place);
    Repaint();
}

void THvCustomFileViewer::ApplyLayoutMode()
{
    if (m_model->InHexMode()) {
        Layout().SetEncoding(TTextEncoding::Iso8859_1);
        SetLayoutTabs(false);
    } else {
        Layout().SetEncoding(m_model->EffectiveEncoding());
        SetLayoutTabs(ExpandTabs());
    }
    ResetLayout();
}

FileOffset THvCustomFileViewer::OffsetOf(const TTextPosition& p, bool end)
{
    if (!m_model->IsOpen())
        return 0;
    WorkScope work(this);
    if (m_model->InHexMode()) {
        const int digits = m_model->HexOffsetDigits();
        const qint64 bytesColumn = digits + 2;
        const qint64 charColumn = HexCharColumn(digits);
        qint64 byte = 0;
        if (p.Index >= charColumn)
            byte = p.Index - charColumn;
        else if (p.Index >= bytesColumn)
            byte = (p.Index - bytesColumn + (end ? 2 : 0)) / 3;
        byte = std::clamp<qint64>(byte, 0, kHexRowBytes);
        return std::min(m_model->FileSize(), p.Line * kHexRowBytes + byte);
    }
    const FileOffset start = m_model->LineStart(p.Line);
    const FileOffset at = std::clamp<FileOffset>(start + p.Index, 0, m_model->FileSize());
    // A range to the end of the last line runs to the end of the file: a CR that is the file's last byte ends
    // no line, yet it is in the file.
    if (end && p.Line + 1 == LineTotal()) {
        const qint64 size = m_model->KnownLineSize(p.Line);
        if (size >= 0 && p.Index >= size)
            return m_model->FileSize();
    }
    return at;
}

FileOffset THvCustomFileViewer::CaretOffset() { return OffsetOf(CaretCharLocation(), false); }

std::pair<FileOffset, FileOffset> THvCustomFileViewer::SelectionByteRange()
{
    if (!HasSelection())
        return { 0, 0 };
    const FileOffset from = OffsetOf(SelectionStart(), false);
    const FileOffset to = OffsetOf(SelectionEnd(), true);
    return { from, std::max(from, to) };
}

int THvCustomFileViewer::WriteSelection(
    const QString& target, const std::function<bool(qint64 done, qint64 total)>& progress)
{
    const auto [from, to] = SelectionByteRange();
    if (to <= from)
        return 0;
    return WriteByteRange(
        [this](FileOffset offset, uint8_t* buf, qint64 n) { return m_model->ReadRaw(offset, buf, n); }, from, to,
        target, progress);
}

void THvCustomFileViewer::PlaceCaretAtOffset(FileOffset offset)
{
    if (!m_model->IsOpen() || LineTotal() == 0)
        return;
    offset = std::clamp<FileOffset>(offset, 0, m_model->FileSize());
    if (m_model->InHexMode()) {
        const LineNumber row = std::min<LineNumber>(offset / kHexRowBytes, std::max<LineNumber>(LineTotal() - 1, 0));
        PlaceCaret(row, HexCharColumn(m_model->HexOffsetDigits()) + (offset - row * kHexRowBytes));
        return;
    }
    FileOffset start = 0;
    LineNumber line = 0;
    for (int attempt = 0;; ++attempt) {
        {
            WorkScope work(this);
            line = m_model->LineOfOffset(offset, &start);
            if (!m_model->Stopped())
                break;
        }
        if (attempt > 0 || !m_model->NeedsLineCount() || !WaitForLineCount())
            return;
    }
    if (m_model->LineTotal() != LineTotal())
        SetLineTotal(m_model->LineTotal());
    PlaceCaret(line, offset - start);
    // The place shows near the top, as after Go to Line.
    if (!WrapLines())
        ScrollToLine(std::max<LineNumber>(line - VisibleRows() / 3, 0));
}

bool THvCustomFileViewer::SearchFor(const QString& text, unsigned options)
{
    if (m_pumping)
        return false;
    m_workStopped = false;
    if (text.isEmpty() || !m_model->IsOpen() || LineTotal() == 0)
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        {
            WorkScope work(this);
            HourglassScope scope(this, !m_model->InHexMode());
            const TTextPosition caret = CaretCharLocation();
            const std::optional<TSearchHit> hit = m_model->InHexMode()
                ? m_model->FindBytes(text, options, caret.Line)
                : m_model->FindText(text, options, caret.Line, caret.Index);
            if (hit) {
                SelectSearchHit(*hit, options);
                return true;
            }
        }
        // The match lies where lines are still being counted: it is numbered once the count is in.
        if (!m_model->NeedsLineCount() || !WaitForLineCount())
            return false;
    }
    return false;
}

std::unique_ptr<THvPresenceScan> THvCustomFileViewer::StartPresenceScan(
    const QString& text, unsigned options, std::function<void()> finished)
{
    if (m_pumping || !m_model->IsOpen() || m_model->InHexMode() || (options & soBackward) || m_model->DecodedSource()
        || m_model->IsSnapshot())
        return nullptr;
    std::optional<TTextPattern> pattern = THvPresenceScan::PatternOf(text, options, m_model->EffectiveEncoding());
    TReadAt read = m_model->BackgroundReader();
    if (!pattern || !read)
        return nullptr;
    FileOffset from = 0;
    if (!(options & soWholeFile)) {
        // From the start of the caret's line: a match before the caret on it only makes the answer Possible.
        WorkScope work(this);
        from = m_model->LineStart(std::max<LineNumber>(CaretCharLocation().Line, 0));
        if (from < 0 || m_model->Stopped())
            return nullptr;
    }
    return std::make_unique<THvPresenceScan>(std::move(read), std::move(*pattern), from, std::move(finished));
}

bool THvCustomFileViewer::CountingLines() const { return m_model->CountingLines(); }

double THvCustomFileViewer::CountProgress() const { return m_model->CountProgress(); }

bool THvCustomFileViewer::LineNumberKnown(LineNumber line) const
{
    return m_model->InHexMode() || m_model->LineNumberKnown(line);
}

void THvCustomFileViewer::PrepareEnd()
{
    if (!m_model->IsOpen() || m_model->InHexMode() || LineTotal() != kUndeterminedTotal || m_pumping || m_workDepth > 0)
        return;
    {
        WorkScope work(this);
        m_model->JumpToEnd();
    }
    if (m_model->CountingLines())
        m_countTimer->start();
}

bool THvCustomFileViewer::WaitForLineCount()
{
    if (!m_model->CountingLines())
        return true;
    if (m_workDepth > 0 || m_pumping)
        return false;
    {
        WorkScope work(this, true);
        if (!m_model->WaitForLineCount())
            return false;
    }
    ApplyLineCount();
    return !m_model->CountingLines();
}

void THvCustomFileViewer::ApplyLineCount()
{
    if (!m_model->CountingLines())
        return;
    if (m_workDepth > 0 || m_pumping) {
        // The model is busy: the count is taken once it is idle again.
        QTimer::singleShot(50, this, &THvCustomFileViewer::ApplyLineCount);
        return;
    }
    {
        WorkScope work(this);
        if (!m_model->ApplyLineCount())
            return;
    }
    m_countTimer->stop();
    Repaint();
    // The status shows the exact count now, not at the next progress report (lines whose numbers the count
    // left as they were are not renumbered, which would tell it).
    const TTextPosition caret = CaretLocation();
    Q_EMIT OnShowStatus(caret.Line, caret.Index);
}

void THvCustomFileViewer::QueueCountWait()
{
    if (m_countWaitQueued || m_paintScansHeld)
        return;
    m_countWaitQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this]() {
            m_countWaitQueued = false;
            if (WaitForLineCount())
                Repaint();
        },
        Qt::QueuedConnection);
}

void THvCustomFileViewer::SetFollow(bool follow)
{
    if (follow == m_follow)
        return;
    m_follow = follow;
    if (!follow) {
        delete m_watcher;
        m_watcher = nullptr;
        m_followTimer->stop();
        return;
    }
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &THvCustomFileViewer::FollowCheck);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &THvCustomFileViewer::FollowCheck);
    WatchFile();
    FollowCheck();
    if (m_model->IsOpen() && !m_model->InHexMode())
        ExecuteCommand(ccLastPage);
}

void THvCustomFileViewer::WatchFile()
{
    if (!m_watcher || FileName().isEmpty())
        return;
    // A rotated log is renamed and made anew: the folder tells of that, the file of what is added.
    const QString dir = QFileInfo(FileName()).absolutePath();
    if (!m_watcher->files().contains(FileName()))
        m_watcher->addPath(FileName());
    if (!m_watcher->directories().contains(dir))
        m_watcher->addPath(dir);
    // Where the file system tells nothing (or the file is gone for a moment), the file is looked at often;
    // otherwise now and then, in case a change went untold.
    m_followTimer->start(m_watcher->files().contains(FileName()) ? 1000 : 250);
}

bool THvCustomFileViewer::CaretOnLastLine() const
{
    // An empty file has no line yet: what is written first is its end.
    return LineTotal() == 0 || m_model->FileSize() == 0
        || (LineTotal() != kUndeterminedTotal && CaretCharLocation().Line >= LineTotal() - 1);
}

void THvCustomFileViewer::FollowCheck()
{
    const bool decoding = m_model->DecodedBytesPending();
    if (!m_follow && !decoding)
        m_followTimer->stop();
    if ((!m_follow && !decoding) || !m_model->IsOpen() || m_workDepth > 0 || m_pumping)
        return;
    const bool atEnd = CaretOnLastLine();
    TFollowChange change = TFollowChange::None;
    {
        WorkScope work(this);
        change = m_model->FollowFile();
    }
    WatchFile();
    if (change == TFollowChange::None)
        return;
    if (change == TFollowChange::Restarted) {
        ApplyPendingReset(); // to the new file's end, with the note
        return;
    }
    ResetLayout(); // the last line known before may have grown
    // Hex rows are all known at once; a file that was empty has lines now, to be found as usual.
    if (m_model->InHexMode() || LineTotal() == 0)
        SetLineTotal(m_model->LineTotal());
    if (atEnd && m_follow && !m_model->InHexMode())
        ExecuteCommand(ccLastPage);
    // Every row from the old last line on shows more than it did: all of them are painted again, also where
    // the view did not move.
    Repaint();
}

void THvCustomFileViewer::PlaceCaretOnLine(LineNumber line)
{
    if (m_model->CountingLines() && line > m_model->ExactLineLimit() && !WaitForLineCount())
        return;
    PlaceCaret(line, 0);
}

QString THvCustomFileViewer::FileName() const { return m_model->FileName(); }

void THvCustomFileViewer::SetFileName(const QString& name)
{
    const bool wasOpen = m_model->IsOpen();
    SetIsOpen(false);
    m_model->SetFileName(name);
    if (wasOpen)
        SetIsOpen(true);
}

bool THvCustomFileViewer::IsOpen() const { return m_model->IsOpen(); }

void THvCustomFileViewer::SetIsOpen(bool open)
{
    if (open == m_model->IsOpen())
        return;
    if (!open) {
        m_model->Close();
        ResetLineTotal(0);
        return;
    }
    if (m_model->FileName().isEmpty())
        return;
    HourglassScope scope(this, true);
    try {
        m_model->Open();
    } catch (...) {
        ResetLineTotal(0);
        throw;
    }
    ApplyLayoutMode();
    ResetView(m_model->LineTotal());
    if (!m_follow && m_model->DecodedBytesPending())
        m_followTimer->start(100);
}

bool THvCustomFileViewer::InHexMode() const { return m_model->InHexMode(); }

void THvCustomFileViewer::SetInHexMode(bool hex)
{
    if (hex == m_model->InHexMode())
        return;
    const bool open = m_model->IsOpen() && LineTotal() != 0;
    const FileOffset place = open ? CaretOffset() : 0;
    m_model->SetInHexMode(hex);
    ApplyLayoutMode();
    // Selection and bookmarks of one presentation mean nothing in the other, so the view is reset even
    // when both happen to have the same total; the caret keeps its place in the file.
    if (m_model->IsOpen()) {
        ResetView(m_model->LineTotal());
        if (open && place > 0)
            PlaceCaretAtOffset(place);
    }
}

QString THvCustomFileViewer::RangeText(LineNumber line, qint64 from, qint64 to)
{
    if (!m_model->InHexMode())
        return THvBaseViewer::RangeText(line, from, to);
    // A dump row copies as it shows: the character column with its decoded characters.
    std::vector<TCell> cells = Layout().CellsOfRange(line, from, to);
    DecorateCells(line, cells);
    std::sort(cells.begin(), cells.end(), [](const TCell& a, const TCell& b) { return a.Column < b.Column; });
    QString out;
    for (const TCell& c : cells) {
        if (c.Index < from || c.Index >= to)
            continue;
        switch (c.Type) {
        case TCell::Glyph:
            out += c.Text;
            break;
        case TCell::Blank:
            out += QLatin1Char(' ');
            break;
        case TCell::Placeholder:
            out += QLatin1Char('.');
            break;
        case TCell::Replacement:
            out += QChar(QChar::ReplacementCharacter);
            break;
        }
    }
    return out;
}

bool THvCustomFileViewer::PresentsTextLines() const { return !m_model->InHexMode(); }

bool THvCustomFileViewer::FilterChars() const { return m_model->FilterChars(); }

void THvCustomFileViewer::SetFilterChars(bool filter)
{
    if (filter == m_model->FilterChars())
        return;
    m_model->SetFilterChars(filter);
    Repaint();
}

int THvCustomFileViewer::BufferPageCount() const { return m_model->BufferPageCount(); }

void THvCustomFileViewer::SetBufferPageCount(int count) { m_model->SetBufferPageCount(count); }

FileOffset THvCustomFileViewer::FileSize() const { return m_model->FileSize(); }

void THvCustomFileViewer::ExpandTabsChanged()
{
    m_model->SetExpandTabs(ExpandTabs());
    ApplyLayoutMode();
}

} // namespace hy::viewer
