#pragma once
// JPEG through libjpeg(-turbo), called directly. Its error exit is contained
// here: every failure comes back as a PictureError, never as a jump through
// the caller, a leak or a half-written file.

#include <QByteArray>
#include <QImage>

namespace kuvano::wallpaper {

// Full-size decoding: a colour picture comes back as Format_BGR888 (the byte
// order of a 24-bit bitmap row), a greyscale one as Format_Indexed8 with a
// grey colour table. A truncated file is an error, not a grey-filled picture.
QImage decodeJpeg(const QByteArray& bytes);

// Baseline (not progressive) colour JPEG at the given quality.
QByteArray encodeJpeg(const QImage& image, int quality);

} // namespace kuvano::wallpaper
