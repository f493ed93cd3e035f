// The one-click wallpaper command end to end, without the main window: a
// fake page source, real files in a temporary program folder, a recording desktop.
#include "dialog_answers.h"
#include "picture_support.h"
#include "support/test_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/composer.h"
#include "wallpaper/desktop_wallpaper.h"
#include "wallpaper/uPicSel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace kuvano::wallpaper;
using kuvano::test::DialogAnswers;
using kuvano::test::MessageRecorder;
using kuvano::test::TempProgramFolder;

namespace {

const QString kList = QStringLiteral("DB3/BGPicList.ini");
const QString kConfirm = QStringLiteral("DB3/configSetBg.ini");

class RecordingDesktop : public DesktopWallpaper {
public:
    bool apply(const QString& path) override {
        applied.append(path);
        return succeed;
    }
    QStringList applied;
    bool succeed = true;
};

// A month of notes on the desk page of May 2010.
DeskPageTexts mayNotes() {
    DeskPageTexts page;
    page.shownDate = QDate(2010, 5, 15);
    const QDate origin(2010, 4, 25);
    for (int e = 0; e < kContentEntries; ++e) {
        page.cellDates[size_t(e)] = origin.addDays(e);
        if (e % 3 == 0)
            page.texts[size_t(e)] = QStringLiteral("开会 %1点\r\n带上资料").arg(e % 12 + 8);
    }
    return page;
}

class Composer : public ::testing::Test {
protected:
    TempProgramFolder pf;
    MessageRecorder messages;
    DialogAnswers answers;
    ActivePage page = ActivePage::Desk;
    std::array<QString, kContentEntries> general;
    RecordingDesktop* desktop = nullptr;
    std::unique_ptr<WallpaperComposer> composer;
    kuvano::ProgramFolder folder = pf.folder();

    // The main window's creation: the confirmation file, then the list.
    void start(bool ask = false) {
        pf.writeLines(kConfirm, {ask ? QStringLiteral("1") : QStringLiteral("0")});
        auto d = std::make_unique<RecordingDesktop>();
        desktop = d.get();
        WallpaperPages pages;
        pages.activePage = [this] { return page; };
        pages.deskPage = [] { return mayNotes(); };
        pages.generalNotes = [this] { return general; };
        composer = std::make_unique<WallpaperComposer>(folder, nullptr, pages, std::move(d));
        composer->ReadConfirmSetting();
        composer->LoadBGPicList(false);
    }
    QString inFolder(const QString& name) const {
        return pf.path(QStringLiteral("source/DeskTopBG/") + name);
    }
    void background(const QString& name, QRgb colour, QSize size = QSize(1024, 768)) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(colour);
        saveBmp(image, inFolder(name));
    }
    // The background a Mix.bmp was made from, by the colour of its corner.
    QRgb corner() const { return loadBmp(composer->mixBmpPath()).pixel(3, 3); }
    static bool near(QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 &&
               std::abs(qBlue(a) - qBlue(b)) <= 4;
    }
    qint32 cursor() const { return composer->backgrounds().cursor; }
};

const QRgb kBlue = qRgb(40, 70, 200), kGreen = qRgb(30, 160, 60), kRed = qRgb(190, 40, 40);

} // namespace

TEST_F(Composer, FirstCommandAfterAFreshStartUsesA1) {
    background(QStringLiteral("A1.bmp"), kBlue);
    start();
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_EQ(cursor(), 1);
    // The file actually written, in its real case, is what the desktop gets.
    EXPECT_EQ(desktop->applied, QStringList{inFolder(QStringLiteral("Mix.bmp"))});
    const QByteArray mix = kuvano::test::fileBytes(inFolder(QStringLiteral("Mix.bmp")));
    EXPECT_EQ(qFromLittleEndian<quint16>(mix.constData() + 28), 24); // decoded back from JPEG
    EXPECT_EQ(decodeBmp(mix).size(), QSize(1024, 768));
    EXPECT_TRUE(
        kuvano::test::fileBytes(inFolder(QStringLiteral("Mix.Jpg"))).startsWith("\xff\xd8"));
    EXPECT_EQ(loadBmp(inFolder(QStringLiteral("Content.bmp"))).size(), QSize(750, 500));
    EXPECT_TRUE(near(corner(), kBlue));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Composer, AnInstalledProgramsA1IsTheSuppliedOneUntilTheUserHasTheirOwn) {
    QTemporaryDir supplied;
    ASSERT_TRUE(QDir(supplied.path()).mkpath(QStringLiteral("source/DeskTopBG")));
    folder = kuvano::ProgramFolder(pf.folder().root(), supplied.path());
    QImage blue(QSize(1024, 768), QImage::Format_RGB888);
    blue.fill(kBlue);
    saveBmp(blue, folder.ownedFile(QStringLiteral("source/DeskTopBG/A1.bmp")));
    start();
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_TRUE(near(corner(), kBlue));
    // What the command makes goes to the user's folder, never the supplied one.
    EXPECT_EQ(desktop->applied, QStringList{inFolder(QStringLiteral("Mix.bmp"))});
    EXPECT_FALSE(QFileInfo::exists(folder.ownedFile(QStringLiteral("source/DeskTopBG/Mix.bmp"))));

    background(QStringLiteral("A1.bmp"), kGreen);
    start();
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_TRUE(near(corner(), kGreen));
}

