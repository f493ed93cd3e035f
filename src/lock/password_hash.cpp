#include "lock/password_hash.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <optional>

namespace kuvano::lock {
namespace {

constexpr QLatin1StringView kScheme("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32; // one SHA-256 block of output
// A crafted file must not hold the login for minutes: 10 million is ~4 s.
constexpr long long kMaxIterations = 10'000'000;

// OpenSSL rather than QPasswordDigestor: the same PBKDF2, but Qt's rehashes
// the HMAC key pads at every round and is five to six times slower, which at
// this iteration count is well over a second per login.
QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    const QByteArray utf8 = password.toUtf8();
    QByteArray key(kHashBytes, Qt::Uninitialized);
    const int ok = PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()),
                                     reinterpret_cast<const unsigned char*>(salt.constData()),
                                     int(salt.size()), iterations, EVP_sha256(), kHashBytes,
                                     reinterpret_cast<unsigned char*>(key.data()));
    return ok == 1 ? key : QByteArray();
}

struct Parsed {
    int iterations = 0;
    QByteArray salt;
    QByteArray hash;
};

std::optional<QByteArray> strictBase64(const QString& text) {
    const auto r =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!r || r.decoded.isEmpty()) return std::nullopt;
    return r.decoded;
}

std::optional<Parsed> parse(const QString& line) {
    const QStringList parts = line.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme) return std::nullopt;
    bool ok = false;
    const long long iterations = parts[1].toLongLong(&ok);
    if (!ok || iterations < 1 || iterations > kMaxIterations) return std::nullopt;
    const auto salt = strictBase64(parts[2]);
    const auto hash = strictBase64(parts[3]);
    if (!salt || !hash || hash->size() != kHashBytes) return std::nullopt;
    return Parsed{int(iterations), *salt, *hash};
}

} // namespace

QString hashPassword(const QString& password, int iterations) {
    std::array<quint32, kSaltBytes / 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray salt(reinterpret_cast<const char*>(words.data()), kSaltBytes);
    return QStringList{kScheme, QString::number(iterations), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(derive(password, salt, iterations).toBase64())}
        .join(QLatin1Char('$'));
}

bool isPasswordHash(const QString& line) {
    return parse(line).has_value();
}

bool passwordMatches(const QString& stored, const QString& typed) {
    const std::optional<Parsed> p = parse(stored);
    if (!p) return typed == stored;
    const QByteArray key = derive(typed, p->salt, p->iterations);
    return key.size() == kHashBytes &&
           CRYPTO_memcmp(key.constData(), p->hash.constData(), kHashBytes) == 0;
}

} // namespace kuvano::lock
