// Viewer window: notebook pages, tab bar, context menu, media page, activation and closing.
#include "app/Brview2.h"

#include "app/Brview1.h"
#include "app/ChildArchive.h"
#include "common/HyUtils.h"
#include "core/archive/ArchiveReader.h"
#include "core/compress/CompressKind.h"
#include "core/compress/DecodedSource.h"
#include "core/viewer/HvBase.h"
#include "core/viewer/HvFileModel.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "platform/TempCopies.h"
#include "ui/archive/ArchivePage.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Alert.h"
#include "ui/common/CursorScope.h"
#include "ui/common/InputGate.h"
#include "ui/document/DocumentPage.h"
#include "ui/document/PdfPage.h"
#include "ui/image/MultiImg.h"
#include "ui/image/PictureView.h"
#include "ui/search/MediaLoad.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFilterPane.h"
#include "ui/viewer/HvFindBar.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

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
#include <QScopeGuard>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <optional>

namespace hy::app {

using namespace hy::common;
using namespace hy::image;
using namespace hy::search;
using namespace hy::settings;

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
    , m_findBar(new viewer::THvFindBar(m_fileViewer, m_textPage))
    , m_filterPane(new viewer::THvFilterPane(m_fileViewer, m_textPage))
    , m_tabSet(new QTabBar(this))
{
    setObjectName(QStringLiteral("ChildForm"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_textPage->setObjectName(QStringLiteral("Text"));
    auto* textLayout = new QVBoxLayout(m_textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(0);
    auto* split = new QSplitter(Qt::Vertical, m_textPage);
    split->setObjectName(QStringLiteral("TextSplit"));
    split->setChildrenCollapsible(false);
    split->addWidget(m_fileViewer);
    split->addWidget(m_filterPane);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    textLayout->addWidget(split, 1);
    textLayout->addWidget(m_findBar);
    m_findBar->MatchingLinesButton()->show();
    connect(m_findBar, &viewer::THvFindBar::MatchingLinesWanted, this,
        [this](bool invert) { m_filterPane->ShowLines(m_findBar->Query(), invert); });
    connect(m_findBar, &viewer::THvFindBar::QueryChanged, this,
        [this] { m_filterPane->PrimaryChanged(m_findBar->Query()); });
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

    m_fileViewer->addAction(m_main->Action(TCommand::Follow));
    connect(m_fileViewer, &viewer::THvBaseViewer::OnShowStatus, this, &TChildForm::StatusChanged);
    // A compressed file's title tells both sizes, the decompressed one once decoding has reached the end.
    connect(m_fileViewer, &viewer::THvBaseViewer::OnShowStatus, this, &TChildForm::UpdateCaption);
    connect(m_fileViewer, &viewer::THvCustomFileViewer::OnLongWork, this, &TChildForm::LongWorkChanged);
    connect(m_fileViewer, &viewer::THvCustomFileViewer::OnFollowNote, this, [this](const QString& note) {
        // A followed file that was replaced starts over: its lines are counted again.
        CountLines();
        Q_EMIT NoteShown(note);
    });

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
    // Each twin takes its caption from the menu item, without the accelerator, and triggers it.
    auto twin = [this](TCommand command) {
        QAction* main = m_main->Action(command);
        QAction* a = m_popup->addAction(main->text().remove(QLatin1Char('&')));
        a->setObjectName(TwinName(command));
        a->setCheckable(main->isCheckable());
        connect(a, &QAction::triggered, main, &QAction::trigger);
        m_twins.append({ a, command });
        return a;
    };
    twin(TCommand::Standard);
    twin(TCommand::Hex);
    twin(TCommand::Native)->setVisible(false);
    QMenu* encoding = m_popup->addMenu(QStringLiteral("Encoding"));
    encoding->menuAction()->setObjectName(TwinName(TCommand::Encoding));
    m_twins.append({ encoding->menuAction(), TCommand::Encoding });
    m_encodingTwins.resize(std::size(viewer::kAllEncodings));
    FillEncodingMenu(encoding, [this](QMenu* menu, viewer::TTextEncoding e) {
        QAction* a = menu->addAction(viewer::EncodingName(e));
        a->setObjectName(EncodingActionName(e, true));
        a->setCheckable(true);
        connect(a, &QAction::triggered, m_main->EncodingAction(e), &QAction::trigger);
        m_encodingTwins[qsizetype(e)] = a;
        return a;
    });
    m_popup->addSeparator();
    twin(TCommand::SaveAs);
    QAction* close = m_popup->addAction(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("Close2"));
    connect(close, &QAction::triggered, this, [this]() {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            QWidget::close();
    });
    m_popup->addSeparator();
    twin(TCommand::Find);
    twin(TCommand::FindNext);
    m_popup->addSeparator();
    twin(TCommand::Information);
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

QWidget* TChildForm::PageWidget(PageKind page) const
{
    switch (page) {
    case PageKind::Text:
        return m_textPage;
    case PageKind::Image:
        return m_imagePage;
    case PageKind::Archive:
        return m_archivePage;
    case PageKind::Media:
        return m_mediaPage;
    case PageKind::Pdf:
        return m_pdfPage;
    case PageKind::Document:
        return m_documentPage;
    }
    return nullptr;
}

PageKind TChildForm::ActivePage() const
{
    QWidget* w = m_noteBook->currentWidget();
    for (const PageKind page :
        { PageKind::Image, PageKind::Archive, PageKind::Media, PageKind::Pdf, PageKind::Document }) {
        if (w && w == PageWidget(page))
            return page;
    }
    return PageKind::Text;
}

void TChildForm::ShowPage(PageKind page, int tabIndex)
{
    if (m_tabSet->currentIndex() != tabIndex)
        m_tabSet->setCurrentIndex(tabIndex);
    if (QWidget* w = PageWidget(page))
        m_noteBook->setCurrentWidget(w);
    if (tabIndex == 0 || tabIndex == 1)
        Q_EMIT TextModeChosen(tabIndex == 1);
}

void TChildForm::SetThirdTab(PageKind page)
{
    m_thirdTab = page;
    if (m_tabSet->count() < 3)
        m_tabSet->addTab(PageName(page));
    else
        m_tabSet->setTabText(2, PageName(page));
    m_tabSet->adjustSize();
    m_tabSet->updateGeometry();
}

void TChildForm::RemoveThirdTab()
{
    m_thirdTab = PageKind::Text;
    while (m_tabSet->count() > 2)
        m_tabSet->removeTab(2);
}

void TChildForm::DeleteUnusedPages()
{
    const PageKind active = ActivePage();
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
    if (m_pageKind != PageKind::Pdf && m_pdfPage) {
        delete m_pdfPage;
        m_pdfPage = nullptr;
    }
    if (m_pageKind != PageKind::Document && m_documentPage) {
        delete m_documentPage;
        m_documentPage = nullptr;
    }
    if (QWidget* w = PageWidget(active))
        m_noteBook->setCurrentWidget(w);
}

void TChildForm::TabSetClick(int index)
{
    if (index < 0 || m_inTabClick)
        return;
    m_inTabClick = true;
    if (index == 0 || index == 1) {
        const bool hex = index == 1;
        m_fileViewer->SetInHexMode(hex);
        CountLines();
        m_fileViewer->viewport()->update();
        m_noteBook->setCurrentWidget(m_textPage);
        if (m_noteBook->isVisible())
            m_fileViewer->setFocus();
        Q_EMIT TextModeChosen(hex);
        Q_EMIT PageShown(PageKind::Text);
    } else if (QWidget* page = PageWidget(m_thirdTab); page && m_thirdTab != PageKind::Text) {
        m_noteBook->setCurrentWidget(page);
        if (m_thirdTab == PageKind::Archive && m_noteBook->isVisible())
            m_archivePage->ZipList()->setFocus();
        else if (m_noteBook->isVisible() && (m_thirdTab == PageKind::Pdf || m_thirdTab == PageKind::Document))
            page->setFocus();
        Q_EMIT PageShown(m_thirdTab);
    } else {
        Q_EMIT PageShown(ActivePage());
    }
    m_inTabClick = false;
}

void TChildForm::CreateImagePage()
{
    if (m_imagePage)
        return;
    m_imagePage = new TPictureView(m_noteBook);
    m_imagePage->setObjectName(QStringLiteral("Image"));
    m_imageViewer = m_imagePage->Image();
    m_imageViewer->setObjectName(QStringLiteral("ImageViewer"));
    m_imageViewer->SetMessageReporter([](const QString& title, const QString& text, bool isError) {
        if (isError)
            ShowError(text);
        else
            ShowAlert(title, text);
    });
    // The zoom shows in the status bar.
    connect(m_imagePage, &TPictureView::ZoomChanged, this, &TChildForm::StatusChanged);
    m_noteBook->addWidget(m_imagePage);
}

bool TChildForm::LoadImage(const std::function<int(int percent)>& progress)
{
    CreateImagePage();
    m_imageViewer->SetProgressCallback(progress);
    const auto forget = qScopeGuard([this]() { m_imageViewer->SetProgressCallback({}); });
    // A picture read anew shows upright and fitted.
    m_imagePage->Reset();
    // A name that only resembles a picture's (notes.p, start.s) is judged by what the file holds.
    if (TMultiImage::ReadsExtension(m_fileName))
        m_imageViewer->SetImageName(m_fileName);
    else
        m_imageViewer->LoadByContent(m_fileName);
    return m_imageViewer->HasGraphic();
}

bool TChildForm::LoadImageShowingProgress()
{
    TCursorScope wait;
    // The picture is read on a thread of its own: the windows stay painted and answering meanwhile. The
    // user's input is held until the picture is in, but Esc stops it.
    bool escaped = false;
    Q_EMIT PictureLoading(true);
    const auto progress = [this, &escaped](int percent) {
        if (QCoreApplication::closingDown() || escaped)
            return 0;
        Q_EMIT PictureProgress(percent);
        QCoreApplication::processEvents();
        return escaped ? 0 : 1;
    };
    const auto done = qScopeGuard([this]() { Q_EMIT PictureLoading(false); });
    TInputGate gate(escaped);
    return LoadImage(progress);
}

void TChildForm::ShowChoice(const TPageChoice& choice)
{
    if (choice.Kind == PageKind::Text)
        RemoveThirdTab();
    else
        SetThirdTab(choice.Kind);
    ShowPage(choice.Tab == 2 ? choice.Kind : PageKind::Text, choice.Tab);
}

bool TChildForm::Open(const TOpenRequest& request)
{
    const QString& fileName = request.FileName;
    m_fileName = fileName;
    UpdateCaption();
    m_pageKind = PageKind::Text;
    m_fileStamp = FileDateTime(fileName);
    m_countAllLines = request.CountAllLines;

    const bool exists = platform::KindOf(fileName) == platform::EntryKind::RegularFile;
    TPageChoice choice = ChoosePage(fileName, request.Mode, request.Rules, exists);
    // A tar, 7z, iso ... is told by its content, whatever its name.
    if (choice.Kind == PageKind::Text && exists && request.Rules.ShowArchiveFiles
        && !archive::TArchiveReader::ContentFormat(fileName).isEmpty())
        choice = ChoosePage(fileName, request.Mode, request.Rules, exists, true);
    TPageChoice page = choice;
    switch (choice.Kind) {
    case PageKind::Image: {
        if (!exists) {
            ShowAlert(
                TMainForm::ProgramTitle(), platform::DisplayFileName(fileName) + QStringLiteral("\rDoes not exist!"));
            return false;
        }
        const bool shown = LoadImageShowingProgress();
        // A file whose name only resembles a picture's and that holds none is text.
        page = PageAfterPicture(choice, request.Mode, request.Rules, shown, TMultiImage::ReadsExtension(fileName));
        m_pageKind = page.Kind;
        break;
    }
    case PageKind::Archive:
        LoadArchive();
        m_pageKind = PageKind::Archive;
        break;
    case PageKind::Media: {
        QString error;
        {
            TCursorScope wait;
            error = OpenMedia();
        }
        if (error.isEmpty()) {
            m_pageKind = PageKind::Media;
        } else {
            ShowAlert(QStringLiteral("Media Player"), error);
            page = { PageKind::Text, OpensInHex(request.Mode, request.Rules.TextHex) ? 1 : 0 };
        }
        break;
    }
    case PageKind::Pdf:
    case PageKind::Document:
        page = OpenDocument(choice, request);
        m_pageKind = page.Kind;
        break;
    case PageKind::Text:
        break;
    }
    ShowChoice(page);
    if (!request.KeepPages)
        DeleteUnusedPages();
    m_fileViewer->SetFileName(fileName);
    m_fileViewer->SetIsOpen(true);
    CountLines();
    return true;
}

void TChildForm::CountLines()
{
    viewer::THvFileViewer* v = m_fileViewer;
    if (!v->IsOpen() || v->InHexMode() || v->LineTotal() != viewer::kUndeterminedTotal
        || !CountsLinesOnOpen(v->FileSize(), m_countAllLines))
        return;
    // A small file is counted in a moment, where the wait cursor would only flicker (and load its theme before
    // the first frame); it is for the large files the settings ask to count.
    std::optional<TCursorScope> wait;
    if (v->FileSize() >= kCountedFileSize)
        wait.emplace();
    v->ClampLine(viewer::kUndeterminedTotal);
}

void TChildForm::FocusPage()
{
    if (m_pageKind == PageKind::Text)
        m_fileViewer->setFocus();
    else if (m_pageKind == PageKind::Archive && ActivePage() == PageKind::Archive)
        m_archivePage->ZipList()->setFocus();
    else if (QWidget* page = PageWidget(ActivePage()); page && ActivePage() != PageKind::Text)
        page->setFocus();
}

void TChildForm::SelectAll()
{
    if (ActivePage() == PageKind::Text)
        m_fileViewer->SelectEntireFile(false);
    else if (ActivePage() == PageKind::Archive)
        m_archivePage->SelectAll();
    else if (ActivePage() == PageKind::Pdf)
        m_pdfPage->SelectAll();
    else if (ActivePage() == PageKind::Document)
        m_documentPage->selectAll();
}

void TChildForm::CopyToClipboard()
{
    if (ActivePage() == PageKind::Text)
        m_fileViewer->CopySelection();
    else if (ActivePage() == PageKind::Image && HasGraphic())
        m_imageViewer->CopyToClipboard();
    else if (ActivePage() == PageKind::Pdf)
        m_pdfPage->CopySelection();
    else if (ActivePage() == PageKind::Document)
        m_documentPage->copy();
}

bool TChildForm::CanCopyToClipboard() const
{
    const PageKind page = ActivePage();
    return (page == PageKind::Image && HasGraphic()) || (page == PageKind::Text && m_fileViewer->HasSelection())
        || (page == PageKind::Pdf && m_pdfPage->HasSelection())
        || (page == PageKind::Document && m_documentPage->textCursor().hasSelection());
}

bool TChildForm::CanCopyToFile() const
{
    const PageKind page = ActivePage();
    return (page == PageKind::Text && m_fileViewer->HasSelection())
        || (page == PageKind::Archive && m_archivePage->SelectedCount() > 0);
}

void TChildForm::ExtractSelectedMembers()
{
    if (m_archivePage)
        m_archivePage->CopyZipButtonClick();
}

qint64 TChildForm::ArchiveMemberCount() const { return m_archivePage ? m_archivePage->MemberCount() : 0; }

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
    CountLines();
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
    case PageKind::Pdf:
    case PageKind::Document: {
        TOpenRequest again;
        again.FileName = m_fileName;
        OpenDocument({ m_pageKind, 2 }, again);
    } break;
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
    // The document pages are made again for the next document.
    if (m_noteBook->currentWidget() == m_pdfPage || m_noteBook->currentWidget() == m_documentPage)
        m_noteBook->setCurrentWidget(m_textPage);
    delete m_pdfPage;
    m_pdfPage = nullptr;
    delete m_documentPage;
    m_documentPage = nullptr;
    // The Text page first, so that taking the third tab away leaves the view as it was.
    ShowPage(PageKind::Text, m_fileViewer->InHexMode() ? 1 : 0);
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

QString TChildForm::CompressedSizes() const
{
    if (m_fileName.isEmpty() || !m_fileViewer->Model().DecodeCompressed())
        return QString();
    const compress::TDecodedSource* source = m_fileViewer->Model().DecodedSource();
    if (!source)
        return QString();
    const QString decoded = source->Complete()
        ? QStringLiteral("%1 bytes decompressed").arg(ThousandsText(source->KnownSize()))
        : QStringLiteral("decompressing");
    return QStringLiteral("%1: %2 bytes, %3")
        .arg(compress::CompressKindName(source->Kind()), ThousandsText(source->CompressedSize()), decoded);
}

void TChildForm::UpdateCaption()
{
    QWidget* frame = parentWidget() ? parentWidget() : this;
    QString caption = platform::DisplayFileName(frame->isMinimized() ? NameOf(m_fileName) : m_fileName);
    const QString sizes = CompressedSizes();
    if (!sizes.isEmpty())
        caption += QStringLiteral(" (%1)").arg(sizes);
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TChildForm::PopupAboutToShow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    const auto copy = [](QAction* a, const QAction* t, bool captionAndVisibility) {
        a->setChecked(t->isChecked());
        a->setEnabled(t->isEnabled());
        if (captionAndVisibility) {
            a->setText(t->text().remove(QLatin1Char('&')));
            a->setVisible(t->isVisible());
        }
    };
    for (const auto& [a, command] : std::as_const(m_twins))
        copy(a, m_main->Action(command), command == TCommand::Native);
    for (int i = 0; i < int(m_encodingTwins.size()); ++i)
        copy(m_encodingTwins.at(i), m_main->EncodingAction(viewer::kAllEncodings[i]), false);
}

void TChildForm::contextMenuEvent(QContextMenuEvent* event) { ChildPopupMenu()->exec(event->globalPos()); }

void TChildForm::closeEvent(QCloseEvent* event)
{
    Q_EMIT Closing();
    event->accept();
}

void TChildForm::OpenFindBar()
{
    if (ActivePage() != PageKind::Text)
        ShowPage(PageKind::Text, m_fileViewer->InHexMode() ? 1 : 0);
    m_findBar->Open();
}

void TChildForm::ToggleFilterPane()
{
    if (m_filterPane->isVisible()) {
        m_filterPane->Close();
        return;
    }
    if (ActivePage() != PageKind::Text)
        ShowPage(PageKind::Text, m_fileViewer->InHexMode() ? 1 : 0);
    if (m_findBar->Query().Text.isEmpty() || !m_findBar->isVisible())
        m_findBar->Open();
    m_filterPane->ShowLines(m_findBar->Query(), false);
}

} // namespace hy::app
