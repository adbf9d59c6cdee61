// The archive list control: its model over the member list, the drawing of icons and columns, keys,
// reading and extracting through the unzip wrapper, and the password question for encrypted members.
#include "ui/archive/ZIPLIST.h"

#include "common/HyUtils.h"
#include "core/archive/ArchiveReader.h"
#include "core/archive/UnzipLib.h"
#include "core/archive/ZipReader.h"
#include "core/filelist/ExtStrList.h"
#include "platform/FileNames.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/CursorScope.h"
#include "ui/filelist/FileIcons.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <limits>
#include <map>
#include <new>

namespace hy::archive {

using namespace hy::common;
using namespace hy::filelist;

class TZipListModel : public QAbstractListModel {
public:
    TZipListModel(const TZipMembers& members, QObject* parent)
        : QAbstractListModel(parent)
        , m_members(members)
    {
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_members.Count(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_members.Count())
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return m_members.MemberName(index.row());
        return {};
    }

    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

private:
    const TZipMembers& m_members;
};

namespace {

    class ZipListDelegate : public QStyledItemDelegate {
    public:
        explicit ZipListDelegate(TZipList* list)
            : QStyledItemDelegate(list)
            , m_list(list)
        {
        }

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            m_list->DrawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected,
                option.state & QStyle::State_HasFocus);
        }

        QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
        {
            return QSize(m_list->HorizontalExtent(), m_list->ItemHeight());
        }

    private:
        TZipList* m_list;
    };

    const QString kArchiveTitle = QStringLiteral("Archive");
    int g_keepAliveDelay = 200;

} // namespace

TZipList::TZipList(QWidget* parent)
    : QListView(parent)
    , m_unzip(std::make_unique<TUnzipFile>())
    , m_model(new TZipListModel(m_members, this))
{
    setObjectName(QStringLiteral("ZipList"));
    resize(121, 97);
    setModel(m_model);
    setItemDelegate(new ZipListDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    m_highlightFG = palette().color(QPalette::HighlightedText);
    m_highlightBG = palette().color(QPalette::Highlight);
    m_unzip->OnMessageCallback = [this](TUnzipEvents* sender, quint16 msgId, quint16 mbType, qint32 p1, qint32 p2,
                                     const QString& lpsz1, const QString& lpsz2, qint32& result) {
        UnzipMessage(sender, msgId, mbType, p1, p2, lpsz1, lpsz2, result);
    };
    // The size, date and time columns are wide enough for their texts in this font and locale.
    const QFontMetrics metrics(font());
    for (const TZipDetailItems size : { zdCompSize, zdOrigSize })
        m_columnWidths[size]
            = qMax(m_columnWidths[size], metrics.horizontalAdvance(QStringLiteral("9,999,999,999")) + 8);
    const QLocale locale;
    const QDateTime sample(QDate(2000, 12, 28), QTime(23, 58, 58));
    m_columnWidths[zdDate] = qMax(
        m_columnWidths[zdDate], metrics.horizontalAdvance(locale.toString(sample.date(), QLocale::ShortFormat)) + 10);
    m_columnWidths[zdTime]
        = qMax(m_columnWidths[zdTime], metrics.horizontalAdvance(TZipMembers::TimeText(sample.time(), locale)) + 10);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() { Q_EMIT OnChange(); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this]() { Q_EMIT OnDblClick(); });
    UpdateItemHeight();
}

TZipList::~TZipList() = default;

void TZipList::SetKeepAliveDelay(int milliseconds) { g_keepAliveDelay = milliseconds; }

void TZipList::SetFileName(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    Read(fileName);
    Q_EMIT OnChange();
}

