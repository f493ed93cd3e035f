// The desk page's keystroke path against a bare SQLite update of the same
// bytes, and the month load of a dense notebook. Both databases live in the
// same temporary folder, so they share the disk and its flush cost.
#include "calendarctl/JvTFMonths.h"
#include "desk_bench.h"
#include "notebook.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "notes/plain_text.h"
#include "platform/fonts.h"
#include "store/search_index.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace kuvano;
using namespace kuvano::notes;
using kuvano::bench::Desk;
using kuvano::bench::fillNote;

namespace {

// A program folder whose TailiNew already holds `months` months of notes.
struct Store {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    std::unique_ptr<TDM> dm;
    explicit Store(int months = 120) {
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        dm = std::make_unique<TDM>(folder);
        auto& db = dm->connection();
        sql::Transaction tx(db);
        for (int i = 0; i < months; ++i) {
            const int y = 2000 + i / 12, m = 1 + i % 12;
            {
                sql::Statement st(db,
                                  QStringLiteral("insert into TailiNew(YearMonth, Cell1, Cell2) "
                                                 "values(?, zeroblob(2048), zeroblob(2048))"));
                st.bind(1, QString::number(y) + QString::number(m));
                st.step();
            }
        }
        tx.commit();
    }
};

// The disk flush of a commit costs milliseconds and varies widely; left out
// (synchronous=OFF), what remains is the CPU work around it.
void withoutFlush(TDM& dm) {
    dm.connection().exec("PRAGMA synchronous=OFF");
}

// One keystroke's save: the desk cell's change handler, from the RTF writing
// through the row scan to the durable commit. The edit itself (the text
// control's own work) is made with saving off and not timed; BM_DeskKeystroke
// below times the whole thing. Second argument 1: the search index follows
// the save in its transaction, as in the program; 0: without the index.
void keystrokeSave(benchmark::State& state, bool flush) {
    Store store(int(state.range(0)));
    if (!flush) withoutFlush(*store.dm);
    if (state.range(1) == 0) store.dm->notes().setIndexing(false);
    Desk d(*store.dm);
    NoteBox* box = d.typingCell();
    const int start = box->document()->characterCount();
    Percentiles p, cpu{"cpu_", {}};
    QElapsedTimer t;
    ThreadCpuTimer c;
    for (auto _ : state) {
        d.state.saving.desk = false;
        if (box->document()->characterCount() > start + 40) fillNote(*box); // stay near 2 KB
        box->textCursor().insertText(QStringLiteral("字"));
        d.state.saving.desk = true;
        t.start();
        c.start();
        d.desk->RichEdit1Exit(box);
        cpu.add(c.nsecsElapsed());
        p.add(t.nsecsElapsed());
    }
    state.counters["rtf_bytes"] = double(box->SaveToStream().size());
    p.report(state);
    cpu.report(state);
    if (d.state.unsaved) state.SkipWithError("a save failed");
}
void BM_DeskKeystrokeSave(benchmark::State& state) {
    keystrokeSave(state, true);
}
void BM_DeskKeystrokeSaveNoFlush(benchmark::State& state) {
    keystrokeSave(state, false);
}

// The same keystroke as the user makes it: the edit and its change event.
void BM_DeskKeystroke(benchmark::State& state) {
    Store store(int(state.range(0)));
    Desk d(*store.dm);
    NoteBox* box = d.typingCell();
    const int start = box->document()->characterCount();
    Percentiles p;
    QElapsedTimer t;
    for (auto _ : state) {
        if (box->document()->characterCount() > start + 40) {
            d.state.saving.desk = false;
            fillNote(*box);
            d.state.saving.desk = true;
        }
        t.start();
        box->textCursor().insertText(QStringLiteral("字")); // change event → save
        p.add(t.nsecsElapsed());
    }
    p.report(state);
}

void bareCommit(benchmark::State& state, bool flush) {
    Store store(int(state.range(0)));
    if (!flush) withoutFlush(*store.dm);
    Desk d(*store.dm);
    NoteBox* box = d.desk->box(10);
    fillNote(*box);
    QByteArray bytes = box->SaveToStream();
    auto& db = store.dm->connection();
    db.exec("insert into TailiNew(YearMonth) values('20105')");
    sql::Statement update(db,
                          QStringLiteral("update TailiNew set Cell10=? where YearMonth='20105'"));
    int edits = 0;
    Percentiles p;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        // A keystroke changes the note: SQLite skips writing an unchanged value.
        bytes[bytes.size() / 2] = char('a' + (++edits % 26));
        db.exec("BEGIN IMMEDIATE");
        update.bind(1, bytes);
        update.step();
        update.reset();
        db.exec("COMMIT");
        p.add(t.nsecsElapsed());
    }
    state.counters["rtf_bytes"] = double(bytes.size());
    p.report(state);
}
void BM_BareSqliteCommit(benchmark::State& state) {
    bareCommit(state, true);
}
void BM_BareSqliteCommitNoFlush(benchmark::State& state) {
    bareCommit(state, false);
}

