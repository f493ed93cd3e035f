// Syncing with a real CalDAV server (radicale on a local port): the first
// upload of a ten-year notebook, one changed note's sync against a sync with
// nothing to do, and a desk keystroke's save while a sync runs against one
// without.
#include "desk_bench.h"
#include "notebook.h"
#include "notes/plain_text.h"
#include "store/thread_priority.h"
#include "support/radicale_server.h"
#include "sync/note_access.h"
#include "sync/sync_session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

#include <sys/resource.h>

using namespace kuvano;
using kuvano::test::RadicaleServer;

namespace {

struct Synced {
    RadicaleServer server;
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    sync::SyncSettings settings;
    bool ok = false;

    // A notebook of `years` years (or none) synced once, the calendar made.
    explicit Synced(int years, benchmark::State* report = nullptr) {
        if (!server.start()) return;
        // The server stands in for another machine: it takes no time from
        // the program's threads (radicale is Python, and takes plenty).
        setpriority(PRIO_PROCESS, id_t(server.pid()), 19);
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        if (years > 0)
            notebook::makeNotebook(dir.path(), {years, 1024, 2026, false});
        else
            notes::TDM create(folder);
        settings.url = server.url();
        settings.user = server.user();
        QElapsedTimer t;
        t.start();
        const sync::SyncOutcome o = once();
        if (!o.ok) {
            if (report) report->SkipWithError(qPrintable(o.message));
            std::fprintf(stderr, "%s\n", qPrintable(o.message));
            return;
        }
        if (report) {
            report->counters["first_upload_s"] = double(t.nsecsElapsed()) / 1e9;
            report->counters["notes"] = o.report.sent;
            report->counters["requests"] = o.report.requests;
        }
        settings.calendar = o.calendarFound;
        ok = true;
    }
    sync::SyncOutcome once() {
        return sync::SyncOnce(folder, settings, server.password(), {60000});
    }
};

// The first sync of a ten-year notebook (desk months, general and calendar
// lines, years, memo; no day schedules), once: time, notes and requests.
void BM_FirstUpload(benchmark::State& state) {
    for (auto _ : state) {
        Synced s(int(state.range(0)), &state);
        if (!s.ok) state.SkipWithError("the first sync failed");
    }
}

// A sync after one note changed, against one with nothing changed (arg 0).
void BM_IncrementalSync(benchmark::State& state) {
    Synced s(1); // radicale takes minutes for a first upload of ten years
    if (!s.ok) return state.SkipWithError("the first sync failed");
    notes::TDM dm(s.folder);
    const sync::NoteId id{notes::NotePage::Desk, QStringLiteral("20265"), 10};
    Percentiles p;
    QElapsedTimer t;
    int n = 0;
    for (auto _ : state) {
        if (state.range(0) == 1) {
            state.PauseTiming();
            const QString text = QStringLiteral("改动 %1").arg(++n);
            sync::SaveNote(dm.notes(), id, {sync::RtfOfText(text), text, 0});
            state.ResumeTiming();
        }
        t.start();
        const sync::SyncOutcome o = s.once();
        p.add(t.nsecsElapsed());
        if (!o.ok) return state.SkipWithError(qPrintable(o.message));
        state.counters["requests"] = o.report.requests;
    }
    p.report(state);
}

// The desk keystroke's save (its change handler), while another thread syncs
// the same notebook over and over (arg 1), or without (arg 0).
void BM_KeystrokeDuringSync(benchmark::State& state) {
    Synced s(0);
    if (!s.ok) return state.SkipWithError("the first sync failed");
    notes::TDM dm(s.folder);
    bench::Desk d(dm);
    notes::NoteBox* box = d.typingCell();
    const int start = box->document()->characterCount();
    std::atomic<bool> stop{false};
    std::atomic<int> syncs{0};
    std::thread syncer;
    if (state.range(0) == 1) {
        syncer = std::thread([&] {
            lowerThreadPriority(); // as the program's sync thread
            while (!stop) {
                s.once();
                ++syncs;
            }
        });
    }
    Percentiles p, cpu{"cpu_", {}};
    QElapsedTimer t;
    ThreadCpuTimer c;
    for (auto _ : state) {
        d.state.saving.desk = false;
        if (box->document()->characterCount() > start + 40) bench::fillNote(*box);
        box->textCursor().insertText(QStringLiteral("字"));
        d.state.saving.desk = true;
        t.start();
        c.start();
        d.desk->RichEdit1Exit(box);
        cpu.add(c.nsecsElapsed());
        p.add(t.nsecsElapsed());
    }
    stop = true;
    if (syncer.joinable()) syncer.join();
    state.counters["syncs"] = syncs.load();
    p.report(state);
    cpu.report(state);
    if (d.state.unsaved) state.SkipWithError("a save failed");
}

} // namespace

BENCHMARK(BM_FirstUpload)
    ->ArgName("years")
    ->Arg(1)
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_IncrementalSync)->ArgName("changed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeDuringSync)
    ->ArgName("syncing")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv, 2.0);
}
