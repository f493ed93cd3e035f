#include "picture_support.h"
#include "support/test_support.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/jpeg_codec.h"
#include "wallpaper/uPicSel.h"
#include "wallpaper/window_parts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace kuvano::wallpaper;
using kuvano::test::MessageRecorder;
using kuvano::test::TempProgramFolder;

namespace {

const QString kList = QStringLiteral("DB3/BGPicList.ini");

QImage picture(int w, int h, QRgb colour = qRgb(90, 140, 200)) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class PicSel : public ::testing::Test {
protected:
    TempProgramFolder pf;
    QTemporaryDir outside; // where the user's own pictures are
    MessageRecorder messages;
    std::unique_ptr<TPicSelFrm> form;

    void open(const QStringList& list = {}) {
        if (!list.isEmpty()) pf.writeLines(kList, list);
        form = std::make_unique<TPicSelFrm>(pf.folder());
        form->show();
    }
    QString own(const QString& name) const { return outside.filePath(name); }
    QString inFolder(const QString& name) const {
        return pf.path(QStringLiteral("source/DeskTopBG/") + name);
    }
    // "添  加" with the file dialog answering `file`; the filter it was given.
    QString add(const QString& file) {
        kuvano::test::FileDialogAnswerer files({file});
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("btnAdd")), Qt::LeftButton);
        return files.requests().empty() ? QString() : files.requests().front().filter;
    }
    void select(int row) {
        auto* list = form->findChild<QTreeWidget*>(QStringLiteral("LVpic"));
        list->clearSelection();
        if (row >= 0) list->topLevelItem(row)->setSelected(true);
    }
    void press(const char* button) {
        QTest::mouseClick(form->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    QStringList messageTexts() const {
        QStringList out;
        for (const auto& m : messages.messages()) out.append(m.text);
        return out;
    }
};

} // namespace

TEST_F(PicSel, ShowingLoadsTheListAndWritesTheDefaultWhenMissing) {
    open();
    EXPECT_EQ(form->rows(), QStringList{QStringLiteral("A1.bmp")});
    EXPECT_EQ(form->chosen, QStringLiteral("A1.bmp"));
    EXPECT_EQ(pf.readLines(kList),
              (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp")}));

    pf.writeLines(kList, {QStringLiteral("B.bmp"), QStringLiteral("A1.bmp"),
                          QStringLiteral("B.bmp"), QStringLiteral("C.bmp")});
    form->hide();
    form->show(); // every showing reloads
    EXPECT_EQ(form->rows(), (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("B.bmp"),
                                         QStringLiteral("C.bmp")}));
    EXPECT_EQ(form->chosen, QStringLiteral("B.bmp"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("背景图片选择"));
    EXPECT_EQ(form->size(), QSize(524, 286));
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("lblTishi"))
                    ->text()
                    .startsWith(QStringLiteral("注：可添加多个壁纸")));
}

TEST_F(PicSel, AddingCopiesConvertsAndShrinksWidePictures) {
    open();
    kuvano::test::writeFileBytes(own(QStringLiteral("photo.JPG")),
                                 encodeJpeg(picture(640, 480), 90));
    saveBmp(picture(1600, 1200), own(QStringLiteral("wide.bmp")));
    saveBmp(picture(1280, 1024), own(QStringLiteral("tall.bmp")));

    EXPECT_TRUE(add(own(QStringLiteral("photo.JPG"))).contains(QStringLiteral("*.jpeg")));
    EXPECT_TRUE(QFile::exists(inFolder(QStringLiteral("photo.JPG"))));
    EXPECT_EQ(loadBmp(inFolder(QStringLiteral("photo.bmp"))).size(), QSize(640, 480));
    add(own(QStringLiteral("wide.bmp")));
    EXPECT_EQ(loadBmp(inFolder(QStringLiteral("wide.bmp"))).size(), QSize(1280, 768));
    add(own(QStringLiteral("tall.bmp")));
    EXPECT_EQ(kuvano::test::fileBytes(inFolder(QStringLiteral("tall.bmp"))),
              kuvano::test::fileBytes(own(QStringLiteral("tall.bmp"))));
    add(own(QStringLiteral("tall.bmp"))); // twice: two rows

    const QStringList rows = {QStringLiteral("A1.bmp"), QStringLiteral("photo.bmp"),
                              QStringLiteral("wide.bmp"), QStringLiteral("tall.bmp"),
                              QStringLiteral("tall.bmp")};
    EXPECT_EQ(form->rows(), rows);
    EXPECT_EQ(pf.readLines(kList), QStringList{QStringLiteral("A1.bmp")} + rows);
    EXPECT_EQ(form->chosen, QStringLiteral("A1.bmp"));
    EXPECT_TRUE(messages.messages().empty());

    // Cancelling the file dialog does nothing.
    add(QString());
    EXPECT_EQ(form->rows(), rows);
}

