// The RTF the sync makes for text that came without it (another program's
// journal) must read back, through the boxes' own reader, as that text.
#include "rtf/rtf.h"
#include "sync/note_access.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace kuvano;

namespace {
QString shown(const QByteArray& rtf) {
    QTextDocument doc;
    rtf::read(rtf, doc);
    return doc.toPlainText();
}
} // namespace

TEST(RtfOfSyncText, ReadsBackAsTheText) {
    const QString texts[] = {
        QStringLiteral("纯中文"),
        QStringLiteral("mixed 中文，标点；「引号」 and ASCII"),
        QStringLiteral("{braces} \\backslash\\ \tTab"),
        QStringLiteral("第一行\n\n第三行\n"),
        QStringLiteral("beyond the BMP: 𠀀𪚥 and ½ ü é"),
        QStringLiteral("\\par \\u20013? not words"),
    };
    for (const QString& t : texts) EXPECT_EQ(shown(sync::RtfOfText(t)), t) << t.toStdString();
}

TEST(RtfOfSyncText, AddedBelowAFormattedNoteKeepsItsFormatting) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontFamilies({QStringLiteral("Arial")}); // not a CJK face: \'hh would misread
    c.insertText(QStringLiteral("原有 bold"), bold);
    const QByteArray before = rtf::write(doc);
    const QByteArray after =
        sync::AppendTextToRtf(before, doc.toPlainText(), QStringLiteral("外来的\n两行"));
    QTextDocument back;
    rtf::read(after, back);
    EXPECT_EQ(back.toPlainText(), QStringLiteral("原有 bold\n外来的\n两行"));
    EXPECT_TRUE(back.begin().begin().fragment().charFormat().font().bold());
    // Not RTF at all: the two texts one below the other.
    EXPECT_EQ(shown(sync::AppendTextToRtf("plain", QStringLiteral("旧"), QStringLiteral("新"))),
              QStringLiteral("旧\n新"));
}
