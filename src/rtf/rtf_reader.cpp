// RTF reader: one pass over the tokens with an explicit group stack, so
// nesting, truncation and garbage cost nothing beyond their length. This file
// keeps the destinations (which text is note text, the font and colour tables,
// fields and objects); rtf_tokenizer splits the bytes, rtf_codepages decodes
// them, rtf_document builds the document.
//
// Text bytes (\'hh and literal) are collected until the next control word or
// brace and decoded together in the code page of the current font, so
// multi-byte characters split over several \'hh come out whole.
#include "rtf/rtf.h"
#include "rtf/rtf_codepages.h"
#include "rtf/rtf_document.h"
#include "rtf/rtf_internal.h"
#include "rtf/rtf_tokenizer.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kuvano::rtf {

namespace {

using namespace detail;
using Kind = Token::Kind;

// Distinct saved states kept; groups nested deeper with yet other formatting
// share the state of the deepest one. Runs of equal states cost one entry.
constexpr std::size_t kMaxSaved = 1 << 16;
constexpr std::size_t kMaxFields = 32;
constexpr qsizetype kMaxInstruction = 256;

enum class Dest : std::uint8_t {
    Text,
    Skip,
    FontTable,
    ColorTable,
    Upr,
    Object,           // an embedded object: only its \result is shown
    FieldInstruction, // collected, for SYMBOL fields
};

struct State {
    Look look;
    int uc = 1; // fallback characters after \uN
    Dest dest = Dest::Text;

    bool operator==(const State&) const = default;
};

struct Saved {
    State state;
    std::uint32_t count; // groups, one inside the other, that saved this state
};

struct Font {
    QString name;
    int charset = -1;
    int codePage = 0;   // \cpg, 0 = from the charset
    int symbolPage = 0; // kSymbolPage / kWingdingsPage for a symbol font we can map
};

// A field whose group is open in note text.
struct Field {
    int depth = 0;        // of its group
    int resultDepth = -1; // of its \fldrslt group while that is open
    bool resulted = false;
    qsizetype writtenAtResult = 0;
    QByteArray instruction;
};

// Where the document's \rtf word starts, or -1: blanks and line breaks may
// come before the opening brace and between it and \rtf.
qsizetype headerOf(const QByteArray& bytes) {
    const auto blank = [&](qsizetype i) {
        return i < bytes.size() &&
               (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n');
    };
    qsizetype i = 0;
    while (blank(i)) ++i;
    if (i >= bytes.size() || bytes[i] != '{') return -1;
    ++i;
    while (blank(i)) ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("\\rtf") ? i : -1;
}

// Splits a field instruction into words; a quoted word may hold blanks.
std::vector<QByteArrayView> instructionWords(QByteArrayView s) {
    std::vector<QByteArrayView> words;
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i] == ' ') {
            ++i;
        } else if (s[i] == '"') {
            const qsizetype close = s.indexOf('"', i + 1);
            const qsizetype end = close < 0 ? s.size() : close;
            words.push_back(s.sliced(i + 1, end - i - 1));
            i = end + 1;
        } else {
            qsizetype end = i;
            while (end < s.size() && s[end] != ' ') ++end;
            words.push_back(s.sliced(i, end - i));
            i = end;
        }
    }
    return words;
}

class Reader {
public:
    Reader(const QByteArray& bytes, qsizetype header, QTextCursor& cursor,
           const QTextCharFormat& defaultFormat)
        : tokens_(bytes.constData() + header, bytes.constData() + bytes.size()),
          builder_(cursor, defaultFormat) {
        stack_.reserve(16); // under glibc's large-block size, which costs a consolidation
    }

