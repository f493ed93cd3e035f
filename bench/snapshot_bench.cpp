// Snapshots of a ten-year notebook: how long one takes against a plain copy
// of the same file, and what a user typing meanwhile feels of it.
#include "desk_bench.h"
#include "notebook.h"
#include "notes/plain_text.h"
#include "store/snapshot_scheduler.h"
#include "store/snapshots.h"
#include "store/untdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

// Ten years of notes (2001-2010) of about 4 KB on every page, made once per
// run; each benchmark works on its own copy.
const QString& tenYearNotebook() {
    static QTemporaryDir dir;
    static const bool made = [] {
        notebook::makeNotebook(dir.path(), {10, 4096, 2010, true});
        return true;
    }();
    (void)made;
    static const QString path = dir.filePath(QStringLiteral("DB3/CalendarD.mdb"));
    return path;
}

struct Folder {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    Folder() {
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        QFile::copy(tenYearNotebook(), dir.filePath(QStringLiteral("DB3/CalendarD.mdb")));
    }
    QString database() const { return dir.filePath(QStringLiteral("DB3/CalendarD.mdb")); }
};

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(double(v.size()) * q))];
}

QDateTime minute(int n) {
    return QDateTime(QDate(2011, 1, 1), QTime(0, 0)).addSecs(60LL * n);
}

// The baseline: the same file copied by the file system.
void BM_CopyFile(benchmark::State& state) {
    Folder f;
    const QString target = f.dir.filePath(QStringLiteral("copy.mdb"));
    for (auto _ : state) {
        QFile::remove(target);
        if (!QFile::copy(f.database(), target)) state.SkipWithError("copy failed");
    }
    state.counters["db_mb"] = double(QFileInfo(f.database()).size()) / 1e6;
}

// One snapshot: the online backup, the switch to a rollback journal, the
// integrity check and the rename.
void BM_Snapshot(benchmark::State& state) {
    Folder f;
    SnapshotStore store(f.folder);
    int n = 0;
    for (auto _ : state) {
        const SnapshotInfo s = store.take(minute(n++));
        state.PauseTiming();
        QFile::remove(s.path);
        state.ResumeTiming();
    }
    state.counters["db_mb"] = double(QFileInfo(f.database()).size()) / 1e6;
}

// Keystroke saves in a desk cell, first alone (the usual median), then while
// a snapshot runs on its worker. Each iteration is one snapshot; the
// counters give the usual median, the median and the longest save during
// snapshots, and the longest against the usual median.
void BM_KeystrokeDuringSnapshot(benchmark::State& state) {
    Folder f;
    TDM dm(f.folder);
    bench::Desk d(dm);
    NoteBox* box = d.typingCell();
    const int start = box->document()->characterCount();
    auto keystroke = [&] {
        d.state.saving.desk = false;
        if (box->document()->characterCount() > start + 40) bench::fillNote(*box);
        box->textCursor().insertText(QStringLiteral("字"));
        d.state.saving.desk = true;
        QElapsedTimer t;
        t.start();
        d.desk->RichEdit1Exit(box);
        return double(t.nsecsElapsed()) / 1e6;
    };
    std::vector<double> usual;
    for (int i = 0; i < 300; ++i) usual.push_back(keystroke());

    // The program's own scheduler: the snapshot on its worker thread.
    SnapshotScheduler scheduler(f.folder);
    std::vector<double> during;
    double longest = 0;
    int perSnapshot = 0;
    for (auto _ : state) {
        if (!scheduler.takeIfDue()) {
            state.SkipWithError("no snapshot was due");
            break;
        }
        const size_t before = during.size();
        while (scheduler.busy()) {
            const double ms = keystroke();
            during.push_back(ms);
            longest = std::max(longest, ms);
        }
        scheduler.waitIdle();
        perSnapshot += int(during.size() - before);
        state.PauseTiming();
        for (const SnapshotInfo& s : scheduler.store().list()) QFile::remove(s.path);
        state.ResumeTiming();
    }
    if (d.state.unsaved) state.SkipWithError("a save failed");
    const double usualP50 = median(usual);
    state.counters["usual_p50_ms"] = usualP50;
    state.counters["during_p50_ms"] = median(during);
    state.counters["during_p99_ms"] = percentile(during, 0.99);
    state.counters["during_max_ms"] = longest;
    // The same count of saves without a snapshot: how far the machine alone
    // spreads them.
    state.counters["usual_max_ms"] = *std::max_element(usual.begin(), usual.end());
    state.counters["max_vs_usual"] = usualP50 > 0 ? longest / usualP50 : 0;
    state.counters["saves_per_snapshot"] =
        state.iterations() ? double(perSnapshot) / double(state.iterations()) : 0;
}

} // namespace

BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeDuringSnapshot)->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv);
}
