// Plays the records of a metafile onto a painter: the device context state (mapping, objects, colours,
// clipping, saved states) and one handler per drawing record.
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <memory>

class QPainter;

namespace hy::image {

class TWmfPlayer {
public:
    // `frame` is the logical rectangle that maps onto the whole picture; `useViewport` lets the file's own
    // viewport records change the mapping (plain metafiles), placeable ones keep the player's viewport.
    TWmfPlayer(QPainter& painter, const QRectF& frame, QSize pictureSize, bool useViewport, int objectCount,
        std::int64_t fileSize);
    ~TWmfPlayer();

    // Plays one record (function and its parameter bytes). False when the parameters are shorter than the
    // record needs, or when the drawing the records asked for so far exceeds what one picture may cost (a
    // wide stroke that would exceed it is drawn one pixel wide first); ErrorText then says why.
    bool Play(unsigned function, const uchar* params, std::int64_t length);
    QString ErrorText() const;

private:
    struct TState;
    std::unique_ptr<TState> d;
};

} // namespace hy::image
