// RTF writer. Every run names its font, size and colour explicitly, so what the
// reader builds from the stream does not depend on the box it is loaded into.
//
// Size rule: a run's size is written as \fs in half points, from its point
// size, else its pixel size at 96 dpi (12 px = 9 pt = \fs18), else the
// document's default font, rounded to the nearest half point. The reader gives
// back point sizes (N / 2), so write -> read -> write is byte-identical and a
// size on the half-point grid (every size the size box offers, 12 px) survives
// unchanged.
//
// Every paragraph, the last one included, ends with \par, as the Windows rich
// edit control writes it; an empty paragraph carries the formatting of its mark.
#include "rtf/rtf.h"
#include "rtf/rtf_internal.h"

#include <QColor>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace kuvano::rtf {

namespace detail {

namespace {

class GbkTable {
public:
    GbkTable() {
        // Every two-byte GBK code: lead 81..FE, trail 40..7E and 80..FE.
        QByteArray all;
        all.reserve(126 * 190 * 2);
        std::vector<std::uint16_t> codes;
        codes.reserve(126 * 190);
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                all.append(char(lead));
                all.append(char(trail));
                codes.push_back(std::uint16_t(lead << 8 | trail));
            }
        }
        QStringDecoder gb18030("GB18030", QStringConverter::Flag::Stateless);
        QStringDecoder cp936("GBK", QStringConverter::Flag::Stateless);
        const QString a = gb18030.decode(all);
        const QString b = cp936.decode(all);
        // Every code is one whole character in both tables, so the outputs line
        // up one unit per code; anything else means a converter we cannot trust.
        if (a.size() != qsizetype(codes.size()) || b.size() != a.size()) return;
        for (qsizetype k = 0; k < a.size(); ++k) {
            const char16_t c = a.at(k).unicode();
            if (c != b.at(k).unicode() || c < 0x80 || c == 0xFFFD) continue;
            if (QChar::isSurrogate(c) || (c >= 0xE000 && c <= 0xF8FF)) continue;
            if (codes_[c] == 0) codes_[c] = codes[std::size_t(k)];
        }
    }
    std::uint16_t code(char16_t c) const { return codes_[c]; }

private:
    std::array<std::uint16_t, 65536> codes_{};
};

} // namespace

std::uint16_t gbkCode(char16_t c) {
    static const GbkTable table;
    return table.code(c);
}

bool isCjkFamily(QStringView family) {
    for (QChar c : family) {
        if (c.unicode() >= 0x80) return true;
    }
    // Latin names of the Chinese faces of Windows and of the common Linux CJK fonts.
    static const char* const latin[] = {"simsun",
                                        "nsimsun",
                                        "simhei",
                                        "microsoft yahei",
                                        "kaiti",
                                        "fangsong",
                                        "dengxian",
                                        "stsong",
                                        "stkaiti",
                                        "stheiti",
                                        "stfangsong",
                                        "stxihei",
                                        "noto sans cjk",
                                        "noto serif cjk",
                                        "source han",
                                        "wenquanyi",
                                        "ar pl",
                                        "droid sans fallback",
                                        "pingfang",
                                        "hiragino sans gb",
                                        "mingliu",
                                        "pmingliu",
                                        "microsoft jhenghei",
                                        "youyuan",
                                        "lisu"};
    for (const char* name : latin) {
        if (family.startsWith(QLatin1StringView(name), Qt::CaseInsensitive)) return true;
    }
    return false;
}

} // namespace detail

namespace {

struct RunStyle {
    int font = -1;       // index into the font table
    int halfPoints = -1; // \fs
    int color = 0;       // \cf, 0 = automatic
    int highlight = 0;   // \highlight, 0 = none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool operator==(const RunStyle&) const = default;
};

class Writer {
public:
    explicit Writer(const QTextDocument& document)
        : document_(document), defaultFont_(document.defaultFont()) {}

    QByteArray run() {
        body_.reserve(document_.characterCount() * 2 + 64);
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            bool any = false;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid()) continue;
                const QString text = fragment.text();
                if (text.isEmpty()) continue;
                switchTo(styleOf(fragment.charFormatIndex(), fragment.charFormat()));
                writeText(body_, text, fontCjk_[std::size_t(current_.font)]);
                any = true;
            }
            if (!any) switchTo(styleOf(block.charFormatIndex(), block.charFormat()));
            body_.append("\\par\r\n");
        }
        return assemble();
    }

