#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>
#include <QtTest/QSignalSpy>
#include <gtest/gtest.h>

using namespace kuvano;

namespace {
QString uniqueClass() {
    return QStringLiteral("KuvanoTest") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}
} // namespace

TEST(SingleInstance, SecondClaimPostsTheActivateMessageToTheFirst) {
    const QString name = uniqueClass();
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy spy(&first, &SingleInstance::messageReceived);

    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    ASSERT_TRUE(spy.wait(2000));
    const QList<QVariant> args = spy.takeFirst();
    EXPECT_EQ(args.at(0).toUInt(), 1034u);
    EXPECT_EQ(args.at(1).toLongLong(), 0);
    EXPECT_EQ(args.at(2).toLongLong(), 0);
}

TEST(SingleInstance, NobodyListeningMeansNoPost) {
    EXPECT_FALSE(SingleInstance::post(uniqueClass(), 1034, 0, 0));
}

TEST(SingleInstance, ASocketLeftByACrashedInstanceDoesNotBlock) {
    const QString name = uniqueClass();
    {
        // A socket file with nobody behind it, as a killed instance leaves it.
        QLocalServer crashed;
        crashed.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(crashed.listen(SingleInstance::serverName(name)));
        crashed.close();
        QFile leftover(SingleInstance::serverName(name));
        if (!leftover.exists()) { // close() removed it: make one by hand
            ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        }
    }
    QElapsedTimer t;
    t.start();
    SingleInstance next(name);
    EXPECT_TRUE(next.claim());
    EXPECT_LT(t.elapsed(), 3000);
    SingleInstance after(name);
    EXPECT_FALSE(after.claim());
}
