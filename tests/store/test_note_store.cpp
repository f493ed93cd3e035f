#include "store/clock.h"
#include "store/search_schema.h"
#include "store/untdb.h"
#include "support/store_peek.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

struct Book {
    test::TempProgramFolder pf;
    TDM dm{pf.folder()};
    NoteStore& notes = dm.notes();
    sql::Database& db = dm.connection();

    int rows(const char* table) { return test::rowCount(db, QString::fromLatin1(table)); }
    QString entry(NotePage page, const QString& key, int box) {
        const auto row = test::firstRowOf(
            db, QStringLiteral(
                    "select body from search_text where page = %1 and key = '%2' and cell = %3")
                    .arg(int(page))
                    .arg(key)
                    .arg(box));
        return row ? row->at(0).toString() : QStringLiteral("<none>");
    }
};

LineNotes linesWith(int line, const QString& text, int color) {
    LineNotes lines;
    lines[size_t(line - 1)] = {text, color};
    return lines;
}

} // namespace

TEST(NoteStore, MissingFileIsCreatedWithEveryTableAndTheMemoRow) {
    Book b;
    ASSERT_TRUE(b.dm.creationError().isEmpty()) << b.dm.creationError().toStdString();
    // Column counts are the file format: boxes are reached by position after the key.
    const std::pair<const char16_t*, int> tables[] = {
        {u"TailiNew", 43},  {u"TailiNew_day", 2}, {u"edtText", 43},   {u"edtTextColor", 43},
        {u"RiliJishi", 43}, {u"RiliColor", 43},   {u"YearJishi", 13}, {u"beiwanglu", 13},
        {u"Taili", 2},      {u"TailiColor", 2}};
    for (const auto& [table, columns] : tables)
        EXPECT_EQ(b.db.tableColumns(QString::fromUtf16(table)).size(), columns)
            << QString::fromUtf16(table).toStdString();
    EXPECT_EQ(b.rows("beiwanglu"), 1);
    EXPECT_EQ(b.notes.loadMemo(), (std::array<QString, kMemoNotes>{}));
}

TEST(NoteStore, EveryPageSavesAndLoadsItsNotes) {
    Book b;
    // Desk: January and November of 2011 are different rows (20111, 201111).
    b.notes.saveDeskCell(QStringLiteral("20111"), 1, {"{\\rtf1 jan}", QStringLiteral("jan")});
    b.notes.saveDeskCell(QStringLiteral("201111"), 42, {"{\\rtf1 nov}", QStringLiteral("nov")});
    EXPECT_EQ(b.notes.loadDeskMonth(QStringLiteral("20111"))[0], QByteArray("{\\rtf1 jan}"));
    EXPECT_EQ(b.notes.loadDeskMonth(QStringLiteral("201111"))[41], QByteArray("{\\rtf1 nov}"));
    EXPECT_TRUE(b.notes.loadDeskMonth(QStringLiteral("20112"))[0].isEmpty());
    EXPECT_EQ(b.rows("TailiNew"), 2);
    // Day schedule: the row is made on the first save.
    EXPECT_FALSE(b.notes.loadDaySchedule(QStringLiteral("2010-5-3")));
    EXPECT_TRUE(b.notes.saveDaySchedule(QStringLiteral("2010-5-3"), {"{\\rtf1 d}", {}}));
    EXPECT_TRUE(b.notes.saveDaySchedule(QStringLiteral("2010-5-3"), {"{\\rtf1 e}", {}}));
    EXPECT_EQ(b.notes.loadDaySchedule(QStringLiteral("2010-5-3")), QByteArray("{\\rtf1 e}"));
    EXPECT_EQ(b.rows("TailiNew_day"), 1);
    // Lines: texts and colours, empty texts stored as empty, not NULL.
    b.notes.saveLines(LineBook::General, QStringLiteral("20105"),
                      linesWith(3, QStringLiteral("三"), 255));
    const auto general = b.notes.loadLines(LineBook::General, QStringLiteral("20105"));
    ASSERT_TRUE(general.texts && general.colors);
    EXPECT_EQ((*general.texts)[2], QStringLiteral("三"));
    EXPECT_EQ((*general.colors)[2], 255);
    EXPECT_EQ(test::firstRow(b.db, QStringLiteral("edtText"), QStringLiteral("edtYearMonth"),
                             QStringLiteral("20105"))
                  ->at(1)
                  .typeId(),
              QMetaType::QString);
    const auto none = b.notes.loadLines(LineBook::Calendar, QStringLiteral("rili2011"));
    EXPECT_FALSE(none.texts || none.colors);
    // Yearly notes by month, the year a number.
    std::array<RichNote, kYearNotes> year;
    year[11] = {"{\\rtf1 dec}", QStringLiteral("dec")};
    b.notes.saveYear(2011, year);
    EXPECT_EQ(b.notes.loadYear(2011)[11], QByteArray("{\\rtf1 dec}"));
    EXPECT_EQ(
        test::firstRowField(b.db, QStringLiteral("select * from YearJishi"), QStringLiteral("YEAR"))
            .typeId(),
        QMetaType::LongLong);
    // Memo: a line equal to what is stored writes nothing.
    EXPECT_TRUE(b.notes.saveMemoLine(11, QStringLiteral("买菜")));
    EXPECT_FALSE(b.notes.saveMemoLine(11, QStringLiteral("买菜")));
    EXPECT_FALSE(b.notes.saveMemoLine(1, QString())); // NULL reads as empty
    EXPECT_EQ(b.notes.loadMemo()[10], QStringLiteral("买菜"));
}

