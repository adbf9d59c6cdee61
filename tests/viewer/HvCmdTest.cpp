// The built-in command tables record by record, key translation (single keys, two-key sequences, the
// literal state, modifier keys, broken sequences), table names and the AddCommand errors.
#include "core/viewer/HvCmd.h"
#include "core/viewer/HvBase.h"
#include "core/viewer/HvKeys.h"

#include <QHash>
#include <QStringList>
#include <gtest/gtest.h>

using namespace hy::viewer;

namespace {

// "Ctrl+Shift+Left" -> (37, 6); "Q" -> (81, 0).
std::pair<quint8, quint8> ParseKey(const QString& text)
{
    static const QHash<QString, quint8> named { { "Left", 37 }, { "Right", 39 }, { "Up", 38 }, { "Down", 40 },
        { "Home", 36 }, { "End", 35 }, { "PgUp", 33 }, { "PgDn", 34 }, { "Del", 46 }, { "Ins", 45 }, { "Back", 8 },
        { "Tab", 9 }, { "Enter", 13 }, { "F2", 113 } };
    QStringList parts = text.split('+');
    const QString key = parts.takeLast();
    quint8 shift = 0;
    for (const QString& modifier : parts)
        shift |= modifier == "Ctrl" ? 4 : modifier == "Shift" ? 2 : modifier == "Alt" ? 8 : 0x40;
    EXPECT_NE(shift & 0x40, 0x40) << text.toStdString();
    if (named.contains(key))
        return { named[key], shift };
    EXPECT_EQ(key.size(), 1) << text.toStdString();
    return { static_cast<quint8>(key[0].unicode()), shift };
}

quint16 CommandByName(const QString& name)
{
    for (quint16 i = 0; i <= ccLastBuiltIn; ++i) {
        if (name == QLatin1String(kCommandNames[i]))
            return i;
    }
    ADD_FAILURE() << "no command " << name.toStdString();
    return 0xFFFF;
}

// "Ctrl+Q S:ccHome" -> Ctrl+Q then S (second key shift 128).
THvCommandRecord ParseRecord(const QString& text)
{
    const QStringList sides = text.split(':');
    const QStringList keys = sides[0].split(' ');
    THvCommandRecord r;
    std::tie(r.Key1, r.Shift1) = ParseKey(keys[0]);
    if (keys.size() > 1) {
        r.Key2 = ParseKey(keys[1]).first;
        r.Shift2 = 128;
    }
    r.Command = CommandByName(sides[1]);
    return r;
}

QStringList Numbered(const QString& pattern, const QString& command)
{
    QStringList list;
    for (int i = 0; i < 10; ++i)
        list << pattern.arg(i) + ':' + command + QString::number(i);
    return list;
}

QStringList ExpectedDefault()
{
    return QStringList { "Left:ccLeft", "Right:ccRight", "Ctrl+Left:ccWordLeft", "Ctrl+Right:ccWordRight",
        "Home:ccHome", "End:ccEnd", "Del:ccDel", "Back:ccBack", "Shift+Back:ccBack", "Ctrl+PgUp:ccTopOfPage",
        "Ctrl+PgDn:ccBotOfPage", "Ins:ccIns", "Ctrl+Z:ccUndo", "Alt+Back:ccRestore", "Up:ccUp", "Down:ccDown",
        "Ctrl+Enter:ccNewLine", "Shift+Left:ccExtendLeft", "Shift+Right:ccExtendRight", "Shift+Home:ccExtendHome",
        "Shift+End:ccExtendEnd", "Ctrl+Shift+Left:ccExtWordLeft", "Ctrl+Shift+Right:ccExtWordRight",
        "Shift+PgUp:ccExtendPgUp", "Shift+PgDn:ccExtendPgDn", "Shift+Up:ccExtendUp", "Shift+Down:ccExtendDown",
        "Ctrl+Shift+Home:ccExtFirstPage", "Ctrl+Shift+End:ccExtLastPage", "Ctrl+Shift+PgUp:ccExtTopOfPage",
        "Ctrl+Shift+PgDn:ccExtBotOfPage", "Shift+Del:ccCut", "Ctrl+X:ccCut", "Ctrl+Ins:ccCopy", "Ctrl+C:ccCopy",
        "Shift+Ins:ccPaste", "Ctrl+V:ccPaste", "PgUp:ccPrevPage", "PgDn:ccNextPage", "Ctrl+Home:ccFirstPage",
        "Ctrl+End:ccLastPage", "Tab:ccTab", "Ctrl+Tab:ccTab", "Ctrl+Shift+Z:ccRedo" }
    + Numbered("Ctrl+%1", "ccGotoMarker") + Numbered("Ctrl+Shift+%1", "ccSetMarker");
}

QStringList ExpectedWordStar()
{
    return QStringList { "Ctrl+S:ccLeft", "Ctrl+D:ccRight", "Ctrl+E:ccUp", "Ctrl+X:ccDown", "Ctrl+R:ccPrevPage",
        "Ctrl+C:ccNextPage", "Ctrl+W:ccScrollUp", "Ctrl+Z:ccScrollDown", "Ctrl+A:ccWordLeft", "Ctrl+F:ccWordRight",
        "Ctrl+Q S:ccHome", "Ctrl+Q D:ccEnd", "Ctrl+G:ccDel", "Ctrl+H:ccBack", "Ctrl+Y:ccDelLine", "Ctrl+Q Y:ccDelEol",
        "Ctrl+V:ccIns", "Ctrl+T:ccDelWord", "Ctrl+P:ccCtrlChar", "Ctrl+Q L:ccRestore" }
    + Numbered("Ctrl+Q %1", "ccGotoMarker") + Numbered("Ctrl+K %1", "ccSetMarker");
}

QStringList ExpectedGrid()
{
    return { "Left:ccLeft", "Right:ccRight", "Ctrl+Left:ccPageLeft", "Ctrl+Right:ccPageRight", "Home:ccHome",
        "End:ccEnd", "Del:ccDel", "Back:ccBack", "Ctrl+PgDn:ccBotOfPage", "Ctrl+PgUp:ccTopOfPage", "Ins:ccIns",
        "Ctrl+Z:ccRestore", "Up:ccUp", "Down:ccDown", "Shift+Left:ccExtendLeft", "Shift+Right:ccExtendRight",
        "Shift+Home:ccExtendHome", "Shift+End:ccExtendEnd", "Ctrl+Shift+Left:ccExtWordLeft",
        "Ctrl+Shift+Right:ccExtWordRight", "Shift+PgUp:ccExtendPgUp", "Shift+PgDn:ccExtendPgDn", "Shift+Up:ccExtendUp",
        "Shift+Down:ccExtendDown", "Ctrl+Shift+Home:ccExtFirstPage", "Ctrl+Shift+End:ccExtLastPage",
        "Ctrl+Shift+PgUp:ccExtTopOfPage", "Ctrl+Shift+PgDn:ccExtBotOfPage", "Ctrl+X:ccCut", "Ctrl+C:ccCopy",
        "Ctrl+V:ccPaste", "PgUp:ccPrevPage", "Ctrl+Home:ccFirstPage", "PgDn:ccNextPage", "Ctrl+End:ccLastPage",
        "Ctrl+Up:ccTopLeftCell", "Ctrl+Down:ccBotRightCell", "F2:ccTableEdit" };
}

// Feeds "Ctrl+Q" style keys (or "<Shift>" for the Shift key alone) and returns the results.
std::vector<quint16> Feed(THvCommandProcessor& p, const QStringList& keys)
{
    std::vector<quint16> results;
    for (const QString& key : keys) {
        if (key == "<Shift>") {
            results.push_back(p.TranslateKey(vkShift, ssShift));
        } else if (key == "<Caps>") {
            results.push_back(p.TranslateKey(vkCapital, 0));
        } else {
            const auto [vk, shift] = ParseKey(key);
            results.push_back(p.TranslateKey(vk, shift));
        }
    }
    return results;
}

} // namespace

