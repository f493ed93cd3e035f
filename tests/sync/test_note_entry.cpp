#include "sync_test_support.h"

#include "sync/note_entry.h"
#include "sync/sync_error.h"

#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::sync;
using kuvano::notes::NotePage;

namespace {

QByteArray ics(const char* journalLines) {
    return QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//other//EN\r\n") + journalLines +
           "END:VCALENDAR\r\n";
}

} // namespace

TEST(NoteEntry, EveryPageRoundTripsByteForByte) {
    const QDateTime modified(QDate(2011, 3, 4), QTime(5, 6, 7), Qt::UTC);
    for (const auto& [name, id, content] : sync::test::NotesOfEveryPage()) {
        SCOPED_TRACE(name);
        const QByteArray text = WriteEntry(EntryOf(id, content, modified));
        const JournalEntry back = ReadEntry(text);
        EXPECT_EQ(back.uid, UidOf(id));
        EXPECT_EQ(back.date, DateOf(id));
        ASSERT_TRUE(back.note);
        EXPECT_EQ(*back.note, id);
        EXPECT_EQ(back.content.rtf, content.rtf);
        EXPECT_EQ(back.content.text, content.text);
        EXPECT_EQ(back.content.color, content.color);
        EXPECT_EQ(back.lastModified, modified);
        // Other programs see the text and the date; lines stay within 75 octets.
        EXPECT_TRUE(text.contains("DTSTART;VALUE=DATE:"));
        for (const QByteArray& line : text.split('\n')) EXPECT_LE(line.size(), 76);
    }
}

TEST(NoteEntry, UidsAndDatesOfNotes) {
    const struct {
        NoteId id;
        QString uid;
        QDate date;
    } cases[] = {
        {{NotePage::Desk, QStringLiteral("20105"), 1},
         QStringLiteral("kuvano-desk-20105-1@kuvano"),
         {2010, 4, 25}},
        {{NotePage::Desk, QStringLiteral("201011"), 42},
         QStringLiteral("kuvano-desk-201011-42@kuvano"),
         {2010, 12, 11}},
        {{NotePage::Day, QStringLiteral("2010-5-3"), 1},
         QStringLiteral("kuvano-day-2010-5-3-1@kuvano"),
         {2010, 5, 3}},
        {{NotePage::General, QStringLiteral("20111"), 5},
         QStringLiteral("kuvano-general-20111-5@kuvano"),
         {2011, 1, 1}},
        {{NotePage::Calendar, QStringLiteral("rili2011"), 9},
         QStringLiteral("kuvano-calendar-rili2011-9@kuvano"),
         kUndatedDate},
        {{NotePage::Yearly, QStringLiteral("2010"), 12},
         QStringLiteral("kuvano-yearly-2010-12@kuvano"),
         {2010, 12, 1}},
        {{NotePage::Memo, QStringLiteral("bwl"), 11},
         QStringLiteral("kuvano-memo-bwl-11@kuvano"),
         kUndatedDate},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UidOf(c.id), c.uid);
        EXPECT_EQ(NoteIdOfUid(c.uid), c.id) << c.uid.toStdString();
        EXPECT_EQ(DateOf(c.id), c.date) << c.uid.toStdString();
    }
    for (const char* bad : {"kuvano-desk-20105-43@kuvano", "kuvano-desk-20105-0@kuvano",
                            "kuvano-day-2010-5-3-2@kuvano", "kuvano-day-2010-05-03-1@kuvano",
                            "kuvano-calendar-rili2012-1@kuvano", "kuvano-memo-bwl-12@kuvano",
                            "kuvano-yearly-2010-13@kuvano", "kuvano-week-20105-1@kuvano",
                            "kuvano-desk-20105-1@other", "kuvano-desk--1@kuvano", "abc", ""})
        EXPECT_FALSE(NoteIdOfUid(QString::fromLatin1(bad))) << bad;
}

