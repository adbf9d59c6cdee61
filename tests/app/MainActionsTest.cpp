// The table of the main window's commands, and the window built from it.
#include "app/MainActions.h"

#include "app/Brview1.h"
#include "app/Brview2.h"

#include <QAction>
#include <QMenu>
#include <QSet>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace hy::app;

namespace {
bool IsSubmenu(TMenuId menu)
{
    for (const TMenuBarEntry& entry : MenuBarEntries()) {
        if (entry.Menu == menu)
            return false;
    }
    return true;
}
} // namespace

// Each command has its row at its own index (Action(c) reads the row of c), a name of its own, and a handler
// unless it only opens a submenu; every item stands in a menu of the bar or in a submenu an earlier row opens.
TEST(MainActions, TableHasOneWellFormedRowPerCommandInOrder)
{
    const auto specs = CommandSpecs();
    ASSERT_EQ(int(specs.size()), kCommandCount);
    QSet<QString> names;
    QSet<TMenuId> opened;
    for (int i = 0; i < kCommandCount; ++i) {
        const TCommandSpec& spec = specs[size_t(i)];
        SCOPED_TRACE(spec.Name);
        EXPECT_EQ(int(spec.Id), i);
        EXPECT_FALSE(names.contains(QLatin1String(spec.Name)));
        names.insert(QLatin1String(spec.Name));
        EXPECT_TRUE(QByteArray(spec.Name).endsWith('1') || spec.Id == TCommand::ToClipboard2);
        EXPECT_EQ(spec.Handler == nullptr, spec.Opens != TMenuId::None);
        if (spec.Menu != TMenuId::None && IsSubmenu(spec.Menu)) {
            EXPECT_TRUE(opened.contains(spec.Menu)) << "the submenu is opened before its items";
        }
        if (spec.Opens != TMenuId::None) {
            EXPECT_TRUE(IsSubmenu(spec.Opens));
            EXPECT_FALSE(opened.contains(spec.Opens)) << "one item opens each submenu";
            opened.insert(spec.Opens);
        }
    }
}

TEST(MainActions, ButtonsTakeEachPlaceOnTheBarsOnce)
{
    QList<int> slots;
    for (const TCommandSpec& spec : CommandSpecs()) {
        if (spec.Button.Name)
            slots << spec.Button.Slot;
    }
    std::sort(slots.begin(), slots.end());
    ASSERT_FALSE(slots.isEmpty());
    for (int i = 0; i < slots.size(); ++i)
        EXPECT_EQ(slots.at(i), i);
}

// The window made from the table: each command's action carries its name, caption, keys and marks, and
// stands in its menu; each button triggers its command.
TEST(MainActions, WindowActionsFollowTheTable)
{
    TMainForm form;
    for (const TCommandSpec& spec : CommandSpecs()) {
        SCOPED_TRACE(spec.Name);
        QAction* a = form.Action(spec.Id);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->objectName(), QLatin1String(spec.Name));
        EXPECT_EQ(a, form.findChild<QAction*>(QLatin1String(spec.Name))) << "no other action has the name";
        EXPECT_EQ(a->shortcuts(), spec.Keys);
        EXPECT_EQ(a->isCheckable(), (spec.Flags & cfCheckable) != 0);
        if (spec.Opens != TMenuId::None) {
            EXPECT_NE(a->menu(), nullptr);
        }
        if (spec.Menu == TMenuId::None) {
            EXPECT_TRUE(a->associatedObjects().contains(&form));
        } else {
            EXPECT_EQ(a->text(), QLatin1String(spec.Caption));
        }
    }
    for (const auto* bar : { form.BigButtonBar(), form.SmButtonBar() }) {
        const QList<QAction*> buttons = bar->actions();
        const QString end = bar == form.BigButtonBar() ? QStringLiteral("L") : QStringLiteral("S");
        for (const TCommandSpec& spec : CommandSpecs()) {
            if (!spec.Button.Name)
                continue;
            ASSERT_LT(spec.Button.Slot, buttons.size());
            EXPECT_EQ(buttons.at(spec.Button.Slot)->objectName(), QLatin1String(spec.Button.Name) + end);
        }
    }
}

// A viewer window's context menu mirrors the main menu's items under their twin names.
TEST(MainActions, ContextMenuTwinsTriggerTheirCommands)
{
    TMainForm form;
    auto* child = new TChildForm(&form);
    QMenu* popup = child->ChildPopupMenu();
    int triggered = 0;
    form.Action(TCommand::Information)->setEnabled(true); // as with a window open
    QObject::connect(form.Action(TCommand::Information), &QAction::triggered, [&]() { ++triggered; });
    QAction* twin = popup->findChild<QAction*>(TwinName(TCommand::Information));
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->text(), QStringLiteral("Information..."));
    twin->trigger();
    EXPECT_EQ(triggered, 1);
    delete child;
}
