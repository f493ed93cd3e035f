#pragma once
// Syncing the open notebook from the main window: the options menu's
// "同步设置…", "立即同步", "同步冲突…", "导出 iCalendar…" and "导入 iCalendar…",
// the state line in the title bar, the password from the keyring, and the
// requests of `kuvano --sync` for this notebook.

#include "store/folder.h"
#include "sync/sync_runner.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QLocalServer;
class QLocalSocket;

namespace kuvano::notes {
class TDM;
}

namespace kuvano::app {

class TMainForm;
class SyncSettingsWindow;
class SyncConflictsWindow;

// The local server `kuvano --sync` asks when the program already runs on the
// notebook: one per notebook, in the user's runtime folder.
QString SyncRequestServerName(const ProgramFolder& folder);

class MainSync : public QObject {
    Q_OBJECT
public:
    MainSync(TMainForm& form, const ProgramFolder& folder, notes::TDM& dm);
    ~MainSync() override;

    sync::SyncRunner& runner() { return runner_; }
    QAction* entry(const char* name) const;

    void openSettings();  // "同步设置…"
    void syncNow();       // "立即同步"
    void openConflicts(); // "同步冲突…"
    void exportICalendar();
    void importICalendar();

    // Reads the settings and the password and starts syncing (after the
    // first frame at start; again after the settings change).
    void startFromSettings();

    // Asks for the password where no keyring keeps it (a seam for tests):
    // the password, or none when the user cancelled.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& why)>;
    static void setPasswordPrompt(PasswordPrompt prompt);

private:
    void showStatus(const sync::SyncStatus& status);
    void reloadNotes();
    void listenForRequests();
    void answerRequest(QLocalSocket* socket);

    TMainForm& form_;
    ProgramFolder folder_;
    notes::TDM& dm_;
    sync::SyncRunner runner_;
    QLocalServer* requests_ = nullptr;
    QPointer<SyncSettingsWindow> settings_;
    QPointer<SyncConflictsWindow> conflicts_;
};

} // namespace kuvano::app
