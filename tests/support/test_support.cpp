#include "support/test_support.h"

#include "access/access_read.h"
#include "platform/fonts.h"
#include "platform/line_file.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "store/clock.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cstdlib>

namespace kuvano::test {

void prepareEnvironment() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TZ", "Asia/Shanghai", 1);
    // Qt reads font paths from fontconfig; keep the run quiet about missing ones.
    setenv("QT_LOGGING_RULES", "qt.qpa.fonts.warning=false", 0);
}

void prepareApplication() {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    fonts::installSubstitutes();
    access::setReaderProgram(QStringLiteral(KUVANO_MDB_READER));
}

QByteArray testData(const QString& relative) {
    QFile f(QStringLiteral(KUVANO_TEST_DATA "/") + relative);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return relative.endsWith(QLatin1String(".z")) ? qUncompress(bytes) : bytes;
}

TempProgramFolder::TempProgramFolder() : folder_(dir_.path()) {
    QDir root(dir_.path());
    root.mkpath(QStringLiteral("DB3"));
    root.mkpath(QStringLiteral("source/DeskTopBG"));
    root.mkpath(QStringLiteral("source/Navigate"));
    writeLines(
        QStringLiteral("DB3/loginstr.db"),
        {QStringLiteral("NOKEY4817306"), QStringLiteral("NOKEY4817306"), QStringLiteral("0")});
}

void TempProgramFolder::writeLines(const QString& relative, const QStringList& lines) const {
    linefile::write(path(relative), lines);
}

QStringList TempProgramFolder::readLines(const QString& relative) const {
    return linefile::read(path(relative)).lines.value_or(QStringList());
}

QByteArray TempProgramFolder::readBytes(const QString& relative) const {
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void TempProgramFolder::writeBytes(const QString& relative, const QByteArray& bytes) const {
    QFile f(path(relative));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

bool TempProgramFolder::exists(const QString& relative) const {
    return QFile::exists(path(relative));
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

FixedClock::FixedClock(const QDateTime& now) {
    clock::setFixed(now);
}
FixedClock::~FixedClock() {
    clock::setFixed(QDateTime());
}

FakeScreen::FakeScreen(const QSize& size) {
    screen::setFakeSize(size);
}
FakeScreen::~FakeScreen() {
    screen::setFakeSize(QSize());
}

} // namespace kuvano::test
