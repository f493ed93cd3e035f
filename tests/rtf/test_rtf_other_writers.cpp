// RTF as other programs write it: word processors, mail programs, Mac
// programs and converters, pasted or imported into a note.
#include "test_rtf_support.h"

#include "rtf/rtf_codepages.h"

#include <algorithm>

using namespace kuvano::test::rtf;
namespace rtf = kuvano::rtf;
namespace detail = kuvano::rtf::detail;

namespace {

// The document's characters as stored, paragraphs joined by \n.
QString textOf(const QByteArray& rtfText) {
    return readDoc(rtfText)->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

QByteArray nested(int depth, const char* inner) {
    return QByteArray(depth, '{') + inner + QByteArray(depth, '}');
}

struct Case {
    const char* what;
    QByteArray in;
    const char* text;
};

void expectTexts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(textOf(c.in), QString::fromUtf8(c.text)) << c.in.toStdString();
    }
}

} // namespace

TEST(RtfOtherWriters, WordDocumentWithListsFieldsAndAnObject) {
    const auto doc = readDoc(fixture("other_writers.rtf"));
    EXPECT_EQ(doc->toPlainText(),
              QStringLiteral("•\tFirst1\n▪\tSecond bold\nシン中文•\nac [picture]"));
    const auto s = spans(*doc);
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[0].text, QStringLiteral("•\t"));
    EXPECT_NE(s[0].family, QStringLiteral("Symbol")); // the bullet is drawn in a text face
    const auto mac = std::find_if(s.begin(), s.end(),
                                  [](const Span& x) { return x.text == QStringLiteral("シン"); });
    ASSERT_NE(mac, s.end());
    EXPECT_EQ(mac->family, QStringLiteral("Osaka"));
}

TEST(RtfOtherWriters, DestinationsGroupsAndHeaders) {
    expectTexts({
        {"\\* after a word is no destination mark", "{\\rtf1\\ansi {\\b\\*\\cs7 Hello} world}",
         "Hello world"},
        {"\\* after its brace still skips", "{\\rtf1 a{\\*\\cs7 hidden}b}", "ab"},
        {"\\* before a word we do not read", "{\\rtf1 a{\\*\\pn x}{\\*\\b y}b}", "ab"},
        {"blank before \\rtf1", "{ \\rtf1\\ansi Hello world}", "Hello world"},
        {"line breaks before \\rtf1", " \r\n{\r\n\t\\rtf1 Hello}", "Hello"},
        {"something else before \\rtf1 is no RTF", "{x\\rtf1 y}", "{x\\rtf1 y}"},
        {"nested-table fallback", "{\\rtf1\\ansi a{\\nonesttables b}c}", "ac"},
        {"deep nesting ends the skipping with its group",
         "{\\rtf1 " + nested(300, "{\\*\\foo hidden}visible") + " tail}", "visible tail"},
        {"footnote marks show their number",
         "{\\rtf1 a{\\super\\chftn}{\\footnote{\\super\\chftn} note}b{\\super\\chftn}{\\footnote "
         "\\chftn  two}c}",
         "a1b2c"},
    });
}

TEST(RtfOtherWriters, DeepGroupsRestoreTheirFormatting) {
    // Every level changes the formatting, far deeper than any writer nests.
    const int depth = 3000;
    QByteArray in = "{\\rtf1 a";
    for (int i = 0; i < depth; ++i) in += i % 2 ? "{\\b0 " : "{\\b ";
    in += "{\\*\\x hidden}v" + QByteArray(depth - 1, '}') + "w} x}";
    const auto doc = readDoc(in);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("avw x"));
    const auto s = spans(*doc);
    // "v" is at the innermost level (\b0), "w" back at the first (\b).
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].text, QStringLiteral("av"));
    EXPECT_FALSE(s[0].bold);
    EXPECT_EQ(s[1].text, QStringLiteral("w"));
    EXPECT_TRUE(s[1].bold);
    EXPECT_FALSE(s[2].bold);
}

