// RTF tokens: braces, control words and symbols, runs of literal text bytes.
#include "rtf/rtf_tokenizer.h"

#include <algorithm>
#include <array>

namespace kuvano::rtf::detail {

namespace {

using Kind = Token::Kind;

// Bytes that end a run of literal text.
constexpr std::array<bool, 256> kBreaks = [] {
    std::array<bool, 256> b{};
    for (const unsigned char c : {'{', '}', '\\', '\r', '\n', '\0', '\t'}) b[c] = true;
    return b;
}();

// ASCII only, whatever the C locale says.
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a hex digit, or -1.
int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Token token(Kind kind, int value = 0) {
    Token t;
    t.kind = kind;
    t.value = value;
    return t;
}

} // namespace

Token Tokenizer::next() {
    while (p_ < end_) {
        switch (*p_) {
        case '{':
            ++p_;
            return token(Kind::Open);
        case '}':
            ++p_;
            return token(Kind::Close);
        case '\\':
            ++p_;
            if (p_ < end_) return control();
            break;
        case '\r':
        case '\n':
        case '\0':
            ++p_;
            break;
        case '\t':
            ++p_;
            return token(Kind::Tab);
        default: {
            const char* start = p_;
            while (p_ < end_ && !kBreaks[uchar(*p_)]) ++p_;
            Token t = token(Kind::Text);
            t.text = std::string_view(start, std::size_t(p_ - start));
            return t;
        }
        }
    }
    return token(Kind::End);
}

void Tokenizer::skip(long long n) {
    p_ += std::min<long long>(std::max(0LL, n), end_ - p_);
}

// After a backslash, with at least one byte left.
Token Tokenizer::control() {
    const char ch = *p_;
    if (isLetter(ch)) {
        const char* name = p_;
        while (p_ < end_ && isLetter(*p_)) ++p_;
        const std::string_view word(name, std::size_t(p_ - name));
        Token t = token(Kind::Word);
        long long param = 0;
        const bool negative = p_ + 1 < end_ && *p_ == '-' && isDigit(p_[1]);
        if (negative) ++p_;
        while (p_ < end_ && isDigit(*p_)) {
            t.hasParam = true;
            if (param < 100000000000LL) param = param * 10 + (*p_ - '0');
            ++p_;
        }
        if (p_ < end_ && *p_ == ' ') ++p_;
        if (negative) param = -param;
        t.value = int(std::clamp(param, -2147483647LL, 2147483647LL));
        t.word = word.size() > 32 ? Word::Unknown : lookup(word);
        return t;
    }
    ++p_;
    switch (ch) {
    case '\'': {
        Token t = token(Kind::Hex);
        for (int digits = 0; digits < 2 && p_ < end_ && hexValue(*p_) >= 0; ++digits) {
            t.value = t.value * 16 + hexValue(*p_++);
            t.hasParam = true;
        }
        return t;
    }
    case '\\':
    case '{':
    case '}': {
        Token t = token(Kind::Text);
        t.text = std::string_view(p_ - 1, 1);
        return t;
    }
    case '*':
        return token(Kind::Star);
    case '~':
        return token(Kind::Symbol, 0x00A0);
    case '_':
        return token(Kind::Symbol, 0x2011);
    case '\r':
    case '\n': {
        Token t = token(Kind::Word);
        t.word = Word::Par;
        return t;
    }
    default:
        // \- \: \| and anything unknown: a control symbol with no text.
        return token(Kind::Symbol);
    }
}

} // namespace kuvano::rtf::detail