    void run() {
        openGroup(); // the document's own, whose brace headerOf has passed
        bool afterOpen = true;
        for (;;) {
            const Token t = tokens_.next();
            const bool star = star_;
            star_ = false;
            switch (t.kind) {
            case Kind::End:
                flushBytes();
                builder_.finish();
                return;
            case Kind::Open:
                openGroup();
                afterOpen = true;
                continue;
            case Kind::Close:
                closeGroup();
                if (depth_ <= 0) { // the document's own group has closed
                    builder_.finish();
                    return;
                }
                break;
            case Kind::Star:
                // Marks an optional destination only directly after its brace.
                star_ = afterOpen;
                break;
            case Kind::Word:
                controlWord(t, star);
                break;
            case Kind::Text:
                text(t.text);
                break;
            case Kind::Hex:
                if (t.hasParam) textByte(char(t.value), true);
                break;
            case Kind::Symbol:
                flushBytes();
                if (t.value != 0) {
                    if (state_.dest == Dest::Text) unit(QChar(char16_t(t.value)));
                } else if (skip_ > 0) {
                    --skip_;
                }
                break;
            case Kind::Tab:
                // A literal tab is a \tab in text and nothing elsewhere.
                flushBytes();
                if (state_.dest == Dest::Text) unit(u'\t');
                break;
            }
            afterOpen = false;
        }
    }

private:
    // --- groups ---------------------------------------------------------------

    void openGroup() {
        flushBytes();
        skip_ = 0;
        ++depth_;
        if (!stack_.empty() && stack_.back().state == state_)
            ++stack_.back().count;
        else if (stack_.size() < kMaxSaved)
            stack_.push_back({state_, 1});
        else
            ++stack_.back().count;
    }

    void closeGroup() {
        flushBytes();
        skip_ = 0;
        if (state_.dest == Dest::FontTable) finishFont();
        closeFields();
        if (!stack_.empty()) {
            state_ = stack_.back().state;
            if (--stack_.back().count == 0) stack_.pop_back();
        }
        --depth_;
    }

    // The state the innermost open group will return to, no longer shared.
    State& enclosing() {
        Saved& top = stack_.back();
        if (top.count > 1) {
            --top.count;
            const State copy = top.state;
            stack_.push_back({copy, 1});
        }
        return stack_.back().state;
    }

    // --- control words ----------------------------------------------------------

    void controlWord(const Token& t, bool star) {
        flushBytes();
        const Word word = t.word;
        const int value = t.value;
        if (word == Word::Bin) {
            // Raw bytes, in any destination; one fallback character.
            tokens_.skip(t.hasParam ? value : 0);
            if (skip_ > 0) --skip_;
            return;
        }
        if (state_.dest == Dest::Skip) return;
        if (skip_ > 0 && word != Word::Ud) {
            --skip_;
            return;
        }
        // An optional destination we do not read is skipped whole.
        if (star && word != Word::Ud && word != Word::FieldInstruction) {
            state_.dest = Dest::Skip;
            return;
        }
        if (destinationWord(word, t.hasParam, value)) return;
        switch (state_.dest) {
        case Dest::FontTable:
            fontTableWord(word, t.hasParam, value);
            return;
        case Dest::ColorTable:
            colorTableWord(word, value);
            return;
        case Dest::Text:
            textWord(word, t.hasParam, value);
            return;
        default:
            return;
        }
    }

    // Words that act in any destination; false for the others.
    bool destinationWord(Word word, bool hasParam, int value) {
        switch (word) {
        case Word::FontTable:
            state_.dest = Dest::FontTable;
            return true;
        case Word::ColorTable:
            state_.dest = Dest::ColorTable;
            builder_.clearColors();
            colorStarted_ = false;
            return true;
        case Word::Skip:
            state_.dest = Dest::Skip;
            return true;
        case Word::Upr:
            state_.dest = Dest::Upr;
            return true;
        case Word::Ud:
            state_.dest = Dest::Text;
            return true;
        case Word::Object:
            state_.dest = state_.dest == Dest::Text ? Dest::Object : Dest::Skip;
            return true;
        case Word::Result:
            // The object's last part: what it shows, and what follows it in an
            // object group that never closes is text again.
            if (state_.dest == Dest::Object) {
                state_.dest = Dest::Text;
                if (!stack_.empty() && stack_.back().state.dest == Dest::Object)
                    enclosing().dest = Dest::Text;
            }
            return true;
        case Word::Field:
            if (state_.dest == Dest::Text && fields_.size() < kMaxFields &&
                (fields_.empty() || fields_.back().depth != depth_))
                fields_.emplace_back().depth = depth_;
            return true;
        case Word::FieldInstruction:
            if (Field* f = fieldOfThisGroup(); f && state_.dest == Dest::Text) {
                f->instruction.clear();
                state_.dest = Dest::FieldInstruction;
            } else {
                state_.dest = Dest::Skip;
            }
            return true;
        case Word::FieldResult:
            if (Field* f = fieldOfThisGroup(); f && state_.dest == Dest::Text && !f->resulted) {
                f->resultDepth = depth_;
                f->writtenAtResult = builder_.written();
            }
            return true;
        case Word::Ansicpg:
            if (hasParam && value > 0) ansiCodePage_ = value;
            return true;
        case Word::Ansi:
            ansiCodePage_ = 1252;
            return true;
        case Word::Mac:
            ansiCodePage_ = 10000;
            return true;
        case Word::Pc:
            ansiCodePage_ = 437;
            return true;
        case Word::Pca:
            ansiCodePage_ = 850;
            return true;
        case Word::Deff:
            if (hasParam) defaultFont_ = value;
            return true;
        case Word::Uc:
            if (hasParam) state_.uc = std::clamp(value, 0, 16);
            return true;
        default:
            return false;
        }
    }

