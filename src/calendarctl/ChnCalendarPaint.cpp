// Painting of TChnCalendar: the control-sized background buffer and the cell
// painter that draws each grid cell over the part of the buffer beneath it.
#include "calendarctl/ChnCalendarGrid.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "platform/corner_mark.h"
#include "platform/fonts.h"

#include <QHash>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kuvano::calendarctl {
namespace {

void drawElided(QPainter& p, const QRect& r, int flags, const QString& text) {
    if (r.width() <= 0 || r.height() <= 0 || text.isEmpty()) return;
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, r.width());
    p.drawText(r, flags | Qt::TextSingleLine, shown); // clipped to r, as the desktop does
}

// Rectangle from left, top, right, bottom (right and bottom exclusive).
QRect ltrb(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

const QString& shortWeekday(int column) {
    static const QString names[7] = {
        QStringLiteral("日"), QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
        QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六")};
    return names[column - 1];
}

// True when each of the locale's seven long weekday names fits the width: the
// header shows all seven long names or none of them.
bool longWeekdaysFit(const QFontMetrics& fm, int width) {
    const QLocale locale;
    for (int day = 1; day <= 7; ++day)
        if (fm.horizontalAdvance(locale.dayName(day, QLocale::LongFormat)) > width) return false;
    return true;
}

// The faint year and month are 64 and 120 pixels high: too big for Qt's glyph
// cache, so drawing them loads and hints their outlines every time, which
// costs more than the rest of a rebuild. They are drawn once per text, size
// and colour into a picture of their own and copied from then on.
void drawBigText(QPainter& p, const QRect& r, const QString& text, int points, ColorRef color) {
    if (r.width() <= 0 || r.height() <= 0 || text.isEmpty()) return;
    struct Rendered {
        QImage image;
        QPoint origin; // of the baseline within image
        int advance = 0, height = 0, ascent = 0;
    };
    static QHash<QString, Rendered> cache;
    const QString key =
        QStringLiteral("%1 %2 %3 %4").arg(points).arg(color).arg(r.width()).arg(text);
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() > 256) cache.clear();
        const QFont font = windowsFont(QStringLiteral("Arial Black"), points);
        const QFontMetrics fm(font);
        const QString shown = fm.elidedText(text, Qt::ElideRight, r.width());
        Rendered out;
        out.advance = fm.horizontalAdvance(shown);
        out.height = fm.height();
        out.ascent = fm.ascent();
        const QRect box = fm.boundingRect(shown)
                              .united(QRect(0, -fm.ascent(), out.advance, fm.height()))
                              .adjusted(-2, -2, 2, 2);
        out.origin = -box.topLeft();
        out.image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
        out.image.fill(Qt::transparent);
        QPainter ip(&out.image);
        ip.setFont(font);
        ip.setPen(toQColor(color));
        ip.drawText(out.origin, shown);
        it = cache.insert(key, out);
    }
    // Centred both ways on the line box, clipped to r, as a centred single line is.
    const QPoint baseline(r.x() + (r.width() - it->advance) / 2,
                          r.y() + (r.height() - it->height) / 2 + it->ascent);
    p.save();
    p.setClipRect(r);
    p.drawImage(baseline - it->origin, it->image);
    p.restore();
}

// Channel c of a 0x00BBGGRR colour (0 red, 1 green, 2 blue).
int channel(ColorRef c, int i) {
    return (c >> (8 * i)) & 0xFF;
}

// The day-off mark of a day cell: right of the centred day number, above the label's half,
// inside the selection frame.
void drawDayOffMark(QPainter& p, lunar::DayOff kind, const QString& number, const QRect& r,
                    bool showSelection) {
    if (kind == lunar::DayOff::None) return;
    const int w = r.width(), h = r.height();
    const int advance = std::min(p.fontMetrics().horizontalAdvance(number), w - 4);
    const int numberRight = 2 + (w - 4 + advance) / 2;
    static const QFont font = fonts::byPixels(QStringLiteral("黑体"), 10);
    marks::drawCornerMark(p, QString::fromUtf8(lunar::DayOffMark(kind)),
                          kind == lunar::DayOff::Off ? marks::dayOffColor() : marks::workdayColor(),
                          font, QRect(1, 1, w - 2, h / 2 - 1), Qt::AlignTop, numberRight,
                          showSelection ? QColor(Qt::white) : QColor());
}

} // namespace

QRect TChnCalendar::FitRect(const QSize& picture, const QSize& layer, bool center) {
    if (picture.isEmpty()) return {};
    const double r = static_cast<double>(picture.width()) / picture.height();
    const int lw = layer.width(), lh = layer.height();
    int w = 0, h = 0;
    if (picture.width() > picture.height()) {
        w = lw;
        h = static_cast<int>(std::trunc(lw / r));
        if (h > lh) {
            h = lh;
            w = static_cast<int>(std::trunc(r * lh));
        }
    } else {
        h = lh;
        w = static_cast<int>(std::trunc(r * lh));
        if (w > lw) {
            w = lw;
            h = static_cast<int>(std::trunc(lw / r));
        }
    }
    return center ? QRect((lw - w) / 2, (lh - h) / 2, w, h) : QRect(0, 0, w, h);
}