TEST(NoteStore, TheFirstRowOfAKeyInStoredOrderIsTheOneReadAndWritten) {
    Book b;
    // Rows another program left: the same month twice, and a row between.
    for (const char* key : {"20105", "20104", "20105"})
        b.db.exec(QStringLiteral("insert into TailiNew(YearMonth, Cell1) values('%1', '%1')")
                      .arg(QLatin1String(key))
                      .toUtf8()
                      .constData());
    b.db.exec("update TailiNew set Cell1 = 'second' where rowid = 3");
    EXPECT_EQ(b.notes.loadDeskMonth(QStringLiteral("20105"))[0], QByteArray("20105"));
    b.notes.saveDeskCell(QStringLiteral("20105"), 1, {"first", {}});
    EXPECT_EQ(test::firstRowOf(b.db, QStringLiteral("select Cell1 from TailiNew where rowid = 3"))
                  ->at(0)
                  .toString(),
              QStringLiteral("second"));
    EXPECT_EQ(b.notes.loadDeskMonth(QStringLiteral("20105"))[0], QByteArray("first"));
    EXPECT_EQ(b.rows("TailiNew"), 3);
}

TEST(NoteStore, EachSaveJournalsTheNotesItChangesAndIndexesTheBoxText) {
    Book b;
    clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(8, 30), Qt::UTC));
    EXPECT_EQ(b.notes.lastChange(), 0);
    b.notes.saveDeskCell(QStringLiteral("20105"), 7, {"{\\rtf1 x}", QStringLiteral("开会")});
    b.notes.saveDeskCell(QStringLiteral("20105"), 7, {"{\\rtf1 x}", QStringLiteral("开会")});
    b.notes.saveLines(LineBook::General, QStringLiteral("20105"), linesWith(2, {}, 255));
    b.notes.saveLines(LineBook::General, QStringLiteral("20105"), linesWith(2, {}, 255));
    b.notes.saveMemoLine(4, QStringLiteral("牛奶"));
    b.notes.saveDeskCell(QStringLiteral("20105"), 7, {"{\\rtf1 y}", QStringLiteral("开会 改")});
    const std::vector<NoteChange> all = b.notes.changesSince(0);
    // Unchanged saves add nothing; a note changed again moves to the end.
    const QDateTime t(QDate(2026, 12, 9), QTime(8, 30), Qt::UTC);
    const std::vector<NoteChange> expected = {{2, NotePage::General, QStringLiteral("20105"), 2, t},
                                              {3, NotePage::Memo, QStringLiteral("bwl"), 4, t},
                                              {4, NotePage::Desk, QStringLiteral("20105"), 7, t}};
    EXPECT_EQ(all, expected);
    EXPECT_EQ(b.notes.changesSince(3).size(), 1u);
    EXPECT_EQ(b.notes.lastChange(), 4);
    // The entry is the box's own text: no RTF is read on the way.
    const long reads = PlainTextReads();
    b.notes.saveDeskCell(QStringLiteral("20105"), 8, {"{\\rtf1 z}", QStringLiteral("  \n")});
    EXPECT_EQ(PlainTextReads(), reads);
    EXPECT_EQ(b.entry(NotePage::Desk, QStringLiteral("20105"), 7), QStringLiteral("开会 改"));
    EXPECT_EQ(b.entry(NotePage::Desk, QStringLiteral("20105"), 8), QString()); // blank
    EXPECT_EQ(b.entry(NotePage::Memo, QStringLiteral("bwl"), 4), QStringLiteral("牛奶"));
    // A calendar line is indexed only under the key its page shows.
    b.notes.saveLines(LineBook::Calendar, QStringLiteral("other"),
                      linesWith(1, QStringLiteral("x"), 0));
    EXPECT_EQ(b.entry(NotePage::Calendar, QStringLiteral("other"), 1), QStringLiteral("<none>"));
    clock::setFixed({});
}

