#include "sync/sync_state.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::sync;
using kuvano::notes::NotePage;

TEST(SyncState, KeepsItemsValuesAndConflictsAcrossOpenings) {
    test::TempProgramFolder pf;
    const QString path = pf.path(SyncState::relativePath());
    const NoteId desk{NotePage::Desk, QStringLiteral("20105"), 3};
    const NoteId memo{NotePage::Memo, QStringLiteral("bwl"), 1};
    const SyncState::Item a{UidOf(desk), desk, QStringLiteral("/cal/a.ics"),
                            QStringLiteral("\"e1\""), QByteArray("\x01\x80\xff", 3)};
    const SyncState::Item b{UidOf(memo), memo, QStringLiteral("/cal/b.ics"), {}, {}};
    const SyncState::Conflict lost{0,
                                   desk,
                                   {QByteArray("{\\rtf1 \x80}"), QStringLiteral("输了的"), 0},
                                   QDateTime(QDate(2011, 1, 2), QTime(3, 4, 5), Qt::UTC),
                                   QStringLiteral("服务器")};
    qint64 lostId = 0;
    {
        SyncState s(path);
        s.putItem(a);
        s.putItem(b);
        s.setValue(QStringLiteral("token"), QStringLiteral("http://x/sync/1"));
        lostId = s.addConflict(lost);
    }
    SyncState s(path);
    EXPECT_EQ(s.itemOfUid(a.uid), a);
    EXPECT_EQ(s.itemOfNote(memo), b);
    EXPECT_EQ(s.itemOfHref(QStringLiteral("/cal/a.ics")), a);
    EXPECT_FALSE(s.itemOfHref({}));
    EXPECT_EQ(s.value(QStringLiteral("token")), QStringLiteral("http://x/sync/1"));
    EXPECT_TRUE(s.value(QStringLiteral("sent")).isEmpty());
    const auto c = s.conflict(lostId);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->note, desk);
    EXPECT_EQ(c->content, lost.content);
    EXPECT_EQ(c->time, lost.time);
    EXPECT_EQ(c->origin, lost.origin);

    // A uid and a note each name one item: putting either again replaces.
    s.putItem({a.uid, memo, QStringLiteral("/cal/c.ics"), {}, {}});
    ASSERT_EQ(s.items().size(), 1u);
    EXPECT_EQ(s.itemOfNote(memo)->href, QStringLiteral("/cal/c.ics"));
    EXPECT_FALSE(s.itemOfNote(desk));
    s.removeItem(a.uid);
    EXPECT_TRUE(s.items().empty());

    s.putItem(b);
    s.forgetServer();
    EXPECT_TRUE(s.items().empty());
    EXPECT_TRUE(s.value(QStringLiteral("token")).isEmpty());
    EXPECT_EQ(s.conflicts().size(), 1u);
    s.dropConflict(lostId);
    EXPECT_TRUE(s.conflicts().empty());
}

TEST(SyncState, AFileThatIsNotOursIsRefusedByName) {
    test::TempProgramFolder pf;
    const QString path = pf.path(SyncState::relativePath());
    for (const QByteArray& bytes :
         {QByteArray("not a database, just text\n"),
          QByteArray("SQLite format 3\0", 16) + QByteArray(1000, '\x7f')}) {
        pf.writeBytes(SyncState::relativePath(), bytes);
        try {
            SyncState s(path);
            ADD_FAILURE() << "opened " << bytes.left(20).toStdString();
        } catch (const FileError& e) {
            EXPECT_EQ(e.file(), path);
            EXPECT_TRUE(e.message().contains(QStringLiteral("同步记录文件")));
        }
        EXPECT_EQ(pf.readBytes(SyncState::relativePath()), bytes); // nothing written
    }
}