private:
    const RunStyle& styleOf(int formatIndex, const QTextCharFormat& format) {
        if (formatIndex < 0) formatIndex = 0;
        if (std::size_t(formatIndex) >= styles_.size())
            styles_.resize(std::size_t(formatIndex) + 1);
        auto& slot = styles_[std::size_t(formatIndex)];
        if (!slot) slot = resolve(format);
        return *slot;
    }

    RunStyle resolve(const QTextCharFormat& f) {
        RunStyle s;
        QString family;
        const QVariant families = f.property(QTextFormat::FontFamilies);
        if (families.isValid()) family = families.toStringList().value(0);
        if (family.isEmpty()) family = f.stringProperty(QTextFormat::OldFontFamily);
        if (family.isEmpty()) family = defaultFont_.families().value(0);
        // The note boxes' own face, for a document that names none at all.
        if (family.isEmpty()) family = QStringLiteral("宋体");
        s.font = fontIndex(family);

        double points = 0;
        if (f.hasProperty(QTextFormat::FontPointSize))
            points = f.doubleProperty(QTextFormat::FontPointSize);
        else if (f.hasProperty(QTextFormat::FontPixelSize))
            points = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
        if (!(points > 0)) {
            points = defaultFont_.pointSizeF() > 0 ? defaultFont_.pointSizeF()
                                                   : defaultFont_.pixelSize() * 0.75;
        }
        if (!(points > 0)) points = 9;
        s.halfPoints = int(std::clamp(std::lround(points * 2), 1L, long(detail::kMaxHalfPoints)));

        s.color = colorIndex(f, QTextFormat::ForegroundBrush, detail::kAutoForeground);
        s.highlight = colorIndex(f, QTextFormat::BackgroundBrush, detail::kAutoBackground);

        s.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold
                                                        : defaultFont_.weight() >= QFont::DemiBold;
        s.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultFont_.italic();
        s.underline = f.hasProperty(QTextFormat::TextUnderlineStyle) ||
                              f.hasProperty(QTextFormat::FontUnderline)
                          ? f.fontUnderline()
                          : defaultFont_.underline();
        s.strike = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut()
                                                             : defaultFont_.strikeOut();
        return s;
    }

    int fontIndex(const QString& family) {
        const auto it = std::find(fonts_.begin(), fonts_.end(), family);
        if (it != fonts_.end()) return int(it - fonts_.begin());
        fonts_.push_back(family);
        fontCjk_.push_back(detail::isCjkFamily(family));
        return int(fonts_.size()) - 1;
    }

    // 0 for automatic: no brush, or the colour the reader took from the default.
    int colorIndex(const QTextCharFormat& f, int brushProperty, int autoProperty) {
        if (!f.hasProperty(brushProperty)) return 0;
        const QBrush brush = f.brushProperty(brushProperty);
        if (brush.style() == Qt::NoBrush) return 0;
        if (f.hasProperty(autoProperty) && f.colorProperty(autoProperty) == brush.color()) return 0;
        return colorIndex(brush.color());
    }

    // 1-based: entry 0 of the colour table is "automatic".
    int colorIndex(const QColor& color) {
        const QRgb rgb = qRgb(color.red(), color.green(), color.blue());
        const auto it = std::find(colors_.begin(), colors_.end(), rgb);
        if (it != colors_.end()) return int(it - colors_.begin()) + 1;
        colors_.push_back(rgb);
        return int(colors_.size());
    }

    void word(const char* w, int n) {
        body_.append(w);
        body_.append(QByteArray::number(n));
    }

    void switchTo(const RunStyle& s) {
        if (s == current_) return;
        if (s.font != current_.font) word("\\f", s.font);
        if (s.halfPoints != current_.halfPoints) word("\\fs", s.halfPoints);
        if (s.color != current_.color) word("\\cf", s.color);
        if (s.highlight != current_.highlight) word("\\highlight", s.highlight);
        if (s.bold != current_.bold) body_.append(s.bold ? "\\b" : "\\b0");
        if (s.italic != current_.italic) body_.append(s.italic ? "\\i" : "\\i0");
        if (s.underline != current_.underline) body_.append(s.underline ? "\\ul" : "\\ulnone");
        if (s.strike != current_.strike) body_.append(s.strike ? "\\strike" : "\\strike0");
        body_.append(' ');
        current_ = s;
    }

