#include "notes/MainState.h"
#include "store/search_index.h"
#include "store/untdb.h"
#include "support/search_notes.h"
#include "support/test_support.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace kuvano;
using namespace kuvano::notes;
using namespace kuvano::test;

namespace {

QString path(const TempProgramFolder& pf) {
    return pf.path(TDM::relativePath());
}

// A connection of another program: no triggers, no index functions.
std::unique_ptr<sql::Database> foreignConnection(const TempProgramFolder& pf) {
    auto db = std::make_unique<sql::Database>();
    db->openAnother(path(pf), 2000, false);
    return db;
}

// A notes file from before the index, holding the notes `write` puts in.
template <typename F> void oldNotesFile(const TempProgramFolder& pf, F&& write) {
    sql::Database db;
    db.create(path(pf), NotesSchemaSql(), 2000);
    sql::Transaction tx(db);
    write(db);
    tx.commit();
}

int build(const TempProgramFolder& pf, BuildOptions options = {}) {
    BuildProgress progress;
    return BuildSearchIndex(path(pf), options, progress);
}

struct PageCase {
    const NoteTable* table;
    const char16_t* key;
    int position;
    int box;
    const char16_t* dateText;
};

const PageCase kPages[] = {
    {&kDeskTable, u"20105", 1, 1, u"2010-4-25"}, // cell 1 of May 2010 is 25 April
    {&kDeskTable, u"201011", 42, 42, u"2010-12-11"}, {&kDayTable, u"2010-4-25", 1, 1, u"2010-4-25"},
    {&kGeneralTable, u"20111", 3, 3, u"2011年1月"},  {&kCalendarTable, u"rili2011", 42, 42, u""},
    {&kYearTable, u"2010", 5, 5, u"2010年5月"},      {&kMemoTable, u"bwl", 11, 11, u""},
};

} // namespace

TEST(SearchIndex, ANoteWrittenOnEveryPageIsFoundEditedAndEmptied) {
    for (const PageCase& c : kPages) {
        SCOPED_TRACE(QString::fromUtf16(c.table->table).toStdString());
        TempProgramFolder pf;
        TDM dm(pf.folder());
        ASSERT_TRUE(dm.searchIndex() && dm.searchIndex()->available())
            << dm.searchIndex()->error().toStdString();
        ASSERT_TRUE(dm.searchIndex()->fullText());
        const QString key = QString::fromUtf16(c.key);
        const QString note = QStringLiteral("下午 张老师来电 about 体检");
        putNote(dm, *c.table, key, c.position, note);

        // Three characters and more through the full-text index, fewer by the scan.
        for (const QString& q : {QStringLiteral("张老师来电"), QStringLiteral("老师"),
                                 QStringLiteral("检"), QStringLiteral("ABOUT")}) {
            SCOPED_TRACE(q.toStdString());
            const SearchResult r = dm.searchIndex()->find(q);
            ASSERT_EQ(r.hits.size(), 1u);
            const SearchHit& h = r.hits.front();
            EXPECT_EQ(h.page, c.table->page);
            EXPECT_EQ(h.box, c.box);
            EXPECT_EQ(h.text, note);
            EXPECT_EQ(h.start, note.indexOf(q, 0, Qt::CaseInsensitive));
            EXPECT_EQ(h.length, q.size());
            EXPECT_EQ(h.dateText(), QString::fromUtf16(c.dateText));
            EXPECT_EQ(h.location().box, c.box);
        }
        putNote(dm, *c.table, key, c.position, QStringLiteral("改成了别的内容"));
        EXPECT_TRUE(foundTexts(dm, QStringLiteral("张老师")).isEmpty());
        EXPECT_TRUE(foundTexts(dm, QStringLiteral("老师")).isEmpty());
        EXPECT_EQ(foundTexts(dm, QStringLiteral("别的内")),
                  QStringList{QStringLiteral("改成了别的内容")});

        putNote(dm, *c.table, key, c.position, QString());
        EXPECT_TRUE(foundTexts(dm, QStringLiteral("别的内")).isEmpty());
        sql::Statement st(dm.connection(),
                          QStringLiteral("select count(*) from search_text where body <> ''"));
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.column(0).toInt(), 0) << "an emptied note leaves no text in the index";
        checkFullText(dm.connection());
    }
}

