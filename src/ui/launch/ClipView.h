// TClipboardViewer: the program's own clipboard viewer window. It shows the clipboard's text or picture and
// follows every change of the clipboard while it is open.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;

namespace hy::launch {

class TClipboardViewer : public QWidget {
    Q_OBJECT
public:
    explicit TClipboardViewer(QWidget* parent = nullptr);
    ~TClipboardViewer() override;

    // Shows and raises the viewer window that viewer holds, made first when there is none; the window is
    // freed when the user closes it, and viewer then holds none.
    static TClipboardViewer* Open(QPointer<TClipboardViewer>& viewer, QWidget* parent = nullptr);

    // Shows what the clipboard holds now.
    void Refresh();

    // What is on show: the text, the picture, or a note that there is nothing to show.
    enum class Content { Empty, Text, Picture, Other };
    Content Shown() const { return m_shown; }
    QPlainTextEdit* TextView() const { return m_text; }
    QLabel* PictureView() const { return m_picture; }
    QLabel* StatusLine() const { return m_status; }

private:
    QStackedWidget* m_pages;
    QPlainTextEdit* m_text;
    QScrollArea* m_pictureArea;
    QLabel* m_picture;
    QLabel* m_note;
    QLabel* m_status;
    Content m_shown = Content::Empty;
};

} // namespace hy::launch
