// The File Search progress window.
#include "ui/search/Psearch.h"

#include "common/HyUtils.h"
#include "ui/common/Ask.h"
#include "ui/search/ProgressLine.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hy::search {

using namespace hy::common;

TSearchProgressDialog::TSearchProgressDialog(QWidget* parent)
    : THyForm(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , LocationLine(new TProgressLine(QStringLiteral("Location:"), this))
    , SearchingLine(new TProgressLine(QStringLiteral("Searching:"), this))
    , SearchedLine(new TProgressLine(QStringLiteral("Files Searched:"), this))
    , FoundLine(new TProgressLine(QStringLiteral("Files Found:"), this))
    , StopButton(new QPushButton(QStringLiteral("Stop"), this))
{
    setObjectName(QStringLiteral("SearchProgressDialog"));
    setWindowTitle(QStringLiteral("File Search"));
    LocationLine->setObjectName(QStringLiteral("LocationLine"));
    SearchingLine->setObjectName(QStringLiteral("SearchingLine"));
    SearchedLine->setObjectName(QStringLiteral("SearchedLine"));
    FoundLine->setObjectName(QStringLiteral("FoundLine"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(4);
    for (TProgressLine* line : { LocationLine, SearchingLine, SearchedLine, FoundLine })
        layout->addWidget(line);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(StopButton);
    buttons->addStretch(1);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedSize(420, sizeHint().height());

    connect(StopButton, &QPushButton::clicked, this, &TSearchProgressDialog::StopButtonClick);
    Reset(QString());
}

TSearchProgressDialog::~TSearchProgressDialog() = default;

void TSearchProgressDialog::Reset(const QString& location)
{
    m_stop = false;
    LocationLine->SetValue(location);
    SearchingLine->SetValue(QString());
    SearchedLine->SetValue(QStringLiteral("0"));
    FoundLine->SetValue(QStringLiteral("0"));
}

void TSearchProgressDialog::ShowIfHidden()
{
    if (isVisible())
        return;
    CenterOnScreen();
    show();
    raise();
}

void TSearchProgressDialog::ShowDirectory(const QString& path)
{
    LocationLine->SetValue(path);
    ShowIfHidden();
}

void TSearchProgressDialog::ShowFile(const QString& name, qint64 searched, qint64 found)
{
    SearchingLine->SetValue(name);
    SearchedLine->SetValue(ThousandsText(searched));
    FoundLine->SetValue(ThousandsText(found));
    ShowIfHidden();
}

void TSearchProgressDialog::StopButtonClick()
{
    // A second Esc while the question is up is that question's own.
    if (m_asking)
        return;
    m_asking = true;
    m_stop = AskYesNo(QStringLiteral("File Search"), QStringLiteral("Do you want to stop the search?"));
    m_asking = false;
}

void TSearchProgressDialog::reject() { StopButtonClick(); }

} // namespace hy::search
