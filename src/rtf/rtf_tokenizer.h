#pragma once
// Splits an RTF stream into tokens. It knows the syntax only; what a token
// means depends on the destination, which the reader keeps.

#include "rtf/rtf_internal.h"

#include <cstdint>
#include <string_view>

namespace kuvano::rtf::detail {

struct Token {
    enum class Kind : std::uint8_t {
        End,    // no more input
        Open,   // {
        Close,  // }
        Word,   // a control word: word, hasParam, value
        Text,   // literal bytes: text (never holds { } \ or line breaks)
        Hex,    // \'hh: value, hasParam false when no hex digit followed
        Star,   // \*
        Symbol, // another control symbol: value is its character (\~ \_), or 0 (\- \| ...)
        Tab,    // a literal tab byte
    };
    Kind kind = Kind::End;
    Word word = Word::Unknown;
    bool hasParam = false;
    int value = 0;
    std::string_view text;
};

class Tokenizer {
public:
    Tokenizer(const char* begin, const char* end) : p_(begin), end_(end) {}

    Token next();
    // Passes over n bytes of \bin data, or to the end.
    void skip(long long n);

private:
    Token control();

    const char* p_;
    const char* end_;
};

} // namespace kuvano::rtf::detail
