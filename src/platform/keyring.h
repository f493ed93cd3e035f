#pragma once
// The sync password in the desktop's keyring (Secret Service or KWallet),
// never in a file of the program's. Each call waits for the keyring's answer
// in a local event loop: asked once per start, at a moment that may wait.

#include <QString>

#include <optional>

namespace kuvano::keyring {

struct Answer {
    std::optional<QString> password; // none: not stored, or no keyring
    bool noKeyring = false;          // no keyring runs: the password must be asked for
    QString why;                     // what went wrong, in Chinese; empty when nothing did
};

Answer readPassword(const QString& key);
// False with `why` set when the keyring could not keep it.
bool writePassword(const QString& key, const QString& password, QString* why);
void forgetPassword(const QString& key);

// KUVANO_SYNC_PASSWORD_FILE for scripts and timers: the file's first line,
// when the file is readable by its owner alone; `why` says what is wrong.
std::optional<QString> passwordFromFile(const QString& path, QString* why);

} // namespace kuvano::keyring
