// The View > Encoding menu and its twin in a window's context menu: the items' names and their regions.
#include "app/Brview1.h"

#include "core/viewer/HvEncoding.h"

#include <QHash>
#include <QMenu>

namespace hy::app {

QString EncodingActionName(viewer::TTextEncoding encoding, bool twin)
{
    // "UTF-16 LE" gives "EncodingUtf16Le1": each run of letters and digits with a capital, then lower case.
    QString name = QStringLiteral("Encoding");
    bool start = true;
    for (const QChar c : viewer::EncodingName(encoding)) {
        if (!c.isLetterOrNumber()) {
            start = true;
            continue;
        }
        name += start ? c.toUpper() : c.toLower();
        start = false;
    }
    return name + (twin ? QLatin1Char('2') : QLatin1Char('1'));
}

void FillEncodingMenu(QMenu* menu, const std::function<QAction*(QMenu*, viewer::TTextEncoding)>& make)
{
    // The six encodings the menu always had stay where they were; the others are grouped by region.
    static const char* const kRegions[] = { "Unicode", "Western European", "Central European", "South European",
        "Nordic", "Baltic", "Celtic", "Cyrillic", "Greek", "Turkish", "Hebrew", "Arabic", "Vietnamese", "Thai",
        "Japanese", "Chinese", "Korean", "DOS" };
    QHash<QString, QMenu*> regions;
    for (const viewer::TTextEncoding e : viewer::kAllEncodings) {
        if (e > viewer::TTextEncoding::Utf16BE)
            break;
        make(menu, e);
    }
    menu->addSeparator();
    for (const char* region : kRegions) {
        QMenu* sub = menu->addMenu(QString::fromLatin1(region));
        sub->menuAction()->setObjectName(
            QStringLiteral("EncodingGroup") + QString::fromLatin1(region).remove(QLatin1Char(' ')));
        regions.insert(QString::fromLatin1(region), sub);
    }
    for (const viewer::TTextEncoding e : viewer::kAllEncodings) {
        if (e > viewer::TTextEncoding::Utf16BE)
            make(regions.value(viewer::EncodingGroup(e), menu), e);
    }
}

} // namespace hy::app
