// What the control paints, read back from its background buffer and from
// grab(): the picture blend and placement, the header names, the selection.
#include "calendarctl/ChnCalendarGrid.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "support/test_support.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace kuvano::calendarctl {
namespace {

const QDateTime kNow(QDate(2011, 6, 30), QTime(10, 30));
const QColor kWhite(255, 255, 255);
const QColor kHalfRed(255, 127, 127); // red blended at 50 over white

QImage solid(int w, int h, QColor fill, QColor topLeft) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    img.setPixelColor(0, 0, topLeft);
    return img;
}

// Number of columns inside r holding ink of colour c drawn over white:
// pixels at least 40% of the way from white towards c, and not off towards
// another colour. Anti-aliased strokes of 12-pixel text rarely reach c itself.
int inkColumns(const QImage& img, const QRect& r, QColor c) {
    const double cr = c.red() - 255.0, cg = c.green() - 255.0, cb = c.blue() - 255.0;
    const double len2 = cr * cr + cg * cg + cb * cb;
    int columns = 0;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QColor p = img.pixelColor(x, y);
            const double pr = p.red() - 255.0, pg = p.green() - 255.0, pb = p.blue() - 255.0;
            const double t = (pr * cr + pg * cg + pb * cb) / len2;
            const double er = pr - t * cr, eg = pg - t * cg, eb = pb - t * cb;
            if (t >= 0.4 && er * er + eg * eg + eb * eb < 0.09 * len2) {
                ++columns;
                break;
            }
        }
    return columns;
}

// Width from the first to the last column of r holding any non-white pixel.
int inkExtent(const QImage& img, const QRect& r) {
    int first = -1, last = -1;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (img.pixelColor(x, y) != QColor(Qt::white)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

// True when every row of r is one colour: nothing but a vertical gradient.
bool rowsUniform(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) != img.pixel(r.left(), y)) return false;
    return true;
}

class ChnCalendarPaint : public ::testing::Test {
protected:
    test::FixedClock clock_{kNow};
    TChnCalendar cal_;

    void SetUp() override { cal_.SetShowBackYearMonth(false); }
    QColor bg(int x, int y) const { return cal_.Background().pixelColor(x, y); }
    // A day cell's rectangle in control coordinates.
    QRect cellInControl(int column, int row) const {
        return cal_.Grid()->cellRect(column, row).translated(cal_.Grid()->pos());
    }
};

TEST_F(ChnCalendarPaint, GroundIsWhiteInsideAGreyFrame) {
    EXPECT_EQ(cal_.Background().size(), QSize(313, 253));
    EXPECT_EQ(bg(0, 0), QColor(128, 128, 128));
    EXPECT_EQ(bg(312, 252), QColor(128, 128, 128));
    EXPECT_EQ(bg(150, 100), kWhite);
    cal_.SetShowFrame(false);
    EXPECT_EQ(bg(0, 0), kWhite);
    cal_.SetShowFrame(true);
    cal_.SetColorShowFrame(255);
    EXPECT_EQ(bg(0, 100), QColor(255, 0, 0));

    // the faint year sits in the upper half of the grid, the month in the lower
    cal_.SetShowBackYearMonth(true);
    cal_.SetColorBackYear(0x0000FF);
    cal_.SetColorBackMonth(0xFF0000);
    const QImage& img = cal_.Background();
    EXPECT_GT(inkColumns(img, QRect(8, 46, 298, 73), QColor(255, 0, 0)), 60);
    EXPECT_EQ(inkColumns(img, QRect(8, 46, 298, 67), QColor(0, 0, 255)), 0);
    EXPECT_GT(inkColumns(img, QRect(8, 113, 298, 113), QColor(0, 0, 255)), 20);
}

TEST_F(ChnCalendarPaint, AlphaBlendIsTakenModuloHundred) {
    cal_.SetBackGround(solid(313, 253, QColor(255, 0, 0), QColor(0, 0, 0)));
    const std::pair<int, QColor> cases[] = {
        {0, kWhite}, {50, kHalfRed}, {100, kWhite}, {150, kHalfRed}, {75, QColor(255, 63, 63)}};
    for (const auto& [alpha, expected] : cases) {
        cal_.SetAlphaBlend(alpha);
        EXPECT_EQ(bg(150, 20), expected) << alpha;
    }
    // the frame under the picture is mixed like any other pixel
    cal_.SetAlphaBlend(50);
    EXPECT_EQ(bg(0, 100), QColor(191, 64, 64));
    // the key pixel itself stays as it was
    EXPECT_EQ(bg(0, 0), QColor(128, 128, 128));

    cal_.SetBackGround(QImage());
    EXPECT_EQ(bg(150, 20), kWhite);
}

