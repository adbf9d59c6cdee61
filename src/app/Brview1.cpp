// Main window construction, settings, command line and drops.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "app/ButtonIcons.h"
#include "app/WindowArrangement.h"
#include "base/HyExceptions.h"
#include "common/Alert.h"
#include "common/WaitAside.h"
#include "filelist/PreviewHost.h"
#include "filelist/Vsearch.h"
#include "platform/Desktop.h"
#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/TempCopies.h"
#include "viewer/HvEncoding.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace hy::app {

namespace {
    const char* const kProgramTitle = "Halcyra Viewer";
} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setAcceptDrops(true);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("ClientArea"));
    m_mdiArea->setBackground(QColor(128, 128, 128));
    setCentralWidget(m_mdiArea);

    CreateMenus();
    CreateButtonBars();
    CreateStatusBar();
    for (QMenu* menu : findChildren<QMenu*>())
        menu->installEventFilter(this);
    for (QToolBar* bar : { m_bigButtonBar, m_smButtonBar })
        bar->installEventFilter(this);

    // Built-in defaults; LoadSettings replaces them with the stored values when the window is first shown.
    // A first start takes a good part of the screen; later starts come back where the user left it.
    const QRect avail = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                         : QRect(0, 0, 1024, 768);
    resize(qMin(1100, avail.width() * 4 / 5), qMin(760, avail.height() * 4 / 5));
    m_settings.WindowPos = QRect(pos(), size());
    m_settings.FontName = QStringLiteral("Courier New");
    m_settings.FontSize = 10;
    m_settings.TempDir = EffectiveTempDir(QString());
    m_mediaExtensions = BuildMediaExtensions();

    SetButtonBar(m_settings.ButtonBar);
    ConnectCommands();
    UpdateCommands(true);
}

TMainForm::~TMainForm()
{
    // The viewer windows go first, while everything they might report to is still there, and quietly.
    m_mdiArea->disconnect(this);
    for (TChildForm* child : std::as_const(m_children)) {
        disconnect(child, nullptr, this, nullptr);
        if (QMdiSubWindow* frame = FrameOf(child))
            frame->disconnect();
    }
    m_children.clear();
    m_openNames.clear();
    delete m_mdiArea;
    m_mdiArea = nullptr;
    // Copies of viewed members handed on to other programs go with the program.
    platform::TempCopies().RemoveAll();
}

// Commands are looked up by name all the time; searching the window tree for them would cost more with
// every viewer window open.
QAction* TMainForm::Action(const char* name) const { return m_actions.value(QByteArray(name)); }

void TMainForm::RegisterAction(QAction* action) { m_actions.insert(action->objectName().toLatin1(), action); }

