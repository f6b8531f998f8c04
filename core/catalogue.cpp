#include "catalogue.h"

#include "level_string.h"
#include "number_text.h"

namespace dovrix {

// Generated at build time from levels/levels.txt and levels/optima.txt.
extern const std::string_view kBuiltInLevelData;
extern const std::string_view kBuiltInOptimaData;

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

std::vector<std::optional<int16_t>> readOptima(std::string_view text) {
    std::vector<std::optional<int16_t>> optima(kCatalogueSize + 1);
    for (std::string_view line : levelLines(text)) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) {
            continue;
        }
        const auto level = fieldValue(line.substr(0, blank));
        const auto moves = fieldValue(trimBlanks(line.substr(blank)));
        if (level && moves && *level >= 1 && *level <= kCatalogueSize && *moves >= 0) {
            optima[*level] = *moves;
        }
    }
    return optima;
}

std::optional<int16_t> provenOptimum(int level) {
    static const auto optima = readOptima(kBuiltInOptimaData);
    if (level < 1 || level > kCatalogueSize) {
        return std::nullopt;
    }
    return optima[level];
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
