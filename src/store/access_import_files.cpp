// The two ways an Access file comes in: in place of the notes database at
// start-up, and into the running database from the options menu.
#include "store/access_import.h"

#include "access/access_db.h"
#include "store/clock.h"
#include "store/untdb.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kuvano::notes {

namespace {

// "DB3/name.mdb", or "DB3/name-2.mdb", "-3"... when taken: nothing is overwritten.
QString freeName(const ProgramFolder& folder, const QString& stem) {
    QString relative = stem + QStringLiteral(".mdb");
    for (int n = 2; QFile::exists(folder.filePath(relative)); ++n)
        relative = stem + QStringLiteral("-%1.mdb").arg(n);
    return relative;
}

void removeDatabaseFiles(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

ImportReport importAccessAtStartup(const ProgramFolder& folder) {
    const QString path = folder.filePath(TDM::relativePath());
    // Built beside the Access file, which stays where it is until the new
    // database is complete: an interruption leaves the start as it was.
    const QString building = folder.filePath(QStringLiteral("DB3/CalendarD-import.tmp"));
    removeDatabaseFiles(building); // left by an import that was cut short
    ImportReport report;
    {
        sql::Database db;
        try {
            db.create(building, NotesSchemaSql(), TDM::kBusyTimeoutMs);
        } catch (const sql::Error& e) {
            throw ImportError(QStringLiteral("无法建立新的笔记库：%1").arg(e.message()));
        }
        try {
            report = importAccessFile(path, db);
            // One self-contained file, ready to be renamed.
            db.exec("PRAGMA journal_mode=DELETE");
        } catch (const sql::Error& e) {
            db.close();
            removeDatabaseFiles(building);
            throw ImportError(QStringLiteral("无法写入新的笔记库：%1").arg(e.message()));
        } catch (...) {
            db.close();
            removeDatabaseFiles(building);
            throw;
        }
    }
    const QString kept = freeName(folder, QStringLiteral("DB3/CalendarD-access"));
    if (!QFile::rename(path, folder.filePath(kept))) {
        removeDatabaseFiles(building);
        throw ImportError(QStringLiteral("无法把 %1 改名为 %2。").arg(TDM::relativePath(), kept));
    }
    // A journal left beside the old name belongs to no database any more;
    // the new database must not pick it up.
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (!QFile::rename(building, path)) {
        QFile::rename(folder.filePath(kept), path);
        removeDatabaseFiles(building);
        throw ImportError(QStringLiteral("无法把新的笔记库放到 %1。").arg(TDM::relativePath()));
    }
    report.accessKeptAs = kept;
    return report;
}

ImportReport importAccessIntoRunning(const ProgramFolder& folder, TDM& dm,
                                     const QString& accessPath) {
    if (!access::isAccessFile(accessPath))
        throw ImportError(QStringLiteral("%1 不是 Access 格式的笔记库。").arg(accessPath));
    if (!dm.connected())
        throw ImportError(QStringLiteral("笔记库没有打开：%1").arg(dm.creationError()));
    // What was typed goes in before the imported notes, and into the backup.
    dm.WriteHeldSaves();
    QString backup;
    auto copyFirst = [&] {
        backup = freeName(folder, QStringLiteral("DB3/CalendarD-before-import-") +
                                      clock::now().toString(QStringLiteral("yyyyMMdd-HHmm")));
        // The copy is made under a name no backup has, owner-only from its
        // first byte (as the snapshots are), and takes the backup's name
        // only when whole: a copy cut short never passes for a backup.
        const QString final = folder.filePath(backup);
        const QString part = final + QStringLiteral(".part");
        const QByteArray nativePart = QFile::encodeName(part);
        removeDatabaseFiles(part);
        try {
            const int fd = ::open(nativePart.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                  S_IRUSR | S_IWUSR);
            if (fd < 0) throw sql::Error(QString::fromLocal8Bit(std::strerror(errno)), part);
            ::close(fd);
            // A consistent copy of the live database in one file.
            sql::Statement copy(dm.connection(), QStringLiteral("VACUUM INTO ?"));
            copy.bind(1, part);
            copy.step();
            const int synced = ::open(nativePart.constData(), O_RDONLY | O_CLOEXEC);
            const bool ok = synced >= 0 && ::fsync(synced) == 0;
            const int code = errno;
            if (synced >= 0) ::close(synced);
            if (!ok) throw sql::Error(QString::fromLocal8Bit(std::strerror(code)), part);
            if (::rename(nativePart.constData(), QFile::encodeName(final).constData()) != 0)
                throw sql::Error(QString::fromLocal8Bit(std::strerror(errno)), part);
        } catch (const sql::Error& e) {
            removeDatabaseFiles(part);
            throw ImportError(QStringLiteral("无法复制笔记库：%1").arg(e.message()));
        }
    };
    ImportReport report = importAccessFile(accessPath, dm.connection(), copyFirst);
    report.backup = backup;
    return report;
}

} // namespace kuvano::notes
