#include "picture_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/gif_codec.h"
#include "wallpaper/image_files.h"
#include "wallpaper/jpeg_codec.h"
#include "wallpaper/picture_error.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kuvano::wallpaper;
using kuvano::test::dataPath;
using kuvano::test::fileBytes;
using kuvano::test::pixelDifference;
using kuvano::test::writeFileBytes;

namespace {

QByteArray fixture(const char* name) {
    return fileBytes(dataPath(QString::fromLatin1(name)));
}

// Whether the JPEG's frame header is baseline (SOF0) and how many components it has.
struct JpegFrame {
    int marker = 0;
    int components = 0;
};
JpegFrame frameOf(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xff && (uchar(jpeg[i + 1]) & 0xf0) == 0xc0 &&
            uchar(jpeg[i + 1]) != 0xc4 && uchar(jpeg[i + 1]) != 0xcc)
            return {uchar(jpeg[i + 1]), uchar(jpeg[i + 9])};
    return {};
}

double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) * 255 / (w + h)));
    return image;
}

} // namespace

TEST(Jpeg, DecodesColourGreyCmykAndProgressivePictures) {
    const QImage colour = decodeJpeg(fixture("wallpaper/colour.jpg"));
    EXPECT_EQ(colour.size(), QSize(40, 24));
    EXPECT_EQ(colour.format(), QImage::Format_BGR888);
    EXPECT_EQ(pixelDifference(colour, QImage(dataPath(QStringLiteral("wallpaper/colour.jpg"))), 2),
              QString());

    const QImage grey = decodeJpeg(fixture("wallpaper/gray.jpg"));
    EXPECT_EQ(grey.format(), QImage::Format_Indexed8);
    ASSERT_EQ(grey.colorCount(), 256);
    EXPECT_EQ(grey.color(200), qRgb(200, 200, 200));
    EXPECT_EQ(bmpDepthFor(grey), 8);

    EXPECT_LT(meanDifference(decodeJpeg(fixture("wallpaper/cmyk.jpg")), colour), 6.0);
    EXPECT_LT(meanDifference(decodeJpeg(fixture("wallpaper/progressive.jpg")), colour), 3.0);
}

TEST(Jpeg, EncodesBaselineColourAtTheGivenQuality) {
    const QImage picture = gradient(64, 48);
    const QByteArray q90 = encodeJpeg(picture, 90);
    EXPECT_TRUE(q90.startsWith("\xff\xd8"));
    EXPECT_EQ(frameOf(q90).marker, 0xc0); // SOF0: baseline, not progressive
    EXPECT_EQ(frameOf(q90).components, 3);
    EXPECT_LT(meanDifference(decodeJpeg(q90), picture), 2.0);
    EXPECT_GT(encodeJpeg(picture, 100).size(), q90.size());
    EXPECT_LT(encodeJpeg(picture, 30).size(), q90.size());

    // A grey picture still makes a colour JPEG.
    QImage grey(8, 8, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i) table.append(qRgb(i, i, i));
    grey.setColorTable(table);
    grey.fill(100);
    EXPECT_EQ(frameOf(encodeJpeg(grey, 90)).components, 3);
}

TEST(Jpeg, CorruptOrTruncatedFilesAreErrors) {
    const QByteArray good = encodeJpeg(gradient(64, 48), 90);
    QByteArray hugeFrame = good;
    const qsizetype sof = good.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    hugeFrame[sof + 5] = char(0xff), hugeFrame[sof + 6] = char(0xff); // height 65535
    hugeFrame[sof + 7] = char(0xff), hugeFrame[sof + 8] = char(0xff); // width 65535
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArrayLiteral("not a picture at all")},
        {"the first half", good.left(good.size() / 2)},
        {"header only", good.left(sof + 20)},
        {"a huge declared size", hugeFrame},
        {"a GIF", fixture("gif/anim.gif")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(decodeJpeg(c.bytes), PictureError);
    }
}

TEST(Gif, TakesTheFirstFrameOnTheLogicalScreen) {
    const QImage pattern(dataPath(QStringLiteral("wallpaper/pattern.png")));
    const QImage first = decodeGifFirstFrame(fixture("gif/anim.gif"));
    EXPECT_EQ(first.format(), QImage::Format_Indexed8);
    EXPECT_EQ(pixelDifference(first, pattern), QString()); // not the red second frame
    EXPECT_EQ(pixelDifference(decodeGifFirstFrame(fixture("gif/interlaced.gif")), pattern),
              QString());

    // A 13 x 7 frame at (4, 3) on a 20 x 12 screen of the background colour.
    const QImage offset = decodeGifFirstFrame(fixture("gif/offset.gif"));
    ASSERT_EQ(offset.size(), QSize(20, 12));
    EXPECT_EQ(pixelDifference(offset.copy(4, 3, 13, 7), pattern), QString());
    const QRgb outside = offset.pixel(0, 0);
    for (const QPoint p : {QPoint(19, 11), QPoint(3, 5), QPoint(17, 2), QPoint(10, 10)})
        EXPECT_EQ(offset.pixel(p), outside);
    EXPECT_LE(offset.colorCount(), 256);
}

