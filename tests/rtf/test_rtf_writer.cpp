// The bytes the writer produces: what other RTF readers see of a note.
#include "test_rtf_support.h"

using namespace kuvano::test::rtf;
namespace rtf = kuvano::rtf;

TEST(RtfWriter, NoteAsRichEditStyleRtf) {
    const auto doc = documentOf({
        {QStringLiteral("今天")},
        {QStringLiteral("开会\n"), QStringLiteral("宋体"), 0, 12, QColor(255, 0, 0)},
        {QStringLiteral("Bold"), QStringLiteral("Arial"), 10, 0, {}, {}, true},
    });
    EXPECT_EQ(rtf::write(*doc),
              QByteArray("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1"
                         "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                         "{\\f1\\fnil\\fcharset0 Arial;}}\r\n"
                         "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
                         "\\pard\\f0\\fs18 \\'bd\\'f1\\'cc\\'ec\\cf1 \\'bf\\'aa\\'bb\\'e1\\par\r\n"
                         "\\f1\\fs20\\cf0\\b Bold\\par\r\n}"));
}

TEST(RtfWriter, GbkBytesOnlyWhereGbkAndGb18030Agree) {
    const auto cjk = rtf::write(*documentOf({{QStringLiteral("中€😀𠀀한ḿ")}}));
    EXPECT_TRUE(cjk.contains("\\'d6\\'d0")) << cjk.toStdString();
    EXPECT_TRUE(cjk.contains("\\u8364?")) << cjk.toStdString();
    EXPECT_TRUE(cjk.contains("\\u-10179?\\u-8704?")) << cjk.toStdString();
    EXPECT_TRUE(cjk.contains("\\u-10176?\\u-9216?")) << cjk.toStdString();
    EXPECT_TRUE(cjk.contains("\\u-10916?")) << cjk.toStdString();
    EXPECT_TRUE(cjk.contains("\\u7743?"))
        << cjk.toStdString(); // ḿ: A8BC in GB18030, private use in GBK
    EXPECT_FALSE(cjk.contains("\\'80"));
    // A Latin font's text is read in code page 1252, so nothing goes out as GBK there.
    const auto latin = rtf::write(*documentOf({{QStringLiteral("中é"), QStringLiteral("Arial")}}));
    EXPECT_TRUE(latin.contains("\\f0\\fs18 \\u20013?\\u233?\\par")) << latin.toStdString();
}

TEST(RtfWriter, FontCharsetsAndNames) {
    const auto doc = documentOf({
        {QStringLiteral("a"), QStringLiteral("SimSun")},
        {QStringLiteral("b"), QStringLiteral("Microsoft YaHei")},
        {QStringLiteral("c"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("d"), QStringLiteral("Times New Roman")},
        {QStringLiteral("e"), QStringLiteral("微软雅黑")},
        {QStringLiteral("f"), QStringLiteral("Odd;{Name}")},
    });
    const QByteArray bytes = rtf::write(*doc);
    EXPECT_TRUE(bytes.contains("{\\f0\\fnil\\fcharset134 SimSun;}")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("{\\f1\\fnil\\fcharset134 Microsoft YaHei;}"));
    EXPECT_TRUE(bytes.contains("{\\f2\\fnil\\fcharset134 Noto Sans CJK SC;}"));
    EXPECT_TRUE(bytes.contains("{\\f3\\fnil\\fcharset0 Times New Roman;}"));
    EXPECT_TRUE(
        bytes.contains("{\\f4\\fnil\\fcharset134 \\'ce\\'a2\\'c8\\'ed\\'d1\\'c5\\'ba\\'da;}"));
    EXPECT_TRUE(bytes.contains("{\\f5\\fnil\\fcharset0 Odd\\'3b\\{Name\\};}"));
    const auto s = spans(*readDoc(bytes));
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(s[5].family, QStringLiteral("Odd;{Name}"));
}

TEST(RtfWriter, TextEscapes) {
    const auto bytes =
        rtf::write(*documentOf({{QStringLiteral("\\{}\tx\u2028y"), QStringLiteral("Arial")}}));
    EXPECT_TRUE(bytes.contains("\\f0\\fs18 \\\\\\{\\}\\tab x\\line y\\par")) << bytes.toStdString();
}
