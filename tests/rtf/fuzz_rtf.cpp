// Fuzz target for the RTF reader: any input reads without crashing, and what
// was read is a fixed point: write(read(x)) reads back and writes the same bytes.
//
// With libFuzzer (KUVANO_LIBFUZZER) this is LLVMFuzzerTestOneInput; otherwise
// main(iterations) mutates the seed corpus with a fixed seed, so a CI run is
// bounded and repeatable.
#include "rtf/rtf.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// QTextDocument lays text out with fonts, so it needs a QGuiApplication. Qt
// keeps a reference to argc: both live for the whole process and the
// application is never destroyed (libFuzzer exits from inside its loop).
void startApplication(int argc, char** argv) {
    static int args = argc;
    static QGuiApplication* app = nullptr;
    if (app) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(args, argv);
}

void fail(const char* what, const QByteArray& input, const QByteArray& a, const QByteArray& b) {
    std::fprintf(stderr, "fuzz_rtf: %s\ninput (hex): %s\nfirst:  %s\nsecond: %s\n", what,
                 input.toHex().constData(), a.constData(), b.constData());
    std::abort();
}

void check(const QByteArray& input) {
    QTextDocument doc;
    kuvano::rtf::read(input, doc);
    const QByteArray first = kuvano::rtf::write(doc);
    QTextDocument again;
    kuvano::rtf::read(first, again);
    const QByteArray second = kuvano::rtf::write(again);
    if (second != first)
        fail("write(read(write(read(x)))) != write(read(x))", input, first, second);
    if (again.toRawText() != doc.toRawText()) fail("text changed on re-read", input, first, second);
}

} // namespace

#ifdef KUVANO_LIBFUZZER

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}

#else

namespace {

// The fixtures next to this source, plus a few that hit the tricky corners.
std::vector<QByteArray> seeds() {
    std::vector<QByteArray> out = {
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 "
        "\\'bd\\'f1\\cf1\\'cc\\'ec\\cf0\\par}",
        "{\\rtf1\\uc2{\\*\\generator x}{\\pict\\bin4 "
        "{}{}\\u20013\\'d6\\'d0{\\upr{a}{\\*\\ud{\\u22909?}}}"
        "\\highlight1\\line\\tab\\par\\par}",
        "{\\rtf1{\\fonttbl{\\f0\\fcharset128 a;}{\\f1\\fcharset136 "
        "b;}}\\f0\\'83A\\f1\\'a4\\'a4\\u-10179?\\u-8704?}",
        "\xb5\xda\xd2\xbb\xd0\xd0\r\n\x80\x94\x39\xfc\x36",
    };
    // The fixture folder by its absolute path: __FILE__ is relative to the
    // build folder, so ctest (running in build/tests) found no fixtures.
    const QString dir = QStringLiteral(KUVANO_FUZZ_SEEDS);
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(fi.absoluteFilePath());
        if (f.open(QIODevice::ReadOnly)) out.push_back(f.readAll());
    }
    return out;
}

QByteArray mutate(QByteArray x, const std::vector<QByteArray>& corpus, std::mt19937& rng) {
    static const char* const tokens[] = {
        "{",           "}",           "\\",         "\\'",      "\\'d6",
        "\\u",         "\\u-",        "\\uc0",      "\\uc3",    "\\bin",
        "\\bin2 ",     "\\par",       "\\line",     "\\tab",    "\\*",
        "\\fonttbl",   "\\colortbl",  "\\pict",     "\\f",      "\\fs",
        "\\cf",        "\\highlight", "\\plain",    "\\upr",    "\\ud",
        ";",           "\\red",       "9999999999", "-",        " ",
        "\r\n",        "\x80",        "\xff",       "{\\*\\x ", "\\fcharset128 ",
        "\\cpg65001 ", "\\ansicpg950"};
    // What word processors, mail and Mac programs add.
    static const char* const otherWriters[] = {
        "\\fcharset2 ", "Symbol;",   "Wingdings;", "\\fcharset78 ", "\\fcharset80 ",
        "\\u-3913",     "{\\field",  "\\fldinst ", "SYMBOL 183 ",   "\\\\f ",
        "{\\fldrslt ",  "{\\object", "{\\result ", "\\chftn",       "{ "};
    const auto pick = [&rng](std::size_t n) { return std::size_t(rng() % (n ? n : 1)); };
    const int steps = 1 + int(rng() % 8);
    for (int s = 0; s < steps; ++s) {
        const qsizetype at = qsizetype(pick(std::size_t(x.size()) + 1));
        switch (rng() % 7) {
        case 0:
            if (!x.isEmpty()) x[qsizetype(pick(std::size_t(x.size())))] = char(rng());
            break;
        case 1:
            x.insert(at, char(rng()));
            break;
        case 2:
            x.insert(at, rng() % 4 == 0 ? otherWriters[pick(std::size(otherWriters))]
                                        : tokens[pick(std::size(tokens))]);
            break;
        case 3:
            x.remove(at, qsizetype(pick(16)));
            break;
        case 4:
            x.insert(at, x.mid(qsizetype(pick(std::size_t(x.size()) + 1)), qsizetype(pick(64))));
            break;
        case 5:
            x.truncate(at);
            break;
        case 6: {
            const QByteArray& other = corpus[pick(corpus.size())];
            x.insert(at, other.mid(qsizetype(pick(std::size_t(other.size()) + 1)),
                                   qsizetype(pick(256))));
            break;
        }
        }
    }
    if (x.size() > 8192) x.truncate(8192);
    return x;
}

} // namespace

int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    startApplication(argc, argv);
    const std::vector<QByteArray> corpus = seeds();
    std::mt19937 rng(20100503);
    for (const QByteArray& seed : corpus) check(seed);
    for (long k = 0; k < iterations; ++k) check(mutate(corpus[rng() % corpus.size()], corpus, rng));
    std::printf("fuzz_rtf: %ld mutated inputs, %zu seeds: ok\n", iterations, corpus.size());
    return 0;
}

#endif
