#include "lock/password_hash.h"

#include <QByteArray>
#include <QPasswordDigestor>
#include <QStringList>
#include <gtest/gtest.h>

using kuvano::lock::hashPassword;
using kuvano::lock::isPasswordHash;
using kuvano::lock::kPasswordIterations;
using kuvano::lock::passwordMatches;

namespace {

// Hash lines with few rounds keep these tests fast; the rounds are read from the line.
constexpr int kFewRounds = 1000;

QString line(int iterations, const QByteArray& salt, const QByteArray& hash) {
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(hash.toBase64()));
}

} // namespace

TEST(PasswordHash, DerivesPbkdf2HmacSha256AsPublishedAndAsQtDoes) {
    // The published PBKDF2-HMAC-SHA256 vector for "password" / "salt".
    const QByteArray salt("salt");
    const QByteArray one =
        QByteArray::fromHex("120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
    EXPECT_TRUE(passwordMatches(line(1, salt, one), QStringLiteral("password")));
    // Qt's own derivation of the same function agrees, for a non-ASCII
    // password (taken as UTF-8) and a 16-byte salt.
    const QByteArray salt16("0123456789abcdef");
    const QByteArray qt = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, QStringLiteral("台历Ab1").toUtf8(), salt16, 777, 32);
    EXPECT_TRUE(passwordMatches(line(777, salt16, qt), QStringLiteral("台历Ab1")));
    EXPECT_FALSE(passwordMatches(line(776, salt16, qt), QStringLiteral("台历Ab1")));
}

TEST(PasswordHash, ALineHoldsSchemeRoundsSaltAndHashButNeverThePassword) {
    const QString password = QStringLiteral("Secret台历");
    const QString a = hashPassword(password);
    const QStringList parts = a.split(QLatin1Char('$'));
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(parts[0], QStringLiteral("pbkdf2-sha256"));
    EXPECT_GE(parts[1].toInt(), 600000);
    EXPECT_EQ(parts[1].toInt(), kPasswordIterations);
    EXPECT_EQ(QByteArray::fromBase64(parts[2].toLatin1()).size(), 16);
    EXPECT_EQ(QByteArray::fromBase64(parts[3].toLatin1()).size(), 32);
    EXPECT_FALSE(a.contains(QStringLiteral("Secret")));
    EXPECT_TRUE(isPasswordHash(a));
    EXPECT_TRUE(passwordMatches(a, password));
    // A new salt every time: equal passwords give different lines.
    const QString b = hashPassword(password, kFewRounds);
    EXPECT_NE(a.section(QLatin1Char('$'), 2), b.section(QLatin1Char('$'), 2));
    EXPECT_TRUE(passwordMatches(b, password));
}

TEST(PasswordHash, OnlyTheExactPasswordMatches) {
    const QString stored = hashPassword(QStringLiteral("Secret台历"), kFewRounds);
    for (const QString& typed :
         {QStringLiteral("secret台历"), QStringLiteral("SECRET台历"), QStringLiteral("Secret"),
          QStringLiteral("Secret台历 "), QStringLiteral(" Secret台历"), QString(), stored}) {
        EXPECT_FALSE(passwordMatches(stored, typed)) << typed.toStdString();
    }
    // The empty password is a password like any other.
    EXPECT_TRUE(passwordMatches(hashPassword(QString(), kFewRounds), QString()));
}

TEST(PasswordHash, AnythingButAWellFormedLineIsAPasswordAsTyped) {
    const QByteArray salt(16, 'x'), hash(32, 'y');
    const QString good = line(5, salt, hash);
    EXPECT_TRUE(isPasswordHash(good));
    const QString malformed[] = {
        QStringLiteral("Secret"),
        QStringLiteral("NOKEY4817306"),
        QString(),
        line(0, salt, hash),                                   // no rounds
        line(-5, salt, hash),                                  // negative rounds
        line(20'000'000, salt, hash),                          // would hold the login for long
        line(5, salt, QByteArray(31, 'y')),                    // short hash
        line(5, QByteArray(), hash),                           // no salt
        QString(good).replace(0, 6, QStringLiteral("PBKDF2")), // other scheme spelling
        good + QStringLiteral("$x"),                           // extra field
        QString(good).replace(QStringLiteral("$5$"), QStringLiteral("$5a$")),
        QString(good).insert(good.lastIndexOf(QLatin1Char('$')) + 1, QLatin1Char('!')),
    };
    for (const QString& m : malformed) {
        EXPECT_FALSE(isPasswordHash(m)) << m.toStdString();
        // Such a line opens the lock to its own exact text only, as an older file's password.
        EXPECT_TRUE(passwordMatches(m, m)) << m.toStdString();
        EXPECT_FALSE(passwordMatches(m, m + QLatin1Char('x')));
    }
}
