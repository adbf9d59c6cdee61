// TPdfPage: a PDF document on a page of its own: the view of its pages under a bar of the page form (one page
// or continuous), the zoom (fit width, fit page, 100%, in and out) and the page number. Opening asks for the
// password of a protected document; Find marks every hit of a text and goes from one to the next.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QPdfDocument;
class QPdfSearchModel;
class QSpinBox;
class QToolBar;

namespace hy::document {

class TPdfView;

class TPdfPage : public QWidget {
    Q_OBJECT
public:
    // Asks for the password of a protected document: retry says the last one was wrong. False when the user
    // gave up.
    using TPasswordPrompt
        = std::function<bool(QWidget* parent, const QString& fileName, bool retry, QString& password)>;
    // Puts another prompt in the place of the password dialog (tests); an empty one puts the dialog back.
    static void SetPasswordPrompt(TPasswordPrompt prompt);

    enum class TOpenResult { Shown, Cancelled, Failed };

    explicit TPdfPage(QWidget* parent = nullptr);
    ~TPdfPage() override;

    // Opens a PDF file and shows its first page. Failed leaves the page empty with the reason in ErrorText;
    // Cancelled means the user gave no password.
    TOpenResult Open(const QString& fileName);
    QString ErrorText() const { return m_error; }
    void Close();
    bool IsOpen() const;
    QString FileName() const { return m_fileName; }

    int PageCount() const;
    // The page in view, from 0.
    int CurrentPage() const;
    void GoToPage(int page);

    // Finds the text (letter case aside): the next hit after the current one, or before it when backward, or
    // the first (last) of the document when fromStart. Every hit is marked; the found one is brought into view.
    // False when there is none that way.
    bool Find(const QString& text, bool backward, bool fromStart);
    // The hits of the last text found in the whole document.
    int HitCount() const;
    QString SearchText() const;

    bool HasSelection() const;
    QString SelectedText() const;
    void CopySelection() const;
    // Selects the text of the page in view.
    void SelectAll();

    // The zoom: in and out a step, the actual size, the whole page in view, and the zoom on show (1 the page's
    // own size).
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void FitPage();
    double Zoom() const;
    // The page's own keys for the zoom (Ctrl++, Ctrl+-, Ctrl+0), on unless the window's menu carries them.
    void SetZoomKeys(bool on);

    // A page drawn as large as fits in the size given, for printing.
    QImage RenderPage(int page, const QSize& largest) const;
    // A page's size in points.
    QSizeF PagePoints(int page) const;

    TPdfView* View() const { return m_view; }
    QToolBar* Bar() const { return m_bar; }
    QPdfDocument* Document() const { return m_document; }

Q_SIGNALS:
    // The page in view, the selection or the zoom changed: the status has something new to show.
    void StatusChanged();

private:
    void BuildBar();
    void UpdateBar();

    QPdfDocument* m_document;
    QPdfSearchModel* m_search;
    QToolBar* m_bar;
    TPdfView* m_view;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageTotal = nullptr;
    QAction* m_continuous = nullptr;
    QList<QAction*> m_zoomKeys; // the bar's actions with the page's own zoom keys
    QString m_fileName;
    QString m_error;
    int m_hitPage = -1;
    int m_hitIndex = -1;
};

} // namespace hy::document
