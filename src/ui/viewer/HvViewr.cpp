// The viewer control: its parts and properties, the line total, metrics, bookmarks, the wait cursor and
// the status signal. Scrolling and the caret's moves, painting, and keys and mouse have files of their own.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvBase.h"
#include "core/viewer/HvCmd.h"
#include "core/viewer/HvLayout.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFxFnt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <map>

namespace hy::viewer {

using namespace hy::base;

ENoControllerAssigned::ENoControllerAssigned()
    : EHvException(QStringLiteral("No Controller assigned"))
{
}
namespace {
    constexpr int kDragInterval = 30; // ms between drag steps while the pointer is outside the text
    const QString kAlphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");

    // What a font's measures give the viewer: its cell, its baseline, the font drawn on the cell grid, and which
    // Latin and Greek characters it draws one cell wide.
    struct TFontCells {
        int RowHeight = 12;
        int CharWidth = 12;
        int Ascent = 10;
        QFont DrawFont;
        std::array<bool, 0x370> InFont {};
        QChar DefaultGlyph;
    };

    TFontCells MeasureFont(const QFont& font)
    {
        const QFontMetrics fm(font);
        const QFontMetricsF fmf(font);
        TFontCells cells;
        cells.RowHeight = std::max(fm.height() + 2, 12);
        cells.CharWidth = std::max(1, qRound(fmf.horizontalAdvance(kAlphabet) / kAlphabet.size()));
        cells.Ascent = fm.ascent();
        // Glyph advances may be fractional; spacing them out to the whole-pixel cell keeps runs on the grid.
        cells.DrawFont = font;
        cells.DrawFont.setLetterSpacing(
            QFont::AbsoluteSpacing, cells.CharWidth - fmf.horizontalAdvance(QLatin1Char('M')));
        const int cellAdvance = qRound(fmf.horizontalAdvance(QLatin1Char('M')));
        for (size_t code = 0; code < cells.InFont.size(); ++code) {
            const char32_t c = char32_t(code);
            cells.InFont[code] = IsDrawable(c) && CharCells(c) == 1 && fm.inFontUcs4(c)
                && qRound(fmf.horizontalAdvance(CharText(c))) == cellAdvance;
        }
        cells.DefaultGlyph = fm.inFontUcs4(0x25A1) ? QChar(0x25A1) : QLatin1Char('?');
        return cells;
    }

