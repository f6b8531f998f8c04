#pragma once
// What the timing and load tools share: percentiles of their samples and their `--name value`
// options.

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dovrix::bench {

// The sample at fraction `p` of the sorted values (0.5: the median), 0 when there are none.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Reads `--name value` pairs, each value handed to its option's setter. False for an unknown
// name or a name without a value.
inline bool readOptions(int argc, char** argv,
                        const std::map<std::string, std::function<void(const std::string&)>>& set) {
    for (int i = 1; i < argc; i += 2) {
        const auto option = set.find(argv[i]);
        if (option == set.end() || i + 1 == argc) {
            return false;
        }
        option->second(argv[i + 1]);
    }
    return true;
}

} // namespace dovrix::bench
