// The colour rules and the recent files list as the settings file keeps them: recent files newest first,
// nine at most, a reopened file keeping the place it was left at, names of any bytes coming back exactly.
#include "core/settings/RecentFiles.h"
#include "core/settings/HighlightRules.h"
#include "platform/FileNames.h"
#include "platform/SettingsStore.h"

#include "support/TempFiles.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace hy::settings;

namespace {
QStringList Names(const TRecentFiles& r)
{
    QStringList names;
    for (const TRecentFile& f : r.Files())
        names << f.Name;
    return names;
}
} // namespace

TEST(RecentFiles, KeepsTheNineNewestWithTheirPlaces)
{
    TRecentFiles r;
    for (int i = 1; i <= 11; ++i)
        r.Opened(QStringLiteral("/f%1").arg(i));
    EXPECT_EQ(Names(r), QStringList({ "/f11", "/f10", "/f9", "/f8", "/f7", "/f6", "/f5", "/f4", "/f3" }));
    r.Left({ QStringLiteral("/f5"), 1234, true, QStringLiteral("ISO-8859-1") });
    r.Left({ QStringLiteral("/gone"), 1, false, QString() }); // not listed: nothing changes
    r.Opened(QStringLiteral("/f5"));
    ASSERT_EQ(r.Files().size(), 9);
    EXPECT_EQ(r.Files().front(), (TRecentFile { QStringLiteral("/f5"), 1234, true, QStringLiteral("ISO-8859-1") }));
    EXPECT_EQ(r.Find(QStringLiteral("/gone")), nullptr);
    r.Remove(QStringLiteral("/f5"));
    EXPECT_EQ(r.Files().front().Name, QStringLiteral("/f11"));
    r.Clear();
    EXPECT_TRUE(r.Files().isEmpty());
}

TEST(RecentFiles, ComeBackFromTheSettingsFileExactly)
{
    hy::test::TTempFolder dir;
    const QString ini = dir.PathOf(QStringLiteral("hyview.ini"));
    TRecentFiles r;
    const QString odd = hy::platform::DecodeFileName(QByteArray("/tmp/caf\xe9, 100% & more.log"));
    r.Opened(QStringLiteral("/var/log/syslog"));
    r.Opened(odd);
    r.Opened(QStringLiteral("/home/ann/Grüße.txt"));
    r.Left({ odd, 77, false, QStringLiteral("Shift_JIS") });
    r.Left({ QStringLiteral("/var/log/syslog"), 3, false, QStringLiteral("UTF-16 LE") });
    r.SetReopenAtLastPlace(false);
    {
        hy::platform::SettingsStore store(ini);
        r.Save(store);
    }
    hy::platform::SettingsStore store(ini);
    TRecentFiles back;
    back.Load(store);
    EXPECT_EQ(back.Files(), r.Files());
    EXPECT_FALSE(back.ReopenAtLastPlace());
    // Fewer files later leave no stale entries behind.
    r.Remove(odd);
    r.Save(store);
    back.Load(store);
    EXPECT_EQ(Names(back), QStringList({ "/home/ann/Grüße.txt", "/var/log/syslog" }));
}

TEST(RecentFiles, EntriesWrittenWithEncodingNumbersReadAsTheirNames)
{
    hy::test::TTempFolder dir;
    hy::platform::SettingsStore store(dir.PathOf(QStringLiteral("hyview.ini")));
    const QString keys[]
        = { QStringLiteral("File1"), QStringLiteral("File2"), QStringLiteral("File3"), QStringLiteral("File4") };
    store.WriteString(QStringLiteral("Recent Files"), keys[0], QStringLiteral("5,0,2,%2Fa"));
    store.WriteString(QStringLiteral("Recent Files"), keys[1], QStringLiteral("6,0,0,%2Fb"));
    store.WriteString(QStringLiteral("Recent Files"), keys[2], QStringLiteral("7,1,5,%2Fc"));
    store.WriteString(QStringLiteral("Recent Files"), keys[3], QStringLiteral("8,0,EUC-KR,%2Fd"));
    TRecentFiles r;
    r.Load(store);
    ASSERT_EQ(r.Files().size(), 4);
    EXPECT_EQ(r.Files()[0], (TRecentFile { QStringLiteral("/a"), 5, false, QStringLiteral("Windows-1252") }));
    EXPECT_EQ(r.Files()[1], (TRecentFile { QStringLiteral("/b"), 6, false, QString() }));
    EXPECT_EQ(r.Files()[2], (TRecentFile { QStringLiteral("/c"), 7, true, QStringLiteral("UTF-16 BE") }));
    EXPECT_EQ(r.Files()[3], (TRecentFile { QStringLiteral("/d"), 8, false, QStringLiteral("EUC-KR") }));
}

TEST(RecentFiles, MenuTextsNumberTheItems)
{
    EXPECT_EQ(RecentMenuText(0, QStringLiteral("/a/b.txt")), QStringLiteral("&1 /a/b.txt"));
    EXPECT_EQ(RecentMenuText(8, QStringLiteral("/R&D/x")), QStringLiteral("&9 /R&&D/x"));
}

TEST(HighlightRules, ComeBackFromTheSettingsFileAfterTheBuiltInSet)
{
    hy::test::TTempFolder dir;
    hy::platform::SettingsStore store(dir.PathOf(QStringLiteral("hyview.ini")));
    THighlightRules rules;
    rules.Rules = { { QStringLiteral("timeout, retry"), false, true, 0xFF0000, kNoColor, false },
        { QStringLiteral("^\\d+ ms$"), true, false, kNoColor, 0x00FF00, true } };
    rules.BuiltIn = false;
    rules.Save(store);
    THighlightRules back;
    back.Load(store);
    EXPECT_EQ(back, rules);
    EXPECT_EQ(back.Effective(), rules.Rules);
    back.BuiltIn = true;
    const QList<THighlightRule> all = back.Effective();
    ASSERT_EQ(all.size(), BuiltInHighlightRules().size() + 2);
    EXPECT_EQ(all.back(), rules.Rules.back());
    EXPECT_EQ(all.front().Pattern, QStringLiteral("\\bDEBUG\\b"));
}

// The level colours read on the text area they land on: each rule's text stands out from its background (its own,
// or the text area's) by a clear difference of lightness, on a light text area and on a dark one.
TEST(HighlightRules, TheLevelColoursReadOnLightAndDarkTextAreas)
{
    const auto lightness = [](quint32 rgb) {
        const double r = (rgb >> 16 & 0xFF) / 255.0;
        const double g = (rgb >> 8 & 0xFF) / 255.0;
        const double b = (rgb & 0xFF) / 255.0;
        return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    struct Area {
        bool dark;
        quint32 back;
        quint32 text;
    };
    for (const Area& area : { Area { false, 0xFFFFFF, 0x000000 }, Area { true, 0x1E1E1E, 0xDCDCDC } }) {
        SCOPED_TRACE(area.dark ? "dark" : "light");
        const QList<THighlightRule> rules = BuiltInHighlightRules(area.dark);
        ASSERT_EQ(rules.size(), 4);
        for (const THighlightRule& r : rules) {
            SCOPED_TRACE(r.Pattern.toStdString());
            const quint32 text = r.Text == kNoColor ? area.text : r.Text;
            const quint32 back = r.Back == kNoColor ? area.back : r.Back;
            EXPECT_GT(std::abs(lightness(text) - lightness(back)), 0.35);
        }
    }
}