TEST(SearchIndex, RowsThePagesNeverShowAreNotIndexed) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    putNote(dm, kCalendarTable, QStringLiteral("rili2010"), 1, QStringLiteral("旧的日历记事"));
    putNote(dm, kMemoTable, QStringLiteral("other"), 1, QStringLiteral("别的备忘录行"));
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("日历记事")).isEmpty());
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("备忘录")).isEmpty());
    // A key changed elsewhere to the one the page reads is brought in by the
    // build, and a row deleted elsewhere taken out.
    dm.connection().exec("update RiliJishi set edtYearMonth='rili2011'");
    build(pf);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("日历记事")).size(), 1);
    dm.connection().exec("delete from RiliJishi");
    build(pf);
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("日历记事")).isEmpty());
}

TEST(SearchIndex, DatesPlacesAndOrderOfNotes) {
    const struct {
        NotePage page;
        const char16_t* key;
        int box;
        const char16_t* dateText;
        QDate shownAt;
        int sortDay;
    } cases[] = {
        // The desk cell shows its own date but lives in the row of the month shown.
        {NotePage::Desk, u"20105", 1, u"2010-4-25", QDate(2010, 5, 1), 20100425},
        {NotePage::Desk, u"20105", 7, u"2010-5-1", QDate(2010, 5, 1), 20100501},
        {NotePage::Desk, u"20105", 38, u"2010-6-1", QDate(2010, 5, 1), 20100601},
        {NotePage::Desk, u"20108", 1, u"2010-8-1", QDate(2010, 8, 1), 20100801},
        {NotePage::Desk, u"20152", 29, u"2015-3-1", QDate(2015, 2, 1), 20150301},
        {NotePage::Desk, u"201011", 1, u"2010-10-31", QDate(2010, 11, 1), 20101031},
        {NotePage::Day, u"2010-4-30", 1, u"2010-4-30", QDate(2010, 4, 30), 20100430},
        {NotePage::General, u"20111", 9, u"2011年1月", QDate(2011, 1, 1), 20110101},
        {NotePage::General, u"201111", 9, u"2011年11月", QDate(2011, 11, 1), 20111101},
        {NotePage::Yearly, u"2012", 12, u"2012年12月", QDate(2012, 12, 1), 20121201},
        {NotePage::Calendar, u"rili2011", 13, u"", QDate(), kUndatedSortDay},
        {NotePage::Memo, u"bwl", 2, u"", QDate(), kUndatedSortDay},
        // Keys no page writes: listed last, shown as they are.
        {NotePage::Desk, u"2010513", 1, u"2010513", QDate(), 0},
        {NotePage::Day, u"5/3/2010x", 1, u"5/3/2010x", QDate(), 0},
    };
    for (const auto& c : cases) {
        const QString key = QString::fromUtf16(c.key);
        SCOPED_TRACE(key.toStdString() + " " + std::to_string(c.box));
        EXPECT_EQ(NoteDateText(c.page, key, c.box), QString::fromUtf16(c.dateText));
        const NoteLocation at = LocateNote(c.page, key, c.box);
        EXPECT_EQ(at.page, c.page);
        EXPECT_EQ(at.date, c.shownAt);
        EXPECT_EQ(at.box, c.box);
        EXPECT_EQ(NoteSortDay(c.page, key, c.box), c.sortDay);
    }
}