TEST(HvCmdTest, CommandNamesFollowTheNumbers)
{
    EXPECT_STREQ(kCommandNames[ccNone], "ccNone");
    EXPECT_STREQ(kCommandNames[ccFirstPage], "ccFirstPage");
    EXPECT_STREQ(kCommandNames[ccGotoMarker0 + 7], "ccGotoMarker7");
    EXPECT_STREQ(kCommandNames[ccHome], "ccHome");
    EXPECT_STREQ(kCommandNames[ccSetMarker9], "ccSetMarker9");
    EXPECT_STREQ(kCommandNames[ccTab], "ccTab");
    EXPECT_STREQ(kCommandNames[ccWordRight], "ccWordRight");
}

TEST(HvCmdTest, BuiltInTablesHoldTheirRecordsInOrder)
{
    THvCommandProcessor p;
    struct Case {
        const char* Name;
        bool Active;
        QStringList Expected;
        int Count;
    };
    const Case cases[] = { { "Default", true, ExpectedDefault(), 64 }, { "WordStar", false, ExpectedWordStar(), 40 },
        { "Grid", false, ExpectedGrid(), 38 } };
    ASSERT_EQ(p.TableCount(), 3);
    for (int t = 0; t < 3; ++t) {
        const Case& c = cases[t];
        SCOPED_TRACE(c.Name);
        const THvCommandTable* table = p.TableAt(t);
        EXPECT_EQ(table->Name(), QLatin1String(c.Name));
        EXPECT_EQ(table->Active(), c.Active);
        ASSERT_EQ(c.Expected.size(), c.Count);
        ASSERT_EQ(table->RecordCount(), c.Count);
        for (int i = 0; i < c.Count; ++i) {
            const THvCommandRecord expected = ParseRecord(c.Expected[i]);
            const THvCommandRecord& actual = table->RecordAt(i);
            EXPECT_EQ(actual, expected) << "record " << i << " " << c.Expected[i].toStdString() << ": got "
                                        << int(actual.Key1) << "/" << int(actual.Shift1) << "/" << int(actual.Key2)
                                        << "/" << int(actual.Shift2) << " " << actual.Command;
        }
        const auto builtIn = THvCommandProcessor::BuiltInRecords(QString::fromLatin1(c.Name).toUpper());
        ASSERT_EQ(static_cast<int>(builtIn.size()), c.Count);
        for (int i = 0; i < c.Count; ++i)
            EXPECT_EQ(builtIn[static_cast<size_t>(i)], table->RecordAt(i)) << "built-in record " << i;
    }
    EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle);
}

