// Developer tool: draws the desk grid and the lunar calendar control for one date, headless, to
// PNG files for a look at what they paint (day labels, marks, the selected cell).
//
//   calendar_shots YYYY-MM-DD OUTDIR [SCALE]
//
// writes OUTDIR/desk-grid-YYYY-MM.png (700 x 500) and OUTDIR/calendar-YYYY-MM.png (313 x 253),
// the given day selected, each enlarged SCALE times (default 1) without smoothing.

#include "calendarctl/ChnCalendarPicker.h"
#include "calendarctl/JvTFMonths.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

namespace {

bool save(QWidget& w, const QString& path, int scale) {
    const QImage image = w.grab().toImage();
    const QImage shown =
        image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (shown.save(path)) return true;
    std::fprintf(stderr, "calendar_shots: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QDate date = args.size() >= 3 ? QDate::fromString(args[1], Qt::ISODate) : QDate();
    const int scale = args.size() >= 4 ? args[3].toInt() : 1;
    if (!date.isValid() || args.size() > 4 || scale < 1 || scale > 8) {
        std::fprintf(stderr, "usage: calendar_shots YYYY-MM-DD OUTDIR [SCALE 1..8]\n");
        return 2;
    }
    kuvano::fonts::installSubstitutes();
    const QDir out(args[2]);
    QDir().mkpath(out.path());
    const QString month = date.toString(QStringLiteral("yyyy-MM"));

    kuvano::JvTFMonths grid;
    grid.resize(700, 500);
    grid.setDisplayDate(date);
    grid.selectDate(date);

    kuvano::calendarctl::TChnCalendar calendar;
    calendar.SetDateTime(QDateTime(date, QTime(0, 0)));

    const bool ok =
        save(grid, out.filePath(QStringLiteral("desk-grid-%1.png").arg(month)), scale) &&
        save(calendar, out.filePath(QStringLiteral("calendar-%1.png").arg(month)), scale);
    return ok ? 0 : 1;
}
