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
        put(QStringLiteral("share/kuvano/supplied/source/DeskTopBG/A1.bmp"), "bmp");
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
    EXPECT_EQ(choice.folder.ownedRoot(), path(QStringLiteral("bin/")));
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

TEST_F(FolderChoiceTest, AnInstalledProgramSeedsOnlyTheUsersFilesAndReadsItsOwnInPlace) {
    const FolderChoice choice = choose();
    ASSERT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
    const ProgramFolder& folder = choice.folder;
    EXPECT_EQ(folder.root(), path(QStringLiteral("data/kuvano/")));
    EXPECT_EQ(folder.ownedRoot(), path(QStringLiteral("share/kuvano/supplied/")));
    EXPECT_EQ(filesBelow(QStringLiteral("data/kuvano")),
              QStringList{QStringLiteral("DB3/loginstr.db")});
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/loginstr.db")),
              bytes(QStringLiteral("share/kuvano/supplied/DB3/loginstr.db")));
    // Where the composer and the picture list write.
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("data/kuvano/source/DeskTopBG"))).isDir());
    EXPECT_EQ(folder.ownedFile(QStringLiteral("source/UI/title.png")),
              path(QStringLiteral("share/kuvano/supplied/source/UI/title.png")));
    // Notes and settings are the user's alone.
    EXPECT_EQ(modeOf(path(QStringLiteral("data/kuvano/DB3"))), 0700);
    EXPECT_EQ(modeOf(path(QStringLiteral("data/kuvano/DB3/loginstr.db"))), 0600);
    // The supplied folder is only read.
    EXPECT_EQ(filesBelow(QStringLiteral("share/kuvano/supplied")).size(), 4);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bin/DB3"))));
}

TEST_F(FolderChoiceTest, AnUpgradeNeverOverwritesTheUsersFilesAndReadsTheNewReleasesOwn) {
    ASSERT_TRUE(choose().error.isEmpty());
    put(QStringLiteral("data/kuvano/DB3/loginstr.db"), "hash\r\nhash\r\n-1\r\n");
    put(QStringLiteral("data/kuvano/DB3/CalendarD.mdb"), "notes");
    put(QStringLiteral("share/kuvano/supplied/source/UI/title.png"), "new title");
    put(QStringLiteral("share/kuvano/supplied/DB3/holidays.txt"), "# new");
    const FolderChoice again = choose();
    ASSERT_TRUE(again.error.isEmpty()) << again.error.toStdString();
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/loginstr.db")),
              QByteArray("hash\r\nhash\r\n-1\r\n"));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/CalendarD.mdb")), QByteArray("notes"));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/holidays.txt")), QByteArray("# new"));
    QFile title(again.folder.ownedFile(QStringLiteral("source/UI/title.png")));
    ASSERT_TRUE(title.open(QIODevice::ReadOnly));
    EXPECT_EQ(title.readAll(), QByteArray("new title"));
}

TEST_F(FolderChoiceTest, CopiesOlderReleasesLeftGoWhenUnchangedAndNeverShadowTheProgramsOwn) {
    struct Copy {
        const char* relative;
        QByteArray bytes;
        bool stays;
    };
    const std::vector<Copy> copies = {
        {"source/UI/title.png", "png", false},                   // as supplied
        {"source/Navigate/default.htm", "<p>changed</p>", true}, // the user's edit
        {"source/DeskTopBG/A1.bmp", "bmp", false},               // the default background
        {"source/DeskTopBG/mine.bmp", "bmp", true},              // the user's picture
        {"source/DeskTopBG/Mix.bmp", "mix", true},               // the composer's
    };
    for (const Copy& c : copies)
        put(QStringLiteral("data/kuvano/") + QLatin1String(c.relative), c.bytes);
    const FolderChoice choice = choose();
    ASSERT_TRUE(choice.error.isEmpty()) << choice.error.toStdString();
    for (const Copy& c : copies) {
        const QString relative = QLatin1String(c.relative);
        EXPECT_EQ(QFileInfo::exists(path(QStringLiteral("data/kuvano/") + relative)), c.stays)
            << c.relative;
    }
    // A kept copy is not read; a folder left empty is gone.
    EXPECT_EQ(choice.folder.ownedFile(QStringLiteral("source/Navigate/default.htm")),
              path(QStringLiteral("share/kuvano/supplied/source/Navigate/default.htm")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("data/kuvano/source/UI"))));
    // The background the user may replace: theirs when they have one.
    EXPECT_EQ(choice.folder.userOrOwnedFile(QStringLiteral("source/DeskTopBG/A1.bmp")),
              path(QStringLiteral("share/kuvano/supplied/source/DeskTopBG/A1.bmp")));
    put(QStringLiteral("data/kuvano/source/DeskTopBG/A1.bmp"), "the user's own");
    ASSERT_TRUE(choose().error.isEmpty());
    EXPECT_EQ(choice.folder.userOrOwnedFile(QStringLiteral("source/DeskTopBG/A1.bmp")),
              path(QStringLiteral("data/kuvano/source/DeskTopBG/A1.bmp")));
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/source/DeskTopBG/A1.bmp")),
              QByteArray("the user's own"));
}

