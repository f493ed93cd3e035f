// Throughput of the lunar engine: conversion, the control's month rebuild, the era lookup, the
// day-off lookup.

#include "lunar/chn_calendar_use.h"
#include "lunar/holidays.h"
#include "lunar/lunar_core.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace kuvano::lunar;

namespace {

struct Date {
    int y, m, d;
};

const std::vector<Date>& Dates1900To2100() {
    static const std::vector<Date> dates = [] {
        std::vector<Date> out;
        for (int n = DayNumber(1900, 1, 1); n <= DayNumber(2100, 12, 31); ++n) {
            Date date{};
            DayNumberToDate(n, date.y, date.m, date.d);
            out.push_back(date);
        }
        return out;
    }();
    return dates;
}

template <bool (*Convert)(int, int, int, bool&, int&, int&, int&)>
void Conversions(benchmark::State& state) {
    const auto& dates = Dates1900To2100();
    std::size_t i = 0;
    for (auto _ : state) {
        const Date& d = dates[i];
        bool leap = false;
        int ld = 0, lm = 0, ly = 0;
        benchmark::DoNotOptimize(Convert(d.y, d.m, d.d, leap, ld, lm, ly));
        benchmark::DoNotOptimize(ld + lm + ly);
        if (++i == dates.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SolarToLunar(benchmark::State& state) {
    Conversions<SolarToLunar>(state);
}
void BM_SolarToLunarDirect(benchmark::State& state) {
    Conversions<direct::SolarToLunar>(state);
}

// One rebuild = the selected date, then every day of the month (up to 32 updates of one record).
void BM_MonthRebuild(benchmark::State& state) {
    std::vector<double> firsts;
    for (int y = 1900; y <= 2100; ++y)
        for (int m = 1; m <= 12; ++m) firsts.push_back(EncodeDate(y, m, 1));
    std::size_t i = 0;
    TChnCal record;
    for (auto _ : state) {
        const double first = firsts[i];
        int y = 0, m = 0, d = 0;
        SplitDateTime(first, y, m, d);
        const int days = DaysInMonth(y, m);
        record.SetDate(first + 14); // the selected date
        for (int k = 0; k < days; ++k) {
            record.SetDate(first + k);
            benchmark::DoNotOptimize(record.DayLabel().data());
        }
        if (++i == firsts.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_EraTextOf(benchmark::State& state) {
    int year = -2069;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EraTextOf(year));
        if (++year == 1949) year = -2069;
    }
    state.SetItemsProcessed(state.iterations());
}

// Every day of the built-in arrangement's years, so each lookup reads a listed year's row
// (years without listed days answer sooner). Compare with BM_SolarToLunar, a lookup of the
// same day record.
void BM_DayOffOf(benchmark::State& state) {
    std::vector<Date> dates;
    for (const Date& d : Dates1900To2100())
        if (d.y >= 2006 && d.y <= 2026) dates.push_back(d);
    std::size_t i = 0;
    for (auto _ : state) {
        const Date& d = dates[i];
        benchmark::DoNotOptimize(DayOffOf(d.y, d.m, d.d));
        if (++i == dates.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_SolarToLunar);
BENCHMARK(BM_SolarToLunarDirect);
BENCHMARK(BM_MonthRebuild);
BENCHMARK(BM_EraTextOf);
BENCHMARK(BM_DayOffOf);

BENCHMARK_MAIN();