TEST(SearchIndex, NewestFirstWithALimitAndAOneLineSnippet) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    putNote(dm, kDayTable, QStringLiteral("2010-1-5"), 1, QStringLiteral("例会 2010"));
    putNote(dm, kDayTable, QStringLiteral("2012-3-1"), 1, QStringLiteral("例会 2012"));
    putNote(dm, kDeskTable, QStringLiteral("20117"), 10, QStringLiteral("例会 2011"));
    putNote(dm, kMemoTable, QStringLiteral("bwl"), 4, QStringLiteral("例会 memo"));
    const QString longLine = QStringLiteral("第一行\n") + QString(60, QChar(0x7532)) +
                             QStringLiteral("例会") + QString(60, QChar(0x4e59)) +
                             QStringLiteral("\n最后一行");
    putNote(dm, kYearTable, QStringLiteral("2009"), 2, longLine);

    for (const QString& q :
         {QStringLiteral("例会"), QStringLiteral("例会 ")}) { // 2 characters: the scan
        const SearchResult r = dm.searchIndex()->find(q);
        QStringList order;
        for (const SearchHit& h : r.hits) order.append(h.dateText());
        EXPECT_EQ(order,
                  (QStringList{QString(), QStringLiteral("2012-3-1"), QStringLiteral("2011-7-5"),
                               QStringLiteral("2010-1-5"), QStringLiteral("2009年2月")}));
        EXPECT_FALSE(r.more);
    }
    const SearchResult limited = dm.searchIndex()->find(QStringLiteral("例会"), 2);
    EXPECT_EQ(limited.hits.size(), 2u);
    EXPECT_TRUE(limited.more);

    const SearchResult all = dm.searchIndex()->find(QStringLiteral("例会"));
    ASSERT_FALSE(all.hits.empty());
    const SearchHit& h = all.hits.back();
    EXPECT_EQ(h.text.mid(h.start, h.length), QStringLiteral("例会"));
    EXPECT_EQ(h.snippet.mid(h.snippetStart, h.snippetLength), QStringLiteral("例会"));
    EXPECT_FALSE(h.snippet.contains(QLatin1Char('\n')));
    EXPECT_TRUE(h.snippet.startsWith(QStringLiteral("…")));
    EXPECT_TRUE(h.snippet.endsWith(QStringLiteral("…")));
    EXPECT_LE(h.snippet.size(), 52);
}

TEST(SearchIndex, QueriesMatchTheLiteralText) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    const QString note =
        QStringLiteral("C:\\dir {a} \"quoted\" 5*3 AND-or 100% a_b NEAR(x y) ^col: 体检");
    putNote(dm, kDeskTable, QStringLiteral("20105"), 3, note);
    putNote(dm, kGeneralTable, QStringLiteral("20105"), 1, QStringLiteral("1000 ab and"));
    const struct {
        const char16_t* query;
        int hits;
    } cases[] = {
        {u"\\dir", 1},      {u"\\", 1},    {u"{a}", 1},   {u"{", 1},       {u"}", 1},
        {u"\"quoted\"", 1}, {u"\"", 1},    {u"5*3", 1},   {u"*", 1},       {u"AND-or", 1},
        {u"-", 1},          {u"100%", 1},  {u"%", 1},     {u"a_b", 1},     {u"_", 1},
        {u"NEAR(x y)", 1},  {u"^col:", 1}, {u"and", 2},   {u"AND", 2},     {u"a%b", 0},
        {u"1%0", 0},        {u"a_c", 0},   {u"\"x\"", 0}, {u"5 AND 3", 0}, {u"体 检", 0},
    };
    for (const auto& c : cases) {
        const QString q = QString::fromUtf16(c.query);
        SCOPED_TRACE(q.toStdString());
        const SearchResult r = dm.searchIndex()->find(q);
        ASSERT_EQ(int(r.hits.size()), c.hits);
        for (const SearchHit& h : r.hits)
            EXPECT_EQ(h.text.mid(h.start, h.length).compare(q, Qt::CaseInsensitive), 0);
    }
    EXPECT_TRUE(dm.searchIndex()->find(QStringLiteral("   ")).hits.empty());
}

