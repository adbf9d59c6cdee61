// The shared pieces of the file windows.
#include "ui/filelist/ListParts.h"

#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "ui/common/Alert.h"
#include "ui/filelist/FILELIST.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHeaderView>
#include <QPainter>

namespace hy::filelist {

using namespace hy::common;

namespace {

    constexpr int kMinNameWidth = 30;

} // namespace

TDetailHeader::TDetailHeader(QHeaderView* header, QWidget* strip, TFileList* list)
    : QObject(header)
    , m_header(header)
    , m_strip(strip)
    , m_list(list)
{
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setMinimumSectionSize(0);
    connect(m_header, &QHeaderView::sectionResized, this, &TDetailHeader::SectionResized);
}

void TDetailHeader::Apply(bool details)
{
    if (details) {
        m_list->SetFileDetails({ fdName, fdSize, fdDate, fdTime, fdAttr });
        m_inResize = true;
        for (int c = 0; c < kFileDetailCount; ++c)
            m_header->resizeSection(c, m_list->ColumnWidth(TFileDetailItems(c)));
        m_inResize = false;
        m_strip->show();
        m_list->SetHeader(m_header);
    } else {
        m_list->SetFileDetails({ fdName });
        m_strip->hide();
    }
}

void TDetailHeader::SectionResized(int section, int, int newSize)
{
    if (m_inResize || section >= kFileDetailCount)
        return;
    m_inResize = true;
    if (section == fdName && newSize < kMinNameWidth)
        m_header->resizeSection(section, kMinNameWidth);
    for (int c = 0; c < kFileDetailCount; ++c)
        m_list->SetColumnWidth(TFileDetailItems(c), m_header->sectionSize(c));
    m_inResize = false;
}

void ReadColumnWidths(TFileList* list, const QString& widths)
{
    for (int c = 0; c < kFileDetailCount; ++c) {
        const auto column = TFileDetailItems(c);
        list->SetColumnWidth(column, int(ListNumber(widths, c + 1, list->ColumnWidth(column), 0, kMaxStoredExtent)));
    }
}

QString ColumnWidthsText(const TFileList* list)
{
    QStringList widths;
    for (int c = 0; c < kFileDetailCount; ++c)
        widths << QString::number(list->ColumnWidth(TFileDetailItems(c)));
    return widths.join(QLatin1Char(','));
}

bool EnterFolder(TFileList* list, const QString& target, const QString& title)
{
    const QString before = list->Directory();
    list->SetDirectory(target);
    const int code = list->LastError();
    if (code == 0)
        return true;
    list->SetDirectory(before);
    ShowAlert(title, TFileListEngine::ResolvePath(before, target) + QStringLiteral("\r") + ErrorText(code));
    return false;
}

QIcon InvertIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(4, 4, 1, 10);
    p.drawPolygon(QPolygon({ QPoint(1, 5), QPoint(4, 1), QPoint(5, 1), QPoint(8, 5) }));
    p.setBrush(QColor(128, 0, 0));
    p.drawRect(11, 2, 1, 10);
    p.drawPolygon(QPolygon({ QPoint(8, 11), QPoint(11, 15), QPoint(12, 15), QPoint(15, 11) }));
    return QIcon(pixmap);
}

QIcon SplitIcon(bool sideBySide)
{
    QPixmap pixmap(18, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(1, 1, 15, 13);
    p.fillRect(2, 2, 14, 3, QColor(0, 0, 128));
    if (sideBySide)
        p.drawLine(7, 5, 7, 13);
    else
        p.drawLine(2, 9, 15, 9);
    return QIcon(pixmap);
}

void SetUpSplitButtons(QAbstractButton* beside, QAbstractButton* above, QObject* owner)
{
    beside->setObjectName(QStringLiteral("SplitVButton"));
    beside->setIcon(SplitIcon(true));
    beside->setToolTip(QStringLiteral("List beside the preview"));
    above->setObjectName(QStringLiteral("SplitHButton"));
    above->setIcon(SplitIcon(false));
    above->setToolTip(QStringLiteral("List above the preview"));
    auto* group = new QButtonGroup(owner);
    group->setExclusive(true);
    group->addButton(beside);
    group->addButton(above);
}

} // namespace hy::filelist