public:
    // Text as RTF: ASCII as is (\ { } escaped), tabs and line breaks as words,
    // the rest as GBK bytes in a CJK font and as \uN? otherwise or where GBK
    // lacks the character; a character beyond the BMP is two \u surrogates.
    static void writeText(QByteArray& out, QStringView text, bool gbk) {
        static const char hex[] = "0123456789abcdef";
        const qsizetype n = text.size();
        qsizetype i = 0;
        while (i < n) {
            // Plain ASCII in one copy.
            qsizetype j = i;
            while (j < n) {
                const char16_t c = text[j].unicode();
                if (c >= 0x80 || c < 0x20 || c == u'\\' || c == u'{' || c == u'}') break;
                ++j;
            }
            if (j > i) {
                const qsizetype at = out.size();
                out.resize(at + (j - i));
                char* p = out.data() + at;
                for (qsizetype k = i; k < j; ++k) *p++ = char(text[k].unicode());
                i = j;
                if (i == n) break;
            }
            const char16_t c = text[i++].unicode();
            if (c == u'\\' || c == u'{' || c == u'}') {
                out.append('\\');
                out.append(char(c));
            } else if (c == u'\t') {
                out.append("\\tab ");
            } else if (c == QChar::LineSeparator) {
                out.append("\\line ");
            } else if (c == QChar::ObjectReplacementCharacter) {
                // Pictures and other objects are not stored.
            } else if (const std::uint16_t code = gbk ? detail::gbkCode(c) : 0; code != 0) {
                const char b[8] = {'\\', '\'', hex[code >> 12],       hex[(code >> 8) & 15],
                                   '\\', '\'', hex[(code >> 4) & 15], hex[code & 15]};
                out.append(b, 8);
            } else {
                out.append("\\u");
                out.append(QByteArray::number(int(std::int16_t(c))));
                out.append('?');
            }
        }
    }

private:
    QByteArray assemble() const {
        QByteArray out;
        out.reserve(body_.size() + 64 + qsizetype(fonts_.size()) * 40 +
                    qsizetype(colors_.size()) * 28);
        out.append("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1");
        if (!fonts_.empty()) {
            out.append("{\\fonttbl");
            for (std::size_t k = 0; k < fonts_.size(); ++k) {
                out.append("{\\f");
                out.append(QByteArray::number(qulonglong(k)));
                out.append(fontCjk_[k] ? "\\fnil\\fcharset134 " : "\\fnil\\fcharset0 ");
                // ';' ends a name: write it as a byte so it stays part of it.
                // Control characters are no part of a face name; the reader drops them.
                QString clean = fonts_[k];
                clean.removeIf([](QChar c) { return c.unicode() < 0x20; });
                const QStringView name = clean;
                qsizetype from = 0;
                for (qsizetype semi; (semi = name.indexOf(u';', from)) >= 0; from = semi + 1) {
                    writeText(out, name.sliced(from, semi - from), fontCjk_[k]);
                    out.append("\\'3b");
                }
                writeText(out, name.sliced(from), fontCjk_[k]);
                out.append(";}");
            }
            out.append('}');
        }
        if (!colors_.empty()) {
            out.append("\r\n{\\colortbl ;");
            for (const QRgb rgb : colors_) {
                out.append("\\red");
                out.append(QByteArray::number(qRed(rgb)));
                out.append("\\green");
                out.append(QByteArray::number(qGreen(rgb)));
                out.append("\\blue");
                out.append(QByteArray::number(qBlue(rgb)));
                out.append(';');
            }
            out.append('}');
        }
        out.append("\r\n\\pard");
        out.append(body_);
        out.append('}');
        return out;
    }

    const QTextDocument& document_;
    const QFont defaultFont_;
    QByteArray body_;
    std::vector<std::optional<RunStyle>> styles_; // by the document's format index
    std::vector<QString> fonts_;
    std::vector<bool> fontCjk_;
    std::vector<QRgb> colors_;
    RunStyle current_;
};

} // namespace

QByteArray write(const QTextDocument& document) {
    return Writer(document).run();
}

} // namespace kuvano::rtf
