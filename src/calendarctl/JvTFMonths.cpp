#include "calendarctl/JvTFMonths.h"

#include "lunar/holidays.h"
#include "platform/corner_mark.h"
#include "platform/fonts.h"
#include "store/clock.h"
#include "store/note_keys.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace kuvano {
namespace {

// Windows colour names of the original look.
const QColor kMoneyGreen(192, 220, 192); // clMoneyGreen: panel, body and selected strip
const QColor kSkyBlue(166, 202, 240);    // clSkyBlue: weekday row
const QColor kTeal(0, 128, 128);         // weekday letters
const QColor kNavy(0, 0, 128);           // Saturday and Sunday numbers
const QColor kExtraGrey(210, 210, 210);  // 13816530: days of the neighbouring months
const QColor kHighlight(255, 255, 255);  // clBtnHighlight: raised frame, lit edges
const QColor kShadow(128, 128, 128);     // clBtnShadow: raised frame, dark edges; cell lines

const char16_t* const kWeekdayLetters[JvTFMonths::Columns] = {u"S", u"M", u"T", u"W",
                                                              u"T", u"F", u"S"};

// Pixel offsets of the parts of a split, with the end as the last entry.
QList<int> edges(int length, int parts) {
    QList<int> e{0};
    for (int size : JvTFMonths::split(length, parts)) e.append(e.last() + size);
    return e;
}

// Index of the part of the split [0, length) holding pos, or -1.
int partAt(int pos, int length, int parts) {
    const QList<int> e = edges(length, parts);
    for (int i = 0; i < parts; ++i)
        if (pos >= e[i] && pos < e[i + 1]) return i;
    return -1;
}

} // namespace

JvTFMonths::JvTFMonths(QWidget* parent)
    : QWidget(parent), dayFont_(fonts::byPixels(QStringLiteral("MS Sans Serif"), 11, true)),
      markFont_(fonts::byPixels(QStringLiteral("黑体"), 12)) {
    setObjectName(QStringLiteral("JvTFMonths1"));
    // The buffer covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Clicking a day must not take the keyboard from the note being written.
    setFocusPolicy(Qt::NoFocus);
    setDisplayDate(clock::today());
}

QDate JvTFMonths::originOf(const QDate& date) {
    return notes::deskOrigin(date);
}

void JvTFMonths::setDisplayDate(const QDate& date) {
    if (!date.isValid() || date == displayDate_) return;
    const QDate origin = originOf(date);
    displayDate_ = date;
    if (origin != origin_) {
        origin_ = origin;
        invalidateBuffer();
    }
    Q_EMIT displayDateChanged(displayDate_);
}

QDate JvTFMonths::dateOfCell(int cell) const {
    if (cell < 0 || cell >= CellCount) return {};
    return origin_.addDays(cell);
}

int JvTFMonths::cellOfDate(const QDate& date) const {
    if (!date.isValid()) return -1;
    const qint64 cell = origin_.daysTo(date);
    return cell >= 0 && cell < CellCount ? static_cast<int>(cell) : -1;
}

bool JvTFMonths::isExtraDay(int cell) const {
    const QDate d = dateOfCell(cell);
    return d.isValid() && (d.month() != displayDate_.month() || d.year() != displayDate_.year());
}

QString JvTFMonths::dayLabel(int cell) const {
    const QDate d = dateOfCell(cell);
    if (!d.isValid()) return {};
    const QString day = QString::number(d.day());
    if (cell == 0 || (d.day() == 1 && isExtraDay(cell)))
        return QLocale().monthName(d.month(), QLocale::ShortFormat) + u' ' + day;
    return day;
}

QList<int> JvTFMonths::split(int length, int parts) {
    if (parts <= 0) return {};
    length = std::max(length, 0);
    const int base = length / parts;   // [0, length]
    const int longer = length % parts; // [0, parts - 1]: parts that get one pixel more
    QList<int> sizes;
    sizes.reserve(parts);
    for (int i = 0; i < parts; ++i) sizes.append(base + (i < longer ? 1 : 0));
    return sizes;
}

QRect JvTFMonths::cellRect(int cell) const {
    if (cell < 0 || cell >= CellCount) return {};
    const QList<int> x = edges(width(), Columns);
    const QList<int> y = edges(height() - WeekdayRowHeight, Rows);
    const int col = cell % Columns;
    const int row = cell / Columns;
    return QRect(QPoint(x[col], WeekdayRowHeight + y[row]),
                 QPoint(x[col + 1] - 1, WeekdayRowHeight + y[row + 1] - 1));
}

QRect JvTFMonths::stripRect(int cell) const {
    const QRect r = cellRect(cell);
    return QRect(r.left(), r.top(), r.width(), std::min(StripHeight, r.height()));
}

int JvTFMonths::cellAt(const QPoint& pos) const {
    const int col = partAt(pos.x(), width(), Columns);
    const int row = partAt(pos.y() - WeekdayRowHeight, height() - WeekdayRowHeight, Rows);
    return col < 0 || row < 0 ? -1 : row * Columns + col;
}

int JvTFMonths::stripAt(const QPoint& pos) const {
    const int cell = cellAt(pos);
    return cell >= 0 && stripRect(cell).contains(pos) ? cell : -1;
}

