// The wallpaper commands reached the way the user reaches them: the options
// menu entries and the picture imgAppToDesk of the main window.
#include "main_fixture.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/composer.h"
#include "wallpaper/desktop_wallpaper.h"
#include "wallpaper/dialog_answers.h"
#include "wallpaper/uDeskBGSet.h"

#include <QAction>
#include <QLabel>

using namespace kuvano;
using namespace kuvano::app;

namespace {

class RecordingDesktop : public wallpaper::DesktopWallpaper {
public:
    explicit RecordingDesktop(QStringList* applied) : applied_(applied) {}
    bool apply(const QString& path) override {
        applied_->append(path);
        return true;
    }

private:
    QStringList* applied_;
};

class WallpaperMenu : public test::MainFixture {
protected:
    test::DialogAnswers answers;
    QStringList applied;

    void startWithBackground() {
        QImage a1(1024, 768, QImage::Format_RGB32);
        a1.fill(qRgb(90, 150, 210));
        wallpaper::saveBmp(a1, pf.path(QStringLiteral("source/DeskTopBG/A1.bmp")));
        start();
        form->wallpaper().setDesktop(std::make_unique<RecordingDesktop>(&applied));
    }
    QAction* entry(OptionsEntry e) { return form->frame().entry(e); }
};

} // namespace

TEST_F(WallpaperMenu, StartUpReadsTheSettingAndTheList) {
    startWithBackground();
    EXPECT_EQ(pf.readLines(QStringLiteral("DB3/configSetBg.ini")),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(pf.readLines(QStringLiteral("DB3/BGPicList.ini")),
              (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp")}));
    EXPECT_TRUE(form->confirmWallpaper());
    EXPECT_EQ(form->wallpaper().backgrounds().cursor, 0);
    EXPECT_TRUE(entry(OptionsEntry::PicSel)->isEnabled());
    EXPECT_TRUE(entry(OptionsEntry::SetBackground)->isEnabled());
}

TEST_F(WallpaperMenu, SetAsDesktopBackgroundDrawsTheDeskNotes) {
    startWithBackground();
    form->deskPage().box(10)->setPlainText(QStringLiteral("六月的记事"));
    answers.then(test::DialogAnswers::click("btnok"));
    entry(OptionsEntry::SetBackground)->trigger();
    EXPECT_EQ(answers.shown, 1);
    ASSERT_EQ(applied, QStringList{pf.path(QStringLiteral("source/DeskTopBG/Mix.bmp"))});
    EXPECT_EQ(form->wallpaper().backgrounds().cursor, 1);
    EXPECT_TRUE(messages.messages().empty());
    // June 2011 starts on a Wednesday: cell 10 is 7 June, with the note under it.
    const auto& content = form->wallpaper().deskBGSet().content;
    EXPECT_EQ(content[9].dayLabel, QStringLiteral("7"));
    EXPECT_EQ(content[9].note, QStringLiteral("六月的记事"));
    EXPECT_EQ(content[0].dayLabel, QStringLiteral("S"));
    const QImage picture = wallpaper::loadBmp(form->wallpaper().deskBGSet().contentPath());
    int ink = 0;
    const QRect note = wallpaper::MonthEntryRect(9).adjusted(0, 14, 0, 0); // below the label
    for (int y = note.top(); y <= note.bottom(); ++y)
        for (int x = note.left(); x <= note.right(); ++x)
            ink += (picture.pixel(x, y) & 0xffffff) == 0;
    EXPECT_GT(ink, 20);

    // The picture imgAppToDesk runs the same command; cancelled here.
    answers.then(test::DialogAnswers::click("btncancel"));
    send(child<QLabel>(QStringLiteral("imgAppToDesk")), QEvent::MouseButtonRelease);
    EXPECT_EQ(answers.shown, 2);
    EXPECT_EQ(applied.size(), 1);
    answers.then(test::DialogAnswers::click("btnok"));
    send(child<QLabel>(QStringLiteral("imgAppToDesk")), QEvent::MouseButtonRelease);
    EXPECT_EQ(applied.size(), 2);
}

TEST_F(WallpaperMenu, ChooseWallpaperOpensTheSelectorAndReloads) {
    startWithBackground();
    answers.then([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("背景图片选择"));
        EXPECT_TRUE(d.isVisible());
    });
    pf.writeLines(QStringLiteral("DB3/BGPicList.ini"),
                  {QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"), QStringLiteral("B.bmp")});
    entry(OptionsEntry::PicSel)->trigger();
    EXPECT_EQ(answers.shown, 1);
    EXPECT_EQ(form->wallpaper().backgrounds().entries.size(), 3);
    EXPECT_EQ(form->wallpaper().backgrounds().cursor, 2);
}
