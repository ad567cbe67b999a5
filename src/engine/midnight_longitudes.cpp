#include "engine/midnight_longitudes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/kept.h"

namespace skyloom {
namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
// A span grows by as many days as it holds, between these bounds, so that a
// walk day by day in either direction grows it seldom and a long one leaves
// little unused room.
constexpr int64_t kMinimumGrowth = 512;
constexpr int64_t kMaximumGrowth = 32768;

}  // namespace

size_t MidnightLongitudes::Slot(Span& span, int32_t day) {
  const auto size = static_cast<int64_t>(span.values.size());
  const int64_t offset = static_cast<int64_t>(day) - span.firstDay;
  if (size > 0 && offset >= 0 && offset < size) return static_cast<size_t>(offset);
  const int64_t growth = std::clamp(size, kMinimumGrowth, kMaximumGrowth);
  int64_t first = span.firstDay, last = span.firstDay + size - 1;
  if (size == 0) {
    first = day - kMinimumGrowth / 2;
    last = day + kMinimumGrowth / 2;
  } else if (offset < 0) {
    first = std::min<int64_t>(day, first - growth);
  } else {
    last = std::max<int64_t>(day, last + growth);
  }
  std::vector<double> values(static_cast<size_t>(last - first + 1), kUnknown);
  std::vector<PositionStatus> status(values.size(), PositionStatus::Known);
  std::vector<int8_t> retrograde(values.size(), -1);
  if (size > 0) {
    std::copy(span.values.begin(), span.values.end(), values.begin() + (span.firstDay - first));
    std::copy(span.status.begin(), span.status.end(), status.begin() + (span.firstDay - first));
    std::copy(span.retrograde.begin(), span.retrograde.end(), retrograde.begin() + (span.firstDay - first));
  }
  span.values = std::move(values);
  span.status = std::move(status);
  span.retrograde = std::move(retrograde);
  span.firstDay = static_cast<int32_t>(first);
  return static_cast<size_t>(day - first);
}

Position MidnightLongitudes::At(BodyIndex body, int32_t day) {
  const double jd = LocalMidnight(day, zone_).ut;
  if (body < 0 || static_cast<size_t>(body) >= kBodySlots) return positions_.Longitude(body, jd, zodiac_);
  Span& span = spans_[static_cast<size_t>(body)];
  size_t slot = Slot(span, day);
  if (std::isnan(span.values[slot])) {
    // A body computed together with others brings a block of their
    // midnights, each midnight's bodies in turn, up to the last day wanted;
    // beyond the end of the body's data the block stops.
    const uint32_t bit = 1u << body;
    const uint32_t bodies = (together_ & bit) != 0 ? together_ : bit;
    const int32_t last = bodies == bit ? day : std::max(day, std::min(day + kTogetherDays - 1, togetherThrough_));
    bool past = false;
    for (int32_t d = day; d <= last && !past; ++d) {
      const double at = d == day ? jd : LocalMidnight(d, zone_).ut;
      for (BodyIndex b = 0; static_cast<size_t>(b) < kBodySlots; ++b) {
        if ((bodies & (1u << b)) == 0) continue;
        Span& s = spans_[static_cast<size_t>(b)];
        const size_t k = Slot(s, d);
        if (!std::isnan(s.values[k])) continue;
        const Position position = positions_.Longitude(b, at, zodiac_);
        s.values[k] = position.longitude;
        s.status[k] = position.status;
        past = past || (b == body && !position.Known());
      }
    }
    ++changes_;
    slot = Slot(span, day);
  }
  return {span.status[slot], span.values[slot]};
}

// The most the half hour's step after a midnight differs from the same
// share of the step to the next midnight, a day of 23 to 25 hours later,
// radians: twice the most found every six hours over 1600 to 2799 (Mercury
// 3.68e-5, Venus 7.9e-6, Mars 2.82e-6, each after a day of 25 hours). 0 for
// a body whose retrograde test is not taken from its midnights.
double HalfHourBesideTheDay(BodyIndex body) {
  switch (body) {
    case Mercury: return 7.4e-5;
    case Venus: return 1.6e-5;
    case Mars: return 5.7e-6;
    default: return 0;
  }
}

