// The preview pane of a browser window.
#include "ui/search/PreviewBook.h"

#include "base/HyExceptions.h"
#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "core/search/BrowserGeometry.h"
#include "core/search/SearchCriteria.h"
#include "core/settings/ViewRules.h"
#include "core/viewer/HvBase.h"
#include "platform/PlatformFiles.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Alert.h"
#include "ui/common/CursorScope.h"
#include "ui/document/DocumentOpen.h"
#include "ui/document/DocumentPage.h"
#include "ui/document/PdfPage.h"
#include "ui/image/MultiImg.h"
#include "ui/search/MediaPanel.h"
#include "ui/viewer/HvCaret.h"
#include "ui/viewer/HvColor.h"
#include "ui/viewer/HvFxFnt.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>
#include <utility>

namespace hy::search {

using namespace hy::base;
using namespace hy::common;
using namespace hy::image;

namespace {

    constexpr int kTabRowWithButtons = 31;
    constexpr int kTabRowPlain = 21;

    QString ProgramTitle()
    {
        const QString title = ErrorTitle();
        return title.isEmpty() ? QApplication::applicationDisplayName() : title;
    }

} // namespace

TPreviewBook::TPreviewBook(QWidget* parent)
    : QWidget(parent)
    , NoteBook(new QStackedWidget(this))
    , TabRow(new QWidget(this))
    , TabSet(new QTabBar(TabRow))
    , FindPrevButton(new QPushButton(QStringLiteral("&Find Prev"), TabRow))
    , FindNextButton(new QPushButton(QStringLiteral("Find &Next"), TabRow))
    , FileViewer(nullptr)
    , ImagePage(new QScrollArea(NoteBook))
    , ImageViewer(new TMultiImage(ImagePage))
    , ArchivePage(new QWidget(NoteBook))
    , ArchiveCaption(new QLabel(ArchivePage))
    , ZipList(new archive::TZipList(ArchivePage))
    , MediaPanel(new TMediaPanel(NoteBook))
    , PdfPage(new document::TPdfPage(NoteBook))
    , DocumentPage(new document::TDocumentPage(NoteBook))
    , ProgressPanel(new QWidget(this))
    , ProgressGauge(new QProgressBar(ProgressPanel))
    , StopButton(new QPushButton(QStringLiteral("Stop"), ProgressPanel))
{
    setObjectName(QStringLiteral("ViewerPanel"));
    NoteBook->setObjectName(QStringLiteral("NoteBook"));

    BuildTextPage();
    BuildNativePages();
    BuildTabRow();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(NoteBook, 1);
    layout->addWidget(TabRow);

    BuildProgressPanel();

    connect(TabSet, &QTabBar::currentChanged, this, &TPreviewBook::TabSetClick);
    connect(FindNextButton, &QPushButton::clicked, this, &TPreviewBook::FindNextClick);
    connect(FindPrevButton, &QPushButton::clicked, this, &TPreviewBook::FindPrevClick);
    connect(FileViewer, &viewer::THvBaseViewer::OnShowStatus, this, &TPreviewBook::UpdateFindButtons);
    ShowPage(QStringLiteral("Text"));
}

// The Text page: the viewer with a steady block caret.
void TPreviewBook::BuildTextPage()
{
    auto* textPage = new QWidget(NoteBook);
    textPage->setObjectName(QStringLiteral("Text"));
    FileViewer = new viewer::THvFileViewer(textPage);
    FileViewer->setObjectName(QStringLiteral("FileViewer"));
    FileViewer->SetBorderStyle(viewer::bsNone);
    FileViewer->SetShowBookmarks(false);
    viewer::THvCaret* caret = FileViewer->Caret();
    caret->SetShape(viewer::csBlock);
    caret->SetCaretWidth(8);
    caret->SetCaretHeight(18);
    caret->SetBlinkTime(viewer::THvCaret::kSteadyBlinkTime);
    FileViewer->SetController(new viewer::THvController(this));
    auto* textLayout = new QVBoxLayout(textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(FileViewer);
    NoteBook->addWidget(textPage);
}

// The Image, Archive and Media pages.
void TPreviewBook::BuildNativePages()
{
    ImagePage->setObjectName(QStringLiteral("Image"));
    ImagePage->setFrameShape(QFrame::NoFrame);
    ImagePage->setWidgetResizable(false);
    ImageViewer->setObjectName(QStringLiteral("ImageViewer"));
    ImageViewer->SetAutoSize(true);
    ImageViewer->SetMessageReporter([](const QString& title, const QString& text, bool isError) {
        if (isError)
            ShowError(text);
        else
            ShowAlert(title, text);
    });
    ImagePage->setWidget(ImageViewer);
    NoteBook->addWidget(ImagePage);

    ArchivePage->setObjectName(QStringLiteral("Archive"));
    ArchiveCaption->setObjectName(QStringLiteral("ArchiveCaption"));
    ArchiveCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ZipList->setObjectName(QStringLiteral("ZipList"));
    auto* archiveLayout = new QVBoxLayout(ArchivePage);
    archiveLayout->setContentsMargins(0, 0, 0, 0);
    archiveLayout->setSpacing(0);
    archiveLayout->addWidget(ArchiveCaption);
    archiveLayout->addWidget(ZipList, 1);
    NoteBook->addWidget(ArchivePage);

    MediaPanel->setObjectName(QStringLiteral("Media"));
    NoteBook->addWidget(MediaPanel);
    NoteBook->addWidget(PdfPage);
    NoteBook->addWidget(DocumentPage);
}

// The Standard and Hex tabs below the pages, with the find buttons of a search for text.
void TPreviewBook::BuildTabRow()
{
    TabRow->setObjectName(QStringLiteral("TabRow"));
    TabSet->setObjectName(QStringLiteral("TabSet"));
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setDrawBase(false);
    TabSet->setExpanding(false);
    TabSet->setUsesScrollButtons(false);
    TabSet->setFocusPolicy(Qt::NoFocus);
    TabSet->addTab(QStringLiteral("Standard"));
    TabSet->addTab(QStringLiteral("Hex"));
    FindPrevButton->setObjectName(QStringLiteral("FindPrevButton"));
    FindNextButton->setObjectName(QStringLiteral("FindNextButton"));
    for (QPushButton* b : { FindPrevButton, FindNextButton }) {
        b->setAutoDefault(false);
        b->setEnabled(false);
        b->hide();
    }
    TabRow->setFixedHeight(std::max(kTabRowPlain, TabSet->sizeHint().height()));
    TabRow->installEventFilter(this);
}

// The gauge and Stop button of a picture load, over the tabs while it runs.
void TPreviewBook::BuildProgressPanel()
{
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setAutoFillBackground(true);
    ProgressGauge->setObjectName(QStringLiteral("ProgressGauge"));
    ProgressGauge->setRange(0, 100);
    ProgressGauge->setTextVisible(false);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setAutoDefault(false);
    StopButton->setFocusPolicy(Qt::NoFocus);
    auto* progressLayout = new QHBoxLayout(ProgressPanel);
    progressLayout->setContentsMargins(2, 1, 2, 1);
    progressLayout->setSpacing(4);
    progressLayout->addWidget(ProgressGauge, 1);
    progressLayout->addWidget(StopButton);
    ProgressPanel->hide();
    connect(StopButton, &QPushButton::clicked, this, &TPreviewBook::StopLoading);
}

TPreviewBook::~TPreviewBook() = default;

TPreviewSettings TPreviewBook::Settings() const { return m_settings ? m_settings() : TPreviewSettings(); }

void TPreviewBook::ApplyViewerSettings()
{
    const TPreviewSettings s = Settings();
    if (!s.FontName.isEmpty()) {
        try {
            FileViewer->FixedFont()->SetName(s.FontName);
        } catch (const std::exception&) {
            // A font that is not fixed-pitch leaves the viewer's own.
        }
    }
    if (s.FontSize > 0)
        FileViewer->FixedFont()->SetSize(s.FontSize);
    FileViewer->FixedFont()->SetStyle(unsigned(s.FontStyle));
    FileViewer->SetColor(s.BackColor);
    FileViewer->SetMarginColor(s.BackColor);
    FileViewer->FixedFont()->SetColor(s.TextColor);
    FileViewer->HighlightColors()->SetBackColor(s.SelectedBackColor);
    FileViewer->HighlightColors()->SetTextColor(s.SelectedTextColor);
    FileViewer->HighlightColors()->SetUseDefault(false);
    FileViewer->SetFilterChars(s.HexFilter);
    FileViewer->SetExpandTabs(s.ExpandTabs);
    FileViewer->SetTabSize(s.TabSize);
}

void TPreviewBook::SetContentSearch(bool used, const QString& text, bool matchCase)
{
    m_contentSearch = used;
    m_searchText = text;
    m_matchCase = matchCase;
    FindPrevButton->setVisible(used);
    FindNextButton->setVisible(used);
    FindPrevButton->setEnabled(false);
    FindNextButton->setEnabled(false);
    TabRow->setFixedHeight(std::max(used ? kTabRowWithButtons : kTabRowPlain, TabSet->sizeHint().height()));
    PlaceFindButtons();
}

QString TPreviewBook::ActivePageName() const
{
    const QWidget* page = NoteBook->currentWidget();
    return page ? page->objectName() : QString();
}

QString TPreviewBook::ShownFile() const
{
    return (m_kind != TPreviewKind::None || FileViewer->IsOpen()) ? m_shownPath : QString();
}

int TPreviewBook::TabIndex() const { return TabSet->currentIndex(); }

void TPreviewBook::SelectTab(int index)
{
    if (index >= 0 && index < TabSet->count())
        TabSet->setCurrentIndex(index);
}

void TPreviewBook::ShowPage(const QString& name)
{
    if (QWidget* page = NoteBook->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly))
        NoteBook->setCurrentWidget(page);
    UpdateFindButtons();
}

void TPreviewBook::TabSetClick(int index)
{
    if (index < 0 || m_inTabClick)
        return;
    m_inTabClick = true;
    const QString caption = TabSet->tabText(index);
    if (caption == QLatin1String("Standard") || caption == QLatin1String("Hex")) {
        FileViewer->SetInHexMode(caption == QLatin1String("Hex"));
        FileViewer->viewport()->update();
        ShowPage(QStringLiteral("Text"));
    } else {
        ShowPage(caption);
    }
    m_inTabClick = false;
}

void TPreviewBook::SetThirdTab(const QString& caption)
{
    if (TabSet->count() < 3)
        TabSet->addTab(caption);
    else
        TabSet->setTabText(2, caption);
    TabSet->setCurrentIndex(2);
    ShowPage(caption);
    PlaceFindButtons();
}

void TPreviewBook::RemoveThirdTab()
{
    if (TabSet->count() > 2) {
        // The tab bar would pass the selection on to a neighbour, which must not switch the viewer's form.
        m_inTabClick = true;
        if (TabSet->currentIndex() >= 2)
            TabSet->setCurrentIndex(FileViewer->InHexMode() ? 1 : 0);
        while (TabSet->count() > 2)
            TabSet->removeTab(2);
        m_inTabClick = false;
    }
    PlaceFindButtons();
}

void TPreviewBook::UpdateFindButtons()
{
    const bool enabled = ActivePageName() == QLatin1String("Text") && FileViewer->IsOpen();
    FindPrevButton->setEnabled(enabled);
    FindNextButton->setEnabled(enabled);
}

void TPreviewBook::PlaceFindButtons()
{
    TabSet->adjustSize();
    const int tabHeight = TabSet->sizeHint().height();
    TabSet->setGeometry(0, 0, TabSet->sizeHint().width(), tabHeight);
    if (!m_contentSearch)
        return;
    const int lineHeight = std::max(kTabRowWithButtons, tabHeight);
    const int height = std::min(kTabRowWithButtons - 4, FindNextButton->sizeHint().height());
    const int nextWidth = FindNextButton->sizeHint().width();
    const int prevWidth = FindPrevButton->sizeHint().width();
    const TFindButtonsPlace place = FindButtonsPlace(TabRow->width(), TabSet->width(), prevWidth, nextWidth);
    // A row too narrow for the tabs and the buttons side by side grows a second line for the buttons.
    const int rowHeight = place.ownLine ? tabHeight + height + 4 : lineHeight;
    if (TabRow->height() != rowHeight)
        TabRow->setFixedHeight(rowHeight);
    const int top = place.ownLine ? tabHeight + 2 : (lineHeight - height) / 2;
    FindNextButton->setGeometry(place.nextLeft, top, nextWidth, height);
    FindPrevButton->setGeometry(place.prevLeft, top, prevWidth, height);
}

bool TPreviewBook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TabRow && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        PlaceFindButtons();
        PlaceProgressPanel();
    }
    return QWidget::eventFilter(watched, event);
}