TEST_F(PicSel, BadPicturesGiveTheirMessageAndLeaveTheList) {
    open();
    const QByteArray before = pf.readBytes(kList);
    kuvano::test::writeFileBytes(own(QStringLiteral("fake.gif")), encodeJpeg(picture(8, 8), 90));
    kuvano::test::writeFileBytes(
        own(QStringLiteral("png.bmp")),
        kuvano::test::fileBytes(kuvano::test::dataPath(QStringLiteral("wallpaper/pattern.png"))));
    kuvano::test::writeFileBytes(own(QStringLiteral("cut.jpg")),
                                 encodeJpeg(picture(64, 64), 90).left(200));
    kuvano::test::writeFileBytes(own(QStringLiteral("notes.txt")), QByteArray("hello"));
    const struct {
        const char* file;
        const char16_t* message;
    } cases[] = {
        {"fake.gif", u"添加失败，请重试！"},        {"cut.jpg", u"添加失败，请重试！"},
        {"notes.txt", u"添加失败，请重试！"},       {"missing.bmp", u"添加失败，请重试！"},
        {"png.bmp", u"添加背景图片异常，请重试！"},
    };
    for (const auto& c : cases) {
        messages.clear();
        add(own(QString::fromLatin1(c.file)));
        EXPECT_EQ(messageTexts(), QStringList{QString::fromUtf16(c.message)}) << c.file;
        EXPECT_EQ(form->rows(), QStringList{QStringLiteral("A1.bmp")}) << c.file;
        EXPECT_EQ(pf.readBytes(kList), before) << c.file;
    }
}

// Picking a picture that already lies in the pictures folder must not delete
// it by copying it over itself.
TEST_F(PicSel, AddingAPictureFromThePicturesFolderKeepsIt) {
    open();
    saveBmp(picture(800, 600), inFolder(QStringLiteral("here.bmp")));
    const QByteArray bytes = kuvano::test::fileBytes(inFolder(QStringLiteral("here.bmp")));
    add(inFolder(QStringLiteral("here.bmp")));
    EXPECT_EQ(kuvano::test::fileBytes(inFolder(QStringLiteral("here.bmp"))), bytes);
    EXPECT_EQ(form->rows().last(), QStringLiteral("here.bmp"));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PicSel, RemovingKeepsA1AndTheFiles) {
    open({QStringLiteral("B.bmp"), QStringLiteral("A1.bmp"), QStringLiteral("B.bmp"),
          QStringLiteral("C.bmp")});
    // Nothing selected: nothing happens, the file is not written.
    pf.writeBytes(kList, "B.bmp\nA1.bmp\nB.bmp\nC.bmp\n");
    select(-1);
    press("btnRemove");
    EXPECT_EQ(pf.readBytes(kList), QByteArray("B.bmp\nA1.bmp\nB.bmp\nC.bmp\n"));

    select(1); // the chosen B.bmp: A1.bmp becomes the chosen background
    press("btnRemove");
    EXPECT_EQ(form->chosen, QStringLiteral("A1.bmp"));
    EXPECT_EQ(form->rows(), (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("C.bmp")}));
    EXPECT_EQ(pf.readBytes(kList), QByteArray("A1.bmp\r\nA1.bmp\r\nC.bmp\r\n"));

    pf.writeBytes(kList, "A1.bmp\nA1.bmp\nC.bmp\n");
    select(0); // A1.bmp stays, but the file is written again
    press("btnRemove");
    EXPECT_EQ(form->rows(), (QStringList{QStringLiteral("A1.bmp"), QStringLiteral("C.bmp")}));
    EXPECT_EQ(pf.readBytes(kList), QByteArray("A1.bmp\r\nA1.bmp\r\nC.bmp\r\n"));
}

TEST_F(PicSel, OkChoosesTheSelectedRowAndClosing) {
    open({QStringLiteral("A1.bmp"), QStringLiteral("A1.bmp"), QStringLiteral("B.bmp")});
    pf.writeBytes(kList, "A1.bmp\nA1.bmp\nB.bmp\n");
    select(0); // already chosen: closes without writing
    press("btnOk");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(pf.readBytes(kList), QByteArray("A1.bmp\nA1.bmp\nB.bmp\n"));

    form->show();
    select(-1); // nothing selected: closes without writing
    press("btnOk");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(pf.readBytes(kList), QByteArray("A1.bmp\nA1.bmp\nB.bmp\n"));

    form->show();
    select(1);
    press("btnOk");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->chosen, QStringLiteral("B.bmp"));
    EXPECT_EQ(pf.readBytes(kList), QByteArray("B.bmp\r\nA1.bmp\r\nB.bmp\r\n"));

    // The close picture: three faces, and a click closes.
    form->show();
    auto* close = form->findChild<ImageButton*>(QStringLiteral("img_close_highlight"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(485, 0, 39, 20));
    QTest::mousePress(close, Qt::LeftButton);
    EXPECT_EQ(close->face(), ImageButton::Face::Down);
    QTest::mouseRelease(close, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
}
