#include "app/Main.h"
#include "app/startup.h"
#include "platform/notebook_lock.h"
#include "platform/single_instance.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <QWidget>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
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

TEST(SingleStart, ACopyStartedWithAnotherRuntimeFolderLeavesTheRunningOneAlone) {
    test::TempProgramFolder pf;
    const QString exe = pf.path(QStringLiteral("kuvano"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KUVANO_PROGRAM), exe));
    QTemporaryDir runtimeA, runtimeB;
    auto environment = [](const QTemporaryDir& runtime) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    };
    QProcess first;
    first.setProcessEnvironment(environment(runtimeA));
    first.start(exe, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    // Up once it holds the notebook.
    QElapsedTimer t;
    t.start();
    bool up = false;
    while (!up && t.elapsed() < 20000 && first.state() == QProcess::Running) {
        up = NotebookLock(pf.folder()).busy();
        if (!up) QThread::msleep(50);
    }
    ASSERT_TRUE(up) << first.readAllStandardError().constData();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(pf.path(NotebookLock::relativePath())).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    QProcess second;
    second.setProcessEnvironment(environment(runtimeB));
    second.start(exe, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString said = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(said.contains(QStringLiteral("正由另一个运行中的桌面月历使用")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(pf.path(QStringLiteral("DB3")))) << said.toStdString();

    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(NotebookLock(pf.folder()).busy());
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    // Gone, it leaves the notebook free, whatever way it ended.
    EXPECT_TRUE(NotebookLock(pf.folder()).held());
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

TEST(SingleStart, ASecondStartsMessageBringsTheRunningWindowToTheFront) {
    const QString name = uniqueClass();
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    QWidget window, other;
    window.showMinimized();
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QWidget* target = &window;
    app::raiseOnSecondStart(running, [&target] { return target; });

    // A second start of the same class, as the menu makes it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("menu-token"));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(probe(), {name, QStringLiteral("10")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_TRUE(second.readAllStandardOutput().startsWith("secondary"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArrayLiteral("menu-token"));
    qunsetenv("XDG_ACTIVATION_TOKEN");

    // No window to show (none chosen): the message changes nothing.
    target = nullptr;
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(SingleInstance::post(name, SingleInstance::kActivateMessage, 0, 0));
    QTest::qWait(200);
    EXPECT_EQ(QApplication::activeWindow(), &other);
}
