#pragma once

#include "platform/program_folder.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;

namespace kuvano::lock {

// The small login window shown at start-up instead of the main window while
// the login is on. It stays the application's main window after hiding, so the
// main window's own end commands end the program.
class TLockLogin : public QWidget {
    Q_OBJECT
public:
    explicit TLockLogin(const ProgramFolder& folder, QWidget* parent = nullptr);

    // Shown after the right password. Start-up creates it after this window.
    void setMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    // How "取消" and an unreadable password file end the program
    // (default: leave the event loop).
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    void SpeedButton1Click(); // 确定: check the password
    void SpeedButton2Click(); // 取消: close and end the program

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void endProgram();

    ProgramFolder folder_;
    QPointer<QWidget> mainWindow_;
    std::function<void()> endProgram_;
    bool ending_ = false;

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
};

} // namespace kuvano::lock
