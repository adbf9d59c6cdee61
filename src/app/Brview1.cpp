// Main window construction, settings, command line and drops.
#include "app/Brview1.h"

#include "app/Brview2.h"
#include "app/ButtonIcons.h"
#include "base/HyExceptions.h"
#include "common/WaitAside.h"
#include "core/program/WindowArrangement.h"
#include "core/viewer/HvEncoding.h"
#include "platform/Desktop.h"
#include "platform/FileNames.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/TempCopies.h"
#include "ui/common/Alert.h"
#include "ui/search/Fsearch.h"
#include "ui/search/PreviewHost.h"
#include "ui/search/Vsearch.h"
#include "ui/viewer/HvFxFnt.h"

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

using namespace hy::base;
using namespace hy::common;
using namespace hy::program;
using namespace hy::search;
using namespace hy::settings;

namespace {
    // The property of a status bar panel that says whether it is wanted, shown or not under a message.
    const char* const kPanelWanted = "hyPanelWanted";
} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ProgramTitle());
    setAcceptDrops(true);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("ClientArea"));
    m_mdiArea->setBackground(QColor(128, 128, 128));
    // What the tabs offer while the windows are shown as tabs. The close button stands on the current tab only
    // (PlaceTabCloseButton): a button on every tab lays all the tabs out again for each window added.
    m_mdiArea->setTabsMovable(true);
    m_mdiArea->setDocumentMode(true);
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
    m_recentSaveTimer = new QTimer(this);
    m_recentSaveTimer->setSingleShot(true);
    m_recentSaveTimer->setInterval(250);
    connect(m_recentSaveTimer, &QTimer::timeout, this, &TMainForm::SaveRecentFiles);

    SetButtonBar(m_settings.ButtonBar);
    SetTabbedWindows(m_settings.TabbedWindows);
    ConnectCommands();
    UpdateCommands(true);
}

TMainForm::~TMainForm()
{
    if (m_encodingWarmUp.joinable())
        m_encodingWarmUp.join();
    // A program ended without closing its window still keeps the files it opened last.
    if (m_recentSaveTimer->isActive()) {
        try {
            platform::SettingsStore store;
            m_recent.Save(store);
        } catch (const std::exception&) {
        }
    }
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

void TMainForm::CreateMenus()
{
    std::array<QMenu*, kMenuCount> menus {};
    for (const TMenuBarEntry& entry : MenuBarEntries())
        menus[size_t(entry.Menu)] = menuBar()->addMenu(QString::fromLatin1(entry.Caption));
    m_fileMenu = menus[size_t(TMenuId::File)];
    m_optionsMenu = menus[size_t(TMenuId::Options)];
    m_windowMenu = menus[size_t(TMenuId::Window)];
    connect(m_optionsMenu, &QMenu::aboutToShow, this, &TMainForm::OptionsMenuAboutToShow);
    connect(m_fileMenu, &QMenu::aboutToShow, this, &TMainForm::FileMenuAboutToShow);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::WindowMenuAboutToShow);

    for (const TCommandSpec& row : CommandSpecs()) {
        QMenu* menu = menus[size_t(row.Menu)];
        QAction* separator = menu && (row.Flags & cfSeparatorBefore) ? menu->addSeparator() : nullptr;
        const QString caption = QString::fromLatin1(row.Caption);
        QAction* a = nullptr;
        if (row.Opens != TMenuId::None) {
            QMenu* submenu = menu->addMenu(caption);
            menus[size_t(row.Opens)] = submenu;
            a = submenu->menuAction();
        } else {
            a = new QAction(caption, this);
            if (menu)
                menu->addAction(a);
            else
                addAction(a); // its key works anywhere in the window
            a->setToolTip(QString::fromLatin1(row.Hint));
        }
        a->setObjectName(QLatin1String(row.Name));
        a->setShortcuts(row.Keys);
        a->setStatusTip(QString::fromLatin1(row.Hint));
        a->setCheckable((row.Flags & cfCheckable) != 0);
        a->setChecked((row.Flags & cfChecked) != 0);
        a->setVisible((row.Flags & cfHidden) == 0);
        if (row.Flags & cfViewerKey)
            a->setShortcutContext(Qt::WidgetShortcut);
        if (row.Handler) {
            const auto handler = row.Handler;
            connect(a, &QAction::triggered, this, [this, handler]() { (this->*handler)(); });
        }
        if (row.Id == TCommand::SetPreferences)
            m_preferencesSeparator = separator;
        m_actions[size_t(row.Id)] = a;
    }
    m_editFileMenu = menus[size_t(TMenuId::EditFile)];

    // One item for each encoding, which only one of is checked.
    auto* encodings = new QActionGroup(this);
    FillEncodingMenu(menus[size_t(TMenuId::Encoding)], [this, encodings](QMenu* menu, viewer::TTextEncoding e) {
        QAction* a = menu->addAction(viewer::EncodingName(e));
        a->setObjectName(EncodingActionName(e));
        a->setStatusTip(QStringLiteral("Show the file's text in this encoding"));
        a->setToolTip(a->statusTip());
        a->setCheckable(true);
        a->setActionGroup(encodings);
        connect(a, &QAction::triggered, this, [this, e]() { EncodingClick(e); });
        m_encodingActions[size_t(e)] = a;
        return a;
    });
}

