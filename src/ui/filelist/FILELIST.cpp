// The file list control: a list view over the engine's entries, drawn row by row with icons, names and
// detail columns.
#include "ui/filelist/FILELIST.h"

#include "platform/FileNames.h"
#include "ui/common/CursorScope.h"
#include "ui/filelist/FileIcons.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QUrl>
#include <cstring>

namespace hy::filelist {

using namespace hy::common;
using namespace hy::platform;

namespace {

    // Sets a flag for as long as it lives.
    class TFlagScope {
    public:
        explicit TFlagScope(bool& flag)
            : m_flag(flag)
            , m_old(flag)
        {
            m_flag = true;
        }
        ~TFlagScope() { m_flag = m_old; }
        TFlagScope(const TFlagScope&) = delete;
        TFlagScope& operator=(const TFlagScope&) = delete;

    private:
        bool& m_flag;
        bool m_old;
    };

    bool IsListed(char16_t kind) { return kind == ekDirectory || kind == ekFile; }

} // namespace

// The rows the view sees. While a read runs the view is shown no rows; the entries are published when the
// read has ended.
class TFileList::Model : public QAbstractListModel {
public:
    explicit Model(TFileList* list)
        : QAbstractListModel(list)
        , m_list(list)
    {
    }

    void Publish(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return m_list->EntryDisplayName(index.row());
        // A name cut short in its column shows whole under the pointer.
        if (role == Qt::ToolTipRole && m_list->NameCut(index.row()))
            return m_list->EntryDisplayName(index.row());
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.isValid() && IsListed(m_list->EntryKind(index.row())))
            flags |= Qt::ItemIsDragEnabled;
        return flags;
    }

    QStringList mimeTypes() const override { return { QStringLiteral("text/uri-list") }; }

    QMimeData* mimeData(const QModelIndexList& indexes) const override
    {
        QList<QUrl> urls;
        for (const QModelIndex& index : indexes) {
            if (index.isValid() && IsListed(m_list->EntryKind(index.row())))
                urls << platform::FileUrl(m_list->EntryPath(index.row()));
        }
        auto* data = new QMimeData;
        data->setUrls(urls);
        return data;
    }

    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    TFileList* m_list;
    int m_rows = 0;
};

class TFileList::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(TFileList* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_list->PaintEntry(painter, option.rect, index.row(), option.state & QStyle::State_Selected,
            option.state & QStyle::State_HasFocus);
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(std::max(1, m_list->m_extent), m_list->m_itemHeight);
    }

private:
    TFileList* m_list;
};

TFileList::TFileList(QWidget* parent)
    : QListView(parent)
    , m_model(new Model(this))
{
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    setModel(m_model);
    setItemDelegate(new Delegate(this));
    m_highlightFG = palette().color(QPalette::HighlightedText);
    m_highlightBG = palette().color(QPalette::Highlight);
    resize(121, 97);
    // A long read keeps the window painted; the user's input waits for it.
    m_engine.SetPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }, 100);
    ComputeItemHeight();
    connect(this, &QAbstractItemView::doubleClicked, this, [this]() { Q_EMIT OnDblClick(); });
}

TFileList::~TFileList() = default;

bool TFileList::ReadsNow() const { return !m_loading && !testAttribute(Qt::WA_ForceDisabled); }

void TFileList::Reread()
{
    if (ReadsNow())
        UpdateList();
}

void TFileList::SetDirectory(const QString& directory)
{
    if (Directory().isEmpty() || !ReadsNow()) {
        m_engine.StoreDirectory(directory);
        if (ReadsNow())
            ReadDirectory(Directory());
        return;
    }
    ReadDirectory(directory);
}

void TFileList::SetFileMask(const QString& mask)
{
    if (mask == FileMask())
        return;
    m_engine.SetFileMask(mask);
    Reread();
}

void TFileList::SetListOrder(TFileListOrder order)
{
    m_engine.SetListOrder(order);
    Reread();
}