TEST(SearchIndex, SearchingNeverWrites) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    putNote(dm, kDeskTable, QStringLiteral("20105"), 3, QStringLiteral("体检报告"));
    auto dataVersion = [&dm] {
        sql::Statement st(dm.connection(), QStringLiteral("PRAGMA data_version"));
        st.step();
        return st.column(0).toLongLong();
    };
    // The saves' entries go into the full-text index before a search; once
    // they are in, searching writes nothing at all.
    dm.searchIndex()->flush();
    const long long before = dataVersion();
    const int changes = sqlite3_total_changes(dm.connection().handle());
    for (const QString& q : {QStringLiteral("体检报"), QStringLiteral("体检"), QStringLiteral("x")})
        dm.searchIndex()->find(q);
    EXPECT_EQ(dataVersion(), before) << "no other connection committed";
    EXPECT_EQ(sqlite3_total_changes(dm.connection().handle()), changes);
}

TEST(SearchIndex, ARowWrittenWholeElsewhereIsBuiltInAndMovesWithItsKey) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    sql::Database& db = dm.connection();
    const QString table = QString::fromUtf16(kDeskTable.table);
    const QStringList columns = db.tableColumns(table);
    const int boxes[] = {1, 7, 42};
    {
        sql::Statement insert(db, QStringLiteral("insert into %1(YearMonth, %2, %3, %4) "
                                                 "values('20105', ?, ?, ?)")
                                      .arg(table, columns.at(1), columns.at(7), columns.at(42)));
        for (int i = 0; i < 3; ++i)
            insert.bind(i + 1, noteValue(kDeskTable, QStringLiteral("整行第%1格").arg(boxes[i])));
        insert.step();
    }
    build(pf);
    const auto found = [&] {
        QStringList out;
        for (const SearchHit& h : dm.searchIndex()->find(QStringLiteral("整行第")).hits)
            out.append(QStringLiteral("%1 %2 %3").arg(h.key).arg(h.box).arg(h.text));
        out.sort();
        return out;
    };
    EXPECT_EQ(found(), (QStringList{QStringLiteral("20105 1 整行第1格"),
                                    QStringLiteral("20105 42 整行第42格"),
                                    QStringLiteral("20105 7 整行第7格")}));
    db.exec("update TailiNew set YearMonth='20106'");
    build(pf);
    EXPECT_EQ(found(), (QStringList{QStringLiteral("20106 1 整行第1格"),
                                    QStringLiteral("20106 42 整行第42格"),
                                    QStringLiteral("20106 7 整行第7格")}));
}

TEST(SearchIndex, AnEditIsIndexedFromItsBoxTextWithoutReadingRtf) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    const long before = PlainTextReads();
    for (int n = 1; n <= kDeskCells; ++n)
        putNote(dm, kDeskTable, QStringLiteral("20105"), n, QStringLiteral("第%1格").arg(n));
    putNote(dm, kDeskTable, QStringLiteral("20105"), 10, QStringLiteral("第十格改了"));
    EXPECT_EQ(PlainTextReads(), before);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("第十格")), QStringList{QStringLiteral("第十格改了")});
    // The build finds every entry current: nothing to read or write.
    EXPECT_EQ(build(pf), 0);
    EXPECT_EQ(PlainTextReads(), before);
}

TEST(SearchIndex, TheBuildBringsInNotesWrittenWithoutTheIndex) {
    TempProgramFolder pf;
    oldNotesFile(pf, [](sql::Database& db) {
        putNoteBehindBack(db, kDeskTable, QStringLiteral("20105"), 1,
                          QStringLiteral("旧笔记一 体检"));
        putNoteBehindBack(db, kDayTable, QStringLiteral("2010-5-3"), 1, QStringLiteral("旧笔记二"));
        putNoteBehindBack(db, kGeneralTable, QStringLiteral("20105"), 2,
                          QStringLiteral("旧笔记三"));
        putNoteBehindBack(db, kCalendarTable, QStringLiteral("rili2011"), 4,
                          QStringLiteral("旧笔记四"));
        putNoteBehindBack(db, kYearTable, QStringLiteral("2010"), 12, QStringLiteral("旧笔记五"));
        putNoteBehindBack(db, kMemoTable, QStringLiteral("bwl"), 1, QStringLiteral("旧笔记六"));
    });
    TDM dm(pf.folder());
    ASSERT_TRUE(dm.searchIndex()->emptiedAtStart());
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("旧笔记")).isEmpty());
    EXPECT_EQ(build(pf), 6);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("旧笔记")).size(), 6);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("旧笔")).size(), 6);
    EXPECT_EQ(build(pf), 0) << "a built index has nothing left to do";

    // Written, changed and removed again behind the program's back.
    auto other = foreignConnection(pf);
    putNoteBehindBack(*other, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("新写的"));
    other->exec("delete from TailiNew_day");
    other->exec("update beiwanglu set Line1=NULL");
    EXPECT_EQ(build(pf), 3);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("旧笔记")).size(), 3);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("新写的")).size(), 1);
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("体检")).isEmpty());
    checkFullText(dm.connection());
}

