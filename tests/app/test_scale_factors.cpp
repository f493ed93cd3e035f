// The main window at the scale factors laptops use: a 2560 x 1600 screen is
// 1280 x 800 logical pixels at 2. The factor takes effect only before the
// application starts, so a probe program opens the window in a process of
// its own, on an offscreen screen of that size.
#include "app/uFrmSetRecord.h"
#include "main_fixture.h"

#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace kuvano;
using namespace kuvano::app;
using kuvano::test::numbers;

namespace {

struct Opened {
    QRect screen, free, window;
    QSize logo;
    double logoRatio = 0;
    QString shows; // "max" or "restore"
    bool saved = false;
};

QRect rectOf(const QStringList& f) {
    return QRect(f.value(1).toInt(), f.value(2).toInt(), f.value(3).toInt(), f.value(4).toInt());
}

// Runs make_assets into the folder, then the probe at `factor` on one screen
// of `native` pixels.
Opened openAt(const test::TempProgramFolder& pf, const QString& factor, QSize native) {
    QProcess assets;
    assets.start(QStringLiteral(KUVANO_MAKE_ASSETS), {pf.path(QString())});
    EXPECT_TRUE(assets.waitForFinished(30000));
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("{\"screens\": [{\"name\": \"laptop\", \"x\": 0, \"y\": 0, "
                              "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                              "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                   .arg(native.width())
                   .arg(native.height())
                   .toUtf8());
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), factor);
    env.insert(QStringLiteral("QT_SCALE_FACTOR_ROUNDING_POLICY"), QStringLiteral("PassThrough"));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(KUVANO_PROBE_DIR "/probe_placement"), {pf.path(QString())});
    EXPECT_TRUE(probe.waitForFinished(60000));
    Opened o;
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("screen")) o.screen = rectOf(f);
        if (f[0] == QLatin1String("free")) o.free = rectOf(f);
        if (f[0] == QLatin1String("window")) o.window = rectOf(f);
        if (f[0] == QLatin1String("logo")) {
            o.logo = QSize(f.value(1).toInt(), f.value(2).toInt());
            o.logoRatio = f.value(3).toDouble();
        }
        if (f[0] == QLatin1String("shows")) o.shows = f.value(1);
        if (f[0] == QLatin1String("saved")) o.saved = true;
    }
    EXPECT_TRUE(o.saved) << out.toStdString()
                         << QString::fromUtf8(probe.readAllStandardError()).toStdString();
    return o;
}

} // namespace

TEST(ScaleFactors, TheWindowOpensWhollyOnItsScreenInLogicalPixelsWithSharpPictures) {
    const QSize native(2560, 1600);
    const struct {
        const char* factor;
        QStringList file; // form.ini before the start; empty: none
        QRect window;     // where it opens, in logical pixels
    } cases[] = {
        // No file: centred on the logical screen, the taskbar's 30 kept free.
        {"1", {}, QRect(768, 416, 1024, 738)},
        {"1.5", {}, QRect(341, 149, 1024, 738)},
        {"2", {}, QRect(128, 16, 1024, 738)},
        // Stored above and left of the screen: back on it.
        {"2", numbers({1024, 738, -112, -134, 0, 0}), QRect(0, 0, 1024, 738)},
        // Below and right of it: wholly back, not just the caption.
        {"2", numbers({1024, 738, 900, 700, 0, 0}), QRect(256, 62, 1024, 738)},
        {"1.5", numbers({1024, 738, 3000, 3000, 0, 0}), QRect(683, 329, 1024, 738)},
        // A size for a larger screen: within this one less the taskbar.
        {"2", numbers({1400, 870, 10, 10, 0, 0}), QRect(0, 0, 1280, 770)},
        {"2", numbers({1280, 800, 0, 0, 0, 0}), QRect(0, 0, 1280, 770)},
        // Full screen: the logical screen's width.
        {"2", numbers({1024, 738, 5, 5, 1, 0}), QRect(0, 0, 1280, 770)},
        {"1.5", numbers({1024, 738, 5, 5, 1, 0}), QRect(0, 0, 1707, 1037)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("factor ") + c.factor + ", form.ini " +
                     c.file.join(QLatin1Char(',')).toStdString());
        test::TempProgramFolder pf;
        if (!c.file.isEmpty()) pf.writeLines(QStringLiteral("DB3/form.ini"), c.file);
        const Opened o = openAt(pf, QLatin1String(c.factor), native);
        const double factor = QByteArray(c.factor).toDouble();
        EXPECT_EQ(o.screen.size(),
                  QSize(qRound(native.width() / factor), qRound(native.height() / factor)));
        EXPECT_EQ(o.window, c.window);
        EXPECT_TRUE(o.free.contains(o.window));
        // The width rule for the size it opened at, not the wider design size:
        // none of these windows is wider than its screen.
        EXPECT_EQ(o.shows, QStringLiteral("max"));
        // The logo comes from the twice-size picture at the screen's ratio.
        EXPECT_DOUBLE_EQ(o.logoRatio, factor);
        EXPECT_EQ(o.logo, QSize(int(std::ceil(225 * factor)), int(std::ceil(62 * factor))));
        // The file holds the logical place, as the next start reads it.
        const QStringList saved = pf.readLines(QStringLiteral("DB3/form.ini"));
        ASSERT_EQ(saved.size(), 6);
        EXPECT_EQ(QRect(saved[2].toInt(), saved[3].toInt(), o.window.width(), o.window.height()),
                  o.window);
    }
}
