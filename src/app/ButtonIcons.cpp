// Button pictures: small flat drawings on a 24 x 24 grid, scaled for the large and small bars.
#include "app/ButtonIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

namespace hy::app {

namespace {
    const QColor kInk(40, 44, 52);
    const QColor kPaper(250, 250, 246);
    const QColor kFolder(232, 184, 72);
    const QColor kBlue(52, 110, 190);
    const QColor kRed(196, 60, 52);
    const QColor kGreen(64, 150, 90);

    void Sheet(QPainter& p, const QRectF& r)
    {
        QPainterPath path;
        path.moveTo(r.topLeft());
        path.lineTo(r.right() - 5, r.top());
        path.lineTo(r.right(), r.top() + 5);
        path.lineTo(r.bottomRight());
        path.lineTo(r.bottomLeft());
        path.closeSubpath();
        p.setBrush(kPaper);
        p.drawPath(path);
        p.drawLine(QPointF(r.right() - 5, r.top()), QPointF(r.right() - 5, r.top() + 5));
        p.drawLine(QPointF(r.right() - 5, r.top() + 5), QPointF(r.right(), r.top() + 5));
    }

    void Lines(QPainter& p, const QRectF& r, int count)
    {
        p.save();
        p.setPen(QPen(QColor(120, 126, 136), 1));
        for (int i = 0; i < count; ++i) {
            const qreal y = r.top() + 7 + i * 3;
            p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3 - (i % 2) * 3, y));
        }
        p.restore();
    }

    void Magnifier(QPainter& p, QPointF centre, qreal radius)
    {
        p.save();
        p.setBrush(QColor(200, 228, 250, 200));
        p.setPen(QPen(kInk, 2));
        p.drawEllipse(centre, radius, radius);
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7), centre + QPointF(radius * 1.7, radius * 1.7));
        p.restore();
    }

    void Draw(QPainter& p, ButtonPicture pic)
    {
        p.setPen(QPen(kInk, 1.2));
        switch (pic) {
        case ButtonPicture::Open: {
            p.setBrush(kFolder.darker(115));
            p.drawRect(QRectF(2.5, 6.5, 17, 13));
            p.drawRect(QRectF(2.5, 4.5, 7, 2));
            QPainterPath front;
            front.moveTo(5.5, 9.5);
            front.lineTo(22.5, 9.5);
            front.lineTo(19.5, 19.5);
            front.lineTo(2.5, 19.5);
            front.closeSubpath();
            p.setBrush(kFolder);
            p.drawPath(front);
            break;
        }
        case ButtonPicture::SaveAs:
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
            p.setBrush(kPaper);
            p.drawRect(QRectF(6.5, 3.5, 11, 7));
            p.setBrush(QColor(210, 214, 220));
            p.drawRect(QRectF(7.5, 13.5, 9, 7));
            p.setPen(QPen(kRed, 2));
            p.drawLine(QPointF(16, 18), QPointF(22, 12));
            break;
        case ButtonPicture::Copy:
            Sheet(p, QRectF(3.5, 2.5, 12, 15));
            Sheet(p, QRectF(9.5, 7.5, 12, 15));
            Lines(p, QRectF(9.5, 7.5, 12, 15), 3);
            break;
        case ButtonPicture::Info:
            p.setBrush(kBlue);
            p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(10.5, 5.5, 3, 3));
            p.drawRect(QRectF(10.5, 10, 3, 8));
            break;
        case ButtonPicture::Edit:
            Sheet(p, QRectF(3.5, 2.5, 14, 19));
            Lines(p, QRectF(3.5, 2.5, 14, 19), 4);
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(240, 200, 80));
            p.drawPolygon(
                QPolygonF({ QPointF(21, 7), QPointF(23, 9), QPointF(13, 19), QPointF(10, 20), QPointF(11, 17) }));
            break;
        case ButtonPicture::Print:
            Sheet(p, QRectF(6.5, 2.5, 11, 8));
            p.setBrush(QColor(150, 156, 166));
            p.drawRoundedRect(QRectF(2.5, 9.5, 19, 8), 2, 2);
            Sheet(p, QRectF(6.5, 14.5, 11, 7));
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawEllipse(QRectF(17.5, 11, 2, 2));
            break;
        case ButtonPicture::Find:
            Sheet(p, QRectF(3.5, 2.5, 14, 19));
            Lines(p, QRectF(3.5, 2.5, 14, 19), 4);
            Magnifier(p, QPointF(13, 13), 4.5);
            break;
        case ButtonPicture::FindNext:
            Sheet(p, QRectF(3.5, 2.5, 14, 19));
            Lines(p, QRectF(3.5, 2.5, 14, 19), 4);
            Magnifier(p, QPointF(11, 11), 4.5);
            p.setPen(QPen(kGreen, 2));
            p.drawLine(QPointF(17, 19), QPointF(23, 19));
            p.drawLine(QPointF(20, 16), QPointF(23, 19));
            p.drawLine(QPointF(20, 22), QPointF(23, 19));
            break;
        case ButtonPicture::DiskSearch:
            p.setBrush(QColor(170, 176, 186));
            p.drawRoundedRect(QRectF(2.5, 12.5, 19, 9), 2, 2);
            p.setBrush(kGreen);
            p.drawEllipse(QRectF(17, 16, 2.5, 2.5));
            Magnifier(p, QPointF(10, 8), 5);
            break;
        case ButtonPicture::Exit:
            p.setBrush(QColor(150, 104, 64));
            p.drawRect(QRectF(4.5, 2.5, 12, 19));
            p.setBrush(kFolder);
            p.drawEllipse(QRectF(13, 11, 2, 2));
            p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(14, 17), QPointF(22, 17));
            p.drawLine(QPointF(19, 14), QPointF(22, 17));
            p.drawLine(QPointF(19, 20), QPointF(22, 17));
            break;
        }
    }
} // namespace

