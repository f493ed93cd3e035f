#pragma once

#include <QString>

#include <stdexcept>

namespace kuvano {

// An error whose message is shown to the user as it is.
class MessageError : public std::runtime_error {
public:
    explicit MessageError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

} // namespace kuvano
