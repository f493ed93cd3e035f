#include "store/snapshots.h"

#include "access/access_db.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace kuvano::notes {

namespace {

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerDir = kOwnerFile | QFileDevice::ExeOwner;
const QString kPartSuffix = QStringLiteral(".part");

const QRegularExpression& goodName() {
    static const QRegularExpression re(
        QStringLiteral("^CalendarD-(\\d{4})(\\d{2})(\\d{2})-(\\d{2})(\\d{2})\\.mdb$"));
    return re;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// An sqlite3 handle that is closed on every path.
class Handle {
public:
    Handle(const QString& path, int flags) {
        const QByteArray native = QFile::encodeName(path);
        rc_ = sqlite3_open_v2(native.constData(), &db_, flags | SQLITE_OPEN_URI, nullptr);
        if (rc_ == SQLITE_OK) sqlite3_busy_timeout(db_, TDM::kBusyTimeoutMs);
    }
    ~Handle() { sqlite3_close_v2(db_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    sqlite3* get() const { return db_; }
    void check(const QString& what) const {
        if (rc_ != SQLITE_OK) fail(what);
    }
    [[noreturn]] void fail(const QString& what) const {
        throw sql::Error(what + QStringLiteral(": ") +
                         QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc_)));
    }
    // Runs a statement and returns its first column of the first row.
    QString scalar(const char* sqlText, const QString& what) const {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sqlText, -1, &st, nullptr) != SQLITE_OK) fail(what);
        const int rc = sqlite3_step(st);
        QString value;
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(what);
        return value;
    }

private:
    sqlite3* db_ = nullptr;
    int rc_ = SQLITE_OK;
};

void syncPath(const QString& path, bool directory) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) {
        if (directory) return; // some file systems cannot open a folder; the rename still stands
        throw sql::Error(QStringLiteral("无法打开 %1: %2").arg(path, systemError()));
    }
    const int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0 && !directory)
        throw sql::Error(QStringLiteral("无法写入 %1: %2").arg(path, systemError()));
}

// Pages copied per backup step: half a megabyte at the usual page size.
constexpr int kStepPages = 128;

// Writes a growing file's new pages to the disk as they come and waits for
// them, so that no more than one step's worth is ever queued.
class WriteBack {
public:
    explicit WriteBack(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)) {}
    ~WriteBack() {
        if (fd_ >= 0) ::close(fd_);
    }
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;
    // A failure here only loses the pacing: the final fsync still reports it.
    void flushWritten() {
        if (fd_ >= 0)
            ::sync_file_range(fd_, 0, 0,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
    }

private:
    int fd_;
};

void renameOver(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw sql::Error(QStringLiteral("无法把 %1 改名为 %2: %3").arg(from, to, systemError()));
}

bool moveIfExists(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from)) return false;
    renameOver(from, to);
    return true;
}

// A name in the folder that no file has yet: base + ".mdb", else base-2.mdb, ...
QString freeName(const QString& folder, const QString& base) {
    QString name = folder + base + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral("-wal"));
         ++n)
        name = folder + base + QStringLiteral("-%1.mdb").arg(n);
    return name;
}