bool JvTFMonths::selectCell(int cell) {
    if (cell < -1 || cell >= CellCount) return false;
    const int next = cell == 0 ? -1 : cell;
    if (next == selected_) return true;
    const int previous = selected_;
    selected_ = next;
    if (bufferValid_ && !buffer_.isNull()) {
        QPainter p(&buffer_);
        for (int c : {previous, next}) {
            if (c < 0) continue;
            paintStrip(p, c);
            update(stripRect(c));
        }
    }
    Q_EMIT selectedCellChanged(selected_);
    return true;
}

bool JvTFMonths::selectDate(const QDate& date) {
    const int cell = cellOfDate(date);
    return cell >= 0 && selectCell(cell);
}

QDate JvTFMonths::selectedDate() const {
    return dateOfCell(selected_ >= 0 ? selected_ : 0);
}

QSize JvTFMonths::sizeHint() const {
    return {Columns * 100, WeekdayRowHeight + Rows * 80};
}

QSize JvTFMonths::minimumSizeHint() const {
    return {Columns * 20, WeekdayRowHeight + Rows * StripHeight};
}

void JvTFMonths::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressedStrip_ = stripAt(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void JvTFMonths::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    // Selection and click event together, so the page always loads the day
    // that is shown selected; a press dragged off the strip does neither.
    const int cell = stripAt(event->position().toPoint());
    const bool isClick = cell >= 0 && cell == pressedStrip_;
    pressedStrip_ = -1;
    if (!isClick) return;
    selectCell(cell);
    Q_EMIT clicked();
}

void JvTFMonths::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::LocaleChange:
        invalidateBuffer();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void JvTFMonths::invalidateBuffer() {
    bufferValid_ = false;
    update();
}

void JvTFMonths::paintEvent(QPaintEvent* event) {
    // A resize needs no handler: Qt repaints, and the buffer no longer fits.
    if (!bufferValid_ || buffer_.deviceIndependentSize().toSize() != size() ||
        buffer_.devicePixelRatio() != devicePixelRatioF())
        rebuildBuffer();
    QPainter p(this);
    p.setClipRegion(event->region());
    p.drawPixmap(0, 0, buffer_);
}

void JvTFMonths::rebuildBuffer() {
    const qreal dpr = devicePixelRatioF();
    buffer_ = QPixmap(size() * dpr);
    buffer_.setDevicePixelRatio(dpr);
    bufferValid_ = true;
    if (buffer_.isNull()) return;
    buffer_.fill(kMoneyGreen);
    QPainter p(&buffer_);
    paintWeekdayRow(p);
    // The font as the painter drew with it, its face and glyphs loaded: held,
    // Qt's font cache keeps them for the next month instead of dropping them
    // once the cache fills with the notes' fonts.
    paintedFont_ = p.font();
    for (int cell = 0; cell < CellCount; ++cell) paintCell(p, cell);
}

void JvTFMonths::paintWeekdayRow(QPainter& p) const {
    const QList<int> x = edges(width(), Columns);
    p.setFont(dayFont_);
    for (int col = 0; col < Columns; ++col) {
        const QRect r(x[col], 0, x[col + 1] - x[col], WeekdayRowHeight);
        p.fillRect(r, kSkyBlue);
        p.setPen(kHighlight);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(kShadow);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(kTeal);
        p.drawText(r, Qt::AlignCenter, QString::fromUtf16(kWeekdayLetters[col]));
    }
}

void JvTFMonths::paintCell(QPainter& p, int cell) const {
    const QRect r = cellRect(cell);
    if (r.isEmpty()) return;
    // The body stays the panel colour; one shadow line on the right and bottom
    // edges separates the cells without a gap.
    p.fillRect(r, kMoneyGreen);
    p.setPen(kShadow);
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    paintStrip(p, cell);
}

void JvTFMonths::paintStrip(QPainter& p, int cell) const {
    // Inside the cell's edge lines, so a repaint of the strip alone leaves them intact.
    const QRect r = stripRect(cell) & cellRect(cell).adjusted(0, 0, -1, -1);
    if (r.isEmpty()) return;
    QColor back = Qt::white;
    QColor text = Qt::black;
    const int col = cell % Columns;
    if (cell == selected_) {
        back = kMoneyGreen;
    } else if (isExtraDay(cell)) {
        text = kExtraGrey;
    } else if (col == 0 || col == Columns - 1) {
        text = kNavy;
    }
    p.fillRect(r, back);
    if (cell == selected_) {
        // clInactiveCaptionText
        p.setPen(palette().color(QPalette::Inactive, QPalette::WindowText));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    p.setFont(dayFont_);
    p.setPen(text);
    const QRect labelBox = r.adjusted(2, 0, -2, 0);
    const QString label = dayLabel(cell);
    p.drawText(labelBox, Qt::AlignCenter, label);

    // Official day off or make-up working day: a mark at the strip's right end, clear of the
    // centred label, faded on the neighbouring months' days like their numbers.
    const QDate date = dateOfCell(cell);
    const lunar::DayOff kind = lunar::DayOffOf(date.year(), date.month(), date.day());
    if (kind == lunar::DayOff::None) return;
    const int advance = std::min(p.fontMetrics().horizontalAdvance(label), labelBox.width());
    QColor color = kind == lunar::DayOff::Off ? marks::dayOffColor() : marks::workdayColor();
    if (isExtraDay(cell)) color.setAlpha(96);
    marks::drawCornerMark(p, QString::fromUtf8(lunar::DayOffMark(kind)), color, markFont_,
                          r.adjusted(1, 1, -3, -1), Qt::AlignVCenter,
                          labelBox.left() + (labelBox.width() + advance) / 2);
}

} // namespace kuvano
