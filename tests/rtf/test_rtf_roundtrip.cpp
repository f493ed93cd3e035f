// A note written and loaded back is the note as typed: text, runs and bytes.
#include "test_rtf_support.h"

using namespace kuvano::test::rtf;
namespace rtf = kuvano::rtf;

namespace {

// write -> read gives the same text and runs; write -> read -> write the same bytes.
void expectRoundTrip(const QTextDocument& doc) {
    const QByteArray first = rtf::write(doc);
    const auto back = readDoc(first);
    EXPECT_EQ(back->toPlainText(), doc.toPlainText()) << first.toStdString();
    EXPECT_EQ(spans(*back), spans(doc)) << first.toStdString();
    EXPECT_EQ(rtf::write(*back), first);
}

const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);
const QColor green(0, 128, 0);
const QColor yellow(255, 255, 0);

} // namespace

TEST(RtfRoundTrip, MixedFontsSizesColoursAndStyles) {
    const auto doc = documentOf({
        {QStringLiteral("今天开会 ")},
        {QStringLiteral("重要"), QStringLiteral("黑体"), 14, 0, red, {}, true},
        {QStringLiteral(" Arial italic underlined"),
         QStringLiteral("Arial"),
         10,
         0,
         blue,
         {},
         false,
         true,
         true},
        {QStringLiteral("\n楷体删除线"), QStringLiteral("楷体"), 11, 0, green, yellow, false, false,
         false, true},
        {QStringLiteral("微软雅黑 9pt"), QStringLiteral("微软雅黑"), 9},
        {QStringLiteral("\n仿宋 10.5"), QStringLiteral("仿宋"), 10.5},
        {QStringLiteral(" SimSun 16px"), QStringLiteral("SimSun"), 0, 16},
        {QStringLiteral("bold+italic+underline+strike"),
         QStringLiteral("Courier New"),
         13,
         0,
         {},
         {},
         true,
         true,
         true,
         true},
    });
    expectRoundTrip(*doc);
}

TEST(RtfRoundTrip, CharactersGbkLacksSurviveInEveryFont) {
    // Emoji, CJK Ext-B, Hangul, the euro sign (0x80 in code page 936 only),
    // GB18030 four-byte characters and private-use characters.
    const QString text = QStringLiteral("😀𠀀한€ḿ\u00A0\uE000\uFFFD中文¥§");
    for (const char* family : {"宋体", "Arial"}) {
        SCOPED_TRACE(family);
        const auto doc = documentOf({{text, QString::fromUtf8(family)}});
        expectRoundTrip(*doc);
    }
}

TEST(RtfRoundTrip, RtfSpecialCharactersTabsAndLineBreaks) {
    const auto doc = documentOf({
        {QStringLiteral("a\\b{c}d \\par {\\b x} ;")},
        {QStringLiteral("\t前\t后\t"), QStringLiteral("Arial"), 10},
        {QStringLiteral("行一\u2028行二")},
        {QStringLiteral("  leading and trailing spaces  ")},
        {QStringLiteral("?digits after \\u: 123")},
    });
    expectRoundTrip(*doc);
}

TEST(RtfRoundTrip, ParagraphsIncludingEmptyOnes) {
    for (const QString& text :
         {QStringLiteral(""), QStringLiteral("\n"), QStringLiteral("a\n"), QStringLiteral("\na"),
          QStringLiteral("a\n\n\nb"), QStringLiteral("一\n二\n三\n\n")}) {
        SCOPED_TRACE(text.toStdString());
        const auto doc = documentOf({{text}});
        ASSERT_EQ(doc->toPlainText(), text);
        expectRoundTrip(*doc);
    }
}

TEST(RtfRoundTrip, EmptyParagraphKeepsItsSize) {
    // The size of an empty line decides its height in the box.
    const auto doc = documentOf({{QStringLiteral("大\n\n"), QStringLiteral("宋体"), 20}});
    const QByteArray bytes = rtf::write(*doc);
    const auto back = readDoc(bytes);
    ASSERT_EQ(back->blockCount(), 3);
    EXPECT_EQ(back->findBlockByNumber(1).charFormat().fontPointSize(), 20);
    EXPECT_EQ(back->findBlockByNumber(2).charFormat().fontPointSize(), 20);
    EXPECT_EQ(rtf::write(*back), bytes);
}

