#pragma once
// The wallpaper confirmation: the option "ask before the wallpaper is
// changed", kept in DB3/configSetBg.ini (first line > 0 means ask), and the
// window TInforFrm that asks "您确定要更换壁纸？".

#include "platform/program_folder.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kuvano::wallpaper {

inline QString confirmFileRelativePath() {
    return QStringLiteral("DB3/configSetBg.ini");
}

// Reads the option; a missing file is created holding "1" and the option is
// on. A first line that is not an integer (or an empty file) reads as on.
bool readConfirmOption(const ProgramFolder& folder);

// Process-wide: whether to ask, and the answer the window last gave.
struct ConfirmState {
    bool ask = true;
    bool answer = false;
};

// Created once and reused, so the check box keeps its state between showings.
class TInforFrm : public QDialog {
    Q_OBJECT
public:
    TInforFrm(const ProgramFolder& folder, ConfirmState& state, QWidget* parent = nullptr);

    void btnokClick();     // 确  定
    void btncancelClick(); // 取  消
    void btnCloseClick();  // X

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ProgramFolder folder_;
    ConfirmState& state_;
    QLabel* imgQuestion;
    QLabel* lblInfo;
    QCheckBox* chkSetBgInfo;
    QPushButton* btnok;
    QPushButton* btncancel;
    QPushButton* btnClose;
};

} // namespace kuvano::wallpaper