// Copies a file to target + ".part", synced, and returns that name: a file
// of that name is never taken for a good one.
QString copyToPart(const QString& source, const QString& target) {
    const QString part = target + kPartSuffix;
    QFile::remove(part);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw sql::Error(QStringLiteral("无法读取 %1: %2").arg(source, in.errorString()));
    {
        QFile out(part);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw sql::Error(QStringLiteral("无法写入 %1: %2").arg(part, out.errorString()));
        out.setPermissions(kOwnerFile);
        QByteArray chunk;
        while (!(chunk = in.read(1 << 20)).isEmpty()) {
            if (out.write(chunk) != chunk.size()) {
                const QString why = out.errorString();
                out.close();
                QFile::remove(part);
                throw sql::Error(QStringLiteral("无法写入 %1: %2").arg(part, why));
            }
        }
        if (in.error() != QFileDevice::NoError || !out.flush()) {
            out.close();
            QFile::remove(part);
            throw sql::Error(QStringLiteral("无法复制 %1").arg(source));
        }
    }
    try {
        syncPath(part, false);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    return part;
}

// Copies a file to target through a temporary name, synced before the
// rename, so that target is either absent or whole.
void copyDurably(const QString& source, const QString& target) {
    const QString part = copyToPart(source, target);
    try {
        renameOver(part, target);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    syncPath(QFileInfo(target).absolutePath(), true);
}

// Puts the whole copy `part` in place of the notes database `db`, keeping
// the current file as `aside`. The current file gets its second name first
// (a hard link) and the copy then replaces it in one rename, so the notes
// database is never missing; where links cannot be made it moves aside, and
// start-up finds the gap (SnapshotStore::interruptedRestore). On failure the
// current file is back as it was and the copy is gone.
void putInPlace(const QString& part, const QString& db, const QString& aside) {
    const QByteArray nativeDb = QFile::encodeName(db);
    const bool exists = QFileInfo::exists(db);
    const bool linked =
        exists && ::link(nativeDb.constData(), QFile::encodeName(aside).constData()) == 0;
    try {
        if (exists && !linked) renameOver(db, aside);
        // The current file's log and index belong to it, not to the copy.
        moveIfExists(db + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
        QFile::remove(db + QStringLiteral("-shm"));
        renameOver(part, db);
    } catch (...) {
        moveIfExists(aside + QStringLiteral("-wal"), db + QStringLiteral("-wal"));
        if (linked)
            QFile::remove(aside);
        else if (exists)
            moveIfExists(aside, db);
        QFile::remove(part);
        throw;
    }
    syncPath(QFileInfo(aside).absolutePath(), true);
    syncPath(QFileInfo(db).absolutePath(), true);
}

int countRows(const Handle& db, const char* table) {
    const QByteArray sqlText = QByteArray("select count(*) from ") + table;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(), sqlText.constData(), -1, &st, nullptr) != SQLITE_OK)
        return 0; // a database without that table holds none of its notes
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    return n;
}

} // namespace

SnapshotStore::SnapshotStore(const ProgramFolder& folder) : folder_(folder) {}

QString SnapshotStore::folderPath() const {
    return folder_.filePath(relativeFolder() + QLatin1Char('/'));
}

QString SnapshotStore::databasePath() const {
    return folder_.filePath(TDM::relativePath());
}

QString SnapshotStore::stamp(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyyMMdd-HHmm"));
}

std::vector<SnapshotInfo> SnapshotStore::list() const {
    std::vector<SnapshotInfo> found;
    const QDir dir(folderPath());
    for (const QString& name : dir.entryList(QDir::Files)) {
        const auto m = goodName().match(name);
        if (!m.hasMatch()) continue;
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt());
        if (!date.isValid() || !time.isValid()) continue;
        found.push_back({dir.filePath(name), QDateTime(date, time)});
    }
    std::sort(found.begin(), found.end(),
              [](const SnapshotInfo& a, const SnapshotInfo& b) { return a.taken > b.taken; });
    return found;
}

std::optional<SnapshotInfo> SnapshotStore::newest() const {
    auto all = list();
    if (all.empty()) return std::nullopt;
    return all.front();
}

bool SnapshotStore::due(const QDateTime& now) const {
    const auto last = newest();
    return !last || last->taken.secsTo(now) >= 24 * 3600 || last->taken > now.addDays(1);
}