TEST(HvCmdTest, DefaultTableTranslatesSingleKeys)
{
    THvCommandProcessor p;
    const std::pair<const char*, quint16> cases[] = {
        { "Ctrl+Z", ccUndo },
        { "Ctrl+Shift+Z", ccRedo },
        { "Alt+Back", ccRestore },
        { "Shift+Back", ccBack },
        { "Ctrl+Shift+PgDn", ccExtBotOfPage },
        { "Ctrl+Shift+3", ccSetMarker0 + 3 },
        { "Ctrl+9", ccGotoMarker9 },
        { "Ctrl+Ins", ccCopy },
        { "Enter", cpNotCommand }, // only Ctrl+Enter is a command
        { "Ctrl+Alt+Z", cpNotCommand },
        { "Ctrl+E", cpNotCommand }, // WordStar is inactive
        { "Ctrl+Q", cpNotCommand },
        { "F2", cpNotCommand }, // Grid is inactive
        { "A", cpNotCommand },
    };
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(Feed(p, { key }), std::vector<quint16> { expected }) << key;
        EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle) << key;
    }
    // A key number beyond one byte matches nothing rather than its low byte.
    EXPECT_EQ(p.TranslateKey(0x100 + 'Z', ssCtrl), cpNotCommand);
}

TEST(HvCmdTest, ModifierKeysAloneAreNeverLookedUp)
{
    THvCommandProcessor p;
    // Even a record for the Shift key is not consulted.
    p.AddCommand(u"Default", { vkShift, 0, 0, 0, ccUndo });
    for (quint16 key : { vkShift, vkControl, vkMenu, vkCapital, vkNumLock, vkScroll })
        EXPECT_EQ(p.TranslateKey(key, 0), cpNotCommand) << key;
    EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle);
}

