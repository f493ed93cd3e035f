#include "sync_test_support.h"

#include "store/rich_text.h"
#include "store/untdb.h"
#include "support/temp_folder.h"
#include "sync/ics_file.h"
#include "sync/note_access.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::sync;
using kuvano::notes::NotePage;

namespace {

using sync::test::Book;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(IcsFile, ExportThenImportGivesTheSameNotes) {
    kuvano::test::FixedClock clock(QDateTime(QDate(2012, 1, 1), QTime(8, 0), Qt::UTC));
    Book from, to;
    const auto all = sync::test::NotesOfEveryPage();
    for (const auto& n : all) SaveNote(from.notes, n.id, n.content);
    SaveNote(from.notes, {NotePage::Memo, QStringLiteral("bwl"), 2}, {}); // empty: not exported
    const std::vector<DayOffEntry> daysOff{{QDate(2010, 2, 14), false, QStringLiteral("春节")},
                                           {QDate(2010, 2, 20), true, {}}};
    const QString path = from.file("notes.ics");
    EXPECT_EQ(ExportICalendar(from.notes, path, {std::nullopt, daysOff}), int(all.size()));
    const QByteArray file = readFile(path);
    EXPECT_TRUE(file.contains("SUMMARY:春节 休\r\n"));
    EXPECT_TRUE(file.contains("SUMMARY:班\r\n"));
    EXPECT_TRUE(file.contains("DTSTART;VALUE=DATE:20100214\r\nDTEND;VALUE=DATE:20100215\r\n"));
    EXPECT_EQ(file.count("TRANSP:TRANSPARENT"), 2);

    const IcsImportReport r = ImportICalendar(to.notes, to.state, path);
    EXPECT_EQ(r.added, int(all.size()));
    EXPECT_EQ(r.updated + r.unchanged + r.conflicts + r.skipped, 0);
    for (const auto& n : all) EXPECT_EQ(LoadNote(to.notes, n.id), n.content) << n.name;
    EXPECT_EQ(ImportICalendar(to.notes, to.state, path).unchanged, int(all.size()));

    // A year's export: that year's notes (a desk cell by its own date: the
    // last cell of December 2010 is 2011-1-7) and days off, no undated ones.
    EXPECT_EQ(ExportICalendar(from.notes, path, {2010, daysOff}), 4);
    EXPECT_FALSE(readFile(path).contains("X-KUVANO-PAGE:memo"));
    EXPECT_EQ(readFile(path).count("BEGIN:VEVENT"), 2);
    EXPECT_EQ(ExportICalendar(from.notes, path, {2011, daysOff}), 1);
    EXPECT_FALSE(readFile(path).contains("VEVENT"));
}

TEST(IcsFile, AConflictKeepsTheLaterTextAndSetsTheOtherAside) {
    const NoteId id{NotePage::General, QStringLiteral("20105"), 1};
    const auto at = [](int day) { return QDateTime(QDate(2012, 1, day), QTime(8, 0), Qt::UTC); };
    for (const bool fileIsNewer : {true, false}) {
        SCOPED_TRACE(fileIsNewer);
        Book b;
        const QString path = b.file("other.ics");
        writeFile(path, WriteEntry(EntryOf(id, {{}, QStringLiteral("文件里的"), 1},
                                           at(fileIsNewer ? 3 : 1))));
        {
            kuvano::test::FixedClock clock(at(2));
            SaveNote(b.notes, id, {{}, QStringLiteral("本机的"), 2});
        }
        const IcsImportReport r = ImportICalendar(b.notes, b.state, path);
        EXPECT_EQ(r.conflicts, 1);
        EXPECT_EQ(r.updated, fileIsNewer ? 1 : 0);
        const QString kept = LoadNote(b.notes, id).text;
        const auto aside = b.state.conflicts();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(kept, fileIsNewer ? QStringLiteral("文件里的") : QStringLiteral("本机的"));
        EXPECT_EQ(aside[0].content.text,
                  fileIsNewer ? QStringLiteral("本机的") : QStringLiteral("文件里的"));
        EXPECT_EQ(aside[0].note, id);
        EXPECT_EQ(aside[0].origin, QStringLiteral("other.ics"));
        // The same file again: nothing new to set aside.
        ImportICalendar(b.notes, b.state, path);
        EXPECT_EQ(b.state.conflicts().size(), 1u);
    }
}

TEST(IcsFile, AnotherProgramsJournalsGoBelowTheDaysSchedule) {
    Book b;
    const NoteId day{NotePage::Day, QStringLiteral("2010-5-3"), 1};
    SaveNote(b.notes, day, {RtfOfText(QStringLiteral("原有")), QStringLiteral("原有"), 0});
    const QString path = b.file("other.ics");
    writeFile(path, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n"
                    "BEGIN:VJOURNAL\r\nUID:o1\r\nDTSTART;VALUE=DATE:20100503\r\nDESCRIPTION:"
                    "外来\r\nEND:VJOURNAL\r\n"
                    "BEGIN:VJOURNAL\r\nUID:o2\r\nDTSTART;VALUE=DATE:20100504\r\nSUMMARY:"
                    "新的一天\r\nEND:VJOURNAL\r\n"
                    "BEGIN:VJOURNAL\r\nUID:o3\r\nDESCRIPTION:没有日期\r\nEND:VJOURNAL\r\n"
                    "END:VCALENDAR\r\n");
    IcsImportReport r = ImportICalendar(b.notes, b.state, path);
    EXPECT_EQ(r.updated, 1);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(LoadNote(b.notes, day).text, QStringLiteral("原有\n外来"));
    EXPECT_EQ(LoadNote(b.notes, {NotePage::Day, QStringLiteral("2010-5-4"), 1}).text,
              QStringLiteral("新的一天"));
    r = ImportICalendar(b.notes, b.state, path);
    EXPECT_EQ(r.unchanged, 2);
    EXPECT_EQ(LoadNote(b.notes, day).text, QStringLiteral("原有\n外来"));
    EXPECT_FALSE(DescribeImport(r).isEmpty());
}

TEST(IcsFile, AFileThatCannotBeImportedWritesNothing) {
    Book b;
    const QString path = b.file("bad.ics");
    for (const QByteArray& bytes : {QByteArray("just text"), QByteArray()}) {
        writeFile(path, bytes);
        const qint64 before = b.notes.lastChange();
        try {
            ImportICalendar(b.notes, b.state, path);
            ADD_FAILURE();
        } catch (const FileError& e) {
            EXPECT_EQ(e.file(), path);
        }
        EXPECT_EQ(b.notes.lastChange(), before);
    }
    EXPECT_THROW(ImportICalendar(b.notes, b.state, b.file("missing.ics")), FileError);
    {
        QFile huge(b.file("huge.ics")); // sparse: no 64 MB written
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxIcsBytes + 1));
    }
    EXPECT_THROW(ImportICalendar(b.notes, b.state, b.file("huge.ics")), FileError);
    EXPECT_THROW(ExportICalendar(b.notes, b.file("no/such/folder/x.ics"), {}), FileError);
}

TEST(IcsFile, DaysOffOfTheArrangement) {
    const std::vector<DayOffEntry> days = CollectDaysOff(2010, 2010);
    EXPECT_EQ(days.size(), 37u);
    const auto has = [&days](const DayOffEntry& d) {
        return std::find(days.begin(), days.end(), d) != days.end();
    };
    EXPECT_TRUE(has({QDate(2010, 2, 13), false, {}}));
    EXPECT_TRUE(has({QDate(2010, 2, 20), true, {}}));
    EXPECT_TRUE(std::all_of(days.begin(), days.end(),
                            [](const DayOffEntry& d) { return d.date.year() == 2010; }));
}
