#pragma once
// The main window: the composition root of the program. It owns the shared
// page state, the frame, the page controls and the page objects, and routes
// events between them: the page buttons, the month picker's change, the
// window size and the side panel.

#include "app/uFrmSetRecord.h"
#include "notes/MainState.h"
#include "notes/NoteTargets.h"
#include "platform/program_folder.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

namespace kuvano {
class AnchorLayout;
}

namespace kuvano::calendarctl {
class TChnCalendar;
}

namespace kuvano::lock {
class TpwsetFrm;
}

namespace kuvano::notes {
class TDM;
class DeskCalendarPage;
class DaySchedule;
class GeneralNotesPage;
class CalendarNotesPage;
class YearNotesPage;
class MemoList;
class EditCommands;
class FormatTools;
} // namespace kuvano::notes

namespace kuvano::wallpaper {
class WallpaperComposer;
}

namespace kuvano::app {

class MainFrame;
class PageControl;
class PictureButton;
class TFrmSetFrm;

using Page = notes::ShownPage;

// What the side panel and the tool strip show for the page on view.
struct SidePanel {
    bool picker = false;               // ChnCalendar1 visible
    std::optional<bool> pickerEnabled; // set when given, else left as it is
    bool memo = false;                 // Panel2
    bool daySchedule = false;          // pnlRijishi
    bool fontBoxes = false;            // ccbFont, cbbFontSize
    bool operator==(const SidePanel&) const = default;
};
SidePanel SidePanelRule(Page page);

class TMainForm : public QWidget {
    Q_OBJECT
public:
    static QString caption() { return QStringLiteral("Kuvano桌面月历K207"); }
    // The name another start looks the running instance up by.
    static QString className() { return QStringLiteral("Kuvano1024K205"); }
    // Size of the design the control places are given in.
    static constexpr QSize kDesignSize{1327, 829};

