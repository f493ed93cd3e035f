#include "wallpaper/image_files.h"

#include "wallpaper/bmp_codec.h"
#include "wallpaper/gif_codec.h"
#include "wallpaper/jpeg_codec.h"
#include "wallpaper/picture_error.h"
#include "wallpaper/picture_file.h"

#include <QFileInfo>

#include <vector>

namespace kuvano::wallpaper {
namespace {

// The file name's extension, dot included, lower-cased; empty without a dot.
QString extensionOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? path.mid(dot).toLower() : QString();
}

template <typename Decode> QString convertToBmp(const QString& path, Decode decode) {
    const QByteArray bytes = readPictureFile(path);
    QImage image;
    try {
        image = decode(bytes);
    } catch (const PictureError& e) {
        throw PictureError(path + QStringLiteral("：") + e.message());
    }
    const QString target = producedBmpName(path);
    saveBmp(image, target);
    return target;
}

} // namespace

QString producedBmpName(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? path.left(dot) : path) + QStringLiteral(".bmp");
}

QString PicToBmp(const QString& path) {
    const QString ext = extensionOf(path);
    if (ext == QLatin1String(".bmp")) return path;
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg")) return JpgToBmp(path);
    if (ext == QLatin1String(".gif")) return GifToBmp(path);
    return QString();
}

QString JpgToBmp(const QString& path) {
    return convertToBmp(path, decodeJpeg);
}

QString GifToBmp(const QString& path) {
    return convertToBmp(path, decodeGifFirstFrame);
}

QImage stretchColorOnColor(const QImage& source, int width, int height) {
    if (!pictureSizeOk(width, height))
        throw PictureError(QStringLiteral("拉伸尺寸不对（%1 x %2）").arg(width).arg(height));
    const QImage src =
        source.format() == kDisplayFormat ? source : source.convertToFormat(kDisplayFormat);
    QImage out(width, height, kDisplayFormat);
    if (src.isNull() || out.isNull()) throw PictureError(QStringLiteral("内存不足，无法拉伸图片"));
    // Each target pixel samples the source pixel under its centre.
    const qint64 sw = src.width(), sh = src.height();
    std::vector<int> column(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) column[size_t(x)] = int((2 * x + 1) * sw / (2 * qint64(width)));
    for (int y = 0; y < height; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(
            src.constScanLine(int((2 * y + 1) * sh / (2 * qint64(height)))));
        auto* t = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) t[x] = s[column[size_t(x)]];
    }
    return out;
}

void StretchBmp(const QString& source, const QString& target, int width, int height) {
    saveBmp(stretchColorOnColor(loadBmp(source), width, height), target);
}

void BmpToJpg(const QString& source, const QString& target) {
    replaceFile(target, encodeJpeg(loadBmp(source), kJpegQuality));
}

} // namespace kuvano::wallpaper