void TZipList::Read(const QString& fileName)
{
    TCursorScope busy(m_busyCursor);
    // The view shows an empty list while the members are read into a list of their own.
    m_model->BeginReset();
    m_members.Clear();
    m_fileName = fileName;
    m_model->EndReset();
    m_password.clear();

    QElapsedTimer started;
    started.start();
    const auto keepAlive = [this, &started]() {
        // A long read keeps the window painted; input waits until the list is in.
        if (started.elapsed() >= g_keepAliveDelay) {
            if (m_keepAlive)
                m_keepAlive();
            else
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        }
    };
    TZipMembers read;
    read.SetSortBy(m_members.SortBy());
    m_other.reset();
    m_readMessage.clear();
    if (!IsZipFileName(fileName) && !TArchiveReader::ContentFormat(fileName).isEmpty()) {
        m_other = std::make_unique<TArchiveReader>(fileName);
        m_other->SetProgress([&keepAlive](qint64, qint64) {
            keepAlive();
            return true;
        });
        const TArchiveListing listing = ReadArchiveDirectory(*m_other, m_fileMask, m_textCase, read);
        m_other->SetProgress({});
        // A damaged archive shows what was listed before the damage, and says where it stopped.
        m_readMessage = listing.Message;
        m_lastError = listing.Status != TArchiveStatus::Ok && read.Count() == 0 ? 1 : 0;
        m_lastReadResult = m_lastError ? int(kUnzipNotAnArchive) : 0;
    } else {
        m_lastError = ReadZipDirectory(*m_unzip, fileName, m_fileMask, m_textCase, read, keepAlive);
        m_lastReadResult = m_lastError ? m_unzip->LastResult() : 0;
    }
    m_model->BeginReset();
    m_members = std::move(read);
    m_model->EndReset();
    UpdateExtent();
}

void TZipList::Clear()
{
    m_model->BeginReset();
    m_members.Clear();
    m_fileName.clear();
    m_lastError = 0;
    m_lastReadResult = 0;
    m_model->EndReset();
    UpdateExtent();
    Q_EMIT OnChange();
}

void TZipList::SetFileMask(const QString& mask)
{
    if (mask == m_fileMask)
        return;
    m_fileMask = mask;
    Reload();
}

void TZipList::SetSortBy(TZipListSortTypes sortBy)
{
    m_model->BeginReset();
    m_members.SetSortBy(sortBy);
    m_model->EndReset();
}

void TZipList::SetTextCase(TZipTextCase textCase)
{
    m_textCase = textCase;
    Reload();
}

void TZipList::SetFileDetails(TZipDetails details)
{
    if (details == m_details)
        return;
    m_details = details;
    UpdateExtent();
    viewport()->update();
}

void TZipList::SetShowSelection(bool show)
{
    m_showSelection = show;
    viewport()->update();
}

void TZipList::SetHeader(QHeaderView* header)
{
    m_header = header;
    FollowHeader();
}

void TZipList::SetHighlightFG(const QColor& color)
{
    if (color == m_highlightFG)
        return;
    m_highlightFG = color;
    viewport()->update();
}

void TZipList::SetHighlightBG(const QColor& color)
{
    if (color == m_highlightBG)
        return;
    m_highlightBG = color;
    viewport()->update();
}

bool TZipList::MultiSelect() const { return selectionMode() != QAbstractItemView::SingleSelection; }

void TZipList::SetMultiSelect(bool multi)
{
    setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TZipList::SetColumnWidth(TZipDetailItems column, int width)
{
    width = qMax(0, width);
    if (column == zdName)
        width = qMax(30, width);
    m_columnWidths[column] = width;
    UpdateExtent();
}

void TZipList::UpdateItemHeight()
{
    const QFontInfo info(font());
    const int h = info.pixelSize();
    const int s = qRound(info.pointSizeF());
    int height = qMax(16, 2 * h - s);
    if (height % 2)
        --height;
    m_itemHeight = height;
    UpdateExtent();
}

void TZipList::UpdateExtent()
{
    int extent = 0;
    if (m_details == ZipDetail(zdName)) {
        // The widest name up to the first that does not fit the window.
        const QFontMetrics metrics(font());
        const int client = viewport()->width();
        for (int i = 0; i < Count(); ++i) {
            extent = metrics.horizontalAdvance(m_members.MemberName(i)) + 20;
            if (extent > client)
                break;
        }
    } else {
        for (int c = 0; c < kZipDetailCount; ++c) {
            if (m_details & ZipDetail(TZipDetailItems(c)))
                extent += m_columnWidths.at(size_t(c));
        }
    }
    m_extent = extent;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void TZipList::FollowHeader()
{
    if (m_header)
        m_header->setOffset(horizontalScrollBar()->value());
}

void TZipList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    FollowHeader();
}

void TZipList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    if (m_details == ZipDetail(zdName))
        UpdateExtent();
    FollowHeader();
}

