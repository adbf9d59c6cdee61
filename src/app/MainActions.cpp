// The table of the main window's commands.
#include "app/MainActions.h"

#include "app/Brview1.h"

namespace hy::app {

std::span<const TMenuBarEntry> MenuBarEntries()
{
    static const TMenuBarEntry entries[] = {
        { TMenuId::File, "&File" },
        { TMenuId::Edit, "&Edit" },
        { TMenuId::Search, "&Search" },
        { TMenuId::View, "&View" },
        { TMenuId::Options, "&Options" },
        { TMenuId::Window, "&Window" },
        { TMenuId::Help, "&Help" },
    };
    return entries;
}

std::span<const TCommandSpec> CommandSpecs()
{
    using M = TMenuId;
    using C = TCommand;
    using F = TMainForm;
    const auto key = [](QKeyCombination k) { return QList<QKeySequence> { QKeySequence(k) }; };
    static const TCommandSpec specs[] = {
        // File
        { C::Open, "Open1", M::File, "&Open...", key(Qt::CTRL | Qt::Key_O), "Open a file", 0, M::None,
            { "OpenBtn", "Open", "Open a file", ButtonPicture::Open, 0 }, &F::OpenClick },
        { C::SaveAs, "SaveAs1", M::File, "Save &As...", key(Qt::CTRL | Qt::Key_A),
            "Save the file in the active viewer window under a different name", 0, M::None,
            { "SaveAsBtn", "Save As", "Save the contents of the active viewer under a different name",
                ButtonPicture::SaveAs, 1 },
            &F::SaveAsClick },
        // The keys that close a window of the client area on any desktop close the active viewer window too.
        { C::Close, "Close1", M::File, "&Close",
            { QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_W),
                QKeySequence(Qt::CTRL | Qt::Key_F4) },
            "Close the active viewer window", 0, M::None, {}, &F::CloseClick },
        { C::CloseAll, "CloseAll1", M::File, "Close A&ll", {}, "Close all viewer windows", 0, M::None, {},
            &F::CloseAllClick },
        { C::Information, "Information1", M::File, "&Information...", {},
            "Display file information (size, date, type, etc.)", cfSeparatorBefore, M::None,
            { "InfoBtn", "Info", "Display file information (size, date, type, etc.)", ButtonPicture::Info, 3 },
            &F::InformationClick },
        { C::EditFile, "EditFile1", M::File, "&Edit File", {}, "Send a file to your favorite text editor/application",
            0, M::EditFile, { "EditBtn", "Edit", "Send a file to your favorite text editor", ButtonPicture::Edit, 4 },
            nullptr },
        { C::UseTextEditor, "UseTextEditor1", M::EditFile, "Use Text Editor", {}, "", 0, M::None, {},
            &F::UseTextEditorClick },
        { C::UseAssociatedApplication, "UseAssociatedApplication1", M::EditFile, "Use Associated Application", {}, "",
            0, M::None, {}, &F::UseAssociatedApplicationClick },
        { C::Run, "Run1", M::File, "&Run...", {}, "Run the application in the active viewer window", cfHidden, M::None,
            {}, &F::RunClick },
        { C::Compare, "Compare1", M::File, "Co&mpare", {}, "Compare all open files and identify differences", 0,
            M::None, {}, &F::CompareClick },
        { C::Print, "Print1", M::File, "&Print...", key(Qt::CTRL | Qt::Key_P),
            "Print the contents of the active viewer window", cfSeparatorBefore, M::None,
            { "PrintBtn", "Print", "Print a file", ButtonPicture::Print, 5 }, &F::PrintFileClick },
        // The recent files themselves are numbered items above Exit (Alt+F, 1 to 9), made as the menu opens.
        { C::RecentFiles, "RecentFiles1", M::File, "Recent &Files", {}, "", cfSeparatorBefore, M::Recent, {}, nullptr },
        { C::ReopenAtLastPlace, "ReopenAtLastPlace1", M::Recent, "&Reopen at the Last Place", {},
            "Open a recent file at the line, view and encoding it was left at", cfCheckable | cfChecked, M::None, {},
            &F::ReopenAtLastPlaceClick },
        { C::ClearRecent, "ClearRecent1", M::Recent, "&Clear List", {}, "Forget the recently opened files", 0, M::None,
            {}, &F::ClearRecentClick },
        { C::Exit, "Exit1", M::File, "E&xit", key(Qt::ALT | Qt::Key_X), "Exit the Halcyra Viewer", cfSeparatorBefore,
            M::None, { "ExitBtn", "Exit", "Close the File Viewer", ButtonPicture::Exit, 9 }, &F::ExitClick },
        // Edit
        { C::Copy, "Copy1", M::Edit, "&Copy", {}, "Copy selected text to the clipboard or a file", 0, M::Copy, {},
            nullptr },
        { C::ToClipboard, "ToClipboard1", M::Copy, "To &Clipboard", key(Qt::CTRL | Qt::Key_C), "", 0, M::None,
            { "CopyBtn", "Copy", "Copy selected text to the clipboard", ButtonPicture::Copy, 2 },
            &F::ToClipboardClick },
        { C::ToClipboard2, "ToClipboard2", M::None, "To Clipboard", key(Qt::CTRL | Qt::Key_Insert), "", 0, M::None, {},
            &F::ToClipboardClick },
        { C::ToFile, "ToFile1", M::Copy, "To &File...", {}, "", 0, M::None, {}, &F::ToFileClick },
        { C::SelectAll, "SelectAll1", M::Edit, "&Select All", {},
            "Select all text or files in the active viewer window", 0, M::None, {}, &F::SelectAllClick },
        { C::ShowClipboard, "ShowClipboard1", M::Edit, "Sho&w Clipboard", {},
            "Display the contents of the Windows clipboard", cfSeparatorBefore, M::None, {}, &F::ShowClipboardClick },
        // Search
        { C::Find, "Find1", M::Search, "&Find...", {}, "Search for text", 0, M::None,
            { "FindBtn", "Find", "Search for text", ButtonPicture::Find, 6 }, &F::FindClick },
        // Ctrl+F belongs to the bar unless Preferences gives it to the dialog (TMainForm::ApplyFindKeys).
        { C::FindBar, "FindBar1", M::Search, "Find &Bar", key(Qt::CTRL | Qt::Key_F),
            "Search as you type in a bar under the text, with every match highlighted and counted", 0, M::None, {},
            &F::FindBarClick },
        { C::FindNext, "FindNext1", M::Search, "Find &Next", key(Qt::Key_F3),
            "Repeat the last search from the current cursor position", 0, M::None,
            { "NextBtn", "Next", "Search for text again", ButtonPicture::FindNext, 7 }, &F::FindNextClick },
        { C::FindPrevious, "FindPrevious1", M::Search, "Find &Previous", key(Qt::SHIFT | Qt::Key_F3),
            "Repeat the last search the other way from the current cursor position", 0, M::None, {},
            &F::FindPreviousClick },
        { C::FileSearch, "FileSearch1", M::Search, "File &Search...", {},
            "Search disk for specific files based on selected criteria", cfSeparatorBefore, M::None,
            { "DiskSearchBtn", "Find", "Search disk for files", ButtonPicture::DiskSearch, 8 }, &F::FileSearchClick },
        { C::GotoLine, "GotoLine1", M::Search, "&Go to Line...", key(Qt::Key_F4), "Go to a specific line by number",
            cfSeparatorBefore, M::None, {}, &F::GotoLineClick },
        // View
        { C::Standard, "Standard1", M::View, "&Standard", key(Qt::Key_F6), "Display file in standard ASCII mode",
            cfCheckable | cfChecked, M::None, {}, &F::StandardClick },
        { C::Hex, "Hex1", M::View, "&Hex", key(Qt::Key_F7), "Display file in Hex mode", cfCheckable, M::None, {},
            &F::HexClick },
        { C::Native, "Native1", M::View, "Native", key(Qt::Key_F8), "Display file in its native mode",
            cfCheckable | cfHidden, M::None, {}, &F::NativeClick },
        // The encoding is the active window's own; the context menu has the same submenu.
        { C::Encoding, "Encoding1", M::View, "&Encoding", {}, "", cfSeparatorBefore, M::Encoding, {}, nullptr },
        { C::LineNumbers, "LineNumbers1", M::View, "Line &Numbers", {},
            "Show the line numbers of the file beside its text", cfCheckable, M::None, {}, &F::LineNumbersClick },
        { C::WrapLines, "WrapLines1", M::View, "&Wrap Lines", {},
            "Wrap long lines at the window's width (Standard only)", cfCheckable, M::None, {}, &F::WrapLinesClick },
        { C::Follow, "Follow1", M::View, "&Follow", key(Qt::Key_F),
            "Show lines as they are added to the file, and reopen it when it is replaced", cfCheckable | cfViewerKey,
            M::None, {}, &F::FollowClick },
        { C::Filter, "Filter1", M::View, "Fi&lter", {},
            "List the lines that match the find bar's pattern in a pane under the text", cfCheckable, M::None, {},
            &F::FilterClick },
        // The zoom of a picture or a PDF page, and the turn of a picture (only its view: the file stays as it is).
        { C::ZoomIn, "ZoomIn1", M::View, "Zoom &In",
            { QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal) },
            "Show the picture or page larger", cfSeparatorBefore, M::None, {}, &F::ZoomInClick },
        { C::ZoomOut, "ZoomOut1", M::View, "Zoom &Out", key(Qt::CTRL | Qt::Key_Minus),
            "Show the picture or page smaller", 0, M::None, {}, &F::ZoomOutClick },
        { C::ActualSize, "ActualSize1", M::View, "&Actual Size", key(Qt::CTRL | Qt::Key_0),
            "Show the picture or page at its own size", 0, M::None, {}, &F::ActualSizeClick },
        { C::FitToWindow, "FitToWindow1", M::View, "Fit to &Window", {}, "Show the whole picture or page in the window",
            0, M::None, {}, &F::FitToWindowClick },
        { C::RotateLeft, "RotateLeft1", M::View, "Rotate Lef&t", {}, "Turn the picture's view a quarter to the left", 0,
            M::None, {}, &F::RotateLeftClick },
        { C::RotateRight, "RotateRight1", M::View, "Rotate Ri&ght", {},
            "Turn the picture's view a quarter to the right", 0, M::None, {}, &F::RotateRightClick },
        // Options
        { C::ShowButtonBar, "ShowButtonBar1", M::Options, "Show &Button Bar", {},
            "Display a handy button bar with often used commands", cfCheckable, M::ButtonBar, {}, nullptr },
        { C::SmallBar, "Small1", M::ButtonBar, "&Small", {}, "", cfCheckable, M::None, {}, &F::SmallBarClick },
        { C::LargeBar, "Large1", M::ButtonBar, "&Large", {}, "", cfCheckable, M::None, {}, &F::LargeBarClick },
        { C::NoBar, "None1", M::ButtonBar, "&None", {}, "", cfCheckable, M::None, {}, &F::NoBarClick },
        { C::ShowStatusBar, "ShowStatusBar1", M::Options, "Show &Status Bar", {},
            "Display a status bar with file info, hints, etc.", cfCheckable, M::None, {}, &F::ShowStatusBarClick },
        { C::ExpandTabs, "ExpandTabs1", M::Options, "&Expand Tabs", {},
            "Expand tab characters in this file to the tab size specified in Preferences (Normal only)",
            cfSeparatorBefore | cfCheckable | cfChecked, M::None, {}, &F::ExpandTabsClick },
        { C::HexFilter, "HexFilter1", M::Options, "&Hex Filter", {},
            "Don't display characters outside the range #32..#127 (Hex only)", cfCheckable, M::None, {},
            &F::HexFilterClick },
        { C::CopyWithCrLf, "CopyWithCrLf1", M::Options, "Copy with CR LF Line Ends", {},
            "End the lines of text copied to the clipboard with CR LF instead of LF", cfCheckable, M::None, {},
            &F::CopyWithCrLfClick },
        { C::HighlightRules, "HighlightRules1", M::Options, "Highlight &Rules...", {},
            "Colour lines or matches of your patterns, and the log levels ERROR, WARN, INFO and DEBUG", 0, M::None, {},
            &F::HighlightRulesClick },
        { C::SetPreferences, "SetPreferences1", M::Options, "Set &Preferences...", {},
            "Change the display colors, font, and other settings", cfSeparatorBefore, M::None, {},
            &F::SetPreferencesClick },
        // Window
        // Tabs, or the free windows that the arrangements below place (and switch to).
        { C::TabbedWindows, "TabbedWindows1", M::Window, "Ta&bbed Windows", {},
            "Show the viewer windows as tabs, or as free windows that can be tiled and cascaded",
            cfCheckable | cfChecked, M::None, {}, &F::TabbedWindowsClick },
        { C::TileVertical, "TileVertical1", M::Window, "Tile &Vertical", {}, "Tile open viewer windows vertically",
            cfSeparatorBefore, M::None, {}, &F::TileVertical },
        { C::TileHorizontal, "TileHorizontal1", M::Window, "Tile &Horizontal", {},
            "Tile open viewer windows horizontally", 0, M::None, {}, &F::TileHorizontal },
        { C::Cascade, "Cascade1", M::Window, "&Cascade", {}, "Cascade open viewer windows", 0, M::None, {},
            &F::Cascade },
        { C::ArrangeIcons, "ArrangeIcons1", M::Window, "&Arrange Icons", {},
            "Arrange icons (if any) inside the main window", 0, M::None, {}, &F::ArrangeIconsClick },
        { C::SynchronizeScrolling, "SynchronizeScrolling1", M::Window, "&Synchronize Scrolling", {}, "",
            cfSeparatorBefore | cfCheckable, M::None, {}, &F::SynchronizeScrollingClick },
        // The tabs, or the free windows, one after the other in their order.
        { C::NextWindow, "NextWindow1", M::None, "Next Window", key(Qt::CTRL | Qt::Key_Tab),
            "Bring the next viewer window to the front", 0, M::None, {}, &F::NextWindowClick },
        { C::PreviousWindow, "PreviousWindow1", M::None, "Previous Window",
            { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab) },
            "Bring the previous viewer window to the front", 0, M::None, {}, &F::PreviousWindowClick },
        { C::Refresh, "Refresh1", M::Window, "&Refresh", key(Qt::Key_F5),
            "Update contents of the currenty active viewer window", cfSeparatorBefore, M::None, {}, &F::RefreshClick },
        { C::RefreshAll, "RefreshAll1", M::Window, "R&efresh All", key(Qt::CTRL | Qt::Key_F5),
            "Update contents of all viewer windows", 0, M::None, {}, &F::RefreshAllViewers },
        // Help
        { C::Contents, "Contents1", M::Help, "&Contents", {}, "Display the Help Table of Contents", 0, M::None, {},
            &F::ContentsClick },
        { C::TopicSearch, "TopicSearch1", M::Help, "&Topic Search...", {}, "Search for a Help topic", 0, M::None, {},
            &F::TopicSearchClick },
        { C::HowToUseHelp, "HowToUseHelp1", M::Help, "&How to Use Help", {}, "Learn how to use the Windows Help system",
            0, M::None, {}, &F::HowToUseHelpClick },
        { C::UsingTheViewer, "UsingTheViewer1", M::Help, "&Using the Viewer", key(Qt::Key_F1), "", 0, M::None, {},
            &F::UsingTheViewerClick },
        { C::About, "About1", M::Help, "&About...", key(Qt::Key_F2), "Display information about this program",
            cfSeparatorBefore, M::None, {}, &F::AboutClick },
    };
    static_assert(std::size(specs) == kCommandCount, "one row for each command");
    return specs;
}

QString TwinName(TCommand command)
{
    QString name = QLatin1String(CommandSpec(command).Name);
    name.chop(1);
    return name + QLatin1Char('2');
}

} // namespace hy::app
