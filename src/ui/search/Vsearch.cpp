// The search results browser.
#include "ui/search/Vsearch.h"

#include "common/HyUtils.h"
#include "core/search/BrowserGeometry.h"
#include "platform/SettingsStore.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"
#include "ui/filelist/ListParts.h"
#include "ui/search/HySpeedBtn.h"
#include "ui/search/PreviewBook.h"
#include "ui/search/SplitArea.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>

namespace hy::search {

using namespace hy::common;
using namespace hy::filelist;

namespace {

    const QString kSection = QStringLiteral("Search Browser");
    constexpr int kDefaultSplitPos = 250;
} // namespace

TSearchResultsDialog::TSearchResultsDialog(const TSearchHooks& hooks, QWidget* parent)
    : THyForm(parent, Qt::Window)
    , FNameLabel(new QLabel(QStringLiteral("&File Name:"), this))
    , FName(new QLineEdit(this))
    , SplitVButton(new THySpeedButton(this))
    , SplitHButton(new THySpeedButton(this))
    , MainArea(new TSplitArea(this))
    , FileListPanel(new QWidget)
    , HeaderStrip(new QWidget(FileListPanel))
    , Header(new QHeaderView(Qt::Horizontal, HeaderStrip))
    , FileList(new TFileList(FileListPanel))
    , ViewerPanel(new TPreviewBook)
    , ShowDetail(new QCheckBox(QStringLiteral("Show File &Details"), this))
    , Preview(new QCheckBox(QStringLiteral("Show &Preview"), this))
    , OpenButton(new QPushButton(QStringLiteral("Open"), this))
    , CloseButton(new QPushButton(QStringLiteral("Close"), this))
    , HelpButton(new QPushButton(QStringLiteral("Help"), this))
    , m_hooks(hooks)
    , m_headerModel(new QStandardItemModel(0, 6, this))
{
    setObjectName(QStringLiteral("SearchResultsDialog"));
    setWindowTitle(QStringLiteral("Search Results"));
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);
    setMinimumSize(520, 300);

    FNameLabel->setBuddy(FName);
    FName->setObjectName(QStringLiteral("FName"));
    FName->setReadOnly(true);
    FName->setEnabled(false);
    SetUpSplitButtons(SplitVButton, SplitHButton, this);
    SplitHButton->setChecked(true);

    BuildFileListPanel();

    ShowDetail->setObjectName(QStringLiteral("ShowDetail"));
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setChecked(true);
    OpenButton->setObjectName(QStringLiteral("OpenButton"));
    OpenButton->setDefault(true);
    OpenButton->setEnabled(false);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton* b : { OpenButton, CloseButton, HelpButton })
        b->setFocusPolicy(Qt::TabFocus);

    auto* top = new QHBoxLayout;
    top->addWidget(FNameLabel);
    top->addWidget(FName, 1);
    top->addSpacing(8);
    top->addWidget(SplitVButton);
    top->addWidget(SplitHButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ShowDetail);
    bottom->addWidget(Preview);
    bottom->addStretch(1);
    bottom->addWidget(OpenButton);
    bottom->addWidget(CloseButton);
    bottom->addWidget(HelpButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(top);
    layout->addWidget(MainArea, 1);
    layout->addLayout(bottom);
    resize(620, 460);

    ConnectControls();
    ReadSettings();
}

