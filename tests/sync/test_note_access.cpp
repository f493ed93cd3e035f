#include "sync_test_support.h"

#include "store/rich_text.h"
#include "store/untdb.h"
#include "support/temp_folder.h"
#include "sync/note_access.h"

#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::sync;
using kuvano::notes::NotePage;

namespace {

using sync::test::Book;

} // namespace

TEST(NoteAccess, EveryPageSavesAndLoadsOneNoteJournallingOneChange) {
    Book b;
    for (const auto& [name, id, content] : sync::test::NotesOfEveryPage()) {
        SCOPED_TRACE(name);
        const qint64 before = b.notes.lastChange();
        SaveNote(b.notes, id, content);
        EXPECT_EQ(LoadNote(b.notes, id), content);
        const auto changes = b.notes.changesSince(before);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ((NoteId{changes[0].page, changes[0].key, changes[0].box}), id);
        EXPECT_EQ(LastLocalChange(b.dm.connection(), id), changes[0].time);
    }
    // A rich note given text alone gets RTF that reads back as that text.
    const NoteId day{NotePage::Day, QStringLiteral("2011-2-3"), 1};
    const QString text = QStringLiteral("外来的文字 {括号} \\ 𠀀\n第二行");
    SaveNote(b.notes, day, {{}, text, 0});
    const NoteContent back = LoadNote(b.notes, day);
    EXPECT_TRUE(back.rtf.startsWith("{\\rtf1"));
    EXPECT_EQ(back.text, text);
    EXPECT_FALSE(LastLocalChange(b.dm.connection(), {NotePage::Day, QStringLiteral("2011-2-4"), 1})
                     .isValid());
    EXPECT_THROW(LoadNote(b.notes, {NotePage::Desk, QStringLiteral("20105"), 43}), FileError);
}
