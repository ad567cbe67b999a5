// The transit search's callers in tests: an observer taking every row, and
// transits compared row by row to the last bit of every date and minimum.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/transit_search.h"

namespace skyloom::test {

class TakeEverything : public RunObserver {
 public:
  bool NextDay(int32_t) override { return true; }
  RowTaken TakeRow(const TransitRowData&, RowPlace) override { return {}; }
};

inline bool SameTransits(const std::vector<TransitRecord>& a, const std::vector<TransitRecord>& b) {
  auto samePass = [](const TransitRowData& x, const TransitRowData& y) {
    return x.aspect == y.aspect && x.entry == y.entry && x.exit == y.exit && x.minimum == y.minimum;
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const TransitRecord& x, const TransitRecord& y) {
    return x.aspect == y.aspect &&
           std::equal(x.passes.begin(), x.passes.end(), y.passes.begin(), y.passes.end(), samePass);
  });
}

}  // namespace skyloom::test