TEST(HvCmdTest, TwoKeySequencesWithWordStar)
{
    struct Case {
        const char* What;
        QStringList Keys;
        std::vector<quint16> Results;
        bool DefaultActive;
    };
    const quint16 P = cpPendingSequence, B = cpBrokenSequence, N = cpNotCommand;
    const Case cases[] = {
        { "plain second key", { "Ctrl+Q", "S" }, { P, ccHome }, false },
        { "Ctrl on the second key", { "Ctrl+Q", "Ctrl+S" }, { P, ccHome }, false },
        { "Shift alone while waiting", { "Ctrl+Q", "<Shift>", "S" }, { P, P, ccHome }, false },
        { "Caps Lock while waiting", { "Ctrl+Q", "<Caps>", "D" }, { P, P, ccEnd }, false },
        { "Shift on the second key breaks", { "Ctrl+Q", "Shift+S", "S" }, { P, B, N }, false },
        { "Alt on the second key breaks", { "Ctrl+Q", "Alt+S" }, { P, B }, false },
        { "unknown second key breaks", { "Ctrl+Q", "Left", "Left" }, { P, B, ccLeft }, true },
        { "first key twice breaks", { "Ctrl+Q", "Ctrl+Q", "Ctrl+S" }, { P, B, ccLeft }, false },
        { "markers", { "Ctrl+K", "5", "Ctrl+Q", "0" }, { P, ccSetMarker0 + 5, P, ccGotoMarker0 }, false },
        { "restore and line end", { "Ctrl+Q", "L", "Ctrl+Q", "Y" }, { P, ccRestore, P, ccDelEol }, false },
        { "literal key", { "Ctrl+P", "Ctrl+S", "Ctrl+S" }, { ccCtrlChar, N, ccLeft }, false },
        { "literal survives modifiers", { "Ctrl+P", "<Shift>", "Ctrl+E", "Ctrl+E" }, { ccCtrlChar, N, N, ccUp },
            false },
        { "literal Ctrl+P", { "Ctrl+P", "Ctrl+P", "Ctrl+P" }, { ccCtrlChar, N, ccCtrlChar }, false },
        { "literal first key of a sequence", { "Ctrl+P", "Ctrl+Q", "S" }, { ccCtrlChar, N, N }, false },
        { "Default comes first", { "Ctrl+C", "Ctrl+V", "Ctrl+E", "Ctrl+Z" }, { ccCopy, ccPaste, ccUp, ccUndo }, true },
        { "WordStar alone", { "Ctrl+C", "Ctrl+V", "Ctrl+Z" }, { ccNextPage, ccIns, ccScrollDown }, false },
        { "sequence across tables", { "Ctrl+Q", "Ctrl+Home" }, { P, B }, true },
    };
    for (const Case& c : cases) {
        THvCommandProcessor p;
        p.FindTable(u"Default")->SetActive(c.DefaultActive);
        p.FindTable(u"WordStar")->SetActive(true);
        EXPECT_EQ(Feed(p, c.Keys), c.Results) << c.What;
    }
}

TEST(HvCmdTest, PendingStateIsRememberedBetweenKeys)
{
    THvCommandProcessor p;
    p.FindTable(u"WordStar")->SetActive(true);
    EXPECT_EQ(p.TranslateKey('Q', ssCtrl), cpPendingSequence);
    EXPECT_EQ(p.State(), THvCommandProcessor::tsPending);
    EXPECT_EQ(p.TranslateKey(vkShift, ssShift), cpPendingSequence);
    EXPECT_EQ(p.State(), THvCommandProcessor::tsPending);
    EXPECT_EQ(p.TranslateKey('P', ssCtrl), cpBrokenSequence); // Ctrl+Q P is no sequence
    EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle);
    EXPECT_EQ(p.TranslateKey('P', ssCtrl), ccCtrlChar);
    EXPECT_EQ(p.State(), THvCommandProcessor::tsLiteral);
    p.ResetState();
    EXPECT_EQ(p.TranslateKey('S', ssCtrl), ccLeft);
}