void TFileList::SetSortBy(TFileListSortTypes sortBy)
{
    const int focused = ItemIndex();
    const char16_t kind = EntryKind(focused);
    const QString name = EntryName(focused);
    m_engine.SetSortBy(sortBy);
    TFlagScope quiet(m_quiet);
    m_model->Publish(Count());
    executeDelayedItemsLayout();
    if (focused >= 0)
        FocusEntry(m_engine.FindEntry(kind, name));
}

void TFileList::SetShowSystemFiles(bool show)
{
    m_engine.SetShowSystemFiles(show);
    Reread();
}

void TFileList::SetTextCase(TTextCase textCase)
{
    m_engine.SetTextCase(textCase);
    Reread();
}

void TFileList::SetFileDetails(TFileDetails details)
{
    if (details == m_fileDetails)
        return;
    m_fileDetails = details;
    ComputeExtent();
    viewport()->update();
}

void TFileList::SetListDetails(TListDetails details)
{
    m_engine.SetListDetails(details);
    Reread();
}

void TFileList::SetSearchMode(TSearchModeTypes mode)
{
    if (mode == SearchMode())
        return;
    m_engine.SetSearchMode(mode);
    Reread();
}

void TFileList::SetHeader(QWidget* header)
{
    m_header = header;
    FollowHeader();
}

void TFileList::SetHighlightFG(const QColor& color)
{
    if (color == m_highlightFG)
        return;
    m_highlightFG = color;
    viewport()->update();
}

void TFileList::SetHighlightBG(const QColor& color)
{
    if (color == m_highlightBG)
        return;
    m_highlightBG = color;
    viewport()->update();
}

void TFileList::SetLoading(bool loading)
{
    m_loading = loading;
    if (!loading)
        ComputeItemHeight();
}

void TFileList::SetMultiSelect(bool multi) { setSelectionMode(multi ? ExtendedSelection : SingleSelection); }

void TFileList::SetColumnWidth(TFileDetailItems column, int width)
{
    m_columnWidths[size_t(column)] = ClampColumnWidth(column, width);
    ComputeExtent();
    viewport()->update();
}

void TFileList::SetOnAddFile(TAddFileEvent handler)
{
    m_onAddFile = std::move(handler);
    if (!m_onAddFile) {
        m_engine.SetOnAddFile({});
        return;
    }
    m_engine.SetOnAddFile([this](TSearchRec& s, const QString& path, bool& ok, int& error) {
        if (m_onAddFile)
            m_onAddFile(this, s, path, ok, error);
    });
}

void TFileList::SetOnSearchBegin(TNotifyEvent handler)
{
    m_onSearchBegin = std::move(handler);
    if (!m_onSearchBegin) {
        m_engine.SetOnSearchBegin({});
        return;
    }
    // The handler shows its own progress: the busy cursor makes way for the default one meanwhile.
    m_engine.SetOnSearchBegin([this]() {
        if (m_onSearchBegin)
            m_onSearchBegin(this);
        QApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
    });
}

void TFileList::SetOnSearchEnd(TNotifyEvent handler)
{
    m_onSearchEnd = std::move(handler);
    if (!m_onSearchEnd) {
        m_engine.SetOnSearchEnd({});
        return;
    }
    m_engine.SetOnSearchEnd([this]() {
        if (m_onSearchEnd)
            m_onSearchEnd(this);
        QApplication::changeOverrideCursor(m_busyCursor);
    });
}

void TFileList::UpdateList()
{
    m_engine.ClearLastError();
    if (!ReadsNow() || Directory().isEmpty())
        return;
    const int top = TopIndex();
    const int focused = ItemIndex();
    Read(Directory(), [&]() {
        SetTopIndex(top);
        const int again = std::min(focused, Count() - 1);
        if (again >= 0)
            FocusEntry(again);
    });
}

