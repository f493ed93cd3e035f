#include "wallpaper/gif_codec.h"

#include "wallpaper/picture_error.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace kuvano::wallpaper {
namespace {

struct Source {
    const GifByteType* data;
    qsizetype size;
    qsizetype pos;
};

extern "C" int readFromMemory(GifFileType* gif, GifByteType* out, int wanted) {
    auto* src = static_cast<Source*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(wanted, src->size - src->pos);
    if (n <= 0) return 0;
    std::memcpy(out, src->data + src->pos, size_t(n));
    src->pos += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void fail(int code) {
    const char* text = GifErrorString(code);
    throw PictureError(QStringLiteral("不是有效的 GIF 图片：") +
                       (text ? QString::fromLatin1(text) : QString::number(code)));
}

void check(GifFileType* gif, int result) {
    if (result == GIF_ERROR) fail(gif->Error);
}

// Skips records up to the first image descriptor and reads it.
void readFirstDescriptor(GifFileType* gif) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        check(gif, DGifGetRecordType(gif, &type));
        if (type == IMAGE_DESC_RECORD_TYPE) {
            check(gif, DGifGetImageDesc(gif));
            return;
        }
        if (type == TERMINATE_RECORD_TYPE) throw PictureError(QStringLiteral("GIF 图片中没有画面"));
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            check(gif, DGifGetExtension(gif, &code, &block));
            while (block) check(gif, DGifGetExtensionNext(gif, &block));
        }
    }
}

int nearestIndex(const ColorMapObject* map, GifColorType c) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& e = map->Colors[i];
        const long dr = e.Red - c.Red, dg = e.Green - c.Green, db = e.Blue - c.Blue;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

} // namespace

QImage decodeGifFirstFrame(const QByteArray& bytes) {
    Source source{reinterpret_cast<const GifByteType*>(bytes.constData()), bytes.size(), 0};
    int error = 0;
    GifHandle gif(DGifOpen(&source, readFromMemory, &error));
    if (!gif) fail(error);
    readFirstDescriptor(gif.get());

    const GifImageDesc& frame = gif->Image;
    const qint64 fw = frame.Width, fh = frame.Height;
    // A logical screen of 0 (some writers) means the frame's own size.
    const qint64 sw = gif->SWidth > 0 ? gif->SWidth : fw, sh = gif->SHeight > 0 ? gif->SHeight : fh;
    if (!pictureSizeOk(fw, fh) || !pictureSizeOk(sw, sh))
        throw PictureError(QStringLiteral("GIF 图片尺寸不对（%1 x %2）").arg(sw).arg(sh));
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount < 1) throw PictureError(QStringLiteral("GIF 图片缺少调色板"));

    std::vector<GifByteType> pixels(size_t(fw * fh));
    // Interlaced frames store rows in four passes: every 8th from 0, every
    // 8th from 4, every 4th from 2, every 2nd from 1.
    static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int p = 0; p < passes; ++p) {
        const int start = frame.Interlace ? passStart[p] : 0,
                  step = frame.Interlace ? passStep[p] : 1;
        for (qint64 y = start; y < fh; y += step)
            check(gif.get(), DGifGetLine(gif.get(), pixels.data() + y * fw, int(fw)));
    }

    QImage image(int(sw), int(sh), QImage::Format_Indexed8);
    if (image.isNull()) throw PictureError(QStringLiteral("GIF 图片太大，内存不足"));
    QList<QRgb> table(map->ColorCount);
    for (int i = 0; i < map->ColorCount; ++i)
        table[i] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    image.setColorTable(table);

    int background = 0;
    if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount)
        background = nearestIndex(map, gif->SColorMap->Colors[gif->SBackGroundColor]);
    if (fw != sw || fh != sh) image.fill(uint(background));
    const qint64 left = (fw == sw && fh == sh) ? 0 : frame.Left;
    const qint64 top = (fw == sw && fh == sh) ? 0 : frame.Top;
    for (qint64 y = 0; y < fh && top + y < sh; ++y) {
        uchar* row = image.scanLine(int(top + y));
        const GifByteType* src = pixels.data() + y * fw;
        for (qint64 x = 0; x < fw && left + x < sw; ++x)
            row[left + x] = src[x] < map->ColorCount ? src[x] : uchar(background);
    }
    return image;
}

} // namespace kuvano::wallpaper
