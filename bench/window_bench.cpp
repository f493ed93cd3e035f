// A month change in the running main window, as the user makes it: the
// month picker's up arrow or down arrow clicked, the page reloaded and
// repainted. A notebook with dense notes on every page against an empty one.
#include "app/Main.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "notebook.h"
#include "notes/plain_text.h"
#include "platform/screen.h"
#include "store/clock.h"
#include "store/untdb.h"

#include "bench_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace kuvano;

namespace {

// Argument: the RTF size of every rich note of 2010 (0: an empty notebook).
// Time: from the click to the end of the window's repaint. cpu_ms is this
// thread's CPU time in that span, idle_ms what the event loop does after it.
void BM_MonthChange(benchmark::State& state) {
    QTemporaryDir dir;
    const int bytes = int(state.range(0));
    if (bytes > 0)
        notebook::makeNotebook(dir.path(), {1, bytes, 2010, true});
    else
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
    const ProgramFolder folder(dir.path());
    clock::setFixed(QDateTime(QDate(2010, 6, 15), QTime(9, 0)));
    screen::setFakeSize(QSize(1920, 1080));
    notes::TDM dm(folder);
    app::TMainForm form(folder, dm);
    form.show();
    drainEvents();
    auto* udMonth = form.monthPicker()->findChild<QWidget*>(QStringLiteral("udMonth"));
    QToolButton* up = udMonth ? udMonth->findChild<QToolButton*>(QStringLiteral("up")) : nullptr;
    QToolButton* down =
        udMonth ? udMonth->findChild<QToolButton*>(QStringLiteral("down")) : nullptr;
    if (!up || !down) {
        state.SkipWithError("no month up-down on the picker");
        return;
    }
    std::vector<double> wall, cpu, idle;
    QElapsedTimer t;
    ThreadCpuTimer thread;
    int step = 1;
    for (auto _ : state) {
        // June to December and back to January, and so on: all within the notebook.
        const int month = form.shownDate().month();
        if (month == 12) step = -1;
        if (month == 1) step = 1;
        t.start();
        thread.start();
        (step > 0 ? up : down)->click();
        form.repaint();
        const qint64 ns = t.nsecsElapsed();
        cpu.push_back(double(thread.nsecsElapsed()) / 1e6);
        state.SetIterationTime(double(ns) / 1e9);
        wall.push_back(double(ns) / 1e6);
        t.start();
        drainEvents();
        idle.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (form.shownDate().year() != 2010) state.SkipWithError("the picker left the notebook's year");
    state.counters["p50_ms"] = median(wall);
    state.counters["cpu_ms"] = median(cpu);
    state.counters["idle_ms"] = median(idle);
    clock::setFixed(QDateTime());
    screen::setFakeSize(QSize());
}

// The first switch to a page (argument 0: the general page, 1: the yearly,
// 2: the calendar notes) on a notebook of dense notes, in a window just
// shown: before its idle time has made the pages off view (second argument
// 0: they are made by the click), or after (1). cpu_ms is this thread's CPU time from the click to
// the end of the repaint.
void BM_FirstPageSwitch(benchmark::State& state) {
    QTemporaryDir dir;
    notebook::makeNotebook(dir.path(), {1, 4096, 2010, true});
    const ProgramFolder folder(dir.path());
    clock::setFixed(QDateTime(QDate(2010, 6, 15), QTime(9, 0)));
    screen::setFakeSize(QSize(1920, 1080));
    const bool idleFirst = state.range(1) != 0;
    std::vector<double> cpu;
    for (auto _ : state) {
        notes::TDM dm(folder);
        app::TMainForm form(folder, dm);
        form.show();
        // The first frame drawn but no event handled: the click makes the pages.
        if (idleFirst)
            drainEvents();
        else
            form.repaint();
        QElapsedTimer t;
        ThreadCpuTimer thread;
        t.start();
        thread.start();
        switch (state.range(0)) {
        case 0:
            form.btnYibanClick();
            break;
        case 1:
            form.btnYearClick();
            break;
        default:
            form.btnRiliClick();
            break;
        }
        form.repaint();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        cpu.push_back(double(thread.nsecsElapsed()) / 1e6);
        drainEvents();
    }
    state.counters["cpu_ms"] = median(cpu);
    clock::setFixed(QDateTime());
    screen::setFakeSize(QSize());
}

} // namespace

BENCHMARK(BM_FirstPageSwitch)
    ->ArgNames({"page", "after_idle"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MonthChange)
    ->ArgName("note_bytes")
    ->Arg(0)
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv, 2.0);
}
