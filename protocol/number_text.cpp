#include "number_text.h"

#include <cmath>
#include <limits>

namespace dovrix {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    return i;
}

// How far a leading number reaches into the text, and what it is worth.
struct LeadingNumber {
    double value = 0.0;
    std::size_t end = 0;    // one past its last character
    std::size_t digits = 0; // before and after the decimal point
};

LeadingNumber readLeadingNumber(std::string_view text) {
    LeadingNumber number;
    std::size_t i = skipBlanks(text);
    double sign = 1.0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        sign = text[i] == '-' ? -1.0 : 1.0;
        ++i;
    }
    for (; i < text.size() && isDigit(text[i]); ++i, ++number.digits) {
        number.value = number.value * 10.0 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++number.digits) {
            number.value += (text[i] - '0') * scale;
            scale /= 10.0;
        }
    }
    number.value *= sign;
    number.end = i;
    return number;
}

} // namespace

std::optional<int16_t> fieldValue(std::string_view text) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 32 bits and stop as soon as the value leaves the 16-bit range, so a long
    // run of digits cannot overflow the accumulator.
    int32_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 32768) {
            return std::nullopt;
        }
    }
    const int32_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int16_t>(value);
}

double leadingNumber(std::string_view text) {
    return readLeadingNumber(text).value;
}

std::optional<double> entireNumber(std::string_view text) {
    const LeadingNumber number = readLeadingNumber(text);
    if (number.digits == 0 || number.end != text.size()) {
        return std::nullopt;
    }
    return number.value;
}

std::optional<int32_t> wholeNumber(std::string_view text) {
    const bool negative = text.starts_with('-');
    const std::string_view digits = text.substr(negative ? 1 : 0);
    // Nine digits always fit 32 bits.
    if (digits.empty() || digits.size() > 9) {
        return std::nullopt;
    }
    int32_t value = 0;
    for (char c : digits) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<int16_t> roundToInt16(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(value); // default rounding mode: halves to even
    if (rounded < std::numeric_limits<int16_t>::min() ||
        rounded > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int16_t>(rounded);
}

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace dovrix
