#pragma once
// The game's command line: only --help and --version, answered before any window opens.

#include <optional>
#include <ostream>

namespace dovrix {

// Prints the help or the version on out, or refuses any other argument on err. The exit status
// when the program must end now, or nullopt when there were no arguments and the game starts.
std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err);

} // namespace dovrix
