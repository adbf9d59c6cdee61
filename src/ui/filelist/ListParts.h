// The pieces the file windows built round a TFileList share: the detail header that sizes the list's
// columns (TDetailHeader), the remembered column widths, entering a folder, and the icons of the order and
// split buttons.
#pragma once

#include <QIcon>
#include <QObject>

class QAbstractButton;
class QHeaderView;

namespace hy::filelist {

class TFileList;

// A header strip over the list while its details are shown: the header's sections and the list's columns
// follow each other, and the name column keeps a width that can still be caught.
class TDetailHeader : public QObject {
    Q_OBJECT
public:
    // header stands in strip, which is shown only with the details.
    TDetailHeader(QHeaderView* header, QWidget* strip, TFileList* list);

    // Shows the name, size, date, time and attributes with the header, or the name alone without it.
    void Apply(bool details);

private:
    void SectionResized(int section, int oldSize, int newSize);

    QHeaderView* m_header;
    QWidget* m_strip;
    TFileList* m_list;
    bool m_inResize = false;
};

// The column widths in the form "name,size,date,time,attr"; a missing number keeps the list's own.
void ReadColumnWidths(TFileList* list, const QString& widths);
QString ColumnWidthsText(const TFileList* list);

// Enters target, a folder named as the list resolves names; one that cannot be entered is reported under
// title and the list stays where it was. True when the list moved.
bool EnterFolder(TFileList* list, const QString& target, const QString& title);

// Two arrows, one up and one down: the list's order turned round.
QIcon InvertIcon();
// A window with two panes: side by side, or one above the other.
QIcon SplitIcon(bool sideBySide);
// The pair of buttons that put the list beside or above the preview: icons, tips, one of them down.
void SetUpSplitButtons(QAbstractButton* beside, QAbstractButton* above, QObject* owner);

} // namespace hy::filelist
