// The pictures make_assets supplies: each picture with edges or letters also
// drawn at twice its size, for screens of more device pixels per pixel.
#include "support/test_support.h"

#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace kuvano;

namespace {
// Mean difference of two pictures of one size, per channel of premultiplied
// pixels (0..255).
double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}
} // namespace

TEST(SuppliedPictures, EachTwiceSizePictureIsItsPictureDrawnFiner) {
    test::TempProgramFolder pf;
    QProcess assets;
    assets.start(QStringLiteral(KUVANO_MAKE_ASSETS), {pf.path(QString())});
    ASSERT_TRUE(assets.waitForFinished(30000));
    QStringList names = {QStringLiteral("logo"),         QStringLiteral("apptodesk"),
                         QStringLiteral("uisize"),       QStringLiteral("color"),
                         QStringLiteral("title_year"),   QStringLiteral("websplit"),
                         QStringLiteral("frmset_title"), QStringLiteral("picsel_background"),
                         QStringLiteral("picsel_logo"),  QStringLiteral("question")};
    for (const char* kind : {"mini", "max", "restore", "close"})
        for (const char* face : {"normal", "highlight", "down"})
            names << QStringLiteral("img_%1_%2").arg(QLatin1String(kind), QLatin1String(face));
    for (const char* page : {"btn_year", "btn_month", "btn_yiban", "btn_rili"})
        names << QLatin1String(page) << QLatin1String(page) + QStringLiteral("_on");
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QImage plain(pf.path(QStringLiteral("source/UI/") + name + QStringLiteral(".png")));
        const QImage twice(
            pf.path(QStringLiteral("source/UI/") + name + QStringLiteral("@2x.png")));
        ASSERT_FALSE(plain.isNull());
        ASSERT_EQ(twice.size(), plain.size() * 2);
        // Seen coarsely they are one picture: letters hinted at another size
        // differ in their strokes, but a shape out of place or of the wrong
        // size differs in whole areas.
        const QSize coarse = (plain.size() / 3).expandedTo(QSize(1, 1));
        const auto blur = [&coarse](const QImage& image) {
            return image.scaled(coarse, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        EXPECT_LT(meanDifference(blur(twice), blur(plain)), 10.0);
    }
}
