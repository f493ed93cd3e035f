// Lookup of days off and make-up working days: the built-in table with the user's overlay laid
// over it, kept as one array per listed year so a lookup never searches.

#include "lunar/holidays.h"

#include <array>
#include <cstdint>
#include <memory>

namespace kuvano::lunar {
namespace {

constexpr int kLastYear = 2100; // listed days are of years 1..2100
constexpr int kSlotsPerYear = 12 * 31;

class DayOffTable {
public:
    DayOffTable(std::span<const ListedDay> builtIn, std::span<const ListedDay> overlay) {
        slot_.fill(-1);
        for (const ListedDay& d : builtIn) set(d);
        for (const ListedDay& d : overlay) set(d);
    }

    DayOff of(int year, int month, int day) const noexcept {
        if (year < 1 || year > kLastYear || month < 1 || month > 12 || day < 1 || day > 31)
            return DayOff::None;
        const int s = slot_[static_cast<std::size_t>(year)];
        if (s < 0) return DayOff::None;
        return years_[static_cast<std::size_t>(s)][static_cast<std::size_t>(index(month, day))];
    }

private:
    // Day slot within a year: month-major, 31 slots a month; the slots of days a month lacks
    // stay None.
    static int index(int month, int day) { return (month - 1) * 31 + day - 1; } // [0, 371]

    void set(const ListedDay& d) {
        if (d.year < 1 || d.year > kLastYear || d.month < 1 || d.month > 12 || d.day < 1 ||
            d.day > 31)
            return;
        std::int16_t& s = slot_[static_cast<std::size_t>(d.year)];
        if (s < 0) {
            s = static_cast<std::int16_t>(years_.size());
            years_.emplace_back().fill(DayOff::None);
        }
        years_[static_cast<std::size_t>(s)][static_cast<std::size_t>(index(d.month, d.day))] =
            d.kind;
    }

    // Index into years_ of each year 0..2100 that lists a day, else -1.
    std::array<std::int16_t, kLastYear + 1> slot_{};
    std::vector<std::array<DayOff, kSlotsPerYear>> years_;
};

std::unique_ptr<const DayOffTable>& Current() {
    static std::unique_ptr<const DayOffTable> table =
        std::make_unique<const DayOffTable>(BuiltInListedDays(), std::span<const ListedDay>());
    return table;
}

} // namespace

DayOff DayOffOf(int year, int month, int day) noexcept {
    return Current()->of(year, month, day);
}

void SetDayOffOverlay(std::span<const ListedDay> days) {
    Current() = std::make_unique<const DayOffTable>(BuiltInListedDays(), days);
}

} // namespace kuvano::lunar
