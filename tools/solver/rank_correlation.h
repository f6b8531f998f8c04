#pragma once
// Spearman's rank correlation: how nearly one series rises with another, whatever their
// scales (1 when one only ever rises with the other). It tells whether the catalogue's
// levels grow harder as their numbers grow.

#include <vector>

namespace dovrix::solver {

// The correlation of the two series' ranks; tied values share the mean of their places.
// 0 when either series is constant. The series must be of equal length.
double rankCorrelation(const std::vector<double>& a, const std::vector<double>& b);

} // namespace dovrix::solver
