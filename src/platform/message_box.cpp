#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace kuvano {
namespace {
MessageHook& hook() {
    static MessageHook h;
    return h;
}
QuestionHook& questionHook() {
    static QuestionHook h;
    return h;
}
QString& storedTitle() {
    static QString t;
    return t;
}
} // namespace

QString applicationTitle() {
    return storedTitle().isEmpty() ? QApplication::applicationDisplayName() : storedTitle();
}

void setApplicationTitle(const QString& t) {
    storedTitle() = t;
}

void setQuestionHook(QuestionHook h) {
    questionHook() = std::move(h);
}

int askQuestion(QWidget* parent, const QString& text, const QString& caption,
                const QStringList& buttons, int defaultButton) {
    if (questionHook()) return questionHook()(text, caption, buttons);
    QMessageBox box(QMessageBox::Question, caption.isEmpty() ? applicationTitle() : caption, text,
                    QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> made;
    for (int i = 0; i < buttons.size(); ++i) {
        // The last button answers Esc and the close box, like a "取消".
        const auto role = i == buttons.size() - 1 && buttons.size() > 1 ? QMessageBox::RejectRole
                                                                        : QMessageBox::AcceptRole;
        made.push_back(box.addButton(buttons[i], role));
    }
    if (defaultButton >= 0 && defaultButton < int(made.size()))
        box.setDefaultButton(qobject_cast<QPushButton*>(made[size_t(defaultButton)]));
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return int(i);
    return -1;
}

void setMessageHook(MessageHook h) {
    hook() = std::move(h);
}

void showMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (hook()) {
        hook()(text, caption);
        return;
    }
    const QString title = caption.isEmpty() ? applicationTitle() : caption;
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

} // namespace kuvano