void TMainForm::CreateButtonBars()
{
    // The Edit buttons offer the two ways of editing at the pointer.
    m_editPopup = new QMenu(this);
    m_editPopup->setObjectName(QStringLiteral("EditPopupMenu"));
    const std::pair<const char*, TCommand> editItems[] = { { "Use &Text Editor", TCommand::UseTextEditor },
        { "Use &Associated Application", TCommand::UseAssociatedApplication } };
    for (const auto& [caption, twin] : editItems) {
        QAction* item = Action(twin);
        QAction* a = m_editPopup->addAction(QString::fromLatin1(caption), item, &QAction::trigger);
        connect(item, &QAction::changed, a, [a, item]() { a->setEnabled(item->isEnabled()); });
    }
    QList<const TCommandSpec*> buttons;
    for (const TCommandSpec& row : CommandSpecs()) {
        if (row.Button.Name)
            buttons.append(&row);
    }
    std::sort(buttons.begin(), buttons.end(),
        [](const TCommandSpec* a, const TCommandSpec* b) { return a->Button.Slot < b->Button.Slot; });

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
        for (const TCommandSpec* row : std::as_const(buttons)) {
            // Each button is an action of its own that follows its menu item's enabled state.
            const TButtonSpec& b = row->Button;
            auto* a = new QAction(ButtonIcon(b.Picture), QString::fromLatin1(b.Caption), bar);
            a->setObjectName(QLatin1String(b.Name) + (large ? QStringLiteral("L") : QStringLiteral("S")));
            a->setToolTip(QString::fromLatin1(b.Hint));
            a->setStatusTip(QString::fromLatin1(b.Hint));
            QAction* item = Action(row->Id);
            if (row->Opens != TMenuId::None) {
                connect(a, &QAction::triggered, this, [this]() { m_editPopup->popup(QCursor::pos()); });
            } else {
                connect(a, &QAction::triggered, item, [item]() {
                    if (item->isEnabled())
                        item->trigger();
                });
            }
            a->setEnabled(item->isEnabled());
            connect(item, &QAction::changed, a, [a, item]() { a->setEnabled(item->isEnabled()); });
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
    // A menu hint or progress text covers the panels; the character, encoding and Follow panels come back when
    // it ends, those that are wanted then.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString&) {
        for (QWidget* panel : { static_cast<QWidget*>(m_followPanel), static_cast<QWidget*>(m_encodingPanel),
                 static_cast<QWidget*>(m_charPanel) })
            SetPanelWanted(panel, panel->property(kPanelWanted).toBool());
    });
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

void TMainForm::SetCharPanelWanted(bool wanted) { SetPanelWanted(m_charPanel, wanted); }

