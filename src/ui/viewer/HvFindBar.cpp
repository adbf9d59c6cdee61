// The find bar: the pattern field, its toggles, next and previous, and the match count.
#include "ui/viewer/HvFindBar.h"

#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvRegexSearch.h"
#include "ui/viewer/HvViewr.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

namespace hy::viewer {

namespace {
    qint64 g_typingPauseFrom = qint64(64) << 20;
    constexpr int kTypingPauseMs = 300;
    constexpr int kPollMs = 100;
    // A selection longer than this, or of more than one line, does not become the pattern.
    constexpr qint64 kLongestPickedText = 200;

    // Counts are written the same on every machine: "3,456".
    QString Number(qint64 n) { return QLocale(QLocale::English, QLocale::UnitedStates).toString(n); }

    QToolButton* Button(const QString& text, const QString& tip, QWidget* parent)
    {
        auto* b = new QToolButton(parent);
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    }
} // namespace

void THvFindBar::SetTypingPauseFrom(qint64 bytes) { g_typingPauseFrom = bytes; }

THvFindBar::THvFindBar(THvCustomFileViewer* viewer, QWidget* parent)
    : QWidget(parent)
    , m_viewer(viewer)
    , m_field(new QLineEdit(this))
    , m_matchCase(new QCheckBox(QStringLiteral("Match &Case"), this))
    , m_wholeWord(new QCheckBox(QStringLiteral("&Whole Word"), this))
    , m_regex(new QCheckBox(QStringLiteral("Rege&x"), this))
    , m_prev(Button(QStringLiteral("▲"), QStringLiteral("Previous match (Shift+Enter, Shift+F3)"), this))
    , m_next(Button(QStringLiteral("▼"), QStringLiteral("Next match (Enter, F3)"), this))
    , m_showLines(Button(QStringLiteral("Show matching lines"),
          QStringLiteral("List the lines that match in a pane under the text"), this))
    , m_status(new QLabel(this))
    , m_note(new QLabel(this))
    , m_typing(new QTimer(this))
    , m_poll(new QTimer(this))
    , m_back(255, 220, 90)
    , m_text(Qt::black)
{
    setObjectName(QStringLiteral("FindBar"));
    auto* close = Button(QStringLiteral("×"), QStringLiteral("Close the find bar (Esc)"), this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(close);
    layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
    m_field->setObjectName(QStringLiteral("FindBarText"));
    m_field->setMinimumWidth(160);
    layout->addWidget(m_field, 1);
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_prev, m_next, m_matchCase, m_wholeWord, m_regex, m_status, m_note })
        layout->addWidget(w);
    layout->addStretch(1);
    layout->addWidget(m_showLines);
    // The button's menu lists the other lines instead.
    auto* otherLines = new QMenu(m_showLines);
    m_hideLines = otherLines->addAction(QStringLiteral("Hide matching lines"));
    m_hideLines->setToolTip(QStringLiteral("List the lines that do not match in a pane under the text"));
    m_showLines->setMenu(otherLines);
    m_showLines->setPopupMode(QToolButton::MenuButtonPopup);
    m_regex->setToolTip(QStringLiteral("The text is a regular expression"));
    m_showLines->hide(); // shown where a window has a pane for the lines
    for (QCheckBox* box : { m_matchCase, m_wholeWord, m_regex })
        box->setFocusPolicy(Qt::NoFocus);
    m_status->setObjectName(QStringLiteral("FindBarStatus"));
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QStringLiteral("match 88,888 of 888,888+")));
    m_note->setObjectName(QStringLiteral("FindBarNote"));
    m_typing->setSingleShot(true);
    m_poll->setInterval(kPollMs);
    m_field->installEventFilter(this);

    connect(m_field, &QLineEdit::textEdited, this, &THvFindBar::PatternEdited);
    for (QCheckBox* box : { m_matchCase, m_wholeWord, m_regex })
        connect(box, &QCheckBox::toggled, this, &THvFindBar::PatternEdited);
    connect(m_typing, &QTimer::timeout, this, &THvFindBar::SearchAsTyped);
    connect(m_poll, &QTimer::timeout, this, &THvFindBar::Poll);
    connect(m_next, &QToolButton::clicked, this, &THvFindBar::Next);
    connect(m_prev, &QToolButton::clicked, this, &THvFindBar::Previous);
    connect(close, &QToolButton::clicked, this, &THvFindBar::Close);
    connect(m_showLines, &QToolButton::clicked, this, [this] { Q_EMIT MatchingLinesWanted(false); });
    connect(m_hideLines, &QAction::triggered, this, [this] { Q_EMIT MatchingLinesWanted(true); });
    hide();
}

THvFindBar::~THvFindBar() = default;

TMatchQuery THvFindBar::Query() const
{
    return { m_field->text(), m_matchCase->isChecked(), m_wholeWord->isChecked(), m_regex->isChecked() };
}

