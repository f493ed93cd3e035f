#pragma once
// The one error the picture code raises: a missing, unreadable, corrupt or
// unwritable picture. The text is for the user (the program's error message box).

#include <QString>

#include <exception>

namespace kuvano::wallpaper {

class PictureError : public std::exception {
public:
    explicit PictureError(QString message)
        : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
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
