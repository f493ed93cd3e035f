// RTF as the Windows rich edit control, WordPad and Word write it.
#include "test_rtf_support.h"

#include <QRandomGenerator>

using namespace kuvano::test::rtf;
namespace rtf = kuvano::rtf;

namespace {

Span span(int block, const char* text, const char* family, double points, const char* color = "",
          bool bold = false) {
    Span s;
    s.block = block;
    s.text = QString::fromUtf8(text);
    s.family = QString::fromUtf8(family);
    s.points = points;
    s.color = QString::fromLatin1(color);
    s.bold = bold;
    return s;
}

// The document's characters as stored (toPlainText would turn line breaks
// and no-break spaces into plain ones), paragraphs joined by \n.
QString textOf(const char* rtfText) {
    return readDoc(QByteArray(rtfText))->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace

TEST(RtfReader, RichEditGbkNote) {
    const auto doc = readDoc(fixture("richedit_gbk.rtf"));
    // The last \par closes the last paragraph: three paragraphs, not four.
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("今天开会\n明天 Meeting 10:00\n重要"));
    const std::vector<Span> expected = {
        span(0, "今天", "宋体", 9),
        span(0, "开会", "宋体", 9, "#ff0000"),
        span(1, "明天", "黑体", 12),
        span(1, " Meeting 10:00", "Arial", 10),
        span(2, "重要", "宋体", 9, "#0000ff", true),
    };
    EXPECT_EQ(spans(*doc), expected);
}

TEST(RtfReader, WordPadNoteWithPictureUnicodeAndHighlight) {
    const auto doc = readDoc(fixture("wordpad.rtf"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("中文 café €marked\n\n😀 end"));
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].family, QStringLiteral("宋体"));
    EXPECT_EQ(s[0].points, 11);
    EXPECT_EQ(s[1].text, QStringLiteral(" café €"));
    EXPECT_EQ(s[1].family, QStringLiteral("Calibri"));
    EXPECT_EQ(s[2].text, QStringLiteral("marked"));
    EXPECT_EQ(s[2].background, QStringLiteral("#ffff00"));
    EXPECT_EQ(s[3].text, QStringLiteral("😀"));
    EXPECT_EQ(s[3].color, QStringLiteral("#00b050"));
    EXPECT_EQ(s[4].text, QStringLiteral(" end"));
    EXPECT_EQ(s[4].color, QString());
}

TEST(RtfReader, WordDocumentDestinationsAndFallbacks) {
    // \uc2 with GBK fallbacks, stylesheet, info, theme data, a field, an
    // object with \bin data holding a brace (only its result "x" shows),
    // \upr/\ud and list text.
    const auto doc = readDoc(fixture("word.rtf"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("中文Redlinkx好\n●\t第二段"));
    const auto s = spans(*doc);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[0].text, QStringLiteral("中文"));
    EXPECT_EQ(s[0].family, QStringLiteral("宋体"));
    EXPECT_EQ(s[0].points, 10.5);
    EXPECT_EQ(s[1].text, QStringLiteral("Red"));
    EXPECT_EQ(s[1].family, QStringLiteral("Times New Roman"));
    EXPECT_EQ(s[1].color, QStringLiteral("#ff0000"));
    EXPECT_EQ(s[2].text, QStringLiteral("link"));
    EXPECT_TRUE(s[2].underline);
}

TEST(RtfReader, CodePagesFollowTheFontCharset) {
    // Big5, Shift_JIS (with a literal ASCII trail byte), cp1251, cp1250.
    EXPECT_EQ(readDoc(fixture("codepages.rtf"))->toPlainText(),
              QStringLiteral("中文ア日本ПриветŁódź"));
    // No font: \ansicpg decides; \cpg overrides the charset.
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}"), QStringLiteral("中"));
    EXPECT_EQ(textOf("{\\rtf1\\ansi \\'e9}"), QStringLiteral("é"));
    EXPECT_EQ(textOf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg936 A;}}\\f0 \\'d6\\'d0}"),
              QStringLiteral("中"));
    // Code page 936's euro sign and a GB18030 four-byte sequence.
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg936 \\'80\\'94\\'39\\'fc\\'36}"), QStringLiteral("€😀"));
}

