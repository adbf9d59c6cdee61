// What the search windows need from the program around them: its viewer settings, a way to open a file
// in a viewer window with a view hint, and the main window they belong to. The shell fills this in when
// it first shows the File Search dialog.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace hy::search {

// A drag of files from the program's own lists carries the view hint (-1 by settings, 0 Standard, 1 Hex,
// 2 Native) as decimal text under this type, beside the files' addresses.
inline constexpr const char* kViewHintMimeType = "application/x-halcyra-view-hint";

struct TPreviewSettings {
    bool ShowSystemFiles = false;
    bool ShowImageFiles = true;
    bool ShowArchiveFiles = true;
    bool ShowMediaFiles = true;
    bool ShowDocumentFiles = true; // PDF, Markdown and HTML
    // The dotted list of media extensions (".WAV.MID...").
    QString MediaExtensions;
    // The text viewer's font and colours; an empty font name keeps the viewer's own.
    QString FontName;
    int FontSize = 10;
    int FontStyle = 0;
    QColor TextColor = Qt::black;
    QColor BackColor = Qt::white;
    QColor SelectedTextColor = Qt::white;
    QColor SelectedBackColor = Qt::darkBlue;
    bool HexFilter = false;
    bool ExpandTabs = true;
    int TabSize = 8;
};

struct TSearchHooks {
    std::function<TPreviewSettings()> Settings;
    // Opens a file in a viewer window of the main window; false when it is shown already or failed.
    std::function<bool(const QString& path, int viewHint)> OpenFile;
    QPointer<QWidget> MainWindow;
};

} // namespace hy::search
