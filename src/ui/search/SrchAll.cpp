// The whole-drive search's progress window.
#include "ui/search/SrchAll.h"

#include "base/ErrorCodes.h"
#include "common/HyUtils.h"
#include "platform/PlatformFiles.h"
#include "ui/common/Ask.h"
#include "ui/filelist/FILELIST.h"
#include "ui/search/ProgressLine.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

namespace hy::search {

using namespace hy::base;
using namespace hy::common;
using namespace hy::filelist;
using namespace hy::platform;

namespace {
    constexpr int kMessageIntervalMs = 50;
} // namespace

TFileSearchProgressDialog::TFileSearchProgressDialog(QWidget* over)
    : THyForm(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , Prompt(new QLabel(QStringLiteral("Searching entire drive..."), this))
    , LocationLine(new TProgressLine(QString(), this))
    , FoundLine(new TProgressLine(QStringLiteral("Files Found:"), this))
    , StopButton(new QPushButton(QStringLiteral("Stop"), this))
{
    setObjectName(QStringLiteral("FileSearchProgressDialog"));
    setWindowTitle(QStringLiteral("File Search"));
    Prompt->setObjectName(QStringLiteral("Prompt"));
    LocationLine->setObjectName(QStringLiteral("LocationLine"));
    FoundLine->setObjectName(QStringLiteral("FoundLine"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(4);
    layout->addWidget(Prompt);
    layout->addWidget(LocationLine);
    layout->addWidget(FoundLine);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(StopButton);
    buttons->addStretch(1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedSize(360, sizeHint().height());
    connect(StopButton, &QPushButton::clicked, this, &TFileSearchProgressDialog::StopButtonClick);
    Reset();
    // A window of its own: the windows it stands over are disabled while it is up.
    if (over) {
        winId();
        windowHandle()->setTransientParent(over->window()->windowHandle());
    }
}

void TFileSearchProgressDialog::Reset()
{
    m_stop = false;
    m_total = 0;
    m_location.clear();
    m_sinceMessages.invalidate();
    ShowValues();
}

void TFileSearchProgressDialog::ShowValues()
{
    LocationLine->SetValue(m_location);
    FoundLine->SetValue(ThousandsText(m_total));
}

int TFileSearchProgressDialog::Update(int count, const QString& text)
{
    if (!text.isNull() || !m_sinceMessages.isValid() || m_sinceMessages.elapsed() >= kMessageIntervalMs) {
        QCoreApplication::processEvents();
        m_sinceMessages.start();
    }
    if (m_stop)
        return kErrorSearchStopped;
    if (!text.isNull())
        m_location = text;
    if (count > 0)
        m_total += count;
    // The lines only ask to be painted; painting waits for the next round of messages.
    ShowValues();
    if (!isVisible()) {
        CenterOnScreen();
        show();
        raise();
    }
    return 0;
}

void TFileSearchProgressDialog::StopButtonClick()
{
    if (m_asking)
        return;
    m_asking = true;
    m_stop = AskYesNo(QStringLiteral("File Search"), QStringLiteral("Do you want to stop the search?"));
    m_asking = false;
}

void TFileSearchProgressDialog::reject() { StopButtonClick(); }

void TFileSearchProgressDialog::WatchWholeDriveSearch(TFileList* list, QWidget* owner)
{
    QPointer<QWidget> watched(owner);
    // The window of the read under way, made when it begins and destroyed when it ends; held by the
    // list's two handlers only.
    auto window = std::make_shared<std::unique_ptr<TFileSearchProgressDialog>>();
    list->SetOnSearchBegin([watched, window](TFileList* sender) {
        if (sender->SearchMode() != smSubDirectories)
            return;
        if (*window)
            (*window)->Reset();
        else
            *window = std::make_unique<TFileSearchProgressDialog>(watched);
        if (watched)
            watched->window()->setEnabled(false);
        TFileSearchProgressDialog* current = window->get();
        // The walk runs on worker threads; each batch of what they found adds its files to the total and
        // shows the last folder entered.
        sender->Engine().SetParallelWalk([current](const TFileListEngine::TWalkBatch& batch) {
            return current->Update(int(batch.Files), batch.Folder) != 0 ? kErrorSearchStopped : 0;
        });
    });
    list->SetOnSearchEnd([watched, window](TFileList* sender) {
        if (sender->SearchMode() != smSubDirectories)
            return;
        sender->Engine().SetParallelWalk({});
        if (watched)
            watched->window()->setEnabled(true);
        window->reset();
    });
}

} // namespace hy::search
