#include "calendarctl/ChnCalendarPicker.h"
#include "main_fixture.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

using namespace kuvano;
using namespace kuvano::app;
using kuvano::test::MainFixture;
using kuvano::test::numbers;

namespace {
const QString kFormIni = QStringLiteral("DB3/form.ini");
using B = CaptionButton;
using F = CaptionFace;
constexpr auto none = std::nullopt;

} // namespace

TEST(CaptionFaces, HoverAndPressFollowTheWidthRule) {
    struct Case {
        std::optional<B> active;
        F face;
        bool wider;
        std::array<std::optional<F>, 4> expected; // mini, max, restore, close
    };
    const Case cases[] = {
        {none, F::Normal, false, {F::Normal, F::Normal, none, F::Normal}},
        {none, F::Normal, true, {F::Normal, none, F::Normal, F::Normal}},
        {B::Close, F::Highlight, false, {F::Normal, F::Normal, none, F::Highlight}},
        {B::Close, F::Highlight, true, {F::Normal, none, F::Normal, F::Highlight}},
        {B::Mini, F::Down, false, {F::Down, F::Normal, none, F::Normal}},
        // Maximise and restore share a place: the active one hides the other.
        {B::Max, F::Highlight, true, {F::Normal, F::Highlight, none, F::Normal}},
        {B::Restore, F::Down, false, {F::Normal, none, F::Down, F::Normal}},
        {B::Restore, F::Highlight, true, {F::Normal, none, F::Highlight, F::Normal}},
    };
    for (const Case& c : cases) {
        const CaptionFaces f = captionFaces(c.active, c.face, c.wider);
        EXPECT_EQ(f.faces, c.expected)
            << (c.active ? int(*c.active) : -1) << " " << int(c.face) << " " << c.wider;
    }
}

TEST(WindowSizeArithmetic, ToggleAndCentreTruncateTowardsZero) {
    const WindowSizeRecord rec{1024, 738, 5, 5, 0, 0};
    const QSize screen(1366, 768);
    // Not as wide as the screen: fill it less the taskbar, at 0, 0.
    EXPECT_EQ(ToggledSize(1024, rec, screen), QSize(1366, 738));
    EXPECT_EQ(CenteredWindow(QSize(1366, 738), screen), QRect(0, 0, 1366, 738));
    // As wide: back to the remembered size, centred.
    EXPECT_EQ(ToggledSize(1366, rec, screen), QSize(1024, 738));
    EXPECT_EQ(CenteredWindow(QSize(1024, 738), screen), QRect(171, 0, 1024, 738));
    // Wider than the screen counts as "not as wide".
    EXPECT_EQ(ToggledSize(1400, rec, screen), QSize(1366, 738));
    // (1366 - 1280) / 2 = 43, (768 - 770 - 30) / 2 = -16; (1024 - 1400) / 2 = -188.
    EXPECT_EQ(CenteredWindow(QSize(1280, 770), screen).topLeft(), QPoint(43, -16));
    EXPECT_EQ(CenteredWindow(QSize(1400, 870), QSize(1024, 768)).topLeft(), QPoint(-188, -66));
    EXPECT_EQ(CenteredWindow(QSize(1024, 738), QSize(1025, 769)).topLeft(), QPoint(0, 0));
}

class Frame : public MainFixture {
protected:
    QLabel* pic(B b, F f) { return form->frame().picture(b, f); }
    // The one visible face of a button, or nullopt.
    std::optional<F> shown(B b) {
        std::optional<F> s;
        for (F f : {F::Normal, F::Highlight, F::Down})
            if (pic(b, f)->isVisible()) {
                EXPECT_FALSE(s) << "two faces of one button";
                s = f;
            }
        return s;
    }
    // Hover, press and release on a button as the mouse does it.
    void clickPicture(B b) {
        send(pic(b, F::Normal), QEvent::MouseMove);
        send(pic(b, F::Highlight), QEvent::MouseButtonPress);
        send(pic(b, F::Down), QEvent::MouseButtonRelease);
    }
};

