#include "wallpaper/jpeg_codec.h"

#include "wallpaper/picture_error.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace kuvano::wallpaper {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return:
// ours jumps back into the guarded function that made the library call. The
// guarded functions below hold only plain data, so the jump skips no destructor.
struct ErrorManager {
    jpeg_error_mgr pub; // first: libjpeg sees only this part
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
    int truncation; // a warning that means missing picture data
};

extern "C" void jumpOnError(j_common_ptr c) {
    auto* err = reinterpret_cast<ErrorManager*>(c->err);
    (*c->err->format_message)(c, err->text);
    std::longjmp(err->jump, 1);
}

extern "C" void noteWarning(j_common_ptr c, int level) {
    if (level >= 0) return; // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(c->err);
    const int code = c->err->msg_code;
    if ((code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) && !err->truncation) {
        err->truncation = code;
        (*c->err->format_message)(c, err->text);
    }
}

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOnError;
    err.pub.emit_message = noteWarning;
    err.text[0] = '\0';
    err.truncation = 0;
}

[[noreturn]] void fail(const ErrorManager& err, const char16_t* what) {
    throw PictureError(QString::fromUtf16(what) + QString::fromLocal8Bit(err.text));
}

// ---- decoding ----

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    bool created = false;
    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

bool createDecompress(Decompressor* d) {
    d->cinfo.err = &d->err.pub;
    if (setjmp(d->err.jump)) return false;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    return true;
}

bool startDecompress(Decompressor* d, const unsigned char* data, unsigned long size) {
    if (setjmp(d->err.jump)) return false;
    jpeg_mem_src(&d->cinfo, data, size);
    jpeg_read_header(&d->cinfo, TRUE);
    switch (d->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d->cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d->cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        d->cinfo.out_color_space = JCS_EXT_BGR;
        break;
    }
    d->cinfo.scale_num = d->cinfo.scale_denom = 1; // full size
    jpeg_calc_output_dimensions(&d->cinfo);
    if (!pictureSizeOk(d->cinfo.output_width, d->cinfo.output_height)) return true;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

bool readRows(Decompressor* d, unsigned char* bits, qsizetype stride) {
    if (setjmp(d->err.jump)) return false;
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = bits + stride * qsizetype(d->cinfo.output_scanline);
        jpeg_read_scanlines(&d->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

// Adobe's CMYK JPEGs store the inks inverted: 255 is no ink.
void cmykRowsToBgr(QImage& cmyk, QImage& bgr) {
    for (int y = 0; y < cmyk.height(); ++y) {
        const uchar* s = cmyk.constScanLine(y);
        uchar* t = bgr.scanLine(y);
        for (int x = 0; x < cmyk.width(); ++x, s += 4, t += 3) {
            const int k = s[3];
            t[0] = uchar(s[2] * k / 255), t[1] = uchar(s[1] * k / 255),
            t[2] = uchar(s[0] * k / 255);
        }
    }
}

// ---- encoding ----

struct Compressor {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    bool created = false;
    unsigned char* buffer = nullptr; // grown by libjpeg with malloc
    unsigned long size = 0;
    ~Compressor() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

bool createCompress(Compressor* c) {
    c->cinfo.err = &c->err.pub;
    if (setjmp(c->err.jump)) return false;
    jpeg_create_compress(&c->cinfo);
    c->created = true;
    return true;
}

bool compress(Compressor* c, const uchar* bits, qsizetype stride, int width, int height,
              int quality) {
    if (setjmp(c->err.jump)) return false;
    jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
    c->cinfo.image_width = JDIMENSION(width);
    c->cinfo.image_height = JDIMENSION(height);
    c->cinfo.input_components = 4;
    c->cinfo.in_color_space = JCS_EXT_BGRX; // Format_RGB32 in memory on little-endian machines
    jpeg_set_defaults(&c->cinfo);           // baseline Huffman coding, YCbCr
    jpeg_set_quality(&c->cinfo, quality, TRUE);
    jpeg_start_compress(&c->cinfo, TRUE);
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(bits + stride * qsizetype(c->cinfo.next_scanline));
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& bytes) {
    Decompressor d;
    initErrors(d.err);
    if (!createDecompress(&d)) fail(d.err, u"无法初始化 JPEG 解码：");
    if (!startDecompress(&d, reinterpret_cast<const unsigned char*>(bytes.constData()),
                         static_cast<unsigned long>(bytes.size())))
        fail(d.err, u"不是有效的 JPEG 图片：");
    const jpeg_decompress_struct& ci = d.cinfo;
    if (!pictureSizeOk(ci.output_width, ci.output_height))
        throw PictureError(
            QStringLiteral("JPEG 图片太大（%1 x %2）").arg(ci.output_width).arg(ci.output_height));
    const bool grey = ci.out_color_space == JCS_GRAYSCALE;
    const bool cmyk = ci.out_color_space == JCS_CMYK;
    QImage image(int(ci.output_width), int(ci.output_height),
                 grey   ? QImage::Format_Indexed8
                 : cmyk ? QImage::Format_RGBX8888
                        : QImage::Format_BGR888);
    if (image.isNull()) throw PictureError(QStringLiteral("JPEG 图片太大，内存不足"));
    if (!readRows(&d, image.bits(), image.bytesPerLine())) fail(d.err, u"JPEG 图片已损坏：");
    if (d.err.truncation) fail(d.err, u"JPEG 图片不完整：");
    if (grey) {
        QList<QRgb> table(256);
        for (int i = 0; i < 256; ++i) table[i] = qRgb(i, i, i);
        image.setColorTable(table);
    } else if (cmyk) {
        QImage bgr(image.width(), image.height(), QImage::Format_BGR888);
        if (bgr.isNull()) throw PictureError(QStringLiteral("JPEG 图片太大，内存不足"));
        cmykRowsToBgr(image, bgr);
        image = bgr;
    }
    return image;
}

QByteArray encodeJpeg(const QImage& source, int quality) {
    if (source.isNull()) throw PictureError(QStringLiteral("没有可保存的图片"));
    const QImage image = source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    Compressor c;
    initErrors(c.err);
    if (!createCompress(&c)) fail(c.err, u"无法初始化 JPEG 编码：");
    if (!compress(&c, image.constBits(), image.bytesPerLine(), image.width(), image.height(),
                  quality))
        fail(c.err, u"JPEG 编码失败：");
    return QByteArray(reinterpret_cast<const char*>(c.buffer), qsizetype(c.size));
}

} // namespace kuvano::wallpaper