SnapshotInfo SnapshotStore::take(const QDateTime& now) const {
    const QString dir = folderPath();
    if (!QDir().mkpath(dir)) throw sql::Error(QStringLiteral("无法建立备份文件夹 %1").arg(dir));
    QFile::setPermissions(dir, kOwnerDir);
    // What an interrupted earlier run left: never a good snapshot.
    for (const QString& name : QDir(dir).entryList(
             {QStringLiteral("*") + kPartSuffix + QStringLiteral("*")}, QDir::Files))
        QFile::remove(dir + name);

    const QString final = dir + QStringLiteral("CalendarD-") + stamp(now) + QStringLiteral(".mdb");
    const QString part = final + kPartSuffix;
    auto removePart = [&] {
        for (const QString& suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"),
                                      QStringLiteral("-shm")})
            QFile::remove(part + suffix);
    };
    try {
        {
            Handle source(databasePath(), SQLITE_OPEN_READWRITE);
            source.check(QStringLiteral("无法打开数据库"));
            Handle target(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            target.check(QStringLiteral("无法建立备份文件"));
            QFile::setPermissions(part, kOwnerFile);
            // The copy is written unsynced and flushed a slice at a time
            // below, then synced once: one flush of the whole file at the end
            // would queue tens of megabytes ahead of the next keystroke's save.
            target.scalar("PRAGMA synchronous=OFF", QStringLiteral("备份失败"));
            // One read transaction over all the steps: the copy is of one
            // state of the notes while the user's saves go on (the notes
            // database is in WAL mode), and no save in between can make the
            // copy start over.
            source.scalar("BEGIN", QStringLiteral("无法读取数据库"));
            source.scalar("SELECT count(*) FROM sqlite_master", QStringLiteral("无法读取数据库"));
            sqlite3_backup* backup =
                sqlite3_backup_init(target.get(), "main", source.get(), "main");
            if (!backup) target.fail(QStringLiteral("备份失败"));
            WriteBack writeBack(part);
            int rc = SQLITE_OK;
            bool endless = false;
            // A copy that kept starting over would take more steps than it has pages.
            for (int steps = 0; rc == SQLITE_OK && !endless; ++steps) {
                rc = sqlite3_backup_step(backup, kStepPages);
                writeBack.flushWritten();
                endless = steps > sqlite3_backup_pagecount(backup) / kStepPages + 8;
            }
            sqlite3_backup_finish(backup);
            source.scalar("COMMIT", QStringLiteral("无法读取数据库"));
            if (endless) throw sql::Error(QStringLiteral("备份失败: 复制不断重新开始"));
            if (rc != SQLITE_DONE) target.fail(QStringLiteral("备份失败"));
            // A snapshot stands alone: no -wal beside it when it is read.
            target.scalar("PRAGMA journal_mode=DELETE", QStringLiteral("备份失败"));
            const QString check =
                target.scalar("PRAGMA integrity_check(1)", QStringLiteral("备份检查失败"));
            if (check != QLatin1String("ok"))
                throw sql::Error(QStringLiteral("备份检查失败: ") + check);
        }
        syncPath(part, false);
        renameOver(part, final);
        syncPath(dir, true);
    } catch (...) {
        removePart();
        throw;
    }
    return {final, QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()))};
}

std::vector<SnapshotInfo> SnapshotStore::expired(const std::vector<SnapshotInfo>& newestFirst,
                                                 const QDateTime& now) {
    std::set<QString> keep;
    std::set<QDate> days;
    for (const SnapshotInfo& s : newestFirst) {
        if (days.size() == 7 && !days.count(s.taken.date())) break;
        if (days.insert(s.taken.date()).second) keep.insert(s.path);
    }
    const int thisMonth = now.date().year() * 12 + now.date().month() - 1;
    std::set<int> months;
    for (const SnapshotInfo& s : newestFirst) {
        const int m = s.taken.date().year() * 12 + s.taken.date().month() - 1;
        if (m > thisMonth - 12 && m <= thisMonth && months.insert(m).second) keep.insert(s.path);
    }
    std::vector<SnapshotInfo> out;
    for (const SnapshotInfo& s : newestFirst)
        if (!keep.count(s.path)) out.push_back(s);
    return out;
}

QStringList SnapshotStore::rotate(const QDateTime& now) const {
    QStringList removed;
    for (const SnapshotInfo& s : expired(list(), now))
        if (QFile::remove(s.path)) removed.append(s.path);
    return removed;
}

QString SnapshotStore::restore(const SnapshotInfo& snapshot, const QDateTime& now) const {
    const QString dir = folderPath();
    if (!QDir().mkpath(dir)) throw sql::Error(QStringLiteral("无法建立备份文件夹 %1").arg(dir));
    const QString db = databasePath();
    // The copy comes first, beside the place it goes: a crash while it runs
    // leaves the current notes where they are.
    const QString part = copyToPart(snapshot.path, db);
    const QString aside = freeName(dir, QStringLiteral("CalendarD-before-restore-") + stamp(now));
    putInPlace(part, db, aside);
    return aside;
}