TEST_F(Frame, CaptionPicturesChangeOnHoverPressAndReturnOverTheTitle) {
    start();
    int pictures = 0;
    // The frame's own pictures (the dialogs over the window have theirs).
    for (QLabel* l : child(QStringLiteral("pnlbg"))->findChildren<QLabel*>()) {
        if (!l->objectName().startsWith(QStringLiteral("img_"))) continue;
        EXPECT_EQ(l->parentWidget()->objectName(), QStringLiteral("pnlbg"));
        ++pictures;
    }
    EXPECT_EQ(pictures, 12);
    EXPECT_EQ(shown(B::Max), F::Normal);
    EXPECT_EQ(shown(B::Restore), none);
    EXPECT_EQ(pic(B::Close, F::Normal)->geometry(), QRect(1024 - 40, 0, 39, 20));
    EXPECT_EQ(pic(B::Mini, F::Normal)->geometry(), QRect(1024 - 97, 0, 28, 20));

    send(pic(B::Close, F::Normal), QEvent::MouseMove);
    EXPECT_EQ(shown(B::Close), F::Highlight);
    send(pic(B::Mini, F::Normal), QEvent::MouseMove);
    EXPECT_EQ(shown(B::Mini), F::Highlight);
    EXPECT_EQ(shown(B::Close), F::Normal);
    send(pic(B::Mini, F::Highlight), QEvent::MouseButtonPress);
    EXPECT_EQ(shown(B::Mini), F::Down);
    // Released away from the button: no click.
    send(pic(B::Mini, F::Down), QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(200, 200));
    EXPECT_FALSE(form->isMinimized());
    send(pic(B::Max, F::Normal), QEvent::MouseMove);
    EXPECT_EQ(shown(B::Max), F::Highlight);
    EXPECT_EQ(shown(B::Restore), none);
    send(form->frame().titlePicture(), QEvent::MouseMove);
    for (B b : {B::Mini, B::Max, B::Close}) EXPECT_EQ(shown(b), F::Normal);
    EXPECT_EQ(shown(B::Restore), none);
}

TEST_F(Frame, MaximiseFillsTheScreenAndRestoresCentredWithTheMonthPickerBesideTheLabel) {
    start();
    ASSERT_EQ(form->geometry(), QRect(171, 0, 1024, 738));
    clickPicture(B::Max);
    EXPECT_EQ(form->geometry(), QRect(0, 0, 1366, 738));
    // As wide as the screen, not wider: still the maximise picture.
    EXPECT_EQ(shown(B::Max), F::Normal);
    EXPECT_EQ(shown(B::Restore), none);
    const QWidget* label = form->frame().optionsLabel();
    EXPECT_EQ(form->monthPicker()->pos(), label->pos() - QPoint(242 + 8, 22));
    clickPicture(B::Max);
    EXPECT_EQ(form->geometry(), QRect(171, 0, 1024, 738));
    EXPECT_EQ(form->monthPicker()->pos(), label->pos() - QPoint(250, 22));
    EXPECT_EQ(ends, 0);
}

TEST_F(Frame, AWindowWiderThanTheScreenShowsTheRestorePictureWhichTogglesBack) {
    useScreen(QSize(1280, 1024));
    start();
    // A file cannot open it wider than the screen; the size settings can.
    form->SetWindowSize(1400, 870);
    EXPECT_EQ(shown(B::Restore), F::Normal);
    EXPECT_EQ(shown(B::Max), none);
    send(pic(B::Restore, F::Normal), QEvent::MouseMove);
    EXPECT_EQ(shown(B::Restore), F::Highlight);
    EXPECT_EQ(shown(B::Max), none);
    clickPicture(B::Restore);
    EXPECT_EQ(form->geometry(), QRect(0, 0, 1280, 994));
    EXPECT_EQ(shown(B::Max), F::Normal);
    EXPECT_EQ(shown(B::Restore), none);
}

TEST_F(Frame, TheMonthPickerSitsEightPixelsLeftOfTheOptionsLabelAtTheDesignSize) {
    useScreen(QSize(1600, 1000));
    pf.writeLines(kFormIni, numbers({1327, 829, 0, 0, 0, 0}));
    start();
    ASSERT_EQ(form->size(), TMainForm::kDesignSize);
    EXPECT_EQ(form->monthPicker()->geometry(), QRect(873, 66, 242, 42));
    EXPECT_EQ(form->frame().optionsLabel()->pos(), QPoint(1123, 88));
}

TEST_F(Frame, MinimisingHidesTheDeskBoxesAndRestoringBringsThemBack) {
    start();
    notes::NoteBox* box = form->deskPage().box(20);
    ASSERT_TRUE(box->isVisible());
    clickPicture(B::Mini);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_TRUE(box->isHidden());
    EXPECT_EQ(shown(B::Mini), F::Normal);
    form->setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(box->isHidden());
}