TEST(NoteStore, AnIndexThatCannotBeWrittenNeverCostsTheNote) {
    // Its statement fails alone, or the engine gives up the whole transaction.
    for (const char* breakIt : {"DROP TABLE search_fts; DROP TABLE search_text;",
                                "CREATE TEMP TRIGGER kuvano_break BEFORE INSERT ON search_text "
                                "BEGIN SELECT RAISE(ROLLBACK, 'no room'); END;"}) {
        SCOPED_TRACE(breakIt);
        Book b;
        b.db.exec(breakIt);
        b.notes.saveDeskCell(QStringLiteral("20105"), 1, {"kept", QStringLiteral("kept")});
        EXPECT_EQ(b.notes.loadDeskMonth(QStringLiteral("20105"))[0], QByteArray("kept"));
        EXPECT_FALSE(b.notes.indexing());
        EXPECT_EQ(b.notes.lastChange(), 1);
    }
}

TEST(NoteStore, ErrorsSayInChineseWhichFileAndKeepTheEngineText) {
    Book b;
    b.db.exec("DROP TABLE YearJishi");
    try {
        b.notes.loadYear(2011);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), b.pf.path(TDM::relativePath()));
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("笔记数据库文件 ") + e.file()))
            << e.message().toStdString();
        EXPECT_TRUE(e.detail().contains(QStringLiteral("YearJishi"))) << e.message().toStdString();
    }
}

