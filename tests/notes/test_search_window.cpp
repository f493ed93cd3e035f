#include "lock/typing.h"
#include "notes/SearchWindow.h"
#include "store/untdb.h"
#include "support/search_notes.h"
#include "support/test_support.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QThread>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::notes;
using namespace kuvano::test;

namespace {

// Records how the window asks for a note to be shown.
class FakeNavigator : public SearchNavigator {
public:
    QStringList calls;
    bool boxThere = true;
    void ShowPageAt(NotePage page, const QDate& date) override {
        calls.append(QStringLiteral("show %1 %2").arg(int(page)).arg(date.toString(Qt::ISODate)));
    }
    bool FocusBox(NotePage page, int box) override {
        calls.append(QStringLiteral("focus %1 %2").arg(int(page)).arg(box));
        return boxThere;
    }
    void SelectRange(int start, int length) override {
        calls.append(QStringLiteral("select %1 %2").arg(start).arg(length));
    }
};

class SearchWindowTest : public ::testing::Test {
protected:
    TempProgramFolder pf;
    std::unique_ptr<TDM> dm = std::make_unique<TDM>(pf.folder());
    FakeNavigator nav;
    std::unique_ptr<SearchWindow> frm;

    void open() {
        frm = std::make_unique<SearchWindow>(*dm, nav);
        frm->Popup();
        QApplication::processEvents();
    }
    template <typename T> T* child(const char* name) {
        return frm->findChild<T*>(QString::fromLatin1(name));
    }
    QTreeWidget* list() { return child<QTreeWidget>("lvResults"); }
    QLineEdit* field() { return child<QLineEdit>("edtSearch"); }
    QStringList row(int r) {
        QTreeWidgetItem* item = list()->topLevelItem(r);
        return {item->text(0), item->text(1), item->text(2)};
    }
};

} // namespace

TEST_F(SearchWindowTest, TypingListsTheNotesNewestFirstAndEnterShowsOne) {
    putNote(*dm, kDeskTable, QStringLiteral("20105"), 1, QStringLiteral("下午 张老师来电"));
    putNote(*dm, kDayTable, QStringLiteral("2010-6-2"), 1, QStringLiteral("张老师生日"));
    putNote(*dm, kMemoTable, QStringLiteral("bwl"), 3, QStringLiteral("张老师电话 13800"));
    open();
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("搜索笔记"));
    typeText(field(), QStringLiteral("张老"));
    EXPECT_EQ(list()->topLevelItemCount(), 0) << "the list waits for a pause in the typing";
    QTRY_COMPARE(list()->topLevelItemCount(), 3);
    EXPECT_EQ(row(0), (QStringList{QStringLiteral("备忘录"), QString(),
                                   QStringLiteral("张老师电话 13800")}));
    EXPECT_EQ(row(1), (QStringList{QStringLiteral("日安排"), QStringLiteral("2010-6-2"),
                                   QStringLiteral("张老师生日")}));
    EXPECT_EQ(row(2), (QStringList{QStringLiteral("桌面月历"), QStringLiteral("2010-4-25"),
                                   QStringLiteral("下午 张老师来电")}));
    EXPECT_EQ(child<QLabel>("lblStatus")->text(), QStringLiteral("找到 3 条"));

    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(nav.calls, (QStringList{QStringLiteral("show 6 "), QStringLiteral("focus 6 3"),
                                      QStringLiteral("select 0 2")}));
    EXPECT_FALSE(frm->isVisible()) << "out of the way of the note";
    nav.calls.clear();
    frm->Popup(); // Ctrl+F again: the same text and list
    EXPECT_EQ(field()->text(), QStringLiteral("张老"));
    ASSERT_EQ(list()->topLevelItemCount(), 3);
    QTest::keyClick(field(), Qt::Key_Down); // the list moves, the typing stays in the field
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(nav.calls, (QStringList{QStringLiteral("show 2 2010-06-02"),
                                      QStringLiteral("focus 2 1"), QStringLiteral("select 0 2")}));
    nav.calls.clear();
    frm->Popup();
    QTreeWidgetItem* desk = list()->topLevelItem(2);
    const QRect r = list()->visualItemRect(desk);
    QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(nav.calls, (QStringList{QStringLiteral("show 1 2010-05-01"),
                                      QStringLiteral("focus 1 1"), QStringLiteral("select 3 2")}));

    frm->Popup();
    // Enter right after typing, before the pause: the note of the new text.
    nav.calls.clear();
    field()->setText(QStringLiteral("张老师生日"));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(nav.calls.value(0), QStringLiteral("show 2 2010-06-02"));

    // A longer query goes through the full-text index; an edit updates the list.
    frm->Popup();
    field()->setText(QStringLiteral("张老师来电"));
    QTRY_COMPARE(list()->topLevelItemCount(), 1);
    field()->setText(QStringLiteral("没有这几个字"));
    QTRY_COMPARE(child<QLabel>("lblStatus")->text(), QStringLiteral("没有找到"));
    EXPECT_EQ(list()->topLevelItemCount(), 0);
}