    // Measuring a font walks hundreds of characters; every viewer of the same font (all of them, as a rule)
    // shares one measure. Viewers live on the window's thread only.
    const TFontCells& FontCells(const QFont& font)
    {
        static std::map<QString, TFontCells> measured;
        const QString key = font.key();
        auto it = measured.find(key);
        if (it == measured.end()) {
            if (measured.size() >= 16)
                measured.clear();
            it = measured.emplace(key, MeasureFont(font)).first;
        }
        return it->second;
    }
} // namespace

// The layout reads the lines through the viewer's own ReadLine.
class THvBaseViewer::LayoutSource : public THvTextSource {
public:
    explicit LayoutSource(THvBaseViewer* viewer)
        : m_viewer(viewer)
    {
    }
    qint64 SourceRead(LineNumber line, qint64 from, uint8_t* buf, qint64 n) override
    {
        if (line < 0 || m_viewer->m_lineTotal == 0 || line >= m_viewer->m_lineTotal)
            return 0;
        return m_viewer->ReadLine(line, from, buf, n);
    }
    qint64 SourceKnownSize(LineNumber line) override
    {
        if (line < 0 || m_viewer->m_lineTotal == 0 || line >= m_viewer->m_lineTotal)
            return 0;
        return m_viewer->KnownLineSize(line);
    }

private:
    THvBaseViewer* m_viewer;
};

THvBaseViewer::HourglassScope::HourglassScope(THvBaseViewer* viewer, bool show)
    : m_viewer(viewer)
{
    if (show)
        m_viewer->ShowHourglass();
}

THvBaseViewer::HourglassScope::~HourglassScope() { m_viewer->HideHourglass(); }

THvBaseViewer::THvBaseViewer(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_fixedFont(new THvFixedFont(this))
    , m_highlightColors(new THvColors(palette().color(QPalette::Active, QPalette::Highlight),
          palette().color(QPalette::Active, QPalette::HighlightedText), this))
    , m_marginColor(palette().color(QPalette::Base))
    , m_color(palette().color(QPalette::Base))
    , m_layoutSource(std::make_unique<LayoutSource>(this))
    , m_layout(m_layoutSource.get())
    , m_singleCaret(new THvSingleCaret(viewport()))
    , m_dragTimer(new QTimer(this))
{
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    m_bookmarks.fill({ -1, 0 });
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    SetBorderStyle(bsSingle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The thumb acts only when it is released; every other action is taken over here.
    for (QScrollBar* bar : { verticalScrollBar(), horizontalScrollBar() }) {
        bar->setTracking(false);
        bar->installEventFilter(this);
    }
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &THvBaseViewer::VerticalAction);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, &THvBaseViewer::HorizontalAction);

    connect(m_fixedFont, &THvFixedFont::Changed, this, [this] {
        UpdateMetrics();
        Repaint();
    });
    connect(m_highlightColors, &THvColors::Changed, this, [this] {
        if (HasSelection())
            Repaint();
    });
    m_dragTimer->setInterval(kDragInterval);
    connect(m_dragTimer, &QTimer::timeout, this, &THvBaseViewer::DragStep);

    UpdateMetrics();
    resize(200, 150);
}

THvBaseViewer::~THvBaseViewer() { HideHourglass(); }

LineNumber THvBaseViewer::ClampLine(LineNumber line) { return line; }

qint64 THvBaseViewer::ReadLine(LineNumber line, qint64 from, uint8_t* buf, qint64 n)
{
    int len = 0;
    const char* text = LineText(line, len);
    if (!text || from >= len || from < 0 || n <= 0)
        return 0;
    const qint64 count = std::min<qint64>(n, len - from);
    std::memcpy(buf, text + from, size_t(count));
    return count;
}

void THvBaseViewer::SetTextEncoding(TTextEncoding encoding)
{
    m_layout.SetEncoding(encoding);
    m_caretIndex = m_lineTotal != 0 ? ClampIndex(m_caretLine, m_caretIndex) : 0;
    CollapseSelection();
    UpdateCaret();
    Repaint();
}

void THvBaseViewer::ResetLayout() { m_layout.Reset(); }

void THvBaseViewer::SetLayoutTabs(bool expand) { m_layout.SetTabs(expand, m_tabSize); }

void THvBaseViewer::SetShowLineNumbers(bool show)
{
    if (show == m_showLineNumbers)
        return;
    const bool caretShown = CaretShown();
    m_showLineNumbers = show;
    UpdateGutter();
    UpdateMetrics();
    KeepCaretShown(caretShown);
    Repaint();
}

void THvBaseViewer::SetWrapLines(bool wrap)
{
    if (wrap == m_wrapLines)
        return;
    const bool caretShown = CaretShown();
    m_wrapLines = wrap;
    m_firstRow = 0;
    m_firstColumn = 0;
    UpdateScrollBars();
    KeepCaretShown(caretShown);
    Repaint();
}

bool THvBaseViewer::Wrapping() const { return m_wrapLines && PresentsTextLines(); }

int THvBaseViewer::WrapWidth() const { return std::max(1, m_visibleColumns - 1); }

qint64 THvBaseViewer::ColumnExtent() const { return std::max(m_layout.WidestSeen(), m_caretColumn) + 1; }

void THvBaseViewer::UpdateGutter()
{
    int columns = 0;
    if (m_showLineNumbers && PresentsTextLines()) {
        const LineNumber last = m_lineTotal == kUndeterminedTotal ? m_firstLine + m_visibleRows : m_lineTotal;
        columns = GutterColumns(last);
    }
    if (columns == m_gutterColumns)
        return;
    m_gutterColumns = columns;
    m_marginWidth = columns * m_charWidth;
    UpdateMetrics();
}
// --- Properties ---

void THvBaseViewer::SetBorderStyle(TBorderStyle style)
{
    m_borderStyle = style;
    if (style == bsSingle) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    UpdateMinimumSize();
}

THvCaret* THvBaseViewer::Caret() const { return m_singleCaret->Caret(); }

void THvBaseViewer::SetCaret(std::shared_ptr<THvCaret> caret) { m_singleCaret->SetCaret(std::move(caret)); }

void THvBaseViewer::SetController(THvController* controller) { m_controller = controller; }

THvController* THvBaseViewer::EnsureController()
{
    if (!m_controller) {
        if (QWidget* form = window(); form && form != this)
            m_controller = form->findChild<THvController*>();
        else
            m_controller = findChild<THvController*>();
    }
    if (!m_controller)
        throw ENoControllerAssigned();
    return m_controller;
}

void THvBaseViewer::SetExpandTabs(bool expand)
{
    if (expand == m_expandTabs)
        return;
    m_expandTabs = expand;
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    ExpandTabsChanged();
    UpdateCaret();
    Repaint();
}

void THvBaseViewer::SetMarginColor(const QColor& color)
{
    m_marginColor = color;
    Repaint();
}

void THvBaseViewer::SetColor(const QColor& color)
{
    m_color = color;
    Repaint();
}

void THvBaseViewer::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    const bool horizontal = style == ssHorizontal || style == ssBoth;
    const bool vertical = style == ssVertical || style == ssBoth;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    UpdateMinimumSize();
}

void THvBaseViewer::SetShowBookmarks(bool show)
{
    m_showBookmarks = show;
    Repaint();
}

