#include "notes/PageLayouts.h"

#include <gtest/gtest.h>

using namespace kuvano::notes;

namespace {
// The page sheet at each of the four window sizes (and the design size).
const QSize kSheets[] = {QSize(798, 596), QSize(1054, 628), QSize(1140, 596), QSize(1174, 728),
                         QSize(1101, 687)};
constexpr int kCalendarWidth = 313; // the full calendar control

// Row (0-based) of box i: odd boxes left, even boxes right, a pair a row.
int row(int i) {
    return (i - 1) / 2;
}
// Where the grid line under row r lies.
int lineY(const RuledGridSize& g, int r) {
    return r * (g.rowHeight + 1) + g.rowHeight;
}
} // namespace

TEST(YearLayout, DesignFigures) {
    const YearLayoutRects r = YearLayout(QSize(1101, 687));
    EXPECT_EQ(r.lineLeft, (std::array<int, 5>{0, 275, 550, 825, 1100}));
    EXPECT_EQ(r.titleTop, (std::array<int, 3>{0, 229, 458}));
    for (int m = 1; m <= 12; ++m) {
        const QRect& b = r.boxes[size_t(m - 1)];
        const int rowIndex = (m - 1) / 4, col = (m - 1) % 4;
        EXPECT_EQ(b.width(), 274) << m;
        EXPECT_EQ(b.left(), r.lineLeft[size_t(col)] + 1) << m;
        EXPECT_EQ(b.top(), r.titleTop[size_t(rowIndex)] + 26) << m;
        EXPECT_EQ(b.height(), rowIndex < 2 ? 203 : 201) << m;
        const int labelLefts[] = {119, 393, 667, 941};
        EXPECT_EQ(r.labels[size_t(m - 1)],
                  QPoint(labelLefts[col], r.titleTop[size_t(rowIndex)] + 6))
            << m;
    }
}

TEST(YearLayout, BoxesStayBetweenTheirLinesAndAboveTheNextTitleAtEverySize) {
    for (const QSize& s : kSheets) {
        SCOPED_TRACE(s.width());
        const YearLayoutRects r = YearLayout(s);
        for (int m = 1; m <= 12; ++m) {
            const QRect& b = r.boxes[size_t(m - 1)];
            const int col = (m - 1) % 4, rowIndex = (m - 1) / 4;
            EXPECT_LT(b.right(), r.lineLeft[size_t(col) + 1]) << m;
            // Above the next title; the last row may reach the bottom line's first pixel.
            const int next = rowIndex < 2 ? r.titleTop[size_t(rowIndex) + 1] : s.height() - 2;
            EXPECT_LT(b.bottom(), next) << m;
        }
    }
}

TEST(GeneralLayout, DesignFiguresStepByThirtyTwo) {
    const GeneralLayoutRects r = GeneralLayout(QSize(1101, 687));
    EXPECT_EQ(r.grid.columnWidth, 547);
    EXPECT_EQ(r.grid.rowHeight, 31); // plus the line: 32 a row
    EXPECT_EQ(r.boxes[0], QRect(2, 6, 536, kLineBoxHeight));
    EXPECT_EQ(r.boxes[1], QRect(563, 6, 536, kLineBoxHeight));
    for (int i = 3; i <= 42; ++i) {
        EXPECT_EQ(r.boxes[size_t(i - 1)].top() - r.boxes[size_t(i - 3)].top(), 32) << i;
        EXPECT_EQ(r.boxes[size_t(i - 1)].left(), r.boxes[size_t(i % 2 ? 0 : 1)].left()) << i;
    }
    EXPECT_EQ(r.hide, QRect(539, -3, 24, 692));
}

// Each box lies on its own row: below the line over it, above the line under it.
// The calendar page's right column below the control starts 4 pixels further
// right than the one above it and may end up to 3 pixels past the page's
// edge, where the panel clips it.
TEST(LineLayouts, EveryBoxSitsOnItsRowAndInsideThePageAtEverySize) {
    for (const QSize& s : kSheets) {
        SCOPED_TRACE(s.width());
        const GeneralLayoutRects g = GeneralLayout(s);
        const CalendarLayoutRects c = CalendarLayout(s, kCalendarWidth);
        for (const auto* boxes : {&g.boxes, &c.boxes}) {
            for (int i = 1; i <= 42; ++i) {
                const QRect& b = (*boxes)[size_t(i - 1)];
                EXPECT_GT(b.top(), row(i) == 0 ? 0 : lineY(g.grid, row(i) - 1)) << i;
                EXPECT_LT(b.bottom(), lineY(g.grid, row(i))) << i;
                EXPECT_GE(b.left(), 0) << i;
                const int overhang = boxes == &c.boxes && i >= 32 && i % 2 == 0 ? 3 : 0;
                EXPECT_LT(b.right(), s.width() + overhang) << i;
            }
        }
        // The strip covers the gap between the columns and no box.
        EXPECT_GT(g.hide.left(), g.boxes[0].right());
        EXPECT_LT(g.hide.right(), g.boxes[1].left());
        EXPECT_EQ(g.hide.top(), -3);
        EXPECT_EQ(g.hide.bottom(), s.height() + 1);
    }
}

TEST(CalendarLayout, TheControlSitsCentredBetweenTheBoxesBesideIt) {
    const CalendarLayoutRects r = CalendarLayout(QSize(1101, 687), kCalendarWidth);
    EXPECT_EQ(r.calendar, QPoint(394, 186)); // (1101 - 313) div 2; box 11's top + 20
    EXPECT_EQ(r.boxes[12], QRect(4, 198, 380, kLineBoxHeight));   // 547 - 156 - 11 wide
    EXPECT_EQ(r.boxes[13], QRect(711, 198, 380, kLineBoxHeight)); // 394 + 313 + 4
    EXPECT_EQ(r.boxes[29].left(), 711);
    EXPECT_EQ(r.boxes[30], QRect(6, 486, 536, kLineBoxHeight));
    EXPECT_EQ(r.boxes[31], QRect(567, 486, 536, kLineBoxHeight));
    EXPECT_EQ(r.boxes[41].left(), 567);
    EXPECT_EQ(r.split, QRect(539, -3, 24, 692));

    // At every size the 253-pixel-high control fits between box 12 and box 31,
    // and the boxes beside it keep clear of it.
    for (const QSize& s : kSheets) {
        SCOPED_TRACE(s.width());
        const CalendarLayoutRects c = CalendarLayout(s, kCalendarWidth);
        const QRect control(c.calendar, QSize(kCalendarWidth, 253));
        EXPECT_GT(control.top(), c.boxes[11].bottom());
        EXPECT_LT(control.bottom(), c.boxes[30].top());
        for (int i = 13; i <= 30; ++i) {
            const QRect& b = c.boxes[size_t(i - 1)];
            if (i % 2)
                EXPECT_LT(b.right(), control.left()) << i;
            else
                EXPECT_GT(b.left(), control.right()) << i;
        }
    }
}