void TMainForm::SetPanelWanted(QWidget* panel, bool wanted)
{
    panel->setProperty(kPanelWanted, wanted);
    panel->setVisible(wanted && statusBar()->currentMessage().isEmpty());
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

bool TMainForm::PreferencesHidden() const { return !Action(TCommand::SetPreferences)->isVisible(); }

void TMainForm::OptionsMenuAboutToShow()
{
    const int bar = ButtonBarSetting();
    Action(TCommand::ShowButtonBar)->setChecked(bar != 0);
    Action(TCommand::SmallBar)->setChecked(bar == 1);
    Action(TCommand::LargeBar)->setChecked(bar == 2);
    Action(TCommand::NoBar)->setChecked(bar == 0);
    Action(TCommand::ShowStatusBar)->setChecked(!statusBar()->isHidden());
}

void TMainForm::WindowMenuAboutToShow()
{
    const bool any = !m_mdiArea->subWindowList().isEmpty();
    for (const TCommand c : { TCommand::TileVertical, TCommand::TileHorizontal, TCommand::Cascade,
             TCommand::ArrangeIcons, TCommand::Refresh, TCommand::RefreshAll })
        Action(c)->setEnabled(any);

    // The open viewer windows follow the commands, numbered, the active one checked.
    for (QAction* a : m_windowListActions)
        delete a;
    m_windowListActions.clear();
    // The search results window is a window of its own that the main window may cover: it is brought back from
    // here too.
    if (TSearchResultsDialog* results = SearchResults(); results && results->isVisible()) {
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
    SetPanelWanted(m_encodingPanel, false);
    SetPanelWanted(m_followPanel, false);
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
    // After the first paint, so that it never delays the window.
    QTimer::singleShot(0, this, [this] { m_encodingWarmUp = std::thread(viewer::PrepareEncodingGuess); });
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
        m_recent.Load(store);
        m_highlight.Load(store);
        Action(TCommand::ReopenAtLastPlace)->setChecked(m_recent.ReopenAtLastPlace());
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
    m_settings.HexMode = Action(TCommand::Hex)->isChecked();
    m_settings.HexFilter = Action(TCommand::HexFilter)->isChecked();
    m_settings.ExpandTabs = Action(TCommand::ExpandTabs)->isChecked();
    m_settings.ViewWrapLines = Action(TCommand::WrapLines)->isChecked();
    m_settings.LineNumbers = Action(TCommand::LineNumbers)->isChecked();
    m_settings.CopyWithCrLf = Action(TCommand::CopyWithCrLf)->isChecked();
    m_settings.TabbedWindows = TabbedWindows();
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
    // Viewers made from now on start in the settings' font rather than being laid out twice.
    viewer::THvFixedFont::SetStartName(m_settings.FontName);
    SetButtonBar(m_settings.ButtonBar);
    statusBar()->setVisible(m_settings.StatusBar);
    Action(TCommand::ExpandTabs)->setChecked(m_settings.ExpandTabs);
    Action(TCommand::HexFilter)->setChecked(m_settings.HexFilter);
    Action(TCommand::Hex)->setChecked(m_settings.HexMode);
    Action(TCommand::Standard)->setChecked(!m_settings.HexMode);
    Action(TCommand::WrapLines)->setChecked(m_settings.ViewWrapLines);
    Action(TCommand::LineNumbers)->setChecked(m_settings.LineNumbers);
    Action(TCommand::CopyWithCrLf)->setChecked(m_settings.CopyWithCrLf);
    SetTabbedWindows(m_settings.TabbedWindows);
    ApplyFindKeys();
    m_currentTextHex = m_settings.HexMode;
}

void TMainForm::ApplyFindKeys()
{
    const QKeySequence ctrlF(Qt::CTRL | Qt::Key_F);
    Action(TCommand::Find)->setShortcut(m_settings.CtrlFOpensFindDialog ? ctrlF : QKeySequence());
    Action(TCommand::FindBar)->setShortcut(m_settings.CtrlFOpensFindDialog ? QKeySequence() : ctrlF);
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

TSearchResultsDialog* TMainForm::SearchResults() const { return m_fileSearch ? m_fileSearch->Results() : nullptr; }

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
                Action(TCommand::Hex)->setChecked(true);
                Action(TCommand::Standard)->setChecked(false);
                textHex = true;
                modeAfterLastName = true;
                break;
            case 'S':
                Action(TCommand::Hex)->setChecked(false);
                Action(TCommand::Standard)->setChecked(true);
                textHex = false;
                modeAfterLastName = true;
                break;
            case 'R':
                Action(TCommand::SetPreferences)->setVisible(false);
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
        TileAfterOpening();
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
        TileAfterOpening();
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
    if (m_recentSaveTimer->isActive())
        SaveRecentFiles();
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