TEST(RtfOtherWriters, ObjectsShowTheirResult) {
    expectTexts({
        {"embedded object",
         "{\\rtf1\\ansi a {\\object\\objemb{\\*\\objclass Word.Document.8}{\\*\\objdata "
         "0102}{\\result shown}} b}",
         "a shown b"},
        {"object without result shows nothing", "{\\rtf1 a{\\object\\objemb{\\objdata 0102} x}b}",
         "ab"},
        {"object that never closes",
         "{\\rtf1 a {\\object{\\*\\objdata 01}{\\result shown} b\\par c}", "a shown b\nc"},
        {"object without \\* on its data",
         "{\\rtf1 a{\\object{\\objclass Paint}{\\objdata 0102}{\\result{\\pict 0a}r}}b}", "arb"},
        {"\\result outside an object is a plain group", "{\\rtf1 a{\\result b}c}", "abc"},
    });
}

TEST(RtfOtherWriters, SymbolFieldsShowTheirCharacter) {
    expectTexts({
        {"empty result",
         "{\\rtf1 a{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\" \\\\s 12}{\\fldrslt\\f3 }}b}",
         "a•b"},
        {"no result group", "{\\rtf1 a{\\field{\\*\\fldinst {SYMBOL 0xB7 \\\\f Symbol}}}b}", "a•b"},
        {"a result is kept as written",
         "{\\rtf1 {\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\"}{\\fldrslt x}}}", "x"},
        {"unicode switch", "{\\rtf1 {\\field{\\*\\fldinst SYMBOL 8364 \\\\u}{\\fldrslt }}}", "€"},
        {"in the field's own symbol font",
         "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}\\f1 {\\field{\\*\\fldinst SYMBOL "
         "252}{\\fldrslt }}}",
         "✓"},
        {"ANSI code in a Latin font", "{\\rtf1 {\\field{\\*\\fldinst SYMBOL 163}{\\fldrslt }}}",
         "£"},
        {"Shift-JIS code", "{\\rtf1 {\\field{\\*\\fldinst SYMBOL 33601 \\\\j}{\\fldrslt }}}", "ア"},
        {"other fields show their result only",
         "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}{\\field{\\*\\fldinst "
         "PAGE}{\\fldrslt }}}",
         "link"},
        {"a field inside a result",
         "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK}{\\fldrslt {\\field{\\*\\fldinst SYMBOL "
         "183 \\\\f Symbol}{\\fldrslt }}}}}",
         "•"},
        {"garbage instructions",
         "{\\rtf1 {\\field{\\*\\fldinst SYMBOL x}{\\fldrslt }}"
         "{\\field{\\*\\fldinst SYMBOL 99999999}{\\fldrslt }}"
         "{\\field{\\*\\fldinst SYMBOL}}{\\field{\\*\\fldinst \"}}}",
         ""},
    });
}

TEST(RtfOtherWriters, SymbolFontsGiveTheCharactersTheyDraw) {
    const QByteArray fonts = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f3\\fbidi\\froman\\fcharset2\\fprq2 "
                             "Symbol;}{\\f4\\fcharset2 Wingdings;}{\\f5\\fcharset0 Symbol;}"
                             "{\\f6\\fcharset2 Marlett;}}";
    expectTexts({
        {"Word's list bullet", fonts + "{\\f3\\'b7}}", "•"},
        {"private-use form", fonts + "{\\f3\\u-3913\\'b7}}", "•"},
        {"Greek letters", fonts + "{\\f3 abg\\'a5}}", "αβγ∞"},
        {"Wingdings bullets and marks", fonts + "{\\f4\\'a7\\'d8\\'fc\\'fe J}}", "▪➢✓☑ ☺"},
        {"Wingdings beyond the BMP", fonts + "{\\f4\\'24}}", "👓"},
        {"Wingdings private-use form", fonts + "{\\f4\\u-3844?}}", "✓"},
        {"no Unicode character: the private-use form stays", fonts + "{\\f4\\'27}}", "\uF027"},
        {"a Symbol name without the symbol charset", fonts + "{\\f5 a\\'b7}}", "a·"},
        {"private use in a Latin font", fonts + "{\\f0\\u-3913?}}", "\uF0B7"},
        {"other symbol fonts keep Latin-1", fonts + "{\\f6\\'b7}}", "·"},
    });
    // The characters are drawn in the default face, not in the symbol font,
    // and what was read writes and reads back the same.
    QTextCharFormat box;
    box.setFontFamilies({QStringLiteral("宋体")});
    const auto doc = readDoc(fonts + "{\\f3\\'b7}\\f0 x}", box);
    const auto s = spans(*doc);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].family, QStringLiteral("宋体"));
    EXPECT_EQ(s[1].family, QStringLiteral("Arial"));
    const QByteArray once = rtf::write(*doc);
    const auto again = readDoc(once);
    EXPECT_EQ(again->toRawText(), doc->toRawText());
    EXPECT_EQ(rtf::write(*again), once);
}

