// The median the benchmarks report: robust against the odd slow run.
#pragma once

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
