// Bringing notes over from Access files: every known table by position, day
// keys, unexpected types, merging into a running database, and bad files
// that leave everything as it was.
#include "desk_fixture.h"
#include "rtf/rtf.h"
#include "store/access_import.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTextDocument>

#include <csignal>
#include <map>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

const QString kDb = QStringLiteral("DB3/CalendarD.mdb");
const QString kKept = QStringLiteral("DB3/CalendarD-access.mdb");

QByteArray gb(const QString& s) {
    QStringEncoder e("GB18030");
    return e.encode(s);
}

// The rich text as the fixtures wrote it: DBCS characters as \'hh pairs, or raw.
QByteArray rtfOf(const QString& text, bool raw = false) {
    QByteArray body;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80 || raw) {
            body += gb(QString(ch));
        } else {
            for (const char b : gb(QString(ch))) body += "\\'" + QByteArray::number(uchar(b), 16);
        }
    }
    return "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
           "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
           "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 " +
           body + "\\par\r\n}\r\n";
}

QString plainText(const QByteArray& rtf) {
    QTextDocument doc;
    rtf::read(rtf, doc);
    return doc.toPlainText().trimmed();
}

// Every row of one of our tables, keyed by column 0 as text.
std::map<QString, std::vector<QVariant>> table(sql::Database& db, const QString& name) {
    std::map<QString, std::vector<QVariant>> out;
    sql::Statement st(db, QStringLiteral("select * from \"%1\"").arg(name));
    while (st.step()) {
        std::vector<QVariant> row;
        for (int c = 0; c < st.columnCount(); ++c) row.push_back(st.column(c));
        out[row[0].toString()] = row;
    }
    return out;
}

struct NewDatabase {
    test::TempProgramFolder pf;
    sql::Database db;
    NewDatabase() { db.create(pf.path(QStringLiteral("DB3/new.mdb")), NotesSchemaSql(), 1000); }
    QString access(const char* fixture) {
        const QString rel =
            QStringLiteral("DB3/") + QString::fromLatin1(fixture).section(QLatin1Char('/'), -1);
        pf.writeBytes(rel, test::testData(QString::fromLatin1(fixture)));
        return pf.path(rel);
    }
};

bool reportMentions(const ImportReport& r, const QString& what) {
    for (const QString& line : r.skipped)
        if (line.contains(what)) return true;
    return false;
}

} // namespace

TEST(AccessImport, DayKeysInEveryShortDateFormBecomeOurs) {
    const struct {
        const char* key;
        QDate date;
    } cases[] = {
        {"2010/6/1", {2010, 6, 1}},
        {"2010-6-1", {2010, 6, 1}},
        {"2010.6.1", {2010, 6, 1}},
        {"2010年6月1日", {2010, 6, 1}},
        {"2010/06/01", {2010, 6, 1}},
        {"2010-06-01", {2010, 6, 1}},
        {"2010年06月01日", {2010, 6, 1}},
        {" 2010-12-31 ", {2010, 12, 31}},
        {"2010-6/1", {}},
        {"2010年6月1", {}},
        {"2010/6/1日", {}},
        {"10-6-1", {}},
        {"2010-2-30", {}},
        {"2010-13-1", {}},
        {"some day", {}},
        {"", {}},
        {"2010-6-1 0:00:00", {}},
        {"6/1/2010", {}},
    };
    for (const auto& c : cases) {
        const auto got = dateOfDayKey(QString::fromUtf8(c.key));
        EXPECT_EQ(got.has_value(), c.date.isValid()) << c.key;
        if (got) {
            EXPECT_EQ(*got, c.date) << c.key;
        }
    }
}