void TFileList::ReadDirectory(const QString& newDirectory)
{
    Read(newDirectory, [this]() {
        const int focus = m_engine.FocusAfterRead();
        if (focus >= 0)
            FocusEntry(focus);
    });
}

void TFileList::Read(const QString& newDirectory, const std::function<void()>& settle)
{
    if (m_engine.Reading())
        return;
    {
        TCursorScope busy(m_busyCursor);
        TFlagScope quiet(m_quiet);
        m_model->Publish(0);
        struct Publisher {
            TFileList* list;
            ~Publisher()
            {
                list->m_model->Publish(list->Count());
                list->executeDelayedItemsLayout();
                list->ComputeExtent();
                list->FollowHeader();
            }
        };
        {
            Publisher publish { this };
            m_engine.ReadDirectory(newDirectory);
        }
        settle();
    }
    // The owner hears of the new list once its top and focused entries are where they stay.
    if (!m_holdNotices)
        NotifyRead();
}

void TFileList::NotifyRead()
{
    Q_EMIT OnRead();
    Q_EMIT OnChange();
}

int TFileList::SetMaskAndDirectory(const QString& mask, const QString& directory)
{
    const QString oldMask = FileMask();
    const QString oldDirectory = Directory();
    const int top = TopIndex();
    const int focused = ItemIndex();
    if (!mask.isEmpty())
        m_engine.SetFileMask(mask);
    if (!directory.isEmpty())
        m_engine.StoreDirectory(directory);
    int result = 0;
    {
        // Only the list that stays is announced.
        TFlagScope hold(m_holdNotices);
        UpdateList();
        result = LastError();
        if (result != 0) {
            // Back to the list as it was, scrolled and focused as it was.
            m_engine.SetFileMask(oldMask);
            m_engine.StoreDirectory(oldDirectory);
            UpdateList();
            TFlagScope quiet(m_quiet);
            SetTopIndex(top);
            if (focused >= 0)
                FocusEntry(std::min(focused, Count() - 1));
        }
    }
    if (!m_holdNotices)
        NotifyRead();
    return result;
}

int TFileList::ItemIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFileList::SetItemIndex(int index)
{
    if (index < 0 || index >= Count()) {
        selectionModel()->clearCurrentIndex();
        if (!MultiSelect())
            selectionModel()->clearSelection();
        return;
    }
    FocusEntry(index);
}

int TFileList::TopIndex() const { return Count() > 0 ? verticalScrollBar()->value() : 0; }

void TFileList::SetTopIndex(int index) { verticalScrollBar()->setValue(std::max(0, index)); }

bool TFileList::Selected(int index) const { return selectionModel()->isRowSelected(index, {}); }