TEST(NoteEntry, AnotherProgramsJournalIsReadAsText) {
    const struct {
        const char* lines;
        QString text;
        QDate date;
    } cases[] = {
        {"BEGIN:VJOURNAL\r\nUID:abc-1\r\nDTSTART;VALUE=DATE:20100503\r\nSUMMARY:标题\r\n"
         "DESCRIPTION:正文\\, 第一行\\n第二行\r\nEND:VJOURNAL\r\n",
         QStringLiteral("正文, 第一行\n第二行"),
         {2010, 5, 3}},
        {"BEGIN:VJOURNAL\r\nUID:abc-2\r\nDTSTART:20100503T200000Z\r\nSUMMARY:只有标题\r\nEND:"
         "VJOURNAL\r\n",
         QStringLiteral("只有标题"),
         {2010, 5, 4}}, // 20:00 UTC is the next day in Beijing
        {"BEGIN:VJOURNAL\r\nUID:abc-3\r\nDTSTART;TZID=Europe/Berlin:20100503T230000\r\n"
         "DESCRIPTION:x\r\nEND:VJOURNAL\r\n",
         QStringLiteral("x"),
         {2010, 5, 3}},
        // Our properties, but inconsistent: read as another program's entry.
        {"BEGIN:VJOURNAL\r\nUID:kuvano-desk-20105-3@kuvano\r\nDTSTART;VALUE=DATE:20100504\r\n"
         "DESCRIPTION:a\r\nX-KUVANO-PAGE:desk\r\nX-KUVANO-KEY:20105\r\nX-KUVANO-BOX:3\r\n"
         "X-KUVANO-RTF:%%%notbase64\r\nEND:VJOURNAL\r\n",
         QStringLiteral("a"),
         {2010, 5, 4}},
        {"BEGIN:VJOURNAL\r\nUID:kuvano-desk-20105-43@kuvano\r\nDTSTART;VALUE=DATE:20100504\r\n"
         "DESCRIPTION:b\r\nX-KUVANO-PAGE:desk\r\nX-KUVANO-KEY:20105\r\nX-KUVANO-BOX:43\r\nEND:"
         "VJOURNAL\r\n",
         QStringLiteral("b"),
         {2010, 5, 4}},
        {"BEGIN:VJOURNAL\r\nUID:kuvano-desk-20105-3@kuvano\r\nDTSTART;VALUE=DATE:20100504\r\n"
         "DESCRIPTION:c\r\nX-KUVANO-PAGE:week\r\nX-KUVANO-KEY:20105\r\nX-KUVANO-BOX:3\r\nEND:"
         "VJOURNAL\r\n",
         QStringLiteral("c"),
         {2010, 5, 4}},
        {"BEGIN:VJOURNAL\r\nUID:copy-of-3\r\nDTSTART;VALUE=DATE:20100504\r\n"
         "DESCRIPTION:d\r\nX-KUVANO-PAGE:desk\r\nX-KUVANO-KEY:20105\r\nX-KUVANO-BOX:3\r\nEND:"
         "VJOURNAL\r\n",
         QStringLiteral("d"),
         {2010, 5, 4}},
        {"BEGIN:VJOURNAL\r\nUID:kuvano-memo-bwl-1@kuvano\r\nDTSTART;VALUE=DATE:20000101\r\n"
         "DESCRIPTION:e\r\nX-KUVANO-PAGE:memo\r\nX-KUVANO-KEY:bwl\r\nX-KUVANO-BOX:1\r\n"
         "X-KUVANO-RTF:e30=\r\nEND:VJOURNAL\r\n",
         QStringLiteral("e"),
         {2000, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        const JournalEntry e = ReadEntry(ics(c.lines));
        EXPECT_FALSE(e.note);
        EXPECT_EQ(e.content.text, c.text);
        EXPECT_TRUE(e.content.rtf.isEmpty());
        EXPECT_EQ(e.date, c.date);
        EXPECT_FALSE(e.lastModified.isValid());
    }
}

TEST(NoteEntry, TextEditedByAnotherProgramDropsOurRtfButKeepsTheNote) {
    const auto notes = sync::test::NotesOfEveryPage();
    const auto& [name, id, content] = notes.front();
    QByteArray text = WriteEntry(EntryOf(id, {content.rtf, QStringLiteral("旧"), 0}));
    text.replace("DESCRIPTION:旧", "DESCRIPTION:新");
    const JournalEntry e = ReadEntry(text);
    EXPECT_EQ(e.note, id);
    EXPECT_EQ(e.content.text, QStringLiteral("新"));
    EXPECT_TRUE(e.content.rtf.isEmpty());
}

TEST(NoteEntry, MalformedInputIsRefusedAndLeavesTheParserUsable) {
    const QByteArray good = WriteEntry(
        EntryOf({NotePage::Memo, QStringLiteral("bwl"), 1}, {{}, QStringLiteral("好"), 0}));
    const QByteArray cases[] = {
        "",
        "not iCalendar at all\r\n",
        "\x00\x01\x02garbage",
        good.left(good.size() / 2), // cut short
        ics("BEGIN:VEVENT\r\nUID:e\r\nDTSTART;VALUE=DATE:20100503\r\nEND:VEVENT\r\n"),
        ics("BEGIN:VJOURNAL\r\nUID:a\r\nEND:VJOURNAL\r\nBEGIN:VJOURNAL\r\nUID:b\r\nEND:"
            "VJOURNAL\r\n"),
        ics("BEGIN:VJOURNAL\r\nDESCRIPTION:no uid\r\nEND:VJOURNAL\r\n"),
        good + good,                                        // two calendars
        QByteArray("BEGIN:VCALENDAR\r\n").repeated(200000), // nested past any sense
        "BEGIN:VJOURNAL\r\nUID:a\r\nEND:VJOURNAL\r\n",      // no calendar around it
    };
    for (const QByteArray& bad : cases) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(ReadEntry(bad), SyncError);
        EXPECT_EQ(ReadEntry(good).content.text, QStringLiteral("好"));
    }
}

TEST(NoteEntry, AFileOfManyEntriesSkipsWhatIsNotAJournal) {
    const auto notes = sync::test::NotesOfEveryPage();
    QByteArray file = WriteEntry(EntryOf(notes[0].id, notes[0].content));
    file += ics("BEGIN:VEVENT\r\nUID:e\r\nDTSTART;VALUE=DATE:20100503\r\nEND:VEVENT\r\n"
                "BEGIN:VJOURNAL\r\nDESCRIPTION:no uid\r\nEND:VJOURNAL\r\n"
                "BEGIN:VJOURNAL\r\nUID:x\r\nDESCRIPTION:y\r\nEND:VJOURNAL\r\n");
    int unreadable = -1;
    const std::vector<JournalEntry> entries = ReadEntries(file, &unreadable);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].note, notes[0].id);
    EXPECT_EQ(entries[1].uid, QStringLiteral("x"));
    EXPECT_EQ(unreadable, 1);
    EXPECT_THROW(ReadEntries("plain text"), SyncError);
}

