#pragma once
// Catalogue levels named on a command line: "7", "2,5-9".

#include <optional>
#include <set>
#include <string>

namespace dovrix::solver {

// The levels listed, or nullopt when a part is not a number or a range within 1..count.
std::optional<std::set<int>> parseLevelList(const std::string& text, int count);

} // namespace dovrix::solver
