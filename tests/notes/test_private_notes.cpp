#include "desk_fixture.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

class PrivateNotes : public kuvano::test::DeskFixture {
protected:
    void SetUp() override {
        DeskFixture::SetUp();
        oldUmask = ::umask(022);
    }
    void TearDown() override { ::umask(oldUmask); }
    mode_t oldUmask = 0;
};

} // namespace

TEST_F(PrivateNotes, EveryFileUnderDb3IsOwnerOnlyAfterTheFirstKeystroke) {
    start();
    type(cell(12), QStringLiteral("private"));
    ASSERT_EQ(s->saveFailures, 0);
    const QDir db3(pf.path(QStringLiteral("DB3")));
    const QStringList files = db3.entryList(QDir::Files | QDir::Hidden);
    for (const char* expected : {"CalendarD.mdb", "CalendarD.mdb-wal", "CalendarD.mdb-shm"})
        EXPECT_TRUE(files.contains(QLatin1String(expected))) << expected;
    for (const QString& name : files) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(db3.filePath(name)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 077, 0u) << name.toStdString();
    }
}
