// Draws the pictures supplied with the program into a program folder, each
// only where it is missing: the first desktop background, the window frame
// pictures and the month picker's background.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

bool missing(const QString& path) {
    return !QFile::exists(path);
}

void save(const QImage& image, const QString& path, const char* format) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format))
        std::fprintf(stderr, "make_assets: cannot write %s\n", qPrintable(path));
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
QImage captionButton(int w, int h, const QString& kind, int state) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QColor face =
        state == 0 ? QColor(0, 0, 0, 0)
                   : (kind == QLatin1String("close") ? QColor(200, 60, 50) : QColor(150, 180, 210));
    if (state == 2) face = face.darker(125);
    p.fillRect(img.rect(), face);
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

QImage strip(int w, int h, QColor top, QColor bottom) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    return img;
}

QImage logo() {
    QImage img(225, 62, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
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

} // namespace

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
            if (missing(path)) save(captionButton(w, 20, QLatin1String(kind), s), path, "PNG");
        }
    }
    if (missing(ui + QStringLiteral("title.png")))
        save(strip(64, 21, QColor(214, 228, 242), QColor(196, 214, 234)),
             ui + QStringLiteral("title.png"), "PNG");
    if (missing(ui + QStringLiteral("background.png")))
        save(strip(64, 64, QColor(234, 242, 250), QColor(222, 234, 246)),
             ui + QStringLiteral("background.png"), "PNG");
    if (missing(ui + QStringLiteral("logo.png")))
        save(logo(), ui + QStringLiteral("logo.png"), "PNG");
    if (missing(ui + QStringLiteral("lock_title.png")))
        save(strip(246, 24, QColor(120, 160, 205), QColor(80, 125, 180)),
             ui + QStringLiteral("lock_title.png"), "PNG");
    if (missing(ui + QStringLiteral("picker.bmp")))
        save(pickerBackground(), ui + QStringLiteral("picker.bmp"), "BMP");
    return 0;
}
