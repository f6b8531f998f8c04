#include "level_chart.h"

#include "counted.h"
#include "shared_state.h"

#include <algorithm>
#include <array>
#include <string>

namespace dovrix::server::console {

namespace {

constexpr int kColumns = kCatalogueSize + 1; // the last: every level beaten
constexpr int kLeft = 8;
constexpr int kTop = 20;
constexpr int kBarStep = 6;
constexpr int kPlotHeight = 100;

std::string students(int n) {
    return counted(static_cast<std::size_t>(n), "student");
}

} // namespace

PageData levelChart(const std::vector<int>& levels) {
    std::array<int, kColumns> counts{};
    for (const int level : levels) {
        ++counts[static_cast<std::size_t>(std::clamp(level, 1, kColumns) - 1)];
    }
    const int most = std::max(1, *std::max_element(counts.begin(), counts.end()));
    const int base = kTop + kPlotHeight;
    PageList bars;
    for (int column = 0; column < kColumns; ++column) {
        const int count = counts[static_cast<std::size_t>(column)];
        if (count == 0) {
            continue;
        }
        const int height = std::max(2, count * kPlotHeight / most);
        PageData bar;
        bar.set("x", std::to_string(kLeft + column * kBarStep));
        bar.set("y", std::to_string(base - height));
        bar.set("width", std::to_string(kBarStep - 1));
        bar.set("height", std::to_string(height));
        bar.set("label", (column == kColumns - 1 ? std::string("Every level beaten")
                                                 : "Level " + std::to_string(column + 1)) +
                             ": " + students(count));
        bars.push_back(bar);
    }
    PageList ticks;
    for (const int level : {1, 25, 50, 75, 100}) {
        PageData tick;
        tick.set("x", std::to_string(kLeft + (level - 1) * kBarStep + kBarStep / 2));
        tick.set("y", std::to_string(base + 14));
        tick.set("label", std::to_string(level));
        ticks.push_back(tick);
    }
    PageData allBeaten;
    allBeaten.set("x", std::to_string(kLeft + (kColumns - 1) * kBarStep + kBarStep / 2));
    allBeaten.set("y", std::to_string(base + 28));
    allBeaten.set("label", "all");
    ticks.push_back(allBeaten);

    std::vector<int> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    std::string summary = students(static_cast<int>(levels.size()));
    if (!sorted.empty()) {
        const auto levelText = [](int level) {
            return level > kCatalogueSize ? std::string("every level beaten")
                                          : "level " + std::to_string(level);
        };
        summary += ": lowest " + levelText(sorted.front()) + ", middle " +
                   levelText(sorted[sorted.size() / 2]) + ", highest " + levelText(sorted.back()) +
                   ".";
    } else {
        summary += ".";
    }

    PageData chart;
    chart.set("width", std::to_string(kLeft * 2 + kColumns * kBarStep));
    chart.set("height", std::to_string(base + 34));
    chart.set("left", std::to_string(kLeft));
    chart.set("right", std::to_string(kLeft + kColumns * kBarStep));
    chart.set("base", std::to_string(base));
    chart.set("most", students(most));
    chart.set("bars", bars);
    chart.set("ticks", ticks);
    chart.set("summary", summary);
    return chart;
}

} // namespace dovrix::server::console
