#pragma once
// File-to-file picture operations of the composer: the user's JPEG and GIF
// pictures made BMP files beside them, wide BMP files shrunk, and the JPEG
// round trip of the finished wallpaper. Every written file lies in the folder
// of the file read, and replaces an earlier file of its name whole. Failures
// (missing, unreadable or corrupt pictures, write failures) raise PictureError;
// none of these shows a message.

#include <QImage>
#include <QString>

namespace kuvano::wallpaper {

// The format pictures are made in when the composer draws or stretches them:
// 32 bits per pixel, as a desktop screen holds them.
inline constexpr QImage::Format kDisplayFormat = QImage::Format_RGB32;

// The JPEG settings of the wallpaper's round trip.
inline constexpr int kJpegQuality = 90;

// The source path with the file name's extension (from its last dot on)
// replaced by ".bmp"; a name without a dot gets ".bmp" appended.
QString producedBmpName(const QString& path);

// ".bmp" (any case): the path itself, unopened; ".jpg"/".jpeg": JpgToBmp;
// ".gif": GifToBmp; anything else: an empty string and nothing written.
QString PicToBmp(const QString& path);
QString JpgToBmp(const QString& path); // returns the BMP written
QString GifToBmp(const QString& path); // the first frame; returns the BMP written

// Writes the source stretched to exactly width x height (proportions not
// kept) into the target, which may be the source itself.
void StretchBmp(const QString& source, const QString& target, int width, int height);

// Baseline colour JPEG at quality 90.
void BmpToJpg(const QString& source, const QString& target);

// Colour-on-colour stretching: every target pixel takes the colour of one
// source pixel (rows and columns dropped or repeated, never averaged).
QImage stretchColorOnColor(const QImage& source, int width, int height);

} // namespace kuvano::wallpaper
