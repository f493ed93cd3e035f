#include "picture_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/picture_error.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace kuvano::wallpaper;
using kuvano::test::dataPath;
using kuvano::test::fileBytes;
using kuvano::test::Le;
using kuvano::test::pixelDifference;

namespace {

// A bitmap file around the given pixel bytes: 14-byte file header, a header
// of `headerSize` bytes (40 and up), then `extra` (masks, palette), then the pixels.
QByteArray bmpFile(int width, int height, int bpp, int compression, const QByteArray& extra,
                   const QByteArray& pixels, int headerSize = 40, int clrUsed = 0) {
    Le h;
    h.u32(headerSize).u32(width).u32(quint32(height)).u16(1).u16(bpp).u32(compression);
    h.u32(pixels.size()).u32(2835).u32(2835).u32(clrUsed).u32(0);
    while (h.size() < headerSize) h.u8(0);
    Le f;
    const qint64 offset = 14 + headerSize + extra.size();
    f.u16(0x4d42).u32(offset + pixels.size()).u32(0).u32(offset);
    return f.raw(h.bytes()).raw(extra).raw(pixels).bytes();
}

QByteArray palette(std::initializer_list<QRgb> colours) {
    Le p;
    for (QRgb c : colours) p.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
    return p.bytes();
}

QImage rgb(int w, int h, std::initializer_list<QRgb> pixels) {
    QImage image(w, h, QImage::Format_RGB32);
    auto it = pixels.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, *it++);
    return image;
}

constexpr QRgb R = 0xffff0000, G = 0xff00ff00, B = 0xff0000ff, W = 0xffffffff, K = 0xff000000;

} // namespace

