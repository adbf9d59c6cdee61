// The wait for a media player's answer.
#include "ui/search/MediaLoad.h"

#include <QEventLoop>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace hy::search {

namespace {
    bool Loaded(const QMediaPlayer& player)
    {
        return player.mediaStatus() == QMediaPlayer::LoadedMedia || player.mediaStatus() == QMediaPlayer::BufferedMedia;
    }
} // namespace

QString LoadMedia(QMediaPlayer& player, const QUrl& source, int timeoutMs)
{
    const QString cannotPlay = QStringLiteral("The media file cannot be played.");
    // Errors arrive twice, the second time with a generic text: the first one tells what went wrong.
    QString error;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    const auto onError
        = QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop, [&](QMediaPlayer::Error, const QString& text) {
              if (error.isEmpty())
                  error = text.isEmpty() ? cannotPlay : text;
              loop.quit();
          });
    const auto onStatus
        = QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &loop, [&](QMediaPlayer::MediaStatus status) {
              if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia)
                  loop.quit();
              else if (status == QMediaPlayer::InvalidMedia) {
                  if (error.isEmpty())
                      error = player.errorString().isEmpty() ? cannotPlay : player.errorString();
                  loop.quit();
              }
          });
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    player.setSource(source);
    if (!Loaded(player) && error.isEmpty()) {
        timeout.start(timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QObject::disconnect(onError);
    QObject::disconnect(onStatus);
    if (error.isEmpty() && !Loaded(player))
        error = QStringLiteral("The media file did not load in time.");
    if (!error.isEmpty())
        player.setSource(QUrl());
    return error;
}

} // namespace hy::search
