// Bringing ten years of notes over from an Access file (2017-2026: every day
// a day note, every desk cell of every month filled, general notes, years,
// memo list), against the bare read of the same file through the reader.
#include "notes/access_import.h"
#include "notes/untdb.h"
#include "platform/access_db.h"

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

// Baseline: every value of every table read once through the reader.
void BM_ReadAccess(benchmark::State& state) {
    if (tenYears().isEmpty()) return state.SkipWithError("no bench/data/ten_years.mdb.z");
    Folder folder;
    qint64 values = 0;
    for (auto _ : state) {
        const access::Database db(folder.folder.filePath(notes::TDM::relativePath()));
        values = 0;
        for (const QString& name : db.tables()) {
            access::Table t = db.table(name);
            while (t.next())
                for (size_t c = 0; c < t.columns().size(); ++c) values += t.value(int(c)).isValid();
        }
    }
    state.counters["values"] = double(values);
}

} // namespace

BENCHMARK(BM_ImportAccess)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadAccess)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
