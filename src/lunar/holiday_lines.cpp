// The file form of the days-off table. Also compiled into the build's table generator, so the
// built-in table and a user's file are read by the same rules; it needs nothing else of the
// engine.

#include "lunar/holidays.h"

namespace kuvano::lunar {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The first blank-separated field of s; s keeps the rest, leading blanks removed.
std::string_view TakeField(std::string_view& s) {
    std::size_t end = 0;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    const std::string_view field = s.substr(0, end);
    s = TrimBlanks(s.substr(end));
    return field;
}

// A decimal number of minWidth..maxWidth digits and nothing else.
bool ReadNumber(std::string_view s, std::size_t minWidth, std::size_t maxWidth, int& value) {
    if (s.size() < minWidth || s.size() > maxWidth) return false;
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "YYYY-MM-DD" (one-digit month and day taken too), a real proleptic Gregorian date of 1..2100.
bool ReadDate(std::string_view s, ListedDay& out) {
    const std::size_t dash1 = s.find('-');
    const std::size_t dash2 = dash1 == std::string_view::npos ? dash1 : s.find('-', dash1 + 1);
    if (dash2 == std::string_view::npos) return false;
    int y = 0, m = 0, d = 0;
    if (!ReadNumber(s.substr(0, dash1), 4, 4, y) ||
        !ReadNumber(s.substr(dash1 + 1, dash2 - dash1 - 1), 1, 2, m) ||
        !ReadNumber(s.substr(dash2 + 1), 1, 2, d))
        return false;
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    if (y < 1 || y > 2100 || m < 1 || m > 12 || d < 1 ||
        d > kLengths[m - 1] + (m == 2 && leap ? 1 : 0))
        return false;
    out.year = y;
    out.month = m;
    out.day = d;
    return true;
}

bool ReadLine(std::string_view line, ListedDay& out) {
    if (!ReadDate(TakeField(line), out)) return false;
    const std::string_view kind = TakeField(line);
    if (kind == DayOffMark(DayOff::Off))
        out.kind = DayOff::Off;
    else if (kind == DayOffMark(DayOff::Work))
        out.kind = DayOff::Work;
    else
        return false;
    return true; // what is left is the holiday's name, which nothing needs
}

} // namespace

std::string_view DayOffMark(DayOff kind) {
    switch (kind) {
    case DayOff::Off:
        return "休";
    case DayOff::Work:
        return "班";
    case DayOff::None:
        break;
    }
    return {};
}

ListedDayLines ParseListedDays(std::string_view text) {
    ListedDayLines out;
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (raw.ends_with('\r')) raw.remove_suffix(1);
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == '#') continue;
        ListedDay day;
        if (ReadLine(line, day)) {
            out.days.push_back(day);
            continue;
        }
        if (out.badLines++ == 0) {
            out.firstBadLine = number;
            out.firstBadText = std::string(raw);
        }
    }
    return out;
}

} // namespace kuvano::lunar