std::optional<bool> MidnightLongitudes::RetroFromMidnights(BodyIndex body, int32_t day, Position atMidnight,
                                                           double jd) {
  const double slack = HalfHourBesideTheDay(body) + 1e-12;
  // The sidereal correction steps at a new year; a progressed chart's day
  // is not the sky's.
  if (slack <= 1e-12 || !atMidnight.Known() || zodiac_ != Zodiac::Tropical ||
      positions_.Moved().kind != ProgressionKind::Transit)
    return std::nullopt;
  // Only days of 23 to 25 hours were measured (a zone that once skipped a
  // date has a day of none).
  const double length = LocalMidnight(day + 1, zone_).ut - jd;
  if (!(length >= 23.0 / 24 - 1e-9 && length <= 25.0 / 24 + 1e-9)) return std::nullopt;
  const Position next = At(body, day + 1);
  if (!next.Known()) return std::nullopt;
  const double step = std::remainder(next.longitude - atMidnight.longitude, TwoPi) / (48 * length);
  // The half hour's step has the sign of the day's share beyond doubt, and
  // does not cross the 0/360 seam (which the test reads as prograde).
  const double later = atMidnight.longitude + step;
  if (std::fabs(step) <= slack || later - slack < 0 || later + slack >= TwoPi) return std::nullopt;
  return step < 0;
}

bool MidnightLongitudes::Retrograde(BodyIndex body, int32_t day) {
  // The luminaries never are: no position is needed to say so.
  if (body == Sun || body == Moon) return false;
  const double jd = LocalMidnight(day, zone_).ut;
  auto decide = [&] {
    // The step between two midnights already kept costs nothing: it is
    // tried first, and once.
    const bool kept = HasMidnight(body, day) && HasMidnight(body, day + 1);
    if (kept)
      if (const std::optional<bool> told = RetroFromMidnights(body, day, At(body, day), jd)) return *told;
    // Where the body's fits tell the half hour's step beyond doubt, from the
    // fitted midnight or else from the computed one, that is the mark.
    const FittedLongitude later = DecidesOnFits(body) ? FitAt(body, jd + 1.0 / 48) : FittedLongitude{};
    auto fromFits = [&](const FittedLongitude& atMidnight) -> std::optional<bool> {
      const FittedRetro told = RetroFromFits(atMidnight, later);
      if (told == FittedRetro::Undecided) return std::nullopt;
      return told == FittedRetro::Retrograde;
    };
    const FittedLongitude fitted = Fit(body, day);
    if (const std::optional<bool> told = fromFits(fitted)) return *told;
    const Position atMidnight = At(body, day);
    if (!kept)
      if (const std::optional<bool> told = RetroFromMidnights(body, day, atMidnight, jd)) return *told;
    // A midnight already computed was tried as its own fit.
    if (fitted.bound > 0 || !fitted.known)
      if (const std::optional<bool> told = fromFits({atMidnight.Known(), atMidnight.longitude, 0.0})) return *told;
    return positions_.RetroCheck(body, atMidnight, jd, zodiac_);
  };
  if (body < 0 || static_cast<size_t>(body) >= kBodySlots) return decide();
  Span& span = spans_[static_cast<size_t>(body)];
  if (const int8_t known = span.retrograde[Slot(span, day)]; known >= 0) return known == 1;
  // Deciding may keep the next midnight, moving the span.
  const bool retrograde = decide();
  span.retrograde[Slot(span, day)] = retrograde ? 1 : 0;
  return retrograde;
}

