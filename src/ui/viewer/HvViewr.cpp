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
// What a font's measures give the viewer: its cell, its baseline, the font drawn on the cell grid, and which
// Latin and Greek characters it draws one cell wide. A character is measured when a viewer first paints it: a
// character the font lacks sends Qt through the system's fallback fonts, which would cost every start for
// characters most files never show.
class TFontCells {
public:
    explicit TFontCells(const QFont& font)
        : m_metrics(font)
        , m_metricsF(font)
    {
        RowHeight = std::max(m_metrics.height() + 2, 12);
        CharWidth = std::max(1, qRound(m_metricsF.horizontalAdvance(kAlphabet) / kAlphabet.size()));
        Ascent = m_metrics.ascent();
        // Glyph advances may be fractional; spacing them out to the whole-pixel cell keeps runs on the grid.
        DrawFont = font;
        DrawFont.setLetterSpacing(QFont::AbsoluteSpacing, CharWidth - m_metricsF.horizontalAdvance(QLatin1Char('M')));
        m_cellAdvance = qRound(m_metricsF.horizontalAdvance(QLatin1Char('M')));
        m_inFont.fill(kUnknown);
    }

    // Whether the character can join a run of text drawn straight on the cell grid.
    bool DrawsInOneCell(char32_t c)
    {
        if (c >= m_inFont.size())
            return false;
        int8_t& known = m_inFont[c];
        if (known == kUnknown) {
            // One character's advance straight from the font, without shaping a string for it.
            known = IsDrawable(c) && CharCells(c) == 1 && m_metrics.inFontUcs4(c)
                    && qRound(m_metricsF.horizontalAdvance(QChar(char16_t(c)))) == m_cellAdvance
                ? 1
                : 0;
        }
        return known == 1;
    }

    // The glyph shown for a character the font has no glyph for.
    QChar DefaultGlyph()
    {
        if (m_defaultGlyph.isNull())
            m_defaultGlyph = m_metrics.inFontUcs4(0x25A1) ? QChar(0x25A1) : QLatin1Char('?');
        return m_defaultGlyph;
    }

    int RowHeight = 12;
    int CharWidth = 12;
    int Ascent = 10;
    QFont DrawFont;

private:
    static constexpr int8_t kUnknown = -1;
    static inline const QString kAlphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");

    QFontMetrics m_metrics;
    QFontMetricsF m_metricsF;
    int m_cellAdvance = 0;
    std::array<int8_t, 0x370> m_inFont {};
    QChar m_defaultGlyph;
};

namespace {
    constexpr int kDragInterval = 30; // ms between drag steps while the pointer is outside the text

    // Measuring a font costs; every viewer of the same font (all of them, as a rule) shares one measure. Viewers
    // live on the window's thread only.
    std::shared_ptr<TFontCells> FontCells(const QFont& font)
    {
        static std::map<QString, std::shared_ptr<TFontCells>> measured;
        const QString key = font.key();
        auto it = measured.find(key);
        if (it == measured.end()) {
            if (measured.size() >= 16)
                measured.clear();
            it = measured.emplace(key, std::make_shared<TFontCells>(font)).first;
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

bool THvBaseViewer::DrawsInOneCell(char32_t code) const { return m_fontCells && m_fontCells->DrawsInOneCell(code); }

QChar THvBaseViewer::DefaultCharGlyph() const { return m_fontCells ? m_fontCells->DefaultGlyph() : QLatin1Char('?'); }

void THvBaseViewer::UpdateMetrics()
{
    m_fontCells = FontCells(m_fixedFont->Font());
    m_rowHeight = m_fontCells->RowHeight;
    m_charWidth = m_fontCells->CharWidth;
    m_ascent = m_fontCells->Ascent;
    m_drawFont = m_fontCells->DrawFont;
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
