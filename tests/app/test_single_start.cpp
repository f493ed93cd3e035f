#include "app/Main.h"
#include "platform/single_instance.h"
#include "support/test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest/QSignalSpy>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kuvano;

namespace {
QString probe() {
    return QStringLiteral(KUVANO_PROBE_DIR "/probe_instance");
}
QString uniqueClass() {
    return QStringLiteral("KuvanoProbe") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}
} // namespace

TEST(SingleStart, ASecondProgramStartTellsTheFirstAndEndsWithoutTouchingFiles) {
    SingleInstance running(app::TMainForm::className());
    if (!running.claim()) GTEST_SKIP() << "a real instance is running for this user";
    QSignalSpy spy(&running, &SingleInstance::messageReceived);

    // The program alone in an empty folder: had it read a file, it would stop
    // on the missing password file; had it created one, DB3 would exist.
    test::TempProgramFolder pf;
    QDir(pf.path(QStringLiteral("DB3"))).removeRecursively();
    const QString exe = pf.path(QStringLiteral("kuvano"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KUVANO_PROGRAM), exe));
    QProcess second;
    second.start(exe, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(spy.count() > 0 || spy.wait(2000));
    EXPECT_EQ(spy.at(0).at(0).toUInt(), 1034u);
    EXPECT_FALSE(QDir(pf.path(QStringLiteral("DB3"))).exists());
}

TEST(SingleStart, SimultaneousStartsLeaveExactlyOneRunning) {
    for (int round = 0; round < 3; ++round) {
        const QString name = uniqueClass();
        std::vector<std::unique_ptr<QProcess>> procs;
        for (int i = 0; i < 4; ++i) {
            procs.push_back(std::make_unique<QProcess>());
            procs.back()->start(probe(), {name, QStringLiteral("1500")});
        }
        int primaries = 0, secondaries = 0;
        for (auto& p : procs) {
            ASSERT_TRUE(p->waitForFinished(10000));
            const QByteArray out = p->readAllStandardOutput();
            if (out.startsWith("primary")) ++primaries;
            if (out.startsWith("secondary")) ++secondaries;
        }
        EXPECT_EQ(primaries, 1);
        EXPECT_EQ(secondaries, 3);
    }
}

TEST(SingleStart, AKilledInstanceDoesNotBlockTheNextStart) {
    const QString name = uniqueClass();
    QProcess crashed;
    crashed.start(probe(), {name, QStringLiteral("20000")});
    ASSERT_TRUE(crashed.waitForReadyRead(5000));
    ASSERT_TRUE(crashed.readAllStandardOutput().startsWith("primary"));
    ::kill(pid_t(crashed.processId()), SIGKILL);
    crashed.waitForFinished(5000);
    ASSERT_TRUE(QFile::exists(SingleInstance::serverName(name))); // its socket is left behind

    QElapsedTimer t;
    t.start();
    QProcess next;
    next.start(probe(), {name, QStringLiteral("10")});
    ASSERT_TRUE(next.waitForFinished(5000));
    EXPECT_TRUE(next.readAllStandardOutput().startsWith("primary"));
    EXPECT_LT(t.elapsed(), 4000);
}

TEST(SingleStart, AnotherUsersFallbackRuntimeFolderDoesNotStopTheStart) {
    if (::getuid() != 0) GTEST_SKIP() << "only root can make a folder that is another user's";
    // Without XDG_RUNTIME_DIR: someone else made the fallback folder first,
    // open to all, with a server of theirs listening in it.
    QTemporaryDir tmp;
    const QString theirs = tmp.filePath(QStringLiteral("kuvano-%1").arg(::getuid()));
    ASSERT_TRUE(QDir().mkdir(theirs));
    const QString name = uniqueClass();
    QLocalServer squatter;
    ASSERT_TRUE(squatter.listen(theirs + QLatin1Char('/') + name));
    ASSERT_EQ(::chmod(QFile::encodeName(theirs).constData(), 0755), 0);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);

    QProcess start;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    start.setProcessEnvironment(env);
    start.start(probe(), {name, QStringLiteral("10")});
    ASSERT_TRUE(start.waitForFinished(5000));
    EXPECT_TRUE(start.readAllStandardOutput().startsWith("primary"));
    const QString said = QString::fromUtf8(start.readAllStandardError());
    EXPECT_TRUE(said.contains(theirs)) << said.toStdString();
    EXPECT_FALSE(squatter.waitForNewConnection(200)); // nothing was said to their server
}