TEST(RtfReader, MultiByteCharactersAcrossEscapesAndLineBreaks) {
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 \\'d6\r\n\\'d0\\'ce\n\\'c4}"), QStringLiteral("中文"));
    // Raw 8-bit bytes are text bytes too.
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 \xd6\xd0\\'ce\xc4}"), QStringLiteral("中文"));
}

TEST(RtfReader, ACutCharacterIsDroppedAndLeavesNothingForTheNextText) {
    // A lead byte with no trail, at the end of a note and of a run before a
    // group: dropped, and the text read after it is whole.
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 \\'d6}"), QString());
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 \\'d6\\'d0}"), QStringLiteral("中"));
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 \\'ce{\\b \\'c4}\\'d6\\'d0}"), QStringLiteral("中"));
    EXPECT_EQ(textOf("{\\rtf1\\ansicpg936 A\\'d6\\'d0}"), QStringLiteral("A中"));
}

TEST(RtfReader, UnicodeFallbacksAreSkipped) {
    EXPECT_EQ(textOf("{\\rtf1 \\u20013?x}"), QStringLiteral("中x"));
    EXPECT_EQ(textOf("{\\rtf1\\uc2 \\u20013\\'d6\\'d0x}"), QStringLiteral("中x"));
    EXPECT_EQ(textOf("{\\rtf1\\uc0 \\u20013x}"), QStringLiteral("中x"));
    EXPECT_EQ(textOf("{\\rtf1\\uc3 \\u20013 abcd}"), QStringLiteral("中d"));
    // \uc is scoped to its group; a brace ends the skipping.
    EXPECT_EQ(textOf("{\\rtf1{\\uc2 \\u20013\\'d6\\'d0}\\u25991?}"), QStringLiteral("中文"));
    EXPECT_EQ(textOf("{\\rtf1 {\\u20013}x}"), QStringLiteral("中x"));
    // Negative values, surrogate pairs, and unsigned values some writers use.
    EXPECT_EQ(textOf("{\\rtf1 \\u-10179?\\u-8704?\\u55357?\\u56832?}"), QStringLiteral("😀😀"));
    EXPECT_EQ(textOf("{\\rtf1 \\u8364?}"), QStringLiteral("€"));
}

TEST(RtfReader, GroupsSaveAndRestoreFormatting) {
    const auto doc = readDoc(QByteArray(
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}{\\colortbl;\\red1\\green2\\blue3;}"
        "\\f0\\fs20 a{\\b\\f1\\cf1 b{\\i\\fs30 c}d}e\\b f\\plain g}"));
    const std::vector<Span> s = spans(*doc);
    ASSERT_EQ(s.size(), 7u);
    EXPECT_EQ(s[0], span(0, "a", "Arial", 10));
    EXPECT_EQ(s[1], span(0, "b", "Courier", 10, "#010203", true));
    Span c = span(0, "c", "Courier", 15, "#010203", true);
    c.italic = true;
    EXPECT_EQ(s[2], c);
    EXPECT_EQ(s[3], span(0, "d", "Courier", 10, "#010203", true));
    EXPECT_EQ(s[4], span(0, "e", "Arial", 10));
    EXPECT_EQ(s[5].text, QStringLiteral("f"));
    EXPECT_TRUE(s[5].bold);
    EXPECT_EQ(s[6].text, QStringLiteral("g")); // \plain: the default face again
    EXPECT_FALSE(s[6].bold);
    EXPECT_NE(s[6].family, QStringLiteral("Arial"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("abcdefg"));
}