void TPreviewBook::Reset()
{
    if (m_loadingPicture)
        m_stopLoading = true;
    m_kind = TPreviewKind::None;
    m_shownPath.clear();
    try {
        FileViewer->SetIsOpen(false);
    } catch (const std::exception&) {
    }
    ImageViewer->ClearPicture();
    ImageViewer->adjustSize();
    ZipList->Clear();
    ArchiveCaption->clear();
    if (MediaPanel->IsOpen())
        MediaPanel->Close();
    PdfPage->Close();
    DocumentPage->Close();
    UpdateFindButtons();
}

void TPreviewBook::Withdraw()
{
    RemoveThirdTab();
    TabSet->setCurrentIndex(FileViewer->InHexMode() ? 1 : 0);
    ShowPage(QStringLiteral("Text"));
    Reset();
}

void TPreviewBook::Preview(const QString& path)
{
    if (m_loadingPicture) {
        m_stopLoading = true;
        m_pendingPath = path;
        return;
    }
    // The file on show, or the one that just failed, is not read (or reported) again.
    if (path == m_shownPath)
        return;
    Reset();
    m_shownPath = path;
    const TPreviewSettings s = Settings();
    try {
        if (platform::KindOf(path) == platform::EntryKind::Missing)
            throw EInOutError(QStringLiteral("File not found"), 2);
        const auto showText = [this]() {
            RemoveThirdTab();
            TabSet->setCurrentIndex(FileViewer->InHexMode() ? 1 : 0);
            ShowPage(QStringLiteral("Text"));
        };
        if (s.ShowImageFiles && settings::HasExtensionIn(path, QString::fromLatin1(settings::kImageExtensions))) {
            if (m_pictureProgress) {
                LoadPicture(path);
            } else {
                TCursorScope busy;
                ImageViewer->SetImageName(path);
                ImageViewer->adjustSize();
            }
            m_kind = TPreviewKind::Image;
            SetThirdTab(QStringLiteral("Image"));
        } else if (s.ShowArchiveFiles
            && settings::HasExtensionIn(path, QString::fromLatin1(settings::kArchiveExtensions))) {
            ZipList->SetFileName(path);
            const qint64 members = ZipList->ListCount();
            ArchiveCaption->setText(QStringLiteral(" Contents of %1 (%2 item%3)")
                                        .arg(NameOf(path), ThousandsText(members), PluralSuffix(members)));
            m_kind = TPreviewKind::Archive;
            SetThirdTab(QStringLiteral("Archive"));
        } else if (s.ShowMediaFiles && settings::HasExtensionIn(path, s.MediaExtensions)) {
            QString error;
            {
                TCursorScope busy;
                error = MediaPanel->Open(path);
            }
            if (error.isEmpty()) {
                m_kind = TPreviewKind::Media;
                SetThirdTab(QStringLiteral("Media"));
            } else {
                ShowAlert(QStringLiteral("Media Player"), error);
                showText();
            }
        } else if (s.ShowDocumentFiles
            && settings::HasExtensionIn(path, QString::fromLatin1(settings::kPdfExtensions))) {
            if (!PreviewDocument(path, true))
                showText();
        } else if (s.ShowDocumentFiles
            && settings::HasExtensionIn(path, QString::fromLatin1(settings::kDocumentExtensions))) {
            if (!PreviewDocument(path, false))
                showText();
        } else {
            showText();
        }
        // Every file is open on the Text page as well, so that Standard and Hex always work.
        FileViewer->SetFileName(path);
        FileViewer->SetIsOpen(true);
        UpdateFindButtons();
        if (m_contentSearch && FileViewer->IsOpen()) {
            SearchText(viewer::soWholeFile | (m_matchCase ? viewer::soMatchCase : 0u));
            Q_EMIT OccurrenceShown();
        }
    } catch (const std::exception& e) {
        Reset();
        m_shownPath = path;
        ReportFailure(path, e);
    }
    if (!m_pendingPath.isEmpty()) {
        const QString next = std::exchange(m_pendingPath, QString());
        Preview(next);
    }
}

