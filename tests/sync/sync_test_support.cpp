#include "sync_test_support.h"

#include "sync/note_access.h"

using kuvano::notes::NotePage;

namespace kuvano::sync::test {

std::vector<PageNote> NotesOfEveryPage() {
    const QString tricky = QStringLiteral("第一行，逗号,分号;反斜杠\\ 冒号:\n第二行\t制表");
    QString longText;
    for (int i = 0; i < 300; ++i)
        longText += QStringLiteral("很长的一行文字 long line %1，").arg(i);
    // Stored RTF as the program writes it: GBK bytes of Chinese text.
    const QByteArray gbkRtf("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \xcb\xce"
                            "\xcc\xe5;}}\\pard\\f0 \\'d6\\'d0\\'ce\\'c4\\par}");
    const auto rich = [](const QString& text) { return NoteContent{RtfOfText(text), text, 0}; };
    return {
        {"desk", {NotePage::Desk, QStringLiteral("20105"), 3}, rich(tricky)},
        {"desk-gbk",
         {NotePage::Desk, QStringLiteral("201012"), 42},
         {gbkRtf, QStringLiteral("中文"), 0}},
        {"day", {NotePage::Day, QStringLiteral("2010-5-3"), 1}, rich(longText)},
        {"general",
         {NotePage::General, QStringLiteral("20105"), 7},
         {{}, QStringLiteral("开会，带上材料;A,B"), 0x0000ff}},
        {"calendar",
         {NotePage::Calendar, QStringLiteral("rili2011"), 42},
         {{}, QStringLiteral("日历记事"), 0xff8000}},
        {"yearly",
         {NotePage::Yearly, QStringLiteral("2010"), 12},
         rich(QStringLiteral("年终总结\n\n要点"))},
        {"memo",
         {NotePage::Memo, QStringLiteral("bwl"), 11},
         {{}, QStringLiteral("备忘：买菜, 交电费;"), 0}},
    };
}

QString PlainTextOfTestRtf(const QByteArray& rtf) {
    QString out;
    int depth = 0, skipTable = 0; // skip the font table group
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            if (rtf.mid(i, 9) == "{\\fonttbl") skipTable = depth;
        } else if (c == '}') {
            if (depth == skipTable) skipTable = 0;
            --depth;
        } else if (c == '\\') {
            const char n = i + 1 < rtf.size() ? rtf[i + 1] : 0;
            if (n == '\\' || n == '{' || n == '}') {
                if (!skipTable) out += QLatin1Char(n);
                ++i;
                continue;
            }
            if (n == '\'') { // a GBK byte pair: only "中文" occurs here
                i += 3;
                if (!skipTable && rtf.mid(i - 3, 4) == "\\'d6") out += QStringLiteral("中");
                if (!skipTable && rtf.mid(i - 3, 4) == "\\'ce") out += QStringLiteral("文");
                continue;
            }
            qsizetype j = i + 1;
            while (j < rtf.size() && std::isalpha(uchar(rtf[j]))) ++j;
            const QByteArray word = rtf.mid(i + 1, j - i - 1);
            qsizetype k = j;
            while (k < rtf.size() && (rtf[k] == '-' || std::isdigit(uchar(rtf[k])))) ++k;
            const int param = rtf.mid(j, k - j).toInt();
            if (k < rtf.size() && rtf[k] == ' ') ++k;
            i = k - 1;
            if (skipTable) continue;
            if (word == "par") out += QLatin1Char('\n');
            if (word == "tab") out += QLatin1Char('\t');
            if (word == "u") {
                out += QChar(char16_t(std::int16_t(param)));
                ++i; // the fallback character
            }
        } else if (c != '\r' && c != '\n' && !skipTable && depth > 0) {
            out += QLatin1Char(c);
        }
    }
    if (out.endsWith(QLatin1Char('\n'))) out.chop(1);
    return out;
}

} // namespace kuvano::sync::test
