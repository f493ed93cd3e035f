#pragma once
// The search window "搜索笔记": one field, the notes holding its text listed
// newest first as the user types, and a found note shown in its page with
// the words selected.

#include "store/search_index.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;
class QTreeWidget;

namespace kuvano::notes {

class TDM;

// What the search window needs of the main window to show a found note.
class SearchNavigator {
public:
    virtual ~SearchNavigator() = default;
    // Puts the page on view at the month or year of `date`, the way a user
    // would (page button, month picker); for the day schedule also selects
    // that day in the desk grid. `date` is invalid for the undated pages.
    virtual void ShowPageAt(NotePage page, const QDate& date) = 0;
    // Gives box `box` of the page the focus (see NoteLocation); false when
    // there is no such box.
    virtual bool FocusBox(NotePage page, int box) = 0;
    // Selects [start, start + length) of the focused box's text.
    virtual void SelectRange(int start, int length) = 0;
};

class SearchWindow : public QDialog {
    Q_OBJECT
public:
    SearchWindow(TDM& dm, SearchNavigator& navigator, QWidget* parent = nullptr);

    static QString caption() { return QStringLiteral("搜索笔记"); }
    // The pause after the last keystroke before the list is made again.
    static constexpr int kTypingPauseMs = 250;
    static constexpr int kListLimit = 300;

    // Opens (or raises) the window with the field selected.
    void Popup();
    // Runs the search for the field's text now.
    void Search();
    // Shows the note of row `row` in its page.
    void OpenHit(int row);
    const std::vector<SearchHit>& hits() const { return hits_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showBuildState();
    void listHits(const SearchResult& result);

    TDM& dm_;
    SearchNavigator& navigator_;
    QLineEdit* edtSearch = nullptr;
    QTreeWidget* lvResults = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* pbIndex = nullptr;
    QTimer* typingTimer_ = nullptr;
    QTimer* buildTimer_ = nullptr;
    std::vector<SearchHit> hits_;
    QString searched_; // the text the list is for
    bool building_ = false;
};

} // namespace kuvano::notes
