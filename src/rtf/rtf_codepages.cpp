// Code pages of RTF text. Windows code pages go through Qt's converters; the
// Mac CJK code pages, which Qt lacks, through the Windows code page that holds
// the same two-byte characters plus Apple's own one-byte characters and the
// codes Apple maps differently; the symbol fonts through their glyph tables.
// Mappings are those of the published tables (Apple's mapping files for the
// Mac code pages and for Symbol, Microsoft's character list for Wingdings).
#include "rtf/rtf_codepages.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstdint>

namespace kuvano::rtf::detail {

namespace {

// Symbol, codes 0x20..0xFF: the Adobe Symbol layout. 0x60 (radical extender)
// and 0xF0 have no character of their own.
constexpr std::array<char16_t, 224> kSymbol = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220D, // 20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F, // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, // 38
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, // 48
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F, // 58
    0x0000, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, // 68
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000, // 78
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 80
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 88
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 90
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 98
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // A0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193, // A8
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // B0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, // B8
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // C0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, // C8
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // D0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3, // D8
    0x25CA, 0x3008, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, // E0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, // E8
    0x0000, 0x3009, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, // F0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000, // F8
};

// Wingdings, codes 0x20..0xFF; 0 where no character matches the glyph.
constexpr std::array<char32_t, 224> kWingdings = {
    0x00020, 0x0270F, 0x02702, 0x02701, 0x1F453, 0x1F514, 0x1F4D6, 0x00000, // 20
    0x0260E, 0x02706, 0x02709, 0x00000, 0x1F4EA, 0x1F4EB, 0x1F4EC, 0x1F4ED, // 28
    0x1F4C1, 0x1F4C2, 0x1F4C4, 0x00000, 0x00000, 0x00000, 0x0231B, 0x02328, // 30
    0x00000, 0x00000, 0x1F4BB, 0x00000, 0x1F4BE, 0x00000, 0x02707, 0x0270D, // 38
    0x00000, 0x0270C, 0x1F44C, 0x1F44D, 0x1F44E, 0x0261C, 0x0261E, 0x0261D, // 40
    0x0261F, 0x0270B, 0x0263A, 0x1F610, 0x02639, 0x1F4A3, 0x02620, 0x02690, // 48
    0x1F6A9, 0x02708, 0x0263C, 0x1F4A7, 0x02744, 0x00000, 0x0271E, 0x00000, // 50
    0x02720, 0x02721, 0x0262A, 0x0262F, 0x00950, 0x02638, 0x02648, 0x02649, // 58
    0x0264A, 0x0264B, 0x0264C, 0x0264D, 0x0264E, 0x0264F, 0x02650, 0x02651, // 60
    0x02652, 0x02653, 0x00026, 0x00026, 0x025CF, 0x0274D, 0x025A0, 0x025A1, // 68
    0x00000, 0x02751, 0x02752, 0x02B27, 0x029EB, 0x025C6, 0x02756, 0x02B25, // 70
    0x02327, 0x02353, 0x02318, 0x02740, 0x0273F, 0x0275D, 0x0275E, 0x025AF, // 78
    0x024EA, 0x02460, 0x02461, 0x02462, 0x02463, 0x02464, 0x02465, 0x02466, // 80
    0x02467, 0x02468, 0x02469, 0x024FF, 0x02776, 0x02777, 0x02778, 0x02779, // 88
    0x0277A, 0x0277B, 0x0277C, 0x0277D, 0x0277E, 0x0277F, 0x00000, 0x00000, // 90
    0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x000B7, 0x02022, // 98
    0x025AA, 0x025CB, 0x02B55, 0x00000, 0x025C9, 0x025CE, 0x00000, 0x025AA, // A0
    0x025FB, 0x00000, 0x02726, 0x02605, 0x02736, 0x02734, 0x02739, 0x02735, // A8
    0x00000, 0x02316, 0x027E1, 0x02311, 0x00000, 0x0272A, 0x02730, 0x1F550, // B0
    0x1F551, 0x1F552, 0x1F553, 0x1F554, 0x1F555, 0x1F556, 0x1F557, 0x1F558, // B8
    0x1F559, 0x1F55A, 0x1F55B, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, // C0
    0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, // C8
    0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x0232B, 0x02326, 0x00000, // D0
    0x027A2, 0x00000, 0x00000, 0x00000, 0x027B2, 0x00000, 0x00000, 0x00000, // D8
    0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, // E0
    0x02794, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x00000, 0x021E6, // E8
    0x021E8, 0x021E7, 0x021E9, 0x02B04, 0x021F3, 0x02B00, 0x02B01, 0x02B03, // F0
    0x02B02, 0x025AD, 0x025AB, 0x02717, 0x02713, 0x02612, 0x02611, 0x00000, // F8
};

constexpr char16_t kDrop =
    0xFFFF; // a one-byte code with no character (metrics glyphs, C1 controls)

struct Fixup {
    std::uint16_t code;
    char16_t ch;
};

// Apple's one-byte characters above ASCII; Japanese and Traditional Chinese share theirs.
constexpr Fixup kJapaneseSingles[] = {
    {0x80, 0x005C}, {0xA0, 0x00A0}, {0xFD, 0x00A9}, {0xFE, 0x2122}, {0xFF, 0x2026}};
constexpr Fixup kKoreanSingles[] = {{0x80, 0x00A0}, {0x81, 0x20A9}, {0x82, 0x2013},
                                    {0x83, 0x00A9}, {0x84, 0xFF3F}, {0xFF, 0x2026}};
constexpr Fixup kSimpSingles[] = {
    {0x80, 0x00FC}, {0xA0, 0x00A0}, {0xFD, 0x00A9}, {0xFE, 0x2122}, {0xFF, 0x2026}};

// Two-byte codes Apple maps differently from the Windows code page it shares them with.
constexpr Fixup kJapaneseFixups[] = {{0x815C, 0x2014}, {0x8160, 0x301C}, {0x8161, 0x2016},
                                     {0x817C, 0x2212}, {0x8191, 0x00A2}, {0x8192, 0x00A3},
                                     {0x81CA, 0x00AC}};
constexpr Fixup kTradFixups[] = {{0xA145, 0x00B7}, {0xA14B, 0x22EF}, {0xA1F2, 0x2295}};
constexpr Fixup kSimpFixups[] = {{0xA1AB, 0x301C}, {0xA1AD, 0x22EF}, {0xA1E9, 0x00A2},
                                 {0xA1EA, 0x00A3}, {0xA3A4, 0x00A5}, {0xA3FE, 0x203E}};
constexpr Fixup kKoreanFixups[] = {
    {0xA1A4, 0x00B7}, {0xA1AD, 0x301C}, {0xA1CB, 0x00A2}, {0xA1CC, 0x00A3}, {0xA1CD, 0x00A5},
    {0xA1EC, 0x226A}, {0xA1ED, 0x226B}, {0xA1FE, 0x00AC}, {0xA2B0, 0x02D0}, {0xA3FE, 0x203E}};

// Mac Japanese row 0x85: Apple's enclosed and Roman numerals, as runs of codes.
struct Run {
    std::uint8_t first;
    std::uint8_t last;
    char16_t to;
};
constexpr Run kJapaneseRow85[] = {{0x40, 0x53, 0x2460}, {0x5E, 0x71, 0x2474}, {0x7C, 0x7E, 0x2776},
                                  {0x80, 0x85, 0x2779}, {0x92, 0x9A, 0x2488}, {0x9F, 0xAA, 0x2160},
                                  {0xB3, 0xBE, 0x2170}, {0xDB, 0xF4, 0x249C}};

enum : int { kMacJapanese = 10001, kMacTrad = 10002, kMacKorean = 10003, kMacSimp = 10008 };

bool isMacCjk(int codePage) {
    return codePage == kMacJapanese || codePage == kMacTrad || codePage == kMacKorean ||
           codePage == kMacSimp;
}

// The Windows code page with the same two-byte characters.
int basePage(int codePage) {
    switch (codePage) {
    case kMacJapanese:
        return 932;
    case kMacTrad:
        return 950;
    case kMacKorean:
        return 949;
    default:
        return 936;
    }
}

bool isLead(int codePage, uchar c) {
    if (codePage == kMacJapanese) return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (codePage == kMacKorean) return c >= 0xA1 && c <= 0xFE;
    return c >= 0xA1 && c <= 0xFC;
}

bool isTrail(int codePage, uchar c) {
    switch (codePage) {
    case kMacJapanese:
        return c >= 0x40 && c <= 0xFC && c != 0x7F;
    case kMacTrad:
        return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE);
    case kMacKorean:
        return (c >= 0x41 && c <= 0x7D) || (c >= 0x81 && c <= 0xFE);
    default:
        return c >= 0xA1 && c <= 0xFE;
    }
}

