#pragma once
// State the note pages share, owned by the main window: the shown date, the
// save switches, the last edit position and the desk-calendar cell buffers.

#include "store/note_keys.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>

namespace kuvano::notes {

// One desk-calendar cell's last loaded or saved rich text.
struct TMonthMemoryData {
    QByteArray stream;
    int index = 0;
    QString text;
    int position = 0;
};

enum class EditBoxKind { DeskCell, DaySchedule };

// Where the mouse last released in a rich-text box; the font commands format there.
struct LastEditPosition {
    int selStart = 0;
    int selLength = 0;
    int tabOrder = 0;
    EditBoxKind kind = EditBoxKind::DeskCell;
    void clear() { *this = LastEditPosition(); }
};

struct SaveSwitches {
    bool desk = false;
    bool general = false;
    bool calendar = false;
    bool yearly = false;
};

// Turns a save switch off for a scope and puts back what it was at its end,
// also on error: a switch someone turned off stays off.
class SaveSwitchOff {
public:
    explicit SaveSwitchOff(bool& s) : s_(s), was_(s) { s_ = false; }
    ~SaveSwitchOff() { s_ = was_; }
    SaveSwitchOff(const SaveSwitchOff&) = delete;
    SaveSwitchOff& operator=(const SaveSwitchOff&) = delete;

private:
    bool& s_;
    bool was_;
};

struct MainState {
    QDate shownDate;
    SaveSwitches saving;
    LastEditPosition lastEdit;
    std::array<TMonthMemoryData, kDeskCells> cells;
    int currentCell = -1; // desk box that last received focus (1..42), -1 before any
    bool unsaved = false; // a save failed and no later save has succeeded

    MainState() {
        for (int i = 0; i < kDeskCells; ++i) {
            cells[size_t(i)].index = i;
            cells[size_t(i)].position = i;
        }
    }
};

} // namespace kuvano::notes
