// The pane of matching lines: its list model over the background scan, the painting of its rows, and the
// pane with its patterns and its link to the viewer's caret.
#include "ui/viewer/HvFilterPane.h"

#include "core/viewer/HvFileModel.h"
#include "core/viewer/HvModelIo.h"
#include "core/viewer/HvRegexSearch.h"
#include "ui/viewer/HvFxFnt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

namespace hy::viewer {

namespace {
    constexpr int kRowBytes = 4096; // of a line's text shown in a row
    constexpr size_t kCachedRows = 256;
    constexpr int kPollMs = 100;

    QString Number(qint64 n) { return QLocale(QLocale::English, QLocale::UnitedStates).toString(n); }

    // A row: the line number in the margin's ink, then the text with its marks.
    class RowDelegate : public QStyledItemDelegate {
    public:
        RowDelegate(THvFilterModel* model, THvCustomFileViewer* viewer, QObject* parent)
            : QStyledItemDelegate(parent)
            , m_model(model)
            , m_viewer(viewer)
        {
        }

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            const int row = index.row();
            const TLinePlace place = m_model->Place(row);
            TDecodedLine line;
            const std::vector<THvMark> marks = m_model->RowMarks(row, line);
            painter->save();
            const bool selected = option.state & QStyle::State_Selected;
            painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
            painter->setFont(m_viewer->FixedFont()->Font());
            const QFontMetrics fm(painter->font());
            const QString number = Number(place.Line + 1);
            const int gutter = fm.horizontalAdvance(QStringLiteral("0")) * 10;
            QRect r = option.rect.adjusted(2, 0, 0, 0);
            painter->setPen(option.palette.color(QPalette::PlaceholderText));
            painter->drawText(
                QRect(r.left(), r.top(), gutter - 6, r.height()), Qt::AlignRight | Qt::AlignVCenter, number);
            int x = r.left() + gutter;
            const QColor ink
                = selected ? option.palette.color(QPalette::HighlightedText) : m_viewer->FixedFont()->Color();
            // Runs of characters that share their mark are drawn together.
            const auto markAt = [&](qint64 byte) -> const THvMark* {
                for (auto it = marks.crbegin(); it != marks.crend(); ++it) {
                    if (it->WholeLine || (byte >= it->From && byte < it->To))
                        return &*it;
                }
                return nullptr;
            };
            for (const THvMark& m : marks) {
                if (m.WholeLine && m.Back.isValid() && !selected)
                    painter->fillRect(QRect(x, r.top(), r.right() - x, r.height()), m.Back);
            }
            qsizetype i = 0;
            const qsizetype n = line.Text.size();
            while (i < n && x < r.right()) {
                const THvMark* m = markAt(line.ByteOf[size_t(i)]);
                qsizetype j = i + 1;
                while (j < n && markAt(line.ByteOf[size_t(j)]) == m)
                    ++j;
                const QString run = line.Text.mid(i, j - i);
                const int w = fm.horizontalAdvance(run);
                if (m && m->Back.isValid() && !m->WholeLine)
                    painter->fillRect(QRect(x, r.top(), w, r.height()), m->Back);
                painter->setPen(m && m->Text.isValid() ? m->Text : ink);
                painter->drawText(QRect(x, r.top(), w + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, run);
                x += w;
                i = j;
            }
            painter->restore();
        }

        QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
        {
            return { 200, QFontMetrics(m_viewer->FixedFont()->Font()).height() + 2 };
        }