template <std::size_t N> char16_t fixup(const Fixup (&table)[N], std::uint16_t code) {
    for (const Fixup& f : table) {
        if (f.code == code) return f.ch;
    }
    return 0;
}

// A one-byte code at 0x80 and above that is not a lead byte: Apple's
// character, kDrop, or 0 when the base code page reads it (half-width katakana).
char16_t macSingle(int codePage, uchar c) {
    if (codePage == kMacJapanese && c >= 0xA1 && c <= 0xDF) return 0;
    const char16_t own = codePage == kMacKorean ? fixup(kKoreanSingles, c)
                         : codePage == kMacSimp ? fixup(kSimpSingles, c)
                                                : fixup(kJapaneseSingles, c);
    if (own != 0) return own;
    return c < 0xA0 ? kDrop : 0xFFFD; // C1 controls and the metrics glyphs at 0x81, 0x82
}

// A two-byte code the base code page must not read: Apple's character, U+FFFD
// for codes Apple leaves undefined or uses for glyph variants, or 0.
char16_t macPair(int codePage, uchar lead, uchar trail) {
    const auto code = std::uint16_t(lead << 8 | trail);
    switch (codePage) {
    case kMacJapanese:
        if (lead == 0x85) {
            for (const Run& r : kJapaneseRow85) {
                if (trail >= r.first && trail <= r.last) return char16_t(r.to + (trail - r.first));
            }
            return 0xFFFD;
        }
        // Apple's other additions (rows 0x86-0x88, vertical forms from 0xEB).
        if (lead == 0x86 || lead == 0x87 || (lead == 0x88 && trail < 0x9F) || lead >= 0xEB)
            return 0xFFFD;
        return fixup(kJapaneseFixups, code);
    case kMacTrad:
        // Apple's Big 5 has neither extension set, nor user-defined rows.
        if ((lead >= 0xC6 && lead <= 0xC8 && (lead > 0xC6 || trail >= 0xA1)) ||
            (lead == 0xF9 && trail >= 0xD6) || lead >= 0xFA)
            return 0xFFFD;
        return fixup(kTradFixups, code);
    case kMacKorean:
        if (trail < 0xA1) return 0xFFFD; // Apple's additions in the extended trail range
        return fixup(kKoreanFixups, code);
    default:
        if ((lead >= 0xAA && lead <= 0xAF) || lead >= 0xF8) return 0xFFFD; // user-defined in GBK
        return fixup(kSimpFixups, code);
    }
}