void THvFindBar::SetQuery(const TMatchQuery& query)
{
    const QSignalBlocker b1(m_matchCase), b2(m_wholeWord), b3(m_regex);
    m_field->setText(query.Text);
    m_matchCase->setChecked(query.MatchCase);
    m_wholeWord->setChecked(query.WholeWord);
    m_regex->setChecked(query.Regex);
    PatternEdited();
}

void THvFindBar::SetMatchColors(const QColor& back, const QColor& text)
{
    m_back = back;
    m_text = text;
    m_viewer->SetFindMarks({ isVisible() ? Query() : TMatchQuery {}, m_back, m_text });
}

void THvFindBar::Open()
{
    // One short line of selected text is what the person wants to find.
    LineNumber sl = 0, el = 0;
    qint64 si = 0, ei = 0;
    if (m_viewer->SelectionBounds(sl, si, ei, el) && sl == el && ei - si <= kLongestPickedText
        && !m_viewer->InHexMode()) {
        const QString picked = m_viewer->TextOfRange(sl, si, ei);
        if (!picked.isEmpty() && picked != m_field->text()) {
            m_field->setText(m_regex->isChecked() ? QRegularExpression::escape(picked) : picked);
            m_anchor = { sl, si };
            m_hit = -1;
        }
    }
    if (!m_viewer->HasSelection())
        m_anchor = m_viewer->CaretCharLocation();
    // The field's clear button takes its picture from the icon theme: looked up when a bar first opens, not for
    // every window that never shows one.
    m_field->setClearButtonEnabled(true);
    show();
    m_field->setFocus();
    m_field->selectAll();
    m_viewer->SetFindMarks({ RegexProblem().isEmpty() ? Query() : TMatchQuery {}, m_back, m_text });
    if (m_counted != Query() || !m_count)
        RestartCount();
    UpdateStatus();
}

void THvFindBar::Close()
{
    m_typing->stop();
    hide();
    m_viewer->SetFindMarks({ {}, m_back, m_text });
    m_viewer->setFocus();
    Q_EMIT Closed();
}

QString THvFindBar::RegexProblem() const
{
    const TMatchQuery q = Query();
    return q.Text.isEmpty() || !(q.Regex || q.WholeWord) ? QString() : RegexError(q.FindText());
}

void THvFindBar::PatternEdited()
{
    m_note->clear();
    m_hit = -1;
    m_noMatch = false;
    const bool valid = RegexProblem().isEmpty();
    m_viewer->SetFindMarks({ valid ? Query() : TMatchQuery {}, m_back, m_text });
    RestartCount();
    UpdateStatus();
    Q_EMIT QueryChanged();
    if (!valid || Query().Text.isEmpty())
        return;
    m_typing->start(m_viewer->FileSize() > g_typingPauseFrom ? kTypingPauseMs : 0);
}

void THvFindBar::SearchAsTyped()
{
    // Each version of the pattern is looked for from where typing began.
    if (!Step(false, true))
        m_viewer->SelectRange(m_anchor.Line, m_anchor.Index, true, m_anchor.Index, m_anchor.Line);
}

void THvFindBar::Next()
{
    m_typing->stop();
    if (Step(false, false))
        m_anchor = m_viewer->SelectionStart();
}

void THvFindBar::Previous()
{
    m_typing->stop();
    if (Step(true, false))
        m_anchor = m_viewer->SelectionStart();
}

bool THvFindBar::Step(bool backward, bool fromAnchor)
{
    const TMatchQuery q = Query();
    m_note->clear();
    if (q.Text.isEmpty() || !RegexProblem().isEmpty()) {
        UpdateStatus();
        return false;
    }
    if (fromAnchor) {
        m_viewer->SelectRange(m_anchor.Line, m_anchor.Index, true, m_anchor.Index, m_anchor.Line);
    } else if (m_viewer->HasSelection()) {
        // Forward goes on after the selection, backward before it.
        const TTextPosition s = m_viewer->SelectionStart();
        const TTextPosition e = m_viewer->SelectionEnd();
        m_viewer->SelectRange(s.Line, s.Index, !backward, e.Index, e.Line);
    }
    const unsigned options = q.FindOptions() | (backward ? unsigned(soBackward) : 0u);
    bool found = m_viewer->SearchFor(q.FindText(), options);
    if (!found && !m_viewer->WorkStopped()) {
        found = m_viewer->SearchFor(q.FindText(), options | soWholeFile);
        if (found)
            m_note->setText(backward ? QStringLiteral("Reached the start; went on from the end")
                                     : QStringLiteral("Reached the end; went on from the start"));
    }
    m_noMatch = !found && !m_viewer->WorkStopped();
    m_hit = -1;
    if (found) {
        // Both ends of the match come into view; the caret stays where the search left it.
        const TTextPosition s = m_viewer->SelectionStart();
        const TTextPosition e = m_viewer->SelectionEnd();
        m_viewer->SelectRange(s.Line, s.Index, backward, e.Index, e.Line);
        m_viewer->SelectRange(s.Line, s.Index, !backward, e.Index, e.Line);
        if (!m_viewer->InHexMode()) {
            const FileOffset start = m_viewer->Model().LineStart(s.Line);
            m_hit = start >= 0 ? start + s.Index : -1;
        }
        m_hitNumber = 0;
    } else if (m_viewer->WorkStopped()) {
        m_note->setText(QStringLiteral("Search stopped"));
    }
    UpdateStatus();
    return found;
}

