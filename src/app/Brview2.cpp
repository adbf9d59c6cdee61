// Viewer window: notebook pages, tab bar, context menu, media page, activation and closing.
#include "app/Brview2.h"

#include "app/Brview1.h"
#include "app/ChildArchive.h"
#include "archive/ArchivePage.h"
#include "archive/ZIPLIST.h"
#include "common/Alert.h"
#include "common/HyUtils.h"
#include "filelist/MediaLoad.h"
#include "image/MultiImg.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "platform/TempCopies.h"
#include "viewer/HvBase.h"
#include "viewer/HvCaret.h"
#include "viewer/HvColor.h"
#include "viewer/HvFxFnt.h"
#include "viewer/HvViewr.h"

#include <QApplication>
#include <QAudioOutput>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMediaPlayer>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

namespace hy::app {

QColor ColorFromSetting(quint32 value)
{
    if (value & 0x80000000u) {
        const QPalette pal = QApplication::palette();
        switch (value & 0xFF) {
        case 5:
            return pal.color(QPalette::Base);
        case 8:
            return pal.color(QPalette::Text);
        case 13:
            return pal.color(QPalette::Highlight);
        case 14:
            return pal.color(QPalette::HighlightedText);
        case 15:
            return pal.color(QPalette::Button);
        case 16:
            return pal.color(QPalette::Mid);
        case 17:
            return pal.color(QPalette::PlaceholderText);
        case 18:
            return pal.color(QPalette::ButtonText);
        default:
            return pal.color(QPalette::Window);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TChildForm::TChildForm(TMainForm* mainForm)
    : QWidget(nullptr)
    , m_main(mainForm)
    , m_noteBook(new QStackedWidget(this))
    , m_textPage(new QWidget(m_noteBook))
    , m_fileViewer(new viewer::THvFileViewer(m_textPage))
    , m_tabSet(new QTabBar(this))
{
    setObjectName(QStringLiteral("ChildForm"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_textPage->setObjectName(QStringLiteral("Text"));
    auto* textLayout = new QVBoxLayout(m_textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(m_fileViewer);
    m_fileViewer->setObjectName(QStringLiteral("FileViewer"));
    m_fileViewer->SetBorderStyle(viewer::bsNone);
    m_fileViewer->SetShowBookmarks(false);
    viewer::THvCaret* caret = m_fileViewer->Caret();
    caret->SetShape(viewer::csBlock);
    caret->SetCaretWidth(8);
    caret->SetCaretHeight(18);
    caret->SetBlinkTime(viewer::THvCaret::kSteadyBlinkTime);
    auto* controller = new viewer::THvController(this);
    controller->setObjectName(QStringLiteral("HvController1"));
    m_fileViewer->SetController(controller);
    m_noteBook->setObjectName(QStringLiteral("NoteBook"));
    m_noteBook->addWidget(m_textPage);
    m_noteBook->hide();

    m_tabSet->setObjectName(QStringLiteral("TabSet"));
    m_tabSet->setShape(QTabBar::RoundedSouth);
    m_tabSet->setDrawBase(false);
    m_tabSet->setExpanding(false);
    m_tabSet->setUsesScrollButtons(false);
    m_tabSet->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_tabSet->setFocusPolicy(Qt::NoFocus);
    m_tabSet->addTab(QStringLiteral("Standard"));
    m_tabSet->addTab(QStringLiteral("Hex"));
    connect(m_tabSet, &QTabBar::currentChanged, this, &TChildForm::TabSetClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_noteBook, 1);
    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->addWidget(m_tabSet);
    tabRow->addStretch(1);
    layout->addLayout(tabRow);

    m_fileViewer->addAction(m_main->Action("Follow1"));
    connect(m_fileViewer, &viewer::THvBaseViewer::OnShowStatus, this, &TChildForm::FileViewerShowStatus);
    connect(m_fileViewer, &viewer::THvCustomFileViewer::OnLongWork, this,
        [this](bool running) { m_main->ShowLongWork(this, running); });
    connect(m_fileViewer, &viewer::THvCustomFileViewer::OnFollowNote, this,
        [this](const QString& note) { m_main->ShowViewerNote(note); });

    m_fileViewer->setContextMenuPolicy(Qt::NoContextMenu);
}

QMenu* TChildForm::ChildPopupMenu()
{
    // Made when first needed: a batch of files may open thousands of windows.
    if (m_popup)
        return m_popup;
    // The context menu mirrors the main menu's commands for this window.
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("ChildPopupMenu"));
    auto twin = [this](const QString& caption, const char* mainAction, const char* name) {
        QAction* a = m_popup->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, mainAction]() {
            if (QAction* m = m_main->Action(mainAction))
                m->trigger();
        });
        return a;
    };
    twin(QStringLiteral("Standard"), "Standard1", "Standard2")->setCheckable(true);
    twin(QStringLiteral("Hex"), "Hex1", "Hex2")->setCheckable(true);
    QAction* native = twin(QStringLiteral("Native"), "Native1", "Native2");
    native->setCheckable(true);
    native->setVisible(false);
    QMenu* encoding = m_popup->addMenu(QStringLiteral("Encoding"));
    encoding->menuAction()->setObjectName(QStringLiteral("Encoding2"));
    for (const viewer::TTextEncoding e : viewer::kAllEncodings) {
        QAction* a = encoding->addAction(viewer::EncodingName(e));
        a->setObjectName(QLatin1String(EncodingActionName(e, true)));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, e]() {
            if (QAction* m = m_main->Action(EncodingActionName(e)))
                m->trigger();
        });
    }
    m_popup->addSeparator();
    twin(QStringLiteral("Save As..."), "SaveAs1", "SaveAs2");
    QAction* close = m_popup->addAction(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("Close2"));
    connect(close, &QAction::triggered, this, [this]() {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            QWidget::close();
    });
    m_popup->addSeparator();
    twin(QStringLiteral("Find..."), "Find1", "Find2");
    twin(QStringLiteral("Find Next"), "FindNext1", "FindNext2");
    m_popup->addSeparator();
    twin(QStringLiteral("Information..."), "Information1", "Information2");
    connect(m_popup, &QMenu::aboutToShow, this, &TChildForm::PopupAboutToShow);
    return m_popup;
}

TChildForm::~TChildForm()
{
    // The viewer lets go of the file before a temporary copy is deleted.
    try {
        m_fileViewer->SetIsOpen(false);
    } catch (const std::exception&) {
    }
    CloseMedia();
    if (m_deleteOnClose && !m_fileName.isEmpty())
        platform::TempCopies().Release(m_fileName);
}

void TChildForm::SetLoaded(bool loaded)
{
    m_loaded = loaded;
    if (loaded)
        m_noteBook->show();
}

QString TChildForm::ActivePageName() const
{
    QWidget* w = m_noteBook->currentWidget();
    return w ? w->objectName() : QString();
}

void TChildForm::ShowPage(const QString& page, int tabIndex)
{
    if (m_tabSet->currentIndex() != tabIndex)
        m_tabSet->setCurrentIndex(tabIndex);
    if (ActivePageName() != page) {
        if (QWidget* w = m_noteBook->findChild<QWidget*>(page, Qt::FindDirectChildrenOnly))
            m_noteBook->setCurrentWidget(w);
    }
    if (tabIndex == 0 || tabIndex == 1)
        m_main->SetCurrentTextModeHex(tabIndex == 1);
}

void TChildForm::SetThirdTab(const QString& caption)
{
    if (m_tabSet->count() < 3)
        m_tabSet->addTab(caption);
    else
        m_tabSet->setTabText(2, caption);
    m_tabSet->adjustSize();
    m_tabSet->updateGeometry();
}

void TChildForm::RemoveThirdTab()
{
    while (m_tabSet->count() > 2)
        m_tabSet->removeTab(2);
}

void TChildForm::DeleteUnusedPages()
{
    const QString active = ActivePageName();
    if (m_pageKind != PageKind::Media && m_mediaPage) {
        CloseMedia();
        delete m_mediaPage;
        m_mediaPage = nullptr;
        m_player = nullptr;
        m_audio = nullptr;
        m_video = nullptr;
    }
    if (m_pageKind != PageKind::Archive && m_archivePage) {
        delete m_archivePage;
        m_archivePage = nullptr;
    }
    if (m_pageKind != PageKind::Image && m_imagePage) {
        delete m_imagePage;
        m_imagePage = nullptr;
        m_imageViewer = nullptr;
    }
    if (QWidget* w = m_noteBook->findChild<QWidget*>(active, Qt::FindDirectChildrenOnly))
        m_noteBook->setCurrentWidget(w);
}

void TChildForm::TabSetClick(int index)
{
    if (index < 0 || m_inTabClick)
        return;
    m_inTabClick = true;
    const QString caption = m_tabSet->tabText(index);
    if (caption == QLatin1String("Standard") || caption == QLatin1String("Hex")) {
        const bool hex = caption == QLatin1String("Hex");
        m_fileViewer->SetInHexMode(hex);
        m_fileViewer->viewport()->update();
        m_noteBook->setCurrentWidget(m_textPage);
        if (m_noteBook->isVisible())
            m_fileViewer->setFocus();
        m_main->SetCurrentTextModeHex(hex);
    } else if (caption == QLatin1String("Image") && m_imagePage) {
        m_noteBook->setCurrentWidget(m_imagePage);
        m_main->UpdateStatus();
    } else if (caption == QLatin1String("Archive") && m_archivePage) {
        m_noteBook->setCurrentWidget(m_archivePage);
        if (m_noteBook->isVisible())
            m_archivePage->ZipList()->setFocus();
        m_main->UpdateStatus();
    } else if (caption == QLatin1String("Media") && m_mediaPage) {
        m_noteBook->setCurrentWidget(m_mediaPage);
        m_main->UpdateStatus();
    }
    m_main->UpdateCommands(true);
    m_inTabClick = false;
}

void TChildForm::CreateImagePage()
{
    if (m_imagePage)
        return;
    m_imagePage = new QScrollArea(m_noteBook);
    m_imagePage->setObjectName(QStringLiteral("Image"));
    m_imagePage->setFrameShape(QFrame::NoFrame);
    m_imagePage->setWidgetResizable(false);
    m_imageViewer = new TMultiImage(m_imagePage);
    m_imageViewer->setObjectName(QStringLiteral("ImageViewer"));
    m_imageViewer->SetAutoSize(true);
    m_imageViewer->SetMessageReporter([](const QString& title, const QString& text, bool isError) {
        if (isError)
            ShowError(text);
        else
            ShowAlert(title, text);
    });
    m_imagePage->setWidget(m_imageViewer);
    m_noteBook->addWidget(m_imagePage);
}

bool TChildForm::LoadImage()
{
    CreateImagePage();
    // A name that only resembles a picture's (notes.p, start.s) is judged by what the file holds.
    if (TMultiImage::ReadsExtension(m_fileName))
        m_imageViewer->SetImageName(m_fileName);
    else
        m_imageViewer->LoadByContent(m_fileName);
    m_imageViewer->adjustSize();
    return m_imageViewer->HasGraphic();
}

bool TChildForm::HasGraphic() const { return m_imageViewer && m_imageViewer->HasGraphic(); }

void TChildForm::CreateArchivePage()
{
    if (m_archivePage)
        return;
    m_archivePage = CreateChildArchivePage(this, m_main, m_noteBook);
    m_noteBook->addWidget(m_archivePage);
}

void TChildForm::LoadArchive()
{
    CreateArchivePage();
    m_archivePage->Open(m_fileName);
}

void TChildForm::ExtractMembers(const QString& directory, bool view)
{
    if (m_archivePage)
        m_archivePage->ExtractMembers(directory, view);
}

void TChildForm::CreateMediaPage()
{
    if (m_mediaPage)
        return;
    m_mediaPage = new QWidget(m_noteBook);
    m_mediaPage->setObjectName(QStringLiteral("Media"));
    m_video = new QVideoWidget(m_mediaPage);
    m_video->setObjectName(QStringLiteral("MediaPanel"));
    m_video->setMinimumSize(160, 90);
    m_poster = new TMultiImage(m_mediaPage);
    m_poster->setObjectName(QStringLiteral("MediaPoster"));
    m_poster->setMinimumSize(160, 90);
    m_poster->SetStretch(true);
    m_poster->SetStretchRatio(true);
    m_poster->SetCenter(true);
    m_poster->SetColor(Qt::black);
    m_poster->hide();
    connect(m_video->videoSink(), &QVideoSink::videoFrameChanged, m_poster, [this](const QVideoFrame& frame) {
        if (m_poster->Picture().isNull() && frame.isValid()
            && m_player->playbackState() != QMediaPlayer::PlayingState) {
            m_poster->SetPicture(frame.toImage());
            ShowVideoOrPoster();
        }
    });
    m_mediaLabel = new QLabel(m_mediaPage);
    m_mediaLabel->setAlignment(Qt::AlignCenter);
    m_mediaTime = new QLabel(m_mediaPage);
    m_mediaTime->setObjectName(QStringLiteral("MediaTime"));
    m_player = new QMediaPlayer(m_mediaPage);
    m_player->setObjectName(QStringLiteral("MediaPlayer1"));
    m_audio = new QAudioOutput(m_mediaPage);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> captions[]
        = { { "PlayButton", "Play" }, { "PauseButton", "Pause" }, { "StopButton", "Stop" }, { "BackButton", "Back" } };
    for (const auto& [name, caption] : captions) {
        auto* b = new QPushButton(QString::fromLatin1(caption), m_mediaPage);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_mediaTime);
    const auto showClock
        = [this]() { m_mediaTime->setText(MediaClockText(m_player->position(), m_player->duration())); };
    connect(m_player, &QMediaPlayer::positionChanged, m_mediaTime, showClock);
    connect(m_player, &QMediaPlayer::durationChanged, m_mediaTime, showClock);
    connect(m_player, &QMediaPlayer::playbackStateChanged, m_poster, [this]() { ShowVideoOrPoster(); });
    connect(m_mediaPage->findChild<QPushButton*>(QStringLiteral("PlayButton")), &QPushButton::clicked, m_player,
        &QMediaPlayer::play);
    connect(m_mediaPage->findChild<QPushButton*>(QStringLiteral("PauseButton")), &QPushButton::clicked, m_player,
        &QMediaPlayer::pause);
    connect(m_mediaPage->findChild<QPushButton*>(QStringLiteral("StopButton")), &QPushButton::clicked, m_player,
        &QMediaPlayer::stop);
    connect(m_mediaPage->findChild<QPushButton*>(QStringLiteral("BackButton")), &QPushButton::clicked, m_player,
        [this]() { m_player->setPosition(0); });

    auto* layout = new QVBoxLayout(m_mediaPage);
    layout->addWidget(m_video, 1);
    layout->addWidget(m_poster, 1);
    layout->addWidget(m_mediaLabel);
    layout->addLayout(buttons);
    m_noteBook->addWidget(m_mediaPage);
}

QString TChildForm::OpenMedia()
{
    CreateMediaPage();
    // The player opens the file itself, and opening a pipe would wait for a writer.
    if (platform::KindOf(m_fileName) != platform::EntryKind::RegularFile)
        return QStringLiteral("The media file is not a regular file.");
    if (!m_player->isAvailable())
        return QStringLiteral("No media playback service is available on this system.");
    // The address carries the name's exact bytes.
    const QByteArray path = platform::EncodeFileName(QFileInfo(m_fileName).absoluteFilePath());
    const QString error = LoadMedia(*m_player, QUrl::fromEncoded("file://" + path.toPercentEncoding("/")), 10000);
    if (error.isEmpty()) {
        m_mediaLabel->setText(platform::DisplayFileName(NameOf(m_fileName)));
        m_mediaTime->setText(MediaClockText(m_player->position(), m_player->duration()));
        m_poster->ClearPicture();
        ShowVideoOrPoster();
        // Paused at the start, the player hands over the first picture, which stands in for the video
        // until Play: the video window paints nothing that reaches it before it is fully on screen.
        if (m_player->hasVideo())
            m_player->pause();
    }
    return error;
}

void TChildForm::ShowVideoOrPoster()
{
    const bool poster = m_player->hasVideo() && m_player->playbackState() != QMediaPlayer::PlayingState
        && m_player->position() == 0 && !m_poster->Picture().isNull();
    m_poster->setVisible(poster);
    m_video->setVisible(m_player->hasVideo() && !poster);
}

void TChildForm::CloseMedia()
{
    if (m_player) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
}

qint64 TChildForm::MediaLength() const { return m_player ? m_player->duration() : 0; }

bool TChildForm::Refresh()
{
    if (m_fileViewer->LongWorkRunning())
        return false;
    const QDateTime stamp = FileDateTime(m_fileName);
    if (stamp == m_fileStamp)
        return false;
    m_fileStamp = stamp;
    if (m_fileViewer->Follow() && m_pageKind == PageKind::Text) {
        // A followed file keeps its place: what was added is shown, and only a replaced file starts over.
        m_fileViewer->CheckFileOnDisk();
        return true;
    }
    const bool hex = m_fileViewer->InHexMode();
    m_fileViewer->SetIsOpen(false);
    m_fileViewer->SetInHexMode(hex);
    m_fileViewer->SetIsOpen(true);
    switch (m_pageKind) {
    case PageKind::Media:
        CloseMedia();
        OpenMedia();
        break;
    case PageKind::Image:
        LoadImage();
        break;
    case PageKind::Archive:
        if (m_archivePage)
            m_archivePage->Reload();
        break;
    default:
        break;
    }
    return true;
}

void TChildForm::ResetViewer()
{
    m_fileViewer->SetIsOpen(false);
    m_fileViewer->SetFileName(QString());
    if (m_deleteOnClose && !m_fileName.isEmpty())
        platform::TempCopies().Release(m_fileName);
    m_deleteOnClose = false;
    m_pageKind = PageKind::Text;
    m_fileName.clear();
    m_fileStamp = QDateTime();
    if (m_imageViewer)
        m_imageViewer->ClearPicture();
    // The archive page is made again for the next archive.
    if (m_archivePage) {
        if (m_noteBook->currentWidget() == m_archivePage)
            m_noteBook->setCurrentWidget(m_textPage);
        delete m_archivePage;
        m_archivePage = nullptr;
    }
    CloseMedia();
    // The Text page first, so that taking the third tab away leaves the view as it was.
    ShowPage(QStringLiteral("Text"), m_fileViewer->InHexMode() ? 1 : 0);
    RemoveThirdTab();
    setWindowTitle(QString());
    // The frame keeps its title when the window's goes empty, and so does the main window's caption, which
    // names a maximised frame as "Caption - [title]": both lose the name here.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        const QString named = QStringLiteral(" - [%1]").arg(frame->windowTitle());
        frame->setWindowTitle(QString());
        QWidget* top = frame->window();
        if (top != frame && top->windowTitle().endsWith(named))
            top->setWindowTitle(top->windowTitle().chopped(named.size()));
    }
}

void TChildForm::UpdateCaption()
{
    QWidget* frame = parentWidget() ? parentWidget() : this;
    const QString caption = platform::DisplayFileName(frame->isMinimized() ? NameOf(m_fileName) : m_fileName);
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TChildForm::FileViewerShowStatus() { m_main->ViewerStatusChanged(this); }

void TChildForm::PopupAboutToShow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        m_main->ClientArea()->setActiveSubWindow(sub);
    const auto copy = [this](const char* mine, const char* twin, bool captionAndVisibility) {
        QAction* a = m_popup->findChild<QAction*>(QLatin1String(mine));
        QAction* t = m_main->Action(twin);
        if (!a || !t)
            return;
        a->setChecked(t->isChecked());
        a->setEnabled(t->isEnabled());
        if (captionAndVisibility) {
            a->setText(t->text().remove(QLatin1Char('&')));
            a->setVisible(t->isVisible());
        }
    };
    copy("Standard2", "Standard1", false);
    copy("Hex2", "Hex1", false);
    copy("Native2", "Native1", true);
    copy("Find2", "Find1", false);
    copy("FindNext2", "FindNext1", false);
    copy("SaveAs2", "SaveAs1", false);
    copy("Information2", "Information1", false);
    copy("Encoding2", "Encoding1", false);
    for (const viewer::TTextEncoding e : viewer::kAllEncodings)
        copy(EncodingActionName(e, true), EncodingActionName(e), false);
}

void TChildForm::contextMenuEvent(QContextMenuEvent* event) { ChildPopupMenu()->exec(event->globalPos()); }

void TChildForm::closeEvent(QCloseEvent* event)
{
    m_main->ChildClosing(this);
    event->accept();
}

} // namespace hy::app
