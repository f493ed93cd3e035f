// Draws the pictures supplied with the program into a program folder, each
// only where it is missing: the first desktop background, the window frame
// pictures, the month picker's background and the wallpaper windows' pictures.
// Pictures with edges or text come twice: at their design size and, named
// "@2x", at twice it for screens of two (or one and a half) device pixels per
// pixel, drawn afresh rather than enlarged so they stay sharp there.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

bool missing(const QString& path) {
    return !QFile::exists(path);
}

void save(const QImage& image, const QString& path, const char* format) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format))
        std::fprintf(stderr, "make_assets: cannot write %s\n", qPrintable(path));
}

QImage transparent(int w, int h, qreal scale = 1) {
    QImage img(qRound(w * scale), qRound(h * scale), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// A painter that draws in design pixels onto a picture made `scale` times larger.
void designUnits(QPainter& p, qreal scale) {
    if (scale != 1) p.scale(scale, scale);
}

// Aliased lines fill the pixel right of and below their coordinate at the
// design size, but straddle it when enlarged: half a design pixel over keeps
// them on the same pixels.
void alignAliasedLines(QPainter& p, qreal scale) {
    if (scale != 1) p.translate(0.5, 0.5);
}

// A calm sky-to-hills landscape: the background the wallpaper command starts from.
QImage background(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(70, 130, 190));
    sky.setColorAt(0.6, QColor(180, 210, 235));
    sky.setColorAt(1, QColor(235, 242, 250));
    p.fillRect(img.rect(), sky);
    p.setPen(Qt::NoPen);
    const QColor hills[] = {QColor(120, 160, 130), QColor(90, 135, 105), QColor(60, 105, 80)};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath path;
        const double base = h * (0.62 + 0.11 * layer);
        path.moveTo(0, h);
        path.lineTo(0, base);
        for (int x = 0; x <= w; x += 16) {
            const double y = base - 40 * std::sin((x + layer * 300) / (170.0 + 40 * layer)) -
                             18 * std::sin((x + layer * 77) / 57.0);
            path.lineTo(x, y);
        }
        path.lineTo(w, h);
        path.closeSubpath();
        p.setBrush(hills[layer]);
        p.drawPath(path);
    }
    p.setBrush(QColor(255, 250, 225, 200));
    p.drawEllipse(QPointF(w * 0.8, h * 0.18), 42, 42);
    return img;
}

// Caption button: normal, highlight (hover) and down (pressed) faces.
QImage captionButton(int w, int h, const QString& kind, int state, qreal scale) {
    QImage img = transparent(w, h, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QColor face =
        state == 0 ? QColor(0, 0, 0, 0)
                   : (kind == QLatin1String("close") ? QColor(200, 60, 50) : QColor(150, 180, 210));
    if (state == 2) face = face.darker(125);
    p.fillRect(QRect(0, 0, w, h), face);
    p.setPen(QPen(state == 0 ? QColor(70, 80, 95) : Qt::white, 1.6));
    const QRectF r(w / 2.0 - 5, h / 2.0 - 4, 10, 8);
    if (kind == QLatin1String("mini")) {
        p.drawLine(QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()));
    } else if (kind == QLatin1String("max")) {
        p.drawRect(r);
    } else if (kind == QLatin1String("restore")) {
        p.drawRect(r.adjusted(0, 2, -2, 0));
        p.drawLine(QPointF(r.left() + 2, r.top()), QPointF(r.right(), r.top()));
        p.drawLine(QPointF(r.right(), r.top()), QPointF(r.right(), r.bottom() - 2));
    } else {
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
    }
    return img;
}

QImage strip(int w, int h, QColor top, QColor bottom, qreal scale = 1) {
    QImage img(qRound(w * scale), qRound(h * scale), QImage::Format_RGB32);
    QPainter p(&img);
    designUnits(p, scale);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(QRect(0, 0, w, h), g);
    return img;
}

