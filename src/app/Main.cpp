#include "app/Main.h"

#include "app/MainFrame.h"
#include "app/MainWallpaper.h"
#include "app/uFrmSet.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "calendarctl/JvTFMonths.h"
#include "lock/untPWSet.h"
#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/EditCommands.h"
#include "notes/FormatTools.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "platform/anchors.h"
#include "platform/background.h"
#include "platform/fonts.h"
#include "platform/guarded.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "platform/sharp_picture.h"
#include "store/clock.h"
#include "store/line_file.h"
#include "store/untdb.h"
#include "wallpaper/composer.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace kuvano::app {

// The page control pgcMain: four sheets at one place, tabs hidden, one on
// view. Every sheet (and the one panel filling it) follows the control's
// size, on view or not, so that the layout routines of hidden pages see
// their real size.
class PageControl : public QWidget {
public:
    explicit PageControl(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("pgcMain"));
    }
    QWidget* addSheet(const QString& sheetName, const QString& panelName, const QColor& color) {
        auto* sheet = new QWidget(this);
        sheet->setObjectName(sheetName);
        QWidget* panel = colorPanel(sheet, panelName, color);
        pages_.push_back({sheet, panel});
        fit(pages_.back());
        sheet->setVisible(pages_.size() == 1);
        return panel;
    }
    int current() const { return current_; }
    QWidget* sheet(int i) const { return pages_[size_t(i)].sheet; }
    void setCurrent(int i) {
        current_ = i;
        for (size_t k = 0; k < pages_.size(); ++k) pages_[k].sheet->setVisible(int(k) == i);
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        for (const Sheet& s : pages_) fit(s);
    }

private:
    struct Sheet {
        QWidget* sheet;
        QWidget* panel;
    };
    // The sheet's client area, inside the control's border.
    void fit(const Sheet& s) {
        s.sheet->setGeometry(rect().adjusted(4, 6, -4, -4));
        s.panel->setGeometry(QRect(QPoint(0, 0), s.sheet->size()));
    }
    std::vector<Sheet> pages_;
    int current_ = 0;
};

namespace {

// Sheets in page control order.
constexpr Page kPages[] = {Page::Desk, Page::General, Page::Yearly, Page::Calendar};
int sheetIndex(Page p) {
    for (int i = 0; i < 4; ++i)
        if (kPages[i] == p) return i;
    return 0;
}

} // namespace

SidePanel SidePanelRule(Page page) {
    switch (page) {
    case Page::Yearly:
        return {true, true, true, false, true};
    case Page::Desk:
        return {true, true, false, true, true};
    case Page::General:
        return {true, std::nullopt, true, false, false};
    case Page::Calendar:
        return {false, std::nullopt, true, false, false};
    }
    return {};
}