// The list of files found under its detail header, and beside it (or below) the preview.
void TSearchResultsDialog::BuildFileListPanel()
{
    FileListPanel->setObjectName(QStringLiteral("FileListPanel"));
    HeaderStrip->setObjectName(QStringLiteral("HeaderStrip"));
    Header->setObjectName(QStringLiteral("Header"));
    Header->setModel(m_headerModel);
    const QStringList sections { QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"),
        QStringLiteral("Time"), QStringLiteral("Attr"), QStringLiteral(" ") };
    m_headerModel->setHorizontalHeaderLabels(sections);
    m_details = new TDetailHeader(Header, HeaderStrip, FileList);
    Header->setStretchLastSection(true);
    HeaderStrip->setFixedHeight(Header->sizeHint().height());
    Header->setGeometry(0, 0, Header->sizeHint().width(), Header->sizeHint().height());
    HeaderStrip->hide();

    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->SetLoading(true);
    FileList->SetTextCase(tcNone);
    FileList->SetFileDetails({ fdName });
    FileList->SetListDetails({ ldFiles });
    QFont bold = FileList->font();
    bold.setBold(true);
    FileList->setFont(bold);
    FileList->SetLoading(false);
    // Full paths need a wider name column, and the dates and times of this system's locale their room.
    const QFontMetrics metrics(bold);
    const QLocale locale = QLocale::system();
    const QDateTime sample(QDate(2000, 12, 28), QTime(23, 58, 58));
    FileList->SetColumnWidth(fdName, std::max(FileList->ColumnWidth(fdName), 250));
    FileList->SetColumnWidth(fdSize,
        std::max(FileList->ColumnWidth(fdSize), metrics.horizontalAdvance(QStringLiteral("999,999,999,999")) + 8));
    FileList->SetColumnWidth(fdDate,
        std::max(FileList->ColumnWidth(fdDate),
            metrics.horizontalAdvance(locale.toString(sample.date(), QLocale::ShortFormat)) + 10));
    FileList->SetColumnWidth(fdTime,
        std::max(FileList->ColumnWidth(fdTime),
            metrics.horizontalAdvance(locale.toString(sample.time(), QLocale::ShortFormat)) + 10));
    FileList->setDragEnabled(true);
    FileList->setDragDropMode(QAbstractItemView::DragOnly);
    FileList->SetHeader(Header);
    auto* listLayout = new QVBoxLayout(FileListPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(HeaderStrip);
    listLayout->addWidget(FileList, 1);

    ViewerPanel->SetSettingsSource(m_hooks.Settings);
    MainArea->setObjectName(QStringLiteral("MainArea"));
    MainArea->SetPanes(FileListPanel, ViewerPanel);
}

void TSearchResultsDialog::ConnectControls()
{
    connect(FileList, &TFileList::OnChange, this, &TSearchResultsDialog::FileListChange);
    connect(FileList, &TFileList::OnDblClick, this, &TSearchResultsDialog::FileListDblClick);
    connect(FileList, &TFileList::OnEndDrag, this, &TSearchResultsDialog::FileListEndDrag);
    FileList->SetOnStartDrag([this](QMimeData& carried) {
        carried.setData(QLatin1String(kViewHintMimeType), QByteArray::number(ViewHint()));
    });
    connect(ViewerPanel, &TPreviewBook::OccurrenceShown, this, [this]() { FileList->setFocus(); });
    connect(OpenButton, &QPushButton::clicked, this, &TSearchResultsDialog::OpenButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &TSearchResultsDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(kSearchResultsHelpContext, this); });
    connect(ShowDetail, &QCheckBox::clicked, this, &TSearchResultsDialog::ShowDetailClick);
    connect(Preview, &QCheckBox::clicked, this, &TSearchResultsDialog::PreviewClick);
    connect(SplitVButton, &QToolButton::clicked, this, [this]() { SplitButtonClick(true); });
    connect(SplitHButton, &QToolButton::clicked, this, [this]() { SplitButtonClick(false); });
    connect(FName, &QLineEdit::textChanged, this, &TSearchResultsDialog::UpdateOpenButton);
}

TSearchResultsDialog::~TSearchResultsDialog() = default;

void TSearchResultsDialog::ReadSettings()
{
    platform::SettingsStore store;
    RestorePlace(store.ReadString(kSection, QStringLiteral("WindowPos"), QString()));
    ReadColumnWidths(FileList, store.ReadString(kSection, QStringLiteral("DetailWidth"), QString()));
    ShowDetail->setChecked(store.ReadBool(kSection, QStringLiteral("ShowFileDetails"), false));
    ShowDetailClick();
    Preview->setChecked(store.ReadBool(kSection, QStringLiteral("Preview"), false));
    const bool sideBySide
        = store.ReadString(kSection, QStringLiteral("SplitDir"), QStringLiteral("Horz")) == QLatin1String("Vert");
    // The panes get their sizes from the window's size before the split is placed.
    if (QLayout* l = layout())
        l->activate();
    MainArea->SetSideBySide(sideBySide);
    SplitVButton->setChecked(sideBySide);
    SplitHButton->setChecked(!sideBySide);
    const int splitPos = int(
        store.ReadInteger(kSection, QStringLiteral("SplitPos"), kDefaultSplitPos, -kMaxStoredExtent, kMaxStoredExtent));
    MainArea->SetListSize(ClampListSize(splitPos, MainArea->Extent()));
    ApplyPreview(false);
}

