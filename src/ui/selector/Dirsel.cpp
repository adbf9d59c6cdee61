// The directory selector.
#include "ui/selector/Dirsel.h"

#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "platform/PlatformDirs.h"
#include "platform/SettingsStore.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/HelpHook.h"
#include "ui/filelist/FILELIST.h"
#include "ui/filelist/ListParts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace hy::selector {

using namespace hy::common;
using namespace hy::filelist;

namespace {

    const QString kSection = QStringLiteral("Directory Browser");
    const QString kFileBrowserSection = QStringLiteral("File Browser");
    const QString kViewerSection = QStringLiteral("File Viewer");

    QString ProgramTitle()
    {
        const QString title = ErrorTitle();
        return title.isEmpty() ? QApplication::applicationDisplayName() : title;
    }

    // What stood in the way of making a folder, in the words of this system: the nearest folder on the way
    // that exists, and why no folder can be made in it; the error's own text when the file system tells of
    // nothing in the way.
    QString CreateFailureText(const QString& target, int code)
    {
        QString existing = DirectoryOf(target);
        while (!existing.isEmpty() && existing != QLatin1String("/") && !DirectoryExists(existing))
            existing = DirectoryOf(existing);
        if (existing.isEmpty())
            return ErrorText(code);
        switch (platform::WhyNoFoldersIn(existing)) {
        case platform::FolderRefusal::SystemFileSystem:
            return QStringLiteral("No folder can be made in %1: it belongs to a file system the system keeps for "
                                  "its own reports (like /proc and /sys).")
                .arg(existing);
        case platform::FolderRefusal::ReadOnlyFileSystem:
            return QStringLiteral("No folder can be made in %1: its file system is mounted read-only.").arg(existing);
        case platform::FolderRefusal::NotPermitted:
            return QStringLiteral("No folder can be made in %1: you are not allowed to write to it.").arg(existing);
        case platform::FolderRefusal::None:
            break;
        }
        return ErrorText(code);
    }

} // namespace

