#include "engine/run_state.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "calendar/date_format.h"

namespace skyloom {
namespace {

constexpr int32_t kMinimumRows = 200;
constexpr int32_t kMaximumRows = 32760;

}  // namespace

int32_t TransitTable::RowsForPeriod(int64_t periodDays) {
  const double rows = std::nearbyint(static_cast<double>(periodDays) / 58.0 * 8.0);
  if (!(rows >= kMinimumRows)) return kMinimumRows;
  if (rows > kMaximumRows) return kMaximumRows;
  return static_cast<int32_t>(rows);
}

void TransitTable::Create(int64_t periodDays) {
  // Rows for the period's estimate, made as they are written, so that a
  // long run's table costs what its transits need.
  rows_.clear();
  const auto estimate = static_cast<size_t>(RowsForPeriod(periodDays));
  rows_.reserve(std::min<size_t>(estimate, 256));
}

void TransitTable::ClearTransitTable() {
  for (auto& row : rows_) row = TransitRowData{};
}

void TransitTable::Reserve(int32_t row) {
  if (row < 0) throw std::out_of_range("negative row of the transit table");
  if (row >= RowCount()) {
    // A run with more transits than the period's estimate: grow rather than
    // lose rows.
    rows_.resize(static_cast<size_t>(row) + 1 + rows_.size() / 2);
  }
}

const TransitRowData& TransitTable::None() {
  static const TransitRowData kNone;
  return kNone;
}

void TransitTable::SetEntry(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark) {
  Reserve(row);
  rows_[row].aspect = aspect;
  rows_[row].entry.at(orb) = mark;
}

void TransitTable::SetExit(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark) {
  Reserve(row);
  rows_[row].aspect = aspect;
  rows_[row].exit.at(orb) = mark;
}

void TransitTable::SetMinimum(int32_t row, AspectIndex aspect, const MinimumRecord& minimum) {
  Reserve(row);
  rows_[row].aspect = aspect;
  rows_[row].minimum = minimum;
}

void TransitTable::SetRow(int32_t row, const TransitRowData& data) {
  Reserve(row);
  rows_[row] = data;
}

std::string ProgressionWord(ProgressionKind kind) {
  switch (kind) {
    case ProgressionKind::Progressed: return "progressed";
    case ProgressionKind::Directed: return "directed";
    case ProgressionKind::Transit: break;
  }
  return {};
}

std::string MovingBodyText(const RunResult& run) {
  if (run.world || run.progression == ProgressionKind::Transit) return BodyName(run.bodies[0]);
  std::string word = ProgressionWord(run.progression);
  word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word + " " + BodyName(run.bodies[0]);
}

std::string TransitPhrase(const RunResult& run, AspectIndex aspect) {
  return MovingBodyText(run) + " " + AsciiLowerCase(AspectName(aspect)) + (run.world ? " " : " natal ") +
         BodyName(run.bodies[1]);
}

}  // namespace skyloom
