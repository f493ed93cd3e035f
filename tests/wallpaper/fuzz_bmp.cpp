// Fuzz target for the BMP reader: any input decodes or raises PictureError,
// never crashes; what decodes writes and reads back to the same pixels.
#include "fuzz_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/picture_error.h"

namespace {

void check(const QByteArray& input) {
    using namespace kuvano::wallpaper;
    QImage image;
    try {
        image = decodeBmp(input);
    } catch (const PictureError&) {
        return;
    }
    if (image.isNull() || !pictureSizeOk(image.width(), image.height()))
        kuvano::fuzz::fail("fuzz_bmp", "decoded an impossible picture", input);
    const QImage again = decodeBmp(encodeBmp(image));
    if (again.convertToFormat(QImage::Format_RGB32) != image.convertToFormat(QImage::Format_RGB32))
        kuvano::fuzz::fail("fuzz_bmp", "write and read changed the pixels", input);
}

} // namespace

#ifdef KUVANO_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
#else
int main(int argc, char** argv) {
    return kuvano::fuzz::boundedRun("fuzz_bmp", QStringLiteral(KUVANO_FUZZ_SEEDS), argc, argv,
                                    check);
}
#endif