TEST(AccessImport, EveryKnownTableComesOverByPosition) {
    NewDatabase n;
    const ImportReport r = importAccessFile(n.access("access/notes.mdb"), n.db);
    EXPECT_EQ(r.deskMonths, 3);
    EXPECT_EQ(r.dayNotes, 7);
    EXPECT_EQ(r.generalMonths, 2);
    EXPECT_EQ(r.calendarNotes, 2);
    EXPECT_EQ(r.years, 2);
    EXPECT_EQ(r.memoLines, 3);

    // Desk cells: a memo goes back to the bytes the box wrote.
    auto desk = table(n.db, QStringLiteral("TailiNew"));
    ASSERT_EQ(desk.size(), 3u);
    const auto& may = desk[QStringLiteral("20105")];
    ASSERT_EQ(may.size(), 43u);
    EXPECT_EQ(may[1].toByteArray(), rtfOf(QStringLiteral("四月二十五日 扫墓")));
    EXPECT_EQ(may[10].toByteArray(), rtfOf(QStringLiteral("上午九点 部门例会"), true));
    EXPECT_EQ(plainText(may[10].toByteArray()), QStringLiteral("上午九点 部门例会"));
    EXPECT_EQ(plainText(may[7].toByteArray()), QStringLiteral("五一劳动节放假"));
    EXPECT_FALSE(may[2].isValid()); // NULL stays NULL
    EXPECT_TRUE(may[42].isValid());
    EXPECT_TRUE(may[42].toByteArray().isEmpty()); // empty stays empty
    EXPECT_EQ(plainText(desk[QStringLiteral("20111")][42].toByteArray()),
              QStringLiteral("一月最后一格"));

    // Day schedule: keys in our form; long binary byte for byte; unknown kept.
    auto days = table(n.db, QStringLiteral("TailiNew_day"));
    const QStringList keys = {QStringLiteral("2010-5-3"), QStringLiteral("2010-5-4"),
                              QStringLiteral("2010-5-5"), QStringLiteral("2010-5-6"),
                              QStringLiteral("2010-5-7"), QStringLiteral("some day"),
                              QStringLiteral("2010-2-30")};
    EXPECT_EQ(days.size(), size_t(keys.size()));
    for (const QString& k : keys) EXPECT_EQ(days.count(k), 1u) << k.toStdString();
    EXPECT_EQ(plainText(days[QStringLiteral("2010-5-3")][1].toByteArray()),
              QStringLiteral("五月三日 日安排")); // the first of two rows for that day
    EXPECT_EQ(days[QStringLiteral("2010-5-4")][1].toByteArray(),
              rtfOf(QStringLiteral("五月四日"), true));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("认不出的日期")));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("“some day”")));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("键重复")));

    // General and calendar notes: texts and colours by position.
    auto general = table(n.db, QStringLiteral("edtText"));
    EXPECT_EQ(general[QStringLiteral("20105")][1].toString(), QStringLiteral("买菜"));
    EXPECT_EQ(general[QStringLiteral("20105")][42].toString(), QStringLiteral("第四十二行"));
    EXPECT_EQ(general[QStringLiteral("201011")][17].toString(), QStringLiteral("行17"));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("多出的列")));
    auto colors = table(n.db, QStringLiteral("edtTextColor"));
    EXPECT_EQ(colors[QStringLiteral("20105")][1].toLongLong(), 255);
    EXPECT_EQ(colors[QStringLiteral("20105")][2].toLongLong(), 32768);
    EXPECT_EQ(colors[QStringLiteral("20105")][42].toLongLong(), 16711680);
    auto rili = table(n.db, QStringLiteral("RiliJishi"));
    EXPECT_EQ(rili[QStringLiteral("rili2011")][2].toString(), QStringLiteral("春节"));
    EXPECT_EQ(table(n.db, QStringLiteral("RiliColor"))[QStringLiteral("rili2011")][1].toLongLong(),
              255);

    // Years by number; the memo row only; the tables opened at start-up as they are.
    auto years = table(n.db, QStringLiteral("YearJishi"));
    EXPECT_EQ(years[QStringLiteral("2010")][0].typeId(), QMetaType::LongLong);
    EXPECT_EQ(plainText(years[QStringLiteral("2010")][12].toByteArray()),
              QStringLiteral("二〇一〇年12月"));
    EXPECT_FALSE(years[QStringLiteral("2011")][2].isValid());
    auto memo = table(n.db, QStringLiteral("beiwanglu"));
    ASSERT_EQ(memo.size(), 1u); // the schema's own memo row, filled
    const auto& bwl = memo.begin()->second;
    EXPECT_EQ(bwl[12].toString(), QStringLiteral("bwl"));
    EXPECT_EQ(bwl[1].toString(), QStringLiteral("第一行"));
    EXPECT_EQ(bwl[5].toString(), QStringLiteral("第五行"));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("不是备忘录的行")));
    EXPECT_EQ(table(n.db, QStringLiteral("Taili")).size(), 1u);
    EXPECT_TRUE(reportMentions(r, QStringLiteral("MyStuff")));

    const QString text = r.text();
    EXPECT_TRUE(text.contains(QStringLiteral("桌面月历 3 个月，日安排 7 天")));
    EXPECT_TRUE(text.contains(QStringLiteral("年度记事 2 年，备忘录 3 行")));
}

