#pragma once
// The sync's windows: its settings ("同步设置…"), the texts kept from
// conflicts ("同步冲突…"), and the questions of the iCalendar export and import.

#include "store/folder.h"
#include "sync/sync_settings.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QThread;
class QTreeWidget;

namespace kuvano::notes {
class TDM;
}

namespace kuvano::app {

class SyncSettingsWindow : public QDialog {
    Q_OBJECT
public:
    SyncSettingsWindow(ProgramFolder folder, QWidget* parent);
    ~SyncSettingsWindow() override;

    // Fills the fields from DB3/sync.ini (the password field stays empty).
    void load();
    // The settings and password as typed; the calendar "自动" is empty.
    sync::SyncSettings typed() const;
    QString typedPassword() const;

    void findCalendars();  // "查找日历"
    void testConnection(); // "测试连接"
    void btnOkClick();     // saves the settings, the password to the keyring
    bool busy() const { return worker_ != nullptr; }

    // Told after a save, with the password typed (or kept).
    std::function<void(const sync::SyncSettings&, const QString& password)> onSaved;

private:
    // Runs `work` (network) off the window's thread; `done` back on it.
    void runInBackground(std::function<QString()> work, std::function<void(const QString&)> done);
    bool confirmAddress(sync::SyncSettings& s);

    ProgramFolder folder_;
    QLineEdit* edtUrl = nullptr;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword = nullptr;
    QComboBox* cbCalendar = nullptr;
    QLabel* lblResult = nullptr;
    QPushButton* btnFind = nullptr;
    QPushButton* btnTest = nullptr;
    QPushButton* btnOk = nullptr;
    QThread* worker_ = nullptr;
    QString keptPassword_; // the keyring's, when the field is left empty
    bool insecureAllowed_ = false;
};

class SyncConflictsWindow : public QDialog {
    Q_OBJECT
public:
    SyncConflictsWindow(ProgramFolder folder, notes::TDM& dm, QWidget* parent);

    void reload();
    // The selected text back into its note (the note's text kept in its
    // place in the list), or dropped.
    void btnPutBackClick();
    void btnDropClick();
    QTreeWidget* list() const { return lvConflicts; }

    std::function<void()> onNotesChanged;

private:
    qint64 selectedId() const;

    ProgramFolder folder_;
    notes::TDM& dm_;
    QTreeWidget* lvConflicts = nullptr;
    QPushButton* btnPutBack = nullptr;
    QPushButton* btnDrop = nullptr;
};

// "导出 iCalendar…": which notes, the days off or not, then the file.
void ExportICalendarWithDialog(QWidget* parent, notes::TDM& dm);
// "导入 iCalendar…": the file, then a short report. True when notes changed.
bool ImportICalendarWithDialog(QWidget* parent, const ProgramFolder& folder, notes::TDM& dm);

// The questions of the export, a seam for tests: none when cancelled.
struct IcsExportChoice {
    std::optional<int> year;
    bool daysOff = false;
};
using IcsExportPrompt = std::function<std::optional<IcsExportChoice>()>;
void setIcsExportPrompt(IcsExportPrompt prompt);

} // namespace kuvano::app