QRect TChnCalendar::gridBounds() const {
    return gridRect_;
}

void TChnCalendar::RebuildBackground() {
    backgroundStale_ = true;
}

const QImage& TChnCalendar::Background() const {
    if (backgroundStale_) {
        backgroundStale_ = false;
        drawBackground();
    }
    return background_;
}

void TChnCalendar::drawBackground() const {
    if (background_.size() != size()) background_ = QImage(size(), QImage::Format_RGB32);
    if (background_.isNull()) return;
    background_.fill(Qt::white);
    QPainter p(&background_);
    p.setFont(font());
    // No visual-styles theme to borrow a frame from here: the plain frame it is.
    if (showFrame_) {
        // one-pixel rectangle round the client area, as four fills (cheaper than a stroke)
        const QColor c = toQColor(colorShowFrame_);
        const int w = width(), h = height();
        p.fillRect(0, 0, w, 1, c);
        p.fillRect(0, h - 1, w, 1, c);
        p.fillRect(0, 0, 1, h, c);
        p.fillRect(w - 1, 0, 1, h, c);
    }
    if (showBackYearMonth_) {
        const QRect g = gridBounds();
        const int left = g.x(), top = g.y(), right = g.x() + g.width(), bottom = g.y() + g.height();
        drawBigText(p, ltrb(left, top + 6, right, bottom / 2 + 6), QString::number(model_.year()),
                    48, colorBackYear_);
        drawBigText(p, ltrb(left, bottom / 2, right, bottom), QString::number(model_.month()), 90,
                    colorBackMonth_);
    }
    p.end();

    if (backGround_.isNull()) {
        pictureLayer_ = QImage();
        return;
    }
    pictureLayer_ = QImage(size(), QImage::Format_RGB32);
    pictureLayer_.fill(Qt::white);
    QPainter lp(&pictureLayer_);
    const QSize pic = backGround_.size(), layer = pictureLayer_.size();
    if (stretch_)
        lp.drawImage(FitRect(pic, layer, center_), backGround_);
    else if (center_)
        lp.drawImage(QPoint((layer.width() - pic.width()) / 2, (layer.height() - pic.height()) / 2),
                     backGround_);
    else
        lp.drawImage(QPoint(0, 0), backGround_);
    lp.end();
    blendPicture();
}

void TChnCalendar::blendPicture() const {
    // The layer's top-left pixel is the key: pixels of that colour (the white
    // margins, or a white-keyed picture's ground) leave the buffer as it was.
    const auto a = static_cast<std::uint16_t>(alphaBlend_ % 100); // [0, 99]
    const auto b = static_cast<std::uint16_t>(100 - a);
    const QRgb key = pictureLayer_.pixel(0, 0) & 0xFFFFFF;
    const int w = background_.width();
    std::vector<QRgb> mixed(static_cast<size_t>(w));
    for (int y = 0; y < background_.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(background_.scanLine(y));
        const auto* src = reinterpret_cast<const QRgb*>(pictureLayer_.constScanLine(y));
        // Channel by channel in 16 bits (every sum is at most 25500), which
        // the compiler turns into wide vector arithmetic; then the key decides.
        const auto* d8 = reinterpret_cast<const std::uint8_t*>(dst);
        const auto* s8 = reinterpret_cast<const std::uint8_t*>(src);
        auto* m8 = reinterpret_cast<std::uint8_t*>(mixed.data());
        for (int i = 0; i < 4 * w; ++i)
            m8[i] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(b * d8[i] + a * s8[i]) /
                                              std::uint16_t{100});
        for (int x = 0; x < w; ++x)
            if ((src[x] & 0xFFFFFF) != key) dst[x] = mixed[static_cast<size_t>(x)] | 0xFF000000;
    }
}

void TChnCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Background());
}

