#include "support/pictures.h"

#include <cstdlib>

namespace kuvano::test {
namespace {

template <class Match> QRect boxOf(const QRect& r, Match match) {
    QRect box;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

QRect differences(const QImage& a, const QImage& b, const QRect& r) {
    return boxOf(r, [&](int x, int y) { return a.pixel(x, y) != b.pixel(x, y); });
}

QRect inkBox(const QImage& img, const QRect& r) {
    return boxOf(r, [&](int x, int y) { return img.pixel(x, y) != img.pixel(r.left(), y); });
}

int pixelsNear(const QImage& img, const QRect& r, QColor c, int tolerance) {
    int n = 0;
    boxOf(r, [&](int x, int y) {
        const QColor p = img.pixelColor(x, y);
        n += std::abs(p.red() - c.red()) <= tolerance &&
             std::abs(p.green() - c.green()) <= tolerance &&
             std::abs(p.blue() - c.blue()) <= tolerance;
        return false;
    });
    return n;
}

} // namespace kuvano::test
