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

FolderChoice portable(const QString& root) {
    const QString db3 = root + QLatin1Char('/') + kDb3;
    if (const QString why = cannotWriteIn(db3); !why.isEmpty())
        return failure(QStringLiteral("程序文件夹中的笔记文件夹无法写入：%1\n%2\n"
                                      "笔记保存在这里，程序不会改用其他文件夹。"
                                      "请把程序文件夹放到可写的位置，或给它写入权限。")
                           .arg(QDir::toNativeSeparators(db3), why));
    privatefiles::restrictTree(db3);
    return FolderChoice{ProgramFolder(root), QString()};
}

FolderChoice perUser(const QString& root, const QString& suppliedDir) {
    const auto unusable = [&root](const QString& why) {
        return failure(
            QStringLiteral("无法使用数据文件夹 %1：\n%2").arg(QDir::toNativeSeparators(root), why));
    };
    const QString db3 = root + QLatin1Char('/') + kDb3;
    if (!QDir().mkpath(db3)) return unusable(QStringLiteral("无法创建文件夹 %1").arg(db3));
    privatefiles::restrict(db3); // before anything goes in
    if (const QString why = cannotWriteIn(db3); !why.isEmpty()) return unusable(why);

    const QDir supplied(suppliedDir);
    QDirIterator it(suppliedDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
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
    return FolderChoice{ProgramFolder(root), QString()};
}

} // namespace

FolderChoice chooseProgramFolder(const QString& executableDir, const QString& dataHome,
                                 const QString& suppliedDir) {
    // Any DB3 entry marks a portable copy, even one that is not a usable
    // folder: the user gets told rather than silently moved elsewhere.
    if (QFileInfo::exists(executableDir + QLatin1Char('/') + kDb3))
        return portable(QDir(executableDir).absolutePath());
    return perUser(QDir(dataHome).absolutePath() + QStringLiteral("/kuvano"), suppliedDir);
}

FolderChoice chooseProgramFolderAt(const QString& folder, const QString& suppliedDir) {
    const QString root = QDir(folder).absolutePath();
    if (QFileInfo::exists(root + QLatin1Char('/') + kDb3)) return portable(root);
    return perUser(root, suppliedDir);
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
    if (!givenFolder.isEmpty()) return chooseProgramFolderAt(givenFolder, supplied);
    return chooseProgramFolder(
        exeDir, userDataHome(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()), supplied);
}

} // namespace kuvano
