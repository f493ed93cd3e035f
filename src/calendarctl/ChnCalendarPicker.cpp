#include "calendarctl/ChnCalendarPicker.h"

#include "calendarctl/ChnCalendarGrid.h"
#include "platform/fonts.h"
#include "store/clock.h"

#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>

namespace kuvano::calendarctl {
namespace {

constexpr int kMonthRight = 45; // the month number ends where "月" begins

// Number labels get a box that fits their widest text once, so that a date
// change only sets the text and never measures it again.
void fixBox(QLabel* l, const QString& widest, int x, int y) {
    const QFontMetrics fm(l->font());
    l->setGeometry(x, y, fm.horizontalAdvance(widest) + 4, fm.height() + 2);
}

// Keeps a flag raised for one scope and restores it, also on early return.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = saved_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool saved_;
};

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                  const QPoint& at) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->adjustSize();
    l->move(at);
    return l;
}

} // namespace

QFont windowsFont(const QString& family, int points, bool bold) {
    // Windows lays out points at 96 dpi: 9 pt = 12 px. Pixel sizes keep the
    // layout independent of the screen's logical resolution.
    QFont f = fonts::byPixels(family, (points * 96 + 36) / 72, bold);
    if (family == QLatin1String("Arial Black")) f.setWeight(QFont::Black);
    return f;
}

TChnCalendar::TChnCalendar(QWidget* parent) : QWidget(parent) {
    fontDate_ = windowsFont(QStringLiteral("黑体"), 9, true);
    fontCnDate_ = windowsFont(QStringLiteral("宋体"), 9);
    setFont(windowsFont(QStringLiteral("宋体"), 9));
    setMouseTracking(false);

    grid_ = new CalendarGrid(this);
    grid_->setObjectName(QStringLiteral("DateGrid"));
    grid_->selectCell = [this](int c, int r) { return selectCell(c, r); };
    grid_->mousePressed = [this] { mouseClick_ = true; };
    grid_->clicked = [this](int c, int r) { gridClicked(c, r); };
    grid_->drawCell = [this](QPainter& p, int c, int r, const QRect& rect, bool sel) {
        drawCell(p, c, r, rect, sel);
    };
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!showTitle_) YearMenu()->popup(grid_->mapToGlobal(pos));
    });

    createTitle();
    resize(313, 253);

    // What window creation does on the desktop: fixed header sizes, now, title on.
    grid_->setColWidth(0, 6);
    grid_->setRowHeight(0, 18);
    layoutGrid();
    SetDateTime(clock::now());
    SetShowTitle(true);
}

TChnCalendar::~TChnCalendar() = default;

