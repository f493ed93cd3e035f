#pragma once
// What the Qt benchmark programs share: per-iteration times reported as the
// p50_us and p99_us counters beside Google Benchmark's mean, and a main that
// runs the benchmarks in an offscreen application with the program's fonts.

#include "platform/fonts.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
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

// Google Benchmark's own flags (--benchmark_filter, --benchmark_format, ...) all apply.
inline int runQtBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kuvano::fonts::installSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
