#pragma once

#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "support/temp_folder.h"

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace kuvano::test {

// After it: font substitutes, C locale for Qt's own formatting.
void prepareApplication();

// Records the message boxes shown while it lives instead of opening them.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    struct Message {
        QString text;
        QString caption;
    };
    const std::vector<Message>& messages() const { return *messages_; }
    void clear() { messages_->clear(); }

private:
    std::shared_ptr<std::vector<Message>> messages_;
};

// Answers the questions asked while it lives with the given button indexes,
// in order (the last one repeats), and records them.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(std::vector<int> answers);
    ~QuestionAnswerer();
    struct Question {
        QString text;
        QString caption;
        QStringList buttons;
    };
    const std::vector<Question>& questions() const { return state_->asked; }

private:
    struct State {
        std::vector<int> answers;
        std::vector<Question> asked;
    };
    std::shared_ptr<State> state_;
};

// Answers the file dialogs opened while it lives with the given names, in
// order (an empty name cancels; the last one repeats), and records the requests.
class FileDialogAnswerer {
public:
    explicit FileDialogAnswerer(QStringList names);
    ~FileDialogAnswerer();
    const std::vector<dialogs::FileRequest>& requests() const { return state_->asked; }

private:
    struct State {
        QStringList names;
        std::vector<dialogs::FileRequest> asked;
    };
    std::shared_ptr<State> state_;
};

// Answers the colour dialog with a colour (an invalid one cancels) and
// records the requests.
class ColorDialogAnswerer {
public:
    explicit ColorDialogAnswerer(QColor answer);
    ~ColorDialogAnswerer();
    const std::vector<dialogs::ColorRequest>& requests() const { return state_->asked; }

private:
    struct State {
        QColor answer;
        std::vector<dialogs::ColorRequest> asked;
    };
    std::shared_ptr<State> state_;
};

// Fakes the primary screen's size while it lives.
class FakeScreen {
public:
    explicit FakeScreen(const QSize& size);
    ~FakeScreen();
};

} // namespace kuvano::test