TEST_F(Frame, DraggingMovesTheWindowFromTheBackgroundAndTitleOnly) {
    start();
    int moves = 0;
    form->frame().startMove = [&](Qt::MouseButton) { return ++moves > 0; };
    send(form->frame().backgroundPicture(), QEvent::MouseButtonPress, Qt::RightButton);
    send(form->frame().titlePicture(), QEvent::MouseButtonPress);
    EXPECT_EQ(moves, 2);
    QTest::mousePress(form->deskPage().box(3)->viewport(), Qt::LeftButton);
    QTest::mouseRelease(form->deskPage().box(3)->viewport(), Qt::LeftButton);
    EXPECT_EQ(moves, 2);
}

TEST_F(Frame, CloseSavesTheSizeRecordButExitAndEscDoNot) {
    pf.writeLines(kFormIni, numbers({1024, 738, 171, 0, 0, 2}));
    start();
    form->SetWindowSize(1280, 770);
    // "退出程序" and Esc end without writing.
    form->frame().entry(OptionsEntry::Exit)->trigger();
    EXPECT_EQ(ends, 1);
    form->setFocus();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(pf.readLines(kFormIni), numbers({1024, 738, 171, 0, 0, 2}));
    // Esc while a note box has the focus does not end the program.
    form->deskPage().box(5)->setFocus();
    QTest::keyClick(form->deskPage().box(5), Qt::Key_Escape);
    EXPECT_EQ(ends, 2);

    clickPicture(B::Close);
    EXPECT_EQ(ends, 3);
    EXPECT_EQ(pf.readLines(kFormIni), numbers({1280, 770, 43, -16, 0, 2}));
}

TEST_F(Frame, AFullScreenWindowStoresItsFlagAndKeepsTheRememberedSize) {
    start();
    clickPicture(B::Max);
    clickPicture(B::Close);
    EXPECT_EQ(pf.readLines(kFormIni), numbers({1024, 738, 0, 0, 1, 0}));
    start(); // the next start fills the screen and toggles back to the record
    EXPECT_EQ(form->geometry(), QRect(0, 0, 1366, 738));
    clickPicture(B::Max);
    EXPECT_EQ(form->geometry(), QRect(171, 0, 1024, 738));
}

TEST_F(Frame, AFailedSizeWriteFallsBackToTheDefaultSizeSilently) {
    start();
    form->SetWindowSize(1400, 870);
    // A folder where the file should be: the write cannot replace it.
    QFile::remove(pf.path(kFormIni));
    QDir().mkpath(pf.path(kFormIni));
    clickPicture(B::Close);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(form->sizeRecord().width, 1024);
    EXPECT_EQ(form->sizeRecord().height, 738);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Frame, ClosingOnAFullDiskKeepsTheSizeFileAndSaysSo) {
    pf.writeLines(kFormIni, numbers({1024, 738, 171, 0, 0, 2}));
    start();
    form->SetWindowSize(1280, 770);
    {
        test::FullDisk full(3);
        clickPicture(B::Close);
    }
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(pf.readLines(kFormIni), numbers({1024, 738, 171, 0, 0, 2}));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("磁盘已满，设置未保存"));
}

