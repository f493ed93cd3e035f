#pragma once
// The keys the notes tables are reached by, and the date arithmetic behind
// them, shared by the pages, the search index and the import.

#include <QDate>
#include <QString>

namespace kuvano::notes {

// Boxes of the desk month page and lines of the general and calendar notes pages.
constexpr int kDeskCells = 42;

// Month key: year then month, neither padded (20105, 201011).
inline QString monthKey(const QDate& d) {
    return QString::number(d.year()) + QString::number(d.month());
}

// Day key: always yyyy-M-d (2010-5-3), whatever the locale, so that a note
// keyed under one desktop session's locale is found under the next.
inline QString dayKey(const QDate& d) {
    return QString::number(d.year()) + QLatin1Char('-') + QString::number(d.month()) +
           QLatin1Char('-') + QString::number(d.day());
}

// The date of desk cell 1 for the month of `date`: the Sunday on or before the first.
inline QDate deskOrigin(const QDate& date) {
    const QDate first(date.year(), date.month(), 1);
    return first.addDays(-(first.dayOfWeek() % 7)); // dayOfWeek: Monday 1 .. Sunday 7
}

} // namespace kuvano::notes