void TFileList::SetSelected(int index, bool selected)
{
    if (index < 0 || index >= Count())
        return;
    selectionModel()->select(m_model->index(index),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
}

int TFileList::SelCount() const { return int(selectionModel()->selectedRows().size()); }

void TFileList::FocusEntry(int index)
{
    if (index < 0 || index >= Count())
        return;
    const QModelIndex entry = m_model->index(index);
    if (MultiSelect())
        selectionModel()->setCurrentIndex(entry, QItemSelectionModel::NoUpdate);
    else
        selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    scrollTo(entry);
}

// Measures the names of entries as shown. ASCII names are summed from the table of advances as their text
// case shows them; the width of the start a name shares with the name measured before is not summed again
// (the entries of one folder share its path).
class TFileList::NameWidths {
public:
    explicit NameWidths(TFileList* list)
        : m_list(list)
        , m_textCase(list->TextCase())
    {
        list->MeasureAscii();
        for (char16_t c = 0; c < 128; ++c) {
            const char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
            const char16_t upper = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
            m_asIs[c] = list->m_asciiAdvances[c];
            m_converted[c] = list->m_asciiAdvances[m_textCase == tcLowerCase ? lower
                    : m_textCase == tcUpperCase                              ? upper
                                                                             : c];
        }
    }

    int Width(int index)
    {
        const char16_t kind = m_list->EntryKind(index);
        const bool asIs = kind == ekNewFile || kind == ekRoot || kind == ekParent || m_textCase == tcNone;
        if (kind == ekDrive || (!asIs && m_textCase == tcAuto))
            return Slow(index);
        const std::array<int, 128>& advances = asIs ? m_asIs : m_converted;
        const QStringView name = EntryNameOf(m_list->m_engine.Entry(index));
        const qsizetype n = name.size();
        qsizetype same = 0;
        if (&advances == m_lastAdvances) {
            const qsizetype most = std::min(n, m_last.size());
            while (same + 4 <= most && std::memcmp(name.data() + same, m_last.data() + same, 4 * sizeof(QChar)) == 0)
                same += 4;
            while (same < most && name[same] == m_last[same])
                ++same;
        }
        m_sums.resize(size_t(n) + 1);
        for (qsizetype i = same; i < n; ++i) {
            const char16_t c = name[i].unicode();
            if (c >= 128)
                return Slow(index);
            m_sums[size_t(i) + 1] = m_sums[size_t(i)] + advances[c];
        }
        m_last = name;
        m_lastAdvances = &advances;
        return m_sums[size_t(n)];
    }

private:
    int Slow(int index)
    {
        m_lastAdvances = nullptr;
        return m_list->TextWidth(m_list->EntryDisplayName(index));
    }

    TFileList* m_list;
    TTextCase m_textCase;
    std::array<int, 128> m_asIs {};
    std::array<int, 128> m_converted {};
    // The name measured last, and the widths of its starts: m_sums[k] for its first k characters.
    QStringView m_last;
    const std::array<int, 128>* m_lastAdvances = nullptr;
    std::vector<int> m_sums { 0 };
};

void TFileList::MeasureAscii()
{
    if (m_asciiAdvances[u'a'] != 0)
        return;
    const QFontMetrics metrics(font());
    for (int c = 0; c < 128; ++c)
        m_asciiAdvances[size_t(c)] = metrics.horizontalAdvance(QChar(char16_t(c)));
    m_advances.clear();
}

int TFileList::TextWidth(const QString& text)
{
    MeasureAscii();
    int width = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 128) {
            width += m_asciiAdvances[c];
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n) {
            width += QFontMetrics(font()).horizontalAdvance(text.mid(i, 2));
            ++i;
            continue;
        }
        auto known = m_advances.constFind(c);
        if (known == m_advances.cend())
            known = m_advances.insert(c, QFontMetrics(font()).horizontalAdvance(QChar(c)));
        width += known.value();
    }
    return width;
}

bool TFileList::NameCut(int index)
{
    if (m_fileDetails == TFileDetails { fdName } || !m_engine.ValidIndex(index))
        return false;
    return NameWidths(this).Width(index) > m_columnWidths[size_t(fdName)] - kNameIndent;
}

void TFileList::ComputeItemHeight()
{
    m_asciiAdvances[u'a'] = 0;
    const QFontInfo info(font());
    m_itemHeight = ListItemHeight(info.pixelSize(), qRound(info.pointSizeF()));
    ComputeExtent();
    scheduleDelayedItemsLayout();
}

void TFileList::ComputeExtent()
{
    int extent = 0;
    if (m_fileDetails == TFileDetails { fdName }) {
        NameWidths widths(this);
        extent = NamesExtent(Count(), [&](int i) { return widths.Width(i); });
    } else {
        extent = DetailsExtent(m_columnWidths, m_fileDetails);
    }
    if (extent != m_extent) {
        m_extent = extent;
        scheduleDelayedItemsLayout();
    }
}

void TFileList::FollowHeader()
{
    if (!m_header)
        return;
    const QWidget* parent = m_header->parentWidget();
    const int parentWidth = parent ? parent->contentsRect().width() : m_header->width();
    m_header->setGeometry(HeaderGeometry(m_header->geometry(), horizontalOffset(), parentWidth));
}

