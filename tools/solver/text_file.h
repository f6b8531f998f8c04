#pragma once
// Reading and replacing the catalogue's data files from the command-line tools.

#include <optional>
#include <string>

namespace dovrix::solver {

// The whole file, or nullopt when it cannot be opened.
std::optional<std::string> readTextFile(const std::string& path);

// Writes beside the target and renames over it, so a failed run leaves the old file whole.
bool replaceTextFile(const std::string& path, const std::string& text);

} // namespace dovrix::solver