void THvBaseViewer::SetShowCaret(bool show)
{
    if (show == m_showCaret)
        return;
    m_showCaret = show;
    m_singleCaret->SetShown(show);
}

void THvBaseViewer::SetTabSize(int size)
{
    if (size <= 0 || size == m_tabSize)
        return;
    m_tabSize = std::min(size, 255);
    m_layout.SetTabs(m_expandTabs, m_tabSize);
    ExpandTabsChanged(); // a descendant may show lines whose tabs mean nothing
    if (m_expandTabs) {
        UpdateCaret();
        Repaint();
    }
}

// --- Line total ---

void THvBaseViewer::SetLineTotal(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
    UpdateGutter();
    UpdateScrollBars();
}

void THvBaseViewer::ShiftLines(LineNumber above, LineNumber delta)
{
    auto shift = [&](LineNumber& line) {
        if (line > above)
            line += delta;
    };
    shift(m_firstLine);
    shift(m_caretLine);
    shift(m_selStart.Line);
    shift(m_selEnd.Line);
    shift(m_selAnchor.Line);
    for (TTextPosition& b : m_bookmarks) {
        if (b.Line >= 0)
            shift(b.Line);
    }
    m_layout.Reset(); // it knows lines by their numbers
    UpdateGutter();
    UpdateScrollBars();
    Repaint();
    PostStatus();
}

void THvBaseViewer::ResetLineTotal(LineNumber count)
{
    if (count != m_lineTotal)
        ResetView(count);
}

void THvBaseViewer::ResetView(LineNumber count)
{
    m_lineTotal = std::max<LineNumber>(count, 0);
    m_layout.Reset();
    m_firstRow = 0;
    UpdateGutter();
    if (m_lineTotal == 0) {
        m_caretLine = 0;
        m_caretIndex = 0;
        m_caretColumn = 0;
        m_firstLine = 0;
    } else {
        PlaceCaret(0, 0);
    }
    CollapseSelection();
    m_firstColumn = 0;
    m_bookmarks.fill({ -1, 0 });
    UpdateScrollBars();
    Repaint();
    UpdateCaret();
}

// --- Metrics ---

void THvBaseViewer::UpdateMetrics()
{
    const TFontCells& cells = FontCells(m_fixedFont->Font());
    m_rowHeight = cells.RowHeight;
    m_charWidth = cells.CharWidth;
    m_ascent = cells.Ascent;
    m_drawFont = cells.DrawFont;
    m_inFont = cells.InFont;
    m_defaultGlyph = cells.DefaultGlyph;
    m_marginWidth = m_gutterColumns * m_charWidth;

    const QSize area = viewport()->size();
    m_visibleRows = std::max(area.height() / m_rowHeight, 1);
    m_visibleColumns = std::max((area.width() - m_marginWidth) / m_charWidth, 1);
    m_singleCaret->SetCellSize(m_charWidth, m_rowHeight);
    UpdateScrollBars();
    UpdateMinimumSize();
    UpdateCaret();
}

void THvBaseViewer::UpdateMinimumSize()
{
    // The client area never gets smaller than one character cell.
    // Scroll bars shown as needed are counted as shown, so the bound holds whichever appear.
    int extraWidth = 2 * frameWidth();
    int extraHeight = 2 * frameWidth();
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        extraWidth += verticalScrollBar()->sizeHint().width();
    if (horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        extraHeight += horizontalScrollBar()->sizeHint().height();
    setMinimumSize(extraWidth + m_marginWidth + m_charWidth, extraHeight + m_rowHeight);
}

void THvBaseViewer::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateMetrics();
}

LineNumber THvBaseViewer::PageLines() const { return std::max(1, m_visibleRows - 1); }

// --- Bookmarks and the wait cursor ---

void THvBaseViewer::SetBookmark(int index, LineNumber line, qint64 column)
{
    if (index < 0 || index >= kBookmarkCount)
        return;
    const TTextPosition old = m_bookmarks[index];
    m_bookmarks[index] = { line, column };
    if (old.Line >= 0)
        InvalidateLines(old.Line, old.Line);
    InvalidateLines(line, line);
}

void THvBaseViewer::JumpToBookmark(int index)
{
    if (index < 0 || index >= kBookmarkCount || m_bookmarks[index].Line < 0)
        return;
    MoveCaretTo(m_bookmarks[index].Line, m_bookmarks[index].Index, false);
}

TTextPosition THvBaseViewer::Bookmark(int index) const
{
    if (index < 0 || index >= kBookmarkCount)
        return { -1, 0 };
    return m_bookmarks[index];
}

void THvBaseViewer::ShowHourglass()
{
    if (m_hourglass || !testAttribute(Qt::WA_WState_Created))
        return;
    m_hourglass.emplace();
}

void THvBaseViewer::HideHourglass() { m_hourglass.reset(); }

} // namespace hy::viewer