TEST(AccessImport, UnexpectedColumnTypesAreConvertedOrListed) {
    NewDatabase n;
    const ImportReport r = importAccessFile(n.access("access/odd_types.mdb"), n.db);
    auto desk = table(n.db, QStringLiteral("TailiNew"));
    ASSERT_EQ(desk.count(QStringLiteral("20105")), 1u); // a numeric key as text
    const auto& may = desk[QStringLiteral("20105")];
    EXPECT_EQ(may[1].toByteArray(), gb(QStringLiteral("纯文本格")));
    EXPECT_EQ(may[2].toByteArray(), QByteArray("{\\rtf1 ole}"));
    EXPECT_EQ(may[3].toByteArray(), QByteArray("2.5"));
    EXPECT_FALSE(may[4].isValid());
    EXPECT_EQ(table(n.db, QStringLiteral("TailiNew_day")).count(QStringLiteral("2010-5-3")), 1u);
    auto colors = table(n.db, QStringLiteral("edtTextColor"))[QStringLiteral("20105")];
    EXPECT_EQ(colors[1].toLongLong(), 255);
    EXPECT_FALSE(colors[2].isValid()); // "红" is no colour
    EXPECT_EQ(colors[3].toLongLong(), 32768);
    EXPECT_TRUE(reportMentions(r, QStringLiteral("不是颜色值")));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("“红”")));
    // Years by the page's column names, wherever they stand.
    auto years = table(n.db, QStringLiteral("YearJishi"));
    ASSERT_EQ(years.count(QStringLiteral("2010")), 1u);
    EXPECT_EQ(plainText(years[QStringLiteral("2010")][1].toByteArray()), QStringLiteral("一月"));
    EXPECT_EQ(plainText(years[QStringLiteral("2010")][2].toByteArray()), QStringLiteral("二月"));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("ID")));
    // The memo key found by name; lines by position.
    const auto bwl = table(n.db, QStringLiteral("beiwanglu")).begin()->second;
    EXPECT_EQ(bwl[1].toString(), QStringLiteral("唯一一行"));
    EXPECT_EQ(bwl[2].toString(), QStringLiteral("42"));
    EXPECT_EQ(r.memoLines, 2);
}

using kuvano::test::DeskFixture;

// The start-up import, then the desk page and day schedule show the notes
// as the old program showed them; the Access file is kept unchanged.
TEST_F(DeskFixture, AnImportedAccessFileShowsOnTheDeskPage) {
    const QByteArray original = test::testData(QStringLiteral("access/notes.mdb"));
    pf.writeBytes(kDb, original);
    pf.writeBytes(kKept, "an earlier copy"); // never overwritten
    const ImportReport r = importAccessAtStartup(pf.folder());
    EXPECT_EQ(r.accessKeptAs, QStringLiteral("DB3/CalendarD-access-2.mdb"));
    EXPECT_EQ(pf.readBytes(r.accessKeptAs), original);
    EXPECT_EQ(pf.readBytes(kKept), QByteArray("an earlier copy"));
    EXPECT_FALSE(pf.exists(QStringLiteral("DB3/CalendarD-import.tmp")));
    EXPECT_TRUE(r.text().contains(QStringLiteral("DB3/CalendarD-access-2.mdb")));

    start(QDate(2010, 5, 10));
    EXPECT_TRUE(s->dm->creationError().isEmpty()) << s->dm->creationError().toStdString();
    EXPECT_EQ(cell(1)->toPlainText(), QStringLiteral("四月二十五日 扫墓"));
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("上午九点 部门例会"));
    EXPECT_EQ(cell(7)->toPlainText(), QStringLiteral("五一劳动节放假"));
    QTextCursor red(cell(7)->document());
    red.setPosition(6); // inside "放假"
    EXPECT_EQ(red.charFormat().foreground().color(), QColor(255, 0, 0));
    red.setPosition(2);
    EXPECT_NE(red.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(cell(2)->toPlainText().isEmpty());
    ASSERT_TRUE(s->desk->grid()->selectDate(QDate(2010, 5, 4)));
    s->day->LoadDaySchedule();
    EXPECT_EQ(s->day->box()->toPlainText(), QStringLiteral("五月四日"));

    // Typing goes on into the imported month.
    type(cell(10), QStringLiteral("!"));
    EXPECT_EQ(s->saveFailures, 0);
    start(QDate(2010, 5, 10));
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("!上午九点 部门例会"));
}

