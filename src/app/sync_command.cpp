#include "app/sync_command.h"

#include "app/MainSync.h"
#include "app/command_line.h"
#include "notes/plain_text.h"
#include "platform/keyring.h"
#include "platform/notebook_lock.h"
#include "platform/program_folder.h"
#include "store/untdb.h"
#include "sync/sync_session.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLocalSocket>

#include <cstdio>

namespace kuvano::app {

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "kuvano: %s\n", qUtf8Printable(why));
    return 1;
}

// The running copy syncs and answers "ok" or "error <why>".
int askRunningCopy(const ProgramFolder& folder) {
    QLocalSocket socket;
    socket.connectToServer(SyncRequestServerName(folder));
    if (!socket.waitForConnected(3000))
        return fail(QStringLiteral("程序正在使用这个笔记本，但没有回应同步请求"));
    socket.write("sync\n");
    socket.flush();
    // A sync of a large notebook may take minutes; the copy answers when done.
    QElapsedTimer waited;
    waited.start();
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState && !socket.bytesAvailable())
            return fail(QStringLiteral("正在运行的程序没有完成同步"));
        if (waited.elapsed() > 30 * 60 * 1000)
            return fail(QStringLiteral("正在运行的程序在 30 分钟内没有完成同步"));
        socket.waitForReadyRead(1000);
    }
    const QString reply = QString::fromUtf8(socket.readLine(4096).trimmed());
    if (reply == QLatin1String("ok")) {
        std::printf("%s\n", qUtf8Printable(QStringLiteral("已同步（由正在运行的程序完成）")));
        return 0;
    }
    return fail(reply.startsWith(QLatin1String("error ")) ? reply.mid(6) : reply);
}

std::optional<QString> password(const sync::SyncSettings& settings, QString* why) {
    const QByteArray file = qgetenv("KUVANO_SYNC_PASSWORD_FILE");
    if (!file.isEmpty()) return keyring::passwordFromFile(QString::fromLocal8Bit(file), why);
    keyring::Answer a = keyring::readPassword(settings.keyringKey());
    if (!a.password) {
        *why = a.why + QStringLiteral("；可以用环境变量 KUVANO_SYNC_PASSWORD_FILE 指定密码文件");
    }
    return a.password;
}

} // namespace

int runSyncCommand(int argc, char** argv, const CommandLine& line) {
    // No window: the offscreen platform gives the text documents the rich
    // notes are read with.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("kuvano"));

    const FolderChoice place = chooseProgramFolderForThisRun(line.folder);
    if (!place.folder.ok()) return fail(place.error);
    const ProgramFolder& folder = place.folder;
    sync::SyncSettings settings;
    try {
        settings = sync::ReadSyncSettings(folder);
    } catch (const FileError& e) {
        return fail(e.message());
    }
    if (!settings.configured())
        return fail(QStringLiteral("这个笔记本还没有设置同步（在选项菜单“同步设置…”中设置，"
                                   "或写入 %1）")
                        .arg(folder.filePath(sync::SyncSettings::relativePath())));

    const NotebookLock notebook(folder);
    if (notebook.busy()) return askRunningCopy(folder);
    if (!notebook.held()) return fail(notebook.error());

    QString why;
    const std::optional<QString> pw = password(settings, &why);
    if (!pw) return fail(why);

    notes::InstallPlainTextReader();
    {
        // Made when missing, as a first start makes it.
        notes::TDM dm(folder);
        if (!dm.connected()) return fail(dm.creationError());
    }
    const sync::SyncOutcome outcome = sync::SyncOnce(folder, settings, *pw);
    if (!outcome.calendarFound.isEmpty()) {
        settings.calendar = outcome.calendarFound;
        try {
            sync::WriteSyncSettings(folder, settings);
        } catch (const FileError&) {
            // Found again next time.
        }
    }
    if (!outcome.ok) return fail(outcome.message);
    const sync::SyncReport& r = outcome.report;
    std::printf("%s\n", qUtf8Printable(QStringLiteral("已同步：上传 %1 条，删除 %2 条，下载 %3 条，"
                                                      "冲突 %4 条")
                                           .arg(r.sent)
                                           .arg(r.removed)
                                           .arg(r.received)
                                           .arg(r.conflicts)));
    return 0;
}

} // namespace kuvano::app
