#include "platform/anchors.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kuvano;

TEST(Anchors, KeepDistancesToTheAnchoredEdges) {
    const QSize design(1327, 829), actual(1024, 738);
    // The desk page holder is anchored on all sides: it grows and shrinks.
    EXPECT_EQ(AnchorLayout::resolve(QRect(6, 112, 1109, 697), AnchorAll, design, actual),
              QRect(6, 112, 806, 606));
    // The options label is anchored top and right: it moves with the right edge.
    EXPECT_EQ(
        AnchorLayout::resolve(QRect(1123, 88, 60, 16), AnchorTop | AnchorRight, design, actual),
        QRect(820, 88, 60, 16));
    EXPECT_EQ(
        AnchorLayout::resolve(QRect(1303, 809, 18, 16), AnchorRight | AnchorBottom, design, actual),
        QRect(1000, 718, 18, 16));
    EXPECT_EQ(AnchorLayout::resolve(QRect(15, 19, 225, 62), AnchorTopLeft, design, actual),
              QRect(15, 19, 225, 62));
}