QImage logo(qreal scale) {
    QImage img = transparent(225, 62, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 8, 46, 46), 8, 8);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(9, 20, 36, 29), 4, 4);
    p.setPen(QColor(200, 40, 40));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(9, 20, 36, 29), Qt::AlignCenter, QStringLiteral("31"));
    p.setPen(QColor(40, 60, 90));
    f.setPixelSize(24);
    p.setFont(f);
    p.drawText(QRectF(58, 10, 165, 44), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("KUVANO"));
    return img;
}

// A face for Chinese captions: an installed CJK sans, whatever the machine has.
QFont cjkFont(int pixels, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("AR PL UMing CN")});
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// Page button face, 59 x 21: a caption on a soft pill; the active face (the
// page on view) is filled in the frame's blue.
QImage pageButton(const QString& caption, bool active, qreal scale) {
    QImage img = transparent(59, 21, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, 58, 20);
    QLinearGradient g(0, 0, 0, 21);
    if (active) {
        g.setColorAt(0, QColor(98, 146, 204));
        g.setColorAt(1, QColor(60, 110, 175));
        p.setPen(QColor(50, 92, 150));
    } else {
        g.setColorAt(0, QColor(250, 252, 255));
        g.setColorAt(1, QColor(222, 233, 245));
        p.setPen(QColor(170, 186, 204));
    }
    p.setBrush(g);
    p.drawRoundedRect(r, 4, 4);
    p.setPen(active ? Qt::white : QColor(40, 62, 94));
    p.setFont(cjkFont(12, active));
    p.drawText(QRect(0, 0, 59, 21), Qt::AlignCenter, caption);
    return img;
}

// The yearly page's row title strip: a light band with a darker rule at the
// bottom; the month captions are drawn over it by the page.
QImage yearTitle(qreal scale) {
    QImage img = strip(256, 25, QColor(244, 248, 253), QColor(214, 228, 243), scale);
    QPainter p(&img);
    designUnits(p, scale);
    alignAliasedLines(p, scale);
    p.setPen(QColor(168, 188, 212));
    p.drawLine(0, 24, 255, 24);
    p.setPen(Qt::white);
    p.drawLine(0, 0, 255, 0);
    return img;
}

// The wallpaper picture, 88 x 28: a small monitor and "设为壁纸".
QImage appToDesk(qreal scale) {
    QImage img = transparent(88, 28, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 28);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(220, 232, 246));
    p.setBrush(g);
    p.setPen(QColor(150, 172, 198));
    p.drawRoundedRect(QRectF(0.5, 0.5, 87, 27), 6, 6);
    // The monitor: a screen with a landscape, on a stand.
    p.setPen(QColor(70, 95, 130));
    p.setBrush(QColor(120, 175, 225));
    p.drawRoundedRect(QRectF(7, 6, 18, 12), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 150, 100));
    p.drawPolygon(QPolygonF(
        {QPointF(8, 17), QPointF(14, 11), QPointF(19, 15), QPointF(24, 12), QPointF(24, 17)}));
    p.setBrush(QColor(70, 95, 130));
    p.drawRect(QRectF(14, 18, 4, 3));
    p.drawRect(QRectF(11, 21, 10, 1.5));
    p.setPen(QColor(35, 60, 95));
    p.setFont(cjkFont(12, true));
    p.drawText(QRectF(28, 0, 58, 28), Qt::AlignCenter, QStringLiteral("设为壁纸"));
    return img;
}

// The window size button, 18 x 16: two nested frames.
QImage uiSize(qreal scale) {
    QImage img = transparent(18, 16, scale);
    QPainter p(&img);
    designUnits(p, scale);
    alignAliasedLines(p, scale);
    p.setPen(QColor(90, 110, 140));
    p.drawRect(2, 2, 13, 11);
    p.setPen(QColor(150, 170, 195));
    p.drawRect(5, 5, 7, 5);
    p.setPen(QColor(90, 110, 140));
    p.drawLine(12, 10, 15, 13);
    return img;
}