TEST_F(ChnCalendarPaint, BlendFollowsTheIntegerFormulaInEveryChannel) {
    cal_.SetShowFrame(false);
    QImage pic(313, 253, QImage::Format_RGB32);
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            pic.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (x * y) & 0xFF, (x + y * 3) & 0xFF));
    pic.setPixel(0, 0, qRgb(1, 2, 3));             // a key no other pixel has
    const QImage under = cal_.Background().copy(); // the buffer without a picture
    for (int alpha : {37, 99, 1}) {
        cal_.SetAlphaBlend(alpha);
        cal_.SetBackGround(pic);
        const QImage& out = cal_.Background();
        int wrong = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb d = under.pixel(x, y), l = pic.pixel(x, y), o = out.pixel(x, y);
                auto mix = [alpha](int buf, int lay) {
                    return ((100 - alpha) * buf + alpha * lay) / 100;
                };
                const QRgb want = (x == 0 && y == 0)
                                      ? d
                                      : qRgb(mix(qRed(d), qRed(l)), mix(qGreen(d), qGreen(l)),
                                             mix(qBlue(d), qBlue(l)));
                if ((o & 0xFFFFFF) != (want & 0xFFFFFF)) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << alpha;
        cal_.SetBackGround(QImage());
    }
}

TEST_F(ChnCalendarPaint, PaintingReusesTheBufferUntilSomethingChanges) {
    cal_.show();
    const qint64 key = cal_.Background().cacheKey();
    cal_.grab();
    cal_.repaint();
    cal_.Grid()->repaint();
    EXPECT_EQ(cal_.Background().cacheKey(), key);
    cal_.SetDateTime(lunar::EncodeDate(2012, 1, 1));
    EXPECT_NE(cal_.Background().cacheKey(), key);
}

TEST_F(ChnCalendarPaint, PixelsOfTheKeyColourAreLeftOut) {
    // a white picture with a red square: its white keeps the grey frame visible
    QImage pic = solid(313, 253, kWhite, kWhite);
    QPainter(&pic).fillRect(100, 100, 50, 50, Qt::red);
    cal_.SetBackGround(pic);
    EXPECT_EQ(bg(0, 120), QColor(128, 128, 128));
    EXPECT_EQ(bg(120, 120), kHalfRed);
    EXPECT_EQ(bg(99, 120), kWhite);

    // the key is any colour the top-left pixel has
    QImage blue = solid(313, 253, QColor(0, 0, 255), QColor(0, 0, 255));
    QPainter(&blue).fillRect(100, 100, 50, 50, Qt::red);
    cal_.SetBackGround(blue);
    EXPECT_EQ(bg(50, 50), kWhite);
    EXPECT_EQ(bg(120, 120), kHalfRed);
}

TEST_F(ChnCalendarPaint, CenterPlacesThePictureAndLeavesTheMarginsUnblended) {
    cal_.SetCenter(true);
    cal_.SetBackGround(solid(101, 51, QColor(255, 0, 0), QColor(255, 0, 0)));
    // (313 - 101) div 2 = 106, (253 - 51) div 2 = 101
    EXPECT_EQ(bg(106, 101), kHalfRed);
    EXPECT_EQ(bg(206, 151), kHalfRed);
    EXPECT_EQ(bg(105, 120), kWhite);
    EXPECT_EQ(bg(207, 120), kWhite);
    EXPECT_EQ(bg(150, 100), kWhite);
    EXPECT_EQ(bg(150, 152), kWhite);

    // neither: at the top-left corner, where its own red becomes the key
    cal_.SetCenter(false);
    EXPECT_EQ(bg(1, 1), kWhite);
    EXPECT_EQ(bg(100, 50), kWhite);
    EXPECT_EQ(bg(0, 20), QColor(128, 128, 128));
}