void TChnCalendar::createTitle() {
    const QFont song = windowsFont(QStringLiteral("宋体"), 9);
    lblMonth_ = makeLabel(this, QStringLiteral("lblMonth"), QString(),
                          windowsFont(QStringLiteral("Arial"), 24, true), QPoint(34, 3));
    lblMonth_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    fixBox(lblMonth_, QStringLiteral("12"), 0, 3);
    lblMonth_->move(kMonthRight - lblMonth_->width(), 3);
    lblMonthUnit_ =
        makeLabel(this, QStringLiteral("lblMonthUnit"), QStringLiteral("月"), song, QPoint(45, 20));
    lblYear_ = makeLabel(this, QStringLiteral("lblYear"), QString(),
                         windowsFont(QStringLiteral("Arial Black"), 22), QPoint(120, 0));
    lblYearUnit_ =
        makeLabel(this, QStringLiteral("lblYearUnit"), QStringLiteral("年"), song, QPoint(205, 18));
    QFont underlined = song;
    underlined.setUnderline(true);
    lblToday_ = makeLabel(this, QStringLiteral("lblToday"), QStringLiteral("今天"), underlined,
                          QPoint(272, 18));
    fixBox(lblYear_, QStringLiteral("2100"), 120, 0);
    lblStatus_ = makeLabel(this, QStringLiteral("lblStatus"), QString(), song, QPoint(10, 236));
    // wide enough for the longest era text; the control clips what passes its edge
    lblStatus_->setGeometry(10, 236, 400, QFontMetrics(song).height() + 2);
    ColorRef black = 0;
    for (QLabel* l : {lblMonthUnit_, lblYearUnit_}) setTitleColor(black, l, 0);
    setTitleColor(colorTitleMonth_, lblMonth_, colorTitleMonth_);
    setTitleColor(colorTitleYear_, lblYear_, colorTitleYear_);
    setTitleColor(colorTitleToday_, lblToday_, colorTitleToday_);
    setTitleColor(colorTitleSelected_, lblStatus_, colorTitleSelected_);
    for (QLabel* l : {lblMonth_, lblYear_, lblToday_}) l->setCursor(Qt::PointingHandCursor);
    for (QLabel* l : {lblMonth_, lblMonthUnit_, lblYear_, lblYearUnit_, lblToday_}) {
        l->installEventFilter(this);
        l->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(l, &QWidget::customContextMenuRequested, this, [this, l](const QPoint& pos) {
            if (l == lblToday_) return;
            QMenu* m = (l == lblMonth_ || l == lblMonthUnit_) ? MonthMenu() : YearMenu();
            m->popup(l->mapToGlobal(pos));
        });
    }

    udMonth_ = new UpDown(0, 13, this);
    udMonth_->setObjectName(QStringLiteral("udMonth"));
    udMonth_->move(60, 10);
    connect(udMonth_, &UpDown::stepped, this, [this](int pos) { stepMonth(pos); });
    udYear_ = new UpDown(1, 2100, this);
    udYear_->setObjectName(QStringLiteral("udYear"));
    udYear_->move(220, 10);
    connect(udYear_, &UpDown::stepped, this, [this](int pos) { stepYear(pos); });
}

QMenu* TChnCalendar::MonthMenu() {
    if (!monthMenu_) buildMenus();
    return monthMenu_;
}

QMenu* TChnCalendar::YearMenu() {
    if (!yearMenu_) buildMenus();
    return yearMenu_;
}

void TChnCalendar::buildMenus() {
    monthMenu_ = new QMenu(this);
    monthMenu_->setObjectName(QStringLiteral("MonthMenu"));
    yearMenu_ = new QMenu(this);
    yearMenu_->setObjectName(QStringLiteral("YearMenu"));
    auto addToday = [this](QMenu* menu, const QString& name) {
        QAction* a = menu->addAction(QStringLiteral("今日"));
        a->setObjectName(name);
        menu->setDefaultAction(a);
        connect(a, &QAction::triggered, this, [this] { goToday(); });
    };
    auto addSeparator = [](QMenu* menu, const QString& name) {
        menu->addSeparator()->setObjectName(name);
    };

    addToday(monthMenu_, QStringLiteral("MenuMonth_ToDay"));
    addSeparator(monthMenu_, QStringLiteral("MenuMonth_ToDay_"));
    const QLocale locale;
    for (int m = 1; m <= 12; ++m) {
        QAction* a = monthMenu_->addAction(locale.monthName(m, QLocale::LongFormat));
        a->setObjectName(QStringLiteral("MenuMonth_%1").arg(m - 1));
        a->setData(m);
        connect(a, &QAction::triggered, this, [this, m] {
            udMonth_->setPosition(m);
            stepMonth(m);
        });
    }

    auto addYear = [this](QMenu* menu, const QString& prefix, int year) {
        QAction* a = menu->addAction(QString::number(year));
        a->setObjectName(prefix + QString::number(year));
        a->setData(year);
        connect(a, &QAction::triggered, this, [this, year] {
            udYear_->setPosition(year);
            stepYear(year);
        });
    };
    auto addGroup = [](QMenu* parent, const QString& name, int caption) {
        QMenu* group = parent->addMenu(QString::number(caption));
        group->setObjectName(name);
        group->menuAction()->setObjectName(name);
        return group;
    };

    addToday(yearMenu_, QStringLiteral("MenuYear_ToDay"));
    addSeparator(yearMenu_, QStringLiteral("MenuYear_ToDay_1"));
    QMenu* history = yearMenu_->addMenu(QStringLiteral("历史日期"));
    history->setObjectName(QStringLiteral("MenuYear_History"));
    history->menuAction()->setObjectName(QStringLiteral("MenuYear_History"));
    const QString historyPrefix = QStringLiteral("MenuYear_History_");
    for (int g = 0; g <= 1800; g += 100) {
        QMenu* group = addGroup(history, historyPrefix + QString::number(g + 10), g);
        for (int y = g + 10; y <= g + 100; y += 10) addYear(group, historyPrefix, y);
    }
    addSeparator(yearMenu_, QStringLiteral("MenuYear_ToDay_2"));
    const QString yearPrefix = QStringLiteral("MenuYear_");
    for (int g = 1900; g <= 2090; g += 10) {
        QMenu* group = addGroup(yearMenu_, yearPrefix + QString::number(g), g);
        for (int y = g; y <= g + 9; ++y) addYear(group, yearPrefix, y);
    }
}

