#pragma once
// The catalogue's solutions file: one line per level, its number and then one shortest
// solution in move notation ("12 Red1L Blue2U ..."); blank lines and '#' comments skipped.

#include "expected.h"
#include "move_notation.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dovrix::solver {

using SolutionBook = std::map<int, std::vector<MoveNotation>>;

// Fails on a line that does not start with a level number or holds a malformed move, and on
// a level listed twice.
Expected<SolutionBook> readSolutions(std::string_view text);

// The file's text: a comment header, then the levels in order.
std::string formatSolutions(const SolutionBook& book);

} // namespace dovrix::solver