const char* ThemeIconName(ButtonPicture picture)
{
    switch (picture) {
    case ButtonPicture::Open:
        return "document-open";
    case ButtonPicture::SaveAs:
        return "document-save-as";
    case ButtonPicture::Copy:
        return "edit-copy";
    case ButtonPicture::Info:
        return "dialog-information";
    case ButtonPicture::Edit:
        return "accessories-text-editor";
    case ButtonPicture::Print:
        return "document-print";
    case ButtonPicture::Find:
        return "edit-find";
    case ButtonPicture::FindNext:
        return "go-down-search";
    case ButtonPicture::DiskSearch:
        return "system-search";
    case ButtonPicture::Exit:
        return "application-exit";
    }
    return "";
}

namespace {
    // A button's picture, made when a bar first paints it: the theme's icon of the command when the desktop's
    // theme has one, else the program's drawing at the size asked for. Nothing is looked up or drawn for a bar
    // that is never shown, and the window's first frame does not wait for pictures it does not show.
    class TButtonIconEngine : public QIconEngine {
    public:
        TButtonIconEngine(ButtonPicture picture, bool themed)
            : m_picture(picture)
            , m_themed(themed)
        {
        }

        QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
        {
            if (const QIcon& theme = Theme(); !theme.isNull())
                return theme.pixmap(size, mode, state);
            const QString key = QStringLiteral("hy-button-%1-%2x%3-%4")
                                    .arg(int(m_picture))
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(int(mode));
            QPixmap pm;
            if (QPixmapCache::find(key, &pm))
                return pm;
            pm = Drawn(size);
            if (mode == QIcon::Disabled && qobject_cast<QApplication*>(QCoreApplication::instance())) {
                QStyleOption option;
                option.palette = QApplication::palette();
                pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &option);
            }
            QPixmapCache::insert(key, pm);
            return pm;
        }

        void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
        {
            const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
            QPixmap pm = pixmap(rect.size() * scale, mode, state);
            pm.setDevicePixelRatio(scale);
            painter->drawPixmap(rect, pm);
        }

        QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
        {
            if (const QIcon& theme = Theme(); !theme.isNull())
                return theme.actualSize(size, mode, state);
            const int side = std::min(size.width(), size.height());
            return { side, side };
        }

        QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
        {
            if (const QIcon& theme = Theme(); !theme.isNull())
                return theme.availableSizes(mode, state);
            return { { 16, 16 }, { 24, 24 }, { 32, 32 }, { 48, 48 }, { 64, 64 } };
        }

        QString iconName() override
        {
            const QIcon& theme = Theme();
            return theme.isNull() ? QString() : theme.name();
        }

        QString key() const override { return QStringLiteral("hy-button"); }
        QIconEngine* clone() const override { return new TButtonIconEngine(m_picture, m_themed); }

    private:
        // The theme's icon, looked up again when the desktop's theme changes; null where it has none.
        const QIcon& Theme()
        {
            if (!m_themed)
                return m_theme;
            const QString themeName = QIcon::themeName();
            if (!m_looked || themeName != m_themeName) {
                m_looked = true;
                m_themeName = themeName;
                m_theme = QIcon();
                // hicolor, the base every theme falls back on, holds programs' icons, not a desktop's look: a
                // desktop without a theme of its own keeps the program's drawings, and spares the search (a
                // name a theme lacks is looked for in every folder of every theme it inherits).
                if (!themeName.isEmpty() && themeName != QLatin1String("hicolor")) {
                    m_theme = QIcon::fromTheme(QLatin1String(ThemeIconName(m_picture)));
                    if (m_theme.availableSizes().isEmpty())
                        m_theme = QIcon();
                }
            }
            return m_theme;
        }

        QPixmap Drawn(const QSize& size) const
        {
            QPixmap pm(size);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size.width() / 24.0, size.height() / 24.0);
            Draw(p, m_picture);
            return pm;
        }

        ButtonPicture m_picture;
        bool m_themed;
        bool m_looked = false;
        QString m_themeName;
        QIcon m_theme;
    };
} // namespace

QIcon ButtonIcon(ButtonPicture picture) { return QIcon(new TButtonIconEngine(picture, true)); }

QIcon OwnButtonIcon(ButtonPicture picture) { return QIcon(new TButtonIconEngine(picture, false)); }

} // namespace hy::app