    void textWord(Word word, bool hasParam, int value) {
        Look& look = state_.look;
        const int flag = hasParam ? value : 1;
        switch (word) {
        case Word::Par:
        case Word::Row:
            builder_.paragraph(look);
            break;
        case Word::Line:
            unit(QChar::LineSeparator);
            break;
        case Word::Tab:
        case Word::Cell:
            unit(u'\t');
            break;
        case Word::U:
            unicode(value);
            break;
        case Word::FootnoteMark:
            for (const QChar c : QString::number(++footnotes_)) unit(c);
            break;
        case Word::Plain:
            look = Look();
            break;
        case Word::F:
            look.font = hasParam ? value : -1;
            break;
        case Word::Fs:
            look.halfPoints = hasParam && value > 0 ? std::min(value, kMaxHalfPoints) : -1;
            break;
        case Word::Cf:
            look.color = std::max(0, value);
            break;
        case Word::Cb:
        case Word::Highlight:
            look.highlight = std::max(0, value);
            break;
        case Word::B:
            look.bold = flag != 0;
            break;
        case Word::I:
            look.italic = flag != 0;
            break;
        case Word::Ul:
            look.underline = flag != 0;
            break;
        case Word::UlNone:
            look.underline = false;
            break;
        case Word::Strike:
            look.strike = flag != 0;
            break;
        default:
            if (const char16_t c = symbolOf(word); c != 0) unit(c);
            break;
        }
    }

    static char16_t symbolOf(Word word) {
        switch (word) {
        case Word::Emdash:
            return 0x2014;
        case Word::Endash:
            return 0x2013;
        case Word::Emspace:
            return 0x2003;
        case Word::Enspace:
            return 0x2002;
        case Word::Qmspace:
            return 0x2005;
        case Word::Bullet:
            return 0x2022;
        case Word::Lquote:
            return 0x2018;
        case Word::Rquote:
            return 0x2019;
        case Word::Ldblquote:
            return 0x201C;
        case Word::Rdblquote:
            return 0x201D;
        case Word::Zwj:
            return 0x200D;
        case Word::Zwnj:
            return 0x200C;
        case Word::Ltrmark:
            return 0x200E;
        case Word::Rtlmark:
            return 0x200F;
        default:
            return 0;
        }
    }

    // \uN: signed 16-bit as written; a larger value is taken as a code point.
    // A symbol font's private-use form gives the character the font draws.
    void unicode(int value) {
        long long c = value < 0 ? value + 65536LL : value;
        if (c < 0) c = 0xFFFD;
        if (c >= 0xF020 && c <= 0xF0FF) {
            if (const Font* font = fontOf(state_.look.font); font && font->symbolPage != 0) {
                if (const char32_t mapped = symbolCharacter(font->symbolPage, char32_t(c)))
                    c = mapped;
            }
        }
        if (c > 0xFFFF && c <= 0x10FFFF) {
            unit(QChar::highSurrogate(char32_t(c)));
            unit(QChar::lowSurrogate(char32_t(c)));
        } else {
            unit(c > 0xFFFF ? char16_t(0xFFFD) : char16_t(c));
        }
        skip_ = state_.uc;
    }

