#pragma once
// Where the notebook syncs to: DB3/sync.ini, plain UTF-8 `key=value` lines a
// script can write too. The password is never kept here (the keyring has it).
//
//   url=https://dav.example.com/      the server address
//   user=zhang
//   calendar=https://dav.example.com/zhang/kuvano/   empty: find or make it

#include "store/folder.h"

#include <QString>
#include <QUrl>

namespace kuvano::sync {

struct SyncSettings {
    QUrl url;
    QString user;
    QUrl calendar;
    // Plain http:// to a host other than this machine, after the user was warned.
    bool allowInsecureHttp = false;

    bool configured() const { return url.isValid() && !url.isEmpty(); }
    // The keyring entry's name: one password per server and user.
    QString keyringKey() const;
    bool operator==(const SyncSettings&) const = default;

    static QString relativePath() { return QStringLiteral("DB3/sync.ini"); }
};

// A missing file gives unconfigured settings; an unreadable one throws FileError.
SyncSettings ReadSyncSettings(const ProgramFolder& folder);
// Replaces the file atomically (0600); throws FileError naming it.
void WriteSyncSettings(const ProgramFolder& folder, const SyncSettings& settings);

// Whether an address may be used without a warning: https, or http to this machine.
bool SafeAddress(const QUrl& url);

} // namespace kuvano::sync
