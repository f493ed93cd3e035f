#pragma once
// The error the picture code raises: a missing, unreadable, corrupt or
// unwritable picture. A file error like any other; its own type lets the
// composer tell a picture's failure from the rest.

#include "errors/file_error.h"

#include <QtGlobal>

namespace kuvano::wallpaper {

class PictureError : public FileError {
public:
    using FileError::FileError;
};

// Decoders refuse pictures with more pixels than this before allocating
// anything: a few lying header bytes must not claim gigabytes.
inline constexpr qint64 kMaxPicturePixels = qint64(1) << 26; // 8192 x 8192
inline constexpr int kMaxPictureSide = 32767;

// Whether every reader and writer of the composer handles a picture of this size.
constexpr bool pictureSizeOk(qint64 width, qint64 height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

} // namespace kuvano::wallpaper
