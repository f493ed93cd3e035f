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

struct Percentiles {
    std::vector<double> us;
    void add(qint64 ns) { us.push_back(double(ns) / 1000.0); }
    void report(benchmark::State& state) {
        if (us.empty()) return;
        std::sort(us.begin(), us.end());
        state.counters["p50_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    }
};

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