bool TPreviewBook::PreviewDocument(const QString& path, bool pdf)
{
    // Only a regular file is read: a pipe would keep the pane waiting.
    if (platform::KindOf(path) != platform::EntryKind::RegularFile)
        return false;
    const document::TDocumentOpening opening
        = document::OpenDocumentFile(pdf ? PdfPage : nullptr, pdf ? nullptr : DocumentPage, path);
    if (opening.Shown) {
        m_kind = pdf ? TPreviewKind::Pdf : TPreviewKind::Document;
        SetThirdTab(pdf ? QStringLiteral("PDF") : QStringLiteral("Document"));
        return true;
    }
    if (!opening.Cancelled)
        ShowAlert(ProgramTitle(), path + QLatin1Char('\r') + opening.Error);
    return false;
}

void TPreviewBook::PlaceProgressPanel() { ProgressPanel->setGeometry(TabRow->geometry()); }

void TPreviewBook::LoadPicture(const QString& path)
{
    ProgressGauge->setValue(0);
    PlaceProgressPanel();
    ProgressPanel->show();
    ProgressPanel->raise();
    ProgressPanel->repaint();
    m_stopLoading = false;
    m_loadingPicture = true;
    const QPointer<TPreviewBook> self(this);
    ImageViewer->SetProgressCallback([self](int percent) {
        if (!self || self->m_stopLoading || QCoreApplication::closingDown())
            return 0;
        QCoreApplication::processEvents();
        if (!self || self->m_stopLoading)
            return 0;
        self->ProgressGauge->setValue(percent);
        return 1;
    });
    struct Done {
        TPreviewBook* book;
        ~Done()
        {
            book->ImageViewer->SetProgressCallback({});
            book->m_loadingPicture = false;
            book->ProgressPanel->hide();
        }
    } done { this };
    ImageViewer->SetImageName(path);
    ImageViewer->adjustSize();
}

