// The file-bound viewer: lines, rows and searches come from a THvFileModel; the model reports the end
// of the file, long scans and asks for the caret's line through its events.
#include "viewer/HvViewr.h"

#include "viewer/HvFileModel.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>

namespace hy::viewer {

namespace {
    int g_longWorkDelay = 400;
    const int kPumpInterval = 100;

    qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }
} // namespace

// While a long read runs, the window keeps painting and answering, but takes no input but Esc: nothing
// may close the viewer or ask its model for more while the model is in the middle of a scan.
class THvCustomFileViewer::InputGate : public QObject {
public:
    explicit InputGate(THvCustomFileViewer* viewer)
        : m_viewer(viewer)
    {
        qApp->installEventFilter(this);
    }
    ~InputGate() override { qApp->removeEventFilter(this); }
    InputGate(const InputGate&) = delete;
    InputGate& operator=(const InputGate&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_viewer->m_stopRequested = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::ApplicationStateChange:
        case QEvent::ApplicationActivate:
        case QEvent::ApplicationDeactivate:
            return true;
        case QEvent::Paint:
            // The viewer's own rows would have to be read from the busy model: they keep their pixels.
            return watched == m_viewer->viewport();
        default:
            return false;
        }
    }

private:
    THvCustomFileViewer* m_viewer;
};

// Brackets every call that may read the file; the outermost one times the work and ends it.
class THvCustomFileViewer::WorkScope {
public:
    explicit WorkScope(THvCustomFileViewer* viewer)
        : m_viewer(viewer)
    {
        if (m_viewer->m_workDepth++ == 0) {
            m_viewer->m_workStarted = NowMs();
            m_viewer->m_stopRequested = false;
        }
    }
    ~WorkScope()
    {
        if (--m_viewer->m_workDepth == 0 && m_viewer->m_longWorkShown) {
            m_viewer->m_longWorkShown = false;
            // Paints held back while the model was busy are made up now.
            m_viewer->viewport()->update();
            Q_EMIT m_viewer->OnLongWork(false);
        }
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    THvCustomFileViewer* m_viewer;
};

void THvCustomFileViewer::SetLongWorkDelay(int milliseconds) { g_longWorkDelay = milliseconds; }

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
    if (now - m_workStarted < g_longWorkDelay)
        return m_stopRequested;
    if (!m_longWorkShown) {
        m_longWorkShown = true;
        m_workStopped = false;
        m_lastPump = 0;
        Q_EMIT OnLongWork(true);
    }
    // Other windows are not painted from inside this viewer's own paint.
    if (now - m_lastPump >= kPumpInterval && !Painting()) {
        m_pumping = true;
        {
            InputGate gate(this);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        }
        m_pumping = false;
        m_lastPump = NowMs();
    }
    if (m_stopRequested)
        m_workStopped = true;
    return m_stopRequested;
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

private:
    THvCustomFileViewer* m_viewer;
};

THvCustomFileViewer::THvCustomFileViewer(QWidget* parent)
    : THvBaseViewer(parent)
    , m_events(std::make_unique<Events>(this))
    , m_model(std::make_unique<THvFileModel>(m_events.get()))
{
    m_model->SetExpandTabs(ExpandTabs());
    m_model->SetStopHook([this]() { return PollStop(); });
}

THvCustomFileViewer::~THvCustomFileViewer() = default;

LineNumber THvCustomFileViewer::ClampLine(LineNumber line)
{
    // Asked again while the model is mid-scan (the window answering in between): what is known so far.
    if (m_pumping)
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
    if (m_pumping) {
        len = 0;
        return "";
    }
    WorkScope work(this);
    return m_model->LineText(line, len);
}

bool THvCustomFileViewer::SearchFor(const QByteArray& text, unsigned options)
{
    if (m_pumping)
        return false;
    m_workStopped = false;
    if (text.isEmpty() || !m_model->IsOpen() || LineTotal() == 0)
        return false;
    WorkScope work(this);
    HourglassScope scope(this, !m_model->InHexMode());
    const TextPosition caret = CaretCharLocation();
    const std::optional<SearchHit> hit = m_model->InHexMode()
        ? m_model->FindBytes(text, options, caret.Line)
        : m_model->FindText(text, options, caret.Line, caret.Index);
    if (!hit)
        return false;
    SelectSearchHit(*hit, options);
    return true;
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
    ResetView(m_model->LineTotal());
}

bool THvCustomFileViewer::InHexMode() const { return m_model->InHexMode(); }

void THvCustomFileViewer::SetInHexMode(bool hex)
{
    if (hex == m_model->InHexMode())
        return;
    m_model->SetInHexMode(hex);
    // Caret, selection and bookmarks of one presentation mean nothing in the other, so the view is reset
    // even when both happen to have the same total.
    if (m_model->IsOpen())
        ResetView(m_model->LineTotal());
}

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

void THvCustomFileViewer::ExpandTabsChanged() { m_model->SetExpandTabs(ExpandTabs()); }

} // namespace hy::viewer