// Another program's database, damaged, truncated and encrypted files: a
// message naming the file, and nothing moved, created or changed.
TEST(AccessImport, BadFilesAtStartUpLeaveTheFolderAsItWas) {
    const QByteArray notes = test::testData(QStringLiteral("access/notes.mdb"));
    QByteArray keyed = notes;
    for (int i = 0; i < 4; ++i) keyed[0x3e + i] = char(keyed[0x3e + i] ^ 0x5a);
    const struct {
        const char* what;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"another program's database", test::testData(QStringLiteral("access/other_program.mdb")),
         "不是本程序的笔记库"},
        {"a real Access file of another program",
         test::testData(QStringLiteral("access/DateTestDatabase.mdb")), "不是本程序的笔记库"},
        {"one page", notes.left(4096), "无法读取"},
        {"three pages", notes.left(3 * 4096), "无法读取"},
        {"encrypted", keyed, "无法读取"},
        {"damaged so that the library crashes on it",
         test::testData(QStringLiteral("access/damaged_catalogue.mdb")), "无法读取"},
    };
    for (const auto& c : cases) {
        test::TempProgramFolder pf;
        pf.writeBytes(kDb, c.bytes);
        const QStringList before = QDir(pf.path(QStringLiteral("DB3"))).entryList(QDir::Files);
        try {
            importAccessAtStartup(pf.folder());
            ADD_FAILURE() << c.what << ": imported";
        } catch (const ImportError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("CalendarD.mdb"))) << c.what;
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says)))
                << c.what << ": " << e.message().toStdString();
        }
        EXPECT_EQ(pf.readBytes(kDb), c.bytes) << c.what;
        EXPECT_EQ(QDir(pf.path(QStringLiteral("DB3"))).entryList(QDir::Files), before) << c.what;
    }
}