void TPreviewBook::ReportFailure(const QString& path, const std::exception& e)
{
    if (const auto* io = dynamic_cast<const EInOutError*>(&e)) {
        if (io->ErrorCode() == 2 || io->ErrorCode() == 3)
            ShowAlert(ProgramTitle(), path + QStringLiteral("\rDoes not exist!"));
        else
            ShowErrorCode(io->ErrorCode());
        return;
    }
    ShowException(e);
}

bool TPreviewBook::SearchText(unsigned options)
{
    // The viewer matches the text as characters in the file's own encoding.
    return FileViewer->SearchFor(m_searchText, options);
}

void TPreviewBook::FindNextClick()
{
    if (!FileViewer->IsOpen() || m_searchText.isEmpty())
        return;
    unsigned options = m_matchCase ? viewer::soMatchCase : 0u;
    viewer::LineNumber startLine = 0, endLine = 0;
    qint64 startIndex = 0, endIndex = 0;
    const bool selected = FileViewer->SelectionBounds(startLine, startIndex, endIndex, endLine);
    if (selected)
        FileViewer->SelectRange(startLine, startIndex, true, endIndex, endLine);
    else
        options |= viewer::soWholeFile;
    if (!SearchText(options)) {
        Beep();
        if (selected)
            FileViewer->SelectRange(startLine, startIndex, true, endIndex, endLine);
    }
}

void TPreviewBook::FindPrevClick()
{
    if (!FileViewer->IsOpen() || m_searchText.isEmpty())
        return;
    unsigned options = viewer::soBackward | (m_matchCase ? viewer::soMatchCase : 0u);
    viewer::LineNumber startLine = 0, endLine = 0;
    qint64 startIndex = 0, endIndex = 0;
    const bool selected = FileViewer->SelectionBounds(startLine, startIndex, endIndex, endLine);
    if (selected)
        FileViewer->SelectRange(startLine, startIndex, false, endIndex, endLine);
    else
        options |= viewer::soWholeFile;
    if (!SearchText(options)) {
        Beep();
        if (selected)
            FileViewer->SelectRange(startLine, startIndex, false, endIndex, endLine);
    }
}

} // namespace hy::search
