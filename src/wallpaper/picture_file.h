#pragma once
// Whole-file reads and replacing writes for the picture helpers.

#include <QByteArray>
#include <QString>

namespace kuvano::wallpaper {

// The file's bytes; PictureError when it is missing or unreadable.
QByteArray readPictureFile(const QString& path);

// Writes the bytes to a temporary file beside `path` and renames it over
// `path`: a failure leaves the old file (or none), never a half-written one.
// PictureError on failure.
void replaceFile(const QString& path, const QByteArray& bytes);

} // namespace kuvano::wallpaper
