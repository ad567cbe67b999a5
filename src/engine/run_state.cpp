#include "engine/run_state.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "calendar/date_format.h"
#include "engine/exact_time.h"

namespace skyloom {
namespace {

constexpr int32_t kMinimumRows = 200;
constexpr int32_t kMaximumRows = 32760;

// Column of a date cell: entries 1..3 from outer to inner, exits 5..7 from
// inner to outer, so that a row reads in time order.
constexpr int EntryColumn(OrbIndex orb) { return 1 + orb; }
constexpr int ExitColumn(OrbIndex orb) { return 7 - orb; }

}  // namespace

std::string DateCellText(const DateMark& mark) {
  std::string text = FormatDayNumber(mark.day);
  if (mark.retrograde) text += 'r';
  return text;
}

std::string MinimumDateText(const MinimumRecord& minimum) {
  std::string text = FormatDayNumber(minimum.day);
  if (minimum.exact) text += '*';
  if (minimum.retrograde) text += 'r';
  return text;
}

std::string MinimumValueText(const MinimumRecord& minimum) {
  if (!minimum.exact) return FormatAngle(minimum.deviation);
  return HourMinuteText(minimum.minuteOfDay) + " " + minimum.zoneText;
}

int32_t TransitTable::RowsForPeriod(int64_t periodDays) {
  const double rows = std::nearbyint(static_cast<double>(periodDays) / 58.0 * 8.0);
  if (!(rows >= kMinimumRows)) return kMinimumRows;
  if (rows > kMaximumRows) return kMaximumRows;
  return static_cast<int32_t>(rows);
}

void TransitTable::Create(int64_t periodDays) {
  // Rows for the period's estimate, made as they are written, so that a
  // long run's table costs what its transits need.
  cells_.clear();
  data_.clear();
  const auto estimate = static_cast<size_t>(RowsForPeriod(periodDays)) + 1;
  cells_.reserve(std::min<size_t>(estimate, 256));
  data_.reserve(std::min<size_t>(estimate, 256));
}

void TransitTable::ClearTransitTable() {
  for (auto& row : cells_) row.fill(std::string());
  for (auto& row : data_) row = TransitRowData{};
}

void TransitTable::Reserve(int32_t row) {
  if (row < 0) throw std::out_of_range("negative row of the transit table");
  if (row >= RowCount()) {
    // A run with more transits than the period's estimate: grow rather than
    // lose rows.
    const auto rows = static_cast<size_t>(row) + 1 + cells_.size() / 2;
    cells_.resize(rows);
    data_.resize(rows);
  }
}

const std::string& TransitTable::Cell(int32_t row, int column) const {
  static const std::string kEmpty;
  if (row < 0 || row >= RowCount() || column < 0 || column >= kTableColumns) return kEmpty;
  return cells_[row][column];
}

void TransitTable::SetCell(int32_t row, int column, std::string text) {
  Reserve(row);
  cells_.at(row).at(column) = std::move(text);
}

bool TransitTable::RowIsEmpty(int32_t row) const {
  if (row < 0 || row >= RowCount()) return true;
  for (const auto& cell : cells_[row])
    if (!cell.empty()) return false;
  return true;
}

const TransitRowData& TransitTable::Data(int32_t row) const {
  static const TransitRowData kNone;
  if (row < 0 || row >= RowCount()) return kNone;
  return data_[row];
}

void TransitTable::SetEntry(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark) {
  Reserve(row);
  data_[row].aspect = aspect;
  data_[row].entry.at(orb) = mark;
  cells_[row][EntryColumn(orb)] = DateCellText(mark);
}

void TransitTable::SetExit(int32_t row, AspectIndex aspect, OrbIndex orb, DateMark mark) {
  Reserve(row);
  data_[row].aspect = aspect;
  data_[row].exit.at(orb) = mark;
  cells_[row][ExitColumn(orb)] = DateCellText(mark);
}

void TransitTable::SetMinimum(int32_t row, AspectIndex aspect, const MinimumRecord& minimum) {
  Reserve(row);
  data_[row].aspect = aspect;
  data_[row].minimum = minimum;
  cells_[row][4] = MinimumDateText(minimum);
  cells_[row][8] = MinimumValueText(minimum);
}

void TransitTable::SetAspectName(int32_t row, AspectIndex aspect) {
  Reserve(row);
  data_[row].aspect = aspect;
  cells_[row][0] = AspectTable.at(aspect).Name;
}

std::string TransitPhrase(const RunResult& run, AspectIndex aspect) {
  return BodyName(run.bodies[0]) + " " + AsciiLowerCase(AspectName(aspect)) + (run.world ? " " : " natal ") +
         BodyName(run.bodies[1]);
}

}  // namespace skyloom
