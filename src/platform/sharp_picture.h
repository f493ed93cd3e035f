#pragma once
// Window pictures at the screen's device pixel ratio. A supplied picture may
// have a copy drawn at twice its size beside it ("logo@2x.png" beside
// "logo.png"); on a screen of more than one device pixel per pixel that copy
// is used, brought to the exact device size, so the picture is as sharp as
// the text around it instead of an enlarged bitmap. At a ratio of 1 the file
// itself is used, unchanged.

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

class QWidget;

namespace kuvano {

// The name of the twice-size copy of `file`: "a/logo.png" -> "a/logo@2x.png".
QString doubleSizeFile(const QString& file);

// The picture in `file` for a device pixel ratio: its design size (that of
// `file`) in pixels, drawn from the twice-size copy where there is one and the
// ratio is above 1. Null when neither file can be read.
QPixmap sharpPicture(const QString& file, qreal ratio);
// The same for the ratio of the screen `widget` shows on.
QPixmap sharpPicture(const QString& file, const QWidget* widget);

// The picture stretched to `size` (in pixels) for a device pixel ratio: made
// at size x ratio device pixels from the larger file.
QPixmap sharpPicture(const QString& file, const QSize& size, qreal ratio);

// The same as source.scaled(size, Qt::IgnoreAspectRatio,
// Qt::SmoothTransformation), pixel for pixel; an opaque picture whose every
// row is one colour (the window's soft vertical gradients) is stretched in height
// only and its rows filled out, at a small part of the cost.
QImage smoothStretched(const QImage& source, const QSize& size);

} // namespace kuvano