TEST(SearchIndex, NotesTypedDuringTheBuildKeepTheirNewestText) {
    TempProgramFolder pf;
    oldNotesFile(pf, [](sql::Database& db) {
        for (int d = 1; d <= 28; ++d)
            putNoteBehindBack(db, kDayTable, QStringLiteral("2010-2-%1").arg(d), 1,
                              QStringLiteral("二月%1日 旧").arg(d));
    });
    TDM dm(pf.folder());
    BuildOptions options;
    options.batchNotes = 3;
    int typed = 0;
    options.afterBatch = [&](int, int) {
        // A note not yet reached, one already written, and a new one.
        ++typed;
        putNote(dm, kDayTable, QStringLiteral("2010-2-28"), 1,
                QStringLiteral("二月28日 新%1").arg(typed));
        putNote(dm, kDayTable, QStringLiteral("2010-2-1"), 1,
                QStringLiteral("二月1日 新%1").arg(typed));
        putNote(dm, kDayTable, QStringLiteral("2010-3-%1").arg(typed), 1,
                QStringLiteral("三月 新"));
    };
    build(pf, options);
    EXPECT_GT(typed, 5);
    EXPECT_EQ(build(pf), 0) << "every entry matches its note";
    EXPECT_EQ(foundTexts(dm, QStringLiteral("二月28日")),
              QStringList{QStringLiteral("二月28日 新%1").arg(typed)});
    EXPECT_EQ(foundTexts(dm, QStringLiteral("三月 新")).size(), typed);
    checkFullText(dm.connection());
}

TEST(SearchIndex, ACorruptOrForeignIndexIsEmptiedAndBuiltAgain) {
    const char* damages[] = {
        "UPDATE search_fts_data SET block = x'0102' WHERE id = 10", // takes no more writes
        "UPDATE search_fts_data SET block = x'00' WHERE id > 10",   // fails every query
        "DELETE FROM search_fts_docsize",
        "DELETE FROM search_fts_data WHERE id > 10",
        "UPDATE search_state SET value = 99 WHERE name = 'version'",
        "DROP TABLE search_fts",
        "DROP TABLE search_text",
    };
    for (const char* damage : damages) {
        SCOPED_TRACE(damage);
        TempProgramFolder pf;
        {
            TDM dm(pf.folder());
            for (int n = 1; n <= 20; ++n)
                putNote(dm, kDeskTable, QStringLiteral("20105"), n,
                        QStringLiteral("体检第%1格").arg(n));
        }
        foreignConnection(pf)->exec(damage);
        TDM dm(pf.folder());
        ASSERT_TRUE(dm.searchIndex()->available()) << dm.searchIndex()->error().toStdString();
        EXPECT_TRUE(dm.searchIndex()->emptiedAtStart());
        // Notes are saved and indexed as ever while the build has not run.
        putNote(dm, kDeskTable, QStringLiteral("20106"), 1, QStringLiteral("体检新的"));
        EXPECT_EQ(foundTexts(dm, QStringLiteral("体检新")).size(), 1);
        build(pf);
        EXPECT_EQ(foundTexts(dm, QStringLiteral("体检第")).size(), 20);
        EXPECT_EQ(foundTexts(dm, QStringLiteral("体检")).size(), 21);
        checkFullText(dm.connection());
    }
}

