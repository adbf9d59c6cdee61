// The category table: extension keys, the icon each kind of name gets, and the hidden-entry icons.
#include "core/filelist/ExtStrList.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace hy;
using namespace hy::filelist;

TEST(ExtStrList, ExtensionKeys)
{
    const struct {
        const char* name;
        const char* key;
    } cases[] = {
        { "a.c", ".C.." },
        { "photo.jpeg", ".JPE" },
        { "README", "...." },
        { "dir.d/README", "...." },
        { "archive.Zip", ".ZIP" },
        { "trailing.", "...." },
        { ".bashrc", ".BAS" },
        { "x.$$$", ".$$$" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(TExtStringList::ExtensionKey(QString::fromUtf8(c.name)), QString::fromUtf8(c.key)) << c.name;
}

TEST(ExtStrList, FileCategoryIcons)
{
    const TExtStringList table = TExtStringList::FileCategories();
    ASSERT_EQ(table.Count(), 16);
    const struct {
        const char* name;
        int icon;
    } cases[] = {
        { "setup.exe", fiProgram },
        { "link.lnk", fiProgram },
        { "picture.png", fiRasterImage },
        { "atari.st", fiRasterImage },
        { "drawing.wmf", fiVectorDrawing },
        { "art.ai", fiVectorDrawing },
        { "bundle.zip", fiArchive },
        { "slides.shw", fiChart },
        { "sheet.wk1", fiSpreadsheet },
        { "book.pub", fiPublishing },
        { "table.db", fiDatabase },
        { "core.$$$", fiBackup },
        { "notes.TXT", fiText },
        { "letter.wp", fiText },
        { "tune.mid", fiSound },
        { "manual.hlp", fiHelp },
        { "config.sys", fiSystem },
        { "serif.fon", fiFont },
        { "clip.avi", fiVideo },
        { "main.c", fiSource },
        { "main.cpp", fiSource },
        { "photo.jpeg", fiOtherFile },
        // Entries are compared whole, never across the padding or a neighbour.
        { "start.s", fiOtherFile },
        { "prog.p", fiOtherFile },
        { "notes.", fiOtherFile },
        { "data.zi", fiOtherFile },
        { "x.cp", fiOtherFile },
        { "x.pn", fiOtherFile },
        { "x.d", fiOtherFile },
        { "Makefile", fiOtherFile },
        { "data.xyz", fiOtherFile },
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.IconOf(QString::fromUtf8(c.name)), c.icon) << c.name;
}

TEST(ExtStrList, RowsCanDifferForAnotherList)
{
    TExtStringList table = TExtStringList::FileCategories();
    table.SetGroup(0, QStringLiteral(".COM.EXE.BAT.PIF"));
    EXPECT_EQ(table.IconOf(QStringLiteral("a.lnk")), fiOtherFile);
    EXPECT_EQ(table.IconOf(QStringLiteral("a.bat")), fiProgram);
    EXPECT_EQ(table.At(0).icon, fiProgram);
}

TEST(ExtStrList, HiddenEntriesShowTheirOwnIcons)
{
    EXPECT_EQ(DisplayedIcon(fiText, 0), fiText);
    EXPECT_EQ(DisplayedIcon(fiText, 0x02), fiHiddenFile);
    EXPECT_EQ(DisplayedIcon(fiProgram, 0x02), fiHiddenProgram);
    EXPECT_EQ(DisplayedIcon(fiDirectory, 0x12), fiHiddenDirectory);
    EXPECT_EQ(DisplayedIcon(fiProgram, 0x01), fiProgram);
}