void TZipList::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateItemHeight();
}

void TZipList::Reload()
{
    m_lastError = 0;
    if (!isEnabled() || m_fileName.isEmpty())
        return;
    const int top = TopIndex();
    int focused = ItemIndex();
    Read(m_fileName);
    SetTopIndex(top);
    focused = qMin(focused, Count() - 1);
    if (focused >= 0) {
        if (MultiSelect())
            selectionModel()->setCurrentIndex(m_model->index(focused), QItemSelectionModel::NoUpdate);
        else
            SetItemIndex(focused);
    }
    Q_EMIT OnChange();
}

int TZipList::ItemIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TZipList::SetItemIndex(int index)
{
    if (index < 0 || index >= Count()) {
        selectionModel()->clearCurrentIndex();
        return;
    }
    setCurrentIndex(m_model->index(index));
}

int TZipList::TopIndex() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : (Count() > 0 ? 0 : -1);
}

void TZipList::SetTopIndex(int index)
{
    if (index >= 0 && index < Count())
        scrollTo(m_model->index(index), QAbstractItemView::PositionAtTop);
}

bool TZipList::Selected(int index) const { return selectionModel()->isRowSelected(index, QModelIndex()); }

void TZipList::SetSelected(int index, bool selected)
{
    if (index < 0 || index >= Count())
        return;
    selectionModel()->select(
        m_model->index(index), selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int TZipList::SelCount() const
{
    // The selection's ranges do not overlap; counting them stays quick with every member selected.
    int count = 0;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        count += range.height();
    return count;
}

void TZipList::SelectAll()
{
    if (Count() == 0)
        return;
    const int top = TopIndex();
    const QModelIndex current = currentIndex();
    setUpdatesEnabled(false);
    selectionModel()->select(
        QItemSelection(m_model->index(0), m_model->index(Count() - 1)), QItemSelectionModel::Select);
    if (current.isValid())
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    SetTopIndex(top);
    setUpdatesEnabled(true);
}

void TZipList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT OnDblClick();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = text.at(0);
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            JumpToLetter(c);
            return;
        }
    }
    QListView::keyPressEvent(event);
}

void TZipList::keyboardSearch(const QString&) { }

bool TZipList::JumpToLetter(QChar key)
{
    const int n = Count();
    if (n == 0)
        return false;
    const QChar wanted = key.toUpper();
    const int start = ItemIndex() < 0 ? 0 : ItemIndex() + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        const QString name = m_members.MemberName(i);
        if (name.isEmpty() || name.at(0).toUpper() != wanted)
            continue;
        const QModelIndex index = m_model->index(i);
        if (MultiSelect()) {
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        } else {
            const QSignalBlocker quiet(selectionModel());
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            viewport()->update();
        }
        scrollTo(index);
        return true;
    }
    return false;
}