    private:
        THvFilterModel* m_model;
        THvCustomFileViewer* m_viewer;
    };
} // namespace

// --- The rows ---

THvFilterModel::THvFilterModel(THvCustomFileViewer* viewer, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewer(viewer)
{
}

THvFilterModel::~THvFilterModel() = default;

void THvFilterModel::Start(std::vector<TMatchQuery> queries, TCombine how, bool invert)
{
    beginResetModel();
    m_scan.reset();
    m_rows = 0;
    m_cache.clear();
    m_queries = std::move(queries);
    m_how = how;
    m_invert = invert;
    endResetModel();
    Launch({}, {});
}

void THvFilterModel::Launch(TLinePlace from, THvLineList seed)
{
    const bool anything
        = std::any_of(m_queries.begin(), m_queries.end(), [](const TMatchQuery& q) { return !q.Text.isEmpty(); });
    THvMatchScan::Setup s;
    s.Read = m_viewer->Model().BackgroundReader();
    if (!s.Read || !anything)
        return;
    s.Encoding = m_viewer->EffectiveEncoding();
    for (const TMatchQuery& q : m_queries) {
        if (!q.Text.isEmpty())
            s.Queries.push_back(q);
    }
    s.Combine = m_how;
    s.Invert = m_invert;
    s.CollectLines = true;
    s.From = from;
    s.Seed = std::move(seed);
    m_scannedSize = m_viewer->FileSize();
    m_scannedEncoding = m_viewer->EffectiveEncoding();
    m_scan = std::make_unique<THvMatchScan>(std::move(s));
}

void THvFilterModel::Stop() { m_scan.reset(); }

bool THvFilterModel::Filling() const { return m_scan && !m_scan->Finished(); }

void THvFilterModel::Poll()
{
    if (!m_scan)
        return;
    const FileOffset size = m_viewer->FileSize();
    if (m_viewer->EffectiveEncoding() != m_scannedEncoding) {
        Start(m_queries, m_how, m_invert); // the lines read otherwise in another encoding
        return;
    }
    if (m_scan->Finished() && m_scan->Complete() && size != m_scannedSize) {
        if (size < m_scannedSize) {
            Start(m_queries, m_how, m_invert); // the file was cut or replaced: it is listed anew
            return;
        }
        // The file grew: the scan goes on from its last line, which may have been written on.
        const TLinePlace resume = m_scan->Resume();
        THvLineList lines = m_scan->TakeLines();
        lines.TruncateFrom(resume.Offset);
        if (lines.Size() < m_rows) {
            beginRemoveRows(QModelIndex(), int(lines.Size()), m_rows - 1);
            m_rows = int(lines.Size());
            m_cache.clear();
            endRemoveRows();
        }
        Launch(resume, std::move(lines));
        return;
    }
    const qint64 count = std::min<qint64>(m_scan->LineCount(), std::numeric_limits<int>::max());
    if (count > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, int(count) - 1);
        m_rows = int(count);
        endInsertRows();
    }
}

int THvFilterModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

QVariant THvFilterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return QStringLiteral("%1: %2").arg(Place(index.row()).Line + 1).arg(RowText(index.row()));
    return {};
}

TLinePlace THvFilterModel::Place(int row) const { return m_scan ? m_scan->LineAt(row) : TLinePlace { -1, -1 }; }

const THvFilterModel::Fetched& THvFilterModel::Fetch(int row) const
{
    for (const Fetched& f : m_cache) {
        if (f.Row == row)
            return f;
    }
    Fetched f;
    f.Row = row;
    const TLinePlace place = Place(row);
    if (place.Offset >= 0) {
        f.Bytes.resize(kRowBytes);
        auto* p = reinterpret_cast<uint8_t*>(f.Bytes.data());
        const qint64 got = std::max<qint64>(0, m_viewer->Model().ReadRaw(place.Offset, p, kRowBytes));
        // The text ends at the line's end.
        const scan::TLineEnds e { UnitSize(m_viewer->EffectiveEncoding()),
            BigEndianUnits(m_viewer->EffectiveEncoding()) };
        const uint8_t* end = e.FindBreak(p, p + e.Whole(size_t(got)));
        f.Bytes.resize(end - p);
        if (place.Offset == 0)
            f.Bytes.remove(0, ByteOrderMarkSize(m_viewer->EffectiveEncoding(), p, size_t(f.Bytes.size())));
    }
    if (m_cache.size() < kCachedRows) {
        m_cache.push_back(std::move(f));
        return m_cache.back();
    }
    Fetched& slot = m_cache[m_cacheNext++ % kCachedRows];
    slot = std::move(f);
    return slot;
}

