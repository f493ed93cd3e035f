#include "platform/app_icon.h"

#include <QDialog>
#include <QGuiApplication>
#include <QXmlStreamReader>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;

TEST(AppIcon, ADeskCalendarPageAtEverySizeAndAsSvg) {
    // At 16 px, pixel by pixel: ring, red header, white page, grey and marked days.
    const QImage small = drawAppIcon(16);
    ASSERT_EQ(small.size(), QSize(16, 16));
    const auto rgb = [&small](int x, int y) { return small.pixelColor(x, y); };
    EXPECT_EQ(rgb(0, 0).alpha(), 0);
    EXPECT_LT(rgb(4, 1).lightness(), 100);             // a binding ring
    EXPECT_GT(rgb(8, 3).red(), 2 * rgb(8, 3).green()); // the red header
    EXPECT_EQ(rgb(8, 6), QColor(Qt::white));
    EXPECT_EQ(rgb(3, 7), rgb(11, 10)); // grey days alike
    EXPECT_NE(rgb(3, 7), QColor(Qt::white));
    EXPECT_EQ(rgb(7, 10), rgb(8, 3));       // the marked day in the header's red
    EXPECT_LT(rgb(1, 10).lightness(), 160); // the page's edge
    for (const int size : kAppIconSizes) EXPECT_EQ(drawAppIcon(size).size(), QSize(size, size));

    QXmlStreamReader svg(appIconSvg());
    int paths = 0;
    while (svg.readNextStartElement()) {
        if (svg.name() == QLatin1String("svg")) {
            EXPECT_EQ(svg.attributes().value(QLatin1String("viewBox")), QLatin1String("0 0 16 16"));
        }
        if (svg.name() == QLatin1String("path")) {
            ++paths;
            EXPECT_TRUE(svg.attributes().value(QLatin1String("d")).startsWith(QLatin1Char('M')));
        }
        if (svg.name() != QLatin1String("svg")) svg.skipCurrentElement();
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_GE(paths, 10);
}

TEST(AppIcon, EveryWindowCarriesTheIconAndTheDesktopEntryIsNamed) {
    setDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), appId());
    EXPECT_FALSE(appId().contains(QLatin1Char('/')));
    QDialog dialog;
    const QList<QSize> sizes = dialog.windowIcon().availableSizes();
    for (const int size : kAppIconSizes) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

TEST(AppIcon, AtStartTheIconFollowsTheFirstFrame) {
    QGuiApplication::setWindowIcon(QIcon());
    QWidget first;
    setDesktopIdentityAfterFirstFrame(first);
    EXPECT_EQ(QGuiApplication::desktopFileName(), appId());
    EXPECT_TRUE(QGuiApplication::windowIcon().isNull());
    first.show();
    QTRY_VERIFY(!QGuiApplication::windowIcon().isNull());
    EXPECT_FALSE(first.windowIcon().isNull());
}