TEST(SearchIndex, AnIndexDisagreeingWithItsTextIsFoundByTheFullCheck) {
    TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        putNote(dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("体检报告"));
        putNote(dm, kDeskTable, QStringLiteral("20105"), 2, QStringLiteral("交房租"));
    }
    {
        // An entry's text changed behind the full-text index's back: every
        // count still agrees and every query still runs.
        auto other = foreignConnection(pf);
        other->exec("UPDATE search_text SET body = '篡改过的内容', indexed = '篡改过的内容' "
                    "WHERE cell = 1;");
    }
    TDM dm(pf.folder());
    EXPECT_FALSE(dm.searchIndex()->emptiedAtStart());
    EXPECT_EQ(build(pf), 2) << "emptied and built again";
    EXPECT_EQ(foundTexts(dm, QStringLiteral("体检报")), QStringList{QStringLiteral("体检报告")});
    EXPECT_TRUE(foundTexts(dm, QStringLiteral("篡改过")).isEmpty());
    checkFullText(dm.connection());
}

// The full check holds the write lock for a time that grows with the
// notebook: it runs when due, not at every build, and still finds the damage
// once it is.
TEST(SearchIndex, TheFullCheckRunsWhenDue) {
    const QDate checked(2011, 6, 30);
    TempProgramFolder pf;
    {
        FixedClock at(QDateTime(checked, QTime(9, 0)));
        TDM dm(pf.folder());
        putNote(dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("体检报告"));
        putNote(dm, kDeskTable, QStringLiteral("20105"), 2, QStringLiteral("交房租"));
        EXPECT_TRUE(FullCheckDue(dm.connection(), checked)) << "a new index has no pass";
        build(pf);
        EXPECT_FALSE(FullCheckDue(dm.connection(), checked));
    }
    foreignConnection(pf)->exec("UPDATE search_text SET body = '篡改过的内容', "
                                "indexed = '篡改过的内容' WHERE cell = 1;");
    const struct {
        int daysLater;
        bool found; // the damage found and the index built again
    } cases[] = {{0, false}, {kFullCheckDays - 1, false}, {-1, true}, {kFullCheckDays, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.daysLater);
        TempProgramFolder copy;
        ASSERT_TRUE(QFile::copy(path(pf), path(copy)));
        FixedClock at(QDateTime(checked.addDays(c.daysLater), QTime(9, 0)));
        EXPECT_EQ(build(copy), c.found ? 2 : 0);
        TDM dm(copy.folder());
        EXPECT_EQ(foundTexts(dm, QStringLiteral("体检报")) ==
                      QStringList{QStringLiteral("体检报告")},
                  c.found);
        // A pass is recorded; an index built again is checked at the next build.
        EXPECT_EQ(FullCheckDue(dm.connection(), checked.addDays(c.daysLater)), c.found);
    }
    // A pass under another SQLite library does not count.
    foreignConnection(pf)->exec(
        "UPDATE search_state SET value = substr(value, 1, instr(value, ' ')) || '0.0.1' "
        "WHERE name = 'fullcheck';");
    TDM dm(pf.folder());
    EXPECT_TRUE(FullCheckDue(dm.connection(), checked));
}

TEST(SearchIndex, AFullTextIndexFailingAQueryIsNotTrusted) {
    TempProgramFolder pf;
    TDM dm(pf.folder());
    putNote(dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("体检报告"));
    // Damaged while the program runs: the next full-text query fails.
    foreignConnection(pf)->exec("UPDATE search_fts_data SET block = x'00' WHERE id > 10");
    EXPECT_NO_THROW(dm.searchIndex()->find(QStringLiteral("体检报")));
    // Emptied, and built again in the background from the notes.
    dm.searchIndex()->stopBuild();
    build(pf);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("体检报")).size(), 1);
    checkFullText(dm.connection());
}