TEST_F(FolderChoiceTest, AGivenFolderTakesTheRunningProgramsOwnFiles) {
    struct Case {
        const char* what;
        QString owned; // the running program's own files
    };
    for (const Case& c : {Case{"installed", {}}, Case{"portable", path(QStringLiteral("bin"))}}) {
        const QString stick = path(QStringLiteral("stick-") + QLatin1String(c.what));
        const FolderChoice first =
            chooseProgramFolderAt(stick, path(QStringLiteral("share/kuvano/supplied")), c.owned);
        ASSERT_TRUE(first.error.isEmpty()) << first.error.toStdString();
        const QString owned =
            (c.owned.isEmpty() ? path(QStringLiteral("share/kuvano/supplied")) : c.owned) +
            QLatin1Char('/');
        EXPECT_EQ(first.folder.ownedRoot(), owned) << c.what;
        EXPECT_TRUE(QFileInfo::exists(stick + QStringLiteral("/DB3/loginstr.db"))) << c.what;
        // Later starts find DB3/ there and keep the same places.
        const FolderChoice again =
            chooseProgramFolderAt(stick, path(QStringLiteral("share/kuvano/supplied")), c.owned);
        ASSERT_TRUE(again.error.isEmpty()) << again.error.toStdString();
        EXPECT_EQ(again.folder.root(), stick + QLatin1Char('/')) << c.what;
        EXPECT_EQ(again.folder.ownedRoot(), owned) << c.what;
    }
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
    put(QStringLiteral("share/kuvano/supplied/DB3/sub/x.ini"), "x");
    put(QStringLiteral("data/kuvano/DB3/sub"), "a file");
    choice = choose();
    EXPECT_FALSE(choice.folder.ok());
    EXPECT_TRUE(choice.error.contains(path(QStringLiteral("data/kuvano"))))
        << choice.error.toStdString();
    // Whatever was copied is whole; nothing half-written sits under a temporary name.
    for (const QString& f : filesBelow(QStringLiteral("data/kuvano")))
        EXPECT_TRUE(f == QStringLiteral("DB3/sub") ||
                    filesBelow(QStringLiteral("share/kuvano/supplied")).contains(f))
            << f.toStdString();
    // Once the obstacle is gone the next start completes the folder.
    QFile::remove(path(QStringLiteral("data/kuvano/DB3/sub")));
    ASSERT_TRUE(choose().error.isEmpty());
    EXPECT_EQ(bytes(QStringLiteral("data/kuvano/DB3/sub/x.ini")), QByteArray("x"));
}

TEST(UserDataHome, AnAbsoluteXdgDataHomeElseTheHomesLocalShare) {
    const QString home = QStringLiteral("/home/li");
    EXPECT_EQ(userDataHome(QStringLiteral("/data/li"), home), QStringLiteral("/data/li"));
    EXPECT_EQ(userDataHome(QString(), home), QStringLiteral("/home/li/.local/share"));
    // A relative value is invalid and ignored.
    EXPECT_EQ(userDataHome(QStringLiteral("share"), home), QStringLiteral("/home/li/.local/share"));
}
