// The program as a real process, ended by the session's signals: each closes
// it as the close picture does, leaving the notebook as one closed file.
#include "platform/notebook_lock.h"
#include "store/snapshots.h"
#include "support/test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <signal.h>

using namespace kuvano;

TEST(SessionEnd, EachSessionSignalClosesTheProgramAsTheClosePictureDoes) {
    const struct {
        int signal;
        const char* name;
    } cases[] = {{SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempProgramFolder pf;
        const QString exe = pf.path(QStringLiteral("kuvano"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KUVANO_PROGRAM), exe));
        // Five lines: read as they are; the close writes all six.
        const QString formIni = QStringLiteral("DB3/form.ini");
        pf.writeLines(formIni, {QStringLiteral("1024"), QStringLiteral("738"), QStringLiteral("0"),
                                QStringLiteral("0"), QStringLiteral("0")});
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(exe, {});
        ASSERT_TRUE(program.waitForStarted(5000));
        // Up once its window has been painted: the day's snapshot of the
        // notebook waits for that.
        const QDir snapshots(notes::SnapshotStore(pf.folder()).folderPath());
        QElapsedTimer t;
        t.start();
        bool up = false;
        while (!up && t.elapsed() < 60000 && program.state() == QProcess::Running) {
            up = !snapshots.entryList({QStringLiteral("CalendarD-*.mdb")}, QDir::Files).isEmpty();
            if (!up) QThread::msleep(50);
        }
        ASSERT_TRUE(up) << program.readAllStandardError().constData();
        const QString notebook = pf.path(QStringLiteral("DB3/CalendarD.mdb"));
        ASSERT_TRUE(QFile::exists(notebook + QStringLiteral("-wal"))); // open, as it runs

        ::kill(pid_t(program.processId()), c.signal);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(pf.readLines(formIni).size(), 6);
        EXPECT_TRUE(QFile::exists(notebook));
        EXPECT_FALSE(QFile::exists(notebook + QStringLiteral("-wal")));
        EXPECT_TRUE(NotebookLock(pf.folder()).held());
    }
}
