#include "platform/program_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kuvano;

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return int(st.st_mode & 0777);
}

// A scratch tree: the executable's folder, the installed supplied files and
// the user's data home, each a folder of its own.
class FolderChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldUmask = ::umask(022);
        put(QStringLiteral("share/kuvano/supplied/DB3/loginstr.db"),
            "NOKEY4817306\r\nNOKEY4817306\r\n0\r\n");
        put(QStringLiteral("share/kuvano/supplied/source/Navigate/default.htm"), "<html></html>");
        put(QStringLiteral("share/kuvano/supplied/source/UI/title.png"), "png");
        QDir(tmp.path()).mkpath(QStringLiteral("bin"));
    }
    void TearDown() override { ::umask(oldUmask); }

    QString path(const QString& relative) const { return tmp.path() + QLatin1Char('/') + relative; }
    void put(const QString& relative, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes(const QString& relative) const {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList filesBelow(const QString& relative) const {
        QStringList files;
        QDirIterator it(path(relative), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) files << QDir(path(relative)).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    FolderChoice choose() const {
        return chooseProgramFolder(path(QStringLiteral("bin")), path(QStringLiteral("data")),
                                   path(QStringLiteral("share/kuvano/supplied")));
    }

    QTemporaryDir tmp;
    mode_t oldUmask = 0;
};

} // namespace

TEST_F(FolderChoiceTest, APortableCopyKeepsItsOwnFolderAndMakesItsNotesPrivate) {
    put(QStringLiteral("bin/DB3/loginstr.db"), "x");
    put(QStringLiteral("bin/DB3/backup/CalendarD.mdb"), "x");
    ::chmod(QFile::encodeName(path(QStringLiteral("bin/DB3/loginstr.db"))).constData(), 0644);
    const FolderChoice choice = choose();
    ASSERT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
    EXPECT_EQ(choice.folder.root(), path(QStringLiteral("bin/")));
    EXPECT_EQ(modeOf(path(QStringLiteral("bin/DB3"))), 0700);
    EXPECT_EQ(modeOf(path(QStringLiteral("bin/DB3/backup"))), 0700);
    EXPECT_EQ(modeOf(path(QStringLiteral("bin/DB3/loginstr.db"))), 0600);
    EXPECT_EQ(bytes(QStringLiteral("bin/DB3/loginstr.db")), QByteArray("x"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("data"))));
    EXPECT_EQ(filesBelow(QStringLiteral("bin")),
              QStringList(
                  {QStringLiteral("DB3/backup/CalendarD.mdb"), QStringLiteral("DB3/loginstr.db")}));
}

TEST_F(FolderChoiceTest, APortableCopyThatCannotWriteItsNotesSaysSoAndGoesNowhereElse) {
    // A DB3 that no file can go into, even for root (who passes every mode check).
    put(QStringLiteral("bin/DB3"), "not a folder");
    const FolderChoice choice = choose();
    EXPECT_FALSE(choice.folder.ok());
    EXPECT_TRUE(choice.error.contains(path(QStringLiteral("bin/DB3"))))
        << choice.error.toStdString();
    EXPECT_TRUE(choice.error.contains(QStringLiteral("不会改用其他文件夹")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("data"))));
}

TEST_F(FolderChoiceTest, AnInstalledProgramSeedsTheUsersDataFolderOnFirstStart) {
    const FolderChoice choice = choose();
    ASSERT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
    EXPECT_EQ(choice.folder.root(), path(QStringLiteral("data/kuvano/")));
    EXPECT_EQ(filesBelow(QStringLiteral("data/kuvano")),
              filesBelow(QStringLiteral("share/kuvano/supplied")));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/loginstr.db")),
              bytes(QStringLiteral("share/kuvano/supplied/DB3/loginstr.db")));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/source/UI/title.png")), QByteArray("png"));
    // Notes and settings are the user's alone; pictures follow the umask.
    EXPECT_EQ(modeOf(path(QStringLiteral("data/kuvano/DB3"))), 0700);
    EXPECT_EQ(modeOf(path(QStringLiteral("data/kuvano/DB3/loginstr.db"))), 0600);
    EXPECT_EQ(modeOf(path(QStringLiteral("data/kuvano/source/UI/title.png"))), 0644);
    // The supplied folder is only read.
    EXPECT_EQ(filesBelow(QStringLiteral("share/kuvano/supplied")).size(), 3);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bin/DB3"))));
}

TEST_F(FolderChoiceTest, AnUpgradeAddsNewSuppliedFilesAndNeverOverwritesTheUsers) {
    ASSERT_TRUE(choose().error.isEmpty());
    put(QStringLiteral("data/kuvano/DB3/loginstr.db"), "hash\r\nhash\r\n-1\r\n");
    put(QStringLiteral("data/kuvano/DB3/CalendarD.mdb"), "notes");
    put(QStringLiteral("data/kuvano/source/UI/title.png"), "the user's own");
    put(QStringLiteral("share/kuvano/supplied/source/UI/new.png"), "new picture");
    const FolderChoice again = choose();
    ASSERT_TRUE(again.error.isEmpty()) << again.error.toStdString();
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/loginstr.db")),
              QByteArray("hash\r\nhash\r\n-1\r\n"));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/CalendarD.mdb")), QByteArray("notes"));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/source/UI/title.png")),
              QByteArray("the user's own"));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/source/UI/new.png")), QByteArray("new picture"));
}

TEST_F(FolderChoiceTest, AnUnusableDataFolderIsNamedAndNoHalfCopyIsLeft) {
    // The data home is a file: nothing can be made below it.
    put(QStringLiteral("data"), "a file");
    FolderChoice choice = choose();
    EXPECT_FALSE(choice.folder.ok());
    EXPECT_TRUE(choice.error.startsWith(QStringLiteral("无法使用数据文件夹 ")));
    EXPECT_TRUE(choice.error.contains(path(QStringLiteral("data/kuvano"))))
        << choice.error.toStdString();

    // A supplied file whose place is taken by a file where a folder belongs.
    QFile::remove(path(QStringLiteral("data")));
    put(QStringLiteral("data/kuvano/source/UI"), "a file");
    choice = choose();
    EXPECT_FALSE(choice.folder.ok());
    EXPECT_TRUE(choice.error.contains(path(QStringLiteral("data/kuvano"))))
        << choice.error.toStdString();
    // Whatever was copied is whole; nothing half-written sits under a temporary name.
    for (const QString& f : filesBelow(QStringLiteral("data/kuvano")))
        EXPECT_TRUE(f == QStringLiteral("source/UI") ||
                    filesBelow(QStringLiteral("share/kuvano/supplied")).contains(f))
            << f.toStdString();
    // Once the obstacle is gone the next start completes the folder.
    QFile::remove(path(QStringLiteral("data/kuvano/source/UI")));
    ASSERT_TRUE(choose().error.isEmpty());
    EXPECT_EQ(filesBelow(QStringLiteral("data/kuvano")),
              filesBelow(QStringLiteral("share/kuvano/supplied")));
}

TEST(UserDataHome, AnAbsoluteXdgDataHomeElseTheHomesLocalShare) {
    const QString home = QStringLiteral("/home/li");
    EXPECT_EQ(userDataHome(QStringLiteral("/data/li"), home), QStringLiteral("/data/li"));
    EXPECT_EQ(userDataHome(QString(), home), QStringLiteral("/home/li/.local/share"));
    // A relative value is invalid and ignored.
    EXPECT_EQ(userDataHome(QStringLiteral("share"), home), QStringLiteral("/home/li/.local/share"));
}