std::vector<SnapshotInfo> SnapshotStore::beforeRestoreCopies() const {
    static const QRegularExpression keptName(QStringLiteral(
        "^CalendarD-before-restore-(\\d{4})(\\d{2})(\\d{2})-(\\d{2})(\\d{2})(-\\d+)?\\.mdb$"));
    std::vector<SnapshotInfo> found;
    const QDir dir(folderPath());
    for (const QString& name : dir.entryList(QDir::Files)) {
        const auto m = keptName.match(name);
        if (!m.hasMatch()) continue;
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt());
        if (!date.isValid() || !time.isValid()) continue;
        found.push_back({dir.filePath(name), QDateTime(date, time)});
    }
    // The same minute: the later restore's copy has the higher number (-2, ..., -10).
    std::sort(found.begin(), found.end(), [](const SnapshotInfo& a, const SnapshotInfo& b) {
        if (a.taken != b.taken) return a.taken > b.taken;
        if (a.path.size() != b.path.size()) return a.path.size() > b.path.size();
        return a.path > b.path;
    });
    return found;
}

std::optional<SnapshotInfo> SnapshotStore::interruptedRestore() const {
    const QString db = databasePath();
    if (QFileInfo::exists(db)) return std::nullopt;
    const auto kept = beforeRestoreCopies();
    if (kept.empty()) return std::nullopt;
    const auto last = newest();
    const bool cutShort =
        QFileInfo::exists(db + kPartSuffix) || !last || kept.front().taken >= last->taken;
    if (!cutShort) return std::nullopt;
    return kept.front();
}

void SnapshotStore::putBack(const SnapshotInfo& copy) const {
    const QString db = databasePath();
    if (QFileInfo::exists(copy.path + QStringLiteral("-wal")))
        copyDurably(copy.path + QStringLiteral("-wal"), db + QStringLiteral("-wal"));
    copyDurably(copy.path, db);
}

QString SnapshotStore::replaceDamaged(const SnapshotInfo& snapshot, const QDateTime& now) const {
    const QString db = databasePath();
    const QString dir = QFileInfo(db).absolutePath() + QLatin1Char('/');
    const QString aside = freeName(dir, QStringLiteral("CalendarD-damaged-") + stamp(now));
    putInPlace(copyToPart(snapshot.path, db), db, aside);
    return aside;
}

NoteCounts countNotes(const QString& path) {
    if (!QFileInfo::exists(path)) throw sql::Error(QStringLiteral("找不到文件: ") + path);
    QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    Handle db(uri + QStringLiteral("?immutable=1"), SQLITE_OPEN_READONLY);
    db.check(QStringLiteral("无法打开 ") + path);
    // Counting reads few pages: a file damaged elsewhere would count well and
    // then fail once restored. Every page is looked at first.
    const QString check = db.scalar("PRAGMA quick_check(1)", QStringLiteral("文件已损坏"));
    if (check != QLatin1String("ok")) throw FileError(QStringLiteral("文件已损坏"), path, check);
    NoteCounts c;
    c.deskMonths = countRows(db, "TailiNew");
    c.dayNotes = countRows(db, "TailiNew_day");
    c.generalMonths = countRows(db, "edtText");
    c.years = countRows(db, "YearJishi");
    return c;
}

// A file SQLite cannot read as a sound database: a restore can help. A lock
// held elsewhere or a read-only file is no damage, and the file stays as it is.
bool looksDamaged(const QString& path) {
    // Access files are for the importer, not for a restore.
    if (!QFileInfo::exists(path) || access::isAccessFile(path)) return false;
    // SQLite takes an empty file for a new database, but the notes database
    // is never empty: a crash or a full disk has emptied it.
    if (QFileInfo(path).size() == 0) return true;
    const QString uri =
        QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro");
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(uri).constData(), &db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    bool damaged = rc != SQLITE_OK;
    if (!damaged) {
        sqlite3_stmt* st = nullptr;
        rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_step(st);
        const int code = rc & 0xff;
        if (rc == SQLITE_ROW)
            damaged = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) != "ok";
        else
            damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_IOERR ||
                      code == SQLITE_CANTOPEN;
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return damaged;
}

} // namespace kuvano::notes