    TMainForm(const ProgramFolder& folder, notes::TDM& dm, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The password and window size dialogs, made already; or what makes
    // each at its first use (start-up's way: most starts open neither).
    void setDialogs(lock::TpwsetFrm* pwset, TFrmSetFrm* frmSet);
    void setDialogMakers(std::function<lock::TpwsetFrm*()> pwset,
                         std::function<TFrmSetFrm*()> frmSet);
    // The web panel's browser: right-button presses inside it open pmEmpty.
    void setWebBrowser(QWidget* webLink) { webLink_ = webLink; }
    QWidget* webPanel() const { return Panelweblink; }
    QMenu* emptyMenu() const { return pmEmpty; }

    QString uiFolder() const;
    notes::MainState& state() { return state_; }
    const WindowSizeRecord& sizeRecord() const { return sizeRecord_; }
    bool confirmWallpaper() const; // ask before the wallpaper is changed
    wallpaper::WallpaperComposer& wallpaper() { return *wallpaper_; }
    MainFrame& frame() { return *frame_; }
    notes::DeskCalendarPage& deskPage() { return *desk_; }
    notes::DaySchedule& daySchedule() { return *day_; }
    // The pages off view at start and the memo list (hidden beside the desk
    // calendar) are made after the first frame, or here at their first use.
    notes::GeneralNotesPage& generalPage();
    notes::CalendarNotesPage& calendarPage();
    notes::YearNotesPage& yearPage();
    notes::MemoList& memoList();
    notes::EditCommands& editCommands() { return *editCommands_; }
    notes::FormatTools& formatTools() { return *formatTools_; }
    calendarctl::TChnCalendar* monthPicker() const { return ChnCalendar1; }
    calendarctl::TChnCalendar* fullCalendar(); // the calendar notes page's

    // The shown date, held by the month picker: every page shows its month or year.
    QDate shownDate() const { return state_.shownDate; }
    void setShownDate(const QDate& date); // a real change reloads the page on view
    void ChnCalendar1Change();

    Page pageOnView() const;
    QWidget* sheet(Page page) const;
    // Shows a page as its button does, unless it is on view already.
    void OpenPage(Page page);
    void btnYearClick();
    void btnMonthClick();
    void btnYibanClick();
    void btnRiliClick();
    void ApplySidePanelRule();
    void FormResize(); // the four layout routines
    void CalendarLayout();
    void ApplyFontSize(); // the font size box's size to the rich-text boxes
    void SetCellsVisible(bool visible);

    // Window sizes.
    void ToggleFullScreen(bool restorePicture);
    void SetWindowSize(int width, int height);
    void SaveWindowSize();
    void PlaceMonthPicker(); // beside the options label
    void Minimize();
    void MoveFocusToFlush();
    // The session ends (logout, shutdown): close as the close picture does,
    // after the box being edited has saved.
    void EndSession();
    // Ends the program (the close picture, "退出程序", Esc); tests replace it.
    std::function<void()> endProgram;

    // "今天是 2010年6月1日(二)"
    static QString DateLine(const QDate& today);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void buildControls();
    void buildToolStrip(AnchorLayout& bg);
    void buildPages();
    // The parts not on view at start, all at once and in the order they
    // always had (the focus chain follows it); laid out and loaded when the
    // window was shown already.
    void makeDeferredParts();
    void applyFontSize(notes::YearNotesPage& year, int size);
    void buildEditingTools();
    void buildSidePanel(AnchorLayout& bg);
    void connectFrame();
    void showPage(Page page);
    void hideKeepingFocus(QWidget* w);
    void showSaveResult(bool saved);
    // Ends the program once every note is on disk: saves held back for a
    // busy file are written first; while it stays busy the window stays.
    void EndProgramWhenSaved();
    // How long saves wait for a busy file before the unsaved sign says so.
    static constexpr int kHeldSignDelayMs = 1000;
    bool AppEvent1Message(QObject* watched, QEvent* event);

    ProgramFolder folder_;
    notes::TDM& dm_;
    notes::MainState state_;
    WindowSizeRecord sizeRecord_;
    bool shown_ = false;

    AnchorLayout* anchors_ = nullptr;
    MainFrame* frame_ = nullptr;
    QWidget* pnlbg = nullptr;
    QLabel* lblDateTime = nullptr;
    QLabel* lblUnsaved = nullptr;
    bool heldSign_ = false; // the sign shows for saves held back
    QComboBox* ccbFont = nullptr;
    QComboBox* cbbFontSize = nullptr;
    QLabel* img4 = nullptr;
    QPushButton* btn3 = nullptr;
    QPushButton* btn4 = nullptr;
    PictureButton* btnYear = nullptr;
    PictureButton* btnMonth = nullptr;
    PictureButton* btnYiban = nullptr;
    PictureButton* btnRili = nullptr;
    QWidget* PanelCanlender = nullptr;
    PageControl* pgcMain = nullptr;
    QWidget* pnlTaiLi = nullptr;
    QWidget* pnlJishi = nullptr;
    QWidget* pnl_year = nullptr;
    QWidget* pnlRili = nullptr;
    calendarctl::TChnCalendar* ChnCalendar1 = nullptr;
    calendarctl::TChnCalendar* chnRili = nullptr;
    QWidget* PanelAttach = nullptr;
    QWidget* Panelweblink = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* pnlRijishi = nullptr;
    QMenu* pmEmpty = nullptr;
    QWidget* webLink_ = nullptr;

    lock::TpwsetFrm* pwset_ = nullptr;
    TFrmSetFrm* frmSet_ = nullptr;
    std::function<lock::TpwsetFrm*()> makePwset_;
    std::function<TFrmSetFrm*()> makeFrmSet_;

    notes::DaySchedule* day_ = nullptr;
    notes::DeskCalendarPage* desk_ = nullptr;
    notes::GeneralNotesPage* general_ = nullptr;
    notes::CalendarNotesPage* calendar_ = nullptr;
    notes::YearNotesPage* year_ = nullptr;
    notes::MemoList* memo_ = nullptr;
    // What the editing tools work on, filled in as the pages are made.
    notes::NoteTargets targets_;
    notes::EditCommands* editCommands_ = nullptr;
    notes::FormatTools* formatTools_ = nullptr;
    // The background table, the confirmation and the composer's windows.
    std::unique_ptr<wallpaper::WallpaperComposer> wallpaper_;
};

} // namespace kuvano::app