TEST_F(ChnCalendarPaint, StretchFitsThePictureKeepingItsShape) {
    const QSize layer(313, 253);
    EXPECT_EQ(TChnCalendar::FitRect(QSize(200, 100), layer, false), QRect(0, 0, 313, 156));
    EXPECT_EQ(TChnCalendar::FitRect(QSize(200, 100), layer, true), QRect(0, 48, 313, 156));
    EXPECT_EQ(TChnCalendar::FitRect(QSize(100, 200), layer, true), QRect(93, 0, 126, 253));
    EXPECT_EQ(TChnCalendar::FitRect(QSize(50, 50), layer, true), QRect(30, 0, 253, 253));
    // wider than high but still too high once as wide as the layer
    EXPECT_EQ(TChnCalendar::FitRect(QSize(110, 100), QSize(313, 100), false),
              QRect(0, 0, 110, 100));
    // taller than high but too wide once as high as the layer
    EXPECT_EQ(TChnCalendar::FitRect(QSize(90, 100), QSize(50, 253), false), QRect(0, 0, 50, 55));
    EXPECT_TRUE(TChnCalendar::FitRect(QSize(0, 100), layer, true).isNull());

    cal_.SetStretch(true);
    cal_.SetBackGround(solid(200, 100, QColor(255, 0, 0), QColor(0, 0, 0)));
    EXPECT_EQ(bg(150, 155), kHalfRed);
    EXPECT_EQ(bg(150, 156), kWhite);
    cal_.SetCenter(true); // now the corner is white margin, the key
    EXPECT_EQ(bg(150, 47), kWhite);
    EXPECT_EQ(bg(150, 48), kHalfRed);
    EXPECT_EQ(bg(150, 203), kHalfRed);
    EXPECT_EQ(bg(150, 204), kWhite);
}

TEST_F(ChnCalendarPaint, HeaderNamesDependOnTheCellWidth) {
    auto sundayInk = [&](int controlWidth) {
        cal_.resize(controlWidth, 253);
        cal_.show(); // the layout runs on the resize event
        const QImage shot = cal_.grab().toImage();
        const QRect header = cellInControl(1, 0).adjusted(0, 0, 0, -5); // above the underline
        EXPECT_GT(inkColumns(shot, header, QColor(255, 0, 0)), 0);
        return inkExtent(shot, header);
    };
    // (294 - 15 - 6) div 7 - 1 = 38: "日"
    const int narrow = sundayInk(294);
    EXPECT_EQ(cal_.Grid()->colWidth(1), 38);
    EXPECT_GT(narrow, 6);
    EXPECT_LE(narrow, 13);
    // 39 pixels: the locale's long name, 星期日
    const int wide = sundayInk(301);
    EXPECT_EQ(cal_.Grid()->colWidth(1), 39);
    EXPECT_GE(wide, 30);
}

TEST_F(ChnCalendarPaint, LongWeekdayNamesOnlyWhenAllSevenFit) {
    struct Locale {
        QLocale before;
        Locale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        ~Locale() { QLocale::setDefault(before); }
    } english;
    auto headerInk = [&](int controlWidth, int column) {
        cal_.resize(controlWidth, 253);
        cal_.show();
        const QImage shot = cal_.grab().toImage();
        return inkExtent(shot, cellInControl(column, 0).adjusted(0, 0, 0, -5));
    };
    // 39 pixels: wide enough for Chinese names, not for "Wednesday": "日" and "三".
    for (const int column : {1, 4}) {
        const int ink = headerInk(301, column);
        EXPECT_GT(ink, 6) << column;
        EXPECT_LE(ink, 13) << column;
    }
    // Wide cells: the locale's long names in full.
    EXPECT_GE(headerInk(700, 4), 40);
}

