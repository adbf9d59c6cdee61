// The table of the main window's commands, and the window built from it.
#include "app/MainActions.h"

#include "app/Brview1.h"
#include "app/Brview2.h"

#include "support/TempFiles.h"

#include <QAction>
#include <QDir>
#include <QImage>
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
        const TCommandSpec& row = specs[size_t(i)];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(int(row.Id), i);
        EXPECT_FALSE(names.contains(QLatin1String(row.Name)));
        names.insert(QLatin1String(row.Name));
        EXPECT_TRUE(QByteArray(row.Name).endsWith('1') || row.Id == TCommand::ToClipboard2);
        EXPECT_EQ(row.Handler == nullptr, row.Opens != TMenuId::None);
        if (row.Menu != TMenuId::None && IsSubmenu(row.Menu)) {
            EXPECT_TRUE(opened.contains(row.Menu)) << "the submenu is opened before its items";
        }
        if (row.Opens != TMenuId::None) {
            EXPECT_TRUE(IsSubmenu(row.Opens));
            EXPECT_FALSE(opened.contains(row.Opens)) << "one item opens each submenu";
            opened.insert(row.Opens);
        }
    }
}

TEST(MainActions, ButtonsTakeEachPlaceOnTheBarsOnce)
{
    QList<int> slots;
    for (const TCommandSpec& row : CommandSpecs()) {
        if (row.Button.Name)
            slots << row.Button.Slot;
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
    for (const TCommandSpec& row : CommandSpecs()) {
        SCOPED_TRACE(row.Name);
        QAction* a = form.Action(row.Id);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->objectName(), QLatin1String(row.Name));
        EXPECT_EQ(a, form.findChild<QAction*>(QLatin1String(row.Name))) << "no other action has the name";
        EXPECT_EQ(a->shortcuts(), row.Keys);
        EXPECT_EQ(a->isCheckable(), (row.Flags & cfCheckable) != 0);
        if (row.Opens != TMenuId::None) {
            EXPECT_NE(a->menu(), nullptr);
        }
        if (row.Menu == TMenuId::None) {
            EXPECT_TRUE(a->associatedObjects().contains(&form));
        } else {
            EXPECT_EQ(a->text(), QLatin1String(row.Caption));
        }
    }
    for (const auto* bar : { form.BigButtonBar(), form.SmButtonBar() }) {
        const QList<QAction*> buttons = bar->actions();
        const QString end = bar == form.BigButtonBar() ? QStringLiteral("L") : QStringLiteral("S");
        for (const TCommandSpec& row : CommandSpecs()) {
            if (!row.Button.Name)
                continue;
            ASSERT_LT(row.Button.Slot, buttons.size());
            EXPECT_EQ(buttons.at(row.Button.Slot)->objectName(), QLatin1String(row.Button.Name) + end);
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

// The desktop's icon theme gives a button its command's standard icon; the program's own drawing stands in
// where the theme has none, sharp at twice the scale.
TEST(ButtonIcons, TheThemesStandardIconComesFirstAndOursStandsInForIt)
{
    hy::test::TTempFolder dir;
    ASSERT_TRUE(dir.IsValid());
    ASSERT_TRUE(QDir().mkpath(dir.PathOf("look/24x24")));
    dir.Write("look/index.theme", "[Icon Theme]\nName=look\nDirectories=24x24\n\n[24x24]\nSize=24\n");
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(dir.PathOf("look/24x24/document-open.png")));
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({ dir.Path() });
    QIcon::setThemeName("look");
    const QIcon open = ButtonIcon(ButtonPicture::Open);
    const QIcon exit = ButtonIcon(ButtonPicture::Exit);
    // A theme's icon is looked up as it is drawn: the theme stays while the icons are looked at.
    EXPECT_EQ(open.name(), "document-open");
    EXPECT_EQ(open.pixmap(24).toImage().pixelColor(12, 12), QColor(Qt::red));
    EXPECT_TRUE(exit.name().isEmpty()) << "the theme has no such icon: the program's own";
    EXPECT_FALSE(exit.pixmap(24).isNull());
    // hicolor is the base of every theme, not a desktop's look: the program's own drawing, even where it has
    // the name. A change of theme is seen by icons made before it.
    ASSERT_TRUE(QDir().mkpath(dir.PathOf("hicolor/24x24")));
    dir.Write("hicolor/index.theme", "[Icon Theme]\nName=hicolor\nDirectories=24x24\n\n[24x24]\nSize=24\n");
    ASSERT_TRUE(red.save(dir.PathOf("hicolor/24x24/document-open.png")));
    QIcon::setThemeName("hicolor");
    EXPECT_TRUE(open.name().isEmpty());
    EXPECT_NE(open.pixmap(24).toImage().pixelColor(12, 12), QColor(Qt::red));
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(paths);
    for (const int size : { 16, 24 }) {
        const QPixmap sharp = OwnButtonIcon(ButtonPicture::Print).pixmap(QSize(size, size), 2.0);
        EXPECT_EQ(sharp.size(), QSize(2 * size, 2 * size)) << "drawn for the scale, not enlarged";
    }
}
