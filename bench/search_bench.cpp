// Searching ten years of notes: a query through the full-text index and a
// shorter one through the scan, and the background build of the whole index.
// The notebook is made once per run: a day-schedule note for every day and a
// note in every desk cell of every month, about 200 characters each, Chinese
// and Latin mixed, stored as the boxes store them (RTF).
#include "notes/MainState.h"
#include "notes/plain_text.h"
#include "rtf/rtf.h"
#include "store/search_index.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

constexpr int kFirstYear = 2016, kYears = 10;
constexpr int kNoteCharacters = 200;

const std::array<const char16_t*, 16> kPhrases = {
    u"上午九点部门例会，讨论下季度预算。",
    u"给张老师打电话，约下周的家长会",
    u"下午三点去银行办理转账",
    u"体检报告出来了，血压正常",
    u"取快递、交电费、买菜、接孩子放学",
    u"妈妈生日，记得订蛋糕！",
    u"Call Mr. Wang about the contract. ",
    u"Meeting at 14:00, room 302. ",
    u"复习第五章，准备周五的考试",
    u"牙医预约 10:30，带上医保卡",
    u"Flight CA1831 PEK-SHA 08:05 ",
    u"晚上七点同学聚会，地点：老地方",
    u"车辆年检，带行驶证和保险单",
    u"TODO: backup photos to the NAS ",
    u"周末带孩子去动物园",
    u"预约下个月的体检，空腹",
};

// splitmix64: the same notebook on every machine.
quint64 nextRandom(quint64& s) {
    quint64 z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

QByteArray noteRtf(quint64 seed, QTextDocument& doc) {
    QString text;
    while (text.size() < kNoteCharacters) {
        text += QString::fromUtf16(kPhrases[nextRandom(seed) % kPhrases.size()]);
        if (nextRandom(seed) % 4 == 0) text += QLatin1Char('\n');
        // A rare word: found in about one note of a hundred.
        if (nextRandom(seed) % 1000 == 0) text += QStringLiteral("护照续签材料");
    }
    text.truncate(kNoteCharacters);
    doc.setPlainText(text);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor, 3);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    c.mergeCharFormat(red);
    return rtf::write(doc);
}

// The notebook as written before the index existed.
class Notebook {
public:
    static const Notebook& instance() {
        static const Notebook book;
        return book;
    }
    QString file() const { return dir_.filePath(QStringLiteral("CalendarD.mdb")); }
    int notes() const { return notes_; }

    // A program folder holding a copy of the notebook.
    std::unique_ptr<QTemporaryDir> copy() const {
        auto dir = std::make_unique<QTemporaryDir>();
        QDir(dir->path()).mkpath(QStringLiteral("DB3"));
        QFile::copy(file(), dir->filePath(TDM::relativePath()));
        return dir;
    }

private:
    Notebook() {
        sql::Database db;
        db.create(file(), NotesSchemaSql(), 2000);
        QTextDocument doc;
        quint64 seed = 1;
        sql::Transaction tx(db);
        const QStringList columns = db.tableColumns(QStringLiteral("TailiNew"));
        QString marks;
        for (int i = 1; i < columns.size(); ++i) marks += QStringLiteral(", ?");
        sql::Statement month(db, QStringLiteral("insert into TailiNew values(?%1)").arg(marks));
        sql::Statement day(db, QStringLiteral("insert into TailiNew_day values(?, ?)"));
        for (QDate d(kFirstYear, 1, 1); d.year() < kFirstYear + kYears; d = d.addDays(1)) {
            if (d.day() == 1) {
                month.bind(1, monthKey(d));
                for (int cell = 1; cell <= kDeskCells; ++cell)
                    month.bind(1 + cell, noteRtf(++seed, doc));
                month.step();
                month.reset();
                notes_ += kDeskCells;
            }
            day.bind(1, dayKey(d));
            day.bind(2, noteRtf(++seed, doc));
            day.step();
            day.reset();
            ++notes_;
        }
        tx.commit();
    }

    QTemporaryDir dir_;
    int notes_ = 0;
};

// A copy of the notebook with its index built.
struct Indexed {
    std::unique_ptr<QTemporaryDir> dir = Notebook::instance().copy();
    std::unique_ptr<TDM> dm = std::make_unique<TDM>(ProgramFolder(dir->path()));
    Indexed() {
        BuildProgress progress;
        BuildSearchIndex(dir->filePath(TDM::relativePath()), {}, progress);
    }
};

void BM_Search(benchmark::State& state, const char16_t* query) {
    static Indexed book;
    SearchIndex& index = *book.dm->searchIndex();
    const QString q = QString::fromUtf16(query);
    Percentiles p;
    QElapsedTimer t;
    size_t hits = 0;
    for (auto _ : state) {
        t.start();
        const SearchResult r = index.find(q, 300); // as the search window asks
        p.add(t.nsecsElapsed());
        hits = r.hits.size();
    }
    p.report(state);
    state.counters["hits"] = double(hits);
    state.counters["full_text"] = QueryCharacters(q) >= kFullTextMinimum ? 1 : 0;
}

// The whole build of a file whose index is missing, as at the first start.
void BM_BuildIndex(benchmark::State& state) {
    const Notebook& book = Notebook::instance();
    int written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = book.copy();
        TDM dm{ProgramFolder(dir->path())}; // the program is running meanwhile
        state.ResumeTiming();
        BuildProgress progress;
        written = BuildSearchIndex(dir->filePath(TDM::relativePath()), {}, progress);
        state.PauseTiming();
        if (written != book.notes()) state.SkipWithError("the build missed notes");
        state.ResumeTiming();
    }
    state.counters["notes"] = double(written);
}

} // namespace

BENCHMARK_CAPTURE(BM_Search, three_chinese, u"张老师")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, two_chinese, u"体检")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, rare_four, u"护照续签")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond)->MinTime(0.5);

int main(int argc, char** argv) {
    kuvano::notes::InstallPlainTextReader();
    return runQtBenchmarks(argc, argv);
}
