#include "platform/app_icon.h"

#include "platform/background.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <vector>

namespace kuvano {
namespace {

struct Layer {
    QPainterPath path; // in units of a 16 x 16 grid
    QColor colour;
};

const QColor kRed(0xd6, 0x40, 0x2f);
const QColor kRing(0x45, 0x4f, 0x5b);
const QColor kEdge(0x6a, 0x76, 0x84);
const QColor kPage(0xff, 0xff, 0xff);
const QColor kDay(0x8a, 0x96, 0xa4);
const QColor kFold(0xd3, 0xd9, 0xe0);

QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal radius = 0) {
    QPainterPath p;
    if (radius > 0)
        p.addRoundedRect(x, y, w, h, radius, radius);
    else
        p.addRect(x, y, w, h);
    return p;
}

// A band with the top corners rounded and a square bottom.
QPainterPath topRounded(qreal x, qreal y, qreal w, qreal h, qreal r) {
    QPainterPath p;
    p.moveTo(x, y + h);
    p.lineTo(x, y + r);
    p.arcTo(x, y, 2 * r, 2 * r, 180, -90);
    p.lineTo(x + w - r, y);
    p.arcTo(x + w - 2 * r, y, 2 * r, 2 * r, 90, -90);
    p.lineTo(x + w, y + h);
    p.closeSubpath();
    return p;
}

// The page spans x 1..15 and y 2..15; header y 2..5; rings at x 4 and 11
// reaching one unit above the page; days 2 x 2 in three columns (x 3, 7, 11)
// and two rows (y 7, 10), the middle one of the second row marked.
std::vector<Layer> layers(bool detailed) {
    const qreal r = detailed ? 1.0 : 0.0;      // corner radius
    const qreal edge = detailed ? 0.375 : 1.0; // page outline
    std::vector<Layer> out;
    if (detailed) out.push_back({rect(1.25, 2.5, 14, 13, r), QColor(0, 0, 0, 50)}); // shadow
    out.push_back({rect(1, 2, 14, 13, r), kEdge});
    out.push_back({rect(1 + edge, 2 + edge, 14 - 2 * edge, 13 - 2 * edge, r - edge / 2), kPage});
    out.push_back({topRounded(1, 2, 14, 3, r), kRed});
    if (detailed) {
        // Folded lower right corner of the page.
        QPainterPath fold;
        fold.moveTo(15 - edge, 12.5);
        fold.lineTo(12.5, 15 - edge);
        fold.lineTo(12.5, 13.25);
        fold.quadTo(12.5, 12.5, 13.25, 12.5);
        fold.closeSubpath();
        out.push_back({fold, kFold});
    }
    for (const qreal x : {3.0, 7.0, 11.0}) {
        for (const qreal y : {7.0, 10.0}) {
            const bool marked = x == 7.0 && y == 10.0;
            out.push_back({rect(x, y, 2, 2, detailed ? 0.35 : 0), marked ? kRed : kDay});
        }
    }
    for (const qreal x : {4.0, 11.0}) {
        out.push_back({rect(x, 1, 1, 3, detailed ? 0.5 : 0), kRing});
        if (detailed)
            out.push_back({rect(x + 0.2, 1.3, 0.3, 2.2, 0.15), QColor(255, 255, 255, 90)});
    }
    return out;
}

QString number(qreal v) {
    return QString::number(v, 'g', 6);
}

QString svgPath(const QPainterPath& path) {
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        QString command;
        if (e.isMoveTo())
            command = i == 0 ? QStringLiteral("M") : QStringLiteral("Z M");
        else if (e.isLineTo())
            command = QStringLiteral("L");
        else if (e.isCurveTo())
            command = QStringLiteral("C");
        if (!d.isEmpty()) d += QLatin1Char(' ');
        d += command + number(e.x) + QLatin1Char(',') + number(e.y);
    }
    return d + QStringLiteral(" Z");
}

} // namespace

QString appId() {
    return QStringLiteral(KUVANO_APP_ID);
}

QImage drawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(Qt::NoPen);
    for (const Layer& layer : layers(size >= 32)) p.fillPath(layer.path, layer.colour);
    return image;
}

QByteArray appIconSvg() {
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" "
                                 "height=\"256\" viewBox=\"0 0 16 16\">\n");
    for (const Layer& layer : layers(true)) {
        svg += QStringLiteral("  <path fill=\"%1\"").arg(layer.colour.name(QColor::HexRgb));
        if (layer.colour.alpha() != 255)
            svg += QStringLiteral(" fill-opacity=\"%1\"").arg(number(layer.colour.alphaF()));
        svg += QStringLiteral(" d=\"%1\"/>\n").arg(svgPath(layer.path));
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

QIcon appIcon() {
    QIcon icon;
    for (const int size : kuvano::kAppIconSizes)
        icon.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    return icon;
}

void setDesktopIdentity() {
    QGuiApplication::setDesktopFileName(appId());
    QGuiApplication::setWindowIcon(appIcon());
}

void setDesktopIdentityAfterFirstFrame(QWidget& first) {
    QGuiApplication::setDesktopFileName(appId());
    afterFirstPaint(first, [] { QGuiApplication::setWindowIcon(appIcon()); });
}

} // namespace kuvano
