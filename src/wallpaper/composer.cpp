#include "wallpaper/composer.h"

#include "platform/message_box.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/desktop_wallpaper.h"
#include "wallpaper/image_files.h"
#include "wallpaper/modal.h"
#include "wallpaper/picture_error.h"
#include "wallpaper/uPicSel.h"

#include <QFileInfo>

namespace kuvano::wallpaper {
namespace {
constexpr int kMixWeight = 50;    // percent
constexpr int kMixRowOffset = 30; // rows the content lies below the background's top
} // namespace

WallpaperComposer::WallpaperComposer(const ProgramFolder& folder, QWidget* parent,
                                     WallpaperPages pages,
                                     std::unique_ptr<DesktopWallpaper> desktop)
    : folder_(folder), parent_(parent), pages_(std::move(pages)),
      desktop_(desktop ? std::move(desktop) : std::make_unique<SessionWallpaper>()),
      deskBGSet_(folder) {}

// The two windows are made when first shown, not at the program's start.
TInforFrm& WallpaperComposer::inforFrm() {
    if (!inforFrm_) {
        inforFrm_ = std::make_unique<TInforFrm>(folder_, confirm_, parent_);
        inforFrm_->hide();
    }
    return *inforFrm_;
}

TPicSelFrm& WallpaperComposer::picSelFrm() {
    if (!picSelFrm_) {
        picSelFrm_ = std::make_unique<TPicSelFrm>(folder_, parent_);
        picSelFrm_->hide();
    }
    return *picSelFrm_;
}

WallpaperComposer::~WallpaperComposer() = default;

void WallpaperComposer::setDesktop(std::unique_ptr<DesktopWallpaper> desktop) {
    desktop_ = std::move(desktop);
}

void WallpaperComposer::ReadConfirmSetting() {
    confirm_.ask = true;
    confirm_.answer = false;
    confirm_.ask = readConfirmOption(folder_);
}

void WallpaperComposer::LoadBGPicList(bool selectChosen) {
    wallpaper::LoadBGPicList(backgrounds_, folder_, selectChosen);
}

void WallpaperComposer::N_PicSelClick() {
    picSelFrm().chosen = backgrounds_.chosen;
    modal::exec(picSelFrm());
    if (picSelFrm_->chosen == backgrounds_.chosen) {
        LoadBGPicList(false);
    } else {
        backgrounds_.chosen = picSelFrm_->chosen;
        LoadBGPicList(true);
    }
}

CommandOutcome WallpaperComposer::N_SetDeskTopBGClick() {
    if (confirm_.ask) {
        modal::exec(inforFrm());
        if (!confirm_.answer) return CommandOutcome::Cancelled;
    }
    // Errors of the picture steps are reported as the program reports any
    // error: its text in a message box, and the program goes on.
    try {
        return makeWallpaper();
    } catch (const PictureError& e) {
        mixPic_ = TMixPicFrm();
        showMessage(parent_, e.message(), QString());
        return CommandOutcome::Failed;
    }
}

// The background under the cursor: false (and the cursor moved on to the
// next entry, unless it is 0) when its file is missing.
bool WallpaperComposer::chooseBackground() {
    BackgroundTable& t = backgrounds_;
    const qint32 count = qint32(t.entries.size());
    if (count == 0) return false;
    if (t.cursor < 0 || t.cursor >= count) t.cursor = count - 1; // a table shrunk under it
    // The user's pictures are in the composer folder; A1.bmp may still be the
    // supplied one, which the user never had a copy of.
    deskBGSet_.backgroundPath =
        folder_.userOrOwnedFile(QStringLiteral("source/DeskTopBG/") + t.entries[t.cursor].name);
    if (QFileInfo::exists(deskBGSet_.backgroundPath)) return true;
    if (t.cursor != 0 && ++t.cursor >= count) t.cursor = 1;
    return false;
}

CommandOutcome WallpaperComposer::makeWallpaper() {
    // 2. The active page into Content.bmp; other pages use the last one.
    const ActivePage page = pages_.activePage ? pages_.activePage() : ActivePage::Yearly;
    if (page == ActivePage::Desk && pages_.deskPage) {
        FillMonthContent(deskBGSet_.content, pages_.deskPage());
        deskBGSet_.DrawMonthContent();
    } else if (page == ActivePage::General && pages_.generalNotes) {
        FillNotesContent(deskBGSet_.content, pages_.generalNotes());
        deskBGSet_.DrawNotesContent();
    }
    // 3. The background.
    if (!chooseBackground()) return CommandOutcome::MissingBackground;
    // 4 to 6. Mix and save.
    mixPic_.content = loadBmp(deskBGSet_.contentPath());
    mixPic_.background = loadBmp(deskBGSet_.backgroundPath);
    mixPic_.result = MixPictures(mixPic_.content, mixPic_.background, kMixWeight, kMixRowOffset);
    mixPic_.content = QImage();
    mixPic_.background = QImage();
    saveBmp(mixPic_.result, mixBmpPath());
    // 7. Through JPEG and back; a failure here ends the command silently.
    try {
        BmpToJpg(mixBmpPath(), mixJpgPath());
        JpgToBmp(mixJpgPath());
    } catch (const PictureError&) {
        return CommandOutcome::NotApplied;
    }
    // 8. The file actually written: names are case-sensitive here.
    if (!desktop_->apply(mixBmpPath())) {
        showMessage(parent_, wallpaperNotSetMessage(mixBmpPath()), QString());
        return CommandOutcome::NotApplied;
    }
    // 9. Back one picture; from the first entry round to the last.
    BackgroundTable& t = backgrounds_;
    if (--t.cursor <= 0) t.cursor = qint32(t.entries.size()) - 1;
    return CommandOutcome::Applied;
}

} // namespace kuvano::wallpaper
