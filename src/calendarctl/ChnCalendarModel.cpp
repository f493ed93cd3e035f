#include "calendarctl/ChnCalendarModel.h"

#include <QDate>

namespace kuvano::calendarctl {
namespace {

QString utf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

QColor toQColor(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

double toDateTimeValue(const QDateTime& dt) {
    const QDate d = dt.date();
    return lunar::EncodeDate(d.year(), d.month(), d.day()) +
           dt.time().msecsSinceStartOfDay() / 86400000.0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

MonthLayout::MonthLayout(int year, int month) : days_(daysInMonth(year, month)) {
    // Day 0 (1899-12-30) was a Saturday; floor division keeps earlier days right too.
    const long long first = static_cast<long long>(lunar::EncodeDate(year, month, 1));
    firstWeekday_ = static_cast<int>(((first - 1) % 7 + 7) % 7) + 1; // [1, 7]
}

int MonthLayout::dayOfCell(int index) const {
    const int d = index - firstWeekday_ + 1;
    return d >= 1 && d <= days_ ? d : 0;
}

ColorRef LabelColors::of(lunar::DayLabelKind kind) const {
    switch (kind) {
    case lunar::DayLabelKind::LunarDay:
        return cnDate;
    case lunar::DayLabelKind::MonthFirst:
        return kRed;
    case lunar::DayLabelKind::CivilFestival:
        return holiday;
    case lunar::DayLabelKind::SolarTerm:
        return lunarHoliday;
    case lunar::DayLabelKind::LunarFestival:
        return cnHoliday;
    }
    return cnDate;
}

bool CalendarMonthModel::rebuild(double value, const LabelColors& colors) {
    int y = 0, m = 0, d = 0;
    lunar::SplitDateTime(value, y, m, d);
    if (y < 1 || y > 2100) return false;
    year_ = y;
    month_ = m;
    day_ = d;

    record_.SetDate(value);
    CnMonth = utf8(record_.MonthText);
    CnDay = utf8(record_.DayText);
    CnDate = CnMonth + CnDay;

    for (int i = kConstellationCell; i <= kAnimalCell; ++i) cells_[i - 1].present = true;
    cells_[kYearNameCell - 1].label = utf8(record_.YearGanZhi);
    cells_[kAnimalCell - 1].label = utf8(record_.Animal) + QStringLiteral("年");

    // The era names the years before the founding of the People's Republic. A day off or a
    // make-up working day says so after the date: "2026-02-15（休） 农历腊月廿八".
    const lunar::DayOff dayOff = lunar::DayOffOf(y, m, d);
    const QString mark = dayOff == lunar::DayOff::None
                             ? QString()
                             : QStringLiteral("（%1）").arg(utf8(lunar::DayOffMark(dayOff)));
    const QString tail = mark + QStringLiteral(" 农历") + CnDate;
    if (y < 1949)
        statusText_ = utf8(record_.EraText) + tail;
    else
        statusText_ = QStringLiteral("%1-%2-%3")
                          .arg(y, 4, 10, QLatin1Char('0'))
                          .arg(m, 2, 10, QLatin1Char('0'))
                          .arg(d, 2, 10, QLatin1Char('0')) +
                      tail;

    for (QString& w : weekTexts_) w.clear();
    for (int i = 1; i <= kLastDayCell; ++i) {
        CalendarCell& c = cells_[i - 1];
        c = CalendarCell{};
        c.dayColor = isWeekendCell(i) ? kRed : colors.date;
    }

    const MonthLayout layout(y, m);
    int lastWeek = 0;
    size_t k = 0;
    selectedCell_ = 0;
    for (int day = 1; day <= layout.days(); ++day) {
        const int i = layout.cellOfDay(day);
        CalendarCell& c = cells_[i - 1];
        record_.SetDate(lunar::EncodeDate(y, m, day));
        // The k-th distinct ISO week met goes to row k, whatever grid row its days sit in.
        const int w = QDate(y, m, day).weekNumber();
        if (w != lastWeek && k < weekTexts_.size()) weekTexts_[k++] = QString::number(w);
        lastWeek = w;

        c.day = day;
        c.dayText = QString::number(day);
        c.monthText = utf8(record_.MonthText);
        c.cnDayText = utf8(record_.DayText);
        c.label = utf8(record_.DayLabel());
        c.labelColor = colors.of(record_.DayLabelKindOf());
        c.dayOff = lunar::DayOffOf(y, m, day);
        if (day == d) {
            c.selected = true;
            selectedCell_ = i;
            cells_[kConstellationCell - 1].label = utf8(record_.Constellation);
        }
        c.present = true;
    }
    return true;
}

} // namespace kuvano::calendarctl
