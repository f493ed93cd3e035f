#pragma once
// Answers the composer's modal questions in tests: queued actions on the
// dialogs it runs, queued names for its open-file question.

#include "wallpaper/modal.h"

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QStringList>
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
        wallpaper::modal::setFileAnswerer([this](const QString& filter) {
            lastFilter = filter;
            if (files_.empty()) return QString();
            const QString f = files_.front();
            files_.pop_front();
            return f;
        });
    }
    ~DialogAnswers() {
        wallpaper::modal::setDialogAnswerer({});
        wallpaper::modal::setFileAnswerer({});
    }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    void then(Action a) { actions_.push_back(std::move(a)); }
    void thenFile(const QString& name) { files_.push_back(name); }

    // The common action: a click on the named button.
    static Action click(const char* button) {
        return [name = QString::fromLatin1(button)](QDialog& d) {
            QPushButton* b = d.findChild<QPushButton*>(name);
            if (b) QTest::mouseClick(b, Qt::LeftButton);
        };
    }

    int shown = 0;
    QString lastFilter;

private:
    std::deque<Action> actions_;
    std::deque<QString> files_;
};

} // namespace kuvano::test