QModelIndex TFileList::indexAt(const QPoint& point) const
{
    // A row answers across the whole width, also right of its text.
    if (point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return QListView::indexAt(QPoint(-horizontalOffset(), point.y()));
}

QRect TFileList::visualRect(const QModelIndex& index) const
{
    QRect rect = QListView::visualRect(index);
    if (!rect.isValid())
        return rect;
    rect.setLeft(-horizontalOffset());
    rect.setWidth(std::max(m_extent, viewport()->width() + horizontalOffset()));
    return rect;
}

void TFileList::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Only the rows scroll to bring an entry into view; the columns stay where the user put them.
    if (!index.isValid())
        return;
    const int row = index.row();
    const int visible = std::max(1, viewport()->height() / std::max(1, m_itemHeight));
    int top = TopIndex();
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - visible + 1;
        break;
    case PositionAtCenter:
        top = row - visible / 2;
        break;
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + visible)
            top = row - visible + 1;
        break;
    }
    SetTopIndex(top);
}

void TFileList::keyPressEvent(QKeyEvent* event)
{
    TFlagScope input(m_inInput);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Q_EMIT OnDblClick();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text[0].isLetterOrNumber()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        const int target
            = LetterJumpTarget(Count(), ItemIndex(), text[0], [this](int i) { return EntryDisplayName(i); });
        if (target < 0)
            return;
        if (MultiSelect()) {
            TFlagScope quiet(m_quiet);
            selectionModel()->setCurrentIndex(
                m_model->index(target), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else {
            TFlagScope quiet(m_quiet);
            selectionModel()->setCurrentIndex(m_model->index(target), QItemSelectionModel::ClearAndSelect);
        }
        scrollTo(m_model->index(target));
        m_changed = true;
        EndInput();
        return;
    }
    QListView::keyPressEvent(event);
    EndInput();
}

void TFileList::mousePressEvent(QMouseEvent* event)
{
    TFlagScope input(m_inInput);
    // A click on the focused entry tells the owner again, which shows it again where it had gone.
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const bool again = pressed.isValid() && pressed == currentIndex() && event->button() == Qt::LeftButton;
    QListView::mousePressEvent(event);
    if (again && pressed == currentIndex())
        m_changed = true;
    EndInput();
}

void TFileList::mouseMoveEvent(QMouseEvent* event)
{
    TFlagScope input(m_inInput);
    QListView::mouseMoveEvent(event);
    EndInput();
}

void TFileList::mouseReleaseEvent(QMouseEvent* event)
{
    TFlagScope input(m_inInput);
    QListView::mouseReleaseEvent(event);
    EndInput();
}

void TFileList::EndInput()
{
    if (!m_changed)
        return;
    m_changed = false;
    if (!m_quiet)
        Q_EMIT OnChange();
}

void TFileList::Changed()
{
    if (m_quiet)
        return;
    if (m_inInput) {
        m_changed = true;
        return;
    }
    Q_EMIT OnChange();
}

void TFileList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    FollowHeader();
}

void TFileList::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ComputeItemHeight();
}

void TFileList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    if (dx != 0)
        FollowHeader();
}

void TFileList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    Changed();
}

void TFileList::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    if (m_quiet)
        return;
    if (MultiSelect())
        DeselectSystemEntries();
    Changed();
}

std::unique_ptr<QMimeData> TFileList::DragData() const
{
    QModelIndexList indexes;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (m_model->flags(index) & Qt::ItemIsDragEnabled)
            indexes << index;
    }
    if (indexes.isEmpty())
        return nullptr;
    std::unique_ptr<QMimeData> carried(m_model->mimeData(indexes));
    if (m_onStartDrag)
        m_onStartDrag(*carried);
    return carried;
}

