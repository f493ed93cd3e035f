#include "wallpaper/bmp_codec.h"

#include "wallpaper/picture_error.h"
#include "wallpaper/picture_file.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

namespace kuvano::wallpaper {
namespace {

constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr int kFileHeader = 14;

[[noreturn]] void bad(const QString& why) {
    throw PictureError(QStringLiteral("不是有效的 BMP 图片：") + why);
}

// Little-endian fields at checked offsets.
class Bytes {
public:
    explicit Bytes(const QByteArray& b)
        : p_(reinterpret_cast<const uchar*>(b.constData())), n_(b.size()) {}
    qint64 size() const { return n_; }
    bool has(qint64 at, qint64 len) const {
        return at >= 0 && len >= 0 && at <= n_ && len <= n_ - at;
    }
    const uchar* at(qint64 offset) const { return p_ + offset; }
    quint16 u16(qint64 at) const { return qFromLittleEndian<quint16>(p_ + at); }
    quint32 u32(qint64 at) const { return qFromLittleEndian<quint32>(p_ + at); }
    qint32 i32(qint64 at) const { return qFromLittleEndian<qint32>(p_ + at); }

private:
    const uchar* p_;
    qint64 n_;
};

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(quint32 m) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        bits = std::countr_one(m >> shift);
        mask = ((bits >= 32 ? 0xffffffffu : (1u << bits) - 1)) << shift;
    }
    uint value(quint32 px) const {
        if (!bits) return 0;
        const quint32 v = (px & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        const quint32 max = (1u << bits) - 1;
        return (v * 255 + max / 2) / max;
    }
};

struct Layout {
    qint64 width = 0, height = 0; // height > 0; topDown says the row order
    bool topDown = false;
    int bpp = 0;
    quint32 compression = kRgb;
    quint32 masks[3] = {0, 0, 0}; // red, green, blue
    qint64 paletteOffset = 0;
    int paletteEntry = 4;
    qint64 paletteCount = 0;
    qint64 dataOffset = 0;
};

Layout readLayout(const Bytes& in) {
    if (in.size() < kFileHeader + 12 || in.u16(0) != 0x4d42) bad(QStringLiteral("文件头不对"));
    Layout l;
    l.dataOffset = in.u32(10);
    const qint64 headerSize = in.u32(14);
    if (headerSize < 12 || !in.has(kFileHeader, headerSize))
        bad(QStringLiteral("信息头长度不对（%1）").arg(headerSize));
    const bool core = headerSize == 12;
    const bool windows = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                         headerSize == 108 || headerSize == 124;
    if (!core && !windows && (headerSize < 16 || headerSize > 64))
        bad(QStringLiteral("信息头长度不对（%1）").arg(headerSize));
    qint64 clrUsed = 0;
    if (core) {
        l.width = in.u16(18);
        l.height = in.u16(20);
        l.bpp = in.u16(24);
        l.paletteEntry = 3;
    } else {
        l.width = in.i32(18);
        const qint32 h = in.i32(22);
        l.topDown = h < 0;
        l.height = h < 0 ? -qint64(h) : qint64(h);
        l.bpp = in.u16(28);
        if (headerSize >= 20) l.compression = in.u32(30);
        if (headerSize >= 36) clrUsed = in.u32(46);
        // OS/2 2.x gives 3 and 4 other meanings (Huffman, RLE24): not supported.
        if (!windows && l.compression > kRle4)
            bad(QStringLiteral("不支持的压缩方式（%1）").arg(l.compression));
    }
    if (!pictureSizeOk(l.width, l.height))
        bad(QStringLiteral("尺寸不对（%1 x %2）").arg(l.width).arg(l.height));
    switch (l.bpp) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        bad(QStringLiteral("不支持的颜色位数（%1）").arg(l.bpp));
    }
    const bool fields = l.compression == kBitFields || l.compression == kAlphaBitFields;
    if (!(l.compression == kRgb || (l.compression == kRle8 && l.bpp == 8) ||
          (l.compression == kRle4 && l.bpp == 4) || (fields && (l.bpp == 16 || l.bpp == 32))))
        bad(QStringLiteral("不支持的压缩方式（%1，%2 位）").arg(l.compression).arg(l.bpp));
    if (l.topDown && (l.compression == kRle8 || l.compression == kRle4))
        bad(QStringLiteral("压缩图片不能自上而下存放"));

    l.paletteOffset = kFileHeader + headerSize;
    if (fields) {
        qint64 at = kFileHeader + 40; // inside the header from 52 bytes on, else just after it
        if (headerSize == 40) {
            const qint64 count = l.compression == kAlphaBitFields ? 4 : 3;
            if (!in.has(at, 4 * count)) bad(QStringLiteral("缺少颜色掩码"));
            l.paletteOffset += 4 * count;
        }
        for (int c = 0; c < 3; ++c) l.masks[c] = in.u32(at + 4 * c);
    } else if (l.bpp == 16) {
        l.masks[0] = 0x7c00, l.masks[1] = 0x03e0, l.masks[2] = 0x001f;
    } else if (l.bpp > 16) {
        l.masks[0] = 0xff0000, l.masks[1] = 0xff00, l.masks[2] = 0xff;
    }