bool MidnightLongitudes::HasMidnight(BodyIndex body, int32_t day) const {
  if (body < 0 || static_cast<size_t>(body) >= kBodySlots) return false;
  const Span& span = spans_[static_cast<size_t>(body)];
  const int64_t offset = static_cast<int64_t>(day) - span.firstDay;
  return offset >= 0 && offset < static_cast<int64_t>(span.values.size()) &&
         !std::isnan(span.values[static_cast<size_t>(offset)]);
}

FittedLongitude MidnightLongitudes::Fit(BodyIndex body, int32_t day) {
  if (!useFits_) return {};
  // A midnight already computed is its own fit, without error.
  if (HasMidnight(body, day)) {
    const Span& span = spans_[static_cast<size_t>(body)];
    const auto offset = static_cast<size_t>(static_cast<int64_t>(day) - span.firstDay);
    if (span.status[offset] != PositionStatus::Known) return {};
    return {true, span.values[offset], 0.0};
  }
  return FitAt(body, LocalMidnight(day, zone_).ut);
}

bool MidnightLongitudes::TimesRootsOnFits(BodyIndex body, double jd) {
  if (!useFits_ || !FitsTimeRoots(body) || positions_.Moved().kind != ProgressionKind::Transit) return false;
  int& roots = roots_[rootFits_.SpanKey(body, jd)];
  if (roots >= kRootsBeforeFit) return true;
  ++roots;
  return false;
}

void MidnightLongitudes::Adopt(BodyIndex body, int32_t firstDay, const std::vector<Position>& values) {
  if (body < 0 || static_cast<size_t>(body) >= kBodySlots || values.empty()) return;
  ++changes_;
  Span& span = spans_[static_cast<size_t>(body)];
  // Both ends first, so that the span grows at most twice.
  Slot(span, firstDay);
  Slot(span, static_cast<int32_t>(firstDay + static_cast<int64_t>(values.size()) - 1));
  for (size_t k = 0; k < values.size(); ++k) {
    if (std::isnan(values[k].longitude) && values[k].Known()) continue;
    const size_t slot = Slot(span, static_cast<int32_t>(firstDay + static_cast<int64_t>(k)));
    span.values[slot] = values[k].longitude;
    span.status[slot] = values[k].status;
  }
}

void MidnightLongitudes::KeepOnly(BodyIndex first, BodyIndex second) {
  size_t slots = 0;
  for (const Span& span : spans_) slots += span.values.size();
  if (slots <= kKeptSlots) return;
  ++changes_;
  for (size_t body = 0; body < kBodySlots; ++body)
    if (static_cast<BodyIndex>(body) != first && static_cast<BodyIndex>(body) != second) spans_[body] = Span{};
}

std::optional<double> SharedSpeeds::Find(BodyIndex body, double jd, Zodiac zodiac) {
  std::lock_guard lock(mutex_);
  const auto found = speeds_.find({body, jd, zodiac});
  if (found == speeds_.end()) return std::nullopt;
  return found->second;
}

void SharedSpeeds::Put(BodyIndex body, double jd, Zodiac zodiac, double speed) {
  std::lock_guard lock(mutex_);
  if (speeds_.size() >= kKeptSpeeds) speeds_.clear();
  speeds_.try_emplace({body, jd, zodiac}, speed);
}

double MidnightLongitudes::Speed(BodyIndex body, double jd) {
  return skyloom::Kept(speeds_, kKeptSpeeds, {body, jd}, [&] {
    if (sharedSpeeds_)
      if (const std::optional<double> shared = sharedSpeeds_->Find(body, jd, zodiac_)) return *shared;
    double speed = 0;
    positions_.Longitude(body, jd, zodiac_, speed);
    if (sharedSpeeds_) sharedSpeeds_->Put(body, jd, zodiac_, speed);
    return speed;
  });
}

size_t MidnightLongitudes::Kept() const {
  size_t kept = 0;
  for (const Span& span : spans_)
    kept += static_cast<size_t>(
        std::count_if(span.values.begin(), span.values.end(), [](double v) { return !std::isnan(v); }));
  return kept;
}

}  // namespace skyloom