// The colour picker, 20 x 20: four colour drops on a round palette.
QImage colorPicker(qreal scale) {
    QImage img = transparent(20, 20, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(120, 120, 120));
    p.setBrush(QColor(250, 246, 236));
    p.drawEllipse(QRectF(1, 2, 18, 16));
    p.setPen(Qt::NoPen);
    const QColor drops[] = {QColor(220, 50, 40), QColor(40, 120, 220), QColor(50, 170, 70),
                            QColor(240, 190, 30)};
    const QPointF at[] = {QPointF(6, 7), QPointF(11, 5.5), QPointF(14.5, 9), QPointF(6.5, 12.5)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(drops[i]);
        p.drawEllipse(at[i], 2.3, 2.3);
    }
    return img;
}

// The separator under the web panel, 200 x 7.
QImage webSplit(qreal scale) {
    QImage img(qRound(200 * scale), qRound(7 * scale), QImage::Format_RGB32);
    QPainter p(&img);
    designUnits(p, scale);
    p.fillRect(QRect(0, 0, 200, 7), QColor(234, 242, 250));
    alignAliasedLines(p, scale);
    p.setPen(QColor(160, 166, 176));
    p.drawLine(0, 3, 199, 3);
    p.setPen(Qt::white);
    p.drawLine(0, 4, 199, 4);
    return img;
}

// The window size settings' title picture, 335 x 64.
QImage frmSetTitle(qreal scale) {
    QImage img = strip(335, 64, QColor(236, 244, 252), QColor(206, 224, 244), scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    // Three nested window outlines, the sizes to choose from.
    p.setBrush(Qt::NoBrush);
    const QColor pens[] = {QColor(150, 175, 205), QColor(110, 145, 190), QColor(60, 105, 170)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(pens[i], 1.5));
        p.drawRoundedRect(QRectF(18 + 5 * i, 12 + 4 * i, 50 - 10 * i, 38 - 8 * i), 3, 3);
    }
    p.setPen(QColor(35, 60, 95));
    p.setFont(cjkFont(18, true));
    p.drawText(QRectF(84, 0, 240, 64), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("选择窗体大小"));
    p.setPen(QColor(150, 170, 195));
    p.drawLine(0, 63, 334, 63);
    return img;
}

// The month picker's faint background: soft diagonal bands.
QImage pickerBackground() {
    QImage img(242, 42, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 242, 42);
    g.setColorAt(0, QColor(205, 225, 245));
    g.setColorAt(1, QColor(245, 235, 210));
    p.fillRect(img.rect(), g);
    return img;
}

// The background picture selector: a pale panel, and its title as the logo.
QImage pictureSelectorBackground(qreal scale) {
    QImage img(qRound(524 * scale), qRound(286 * scale), QImage::Format_RGB32);
    QPainter p(&img);
    designUnits(p, scale);
    const QRect r(0, 0, 524, 286);
    QLinearGradient g(0, 0, 0, 286);
    g.setColorAt(0, QColor(214, 230, 246));
    g.setColorAt(0.2, QColor(236, 244, 252));
    g.setColorAt(1, QColor(226, 238, 248));
    p.fillRect(r, g);
    alignAliasedLines(p, scale);
    p.setPen(QColor(160, 180, 205));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    return img;
}

QImage pictureSelectorLogo(qreal scale) {
    QImage img = transparent(200, 57, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    // A small landscape picture, then the title.
    p.setPen(QPen(QColor(60, 100, 150), 1.5));
    p.setBrush(QColor(150, 195, 235));
    p.drawRoundedRect(QRectF(8, 14, 34, 27), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 140, 90));
    QPainterPath hill;
    hill.moveTo(9, 40);
    hill.lineTo(20, 26);
    hill.lineTo(28, 34);
    hill.lineTo(33, 29);
    hill.lineTo(41, 40);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(255, 235, 150));
    p.drawEllipse(QPointF(34, 21), 3.5, 3.5);
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(40, 70, 110));
    p.drawText(QRectF(50, 8, 150, 40), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("背景图片选择"));
    return img;
}