QAction* TMainForm::AddAction(
    QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut, const QString& hint)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    RegisterAction(a);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    if (!hint.isEmpty()) {
        a->setStatusTip(hint);
        a->setToolTip(hint);
    }
    if (menu)
        menu->addAction(a);
    return a;
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();

    m_fileMenu = bar->addMenu(QStringLiteral("&File"));
    AddAction(m_fileMenu, "Open1", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
        QStringLiteral("Open a file"));
    AddAction(m_fileMenu, "SaveAs1", QStringLiteral("Save &As..."), QKeySequence(Qt::CTRL | Qt::Key_A),
        QStringLiteral("Save the file in the active viewer window under a different name"));
    QAction* close = AddAction(m_fileMenu, "Close1", QStringLiteral("&Close"), QKeySequence(Qt::CTRL | Qt::Key_E),
        QStringLiteral("Close the active viewer window"));
    // The keys that close a window of the client area on any desktop close the active viewer window too.
    close->setShortcuts({ close->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4) });
    AddAction(m_fileMenu, "CloseAll1", QStringLiteral("Close A&ll"), QKeySequence(),
        QStringLiteral("Close all viewer windows"));
    m_fileMenu->addSeparator();
    AddAction(m_fileMenu, "Information1", QStringLiteral("&Information..."), QKeySequence(),
        QStringLiteral("Display file information (size, date, type, etc.)"));
    m_editFileMenu = m_fileMenu->addMenu(QStringLiteral("&Edit File"));
    m_editFileMenu->menuAction()->setObjectName(QStringLiteral("EditFile1"));
    RegisterAction(m_editFileMenu->menuAction());
    m_editFileMenu->menuAction()->setStatusTip(QStringLiteral("Send a file to your favorite text editor/application"));
    AddAction(m_editFileMenu, "UseTextEditor1", QStringLiteral("Use Text Editor"), QKeySequence(), QString());
    AddAction(m_editFileMenu, "UseAssociatedApplication1", QStringLiteral("Use Associated Application"), QKeySequence(),
        QString());
    QAction* run = AddAction(m_fileMenu, "Run1", QStringLiteral("&Run..."), QKeySequence(),
        QStringLiteral("Run the application in the active viewer window"));
    run->setVisible(false);
    AddAction(m_fileMenu, "Compare1", QStringLiteral("Co&mpare"), QKeySequence(),
        QStringLiteral("Compare all open files and identify differences"));
    m_fileMenu->addSeparator();
    AddAction(m_fileMenu, "Print1", QStringLiteral("&Print..."), QKeySequence(Qt::CTRL | Qt::Key_P),
        QStringLiteral("Print the contents of the active viewer window"));
    m_fileMenu->addSeparator();
    QAction* exit = AddAction(m_fileMenu, "Exit1", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
        QStringLiteral("Exit the Halcyra Viewer"));
    connect(exit, &QAction::triggered, this, &TMainForm::ExitClick);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    QMenu* copy = edit->addMenu(QStringLiteral("&Copy"));
    copy->menuAction()->setObjectName(QStringLiteral("Copy1"));
    RegisterAction(copy->menuAction());
    copy->menuAction()->setStatusTip(QStringLiteral("Copy selected text to the clipboard or a file"));
    QAction* toClipboard = AddAction(
        copy, "ToClipboard1", QStringLiteral("To &Clipboard"), QKeySequence(Qt::CTRL | Qt::Key_C), QString());
    // The second "To Clipboard" exists only for its shortcut.
    QAction* toClipboard2 = AddAction(
        nullptr, "ToClipboard2", QStringLiteral("To Clipboard"), QKeySequence(Qt::CTRL | Qt::Key_Insert), QString());
    addAction(toClipboard2);
    connect(toClipboard2, &QAction::triggered, toClipboard, &QAction::trigger);
    AddAction(copy, "ToFile1", QStringLiteral("To &File..."), QKeySequence(), QString());
    AddAction(edit, "SelectAll1", QStringLiteral("&Select All"), QKeySequence(),
        QStringLiteral("Select all text or files in the active viewer window"));
    edit->addSeparator();
    AddAction(edit, "ShowClipboard1", QStringLiteral("Sho&w Clipboard"), QKeySequence(),
        QStringLiteral("Display the contents of the Windows clipboard"));

    QMenu* search = bar->addMenu(QStringLiteral("&Search"));
    AddAction(search, "Find1", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
        QStringLiteral("Search for text"));
    AddAction(search, "FindNext1", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3),
        QStringLiteral("Repeat the last search from the current cursor position"));
    search->addSeparator();
    AddAction(search, "FileSearch1", QStringLiteral("File &Search..."), QKeySequence(),
        QStringLiteral("Search disk for specific files based on selected criteria"));
    search->addSeparator();
    AddAction(search, "GotoLine1", QStringLiteral("&Go to Line..."), QKeySequence(Qt::Key_F4),
        QStringLiteral("Go to a specific line by number"));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    QAction* standard = AddAction(view, "Standard1", QStringLiteral("&Standard"), QKeySequence(Qt::Key_F6),
        QStringLiteral("Display file in standard ASCII mode"));
    standard->setCheckable(true);
    standard->setChecked(true);
    QAction* hex = AddAction(
        view, "Hex1", QStringLiteral("&Hex"), QKeySequence(Qt::Key_F7), QStringLiteral("Display file in Hex mode"));
    hex->setCheckable(true);
    QAction* native = AddAction(view, "Native1", QStringLiteral("Native"), QKeySequence(Qt::Key_F8),
        QStringLiteral("Display file in its native mode"));
    native->setCheckable(true);
    native->setVisible(false);
    view->addSeparator();
    // The encoding is the active window's own; the context menu has the same submenu.
    QMenu* encoding = view->addMenu(QStringLiteral("&Encoding"));
    encoding->menuAction()->setObjectName(QStringLiteral("Encoding1"));
    RegisterAction(encoding->menuAction());
    auto* encodings = new QActionGroup(this);
    for (const viewer::TTextEncoding e : viewer::kAllEncodings) {
        QAction* a = AddAction(encoding, EncodingActionName(e), viewer::EncodingName(e), QKeySequence(),
            QStringLiteral("Show the file's text in this encoding"));
        a->setCheckable(true);
        a->setActionGroup(encodings);
        connect(a, &QAction::triggered, this, [this, e]() { EncodingClick(e); });
    }
    QAction* lineNumbers = AddAction(view, "LineNumbers1", QStringLiteral("Line &Numbers"), QKeySequence(),
        QStringLiteral("Show the line numbers of the file beside its text"));
    lineNumbers->setCheckable(true);
    QAction* wrapLines = AddAction(view, "WrapLines1", QStringLiteral("&Wrap Lines"), QKeySequence(),
        QStringLiteral("Wrap long lines at the window's width (Standard only)"));
    wrapLines->setCheckable(true);
    QAction* follow = AddAction(view, "Follow1", QStringLiteral("&Follow"), QKeySequence(Qt::Key_F),
        QStringLiteral("Show lines as they are added to the file, and reopen it when it is replaced"));
    follow->setCheckable(true);
    // A plain letter: it belongs to the viewers (each window adds it), never to a text field that has focus.
    follow->setShortcutContext(Qt::WidgetShortcut);

    m_optionsMenu = bar->addMenu(QStringLiteral("&Options"));
    connect(m_optionsMenu, &QMenu::aboutToShow, this, &TMainForm::OptionsMenuAboutToShow);
    QMenu* buttonBar = m_optionsMenu->addMenu(QStringLiteral("Show &Button Bar"));
    buttonBar->menuAction()->setObjectName(QStringLiteral("ShowButtonBar1"));
    RegisterAction(buttonBar->menuAction());
    buttonBar->menuAction()->setCheckable(true);
    buttonBar->menuAction()->setStatusTip(QStringLiteral("Display a handy button bar with often used commands"));
    const std::pair<const char*, const char*> bars[]
        = { { "Small1", "&Small" }, { "Large1", "&Large" }, { "None1", "&None" } };
    const int barValues[] = { 1, 2, 0 };
    for (int i = 0; i < 3; ++i) {
        QAction* a
            = AddAction(buttonBar, bars[i].first, QString::fromLatin1(bars[i].second), QKeySequence(), QString());
        a->setCheckable(true);
        const int value = barValues[i];
        connect(a, &QAction::triggered, this, [this, value]() { SetButtonBar(value); });
    }
    QAction* statusBarItem = AddAction(m_optionsMenu, "ShowStatusBar1", QStringLiteral("Show &Status Bar"),
        QKeySequence(), QStringLiteral("Display a status bar with file info, hints, etc."));
    statusBarItem->setCheckable(true);
    connect(statusBarItem, &QAction::triggered, this, [this]() { statusBar()->setVisible(!statusBar()->isVisible()); });
    m_optionsMenu->addSeparator();
    QAction* expandTabs = AddAction(m_optionsMenu, "ExpandTabs1", QStringLiteral("&Expand Tabs"), QKeySequence(),
        QStringLiteral("Expand tab characters in this file to the tab size specified in Preferences (Normal only)"));
    expandTabs->setCheckable(true);
    expandTabs->setChecked(true);
    QAction* hexFilter = AddAction(m_optionsMenu, "HexFilter1", QStringLiteral("&Hex Filter"), QKeySequence(),
        QStringLiteral("Don't display characters outside the range #32..#127 (Hex only)"));
    hexFilter->setCheckable(true);
    QAction* crlf = AddAction(m_optionsMenu, "CopyWithCrLf1", QStringLiteral("Copy with CR LF Line Ends"),
        QKeySequence(), QStringLiteral("End the lines of text copied to the clipboard with CR LF instead of LF"));
    crlf->setCheckable(true);
    m_preferencesSeparator = m_optionsMenu->addSeparator();
    AddAction(m_optionsMenu, "SetPreferences1", QStringLiteral("Set &Preferences..."), QKeySequence(),
        QStringLiteral("Change the display colors, font, and other settings"));

    m_windowMenu = bar->addMenu(QStringLiteral("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::WindowMenuAboutToShow);
    AddAction(m_windowMenu, "TileVertical1", QStringLiteral("Tile &Vertical"), QKeySequence(),
        QStringLiteral("Tile open viewer windows vertically"));
    AddAction(m_windowMenu, "TileHorizontal1", QStringLiteral("Tile &Horizontal"), QKeySequence(),
        QStringLiteral("Tile open viewer windows horizontally"));
    AddAction(m_windowMenu, "Cascade1", QStringLiteral("&Cascade"), QKeySequence(),
        QStringLiteral("Cascade open viewer windows"));
    AddAction(m_windowMenu, "ArrangeIcons1", QStringLiteral("&Arrange Icons"), QKeySequence(),
        QStringLiteral("Arrange icons (if any) inside the main window"));
    m_windowMenu->addSeparator();
    QAction* sync = AddAction(
        m_windowMenu, "SynchronizeScrolling1", QStringLiteral("&Synchronize Scrolling"), QKeySequence(), QString());
    sync->setCheckable(true);
    m_windowMenu->addSeparator();
    AddAction(m_windowMenu, "Refresh1", QStringLiteral("&Refresh"), QKeySequence(Qt::Key_F5),
        QStringLiteral("Update contents of the currenty active viewer window"));
    AddAction(m_windowMenu, "RefreshAll1", QStringLiteral("R&efresh All"), QKeySequence(Qt::CTRL | Qt::Key_F5),
        QStringLiteral("Update contents of all viewer windows"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    AddAction(help, "Contents1", QStringLiteral("&Contents"), QKeySequence(),
        QStringLiteral("Display the Help Table of Contents"));
    AddAction(help, "TopicSearch1", QStringLiteral("&Topic Search..."), QKeySequence(),
        QStringLiteral("Search for a Help topic"));
    AddAction(help, "HowToUseHelp1", QStringLiteral("&How to Use Help"), QKeySequence(),
        QStringLiteral("Learn how to use the Windows Help system"));
    AddAction(help, "UsingTheViewer1", QStringLiteral("&Using the Viewer"), QKeySequence(Qt::Key_F1), QString());
    help->addSeparator();
    QAction* about = AddAction(help, "About1", QStringLiteral("&About..."), QKeySequence(Qt::Key_F2),
        QStringLiteral("Display information about this program"));
    connect(about, &QAction::triggered, this, &TMainForm::AboutClick);
}

void TMainForm::CreateButtonBars()
{
    struct Button {
        const char* name;
        const char* caption;
        const char* hint;
        ButtonPicture picture;
        const char* action;
    };
    // The Edit buttons offer the two ways of editing at the pointer.
    m_editPopup = new QMenu(this);
    m_editPopup->setObjectName(QStringLiteral("EditPopupMenu"));
    const std::pair<const char*, const char*> editItems[]
        = { { "Use &Text Editor", "UseTextEditor1" }, { "Use &Associated Application", "UseAssociatedApplication1" } };
    for (const auto& [caption, twin] : editItems) {
        QAction* item = Action(twin);
        QAction* a = m_editPopup->addAction(QString::fromLatin1(caption), item, &QAction::trigger);
        connect(item, &QAction::changed, a, [a, item]() { a->setEnabled(item->isEnabled()); });
    }
    static const Button buttons[] = {
        { "OpenBtn", "Open", "Open a file", ButtonPicture::Open, "Open1" },
        { "SaveAsBtn", "Save As", "Save the contents of the active viewer under a different name",
            ButtonPicture::SaveAs, "SaveAs1" },
        { "CopyBtn", "Copy", "Copy selected text to the clipboard", ButtonPicture::Copy, "ToClipboard1" },
        { "InfoBtn", "Info", "Display file information (size, date, type, etc.)", ButtonPicture::Info, "Information1" },
        { "EditBtn", "Edit", "Send a file to your favorite text editor", ButtonPicture::Edit, "EditFile1" },
        { "PrintBtn", "Print", "Print a file", ButtonPicture::Print, "Print1" },
        { "FindBtn", "Find", "Search for text", ButtonPicture::Find, "Find1" },
        { "NextBtn", "Next", "Search for text again", ButtonPicture::FindNext, "FindNext1" },
        { "DiskSearchBtn", "Find", "Search disk for files", ButtonPicture::DiskSearch, "FileSearch1" },
        { "ExitBtn", "Exit", "Close the File Viewer", ButtonPicture::Exit, "Exit1" },
    };
    m_bigButtonBar = new QToolBar(QStringLiteral("BigButtonBar"), this);
    m_bigButtonBar->setObjectName(QStringLiteral("BigButtonBar"));
    m_bigButtonBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_bigButtonBar->setIconSize(QSize(24, 24));
    m_bigButtonBar->setFixedHeight(49);
    m_smButtonBar = new QToolBar(QStringLiteral("SmButtonBar"), this);
    m_smButtonBar->setObjectName(QStringLiteral("SmButtonBar"));
    m_smButtonBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_smButtonBar->setIconSize(QSize(16, 16));
    m_smButtonBar->setFixedHeight(32);
    QFont barFont(QStringLiteral("Arial"));
    barFont.setPixelSize(11);
    for (QToolBar* bar : { m_bigButtonBar, m_smButtonBar }) {
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        bar->setFont(barFont);
        const bool large = bar == m_bigButtonBar;
        for (const Button& b : buttons) {
            // Each button is an action of its own that follows its menu item's enabled state.
            auto* a = new QAction(ButtonIcon(b.picture), QString::fromLatin1(b.caption), bar);
            a->setObjectName(QLatin1String(b.name) + (large ? QStringLiteral("L") : QStringLiteral("S")));
            a->setToolTip(QString::fromLatin1(b.hint));
            a->setStatusTip(QString::fromLatin1(b.hint));
            QAction* item = Action(b.action);
            if (item == m_editFileMenu->menuAction()) {
                connect(a, &QAction::triggered, this, [this]() { m_editPopup->popup(QCursor::pos()); });
                a->setEnabled(item->isEnabled());
                connect(item, &QAction::changed, a, [a, item]() { a->setEnabled(item->isEnabled()); });
            } else if (item) {
                connect(a, &QAction::triggered, item, [item]() {
                    if (item->isEnabled())
                        item->trigger();
                });
                a->setEnabled(item->isEnabled());
                connect(item, &QAction::changed, a, [a, item]() { a->setEnabled(item->isEnabled()); });
            }
            bar->addAction(a);
            if (large) {
                if (auto* tb = qobject_cast<QToolButton*>(bar->widgetForAction(a)))
                    tb->setMinimumWidth(52);
            }
        }
        addToolBar(Qt::TopToolBarArea, bar);
        if (large)
            addToolBarBreak(Qt::TopToolBarArea);
    }
}

void TMainForm::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setFixedHeight(25);
    bar->setSizeGripEnabled(false);
    m_cursorPosPanel = new QLabel(bar);
    m_cursorPosPanel->setObjectName(QStringLiteral("CursorPosPanel"));
    m_cursorPosPanel->setFixedWidth(88);
    m_cursorPosPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_infoPanel = new QLabel(bar);
    m_infoPanel->setObjectName(QStringLiteral("InfoPanel"));
    m_infoPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_progressGauge = new QProgressBar(m_infoPanel);
    m_progressGauge->setObjectName(QStringLiteral("ProgressGauge"));
    m_progressGauge->setRange(0, 100);
    m_progressGauge->hide();
    m_charPanel = new QLabel(bar);
    m_charPanel->setObjectName(QStringLiteral("CharPanel"));
    m_charPanel->setFixedWidth(52);
    m_charPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_charPanel->setFont(QFont(QStringLiteral("Terminal")));
    m_charPanel->hide();
    m_encodingPanel = new QLabel(bar);
    m_encodingPanel->setObjectName(QStringLiteral("EncodingPanel"));
    m_encodingPanel->setMinimumWidth(96);
    m_encodingPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_encodingPanel->hide();
    // Hints of menu items and buttons show over the info panel only: the position, encoding and character
    // panels stay in view.
    m_hintPanel = new QLabel(m_infoPanel);
    m_hintPanel->setObjectName(QStringLiteral("HintPanel"));
    m_hintPanel->setAutoFillBackground(true);
    m_hintPanel->setTextFormat(Qt::PlainText);
    m_hintPanel->hide();
    m_infoPanel->installEventFilter(this);
    m_followPanel = new QLabel(QStringLiteral("Follow"), bar);
    m_followPanel->setObjectName(QStringLiteral("FollowPanel"));
    m_followPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_followPanel->setToolTip(QStringLiteral("The window follows its file: what is written to it appears"));
    m_followPanel->hide();
    bar->addWidget(m_cursorPosPanel);
    bar->addWidget(m_infoPanel, 1);
    bar->addWidget(m_followPanel);
    bar->addWidget(m_encodingPanel);
    bar->addWidget(m_charPanel);
    // A menu hint or progress text covers the panels; the character panel comes back only when it ends.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString&) { SetCharPanelWanted(m_charPanelWanted); });
}

void TMainForm::ShowHint(const QString& hint)
{
    if (hint.isEmpty()) {
        m_hintPanel->hide();
        return;
    }
    m_hintPanel->setGeometry(m_infoPanel->contentsRect());
    m_hintPanel->setText(
        m_hintPanel->fontMetrics().elidedText(hint, Qt::ElideRight, m_infoPanel->contentsRect().width() - 4));
    m_hintPanel->show();
    m_hintPanel->raise();
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // A hint goes when the pointer leaves the buttons or a menu closes, whatever told it last.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Leave && qobject_cast<QToolBar*>(watched))
        || (type == QEvent::Hide && qobject_cast<QMenu*>(watched)))
        ShowHint(QString());
    else if (watched == m_infoPanel && type == QEvent::Resize && m_hintPanel->isVisible())
        m_hintPanel->setGeometry(m_infoPanel->contentsRect());
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::SetCharPanelWanted(bool wanted)
{
    m_charPanelWanted = wanted;
    if (!wanted)
        m_charPanel->hide();
    else if (statusBar()->currentMessage().isEmpty())
        m_charPanel->show();
}

void TMainForm::SetButtonBar(int n)
{
    m_smButtonBar->setVisible(n == 1);
    m_bigButtonBar->setVisible(n == 2);
}

int TMainForm::ButtonBarSetting() const
{
    if (!m_smButtonBar->isHidden())
        return 1;
    if (!m_bigButtonBar->isHidden())
        return 2;
    return 0;
}

bool TMainForm::PreferencesHidden() const { return !Action("SetPreferences1")->isVisible(); }

void TMainForm::OptionsMenuAboutToShow()
{
    const int bar = ButtonBarSetting();
    Action("ShowButtonBar1")->setChecked(bar != 0);
    Action("Small1")->setChecked(bar == 1);
    Action("Large1")->setChecked(bar == 2);
    Action("None1")->setChecked(bar == 0);
    Action("ShowStatusBar1")->setChecked(!statusBar()->isHidden());
}

void TMainForm::WindowMenuAboutToShow()
{
    const bool any = !m_mdiArea->subWindowList().isEmpty();
    for (const char* name :
        { "TileVertical1", "TileHorizontal1", "Cascade1", "ArrangeIcons1", "Refresh1", "RefreshAll1" })
        Action(name)->setEnabled(any);

    // The open viewer windows follow the commands, numbered, the active one checked.
    for (QAction* a : m_windowListActions)
        delete a;
    m_windowListActions.clear();
    // The search results window is a window of its own that the main window may cover: it is brought back from
    // here too.
    if (TSearchResultsDialog* results = TSearchResultsDialog::Instance(); results && results->isVisible()) {
        m_windowListActions << m_windowMenu->addSeparator();
        QAction* a = m_windowMenu->addAction(QStringLiteral("Search &Results"));
        a->setObjectName(QStringLiteral("SearchResults1"));
        a->setStatusTip(QStringLiteral("Bring the search results window to the front"));
        connect(a, &QAction::triggered, results, [results]() {
            if (results->isMinimized())
                results->showNormal();
            results->raise();
            results->activateWindow();
        });
        m_windowListActions << a;
    }
    const QList<QMdiSubWindow*> frames = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    if (frames.isEmpty())
        return;
    m_windowListActions << m_windowMenu->addSeparator();
    QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    for (int i = 0; i < frames.size(); ++i) {
        QMdiSubWindow* frame = frames.at(i);
        const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("%1 ").arg(i + 1);
        QString caption = frame->windowTitle();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* a = m_windowMenu->addAction(number + caption);
        a->setCheckable(true);
        a->setChecked(frame == active);
        connect(a, &QAction::triggered, this, [this, frame]() {
            if (frame->isMinimized())
                frame->showNormal();
            m_mdiArea->setActiveSubWindow(frame);
        });
        m_windowListActions << a;
    }
}

void TMainForm::ClearStatus()
{
    m_cursorPosPanel->clear();
    SetInfoText(QString());
    SetCharPanelWanted(false);
    m_encodingPanel->hide();
    m_followPanel->hide();
}

void TMainForm::SetCommandLine(const QStringList& parameters) { m_commandLine = parameters; }

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    LoadSettings();
    // The window manager adds its frame only once the window is on screen; then the frame is brought in too.
    QTimer::singleShot(0, this, &TMainForm::FitOnScreen);
    ProcessCommandLine();
}

void TMainForm::LoadSettings()
{
    CollectSettingsFromWindow();
    try {
        platform::SettingsStore store;
        // A settings file that is a pipe, a device or too large is never waited on: it is named, and the
        // built-in settings serve.
        for (const QString& problem : SettingsFileProblems(store))
            ShowError(problem);
        LoadViewerSettings(store, m_settings);
        // The default editor is looked up once, when the setting is first created; an editor the user
        // emptied stays empty.
        if (!store.HasValue(QLatin1String(kViewerSection), QStringLiteral("Editor")))
            m_settings.Editor = WaitAside(&platform::DefaultTextEditor);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    ApplySettingsToWindow();
}

void TMainForm::CollectSettingsFromWindow()
{
    // The bounds are the window's own area without the frame, as they are applied again at the next start.
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    m_settings.WindowPos = g;
    m_settings.ButtonBar = ButtonBarSetting();
    m_settings.StatusBar = !statusBar()->isHidden();
    m_settings.HexMode = Action("Hex1")->isChecked();
    m_settings.HexFilter = Action("HexFilter1")->isChecked();
    m_settings.ExpandTabs = Action("ExpandTabs1")->isChecked();
    m_settings.ViewWrapLines = Action("WrapLines1")->isChecked();
    m_settings.LineNumbers = Action("LineNumbers1")->isChecked();
    m_settings.CopyWithCrLf = Action("CopyWithCrLf1")->isChecked();
}

void TMainForm::ApplySettingsToWindow()
{
    QRect r = m_settings.WindowPos;
    if (r.width() <= 0 || r.height() <= 0)
        r.setSize(size());
    QScreen* where = QGuiApplication::screenAt(r.center());
    if (!where)
        where = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = where ? where->geometry().size() : QSize(1024, 768);
    // Bounds stored on another screen, or damaged, never make a window larger than the screen or out of reach.
    r = PullBackWindowPos(r, screenSize);
    if (where)
        r = FitInside(r, where->availableGeometry());
    m_settings.WindowPos = r;
    setGeometry(r);
    SetButtonBar(m_settings.ButtonBar);
    statusBar()->setVisible(m_settings.StatusBar);
    Action("ExpandTabs1")->setChecked(m_settings.ExpandTabs);
    Action("HexFilter1")->setChecked(m_settings.HexFilter);
    Action("Hex1")->setChecked(m_settings.HexMode);
    Action("Standard1")->setChecked(!m_settings.HexMode);
    Action("WrapLines1")->setChecked(m_settings.ViewWrapLines);
    Action("LineNumbers1")->setChecked(m_settings.LineNumbers);
    Action("CopyWithCrLf1")->setChecked(m_settings.CopyWithCrLf);
    m_currentTextHex = m_settings.HexMode;
}

void TMainForm::FitOnScreen()
{
    QScreen* where = screen();
    if (!where || isMaximized() || isFullScreen())
        return;
    const QRect frame = frameGeometry();
    const QRect fitted = FitInside(frame, where->availableGeometry());
    if (fitted == frame)
        return;
    const QRect client = geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
        frame.bottom() - client.bottom());
    setGeometry(fitted.marginsRemoved(margins));
}

void TMainForm::SaveSettings()
{
    CollectSettingsFromWindow();
    platform::SettingsStore store;
    SaveViewerSettings(store, m_settings);
}

void TMainForm::ProcessCommandLine()
{
    // -h and -s act on the names after them, in the order they stand.
    QList<TBatchName> names;
    bool textHex = m_currentTextHex;
    bool modeAfterLastName = false;
    for (const QString& param : m_commandLine) {
        if (platform::IsOptionParameter(param)) {
            switch (param.at(1).toUpper().toLatin1()) {
            case 'H':
                Action("Hex1")->setChecked(true);
                Action("Standard1")->setChecked(false);
                textHex = true;
                modeAfterLastName = true;
                break;
            case 'S':
                Action("Hex1")->setChecked(false);
                Action("Standard1")->setChecked(true);
                textHex = false;
                modeAfterLastName = true;
                break;
            case 'R':
                Action("SetPreferences1")->setVisible(false);
                m_preferencesSeparator->setVisible(false);
                break;
            default:
                break;
            }
            continue;
        }
        // DDE clients start the program with their topic name as a parameter.
        if (param.compare(QLatin1String("DDESERVERCONV"), Qt::CaseInsensitive) == 0)
            continue;
        names.append(
            { QDir::cleanPath(QDir::isAbsolutePath(param) ? param : QDir(platform::CurrentFolder()).filePath(param)),
                textHex });
        modeAfterLastName = false;
    }
    // Only a file the viewer could not open ends the command line; one shown already does not.
    OpenBatch(names, false, ViewMode::BySettings);
    // An option after the last name sets the mode of what opens next.
    if (modeAfterLastName)
        m_currentTextHex = textHex;
    const QList<TChildForm*> children = Children();
    if ((children.size() == 1 && children.first()->Kind() == PageKind::Text) || children.size() > 1)
        TileVertical();
}

bool TMainForm::Busy() const { return !m_longWork.isEmpty() || m_opening > 0 || m_batch > 0; }

void TMainForm::OpenDroppedFiles(const QStringList& names, ViewMode mode)
{
    if (Busy()) {
        m_pendingDrops.append({ names, mode });
        return;
    }
    const bool noneOpen = Children().isEmpty();
    OpenFiles(names, true, mode);
    if (noneOpen && !Children().isEmpty())
        TileVertical();
    BringToFront();
}

void TMainForm::BringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TMainForm::ScheduleIdleWork()
{
    // Run from the event loop, never from inside the work that just ended.
    if (m_idleWorkScheduled || Busy() || (m_pendingDrops.isEmpty() && !m_refreshPending))
        return;
    m_idleWorkScheduled = true;
    QTimer::singleShot(0, this, &TMainForm::RunPendingWork);
}

void TMainForm::RunPendingWork()
{
    m_idleWorkScheduled = false;
    if (Busy())
        return;
    if (m_refreshPending) {
        m_refreshPending = false;
        RefreshAllViewers();
    }
    FlushPendingDrops();
}

void TMainForm::FlushPendingDrops()
{
    while (!m_pendingDrops.isEmpty() && !Busy()) {
        const TPendingDrop drop = m_pendingDrops.takeFirst();
        OpenDroppedFiles(drop.Names, drop.Mode);
    }
    ScheduleIdleWork();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            names << platform::FileNameOfUrl(url);
    }
    // The program's own lists say in which view the files are to open.
    ViewMode mode = ViewMode::BySettings;
    bool known = false;
    const int hint = event->mimeData()->data(QLatin1String(kViewHintMimeType)).toInt(&known);
    if (known && hint >= int(ViewMode::BySettings) && hint <= int(ViewMode::Native))
        mode = ViewMode(hint);
    event->acceptProposedAction();
    OpenDroppedFiles(names, mode);
}

void TMainForm::AboutClick()
{
    QMessageBox::about(this, QStringLiteral("About Halcyra Viewer"),
        QStringLiteral("<b>Halcyra Viewer</b><br>Version %1<br>%2<br><br>A file viewer for files of any size.")
            .arg(QStringLiteral(HY_VERSION), QStringLiteral(HY_BUILD_DATE)));
}

void TMainForm::ExitClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A picture still loading, or a batch of files opening, finishes before the windows go.
    if (m_opening > 0 || m_batch > 0) {
        event->ignore();
        return;
    }
    CloseAllClick();
    try {
        SaveSettings();
    } catch (const EInOutError& e) {
        ShowError(SettingsNotSavedText(platform::SettingsStore().FileName(), e.ErrorCode()));
    } catch (const std::exception& e) {
        ShowException(e);
    }
    event->accept();
    // The help and clipboard windows do not keep the program alive once the main window is gone.
    Q_EMIT Closed();
}

} // namespace hy::app
