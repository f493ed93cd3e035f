#pragma once
// Answers the composer's own modal windows in tests: queued actions on the
// window shown.

#include "wallpaper/modal.h"

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <deque>
#include <functional>

namespace kuvano::test {

class DialogAnswers {
public:
    using Action = std::function<void(QDialog&)>;
    DialogAnswers() {
        wallpaper::modal::setDialogAnswerer([this](QDialog& d) {
            ++shown;
            if (actions_.empty()) return; // left open: rejected
            Action a = std::move(actions_.front());
            actions_.pop_front();
            a(d);
        });
    }
    ~DialogAnswers() { wallpaper::modal::setDialogAnswerer({}); }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    void then(Action a) { actions_.push_back(std::move(a)); }

    // The common action: a click on the named button.
    static Action click(const char* button) {
        return [name = QString::fromLatin1(button)](QDialog& d) {
            QPushButton* b = d.findChild<QPushButton*>(name);
            if (b) QTest::mouseClick(b, Qt::LeftButton);
        };
    }

    int shown = 0;

private:
    std::deque<Action> actions_;
};

} // namespace kuvano::test