TEST(Gif, BrokenOrMislabelledFilesAreErrors) {
    const QByteArray anim = fixture("gif/anim.gif");
    QByteArray hugeScreen = anim;
    hugeScreen[6] = char(0xff), hugeScreen[7] = char(0xff), hugeScreen[8] = char(0xff),
    hugeScreen[9] = char(0xff);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"a JPEG", fixture("wallpaper/colour.jpg")},
        {"header only", anim.left(13)},
        {"cut inside the first frame", anim.left(60)},
        {"no frame at all", anim.left(13 + 3 * 32).append(char(0x3b))},
        {"a huge logical screen", hugeScreen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(decodeGifFirstFrame(c.bytes), PictureError);
    }
}

TEST(ImageFiles, ProducedNamesReplaceTheExtensionOfTheFileName) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"/p/Sea.JPEG", "/p/Sea.bmp"},    {"/p/photo.JPG", "/p/photo.bmp"},
        {"/p/a.tar.gif", "/p/a.tar.bmp"}, {"/p.d/noext", "/p.d/noext.bmp"},
        {"/p/dot.", "/p/dot.bmp"},        {"/p/海边.jpeg", "/p/海边.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(producedBmpName(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(ImageFiles, PicToBmpConvertsBesideTheSourceByExtension) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
    writeFileBytes(path("Sea.JPEG"), fixture("wallpaper/colour.jpg"));
    writeFileBytes(path("Sea.BMP"), QByteArrayLiteral("not even a bitmap"));
    writeFileBytes(path("Sea.png"), fileBytes(dataPath(QStringLiteral("wallpaper/pattern.png"))));
    writeFileBytes(path("Anim.Gif"), fixture("gif/anim.gif"));
    writeFileBytes(path("grey.jpg"), fixture("wallpaper/gray.jpg"));

    EXPECT_EQ(PicToBmp(path("Sea.JPEG")), path("Sea.bmp"));
    const QByteArray seaBmp = fileBytes(path("Sea.bmp"));
    EXPECT_EQ(qFromLittleEndian<quint16>(seaBmp.constData() + 28), 24);
    EXPECT_EQ(decodeBmp(seaBmp).size(), QSize(40, 24));

    EXPECT_EQ(PicToBmp(path("Sea.BMP")), path("Sea.BMP")); // not opened, so not judged
    EXPECT_EQ(PicToBmp(path("Sea.png")), QString());
    EXPECT_FALSE(QFileInfo::exists(path("Sea.bmp.png")));

    EXPECT_EQ(PicToBmp(path("Anim.Gif")), path("Anim.bmp"));
    const QByteArray gifBmp = fileBytes(path("Anim.bmp"));
    EXPECT_LE(qFromLittleEndian<quint16>(gifBmp.constData() + 28), 8);
    EXPECT_EQ(pixelDifference(decodeBmp(gifBmp),
                              QImage(dataPath(QStringLiteral("wallpaper/pattern.png")))),
              QString());

    EXPECT_EQ(PicToBmp(path("grey.jpg")), path("grey.bmp"));
    EXPECT_EQ(qFromLittleEndian<quint16>(fileBytes(path("grey.bmp")).constData() + 28), 8);

    // A JPEG named .gif fails in the GIF decoder, and writes nothing.
    writeFileBytes(path("fake.gif"), fixture("wallpaper/colour.jpg"));
    EXPECT_THROW(PicToBmp(path("fake.gif")), PictureError);
    EXPECT_FALSE(QFileInfo::exists(path("fake.bmp")));
    EXPECT_THROW(PicToBmp(path("missing.jpg")), PictureError);
}

TEST(ImageFiles, StretchingDropsOrRepeatsPixelsNeverAverages) {
    QImage checker(4, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) checker.setPixel(x, y, (x + y) % 2 ? 0xff000000 : 0xffffffff);
    // Twice the size: every pixel repeated as a 2 x 2 block.
    const QImage up = stretchColorOnColor(checker, 8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(up.pixel(x, y), checker.pixel(x / 2, y / 2));
    // Odd sizes both ways: only the two source colours ever appear.
    for (const QSize s : {QSize(3, 7), QSize(13, 1), QSize(1280, 768)}) {
        const QImage out = stretchColorOnColor(checker, s.width(), s.height());
        EXPECT_EQ(out.size(), s);
        QSet<QRgb> colours;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) colours.insert(out.pixel(x, y));
        EXPECT_LE(colours.size(), 2);
    }
    EXPECT_THROW(stretchColorOnColor(checker, 0, 5), PictureError);
}

TEST(ImageFiles, StretchBmpInPlaceAndTheJpegRoundTrip) {
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.bmp"));
    saveBmp(gradient(1600, 1200).convertToFormat(QImage::Format_RGB888), big);
    StretchBmp(big, big, 1280, 768);
    const QImage stretched = loadBmp(big);
    EXPECT_EQ(stretched.size(), QSize(1280, 768));
    EXPECT_EQ(qFromLittleEndian<quint16>(fileBytes(big).constData() + 28),
              32); // the display's depth

    const QString jpg = dir.filePath(QStringLiteral("Mix.Jpg"));
    BmpToJpg(big, jpg);
    EXPECT_EQ(frameOf(fileBytes(jpg)).marker, 0xc0);
    EXPECT_EQ(JpgToBmp(jpg), dir.filePath(QStringLiteral("Mix.bmp")));
    const QImage back = loadBmp(dir.filePath(QStringLiteral("Mix.bmp")));
    EXPECT_LT(meanDifference(back, stretched), 2.0);

    EXPECT_THROW(StretchBmp(dir.filePath(QStringLiteral("none.bmp")), big, 10, 10), PictureError);
    EXPECT_EQ(loadBmp(big).size(), QSize(1280, 768));
}
