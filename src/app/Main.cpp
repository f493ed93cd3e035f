#include "app/Main.h"

#include "calendarctl/ChnCalendarPicker.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/JvTFMonths.h"
#include "notes/NoteBox.h"
#include "notes/untdb.h"
#include "platform/anchors.h"
#include "platform/clock.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "wallpaper/uInfoFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QWindow>

namespace kuvano::app {

namespace {

QLabel* picture(QWidget* parent, const QString& name, const QString& file, bool scaled) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    QPixmap pm(file);
    if (!pm.isNull()) l->setPixmap(pm);
    l->setScaledContents(scaled);
    return l;
}

QWidget* panel(QWidget* parent, const QString& name, QColor color) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, color);
    w->setPalette(p);
    return w;
}

// Shows a database error the way the program reports errors it does not
// handle itself: the engine's text in a message box, and on it goes.
template <typename F> void reporting(QWidget* parent, F&& f) {
    try {
        f();
    } catch (const notes::DbError& e) {
        showMessage(parent, e.message(), QString());
    }
}

} // namespace

TMainForm::TMainForm(const ProgramFolder& folder, notes::TDM& dm, QWidget* parent)
    : QWidget(parent), folder_(folder), dm_(dm) {
    setObjectName(QStringLiteral("MainForm"));
    buildControls();
    FormCreate();
}

TMainForm::~TMainForm() {
    // The boxes save on losing the focus: let the focused one do so while the
    // page state still exists, then take the pages down before it goes.
    hide();
    delete pnlbg;
}

QString TMainForm::DateLine(const QDate& d) {
    static const char16_t* const weekdays[] = {u"一", u"二", u"三", u"四", u"五", u"六", u"日"};
    return QStringLiteral("今天是 %1年%2月%3日(%4)")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(QString::fromUtf16(weekdays[d.dayOfWeek() - 1]));
}

