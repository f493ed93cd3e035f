#pragma once

#include "platform/program_folder.h"

#include <QString>
#include <QStringList>

namespace kuvano::lock {

// DB3/loginstr.db: three GBK lines. Lock on: the password's hash line twice
// (password_hash.h; a file of an older copy holds the password as typed),
// "-1". Lock off: the marker twice, "0".
inline QString noKeyMarker() {
    return QStringLiteral("NOKEY4817306");
}
inline QString lockOnFlag() {
    return QStringLiteral("-1");
}
inline QString lockOffFlag() {
    return QStringLiteral("0");
}

QString passwordFilePath(const ProgramFolder& folder);

struct PasswordFile {
    bool ok = false;
    QStringList lines; // at least three when ok
    QString error;     // names the problem and the path, for a message
};

// The file read whole; fewer than three lines is an error like a missing file.
PasswordFile readPasswordFile(const ProgramFolder& folder);

struct LockFlag {
    bool ok = false;
    bool loginOn = false; // third line exactly "-1"
    QString error;
};

// What start-up asks before any window: is the login on? A missing, unreadable
// or short file is an error that start-up shows and stops on.
LockFlag readLockFlag(const ProgramFolder& folder);

// A password an older copy kept as typed, whether the lock is on or off, is
// replaced by its hash (on both lines; the flag line stays). A lock-off file
// never sees a login that would do it. Returns false when the file held such
// a password and could not be rewritten; *error then says why.
bool hashPlainPassword(const ProgramFolder& folder, QString* error);

// Replaces the file atomically; on failure *error names the path and the cause.
bool writePasswordFile(const ProgramFolder& folder, const QStringList& lines, QString* error);

} // namespace kuvano::lock
