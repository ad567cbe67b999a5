#include "support/worst_error.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <utility>

#include "support/angle_check.h"

namespace skyloom::test {
namespace {

constexpr std::size_t kFailuresTold = 5;

std::string Number(double value, int digits = 3) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

// A property key of letters, digits and underscores.
std::string Key(const std::string& table) {
  std::string key = "worst_";
  for (const char c : table) key += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return key;
}

}  // namespace

WorstError::WorstError(std::string table, std::string unit) : table_(std::move(table)), unit_(std::move(unit)) {}

WorstError::~WorstError() {
  if (count_ == 0) {
    if (!::testing::Test::HasFailure()) ADD_FAILURE() << table_ << ": no value was compared";
    return;
  }
  if (failures_ > kFailuresTold) ADD_FAILURE() << table_ << ": " << failures_ << " errors beyond their tolerance";
  const std::string line = Summary();
  ::testing::Test::RecordProperty(Key(table_), line);
  std::cout << "[ worst ] " << table_ << ": " << line << std::endl;
}

std::string WorstError::Summary() const {
  return Number(worst_) + " " + unit_ + " of " + Number(worstTolerance_) + " " + unit_ + " tolerance (" + worstWhere_ +
         ")";
}

bool WorstError::Note(double error, double tolerance, const std::string& where) {
  ++count_;
  const double size = std::fabs(error);
  const bool passed = std::isfinite(size) && size <= tolerance;
  // A non-finite error is the worst there can be.
  const double share = std::isfinite(size) ? size / tolerance : INFINITY;
  if (share > worstShare_) {
    worst_ = size;
    worstTolerance_ = tolerance;
    worstShare_ = share;
    worstWhere_ = where;
  }
  if (!passed && ++failures_ <= kFailuresTold)
    ADD_FAILURE() << table_ << ": " << where << ": off by " << Number(size, 9) << " " << unit_ << " (tolerance "
                  << Number(tolerance, 9) << " " << unit_ << ")";
  return passed;
}

std::string JulianDayText(double jd) {
  char text[32];
  std::snprintf(text, sizeof text, "JD %.2f", jd);
  return text;
}

double ArcsecondsApart(double aDegrees, double bDegrees) {
  if (!std::isfinite(aDegrees) || !std::isfinite(bDegrees)) return NAN;
  return std::fabs(WrappedDifferenceDegrees(aDegrees, bDegrees)) * 3600.0;
}

}  // namespace skyloom::test
