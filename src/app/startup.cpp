#include "app/startup.h"

#include "app/Main.h"
#include "app/MainCommands.h"
#include "app/MainSearch.h"
#include "app/MainSync.h"
#include "app/RestoreWindow.h"
#include "app/command_line.h"
#include "app/day_off_file.h"
#include "app/import_offer.h"
#include "app/sync_command.h"
#include "app/uFrmSet.h"
#include "lock/loginLock.h"
#include "lock/password_file.h"
#include "lock/untPWSet.h"
#include "notes/plain_text.h"
#include "platform/app_icon.h"
#include "platform/application.h"
#include "platform/background.h"
#include "platform/bring_to_front.h"
#include "platform/fonts.h"
#include "platform/guarded.h"
#include "platform/message_box.h"
#include "platform/notebook_lock.h"
#include "platform/program_folder.h"
#include "platform/session_end.h"
#include "platform/single_instance.h"
#include "platform/translations.h"
#include "store/snapshot_scheduler.h"
#include "store/untdb.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace kuvano::app {

void setUpApplication() {
    // The machine name (the windows' class on X11) stays "kuvano". No display
    // name is set: the platform would append it to every window title, the
    // main window's included.
    QApplication::setApplicationName(QStringLiteral("kuvano"));
    setApplicationTitle(QStringLiteral("Kuvano KUVANO"));
    fonts::installSubstitutes();
}

namespace {

QStringList argumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

// Set: the program ends with this code (help printed, or a wrong command line).
std::optional<int> answered(const CommandLine& line) {
    switch (line.action) {
    case CommandLine::Print:
        std::fputs(qUtf8Printable(line.output), stdout);
        return 0;
    case CommandLine::Refuse:
        std::fputs(qUtf8Printable(line.output), stderr);
        return line.exitCode;
    case CommandLine::Run:
    case CommandLine::Unsure:
        break;
    }
    return std::nullopt;
}

} // namespace

void raiseOnSecondStart(SingleInstance& instance, std::function<QWidget*()> window) {
    QObject::connect(&instance, &SingleInstance::activationRequested, &instance,
                     [window = std::move(window)](const QByteArray& token) {
                         if (QWidget* w = window()) bringToFront(*w, token);
                     });
}

int runProgram(int argc, char** argv) {
    // Before the application object, which needs a display: --help and
    // --version answer without one.
    CommandLine line = readCommandLine(argumentList(argc, argv), false);
    if (const auto code = answered(line)) return *code;
    if (line.sync) return runSyncCommand(argc, argv, line);
    Application application(argc, argv);
    // The application has taken Qt's own options (-platform …) away.
    if (line.action == CommandLine::Unsure) {
        line = readCommandLine(QCoreApplication::arguments(), true);
        if (const auto code = answered(line)) return *code;
    }
    // Qt's dialogs and standard buttons speak Chinese like the rest.
    installQtChinese(application);

    // 1. Another instance running: tell it and end, touching nothing.
    SingleInstance instance(TMainForm::className());
    if (!instance.claim()) return 0;

    // 2. Title.
    setUpApplication();
    QGuiApplication::setDesktopFileName(appId());
    // A portable copy's own folder, the user's data folder, or the one named.
    const FolderChoice place = chooseProgramFolderForThisRun(line.folder);
    if (!place.folder.ok()) {
        QMessageBox::critical(nullptr, applicationTitle(), place.error);
        return 1;
    }
    const ProgramFolder& folder = place.folder;
    // One writer per notebook, however this copy was started: one started
    // with another runtime folder does not find the server above. It leaves
    // the running copy alone, as a second start does.
    const NotebookLock notebook(folder);
    if (notebook.busy()) {
        std::fprintf(stderr, "kuvano: %s\n", qUtf8Printable(notebook.error()));
        return 0;
    }
    if (!notebook.held()) {
        QMessageBox::critical(nullptr, applicationTitle(), notebook.error());
        return 1;
    }

    // 3. The password file decides whether the login window comes first.
    const lock::LockFlag flag = lock::readLockFlag(folder);
    if (!flag.ok) {
        QMessageBox::critical(nullptr, applicationTitle(), flag.error);
        return 1;
    }
    // A password an older copy kept as typed is hashed now, lock on or off;
    // should that fail the file stays as it was and the next start tries again.
    lock::hashPlainPassword(folder, nullptr);
    std::unique_ptr<lock::TLockLogin> login;
    if (flag.loginOn) login = std::make_unique<lock::TLockLogin>(folder);

    // 4. Data module, main window, dialogs. An Access-format notes database
    // where ours belongs is offered for import first.
    offerAccessImport(folder);
    if (!RecoverInterruptedRestore(folder, nullptr)) return 1;
    notes::InstallPlainTextReader();
    notes::TDM dm(folder);
    ReportDatabaseProblem(folder, dm, nullptr);
    // A dated copy of the notes once a day, on a worker of its own.
    notes::SnapshotScheduler snapshots(folder);
    // The user's days-off file, before the calendars that mark its days are created.
    loadDayOffFile(folder);
    TMainForm mainForm(folder, dm);
    // The password and window size dialogs, made when first opened.
    std::unique_ptr<lock::TpwsetFrm> pwset;
    std::unique_ptr<TFrmSetFrm> frmSet;
    mainForm.setDialogMakers(
        [&] {
            if (!pwset) pwset = std::make_unique<lock::TpwsetFrm>(folder, &mainForm);
            return pwset.get();
        },
        [&] {
            if (!frmSet) frmSet = std::make_unique<TFrmSetFrm>(mainForm);
            return frmSet.get();
        });
    // A restore is offered whether or not the notes opened: it is how a
    // damaged or emptied notebook comes back.
    new MainCommands(mainForm, folder, dm, &snapshots);
    new MainSearch(mainForm, dm);
    new MainSync(mainForm, folder, dm);
    // A logout ends the program as the close picture does: the event loop
    // stops, and the notebook is closed on the way out, not left open.
    const SessionEndSignals sessionEnd(
        [&mainForm] { guarded(&mainForm, [&mainForm] { mainForm.EndSession(); }); });
    // A second start from the menu brings this copy's window to the front:
    // the login window while it asks, else the main window.
    raiseOnSecondStart(instance, [&login, &mainForm]() -> QWidget* {
        if (login && login->isVisible()) return login.get();
        return &mainForm;
    });

    // 5. Event loop, with the first window created shown. The day's snapshot
    // (a copy of the whole file) waits until that window is on the screen.
    QWidget& first = login ? static_cast<QWidget&>(*login) : mainForm;
    setDesktopIdentityAfterFirstFrame(first);
    if (dm.connected()) afterFirstPaint(first, [&snapshots] { snapshots.start(); });
    if (login) {
        login->setMainWindow(&mainForm);
        login->show();
    } else {
        mainForm.show();
    }
    return QApplication::exec();
}

} // namespace kuvano::app