TEST(HvCmdTest, GridTableAndUserTables)
{
    THvCommandProcessor p;
    p.FindTable(u"Default")->SetActive(false);
    p.FindTable(u"Grid")->SetActive(true);
    EXPECT_EQ(Feed(p, { "Ctrl+Up", "Ctrl+Down", "F2", "Ctrl+Left", "Ctrl+Z" }),
        (std::vector<quint16> { ccTopLeftCell, ccBotRightCell, ccTableEdit, ccPageLeft, ccRestore }));

    // A user table after the built-ins: user commands from 256 up, and its own two-key sequences.
    THvCommandTable* mine = p.CreateTable("Mine", true);
    p.AddCommand(u"Mine", { 'J', ssCtrl, 0, 0, 300 });
    p.AddCommand(u"Mine", { 'J', ssAlt, 'J', ssAlt, 301 });
    p.AddCommand(u"Mine", { vkLeft, 0, 0, 0, 302 }); // Grid comes first
    EXPECT_EQ(mine->RecordCount(), 3);
    EXPECT_EQ(Feed(p, { "Ctrl+J", "Alt+J", "Alt+J", "Alt+J", "J", "Left" }),
        (std::vector<quint16> { 300, cpPendingSequence, 301, cpPendingSequence, cpBrokenSequence, ccLeft }));
}

TEST(HvCmdTest, ControllerOwnsOneProcessorSharedByItsControls)
{
    THvController controller;
    THvCommandProcessor* p = controller.EntryCommands();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->TableCount(), 3);
    p->FindTable(u"WordStar")->SetActive(true);
    // The first key from one control and the second from another still form a sequence.
    EXPECT_EQ(controller.EntryCommands()->TranslateQtKey(Qt::Key_K, Qt::ControlModifier), cpPendingSequence);
    EXPECT_EQ(controller.EntryCommands()->TranslateQtKey(Qt::Key_3, Qt::NoModifier), ccSetMarker0 + 3);
}

TEST(HvCmdTest, QtKeysTranslateThroughTheTables)
{
    THvCommandProcessor p;
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier), ccSetMarker0 + 1);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_1, Qt::ControlModifier), ccGotoMarker0 + 1);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Home, Qt::ControlModifier | Qt::KeypadModifier), ccFirstPage);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier), ccNewLine);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Backspace, Qt::AltModifier), ccRestore);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Shift, Qt::ShiftModifier), cpNotCommand);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Adiaeresis, Qt::NoModifier), cpNotCommand);

    p.FindTable(u"WordStar")->SetActive(true);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Q, Qt::ControlModifier), cpPendingSequence);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Meta, Qt::MetaModifier), cpPendingSequence);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Adiaeresis, Qt::NoModifier), cpBrokenSequence); // a key with no number
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_P, Qt::ControlModifier), ccCtrlChar);
    EXPECT_EQ(p.TranslateQtKey(Qt::Key_Adiaeresis, Qt::NoModifier), cpNotCommand);
    EXPECT_EQ(p.State(), THvCommandProcessor::tsIdle);
}