// Files broken in one long-value page or another: imported with what they
// hold, or refused with everything in place (no new database, no file moved).
TEST(AccessImport, BrokenLongValuesAtStartUpLeaveNoHalfImport) {
    const QByteArray notes = test::testData(QStringLiteral("access/notes.mdb"));
    int failed = 0, imported = 0, lval = 0;
    for (qsizetype page = 1; page * 4096 < notes.size(); ++page) {
        // Every third page of long values: enough to break some in each table.
        if (notes.mid(page * 4096 + 4, 4) != "LVAL" || lval++ % 3 != 0) continue;
        QByteArray broken = notes;
        std::fill(broken.begin() + page * 4096 + 8, broken.begin() + (page + 1) * 4096, char(0xff));
        test::TempProgramFolder pf;
        pf.writeBytes(kDb, broken);
        try {
            const ImportReport r = importAccessAtStartup(pf.folder());
            ++imported;
            EXPECT_EQ(pf.readBytes(r.accessKeptAs), broken);
        } catch (const ImportError&) {
            ++failed;
            EXPECT_EQ(pf.readBytes(kDb), broken);
            EXPECT_FALSE(pf.exists(kKept));
            EXPECT_FALSE(pf.exists(QStringLiteral("DB3/CalendarD-import.tmp")));
        }
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(failed + imported, 5);
}

// A later import into the running database: a copy first; rows with new
// keys added, rows whose key is there keep the current notes.
TEST_F(DeskFixture, ALaterImportAddsNewKeysAndKeepsTheCurrentNotes) {
    start(QDate(2010, 5, 10));
    type(cell(3), QStringLiteral("mine"));
    s->dm->connection().exec("update beiwanglu set Line1='my memo' where memkey='bwl'");
    {
        // November 2010 was opened and a cell entered and left: a row without notes.
        sql::Statement empty(
            s->dm->connection(),
            QStringLiteral("insert into TailiNew(YearMonth, Cell5) values('201011', ?)"));
        empty.bind(1, NoteBox().SaveToStream());
        empty.step();
    }
    const QString access = pf.path(QStringLiteral("old.mdb"));
    pf.writeBytes(QStringLiteral("old.mdb"), test::testData(QStringLiteral("access/notes.mdb")));

    const qint64 typed = s->dm->notes().lastChange();
    const ImportReport r = importAccessIntoRunning(pf.folder(), *s->dm, access);
    EXPECT_EQ(r.backup, QStringLiteral("DB3/CalendarD-before-import-20100510-0800.mdb"));
    // Each note the import brought is a change in the journal; ours are not.
    bool anyOfOurs = false;
    int days = 0;
    for (const NoteChange& c : s->dm->notes().changesSince(typed)) {
        anyOfOurs = anyOfOurs || (c.page == NotePage::Desk && c.key == QLatin1String("20105"));
        days += c.page == NotePage::Day;
    }
    EXPECT_FALSE(anyOfOurs);
    EXPECT_EQ(days, 7);
    EXPECT_EQ(r.deskMonths, 2); // 201011 (empty) and 20111; 20105 is ours
    EXPECT_EQ(r.dayNotes, 7);
    EXPECT_EQ(r.memoLines, 0);
    EXPECT_TRUE(reportMentions(r, QStringLiteral("保留现有的")));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("“20105”")));
    EXPECT_TRUE(reportMentions(r, QStringLiteral("备忘录已有内容")));
    {
        sql::Database copy;
        copy.openExisting(pf.path(r.backup), 1000);
        EXPECT_EQ(table(copy, QStringLiteral("TailiNew")).size(), 2u);
        EXPECT_EQ(table(copy, QStringLiteral("TailiNew_day")).count(QStringLiteral("2010-5-4")),
                  0u);
    }
    start(QDate(2010, 5, 10));
    EXPECT_EQ(cell(3)->toPlainText(), QStringLiteral("mine"));
    EXPECT_TRUE(cell(10)->toPlainText().isEmpty());
    start(QDate(2010, 11, 10));
    EXPECT_EQ(cell(5)->toPlainText(), QStringLiteral("十一月 第5格"));

    // Again in the same minute: every key is there now; a second copy.
    const ImportReport again = importAccessIntoRunning(pf.folder(), *s->dm, access);
    EXPECT_EQ(again.backup, QStringLiteral("DB3/CalendarD-before-import-20100510-0800-2.mdb"));
    EXPECT_EQ(again.deskMonths + again.dayNotes + again.years + again.generalMonths, 0);
    EXPECT_TRUE(s->dm->notes().changesSince(s->dm->notes().lastChange()).empty());

    // Not an Access file, or a write that fails part-way: nothing changes.
    EXPECT_THROW(importAccessIntoRunning(pf.folder(), *s->dm, pf.path(kDb)), ImportError);
    auto& db = s->dm->connection();
    db.exec("delete from TailiNew where YearMonth='20111'; delete from TailiNew_day where "
            "daydate='2010-5-6';"
            "create trigger nope before insert on TailiNew_day "
            "begin select raise(abort, 'disk full'); end");
    try {
        importAccessIntoRunning(pf.folder(), *s->dm, access);
        ADD_FAILURE() << "imported";
    } catch (const ImportError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("disk full"))) << e.message().toStdString();
    }
    EXPECT_EQ(table(db, QStringLiteral("TailiNew")).count(QStringLiteral("20111")), 0u);
    EXPECT_FALSE(s->dm->connection().inTransaction());
}

namespace {

QStringList db3Files(const test::TempProgramFolder& pf) {
    return QDir(pf.path(QStringLiteral("DB3")))
        .entryList({QStringLiteral("*before-import*")}, QDir::Files);
}

// Files may grow to `bytes` while it lives; a write past that fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

} // namespace

TEST(ImportBackup, ACopyCutShortLeavesNoBackupAndAWholeOneIsOwnerOnly) {
    test::TempProgramFolder pf;
    pf.writeBytes(QStringLiteral("old.mdb"), test::testData(QStringLiteral("access/notes.mdb")));
    TDM dm(pf.folder());
    {
        sql::Statement big(dm.connection(),
                           QStringLiteral("insert into Taili(YearMonth, Content) values('x', ?)"));
        big.bind(1, QByteArray(256 * 1024, 'n'));
        big.step();
    }
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_THROW(importAccessIntoRunning(pf.folder(), dm, pf.path(QStringLiteral("old.mdb"))),
                     ImportError);
    }
    EXPECT_EQ(db3Files(pf), QStringList());

    const ImportReport r =
        importAccessIntoRunning(pf.folder(), dm, pf.path(QStringLiteral("old.mdb")));
    EXPECT_EQ(db3Files(pf), QStringList({QFileInfo(r.backup).fileName()}));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(pf.path(r.backup)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}