// Every fixture made by another writer reads as Qt's own reader reads it, and
// the lossless ones as the PNG they were made from.
TEST(BmpReader, ReadsTheFilesOtherWritersMake) {
    const QImage pattern(dataPath(QStringLiteral("wallpaper/pattern.png")));
    const QImage few(dataPath(QStringLiteral("wallpaper/few.png")));
    ASSERT_FALSE(pattern.isNull());
    struct Case {
        const char* file;
        QImage::Format format;
        const QImage* source; // exact reference, or null
        int tolerance;        // against Qt's reader
    };
    const Case cases[] = {
        {"p24.bmp", QImage::Format_RGB32, &pattern, 0},
        {"p24v5.bmp", QImage::Format_RGB32, &pattern, 0},
        {"p32v5.bmp", QImage::Format_RGB32, &pattern, 0},
        // Qt shifts 5-bit channels up, we scale them: up to 8 apart.
        {"p565.bmp", QImage::Format_RGB32, nullptr, 8},
        {"p555.bmp", QImage::Format_RGB32, nullptr, 8},
        {"p8.bmp", QImage::Format_Indexed8, &pattern, 0},
        {"rle8.bmp", QImage::Format_Indexed8, &pattern, 0},
        {"p8core.bmp", QImage::Format_Indexed8, &pattern, 0},
        {"p4.bmp", QImage::Format_Indexed8, &few, 0},
        {"p1.bmp", QImage::Format_Indexed8, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray bytes =
            fileBytes(dataPath(QStringLiteral("bmp/") + QLatin1String(c.file)));
        ASSERT_FALSE(bytes.isEmpty());
        const QImage ours = decodeBmp(bytes);
        EXPECT_EQ(ours.format(), c.format);
        const QImage qts = QImage::fromData(bytes, "BMP");
        if (!qts.isNull()) {
            EXPECT_EQ(pixelDifference(ours, qts, c.tolerance), QString());
        }
        if (c.source) {
            EXPECT_EQ(pixelDifference(ours, *c.source), QString());
        }
    }
    // 16-bit channels scale to the full 0..255 range: within one 5-bit step
    // (the writer truncated to 5 bits).
    for (const char* name : {"bmp/p565.bmp", "bmp/p555.bmp"})
        EXPECT_EQ(pixelDifference(decodeBmp(fileBytes(dataPath(QLatin1String(name)))), pattern, 8),
                  QString())
            << name;
}

// The variants hand-made byte by byte: the corners common writers reach.
TEST(BmpReader, ReadsTheVariantsOfTheFormat) {
    struct Case {
        const char* name;
        QByteArray file;
        QImage expected;
    };
    const std::vector<Case> cases = {
        {"24-bit top-down (negative height)",
         bmpFile(
             2, -2, 24, 0, {},
             Le().raw({0, 0, 255, 0, 255, 0, 0, 0}).raw({255, 0, 0, 255, 255, 255, 0, 0}).bytes()),
         rgb(2, 2, {R, G, B, W})},
        {"24-bit bottom-up without the last row's padding",
         bmpFile(1, 2, 24, 0, {}, Le().raw({255, 0, 0, 0, 0, 0, 255}).bytes()), rgb(1, 2, {R, B})},
        {"32-bit, fourth byte 0",
         bmpFile(2, 1, 32, 0, {}, Le().raw({0, 0, 255, 0, 255, 255, 255, 0}).bytes()),
         rgb(2, 1, {R, W})},
        {"16-bit without masks is 5-5-5",
         bmpFile(2, 1, 16, 0, {}, Le().u16(0x7c00).u16(0x001f).bytes()), rgb(2, 1, {R, B})},
        {"16-bit 5-6-5 masks after a 40-byte header",
         bmpFile(2, 1, 16, 3, Le().u32(0xf800).u32(0x07e0).u32(0x001f).bytes(),
                 Le().u16(0x07e0).u16(0xffff).bytes()),
         rgb(2, 1, {G, W})},
        {"32-bit alpha bit fields after a 40-byte header",
         bmpFile(1, 1, 32, 6, Le().u32(0xff).u32(0xff00).u32(0xff0000).u32(0xff000000).bytes(),
                 Le().u32(0x800000ff).bytes()),
         rgb(1, 1, {R})},
        {"2-bit palette",
         bmpFile(4, 1, 2, 0, palette({K, R, G, B}), Le().raw({0x1b, 0, 0, 0}).bytes()),
         rgb(4, 1, {K, R, G, B})},
        {"a short palette and an index past it (black)",
         bmpFile(3, 1, 4, 0, palette({W, R}), Le().raw({0x01, 0x50, 0, 0}).bytes(), 40, 2),
         rgb(3, 1, {W, R, K})},
        // RLE4: a literal of 5 (3 bytes, padded to 4), a run of 1, end of line;
        // a delta right 2 and up 0, a run of 2 alternating, end of picture.
        // Stored row 0 is the bottom row.
        {"RLE4 with a padded literal, runs and a delta",
         bmpFile(6, 2, 4, 2, palette({K, R, G, B}),
                 Le().raw({0, 5, 0x12, 0x31, 0x20, 0, 1, 0x30, 0, 0})
                     .raw({0, 2, 2, 0, 2, 0x20, 0, 1})
                     .bytes()),
         rgb(6, 2, {K, K, G, K, K, K, R, G, B, R, G, B})},
        {"RLE8 stops at the last line without an end code",
         bmpFile(2, 1, 8, 1, palette({K, R, G}), Le().raw({2, 2, 0, 0}).bytes()),
         rgb(2, 1, {G, G})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image;
        try {
            image = decodeBmp(c.file);
        } catch (const PictureError& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_EQ(pixelDifference(image, c.expected), QString());
    }
}

TEST(BmpReader, RefusesBrokenFilesWithAnError) {
    const QByteArray good = bmpFile(2, 2, 24, 0, {}, QByteArray(16, '\x7f'));
    QByteArray truncated = good;
    truncated.chop(5);
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    QByteArray hugeHeader = good;
    hugeHeader[14] = char(0xff);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"only the magic", QByteArrayLiteral("BM")},
        {"not a bitmap", badMagic},
        {"a header longer than the file", hugeHeader},
        {"truncated pixels", truncated},
        {"width 0", bmpFile(0, 2, 24, 0, {}, QByteArray(16, 0))},
        {"negative width", bmpFile(-3, 2, 24, 0, {}, QByteArray(16, 0))},
        {"a huge declared size", bmpFile(30000, 30000, 24, 0, {}, QByteArray(64, 0))},
        {"a huge size in RLE", bmpFile(20000, 20000, 8, 1, palette({K}), QByteArray(64, 0))},
        {"3 bits per pixel", bmpFile(2, 2, 3, 0, {}, QByteArray(16, 0))},
        {"an embedded JPEG", bmpFile(2, 2, 24, 4, {}, QByteArray(16, 0))},
        {"RLE8 at 24 bits", bmpFile(2, 2, 24, 1, {}, QByteArray(16, 0))},
        {"RLE rows top-down", bmpFile(2, -2, 8, 1, palette({K}), Le().raw({0, 1}).bytes())},
        {"RLE running out of data",
         bmpFile(4, 4, 8, 1, palette({K}), Le().raw({2, 0, 0, 0, 0, 5, 1}).bytes())},
        {"a palette picture without a palette",
         bmpFile(2, 1, 8, 0, {}, QByteArray(4, 0)).left(54 + 2)},
        {"bit fields without masks", bmpFile(2, 1, 16, 3, {}, {}).left(56)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(decodeBmp(c.bytes), PictureError);
    }
}

// Written at the depth of the picture held, and read back the same by us and by Qt.
TEST(BmpWriter, KeepsTheDepthOfThePictureAndRoundTrips) {
    QImage colour(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) colour.setPixel(x, y, qRgb(40 * x, 80 * y, 200 - 30 * x));
    const auto indexed = [&](int colours) {
        QImage image(5, 3, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i) table.append(qRgb(i * 7, 255 - i, i * 3));
        image.setColorTable(table);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) image.setPixel(x, y, uint((x * 3 + y) % colours));
        return image;
    };
    const struct {
        const char* name;
        QImage image;
        int bpp;
    } cases[] = {
        {"2 colours", indexed(2), 1},
        {"16 colours", indexed(16), 4},
        {"17 colours", indexed(17), 8},
        {"grey palette", indexed(256), 8},
        {"RGB888", colour.convertToFormat(QImage::Format_RGB888), 24},
        {"BGR888", colour.convertToFormat(QImage::Format_BGR888), 24},
        {"RGB32", colour, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = encodeBmp(c.image);
        EXPECT_EQ(bmpDepthFor(c.image), c.bpp);
        EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), c.bpp);
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 2), quint32(bytes.size()));
        EXPECT_EQ(pixelDifference(decodeBmp(bytes), c.image), QString());
        EXPECT_EQ(pixelDifference(QImage::fromData(bytes, "BMP"), c.image), QString());
    }
}

TEST(BmpFiles, SavingReplacesWholeOrLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    saveBmp(image, path);
    const QByteArray first = fileBytes(path);
    EXPECT_EQ(pixelDifference(loadBmp(path), image), QString());
    // A picture that cannot be encoded leaves the old file as it was.
    EXPECT_THROW(saveBmp(QImage(), path), PictureError);
    EXPECT_EQ(fileBytes(path), first);
    // A missing folder: an error and no stray file.
    EXPECT_THROW(saveBmp(image, dir.filePath(QStringLiteral("no/such.bmp"))), PictureError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.bmp")});
    // Loading names the file in its error.
    try {
        loadBmp(dir.filePath(QStringLiteral("missing.bmp")));
        ADD_FAILURE() << "no error";
    } catch (const PictureError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("missing.bmp")));
    }
}
