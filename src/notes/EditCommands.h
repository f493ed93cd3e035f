#pragma once
// The edit commands of the note boxes: the pop-up menu of the desk cells and
// the day schedule (pmDeskTopMonCal, with its colour blocks), the pop-up
// menu of the month boxes (pmYearjishi), and the tool strip's marks. Every
// command acts on the box that has the focus and leaves the focus there; the
// box's own change handler stores what it changes.

#include "notes/LineBox.h"
#include "notes/NoteTargets.h"

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;
class QWidget;

namespace kuvano::notes {

class NoteBox;

enum class EditOp { Copy, Paste, Undo, Delete, Cut, Check, Cross };

inline const QString kCheckMark = QStringLiteral("√");  // GBK A1 CC
inline const QString kCrossMark = QStringLiteral("×");  // GBK A1 C1
inline const QString kColorBlock = QStringLiteral("█"); // GBK A8 80

// The four colour blocks of "添加表情", in menu order (0x00BBGGRR).
inline constexpr ColorRef kBlockColors[4] = {0x808000, 0xFF00FF, 0xFF0000, 0x0000FF};

// A 16 x 16 swatch of a colour, with a grey rim.
QIcon ColorSwatch(ColorRef color);

void ApplyEditOp(NoteBox* box, EditOp op);

class EditCommands : public QObject {
    Q_OBJECT
public:
    // The menus are children of menuParent. The targets are the caller's,
    // kept up to date as pages are made, and outlive this.
    EditCommands(const NoteTargets& targets, QWidget* menuParent);

    QMenu* deskMenu() const { return pmDeskTopMonCal; }
    QMenu* yearMenu() const { return pmYearjishi; }

    // pmDeskTopMonCal for the 42 desk cells and memday, pmYearjishi for the
    // month boxes; the one-line boxes (general and calendar cells, memo
    // lines) get the edit control's usual menu in Chinese in place of Qt's own.
    // Those of the pages made so far; called again once more are made.
    void AttachMenus();

    // pmDeskTopMonCal: memday when it has the focus, else the focused desk cell.
    void N1Click() { deskCommand(EditOp::Copy); }
    void N2Click() { deskCommand(EditOp::Paste); }
    void CtrlZ1Click() { deskCommand(EditOp::Undo); }
    void N9Click() { deskCommand(EditOp::Delete); }
    void N3Click() { deskCommand(EditOp::Cut); }
    void V1Click() { deskCommand(EditOp::Check); }
    void X1Click() { deskCommand(EditOp::Cross); }
    // "添加表情": a block in its colour into the focused desk cell (never memday).
    void N14Click() { insertBlock(kBlockColors[0]); }
    void N21Click() { insertBlock(kBlockColors[1]); }
    void N31Click() { insertBlock(kBlockColors[2]); }
    void N41Click() { insertBlock(kBlockColors[3]); }

    // pmYearjishi: the focused month box.
    void MenuItem1Click() { yearCommand(EditOp::Copy); }
    void MenuItem2Click() { yearCommand(EditOp::Paste); }
    void MenuItem3Click() { yearCommand(EditOp::Undo); }
    void MenuItem4Click() { yearCommand(EditOp::Delete); }
    void MenuItem5Click() { yearCommand(EditOp::Cut); }
    void MenuItem6Click() { yearCommand(EditOp::Check); }
    void MenuItem7Click() { yearCommand(EditOp::Cross); }

    // The tool strip's "√" and "X": the focused note box of the page on view.
    void btn3Click() { markOnPage(EditOp::Check); }
    void btn4Click() { markOnPage(EditOp::Cross); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildDeskMenu(QWidget* parent);
    void buildYearMenu(QWidget* parent);
    void deskCommand(EditOp op);
    void yearCommand(EditOp op);
    void markOnPage(EditOp op);
    void insertBlock(ColorRef color);
    void showLineMenu(LineBox* box, const QPoint& globalPos);

    const NoteTargets& t_;
    QMenu* pmDeskTopMonCal = nullptr;
    QMenu* pmYearjishi = nullptr;
};

} // namespace kuvano::notes
