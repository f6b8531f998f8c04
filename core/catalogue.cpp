#include "catalogue.h"

#include "level_string.h"

namespace dovrix {

// Generated at build time from levels/levels.txt.
extern const std::string_view kBuiltInLevelData;

std::vector<std::string_view> levelLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        if (!line.empty() && line.front() != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

const std::vector<std::string_view>& builtInLevelStrings() {
    static const std::vector<std::string_view> strings = levelLines(kBuiltInLevelData);
    return strings;
}

void LoadLevelTable(SharedState& state) {
    const auto& strings = builtInLevelStrings();
    for (std::size_t level = 1; level < state.levelStrings.size(); ++level) {
        state.levelStrings[level] =
            level <= strings.size() ? std::string(strings[level - 1]) : std::string();
    }
}

void rewriteCataloguePar(SharedState& state, int level, std::string_view newParText) {
    if (level < 1 || level >= static_cast<int>(state.levelStrings.size())) {
        return;
    }
    state.levelStrings[level] = rewritePar(state.levelStrings[level], newParText);
}

} // namespace dovrix
