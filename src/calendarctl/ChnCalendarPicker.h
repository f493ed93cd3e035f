#pragma once
// TChnCalendar: a month of the civil calendar with its Chinese lunar texts,
// a title band to step months and years, and a status line. The main window
// uses it twice: as the month picker (title band only) and as the full
// calendar of the calendar page.

#include "calendarctl/ChnCalendarModel.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QPainter;

namespace kuvano::calendarctl {

class CalendarGrid;
class UpDown;

class TChnCalendar : public QWidget {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject* sender)>;
    // Lets the owner change a day cell's text (Text) or draw the cell itself
    // (defaultDraw = false). canvas is the cell's, r = (0, 0, w, h).
    using TDrawDateCellEvent =
        std::function<void(QObject* sender, int day, QPainter& canvas, const QRect& r,
                           bool selected, QString& text, bool& defaultDraw)>;

    explicit TChnCalendar(QWidget* parent = nullptr);
    ~TChnCalendar() override;

    // The date-time value shown: days since 1899-12-30, fraction = time of day.
    double DateTime() const { return dateTime_; }
    void SetDateTime(double value);
    void SetDateTime(const QDateTime& value) { SetDateTime(toDateTimeValue(value)); }
    QDate Date() const;

    bool ShowTitle() const { return showTitle_; }
    void SetShowTitle(bool on);
    bool ShowWeekNum() const { return showWeekNum_; }
    void SetShowWeekNum(bool on);
    bool ShowFrame() const { return showFrame_; }
    void SetShowFrame(bool on) { setBackgroundProperty(showFrame_, on); }
    bool ShowBackYearMonth() const { return showBackYearMonth_; }
    void SetShowBackYearMonth(bool on) { setBackgroundProperty(showBackYearMonth_, on); }
    bool ShowWeekNumLine() const { return showWeekNumLine_; }
    void SetShowWeekNumLine(bool on);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool on);

    const QFont& FontDate() const { return fontDate_; }
    void SetFontDate(const QFont& f);
    const QFont& FontCnDate() const { return fontCnDate_; }
    void SetFontCnDate(const QFont& f);

    // Colours that only need a repaint.
    ColorRef ColorTitleWeekLine() const { return colorTitleWeekLine_; }
    void SetColorTitleWeekLine(ColorRef c) { setRepaintColor(colorTitleWeekLine_, c); }
    ColorRef ColorTitleWeekEnd() const { return colorTitleWeekEnd_; }
    void SetColorTitleWeekEnd(ColorRef c) { setRepaintColor(colorTitleWeekEnd_, c); }
    ColorRef ColorTitleWeek() const { return colorTitleWeek_; }
    void SetColorTitleWeek(ColorRef c) { setRepaintColor(colorTitleWeek_, c); }
    ColorRef ColorSelectedStart() const { return colorSelectedStart_; }
    void SetColorSelectedStart(ColorRef c) { setRepaintColor(colorSelectedStart_, c); }
    ColorRef ColorSelectedEnd() const { return colorSelectedEnd_; }
    void SetColorSelectedEnd(ColorRef c) { setRepaintColor(colorSelectedEnd_, c); }
    ColorRef ColorSelectedFrame() const { return colorSelectedFrame_; }
    void SetColorSelectedFrame(ColorRef c) { setRepaintColor(colorSelectedFrame_, c); }
    ColorRef ColorWeekNum() const { return colorWeekNum_; }
    void SetColorWeekNum(ColorRef c) { setRepaintColor(colorWeekNum_, c); }
    // Stored only: used at the next repaint.
    ColorRef ColorTitleConstellation() const { return colorTitleConstellation_; }
    void SetColorTitleConstellation(ColorRef c) { colorTitleConstellation_ = c; }
    ColorRef ColorTitleAnimalsYear() const { return colorTitleAnimalsYear_; }
    void SetColorTitleAnimalsYear(ColorRef c) { colorTitleAnimalsYear_ = c; }

    // Colours baked into the cell table: setting one rebuilds the month.
    ColorRef ColorCnDate() const { return labelColors_.cnDate; }
    void SetColorCnDate(ColorRef c) { setMonthColor(labelColors_.cnDate, c); }
    ColorRef ColorDate() const { return labelColors_.date; }
    void SetColorDate(ColorRef c) { setMonthColor(labelColors_.date, c); }
    ColorRef ColorHoliday() const { return labelColors_.holiday; }
    void SetColorHoliday(ColorRef c) { setMonthColor(labelColors_.holiday, c); }
    ColorRef ColorLunarHolDay() const { return labelColors_.lunarHoliday; }
    void SetColorLunarHolDay(ColorRef c) { setMonthColor(labelColors_.lunarHoliday, c); }
    ColorRef ColorCnHolDay() const { return labelColors_.cnHoliday; }
    void SetColorCnHolDay(ColorRef c) { setMonthColor(labelColors_.cnHoliday, c); }

    // Colours of the background buffer.
    ColorRef ColorShowFrame() const { return colorShowFrame_; }
    void SetColorShowFrame(ColorRef c);
    ColorRef ColorBackYear() const { return colorBackYear_; }
    void SetColorBackYear(ColorRef c) { setBackgroundProperty(colorBackYear_, c); }
    ColorRef ColorBackMonth() const { return colorBackMonth_; }
    void SetColorBackMonth(ColorRef c) { setBackgroundProperty(colorBackMonth_, c); }

    // Font colours of the title labels.
    ColorRef ColorTitleToday() const { return colorTitleToday_; }
    void SetColorTitleToday(ColorRef c) { setTitleColor(colorTitleToday_, lblToday_, c); }
    ColorRef ColorTitleMonth() const { return colorTitleMonth_; }
    void SetColorTitleMonth(ColorRef c) { setTitleColor(colorTitleMonth_, lblMonth_, c); }
    ColorRef ColorTitleYear() const { return colorTitleYear_; }
    void SetColorTitleYear(ColorRef c) { setTitleColor(colorTitleYear_, lblYear_, c); }
    ColorRef ColorTitleSelected() const { return colorTitleSelected_; }
    void SetColorTitleSelected(ColorRef c) { setTitleColor(colorTitleSelected_, lblStatus_, c); }

    // Lunar texts of the selected date; overwritten by every date change.
    QString CnDate() const { return model_.CnDate; }
    void SetCnDate(const QString& s) { model_.CnDate = s; }
    QString CnMonth() const { return model_.CnMonth; }
    void SetCnMonth(const QString& s) { model_.CnMonth = s; }
    QString CnDay() const { return model_.CnDay; }
    void SetCnDay(const QString& s) { model_.CnDay = s; }

    // Background picture (copied in) and its placement and opacity in percent.
    const QImage& BackGround() const { return backGround_; }
    void SetBackGround(const QImage& picture);
    bool Center() const { return center_; }
    void SetCenter(bool on) { setBackgroundProperty(center_, on); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on) { setBackgroundProperty(stretch_, on); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on) { setBackgroundProperty(transparent_, on); }
    int AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(int percent); // 0..255, taken mod 100 when blending

    NotifyEvent OnChange;     // after every accepted date change
    NotifyEvent OnDateSelect; // a click released on the grid's current day cell
    NotifyEvent OnDateClick;  // a day chosen by the user after a mouse press on the grid
    TDrawDateCellEvent OnDrawDateCell;
    TDrawDateCellEvent OnDrawCnDateCell;

    // The month on show, its cells and texts.
    const CalendarMonthModel& Month() const { return model_; }
    const CalendarCell& Cell(int index) const { return model_.cell(index); }
    const QString& WeekText(int row) const { return model_.weekText(row); }
    QString StatusText() const;
    CalendarGrid* Grid() const { return grid_; }
    // The title's menus, made at their first use: hundreds of entries that
    // most starts never open.
    QMenu* MonthMenu();
    QMenu* YearMenu();

    // The control-sized buffer the control and its grid paint from.
    // Drawn when first asked for after a change: a control set up in several
    // steps, or changed while out of view, draws it once, when it is painted.
    const QImage& Background() const;
    void RebuildBackground(); // after a change drawn into it
    // Where a picture of the given size lands in a layer when stretched.
    static QRect FitRect(const QSize& picture, const QSize& layer, bool center);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTitle();
    void buildMenus();
    void layoutGrid();
    void rebuildMonth(double value);
    void syncUpDowns();
    void stepMonth(int position);
    void stepYear(int year);
    void goToday();
    bool selectCell(int column, int row);
    void gridClicked(int column, int row);
    void setTitleColor(ColorRef& field, QLabel* label, ColorRef c);

    void setRepaintColor(ColorRef& field, ColorRef c);
    void setMonthColor(ColorRef& field, ColorRef c);
    // Properties drawn into the background buffer.
    template <class T> void setBackgroundProperty(T& field, T value) {
        field = value;
        RebuildBackground();
        update();
    }

    // Painting (ChnCalendarPaint.cpp).
    void drawCell(QPainter& p, int column, int row, const QRect& r, bool selected);
    void drawHeaderCell(QPainter& p, int column, const QRect& r);
    void drawDayCell(QPainter& p, int index, const QRect& r, bool showSelection);
    void drawTitleCell(QPainter& p, int index, const QRect& r);
    void drawBackground() const;
    void blendPicture() const;
    QRect gridBounds() const;

    CalendarMonthModel model_;
    LabelColors labelColors_;
    double dateTime_ = -1e9; // no date yet: the first SetDateTime always runs
    bool selectionGuard_ = false;
    bool mouseClick_ = false;

    bool showTitle_ = false;
    bool showWeekNum_ = false;
    bool showFrame_ = true;
    bool showBackYearMonth_ = true;
    bool showWeekNumLine_ = true;
    bool hideSelection_ = false;
    QFont fontDate_;
    QFont fontCnDate_;
    ColorRef colorTitleWeekLine_ = 12961221;
    ColorRef colorTitleWeekEnd_ = 255;
    ColorRef colorTitleWeek_ = 5197647;
    ColorRef colorSelectedStart_ = 5484032;
    ColorRef colorSelectedEnd_ = 6673664;
    ColorRef colorSelectedFrame_ = 4625152;
    ColorRef colorWeekNum_ = 8421504;
    ColorRef colorShowFrame_ = 8421504;
    ColorRef colorBackYear_ = 14543103;
    ColorRef colorBackMonth_ = 15461355;
    ColorRef colorTitleToday_ = 16711680;
    ColorRef colorTitleMonth_ = 12615808;
    ColorRef colorTitleYear_ = 16711680;
    ColorRef colorTitleSelected_ = 8421504;
    ColorRef colorTitleConstellation_ = 0;
    ColorRef colorTitleAnimalsYear_ = 0;
    QImage backGround_;
    bool center_ = false;
    bool stretch_ = false;
    bool transparent_ = false;
    int alphaBlend_ = 50;

    mutable QImage background_;   // control-sized: white, frame, faint year and month, picture
    mutable QImage pictureLayer_; // control-sized picture on white; null without a picture
    mutable bool backgroundStale_ = true;
    QRect gridRect_; // as laid out; may be negative-sized in a title-only control

    CalendarGrid* grid_ = nullptr;
    QLabel* lblMonth_ = nullptr;
    QLabel* lblMonthUnit_ = nullptr;
    QLabel* lblYear_ = nullptr;
    QLabel* lblYearUnit_ = nullptr;
    QLabel* lblToday_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    UpDown* udMonth_ = nullptr;
    UpDown* udYear_ = nullptr;
    QMenu* monthMenu_ = nullptr;
    QMenu* yearMenu_ = nullptr;
};

// Sets up a control as the main window's month picker: 242 x 42 so that only
// the title band shows, hand cursor, white background year and month, blue
// month number, the supplied picture blended at 50, hidden until shown.
void ConfigureAsMonthPicker(TChnCalendar& calendar, const QImage& picture);

// Font by Windows point size at 96 dots per inch, the size the layout assumes.
QFont windowsFont(const QString& family, int points, bool bold = false);

} // namespace kuvano::calendarctl