TDirSelectorDialog::TDirSelectorDialog(QWidget* parent)
    : THyForm(parent)
    , LocationLabel(new QLabel(QStringLiteral("&Location:"), this))
    , LocationBox(new QLineEdit(this))
    , LocationList(new QComboBox(this))
    , InvertButton(new QToolButton(this))
    , FileList(new TFileList(this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , HelpButton(new QPushButton(QStringLiteral("&Help"), this))
{
    setObjectName(QStringLiteral("DirSelectorDialog"));
    setWindowTitle(QStringLiteral("Directory Selector"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    setFont(font);
    setSizeGripEnabled(true);

    LocationLabel->setBuddy(LocationBox);
    LocationList->setEditable(true);
    LocationList->hide();
    InvertButton->setIcon(InvertIcon());
    InvertButton->setAutoRaise(true);
    InvertButton->setToolTip(QStringLiteral("Invert the order of the list"));
    InvertButton->setFocusPolicy(Qt::NoFocus);

    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->SetLoading(true);
    FileList->SetTextCase(tcNone);
    FileList->SetFileDetails({ fdName });
    FileList->SetListDetails({ ldDrives, ldSystemDirectories, ldDirectories });
    FileList->SetFileMask(QStringLiteral("*.*"));
    FileList->SetLoading(false);

    OKButton->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(LocationLabel);
    top->addWidget(LocationBox, 1);
    top->addWidget(LocationList, 1);
    top->addWidget(InvertButton);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(OKButton);
    bottom->addWidget(CancelButton);
    bottom->addWidget(HelpButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addWidget(FileList, 1);
    layout->addLayout(bottom);

    setMinimumSize(449, 275);
    resize(449, 350);
    setTabOrder(FileList, LocationBox);
    FileList->setFocus();

    LocationBox->installEventFilter(this);
    connect(FileList, &TFileList::OnChange, this, &TDirSelectorDialog::FileListChange);
    connect(FileList, &TFileList::OnDblClick, this, &TDirSelectorDialog::FileListDblClick);
    connect(OKButton, &QPushButton::clicked, this, &TDirSelectorDialog::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(kDirSelectorHelpContext, this); });
    connect(InvertButton, &QToolButton::clicked, this, &TDirSelectorDialog::InvertButtonClick);
}

TDirSelectorDialog::~TDirSelectorDialog() = default;

void TDirSelectorDialog::ReadSettings()
{
    platform::SettingsStore store;
    RestorePlace(store.ReadString(kSection, QStringLiteral("WindowPos"), QString()));
    FileList->SetListOrder(
        store.ReadBool(kFileBrowserSection, QStringLiteral("InvertFileList"), false) ? flInverted : flNormal);
    FileList->SetShowSystemFiles(store.ReadBool(kViewerSection, QStringLiteral("ShowSystemFiles"), false));
}

void TDirSelectorDialog::WriteSettings()
{
    platform::SettingsStore store;
    store.WriteString(kSection, QStringLiteral("WindowPos"), PlaceText());
    store.WriteBool(kFileBrowserSection, QStringLiteral("InvertFileList"), FileList->ListOrder() == flInverted);
    store.Flush();
}

void TDirSelectorDialog::FileListChange() { LocationBox->setText(FileList->Directory()); }

void TDirSelectorDialog::FileListDblClick()
{
    const int index = FileList->ItemIndex();
    if (index < 0)
        return;
    QString target;
    switch (FileList->EntryKind(index)) {
    case ekDrive:
        target = FileList->EntryPath(index);
        break;
    case ekRoot:
    case ekParent:
    case ekDirectory:
        target = FileList->EntryName(index);
        break;
    default:
        return;
    }
    EnterFolder(FileList, target, ProgramTitle());
}

void TDirSelectorDialog::OKButtonClick()
{
    QWidget* focused = focusWidget();
    if (focused == FileList) {
        FileListDblClick();
        return;
    }
    if (focused == LocationBox) {
        FileList->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (LocationBox->text().isEmpty()) {
        Beep();
        return;
    }
    accept();
}

void TDirSelectorDialog::InvertButtonClick()
{
    FileList->SetListOrder(FileList->ListOrder() == flInverted ? flNormal : flInverted);
}

bool TDirSelectorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LocationBox && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the box for another control applies it; the window losing the focus does not.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible() && !m_inExit)
            LocationBoxExit();
    }
    return THyForm::eventFilter(watched, event);
}

void TDirSelectorDialog::LocationBoxExit()
{
    QString location = LocationBox->text();
    if (location == FileList->Directory())
        return;
    m_inExit = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done { m_inExit };

    if (HasWildcards(location)) {
        location = DirectoryOf(location);
        if (location.isEmpty())
            location = FileList->Directory();
    }
    const QString target = TFileListEngine::ResolvePath(FileList->Directory(), location);
    int error = 0;
    bool created = false;
    if (m_createAllowed && !DirectoryExists(target)) {
        if (AskYesNo(ProgramTitle(), location + QStringLiteral("\rdoes not exist! Do you want to create it?"))) {
            error = CreateDirectories(target);
            if (error != 0)
                ShowAlert(ProgramTitle(),
                    QStringLiteral("Unable to create directory.\r\r") + CreateFailureText(target, error));
            else
                created = true;
        }
    }
    if (FileList->SetMaskAndDirectory(QStringLiteral("*.*"), target) == 0) {
        LocationBox->setText(FileList->Directory());
        if (created)
            accept();
        return;
    }
    if (error == 0)
        ShowAlert(ProgramTitle(),
            location + QStringLiteral("\ris not a valid location! A location must\rpoint to an existing folder."));
    LocationBox->setFocus(Qt::OtherFocusReason);
}

bool ChooseDirectory(const QString& prompt, QString& directory, bool createAllowed)
{
    TDirSelectorDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(prompt);
    dialog.SetCreateAllowed(createAllowed);
    dialog.ReadSettings();
    dialog.FileList->SetDirectory(directory.isEmpty() ? QDir::currentPath() : directory);
    dialog.LocationList->hide();
    dialog.LocationBox->show();
    const bool ok = dialog.ShowModal() == QDialog::Accepted;
    if (ok)
        directory = dialog.FileList->Directory();
    try {
        dialog.WriteSettings();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    return ok;
}

} // namespace hy::selector
