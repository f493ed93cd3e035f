#pragma once

#include <QString>

namespace kuvano::lock {

// A set login password is kept as a salted, slow hash, never as typed:
// "pbkdf2-sha256$ITERATIONS$SALT$HASH", PBKDF2-HMAC-SHA256 over the UTF-8
// password with a random 16-byte salt, SALT and HASH (32 bytes) in base64.
// At 600,000 iterations one check takes about 0.15 s (bench/lock_bench),
// which is what makes guessing from a copied file slow.
inline constexpr int kPasswordIterations = 600000;

// A fresh hash line of the password (new salt every time).
QString hashPassword(const QString& password, int iterations = kPasswordIterations);

// Whether a line is a well-formed hash line. Anything else in the password
// line of a locked file is a password as typed, written by an older copy.
bool isPasswordHash(const QString& line);

// Does the typed text open the lock? `stored` is line 1 of a locked file: a
// hash line, compared in constant time, or an older file's password as typed,
// compared exactly. Case and every character count either way.
bool passwordMatches(const QString& stored, const QString& typed);

} // namespace kuvano::lock