void appendCodePoint(QString& out, char32_t c) {
    if (c > 0xFFFF) {
        out.append(QChar::highSurrogate(c));
        out.append(QChar::lowSurrogate(c));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

std::unique_ptr<QStringDecoder> makeConverter(int codePage) {
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
    case 10006:
        name = "x-mac-greek";
        break;
    case 10007:
        name = "x-mac-cyrillic";
        break;
    case 10029:
        name = "x-mac-centraleurroman";
        break;
    case 10081:
        name = "x-mac-turkish";
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

} // namespace

int codePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return 1252; // symbol fonts without a table of ours: their bullets read best as Latin-1
    case 77:
        return 10000;
    case 78:
        return kMacJapanese;
    case 79:
        return kMacKorean;
    case 80:
        return kMacSimp;
    case 81:
        return kMacTrad;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 86:
        return 10081;
    case 87:
        return 10021;
    case 88:
        return 10029;
    case 89:
        return 10007;
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

int symbolPageOf(QStringView family) {
    const QStringView name = family.trimmed();
    if (name.compare(u"Symbol", Qt::CaseInsensitive) == 0) return kSymbolPage;
    if (name.compare(u"Wingdings", Qt::CaseInsensitive) == 0) return kWingdingsPage;
    return 0;
}

char32_t symbolCharacter(int page, char32_t code) {
    if (code >= 0xF020 && code <= 0xF0FF) code -= 0xF000;
    if (code < 0x20 || code > 0xFF) return 0;
    if (page == kSymbolPage) return kSymbol[code - 0x20];
    if (page == kWingdingsPage) return kWingdings[code - 0x20];
    return 0;
}

QString decodeGb(const char* bytes, qsizetype size) {
    // Made once per thread: making one (an ICU converter) costs more than
    // decoding a note's run of text. Stateless, so no call leaves anything
    // behind for the next.
    thread_local QStringDecoder gb18030("GB18030", QStringConverter::Flag::Stateless);
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

TextDecoder::TextDecoder() = default;
TextDecoder::~TextDecoder() = default;

QString TextDecoder::decode(QByteArrayView bytes, int codePage) {
    if (codePage == kSymbolPage || codePage == kWingdingsPage) {
        // Codes without a character keep the private-use form the font has in Unicode.
        QString out;
        out.reserve(bytes.size());
        for (const char b : bytes) {
            const char32_t c = symbolCharacter(codePage, uchar(b));
            appendCodePoint(out, c != 0 ? c : uchar(b) < 0x20 ? uchar(b) : 0xF000 + uchar(b));
        }
        return out;
    }
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii) return QString::fromLatin1(bytes);
    if (codePage == 936 || codePage == 54936) return decodeGb(bytes.data(), bytes.size());
    if (codePage == 65001) return QString::fromUtf8(bytes);
    if (isMacCjk(codePage)) return decodeMac(bytes, codePage);
    return converter(codePage).decode(bytes);
}

QStringDecoder& TextDecoder::converter(int codePage) {
    for (auto& [cp, converter] : converters_) {
        if (cp == codePage) return *converter;
    }
    // Garbage can name any number of code pages; a handful is all real text uses.
    if (converters_.size() >= 16 && codePage != 1252) return converter(1252);
    auto made = makeConverter(codePage);
    if (!made->isValid()) made = makeConverter(1252);
    converters_.emplace_back(codePage, std::move(made));
    return *converters_.back().second;
}

// Runs of bytes the base code page reads alike go to its converter whole;
// Apple's own codes are put in between.
QString TextDecoder::decodeMac(QByteArrayView bytes, int codePage) {
    const int base = basePage(codePage);
    QString out;
    out.reserve(bytes.size());
    qsizetype start = 0;
    qsizetype i = 0;
    const auto flush = [&] {
        if (i == start) return;
        const QByteArrayView run = bytes.sliced(start, i - start);
        out.append(base == 936 ? decodeGb(run.data(), run.size()) : converter(base).decode(run));
    };
    const auto put = [&](char16_t c, qsizetype length) {
        flush();
        if (c != kDrop) out.append(QChar(c));
        i += length;
        start = i;
    };
    while (i < bytes.size()) {
        const auto c = uchar(bytes[i]);
        if (c < 0x80) {
            ++i;
        } else if (isLead(codePage, c)) {
            if (i + 1 >= bytes.size() || !isTrail(codePage, uchar(bytes[i + 1]))) {
                put(0xFFFD, 1);
            } else if (const char16_t own = macPair(codePage, c, uchar(bytes[i + 1])); own != 0) {
                put(own, 2);
            } else {
                i += 2;
            }
        } else if (const char16_t own = macSingle(codePage, c); own != 0) {
            put(own, 1);
        } else {
            ++i;
        }
    }
    flush();
    return out;
}

} // namespace kuvano::rtf::detail
