#include "platform/sharp_picture.h"

#include <QImage>
#include <QImageReader>
#include <QWidget>

#include <cmath>

namespace kuvano {
namespace {

// Pictures stay at their own pixels up to this ratio; a hair above 1 is
// rounding in the window system, not a denser screen.
constexpr qreal kPlainRatio = 1.01;

// The device pixels of `logical` pixels at `ratio`, rounded up so the picture
// never falls short of the place it fills.
QSize devicePixels(const QSize& logical, qreal ratio) {
    return QSize(int(std::ceil(logical.width() * ratio - 0.01)),
                 int(std::ceil(logical.height() * ratio - 0.01)));
}

QPixmap atRatio(const QImage& source, const QSize& logical, qreal ratio) {
    const QSize device = devicePixels(logical, ratio);
    QImage image = source.size() == device
                       ? source
                       : source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

// The twice-size copy, when the ratio calls for it and it can be read.
QImage doubleSize(const QString& file, qreal ratio) {
    if (ratio <= kPlainRatio) return {};
    QImageReader reader(doubleSizeFile(file));
    // The reader takes a device pixel ratio from the "@2x" in the name; the
    // size here is counted in pixels of the file.
    QImage image = reader.read();
    if (!image.isNull()) image.setDevicePixelRatio(1);
    return image;
}

} // namespace

QString doubleSizeFile(const QString& file) {
    const int slash = file.lastIndexOf(QLatin1Char('/'));
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash) return file + QStringLiteral("@2x");
    return file.left(dot) + QStringLiteral("@2x") + file.mid(dot);
}

QPixmap sharpPicture(const QString& file, qreal ratio) {
    const QImage big = doubleSize(file, ratio);
    if (big.isNull()) return QPixmap(file);
    QSize logical = QImageReader(file).size();
    if (!logical.isValid()) logical = big.size() / 2;
    return atRatio(big, logical, ratio);
}

QPixmap sharpPicture(const QString& file, const QWidget* widget) {
    return sharpPicture(file, widget ? widget->devicePixelRatioF() : qreal(1));
}

QPixmap sharpPicture(const QString& file, const QSize& size, qreal ratio) {
    const QImage big = doubleSize(file, ratio);
    if (!big.isNull()) return atRatio(big, size, ratio);
    if (ratio <= kPlainRatio) {
        const QPixmap plain(file);
        return plain.isNull() ? plain
                              : plain.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage plain(file);
    return plain.isNull() ? QPixmap() : atRatio(plain, size, ratio);
}

} // namespace kuvano
