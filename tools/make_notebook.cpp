// make_notebook YEARS NOTE_BYTES OUT_FOLDER [LAST_YEAR]
// Writes OUT_FOLDER/DB3/CalendarD.mdb holding YEARS years of notes on every
// page (ending with LAST_YEAR, this year by default), each rich note about
// NOTE_BYTES of RTF. An existing database is never replaced.
#include "notebook.h"

#include "store/sqlite_db.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    kuvano::notebook::Spec spec;
    bool ok = args.size() == 4 || args.size() == 5;
    bool okYears = false, okBytes = false, okLast = true;
    if (ok) {
        spec.years = args.at(1).toInt(&okYears);
        spec.noteBytes = args.at(2).toInt(&okBytes);
        if (args.size() == 5) spec.lastYear = args.at(4).toInt(&okLast);
    }
    if (!ok || !okYears || !okBytes || !okLast || spec.years < 1 || spec.years > 200 ||
        spec.noteBytes < 1 || spec.lastYear < 0 || spec.lastYear > 9999) {
        std::fprintf(stderr, "usage: make_notebook YEARS NOTE_BYTES OUT_FOLDER [LAST_YEAR]\n");
        return 2;
    }
    QElapsedTimer t;
    t.start();
    try {
        const auto c = kuvano::notebook::makeNotebook(args.at(3), spec);
        std::printf("%d months, %d days, %d years, %lld bytes of RTF in %.1f s\n", c.months, c.days,
                    c.years, static_cast<long long>(c.rtfBytes), double(t.elapsed()) / 1000);
    } catch (const kuvano::sql::Error& e) {
        std::fprintf(stderr, "make_notebook: %s\n", e.what());
        return 1;
    }
    return 0;
}
