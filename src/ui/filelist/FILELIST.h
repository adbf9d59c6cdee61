// TFileList: the owner-drawn, always sorted list of drives, the entries "/" and "..", subdirectories and
// files of one directory, with type icons and optional detail columns; switched to sub-directory search
// mode it lists the files of a whole tree walk. It reads through its engine (TFileListEngine), which keeps
// every entry as one string.
#pragma once

#include "core/filelist/FileListEngine.h"
#include "core/filelist/FileListGeometry.h"

#include <QColor>
#include <QCursor>
#include <QHash>
#include <QListView>
#include <QPointer>
#include <memory>

class QMimeData;

namespace hy::filelist {

class TFileList : public QListView {
    Q_OBJECT
public:
    // The list, the find record, the directory being read (or a subdirectory's full path), the answer
    // (true: take the entry) and the search status (non-zero ends the read and becomes LastError).
    using TAddFileEvent
        = std::function<void(TFileList* Sender, platform::TSearchRec& S, const QString& Path, bool& OK, int& Error)>;
    using TNotifyEvent = std::function<void(TFileList* Sender)>;

    explicit TFileList(QWidget* parent = nullptr);
    ~TFileList() override;

    // The directory shown. Setting it reads the list, unless the list is loading or disabled (then the text
    // is only stored); a relative text is taken from the present directory.
    QString Directory() const { return m_engine.Directory(); }
    void SetDirectory(const QString& directory);
    QString FileMask() const { return m_engine.FileMask(); }
    void SetFileMask(const QString& mask);
    TFileListOrder ListOrder() const { return m_engine.ListOrder(); }
    void SetListOrder(TFileListOrder order);
    TFileListSortTypes SortBy() const { return m_engine.SortBy(); }
    void SetSortBy(TFileListSortTypes sortBy);
    bool ShowSystemFiles() const { return m_engine.ShowSystemFiles(); }
    void SetShowSystemFiles(bool show);
    TTextCase TextCase() const { return m_engine.TextCase(); }
    void SetTextCase(TTextCase textCase);
    TFileDetails FileDetails() const { return m_fileDetails; }
    void SetFileDetails(TFileDetails details);
    TListDetails ListDetails() const { return m_engine.ListDetails(); }
    void SetListDetails(TListDetails details);
    TSearchModeTypes SearchMode() const { return m_engine.SearchMode(); }
    void SetSearchMode(TSearchModeTypes mode);
    int ListCount() const { return m_engine.ListCount(); }
    qint64 ListSize() { return m_engine.ListSize(); }
    int LastError() const { return m_engine.LastError(); }
    QCursor BusyCursor() const { return m_busyCursor; }
    void SetBusyCursor(const QCursor& cursor) { m_busyCursor = cursor; }
    // A column header that follows horizontal scrolling: its left edge stays at minus the scroll position.
    QWidget* Header() const { return m_header; }
    void SetHeader(QWidget* header);
    QColor HighlightFG() const { return m_highlightFG; }
    void SetHighlightFG(const QColor& color);
    QColor HighlightBG() const { return m_highlightBG; }
    void SetHighlightBG(const QColor& color);

    // While loading, property changes only store their values; ending it computes the item height.
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading);
    // Several entries may be selected (with Shift and Ctrl); the default is one.
    bool MultiSelect() const { return selectionMode() != SingleSelection; }
    void SetMultiSelect(bool multi);

    // Reads the present directory again, keeping the top entry and the focused one.
    void UpdateList();
    // Reads a directory given absolutely or relative to the present one ("..", "/", a name, a drive's path).
    void ReadDirectory(const QString& newDirectory);
    // Mask and directory as typed, then a read; a failed read puts the previous ones back. The first read's
    // code is returned (0 = success).
    int SetMaskAndDirectory(const QString& mask, const QString& directory);