void TZipList::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const
{
    const QPalette pal = palette();
    const QRect row(0, rect.top(), qMax(rect.right() + 1, viewport()->width()), rect.height());
    QColor text = pal.color(QPalette::Text);
    if (selected && m_showSelection) {
        painter.fillRect(row, m_highlightBG);
        text = m_highlightFG;
    }
    if (index < 0 || index >= Count())
        return;
    const TZipMember& m = m_members.At(index);
    const int left = rect.left();
    DrawFileTypeIcon(painter, left + 2, rect.top() + rect.height() / 2 - 7, DisplayedIcon(m.Icon, int(m.Attributes)));
    painter.setFont(font());
    painter.setPen(text);
    if (m_details == ZipDetail(zdName)) {
        painter.drawText(QRect(left + 20, rect.top(), qMax(0, rect.right() - left - 20), rect.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m.Name);
    } else {
        const auto details = m_members.MemberDetails(index);
        const QColor lines = pal.color(QPalette::Disabled, QPalette::Text);
        int x = left;
        for (int c = 0; c < kZipDetailCount; ++c) {
            if (!(m_details & ZipDetail(TZipDetailItems(c))))
                continue;
            const int width = m_columnWidths.at(size_t(c));
            painter.setPen(text);
            if (c == zdName) {
                painter.save();
                painter.setClipRect(QRect(x + 20, rect.top(), qMax(0, width - 20), rect.height()));
                painter.drawText(QRect(x + 20, rect.top(), qMax(0, width - 22), rect.height()),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, details[size_t(c)]);
                painter.restore();
            } else {
                painter.drawText(QRect(x, rect.top(), qMax(0, width - 4), rect.height()),
                    Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, details[size_t(c)]);
            }
            x += width;
            painter.setPen(lines);
            painter.drawLine(x - 1, rect.top(), x - 1, rect.bottom());
        }
    }
    if (focused && m_showSelection && hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = row.adjusted(0, 0, -1, -1);
        frame.backgroundColor = selected ? m_highlightBG : pal.color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}

void TZipList::UnzipMessage(
    TUnzipEvents*, quint16 msgId, quint16, qint32 p1, qint32 p2, const QString&, const QString&, qint32& rtnResult)
{
    rtnResult = 0;
    const auto ask = [&rtnResult](const QString& question) {
        rtnResult = AskOkCancel(QStringLiteral("Extracting..."), question) ? 1 : 2;
    };
    switch (msgId) {
    case 0:
        if (p1 == -1)
            ask(QStringLiteral("Because this archive file has been spanned across multiple disks,\r Please Insert Disk "
                               "1 and press ENTER"));
        else if (p2 == -1)
            ask(QStringLiteral("Because this archive file has been spanned across multiple disks,\r Please Insert the "
                               "last Disk and press ENTER"));
        else
            ask(QStringLiteral("Please Insert Disk ") + QString::number(p1) + QStringLiteral(" and press Enter"));
        break;
    case 1:
    case 10:
        ask(QStringLiteral("Because this archive file has been spanned across multiple disks,\r please Insert Disk 1 "
                           "and press ENTER"));
        break;
    case 8:
        rtnResult = 6;
        break;
    case 9:
        ShowAlert(kArchiveTitle,
            QStringLiteral("This Archive file ") + NameOf(m_fileName) + QStringLiteral(" has been Encrypted."));
        rtnResult = 2;
        break;
    default:
        rtnResult = 1;
        break;
    }
}

void TZipList::SetProgressHandler(std::function<bool(const QString&, int)> handler)
{
    m_progress = std::move(handler);
    if (!m_progress) {
        m_unzip->OnMinorCallback = nullptr;
        return;
    }
    m_unzip->OnMinorCallback = [this](TUnzipEvents*, const QString& item, qint32 percent, bool& cancel) {
        if (m_progress && !m_progress(item, percent))
            cancel = true;
    };
}

QString TZipList::AskPassword(const QString& member, bool& ok)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("PasswordDialog"));
    dialog.setWindowTitle(kArchiveTitle);
    auto* prompt = new QLabel(QStringLiteral("Enter the password for ") + member + QLatin1Char(':'), &dialog);
    prompt->setTextFormat(Qt::PlainText);
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("PasswordEdit"));
    edit->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(320);
    {
        TCursorScope arrow(Qt::ArrowCursor);
        ok = dialog.exec() == QDialog::Accepted && !edit->text().isEmpty();
    }
    return ok ? edit->text() : QString();
}

