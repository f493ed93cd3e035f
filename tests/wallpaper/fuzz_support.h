#pragma once
// The picture fuzz targets' shared half: the property they check, and the
// bounded, repeatable run (seeds from the target's fixture folder, byte-level
// mutations with a fixed seed) used when not built for libFuzzer.

#include "wallpaper/bmp_codec.h"
#include "wallpaper/picture_error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace kuvano::fuzz {

inline std::vector<QByteArray> seedsFrom(const QString& folder) {
    std::vector<QByteArray> out;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(fi.absoluteFilePath());
        if (f.open(QIODevice::ReadOnly)) out.push_back(f.readAll());
    }
    return out;
}

// Mutations aimed at binary headers: numbers that lie (0, -1, huge, small),
// flipped and dropped bytes, truncation and splices of other seeds.
inline QByteArray mutate(QByteArray x, const std::vector<QByteArray>& corpus, std::mt19937& rng) {
    static const quint32 numbers[] = {0,      1,      2,      3,       4,          8,         12,
                                      16,     24,     32,     40,      124,        255,       256,
                                      0x7fff, 0x8000, 0xffff, 0x10000, 0x7fffffff, 0xffffffff};
    const auto pick = [&rng](std::size_t n) { return std::size_t(rng() % (n ? n : 1)); };
    const int steps = 1 + int(rng() % 6);
    for (int s = 0; s < steps; ++s) {
        const qsizetype at = qsizetype(pick(std::size_t(x.size()) + 1));
        switch (rng() % 7) {
        case 0:
            if (!x.isEmpty()) x[qsizetype(pick(std::size_t(x.size())))] = char(rng());
            break;
        case 1:
            if (!x.isEmpty()) x[qsizetype(pick(std::size_t(x.size())))] ^= char(1u << (rng() % 8));
            break;
        case 2: { // a 16- or 32-bit little-endian number over the bytes at `at`
            const quint32 v = numbers[pick(std::size(numbers))];
            const int width = rng() % 2 ? 2 : 4;
            for (int b = 0; b < width && at + b < x.size(); ++b) x[at + b] = char(v >> (8 * b));
            break;
        }
        case 3:
            x.remove(at, qsizetype(pick(32)));
            break;
        case 4:
            x.truncate(at);
            break;
        case 5:
            x.insert(at, x.mid(qsizetype(pick(std::size_t(x.size()) + 1)), qsizetype(pick(64))));
            break;
        case 6: {
            const QByteArray& other = corpus[pick(corpus.size())];
            x.insert(at, other.mid(qsizetype(pick(std::size_t(other.size()) + 1)),
                                   qsizetype(pick(256))));
            break;
        }
        }
    }
    if (x.size() > 16384) x.truncate(16384);
    return x;
}

[[noreturn]] inline void fail(const char* target, const char* what, const QByteArray& input) {
    std::fprintf(stderr, "%s: %s\ninput (hex): %s\n", target, what, input.toHex().constData());
    std::abort();
}

// Any input decodes or raises PictureError, never crashes or leaks; what
// decodes is a picture every reader and writer takes (a palette of 1 to 256
// colours when paletted), and the BMP writer and reader keep its pixels.
template <typename Decode>
void checkPicture(const char* target, const QByteArray& input, Decode decode) {
    using namespace kuvano::wallpaper;
    QImage image;
    try {
        image = decode(input);
    } catch (const PictureError&) {
        return;
    }
    if (image.isNull() || !pictureSizeOk(image.width(), image.height()) ||
        (image.format() == QImage::Format_Indexed8 &&
         (image.colorCount() < 1 || image.colorCount() > 256)))
        fail(target, "decoded an impossible picture", input);
    const QImage again = decodeBmp(encodeBmp(image));
    if (again.convertToFormat(QImage::Format_RGB32) != image.convertToFormat(QImage::Format_RGB32))
        fail(target, "the BMP writer and reader changed the pixels", input);
}

// main() of the bounded run: every seed, then `argv[1]` mutated inputs.
template <typename Check>
int boundedRun(const char* target, const QString& seedFolder, int argc, char** argv, Check check) {
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    const std::vector<QByteArray> corpus = seedsFrom(seedFolder);
    if (corpus.empty()) {
        std::fprintf(stderr, "%s: no seeds in %s\n", target, qPrintable(seedFolder));
        return 1;
    }
    std::mt19937 rng(20100503);
    for (const QByteArray& seed : corpus) check(seed);
    for (long k = 0; k < iterations; ++k) check(mutate(corpus[rng() % corpus.size()], corpus, rng));
    std::printf("%s: %ld mutated inputs, %zu seeds: ok\n", target, iterations, corpus.size());
    return 0;
}

} // namespace kuvano::fuzz

// The entry point: libFuzzer's, or main() of the bounded run. Expects a
// check(const QByteArray&) in the file.
#ifdef KUVANO_LIBFUZZER
#define KUVANO_FUZZ_ENTRY(target)                                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {            \
        check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));                   \
        return 0;                                                                                  \
    }
#else
#define KUVANO_FUZZ_ENTRY(target)                                                                  \
    int main(int argc, char** argv) {                                                              \
        return kuvano::fuzz::boundedRun(target, QStringLiteral(KUVANO_FUZZ_SEEDS), argc, argv,     \
                                        check);                                                    \
    }
#endif
