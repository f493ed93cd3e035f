#include "wallpaper/uDeskBGSet.h"

#include "platform/fonts.h"
#include "wallpaper/bmp_codec.h"
#include "wallpaper/image_files.h"

#include <QPainter>

namespace kuvano::wallpaper {
namespace {

// Month picture: 7 columns of 750 div 7, a 20-pixel title row, 6 rows of
// (500 - 20) div 6.
constexpr int kMonthColumn = 107, kTitleHeight = 20, kMonthRow = 80;
// Notes picture: 2 columns of (660 - 24) div 2, 21 rows of 500 div 21.
constexpr int kNotesColumn = 318, kNotesRow = 23;

// "宋体" 9 points on a 96 dots-per-inch screen. Not antialiased: the mix
// treats pure white as transparent and blends everything else, so the
// near-white edge pixels of smoothed glyphs would lighten the background
// into a pale halo round every character.
QFont contentFont() {
    QFont f = fonts::byPixels(QStringLiteral("宋体"), 12);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// A Windows rectangle (right and bottom exclusive) as Qt's.
QRect fromWindows(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Windows draws a line up to, not including, its end point.
void line(QPainter& p, int x1, int y1, int x2, int y2) {
    p.drawLine(x1, y1, x2 - (x2 > x1), y2 - (y2 > y1));
}

// The drawing settings of both pictures on a white picture of `size`, and
// the outline (0, 0)-(width, height) drawn with the 1-pixel line pen. (The
// month picture fills the outline white, the notes picture does not fill it:
// on a white picture both look the same.)
void begin(QPainter& p, QSize size, const ContentColors& colors) {
    p.setFont(contentFont());
    p.setPen(QPen(colors.lines, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
}

QImage whitePicture(QSize size) {
    QImage image(size, kDisplayFormat);
    image.fill(Qt::white);
    return image;
}

} // namespace

QString TrimControls(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32) ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32) --end;
    return text.mid(begin, end - begin);
}

void FillMonthContent(ContentTable& table, const DeskPageTexts& page) {
    const int month = page.shownDate.month();
    for (int e = 0; e < kContentEntries; ++e) {
        const QDate& d = page.cellDates[size_t(e)];
        table[size_t(e)].dayLabel =
            d.isValid() && d.month() == month ? QString::number(d.day()) : QStringLiteral("S");
        table[size_t(e)].note = TrimControls(page.texts[size_t(e)]);
    }
}

void FillNotesContent(ContentTable& table, const std::array<QString, kContentEntries>& texts) {
    for (int e = 0; e < kContentEntries; ++e)
        table[size_t(e)].note = TrimControls(texts[size_t(e)]);
}

QRect MonthEntryRect(int e) {
    const int r = e / 7 + 1, j = e % 7;
    return fromWindows(kMonthColumn * j + 2, kMonthRow * (r - 1) + 22, kMonthColumn * (j + 1) - 2,
                       kMonthRow * r + 18);
}

QRect NotesEntryRect(int e) {
    const int i = e / 2 + 1;
    const int left = e % 2 ? 338 : 4;
    return fromWindows(left, kNotesRow * (i - 1), left + kNotesColumn, kNotesRow * i);
}

QImage DrawMonthPicture(const ContentTable& table, const ContentColors& colors) {
    const QSize size = kMonthPictureSize;
    QImage image = whitePicture(size);
    QPainter p(&image);
    begin(p, size, colors);
    line(p, 0, kTitleHeight, size.width(), kTitleHeight);
    static const char16_t* const titles[] = {u"星期日", u"星期一", u"星期二", u"星期三",
                                             u"星期四", u"星期五", u"星期六"};
    for (int c = 1; c <= 6; ++c) line(p, kMonthColumn * c, 0, kMonthColumn * c, size.height());
    for (int r = 1; r <= 5; ++r)
        line(p, 0, kMonthRow * r + kTitleHeight, size.width(), kMonthRow * r + kTitleHeight);
    p.setPen(colors.text);
    for (int c = 0; c < 7; ++c)
        p.drawText(QRect(kMonthColumn * c + 24, 3, kMonthColumn, kTitleHeight),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromUtf16(titles[c]));
    for (int e = 0; e < kContentEntries; ++e) {
        const QRect rect = MonthEntryRect(e);
        // The label, then the note from the next line; note lines are CR LF.
        QString text = table[size_t(e)].dayLabel + QLatin1Char('\n') + table[size_t(e)].note;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        p.save();
        p.setClipRect(rect);
        p.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        p.restore();
    }
    return image;
}

QImage DrawNotesPicture(const ContentTable& table, const ContentColors& colors) {
    const QSize size = kNotesPictureSize;
    QImage image = whitePicture(size);
    QPainter p(&image);
    begin(p, size, colors);
    for (int e = 0; e < kContentEntries; ++e) {
        const QRect rect = NotesEntryRect(e);
        // A single line: line breaks inside a note are not honoured.
        QString text = table[size_t(e)].note;
        text.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        p.save();
        p.setClipRect(rect);
        p.setPen(colors.text);
        p.drawText(rect, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, text);
        p.restore();
        const int y = rect.bottom() + 1;
        line(p, rect.left(), y, rect.right() + 1, y);
    }
    return image;
}

TDeskBGSetFrm::TDeskBGSetFrm(const ProgramFolder& folder)
    : folder_(folder.filePath(QStringLiteral("source/DeskTopBG/"))),
      contentPath_(folder_ + QStringLiteral("Content.bmp")) {}

void TDeskBGSetFrm::DrawMonthContent() const {
    saveBmp(DrawMonthPicture(content), contentPath_);
}

void TDeskBGSetFrm::DrawNotesContent() const {
    saveBmp(DrawNotesPicture(content), contentPath_);
}

} // namespace kuvano::wallpaper
