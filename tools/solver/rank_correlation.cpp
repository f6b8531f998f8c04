#include "rank_correlation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace dovrix::solver {

namespace {

// Ranks from 1, ties sharing the mean of their places.
std::vector<double> ranks(const std::vector<double>& values) {
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&values](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    std::vector<double> rank(values.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]]) {
            ++j;
        }
        for (std::size_t k = i; k <= j; ++k) {
            rank[order[k]] = (static_cast<double>(i + j) / 2) + 1;
        }
        i = j + 1;
    }
    return rank;
}

} // namespace

double rankCorrelation(const std::vector<double>& a, const std::vector<double>& b) {
    const std::vector<double> ra = ranks(a);
    const std::vector<double> rb = ranks(b);
    const double n = static_cast<double>(a.size());
    double ma = 0;
    double mb = 0;
    for (std::size_t i = 0; i < ra.size(); ++i) {
        ma += ra[i] / n;
        mb += rb[i] / n;
    }
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (std::size_t i = 0; i < ra.size(); ++i) {
        ab += (ra[i] - ma) * (rb[i] - mb);
        aa += (ra[i] - ma) * (ra[i] - ma);
        bb += (rb[i] - mb) * (rb[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace dovrix::solver