TEST_F(Frame, TheOptionsMenuListsItsEntriesInOrderWithTheUnbuiltOnesDisabled) {
    // Export and help come on with the main-window commands, not made here.
    start();
    QMenu* menu = form->frame().optionsMenu();
    QStringList shown;
    for (QAction* a : menu->actions())
        shown << (a->isSeparator()
                      ? QStringLiteral("-")
                      : a->text() + (a->isEnabled() ? QString() : QStringLiteral("*")));
    EXPECT_EQ(shown.join(QLatin1Char(' ')),
              QStringLiteral("设置界面大小 选择桌面壁纸 设为桌面背景 - 内容导出* 密码设置 - "
                             "帮助说明* 意见反馈* 退出程序 - 关于 Kuvano*"));
    for (const char* name : {"N_PicSel", "N_SetBG", "N_NoteToTxt", "N5", "N7"})
        EXPECT_NE(menu->findChild<QAction*>(QLatin1String(name)), nullptr) << name;

    // Opened by a press on the label, at its bottom-left corner.
    QLabel* label = form->frame().optionsLabel();
    EXPECT_EQ(label->text(), QStringLiteral("|  选项"));
    form->move(-400, 0); // the menu fits on the test screen where it opens
    send(label, QEvent::MouseButtonPress);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), label->mapToGlobal(QPoint(0, label->height())));
    menu->hide();

    // The size settings open without blocking; the password settings modally.
    form->frame().entry(OptionsEntry::UISize)->trigger();
    EXPECT_TRUE(frmSet->isVisible());
    EXPECT_FALSE(frmSet->isModal());
    frmSet->hide();
    child<QAbstractButton>(QStringLiteral("btnUISize"))->click();
    EXPECT_TRUE(frmSet->isVisible());
    EXPECT_EQ(child(QStringLiteral("btnUISize"))->toolTip(), QStringLiteral("设置窗体大小"));
    frmSet->hide();
    QWidget* modal = nullptr;
    QTimer::singleShot(0, [&] {
        modal = QApplication::activeModalWidget();
        pwset->reject();
    });
    form->frame().entry(OptionsEntry::Password)->trigger();
    EXPECT_EQ(modal, pwset.get());
}

TEST_F(Frame, ARightClickInsideTheWebPanelsBrowserOpensTheEmptyMenu) {
    start();
    // Stand-ins for the browser and the page window inside it.
    auto* browser = new QWidget(form->webPanel());
    auto* inner = new QWidget(browser);
    form->setWebBrowser(browser);
    QSignalSpy opened(form->emptyMenu(), &QMenu::aboutToShow);
    struct Counter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonPress) ++presses;
            return false;
        }
    } seen;
    inner->installEventFilter(&seen);
    QTest::mousePress(inner, Qt::RightButton);
    EXPECT_TRUE(form->emptyMenu()->isVisible());
    form->emptyMenu()->hide();
    QTest::mouseRelease(inner, Qt::RightButton);
    EXPECT_EQ(opened.count(), 2); // press and release each open it
    EXPECT_EQ(seen.presses, 0);   // and never reach the page
    EXPECT_TRUE(form->emptyMenu()->actions().isEmpty());
    form->emptyMenu()->hide();
    QTest::mousePress(inner, Qt::LeftButton);
    QTest::mouseRelease(inner, Qt::LeftButton);
    EXPECT_EQ(seen.presses, 1);
    // Outside the browser a right click is left alone.
    QTest::mousePress(form->deskPage().box(2)->viewport(), Qt::RightButton);
    QTest::mouseRelease(form->deskPage().box(2)->viewport(), Qt::RightButton);
    EXPECT_EQ(opened.count(), 2);
}

