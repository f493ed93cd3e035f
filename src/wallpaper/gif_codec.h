#pragma once
// The first frame of a GIF (87a or 89a) through giflib, on a canvas of the
// logical screen size. giflib's error codes come back as PictureError.

#include <QByteArray>
#include <QImage>

namespace kuvano::wallpaper {

// Format_Indexed8 with the frame's palette (local, else global), as many
// colours as the palette holds. A frame smaller than the logical screen is
// drawn at its place on a canvas of the screen's background colour (the
// palette entry nearest to it); transparency and later frames are ignored.
QImage decodeGifFirstFrame(const QByteArray& bytes);

} // namespace kuvano::wallpaper