    if (l.bpp <= 8) {
        const qint64 full = qint64(1) << l.bpp;
        l.paletteCount = clrUsed > 0 && clrUsed < full ? clrUsed : full;
        // Writers that leave fewer entries than the depth holds say so by
        // where the pixels begin.
        if (l.dataOffset > l.paletteOffset)
            l.paletteCount =
                std::min(l.paletteCount, (l.dataOffset - l.paletteOffset) / l.paletteEntry);
        l.paletteCount = std::min(l.paletteCount, (in.size() - l.paletteOffset) / l.paletteEntry);
        if (l.paletteCount < 1) bad(QStringLiteral("缺少调色板"));
    }
    if (l.dataOffset == 0) l.dataOffset = l.paletteOffset + l.paletteCount * l.paletteEntry;
    if (l.dataOffset >= in.size()) bad(QStringLiteral("缺少像素数据"));
    return l;
}

QImage allocate(const Layout& l, QImage::Format format) {
    QImage image(int(l.width), int(l.height), format);
    if (image.isNull()) bad(QStringLiteral("内存不足"));
    return image;
}

QImage indexedImage(const Bytes& in, const Layout& l) {
    QImage image = allocate(l, QImage::Format_Indexed8);
    // Every index the depth can hold gets a colour: a lying pixel shows black.
    QList<QRgb> table(qsizetype(1) << l.bpp, qRgb(0, 0, 0));
    for (qint64 i = 0; i < l.paletteCount; ++i) {
        const uchar* e = in.at(l.paletteOffset + i * l.paletteEntry);
        table[qsizetype(i)] = qRgb(e[2], e[1], e[0]);
    }
    image.setColorTable(table);
    return image;
}

uchar* rowOf(QImage& image, const Layout& l, qint64 storedRow) {
    return image.scanLine(int(l.topDown ? storedRow : l.height - 1 - storedRow));
}

QImage uncompressed(const Bytes& in, const Layout& l) {
    const qint64 stride = ((l.width * l.bpp + 31) / 32) * 4;
    const qint64 lastRow = (l.width * l.bpp + 7) / 8; // some writers drop the final padding
    if (!in.has(l.dataOffset, stride * (l.height - 1) + lastRow))
        bad(QStringLiteral("像素数据不完整"));
    const int w = int(l.width);
    if (l.bpp <= 8) {
        QImage image = indexedImage(in, l);
        const int perByte = 8 / l.bpp;
        const uint mask = (1u << l.bpp) - 1;
        for (qint64 r = 0; r < l.height; ++r) {
            const uchar* src = in.at(l.dataOffset + r * stride);
            uchar* dst = rowOf(image, l, r);
            if (l.bpp == 8) {
                std::memcpy(dst, src, size_t(w));
                continue;
            }
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - l.bpp * (x % perByte + 1);
                dst[x] = uchar((src[x / perByte] >> shift) & mask);
            }
        }
        return image;
    }
    QImage image = allocate(l, QImage::Format_RGB32);
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    const bool plain32 =
        l.bpp == 32 && red.mask == 0xff0000 && green.mask == 0xff00 && blue.mask == 0xff;
    for (qint64 r = 0; r < l.height; ++r) {
        const uchar* src = in.at(l.dataOffset + r * stride);
        auto* dst = reinterpret_cast<QRgb*>(rowOf(image, l, r));
        if (l.bpp == 24) {
            for (int x = 0; x < w; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
        } else if (plain32) {
            for (int x = 0; x < w; ++x)
                dst[x] = 0xff000000u | qFromLittleEndian<quint32>(src + 4 * x);
        } else {
            for (int x = 0; x < w; ++x) {
                const quint32 px = l.bpp == 16 ? qFromLittleEndian<quint16>(src + 2 * x)
                                               : qFromLittleEndian<quint32>(src + 4 * x);
                dst[x] = qRgb(int(red.value(px)), int(green.value(px)), int(blue.value(px)));
            }
        }
    }
    return image;
}