void TChnCalendar::drawCell(QPainter& p, int column, int row, const QRect& r, bool selected) {
    // The cell is "transparent": the background buffer under it comes first.
    p.drawImage(QPoint(0, 0), Background(), grid_->cellRect(column, row).translated(grid_->pos()));
    p.setFont(font());
    p.setBrush(Qt::NoBrush);
    const int w = r.width(), h = r.height();

    if (row == 0) return drawHeaderCell(p, column, r);
    if (column == 0) {
        const QString& week = model_.weekText(row);
        if (showWeekNum_ && !week.isEmpty()) {
            p.setFont(windowsFont(QStringLiteral("宋体"), 9));
            p.setPen(toQColor(colorWeekNum_));
            drawElided(p, r, Qt::AlignCenter, week);
        }
        if (showWeekNumLine_) {
            p.setPen(QPen(toQColor(colorTitleWeekLine_), 1));
            p.drawLine(w - 1, 0, w - 1, h - 1);
        }
        return;
    }
    if (column == 8) return;

    const bool showSelection = selected && (!hideSelection_ || grid_->hasFocus());
    if (showSelection) {
        // 256 bands; band i takes start + round((i + 1) * (end - start) / 256),
        // so the last band has the end colour exactly.
        for (int i = 0; i < 256; ++i) {
            const int y0 = static_cast<int>(std::lround(i * h / 256.0));
            const int y1 = static_cast<int>(std::lround((i + 1) * h / 256.0));
            if (y1 <= y0) continue;
            int rgb[3];
            for (int c = 0; c < 3; ++c) {
                const int s = channel(colorSelectedStart_, c), e = channel(colorSelectedEnd_, c);
                rgb[c] = s + static_cast<int>(std::lround((i + 1) * (e - s) / 256.0));
            }
            p.fillRect(QRect(0, y0, w, y1 - y0), QColor(rgb[0], rgb[1], rgb[2]));
        }
        p.setPen(Qt::white);
    }
    const int index = cellIndex(column, row);
    if (!model_.cell(index).present) return;
    if (index < kConstellationCell)
        drawDayCell(p, index, r, selected);
    else
        drawTitleCell(p, index, r);
}

void TChnCalendar::drawHeaderCell(QPainter& p, int column, const QRect& r) {
    const int w = r.width(), h = r.height();
    QString text;
    ColorRef color = colorWeekNum_;
    if (column == 0) {
        if (showWeekNum_) text = QStringLiteral("W");
    } else if (column <= 7) {
        // Long names only where they fit: "Wednesday" cut to "Wedn…" names nothing.
        if (w - 2 > 36 && longWeekdaysFit(p.fontMetrics(), w - 2))
            text = QLocale().dayName(column == 1 ? 7 : column - 1, QLocale::LongFormat);
        else
            text = shortWeekday(column);
        color = (column == 1 || column == 7) ? colorTitleWeekEnd_ : colorTitleWeek_;
    }
    p.setPen(toQColor(color));
    drawElided(p, QRect(0, 0, w - 2, h), Qt::AlignHCenter | Qt::AlignTop, text);
    p.setPen(QPen(toQColor(colorTitleWeekLine_), 1));
    p.drawLine(0, h - 4, w - 1, h - 4);
    if (column == 0 && showWeekNum_ && showWeekNumLine_) p.drawLine(w - 1, 0, w - 1, h - 1);
}

void TChnCalendar::drawDayCell(QPainter& p, int index, const QRect& r, bool selected) {
    const CalendarCell& cell = model_.cell(index);
    const int w = r.width(), h = r.height();
    const bool showSelection = selected && (!hideSelection_ || grid_->hasFocus());

    p.setFont(fontDate_);
    p.setPen(toQColor(cell.dayColor));
    QString text = cell.dayText;
    bool defaultDraw = true;
    if (OnDrawDateCell) OnDrawDateCell(this, cell.day, p, r, selected, text, defaultDraw);
    if (defaultDraw) {
        drawElided(p, QRect(2, 0, w - 4, h / 2), Qt::AlignHCenter | Qt::AlignBottom, text);
        drawDayOffMark(p, cell.dayOff, text, r, showSelection);
    }

    p.setFont(fontCnDate_);
    p.setPen(toQColor(cell.labelColor));
    text = cell.label;
    defaultDraw = true;
    if (OnDrawCnDateCell) OnDrawCnDateCell(this, cell.day, p, r, selected, text, defaultDraw);
    if (!defaultDraw) return;
    drawElided(p, QRect(2, h / 2, w - 4, h - h / 2), Qt::AlignHCenter | Qt::AlignTop, text);
    if (showSelection) {
        p.setPen(QPen(toQColor(colorSelectedFrame_), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
    }
}

void TChnCalendar::drawTitleCell(QPainter& p, int index, const QRect& r) {
    const QString& text = model_.cell(index).label;
    if (text.isEmpty()) return;
    p.setFont(windowsFont(QStringLiteral("宋体"), 9));
    p.setPen(
        toQColor(index == kConstellationCell ? colorTitleConstellation_ : colorTitleAnimalsYear_));
    const int align = index == kConstellationCell ? Qt::AlignHCenter
                      : index == kYearNameCell    ? Qt::AlignRight
                                                  : Qt::AlignLeft;
    drawElided(p, QRect(0, 8, r.width(), r.height() - 8), align | Qt::AlignTop, text);
}

} // namespace kuvano::calendarctl
