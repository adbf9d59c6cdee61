// TPdfView: the pages of a PDF document drawn sharp at any zoom, one page at a time or one under the other.
// Pages are rendered on a thread of their own at the size they are shown; until a page's picture at that size
// arrives, an older picture of it stands in, scaled, or the page shows blank. Search hits are marked, a drag
// selects a page's text, and Page Up/Down and Ctrl+Home/End move by pages.
#pragma once

#include "core/document/PdfLayout.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPolygonF>

class QPdfDocument;
class QPdfPageRenderer;
class QPdfSearchModel;
class QPdfSelection;

namespace hy::document {

class TPdfView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TPdfView(QWidget* parent = nullptr);
    ~TPdfView() override;

    // The document shown (not owned); null shows nothing. Every picture of the previous one is dropped.
    void SetDocument(QPdfDocument* document);
    QPdfDocument* Document() const { return m_document; }
    // The search whose hits are marked on the pages (not owned), and the hit that is the current one.
    void SetSearchModel(QPdfSearchModel* model);
    void SetCurrentHit(int page, const QList<QRectF>& rectangles);

    bool Continuous() const { return m_continuous; }
    void SetContinuous(bool on);
    TPdfZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(TPdfZoomMode mode);
    // The zoom shown: 1.0 is the printed size.
    double Zoom() const;
    // A custom zoom (the mode becomes Custom), held between 10% and 1600%.
    void SetZoom(double zoom);

    int PageCount() const;
    int CurrentPage() const;
    // Shows the page from its top.
    void GoToPage(int page);
    // Brings a place of a page (in points) into view.
    void ShowArea(int page, const QRectF& points);

    bool HasSelection() const { return !m_selectionText.isEmpty(); }
    QString SelectedText() const { return m_selectionText; }
    // Selects the text of the current page.
    void SelectPageText();
    void ClearSelection();

    const TPdfLayout& Layout() const { return m_layout; }
    // The pages whose pictures at their shown size are in, and the pages in view.
    bool PageIsSharp(int page) const;
    QList<int> VisiblePages() const;

Q_SIGNALS:
    void CurrentPageChanged(int page);
    void ZoomChanged();
    void SelectionChanged();
    // Every page in view was drawn from a picture rendered at its shown size.
    void ViewSharp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct TPicture {
        QImage Image;
        QSize Pixels;
    };
    double Scale() const;
    // Lays the pages out again, keeping the current page and the place within it in view.
    void Relayout();
    void UpdateScrollBars();
    // Where the content's origin stands in the viewport.
    QPoint ContentOrigin() const;
    QSize PixelsOf(int page) const;
    void Request(int page);
    void PageRendered(int page, QSize pixels, const QImage& image, quint64 request);
    void DropFarPictures(const QList<int>& visible);
    // The page under a viewport point and the point on it in points; -1 off the pages.
    int PageUnder(const QPoint& at, QPointF& points) const;
    QTransform PageTransform(int page) const;
    QPdfSelection SelectionTo(const QPointF& end) const;
    void NoteCurrentPage();

    QPdfDocument* m_document = nullptr;
    QPdfPageRenderer* m_renderer;
    QPdfSearchModel* m_search = nullptr;
    TPdfLayout m_layout;
    QList<QSizeF> m_pagePoints;
    bool m_continuous = true;
    TPdfZoomMode m_zoomMode = TPdfZoomMode::FitWidth;
    double m_zoom = 1.0;
    int m_shownPage = 0; // the page of the one-page form
    int m_lastCurrent = -1;
    QHash<int, TPicture> m_pictures;
    QHash<quint64, int> m_requests; // requests under way and their pages
    QHash<int, QSize> m_requested; // the size asked for of each page under way
    int m_hitPage = -1;
    QList<QRectF> m_hitRects;
    // The drag that selects text: its page and start in points, and what it covers.
    int m_selectPage = -1;
    QPointF m_selectStart;
    QList<QPolygonF> m_selectionBounds;
    QString m_selectionText;
    bool m_dragging = false;
};

} // namespace hy::document
