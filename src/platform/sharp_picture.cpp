#include "platform/sharp_picture.h"

#include <QImage>
#include <QImageReader>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

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
    QImage image = source.size() == device ? source : smoothStretched(source, device);
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
        return plain.isNull() ? plain : QPixmap::fromImage(smoothStretched(plain.toImage(), size));
    }
    const QImage plain(file);
    return plain.isNull() ? QPixmap() : atRatio(plain, size, ratio);
}

namespace {
// Every row of an opaque 32-bit picture one colour.
bool rowsAreOneColour(const QImage& image) {
    if (image.format() != QImage::Format_RGB32) return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 1; x < image.width(); ++x)
            if (row[x] != row[0]) return false;
    }
    return true;
}
} // namespace

QImage smoothStretched(const QImage& source, const QSize& size) {
    // Stretched in both directions, the smooth scaling weighs each pixel
    // with its right neighbour: the same colour gives the same colour back,
    // exactly, so the result's rows are one colour too, the one the height's
    // stretch alone gives.
    if (size.width() <= source.width() || size.height() < source.height() ||
        !rowsAreOneColour(source))
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage column = source.scaled(QSize(source.width(), size.height()), Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation);
    if (column.depth() != 32)
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage out(size, column.format());
    const qsizetype width = size.width();
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        row[0] = reinterpret_cast<const QRgb*>(column.constScanLine(y))[0];
        // The row doubled by copies, which run many pixels a step.
        for (qsizetype done = 1; done < width;) {
            const qsizetype n = std::min(done, width - done);
            std::memcpy(row + done, row, size_t(n) * sizeof(QRgb));
            done += n;
        }
    }
    return out;
}

} // namespace kuvano