TEST(RtfRoundTrip, SizesBecomeHalfPoints) {
    // Pixels at 96 dpi to the nearest half point; read back as points.
    struct Case {
        double points;
        int pixels;
        const char* word;
        double readBack;
    };
    for (const Case c :
         {Case{0, 12, "\\fs18 ", 9}, Case{0, 16, "\\fs24 ", 12}, Case{0, 13, "\\fs20 ", 10},
          Case{10.5, 0, "\\fs21 ", 10.5}, Case{14, 0, "\\fs28 ", 14}, Case{9.2, 0, "\\fs18 ", 9}}) {
        SCOPED_TRACE(c.word);
        const auto doc =
            documentOf({{QStringLiteral("x"), QStringLiteral("宋体"), c.points, c.pixels}});
        const QByteArray bytes = rtf::write(*doc);
        EXPECT_TRUE(bytes.contains(c.word)) << bytes.toStdString();
        const auto back = readDoc(bytes);
        const QTextCharFormat f = back->begin().begin().fragment().charFormat();
        EXPECT_EQ(f.fontPointSize(), c.readBack);
        EXPECT_FALSE(f.hasProperty(QTextFormat::FontPixelSize));
        EXPECT_EQ(rtf::write(*back), bytes);
    }
}

TEST(RtfRoundTrip, UnformattedTextTakesTheDocumentFont) {
    // What a QTextEdit with the box font holds after plain typing.
    QTextDocument doc;
    QFont box(QStringLiteral("宋体"));
    box.setPixelSize(12);
    doc.setDefaultFont(box);
    QTextCursor(&doc).insertText(QStringLiteral("随手记 note"));
    const QByteArray bytes = rtf::write(doc);
    EXPECT_TRUE(bytes.contains("\\f0\\fs18 ")) << bytes.toStdString();
    const auto back = readDoc(bytes);
    ASSERT_EQ(spans(*back).size(), 1u);
    EXPECT_EQ(spans(*back)[0].family, QStringLiteral("宋体"));
    EXPECT_EQ(spans(*back)[0].points, 9);
    EXPECT_EQ(rtf::write(*back), bytes);
}

TEST(RtfRoundTrip, ManyColoursAndFonts) {
    std::vector<TextRun> runs;
    for (int k = 0; k < 40; ++k) {
        TextRun r;
        r.text = QStringLiteral("段%1;").arg(k);
        r.family =
            k % 3 == 0 ? QStringLiteral("Font;%1").arg(k % 7) : QStringLiteral("字体%1").arg(k % 5);
        r.points = 8 + k % 9;
        r.color = QColor::fromHsv(k * 9, 255, 200);
        if (k % 4 == 0) r.background = QColor::fromHsv(k * 5, 80, 255);
        r.bold = k % 2;
        runs.push_back(r);
    }
    expectRoundTrip(*documentOf(runs));
}

TEST(RtfRoundTrip, StableWhenReadWithTheBoxDefaultFormat) {
    // The note box loads with its own face, size and window-text colour.
    QTextCharFormat box;
    box.setFontFamilies({QStringLiteral("宋体")});
    box.setFontPointSize(9);
    box.setForeground(QColor(0, 0, 0));
    box.setBackground(QColor(235, 235, 235));
    const auto doc =
        documentOf({{QStringLiteral("自动颜色 ")},
                    {QStringLiteral("红色"), QStringLiteral("宋体"), 9, 0, red, yellow}});
    const QByteArray first = rtf::write(*doc);
    const auto back = readDoc(first, box);
    EXPECT_EQ(rtf::write(*back), first);
    EXPECT_EQ(spans(*back)[0].color, QStringLiteral("#000000"));

    // A colour the user gives the run afterwards is written, the default one too.
    for (const QColor& chosen : {blue, QColor(0, 0, 0)}) {
        QTextCursor c(back.get());
        c.setPosition(0);
        c.setPosition(2, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setForeground(chosen);
        c.mergeCharFormat(f);
        const auto again = readDoc(rtf::write(*back), box);
        EXPECT_EQ(spans(*again)[0].color, chosen.name());
        // Black is the box's colour: the run joins its automatic neighbour again.
        EXPECT_EQ(spans(*again)[0].text,
                  chosen == blue ? QStringLiteral("自动") : QStringLiteral("自动颜色 "));
    }
}
