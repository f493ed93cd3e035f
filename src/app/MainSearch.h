#pragma once
// Searching the notes from the main window: Ctrl+F anywhere in it and the
// options-menu entry "搜索笔记" open the search window, and a found note is
// shown the way a user would reach it: the page button, the month picker, the
// box, the words selected. Made once at start-up after the main window; the
// index build starts once the main window's first frame is drawn.

#include "notes/NoteTargets.h"
#include "notes/SearchWindow.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace kuvano::notes {
class TDM;
}

namespace kuvano::app {

class TMainForm;
using Page = notes::ShownPage;

class MainSearch : public QObject, public notes::SearchNavigator {
    Q_OBJECT
public:
    MainSearch(TMainForm& form, notes::TDM& dm);

    void openSearch(); // "搜索笔记" and Ctrl+F
    notes::SearchWindow* window();
    QAction* entry() const { return entry_; }

    void ShowPageAt(notes::NotePage page, const QDate& date) override;
    bool FocusBox(notes::NotePage page, int box) override;
    void SelectRange(int start, int length) override;

private:
    QWidget* boxOf(notes::NotePage page, int box) const;

    TMainForm& form_;
    notes::TDM& dm_;
    notes::SearchWindow* frm_ = nullptr;
    QAction* entry_ = nullptr;
    QPointer<QWidget> focused_;
    notes::NotePage focusedPage_ = notes::NotePage::Desk;
};

} // namespace kuvano::app
