#include "export/notes_export.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace kuvano::exporting {

namespace {

bool blank(QChar c) {
    return c.unicode() <= 32;
}

// A title or prefix followed by TEXT, whose own line breaks become lines of
// their own without a prefix.
void appendEntry(QStringList& lines, const QString& prefix, const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    const QStringList parts = TrimText(text).split(breaks);
    lines << prefix + parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) lines << parts[i];
}

} // namespace

QString TrimText(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

QStringList DeskExportLines(const QDate& shown, const std::array<DeskCell, kDeskCells>& cells) {
    QStringList lines{QStringLiteral("%1年%2月-月记事").arg(shown.year()).arg(shown.month())};
    for (const DeskCell& c : cells) {
        // Only the month numbers are compared, not the years.
        const QString prefix =
            c.date.month() == shown.month()
                ? QStringLiteral("%1月%2号：").arg(c.date.month()).arg(c.date.day())
                : QStringLiteral("记录：");
        appendEntry(lines, prefix, c.text);
    }
    return lines;
}

QStringList YearExportLines(int year, const std::array<QString, 12>& months) {
    static const char16_t* const labels[12] = {
        u"一月份：", u"二月份：", u"三月份：", u"四月份：", u"五月份：",   u"六月份：",
        u"七月份：", u"八月份：", u"九月份：", u"十月份：", u"十一月份：", u"十二月份"};
    QStringList lines{QStringLiteral("%1年-年度记事").arg(year)};
    for (size_t k = 0; k < 12; ++k) appendEntry(lines, QString::fromUtf16(labels[k]), months[k]);
    return lines;
}

QStringList GeneralExportLines(const std::array<QString, kDeskCells>& texts) {
    QStringList lines{QStringLiteral("一般记事")};
    for (const QString& t : texts) appendEntry(lines, QStringLiteral("记录："), t);
    return lines;
}

QString ExportFileName(const QString& chosen) {
    return chosen + QStringLiteral(".txt");
}

QByteArray EncodeExport(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    return bytes;
}

QString WriteExportFile(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QByteArray bytes = EncodeExport(lines);
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace kuvano::exporting