void TMainForm::buildControls() {
    const QString ui = folder_.filePath(QStringLiteral("source/UI/"));
    resize(kDesignSize);
    anchors_ = new AnchorLayout(this, kDesignSize);

    pnlbg = panel(this, QStringLiteral("pnlbg"), QColor(234, 242, 250));
    anchors_->place(pnlbg, QRect(QPoint(0, 0), kDesignSize), AnchorAll);
    auto* bg = new AnchorLayout(pnlbg, kDesignSize);

    imgBackGround = picture(pnlbg, QStringLiteral("imgBackGround"),
                            ui + QStringLiteral("background.png"), true);
    bg->place(imgBackGround, QRect(2, 18, 1323, 809), AnchorAll);
    img1 = picture(pnlbg, QStringLiteral("img1"), ui + QStringLiteral("title.png"), true);
    bg->place(img1, QRect(0, 0, 1327, 21), AnchorLeft | AnchorTop | AnchorRight);
    img2 = picture(pnlbg, QStringLiteral("img2"), ui + QStringLiteral("logo.png"), false);
    bg->place(img2, QRect(15, 19, 225, 62));
    for (QLabel* l : {imgBackGround, img1}) l->installEventFilter(this);

    lblDateTime = new QLabel(pnlbg);
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    lblDateTime->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0);"));
    lblDateTime->setFont(fonts::byPixels(QStringLiteral("宋体"), 13));
    bg->place(lblDateTime, QRect(327, 36, 260, 18));
    lblUnsaved = new QLabel(QStringLiteral("未保存"), pnlbg);
    lblUnsaved->setObjectName(QStringLiteral("lblUnsaved"));
    lblUnsaved->setStyleSheet(QStringLiteral("color: rgb(220, 0, 0); font-weight: bold;"));
    lblUnsaved->setToolTip(QStringLiteral("最近的修改未能保存到数据库，请检查数据库文件"));
    lblUnsaved->hide();
    bg->place(lblUnsaved, QRect(590, 36, 80, 18));

    auto pageButton = [&](const QString& name, const QString& text, int x) {
        auto* b = new QPushButton(text, pnlbg);
        b->setObjectName(name);
        b->setFlat(true);
        b->setCursor(Qt::PointingHandCursor);
        bg->place(b, QRect(x, 84, 59, 21));
        return b;
    };
    auto* month = pageButton(QStringLiteral("btnMonth"), QStringLiteral("桌面月历"), 85);
    connect(month, &QPushButton::clicked, this, &TMainForm::btnMonthClick);
    btnMonth = month;
    auto* rili = pageButton(QStringLiteral("btnRili"), QStringLiteral("日历"), 233);
    connect(rili, &QPushButton::clicked, this, &TMainForm::btnRiliClick);
    btnRili = rili;

    ccbFont = new QComboBox(pnlbg);
    ccbFont->setObjectName(QStringLiteral("ccbFont"));
    bg->place(ccbFont, QRect(379, 82, 110, 22));
    cbbFontSize = new QComboBox(pnlbg);
    cbbFontSize->setObjectName(QStringLiteral("cbbFontSize"));
    for (int s = 10; s <= 14; ++s) cbbFontSize->addItem(QString::number(s));
    bg->place(cbbFontSize, QRect(493, 82, 48, 22));
    connect(cbbFontSize, &QComboBox::activated, this, [this] { ApplyFontSize(); });

    lblSet = new QLabel(QStringLiteral("|  选项"), pnlbg);
    lblSet->setObjectName(QStringLiteral("lblSet"));
    lblSet->setCursor(Qt::PointingHandCursor);
    bg->place(lblSet, QRect(1123, 88, 60, 16), AnchorTop | AnchorRight);

    PanelCanlender = panel(pnlbg, QStringLiteral("PanelCanlender"), QColor(192, 220, 192));
    bg->place(PanelCanlender, QRect(6, 112, 1109, 697), AnchorAll);
    pgcMain = new QStackedWidget(PanelCanlender);
    pgcMain->setObjectName(QStringLiteral("pgcMain"));
    auto* pages = new AnchorLayout(PanelCanlender, QSize(1109, 697));
    pages->place(pgcMain, QRect(0, 0, 1109, 697), AnchorAll);
    tsTaiLi = new QWidget;
    tsTaiLi->setObjectName(QStringLiteral("tsTaiLi"));
    pgcMain->addWidget(tsTaiLi);
    pnlTaiLi = panel(tsTaiLi, QStringLiteral("pnlTaiLi"), QColor(192, 220, 192));
    auto* page = new AnchorLayout(tsTaiLi, QSize(1109, 697));
    page->place(pnlTaiLi, QRect(0, 0, 1109, 697), AnchorAll);
    pnlTaiLi->installEventFilter(this);

    tsRili = new QWidget;
    tsRili->setObjectName(QStringLiteral("tsRili"));
    pgcMain->addWidget(tsRili);
    pnlRili = panel(tsRili, QStringLiteral("pnlRili"), QColor(Qt::white));
    auto* riliPage = new AnchorLayout(tsRili, QSize(1109, 697));
    riliPage->place(pnlRili, QRect(0, 0, 1109, 697), AnchorAll);
    pnlRili->installEventFilter(this);
    chnRili = new calendarctl::TChnCalendar(pnlRili);
    chnRili->setObjectName(QStringLiteral("chnRili"));

    // The month picker: only the title band of a calendar control shows.
    ChnCalendar1 = new calendarctl::TChnCalendar(pnlbg);
    ChnCalendar1->setObjectName(QStringLiteral("ChnCalendar1"));
    calendarctl::ConfigureAsMonthPicker(*ChnCalendar1, QImage(ui + QStringLiteral("picker.bmp")));
    // Beside the options label: right edge 6 past the page control's, top 22 above the label.
    bg->place(ChnCalendar1, QRect(6 + 1109 - 242 + 6, 88 - 22, 242, 42), AnchorTop | AnchorRight);
    ChnCalendar1->hide();
    ChnCalendar1->OnChange = [this](QObject*) { ChnCalendar1Change(); };

    PanelAttach = panel(pnlbg, QStringLiteral("PanelAttach"), QColor(234, 242, 250));
    bg->place(PanelAttach, QRect(1120, 110, 202, 701), AnchorTop | AnchorRight | AnchorBottom);
    pnlRijishi = panel(PanelAttach, QStringLiteral("pnlRijishi"), QColor(Qt::white));
    auto* side = new AnchorLayout(PanelAttach, QSize(202, 701));
    side->place(pnlRijishi, QRect(0, 236, 202, 465), AnchorAll);
    auto* caption = new QLabel(QStringLiteral("日安排"), pnlRijishi);
    caption->setObjectName(QStringLiteral("lblRijishi"));
    caption->setStyleSheet(QStringLiteral("color: grey;"));
    auto* inSide = new AnchorLayout(pnlRijishi, QSize(202, 465));
    inSide->place(caption, QRect(6, 4, 120, 16));

    day_ = new notes::TDaySchedule(dm_, state_, pnlRijishi);
    inSide->place(day_->box(), QRect(4, 24, 194, 437), AnchorAll);
    desk_ = new notes::TDeskCalendarPage(dm_, state_, pnlTaiLi, *day_);
    day_->selectedDay = [this] { return desk_->grid()->selectedDate(); };
    desk_->onSaveResult = [this](bool saved) { showSaveResult(saved); };
    day_->onSaveResult = [this](bool saved) { showSaveResult(saved); };
}

