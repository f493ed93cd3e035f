// RTF reader: one pass over the bytes with an explicit group stack, so nesting,
// truncation and garbage cost nothing beyond their length.
//
// Text bytes (\'hh and literal) are collected until the next control word or
// brace and decoded together in the code page of the current font, so
// multi-byte characters split over several \'hh come out whole. A \par that
// is the last thing in the stream closes the last paragraph rather than
// opening an empty one, which is how the rich edit control writes documents.
#include "platform/rtf.h"
#include "platform/rtf_internal.h"

#include <QColor>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace kuvano::rtf {

namespace detail {

QString decodeGb(const char* bytes, qsizetype size) {
    QStringDecoder gb18030("GB18030", QStringConverter::Flag::Stateless);
    QString out;
    out.reserve(size);
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const auto c = uchar(bytes[i]);
        if (c < 0x80) {
            ++i;
        } else if (c == 0x80) {
            out.append(gb18030.decode(QByteArrayView(bytes + start, i - start)));
            out.append(QChar(0x20AC));
            start = ++i;
        } else {
            // A lead byte: four bytes when a digit follows, else two.
            const bool four =
                i + 1 < size && uchar(bytes[i + 1]) >= 0x30 && uchar(bytes[i + 1]) <= 0x39;
            i = std::min(size, i + (four ? 4 : 2));
        }
    }
    out.append(gb18030.decode(QByteArrayView(bytes + start, size - start)));
    return out;
}

} // namespace detail

namespace {

constexpr int kMaxDepth = 256; // deeper groups share the state of this level

// Windows code page of an \fcharset value; 0 for "the document's \ansicpg".
int codePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return 1252; // symbol fonts: their bullets read best as Latin-1
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

enum class Dest : std::uint8_t { Text, Skip, FontTable, ColorTable, Upr };

struct State {
    int font = -1;       // \f id as written, -1 = none
    int halfPoints = -1; // \fs, -1 = none
    int color = 0;       // \cf, 0 = automatic
    int highlight = 0;   // \highlight / \cb, 0 = none
    int uc = 1;          // fallback characters after \uN
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    Dest dest = Dest::Text;

    auto key() const {
        return std::tuple(font, halfPoints, color, highlight, bold, italic, underline, strike);
    }
};
using Key = decltype(State().key());

struct Font {
    QString name;
    int charset = -1;
    int codePage = 0; // \cpg, 0 = from the charset
};

using detail::lookup;
using detail::Word;

bool isControlFree(char16_t c) {
    return c >= 0x20 || c == u'\t';
}

// Characters QTextCursor::insertText would turn into structure, and stray
// controls and surrogates, are not text of a note.
void sanitize(QString& text) {
    const auto bad = [](char16_t c) {
        return !isControlFree(c) || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
    };
    bool clean = true;
    for (qsizetype i = 0; i < text.size() && clean; ++i) {
        const char16_t c = text[i].unicode();
        if (bad(c) || QChar::isSurrogate(c)) clean = false;
    }
    if (clean) return;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(text[i]);
            out.append(text[++i]);
        } else if (QChar::isSurrogate(c)) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else if (!bad(c)) {
            out.append(text[i]);
        }
    }
    text = std::move(out);
}

class Reader {
public:
    Reader(const QByteArray& bytes, QTextCursor& cursor, const QTextCharFormat& defaultFormat)
        : p_(bytes.constData()), end_(bytes.constData() + bytes.size()), cursor_(cursor),
          default_(defaultFormat) {
        while (p_ < end_ && *p_ != '{') ++p_;
        stack_.reserve(32);
    }

    void run() {
        int depth = 0; // groups open, the overflow beyond kMaxDepth included
        int overflow = 0;
        while (p_ < end_) {
            const char ch = *p_++;
            switch (ch) {
            case '{':
                flushBytes();
                skip_ = 0;
                ignorable_ = false;
                ++depth;
                if (int(stack_.size()) < kMaxDepth)
                    stack_.push_back(state_);
                else
                    ++overflow;
                break;
            case '}':
                flushBytes();
                skip_ = 0;
                ignorable_ = false;
                if (state_.dest == Dest::FontTable) finishFont();
                if (overflow > 0) {
                    --overflow;
                } else if (!stack_.empty()) {
                    state_ = stack_.back();
                    stack_.pop_back();
                }
                if (--depth <= 0) p_ = end_; // the document's own group has closed
                break;
            case '\\':
                control();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            case '\t':
                // A literal tab is a \tab in text and nothing elsewhere.
                if (state_.dest == Dest::Text) {
                    unit(u'\t');
                } else {
                    flushBytes();
                    ignorable_ = false;
                }
                break;
            default:
                textByte(ch);
                break;
            }
        }
        flushBytes();
        flushRun();
        // A pending paragraph break at the end is the last paragraph's own mark.
    }

private:
    // --- tokens -----------------------------------------------------------