    // Entries, by index in list order.
    int Count() const { return m_engine.Count(); }
    char16_t EntryKind(int index) const { return m_engine.EntryKind(index); }
    QString EntryName(int index) const { return m_engine.EntryName(index); }
    QString EntryDisplayName(int index) const { return m_engine.EntryDisplayName(index); }
    QString EntryPath(int index) const { return m_engine.EntryPath(index); }
    int EntryIcon(int index) const { return m_engine.EntryIcon(index); }
    int EntryAttributes(int index) { return m_engine.EntryAttributes(index); }
    quint32 EntryTimeStamp(int index) { return m_engine.EntryTimeStamp(index); }
    qint64 EntrySize(int index) { return m_engine.EntrySize(index); }
    std::array<QString, kFileDetailCount> EntryDetails(int index) { return m_engine.EntryDetails(index); }

    int ColumnWidth(TFileDetailItems column) const { return m_columnWidths[size_t(column)]; }
    void SetColumnWidth(TFileDetailItems column, int width);
    int ItemHeight() const { return m_itemHeight; }
    int HorizontalExtent() const { return m_extent; }

    // The focused entry (-1: none); setting it selects it (single-select) or makes it the caret entry.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int TopIndex() const;
    void SetTopIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int SelCount() const;

    void SetOnAddFile(TAddFileEvent handler);
    // Adds to what a drag of entries carries (their addresses), as the drag starts.
    void SetOnStartDrag(std::function<void(QMimeData& data)> handler) { m_onStartDrag = std::move(handler); }
    // What a drag of the selected entries carries; none when no directory or file is selected.
    std::unique_ptr<QMimeData> DragData() const;
    void SetOnSearchBegin(TNotifyEvent handler);
    void SetOnSearchEnd(TNotifyEvent handler);
    TFileListEngine& Engine() { return m_engine; }

    QModelIndex indexAt(const QPoint& point) const override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

Q_SIGNALS:
    // A read ended: the new entries are listed, the top and focused entries placed. OnChange follows.
    void OnRead();
    // The focused or selected entries changed, a read ended, or the focused entry was clicked again.
    void OnChange();
    // A double click, or Enter.
    void OnDblClick();
    // A drag of entries ended; accepted when a target took them.
    void OnEndDrag(bool accepted);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString&) override { }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    class Model;
    class Delegate;
    class NameWidths;
    friend class Delegate;

    bool ReadsNow() const;
    void Reread();
    // Reads a directory, places the top and focused entries by settle, and tells the owner.
    void Read(const QString& newDirectory, const std::function<void()>& settle);
    void NotifyRead();
    void ComputeItemHeight();
    void ComputeExtent();
    // The width of a text as the sum of its characters' advances (kerning only narrows it), from a table
    // kept per font: measuring every name of a large list through the text shaper would take seconds.
    int TextWidth(const QString& text);
    void MeasureAscii();
    // With details shown: whether an entry's name is too long for the name column.
    bool NameCut(int index);
    void FollowHeader();
    void FocusEntry(int index);
    void DeselectSystemEntries();
    // Changes made while one key or mouse event is handled notify once, at its end.
    void Changed();
    void EndInput();
    void PaintEntry(QPainter* painter, const QRect& rect, int index, bool selected, bool focused);

    TFileListEngine m_engine;
    Model* m_model;
    TFileDetails m_fileDetails { fdName };
    TColumnWidths m_columnWidths = kDefaultColumnWidths;
    QCursor m_busyCursor { Qt::WaitCursor };
    QPointer<QWidget> m_header;
    QColor m_highlightFG;
    QColor m_highlightBG;
    bool m_loading = false;
    bool m_quiet = false;
    bool m_holdNotices = false;
    bool m_inInput = false;
    bool m_changed = false;
    int m_itemHeight = 16;
    int m_extent = 0;
    std::array<int, 128> m_asciiAdvances {};
    QHash<char16_t, int> m_advances;
    TAddFileEvent m_onAddFile;
    TNotifyEvent m_onSearchBegin;
    TNotifyEvent m_onSearchEnd;
    std::function<void(QMimeData&)> m_onStartDrag;
};

} // namespace hy::filelist