void TMainForm::FormCreate() {
    // 2. Font names, "宋体" chosen.
    ccbFont->addItems(fonts::screenFontNames());
    ccbFont->setCurrentIndex(ccbFont->findText(QStringLiteral("宋体")));
    // 3. First font size, applied to the rich-text boxes.
    cbbFontSize->setCurrentIndex(0);
    ApplyFontSize();
    // 4, 5. Cell buffers (made with the state), no cell entered, switches off.
    state_.currentCell = -1;
    state_.saving = notes::SaveSwitches();
    confirmWallpaper_ = true;
    // 6. Window size record.
    const QSize screenSize = screen::primarySize();
    sizeRecord_ =
        readWindowSizeFile(folder_.filePath(QStringLiteral("DB3/form.ini")), screenSize).record;
    cbbFontSize->setCurrentIndex(sizeRecord_.fontSizeIndex);
    ApplyFontSize();
    // 7. No system caption or border: the window draws its own.
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(caption());
    // 8. Size.
    if (sizeRecord_.fullScreen != 0)
        resize(screenSize.width(), screenSize.height() - kTaskbarHeight);
    else
        resize(sizeRecord_.width, sizeRecord_.height);
    // 9, 10. Shown date and the date line.
    setShownDate(clock::today());
    lblDateTime->setText(DateLine(clock::today()));
    // 11. Wallpaper confirmation.
    confirmAnswer_ = false;
    confirmWallpaper_ = wallpaper::readConfirmOption(folder_);
    // 12, 14. The desk cells stay hidden until the window is first shown.
    desk_->SetCellsVisible(false);
}

void TMainForm::ApplyFontSize() {
    bool ok = false;
    const int size = cbbFontSize->currentText().toInt(&ok);
    if (!ok || !desk_) return;
    day_->box()->SetWholeFontSize(size);
    for (int n = 1; n <= notes::kDeskCells; ++n) desk_->box(n)->SetWholeFontSize(size);
}