void THvFindBar::RestartCount()
{
    m_count.reset();
    m_poll->stop();
    m_counted = Query();
    m_countedSize = m_viewer->FileSize();
    m_countedEncoding = m_viewer->EffectiveEncoding();
    if (m_counted.Text.isEmpty() || !RegexProblem().isEmpty() || !m_viewer->IsOpen())
        return;
    THvMatchScan::Setup s;
    s.Read = m_viewer->Model().BackgroundReader();
    if (!s.Read)
        return;
    s.Encoding = m_viewer->EffectiveEncoding();
    s.Queries = { m_counted };
    m_count = std::make_unique<THvMatchScan>(std::move(s));
    m_poll->start();
}

void THvFindBar::Poll()
{
    if (!isVisible()) {
        // A hidden bar counts no more.
        m_count.reset();
        m_poll->stop();
        return;
    }
    // A file that grew or changed (Follow) is counted again once the count in hand is done.
    // Another encoding is counted anew at once.
    if (m_count && m_viewer->EffectiveEncoding() != m_countedEncoding) {
        RestartCount();
        return;
    }
    if (m_count && m_count->Finished() && m_viewer->FileSize() != m_countedSize) {
        RestartCount();
        return;
    }
    UpdateStatus();
    if (m_count && m_count->Finished() && !m_viewer->Follow())
        m_poll->stop();
}

qint64 THvFindBar::Total() const { return m_count ? m_count->Found() : 0; }

bool THvFindBar::Counting() const { return m_count && !m_count->Finished(); }

qint64 THvFindBar::HitNumber() const
{
    if (m_hitNumber > 0 || m_hit < 0 || !m_count)
        return m_hitNumber;
    // Only a hit in the part the count has passed is numbered: its checkpoint is there for certain.
    if (!m_count->Finished() && m_hit >= m_count->BytesDone())
        return 0;
    const THvMatchScan::Checkpoint cp = m_count->CheckpointAtOrBefore(m_hit);
    const THvLineMatcher matcher(m_counted, m_viewer->EffectiveEncoding());
    THvFileModel& model = m_viewer->Model();
    const qint64 before = CountMatchesBefore(
        [&model](FileOffset offset, uint8_t* buf, size_t n) {
            return size_t(std::max<qint64>(0, model.ReadRaw(offset, buf, qint64(n))));
        },
        m_viewer->EffectiveEncoding(), matcher, cp.Offset, m_hit);
    m_hitNumber = before >= 0 ? cp.Before + before + 1 : 0;
    return m_hitNumber;
}

void THvFindBar::UpdateStatus()
{
    m_status->setText(StatusText());
    QPalette pal = m_status->palette();
    pal.setColor(QPalette::WindowText, m_noMatch ? QColor(180, 0, 0) : palette().color(QPalette::WindowText));
    m_status->setPalette(pal);
}

QString THvFindBar::StatusText() const
{
    const TMatchQuery q = Query();
    if (q.Text.isEmpty())
        return QString();
    const QString problem = RegexProblem();
    if (!problem.isEmpty())
        return QStringLiteral("Invalid regular expression: %1.").arg(problem);
    const bool counting = Counting();
    const qint64 total = Total();
    if (!counting && m_count && total == 0)
        return QStringLiteral("No matches");
    if (m_noMatch && !counting)
        return QStringLiteral("No matches");
    // While counting, the total so far, in thousands once it is that large.
    const QString of
        = counting ? Number(total >= 1000 ? total / 1000 * 1000 : total) + QLatin1Char('+') : Number(total);
    const qint64 number = HitNumber();
    if (m_hit >= 0 && number > 0)
        return QStringLiteral("match %1 of %2").arg(Number(number), of);
    if (!m_count)
        return m_noMatch ? QStringLiteral("No matches") : QString();
    return QStringLiteral("%1 matches").arg(of);
}

QString THvFindBar::NoteText() const { return m_note->text(); }

bool THvFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
    case Qt::Key_Escape:
        break;
    default:
        return QWidget::eventFilter(watched, event);
    }
    // The bar's keys are its own while the field has the keyboard, whatever the window's shortcuts say.
    event->accept();
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    if (key->key() == Qt::Key_Escape)
        Close();
    else if (shift)
        Previous();
    else
        Next();
    return true;
}

} // namespace hy::viewer
