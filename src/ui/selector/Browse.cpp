// The program's own file selector.
#include "ui/selector/Browse.h"

#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "core/search/BrowserGeometry.h"
#include "core/settings/ViewRules.h"
#include "core/settings/ViewerSettings.h"
#include "platform/PlatformDrives.h"
#include "platform/SettingsStore.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"
#include "ui/filelist/ListParts.h"
#include "ui/search/HySpeedBtn.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/SplitArea.h"
#include "ui/search/SrchAll.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace hy::selector {

using namespace hy::common;
using namespace hy::filelist;
using namespace hy::search;

namespace {

    const QString kSection = QStringLiteral("File Browser");
    constexpr int kDefaultSplitPos = 250;

    std::function<QStringList()>& DriveRootsSource()
    {
        static std::function<QStringList()> source;
        return source;
    }

    QStringList DriveRoots()
    {
        if (DriveRootsSource())
            return DriveRootsSource()();
        QStringList roots;
        for (const platform::TDriveInfo& d : platform::BrowsableDrives())
            roots << d.root;
        return roots;
    }

    QString ProgramTitle()
    {
        const QString title = ErrorTitle();
        return title.isEmpty() ? QApplication::applicationDisplayName() : title;
    }

    QColor StoredColor(quint32 value, QPalette::ColorRole systemRole)
    {
        if (value & 0x80000000u)
            return QApplication::palette().color(systemRole);
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    }

    // The stored "File Viewer" settings as the preview takes them: a selection looks like normal text.
    TPreviewSettings StoredPreviewSettings()
    {
        settings::TViewerSettings v;
        v.FontName.clear();
        settings::LoadViewerSettings(platform::SettingsStore(), v);
        TPreviewSettings s;
        s.ShowSystemFiles = v.ShowSystemFiles;
        s.ShowImageFiles = v.ShowImageFiles;
        s.ShowArchiveFiles = v.ShowArchiveFiles;
        s.ShowMediaFiles = v.ShowMediaFiles;
        static const QString media = settings::BuildMediaExtensions();
        s.MediaExtensions = media;
        s.FontName = v.FontName;
        s.FontSize = v.FontSize;
        s.FontStyle = v.FontStyle;
        s.TextColor = StoredColor(v.Colors[0].TextColor, QPalette::Text);
        s.BackColor = StoredColor(v.Colors[0].BackColor, QPalette::Base);
        s.SelectedTextColor = s.TextColor;
        s.SelectedBackColor = s.BackColor;
        s.HexFilter = v.HexFilter;
        s.ExpandTabs = v.ExpandTabs;
        s.TabSize = v.TabSize;
        return s;
    }

} // namespace