// A program folder holding a notebook of 2010 with rich notes of about
// `bytes` of RTF on every page; 0 gives an empty notebook.
struct Notebook {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    std::unique_ptr<TDM> dm;
    explicit Notebook(int bytes) {
        if (bytes > 0)
            notebook::makeNotebook(dir.path(), {1, bytes, 2010, true});
        else
            QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        dm = std::make_unique<TDM>(folder);
    }
};

// Loading a month whose 42 cells and day schedule all hold notes of
// note_bytes (0: an empty notebook, the baseline), on a shown page, turning
// through the twelve months of the year. With paint = 1 the time runs to the
// end of the page's repaint (what the user waits for). cpu_ms is this
// thread's CPU time in that span (paint_cpu_ms the repaint's part of it),
// idle_ms the work the event loop still does after it (all medians).
void BM_LoadMonth(benchmark::State& state) {
    Notebook nb(int(state.range(0)));
    const bool paint = state.range(1) != 0;
    Desk d(*nb.dm);
    d.window.show();
    drainEvents();
    Percentiles p;
    std::vector<double> cpu, paintCpu, idle;
    QElapsedTimer t;
    ThreadCpuTimer load, repaint;
    int month = 5;
    for (auto _ : state) {
        d.state.shownDate = QDate(2010, 1 + month++ % 12, 10);
        t.start();
        load.start();
        d.desk->ChnCalendar1Change();
        repaint.start();
        if (paint) d.window.repaint();
        const qint64 ns = t.nsecsElapsed();
        cpu.push_back(double(load.nsecsElapsed()) / 1e6);
        paintCpu.push_back(double(repaint.nsecsElapsed()) / 1e6);
        state.SetIterationTime(double(ns) / 1e9);
        p.add(ns);
        t.start();
        drainEvents();
        idle.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    p.report(state);
    state.counters["cpu_ms"] = median(cpu);
    if (paint) state.counters["paint_cpu_ms"] = median(paintCpu);
    state.counters["idle_ms"] = median(idle);
}

} // namespace

// Argument: months already in TailiNew (one year of use, ten years of use).
BENCHMARK(BM_BareSqliteCommit)->Arg(12)->Arg(120)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeskKeystrokeSave)
    ->ArgsProduct({{12, 120}, {0, 1}})
    ->ArgNames({"months", "index"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareSqliteCommitNoFlush)->Arg(120)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeskKeystrokeSaveNoFlush)
    ->ArgsProduct({{120}, {0, 1}})
    ->ArgNames({"months", "index"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeskKeystroke)->Arg(12)->Arg(120)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadMonth)
    ->ArgNames({"note_bytes", "paint"})
    ->Args({0, 1})
    ->Args({2048, 0})
    ->Args({4096, 0})
    ->Args({4096, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    // Two seconds per benchmark unless --benchmark_min_time says otherwise:
    // the flush times vary a lot from one commit to the next.
    return runQtBenchmarks(argc, argv, 2.0);
}
