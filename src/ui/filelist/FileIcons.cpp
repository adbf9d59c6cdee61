// Loading the type icons from the resources "BMP_1" to "BMP_28".
#include "ui/filelist/FileIcons.h"

#include "core/filelist/ExtStrList.h"

#include <QPainter>
#include <array>

static void InitFileListResources() { Q_INIT_RESOURCE(filelist); }

namespace hy::filelist {

namespace {

    QImage LoadIcon(int number)
    {
        const QImage image(QStringLiteral(":/filelist/BMP_%1").arg(number));
        QImage icon = image.isNull() ? QImage(kFileIconWidth, kFileIconHeight, QImage::Format_ARGB32)
                                     : image.convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            icon.fill(Qt::transparent);
        const QRgb transparent = qRgb(128, 0, 0);
        for (int y = 0; y < icon.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
            for (int x = 0; x < icon.width(); ++x) {
                if ((line[x] | 0xFF000000u) == transparent)
                    line[x] = 0;
            }
        }
        return icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

} // namespace

const QImage& FileTypeIcon(int number)
{
    static const std::array<QImage, kFileIconCount> icons = [] {
        InitFileListResources();
        std::array<QImage, kFileIconCount> loaded;
        for (int i = 0; i < kFileIconCount; ++i)
            loaded[size_t(i)] = LoadIcon(i + 1);
        return loaded;
    }();
    if (number < 1 || number > kFileIconCount)
        number = fiOtherFile;
    return icons[size_t(number - 1)];
}

void DrawFileTypeIcon(QPainter& painter, int x, int y, int number) { painter.drawImage(x, y, FileTypeIcon(number)); }

} // namespace hy::filelist