TEST(NoteEntry, EmptyAndHash) {
    EXPECT_TRUE((NoteContent{{}, QStringLiteral(" \n\t"), 0xff}).empty());
    EXPECT_FALSE((NoteContent{{}, QStringLiteral("a"), 0}).empty());
    const NoteContent line{{}, QStringLiteral("a"), 1};
    EXPECT_EQ(ContentHash(line), ContentHash(NoteContent{{}, QStringLiteral("a"), 1}));
    EXPECT_NE(ContentHash(line), ContentHash(NoteContent{{}, QStringLiteral("a"), 2}));
    EXPECT_NE(ContentHash(line), ContentHash(NoteContent{{}, QStringLiteral("b"), 1}));
    // A rich note is its RTF: the plain text follows from it.
    EXPECT_EQ(ContentHash({"{\\rtf1 a}", QStringLiteral("a"), 0}),
              ContentHash({"{\\rtf1 a}", {}, 0}));
    EXPECT_NE(ContentHash({"{\\rtf1 a}", {}, 0}), ContentHash({"{\\rtf1 b}", {}, 0}));
}

TEST(NoteEntry, DamagedEntriesNeverCrashTheReader) {
    // Bytes flipped, cut and repeated at random places of a real entry: each
    // read either gives an entry or throws SyncError.
    const auto notes = sync::test::NotesOfEveryPage();
    const QByteArray good = WriteEntry(EntryOf(notes[0].id, notes[0].content));
    quint32 seed = 12345;
    const auto next = [&seed](quint32 below) {
        seed = seed * 1664525u + 1013904223u; // a fixed sequence: the same cases every run
        return (seed >> 8) % below;
    };
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = good;
        for (quint32 n = next(4) + 1; n > 0; --n) {
            const qsizetype at = next(quint32(bad.size()));
            switch (next(3)) {
            case 0:
                bad[at] = char(next(256));
                break;
            case 1:
                bad.truncate(at);
                break;
            default:
                bad.insert(at, bad.mid(next(quint32(bad.size())), qsizetype(next(40))));
                break;
            }
            if (bad.isEmpty()) break;
        }
        try {
            (void)ReadEntry(bad);
            (void)ReadEntries(bad);
        } catch (const SyncError&) {
        }
    }
    EXPECT_EQ(ReadEntry(good).note, notes[0].id);
}