TEST(RtfOtherWriters, MacCodePages) {
    expectTexts({
        {"Mac Japanese",
         "{\\rtf1\\mac\\ansicpg10001{\\fonttbl\\f0\\fnil\\fcharset78 Osaka;}\\f0 "
         "\\'83\\'56\\'83\\'93}",
         "シン"},
        {"Mac Japanese from \\ansicpg", "{\\rtf1\\mac\\ansicpg10001 \\'93\\'fa\\'96\\'7b}", "日本"},
        {"Mac Korean", "{\\rtf1{\\fonttbl{\\f0\\fcharset79 x;}}\\f0 \\'b0\\'a1\\'81}", "가₩"},
        {"Mac Simplified Chinese", "{\\rtf1{\\fonttbl{\\f0\\fcharset80 x;}}\\f0 \\'d6\\'d0\\'fd}",
         "中©"},
        {"Mac Traditional Chinese", "{\\rtf1{\\fonttbl{\\f0\\fcharset81 x;}}\\f0 \\'a4\\'a4\\'ff}",
         "中…"},
        {"Mac Roman", "{\\rtf1\\mac \\'8a\\'a5}", "ä•"},
        {"Mac Cyrillic", "{\\rtf1{\\fonttbl{\\f0\\fcharset89 x;}}\\f0 \\'8f\\'f0\\'e8}", "При"},
    });
}

TEST(RtfOtherWriters, MacCjkBytesFollowApplesTables) {
    struct Bytes {
        int page;
        QByteArray in;
        const char16_t* out;
    };
    for (const Bytes& b : {
             // Apple's one-byte characters, half-width katakana, Apple's JIS mappings.
             Bytes{10001, "\x80\xa0\xb1\xfd\xfe\xff", u"\\\u00A0ｱ©™…"},
             Bytes{10001, "\x81\x60\x81\x5c\x81\x7c\x81\x91", u"\u301C\u2014\u2212¢"},
             // Apple's row of enclosed and Roman numerals; its other additions are unknown.
             Bytes{10001, "\x85\x40\x85\x7c\x85\x80\x85\x9f\x85\xdb", u"①❶❹Ⅰ⒜"},
             Bytes{10001,
                   "\x86\x40"
                   "a\x88\x40\xeb\x50",
                   u"\uFFFDa\uFFFD\uFFFD"},
             // A lead byte without its trail byte.
             Bytes{10001, "\x83", u"\uFFFD"},
             Bytes{10001, "\x83\x0a", u"\uFFFD\n"},
             Bytes{10003, "\x80\x82\x83\x84\xa1\xa4\xa1\x41x", u"\u00A0–©＿·\uFFFDx"},
             Bytes{10002, "\x80\xa1\x45\xa4\x40\xc6\xa1\xfd", u"\\·一\uFFFD©"},
             Bytes{10008, "\x80\xa1\xab\xa3\xa4\xb0\xa1\xaa\xa1\x81", u"ü〜¥啊\uFFFD"},
         }) {
        SCOPED_TRACE(b.page);
        SCOPED_TRACE(b.in.toHex().toStdString());
        detail::TextDecoder decoder;
        EXPECT_EQ(decoder.decode(b.in, b.page), QString::fromUtf16(b.out));
    }
}
