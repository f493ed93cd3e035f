#pragma once
// Reading painted pictures back in widget tests: where two shots differ, where ink lies.

#include <QColor>
#include <QImage>
#include <QRect>

namespace kuvano::test {

// Bounding box of the pixels of r where a and b differ; empty when none do.
QRect differences(const QImage& a, const QImage& b, const QRect& r);

// Bounding box of the pixels of r that differ from the first pixel of their row: the ink over a
// ground that is uniform along each row (white, a vertical gradient). Empty when there is none.
QRect inkBox(const QImage& img, const QRect& r);

// Number of pixels of r whose every channel is within tolerance of c.
int pixelsNear(const QImage& img, const QRect& r, QColor c, int tolerance);

} // namespace kuvano::test
