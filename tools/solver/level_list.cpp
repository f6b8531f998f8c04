#include "level_list.h"

#include <sstream>

namespace dovrix::solver {

std::optional<std::set<int>> parseLevelList(const std::string& text, int count) {
    std::set<int> levels;
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const std::size_t dash = part.find('-');
        const std::string first = part.substr(0, dash);
        const std::string last = dash == std::string::npos ? first : part.substr(dash + 1);
        for (const std::string& n : {first, last}) {
            if (n.empty() || n.size() > 3 ||
                n.find_first_not_of("0123456789") != std::string::npos) {
                return std::nullopt;
            }
        }
        const int a = std::stoi(first);
        const int b = std::stoi(last);
        if (a < 1 || b > count || a > b) {
            return std::nullopt;
        }
        for (int level = a; level <= b; ++level) {
            levels.insert(level);
        }
    }
    if (levels.empty()) {
        return std::nullopt;
    }
    return levels;
}

} // namespace dovrix::solver
