#include "wallpaper/uPicMix.h"

#include "wallpaper/image_files.h"
#include "wallpaper/picture_error.h"

#include <algorithm>

namespace kuvano::wallpaper {

MixPlacement PlaceMix(QSize content, QSize background, int rowOffset) {
    MixPlacement m;
    m.rows = std::min(content.height(), background.height());
    m.contentReceives = background.height() == m.rows;
    const int narrow = std::min(content.width(), background.width());
    const int wide = std::max(content.width(), background.width());
    m.left = wide - narrow - 50;
    m.top = m.contentReceives ? 0 : rowOffset;
    return m;
}

QImage& MixPictures(QImage& content, QImage& background, int weight, int rowOffset) {
    if (content.isNull() || background.isNull())
        throw PictureError(QStringLiteral("没有可合成的图片"));
    const MixPlacement m = PlaceMix(content.size(), background.size(), rowOffset);
    // Laid on the content, a background smaller than it leaves most of the
    // wallpaper the content's white: refuse, as for one too short below.
    if (m.contentReceives && background.width() < content.width())
        throw PictureError(QStringLiteral("背景图片（%1 x %2）比内容图片（%3 x %4）小，做不成壁纸")
                               .arg(background.width())
                               .arg(background.height())
                               .arg(content.width())
                               .arg(content.height()));
    for (QImage* image : {&content, &background})
        if (image->format() != kDisplayFormat) *image = image->convertToFormat(kDisplayFormat);
    QImage& target = m.contentReceives ? content : background;
    const QImage& laid = m.contentReceives ? background : content;
    // The laid columns that fall on the receiving picture.
    const int first = std::max(0, -m.left);
    const int last = std::min({laid.width(), std::min(content.width(), background.width()),
                               target.width() - m.left}); // exclusive
    for (int r = 0; r < m.rows; ++r) {
        const int y = r + m.top;
        if (y >= target.height())
            throw PictureError(
                QStringLiteral("背景图片只比内容图片高 %1 行，放不下下移 %2 行的内容")
                    .arg(target.height() - laid.height())
                    .arg(m.top));
        const uchar* s = laid.constScanLine(r) + 4 * first;
        uchar* d = target.scanLine(y) + 4 * (m.left + first);
        for (int x = first; x < last; ++x, s += 4, d += 4) {
            if (s[0] == 255 && s[1] == 255 && s[2] == 255) continue; // white is transparent
            for (int b = 0; b < 4; ++b) d[b] = uchar(d[b] + (s[b] - d[b]) * weight / 100);
        }
    }
    return target;
}

} // namespace kuvano::wallpaper
