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

std::optional<int16_t> readProgressFile(std::string_view content) {
    const std::size_t start = content.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = content.substr(start);
    const std::string_view item = rest.substr(0, rest.find_first_of(" ,\r\n"));
    const auto number = entireNumber(item);
    if (!number) {
        return std::nullopt;
    }
    return roundToInt16(*number);
}

} // namespace dovrix