QDate TChnCalendar::Date() const {
    return QDate(model_.year(), model_.month(), model_.day());
}

QString TChnCalendar::StatusText() const {
    return lblStatus_->text();
}

void TChnCalendar::SetDateTime(double value) {
    if (value == dateTime_) return;
    rebuildMonth(value);
}

void TChnCalendar::rebuildMonth(double value) {
    if (!model_.rebuild(value, labelColors_)) return;
    dateTime_ = value;
    syncUpDowns();
    lblMonth_->setText(QString::number(model_.month()));
    lblYear_->setText(QString::number(model_.year()));
    lblStatus_->setText(model_.statusText());

    const CellPos pos = cellPos(model_.selectedCell());
    {
        const FlagGuard guard(selectionGuard_);
        grid_->setCurrentCell(pos.column, pos.row);
    }
    RebuildBackground();
    grid_->update();
    update();
    if (OnChange) OnChange(this);
}

void TChnCalendar::syncUpDowns() {
    udYear_->setPosition(model_.year());
    udMonth_->setPosition(model_.month());
}

void TChnCalendar::stepMonth(int position) {
    int y = model_.year();
    int m = position;
    if (m >= 13) {
        ++y;
        m = 1;
    } else if (m <= 0) {
        --y;
        m = 12;
    }
    if (y >= 1 && y <= 2100) {
        const int d = std::min(model_.day(), daysInMonth(y, m));
        SetDateTime(lunar::EncodeDate(y, m, d));
    }
    // A refused step (before year 1, after 2100) must not leave the arrows at 0 or 13.
    syncUpDowns();
}

void TChnCalendar::stepYear(int year) {
    const int m = model_.month();
    const int d = std::min(model_.day(), daysInMonth(year, m));
    if (year >= 1 && year <= 2100 && d >= 1)
        SetDateTime(lunar::EncodeDate(year, m, d));
    else
        goToday();
    syncUpDowns();
}

void TChnCalendar::goToday() {
    SetDateTime(clock::now());
}

bool TChnCalendar::selectCell(int column, int row) {
    if (selectionGuard_) return true;
    if (column < 1 || column > 7 || row < 1 || row > 6) return false;
    const int index = cellIndex(column, row);
    if (index > kLastDayCell || !model_.cell(index).present) return false;
    SetDateTime(lunar::EncodeDate(model_.year(), model_.month(), model_.cell(index).day));
    if (OnDateClick && mouseClick_) OnDateClick(this);
    return true;
}

void TChnCalendar::gridClicked(int column, int row) {
    if (column == grid_->currentColumn() && row == grid_->currentRow() && OnDateSelect)
        OnDateSelect(this);
}

