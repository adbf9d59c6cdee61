// Opening a media file in a player: the one wait for the player's answer, shared by the Media page of a
// viewer window and the Media page of a preview.
#pragma once

#include <QString>

class QMediaPlayer;
class QUrl;

namespace hy::search {

// Hands the player its source and waits until the media has loaded, failed, or timeoutMs have passed;
// meanwhile events go on, the user's input excepted. Empty when the media loaded, else the text that tells
// why not (the player's own first error text where it gave one), and the player lets go of the source.
QString LoadMedia(QMediaPlayer& player, const QUrl& source, int timeoutMs);

} // namespace hy::search
