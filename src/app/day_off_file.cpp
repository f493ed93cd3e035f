#include "app/day_off_file.h"

#include "lunar/holidays.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"

#include <QFile>
#include <QStringDecoder>

namespace kuvano::app {
namespace {

// Far beyond any arrangement (a year lists about 40 days): a bigger file is not this one.
constexpr qint64 kMaxBytes = 1 << 20;

// The text as UTF-8. Files saved by an editor set to the Chinese ANSI code page (GBK) are read as
// such rather than shown as bad lines.
QByteArray asUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QStringDecoder("GB18030").decode(bytes);
    return text.toUtf8();
}

// The line as a message shows it: tabs as spaces (a message box draws a tab as a wide gap), cut
// short when long.
QString shown(QString line) {
    constexpr int kMax = 60;
    line.replace(QLatin1Char('\t'), QStringLiteral("  "));
    return line.size() <= kMax ? line : line.left(kMax) + QStringLiteral("…");
}

QString badLinesMessage(const QString& path, const lunar::ListedDayLines& read) {
    const QString line = shown(QString::fromStdString(read.firstBadText));
    const QString where =
        read.badLines == 1
            ? QStringLiteral("%1 第 %2 行无法识别，已跳过：").arg(path).arg(read.firstBadLine)
            : QStringLiteral("%1 有 %2 行无法识别，已跳过。第一处是第 %3 行：")
                  .arg(path)
                  .arg(read.badLines)
                  .arg(read.firstBadLine);
    return where + QLatin1Char('\n') + line +
           QStringLiteral("\n\n每行依次是日期（如 2027-01-01）、休或班、节日名称，以 Tab 分隔。");
}

} // namespace

int loadDayOffFile(const ProgramFolder& folder, QWidget* parent) {
    const QString path = folder.filePath(kDayOffFile);
    lunar::SetDayOffOverlay({});
    QFile file(path);
    if (!file.exists()) return 0;
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(parent, QStringLiteral("无法读取 %1：%2").arg(path, file.errorString()),
                    QString());
        return 0;
    }
    if (file.size() > kMaxBytes) {
        showMessage(parent, QStringLiteral("%1 过大，未读取。").arg(path), QString());
        return 0;
    }
    const lunar::ListedDayLines read = lunar::ParseListedDays(asUtf8(file.readAll()).toStdString());
    lunar::SetDayOffOverlay(read.days);
    if (read.badLines > 0) showMessage(parent, badLinesMessage(path, read), QString());
    return static_cast<int>(read.days.size());
}

} // namespace kuvano::app