QString DriveRootOf(const QString& directory, const QStringList& roots)
{
    const QString clean = QDir::cleanPath(directory);
    QString best = QStringLiteral("/");
    for (const QString& r : roots) {
        const QString root = QDir::cleanPath(r);
        const bool inside = root == QLatin1String("/") || clean == root || clean.startsWith(root + QLatin1Char('/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

TBrowserDialog::TBrowserDialog(QWidget* parent)
    : THyForm(parent)
    , LocationLabel(new QLabel(QStringLiteral("&Location:"), this))
    , LocationBox(new QLineEdit(this))
    , LocationList(new QComboBox(this))
    , SplitBtnPanel(new QWidget(this))
    , SplitVButton(new THySpeedButton(SplitBtnPanel))
    , SplitHButton(new THySpeedButton(SplitBtnPanel))
    , MainPanel(new TSplitArea(this))
    , FileListPanel(new QWidget)
    , HeaderPanel(new QWidget(FileListPanel))
    , Header(new QHeaderView(Qt::Horizontal, HeaderPanel))
    , Invert(new QToolButton(HeaderPanel))
    , FileList(new TFileList(FileListPanel))
    , ViewerPanel(new TPreviewBook)
    , FNameLabel(new QLabel(QStringLiteral("&File Name:"), this))
    , FName(new QLineEdit(this))
    , FilterLabel(new QLabel(QStringLiteral("File &Type:"), this))
    , FilterBox(new QLineEdit(this))
    , FilterList(new QComboBox(this))
    , ShowDetail(new QCheckBox(QStringLiteral("Show File &Details"), this))
    , SearchAll(new QCheckBox(QStringLiteral("&Search Entire Drive"), this))
    , Preview(new QCheckBox(QStringLiteral("Show &Preview"), this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
    , m_headerModel(new QStandardItemModel(0, 5, this))
{
    setObjectName(QStringLiteral("BrowserDialog"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    setFont(font);
    setSizeGripEnabled(true);
    setMinimumSize(526, 300);

    BuildFileListPanel();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(BuildLocationRow());
    layout->addWidget(MainPanel, 1);
    layout->addLayout(BuildNameRows());
    resize(528, 402);

    setTabOrder(FName, FileList);
    setTabOrder(FileList, FilterBox);
    setTabOrder(FilterBox, LocationBox);

    ConnectControls();
}

// The Location box and its list, and the split buttons beside them.
QHBoxLayout* TBrowserDialog::BuildLocationRow()
{
    LocationLabel->setBuddy(LocationBox);
    LocationBox->setObjectName(QStringLiteral("LocationBox"));
    LocationList->setObjectName(QStringLiteral("LocationList"));
    LocationList->setEditable(true);
    LocationList->hide();
    SplitBtnPanel->setObjectName(QStringLiteral("SplitBtnPanel"));
    SetUpSplitButtons(SplitVButton, SplitHButton, this);
    SplitVButton->setChecked(true);
    auto* splitLayout = new QHBoxLayout(SplitBtnPanel);
    splitLayout->setContentsMargins(0, 0, 0, 0);
    splitLayout->setSpacing(0);
    splitLayout->addWidget(SplitVButton);
    splitLayout->addWidget(SplitHButton);

    auto* top = new QHBoxLayout;
    top->addWidget(LocationLabel);
    top->addWidget(LocationBox, 1);
    top->addWidget(LocationList, 1);
    top->addSpacing(8);
    top->addWidget(SplitBtnPanel);

    return top;
}

// The list of files under its detail header, and beside it (or below) the preview.
void TBrowserDialog::BuildFileListPanel()
{
    FileListPanel->setObjectName(QStringLiteral("FileListPanel"));
    HeaderPanel->setObjectName(QStringLiteral("HeaderPanel"));
    Header->setObjectName(QStringLiteral("Header"));
    Header->setModel(m_headerModel);
    m_headerModel->setHorizontalHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"),
        QStringLiteral("Time"), QStringLiteral("Attr") });
    m_details = new TDetailHeader(Header, HeaderPanel, FileList);
    Header->setStretchLastSection(false);
    Invert->setObjectName(QStringLiteral("Invert"));
    Invert->setIcon(InvertIcon());
    Invert->setAutoRaise(true);
    Invert->setToolTip(QStringLiteral("Invert the order of the list"));
    Invert->setFocusPolicy(Qt::NoFocus);
    const int headerHeight = std::max(Header->sizeHint().height(), Invert->sizeHint().height());
    HeaderPanel->setFixedHeight(headerHeight);
    // The header follows the list's sideways scrolling and ends where Invert begins: Invert keeps the strip's
    // right end to itself (placed on every resize of the strip), so it never covers a section.
    HeaderPanel->setContentsMargins(0, 0, Invert->sizeHint().width(), 0);
    Header->setGeometry(0, 0, Header->sizeHint().width(), headerHeight);
    HeaderPanel->installEventFilter(this);
    HeaderPanel->hide();

    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->SetLoading(true);
    FileList->SetTextCase(tcNone);
    FileList->SetFileDetails({ fdName });
    FileList->SetListDetails({ ldDrives, ldSystemDirectories, ldDirectories, ldFiles });
    FileList->SetLoading(false);
    FileList->setDragEnabled(true);
    FileList->setDragDropMode(QAbstractItemView::DragOnly);
    FileList->SetOnStartDrag([this](QMimeData& carried) {
        carried.setData(QLatin1String(kViewHintMimeType), QByteArray::number(ViewHint()));
    });
    auto* listLayout = new QVBoxLayout(FileListPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(HeaderPanel);
    listLayout->addWidget(FileList, 1);

    ViewerPanel->SetPictureProgress(true);
    ViewerPanel->SetSettingsSource(&StoredPreviewSettings);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    MainPanel->SetPanes(FileListPanel, ViewerPanel);
    MainPanel->SetSideBySide(true);
}

// The File Name and File Type boxes, the check boxes and the buttons.
QHBoxLayout* TBrowserDialog::BuildNameRows()
{
    FNameLabel->setBuddy(FName);
    FName->setObjectName(QStringLiteral("FName"));
    FilterLabel->setBuddy(FilterBox);
    FilterBox->setObjectName(QStringLiteral("FilterBox"));
    FilterList->setObjectName(QStringLiteral("FilterList"));
    FilterList->setEditable(true);
    FilterList->hide();
    ShowDetail->setObjectName(QStringLiteral("ShowDetail"));
    SearchAll->setObjectName(QStringLiteral("SearchAll"));
    Preview->setObjectName(QStringLiteral("Preview"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton* b : { OKButton, CancelButton, HelpButton })
        b->setFocusPolicy(Qt::TabFocus);

    auto* names = new QGridLayout;
    names->setHorizontalSpacing(6);
    names->setVerticalSpacing(4);
    names->addWidget(FNameLabel, 0, 0);
    names->addWidget(FName, 0, 1);
    names->addWidget(FilterLabel, 1, 0);
    names->addWidget(FilterBox, 1, 1);
    names->addWidget(FilterList, 1, 1);
    auto* checks = new QVBoxLayout;
    checks->setSpacing(2);
    checks->addWidget(ShowDetail);
    checks->addWidget(SearchAll);
    checks->addWidget(Preview);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(names, 1);
    bottom->addSpacing(8);
    bottom->addLayout(checks);
    bottom->addSpacing(8);
    bottom->addLayout(buttons);

    return bottom;
}

void TBrowserDialog::ConnectControls()
{
    LocationBox->installEventFilter(this);
    FilterBox->installEventFilter(this);
    connect(FileList, &TFileList::OnRead, this, &TBrowserDialog::FileListRead);
    connect(FileList, &TFileList::OnChange, this, &TBrowserDialog::FileListChange);
    connect(FileList, &TFileList::OnDblClick, this, &TBrowserDialog::FileListDblClick);
    connect(OKButton, &QPushButton::clicked, this, &TBrowserDialog::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TBrowserDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(kBrowserHelpContext, this); });
    connect(ShowDetail, &QCheckBox::clicked, this, &TBrowserDialog::ShowDetailClick);
    connect(SearchAll, &QCheckBox::clicked, this, &TBrowserDialog::SearchAllClick);
    connect(Preview, &QCheckBox::clicked, this, &TBrowserDialog::PreviewClick);
    connect(Invert, &QToolButton::clicked, this, &TBrowserDialog::InvertClick);
    connect(SplitVButton, &QToolButton::clicked, this, [this]() { SplitButtonClick(true); });
    connect(SplitHButton, &QToolButton::clicked, this, [this]() { SplitButtonClick(false); });
    TFileSearchProgressDialog::WatchWholeDriveSearch(FileList, this);
    // The progress window counts files and shows folders: a file's size and date are read only when shown.
    FileList->Engine().SetHandlerNeedsFacts(false);
    ApplyPreview(false);
}

TBrowserDialog::~TBrowserDialog() = default;

void TBrowserDialog::SetDriveRoots(std::function<QStringList()> source) { DriveRootsSource() = std::move(source); }

void TBrowserDialog::SetSettingsSource(std::function<TPreviewSettings()> source)
{
    ViewerPanel->SetSettingsSource(
        source ? std::move(source) : std::function<TPreviewSettings()>(&StoredPreviewSettings));
    const TPreviewSettings s = ViewerPanel->Settings();
    FileList->SetShowSystemFiles(s.ShowSystemFiles);
    ViewerPanel->ApplyViewerSettings();
}

void TBrowserDialog::SetShowTabs(bool show)
{
    m_showTabs = show;
    ViewerPanel->TabRow->setVisible(show);
}

void TBrowserDialog::SetAllowPreview(bool allow)
{
    m_allowPreview = allow;
    Preview->setVisible(allow);
    ApplyPreview(false);
}

void TBrowserDialog::ReadSettings()
{
    platform::SettingsStore store;
    RestorePlace(store.ReadString(kSection, QStringLiteral("WindowPos"), QString()));
    ReadColumnWidths(FileList, store.ReadString(kSection, QStringLiteral("DetailWidth"), QString()));
    ShowDetail->setChecked(store.ReadBool(kSection, QStringLiteral("ShowFileDetails"), false));
    ShowDetailClick();
    FileList->SetListOrder(store.ReadBool(kSection, QStringLiteral("InvertFileList"), false) ? flInverted : flNormal);
    Preview->setChecked(store.ReadBool(kSection, QStringLiteral("Preview"), false));
    m_splitSideBySide
        = store.ReadString(kSection, QStringLiteral("SplitDir"), QStringLiteral("Vert")) != QLatin1String("Horz");
    // The panes get their sizes from the window's size before the split is placed.
    if (QLayout* l = layout())
        l->activate();
    MainPanel->SetSideBySide(m_splitSideBySide);
    SplitVButton->setChecked(m_splitSideBySide);
    SplitHButton->setChecked(!m_splitSideBySide);
    const int splitPos = int(
        store.ReadInteger(kSection, QStringLiteral("SplitPos"), kDefaultSplitPos, -kMaxStoredExtent, kMaxStoredExtent));
    m_splitPos = ClampListSize(splitPos, MainPanel->Extent());
    MainPanel->SetListSize(m_splitPos);
    ApplyPreview(false);
}

void TBrowserDialog::WriteSettings()
{
    platform::SettingsStore store;
    store.WriteString(kSection, QStringLiteral("WindowPos"), PlaceText());
    store.WriteBool(kSection, QStringLiteral("ShowFileDetails"), ShowDetail->isChecked());
    store.WriteBool(kSection, QStringLiteral("Preview"), Preview->isChecked());
    store.WriteBool(kSection, QStringLiteral("InvertFileList"), FileList->ListOrder() == flInverted);
    const bool sideBySide = m_allowPreview ? MainPanel->SideBySide() : m_splitSideBySide;
    const int splitPos = m_allowPreview ? MainPanel->ListSize() : m_splitPos;
    store.WriteString(
        kSection, QStringLiteral("SplitDir"), sideBySide ? QStringLiteral("Vert") : QStringLiteral("Horz"));
    store.WriteInteger(kSection, QStringLiteral("SplitPos"), splitPos);
    store.WriteString(kSection, QStringLiteral("DetailWidth"), ColumnWidthsText(FileList));
    store.Flush();
}

bool TBrowserDialog::PreviewVisible() const { return m_allowPreview && Preview->isChecked(); }

void TBrowserDialog::ApplyPreview(bool halfway)
{
    const bool shown = PreviewVisible();
    if (shown && halfway)
        MainPanel->SetListSize(MainPanel->Extent() / 2);
    MainPanel->SetPreviewShown(shown);
    SplitBtnPanel->setVisible(shown);
}

QString TBrowserDialog::ChosenFile() const
{
    const QString name = FName->text();
    if (name.contains(QLatin1Char('/')))
        return name;
    return JoinPath(FileList->Directory(), name);
}

int TBrowserDialog::ViewHint() const
{
    // The view on show counts only for the file it shows: a file named otherwise opens on its own page.
    if (!PreviewVisible() || ViewerPanel->ShownFile().isEmpty() || ViewerPanel->ShownFile() != ChosenFile())
        return -1;
    if (m_showTabs)
        return ViewerPanel->TabIndex();
    return ViewerPanel->ActivePageName() != QLatin1String("Text") ? 2 : 0;
}

QString TBrowserDialog::FocusedFilePath() const
{
    const int index = FileList->ItemIndex();
    if (index < 0 || FileList->EntryKind(index) != ekFile)
        return QString();
    return FileList->EntryPath(index);
}

int TBrowserDialog::NamedEntry() const
{
    if (FName->text().isEmpty())
        return -1;
    const QString chosen = ChosenFile();
    if (FileList->SearchMode() == smSubDirectories)
        return FileList->Engine().FindEntry(ekFile, chosen);
    if (DirectoryOf(chosen) != FileList->Directory())
        return -1;
    return FileList->Engine().FindEntry(ekFile, NameOf(chosen));
}

void TBrowserDialog::FileListRead()
{
    // A new list (another folder, mask or search) keeps the file named highlighted when it holds it. A file
    // being saved under a name of its own is never replaced by whatever file the list put the focus on.
    const int named = NamedEntry();
    if (named >= 0)
        FileList->SetItemIndex(named);
    else if (m_keepName && !FName->text().isEmpty() && FileList->EntryKind(FileList->ItemIndex()) == ekFile)
        FileList->SetItemIndex(-1);
    // A preview of a file the list no longer points at goes.
    if (FocusedFilePath().isEmpty() && PreviewVisible())
        ViewerPanel->Withdraw();
}

void TBrowserDialog::FileListChange()
{
    ViewerPanel->StopLoading();
    LocationBox->setText(FileList->Directory());
    const QString path = FocusedFilePath();
    if (path.isEmpty())
        return;
    FName->setText(path);
    // The end of the path stays in view.
    FName->setCursorPosition(std::max(0, int(path.size()) - 1));
    if (PreviewVisible())
        ViewerPanel->Preview(path);
}

void TBrowserDialog::GoTo(const QString& target)
{
    if (!EnterFolder(FileList, target, ProgramTitle()))
        return;
    LocationBox->setText(FileList->Directory());
    if (m_keepName && !FName->text().isEmpty())
        FName->setText(JoinPath(FileList->Directory(), NameOf(FName->text())));
}

void TBrowserDialog::FileListDblClick()
{
    const int index = FileList->ItemIndex();
    if (index < 0)
        return;
    switch (FileList->EntryKind(index)) {
    case ekFile:
        FName->setText(FileList->EntryPath(index));
        ViewerPanel->StopLoading();
        accept();
        return;
    case ekDrive:
        GoTo(FileList->EntryPath(index));
        return;
    case ekRoot:
    case ekParent:
    case ekDirectory:
        GoTo(FileList->EntryName(index));
        return;
    default:
        return;
    }
}

void TBrowserDialog::OKButtonClick()
{
    ViewerPanel->StopLoading();
    QWidget* focused = focusWidget();
    // With the list focused, OK chooses the file highlighted, or goes into the folder highlighted while no
    // name is given; a name given (kept through folders for saving) is what OK takes otherwise.
    if (focused == FileList && (FName->text().isEmpty() || !FocusedFilePath().isEmpty())) {
        FileListDblClick();
        return;
    }
    if (focused == FilterBox || focused == LocationBox) {
        FileList->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (FName->text().isEmpty()) {
        Beep();
        return;
    }
    accept();
}

void TBrowserDialog::reject()
{
    ViewerPanel->StopLoading();
    THyForm::reject();
}

void TBrowserDialog::ShowDetailClick() { m_details->Apply(ShowDetail->isChecked()); }

void TBrowserDialog::SearchAllClick()
{
    ViewerPanel->StopLoading();
    if (SearchAll->isChecked()) {
        FileList->SetLoading(true);
        FileList->SetDirectory(DriveRootOf(FileList->Directory(), DriveRoots()));
        FileList->SetSearchMode(smSubDirectories);
        FileList->SetLoading(false);
        FileList->UpdateList();
    } else {
        FileList->SetSearchMode(smNormal);
    }
    LocationBox->setText(FileList->Directory());
}

void TBrowserDialog::PreviewClick()
{
    ApplyPreview(true);
    if (PreviewVisible()) {
        const QString path = FocusedFilePath();
        if (!path.isEmpty())
            ViewerPanel->Preview(path);
    } else {
        ViewerPanel->Withdraw();
    }
}

void TBrowserDialog::InvertClick()
{
    FileList->SetListOrder(FileList->ListOrder() == flInverted ? flNormal : flInverted);
}

void TBrowserDialog::SplitButtonClick(bool sideBySide)
{
    if (sideBySide != MainPanel->SideBySide()) {
        MainPanel->SetSideBySide(sideBySide);
        MainPanel->SetListSize(MainPanel->Extent() / 2);
        m_splitSideBySide = sideBySide;
    }
    SplitVButton->setChecked(sideBySide);
    SplitHButton->setChecked(!sideBySide);
}

bool TBrowserDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == HeaderPanel && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        const int width = HeaderPanel->contentsMargins().right();
        Invert->setGeometry(HeaderPanel->width() - width, 0, width, HeaderPanel->height());
        FileList->SetHeader(Header);
    }
    if ((watched == LocationBox || watched == FilterBox) && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the box for another control applies it; the window losing the focus does not.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible() && !m_inExit) {
            if (watched == LocationBox)
                LocationBoxExit();
            else
                FilterBoxExit();
        }
    }
    return THyForm::eventFilter(watched, event);
}

void TBrowserDialog::FilterBoxExit()
{
    if (FilterBox->text() != FileList->FileMask())
        FileList->SetFileMask(FilterBox->text());
}

void TBrowserDialog::LocationBoxExit()
{
    const QString text = LocationBox->text();
    if (text == FileList->Directory())
        return;
    m_inExit = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done { m_inExit };

    QString mask;
    QString location = text;
    if (HasWildcards(text)) {
        mask = NameOf(text);
        location = DirectoryOf(text);
        if (location.size() > 1 && location.endsWith(QLatin1Char('/')))
            location.chop(1);
        if (location.isEmpty())
            location = FileList->Directory();
    }
    const QString target = TFileListEngine::ResolvePath(FileList->Directory(), location);
    if (FileList->SetMaskAndDirectory(mask.isEmpty() ? FileList->FileMask() : mask, target) != 0) {
        ShowAlert(QStringLiteral("Invalid Location"),
            location + QStringLiteral("\ris not a valid location! A location must\rpoint to an existing folder."));
        LocationBox->setFocus(Qt::OtherFocusReason);
        return;
    }
    LocationBox->setText(FileList->Directory());
    if (!mask.isEmpty())
        FilterBox->setText(mask);
}

bool BrowseForFile(const QString& caption, QString& directory, QString& mask, int& viewMode, bool keepName,
    bool showTabs, bool allowPreview, QString& fileName, const std::function<TPreviewSettings()>& settings)
{
    TBrowserDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    viewMode = -1;
    dialog.SetKeepName(keepName);
    dialog.SetShowTabs(showTabs);
    dialog.SetSettingsSource(settings);
    dialog.ViewerPanel->SelectTab(0);

    const QString listMask = mask.isEmpty() ? QStringLiteral("*.*") : mask;
    dialog.FileList->SetLoading(true);
    dialog.FileList->SetFileMask(listMask);
    dialog.FilterBox->setText(listMask);
    dialog.ReadSettings();
    dialog.SetAllowPreview(allowPreview);
    dialog.FileList->SetDirectory(directory.isEmpty() ? QDir::currentPath() : directory);
    dialog.FileList->SetLoading(false);
    dialog.FileList->UpdateList();
    dialog.LocationBox->setText(dialog.FileList->Directory());
    if (!fileName.isEmpty()) {
        dialog.FName->setText(fileName);
        dialog.FName->setFocus();
    } else {
        dialog.FileList->setFocus();
    }

    const bool ok = dialog.ShowModal() == QDialog::Accepted && !dialog.FName->text().isEmpty();
    if (ok) {
        fileName = dialog.ChosenFile();
        viewMode = dialog.ViewHint();
    }
    directory = dialog.FileList->Directory();
    mask = dialog.FileList->FileMask();
    dialog.ViewerPanel->Reset();
    try {
        dialog.WriteSettings();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return ok;
}

} // namespace hy::selector
