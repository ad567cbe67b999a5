// The transit search's callers in tests: an observer taking every row, and
// transits compared row by row to the last bit of every date and minimum.
#pragma once

#include <vector>

#include "engine/transit_search.h"

namespace skyloom::test {

class TakeEverything : public RunObserver {
 public:
  bool NextDay(int32_t) override { return true; }
  RowTaken TakeRow(const TransitRowData&, RowPlace) override { return {}; }
};

inline bool SameTransits(const std::vector<TransitRecord>& a, const std::vector<TransitRecord>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].aspect != b[k].aspect || a[k].passes.size() != b[k].passes.size()) return false;
    for (size_t p = 0; p < a[k].passes.size(); ++p) {
      const TransitRowData &x = a[k].passes[p], &y = b[k].passes[p];
      if (x.aspect != y.aspect || x.entry != y.entry || x.exit != y.exit || x.minimum != y.minimum) return false;
    }
  }
  return true;
}

}  // namespace skyloom::test
