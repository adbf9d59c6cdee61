// The Archive page: layout, header and list in step, the View and Extract To... commands, and the loop
// that extracts the selected members with its questions, refusals, progress and Esc.
#include "ui/archive/ArchivePage.h"

#include "common/HyUtils.h"
#include "core/archive/ArchiveReader.h"
#include "core/archive/HyUnzip.h"
#include "core/archive/UnzipLib.h"
#include "core/archive/ZipReader.h"
#include "platform/TempCopies.h"
#include "ui/archive/ZIPLIST.h"
#include "ui/common/Alert.h"
#include "ui/common/Ask.h"
#include "ui/common/Askmulti.h"
#include "ui/common/CursorScope.h"
#include "ui/common/HyForm.h"
#include "ui/common/InputGate.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace hy::archive {

using namespace hy::common;

namespace {

    int g_progressDelay = 300;
    const int kPumpInterval = 100;

    qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

    // Results that refuse one member; the others still extract.
    bool IsRefusal(int code)
    {
        return code == kUnzipUnsafeName || code == kUnzipLinkMember || code == kUnzipLinkInPath
            || code == kArchiveHardLink || code == kArchiveSpecialMember;
    }

    QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

    QString NotExtractedText(const QString& member, int code)
    {
        return QStringLiteral("The file ") + Quoted(member) + QStringLiteral(" was not extracted.\r")
            + ArchiveResultText(code);
    }

    QString CouldNotExtractText(const QString& member, int code)
    {
        return QStringLiteral("The file ") + Quoted(member) + QStringLiteral(" could not be extracted.\r")
            + ArchiveResultText(code);
    }

    // Whether an extracted member may be written to target: mrYes when nothing is in its way or the user
    // agreed, mrOk when the user agreed for every file of the batch, mrNo to skip the member, mrCancel to
    // stop. One selected member is asked about with Yes and No; several with the choices for all of them.
    int OverwriteAnswer(const QString& target, int selected)
    {
        const QFileInfo info(target);
        if (!info.exists() && !info.isSymLink())
            return mrYes;
        const QString question = QStringLiteral("The file ") + Quoted(NameOf(target))
            + QStringLiteral(" already exists in\ryour destination directory!\r\rDo you want to overwrite it?");
        if (selected == 1)
            return AskYesNo(QStringLiteral("Open Archived File"), question) ? mrYes : mrNo;
        return AskMulti(QStringLiteral("Extract Archived File"), question);
    }

} // namespace

void TArchivePage::SetProgressDelay(int milliseconds) { g_progressDelay = milliseconds; }

