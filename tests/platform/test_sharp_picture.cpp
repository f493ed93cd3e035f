#include "platform/sharp_picture.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kuvano;

namespace {

// A picture of one colour; its colour tells which file a picture came from.
void write(const QString& path, QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path, "PNG"));
}

QColor middle(const QPixmap& picture) {
    const QImage image = picture.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

TEST(SharpPicture, TakesTheTwiceSizeCopyAboveRatioOneAtTheScreensDevicePixels) {
    QTemporaryDir dir;
    const QString both = dir.filePath(QStringLiteral("both.png"));
    const QString plainOnly = dir.filePath(QStringLiteral("plain.png"));
    write(both, QSize(10, 6), Qt::red);
    write(doubleSizeFile(both), QSize(20, 12), Qt::blue);
    write(plainOnly, QSize(10, 6), Qt::green);
    const struct {
        QString file;
        qreal ratio;
        QSize requested; // invalid: the picture's own size
        QSize device;    // the pixmap's own pixels
        qreal pixmapRatio;
        QColor from;
    } cases[] = {
        // At 1 the picture itself, pixel for pixel.
        {both, 1, {}, QSize(10, 6), 1, Qt::red},
        {both, 1.5, {}, QSize(15, 9), 1.5, Qt::blue},
        {both, 2, {}, QSize(20, 12), 2, Qt::blue},
        {both, 1.25, {}, QSize(13, 8), 1.25, Qt::blue},
        // No larger copy: the plain picture, left to the painter to enlarge.
        {plainOnly, 2, {}, QSize(10, 6), 1, Qt::green},
        // Stretched to a place: its device pixels from the best file.
        {both, 1, QSize(30, 8), QSize(30, 8), 1, Qt::red},
        {both, 2, QSize(30, 8), QSize(60, 16), 2, Qt::blue},
        {both, 1.5, QSize(30, 8), QSize(45, 12), 1.5, Qt::blue},
        {plainOnly, 2, QSize(30, 8), QSize(60, 16), 2, Qt::green},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString() + " at " + std::to_string(c.ratio));
        const QPixmap p = c.requested.isValid() ? sharpPicture(c.file, c.requested, c.ratio)
                                                : sharpPicture(c.file, c.ratio);
        EXPECT_EQ(p.size(), c.device);
        EXPECT_DOUBLE_EQ(p.devicePixelRatio(), c.pixmapRatio);
        EXPECT_EQ(middle(p), c.from);
    }
    const QString missing = dir.filePath(QStringLiteral("missing.png"));
    EXPECT_TRUE(sharpPicture(missing, 2).isNull());
    EXPECT_TRUE(sharpPicture(missing, QSize(5, 5), 2).isNull());
}

TEST(SharpPicture, AtRatioOneIsTheFileUnchanged) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("grain.png"));
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) image.setPixel(x, y, qRgba(x * 30, y * 50, 90, 100 + x * 20));
    ASSERT_TRUE(image.save(file, "PNG"));
    write(doubleSizeFile(file), QSize(14, 10), Qt::blue);
    EXPECT_EQ(sharpPicture(file, 1).toImage(), QPixmap(file).toImage());
    EXPECT_EQ(
        sharpPicture(file, QSize(21, 10), 1).toImage(),
        QPixmap(file).scaled(21, 10, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage());
}

// The stretch the window's gradients take gives what QImage's own smooth
// scaling gives, pixel for pixel: for the gradients it shortens, and for
// pictures it leaves to QImage.
TEST(SharpPicture, SmoothStretchedIsQImagesSmoothScaling) {
    const auto gradient = [](QSize size, QImage::Format format, QColor top, QColor bottom) {
        QImage image(size, format);
        for (int y = 0; y < size.height(); ++y) {
            const qreal t = size.height() > 1 ? qreal(y) / (size.height() - 1) : 0;
            const QColor c = QColor::fromRgbF(top.redF() + (bottom.redF() - top.redF()) * t,
                                              top.greenF() + (bottom.greenF() - top.greenF()) * t,
                                              top.blueF() + (bottom.blueF() - top.blueF()) * t,
                                              top.alphaF() + (bottom.alphaF() - top.alphaF()) * t);
            for (int x = 0; x < size.width(); ++x) image.setPixelColor(x, y, c);
        }
        return image;
    };
    QImage spotted = gradient(QSize(64, 64), QImage::Format_RGB32, Qt::white, Qt::black);
    spotted.setPixelColor(40, 10, Qt::red); // a row of two colours: QImage's own way
    const QImage pictures[] = {
        gradient(QSize(64, 64), QImage::Format_RGB32, QColor(234, 242, 250), QColor(222, 234, 246)),
        gradient(QSize(64, 21), QImage::Format_RGB32, QColor(214, 228, 242), QColor(196, 214, 234)),
        gradient(QSize(3, 7), QImage::Format_RGB32, Qt::red, Qt::blue),
        gradient(QSize(5, 9), QImage::Format_ARGB32, QColor(255, 0, 0, 40), QColor(0, 0, 255, 250)),
        gradient(QSize(5, 9), QImage::Format_ARGB32_Premultiplied, QColor(9, 90, 200, 128),
                 QColor(200, 9, 90, 255)),
        spotted,
    };
    const QSize sizes[] = {{1323, 809}, {1327, 21}, {2646, 1618}, {997, 640}, {64, 300},
                           {65, 64},    {30, 900},  {1000, 5},    {1, 1}};
    for (const QImage& picture : pictures) {
        for (const QSize size : sizes) {
            SCOPED_TRACE(testing::Message()
                         << picture.size().width() << "x" << picture.size().height() << " to "
                         << size.width() << "x" << size.height());
            const QImage want =
                picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QImage got = smoothStretched(picture, size);
            EXPECT_EQ(got.format(), want.format());
            EXPECT_TRUE(got == want);
        }
    }
    // A window picture stretched to its place is the file's picture scaled.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("background.png"));
    ASSERT_TRUE(pictures[0].save(file, "PNG"));
    const QSize place(997, 640);
    EXPECT_TRUE(
        sharpPicture(file, place, 1).toImage() ==
        QPixmap(file).scaled(place, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage());
}
