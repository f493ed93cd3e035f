#pragma once
// What the Qt benchmark programs share: per-iteration times reported as the
// p50_us and p99_us counters beside Google Benchmark's mean, and a main that
// runs the benchmarks in an offscreen application with the program's fonts.

#include "platform/fonts.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <time.h>

struct Percentiles {
    std::string prefix; // "cpu_" for the thread's processor time
    std::vector<double> us;
    void add(qint64 ns) { us.push_back(double(ns) / 1000.0); }
    void report(benchmark::State& state) {
        if (us.empty()) return;
        std::sort(us.begin(), us.end());
        state.counters[prefix + "p50_us"] = us[us.size() / 2];
        state.counters[prefix + "p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    }
};

// The processor time of the calling thread: on a machine busy with other
// work it still tells what a step costs, where wall time also counts the
// waits for the processor. Waits for the disk are not in it.
class ThreadCpuTimer {
public:
    void start() { start_ = now(); }
    qint64 nsecsElapsed() const { return now() - start_; }

private:
    static qint64 now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
    qint64 start_ = 0;
};

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs what the event loop would run next (posted events, due timers).
inline void drainEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Google Benchmark's own flags (--benchmark_filter, --benchmark_format, ...)
// all apply. A program's default --benchmark_min_time, when given (seconds,
// above 0), applies unless the command line has its own.
inline int runQtBenchmarks(int argc, char** argv, double defaultMinTime = 0) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kuvano::fonts::installSubstitutes();
    std::vector<char*> args(argv, argv + argc);
    std::string minTime = "--benchmark_min_time=" + std::to_string(defaultMinTime);
    if (defaultMinTime > 0 && std::none_of(args.begin(), args.end(), [](const char* a) {
            return std::string_view(a).starts_with("--benchmark_min_time");
        }))
        args.push_back(minTime.data());
    int count = int(args.size());
    args.push_back(nullptr); // argv[argc], as main's own
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
