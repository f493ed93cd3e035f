#include "platform/program_folder.h"

#include "store/private_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

namespace kuvano {

namespace {

const QString kDb3 = QStringLiteral("DB3");

// Writable in fact, not by the mode bits: root passes every mode check, and
// read-only media refuse even root.
QString cannotWriteIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.kuvano-write-test-XXXXXX"));
    if (probe.open()) return {};
    return probe.errorString();
}

// Copies to a temporary name in the target's folder and renames when whole.
QString copyWhole(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) return out.errorString();
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 16);
        if (block.isEmpty() && in.error() != QFileDevice::NoError) return in.errorString();
        if (out.write(block) != block.size()) return out.errorString();
    }
    if (!out.commit()) return out.errorString();
    return {};
}

FolderChoice failure(const QString& message) {
    return FolderChoice{ProgramFolder(), message};
}

FolderChoice portable(const QString& root, const QString& ownedDir) {
    const QString db3 = root + QLatin1Char('/') + kDb3;
    if (const QString why = cannotWriteIn(db3); !why.isEmpty())
        return failure(QStringLiteral("程序文件夹中的笔记文件夹无法写入：%1\n%2\n"
                                      "笔记保存在这里，程序不会改用其他文件夹。"
                                      "请把程序文件夹放到可写的位置，或给它写入权限。")
                           .arg(QDir::toNativeSeparators(db3), why));
    privatefiles::restrictTree(db3);
    return FolderChoice{ProgramFolder(root, ownedDir.isEmpty() ? root : ownedDir), QString()};
}

bool sameBytes(const QString& a, const QString& b) {
    QFile x(a), y(b);
    if (x.size() != y.size()) return false;
    if (!x.open(QIODevice::ReadOnly) || !y.open(QIODevice::ReadOnly)) return false;
    while (!x.atEnd()) {
        const QByteArray block = x.read(1 << 16);
        if (block.isEmpty() || block != y.read(block.size())) return false;
    }
    return true;
}

// Earlier releases copied every supplied file into the data folder.
// Copies of what the program owns are no longer read; the ones still equal
// to this release's are removed, the others (changed by the user, or an older
// release's) stay where they are. A1.bmp too: equal to the supplied one, the
// user loses nothing, as the supplied picture stands in for it.
void removeUnchangedCopies(const QString& root, const QString& suppliedDir) {
    const QDir supplied(suppliedDir);
    QDirIterator it(suppliedDir + QStringLiteral("/source"), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    QStringList folders;
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = supplied.relativeFilePath(from);
        const QString copy = root + QLatin1Char('/') + relative;
        // The same file seen through a link is the supplied one itself.
        const QFileInfo copied(copy);
        if (copied.isFile() && copied.canonicalFilePath() != QFileInfo(from).canonicalFilePath() &&
            sameBytes(copy, from))
            QFile::remove(copy);
        folders << QFileInfo(copy).absolutePath();
    }
    // Emptied folders go too; rmdir leaves a folder that still holds anything.
    // source/DeskTopBG/ stays: the composer and the picture list write there.
    folders.removeDuplicates();
    for (const QString& folder : std::as_const(folders))
        if (!folder.endsWith(QStringLiteral("/source/DeskTopBG"))) QDir().rmdir(folder);
}