TEST_F(SearchWindowTest, EscClosesAndAMissingBoxGetsNoSelection) {
    putNote(*dm, kYearTable, QStringLiteral("2011"), 12, QStringLiteral("年终总结"));
    open();
    nav.boxThere = false;
    field()->setText(QStringLiteral("总结"));
    frm->Search();
    ASSERT_EQ(list()->topLevelItemCount(), 1);
    EXPECT_EQ(row(0), (QStringList{QStringLiteral("年记事"), QStringLiteral("2011年12月"),
                                   QStringLiteral("年终总结")}));
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(nav.calls,
              (QStringList{QStringLiteral("show 5 2011-12-01"), QStringLiteral("focus 5 12")}));
    EXPECT_TRUE(frm->isVisible()) << "nothing was shown: the list stays";
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(SearchWindowTest, SaysTheIndexIsBeingBuiltUntilItIsReady) {
    dm.reset();
    QFile::remove(pf.path(TDM::relativePath()));
    {
        sql::Database db;
        db.create(pf.path(TDM::relativePath()), NotesSchemaSql(), 2000);
        for (int d = 1; d <= 30; ++d)
            putNoteBehindBack(db, kDayTable, QStringLiteral("2010-9-%1").arg(d), 1,
                              QStringLiteral("九月的笔记 %1").arg(d));
    }
    dm = std::make_unique<TDM>(pf.folder());
    BuildOptions slow;
    slow.batchNotes = 2;
    slow.afterBatch = [](int, int) { QThread::msleep(40); };
    dm->searchIndex()->startBuild(slow);
    open();
    field()->setText(QStringLiteral("九月的"));
    auto* bar = child<QProgressBar>("pbIndex");
    QTRY_VERIFY(bar->isVisible() && bar->format().startsWith(QStringLiteral("正在建立索引…")));
    QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 30000);
    // The list made while building is made again when the build ends.
    QTRY_COMPARE(list()->topLevelItemCount(), 30);
}

TEST_F(SearchWindowTest, WithoutADatabaseSaysWhy) {
    dm.reset();
    QFile::remove(pf.path(TDM::relativePath()));
    QDir().mkpath(pf.path(TDM::relativePath())); // a folder where the file should be
    dm = std::make_unique<TDM>(pf.folder());
    ASSERT_FALSE(dm->connected());
    open();
    field()->setText(QStringLiteral("随便"));
    frm->Search();
    EXPECT_TRUE(child<QLabel>("lblStatus")->text().startsWith(QStringLiteral("无法搜索：")));
}

TEST_F(SearchWindowTest, TheHitIsMarkedInTheSnippet) {
    putNote(*dm, kGeneralTable, QStringLiteral("20107"), 5,
            QStringLiteral("七月五日 带孩子去动物园，下午体检"));
    open();
    frm->resize(640, 300);
    field()->setText(QStringLiteral("动物园"));
    frm->Search();
    ASSERT_EQ(list()->topLevelItemCount(), 1);
    EXPECT_EQ(row(0).mid(0, 2),
              (QStringList{QStringLiteral("月记事"), QStringLiteral("2010年7月")}));
    list()->clearSelection();
    list()->setCurrentItem(nullptr);
    const QImage shot = frm->grab().toImage();
    int marked = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) == QColor(255, 228, 110)) ++marked;
    EXPECT_GT(marked, 30) << "the words found stand on their mark";
}
