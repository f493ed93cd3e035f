#pragma once
// What "unchanged" means for a rich note: the same text, and for every run the
// same font name, size, colours and styles. Runs are compared character by
// character (adjacent equal runs merged), so fragment boundaries do not matter.

#include "rtf/rtf.h"

#include <QColor>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

namespace kuvano::test::rtf {

struct Span {
    int block = 0;
    QString text;
    QString family;
    double points = 0;
    QString color;      // "#rrggbb" or "" for automatic
    QString background; // "#rrggbb" or "" for none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;

    bool sameLook(const Span& o) const {
        return block == o.block && family == o.family && points == o.points && color == o.color &&
               background == o.background && bold == o.bold && italic == o.italic &&
               underline == o.underline && strike == o.strike;
    }
    bool operator==(const Span& o) const { return sameLook(o) && text == o.text; }
};

inline std::ostream& operator<<(std::ostream& os, const Span& s) {
    return os << "{block " << s.block << " \"" << s.text.toStdString() << "\" "
              << s.family.toStdString() << ' ' << s.points << "pt " << s.color.toStdString() << '/'
              << s.background.toStdString() << (s.bold ? " b" : "") << (s.italic ? " i" : "")
              << (s.underline ? " u" : "") << (s.strike ? " s" : "") << '}';
}

inline Span lookOf(const QTextCharFormat& f, const QFont& base) {
    Span s;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    s.family = families.isEmpty() ? base.families().value(0) : families.first();
    if (f.hasProperty(QTextFormat::FontPointSize))
        s.points = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize))
        s.points = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    else
        s.points = base.pointSizeF() > 0 ? base.pointSizeF() : base.pixelSize() * 0.75;
    if (f.foreground().style() != Qt::NoBrush) s.color = f.foreground().color().name();
    if (f.background().style() != Qt::NoBrush) s.background = f.background().color().name();
    s.bold =
        f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : base.bold();
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    s.strike = f.fontStrikeOut();
    return s;
}

inline std::vector<Span> spans(const QTextDocument& doc) {
    std::vector<Span> out;
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++n) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.text().isEmpty()) continue;
            Span s = lookOf(f.charFormat(), doc.defaultFont());
            s.block = n;
            s.text = f.text();
            if (!out.empty() && out.back().sameLook(s))
                out.back().text += s.text;
            else
                out.push_back(s);
        }
    }
    return out;
}

// A run to build a test document from; "\n" in text starts a new paragraph.
struct TextRun {
    QString text;
    QString family = QStringLiteral("宋体");
    double points = 0; // 0: use pixels
    int pixels = 12;
    QColor color = QColor();      // invalid: automatic
    QColor background = QColor(); // invalid: none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

inline QTextCharFormat formatOf(const TextRun& r) {
    QTextCharFormat f;
    f.setFontFamilies({r.family});
    if (r.points > 0)
        f.setFontPointSize(r.points);
    else
        f.setProperty(QTextFormat::FontPixelSize, r.pixels);
    if (r.color.isValid()) f.setForeground(r.color);
    if (r.background.isValid()) f.setBackground(r.background);
    if (r.bold) f.setFontWeight(QFont::Bold);
    if (r.italic) f.setFontItalic(true);
    if (r.underline) f.setFontUnderline(true);
    if (r.strike) f.setFontStrikeOut(true);
    return f;
}

inline std::unique_ptr<QTextDocument> documentOf(const std::vector<TextRun>& runs) {
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor c(doc.get());
    for (const TextRun& r : runs) {
        const QTextCharFormat f = formatOf(r);
        const QStringList lines = r.text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) c.insertBlock(QTextBlockFormat(), f);
            if (!lines[i].isEmpty()) c.insertText(lines[i], f);
        }
    }
    return doc;
}

inline std::unique_ptr<QTextDocument> readDoc(const QByteArray& bytes,
                                              const QTextCharFormat& def = QTextCharFormat()) {
    auto doc = std::make_unique<QTextDocument>();
    kuvano::rtf::read(bytes, *doc, def);
    return doc;
}

inline QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(KUVANO_TEST_DATA "/rtf/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

} // namespace kuvano::test::rtf
