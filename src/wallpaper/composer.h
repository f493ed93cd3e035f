#pragma once
// The wallpaper composer as the main window uses it: the background table
// with its cursor, the confirmation option, the content and mix holders and
// the two dialogs, all created once; the menu commands "选择桌面壁纸"
// (N_PicSelClick) and "设为桌面背景" (N_SetDeskTopBGClick, also the picture
// imgAppToDesk). The main window owns one and tells it, through WallpaperPages,
// which page is active and what the pages hold.

#include "platform/program_folder.h"
#include "wallpaper/background_list.h"
#include "wallpaper/desktop_wallpaper.h"
#include "wallpaper/uDeskBGSet.h"
#include "wallpaper/uInfoFrm.h"
#include "wallpaper/uPicMix.h"

#include <functional>
#include <memory>

class QWidget;

namespace kuvano::wallpaper {

class TPicSelFrm;

enum class ActivePage { Desk, General, Yearly, Calendar };

// What the command reads from the main window's pages, asked at the moment
// of the command.
struct WallpaperPages {
    std::function<ActivePage()> activePage;
    std::function<DeskPageTexts()> deskPage;                            // FillMonthContent's input
    std::function<std::array<QString, kContentEntries>()> generalNotes; // Edit1..Edit42
};

// How a wallpaper command ended.
enum class CommandOutcome {
    Applied,           // the wallpaper was set and the cursor moved back
    Cancelled,         // the confirmation was not given
    MissingBackground, // no file for the cursor's entry (the cursor moved on unless it was 0)
    Failed,            // an error message was shown; wallpaper and cursor unchanged
    NotApplied,        // not set: the JPEG round trip failed (silently), or no desktop mechanism
                       // worked (a message names the file); cursor unchanged
};

class WallpaperComposer {
public:
    // `parent` is the main window the dialogs centre over. The wallpaper is
    // set through `desktop` (the running session's when null).
    WallpaperComposer(const ProgramFolder& folder, QWidget* parent, WallpaperPages pages,
                      std::unique_ptr<DesktopWallpaper> desktop = nullptr);
    ~WallpaperComposer();

    // Start-up, in the main window's creation: the confirmation file, then the list.
    void ReadConfirmSetting();
    void LoadBGPicList(bool selectChosen);

    CommandOutcome N_SetDeskTopBGClick();
    void N_PicSelClick();

    // Where the wallpaper goes; tests put a recorder in place of the session's desktop.
    void setDesktop(std::unique_ptr<DesktopWallpaper> desktop);

    BackgroundTable& backgrounds() { return backgrounds_; }
    ConfirmState& confirm() { return confirm_; }
    TDeskBGSetFrm& deskBGSet() { return deskBGSet_; }
    TMixPicFrm& mixPic() { return mixPic_; }
    TInforFrm& inforFrm();
    TPicSelFrm& picSelFrm();

    // Files of the composer folder.
    QString mixBmpPath() const { return deskBGSet_.composerFolder() + QStringLiteral("Mix.bmp"); }
    QString mixJpgPath() const { return deskBGSet_.composerFolder() + QStringLiteral("Mix.Jpg"); }

private:
    CommandOutcome makeWallpaper();
    bool chooseBackground();

    ProgramFolder folder_;
    QWidget* parent_;
    WallpaperPages pages_;
    std::unique_ptr<DesktopWallpaper> desktop_;
    BackgroundTable backgrounds_;
    ConfirmState confirm_;
    TDeskBGSetFrm deskBGSet_;
    TMixPicFrm mixPic_;
    std::unique_ptr<TInforFrm> inforFrm_;
    std::unique_ptr<TPicSelFrm> picSelFrm_;
};

} // namespace kuvano::wallpaper
