#include "support/temp_folder.h"

#include "store/clock.h"
#include "store/line_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>

#include <unistd.h>

namespace kuvano::test {

void prepareEnvironment() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TZ", "Asia/Shanghai", 1);
    // Qt reads font paths from fontconfig; keep the run quiet about missing ones.
    setenv("QT_LOGGING_RULES", "qt.qpa.fonts.warning=false", 0);
}

QByteArray testData(const QString& relative) {
    QFile f(QStringLiteral(KUVANO_TEST_DATA "/") + relative);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return relative.endsWith(QLatin1String(".z")) ? qUncompress(bytes) : bytes;
}

TempProgramFolder::TempProgramFolder() : folder_(dir_.path()) {
    QDir root(dir_.path());
    root.mkpath(QStringLiteral("DB3"));
    root.mkpath(QStringLiteral("source/DeskTopBG"));
    root.mkpath(QStringLiteral("source/Navigate"));
    writeLines(
        QStringLiteral("DB3/loginstr.db"),
        {QStringLiteral("NOKEY4817306"), QStringLiteral("NOKEY4817306"), QStringLiteral("0")});
}

void TempProgramFolder::writeLines(const QString& relative, const QStringList& lines) const {
    linefile::write(path(relative), lines);
}

QStringList TempProgramFolder::readLines(const QString& relative) const {
    return linefile::read(path(relative)).lines.value_or(QStringList());
}

QByteArray TempProgramFolder::readBytes(const QString& relative) const {
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void TempProgramFolder::writeBytes(const QString& relative, const QByteArray& bytes) const {
    QFile f(path(relative));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

bool TempProgramFolder::exists(const QString& relative) const {
    return QFile::exists(path(relative));
}

namespace {
long g_room = 0;

// Takes one byte at a time until the file holds g_room bytes, then the disk is full.
ssize_t fullDiskWrite(int fd, const void* data, size_t size) {
    if (size == 0) return 0;
    if (::lseek(fd, 0, SEEK_CUR) >= g_room) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, 1);
}
} // namespace

FullDisk::FullDisk(long room) {
    g_room = room;
    linefile::replaceWriteCall(&fullDiskWrite);
}
FullDisk::~FullDisk() {
    linefile::replaceWriteCall(nullptr);
}

FixedClock::FixedClock(const QDateTime& now) {
    clock::setFixed(now);
}
FixedClock::~FixedClock() {
    clock::setFixed(QDateTime());
}

} // namespace kuvano::test
