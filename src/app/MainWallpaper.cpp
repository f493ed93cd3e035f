#include "app/MainWallpaper.h"
#include "platform/guarded.h"

#include "app/Main.h"
#include "app/MainFrame.h"
#include "calendarctl/JvTFMonths.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/NoteBox.h"
#include "wallpaper/composer.h"

#include <QAction>

namespace kuvano::app {

std::unique_ptr<wallpaper::WallpaperComposer> makeWallpaperComposer(TMainForm& form,
                                                                    const ProgramFolder& folder) {
    using namespace wallpaper;
    WallpaperPages pages;
    pages.activePage = [&form] {
        switch (form.pageOnView()) {
        case Page::Desk:
            return ActivePage::Desk;
        case Page::General:
            return ActivePage::General;
        case Page::Yearly:
            return ActivePage::Yearly;
        case Page::Calendar:
            break;
        }
        return ActivePage::Calendar;
    };
    // Day cell k covers the grid cell of its tab order minus one.
    pages.deskPage = [&form] {
        DeskPageTexts page;
        page.shownDate = form.shownDate();
        const auto cells = form.deskPage().CellTexts();
        for (size_t i = 0; i < cells.size(); ++i) {
            page.cellDates[i] = cells[i].date;
            page.texts[i] = cells[i].text;
        }
        return page;
    };
    pages.generalNotes = [&form] { return form.generalPage().LineTexts(); };
    auto composer = std::make_unique<WallpaperComposer>(folder, &form, std::move(pages));

    WallpaperComposer* c = composer.get();
    const auto serve = [&](OptionsEntry e, auto handler) {
        QAction* a = form.frame().entry(e);
        a->setEnabled(true);
        QObject::connect(a, &QAction::triggered, &form,
                         [&form, handler] { guarded(&form, handler); });
    };
    serve(OptionsEntry::PicSel, [c] { c->N_PicSelClick(); });
    serve(OptionsEntry::SetBackground, [c] { c->N_SetDeskTopBGClick(); });
    QObject::connect(&form.frame(), &MainFrame::appToDeskClicked, &form,
                     [c, &form] { guarded(&form, [c] { c->N_SetDeskTopBGClick(); }); });
    return composer;
}

} // namespace kuvano::app
