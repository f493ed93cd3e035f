#include "store/line_file.h"
#include "store/private_files.h"
#include "store/sqlite_db.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kuvano;

namespace {

// Permission bits of a path (not following a link); -1 when it is missing.
int modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return int(st.st_mode & 07777);
}

void setMode(const QString& path, int mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
}

// A common umask while it lives, so that "owner-only" is the code's doing and
// not the test machine's; the checks look at modes because root may read anything.
class CommonUmask {
public:
    CommonUmask() : old_(::umask(022)) {}
    ~CommonUmask() { ::umask(old_); }

private:
    mode_t old_;
};

} // namespace

TEST(PrivateFiles, LineFilesAreOwnerOnlyWhetherNewOrReplaced) {
    CommonUmask umask;
    test::TempProgramFolder pf;
    const QString fresh = pf.path(QStringLiteral("DB3/form.ini"));
    ASSERT_TRUE(linefile::write(fresh, {QStringLiteral("1024")}));
    EXPECT_EQ(modeOf(fresh), 0600);
    // A file an older copy left readable to all becomes the owner's at its next write.
    const QString old = pf.path(QStringLiteral("DB3/configSetBg.ini"));
    pf.writeBytes(QStringLiteral("DB3/configSetBg.ini"), "1\r\n");
    setMode(old, 0644);
    ASSERT_TRUE(linefile::write(old, {QStringLiteral("0")}));
    EXPECT_EQ(modeOf(old), 0600);
    EXPECT_EQ(pf.readBytes(QStringLiteral("DB3/configSetBg.ini")), QByteArray("0\r\n"));
}

TEST(PrivateFiles, ANewDatabaseAndTheFilesSqliteMakesBesideItAreOwnerOnly) {
    CommonUmask umask;
    test::TempProgramFolder pf;
    const QString path = pf.path(QStringLiteral("DB3/CalendarD.mdb"));
    sql::Database db;
    db.create(path, "create table t(x);", 1000);
    db.exec("insert into t values(1)");
    // WAL mode: the write went to the -wal, with the -shm index beside it.
    for (const QString& name : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        EXPECT_EQ(modeOf(name), 0600) << name.toStdString();
    // So does a rollback journal, which lives while a transaction is open.
    db.exec("PRAGMA journal_mode=DELETE");
    db.exec("begin; insert into t values(2);");
    EXPECT_EQ(modeOf(path + QStringLiteral("-journal")), 0600);
    db.exec("commit");
}

TEST(PrivateFiles, RestrictTreeTakesGroupAndOtherBitsBelowTheFolderWithoutFollowingLinks) {
    test::TempProgramFolder pf;
    const QString db3 = pf.path(QStringLiteral("DB3"));
    QDir(db3).mkpath(QStringLiteral("backup/old"));
    pf.writeBytes(QStringLiteral("DB3/CalendarD.mdb"), "x");
    pf.writeBytes(QStringLiteral("DB3/backup/old/CalendarD.mdb"), "x");
    pf.writeBytes(QStringLiteral("DB3/.hidden"), "x");
    pf.writeBytes(QStringLiteral("DB3/readonly.ini"), "x");
    pf.writeBytes(QStringLiteral("outside.txt"), "x");
    const QString outside = pf.path(QStringLiteral("outside.txt"));
    ASSERT_TRUE(QFile::link(outside, pf.path(QStringLiteral("DB3/link.txt"))));

    // path relative to the program folder, mode before, mode expected after
    const struct {
        const char* path;
        int before;
        int after;
    } cases[] = {
        {"DB3", 0755, 0700},
        {"DB3/CalendarD.mdb", 0666, 0600},
        {"DB3/backup", 0775, 0700},
        {"DB3/backup/old", 0755, 0700},
        {"DB3/backup/old/CalendarD.mdb", 0644, 0600},
        {"DB3/.hidden", 0604, 0600},
        {"DB3/readonly.ini", 0444, 0400}, // the owner's own bits stay as they were
        {"outside.txt", 0644, 0644},      // reached only through a link: untouched
    };
    for (const auto& c : cases) setMode(pf.path(QString::fromLatin1(c.path)), c.before);
    privatefiles::restrictTree(db3);
    for (const auto& c : cases)
        EXPECT_EQ(modeOf(pf.path(QString::fromLatin1(c.path))), c.after) << c.path;

    // Missing folders and files are no error.
    privatefiles::restrictTree(pf.path(QStringLiteral("none")));
    privatefiles::restrict(pf.path(QStringLiteral("none.ini")));
}

TEST(PrivateFiles, ANotesFolderThatIsALinkTightensTheFolderItPointsTo) {
    test::TempProgramFolder pf;
    const QString real = pf.path(QStringLiteral("elsewhere"));
    QDir().mkpath(real);
    pf.writeBytes(QStringLiteral("elsewhere/form.ini"), "x");
    setMode(real, 0755);
    setMode(pf.path(QStringLiteral("elsewhere/form.ini")), 0644);
    const QString link = pf.path(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(real, link));
    privatefiles::restrictTree(link);
    EXPECT_EQ(modeOf(real), 0700);
    EXPECT_EQ(modeOf(pf.path(QStringLiteral("elsewhere/form.ini"))), 0600);
}