// Run-length coded rows (RLE8, RLE4): pixels no code reaches stay index 0.
QImage runLength(const Bytes& in, const Layout& l) {
    QImage image = indexedImage(in, l);
    image.fill(0);
    const bool four = l.compression == kRle4;
    const qint64 w = l.width, h = l.height;
    qint64 x = 0, y = 0, pos = l.dataOffset;
    const auto put = [&](uint index) {
        if (x < w && y < h) rowOf(image, l, y)[x] = uchar(index);
        x = std::min(x + 1, w);
    };
    while (y < h) {
        if (!in.has(pos, 2)) bad(QStringLiteral("像素数据不完整"));
        const uint count = *in.at(pos), code = *in.at(pos + 1);
        pos += 2;
        if (count > 0) {
            for (uint i = 0; i < count && x < w; ++i)
                put(four ? (i % 2 ? code & 15 : code >> 4) : code);
            continue;
        }
        if (code == 0) { // end of line
            x = 0;
            ++y;
        } else if (code == 1) { // end of picture
            break;
        } else if (code == 2) { // delta
            if (!in.has(pos, 2)) bad(QStringLiteral("像素数据不完整"));
            x = std::min(x + *in.at(pos), w);
            y += *in.at(pos + 1);
            pos += 2;
        } else { // `code` literal pixels, padded to a 16-bit boundary
            const qint64 bytes = four ? (code + 1) / 2 : code;
            if (!in.has(pos, bytes)) bad(QStringLiteral("像素数据不完整"));
            for (uint i = 0; i < code; ++i) {
                const uint b = *in.at(pos + (four ? i / 2 : i));
                put(four ? (i % 2 ? b & 15 : b >> 4) : b);
            }
            pos += bytes + (bytes & 1);
        }
    }
    return image;
}

} // namespace

QImage decodeBmp(const QByteArray& bytes) {
    const Bytes in(bytes);
    const Layout l = readLayout(in);
    if (l.compression == kRle8 || l.compression == kRle4) return runLength(in, l);
    return uncompressed(in, l);
}

int bmpDepthFor(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        return image.colorCount() <= 2 ? 1 : image.colorCount() <= 16 ? 4 : 8;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return 24;
    default:
        return 32;
    }
}

QByteArray encodeBmp(const QImage& source) {
    if (source.isNull()) throw PictureError(QStringLiteral("没有可保存的图片"));
    const int bpp = bmpDepthFor(source);
    QImage image = source;
    if (bpp <= 8 && image.format() != QImage::Format_Indexed8)
        image = image.convertToFormat(QImage::Format_Indexed8);
    else if (bpp == 32 && image.format() != QImage::Format_RGB32 &&
             image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const qint64 colours = bpp <= 8 ? image.colorCount() : 0;
    const qint64 stride = ((qint64(w) * bpp + 31) / 32) * 4;
    const qint64 offset = kFileHeader + 40 + 4 * colours;
    const qint64 total = offset + stride * h;
    if (total > 0x7fffffff) throw PictureError(QStringLiteral("图片太大，无法保存为 BMP"));

    QByteArray out(qsizetype(total), '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    const auto put16 = [&](qint64 at, quint16 v) { qToLittleEndian(v, p + at); };
    const auto put32 = [&](qint64 at, quint32 v) { qToLittleEndian(v, p + at); };
    put16(0, 0x4d42);
    put32(2, quint32(total));
    put32(10, quint32(offset));
    put32(14, 40);
    put32(18, quint32(w));
    put32(22, quint32(h));
    put16(26, 1);
    put16(28, quint16(bpp));
    put32(34, quint32(stride * h));
    put32(38, 3780); // 96 dots per inch
    put32(42, 3780);
    put32(46, quint32(colours));
    for (qint64 i = 0; i < colours; ++i) {
        const QRgb c = image.color(int(i));
        uchar* e = p + kFileHeader + 40 + 4 * i;
        e[0] = uchar(qBlue(c)), e[1] = uchar(qGreen(c)), e[2] = uchar(qRed(c));
    }
    for (int r = 0; r < h; ++r) {
        const uchar* src = image.constScanLine(r);
        uchar* dst = p + offset + stride * (h - 1 - r);
        if (bpp == 32 || image.format() == QImage::Format_BGR888 || bpp == 8) {
            std::memcpy(dst, src, size_t(w) * size_t(bpp / 8));
        } else if (bpp == 24) {
            for (int x = 0; x < w; ++x, src += 3, dst += 3)
                dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
        } else {
            const int perByte = 8 / bpp;
            const uint mask = (1u << bpp) - 1;
            for (int x = 0; x < w; ++x)
                dst[x / perByte] |= uchar((src[x] & mask) << (8 - bpp * (x % perByte + 1)));
        }
    }
    return out;
}

QImage loadBmp(const QString& path) {
    const QByteArray bytes = readPictureFile(path);
    try {
        return decodeBmp(bytes);
    } catch (const PictureError& e) {
        throw PictureError(path + QStringLiteral("：") + e.message());
    }
}

void saveBmp(const QImage& image, const QString& path) {
    replaceFile(path, encodeBmp(image));
}

} // namespace kuvano::wallpaper
