#pragma once
// The options-menu commands that reach beyond the notes pages: export of the
// page on view, the web panel with its help and feedback links, the import
// of notes from an Access file and the restore of a snapshot. Made once at
// start-up after the main window, whose menu entries (found by their object
// names) it enables and serves.

#include "platform/program_folder.h"

#include <QObject>

class QAction;

namespace kuvano::notes {
class TDM;
class SnapshotScheduler;
struct SnapshotInfo;
} // namespace kuvano::notes

namespace kuvano::web {
class WebLink;
}

namespace kuvano::app {

class TMainForm;
class RestoreWindow;
class AboutWindow;

class MainCommands : public QObject {
    Q_OBJECT
public:
    // snapshots may be null (no database): the restore entry then stays off.
    MainCommands(TMainForm& form, const ProgramFolder& folder, notes::TDM& dm,
                 notes::SnapshotScheduler* snapshots);
    ~MainCommands() override;

    void N_NoteToTxtClick();
    // Builds the lines of the page on view, asks for the file name and writes it.
    void ExportNotes();
    void N5Click();      // "帮助说明"
    void N7Click();      // "意见反馈"
    void importAccess(); // "导入旧笔记…"
    void openRestore();
    void openAbout(); // "关于 Kuvano"
    // Puts a snapshot in place of the notes and reloads the page on view.
    bool RestoreSnapshot(const notes::SnapshotInfo& snapshot);

    web::WebLink* webLink() const { return webLink_; }
    RestoreWindow* restoreWindow() const { return restore_; }
    AboutWindow* aboutWindow() const { return about_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A menu command, its errors ending at this boundary.
    void run(void (MainCommands::*command)());
    void StartWebLoader();

    TMainForm& form_;
    ProgramFolder folder_;
    notes::TDM& dm_;
    notes::SnapshotScheduler* snapshots_;
    web::WebLink* webLink_ = nullptr;
    RestoreWindow* restore_ = nullptr;
    AboutWindow* about_ = nullptr;
    bool loaderStarted_ = false;
};

} // namespace kuvano::app
