#pragma once
// CSV as RFC 4180 writes it, in UTF-8, for spreadsheets: fields quoted when they hold a comma,
// a quote or a line break, lines ended by CR LF. A cell that a spreadsheet would run as a
// formula (starting with =, +, -, @, a tab or a carriage return) is written as text, behind
// a single quote, so a student's name cannot become a command on a teacher's computer.

#include <string>
#include <string_view>
#include <vector>

namespace dovrix::server::console {

// The byte-order mark that tells spreadsheet programs the file is UTF-8.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string csvCell(std::string_view text);
std::string csvLine(const std::vector<std::string>& cells);

} // namespace dovrix::server::console
