#pragma once
// The background picture selector "背景图片选择": the user adds pictures to
// the list (copied into source/DeskTopBG/ and made BMP on the way), removes
// them (the picture file stays) and chooses one. Modal; created once and
// reused; every showing reloads the list file.

#include "platform/program_folder.h"

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace kuvano::wallpaper {

class ImageButton;

// Pictures wider than this are stretched to kAddedSize when added.
inline constexpr int kMaxAddedWidth = 1280;
inline constexpr QSize kAddedSize{1280, 768};

class TPicSelFrm : public QDialog {
    Q_OBJECT
public:
    explicit TPicSelFrm(const ProgramFolder& folder, QWidget* parent = nullptr);

    // The selector's chosen background: set before showing, read after closing.
    QString chosen;

    QStringList rows() const; // the captions of LVpic, top to bottom

    void FormShow();
    void btnAddClick();    // 添  加
    void btnRemoveClick(); // 移  除
    void btnOkClick();     // 确  定
    void img_close_highlightClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool saveList() const;
    int selectedRow() const; // the first selected row, -1 for none
    void addRow(const QString& caption);

    ProgramFolder folder_;
    QLabel* imgBackground;
    QLabel* imgLogo;
    QFrame* shpList;
    QTreeWidget* LVpic;
    QLabel* lblTishi;
    QPushButton* btnRemove;
    QPushButton* btnAdd;
    QPushButton* btnOk;
    ImageButton* imgClose;
};

} // namespace kuvano::wallpaper
