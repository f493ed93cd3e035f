// Bringing ten years of notes over from an Access file (2017-2026: every day
// a day note, every desk cell of every month filled, general notes, years,
// memo list), against the bare read of the same file through the reader.
#include "access/access_read.h"
#include "notes/plain_text.h"
#include "store/access_import.h"
#include "store/untdb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace kuvano;

namespace {

QByteArray tenYears() {
    static const QByteArray bytes = [] {
        QFile f(QStringLiteral(KUVANO_BENCH_DATA "/ten_years.mdb.z"));
        return f.open(QIODevice::ReadOnly) ? qUncompress(f.readAll()) : QByteArray();
    }();
    return bytes;
}

// A program folder holding the Access file as its notes database.
struct Folder {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    Folder() {
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        QFile f(folder.filePath(notes::TDM::relativePath()));
        if (f.open(QIODevice::WriteOnly)) f.write(tenYears());
    }
};

// The start-up import: read, convert, write the new database, move the files.
void BM_ImportAccess(benchmark::State& state) {
    if (tenYears().isEmpty()) return state.SkipWithError("no bench/data/ten_years.mdb.z");
    notes::ImportReport report;
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<Folder>();
        state.ResumeTiming();
        try {
            report = notes::importAccessAtStartup(folder->folder);
        } catch (const notes::ImportError& e) {
            return state.SkipWithError(e.what());
        }
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
    state.counters["desk_months"] = report.deskMonths;
    state.counters["day_notes"] = report.dayNotes;
    state.counters["file_MB"] = double(tenYears().size()) / 1e6;
}

// Baseline: every table read once through the reader process, as the import
// reads them, without converting or writing anything.
void BM_ReadAccess(benchmark::State& state) {
    if (tenYears().isEmpty()) return state.SkipWithError("no bench/data/ten_years.mdb.z");
    Folder folder;
    size_t rows = 0;
    for (auto _ : state) {
        const access::FileData file =
            access::readFile(folder.folder.filePath(notes::TDM::relativePath()));
        rows = 0;
        for (const auto& t : file.tables) rows += t.rows.size();
    }
    state.counters["rows"] = double(rows);
}

} // namespace

BENCHMARK(BM_ImportAccess)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadAccess)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    QCoreApplication app(argc, argv);
    access::setReaderProgram(QStringLiteral(KUVANO_MDB_READER));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
