// The stored form of the tables (differences from the built-in tables), its text form, and the text
// file form of one table.
#include "core/viewer/HvCmd.h"
#include "core/viewer/HvKeys.h"

#include "platform/FileNames.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace hy::viewer;

namespace {

std::vector<THvCommandRecord> Records(const THvCommandTable& table)
{
    std::vector<THvCommandRecord> records;
    for (int i = 0; i < table.RecordCount(); ++i)
        records.push_back(table.RecordAt(i));
    return records;
}

void ExpectSameTables(const THvCommandProcessor& a, const THvCommandProcessor& b)
{
    ASSERT_EQ(a.TableCount(), b.TableCount());
    for (int i = 0; i < a.TableCount(); ++i) {
        EXPECT_EQ(a.TableAt(i)->Name(), b.TableAt(i)->Name());
        EXPECT_EQ(a.TableAt(i)->Active(), b.TableAt(i)->Active());
        EXPECT_EQ(Records(*a.TableAt(i)), Records(*b.TableAt(i))) << a.TableAt(i)->Name().toStdString();
    }
}

constexpr quint32 kCtrlZ = 'Z' + ssCtrl * 256;

} // namespace

TEST(HvCmdStoreTest, UnchangedBuiltInsStoreNoPairs)
{
    THvCommandProcessor p;
    const THvTableList list = p.TableList();
    const THvTableList expected { { "Default", true, {} }, { "WordStar", false, {} }, { "Grid", false, {} } };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(THvCommandProcessor::TableListToText(list), "('Default' True () 'WordStar' False () 'Grid' False ())");
}

TEST(HvCmdStoreTest, ChangesToBuiltInsStoreAsDifferences)
{
    THvCommandProcessor p;
    THvCommandTable* def = p.FindTable(u"Default");
    def->DeleteRecord(def->FindKeys(kCtrlZ));
    EXPECT_EQ(p.TableList()[0].Commands, (THvCommandList { { kCtrlZ, 0 } }));

    // Replace Ctrl+C, add a user command, and drop a record of WordStar.
    def->ReplaceRecord(def->FindKeys('C' + ssCtrl * 256), { 'C', ssCtrl, 0, 0, ccCut });
    def->AddRecord({ 'J', ssCtrl, 'K', ssSecondKeyPlain, 300 });
    THvCommandTable* ws = p.FindTable(u"WordStar");
    ws->DeleteRecord(ws->RecordCount() - 1); // Ctrl+K 9
    ws->SetActive(true);
    const quint32 ctrlJK = 'J' + ssCtrl * 256 + 'K' * 65536 + 128u * 16777216u;
    const quint32 ctrlK9 = 'K' + ssCtrl * 256 + '9' * 65536 + 128u * 16777216u;
    const THvTableList list = p.TableList();
    EXPECT_EQ(list[0].Commands, (THvCommandList { { kCtrlZ, 0 }, { 'C' + ssCtrl * 256, ccCut }, { ctrlJK, 300 } }));
    EXPECT_EQ(list[1], (THvStoredTable { "WordStar", true, { { ctrlK9, 0 } } }));
    EXPECT_TRUE(list[2].Commands.isEmpty());

    // Reading it back rebuilds the same tables.
    THvCommandProcessor q;
    q.SetTableList(list);
    ExpectSameTables(p, q);
    THvCommandProcessor r;
    r.SetTableList(THvCommandProcessor::TableListFromText(THvCommandProcessor::TableListToText(list)));
    ExpectSameTables(p, r);
}

TEST(HvCmdStoreTest, OtherTablesStoreEveryRecord)
{
    THvCommandProcessor p;
    p.ClearTables();
    THvCommandTable* mine = p.CreateTable("It's mine", false);
    mine->AddRecord({ vkLeft, 0, 0, 0, ccLeft }); // the same as a Default record, still written
    mine->AddRecord({ 'Q', ssCtrl, 'S', ssSecondKeyPlain, 400 });
    THvCommandTable* def = p.CreateTable("DEFAULT", false); // a built-in name in any case
    def->AddRecord({ vkF2, 0, 0, 0, 500 });

    const THvTableList list = p.TableList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].Commands, mine->CommandList());
    EXPECT_EQ(list[1].Commands.size(), 65); // 64 removals and the addition
    EXPECT_EQ(list[1].Commands.last(), (THvCommandPair { vkF2, 500 }));

    const QString text = THvCommandProcessor::TableListToText(list);
    EXPECT_TRUE(text.startsWith("('It''s mine' False ((37 46) (2152924241 400)) 'DEFAULT' False (("));
    THvCommandProcessor q;
    q.SetTableList(THvCommandProcessor::TableListFromText(text));
    ExpectSameTables(p, q);
}

TEST(HvCmdStoreTest, ReadingAppliesPairsInOrder)
{
    THvCommandProcessor p;
    p.FindTable(u"WordStar")->SetActive(true);
    EXPECT_EQ(p.TranslateKey('Q', ssCtrl), cpPendingSequence);
    // Pairs: change Ctrl+Z, delete then re-add Ctrl+X, delete a missing key, add an unknown one.
    p.SetTableList(
        { { "Default", true, { { kCtrlZ, ccRedo }, { 'X' + ssCtrl * 256, 0 }, { 'X' + ssCtrl * 256, 301 } } },
            { "Grid", true, { { vkF2, 0 }, { vkF2, 0 } } }, { "Default", false, {} } });
    EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle); // reading discards the old tables and the state
    ASSERT_EQ(p.TableCount(), 3);
    const THvCommandTable* def = p.TableAt(0);
    EXPECT_EQ(def->RecordCount(), 64);
    EXPECT_EQ(def->RecordAt(def->FindKeys(kCtrlZ)).Command, ccRedo);
    EXPECT_EQ(def->FindKeys(kCtrlZ), 12); // replaced in place
    EXPECT_EQ(def->RecordAt(63), (THvCommandRecord { 'X', ssCtrl, 0, 0, 301 })); // re-added at the end
    const THvCommandTable* grid = p.TableAt(1);
    EXPECT_EQ(grid->RecordCount(), 38); // F2 deleted, then added back as command 0
    EXPECT_EQ(grid->RecordAt(37), (THvCommandRecord { vkF2, 0, 0, 0, ccNone }));
    EXPECT_EQ(p.TableAt(2)->Name(), "Default1");
    EXPECT_EQ(p.TableAt(2)->RecordCount(), 64);
    EXPECT_EQ(p.TranslateKey('Z', ssCtrl), ccRedo);
    EXPECT_EQ(p.TranslateKey(vkF2, 0), cpNotCommand); // a command-0 record gives nothing
}