TEST_F(Composer, TheCursorWalksBackThroughTheList) {
    background(QStringLiteral("A1.bmp"), kBlue);
    background(QStringLiteral("B.bmp"), kGreen);
    background(QStringLiteral("C.bmp"), kRed);
    pf.writeLines(kList, {QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"),
                          QStringLiteral("B.bmp"), QStringLiteral("C.bmp")});
    start();
    EXPECT_EQ(cursor(), 3);
    const struct {
        QRgb used;
        qint32 after;
    } walk[] = {{kRed, 2}, {kGreen, 1}, {kBlue, 3}, {kRed, 2}};
    for (const auto& step : walk) {
        ASSERT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
        EXPECT_TRUE(near(corner(), step.used)) << std::hex << corner();
        EXPECT_EQ(cursor(), step.after);
    }
}

TEST_F(Composer, ChoosingInTheSelectorPutsTheCursorOnThePicture) {
    background(QStringLiteral("A1.bmp"), kBlue);
    background(QStringLiteral("B.bmp"), kGreen);
    pf.writeLines(kList,
                  {QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"), QStringLiteral("B.bmp")});
    start();
    answers.then([](QDialog& d) {
        auto* list = d.findChild<QTreeWidget*>(QStringLiteral("LVpic"));
        list->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    composer->N_PicSelClick();
    EXPECT_EQ(composer->backgrounds().chosen, QStringLiteral("B.bmp"));
    EXPECT_EQ(cursor(), 2);
    ASSERT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_TRUE(near(corner(), kGreen));
    ASSERT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_TRUE(near(corner(), kBlue));

    // OK on the chosen row, or the close picture: the cursor on the last entry.
    answers.then(DialogAnswers::click("btnOk"));
    composer->N_PicSelClick();
    EXPECT_EQ(cursor(), 2);
    EXPECT_EQ(answers.shown, 2);
}

TEST_F(Composer, AMissingPictureAppliesNothingAndTheNextCommandTriesTheNextEntry) {
    background(QStringLiteral("A1.bmp"), kBlue);
    background(QStringLiteral("C.bmp"), kRed);
    pf.writeLines(kList, {QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"),
                          QStringLiteral("C.bmp"), QStringLiteral("gone.bmp")});
    start();
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::MissingBackground);
    EXPECT_TRUE(desktop->applied.isEmpty());
    EXPECT_TRUE(
        QFileInfo::exists(inFolder(QStringLiteral("Content.bmp")))); // rendered all the same
    EXPECT_EQ(cursor(), 1);                                          // past the end: round to 1
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_TRUE(near(corner(), kBlue));
    EXPECT_TRUE(messages.messages().empty());

    // Entry 0 missing with the cursor on it: stop, the cursor stays.
    pf.writeLines(kList, {QStringLiteral("none.bmp")});
    composer->LoadBGPicList(false);
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::MissingBackground);
    EXPECT_EQ(cursor(), 0);
}

TEST_F(Composer, TheConfirmationWindow) {
    background(QStringLiteral("A1.bmp"), kBlue);
    start(true);
    EXPECT_TRUE(composer->confirm().ask);
    // 取  消 and X: nothing happens, not even the content picture.
    for (const char* button : {"btncancel", "btnClose"}) {
        answers.then(DialogAnswers::click(button));
        EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Cancelled) << button;
    }
    answers.then([](QDialog&) {}); // closed some other way
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(inFolder(QStringLiteral("Content.bmp"))));
    EXPECT_EQ(cursor(), 0);
    EXPECT_TRUE(desktop->applied.isEmpty());

    // 确  定 alone: applied, asked again next time.
    answers.then(DialogAnswers::click("btnok"));
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_EQ(pf.readLines(kConfirm), QStringList{QStringLiteral("1")});
    // With "下次不再提示": the option goes off, in the file too.
    answers.then([](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("chkSetBgInfo"))->setChecked(true);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnok")), Qt::LeftButton);
    });
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_FALSE(composer->confirm().ask);
    EXPECT_EQ(pf.readLines(kConfirm), QStringList{QStringLiteral("0")});
    const int shown = answers.shown;
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_EQ(answers.shown, shown);
}

