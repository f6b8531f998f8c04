#include "progress_file.h"

#include "number_text.h"

#include <string>

namespace dovrix {

std::string formatProgressFile(int16_t level) {
    // Appended rather than " " + ...: GCC 12 warns falsely (-Wrestrict) about that at -O3.
    std::string line = " ";
    line += std::to_string(level);
    line += " \r\n";
    return line;
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// An optional sign, digits, and an optional decimal part; at least one digit in all.
bool isNumber(std::string_view item) {
    std::size_t i = 0;
    if (i < item.size() && (item[i] == '-' || item[i] == '+')) {
        ++i;
    }
    std::size_t digits = 0;
    for (; i < item.size() && isDigit(item[i]); ++i) {
        ++digits;
    }
    if (i < item.size() && item[i] == '.') {
        for (++i; i < item.size() && isDigit(item[i]); ++i) {
            ++digits;
        }
    }
    return digits > 0 && i == item.size();
}

} // namespace

std::optional<int16_t> readProgressFile(std::string_view content) {
    const std::size_t start = content.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = content.substr(start);
    const std::string_view item = rest.substr(0, rest.find_first_of(" ,\r\n"));
    if (!isNumber(item)) {
        return std::nullopt;
    }
    return roundToInt16(leadingNumber(item));
}

} // namespace dovrix
