#include "notes/EditCommands.h"

#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/LinePage.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace kuvano::notes {

namespace {

struct Entry {
    const char* name;
    const char16_t* caption;
    void (EditCommands::*handler)();
};

// Captions hold no '&': Qt gives an entry an access key only from one.
QAction* addEntry(QMenu* menu, EditCommands* owner, const Entry& e) {
    QAction* a = menu->addAction(QString::fromUtf16(e.caption));
    a->setObjectName(QLatin1String(e.name));
    QObject::connect(a, &QAction::triggered, owner, e.handler);
    return a;
}

QMenu* newMenu(QWidget* parent, const char* name) {
    auto* m = new QMenu(parent);
    m->setObjectName(QLatin1String(name));
    return m;
}

} // namespace

QIcon ColorSwatch(ColorRef color) {
    QPixmap p(16, 16);
    p.fill(fromColorRef(color));
    QPainter painter(&p);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, 15, 15);
    return QIcon(p);
}

void ApplyEditOp(NoteBox* box, EditOp op) {
    switch (op) {
    case EditOp::Copy:
        box->copy();
        break;
    case EditOp::Paste:
        box->paste();
        break;
    case EditOp::Undo:
        box->undo();
        break;
    case EditOp::Delete:
        box->DeleteSelection();
        break;
    case EditOp::Cut:
        box->cut();
        break;
    case EditOp::Check:
        box->ReplaceSelection(kCheckMark);
        break;
    case EditOp::Cross:
        box->ReplaceSelection(kCrossMark);
        break;
    }
}

EditCommands::EditCommands(const NoteTargets& targets, QWidget* menuParent)
    : QObject(menuParent), t_(targets) {
    buildDeskMenu(menuParent);
    buildYearMenu(menuParent);
}

void EditCommands::buildDeskMenu(QWidget* parent) {
    pmDeskTopMonCal = newMenu(parent, "pmDeskTopMonCal");
    const Entry entries[] = {
        {"N1", u"复制", &EditCommands::N1Click},
        {"N2", u"粘贴", &EditCommands::N2Click},
        {"CtrlZ1", u"撤销(Ctrl+Z)", &EditCommands::CtrlZ1Click},
        {"N9", u"删除", &EditCommands::N9Click},
        {"N3", u"剪切", &EditCommands::N3Click},
        {"V1", u"打V", &EditCommands::V1Click},
        {"X1", u"打X", &EditCommands::X1Click},
    };
    for (const Entry& e : entries) addEntry(pmDeskTopMonCal, this, e);

    QMenu* N6 = newMenu(pmDeskTopMonCal, "N6");
    N6->setTitle(QStringLiteral("添加表情"));
    N6->menuAction()->setObjectName(QStringLiteral("N6"));
    pmDeskTopMonCal->addMenu(N6);
    const Entry blocks[] = {{"N14", u"1", &EditCommands::N14Click},
                            {"N21", u"2", &EditCommands::N21Click},
                            {"N31", u"3", &EditCommands::N31Click},
                            {"N41", u"4", &EditCommands::N41Click}};
    for (size_t i = 0; i < std::size(blocks); ++i)
        addEntry(N6, this, blocks[i])->setIcon(ColorSwatch(kBlockColors[i]));
}

void EditCommands::buildYearMenu(QWidget* parent) {
    pmYearjishi = newMenu(parent, "pmYearjishi");
    const Entry entries[] = {
        {"MenuItem1", u"复制", &EditCommands::MenuItem1Click},
        {"MenuItem2", u"粘贴", &EditCommands::MenuItem2Click},
        {"MenuItem3", u"撤销(Ctrl+Z)", &EditCommands::MenuItem3Click},
        {"MenuItem4", u"删除", &EditCommands::MenuItem4Click},
        {"MenuItem5", u"剪切", &EditCommands::MenuItem5Click},
        {"MenuItem6", u"打V", &EditCommands::MenuItem6Click},
        {"MenuItem7", u"打X", &EditCommands::MenuItem7Click},
    };
    for (const Entry& e : entries) addEntry(pmYearjishi, this, e);
}

void EditCommands::AttachMenus() {
    for (int n = 1; n <= kDeskCells; ++n) t_.desk->box(n)->SetPopupMenu(pmDeskTopMonCal);
    t_.day->box()->SetPopupMenu(pmDeskTopMonCal);
    if (t_.year)
        for (int m = 1; m <= kYearBoxes; ++m) t_.year->box(m)->SetPopupMenu(pmYearjishi);
    for (ShownPage p : {ShownPage::General, ShownPage::Calendar})
        if (LinePage* page = t_.linePage(p))
            for (int i = 1; i <= kLineBoxes; ++i) page->box(i)->installEventFilter(this);
    if (t_.memo)
        for (int n = 1; n <= kMemoLines; ++n) t_.memo->line(n)->installEventFilter(this);
}

void EditCommands::deskCommand(EditOp op) {
    if (NoteBox* b = t_.FocusedDaySchedule()) {
        ApplyEditOp(b, op);
        return;
    }
    if (NoteBox* b = t_.FocusedDeskCell()) ApplyEditOp(b, op);
}

void EditCommands::yearCommand(EditOp op) {
    if (NoteBox* b = t_.FocusedMonthBox()) ApplyEditOp(b, op);
}

void EditCommands::markOnPage(EditOp op) {
    const ShownPage page = t_.pageOnView();
    switch (page) {
    case ShownPage::Yearly:
        yearCommand(op);
        break;
    case ShownPage::Desk:
        if (NoteBox* b = t_.FocusedDeskCell()) ApplyEditOp(b, op);
        if (NoteBox* b = t_.FocusedDaySchedule()) ApplyEditOp(b, op);
        break;
    case ShownPage::General:
    case ShownPage::Calendar:
        if (LineBox* b = t_.FocusedLineCell(page))
            b->insert(op == EditOp::Check ? kCheckMark : kCrossMark);
        break;
    }
}

void EditCommands::insertBlock(ColorRef color) {
    NoteBox* b = t_.FocusedDeskCell();
    if (!b) return;
    // The block takes the colour; one undo takes both back.
    NoteBoxEdit edit(b);
    b->SetSelColor(fromColorRef(color));
    b->ReplaceSelection(kColorBlock);
}

bool EditCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        if (auto* box = qobject_cast<LineBox*>(watched)) {
            showLineMenu(box, static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditCommands::showLineMenu(LineBox* box, const QPoint& globalPos) {
    // The edit box's usual menu, with the platform's Chinese captions.
    auto* menu = new QMenu(box);
    menu->setObjectName(QStringLiteral("pmLineEdit"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool selected = box->hasSelectedText();
    auto add = [&](const char* name, const char16_t* caption, bool enabled, auto op) {
        QAction* a = menu->addAction(QString::fromUtf16(caption));
        a->setObjectName(QLatin1String(name));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, box, [box, op] { (box->*op)(); });
    };
    add("LineUndo", u"撤销(&U)", box->isUndoAvailable(), &QLineEdit::undo);
    menu->addSeparator();
    add("LineCut", u"剪切(&T)", selected, &QLineEdit::cut);
    add("LineCopy", u"复制(&C)", selected, &QLineEdit::copy);
    add("LinePaste", u"粘贴(&P)", !QGuiApplication::clipboard()->text().isEmpty(),
        &QLineEdit::paste);
    add("LineDelete", u"删除(&D)", selected, &QLineEdit::del);
    menu->addSeparator();
    add("LineSelectAll", u"全选(&A)", !box->text().isEmpty(), &QLineEdit::selectAll);
    menu->popup(globalPos);
}

} // namespace kuvano::notes
