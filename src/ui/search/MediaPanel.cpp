// The media page of a preview.
#include "ui/search/MediaPanel.h"

#include "common/HyUtils.h"
#include "platform/FileNames.h"
#include "platform/PlatformFiles.h"
#include "ui/search/MediaLoad.h"

#include <QAudioOutput>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace hy::search {

using namespace hy::common;

namespace {
    constexpr int kLoadTimeoutMs = 10000;
}

TMediaPanel::TMediaPanel(QWidget* parent)
    : QWidget(parent)
    , PlayButton(new QPushButton(QStringLiteral("Play"), this))
    , PauseButton(new QPushButton(QStringLiteral("Pause"), this))
    , StopButton(new QPushButton(QStringLiteral("Stop"), this))
    , BackButton(new QPushButton(QStringLiteral("Back"), this))
    , m_display(new QFrame(this))
    , m_name(new QLabel(m_display))
{
    setObjectName(QStringLiteral("MediaPanel"));
    m_display->setObjectName(QStringLiteral("DisplayPanel"));
    m_display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_name->setAlignment(Qt::AlignCenter);
    PlayButton->setObjectName(QStringLiteral("PlayButton"));
    PauseButton->setObjectName(QStringLiteral("PauseButton"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    BackButton->setObjectName(QStringLiteral("BackButton"));

    auto* display = new QVBoxLayout(m_display);
    display->addWidget(m_name, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { PlayButton, PauseButton, StopButton, BackButton }) {
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_display, 1);
    layout->addLayout(buttons);

    for (QPushButton* b : { PlayButton, PauseButton, StopButton, BackButton })
        b->setEnabled(false);
}

TMediaPanel::~TMediaPanel() { Close(); }

void TMediaPanel::CreatePlayer()
{
    // Starting the media system takes a while: it is done when a media file is first previewed.
    if (m_player)
        return;
    m_video = new QVideoWidget(m_display);
    m_video->setObjectName(QStringLiteral("MediaVideo"));
    m_video->setMinimumSize(160, 90);
    auto* display = static_cast<QVBoxLayout*>(m_display->layout());
    display->insertWidget(0, m_video, 1);
    display->setStretchFactor(m_name, 0);
    m_player = new QMediaPlayer(this);
    m_player->setObjectName(QStringLiteral("MediaPlayer1"));
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video);
    connect(PlayButton, &QPushButton::clicked, m_player, &QMediaPlayer::play);
    connect(PauseButton, &QPushButton::clicked, m_player, &QMediaPlayer::pause);
    connect(StopButton, &QPushButton::clicked, m_player, &QMediaPlayer::stop);
    connect(BackButton, &QPushButton::clicked, m_player, [this]() { m_player->setPosition(0); });
}

QString TMediaPanel::Open(const QString& fileName)
{
    Close();
    CreatePlayer();
    if (!m_player->isAvailable())
        return QStringLiteral("No media playback service is available on this system.");
    // The player opens the file itself: a pipe or device would keep it waiting.
    if (platform::KindOf(fileName) != platform::EntryKind::RegularFile)
        return QStringLiteral("The media file cannot be played.");
    const QString error
        = LoadMedia(*m_player, platform::FileUrl(QDir::current().absoluteFilePath(fileName)), kLoadTimeoutMs);
    if (!error.isEmpty())
        return error;
    m_open = true;
    m_name->setText(NameOf(fileName));
    m_video->setVisible(m_player->hasVideo());
    for (QPushButton* b : { PlayButton, PauseButton, StopButton, BackButton })
        b->setEnabled(true);
    return QString();
}

void TMediaPanel::Close()
{
    if (!m_open)
        return;
    m_open = false;
    m_player->stop();
    m_player->setSource(QUrl());
    m_name->clear();
    for (QPushButton* b : { PlayButton, PauseButton, StopButton, BackButton })
        b->setEnabled(false);
}

} // namespace hy::search