TArchivePage::TArchivePage(QWidget* parent)
    : QWidget(parent)
    , m_header(new QHeaderView(Qt::Horizontal, this))
    , m_headerModel(new QStandardItemModel(0, 7, this))
    , m_notice(new QLabel(this))
    , m_zipList(new TZipList(this))
    , m_viewButton(new QPushButton(QStringLiteral("View"), this))
    , m_copyButton(new QPushButton(QStringLiteral("Extract To..."), this))
{
    setObjectName(QStringLiteral("Archive"));

    m_zipList->setObjectName(QStringLiteral("FZipList"));
    m_zipList->SetFileMask(QStringLiteral("*.*"));
    // Linux names are case-sensitive: members are shown as the archive spells them.
    m_zipList->SetTextCase(tcNone);
    m_zipList->SetFileDetails(ZipDetail(zdName) | ZipDetail(zdCompSize) | ZipDetail(zdOrigSize) | ZipDetail(zdCompPcnt)
        | ZipDetail(zdDate) | ZipDetail(zdTime));
    m_zipList->SetMultiSelect(false);
    m_zipList->setFrameShape(QFrame::NoFrame);

    m_header->setObjectName(QStringLiteral("ZipHeader"));
    const char* const captions[] = { "Name", "Comp Size", "Orig Size", "Comp %", "Date", "Time", "" };
    for (int i = 0; i < 7; ++i) {
        auto* item = new QStandardItem(QString::fromLatin1(captions[i]));
        item->setTextAlignment(i == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        m_headerModel->setHorizontalHeaderItem(i, item);
    }
    m_header->setModel(m_headerModel);
    m_header->setSectionsClickable(false);
    m_header->setSectionsMovable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(true);
    m_header->setMinimumSectionSize(0);
    // The scroll area under the header would ask for room for scroll bars it never shows.
    m_header->setFixedHeight(m_header->sizeHint().height());
    // The header starts with the list's own column widths.
    for (int i = 0; i < 6; ++i)
        m_header->resizeSection(i, m_zipList->ColumnWidth(TZipDetailItems(i)));
    m_header->resizeSection(6, 11);
    m_zipList->SetHeader(m_header);
    connect(m_header, &QHeaderView::sectionResized, this, &TArchivePage::ZipHeaderSized);

    m_notice->setObjectName(QStringLiteral("ZipNotice"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setContentsMargins(6, 4, 6, 4);
    m_notice->hide();

    m_viewButton->setObjectName(QStringLiteral("ViewZipButton"));
    m_copyButton->setObjectName(QStringLiteral("CopyZipButton"));
    m_viewButton->setEnabled(false);
    m_copyButton->setEnabled(false);
    connect(m_viewButton, &QPushButton::clicked, this, &TArchivePage::ViewZipButtonClick);
    connect(m_copyButton, &QPushButton::clicked, this, &TArchivePage::CopyZipButtonClick);
    connect(m_zipList, &TZipList::OnDblClick, this, &TArchivePage::ViewZipButtonClick);
    connect(m_zipList, &TZipList::OnChange, this, [this]() {
        UpdateButtons();
        if (m_hooks.SelectionChanged)
            m_hooks.SelectionChanged();
    });
    m_zipList->SetProgressHandler([this](const QString& member, int percent) { return Progress(member, percent); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addWidget(m_viewButton);
    buttons->addWidget(m_copyButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_notice);
    layout->addWidget(m_header);
    layout->addWidget(m_zipList, 1);
    layout->addLayout(buttons);
}

TArchivePage::~TArchivePage() = default;

void TArchivePage::Open(const QString& fileName)
{
    m_zipList->SetMultiSelect(true);
    m_zipList->SetFileName(fileName);
    UpdateNotice();
    UpdateButtons();
}

void TArchivePage::Reload()
{
    m_zipList->Reload();
    UpdateNotice();
    UpdateButtons();
}

int TArchivePage::SelectedCount() const { return m_zipList->SelCount(); }

qint64 TArchivePage::MemberCount() const { return m_zipList->ListCount(); }

void TArchivePage::UpdateNotice()
{
    QString text;
    // The reader's own words first: why it failed, or where the damage stopped the list.
    if (!m_zipList->ReadMessage().isEmpty())
        text = m_zipList->ReadMessage();
    else if (m_zipList->LastError() != 0)
        text = QStringLiteral("The archive cannot be listed. ") + UnzipResultText(m_zipList->LastReadResult());
    else if (m_zipList->Count() == 0)
        text = QStringLiteral("This archive holds no files.");
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void TArchivePage::UpdateButtons()
{
    const bool any = m_zipList->SelCount() > 0;
    m_viewButton->setEnabled(any);
    m_copyButton->setEnabled(any);
}

void TArchivePage::ZipHeaderSized(int section, int, int newSize)
{
    if (section == 0 && newSize < 30) {
        m_header->resizeSection(0, 30);
        return;
    }
    for (int i = 0; i < 6; ++i)
        m_zipList->SetColumnWidth(TZipDetailItems(i), m_header->sectionSize(i));
    m_zipList->viewport()->update();
}

void TArchivePage::SelectAll()
{
    m_zipList->SelectAll();
    UpdateButtons();
}

bool TArchivePage::Progress(const QString& member, int percent)
{
    const qint64 now = NowMs();
    if (now - m_batchStarted < g_progressDelay)
        return !m_stopRequested;
    if (now - m_lastPump >= kPumpInterval) {
        m_progressShown = true;
        if (m_hooks.ShowProgress) {
            const QString count
                = m_batchSize > 1 ? QStringLiteral(" (%1 of %2)").arg(m_batchDone + 1).arg(m_batchSize) : QString();
            m_hooks.ShowProgress(
                QStringLiteral("Extracting %1%2: %3% done. Press Esc to stop.").arg(member, count).arg(percent),
                percent);
        }
        {
            // The windows keep painting while a member is written, but take no input but Esc.
            TInputGate gate(m_stopRequested);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        }
        m_lastPump = NowMs();
    }
    return !m_stopRequested;
}

// A long run of members shows its progress and stops on Esc, as one long member does.
void TArchivePage::BeginBatch(int size)
{
    m_batchStarted = NowMs();
    m_lastPump = 0;
    m_batchSize = size;
    m_batchDone = 0;
    m_stopRequested = false;
    m_progressShown = false;
}

void TArchivePage::EndBatch()
{
    if (m_progressShown && m_hooks.ShowProgress)
        m_hooks.ShowProgress(QString(), -1);
    m_progressShown = false;
}

void TArchivePage::ExtractMembers(const QString& directory, bool view)
{
    const int selected = m_zipList->SelCount();
    if (selected == 0)
        return;
    const QString title = view ? QStringLiteral("Open Archived File") : QStringLiteral("Extract Archived File");
    BeginBatch(selected);
    const auto endProgress = qScopeGuard([this]() { EndBatch(); });
    int state = mrYes;
    bool yesToAll = false;
    // Another kind of archive is read front to back: the members to extract are gathered and written in
    // one pass.
    const bool onePass = m_zipList->IsOtherArchive() && !view;
    std::vector<int> pending;
    for (int i = 0; i < m_zipList->Count(); ++i) {
        if (!m_zipList->Selected(i))
            continue;
        const TZipMember& m = m_zipList->Members().At(i);
        const QString member = m.ArchiveName;
        const int refused = !ZipMemberPathIsSafe(member.toUtf8()) ? int(kUnzipUnsafeName)
            : m.IsLink                                            ? int(kUnzipLinkMember)
                                                                  : 0;
        if (refused) {
            ShowAlert(title, NotExtractedText(member, refused));
            ++m_batchDone;
            continue;
        }
        // The file the member becomes, as the library will write it, so that the question about an
        // existing file is asked about that very file. A viewed member goes into a new folder of its own
        // inside the temporary folder, where nothing can be in its way.
        const QString path = ZipMemberPath(member);
        QString target;
        if (view) {
            int error = 0;
            target = platform::TempCopies().NewCopy(directory, NameOf(path), error);
            if (target.isEmpty()) {
                ShowError(CouldNotExtractText(member, error));
                break;
            }
        } else {
            target = JoinPath(directory, path);
        }
        if (!view && !yesToAll) {
            state = OverwriteAnswer(target, selected);
            yesToAll = state == mrOk;
        }
        if (state == mrCancel)
            break;
        if (state == mrNo) {
            ++m_batchDone;
            continue;
        }

        if (onePass) {
            pending.push_back(i);
            continue;
        }
        int result = 0;
        {
            TCursorScope wait;
            result = m_zipList->ExtractMember(i, target);
        }
        if (result != 0 && view)
            platform::TempCopies().Release(target);
        if (IsRefusal(result)) {
            ShowAlert(title, NotExtractedText(member, result));
            ++m_batchDone;
            continue;
        }
        if (result != 0) {
            ShowError(CouldNotExtractText(member, result));
            break;
        }
        if (view && !(m_hooks.OpenViewed && m_hooks.OpenViewed(target))) {
            platform::TempCopies().Release(target);
            break;
        }
        ++m_batchDone;
        if (m_batchDone < m_batchSize && !Progress(member, 100)) {
            ShowAlert(
                title, QStringLiteral("Extraction was stopped. The files extracted before it stopped were kept."));
            break;
        }
    }
    if (!pending.empty())
        ExtractInOnePass(pending, directory, title);
    UpdateButtons();
}

void TArchivePage::ExtractInOnePass(const std::vector<int>& members, const QString& directory, const QString& title)
{
    std::vector<std::pair<int, int>> results;
    {
        TCursorScope wait;
        results = m_zipList->ExtractOtherMembers(members, directory);
    }
    for (const auto& [index, result] : results) {
        const QString member = m_zipList->Members().At(index).ArchiveName;
        if (result == kUnzipStopped) {
            ShowAlert(
                title, QStringLiteral("Extraction was stopped. The files extracted before it stopped were kept."));
            break;
        }
        if (IsRefusal(result)) {
            ShowAlert(title, NotExtractedText(member, result));
        } else if (result != 0) {
            ShowError(CouldNotExtractText(member, result));
            break;
        }
        ++m_batchDone;
    }
}

void TArchivePage::ViewZipButtonClick()
{
    ExtractMembers(m_hooks.TempDir ? m_hooks.TempDir() : QDir::tempPath(), true);
}

void TArchivePage::CopyZipButtonClick()
{
    const int selected = m_zipList->SelCount();
    if (selected == 0 || !m_hooks.ChooseDirectory)
        return;
    QString directory = m_hooks.ArchiveDir ? m_hooks.ArchiveDir() : QString();
    if (directory.isEmpty())
        directory = QDir::currentPath();
    const QString prompt
        = QStringLiteral("Where do you want to put the extracted file") + PluralSuffix(selected) + QLatin1Char('?');
    if (!m_hooks.ChooseDirectory(prompt, directory))
        return;
    if (m_hooks.SetArchiveDir)
        m_hooks.SetArchiveDir(directory);
    ExtractMembers(directory, false);
}

} // namespace hy::archive