TEST(HvCmdStoreTest, TextFormRejectsMalformedLists)
{
    const char* bad[] = {
        "",
        "(",
        "('Default' True ()",
        "('Default' Maybe ())",
        "('Default' True ((1 2 3)))",
        "('Default' True ((1 x)))",
        "('Default' True ((1 70000)))",
        "('Default' True ((4294967296 1)))",
        "('Default True ())",
        "('Default' True ()) extra",
    };
    for (const char* text : bad)
        EXPECT_THROW(THvCommandProcessor::TableListFromText(QString::fromLatin1(text)), ECmdProcessorError) << text;

    // A key sequence may be written as a signed 32-bit number.
    const THvTableList list = THvCommandProcessor::TableListFromText(u" ( 'a' false ( ( -2145124271 5 ) ) ) ");
    ASSERT_EQ(list.size(), 1);
    EXPECT_FALSE(list[0].Active);
    EXPECT_EQ(list[0].Commands, (THvCommandList { { 2149843025u, 5 } }));
}

TEST(HvCmdStoreTest, TableTextFileRoundTrip)
{
    hy::test::TTempFolder dir;
    const QString path = dir.PathOf("wordstar.txt");
    THvCommandProcessor p;
    p.FindTable(u"WordStar")->SaveToFile(path);
    const QList<QByteArray> lines = hy::test::ReadAll(path).split('\n');
    ASSERT_EQ(lines.size(), 1 + 40 + 1);
    EXPECT_EQ(lines[0], "WordStar");
    EXPECT_EQ(lines[1], "  83   4   0   0    46"); // Ctrl+S ccLeft
    EXPECT_EQ(lines[11], "  81   4  83 128    42"); // Ctrl+Q S ccHome
    EXPECT_EQ(lines[41], "");

    THvCommandTable* read = p.LoadTableFromFile(path);
    EXPECT_EQ(p.TableCount(), 4);
    EXPECT_EQ(read, p.TableAt(3));
    EXPECT_EQ(read->Name(), "WordStar1");
    EXPECT_TRUE(read->Active());
    EXPECT_EQ(Records(*read), Records(*p.FindTable(u"WordStar")));

    // Any whitespace between the numbers, CR LF line ends, large command numbers.
    dir.Write(path, "Mine\r\n  37 0 0 0 65535\r\n\t81 4\r\n 83 128 42\r\n\r\n");
    read = p.LoadTableFromFile(path);
    EXPECT_EQ(read->Name(), "Mine");
    EXPECT_EQ(Records(*read), (std::vector<THvCommandRecord> { { 37, 0, 0, 0, 65535 }, { 81, 4, 83, 128, 42 } }));
}

TEST(HvCmdStoreTest, TableFilesAreFoundByTheBytesOfTheirNames)
{
    hy::test::TTempFolder dir;
    const QByteArray raw = hy::platform::EncodeFileName(dir.Path()) + "/keys-\xff\xfe.txt";
    const QString path = hy::platform::DecodeFileName(raw);
    THvCommandProcessor p;
    p.FindTable(u"WordStar")->SaveToFile(path);
    EXPECT_EQ(::access(raw.constData(), F_OK), 0) << "saved under the name's own bytes";
    EXPECT_EQ(Records(*p.LoadTableFromFile(path)), Records(*p.FindTable(u"WordStar")));
    try {
        p.LoadTableFromFile(dir.Path());
        ADD_FAILURE() << "loaded a folder";
    } catch (const hy::base::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 5);
    }
}

TEST(HvCmdStoreTest, TableTextFileErrors)
{
    hy::test::TTempFolder dir;
    THvCommandProcessor p;
    const std::pair<const char*, int> cases[] = {
        { "T\n1 2 3 4\n", 106 }, // a record cut short
        { "T\n1 2 3 4 x\n", 106 },
        { "T\n256 0 0 0 1\n", 106 }, // a key byte out of range
        { "T\n1 0 0 0 65536\n", 106 },
        { "T\n-1 0 0 0 1\n", 106 },
    };
    const QString path = dir.PathOf("t.txt");
    for (const auto& [content, code] : cases) {
        dir.Write(path, content);
        try {
            p.LoadTableFromFile(path);
            ADD_FAILURE() << "loaded " << content;
        } catch (const hy::base::EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), code) << content;
            EXPECT_EQ(e.Message(), "Invalid numeric input");
        }
    }
    try {
        p.LoadTableFromFile(dir.PathOf("missing.txt"));
        ADD_FAILURE() << "loaded a missing file";
    } catch (const hy::base::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), "File not found");
    }
    try {
        p.TableAt(0)->SaveToFile(dir.PathOf("no/such/dir/t.txt"));
        ADD_FAILURE() << "saved into a missing directory";
    } catch (const hy::base::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
    }
    EXPECT_EQ(p.TableCount(), 3); // nothing half-read was added
}
