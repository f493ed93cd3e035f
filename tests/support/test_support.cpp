#include "support/test_support.h"

#include "access/access_read.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "store/clock.h"
#include "store/line_file.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cstdlib>

namespace kuvano::test {

void prepareApplication() {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    fonts::installSubstitutes();
    access::setReaderProgram(QStringLiteral(KUVANO_MDB_READER));
}

MessageRecorder::MessageRecorder() : messages_(std::make_shared<std::vector<Message>>()) {
    auto sink = messages_;
    setMessageHook([sink](const QString& text, const QString& caption) {
        sink->push_back({text, caption});
    });
}

MessageRecorder::~MessageRecorder() {
    setMessageHook({});
}

QuestionAnswerer::QuestionAnswerer(std::vector<int> answers) : state_(std::make_shared<State>()) {
    state_->answers = std::move(answers);
    auto state = state_;
    setQuestionHook(
        [state](const QString& text, const QString& caption, const QStringList& buttons) {
            state->asked.push_back({text, caption, buttons});
            if (state->answers.empty()) return -1;
            const size_t i = std::min(state->asked.size(), state->answers.size()) - 1;
            return state->answers[i];
        });
}

QuestionAnswerer::~QuestionAnswerer() {
    setQuestionHook({});
}

FileDialogAnswerer::FileDialogAnswerer(QStringList names) : state_(std::make_shared<State>()) {
    state_->names = std::move(names);
    auto state = state_;
    dialogs::setFileHook([state](const dialogs::FileRequest& request) {
        state->asked.push_back(request);
        if (state->names.isEmpty()) return QString();
        const qsizetype i =
            std::min<qsizetype>(qsizetype(state->asked.size()), state->names.size());
        return state->names[i - 1];
    });
}

FileDialogAnswerer::~FileDialogAnswerer() {
    dialogs::setFileHook({});
}

ColorDialogAnswerer::ColorDialogAnswerer(QColor answer) : state_(std::make_shared<State>()) {
    state_->answer = answer;
    auto state = state_;
    dialogs::setColorHook([state](const dialogs::ColorRequest& request) -> std::optional<QColor> {
        state->asked.push_back(request);
        if (!state->answer.isValid()) return std::nullopt;
        return state->answer;
    });
}

ColorDialogAnswerer::~ColorDialogAnswerer() {
    dialogs::setColorHook({});
}

FakeScreen::FakeScreen(const QSize& size) {
    screen::setFakeSize(size);
}
FakeScreen::~FakeScreen() {
    screen::setFakeSize(QSize());
}

} // namespace kuvano::test