    void control() {
        if (p_ >= end_) return;
        const char ch = *p_;
        if (std::isalpha(uchar(ch))) {
            const char* name = p_;
            while (p_ < end_ && std::isalpha(uchar(*p_))) ++p_;
            const std::string_view word(name, std::size_t(p_ - name));
            bool hasParam = false;
            long long param = 0;
            const bool negative = p_ + 1 < end_ && *p_ == '-' && std::isdigit(uchar(p_[1]));
            if (negative) ++p_;
            while (p_ < end_ && std::isdigit(uchar(*p_))) {
                hasParam = true;
                if (param < 100000000000LL) param = param * 10 + (*p_ - '0');
                ++p_;
            }
            if (p_ < end_ && *p_ == ' ') ++p_;
            if (negative) param = -param;
            const int value = int(std::clamp(param, -2147483647LL, 2147483647LL));
            flushBytes();
            controlWord(word.size() > 32 ? Word::Unknown : lookup(word), hasParam, value);
            return;
        }
        ++p_;
        switch (ch) {
        case '\'': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && p_ < end_ && std::isxdigit(uchar(*p_))) {
                const char h = *p_++;
                value = value * 16 +
                        (std::isdigit(uchar(h)) ? h - '0' : (std::tolower(uchar(h)) - 'a' + 10));
                ++digits;
            }
            ignorable_ = false;
            if (digits > 0) textByte(char(value), true);
            break;
        }
        case '\\':
        case '{':
        case '}':
            textByte(ch);
            break;
        case '*':
            ignorable_ = true;
            break;
        case '~':
            symbol(0x00A0);
            break;
        case '_':
            symbol(0x2011);
            break;
        case '\r':
        case '\n':
            flushBytes();
            controlWord(Word::Par, false, 0);
            break;
        default:
            // \- \: \| and anything unknown: a control symbol with no text.
            flushBytes();
            ignorable_ = false;
            if (skip_ > 0) --skip_;
            break;
        }
    }

    void controlWord(Word word, bool hasParam, int value) {
        const bool ignorable = ignorable_;
        ignorable_ = false;
        if (word == Word::Bin) {
            // Raw bytes, in any destination; one fallback character.
            const long long n = hasParam ? std::max(0, value) : 0;
            p_ += std::min<long long>(n, end_ - p_);
            if (skip_ > 0) --skip_;
            return;
        }
        if (state_.dest == Dest::Skip) return;
        if (skip_ > 0 && word != Word::Ud) {
            --skip_;
            return;
        }
        if (ignorable && word != Word::Ud) {
            state_.dest = Dest::Skip;
            return;
        }
        const int flag = hasParam ? value : 1;
        switch (word) {
        case Word::FontTable:
            state_.dest = Dest::FontTable;
            return;
        case Word::ColorTable:
            state_.dest = Dest::ColorTable;
            colors_.clear();
            colorStarted_ = false;
            return;
        case Word::Skip:
            state_.dest = Dest::Skip;
            return;
        case Word::Upr:
            state_.dest = Dest::Upr;
            return;
        case Word::Ud:
            state_.dest = Dest::Text;
            return;
        case Word::Ansicpg:
            if (hasParam && value > 0) ansiCodePage_ = value;
            return;
        case Word::Ansi:
            ansiCodePage_ = 1252;
            return;
        case Word::Mac:
            ansiCodePage_ = 10000;
            return;
        case Word::Pc:
            ansiCodePage_ = 437;
            return;
        case Word::Pca:
            ansiCodePage_ = 850;
            return;
        case Word::Deff:
            if (hasParam) defaultFont_ = value;
            return;
        case Word::Uc:
            if (hasParam) state_.uc = std::clamp(value, 0, 16);
            return;
        default:
            break;
        }
        if (state_.dest == Dest::FontTable) {
            fontTableWord(word, hasParam, value);
            return;
        }
        if (state_.dest == Dest::ColorTable) {
            if (word == Word::Red || word == Word::Green || word == Word::Blue) {
                const int v = std::clamp(value, 0, 255);
                if (word == Word::Red) color_.setRed(v);
                if (word == Word::Green) color_.setGreen(v);
                if (word == Word::Blue) color_.setBlue(v);
                colorStarted_ = true;
            }
            return;
        }
        if (state_.dest != Dest::Text) return;
        switch (word) {
        case Word::Par:
            paragraph();
            break;
        case Word::Row:
            paragraph();
            break;
        case Word::Line:
            unit(QChar::LineSeparator);
            break;
        case Word::Tab:
        case Word::Cell:
            unit(u'\t');
            break;
        case Word::U: {
            // Signed 16-bit as written; a larger value is taken as a code point.
            long long c = value < 0 ? value + 65536LL : value;
            if (c < 0) c = 0xFFFD;
            if (c > 0xFFFF && c <= 0x10FFFF) {
                const char32_t cp = char32_t(c);
                unit(QChar::highSurrogate(cp));
                unit(QChar::lowSurrogate(cp));
            } else {
                unit(c > 0xFFFF ? char16_t(0xFFFD) : char16_t(c));
            }
            skip_ = state_.uc;
            break;
        }
        case Word::Plain: {
            const int uc = state_.uc;
            const Dest dest = state_.dest;
            state_ = State();
            state_.uc = uc;
            state_.dest = dest;
            break;
        }
        case Word::F:
            state_.font = hasParam ? value : -1;
            break;
        case Word::Fs:
            state_.halfPoints =
                hasParam && value > 0 ? std::min(value, detail::kMaxHalfPoints) : -1;
            break;
        case Word::Cf:
            state_.color = std::max(0, value);
            break;
        case Word::Cb:
        case Word::Highlight:
            state_.highlight = std::max(0, value);
            break;
        case Word::B:
            state_.bold = flag != 0;
            break;
        case Word::I:
            state_.italic = flag != 0;
            break;
        case Word::Ul:
            state_.underline = flag != 0;
            break;
        case Word::UlNone:
            state_.underline = false;
            break;
        case Word::Strike:
            state_.strike = flag != 0;
            break;
        case Word::Emdash:
            symbol(0x2014);
            break;
        case Word::Endash:
            symbol(0x2013);
            break;
        case Word::Emspace:
            symbol(0x2003);
            break;
        case Word::Enspace:
            symbol(0x2002);
            break;
        case Word::Qmspace:
            symbol(0x2005);
            break;
        case Word::Bullet:
            symbol(0x2022);
            break;
        case Word::Lquote:
            symbol(0x2018);
            break;
        case Word::Rquote:
            symbol(0x2019);
            break;
        case Word::Ldblquote:
            symbol(0x201C);
            break;
        case Word::Rdblquote:
            symbol(0x201D);
            break;
        case Word::Zwj:
            symbol(0x200D);
            break;
        case Word::Zwnj:
            symbol(0x200C);
            break;
        case Word::Ltrmark:
            symbol(0x200E);
            break;
        case Word::Rtlmark:
            symbol(0x200F);
            break;
        default:
            break;
        }
    }

    void fontTableWord(Word word, bool hasParam, int value) {
        switch (word) {
        case Word::F:
            finishFont();
            fontId_ = hasParam ? value : 0;
            font_ = Font();
            fontOpen_ = true;
            break;
        case Word::Fcharset:
            font_.charset = value;
            break;
        case Word::Cpg:
            font_.codePage = value;
            break;
        case Word::U: {
            fontNameBytes();
            const long long c = value < 0 ? value + 65536LL : value;
            font_.name.append(QChar(c >= 0 && c <= 0xFFFF ? char16_t(c) : char16_t(0xFFFD)));
            skip_ = state_.uc;
            break;
        }
        default:
            break;
        }
    }

    void symbol(char16_t c) {
        flushBytes();
        if (state_.dest == Dest::Text) unit(c);
        ignorable_ = false;
    }

    // escaped: written as \'hh, so never a table's ';' separator.
    void textByte(char byte, bool escaped = false) {
        ignorable_ = false;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (state_.dest) {
        case Dest::Text:
            if (bytes_.isEmpty()) bytesCodePage_ = codePageOf(state_.font);
            bytes_.append(byte);
            break;
        case Dest::FontTable:
            if (byte == ';' && !escaped) {
                finishFont();
            } else if (fontOpen_) {
                nameBytes_.append(byte);
            }
            break;
        case Dest::ColorTable:
            if (byte == ';' && !escaped) {
                colors_.push_back(colorStarted_ ? color_ : QColor());
                formats_.clear();
                color_ = QColor(0, 0, 0);
                colorStarted_ = false;
            }
            break;
        default:
            break;
        }
    }

    // --- fonts and code pages -----------------------------------------------

    void fontNameBytes() {
        if (nameBytes_.isEmpty()) return;
        font_.name.append(decode(nameBytes_, codePageOfFont(font_)));
        nameBytes_.clear();
    }

    void finishFont() {
        if (!fontOpen_) return;
        fontNameBytes();
        sanitize(font_.name);
        font_.name.remove(u'\t');
        fonts_[fontId_] = font_;
        fontOpen_ = false;
        formats_.clear();
    }

    int codePageOfFont(const Font& font) const {
        if (font.codePage > 0) return font.codePage;
        const int cp = codePageOfCharset(font.charset);
        return cp != 0 ? cp : ansiCodePage_;
    }

    int codePageOf(int fontId) const {
        auto it = fonts_.find(fontId);
        if (it == fonts_.end()) it = fonts_.find(defaultFont_);
        return it == fonts_.end() ? ansiCodePage_ : codePageOfFont(it->second);
    }

    QString decode(const QByteArray& bytes, int codePage) {
        const bool ascii =
            std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
        if (ascii) return QString::fromLatin1(bytes);
        if (codePage == 936 || codePage == 54936)
            return detail::decodeGb(bytes.constData(), bytes.size());
        if (codePage == 65001) return QString::fromUtf8(bytes);
        for (auto& [cp, decoder] : decoders_) {
            if (cp == codePage) return decoder->decode(bytes);
        }
        // Garbage can name any number of code pages; a handful is all real text uses.
        if (decoders_.size() >= 16 && codePage != 1252) return decode(bytes, 1252);
        auto decoder = makeDecoder(codePage);
        if (!decoder->isValid()) decoder = makeDecoder(1252);
        decoders_.emplace_back(codePage, std::move(decoder));
        return decoders_.back().second->decode(bytes);
    }

    static std::unique_ptr<QStringDecoder> makeDecoder(int codePage) {
        const QStringConverter::Flags flags = QStringConverter::Flag::Stateless;
        const char* name = nullptr;
        switch (codePage) {
        case 950:
            name = "windows-950";
            break;
        case 932:
            name = "windows-932";
            break;
        case 949:
            name = "windows-949";
            break;
        case 10000:
            name = "macintosh";
            break;
        case 437:
            name = "IBM437";
            break;
        case 850:
            name = "IBM850";
            break;
        default:
            break;
        }
        if (name) {
            auto d = std::make_unique<QStringDecoder>(name, flags);
            if (d->isValid()) return d;
        }
        const QByteArray windows = "windows-" + QByteArray::number(codePage);
        auto d = std::make_unique<QStringDecoder>(windows.constData(), flags);
        if (d->isValid()) return d;
        const QByteArray cp = "cp" + QByteArray::number(codePage);
        return std::make_unique<QStringDecoder>(cp.constData(), flags);
    }

    // --- document -----------------------------------------------------------

    void flushBytes() {
        if (bytes_.isEmpty()) return;
        QString text = decode(bytes_, bytesCodePage_);
        bytes_.clear();
        appendText(text);
    }

    void unit(QChar c) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        flushBytes();
        beginText();
        run_.append(c);
    }

    void appendText(const QString& text) {
        beginText();
        run_.append(text);
    }

    // Opens the paragraph a pending \par promised, and starts a new run when
    // the character formatting has changed.
    void beginText() {
        if (pendingBreak_) {
            flushRun();
            cursor_.insertBlock(QTextBlockFormat(), format(state_.key()));
            pendingBreak_ = false;
        }
        if (!run_.isEmpty() && runKey_ != state_.key()) flushRun();
        runKey_ = state_.key();
    }

    void flushRun() {
        if (run_.isEmpty()) return;
        sanitize(run_);
        if (!run_.isEmpty()) {
            cursor_.insertText(run_, format(runKey_));
            blockEmpty_ = false;
        }
        run_.clear();
    }

    void paragraph() {
        flushRun();
        if (pendingBreak_) {
            cursor_.insertBlock(QTextBlockFormat(), format(state_.key()));
            blockEmpty_ = true;
        }
        // An empty paragraph keeps the formatting of its mark (its line height).
        if (blockEmpty_) cursor_.setBlockCharFormat(format(state_.key()));
        pendingBreak_ = true;
        blockEmpty_ = true;
    }

    const QTextCharFormat& format(const Key& key) {
        const auto it = formats_.find(key);
        if (it != formats_.end()) return it->second;
        return formats_.emplace(key, build(key)).first->second;
    }

    QColor tableColor(int index) const {
        return index > 0 && index < qsizetype(colors_.size()) ? colors_[std::size_t(index)]
                                                              : QColor();
    }

    QTextCharFormat build(const Key& key) const {
        const auto [font, halfPoints, color, highlight, bold, italic, underline, strike] = key;
        QTextCharFormat f = default_;
        if (const auto it = fonts_.find(font); it != fonts_.end() && !it->second.name.isEmpty()) {
            f.setFontFamilies({it->second.name});
            f.clearProperty(QTextFormat::OldFontFamily);
        }
        if (halfPoints > 0) {
            f.setFontPointSize(halfPoints / 2.0);
            f.clearProperty(QTextFormat::FontPixelSize);
        }
        if (const QColor c = tableColor(color); c.isValid())
            f.setForeground(c);
        else if (f.hasProperty(QTextFormat::ForegroundBrush))
            f.setProperty(detail::kAutoForeground, f.foreground().color());
        if (const QColor c = tableColor(highlight); c.isValid())
            f.setBackground(c);
        else if (f.hasProperty(QTextFormat::BackgroundBrush))
            f.setProperty(detail::kAutoBackground, f.background().color());
        if (bold || f.hasProperty(QTextFormat::FontWeight))
            f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        if (italic || f.hasProperty(QTextFormat::FontItalic)) f.setFontItalic(italic);
        if (underline || f.hasProperty(QTextFormat::TextUnderlineStyle) ||
            f.hasProperty(QTextFormat::FontUnderline))
            f.setFontUnderline(underline);
        if (strike || f.hasProperty(QTextFormat::FontStrikeOut)) f.setFontStrikeOut(strike);
        return f;
    }

    const char* p_;
    const char* end_;
    QTextCursor& cursor_;
    const QTextCharFormat& default_;

    State state_;
    std::vector<State> stack_;
    bool ignorable_ = false; // \* seen: an unknown destination next is skipped
    int skip_ = 0;           // \uc fallback characters still to skip

    int ansiCodePage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, Font> fonts_;
    int fontId_ = 0;
    Font font_;
    bool fontOpen_ = false;
    QByteArray nameBytes_;

    std::vector<QColor> colors_; // the colour table; entry 0 is usually "automatic"
    QColor color_{0, 0, 0};
    bool colorStarted_ = false;

    QByteArray bytes_;
    int bytesCodePage_ = 1252;
    std::vector<std::pair<int, std::unique_ptr<QStringDecoder>>> decoders_;

    QString run_;
    Key runKey_{};
    bool pendingBreak_ = false;
    bool blockEmpty_ = true;
    std::map<Key, QTextCharFormat> formats_;
};

bool isRtf(const QByteArray& bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

void readPlain(const QByteArray& bytes, QTextCursor& cursor, const QTextCharFormat& format) {
    const QString text = detail::decodeGb(bytes.constData(), bytes.size());
    qsizetype from = 0;
    bool first = true;
    while (from <= text.size()) {
        qsizetype to = from;
        while (to < text.size() && text[to] != u'\r' && text[to] != u'\n') ++to;
        QString line = text.mid(from, to - from);
        sanitize(line);
        if (!first) cursor.insertBlock(QTextBlockFormat(), format);
        if (!line.isEmpty()) cursor.insertText(line, format);
        first = false;
        if (to >= text.size()) break;
        from = to + (text[to] == u'\r' && to + 1 < text.size() && text[to + 1] == u'\n' ? 2 : 1);
    }
}

} // namespace

void read(const QByteArray& bytes, QTextDocument& document, const QTextCharFormat& defaultFormat) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (!bytes.isEmpty()) {
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        if (isRtf(bytes))
            Reader(bytes, cursor, defaultFormat).run();
        else
            readPlain(bytes, cursor, defaultFormat);
        cursor.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
}

} // namespace kuvano::rtf
