#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLockFile>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest/QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace kuvano;

namespace {
QString uniqueClass() {
    return QStringLiteral("KuvanoTest") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}
// Its server fails to listen the first `failures` times.
class FailingListen : public SingleInstance {
public:
    FailingListen(const QString& name, int failures) : SingleInstance(name), failures_(failures) {}
    int attempts = 0;

protected:
    bool listenOn(const QString& name) override {
        return ++attempts > failures_ && SingleInstance::listenOn(name);
    }

private:
    int failures_;
};
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

TEST(SingleInstance, TheActivationTokenTravelsWithTheActivateMessageOnly) {
    const QString name = uniqueClass();
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy messages(&first, &SingleInstance::messageReceived);
    QSignalSpy activations(&first, &SingleInstance::activationRequested);
    const struct {
        quint32 message;
        QByteArray token;
        bool activates;
    } cases[] = {
        {1034, QByteArrayLiteral("kwin-1234_TIME5678"), true},
        {1034, QByteArrayLiteral("with space/and%percent\xe4\xb8\xad"), true},
        {1034, QByteArray(), true},
        {1035, QByteArrayLiteral("ignored"), false},
    };
    for (const auto& c : cases) {
        messages.clear();
        activations.clear();
        ASSERT_TRUE(SingleInstance::post(name, c.message, 0, 0, c.token));
        ASSERT_TRUE(messages.wait(2000)) << c.token.constData();
        EXPECT_EQ(messages.at(0).at(0).toUInt(), c.message);
        ASSERT_EQ(activations.size(), c.activates ? 1 : 0) << c.token.constData();
        if (c.activates) {
            EXPECT_EQ(activations.at(0).at(0).toByteArray(), c.token);
        }
    }

    // A second start hands on its launcher's token.
    qputenv("XDG_ACTIVATION_TOKEN", "from-the-launcher");
    activations.clear();
    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    qunsetenv("XDG_ACTIVATION_TOKEN");
    ASSERT_TRUE(activations.wait(2000));
    EXPECT_EQ(activations.at(0).at(0).toByteArray(), QByteArrayLiteral("from-the-launcher"));
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

TEST(SingleInstance, AFailedListenIsTriedOnceMoreAndAnUnlistenedInstanceIsStillFound) {
    {
        // One failure: the retry listens, and a later start is told.
        const QString name = uniqueClass();
        FailingListen first(name, 1);
        ASSERT_TRUE(first.claim());
        EXPECT_EQ(first.attempts, 2);
        EXPECT_TRUE(first.listening());
        QSignalSpy spy(&first, &SingleInstance::messageReceived);
        SingleInstance second(name);
        EXPECT_FALSE(second.claim());
        EXPECT_TRUE(spy.wait(2000));
    }
    {
        // Never listening: it runs all the same, and a later start still ends.
        const QString name = uniqueClass();
        auto first = std::make_unique<FailingListen>(name, 1000);
        ASSERT_TRUE(first->claim());
        EXPECT_EQ(first->attempts, 2);
        EXPECT_FALSE(first->listening());
        SingleInstance second(name);
        EXPECT_FALSE(second.claim());
        // Once it has ended, the next start runs and listens.
        first.reset();
        SingleInstance third(name);
        EXPECT_TRUE(third.claim());
        EXPECT_TRUE(third.listening());
    }
}

TEST(SingleInstance, AStartLockNotFreeInTimeStillEndsInAListeningInstance) {
    const QString name = uniqueClass();
    QLockFile stuck(SingleInstance::serverName(name) + QStringLiteral(".lock"));
    ASSERT_TRUE(stuck.tryLock(0));
    SingleInstance first(name);
    first.setStartLockTimeout(100);
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.listening());
    SingleInstance second(name);
    second.setStartLockTimeout(100);
    EXPECT_FALSE(second.claim());
}

TEST(SingleInstance, TheFallbackRuntimeFolderIsTheUsersOwnAndClosedToOthers) {
    QTemporaryDir tmp;
    const QString mine = tmp.filePath(QStringLiteral("kuvano-%1").arg(::getuid()));
    const QByteArray native = QFile::encodeName(mine);
    auto mode = [&] {
        struct stat st {};
        return ::lstat(native.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };
    // XDG_RUNTIME_DIR, when there, is the session's own.
    EXPECT_EQ(userRuntimeFolder(tmp.path(), QStringLiteral("/nonexistent")), tmp.path());

    EXPECT_EQ(userRuntimeFolder(QString(), tmp.path()), mine);
    EXPECT_EQ(mode(), 0700);
    // As earlier versions left it: ours, and closed again.
    ASSERT_EQ(::chmod(native.constData(), 0755), 0);
    EXPECT_EQ(userRuntimeFolder(QStringLiteral("/nonexistent"), tmp.path()), mine);
    EXPECT_EQ(mode(), 0700);

    // Made by someone else first: not a folder, a link to one, another user's.
    struct Case {
        const char* what;
        std::function<bool()> make;
    };
    QTemporaryDir target;
    for (const Case& c : {
             Case{"a file", [&] { return QFile(mine).open(QIODevice::WriteOnly); }},
             Case{"a link", [&] { return QFile::link(target.path(), mine); }},
             Case{"another user's folder",
                  [&] {
                      return QDir().mkdir(mine) && ::chown(native.constData(), 65534, 65534) == 0;
                  }},
         }) {
        QFile::remove(mine);
        QDir(mine).removeRecursively();
        if (!c.make()) {
            EXPECT_NE(::getuid(), 0u) << c.what; // only root can give a folder away
            continue;
        }
        EXPECT_EQ(userRuntimeFolder(QString(), tmp.path()), QString()) << c.what;
    }
    QFile::remove(mine);
    QDir(mine).removeRecursively();
}
