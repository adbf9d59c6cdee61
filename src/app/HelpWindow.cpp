// Help window over the pages in resources/help.
#include "app/HelpWindow.h"

#include "platform/PlatformPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace hy::app {

namespace {
    struct Topic {
        int context;
        const char* page;
        const char* title;
    };
    const Topic kTopics[] = {
        { 250, "using.html", "Using the Viewer" },
        { 200, "find.html", "Finding Text" },
        { 207, "gotoline.html", "Going to a Line" },
        { 211, "information.html", "File Information" },
        { 102, "print.html", "Printing" },
        { 100, "browse.html", "Selecting a File" },
        { 101, "directory.html", "Selecting a Directory" },
        { 201, "filesearch-name.html", "File Search: Name and Location" },
        { 202, "filesearch-date.html", "File Search: Date" },
        { 203, "filesearch-time.html", "File Search: Time" },
        { 204, "filesearch-size.html", "File Search: Size" },
        { 205, "filesearch-contents.html", "File Search: Contents" },
        { 206, "searchresults.html", "Search Results" },
        { 208, "prefs-display.html", "Preferences: Font and Colors" },
        { 212, "prefs-directories.html", "Preferences: Directories" },
        { 209, "prefs-misc.html", "Preferences: Miscellaneous" },
        { 103, "font.html", "Choosing a Font" },
        // Topics reached from the contents and the search only.
        { 0, "archive.html", "Viewing ZIP Archives" },
        { 0, "compare.html", "Comparing Files" },
        { 0, "commands.html", "Driving the Viewer from Other Programs" },
    };

    QString HelpFolder() { return platform::DataFile(QStringLiteral("help")); }
} // namespace

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
    , m_searchPane(new QWidget(this))
    , m_searchEdit(new QLineEdit(m_searchPane))
    , m_results(new QListWidget(m_searchPane))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Halcyra Viewer Help"));
    resize(720, 560);
    m_browser->setSearchPaths({ HelpFolder() });
    QFile css(QDir(HelpFolder()).filePath(QStringLiteral("help.css")));
    if (css.open(QIODevice::ReadOnly))
        m_browser->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
    m_browser->setOpenExternalLinks(true);

    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("Contents"), this, &THelpWindow::ShowContents);
    bar->addAction(QStringLiteral("Search"), this, &THelpWindow::ShowSearch);
    bar->addAction(QStringLiteral("Back"), m_browser, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("How to Use Help"), this, &THelpWindow::ShowHowToUse);

    auto* searchLayout = new QVBoxLayout(m_searchPane);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(
        new QLabel(QStringLiteral("Type a word to find the topics that mention it:"), m_searchPane));
    searchLayout->addWidget(m_searchEdit);
    searchLayout->addWidget(m_results);
    m_searchPane->setMaximumWidth(240);
    m_searchPane->hide();
    connect(m_searchEdit, &QLineEdit::textChanged, this, &THelpWindow::RunSearch);
    connect(m_results, &QListWidget::itemActivated, this,
        [this](QListWidgetItem* item) { ShowPage(item->data(Qt::UserRole).toString()); });
    connect(m_results, &QListWidget::itemClicked, this,
        [this](QListWidgetItem* item) { ShowPage(item->data(Qt::UserRole).toString()); });

    auto* body = new QHBoxLayout;
    body->addWidget(m_searchPane);
    body->addWidget(m_browser, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addLayout(body, 1);
}

QString THelpWindow::PageOfContext(int context)
{
    for (const Topic& t : kTopics) {
        if (context != 0 && t.context == context)
            return QString::fromLatin1(t.page);
    }
    return QString();
}

QList<QPair<QString, QString>> THelpWindow::Topics()
{
    QList<QPair<QString, QString>> list;
    for (const Topic& t : kTopics)
        list.append({ QString::fromLatin1(t.title), QString::fromLatin1(t.page) });
    return list;
}

QString THelpWindow::CurrentPage() const { return m_browser->source().fileName(); }

void THelpWindow::FollowModalDialog()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this)
        return;
    if (modal == parentWidget())
        return;
    Detach();
    if (!modal)
        return;
    const QRect g = geometry();
    setParent(modal, Qt::Window);
    setGeometry(g);
    modal->installEventFilter(this);
    // Help that would cover the dialog it explains goes beside it.
    if (!isVisible() || frameGeometry().intersects(modal->frameGeometry()))
        PlaceBeside(modal);
}

void THelpWindow::PlaceBeside(const QWidget* dialog)
{
    const QScreen* screen = dialog->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect owner = dialog->frameGeometry();
    // On the side with more room, narrowed to that room when the help is wider, but never below a
    // readable width (then it covers part of the dialog).
    const int roomRight = area.right() - owner.right();
    const int roomLeft = owner.left() - area.left();
    const int w = qMin(qMax(qMax(roomRight, roomLeft), 360), qMax(width(), 360));
    const int left
        = roomRight >= roomLeft ? qMin(owner.right() + 1, area.right() + 1 - w) : qMax(owner.left() - w, area.left());
    const int top = qBound(area.top(), owner.top(), qMax(area.top(), area.bottom() + 1 - height()));
    setGeometry(left, top, w, height());
}

void THelpWindow::Detach()
{
    QWidget* owner = parentWidget();
    if (!owner)
        return;
    owner->removeEventFilter(this);
    const bool shown = isVisible();
    const QRect g = geometry();
    setParent(nullptr, Qt::Window);
    setGeometry(g);
    if (shown)
        show();
}

bool THelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The dialog is about to go: the help stays.
    if (watched == parentWidget() && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
        Detach();
    return QWidget::eventFilter(watched, event);
}

void THelpWindow::ShowPage(const QString& page)
{
    m_browser->setSource(QUrl::fromLocalFile(QDir(HelpFolder()).filePath(page)));
    FollowModalDialog();
    show();
    raise();
    activateWindow();
}

void THelpWindow::ShowContents()
{
    m_searchPane->hide();
    ShowPage(QStringLiteral("index.html"));
}

void THelpWindow::ShowContext(int context)
{
    const QString page = PageOfContext(context);
    ShowPage(page.isEmpty() ? QStringLiteral("index.html") : page);
}

void THelpWindow::ShowHowToUse() { ShowPage(QStringLiteral("howtouse.html")); }

void THelpWindow::ShowSearch()
{
    m_searchPane->show();
    m_searchEdit->setFocus();
    RunSearch(m_searchEdit->text());
    FollowModalDialog();
    show();
    raise();
    activateWindow();
}

void THelpWindow::RunSearch(const QString& text)
{
    m_results->clear();
    const QString word = text.trimmed();
    for (const Topic& t : kTopics) {
        QFile f(QDir(HelpFolder()).filePath(QString::fromLatin1(t.page)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QString content = QString::fromUtf8(f.readAll());
        content.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        if (word.isEmpty() || content.contains(word, Qt::CaseInsensitive)) {
            auto* item = new QListWidgetItem(QString::fromLatin1(t.title), m_results);
            item->setData(Qt::UserRole, QString::fromLatin1(t.page));
        }
    }
}

THelpWindow* HelpWindow()
{
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow(nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    return window;
}

void ShowHelpContext(int context, QWidget*) { HelpWindow()->ShowContext(context); }

} // namespace hy::app