int TZipList::ExtractMember(int index, const QString& targetPath)
{
    if (index < 0 || index >= Count())
        return 0;
    try {
        const TZipMember& m = m_members.At(index);
        const QString member = m.ArchiveName;
        // A target that ends in the member's own path keeps its folders below the folder before it;
        // otherwise the member is written into the target's folder under its name alone.
        QString destination;
        bool keepFolders = false;
        const QString path = ZipMemberPath(member);
        if (targetPath.size() > path.size() && targetPath.endsWith(QLatin1Char('/') + path)) {
            destination = targetPath.left(targetPath.size() - path.size() - 1);
            if (destination.isEmpty())
                destination = QStringLiteral("/");
            keepFolders = true;
        } else {
            destination = DirectoryOf(targetPath);
        }
        if (m_other)
            return ExtractOtherMember(m, destination, keepFolders);
        TUnzipFile& uf = *m_unzip;
        uf.lpszZipFile().SetText(platform::EncodeFileName(m_fileName));
        uf.lpszDestination().SetText(platform::EncodeFileName(destination));
        uf.lpszFileSpec().SetText(member.toUtf8());
        // The member is addressed by its place as well as its name: members of one name each give their
        // own data.
        uf.SetIndexofItem(
            m.ArchiveIndex > 0 && m.ArchiveIndex <= std::numeric_limits<qint32>::max() ? qint32(m.ArchiveIndex) : 0);
        const auto byNameAgain = qScopeGuard([&uf]() { uf.SetIndexofItem(0); });
        if (!uf.Execute(kUnzipMemberInfo))
            return uf.LastResult();
        TUnzipFlags options = keepFolders ? TUnzipFlags() : TUnzipFlags(NoDirectoryNamesFlag);
        if (uf.ItemInfo().Flags & 1) {
            if (m_password.isEmpty()) {
                ShowAlert(kArchiveTitle,
                    QStringLiteral("This Archive file ") + NameOf(m_fileName) + QStringLiteral(" has been Encrypted."));
                bool ok = false;
                const QString password = AskPassword(member, ok);
                if (!ok)
                    return kUnzipNoPassword;
                m_password = password.toUtf8();
            }
            uf.lpszDecryptCode().SetText(m_password);
            options |= DecryptFlag;
        }
        if (!IsZipFileName(m_fileName))
            return 0;
        uf.SetOptions(options);
        const bool extracted = uf.Execute(kUnzipExtractMember);
        uf.lpszDecryptCode().Clear();
        if (!extracted && uf.LastResult() == kUnzipWrongPassword)
            m_password.clear();
        return extracted ? 0 : uf.LastResult();
    } catch (const std::bad_alloc&) {
        return kUnzipNoMemory;
    }
}

std::vector<std::pair<int, int>> TZipList::ExtractOtherMembers(const std::vector<int>& indexes, const QString& folder)
{
    std::vector<std::pair<int, int>> done;
    if (!m_other)
        return done;
    std::map<int, int> listIndexOf; // archive index -> list index
    for (const int i : indexes) {
        if (i >= 0 && i < Count() && m_members.At(i).ArchiveIndex > 0
            && m_members.At(i).ArchiveIndex <= std::numeric_limits<int>::max())
            listIndexOf[int(m_members.At(i).ArchiveIndex - 1)] = i;
        else if (i >= 0 && i < Count())
            done.emplace_back(i, int(kUnzipNotFound));
    }
    std::vector<int> wanted;
    for (const auto& [archiveIndex, listIndex] : listIndexOf)
        wanted.push_back(archiveIndex);
    TExtractOptions options;
    options.Folder = folder;
    options.ConfirmReplace = [](const TArchiveMember&, const QString&) { return true; };
    const QString name = NameOf(m_fileName);
    m_other->SetProgress([this, &name](qint64 read, qint64 total) {
        return !m_progress || m_progress(name, total > 0 ? int(read * 100 / total) : 0);
    });
    const auto noProgress = qScopeGuard([this]() { m_other->SetProgress({}); });
    std::vector<TExtractResult> results;
    m_other->Extract(wanted, options, results);
    for (const TExtractResult& r : results) {
        const auto it = listIndexOf.find(r.Index);
        if (it != listIndexOf.end())
            done.emplace_back(it->second, r.Code);
    }
    return done;
}

// A member of an archive other than ZIP, by its place in the archive: into the destination under its path
// (keepFolders) or under its name alone. The page asked before a file is replaced, so it is replaced here.
int TZipList::ExtractOtherMember(const TZipMember& member, const QString& destination, bool keepFolders)
{
    if (member.ArchiveIndex <= 0 || member.ArchiveIndex > std::numeric_limits<int>::max())
        return kUnzipNotFound;
    TExtractOptions options;
    options.Folder = destination;
    options.FlatNames = !keepFolders;
    options.ConfirmReplace = [](const TArchiveMember&, const QString&) { return true; };
    std::vector<TExtractResult> results;
    m_other->SetProgress([this, &member](qint64 done, qint64 total) {
        return !m_progress || m_progress(member.ArchiveName, total > 0 ? int(done * 100 / total) : 0);
    });
    const auto noProgress = qScopeGuard([this]() { m_other->SetProgress({}); });
    m_other->Extract({ int(member.ArchiveIndex - 1) }, options, results);
    if (results.empty())
        return kUnzipNotFound;
    return results.front().Code; // ArchiveResultText tells it
}

} // namespace hy::archive