TEST_F(Frame, AFileOutOfTheScreenOpensAShownWindowWhollyOnTheScreen) {
    const struct {
        QStringList read, written;
    } cases[] = {
        {numbers({0, 738, 100, 100, 0, 0}), numbers({1024, 738, 100, 30, 0, 0})},
        {numbers({20000, 20000, -5000, -5000, 0, 0}), numbers({1366, 738, 0, 0, 1, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.read.join(QLatin1Char(',')).toStdString());
        pf.writeLines(kFormIni, c.read);
        start();
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(QRect(0, 0, 1366, 768).contains(form->geometry()));
        clickPicture(B::Close); // the file is written anew at the close, as always
        EXPECT_EQ(pf.readLines(kFormIni), c.written);
    }
}

TEST_F(Frame, TheWindowIsPlacedBeforeItIsFirstShown) {
    const struct {
        QStringList file;
        QPoint pos;
    } cases[] = {
        {numbers({1024, 738, 171, 5, 0, 0}), QPoint(171, 5)},
        {numbers({1024, 738, 0, 0, 0, 0}), QPoint(0, 0)},
        {numbers({1024, 738, 50, 50, 1, 0}), QPoint(0, 0)}, // full screen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.join(QLatin1Char(',')).toStdString());
        pf.writeLines(kFormIni, c.file);
        form.reset();
        dm = std::make_unique<notes::TDM>(pf.folder());
        form = std::make_unique<TMainForm>(pf.folder(), *dm);
        ASSERT_FALSE(form->isVisible());
        EXPECT_EQ(form->pos(), c.pos);
        form->show();
        QApplication::processEvents();
        EXPECT_EQ(form->pos(), c.pos); // showing moves it no more
    }
}

// A release counts where it falls on the picture itself: the window's place
// on the screen, as the program believes it, may be stale while the window
// manager moves it.
TEST_F(Frame, ACaptionButtonReleaseIsTestedOnThePictureNotTheScreen) {
    start();
    const auto release = [&](QPoint local, QPoint global) {
        send(pic(B::Close, F::Normal), QEvent::MouseMove);
        send(pic(B::Close, F::Highlight), QEvent::MouseButtonPress);
        QMouseEvent e(QEvent::MouseButtonRelease, QPointF(local), QPointF(global), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pic(B::Close, F::Down), &e);
    };
    QLabel* down = pic(B::Close, F::Down);
    // On the picture, the window believed far away: a click.
    release(QPoint(3, 3), down->mapToGlobal(QPoint(3, 3)) + QPoint(4000, 4000));
    EXPECT_EQ(ends, 1);
    // Off the picture, though the stale global place would say on it: none.
    release(QPoint(-30, 3), down->mapToGlobal(QPoint(3, 3)));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(shown(B::Close), F::Normal);
}

// Without a window manager's move (the offscreen platform has none), and for
// any button but the left one, the window follows the mouse by the frame's
// own hand until that button's release.
TEST_F(Frame, ADragTheWindowSystemDoesNotTakeMovesTheWindowUntilTheRelease) {
    start();
    const auto mouse = [](QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint global) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        SCOPED_TRACE(int(button));
        QWidget* title = form->frame().titlePicture();
        const QPoint start = form->pos();
        const QPoint grip = title->mapToGlobal(QPoint(300, 8));
        mouse(title, QEvent::MouseButtonPress, button, grip);
        mouse(title, QEvent::MouseMove, button, grip + QPoint(40, 25));
        EXPECT_EQ(form->pos(), start + QPoint(40, 25));
        mouse(title, QEvent::MouseMove, button, grip + QPoint(-10, 60));
        EXPECT_EQ(form->pos(), start + QPoint(-10, 60));
        mouse(title, QEvent::MouseButtonRelease, button, grip + QPoint(-10, 60));
        // Released: the window no longer follows the mouse.
        mouse(title, QEvent::MouseMove, button, grip + QPoint(200, 200));
        EXPECT_EQ(form->pos(), start + QPoint(-10, 60));
    }
}

// The stretched pictures (the background and the title strip) are drawn as
// a label's scaled contents draw them, at every window size.
TEST_F(Frame, StretchedPicturesLookAsScaledLabelContents) {
    QProcess assets;
    assets.start(QStringLiteral(KUVANO_MAKE_ASSETS), {pf.path(QString())});
    ASSERT_TRUE(assets.waitForFinished(30000));
    useScreen(QSize(1600, 1000));
    start();
    for (const QSize size : {QSize(1327, 829), QSize(1024, 738)}) {
        form->SetWindowSize(size.width(), size.height());
        for (const char* name : {"imgBackGround", "img1"}) {
            SCOPED_TRACE(name);
            auto* label = child<QLabel>(QLatin1String(name));
            ASSERT_NE(label, nullptr);
            ASSERT_FALSE(label->pixmap().isNull());
            QLabel plain;
            plain.setPixmap(label->pixmap());
            plain.setScaledContents(true);
            plain.resize(label->size());
            // The shots' formats differ (a child's, a window's), not their pixels.
            const auto shot = [](QWidget& w) {
                return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
            };
            EXPECT_TRUE(shot(*label) == shot(plain));
        }
    }
}

// The highlight and down faces are read when the mouse first brings them,
// and show the picture of their file then.
TEST_F(Frame, CaptionFacesAreReadWhenFirstShown) {
    QProcess assets;
    assets.start(QStringLiteral(KUVANO_MAKE_ASSETS), {pf.path(QString())});
    ASSERT_TRUE(assets.waitForFinished(30000));
    start();
    QLabel* highlight = pic(B::Close, F::Highlight);
    EXPECT_FALSE(pic(B::Close, F::Normal)->pixmap().isNull());
    EXPECT_TRUE(highlight->pixmap().isNull());
    send(pic(B::Close, F::Normal), QEvent::MouseMove);
    ASSERT_TRUE(highlight->isVisible());
    const QPixmap file(form->uiFolder() + QStringLiteral("img_close_highlight.png"));
    ASSERT_FALSE(file.isNull());
    EXPECT_TRUE(highlight->pixmap().toImage() == file.toImage());
}