// Another program holding the file's write lock: saves are held back, not
// waited for, loads show them, and they are written, each note once with its
// latest text, as soon as the lock goes.
TEST(NoteStore, SavesMeetingABusyFileAreHeldBackAndWrittenWhenItIsFree) {
    Book b;
    std::vector<bool> told;
    b.notes.onHeldChanged = [&](bool held) { told.push_back(held); };
    b.notes.saveDeskCell(QStringLiteral("20105"), 2, {"before", QStringLiteral("before")});
    auto lock = std::make_unique<test::ForeignLock>(b.pf.path(TDM::relativePath()));
    const qint64 counter = b.notes.lastChange();

    QElapsedTimer t;
    t.start();
    for (const char* text : {"h", "he", "held"})
        b.notes.saveDeskCell(QStringLiteral("20105"), 1, {text, QString::fromLatin1(text)});
    LineNotes lines = linesWith(3, QStringLiteral("line"), 0xff);
    b.notes.saveLines(LineBook::General, QStringLiteral("20105"), lines);
    EXPECT_TRUE(b.notes.saveDaySchedule(QStringLiteral("2010-5-3"), {"day", {}}));
    EXPECT_TRUE(b.notes.saveMemoLine(4, QStringLiteral("memo")));
    // One short wait for the first save at most, none for those after it:
    // far from the six waits of 1.5 s each that saves used to make.
    EXPECT_LT(t.elapsed(), 4500);
    EXPECT_TRUE(b.notes.hasHeldSaves());
    EXPECT_EQ(told, std::vector<bool>{true});

    const auto month = b.notes.loadDeskMonth(QStringLiteral("20105"));
    EXPECT_EQ(month[0], QByteArray("held"));
    EXPECT_EQ(month[1], QByteArray("before"));
    EXPECT_EQ(b.notes.loadLines(LineBook::General, QStringLiteral("20105")).texts->at(2),
              QStringLiteral("line"));
    EXPECT_EQ(b.notes.loadDaySchedule(QStringLiteral("2010-5-3")), QByteArray("day"));
    EXPECT_EQ(b.notes.loadMemo()[3], QStringLiteral("memo"));
    // Written by nobody yet; a flush that may not wait leaves them held.
    EXPECT_THROW(b.notes.writeHeldSaves(0), sql::Busy);
    EXPECT_TRUE(b.notes.hasHeldSaves());
    EXPECT_EQ(b.notes.lastChange(), counter);

    lock.reset();
    for (int i = 0; i < 100 && b.notes.hasHeldSaves(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    EXPECT_FALSE(b.notes.hasHeldSaves());
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    // On disk, in the journal and in the index, as any save.
    const auto row = test::firstRow(b.db, QStringLiteral("TailiNew"), QStringLiteral("YearMonth"),
                                    QStringLiteral("20105"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->at(1).toByteArray(), QByteArray("held"));
    EXPECT_EQ(b.notes.lastChange(), counter + 4); // cell 1, line 3, the day, memo line 4
    EXPECT_EQ(b.entry(NotePage::Desk, QStringLiteral("20105"), 1), QStringLiteral("held"));
}

TEST(NoteStore, AnUnusableFileFailsEveryCallWithItsCreationError) {
    test::TempProgramFolder pf;
    pf.writeBytes(TDM::relativePath(), QByteArray("Standard Jet DB").leftJustified(4096, '\0'));
    TDM dm(pf.folder());
    EXPECT_TRUE(dm.creationError().contains(pf.path(TDM::relativePath())))
        << dm.creationError().toStdString();
    EXPECT_THROW(dm.notes(), FileError);
}

TEST(NoteKeys, MonthAndDayKeysAreReadBackOrRefused) {
    const struct {
        const char* key;
        QDate month; // MonthOfKey
        QDate day;   // DateOfDayKey
    } cases[] = {
        {"20105", QDate(2010, 5, 1), {}},
        {"201011", QDate(2010, 11, 1), {}},
        {"201013", {}, {}},
        {"20100", {}, {}},
        {"2010-5-3", {}, QDate(2010, 5, 3)},
        {"2010/12/31", {}, QDate(2010, 12, 31)},
        {"2010.1.10", {}, QDate(2010, 1, 10)},
        {"2010-5-", {}, {}},
        {"2010-5-3x", {}, {}},
        {"2010-123-1", {}, {}},
        {"2010-2-30", {}, {}},
        {"x0105", {}, {}},
        {"rili2011", {}, {}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        const QString key = QString::fromLatin1(c.key);
        EXPECT_EQ(MonthOfKey(key), c.month) << c.key;
        EXPECT_EQ(DateOfDayKey(key), c.day) << c.key;
    }
}