TEST_F(Composer, TheConfirmationSettingAtStartUp) {
    const struct {
        const char* file; // null: no file
        bool ask;
    } cases[] = {{nullptr, true}, {"1", true},   {"5", true},
                 {"0", false},    {"-1", false}, {"abc", true}};
    for (const auto& c : cases) {
        QFile::remove(pf.path(kConfirm));
        if (c.file) pf.writeLines(kConfirm, {QString::fromLatin1(c.file)});
        WallpaperComposer fresh(pf.folder(), nullptr, {}, std::make_unique<RecordingDesktop>());
        fresh.ReadConfirmSetting();
        EXPECT_EQ(fresh.confirm().ask, c.ask) << (c.file ? c.file : "missing");
        EXPECT_FALSE(fresh.confirm().answer);
        if (!c.file) {
            EXPECT_EQ(pf.readLines(kConfirm), QStringList{QStringLiteral("1")});
        }
    }
}

TEST_F(Composer, PagesThatDoNotRenderUseTheLastContentPicture) {
    background(QStringLiteral("A1.bmp"), kBlue);
    start();
    page = ActivePage::Yearly;
    // No Content.bmp yet: the error is shown, nothing is set, the cursor stays.
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Failed);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(QStringLiteral("Content.bmp")));
    EXPECT_EQ(cursor(), 0);
    EXPECT_TRUE(desktop->applied.isEmpty());

    page = ActivePage::General;
    general[0] = QStringLiteral("第一条记事");
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    const QByteArray notes = kuvano::test::fileBytes(inFolder(QStringLiteral("Content.bmp")));
    EXPECT_EQ(decodeBmp(notes).size(), QSize(660, 500));
    page = ActivePage::Calendar;
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    EXPECT_EQ(kuvano::test::fileBytes(inFolder(QStringLiteral("Content.bmp"))), notes);
}

// Bad pictures and refusals leave the list, the cursor and the wallpaper as they were.
TEST_F(Composer, FailuresLeaveTheCursorAndTheWallpaper) {
    background(QStringLiteral("A1.bmp"), kBlue);
    background(QStringLiteral("short.bmp"), kGreen, QSize(1024, 520)); // fewer than 30 rows taller
    background(QStringLiteral("small.bmp"), kGreen, QSize(600, 400));  // smaller than the content
    background(QStringLiteral("dot.bmp"), kGreen, QSize(1, 1));
    kuvano::test::writeFileBytes(
        inFolder(QStringLiteral("png.bmp")),
        kuvano::test::fileBytes(kuvano::test::dataPath(QStringLiteral("wallpaper/pattern.png"))));
    pf.writeLines(kList, {QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"),
                          QStringLiteral("png.bmp"), QStringLiteral("short.bmp"),
                          QStringLiteral("small.bmp"), QStringLiteral("dot.bmp")});
    start();
    const QByteArray list = pf.readBytes(kList);
    for (const qint32 at : {5, 4, 3, 2}) {
        messages.clear();
        composer->backgrounds().cursor = at;
        EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Failed) << at;
        EXPECT_EQ(messages.messages().size(), 1u) << at;
        EXPECT_EQ(cursor(), at);
        EXPECT_FALSE(QFileInfo::exists(composer->mixBmpPath())) << at;
    }
    EXPECT_TRUE(desktop->applied.isEmpty());
    EXPECT_EQ(pf.readBytes(kList), list);

    // The desktop refuses: a message names the picture made; the cursor stays.
    messages.clear();
    composer->backgrounds().cursor = 1;
    desktop->succeed = false;
    EXPECT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::NotApplied);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(composer->mixBmpPath()));
    EXPECT_EQ(cursor(), 1);
}

// The mixed picture: the background where the content is white, darker where it has text.
TEST_F(Composer, TheNotesShowOnTheBackground) {
    background(QStringLiteral("A1.bmp"), qRgb(200, 220, 240), QSize(1280, 768));
    start();
    ASSERT_EQ(composer->N_SetDeskTopBGClick(), CommandOutcome::Applied);
    const QImage mix = loadBmp(composer->mixBmpPath());
    const QImage content = loadBmp(inFolder(QStringLiteral("Content.bmp")));
    int ink = 0, inkDarker = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 750; ++x) {
            if ((content.pixel(x, y) & 0xffffff) == 0xffffff) continue;
            ++ink;
            if (qGray(mix.pixel(480 + x, 30 + y)) < qGray(qRgb(200, 220, 240)) - 10) ++inkDarker;
        }
    EXPECT_GT(ink, 1000);
    EXPECT_GT(inkDarker, ink / 3);
    EXPECT_TRUE(near(mix.pixel(480 + 300, 30 + 490), qRgb(200, 220, 240))); // white: untouched
}
