#pragma once
// Windows bitmap files, read and written by the composer itself.
//
// Reading accepts what common writers produce: the 12-byte core header, the
// OS/2 2.x header, the 40-byte information header and its 52/56/108/124-byte
// successors; 1, 2, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, RLE8,
// RLE4 and bit-field pixels; bottom-up and top-down rows. Paletted pictures
// come back as Format_Indexed8 (the colour table padded to the full depth),
// all others as Format_RGB32.
//
// Writing keeps the depth of the picture held: an indexed picture of at most
// 2, 16 or 256 colours gives 1, 4 or 8 bits, a 24-bit picture 24 bits, a
// 32-bit picture 32 bits, always with the 40-byte header and bottom-up rows.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kuvano::wallpaper {

// PictureError naming what is wrong with the bytes.
QImage decodeBmp(const QByteArray& bytes);
QByteArray encodeBmp(const QImage& image);

// The same on files; errors name the file. Saving replaces the file whole.
QImage loadBmp(const QString& path);
void saveBmp(const QImage& image, const QString& path);

// The depth encodeBmp() gives the picture, in bits per pixel.
int bmpDepthFor(const QImage& image);

} // namespace kuvano::wallpaper