// The user's data folder holds only what the user may change:
// - DB3/: the notes, the password file loginstr.db, the holiday arrangement
//   holidays.txt and every setting (form.ini, configSetBg.ini, BGPicList.ini,
//   webhost.ini); the supplied defaults of DB3/ are copied in where missing;
// - source/DeskTopBG/: the background pictures the user adds and the
//   composer's Content.bmp, Mix.bmp and Mix.Jpg. The default background A1.bmp
//   is read from the supplied folder until the user puts one of their own here.
// Everything else the program supplies (the window pictures of source/UI/,
// the pages of source/Navigate/) is its own and read from ownedDir.
FolderChoice perUser(const QString& root, const QString& suppliedDir, const QString& ownedDir) {
    const auto unusable = [&root](const QString& why) {
        return failure(
            QStringLiteral("无法使用数据文件夹 %1：\n%2").arg(QDir::toNativeSeparators(root), why));
    };
    const QString db3 = root + QLatin1Char('/') + kDb3;
    if (!QDir().mkpath(db3)) return unusable(QStringLiteral("无法创建文件夹 %1").arg(db3));
    privatefiles::restrict(db3); // before anything goes in
    if (const QString why = cannotWriteIn(db3); !why.isEmpty()) return unusable(why);
    const QString pictures = root + QStringLiteral("/source/DeskTopBG");
    if (!QDir().mkpath(pictures))
        return unusable(QStringLiteral("无法创建文件夹 %1").arg(pictures));

    const QString suppliedDb3 = suppliedDir + QLatin1Char('/') + kDb3;
    const QDir supplied(suppliedDir);
    QDirIterator it(suppliedDb3, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = supplied.relativeFilePath(from);
        const QString to = root + QLatin1Char('/') + relative;
        if (QFileInfo::exists(to)) continue;
        if (!QDir().mkpath(QFileInfo(to).absolutePath()))
            return unusable(QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(to).absolutePath()));
        if (const QString why = copyWhole(from, to); !why.isEmpty())
            return unusable(QStringLiteral("无法复制 %1：%2").arg(relative, why));
    }
    privatefiles::restrictTree(db3);
    // Only an installed program's data folder ever got copies; a portable
    // copy's own files are never touched.
    if (ownedDir == suppliedDir && QDir(ownedDir) != QDir(root))
        removeUnchangedCopies(root, suppliedDir);
    return FolderChoice{ProgramFolder(root, ownedDir), QString()};
}

} // namespace

FolderChoice chooseProgramFolder(const QString& executableDir, const QString& dataHome,
                                 const QString& suppliedDir) {
    // Any DB3 entry marks a portable copy, even one that is not a usable
    // folder: the user gets told rather than silently moved elsewhere.
    if (QFileInfo::exists(executableDir + QLatin1Char('/') + kDb3))
        return portable(QDir(executableDir).absolutePath(), {});
    const QString supplied = QDir(suppliedDir).absolutePath();
    return perUser(QDir(dataHome).absolutePath() + QStringLiteral("/kuvano"), supplied, supplied);
}

FolderChoice chooseProgramFolderAt(const QString& folder, const QString& suppliedDir,
                                   const QString& ownedDir) {
    const QString root = QDir(folder).absolutePath();
    const QString supplied = QDir(suppliedDir).absolutePath();
    const QString owned = ownedDir.isEmpty() ? supplied : QDir(ownedDir).absolutePath();
    if (QFileInfo::exists(root + QLatin1Char('/') + kDb3)) return portable(root, owned);
    return perUser(root, supplied, owned);
}

QString userDataHome(const QString& xdgDataHome, const QString& home) {
    // Relative values are invalid and to be ignored (XDG Base Directory).
    if (!xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)) return xdgDataHome;
    return home + QStringLiteral("/.local/share");
}

FolderChoice chooseProgramFolderForThisRun(const QString& givenFolder) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    QString supplied = QDir::cleanPath(exeDir + QStringLiteral("/../share/kuvano/supplied"));
    if (!QFileInfo::exists(supplied))
        supplied = QDir::cleanPath(exeDir + QStringLiteral("/../supplied"));
    if (!givenFolder.isEmpty()) {
        // The running program's own files: beside it when it is a portable copy.
        const bool portableCopy = QFileInfo::exists(exeDir + QLatin1Char('/') + kDb3);
        return chooseProgramFolderAt(givenFolder, supplied, portableCopy ? exeDir : supplied);
    }
    return chooseProgramFolder(
        exeDir, userDataHome(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()), supplied);
}

} // namespace kuvano
