#include "text_case.h"

#include "utf8.h"

namespace dovrix {

namespace {

// One case pair per row: capitals first..last map to small letters at first + offset.
struct CaseRange {
    char32_t first;
    char32_t last;
    char32_t offset;
};

constexpr CaseRange kContiguousRanges[] = {
    {U'A', U'Z', 0x20},     // Basic Latin
    {0x00C0, 0x00D6, 0x20}, // Latin-1: À..Ö
    {0x00D8, 0x00DE, 0x20}, // Latin-1: Ø..Þ (× is not a letter)
    {0x0391, 0x03A1, 0x20}, // Greek: Α..Ρ
    {0x03A3, 0x03AB, 0x20}, // Greek: Σ..Ϋ
    {0x0410, 0x042F, 0x20}, // Cyrillic: А..Я
    {0x0400, 0x040F, 0x50}, // Cyrillic: Ѐ..Џ
};

// Latin Extended-A alternates capital and small letter: even code points are capitals in
// 0100..0137 and 014A..0177, odd ones in 0139..0148 and 0179..017E. The dotted and dotless
// i (0130, 0131) pair with the plain i, not with each other, so they are left alone.
enum class Pairing { None, Capital, Small };

Pairing alternatingPair(char32_t c) {
    if (c == 0x0130 || c == 0x0131) {
        return Pairing::None;
    }
    bool evenIsCapital = false;
    if ((c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177)) {
        evenIsCapital = true;
    } else if (!((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))) {
        return Pairing::None;
    }
    return (c % 2 == 0) == evenIsCapital ? Pairing::Capital : Pairing::Small;
}

} // namespace

char32_t upperCaseLetter(char32_t c) {
    for (const CaseRange& range : kContiguousRanges) {
        if (c >= range.first + range.offset && c <= range.last + range.offset) {
            return c - range.offset;
        }
    }
    if (c == 0x03C2) { // final sigma
        return 0x03A3;
    }
    if (c == 0x00FF) { // ÿ
        return 0x0178;
    }
    if (alternatingPair(c) == Pairing::Small) {
        return c - 1;
    }
    return c;
}

char32_t lowerCaseLetter(char32_t c) {
    for (const CaseRange& range : kContiguousRanges) {
        if (c >= range.first && c <= range.last) {
            return c + range.offset;
        }
    }
    if (c == 0x0178) {
        return 0x00FF;
    }
    if (alternatingPair(c) == Pairing::Capital) {
        return c + 1;
    }
    return c;
}

std::string toUpperCase(std::string_view text) {
    std::u32string characters = decodeUtf8(text);
    for (char32_t& c : characters) {
        c = upperCaseLetter(c);
    }
    return encodeUtf8(characters);
}

std::string toLowerCase(std::string_view text) {
    std::u32string characters = decodeUtf8(text);
    for (char32_t& c : characters) {
        c = lowerCaseLetter(c);
    }
    return encodeUtf8(characters);
}

} // namespace dovrix
