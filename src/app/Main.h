#pragma once
// The main window: the composition root of the program. It owns the shared
// page state, the page controls and the page objects, and routes events
// between them.

#include "app/uFrmSetRecord.h"
#include "notes/MainState.h"
#include "platform/program_folder.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QStackedWidget;

namespace kuvano {
class AnchorLayout;
}

namespace kuvano::calendarctl {
class TChnCalendar;
}

namespace kuvano::notes {
class TDM;
class TDeskCalendarPage;
class TDaySchedule;
} // namespace kuvano::notes

namespace kuvano::app {

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

    notes::MainState& state() { return state_; }
    const WindowSizeRecord& sizeRecord() const { return sizeRecord_; }
    bool confirmWallpaper() const { return confirmWallpaper_; }
    notes::TDeskCalendarPage& deskPage() { return *desk_; }
    notes::TDaySchedule& daySchedule() { return *day_; }

    // The shown date, held by the month picker: every page shows its month or year.
    QDate shownDate() const { return state_.shownDate; }
    void setShownDate(const QDate& date); // a real change reloads the page on view
    void ChnCalendar1Change();

    void btnMonthClick();
    void btnRiliClick();
    void ApplySidePanelRule();
    void CalendarLayout();
    calendarctl::TChnCalendar* monthPicker() const { return ChnCalendar1; }
    calendarctl::TChnCalendar* fullCalendar() const { return chnRili; }
    bool deskPageOnView() const;
    void ApplyFontSize(); // the font size box's size to the rich-text boxes
    void SetCellsVisible(bool visible);

    // "今天是 2010年6月1日(二)"
    static QString DateLine(const QDate& today);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void buildControls();
    void showSaveResult(bool saved);
    void moveFocusToFlush();

    ProgramFolder folder_;
    notes::TDM& dm_;
    notes::MainState state_;
    WindowSizeRecord sizeRecord_;
    bool confirmWallpaper_ = true;
    bool confirmAnswer_ = false;
    bool shown_ = false;

    AnchorLayout* anchors_ = nullptr;
    QWidget* pnlbg = nullptr;
    QLabel* imgBackGround = nullptr;
    QLabel* img1 = nullptr;
    QLabel* img2 = nullptr;
    QLabel* lblDateTime = nullptr;
    QLabel* lblUnsaved = nullptr;
    QLabel* lblSet = nullptr;
    QComboBox* ccbFont = nullptr;
    QComboBox* cbbFontSize = nullptr;
    QWidget* btnMonth = nullptr;
    QWidget* PanelCanlender = nullptr;
    QStackedWidget* pgcMain = nullptr;
    QWidget* tsTaiLi = nullptr;
    QWidget* pnlTaiLi = nullptr;
    QWidget* btnRili = nullptr;
    QWidget* tsRili = nullptr;
    QWidget* pnlRili = nullptr;
    calendarctl::TChnCalendar* ChnCalendar1 = nullptr;
    calendarctl::TChnCalendar* chnRili = nullptr;
    QWidget* PanelAttach = nullptr;
    QWidget* pnlRijishi = nullptr;

    notes::TDaySchedule* day_ = nullptr;
    notes::TDeskCalendarPage* desk_ = nullptr;
};

} // namespace kuvano::app