// The confirmation window's question mark.
QImage questionMark(qreal scale) {
    QImage img = transparent(48, 48, scale);
    QPainter p(&img);
    designUnits(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(18, 16), 30);
    g.setColorAt(0, QColor(120, 170, 235));
    g.setColorAt(1, QColor(40, 95, 180));
    p.setBrush(g);
    p.setPen(QPen(QColor(30, 70, 140), 1.5));
    p.drawEllipse(QRectF(3, 3, 42, 42));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 3, 42, 42), Qt::AlignCenter, QStringLiteral("?"));
    return img;
}

} // namespace

// The file of the picture drawn at twice its design size: "logo@2x.png" beside "logo.png".
QString doubleFile(const QString& path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

// Saves the picture at its design size and at twice it, each only where missing.
void saveBothSizes(const std::function<QImage(qreal)>& draw, const QString& path) {
    if (missing(path)) save(draw(1), path, "PNG");
    const QString twice = doubleFile(path);
    if (missing(twice)) save(draw(2), twice, "PNG");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets PROGRAM_FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    const QString bg = root + QStringLiteral("source/DeskTopBG/A1.bmp");
    if (missing(bg)) save(background(1024, 768), bg, "BMP");
    const QString ui = root + QStringLiteral("source/UI/");
    const char* states[] = {"normal", "highlight", "down"};
    for (const char* kind : {"mini", "max", "restore", "close"}) {
        for (int s = 0; s < 3; ++s) {
            const QString path =
                ui +
                QStringLiteral("img_%1_%2.png").arg(QLatin1String(kind), QLatin1String(states[s]));
            const int w = QLatin1String(kind) == QLatin1String("close") ? 39 : 28;
            saveBothSizes(
                [&](qreal scale) { return captionButton(w, 20, QLatin1String(kind), s, scale); },
                path);
        }
    }
    // Soft gradients, stretched to their place: a larger copy would look no sharper.
    if (missing(ui + QStringLiteral("title.png")))
        save(strip(64, 21, QColor(214, 228, 242), QColor(196, 214, 234)),
             ui + QStringLiteral("title.png"), "PNG");
    if (missing(ui + QStringLiteral("background.png")))
        save(strip(64, 64, QColor(234, 242, 250), QColor(222, 234, 246)),
             ui + QStringLiteral("background.png"), "PNG");
    if (missing(ui + QStringLiteral("lock_title.png")))
        save(strip(246, 24, QColor(120, 160, 205), QColor(80, 125, 180)),
             ui + QStringLiteral("lock_title.png"), "PNG");
    if (missing(ui + QStringLiteral("picker.bmp")))
        save(pickerBackground(), ui + QStringLiteral("picker.bmp"), "BMP");
    const struct {
        const char* file;
        const char16_t* caption;
    } pages[] = {{"btn_year", u"年度记事"},
                 {"btn_month", u"桌面月历"},
                 {"btn_yiban", u"一般记事"},
                 {"btn_rili", u"日历"}};
    for (const auto& page : pages) {
        for (bool active : {false, true}) {
            const QString path = ui + QLatin1String(page.file) +
                                 (active ? QStringLiteral("_on.png") : QStringLiteral(".png"));
            const QString caption = QString::fromUtf16(page.caption);
            saveBothSizes([&](qreal scale) { return pageButton(caption, active, scale); }, path);
        }
    }
    const struct {
        const char* file;
        QImage (*draw)(qreal);
    } pictures[] = {{"logo.png", logo},
                    {"title_year.png", yearTitle},
                    {"apptodesk.png", appToDesk},
                    {"uisize.png", uiSize},
                    {"color.png", colorPicker},
                    {"websplit.png", webSplit},
                    {"frmset_title.png", frmSetTitle},
                    {"picsel_background.png", pictureSelectorBackground},
                    {"picsel_logo.png", pictureSelectorLogo},
                    {"question.png", questionMark}};
    for (const auto& pic : pictures) saveBothSizes(pic.draw, ui + QLatin1String(pic.file));
    return 0;
}