TMainForm::TMainForm(const ProgramFolder& folder, notes::TDM& dm, QWidget* parent)
    : QWidget(parent), folder_(folder), dm_(dm) {
    setObjectName(QStringLiteral("MainForm"));
    endProgram = [] { QCoreApplication::quit(); };
    buildControls();
    FormCreate();
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm() {
    qApp->removeEventFilter(this);
    dm_.onHeldSaves = nullptr;
    // The boxes save on losing the focus: let the focused one do so while the
    // page state still exists, then take the pages down before it goes.
    hide();
    delete pnlbg;
}

void TMainForm::setDialogs(lock::TpwsetFrm* pwset, TFrmSetFrm* frmSet) {
    pwset_ = pwset;
    frmSet_ = frmSet;
}

void TMainForm::setDialogMakers(std::function<lock::TpwsetFrm*()> pwset,
                                std::function<TFrmSetFrm*()> frmSet) {
    makePwset_ = std::move(pwset);
    makeFrmSet_ = std::move(frmSet);
}

QString TMainForm::uiFolder() const {
    return folder_.ownedFile(QStringLiteral("source/UI/"));
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
    resize(kDesignSize);
    anchors_ = new AnchorLayout(this, kDesignSize);
    pnlbg = colorPanel(this, QStringLiteral("pnlbg"), QColor(234, 242, 250));
    anchors_->place(pnlbg, QRect(QPoint(0, 0), kDesignSize), AnchorAll);
    auto* bg = new AnchorLayout(pnlbg, kDesignSize);
    frame_ = new MainFrame(this, pnlbg, *bg, uiFolder());

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
    // Saves held back for a busy file show as unsaved until they are
    // written, once the wait has lasted: this program's own index check
    // holds the file for a moment after start, and that is no news.
    dm_.onHeldSaves = [this](bool held) {
        lblUnsaved->setToolTip(
            held ? QStringLiteral("笔记数据库文件正被另一个程序使用，"
                                  "最近的修改会在它空出后自动保存")
                 : QStringLiteral("最近的修改未能保存到数据库，请检查数据库文件"));
        if (held) {
            QTimer::singleShot(kHeldSignDelayMs, this, [this] {
                heldSign_ = dm_.HasHeldSaves();
                if (heldSign_) lblUnsaved->show();
            });
            return;
        }
        heldSign_ = false;
        lblUnsaved->setVisible(state_.unsaved);
    };
    bg->place(lblUnsaved, QRect(590, 36, 80, 18));

    // The page buttons, two by two on rounded frames.
    const QColor line(152, 168, 182), fill(233, 242, 250);
    bg->place(new Shape(pnlbg, QStringLiteral("Shape1"), line, fill, 5), QRect(13, 80, 135, 29));
    bg->place(new Shape(pnlbg, QStringLiteral("Shape3"), line, fill, 5), QRect(163, 80, 133, 29));
    const QString ui = uiFolder();
    auto pageButton = [&](const QString& name, const QString& face, int x) {
        auto* b =
            new PictureButton(pnlbg, name, sharpPicture(ui + face + QStringLiteral(".png"), pnlbg),
                              sharpPicture(ui + face + QStringLiteral("_on.png"), pnlbg));
        bg->place(b, QRect(x, 84, 59, 21));
        return b;
    };
    btnYear = pageButton(QStringLiteral("btnYear"), QStringLiteral("btn_year"), 17);
    btnMonth = pageButton(QStringLiteral("btnMonth"), QStringLiteral("btn_month"), 85);
    btnYiban = pageButton(QStringLiteral("btnYiban"), QStringLiteral("btn_yiban"), 167);
    btnRili = pageButton(QStringLiteral("btnRili"), QStringLiteral("btn_rili"), 233);
    connect(btnYear, &QAbstractButton::clicked, this, &TMainForm::btnYearClick);
    connect(btnMonth, &QAbstractButton::clicked, this, &TMainForm::btnMonthClick);
    connect(btnYiban, &QAbstractButton::clicked, this, &TMainForm::btnYibanClick);
    connect(btnRili, &QAbstractButton::clicked, this, &TMainForm::btnRiliClick);
    buildToolStrip(*bg);

    // The page holder inside its outer frame line.
    bg->place(new Shape(pnlbg, QStringLiteral("shpMainBorder"), QColor(160, 166, 176)),
              QRect(4, 111, 1112, 699), AnchorAll);
    PanelCanlender = colorPanel(pnlbg, QStringLiteral("PanelCanlender"), Qt::white);
    bg->place(PanelCanlender, QRect(6, 112, 1109, 697), AnchorAll);
    pgcMain = new PageControl(PanelCanlender);
    auto* holder = new AnchorLayout(PanelCanlender, QSize(1109, 697));
    holder->place(pgcMain, QRect(0, 0, 1109, 697), AnchorAll);

    // The month picker: only the title band of a calendar control shows.
    ChnCalendar1 = new calendarctl::TChnCalendar(pnlbg);
    ChnCalendar1->setObjectName(QStringLiteral("ChnCalendar1"));
    calendarctl::ConfigureAsMonthPicker(*ChnCalendar1, QImage(ui + QStringLiteral("picker.bmp")));
    // Beside the options label, 8 pixels to its left and 22 above it.
    bg->place(ChnCalendar1, QRect(1123 - 242 - 8, 88 - 22, 242, 42), AnchorTop | AnchorRight);
    ChnCalendar1->hide();
    ChnCalendar1->OnChange = [this](QObject*) { ChnCalendar1Change(); };

    buildSidePanel(*bg);
    buildPages();
    buildEditingTools();
    frame_->RaiseButtons();
    connectFrame();
}

void TMainForm::buildToolStrip(AnchorLayout& bg) {
    img4 = pictureLabel(pnlbg, QStringLiteral("img4"), uiFolder() + QStringLiteral("color.png"),
                        false);
    bg.place(img4, QRect(329, 83, 20, 20));
    ccbFont = new QComboBox(pnlbg);
    ccbFont->setObjectName(QStringLiteral("ccbFont"));
    bg.place(ccbFont, QRect(353, 82, 96, 22));
    cbbFontSize = new QComboBox(pnlbg);
    cbbFontSize->setObjectName(QStringLiteral("cbbFontSize"));
    for (int s = 10; s <= 14; ++s) cbbFontSize->addItem(QString::number(s));
    bg.place(cbbFontSize, QRect(452, 82, 46, 22));
    // The marks: flat buttons that leave the focus in the box they mark.
    const struct {
        QPushButton*& button;
        const char* name;
        const char16_t* caption;
        int pixels, x;
        bool bold;
    } marks[] = {{btn3, "btn3", u"√", 14, 501, true}, {btn4, "btn4", u"X", 12, 521, false}};
    for (const auto& m : marks) {
        auto* b = new QPushButton(QString::fromUtf16(m.caption), pnlbg);
        b->setObjectName(QLatin1String(m.name));
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFont(fonts::byPixels(QStringLiteral("Arial Black"), m.pixels, m.bold));
        bg.place(b, QRect(m.x, 81, 20, 22));
        m.button = b;
    }
}

void TMainForm::buildSidePanel(AnchorLayout& bg) {
    PanelAttach = colorPanel(pnlbg, QStringLiteral("PanelAttach"), QColor(234, 242, 250));
    bg.place(PanelAttach, QRect(1120, 110, 202, 701), AnchorTop | AnchorRight | AnchorBottom);
    auto* side = new AnchorLayout(PanelAttach, QSize(202, 701));
    // The web panel: its page shows in the top 199 pixels, above the separator.
    Panelweblink = colorPanel(PanelAttach, QStringLiteral("Panelweblink"), Qt::white);
    side->place(Panelweblink, QRect(1, 1, 200, 672));
    QLabel* split = pictureLabel(Panelweblink, QStringLiteral("imgWebSplit"),
                                 uiFolder() + QStringLiteral("websplit.png"), true);
    split->setGeometry(0, 199, 200, 7);
    pmEmpty = new QMenu(this);
    pmEmpty->setObjectName(QStringLiteral("pmEmpty"));

    // Below it, the memo list or the day schedule.
    const QRect below(1, 207, 200, 493);
    Panel2 = colorPanel(PanelAttach, QStringLiteral("Panel2"), Qt::white);
    side->place(Panel2, below, AnchorLeft | AnchorTop | AnchorBottom);
    pnlRijishi = colorPanel(PanelAttach, QStringLiteral("pnlRijishi"), Qt::white);
    side->place(pnlRijishi, below, AnchorLeft | AnchorTop | AnchorBottom);
    auto* caption = new QLabel(QStringLiteral("日安排"), pnlRijishi);
    caption->setObjectName(QStringLiteral("lblRijishi"));
    caption->setFont(fonts::byPixels(QStringLiteral("宋体"), 13));
    caption->setStyleSheet(QStringLiteral("color: grey;"));
    auto* inSide = new AnchorLayout(pnlRijishi, below.size());
    inSide->place(caption, QRect(8, 8, 120, 16));
    day_ = new notes::DaySchedule(dm_, state_, pnlRijishi);
    inSide->place(day_->box(), QRect(4, 28, 192, below.height() - 32), AnchorAll);
}

void TMainForm::buildPages() {
    pnlTaiLi = pgcMain->addSheet(QStringLiteral("tsTaiLi"), QStringLiteral("pnlTaiLi"),
                                 QColor(192, 220, 192));
    pnlJishi = pgcMain->addSheet(QStringLiteral("tsJiShi"), QStringLiteral("pnlJishi"), Qt::white);
    pnl_year =
        pgcMain->addSheet(QStringLiteral("tsYearjishi"), QStringLiteral("pnl_year"), Qt::white);
    pnlRili = pgcMain->addSheet(QStringLiteral("tsRili"), QStringLiteral("pnlRili"), Qt::white);

    desk_ = new notes::DeskCalendarPage(dm_, state_, pnlTaiLi, *day_);
    day_->selectedDay = [this] { return desk_->grid()->selectedDate(); };
    desk_->onSaveResult = [this](bool saved) { showSaveResult(saved); };
    day_->onSaveResult = [this](bool saved) { showSaveResult(saved); };
}

void TMainForm::makeDeferredParts() {
    if (memo_) return;
    memo_ = new notes::MemoList(dm_, state_, Panel2);
    general_ = new notes::GeneralNotesPage(dm_, state_, pnlJishi);
    year_ = new notes::YearNotesPage(dm_, state_, pnl_year,
                                     uiFolder() + QStringLiteral("title_year.png"));
    chnRili = new calendarctl::TChnCalendar(pnlRili);
    chnRili->setObjectName(QStringLiteral("chnRili"));
    calendar_ = new notes::CalendarNotesPage(dm_, state_, pnlRili, chnRili);

    general_->loadMemoList = [this] { memo_->LoadMemoList(); };
    year_->loadMemoList = [this] { memo_->LoadMemoList(); };
    const auto saveResult = [this](bool saved) { showSaveResult(saved); };
    general_->onSaveResult = calendar_->onSaveResult = saveResult;
    year_->onSaveResult = memo_->onSaveResult = saveResult;
    targets_.year = year_;
    targets_.general = general_;
    targets_.calendar = calendar_;
    targets_.memo = memo_;
    editCommands_->AttachMenus();
    bool ok = false;
    const int size = cbbFontSize->currentText().toInt(&ok);
    if (ok) applyFontSize(*year_, size);
    if (!shown_) return;
    // What the first showing did for them.
    year_->Layout();
    general_->Layout();
    calendar_->Layout();
    memo_->LoadMemoList();
}

notes::GeneralNotesPage& TMainForm::generalPage() {
    makeDeferredParts();
    return *general_;
}

notes::CalendarNotesPage& TMainForm::calendarPage() {
    makeDeferredParts();
    return *calendar_;
}

notes::YearNotesPage& TMainForm::yearPage() {
    makeDeferredParts();
    return *year_;
}

notes::MemoList& TMainForm::memoList() {
    makeDeferredParts();
    return *memo_;
}

calendarctl::TChnCalendar* TMainForm::fullCalendar() {
    makeDeferredParts();
    return chnRili;
}

void TMainForm::buildEditingTools() {
    targets_.desk = desk_;
    targets_.day = day_;
    targets_.pageOnView = [this] { return pageOnView(); };
    editCommands_ = new notes::EditCommands(targets_, this);
    editCommands_->AttachMenus();
    connect(btn3, &QAbstractButton::clicked, editCommands_, &notes::EditCommands::btn3Click);
    connect(btn4, &QAbstractButton::clicked, editCommands_, &notes::EditCommands::btn4Click);
    formatTools_ = new notes::FormatTools(targets_, state_, ccbFont, cbbFontSize, img4, this);
}

void TMainForm::connectFrame() {
    connect(frame_, &MainFrame::closeClicked, this, [this] {
        SaveWindowSize();
        EndProgramWhenSaved();
    });
    connect(frame_, &MainFrame::maxRestoreClicked, this, &TMainForm::ToggleFullScreen);
    connect(frame_, &MainFrame::minimizeClicked, this, &TMainForm::Minimize);
    connect(frame_, &MainFrame::exitRequested, this, [this] { EndProgramWhenSaved(); });
    connect(frame_, &MainFrame::sizeSettingsRequested, this, [this] {
        if (!frmSet_ && makeFrmSet_) frmSet_ = makeFrmSet_();
        if (frmSet_) frmSet_->show();
    });
    connect(frame_, &MainFrame::passwordRequested, this, [this] {
        if (!pwset_ && makePwset_) pwset_ = makePwset_();
        if (pwset_) pwset_->exec();
    });
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
    // 6. Window size record.
    const QRect screenArea = screen::geometryOf(this);
    const QSize screenSize = screenArea.size();
    sizeRecord_ = OnScreen(
        readWindowSizeFile(folder_.filePath(QStringLiteral("DB3/form.ini")), screenSize).record,
        screenSize);
    cbbFontSize->setCurrentIndex(sizeRecord_.fontSizeIndex);
    ApplyFontSize();
    // 7. No system caption or border: the window draws its own.
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(caption());
    // 8. Size, and place: before the window is first shown, so the window
    // manager maps it where it belongs instead of being asked to move it.
    // The record is the screen's own (its 0, 0 the screen's corner); the
    // window lands wholly on the screen's free part, panels and docks aside.
    QRect placed(sizeRecord_.left, sizeRecord_.top, sizeRecord_.width, sizeRecord_.height);
    if (sizeRecord_.fullScreen != 0)
        placed.setSize(QSize(screenSize.width(), screenSize.height() - kTaskbarHeight));
    if (sizeRecord_.fullScreen != 0 || screenSize.width() == sizeRecord_.width) placed.moveTo(0, 0);
    setGeometry(WhollyOn(placed.translated(screenArea.topLeft()), screen::availableOf(this)));
    // The frame chose maximise or restore for the design size, which is wider
    // than a screen of 1280 logical pixels (2560 at a scale of 2).
    frame_->ShowNormalFaces();
    // 9, 10. Shown date and the date line.
    setShownDate(clock::today());
    lblDateTime->setText(DateLine(clock::today()));
    // 11. Wallpaper confirmation (the composer comes with the background table).
    wallpaper_ = makeWallpaperComposer(*this, folder_);
    wallpaper_->ReadConfirmSetting();
    // 12, 14. The desk cells stay hidden until the window is first shown.
    desk_->SetCellsVisible(false);
    // 13. The background list.
    wallpaper_->LoadBGPicList(false);
}

bool TMainForm::confirmWallpaper() const {
    return wallpaper_->confirm().ask;
}

void TMainForm::ApplyFontSize() {
    bool ok = false;
    const int size = cbbFontSize->currentText().toInt(&ok);
    if (!ok || !desk_) return;
    if (year_) applyFontSize(*year_, size);
    day_->box()->SetWholeFontSize(size);
    for (int n = 1; n <= notes::kDeskCells; ++n) desk_->box(n)->SetWholeFontSize(size);
}

void TMainForm::applyFontSize(notes::YearNotesPage& year, int size) {
    for (int m = 1; m <= notes::kYearBoxes; ++m) year.box(m)->SetWholeFontSize(size);
}

void TMainForm::SetCellsVisible(bool visible) {
    if (pageOnView() == Page::Desk) desk_->SetCellsVisible(visible);
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    // 1. Placed at creation already.
    // 2, 3. The desk page on the shown date.
    desk_->grid()->setDisplayDate(state_.shownDate);
    showPage(Page::Desk);
    ApplySidePanelRule();
    // 4. The month picker, right-aligned 6 past the page control.
    ChnCalendar1->move(pgcMain->x() + pgcMain->width() - ChnCalendar1->width() + 6,
                       PanelCanlender->y() - ChnCalendar1->height() - 2);
    // 5. Layouts; the switches, off since creation, go on once their page is laid out.
    desk_->DeskLayout();
    if (year_) year_->Layout();
    if (general_) general_->Layout();
    CalendarLayout();
    state_.saving.yearly = state_.saving.general = state_.saving.calendar = true;
    // 6. Sunday colours and the cells shown.
    desk_->ColorSundayBoxes();
    SetCellsVisible(true);
    // 7. The month picker at its height beside the options label.
    ChnCalendar1->move(ChnCalendar1->x(), frame_->optionsLabel()->y() - 22);
    // 8. No last edit position.
    state_.lastEdit.clear();
    // 10. The month, today's cell and its day schedule.
    guarded(this, [&] {
        desk_->LoadMonth();
        desk_->SelectTodayAndLoadDay(clock::today());
    });
    state_.saving.desk = true;
    // The memo list shows from the start on every page that has it, so no
    // line is typed over a stored one the user has not seen: it is loaded
    // when made, before any page shows it.
    if (memo_) memo_->LoadMemoList();
    // The other pages and the memo list are made once the first frame is on
    // the screen, so that the first switch to a page waits for none of them.
    afterFirstPaint(*this, [this] { guarded(this, [this] { makeDeferredParts(); }); });
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (shown_) FormResize();
}

void TMainForm::FormResize() {
    desk_->DeskLayout();
    if (year_) year_->Layout();
    CalendarLayout();
    if (general_) general_->Layout();
}

Page TMainForm::pageOnView() const {
    return kPages[pgcMain->current()];
}

QWidget* TMainForm::sheet(Page page) const {
    return pgcMain->sheet(sheetIndex(page));
}

void TMainForm::hideKeepingFocus(QWidget* w) {
    // A control going out of view hands the focus to the window, not to the
    // next one the focus chain finds (a memo line, its text selected for the
    // next keystroke to replace).
    if (QWidget* f = focusWidget(); f && (f == w || w->isAncestorOf(f))) setFocus();
    w->hide();
}

void TMainForm::showPage(Page page) {
    if (page != Page::Desk) makeDeferredParts(); // before its sheet shows
    if (page != pageOnView()) hideKeepingFocus(sheet(pageOnView()));
    pgcMain->setCurrent(sheetIndex(page));
    btnYear->setActive(page == Page::Yearly);
    btnMonth->setActive(page == Page::Desk);
    btnYiban->setActive(page == Page::General);
    btnRili->setActive(page == Page::Calendar);
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
    guarded(this, [&] {
        switch (pageOnView()) {
        case Page::Desk:
            desk_->ChnCalendar1Change();
            break;
        case Page::General:
            general_->LoadGeneralNotes();
            break;
        case Page::Calendar:
            calendar_->LoadCalendarNotes();
            break;
        case Page::Yearly:
            year_->LoadYearNotes();
            break;
        }
    });
}

void TMainForm::ApplySidePanelRule() {
    const SidePanel s = SidePanelRule(pageOnView());
    const auto show = [this](QWidget* w, bool on) {
        if (on)
            w->show();
        else
            hideKeepingFocus(w);
    };
    if (s.memo) makeDeferredParts(); // before Panel2 shows
    show(ChnCalendar1, s.picker);
    if (s.pickerEnabled) ChnCalendar1->setEnabled(*s.pickerEnabled);
    show(Panel2, s.memo);
    show(pnlRijishi, s.daySchedule);
    show(ccbFont, s.fontBoxes);
    show(cbbFontSize, s.fontBoxes);
}

void TMainForm::CalendarLayout() {
    ApplySidePanelRule();
    if (calendar_) calendar_->Layout();
}

void TMainForm::OpenPage(Page page) {
    if (pageOnView() == page) return;
    switch (page) {
    case Page::Desk:
        btnMonthClick();
        break;
    case Page::General:
        btnYibanClick();
        break;
    case Page::Yearly:
        btnYearClick();
        break;
    case Page::Calendar:
        btnRiliClick();
        break;
    }
}

void TMainForm::btnYearClick() {
    if (pageOnView() == Page::Yearly) return;
    {
        // On when done, whatever it was (a page button ends in a page that saves).
        const auto on = qScopeGuard([this] { state_.saving.yearly = true; });
        notes::SaveSwitchOff off(state_.saving.yearly);
        setShownDate(clock::today()); // the page still on view reloads for today first
        showPage(Page::Yearly);
        year_->Layout();
        ApplySidePanelRule();
        guarded(this, [&] { year_->LoadYearNotes(); });
    }
    state_.lastEdit.clear();
}

void TMainForm::btnMonthClick() {
    if (pageOnView() != Page::Desk) {
        state_.saving.desk = false;
        setShownDate(clock::today());
        showPage(Page::Desk);
        desk_->DeskLayout();
        ApplySidePanelRule();
        desk_->grid()->setDisplayDate(state_.shownDate);
        SetCellsVisible(true);
        guarded(this, [&] { desk_->LoadMonth(); });
        state_.saving.desk = true;
        state_.lastEdit.clear();
    }
    guarded(this, [&] { desk_->SelectTodayAndLoadDay(clock::today()); });
}

void TMainForm::btnYibanClick() {
    if (pageOnView() == Page::General) return;
    // On when done, whatever it was (a page button ends in a page that saves).
    const auto on = qScopeGuard([this] { state_.saving.general = true; });
    notes::SaveSwitchOff off(state_.saving.general);
    setShownDate(clock::today());
    showPage(Page::General);
    general_->Layout();
    ApplySidePanelRule();
    guarded(this, [&] { general_->LoadGeneralNotes(); });
}

void TMainForm::btnRiliClick() {
    if (pageOnView() == Page::Calendar) return;
    // On when done, whatever it was (a page button ends in a page that saves).
    const auto on = qScopeGuard([this] { state_.saving.calendar = true; });
    notes::SaveSwitchOff off(state_.saving.calendar);
    setShownDate(clock::today());
    fullCalendar()->SetDateTime(QDateTime(clock::today(), QTime(0, 0)));
    showPage(Page::Calendar);
    CalendarLayout();
    ApplySidePanelRule();
    guarded(this, [&] { calendar_->LoadCalendarNotes(); });
}

void TMainForm::showSaveResult(bool saved) {
    // A save held back for a busy file is not on disk yet either.
    lblUnsaved->setVisible(!saved || heldSign_);
}

void TMainForm::EndProgramWhenSaved() {
    const bool written = guarded(this, [this] {
        try {
            dm_.WriteHeldSaves();
        } catch (const FileError& e) {
            throw FileError(e.text() + QStringLiteral("，最近的修改还没有保存。\n"
                                                      "请先关闭正在使用它的程序，再退出。"),
                            e.file(), e.detail());
        }
    });
    if (written) endProgram();
}

void TMainForm::PlaceMonthPicker() {
    const QLabel* l = frame_->optionsLabel();
    ChnCalendar1->move(l->x() - ChnCalendar1->width() - 8, l->y() - 22);
}

void TMainForm::ToggleFullScreen(bool restorePicture) {
    if (restorePicture) MoveFocusToFlush();
    const QRect screenArea = screen::geometryOf(this);
    const QSize screenSize = screenArea.size();
    setGeometry(CenteredWindow(ToggledSize(width(), sizeRecord_, screenSize), screenSize)
                    .translated(screenArea.topLeft()));
    PlaceMonthPicker();
    frame_->ShowNormalFaces();
}

void TMainForm::SetWindowSize(int w, int h) {
    sizeRecord_.width = w;
    sizeRecord_.height = h;
    const QRect screenArea = screen::geometryOf(this);
    setGeometry(CenteredWindow(QSize(w, h), screenArea.size()).translated(screenArea.topLeft()));
    PlaceMonthPicker();
    frame_->ShowNormalFaces();
}

void TMainForm::SaveWindowSize() {
    const QStringList lines =
        SizeFileLines(sizeRecord_, geometry().translated(-screen::geometryOf(this).topLeft()),
                      screen::geometryOf(this).size(), cbbFontSize->currentIndex());
    // A failed write keeps the old file and the size falls back to the
    // default; only a full disk is said, being something the user can mend.
    QString why;
    if (!linefile::write(folder_.filePath(QStringLiteral("DB3/form.ini")), lines, &why)) {
        sizeRecord_.width = kDefaultWidth;
        sizeRecord_.height = kDefaultHeight;
        if (why == linefile::diskFullText()) showMessage(this, why, QString());
    }
}

void TMainForm::Minimize() {
    SetCellsVisible(false);
    showMinimized();
    frame_->ShowNormalFaces();
}

void TMainForm::MoveFocusToFlush() {
    // The box being edited saves on losing the focus.
    QWidget* first = nullptr;
    QWidget* side = nullptr;
    switch (pageOnView()) {
    case Page::Desk:
        first = desk_->box(1);
        side = day_->box();
        break;
    case Page::Yearly:
        first = year_->box(1);
        break;
    case Page::General:
        first = general_->box(1);
        break;
    case Page::Calendar:
        first = calendar_->box(1);
        break;
    }
    if (!side) side = memo_->line(1); // every page but the desk calendar was made with it
    first->setFocus();
    side->setFocus();
}

void TMainForm::EndSession() {
    MoveFocusToFlush();
    SaveWindowSize();
    endProgram();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && (focusWidget() == nullptr || focusWidget() == this)) {
        // Ending through Esc ignores a failure to move the focus.
        try {
            MoveFocusToFlush();
        } catch (const std::exception&) {
        }
        EndProgramWhenSaved();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restored from the taskbar: the desk boxes come back.
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        SetCellsVisible(true);
}

bool TMainForm::AppEvent1Message(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease &&
        t != QEvent::ContextMenu)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!webLink_ || !w || (w != webLink_ && !webLink_->isAncestorOf(w))) return false;
    if (t == QEvent::ContextMenu) return true; // never the browser's own menu
    auto* me = static_cast<QMouseEvent*>(event);
    if (me->button() != Qt::RightButton) return false;
    pmEmpty->popup(me->globalPosition().toPoint());
    return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (AppEvent1Message(watched, event)) return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace kuvano::app
