// Fuzz target for the BMP reader (see fuzz_support.h for what it checks).
#include "fuzz_support.h"

namespace {
void check(const QByteArray& input) {
    kuvano::fuzz::checkPicture("fuzz_bmp", input, kuvano::wallpaper::decodeBmp);
}
} // namespace

KUVANO_FUZZ_ENTRY("fuzz_bmp")
