#pragma once
// The restore window: the notes database's snapshots, newest first, with how
// many notes each holds; restoring one asks once, then hands it to the main
// window, which swaps the files and reloads the page on view.

#include "store/snapshots.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace kuvano::notes {
class TDM;
}

namespace kuvano::app {

class RestoreWindow : public QDialog {
    Q_OBJECT
public:
    explicit RestoreWindow(const notes::SnapshotStore& store, QWidget* parent = nullptr);

    // Does the restore; returns false when it failed (and said why).
    std::function<bool(const notes::SnapshotInfo&)> onRestore;

    void FormShow(); // lists the snapshots again
    void btnRestoreClick();
    QTreeWidget* list() const { return lvSnapshots; }
    const std::vector<notes::SnapshotInfo>& snapshots() const { return shown_; }

    // "2026-12-08 14:30"
    static QString whenText(const QDateTime& taken);
    // "桌面月历 12 个月，日安排 300 天，月记事 5 个月，年记事 2 年"
    static QString countsText(const notes::NoteCounts& c);

protected:
    void showEvent(QShowEvent* event) override;

private:
    const notes::SnapshotStore& store_;
    QTreeWidget* lvSnapshots;
    QPushButton* btnRestore;
    std::vector<notes::SnapshotInfo> shown_;
};

// At start-up, after the data module could not open the notes database:
// names the file and the engine's reason, and when the file is damaged and a
// good snapshot exists offers "从备份恢复" with the newest one. The damaged
// file is kept beside the restored one. Returns true when the data module
// now holds a working database.
bool ReportDatabaseProblem(const ProgramFolder& folder, notes::TDM& dm, QWidget* parent);

// At start-up, before the data module: a restore cut short has left no
// notes database. Offers to put back the notes as they were before it;
// declined, the program ends rather than open an empty notebook. Returns
// whether start-up goes on.
bool RecoverInterruptedRestore(const ProgramFolder& folder, QWidget* parent);

} // namespace kuvano::app