QString THvFilterModel::RowText(int row) const
{
    const Fetched& f = Fetch(row);
    return DecodeLine(
        m_viewer->EffectiveEncoding(), reinterpret_cast<const uint8_t*>(f.Bytes.constData()), size_t(f.Bytes.size()))
        .Text;
}

std::vector<THvMark> THvFilterModel::RowMarks(int row, TDecodedLine& line) const
{
    const Fetched& f = Fetch(row);
    const auto* p = reinterpret_cast<const uint8_t*>(f.Bytes.constData());
    const size_t n = size_t(f.Bytes.size());
    const TTextEncoding enc = m_viewer->EffectiveEncoding();
    line = DecodeLine(enc, p, n);
    const std::vector<THvMarkRule>& rules = m_viewer->MarkRules();
    std::vector<TMatchQuery> wanted;
    for (const THvMarkRule& rule : rules)
        wanted.push_back(rule.Query);
    wanted.insert(wanted.end(), m_queries.begin(), m_queries.end());
    if (wanted != m_markQueries || enc != m_markEncoding) {
        m_markMatchers.clear();
        for (const TMatchQuery& q : wanted)
            m_markMatchers.emplace_back(q, enc);
        m_markQueries = std::move(wanted);
        m_markEncoding = enc;
    }
    std::vector<THvMark> marks;
    const THvMarkRule& find = m_viewer->FindMarks();
    for (size_t i = 0; i < m_markMatchers.size(); ++i) {
        const THvMarkRule rule
            = i < rules.size() ? rules[i] : THvMarkRule { m_markQueries[i], find.Back, find.Text, false };
        AppendMarks(m_markMatchers[i], rule, p, n, 0, marks);
    }
    return marks;
}

int THvFilterModel::RowAtOrAfter(LineNumber line) const
{
    if (!m_scan || m_rows == 0)
        return -1;
    return int(std::min<qint64>(m_scan->LowerBound(line), m_rows - 1));
}

size_t THvFilterModel::BytesUsed() const { return m_scan ? m_scan->BytesUsed() : 0; }

// --- The pane ---

