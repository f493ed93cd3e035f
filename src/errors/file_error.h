#pragma once
// The one error that store, file and picture code throws: a Chinese text a
// user can act on, the file it concerns, and the engine's or system's own
// text. The boundary that catches it (a slot, an event handler) shows
// message() through the message seam and goes on.

#include <QString>

#include <stdexcept>

namespace kuvano {

class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& text, const QString& file = {}, const QString& detail = {})
        : std::runtime_error(compose(text, file, detail).toStdString()), text_(text), file_(file),
          detail_(detail) {}

    // "笔记数据库文件 /…/CalendarD.mdb 不是有效的数据库文件 (file is not a database)"
    QString message() const { return compose(text_, file_, detail_); }
    const QString& text() const { return text_; }
    const QString& file() const { return file_; }
    const QString& detail() const { return detail_; }

    // The same error, said of a file (when it named none yet).
    FileError about(const QString& file) const {
        return file_.isEmpty() ? FileError(text_, file, detail_) : *this;
    }

private:
    static QString compose(const QString& text, const QString& file, const QString& detail) {
        // A text may say where the file goes ("文件 %1 已损坏"); else it ends the text.
        QString m = text.contains(QLatin1String("%1")) ? text.arg(file) : text;
        if (!file.isEmpty() && !m.contains(file))
            m += (m.isEmpty() ? QString() : QStringLiteral("：")) + file;
        if (!detail.isEmpty() && detail != text)
            m += QStringLiteral(" (") + detail + QLatin1Char(')');
        return m;
    }

    QString text_;
    QString file_;
    QString detail_;
};

} // namespace kuvano