void TSearchResultsDialog::WriteSettings()
{
    platform::SettingsStore store;
    store.WriteString(kSection, QStringLiteral("WindowPos"), PlaceText());
    store.WriteString(kSection, QStringLiteral("DetailWidth"), ColumnWidthsText(FileList));
    store.WriteBool(kSection, QStringLiteral("ShowFileDetails"), ShowDetail->isChecked());
    store.WriteBool(kSection, QStringLiteral("Preview"), Preview->isChecked());
    store.WriteString(
        kSection, QStringLiteral("SplitDir"), MainArea->SideBySide() ? QStringLiteral("Vert") : QStringLiteral("Horz"));
    store.WriteInteger(kSection, QStringLiteral("SplitPos"), MainArea->ListSize());
    store.Flush();
}

void TSearchResultsDialog::reject()
{
    // Closing keeps the settings and ends the browser; the next search makes a new one.
    try {
        WriteSettings();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    ViewerPanel->Reset();
    THyForm::reject();
    // The next search makes a browser of its own, even before this one is gone.
    m_closed = true;
    deleteLater();
}

void TSearchResultsDialog::Clear()
{
    FName->clear();
    ViewerPanel->Reset();
    hide();
}

void TSearchResultsDialog::SetContentSearch(bool used, const QString& text, bool matchCase)
{
    ViewerPanel->SetContentSearch(used, text, matchCase);
}

void TSearchResultsDialog::ShowResults(const QString& caption)
{
    setWindowTitle(caption);
    ViewerPanel->ApplyViewerSettings();
    show();
    raise();
    activateWindow();
    FileList->setFocus();
    if (FileList->Count() > 0) {
        FileList->SetItemIndex(0);
        FileListChange();
    }
}

int TSearchResultsDialog::ViewHint() const { return Preview->isChecked() ? ViewerPanel->TabIndex() : -1; }

void TSearchResultsDialog::UpdateOpenButton() { OpenButton->setEnabled(!FName->text().isEmpty()); }

void TSearchResultsDialog::FileListChange()
{
    const int index = FileList->ItemIndex();
    if (index < 0 || FileList->EntryKind(index) != ekFile)
        return;
    const QString path = FileList->EntryPath(index);
    FName->setText(path);
    // The end of the path stays in view.
    FName->setCursorPosition(std::max(0, int(path.size()) - 1));
    if (!Preview->isChecked())
        return;
    ViewerPanel->Preview(path);
}

void TSearchResultsDialog::OpenFile()
{
    if (m_hooks.OpenFile)
        m_hooks.OpenFile(FName->text(), ViewHint());
}

void TSearchResultsDialog::FileListDblClick()
{
    const int index = FileList->ItemIndex();
    if (index < 0 || FileList->EntryKind(index) != ekFile)
        return;
    FName->setText(FileList->EntryPath(index));
    OpenFile();
}

void TSearchResultsDialog::OpenButtonClick()
{
    if (FileList->hasFocus()) {
        FileListDblClick();
        return;
    }
    if (FName->text().isEmpty()) {
        Beep();
        return;
    }
    OpenFile();
}

void TSearchResultsDialog::FileListEndDrag(bool accepted)
{
    // The main window took the file and came to the front: the browser follows it there.
    if (!accepted)
        return;
    raise();
    activateWindow();
}

void TSearchResultsDialog::ShowDetailClick() { m_details->Apply(ShowDetail->isChecked()); }

void TSearchResultsDialog::ApplyPreview(bool halfway)
{
    const bool shown = Preview->isChecked();
    if (shown && halfway)
        MainArea->SetListSize(MainArea->Extent() / 2);
    MainArea->SetPreviewShown(shown);
    SplitVButton->setVisible(shown);
    SplitHButton->setVisible(shown);
}

void TSearchResultsDialog::PreviewClick()
{
    ApplyPreview(true);
    if (Preview->isChecked()) {
        const int index = FileList->ItemIndex();
        if (index >= 0 && FileList->EntryKind(index) == ekFile)
            ViewerPanel->Preview(FileList->EntryPath(index));
    } else {
        ViewerPanel->Withdraw();
    }
}

void TSearchResultsDialog::SetArrangement(bool sideBySide)
{
    MainArea->SetSideBySide(sideBySide);
    MainArea->SetListSize(MainArea->Extent() / 2);
    SplitVButton->setChecked(sideBySide);
    SplitHButton->setChecked(!sideBySide);
}

void TSearchResultsDialog::SplitButtonClick(bool sideBySide)
{
    if (sideBySide == MainArea->SideBySide()) {
        SplitVButton->setChecked(sideBySide);
        SplitHButton->setChecked(!sideBySide);
        return;
    }
    SetArrangement(sideBySide);
}

} // namespace hy::search
