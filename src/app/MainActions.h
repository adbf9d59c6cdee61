// The main window's commands in one table: each command's name, caption, keys, hint, place in the menus,
// button and handler. The menus, the button bars and the connections to the handlers are built from it, and
// the window reaches each action through its TCommand.
#pragma once

#include "app/ButtonIcons.h"

#include <QKeySequence>
#include <QList>

#include <span>

namespace hy::app {

class TMainForm;

// Every command of the main window, in the order of the menus.
enum class TCommand : int {
    Open,
    SaveAs,
    Close,
    CloseAll,
    Information,
    EditFile,
    UseTextEditor,
    UseAssociatedApplication,
    Run,
    Compare,
    Print,
    RecentFiles,
    ReopenAtLastPlace,
    ClearRecent,
    Exit,
    Copy,
    ToClipboard,
    ToClipboard2, // Ctrl+Insert: the same command under a second key, in no menu
    ToFile,
    SelectAll,
    ShowClipboard,
    Find,
    FindBar,
    FindNext,
    FindPrevious,
    FileSearch,
    GotoLine,
    Standard,
    Hex,
    Native,
    Encoding,
    LineNumbers,
    WrapLines,
    Follow,
    Filter,
    ZoomIn,
    ZoomOut,
    ActualSize,
    FitToWindow,
    RotateLeft,
    RotateRight,
    ShowButtonBar,
    SmallBar,
    LargeBar,
    NoBar,
    ShowStatusBar,
    ExpandTabs,
    HexFilter,
    CopyWithCrLf,
    HighlightRules,
    SetPreferences,
    TabbedWindows,
    TileVertical,
    TileHorizontal,
    Cascade,
    ArrangeIcons,
    SynchronizeScrolling,
    NextWindow, // Ctrl+Tab and Ctrl+Shift+Tab: in no menu
    PreviousWindow,
    Refresh,
    RefreshAll,
    Contents,
    TopicSearch,
    HowToUseHelp,
    UsingTheViewer,
    About,
};
inline constexpr int kCommandCount = int(TCommand::About) + 1;

// The menus of the menu bar and their submenus.
enum class TMenuId : int {
    None, // an action of the window alone, in no menu
    File,
    EditFile,
    Recent,
    Edit,
    Copy,
    Search,
    View,
    Encoding,
    Options,
    ButtonBar,
    Window,
    Help,
};
inline constexpr int kMenuCount = int(TMenuId::Help) + 1;

// The menus of the menu bar, left to right.
struct TMenuBarEntry {
    TMenuId Menu;
    const char* Caption;
};
std::span<const TMenuBarEntry> MenuBarEntries();

enum TCommandFlag : unsigned {
    cfSeparatorBefore = 1u << 0, // a separator stands above the item in its menu
    cfCheckable = 1u << 1,
    cfChecked = 1u << 2,
    cfHidden = 1u << 3,
    cfViewerKey = 1u << 4, // a plain key that only the viewers take (each adds the action), never a text field
};

// A command's button on the two button bars; Name is null for a command without one.
struct TButtonSpec {
    const char* Name = nullptr; // "OpenBtn": the large bar's button ends in "L", the small bar's in "S"
    const char* Caption = nullptr;
    const char* Hint = nullptr;
    ButtonPicture Picture = ButtonPicture::Open;
    int Slot = 0; // place on the bars, from the left
};

struct TCommandSpec {
    TCommand Id;
    const char* Name; // the action's object name, "Open1"
    TMenuId Menu; // where the item stands
    const char* Caption;
    QList<QKeySequence> Keys; // the first is the one the menu shows
    const char* Hint;
    unsigned Flags = 0;
    TMenuId Opens = TMenuId::None; // the submenu the item opens
    TButtonSpec Button = {};
    void (TMainForm::*Handler)() = nullptr; // null only for items that open a submenu
};

// The table, in TCommand order: CommandSpecs()[int(c)].Id == c.
std::span<const TCommandSpec> CommandSpecs();
inline const TCommandSpec& CommandSpec(TCommand command) { return CommandSpecs()[size_t(command)]; }

// The name of a command's twin in a viewer window's context menu: "Hex1" has "Hex2".
QString TwinName(TCommand command);

} // namespace hy::app