    // --- text bytes ---------------------------------------------------------------

    void text(std::string_view bytes) {
        if (skip_ > 0) {
            const std::size_t n = std::min(std::size_t(skip_), bytes.size());
            skip_ -= int(n);
            bytes.remove_prefix(n);
        }
        if (bytes.empty()) return;
        switch (state_.dest) {
        case Dest::Text:
            if (bytes_.isEmpty()) bytesCodePage_ = codePageOf(state_.look.font);
            bytes_.append(bytes.data(), qsizetype(bytes.size()));
            break;
        case Dest::FontTable:
            for (const char b : bytes) fontTableByte(b, false);
            break;
        case Dest::ColorTable:
            for (const char b : bytes) {
                if (b == ';') finishColor();
            }
            break;
        case Dest::FieldInstruction:
            instructionBytes(bytes);
            break;
        default:
            break;
        }
    }

    // A byte written as \'hh, so never a table's ';' separator.
    void textByte(char byte, bool escaped) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (state_.dest) {
        case Dest::Text:
            if (bytes_.isEmpty()) bytesCodePage_ = codePageOf(state_.look.font);
            bytes_.append(byte);
            break;
        case Dest::FontTable:
            fontTableByte(byte, escaped);
            break;
        case Dest::FieldInstruction:
            instructionBytes(std::string_view(&byte, 1));
            break;
        default:
            break;
        }
    }

    void flushBytes() {
        if (bytes_.isEmpty()) return;
        const QString text = decoder_.decode(bytes_, bytesCodePage_);
        bytes_.clear();
        builder_.append(text, state_.look);
    }

    void unit(QChar c) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        flushBytes();
        builder_.append(c, state_.look);
    }

    // --- font and colour tables -------------------------------------------------

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

    void fontTableByte(char byte, bool escaped) {
        if (byte == ';' && !escaped)
            finishFont();
        else if (fontOpen_)
            nameBytes_.append(byte);
    }

    void fontNameBytes() {
        if (nameBytes_.isEmpty()) return;
        font_.name.append(decoder_.decode(nameBytes_, codePageOfFont(font_)));
        nameBytes_.clear();
    }

    void finishFont() {
        if (!fontOpen_) return;
        fontNameBytes();
        sanitize(font_.name);
        font_.name.remove(u'\t');
        if (font_.charset == 2) font_.symbolPage = symbolPageOf(font_.name);
        // A symbol font's text is read as the Unicode characters it draws; the
        // face itself has them at other codes, or is a substitute without them.
        builder_.setFontName(fontId_, font_.symbolPage != 0 ? QString() : font_.name);
        fonts_[fontId_] = font_;
        fontOpen_ = false;
    }

    void colorTableWord(Word word, int value) {
        if (word != Word::Red && word != Word::Green && word != Word::Blue) return;
        const int v = std::clamp(value, 0, 255);
        if (word == Word::Red) color_.setRed(v);
        if (word == Word::Green) color_.setGreen(v);
        if (word == Word::Blue) color_.setBlue(v);
        colorStarted_ = true;
    }

    void finishColor() {
        builder_.addColor(colorStarted_ ? color_ : QColor());
        color_ = QColor(0, 0, 0);
        colorStarted_ = false;
    }

    // --- code pages -----------------------------------------------------------------

    // Names are decoded in the charset's code page, symbol fonts' included.
    int codePageOfFont(const Font& font) const {
        if (font.codePage > 0) return font.codePage;
        const int cp = codePageOfCharset(font.charset);
        return cp != 0 ? cp : ansiCodePage_;
    }

    const Font* fontOf(int id) const {
        auto it = fonts_.find(id);
        if (it == fonts_.end()) it = fonts_.find(defaultFont_);
        return it == fonts_.end() ? nullptr : &it->second;
    }

    int codePageOf(int fontId) const {
        const Font* font = fontOf(fontId);
        if (!font) return ansiCodePage_;
        return font->symbolPage != 0 ? font->symbolPage : codePageOfFont(*font);
    }

    // --- fields -------------------------------------------------------------------

    // The field whose group directly holds the group being read.
    Field* fieldOfThisGroup() {
        return !fields_.empty() && fields_.back().depth == depth_ - 1 ? &fields_.back() : nullptr;
    }

    void instructionBytes(std::string_view bytes) {
        if (fields_.empty()) return;
        QByteArray& s = fields_.back().instruction;
        s.append(bytes.data(), std::min(qsizetype(bytes.size()), kMaxInstruction - s.size()));
    }

    // At a closing brace: a field's result that shows nothing, or a field that
    // had no result, shows what the field computes (SYMBOL fields only).
    void closeFields() {
        if (fields_.empty()) return;
        Field& f = fields_.back();
        if (f.resultDepth == depth_) {
            if (builder_.written() == f.writtenAtResult) writeSymbolField(f.instruction);
            f.resultDepth = -1;
            f.resulted = true;
        } else if (f.depth >= depth_) {
            if (!f.resulted) writeSymbolField(f.instruction);
            fields_.pop_back();
        }
    }

    // SYMBOL code [\f font] [\u | \a | \j] [\s size] [\h]: the code is decimal
    // or 0x hex, in the named font, else in the field's own.
    void writeSymbolField(const QByteArray& instruction) {
        if (state_.dest != Dest::Text) return;
        const std::vector<QByteArrayView> words = instructionWords(instruction);
        if (words.size() < 2 || words[0].compare("SYMBOL", Qt::CaseInsensitive) != 0) return;
        bool ok = false;
        const QByteArrayView number = words[1];
        const bool hex = number.startsWith("0x") || number.startsWith("0X");
        const uint code = (hex ? number.sliced(2) : number).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF) return;
        int page = codePageOf(state_.look.font);
        bool unicodeCode = false;
        bool shiftJis = false;
        for (std::size_t k = 2; k < words.size(); ++k) {
            if (words[k] == "\\u") unicodeCode = true;
            if (words[k] == "\\a") page = ansiCodePage_;
            if (words[k] == "\\j") shiftJis = true;
            if (words[k] == "\\f" && k + 1 < words.size()) {
                const QString family = QString::fromLatin1(words[++k]);
                const int symbol = symbolPageOf(family);
                page = symbol != 0 ? symbol : ansiCodePage_;
            }
        }
        QString out;
        if (const char32_t c = symbolCharacter(page, code); c != 0) {
            out = QString::fromUcs4(&c, 1);
        } else if (unicodeCode || (code > 0xFF && !shiftJis)) {
            const auto c = char32_t(code);
            out = QString::fromUcs4(&c, 1);
        } else {
            QByteArray bytes;
            if (code > 0xFF) bytes.append(char(code >> 8));
            bytes.append(char(code));
            out = decoder_.decode(bytes, shiftJis ? 932 : page);
        }
        for (const QChar c : out) unit(c);
    }

    Tokenizer tokens_;
    DocumentBuilder builder_;
    TextDecoder decoder_;

    State state_;
    std::vector<Saved> stack_;
    int depth_ = 0; // groups open
    bool star_ = false;
    int skip_ = 0; // \uc fallback characters still to skip

    int ansiCodePage_ = 1252;
    int defaultFont_ = -1;
    std::unordered_map<int, Font> fonts_;
    int fontId_ = 0;
    Font font_;
    bool fontOpen_ = false;
    QByteArray nameBytes_;

    QColor color_{0, 0, 0};
    bool colorStarted_ = false;

    QByteArray bytes_;
    int bytesCodePage_ = 1252;

    std::vector<Field> fields_;
    int footnotes_ = 0;
};

} // namespace

void read(const QByteArray& bytes, QTextDocument& document, const QTextCharFormat& defaultFormat) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (!bytes.isEmpty()) {
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        if (const qsizetype header = headerOf(bytes); header >= 0)
            Reader(bytes, header, cursor, defaultFormat).run();
        else
            readPlain(bytes, cursor, defaultFormat);
        cursor.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
}

} // namespace kuvano::rtf
