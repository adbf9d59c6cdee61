// The category table and its lookup.
#include "core/filelist/ExtStrList.h"

#include "common/HyUtils.h"

namespace hy::filelist {

using namespace hy::common;

int DisplayedIcon(int storedIcon, int attributes)
{
    constexpr int hidden = 0x02;
    constexpr int directory = 0x10;
    if (!(attributes & hidden))
        return storedIcon;
    if (attributes & directory)
        return fiHiddenDirectory;
    return storedIcon == fiProgram ? fiHiddenProgram : fiHiddenFile;
}

void TExtStringList::Add(const QString& group, int icon)
{
    m_rows.append(Row { group, icon });
    m_known.Clear();
}

void TExtStringList::SetGroup(int row, const QString& group)
{
    m_rows[row].group = group;
    m_known.Clear();
}

int TExtStringList::IconOfKey(const QString& key) const
{
    {
        const std::lock_guard hold(m_known.Lock);
        const auto known = m_known.Icons.constFind(key);
        if (known != m_known.Icons.cend())
            return known.value();
    }
    // The padding is no part of the extension: ".C.." stands for ".C", "...." for none.
    QStringView extension = key;
    while (extension.endsWith(u'.'))
        extension.chop(1);
    int icon = fiOtherFile;
    for (const Row& row : m_rows) {
        if (ExtensionInList(extension, row.group)) {
            icon = row.icon;
            break;
        }
    }
    // A folder of odd names must not grow the table of known keys without end.
    const std::lock_guard hold(m_known.Lock);
    if (m_known.Icons.size() < 4096)
        m_known.Icons.insert(key, icon);
    return icon;
}

QString TExtStringList::ExtensionKey(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString key;
    if (dot > slash)
        key = fileName.mid(dot, 4).toUpper().left(4);
    return key.leftJustified(4, QLatin1Char('.'));
}

TExtStringList TExtStringList::FileCategories()
{
    TExtStringList table;
    table.Add(QStringLiteral(".COM.EXE.BAT.PIF.LNK"), fiProgram);
    table.Add(QStringLiteral(".PCX.TIF.BMP.GEM.IMG.GIF.ST..PNG.ICO.ICC.JPG.IFF"), fiRasterImage);
    table.Add(QStringLiteral(".CGM.CDR.CDT.EPS.WPG.AI..DHP.DXF.HPG.TEO.WMF"), fiVectorDrawing);
    table.Add(QStringLiteral(".ZIP.LZH"), fiArchive);
    table.Add(QStringLiteral(".XLC.PIC.CHT.SHW"), fiChart);
    table.Add(QStringLiteral(".XLS.WKS.WK1.WK2.WQ1"), fiSpreadsheet);
    table.Add(QStringLiteral(".PUB.CHP"), fiPublishing);
    table.Add(QStringLiteral(".DBF.DB..DIF.PB."), fiDatabase);
    table.Add(QStringLiteral(".BAK.TMP.$$$.OLD"), fiBackup);
    table.Add(QStringLiteral(".TXT.ASC.INF.INI.DOC.WRI.WP..WP5.WP6"), fiText);
    table.Add(QStringLiteral(".VOC.WAV.MID.SNG.CMF.ORG"), fiSound);
    table.Add(QStringLiteral(".HLP"), fiHelp);
    table.Add(QStringLiteral(".SYS.BIN.DRV.386.CFG"), fiSystem);
    table.Add(QStringLiteral(".FNT.CHR.GFT.FON.SFP"), fiFont);
    table.Add(QStringLiteral(".FLI.AVI.MOV"), fiVideo);
    table.Add(QStringLiteral(".PAS.BAS.C...CPP"), fiSource);
    return table;
}

} // namespace hy::filelist
