// The file-bound viewer: lines, rows and searches come from a THvFileModel; the model reports the end
// of the file, long scans and asks for the caret's line through its events.
#include "viewer/HvViewr.h"

#include "viewer/HvFileModel.h"

namespace hy::viewer {

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
}

THvCustomFileViewer::~THvCustomFileViewer() = default;

LineNumber THvCustomFileViewer::ClampLine(LineNumber line) { return m_model->ClampLine(line); }

const char* THvCustomFileViewer::LineText(LineNumber line, int& len) { return m_model->LineText(line, len); }

bool THvCustomFileViewer::SearchFor(const QByteArray& text, unsigned options)
{
    if (text.isEmpty() || !m_model->IsOpen() || LineTotal() == 0)
        return false;
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
