#include "picture_support.h"
#include "wallpaper/picture_error.h"
#include "wallpaper/uPicMix.h"

#include <gtest/gtest.h>

using namespace kuvano::wallpaper;

namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(Mix, PlacementOfTheContentOnTheBackground) {
    const struct {
        QSize content, background;
        bool contentReceives;
        int left, top;
    } cases[] = {
        {{750, 500}, {1024, 768}, false, 224, 30},
        {{750, 500}, {1280, 768}, false, 480, 30},
        {{660, 500}, {1024, 768}, false, 314, 30},
        {{660, 500}, {1280, 768}, false, 570, 30},
        // A background not taller than the content: the content receives, no offset.
        {{750, 500}, {1024, 500}, true, 224, 0},
        {{750, 500}, {800, 300}, true, 0, 0},
    };
    for (const auto& c : cases) {
        const MixPlacement m = PlaceMix(c.content, c.background, 30);
        EXPECT_EQ(m.contentReceives, c.contentReceives);
        EXPECT_EQ(m.left, c.left);
        EXPECT_EQ(m.top, c.top);
        EXPECT_EQ(m.rows, std::min(c.content.height(), c.background.height()));
    }
}

// d + (s - d) * w / 100 on every byte, truncated toward zero; pure white laid
// pixels leave the pixel under them alone.
TEST(Mix, IntegerBlendAndTheWhiteRule) {
    const struct {
        QRgb laid, under;
        int weight;
        QRgb expected;
    } cases[] = {
        {qRgb(255, 255, 255), qRgb(10, 20, 30), 50, qRgb(10, 20, 30)},   // white: transparent
        {qRgb(0, 0, 0), qRgb(255, 255, 255), 50, qRgb(128, 128, 128)},   // 0 over 255
        {qRgb(255, 255, 254), qRgb(0, 0, 0), 50, qRgb(127, 127, 127)},   // near white blends
        {qRgb(0, 0, 0), qRgb(255, 255, 255), 30, qRgb(179, 179, 179)},   // -76.5 -> -76
        {qRgb(200, 100, 0), qRgb(0, 100, 201), 50, qRgb(100, 100, 101)}, // -100.5 -> -100
        {qRgb(1, 2, 3), qRgb(9, 9, 9), 100, qRgb(1, 2, 3)},
        {qRgb(1, 2, 3), qRgb(9, 9, 9), 0, qRgb(9, 9, 9)},
    };
    for (const auto& c : cases) {
        QImage content = filled(4, 2, c.laid);
        QImage background = filled(60, 10, c.under);
        QImage& out = MixPictures(content, background, c.weight, 3);
        EXPECT_EQ(&out, &background);
        EXPECT_EQ(out.pixel(6, 3) & 0xffffff, c.expected & 0xffffff) << std::hex << c.laid;
        EXPECT_EQ(out.pixel(5, 3), c.under) << "left of the laid picture";
        EXPECT_EQ(out.pixel(10, 3), c.under) << "50 pixels from the right edge";
        EXPECT_EQ(out.pixel(6, 2), c.under) << "above the row offset";
        EXPECT_EQ(out.pixel(6, 5), c.under) << "below the laid rows";
    }
}

TEST(Mix, ConvertsAnyDepthAndClipsColumnsOutsideTheReceiver) {
    // An indexed content onto a 24-bit background.
    QImage content(750, 500, QImage::Format_Indexed8);
    content.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    content.fill(0);
    content.setPixel(0, 0, 1);
    content.setPixel(749, 499, 1);
    QImage background =
        filled(1280, 768, qRgb(255, 255, 255)).convertToFormat(QImage::Format_RGB888);
    QImage& out = MixPictures(content, background, 50, 30);
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
    EXPECT_EQ(out.pixel(480, 30), qRgb(128, 128, 128));
    EXPECT_EQ(out.pixel(1229, 529), qRgb(128, 128, 128));

    // A background narrower than the content plus 50: the left columns fall off.
    QImage narrowContent = filled(750, 500, qRgb(0, 0, 0));
    QImage narrow = filled(760, 768, qRgb(255, 255, 255));
    MixPictures(narrowContent, narrow, 50, 30);
    EXPECT_EQ(narrow.pixel(0, 30), qRgb(128, 128, 128));
    EXPECT_EQ(narrow.pixel(709, 30), qRgb(128, 128, 128));
    EXPECT_EQ(narrow.pixel(710, 30), qRgb(255, 255, 255));

    // A background not taller but wider: laid on the content, clipped to it.
    QImage wideContent = filled(750, 500, qRgb(255, 255, 255));
    QImage wide = filled(1024, 400, qRgb(0, 0, 0));
    QImage& received = MixPictures(wideContent, wide, 50, 30);
    EXPECT_EQ(&received, &wideContent);
    EXPECT_EQ(received.pixel(223, 0), qRgb(255, 255, 255));
    EXPECT_EQ(received.pixel(224, 0), qRgb(128, 128, 128));
    EXPECT_EQ(received.pixel(749, 399), qRgb(128, 128, 128));
    EXPECT_EQ(received.pixel(749, 400), qRgb(255, 255, 255));
}

TEST(Mix, ABackgroundLessThan30RowsTallerIsAnError) {
    QImage content = filled(750, 500, qRgb(0, 0, 0));
    QImage background = filled(1024, 520, qRgb(255, 255, 255));
    EXPECT_THROW(MixPictures(content, background, 50, 30), PictureError);
    QImage exact = filled(1024, 530, qRgb(255, 255, 255));
    EXPECT_NO_THROW(MixPictures(content, exact, 50, 30));
    QImage none;
    EXPECT_THROW(MixPictures(content, none, 50, 30), PictureError);
}

TEST(Mix, ABackgroundSmallerThanTheContentIsAnErrorThatChangesNothing) {
    for (const QSize size : {QSize(600, 400), QSize(1, 1), QSize(749, 500)}) {
        QImage content = filled(750, 500, qRgb(0, 0, 0));
        QImage background = filled(size.width(), size.height(), qRgb(10, 20, 30));
        try {
            MixPictures(content, background, 50, 30);
            ADD_FAILURE() << size.width() << "x" << size.height() << " mixed";
        } catch (const PictureError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("小"))) << e.message().toStdString();
        }
        EXPECT_EQ(content.pixel(300, 200), qRgb(0, 0, 0));
        EXPECT_EQ(background.pixel(0, 0), qRgb(10, 20, 30));
    }
}