TEST_F(ChnCalendarPaint, SelectionGradientAndFrameFollowHideSelection) {
    cal_.show();
    const QRect cell = cellInControl(5, 5); // June 30
    const QColor frame = toQColor(cal_.ColorSelectedFrame());
    const QColor start = toQColor(cal_.ColorSelectedStart());
    const QColor end = toQColor(cal_.ColorSelectedEnd());
    QImage shot = cal_.grab().toImage();
    EXPECT_EQ(shot.pixelColor(cell.left(), cell.center().y()), frame);
    // inside the frame: the gradient from start to end, darkest at the top
    const QColor top = shot.pixelColor(cell.left() + 1, cell.top() + 1);
    const QColor bottom = shot.pixelColor(cell.left() + 1, cell.bottom() - 1);
    EXPECT_NEAR(top.green(), start.green(), 3);
    EXPECT_NEAR(bottom.green(), end.green(), 3);
    EXPECT_LT(top.green(), bottom.green());
    EXPECT_EQ(top.red(), 0);
    // a cell that is not selected shows the ground
    const QRect other = cellInControl(4, 5);
    EXPECT_EQ(shot.pixelColor(other.left() + 1, other.top() + 1), kWhite);

    cal_.SetHideSelection(true); // the grid has no focus
    shot = cal_.grab().toImage();
    EXPECT_EQ(shot.pixelColor(cell.left(), cell.center().y()), kWhite);
    EXPECT_EQ(shot.pixelColor(cell.left() + 1, cell.top() + 1), kWhite);

    cal_.activateWindow();
    cal_.Grid()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cal_.Grid()->hasFocus(); }));
    shot = cal_.grab().toImage();
    EXPECT_EQ(shot.pixelColor(cell.left(), cell.center().y()), frame);
}

TEST_F(ChnCalendarPaint, DrawEventsReplaceTextsAndCanSuppressTheLabel) {
    cal_.show();
    const QRect cell = cellInControl(5, 5); // June 30, selected
    const QColor frame = toQColor(cal_.ColorSelectedFrame());
    std::vector<int> days;
    cal_.OnDrawDateCell = [&](QObject* sender, int day, QPainter&, const QRect& r, bool selected,
                              QString& text, bool&) {
        EXPECT_EQ(sender, &cal_);
        EXPECT_EQ(r.topLeft(), QPoint(0, 0));
        EXPECT_EQ(selected, day == 30);
        days.push_back(day);
        if (day == 30) text = QStringLiteral("卅");
    };
    cal_.OnDrawCnDateCell = [&](QObject*, int day, QPainter& canvas, const QRect& r, bool, QString&,
                                bool& defaultDraw) {
        if (day != 30) return;
        defaultDraw = false;
        canvas.fillRect(QRect(0, r.height() / 2, 6, 4), Qt::blue);
    };
    QImage shot = cal_.grab().toImage();
    EXPECT_EQ(days.size(), 30u);
    // no label and no frame, the owner's drawing instead
    EXPECT_NE(shot.pixelColor(cell.left(), cell.center().y() - 4), frame);
    EXPECT_EQ(shot.pixelColor(cell.left() + 2, cell.top() + cell.height() / 2 + 1),
              QColor(0, 0, 255));
    const QRect lower(cell.left() + 8, cell.top() + cell.height() / 2, cell.width() - 9,
                      cell.height() - cell.height() / 2 - 1);
    EXPECT_TRUE(rowsUniform(shot, lower));
    // and the day number's replacement text is there, over the same gradient
    const QRect upper(cell.left() + 1, cell.top() + 1, cell.width() - 2, cell.height() / 2 - 1);
    EXPECT_FALSE(rowsUniform(shot, upper));
    // the other days still have their labels
    const QRect lower29 = cellInControl(4, 5).adjusted(2, 13, -2, -2);
    EXPECT_GT(inkColumns(shot, lower29, toQColor(cal_.ColorCnDate())), 6);
}

TEST_F(ChnCalendarPaint, LabelsTakeTheColourOfTheirKind) {
    cal_.show();
    cal_.SetDateTime(lunar::EncodeDate(2011, 10, 15)); // 10-01 国庆节 in cell 7
    const QRect national = cellInControl(7, 1);
    const QRect lower = national.adjusted(1, national.height() / 2, -1, -1);
    QImage shot = cal_.grab().toImage();
    EXPECT_GT(inkColumns(shot, lower, toQColor(cal_.ColorHoliday())), 10);
    cal_.SetColorHoliday(0xFF0000); // blue
    shot = cal_.grab().toImage();
    EXPECT_EQ(inkColumns(shot, lower, QColor(255, 128, 0)), 0);
    EXPECT_GT(inkColumns(shot, lower, QColor(0, 0, 255)), 10);
    // the weekend day number is red, a weekday's grey
    const QRect upper = national.adjusted(1, 1, -1, -national.height() / 2);
    EXPECT_GT(inkColumns(shot, upper, QColor(255, 0, 0)), 2);
}

} // namespace
} // namespace kuvano::calendarctl
