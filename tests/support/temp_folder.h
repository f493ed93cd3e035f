#pragma once
// Test support that needs nothing beyond Qt Core: temporary program folders,
// test data, a fixed clock. The store's tests use this alone.

#include "store/folder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kuvano::test {

// Before the QApplication: offscreen platform, pinned locale and time zone.
void prepareEnvironment();

// A file under tests/data; a name ending in ".z" is stored compressed
// (qCompress layout) and comes back uncompressed. Empty when missing.
QByteArray testData(const QString& relative);

// A fresh program folder in a temporary directory, with DB3/ and source/
// created and the password file in its lock-off form; removed afterwards.
class TempProgramFolder {
public:
    TempProgramFolder();
    const ProgramFolder& folder() const { return folder_; }
    QString path(const QString& relative) const { return folder_.filePath(relative); }
    void writeLines(const QString& relative, const QStringList& lines) const;
    QStringList readLines(const QString& relative) const;
    QByteArray readBytes(const QString& relative) const;
    void writeBytes(const QString& relative, const QByteArray& bytes) const;
    bool exists(const QString& relative) const;

private:
    QTemporaryDir dir_;
    ProgramFolder folder_;
};

// Line files cannot be written while it lives: every write fails as on a
// full disk after `room` bytes of a file.
class FullDisk {
public:
    explicit FullDisk(long room = 0);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
};

// Fixes "now" (and so "today") while it lives.
class FixedClock {
public:
    explicit FixedClock(const QDateTime& now);
    ~FixedClock();
};

} // namespace kuvano::test