void TFileList::startDrag(Qt::DropActions supportedActions)
{
    std::unique_ptr<QMimeData> carried = DragData();
    if (!carried)
        return;
    auto* drag = new QDrag(this);
    const int row = ItemIndex() >= 0 ? ItemIndex() : selectionModel()->selectedRows().value(0).row();
    QPixmap picture(kFileIconWidth, kFileIconHeight);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        DrawFileTypeIcon(painter, 0, 0, DisplayedIcon(EntryIcon(row), EntryAttributes(row)));
    }
    drag->setMimeData(carried.release());
    drag->setPixmap(picture);
    const Qt::DropAction result = drag->exec(supportedActions, Qt::CopyAction);
    Q_EMIT OnEndDrag(result != Qt::IgnoreAction);
}

void TFileList::DeselectSystemEntries()
{
    // Drives, "/" and ".." stand together at one end of the list; they are never part of a multiple selection.
    TFlagScope quiet(m_quiet);
    const bool inverted = ListOrder() == flInverted;
    for (int step = 0; step < Count(); ++step) {
        const int i = inverted ? Count() - 1 - step : step;
        const char16_t kind = EntryKind(i);
        if (kind != ekDrive && kind != ekRoot && kind != ekParent)
            break;
        if (Selected(i))
            SetSelected(i, false);
    }
}

void TFileList::PaintEntry(QPainter* painter, const QRect& rect, int index, bool selected, bool focused)
{
    const char16_t kind = EntryKind(index);
    const TListDetails listDetails = ListDetails();
    const bool highlight
        = selected && ((listDetails.Contains(ldFiles) && IsListed(kind)) || listDetails == TListDetails { ldDrives });
    const QColor back = highlight ? m_highlightBG : palette().color(QPalette::Base);
    const QColor fore = highlight ? m_highlightFG : palette().color(QPalette::Text);

    painter->save();
    painter->fillRect(rect, back);
    painter->setFont(font());
    const int attributes = IsListed(kind) ? EntryAttributes(index) : 0;
    DrawFileTypeIcon(*painter, rect.left() + 2, rect.top() + m_itemHeight / 2 - kFileIconHeight / 2,
        DisplayedIcon(EntryIcon(index), attributes));
    painter->setPen(fore);
    if (m_fileDetails == TFileDetails { fdName }) {
        painter->drawText(QRect(rect.left() + kNameIndent, rect.top(), rect.width(), rect.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, EntryDisplayName(index));
    } else {
        std::array<QString, kFileDetailCount> details;
        if (IsListed(kind))
            details = EntryDetails(index);
        else
            details[fdName] = EntryDisplayName(index);
        const QColor lines = palette().color(QPalette::Disabled, QPalette::Text);
        int x = rect.left();
        for (int c = 0; c < kFileDetailCount; ++c) {
            const auto column = TFileDetailItems(c);
            if (!m_fileDetails.Contains(column))
                continue;
            const int width = m_columnWidths[size_t(c)];
            if (column == fdName) {
                const QRect cell(x + kNameIndent, rect.top(), width - kNameIndent, rect.height());
                painter->save();
                painter->setClipRect(cell);
                // A name too long for its column loses its middle, so that a path found on a whole drive
                // still shows where it starts and the file it ends in.
                const QString name = TextWidth(details[fdName]) > cell.width()
                    ? painter->fontMetrics().elidedText(details[fdName], Qt::ElideMiddle, cell.width())
                    : details[fdName];
                painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
                painter->restore();
            } else if (kind == ekFile || (kind == ekDirectory && column != fdSize)) {
                painter->drawText(QRect(x, rect.top(), width - 2, rect.height()),
                    Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, details[size_t(c)]);
            }
            x += width;
            painter->setPen(lines);
            painter->drawLine(x - 1, rect.top(), x - 1, rect.bottom());
            painter->setPen(fore);
        }
    }
    if (focused) {
        painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter->setPen(QPen(Qt::white, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

} // namespace hy::filelist
