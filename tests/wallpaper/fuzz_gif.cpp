// Fuzz target for the GIF reader, giflib behind our wrapper (see
// fuzz_support.h for what it checks): a first frame always comes back paletted.
#include "fuzz_support.h"
#include "wallpaper/gif_codec.h"

namespace {
void check(const QByteArray& input) {
    kuvano::fuzz::checkPicture("fuzz_gif", input, [&](const QByteArray& bytes) {
        QImage image = kuvano::wallpaper::decodeGifFirstFrame(bytes);
        if (image.format() != QImage::Format_Indexed8)
            kuvano::fuzz::fail("fuzz_gif", "a frame that is not paletted", input);
        return image;
    });
}
} // namespace

KUVANO_FUZZ_ENTRY("fuzz_gif")
