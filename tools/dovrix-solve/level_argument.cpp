#include "catalogue.h"
#include "commands.h"

#include <iostream>

namespace dovrix::tool {

int usageError(const std::string& message) {
    std::cerr << "dovrix-solve: " << message << '\n';
    return kExitUsage;
}

std::optional<LevelArgument> resolveLevel(const std::string& argument) {
    LevelArgument level;
    if (argument.find(',') != std::string::npos) {
        level.levelString = argument;
    } else {
        const auto& strings = builtInLevelStrings();
        const bool digits = !argument.empty() && argument.size() <= 4 &&
                            argument.find_first_not_of("0123456789") == std::string::npos;
        const int number = digits ? std::stoi(argument) : 0;
        if (number < 1 || number > static_cast<int>(strings.size())) {
            usageError("no level " + argument + ": give a level number from 1 to " +
                       std::to_string(strings.size()) + " or a level string");
            return std::nullopt;
        }
        level.levelString = std::string(strings[number - 1]);
        level.catalogueNumber = number;
    }
    auto description = parseLevelString(level.levelString);
    if (!description) {
        usageError("the level string cannot be read: " + description.error());
        return std::nullopt;
    }
    level.description = std::move(*description);
    return level;
}

std::optional<uint64_t> positiveCount(const std::string& text) {
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoull(text) == 0) {
        return std::nullopt;
    }
    return std::stoull(text);
}

int runCatalogue(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        return usageError("catalogue takes no arguments");
    }
    for (std::string_view level : builtInLevelStrings()) {
        std::cout << level << '\n';
    }
    return kExitDone;
}

} // namespace dovrix::tool
