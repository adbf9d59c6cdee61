// TZipList: the archive list control. It shows the members of one archive, each with its type icon and, on
// request, columns for the sizes, the compression, the date, the time and the attributes; it reads a ZIP
// archive and extracts its members through the unzip wrapper it owns, and an archive of any other kind
// (told by its content) through the archive reader.
#pragma once

#include "core/archive/ZipMembers.h"

#include <QColor>
#include <QListView>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QHeaderView;

namespace hy::archive {

class TArchiveReader;
class TUnzipEvents;
class TUnzipFile;
class TZipListModel;

class TZipList : public QListView {
    Q_OBJECT
public:
    explicit TZipList(QWidget* parent = nullptr);
    ~TZipList() override;

    QString FileName() const { return m_fileName; }
    // Reads the archive (an empty name changes nothing).
    void SetFileName(const QString& fileName);
    // Empties the list and forgets the archive.
    void Clear();
    QString FileMask() const { return m_fileMask; }
    void SetFileMask(const QString& mask);
    TZipListSortTypes SortBy() const { return m_members.SortBy(); }
    void SetSortBy(TZipListSortTypes sortBy);
    TZipTextCase TextCase() const { return m_textCase; }
    void SetTextCase(TZipTextCase textCase);
    TZipDetails FileDetails() const { return m_details; }
    void SetFileDetails(TZipDetails details);
    qint64 ListCount() const { return m_members.ListCount(); }
    qint64 ListSize() const { return m_members.ListSize(); }
    // 0 read, 1 the library refused the archive.
    int LastError() const { return m_lastError; }
    // The library's result when it refused the archive, for telling the user why.
    int LastReadResult() const { return m_lastReadResult; }
    // Why the last read of an archive other than ZIP ended early (damage, a cut, encryption); empty when it
    // was read to its end.
    QString ReadMessage() const { return m_readMessage; }
    // The archive is read through the archive reader, not the unzip wrapper.
    bool IsOtherArchive() const { return m_other != nullptr; }
    Qt::CursorShape BusyCursor() const { return m_busyCursor; }
    void SetBusyCursor(Qt::CursorShape cursor) { m_busyCursor = cursor; }
    bool ShowSelection() const { return m_showSelection; }
    void SetShowSelection(bool show);
    QHeaderView* Header() const { return m_header; }
    // A header whose sections follow the list's horizontal scrolling.
    void SetHeader(QHeaderView* header);
    QColor HighlightFG() const { return m_highlightFG; }
    void SetHighlightFG(const QColor& color);
    QColor HighlightBG() const { return m_highlightBG; }
    void SetHighlightBG(const QColor& color);
    bool MultiSelect() const;
    void SetMultiSelect(bool multi);

    const TZipMembers& Members() const { return m_members; }
    int Count() const { return m_members.Count(); }
    QString MemberName(int index) const { return m_members.MemberName(index); }
    std::array<QString, kZipDetailCount> MemberDetails(int index) const { return m_members.MemberDetails(index); }

    int ColumnWidth(TZipDetailItems column) const { return m_columnWidths.at(column); }
    // A negative width becomes 0; the Name column is at least 30 wide.
    void SetColumnWidth(TZipDetailItems column, int width);
    int HorizontalExtent() const { return m_extent; }
    int ItemHeight() const { return m_itemHeight; }

    // Reads the archive again, keeping the top item and the focused item.
    void Reload();
    // Extracts a member to a target path (a folder joined with the member's name, or with its name alone;
    // only the folder part is written to). 0 on success, else the library's result; a negative index
    // does nothing and gives 0.
    int ExtractMember(int index, const QString& targetPath);
    // Members of an archive other than ZIP, by their indexes in the list, into the folder under their paths,
    // in one pass over the archive, replacing what is there (the caller asked). Each index with its result,
    // in the archive's order; kUnzipStopped for those not reached when the progress handler said stop.
    std::vector<std::pair<int, int>> ExtractOtherMembers(const std::vector<int>& indexes, const QString& folder);

    // List-box terms: the focused item, the first visible one, the selection.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;
    void SetTopIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int SelCount() const;
    // Selects every member, keeping the top and the focused item where they are.
    void SelectAll();

    TUnzipFile& UnzipFile() { return *m_unzip; }
    // Answers the library's messages: disk prompts as Ok/Cancel questions, an encrypted archive with the
    // encryption notice, a file to replace with yes.
    void UnzipMessage(TUnzipEvents* sender, quint16 msgId, quint16 mbType, qint32 p1, qint32 p2, const QString& lpsz1,
        const QString& lpsz2, qint32& rtnResult);
    // Called while a member is written, with its name and the percentage done; false stops it.
    void SetProgressHandler(std::function<bool(const QString& member, int percent)> handler);
    // Called now and then once a read has run for the keep-alive delay; without it the window is painted.
    void SetKeepAlive(std::function<void()> keepAlive) { m_keepAlive = std::move(keepAlive); }
    static void SetKeepAliveDelay(int milliseconds);

    // Draws one member in its rectangle; the delegate's paint.
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const;

Q_SIGNALS:
    void OnChange();
    void OnDblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void Read(const QString& fileName);
    void UpdateItemHeight();
    void UpdateExtent();
    void FollowHeader();
    bool JumpToLetter(QChar key);
    QString AskPassword(const QString& member, bool& ok);

    int ExtractOtherMember(const TZipMember& member, const QString& destination, bool keepFolders);

    std::unique_ptr<TUnzipFile> m_unzip;
    std::unique_ptr<TArchiveReader> m_other;
    QString m_readMessage;
    TZipMembers m_members;
    TZipListModel* m_model;
    QString m_fileName;
    QString m_fileMask = QStringLiteral("*.*");
    TZipTextCase m_textCase = tcLowerCase;
    TZipDetails m_details = ZipDetail(zdName);
    std::array<int, kZipDetailCount> m_columnWidths { 150, 75, 75, 55, 70, 90, 45 };
    int m_extent = 0;
    int m_itemHeight = 16;
    int m_lastError = 0;
    int m_lastReadResult = 0;
    Qt::CursorShape m_busyCursor = Qt::WaitCursor;
    bool m_showSelection = true;
    QHeaderView* m_header = nullptr;
    QColor m_highlightFG;
    QColor m_highlightBG;
    std::function<bool(const QString&, int)> m_progress;
    std::function<void()> m_keepAlive;
    // A password that opened a member of this archive, tried first for the next encrypted one.
    QByteArray m_password;
};

} // namespace hy::archive
