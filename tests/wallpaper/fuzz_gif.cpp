// Fuzz target for the GIF reader (giflib behind our wrapper): any input
// decodes or raises PictureError, never crashes or leaks; a decoded first
// frame is a paletted picture that survives the BMP writer unchanged.
#include "fuzz_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/gif_codec.h"
#include "wallpaper/picture_error.h"

namespace {

void check(const QByteArray& input) {
    using namespace kuvano::wallpaper;
    QImage image;
    try {
        image = decodeGifFirstFrame(input);
    } catch (const PictureError&) {
        return;
    }
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() < 1 ||
        image.colorCount() > 256 || !pictureSizeOk(image.width(), image.height()))
        kuvano::fuzz::fail("fuzz_gif", "decoded an impossible picture", input);
    const QImage again = decodeBmp(encodeBmp(image));
    if (again.convertToFormat(QImage::Format_RGB32) != image.convertToFormat(QImage::Format_RGB32))
        kuvano::fuzz::fail("fuzz_gif", "the BMP writer changed the pixels", input);
}

} // namespace

#ifdef KUVANO_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
#else
int main(int argc, char** argv) {
    return kuvano::fuzz::boundedRun("fuzz_gif", QStringLiteral(KUVANO_FUZZ_SEEDS), argc, argv,
                                    check);
}
#endif