TEST(RtfReader, HighlightAndCharacterBackground) {
    const auto doc = readDoc(
        QByteArray("{\\rtf1{\\colortbl;\\red255\\green255\\blue0;\\red0\\green255\\blue255;}"
                   "a\\highlight1 b\\highlight0 c\\cb2 d\\cb0 e}"));
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[1].background, QStringLiteral("#ffff00"));
    EXPECT_EQ(s[2].background, QString());
    EXPECT_EQ(s[3].background, QStringLiteral("#00ffff"));
    EXPECT_EQ(s[4].background, QString());
}

TEST(RtfReader, BreaksAndSymbols) {
    EXPECT_EQ(textOf("{\\rtf1 a\\line b\\tab c\\par d\\\r\ne}"),
              QStringLiteral("a\u2028b\tc\nd\ne"));
    EXPECT_EQ(textOf("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~x}"),
              QStringLiteral("—–•‘’“”\u00A0x"));
    EXPECT_EQ(textOf("{\\rtf1 opt\\-hyphen}"), QStringLiteral("opthyphen"));
    // An unknown word's group is text; an unknown \* destination is not.
    EXPECT_EQ(textOf("{\\rtf1 {\\mystery kept}{\\*\\mystery dropped} end}"),
              QStringLiteral("kept end"));
}

TEST(RtfReader, RunsWithoutFontSizeOrColourTakeTheDefault) {
    QTextCharFormat def;
    def.setFontFamilies({QStringLiteral("宋体")});
    def.setProperty(QTextFormat::FontPixelSize, 12);
    def.setForeground(QColor(10, 20, 30));
    const auto doc =
        readDoc(QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}plain \\f0\\fs30 big}"), def);
    const auto first = doc->begin().begin().fragment().charFormat();
    EXPECT_EQ(first.fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    EXPECT_EQ(first.intProperty(QTextFormat::FontPixelSize), 12);
    EXPECT_EQ(first.foreground().color(), QColor(10, 20, 30));
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].family, QStringLiteral("Arial"));
    EXPECT_EQ(s[1].points, 15);
    EXPECT_EQ(s[1].color, QStringLiteral("#0a141e"));
}

TEST(RtfReader, ReplacesContentAndIsNotUndoable) {
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("old text"));
    rtf::read(QByteArray("{\\rtf1 new}"), doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("new"));
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_TRUE(doc.isUndoRedoEnabled());
}

TEST(RtfReader, NonRtfBytesAreGb18030Text) {
    EXPECT_EQ(readDoc(QByteArray("\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xda\xb6\xfe\xd0\xd0\n\r\nend"))
                  ->toPlainText(),
              QStringLiteral("第一行\n第二行\n\nend"));
    EXPECT_EQ(readDoc(QByteArray("\x94\x39\xfc\x36 {\\rtf1"))->toPlainText(),
              QStringLiteral("😀 {\\rtf1"));
    EXPECT_EQ(readDoc(QByteArray("rtf1 plain"))->toPlainText(), QStringLiteral("rtf1 plain"));
}

TEST(RtfMalformed, EmptyStreamGivesEmptyDocument) {
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("something"));
    rtf::read(QByteArray(), doc);
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_EQ(doc.blockCount(), 1);
    for (const char* s : {"{\\rtf1}", "{\\rtf", "{\\rtf1\\ansi{\\fonttbl}}", "   "}) {
        SCOPED_TRACE(s);
        EXPECT_EQ(textOf(s).trimmed(), QString());
    }
}

TEST(RtfMalformed, EveryPrefixOfTheSamplesReads) {
    for (const char* name :
         {"richedit_gbk.rtf", "wordpad.rtf", "word.rtf", "codepages.rtf", "other_writers.rtf"}) {
        SCOPED_TRACE(name);
        const QByteArray full = fixture(name);
        const auto whole = readDoc(full);
        for (qsizetype n = 0; n <= full.size(); ++n) {
            const auto doc = readDoc(full.left(n));
            EXPECT_LE(doc->blockCount(), whole->blockCount() + 1) << n;
        }
        // Without its closing brace a document still reads whole.
        const QByteArray open = full.left(full.lastIndexOf('}'));
        EXPECT_EQ(readDoc(open)->toPlainText(), whole->toPlainText());
    }
}

