#pragma once
// The wallpaper composer wired to the main window: the pages it reads, the
// options entries "选择桌面壁纸" and "设为桌面背景" and the picture imgAppToDesk.

#include "platform/program_folder.h"

#include <memory>

namespace kuvano::wallpaper {
class WallpaperComposer;
}

namespace kuvano::app {

class TMainForm;

// Made while the main window is created, once its pages and frame exist.
std::unique_ptr<wallpaper::WallpaperComposer> makeWallpaperComposer(TMainForm& form,
                                                                    const ProgramFolder& folder);

} // namespace kuvano::app
