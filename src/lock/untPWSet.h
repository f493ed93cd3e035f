#pragma once

#include "platform/program_folder.h"

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kuvano::lock {

// Password settings: turns the login on with a new password, or off. Opened
// modally (exec()) over the main window; created once and reused, so the
// boxes keep what they held. A change takes effect at the next start.
class TpwsetFrm : public QDialog {
    Q_OBJECT
public:
    explicit TpwsetFrm(const ProgramFolder& folder, QWidget* parent = nullptr);

    void JvXPButton1Click();     // 应   用
    void JvXPToolButton1Click(); // 关闭: close without change

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    bool writeOrReport(const QStringList& lines);

    ProgramFolder folder_;

    QFrame* Shape1;
    QLabel* Image1;
    QLabel* Image3;
    QLabel* Label3; // title
    QCheckBox* JCheckbox1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* edit1;
    QLineEdit* edit2;
    QPushButton* JvXPButton1;
    QToolButton* JvXPToolButton1;
};

} // namespace kuvano::lock