THvFilterPane::THvFilterPane(THvCustomFileViewer* viewer, QWidget* parent)
    : QWidget(parent)
    , m_viewer(viewer)
    , m_model(new THvFilterModel(viewer, this))
    , m_list(new QListView(this))
    , m_status(new QLabel(this))
    , m_combine(new QComboBox(this))
    , m_add(new QToolButton(this))
    , m_fields(new QWidget(this))
    , m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("FilterPane"));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setToolTip(QStringLiteral("Close the pane of matching lines"));
    close->setAutoRaise(true);
    m_combine->addItems({ QStringLiteral("all patterns"), QStringLiteral("any pattern") });
    m_combine->setToolTip(QStringLiteral("A line is listed when it matches all the patterns, or any of them"));
    m_add->setText(QStringLiteral("+ Pattern"));
    m_add->setToolTip(QStringLiteral("Add another pattern for the lines to match"));
    m_add->setAutoRaise(true);
    auto* head = new QHBoxLayout;
    head->setContentsMargins(4, 2, 4, 0);
    head->addWidget(close);
    head->addWidget(m_status);
    head->addStretch(1);
    head->addWidget(new QLabel(QStringLiteral("Lines that match"), this));
    head->addWidget(m_combine);
    auto* fieldRow = new QHBoxLayout(m_fields);
    fieldRow->setContentsMargins(0, 0, 0, 0);
    head->addWidget(m_fields);
    head->addWidget(m_add);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(head);
    layout->addWidget(m_list, 1);
    m_list->setObjectName(QStringLiteral("FilterList"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new RowDelegate(m_model, viewer, m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_status->setObjectName(QStringLiteral("FilterStatus"));
    m_poll->setInterval(kPollMs);

    connect(close, &QToolButton::clicked, this, &THvFilterPane::Close);
    connect(m_add, &QToolButton::clicked, this, [this] { AddPatternField()->setFocus(); });
    connect(m_combine, &QComboBox::currentIndexChanged, this, &THvFilterPane::Restart);
    connect(m_list, &QListView::clicked, this, &THvFilterPane::GoToRow);
    connect(m_list, &QListView::activated, this, &THvFilterPane::GoToRow);
    connect(m_poll, &QTimer::timeout, this, [this] {
        m_model->Poll();
        UpdateStatus();
        if (!m_model->Filling() && !m_viewer->Follow())
            m_poll->stop();
    });
    connect(m_viewer, &THvBaseViewer::OnShowStatus, this, &THvFilterPane::FollowCaret);
    hide();
}

THvFilterPane::~THvFilterPane() = default;

QLineEdit* THvFilterPane::AddPatternField()
{
    auto* field = new QLineEdit(m_fields);
    field->setPlaceholderText(QStringLiteral("another pattern"));
    field->setClearButtonEnabled(true);
    field->setMinimumWidth(120);
    m_fields->layout()->addWidget(field);
    m_extra << field;
    // An emptied field goes when it loses the keyboard.
    connect(field, &QLineEdit::editingFinished, this, [this, field] {
        if (field->text().isEmpty() && !field->hasFocus()) {
            m_extra.removeOne(field);
            field->deleteLater();
        }
        Restart();
    });
    return field;
}

void THvFilterPane::ShowLines(const TMatchQuery& primary, bool invert)
{
    m_primary = primary;
    m_invert = invert;
    show();
    Restart();
}

void THvFilterPane::PrimaryChanged(const TMatchQuery& primary)
{
    if (primary == m_primary)
        return;
    m_primary = primary;
    if (isVisible())
        Restart();
}

void THvFilterPane::Close()
{
    m_model->Stop();
    m_poll->stop();
    hide();
    m_viewer->setFocus();
    Q_EMIT Closed();
}

void THvFilterPane::Restart()
{
    if (!isVisible())
        return;
    std::vector<TMatchQuery> queries { m_primary };
    for (const QLineEdit* field : std::as_const(m_extra)) {
        TMatchQuery q = m_primary;
        q.Text = field->text();
        if (!q.Text.isEmpty())
            queries.push_back(q);
    }
    m_model->Start(std::move(queries), m_combine->currentIndex() == 0 ? TCombine::All : TCombine::Any, m_invert);
    m_poll->start();
    UpdateStatus();
}

void THvFilterPane::GoToRow(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const TLinePlace place = m_model->Place(index.row());
    if (place.Line < 0)
        return;
    m_moving = true;
    m_viewer->PlaceCaretOnLine(place.Line);
    m_moving = false;
}

void THvFilterPane::FollowCaret()
{
    if (m_moving || !isVisible())
        return;
    const int row = m_model->RowAtOrAfter(m_viewer->CaretCharLocation().Line);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row);
    m_list->setCurrentIndex(index);
    m_list->scrollTo(index);
}

QString THvFilterPane::StatusText() const
{
    if (m_primary.Text.isEmpty())
        return QStringLiteral("Type a pattern in the find bar");
    const QString lines
        = QStringLiteral("%1 %2 line%3")
              .arg(Number(m_model->rowCount()), m_invert ? QStringLiteral("other") : QStringLiteral("matching"),
                  m_model->rowCount() == 1 ? QString() : QStringLiteral("s"));
    return m_model->Filling() ? lines + QStringLiteral(" so far...") : lines;
}

void THvFilterPane::UpdateStatus() { m_status->setText(StatusText()); }

} // namespace hy::viewer
