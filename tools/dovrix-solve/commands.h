#pragma once
// The subcommands of dovrix-solve. Each returns the process's exit status: 0 done, 1 no
// answer (unsolved, budget spent, a check failed), 2 bad arguments.

#include "level_string.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovrix::tool {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNoAnswer = 1;
inline constexpr int kExitUsage = 2;

// A level named on the command line: a catalogue number, or a level string (any argument
// holding a comma).
struct LevelArgument {
    std::string levelString;
    std::optional<int> catalogueNumber;
    LevelDescription description;
};

// Resolves and reads the argument, or prints a one-line message and returns nullopt.
std::optional<LevelArgument> resolveLevel(const std::string& argument);

// A positive whole number of at most 12 digits (a state budget), or nullopt.
std::optional<uint64_t> positiveCount(const std::string& text);

int runReplay(const std::vector<std::string>& arguments);
int runSolve(const std::vector<std::string>& arguments);
int runCatalogue(const std::vector<std::string>& arguments);
int runVerify(const std::vector<std::string>& arguments);

// Prints "dovrix-solve: <message>" on standard error and returns kExitUsage.
int usageError(const std::string& message);

} // namespace dovrix::tool