void TChnCalendar::layoutGrid() {
    const int w = width(), h = height();
    gridRect_ = showTitle_ ? QRect(8, 40, w - 15, h - 67) : QRect(2, 2, w - 4, h - 4);
    grid_->setGeometry(gridRect_.x(), gridRect_.y(), std::max(0, gridRect_.width()),
                       std::max(0, gridRect_.height()));
    udMonth_->setVisible(showTitle_);
    udYear_->setVisible(showTitle_);

    const int cw = grid_->width(), ch = grid_->height();
    const int colW = (cw - grid_->colWidth(0)) / 7 - 1;
    for (int c = 1; c <= 7; ++c) grid_->setColWidth(c, colW);
    grid_->setColWidth(8, cw - grid_->colWidth(0) - 7 * colW);
    const int rowH = (ch - grid_->rowHeight(0)) / 6 - 1;
    for (int r = 1; r <= 5; ++r) grid_->setRowHeight(r, rowH);
    grid_->setRowHeight(6, ch - grid_->rowHeight(0) - 5 * rowH);

    RebuildBackground();
    grid_->update();
    update();
}

void TChnCalendar::SetShowTitle(bool on) {
    showTitle_ = on;
    layoutGrid();
}

void TChnCalendar::SetShowWeekNum(bool on) {
    if (on == showWeekNum_) return;
    showWeekNum_ = on;
    grid_->setColWidth(0, on ? 18 : 6);
}

void TChnCalendar::SetShowWeekNumLine(bool on) {
    showWeekNumLine_ = on;
    grid_->update();
}

void TChnCalendar::SetHideSelection(bool on) {
    hideSelection_ = on;
    grid_->update();
}

void TChnCalendar::SetFontDate(const QFont& f) {
    fontDate_ = f;
    grid_->update();
}

void TChnCalendar::SetFontCnDate(const QFont& f) {
    fontCnDate_ = f;
    grid_->update();
}

void TChnCalendar::setRepaintColor(ColorRef& field, ColorRef c) {
    field = c;
    grid_->update();
}

void TChnCalendar::setMonthColor(ColorRef& field, ColorRef c) {
    if (field == c) return;
    field = c;
    rebuildMonth(dateTime_);
}

void TChnCalendar::SetColorShowFrame(ColorRef c) {
    if (showFrame_)
        setBackgroundProperty(colorShowFrame_, c);
    else
        colorShowFrame_ = c;
}

void TChnCalendar::setTitleColor(ColorRef& field, QLabel* label, ColorRef c) {
    field = c;
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, toQColor(c));
    label->setPalette(pal);
}

void TChnCalendar::SetBackGround(const QImage& picture) {
    setBackgroundProperty(backGround_, picture.copy());
}

void TChnCalendar::SetAlphaBlend(int percent) {
    setBackgroundProperty(alphaBlend_, std::clamp(percent, 0, 255));
}

void TChnCalendar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutGrid();
}

void TChnCalendar::leaveEvent(QEvent* event) {
    mouseClick_ = false;
    QWidget::leaveEvent(event);
}

void TChnCalendar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && grid_) {
        RebuildBackground();
        grid_->update();
        update();
    }
}

bool TChnCalendar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (watched == lblToday_) {
            goToday();
            return true;
        }
        if (watched == lblMonth_ || watched == lblMonthUnit_) {
            MonthMenu()->popup(at);
            return true;
        }
        if (watched == lblYear_ || watched == lblYearUnit_) {
            YearMenu()->popup(at);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ConfigureAsMonthPicker(TChnCalendar& calendar, const QImage& picture) {
    calendar.resize(242, 42);
    calendar.setCursor(Qt::PointingHandCursor);
    calendar.SetColorBackYear(16777215);
    calendar.SetColorBackMonth(16777215);
    calendar.SetColorTitleMonth(16711680);
    calendar.SetAlphaBlend(50);
    calendar.SetBackGround(picture);
    calendar.hide();
}

} // namespace kuvano::calendarctl
