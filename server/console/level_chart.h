#pragma once
// The class's spread over the levels as an inline SVG bar chart: one bar per level (and one
// for every level beaten) as high as the number of students there.

#include "pages.h"

#include <vector>

namespace dovrix::server::console {

// The chart's geometry and labels for the class template, from each student's level
// (1 to 100, 101 for every level beaten).
PageData levelChart(const std::vector<int>& levels);

} // namespace dovrix::server::console
