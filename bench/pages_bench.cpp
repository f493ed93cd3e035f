// One keystroke's save on the general notes page and on the yearly notes
// page, each against a bare SQLite commit of the same values in the same
// database and the same run.
#include "bench_support.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "notes/plain_text.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>

#include <memory>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

// A program folder with a year of general notes and ten years of yearly notes.
struct Pages {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    std::unique_ptr<TDM> dm;
    MainState state;
    QWidget window;
    GeneralNotesPage* general = nullptr;
    YearNotesPage* year = nullptr;

    Pages() {
        QDir(dir.path()).mkpath(QStringLiteral("DB3"));
        dm = std::make_unique<TDM>(folder);
        auto* left = new QWidget(&window);
        left->setGeometry(0, 0, 1101, 687);
        auto* right = new QWidget(&window);
        right->setGeometry(0, 0, 1101, 687);
        general = new GeneralNotesPage(*dm, state, left);
        year = new YearNotesPage(*dm, state, right, QString());
        general->Layout();
        year->Layout();
        state.saving = SaveSwitches(); // filled below without a save per change
        // Earlier months and years, made through the pages themselves.
        for (int m = 1; m <= 12; ++m) {
            state.shownDate = QDate(2010, m, 1);
            for (int i = 1; i <= kLineBoxes; ++i)
                general->box(i)->setText(QStringLiteral("第%1行 记事 note line %1").arg(i));
            general->SaveGeneralNotes();
        }
        for (int y = 2001; y <= 2010; ++y) {
            state.shownDate = QDate(y, 6, 1);
            for (int m = 1; m <= kYearBoxes; ++m) fill(*year->box(m));
            year->SaveYearNotes();
        }
    }

    // About 1 KB of RTF: a few lines of Chinese and Latin in two faces and colours.
    static void fill(NoteBox& box) {
        box.clear();
        QTextCursor c = box.textCursor();
        for (int k = 0; box.SaveToStream().size() < 1024; ++k) {
            QTextCharFormat f;
            f.setFontFamilies({k % 2 ? QStringLiteral("黑体") : QStringLiteral("宋体")});
            f.setForeground(k % 3 ? QColor(0, 0, 0) : QColor(255, 0, 0));
            c.insertText(QStringLiteral("上午九点 部门例会 Call Mr. Wang"), f);
            c.insertBlock();
        }
    }
};

// A keystroke in a general notes line: the edit made with saving off (not
// timed), then the line's change handler: 42 texts and 42 colours, durably.
void BM_GeneralKeystrokeSave(benchmark::State& state) {
    Pages p;
    p.state.shownDate = QDate(2010, 6, 1);
    p.general->LoadGeneralNotes();
    LineBox* line = p.general->box(9);
    Percentiles pc;
    QElapsedTimer t;
    for (auto _ : state) {
        p.state.saving.general = false;
        line->setText(line->text().size() > 40 ? QStringLiteral("a") : line->text() + u'字');
        p.state.saving.general = true;
        t.start();
        p.general->Edit1Exit(line);
        pc.add(t.nsecsElapsed());
    }
    pc.report(state);
    if (p.state.unsaved) state.SkipWithError("a save failed");
}

// The same 42 texts and 42 colours as one bare commit of two updates.
void BM_BareSqliteCommit_General(benchmark::State& state) {
    Pages p;
    sql::Database& db = p.dm->connection();
    QStringList texts, colors;
    for (int i = 1; i <= kLineBoxes; ++i) {
        texts << QStringLiteral("Text%1=?").arg(i);
        colors << QStringLiteral("Color%1=?").arg(i);
    }
    sql::Statement updateTexts(db,
                               QStringLiteral("update edtText set %1 where edtYearMonth='20106'")
                                   .arg(texts.join(QLatin1Char(','))));
    sql::Statement updateColors(
        db, QStringLiteral("update edtTextColor set %1 where edtYearMonth='20106'")
                .arg(colors.join(QLatin1Char(','))));
    int edits = 0;
    Percentiles pc;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        db.exec("BEGIN IMMEDIATE");
        for (int i = 1; i <= kLineBoxes; ++i) {
            updateTexts.bind(i,
                             QStringLiteral("第%1行 记事 note line %1 %2").arg(i).arg(edits % 40));
            updateColors.bind(i, i % 3 ? 0 : 255);
        }
        ++edits;
        updateTexts.step();
        updateTexts.reset();
        updateColors.step();
        updateColors.reset();
        db.exec("COMMIT");
        pc.add(t.nsecsElapsed());
    }
    pc.report(state);
}

// A keystroke in a yearly box: the edit made with saving off (not timed),
// then the box's change handler: twelve RTF documents written, durably.
void BM_YearKeystrokeSave(benchmark::State& state) {
    Pages p;
    p.state.shownDate = QDate(2010, 6, 1);
    p.year->LoadYearNotes();
    NoteBox* box = p.year->box(12);
    const int start = box->document()->characterCount();
    Percentiles pc;
    QElapsedTimer t;
    for (auto _ : state) {
        p.state.saving.yearly = false;
        if (box->document()->characterCount() > start + 40) Pages::fill(*box); // stay near 1 KB
        box->textCursor().insertText(QStringLiteral("字"));
        p.state.saving.yearly = true;
        t.start();
        p.year->RichEdit(box);
        pc.add(t.nsecsElapsed());
    }
    pc.report(state);
    if (p.state.unsaved) state.SkipWithError("a save failed");
}

// The same twelve documents as one bare commit of one update.
void BM_BareSqliteCommit_Year(benchmark::State& state) {
    Pages p;
    sql::Database& db = p.dm->connection();
    std::array<QByteArray, kYearBoxes> months;
    for (int m = 1; m <= kYearBoxes; ++m) months[size_t(m - 1)] = p.year->box(m)->SaveToStream();
    QStringList sets;
    for (int m = 1; m <= kYearBoxes; ++m) sets << QStringLiteral("Month%1=?").arg(m);
    sql::Statement update(
        db,
        QStringLiteral("update YearJishi set %1 where year=2010").arg(sets.join(QLatin1Char(','))));
    int edits = 0;
    Percentiles pc;
    QElapsedTimer t;
    for (auto _ : state) {
        QByteArray& december = months[11];
        december[december.size() / 2] = char('a' + (++edits % 26)); // the keystroke's change
        t.start();
        db.exec("BEGIN IMMEDIATE");
        for (int m = 1; m <= kYearBoxes; ++m) update.bind(m, months[size_t(m - 1)]);
        update.step();
        update.reset();
        db.exec("COMMIT");
        pc.add(t.nsecsElapsed());
    }
    pc.report(state);
}

} // namespace

BENCHMARK(BM_BareSqliteCommit_General)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GeneralKeystrokeSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareSqliteCommit_Year)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YearKeystrokeSave)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv);
}