TEST(RtfMalformed, BrokenTokensYieldWhatCouldBeRead) {
    struct Case {
        const char* in;
        const char* text;
    };
    for (const Case c : {
             Case{"{\\rtf1 a\\'", "a"},
             Case{"{\\rtf1 a\\'4", "a"}, // a control character, dropped
             Case{"{\\rtf1 a\\'zz b}", "azz b"},
             Case{"{\\rtf1 a\\u", "a"},
             Case{"{\\rtf1 a\\u-", "a"},
             Case{"{\\rtf1 a\\", "a"},
             Case{"{\\rtf1 a\\bin99999999999 b}", "a"},
             Case{"{\\rtf1 a\\bin-5 b}", "ab"},
             Case{"{\\rtf1 a\\bin3 {{{b}", "ab"},
             Case{"{\\rtf1 a}}}}} b", "a"},
             Case{"{\\rtf1 a{\\*", "a"},
             Case{"{\\rtf1 a\\fs99999999999999999999 b}", "ab"},
             Case{"{\\rtf1 a\\f-2147483648 b\\cf99 c\\highlight-4 d}", "abcd"},
             Case{"{\\rtf1{\\colortbl;\\red999\\green-1;}\\cf1 x}", "x"},
             Case{"{\\rtf1{\\fonttbl{\\f0", ""},
             Case{"{\\rtf1{\\fonttbl{\\f0 unterminated}}\\f0 x}", "x"},
             Case{"{\\rtf1 \\u0?a\\u13?b\\u10?c\\u8233?d\\u64976?e\\u-9000?f}", "abcde\uFFFDf"},
             Case{"{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop x}", "x"},
             // Found by the fuzzer: a literal tab outside text used to reach the text.
             Case{"{\\rtf1{\\fonttbl{\\f0 a\tb;}}{\\*\\x \t}{\\colortbl\t;}\\f0 x}", "x"},
         }) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(textOf(c.in), QString::fromUtf8(c.text));
    }
}

TEST(RtfMalformed, FontNamesHoldNoControlCharacters) {
    // Found by the fuzzer: a tab in a face name changed the name on every round.
    const auto doc = readDoc(QByteArray("{\\rtf1{\\fonttbl{\\f0 a\\tab\tb\\u-10179?;}}\\f0 x}"));
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].family, QStringLiteral("ab\uFFFD"));
    const QByteArray once = rtf::write(*doc);
    EXPECT_EQ(rtf::write(*readDoc(once)), once);
}

TEST(RtfMalformed, DeepNestingNeitherRecursesNorLosesState) {
    const int depth = 200000;
    QByteArray deep = "{\\rtf1 a";
    deep += QByteArray(depth, '{') + "\\b x" + QByteArray(depth, '}') + "y}";
    const auto doc = readDoc(deep);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("axy"));
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_TRUE(s[1].bold);
    EXPECT_FALSE(s[2].bold);
    // Never closed.
    EXPECT_EQ(readDoc("{\\rtf1 " + QByteArray(1 << 20, '{') + "z")->toPlainText(),
              QStringLiteral("z"));
}

TEST(RtfMalformed, GarbageNeverCrashes) {
    QRandomGenerator rng(4);
    const QByteArray alphabet = "{}\\'*;0123456789-abcufsbinpard \r\n\x80\xd6\xff";
    for (int k = 0; k < 3000; ++k) {
        QByteArray bytes = "{\\rtf1";
        const int n = int(rng.bounded(200));
        for (int i = 0; i < n; ++i) {
            bytes += rng.bounded(4) == 0 ? char(rng.bounded(256))
                                         : alphabet[int(rng.bounded(alphabet.size()))];
        }
        const auto doc = readDoc(bytes);
        // Whatever was read writes and reads back to the same bytes.
        const QByteArray once = rtf::write(*doc);
        EXPECT_EQ(rtf::write(*readDoc(once)), once) << bytes.toHex().toStdString();
    }
}