void TMainForm::SetCellsVisible(bool visible) {
    if (pgcMain->currentWidget() == tsTaiLi) desk_->SetCellsVisible(visible);
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    const QSize screenSize = screen::primarySize();
    int left = sizeRecord_.left, top = sizeRecord_.top;
    if (sizeRecord_.fullScreen != 0 || screenSize.width() == sizeRecord_.width) left = top = 0;
    move(left, top);
    desk_->grid()->setDisplayDate(state_.shownDate);
    pgcMain->setCurrentWidget(tsTaiLi);
    ApplySidePanelRule();
    desk_->DeskLayout();
    CalendarLayout();
    desk_->ColorSundayBoxes();
    SetCellsVisible(true);
    state_.lastEdit.clear();
    reporting(this, [&] {
        desk_->LoadMonth();
        desk_->SelectTodayAndLoadDay(clock::today());
    });
    state_.saving.desk = true;
}

bool TMainForm::deskPageOnView() const {
    return pgcMain->currentWidget() == tsTaiLi;
}

void TMainForm::setShownDate(const QDate& date) {
    if (!date.isValid()) return;
    // The picker fires its change event only on a real change.
    ChnCalendar1->SetDateTime(QDateTime(date, QTime(0, 0)));
    state_.shownDate = ChnCalendar1->Date();
}

void TMainForm::ChnCalendar1Change() {
    state_.shownDate = ChnCalendar1->Date();
    if (!shown_) return; // the first showing loads the page
    if (deskPageOnView()) reporting(this, [&] { desk_->ChnCalendar1Change(); });
}

void TMainForm::ApplySidePanelRule() {
    const bool desk = deskPageOnView();
    ChnCalendar1->setVisible(desk);
    ChnCalendar1->setEnabled(desk);
    pnlRijishi->setVisible(desk);
    ccbFont->setVisible(desk);
    cbbFontSize->setVisible(desk);
}

void TMainForm::CalendarLayout() {
    ApplySidePanelRule();
    // The full calendar sits centred, below the sixth row of note lines.
    const int ph = pnlRili->height(), pw = pnlRili->width();
    const int rowStep = (ph - 1) / 21;
    const int edtr11Top = 6 + 5 * rowStep;
    chnRili->move((pw - chnRili->width()) / 2, edtr11Top + 20);
}

void TMainForm::btnMonthClick() {
    if (!deskPageOnView()) {
        state_.saving.desk = false;
        setShownDate(clock::today());
        pgcMain->setCurrentWidget(tsTaiLi);
        desk_->DeskLayout();
        ApplySidePanelRule();
        desk_->grid()->setDisplayDate(state_.shownDate);
        SetCellsVisible(true);
        reporting(this, [&] { desk_->LoadMonth(); });
        state_.saving.desk = true;
        state_.lastEdit.clear();
    }
    reporting(this, [&] { desk_->SelectTodayAndLoadDay(clock::today()); });
}

void TMainForm::btnRiliClick() {
    if (pgcMain->currentWidget() == tsRili) return;
    state_.saving.calendar = false;
    setShownDate(clock::today()); // the page still on view reloads for today first
    chnRili->SetDateTime(QDateTime(clock::today(), QTime(0, 0)));
    pgcMain->setCurrentWidget(tsRili);
    CalendarLayout();
    ApplySidePanelRule();
    state_.saving.calendar = true;
}

void TMainForm::showSaveResult(bool saved) {
    lblUnsaved->setVisible(!saved);
}

void TMainForm::moveFocusToFlush() {
    // The box being edited saves on losing the focus.
    desk_->box(1)->setFocus();
    day_->box()->setFocus();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && focusWidget() == nullptr) {
        moveFocusToFlush();
        QApplication::quit();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        SetCellsVisible(true);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == imgBackGround || watched == img1)) {
        // Dragging the background or the title strip moves the borderless window.
        if (QWindow* w = windowHandle()) w->startSystemMove();
        return true;
    }
    if (watched == pnlTaiLi && event->type() == QEvent::Resize && shown_) desk_->DeskLayout();
    if (watched == pnlRili && event->type() == QEvent::Resize && shown_) CalendarLayout();
    return QWidget::eventFilter(watched, event);
}

} // namespace kuvano::app
