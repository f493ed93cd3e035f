// The command line: read before any application object, answered without a
// display, and --folder running the program on another program folder.
#include "app/command_line.h"
#include "platform/notebook_lock.h"
#include "support/test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace kuvano;
using app::CommandLine;

TEST(CommandLineReading, EachArgumentListGivesItsAction) {
    const struct {
        QStringList args;
        bool final;
        CommandLine::Action action;
        QString folder;
        const char16_t* says; // part of the output
        int exitCode;
    } cases[] = {
        {{}, true, CommandLine::Run, {}, u"", 0},
        {{QStringLiteral("--help")}, true, CommandLine::Print, {}, u"--folder <文件夹>", 0},
        {{QStringLiteral("-h")}, true, CommandLine::Print, {}, u"用法：kuvano [选项]", 0},
        {{QStringLiteral("--version")}, true, CommandLine::Print, {}, u"Kuvano 桌面月历 ", 0},
        {{QStringLiteral("-v")}, true, CommandLine::Print, {}, u"Kuvano 桌面月历 ", 0},
        // Help wins over an option it does not know, even before Qt took its own.
        {{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--help")},
         false,
         CommandLine::Print,
         {},
         u"选项：",
         0},
        {{QStringLiteral("--folder"), QStringLiteral("/media/u/记事本")},
         true,
         CommandLine::Run,
         QStringLiteral("/media/u/记事本"),
         u"",
         0},
        {{QStringLiteral("--folder=rel/dir")},
         true,
         CommandLine::Run,
         QStringLiteral("rel/dir"),
         u"",
         0},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")},
         false,
         CommandLine::Unsure,
         {},
         u"",
         0},
        {{QStringLiteral("--bogus")}, true, CommandLine::Refuse, {}, u"未知的选项 bogus", 2},
        // Not Qt's either: refused before the application object needs a display.
        {{QStringLiteral("--bogus"), QStringLiteral("-style"), QStringLiteral("fusion")},
         false,
         CommandLine::Refuse,
         {},
         u"未知的选项 bogus\n",
         2},
        {{QStringLiteral("--folder")}, true, CommandLine::Refuse, {}, u"选项的值有误", 2},
        {{QStringLiteral("--folder=")},
         true,
         CommandLine::Refuse,
         {},
         u"--folder 需要一个文件夹",
         2},
        {{QStringLiteral("notes.mdb")}, true, CommandLine::Refuse, {}, u"多余的参数 notes.mdb", 2},
    };
    for (const auto& c : cases) {
        const QString shown = c.args.join(QLatin1Char(' '));
        const CommandLine line =
            app::readCommandLine(QStringList{QStringLiteral("kuvano")} + c.args, c.final);
        EXPECT_EQ(line.action, c.action) << shown.toStdString();
        EXPECT_EQ(line.folder, c.folder) << shown.toStdString();
        EXPECT_TRUE(line.output.contains(QString::fromUtf16(c.says))) << line.output.toStdString();
        EXPECT_EQ(line.exitCode, c.exitCode) << shown.toStdString();
    }
}

namespace {

struct Finished {
    int exitCode = -1;
    QString out, err;
};

// The program as a terminal starts it with nothing but PATH and HOME: no
// display, no Qt platform named.
Finished runBare(const QStringList& args) {
    QTemporaryDir home;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), home.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KUVANO_PROGRAM), args);
    Finished r;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(CommandLineProgram, HelpVersionAndMistakesAnswerWithoutADisplay) {
    const struct {
        QStringList args;
        int exitCode;
        const char16_t* out;
        const char16_t* err;
    } cases[] = {
        {{QStringLiteral("--version")}, 0, u"Kuvano 桌面月历 " KUVANO_TEST_VERSION, u""},
        {{QStringLiteral("--help")}, 0, u"--folder <文件夹>", u""},
        {{QStringLiteral("--nonsense")}, 2, u"", u"未知的选项 nonsense"},
    };
    for (const auto& c : cases) {
        const Finished r = runBare(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf16(c.out))) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.err))) << r.err.toStdString();
    }
}

TEST(CommandLineProgram, FolderRunsTheProgramOnTheFolderNamed) {
    // An existing notebook, and a folder with none yet (made from the
    // supplied files, as the data folder is at a first start).
    test::TempProgramFolder existing;
    QTemporaryDir stick;
    const struct {
        const char* what;
        QString folder;
    } cases[] = {
        {"existing notebook", existing.folder().root()},
        {"new folder", stick.filePath(QStringLiteral("记事本"))},
    };
    for (const auto& c : cases) {
        QTemporaryDir runtime, home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KUVANO_PROGRAM), {QStringLiteral("--folder"), c.folder});
        ASSERT_TRUE(p.waitForStarted(5000)) << c.what;
        const ProgramFolder folder(c.folder);
        QElapsedTimer t;
        t.start();
        bool up = false;
        while (!up && t.elapsed() < 20000 && p.state() == QProcess::Running) {
            up = NotebookLock(folder).busy();
            if (!up) QThread::msleep(50);
        }
        EXPECT_TRUE(up) << c.what << ": " << p.readAllStandardError().constData();
        EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("DB3/loginstr.db")))) << c.what;
        p.terminate();
        EXPECT_TRUE(p.waitForFinished(10000)) << c.what;
    }
}
