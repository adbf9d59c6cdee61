// The clipboard viewer window: text in a read-only editor, pictures at their own size in a scroll area.
#include "ui/launch/ClipView.h"

#include "common/HyUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace hy::launch {

using namespace hy::common;

TClipboardViewer::TClipboardViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_pages(new QStackedWidget(this))
    , m_text(new QPlainTextEdit(this))
    , m_pictureArea(new QScrollArea(this))
    , m_picture(new QLabel(this))
    , m_note(new QLabel(this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("ClipboardViewer"));
    setWindowTitle(QStringLiteral("Clipboard Viewer"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setTabStopDistance(8 * m_text->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pictureArea->setWidget(m_picture);
    m_pictureArea->setWidgetResizable(false);
    m_pictureArea->setBackgroundRole(QPalette::Dark);
    m_note->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(m_text);
    m_pages->addWidget(m_pictureArea);
    m_pages->addWidget(m_note);
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_status);
    resize(520, 360);

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TClipboardViewer::Refresh);
    Refresh();
}

TClipboardViewer::~TClipboardViewer() = default;

TClipboardViewer* TClipboardViewer::Open(QPointer<TClipboardViewer>& viewer, QWidget* parent)
{
    if (!viewer) {
        viewer = new TClipboardViewer(parent);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void TClipboardViewer::Refresh()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (mime && mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (!image.isNull()) {
            m_picture->setPixmap(QPixmap::fromImage(image));
            m_picture->resize(image.size());
            m_pages->setCurrentWidget(m_pictureArea);
            m_status->setText(
                QStringLiteral("Picture: %1 x %2").arg(ThousandsText(image.width()), ThousandsText(image.height())));
            m_shown = Content::Picture;
            return;
        }
    }
    m_picture->clear();
    if (mime && mime->hasText()) {
        const QString text = mime->text();
        m_text->setPlainText(text);
        m_pages->setCurrentWidget(m_text);
        m_status->setText(
            QStringLiteral("Text: %1 character%2").arg(ThousandsText(text.size()), PluralSuffix(text.size())));
        m_shown = Content::Text;
        return;
    }
    m_text->clear();
    const bool empty = !mime || mime->formats().isEmpty();
    m_note->setText(empty ? QStringLiteral("The clipboard is empty.")
                          : QStringLiteral("The clipboard holds data that cannot be shown here."));
    m_pages->setCurrentWidget(m_note);
    m_status->setText(empty ? QString() : mime->formats().join(QStringLiteral(", ")));
    m_shown = empty ? Content::Empty : Content::Other;
}

} // namespace hy::launch
