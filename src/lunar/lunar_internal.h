#pragma once
// Engine-internal helpers shared by the lunar source files; not part of the public API.

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>

namespace kuvano::lunar::detail {

inline constexpr int kFirstYear = -849; // first civil year of the leap-month tables
inline constexpr int kLastYear = 2100;  // last civil year the engine converts

// Mathematical floor division and remainder (C++ '/' and '%' truncate toward zero).
constexpr int FloorDiv(int a, int b) noexcept {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
constexpr int FloorMod(int a, int b) noexcept {
    return a - FloorDiv(a, b) * b;
}

// Compact sortable key of a civil date: year·10000 + month·100 + day.
constexpr int DateKey(int year, int month, int day) noexcept {
    return year * 10000 + month * 100 + day;
}

// True for a civil date the engine can convert: year -849..2100 (no year 0), a real month and day.
bool IsConvertible(int year, int month, int day) noexcept;

// Proleptic Gregorian date of day number n (0001-01-01 is day 1), years before 1 without a year 0.
bool GregorianDateOf(int n, int& year, int& month, int& day);

// A value for each civil year of the engine's range, computed the first time
// that year is asked for: a start shows a month or two, and filling all
// 2950 years up front cost it milliseconds. Safe from any thread.
template <class T> class PerYear {
public:
    template <class Compute> const T& get(int year, Compute&& compute) {
        const auto i = static_cast<std::size_t>(year - kFirstYear);
        std::call_once(once_[i], [&] { values_[i] = compute(year); });
        return values_[i];
    }

private:
    static constexpr std::size_t kCount = kLastYear - kFirstYear + 1;
    std::unique_ptr<std::once_flag[]> once_ = std::make_unique<std::once_flag[]>(kCount);
    std::unique_ptr<T[]> values_ = std::make_unique<T[]>(kCount);
};

// Floor(SolarTermDay(year, n)), computed once per year.
int TermDayFloor(int year, int n);

// Whole-day new moons of the series for one civil year: Floor(J) at v = -1, 0, ... 13.
struct NewMoonDays {
    std::array<int, 15> day{};
};
NewMoonDays ComputeNewMoonDays(int year);

} // namespace kuvano::lunar::detail
