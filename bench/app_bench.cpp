// The main window's page switches and its resize, on a notes database that
// holds a full year of notes on every page.
#include "app/Main.h"
#include "notes/plain_text.h"
#include "platform/fonts.h"
#include "platform/screen.h"
#include "rtf/rtf.h"
#include "store/clock.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace kuvano;

namespace {

// About 1 KB of RTF as the note box writes it: two faces, two colours.
QByteArray sampleRtf() {
    QTextDocument doc;
    QTextCursor c(&doc);
    for (int k = 0; k < 6; ++k) {
        QTextCharFormat f;
        f.setFontFamilies({k % 2 ? QStringLiteral("黑体") : QStringLiteral("宋体")});
        f.setForeground(k % 3 ? QColor(0, 0, 0) : QColor(255, 0, 0));
        c.insertText(QStringLiteral("上午九点 部门例会 Call Mr. Wang about the contract"), f);
        c.insertBlock();
    }
    return rtf::write(doc);
}

// Inserts a row: the key, then values[1..] into the columns prefix1, prefix2...
// (a prefix given whole names a single column).
void insert(sql::Database& db, const char* table, const char* key, const char* prefix,
            const QVariantList& values) {
    QStringList columns{QLatin1String(key)}, marks{QStringLiteral("?")};
    for (int i = 1; i < values.size(); ++i) {
        columns << QLatin1String(prefix) + (values.size() > 2 ? QString::number(i) : QString());
        marks << QStringLiteral("?");
    }
    sql::Statement st(db, QStringLiteral("insert into %1(%2) values(%3)")
                              .arg(QLatin1String(table), columns.join(QLatin1Char(',')),
                                   marks.join(QLatin1Char(','))));
    for (int i = 0; i < values.size(); ++i) st.bind(i + 1, values.at(i));
    st.step();
}

// A program folder whose database holds this year's notes on every page.
struct Notebook {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path()};
    std::unique_ptr<notes::TDM> dm;
    Notebook() {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("DB3"));
        root.mkpath(QStringLiteral("source/UI"));
        dm = std::make_unique<notes::TDM>(folder);
        sql::Database& db = dm->connection();
        const int year = clock::today().year();
        const QByteArray rtf = sampleRtf();
        sql::Transaction tx(db);
        for (int m = 1; m <= 12; ++m) {
            const QString key = QString::number(year) + QString::number(m);
            QVariantList cells{key}, texts{key}, colors{key};
            for (int i = 1; i <= 42; ++i) {
                cells << rtf;
                texts << QStringLiteral("第%1行 记事 note line %1").arg(i);
                colors << (i % 3 ? 0 : 255);
            }
            insert(db, "TailiNew", "YearMonth", "Cell", cells);
            insert(db, "edtText", "edtYearMonth", "Text", texts);
            insert(db, "edtTextColor", "edtYearMonth", "Color", colors);
            for (int d = 1; d <= QDate(year, m, 1).daysInMonth(); ++d)
                insert(db, "TailiNew_day", "daydate", "daycontent",
                       {notes::dayKey(QDate(year, m, d)), rtf});
        }
        QVariantList texts{QStringLiteral("rili2011")}, colors{QStringLiteral("rili2011")};
        QVariantList months{year};
        for (int i = 1; i <= 42; ++i) {
            texts << QStringLiteral("日历记事 %1").arg(i);
            colors << 0;
        }
        for (int m = 1; m <= 12; ++m) months << rtf;
        insert(db, "RiliJishi", "edtYearMonth", "Text", texts);
        insert(db, "RiliColor", "edtYearMonth", "Color", colors);
        insert(db, "YearJishi", "year", "Month", months);
        tx.commit();
    }
};

struct Window {
    Notebook book;
    std::unique_ptr<app::TMainForm> form;
    Window() {
        screen::setFakeSize(QSize(1600, 1000));
        form = std::make_unique<app::TMainForm>(book.folder, *book.dm);
        form->SetWindowSize(1400, 870);
        form->show();
        QApplication::processEvents();
    }
    void press(const char* button) {
        form->findChild<QAbstractButton*>(QLatin1String(button))->click();
        QApplication::processEvents(); // the page painted
    }
};

const char* const kButtons[] = {"btnYear", "btnMonth", "btnYiban", "btnRili"};

// One page button: from another page to the page shown, laid out, loaded and
// painted. Argument: the button (0 year, 1 month, 2 general, 3 calendar).
void BM_PageSwitch(benchmark::State& state) {
    Window w;
    const char* button = kButtons[state.range(0)];
    const char* away = kButtons[(state.range(0) + 1) % 4];
    Percentiles p, cpu{"cpu_", {}};
    QElapsedTimer t;
    ThreadCpuTimer c;
    for (auto _ : state) {
        w.press(away);
        t.start();
        c.start();
        w.press(button);
        const qint64 ns = t.nsecsElapsed();
        cpu.add(c.nsecsElapsed());
        p.add(ns);
        state.SetIterationTime(double(ns) / 1e9);
    }
    p.report(state);
    cpu.report(state);
    state.SetLabel(button);
}

// One resize of the window between two of its sizes: the anchored frame and
// FormResize's four layout routines (painting not included).
void BM_Resize(benchmark::State& state) {
    Window w;
    Percentiles p, cpu{"cpu_", {}};
    QElapsedTimer t;
    ThreadCpuTimer c;
    bool large = false;
    for (auto _ : state) {
        large = !large;
        t.start();
        c.start();
        w.form->resize(large ? QSize(1400, 870) : QSize(1024, 738));
        cpu.add(c.nsecsElapsed());
        p.add(t.nsecsElapsed());
    }
    p.report(state);
    cpu.report(state);
}

} // namespace

BENCHMARK(BM_PageSwitch)->DenseRange(0, 3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resize)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv);
}