TEST(SearchIndex, AnIndexKilledWhileBuildingIsFinishedByTheNextStart) {
    TempProgramFolder pf;
    oldNotesFile(pf, [](sql::Database& db) {
        for (int d = 0; d < 240; ++d)
            putNoteBehindBack(db, kDayTable, dayKey(QDate(2010, 1, 1).addDays(d)), 1,
                              QStringLiteral("第%1天 的笔记 体检").arg(d));
    });
    { TDM dm(pf.folder()); } // the index tables, empty
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral(KUVANO_PROBE_DIR "/probe_search_build"), {path(pf)});
    ASSERT_TRUE(child.waitForStarted(10000));
    QByteArray out;
    while (!out.contains("batch 40/") && child.waitForReadyRead(20000)) out += child.readAll();
    ASSERT_TRUE(out.contains("batch 40/")) << out.toStdString();
    child.kill(); // SIGKILL, in the middle of a batch or between two
    child.waitForFinished(10000);

    TDM dm(pf.folder());
    ASSERT_TRUE(dm.connected()) << dm.creationError().toStdString();
    const int partly = int(foundTexts(dm, QStringLiteral("体检")).size());
    EXPECT_GE(partly, 40);
    EXPECT_LT(partly, 240);
    EXPECT_EQ(build(pf), 240 - partly);
    EXPECT_EQ(foundTexts(dm, QStringLiteral("体检")).size(), 240);
    checkFullText(dm.connection());
}

TEST(SearchIndex, TheBackgroundBuildReportsProgressAndEnds) {
    TempProgramFolder pf;
    oldNotesFile(pf, [](sql::Database& db) {
        for (int n = 1; n <= 30; ++n)
            putNoteBehindBack(db, kDeskTable, QStringLiteral("20105"), n,
                              QStringLiteral("格%1").arg(n));
    });
    TDM dm(pf.folder());
    BuildOptions options;
    options.batchNotes = 4;
    std::vector<std::pair<int, int>> seen;
    options.afterBatch = [&seen](int done, int total) { seen.emplace_back(done, total); };
    dm.searchIndex()->startBuild(options);
    for (int i = 0; i < 400 && dm.searchIndex()->buildStatus().busy(); ++i) QThread::msleep(25);
    const auto s = dm.searchIndex()->buildStatus();
    EXPECT_EQ(s.state, SearchIndexBuilder::State::Ready) << s.error.toStdString();
    EXPECT_EQ(s.done, 30);
    EXPECT_EQ(s.total, 30);
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen.front(), std::make_pair(4, 30));
    EXPECT_EQ(dm.searchIndex()->find(QStringLiteral("格")).hits.size(), 30u);
}

TEST(SearchIndex, SavesReachTheFullTextIndexBeforeASearchAndWhenTheNotebookCloses) {
    TempProgramFolder pf;
    const auto pending = [](sql::Database& db) {
        sql::Statement st(db, QStringLiteral("SELECT count(*) FROM search_text "
                                             "WHERE indexed IS NOT body"));
        st.step();
        return st.column(0).toInt();
    };
    {
        TDM dm(pf.folder());
        putNote(dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("体检报告"));
        putNote(dm, kDayTable, QStringLiteral("2010-5-3"), 1, QStringLiteral("交房租"));
        EXPECT_EQ(pending(dm.connection()), 2); // the saves wrote their text only
        EXPECT_EQ(foundTexts(dm, QStringLiteral("体检报")),
                  QStringList{QStringLiteral("体检报告")});
        EXPECT_EQ(pending(dm.connection()), 0);
        checkFullText(dm.connection());
        putNote(dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("改成复查"));
    }
    auto other = foreignConnection(pf);
    EXPECT_EQ(pending(*other), 0);
    checkFullText(*other);
    other.reset();

    // The flush finds its entries through the journal; a journal behind
    // its mark (replaced by another copy's) has every entry looked at.
    TDM dm(pf.folder());
    putNote(dm, kDeskTable, QStringLiteral("20106"), 2, QStringLiteral("复诊预约"));
    dm.connection().exec("UPDATE search_state SET value = 999 WHERE name = 'flushed'");
    EXPECT_EQ(foundTexts(dm, QStringLiteral("复诊预约")), QStringList{QStringLiteral("复诊预约")});
    EXPECT_EQ(pending(dm.connection()), 0);
}
