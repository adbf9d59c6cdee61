// TSplitArea: the main area of a browser window, divided between a list pane and a preview pane by a
// black splitter the user drags. The split runs one above the other or side by side; while the splitter is
// dragged a line follows the mouse inside the area and the panes change when the button is released.
#pragma once

#include <QWidget>

namespace hy::search {

class TSplitArea : public QWidget {
    Q_OBJECT
public:
    explicit TSplitArea(QWidget* parent = nullptr);

    void SetPanes(QWidget* listPane, QWidget* viewerPane);
    QWidget* SplitterPanel() const { return m_splitter; }

    // Side by side (list left of the preview) or one above the other (list above).
    bool SideBySide() const { return m_sideBySide; }
    void SetSideBySide(bool sideBySide);
    // The list pane's width side by side, its height one above the other.
    int ListSize() const { return m_listSize; }
    void SetListSize(int size);
    // Without the preview the list fills the area and the splitter is hidden.
    bool PreviewShown() const { return m_preview; }
    void SetPreviewShown(bool shown);
    // The area's extent in the direction of the split.
    int Extent() const;
    bool Dragging() const { return m_dragging; }

Q_SIGNALS:
    // The panes moved (a drag ended, the arrangement or the size changed).
    void SplitChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    QPoint Confined(const QPoint& global) const;

    QWidget* m_list = nullptr;
    QWidget* m_viewer = nullptr;
    QWidget* m_splitter;
    QWidget* m_dragLine;
    bool m_sideBySide = false;
    bool m_preview = true;
    int m_listSize = 250;
    bool m_dragging = false;
    int m_pressOffset = 0;
};

} // namespace hy::search
