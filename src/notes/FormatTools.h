#pragma once
// The formatting tools of the tool strip: the font name box and the font
// size box, which format the rich-text box of the last edit position, and the
// colour picker, which recolours the focused box of the page on view.

#include "notes/MainState.h"
#include "notes/NoteTargets.h"

#include <QColor>
#include <QObject>

#include <optional>

class QComboBox;
class QWidget;

namespace kuvano::notes {

class FormatTools : public QObject {
    Q_OBJECT
public:
    // Handles the select events of ccbFont and cbbFontSize and the clicks on
    // img4; the colour dialog opens over dialogParent. The targets are the
    // caller's, kept up to date as pages are made, and outlive this.
    FormatTools(const NoteTargets& targets, MainState& state, QComboBox* ccbFont,
                QComboBox* cbbFontSize, QWidget* img4, QWidget* dialogParent);

    void ccbFontSelect();
    void cbbFontSizeSelect();
    void img4Click();

    // Where the colour dialog starts: the colour chosen last, black at first.
    QColor LastColor() const { return lastColor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<QColor> askColor();
    std::optional<int> chosenSize() const;

    const NoteTargets& t_;
    MainState& state_;
    QComboBox* ccbFont_;
    QComboBox* cbbFontSize_;
    QWidget* img4_;
    QWidget* dialogParent_;
    QColor lastColor_ = Qt::black;
};

} // namespace kuvano::notes
