#include "utf8.h"

namespace dovrix {

std::optional<Utf8Character> firstCharacter(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        return Utf8Character{lead, 1};
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
    } else {
        return std::nullopt; // a continuation byte, C0/C1 (always overlong) or F5..FF
    }
    if (length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        return std::nullopt;
    }
    return Utf8Character{c, length};
}

std::u32string decodeUtf8(std::string_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::u32string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto character = firstCharacter(text);
        out.push_back(character ? character->codePoint : kReplacement);
        text.remove_prefix(character ? character->length : 1);
    }
    return out;
}

std::string encodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::size_t> utf16Length(std::string_view text) {
    std::size_t units = 0;
    while (!text.empty()) {
        const auto character = firstCharacter(text);
        if (!character) {
            return std::nullopt;
        }
        units += character->codePoint >= 0x10000 ? 2 : 1;
        text.remove_prefix(character->length);
    }
    return units;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    while (!text.empty()) {
        const auto character = firstCharacter(text);
        text.remove_prefix(character ? character->length : 1);
        ++count;
    }
    return count;
}

} // namespace dovrix
