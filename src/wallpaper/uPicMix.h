#pragma once
// Blending the content picture onto the background, white being transparent.

#include <QImage>

namespace kuvano::wallpaper {

// Where the laid picture lands on the receiving one.
struct MixPlacement {
    bool contentReceives = false; // the background is not taller than the content
    int left = 0;                 // column of the laid picture's column 0
    int top = 0;                  // row of the laid picture's row 0
    int rows = 0;                 // rows blended: the smaller height
};
MixPlacement PlaceMix(QSize content, QSize background, int rowOffset);

// Both pictures become 32 bits per pixel. The taller one receives (the
// background, unless it is not taller than the content), the other is laid
// on it `rowOffset` rows down (0 when the content receives), its right edge
// 50 pixels before the right edge of the wider picture. Every laid pixel that
// is not pure white (blue, green and red all 255) moves each of the four
// bytes d of the pixel under it to d + (s - d) * weight / 100, in integers
// truncated toward zero. Columns outside the receiving picture are left out.
// A laid row falling below the receiving picture is an error (PictureError),
// raised at that row. Returns the receiving picture.
QImage& MixPictures(QImage& content, QImage& background, int weight, int rowOffset);

// The holder of the mix's pictures, created once and never shown: the loaded
// content and background and the mixed result.
struct TMixPicFrm {
    QImage content;
    QImage background;
    QImage result;
};

} // namespace kuvano::wallpaper
