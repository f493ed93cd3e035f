// Fuzz target for reading Access files as the program reads them: through
// the reader process. Any bytes end in tables or in access::Error, never in a
// crash or a hang of the program, and the same bytes read the same.
//
// With libFuzzer (KUVANO_LIBFUZZER) this is LLVMFuzzerTestOneInput; otherwise
// main(iterations) mutates the small test files with a fixed seed, so a CI run
// is bounded and repeatable.
#include "access/access_read.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <vector>

namespace {

// The reader process works on files: one scratch file, rewritten per input.
QString scratchFile() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("input.mdb"));
}

void start(int& argc, char** argv) {
    static QCoreApplication* app = nullptr;
    if (app) return;
    app = new QCoreApplication(argc, argv);
    kuvano::access::setReaderProgram(QStringLiteral(KUVANO_MDB_READER));
}

// Everything read, as a digest: table names, column kinds, values, errors.
QByteArray readAll(const QByteArray& bytes) {
    QFile f(scratchFile());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_access: cannot write %s\n", qPrintable(scratchFile()));
        std::abort();
    }
    f.close();
    QCryptographicHash h(QCryptographicHash::Sha256);
    try {
        const kuvano::access::FileData file = kuvano::access::readFile(scratchFile());
        for (const QString& name : file.tableNames) h.addData(name.toUtf8());
        for (const auto& t : file.tables) {
            for (const auto& c : t.columns) h.addData(c.name.toUtf8() + char(c.kind));
            for (const auto& row : t.rows) {
                if (row.size() != t.columns.size()) {
                    std::fprintf(stderr,
                                 "fuzz_access: a row of %zu values in a table of %zu columns\n",
                                 row.size(), t.columns.size());
                    std::abort();
                }
                for (const QVariant& v : row)
                    h.addData(v.isValid() ? v.toByteArray() + v.toString().toUtf8()
                                          : QByteArray("\x01null"));
            }
        }
    } catch (const kuvano::access::Error& e) {
        if (e.message().isEmpty()) {
            std::fprintf(stderr, "fuzz_access: an error without a message\n");
            std::abort();
        }
        h.addData(e.message().toUtf8());
    }
    return h.result();
}

void check(const QByteArray& input, bool twice) {
    const QByteArray first = readAll(input);
    if (twice && readAll(input) != first) {
        std::fprintf(stderr, "fuzz_access: two reads of the same %lld bytes differ\n",
                     static_cast<long long>(input.size()));
        std::abort();
    }
}

} // namespace

#ifdef KUVANO_LIBFUZZER

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    start(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), false);
    return 0;
}

#else

namespace {

constexpr qsizetype kPage = 4096;

// The small test files next to this source (the large ones stay out: each
// mutation copies and reads the whole file).
std::vector<QByteArray> seeds() {
    std::vector<QByteArray> out;
    const QString dir = QStringLiteral(KUVANO_FUZZ_SEEDS);
    for (const QFileInfo& fi : QDir(dir).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files,
                                                       QDir::Size | QDir::Reversed)) {
        if (fi.size() > 128 * 1024) continue;
        QFile f(fi.absoluteFilePath());
        if (f.open(QIODevice::ReadOnly)) out.push_back(f.readAll());
    }
    return out;
}

// Mutations that reach past the header checks: numbers in page and row
// headers, whole pages moved, cleared or cut off.
QByteArray mutate(QByteArray x, std::mt19937& rng) {
    const auto pick = [&rng](qsizetype n) { return qsizetype(rng() % quint32(n > 0 ? n : 1)); };
    const quint32 numbers[] = {0,          1,          0x7f,       0x80,       0xff,
                               0xffff,     0x8000,     0x7fffffff, 0xffffffff, 0x40000000,
                               0x80000000, 0xc0000000, 4096,       4095,       0x00ffffff};
    const int steps = 1 + int(rng() % 6);
    for (int s = 0; s < steps && x.size() > 0x42; ++s) {
        // Page 0 stays mostly whole: a broken header only tests the first check.
        const qsizetype at = x.size() > kPage ? kPage + pick(x.size() - kPage) : pick(x.size());
        const qsizetype pages = x.size() / kPage;
        switch (rng() % 8) {
        case 0:
        case 1:
            x[at] = char(rng());
            break;
        case 2: {
            const quint32 v = numbers[pick(std::size(numbers))];
            for (int b = 0; b < 4 && at + b < x.size(); ++b) x[at + b] = char(v >> (8 * b));
            break;
        }
        case 3: { // a page header or row offset table, where the numbers are
            const qsizetype page = pick(pages);
            const qsizetype off = page * kPage + pick(64);
            if (off < x.size()) x[off] = char(numbers[pick(std::size(numbers))]);
            break;
        }
        case 4:
            if (pages > 2) {
                const qsizetype from = pick(pages) * kPage, to = (1 + pick(pages - 1)) * kPage;
                x.replace(to, kPage, x.mid(from, kPage));
            }
            break;
        case 5:
            if (pages > 2) {
                const qsizetype page = 1 + pick(pages - 1);
                std::fill(x.begin() + page * kPage, x.begin() + page * kPage + kPage,
                          char(rng() & 1 ? 0 : 0xff));
            }
            break;
        case 6:
            x.truncate(rng() % 2 ? at : (at / kPage) * kPage);
            break;
        case 7: // the database key, in the masked header
            x[0x3e + pick(4)] = char(rng());
            break;
        }
    }
    return x;
}

} // namespace

int main(int argc, char** argv) {
    // Each input is a whole file read by a process of its own: fewer of them.
    const long iterations = (argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000) / 80;
    start(argc, argv);
    const std::vector<QByteArray> corpus = seeds();
    if (corpus.empty()) {
        std::fprintf(stderr, "fuzz_access: no seed files\n");
        return 1;
    }
    std::mt19937 rng(20100503);
    for (const QByteArray& seed : corpus) check(seed, true);
    for (long k = 0; k < iterations; ++k)
        check(mutate(corpus[rng() % corpus.size()], rng), k % 10 == 0);
    std::fprintf(stderr, "fuzz_access: %ld mutated files, %zu seeds: ok\n", iterations,
                 corpus.size());
    return 0;
}

#endif