TEST(HvCmdTest, TableNamesAreMadeUnique)
{
    THvCommandProcessor p;
    const std::pair<const char*, const char*> cases[] = {
        { "Default", "Default1" }, { "Default1", "Default2" }, { "default", "default3" }, // a to z compare without case
        { "Default7", "Default4" }, { "Mine", "Mine" }, { "Mine2", "Mine1" }, { "X5", "X5" }, // no table X: kept
        { "X5", "X1" }, // but never a second X5
        { "7", "7" }, { "7", "71" }, // a single digit is the whole base
        { "", "" }, { "\u00c4", "\u00c4" }, { "\u00e4", "\u00e4" }, // only a to z fold
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(p.CreateTable(QString::fromUtf8(name), false)->Name(), QString::fromUtf8(expected)) << name;

    EXPECT_EQ(p.FindTable(u"WORDSTAR"), p.TableAt(1));
    EXPECT_EQ(p.FindTable(u"default"), p.TableAt(0)); // the first hit
    EXPECT_EQ(p.FindTable(u"Nothing"), nullptr);
    EXPECT_EQ(THvCommandTable().Name(), QStringLiteral("(Unknown)"));
    EXPECT_TRUE(THvCommandTable().Active());
}

TEST(HvCmdTest, AddCommandRefusesMissingTablesAndDuplicates)
{
    THvCommandProcessor p;
    const QString notFound = "Command table not found or command table index out of range";
    const QString duplicate = "Duplicate command found while adding a new command to the table";
    struct Case {
        const char* Table;
        THvCommandRecord Record;
        const QString* Message; // nullptr: added
    };
    const Case cases[] = {
        { "Nothing", { 'J', ssCtrl, 0, 0, 300 }, &notFound },
        { "Default", { 'Z', ssCtrl, 0, 0, ccCopy }, &duplicate }, // same keys, other command
        { "grid", { vkF2, 0, 0, 0, ccTableEdit }, &duplicate },
        { "WordStar", { 'Q', ssCtrl, 'S', 128, ccEnd }, &duplicate },
        { "WordStar", { 'Q', ssCtrl, 'S', 0, ccEnd }, nullptr }, // another second-key shift state
        { "Default", { 'Z', ssAlt, 0, 0, ccUndo }, nullptr },
    };
    for (const Case& c : cases) {
        THvCommandTable* table = p.FindTable(QString::fromLatin1(c.Table));
        const int before = table ? table->RecordCount() : 0;
        try {
            p.AddCommand(QString::fromLatin1(c.Table), c.Record);
            EXPECT_EQ(c.Message, nullptr) << c.Table << " " << c.Record.Command;
            EXPECT_EQ(table->RecordAt(before), c.Record);
        } catch (const ECmdProcessorError& e) {
            ASSERT_NE(c.Message, nullptr) << c.Table << " " << c.Record.Command;
            EXPECT_EQ(e.Message(), *c.Message);
            EXPECT_EQ(dynamic_cast<const ETableNotFound*>(&e) != nullptr, c.Message == &notFound);
            EXPECT_EQ(dynamic_cast<const EDuplicateCommand*>(&e) != nullptr, c.Message == &duplicate);
            if (table) {
                EXPECT_EQ(table->RecordCount(), before);
            }
        }
    }
    // The family root catches them too.
    EXPECT_THROW(p.AddCommand(u"Nothing", {}), hy::base::EHvException);
}

TEST(HvCmdTest, RecordEditing)
{
    THvCommandTable t("T");
    const THvCommandRecord a { 'A', 0, 0, 0, 1 }, b { 'B', 0, 0, 0, 2 }, c { 'C', 0, 0, 0, 3 };
    t.AddRecord(a);
    t.InsertRecord(0, b);
    t.InsertRecord(99, c); // clamped to the end
    ASSERT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.RecordAt(0), b);
    EXPECT_EQ(t.RecordAt(2), c);
    EXPECT_EQ(t.FindKeys(THvCommandRecord { 'A', 0, 0, 0, 77 }), 1);
    EXPECT_EQ(t.FindKeys(THvCommandRecord { 'A', ssShift, 0, 0, 1 }), -1);
    t.ReplaceRecord(1, { 'D', 0, 0, 0, 4 });
    t.ReplaceRecord(5, a);
    t.DeleteRecord(0);
    t.DeleteRecord(-1);
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RecordAt(0).Key1, 'D');
    t.ClearRecords();
    EXPECT_EQ(t.RecordCount(), 0);
}
