#include "engine/positions.h"

#include <cmath>
#include <limits>

#include "engine/midnight_longitudes.h"
#include "engine/pluto_table.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"

namespace skyloom {
namespace {

// By BodyIndex; the Moon (10) is asked for on its own.
constexpr int32_t kLibraryBody[] = {0, 3, 1, 2, 4, 5, 6, 7, 8, 0, 0, 9, 10, 11};
constexpr int32_t kLibraryPluto = 12;
constexpr double kJ2000 = 2451545.0;

}  // namespace

int16_t CalendarYear(double jd) {
  int32_t year = 0, month = 0, day = 0, weekday = 0;
  julian_day(jd, "A", year, month, day, weekday);
  // Years outside 16 bits only arise far beyond any body's range.
  if (year > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (year < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(year);
}

double NormalizeAngle(double x) {
  if (!std::isfinite(x)) return 0.0;
  while (x < 0) x += TwoPi;
  while (x >= TwoPi) x -= TwoPi;
  return x;
}

double AyanamsaRadians(int16_t year) { return 0.416314 + (year - 2000) * 243.8 / 1000000; }

Position BodyPositions::Compute(BodyIndex body, double jd, Zodiac zodiac, double* speed, double* roughError,
                                double* reach) const {
  if (roughError) *roughError = 0;
  if (reach) *reach = 1;
  if (progression_.kind == ProgressionKind::Transit) return Sky(body, jd, zodiac, speed, roughError, reach);
  const double at = ProgressedInstant(progression_, jd);
  if (progression_.kind == ProgressionKind::Progressed) {
    const Position p = Sky(body, at, zodiac, speed, roughError, reach);
    if (speed) *speed /= DaysPerProgressedYear;
    return p;
  }
  // Directed: the natal position moved on by the progressed Sun's arc,
  // which is the same in either zodiac.
  const Position natal = Sky(body, progression_.birth, zodiac, nullptr);
  const Position sunThen = Sky(Sun, progression_.birth, Zodiac::Tropical, nullptr);
  const Position sunNow = Sky(Sun, at, Zodiac::Tropical, speed);
  for (const Position& p : {natal, sunThen, sunNow})
    if (!p.Known()) {
      if (speed) *speed = 0;
      return p;
    }
  if (speed) *speed /= DaysPerProgressedYear;
  return {PositionStatus::Known, NormalizeAngle(natal.longitude + sunNow.longitude - sunThen.longitude)};
}

Position BodyPositions::Sky(BodyIndex body, double jd, Zodiac zodiac, double* speed, double* roughError,
                            double* reach) const {
  ++evaluations_;
  Position result;
  double rate = 0;
  if (body == Pluto) {
    result = pluto_ ? pluto_->Longitude(jd, rate) : Position::Unknown(PositionStatus::AfterRange);
  } else if (body == Moon) {
    // The Moon is known for the days of Pluto's table only.
    const double n = std::floor(jd + 0.5);
    if (!(n >= FirstTableDay)) {
      result = Position::Unknown(PositionStatus::BeforeRange);
    } else if (n > LastTableDay) {
      result = Position::Unknown(PositionStatus::AfterRange);
    } else {
      result = library_.MoonLongitude(jd - kJ2000, speed ? &rate : nullptr);
    }
  } else if (roughError && !speed) {
    result = library_.RoughPlanetLongitude(kLibraryBody[body], jd, CalendarYear(jd), *roughError, reach);
  } else {
    result = library_.PlanetLongitude(kLibraryBody[body], jd, CalendarYear(jd), speed ? &rate : nullptr);
  }
  // The sidereal correction changes only from one calendar year to the next,
  // so it leaves the speed as it is.
  if (result.Known() && zodiac == Zodiac::Sidereal)
    result.longitude = NormalizeAngle(result.longitude - AyanamsaRadians(CalendarYear(jd)));
  if (speed) *speed = result.Known() ? rate : 0.0;
  return result;
}

Position BodyPositions::Longitude(BodyIndex body, double jd, Zodiac zodiac) const {
  return Compute(body, jd, zodiac, nullptr);
}

Position BodyPositions::Longitude(BodyIndex body, double jd, Zodiac zodiac, double& speed) const {
  return Compute(body, jd, zodiac, &speed);
}

Position BodyPositions::RoughLongitude(BodyIndex body, double jd, Zodiac zodiac, double& error,
                                       double* reach) const {
  return Compute(body, jd, zodiac, nullptr, &error, reach);
}

Position BodyPositions::StationLongitude(BodyIndex body, double jd, Zodiac zodiac, double& speed) const {
  const Position position = Compute(body, jd, zodiac, &speed);
  // The library's Pluto is the sky's, not a progressed chart's.
  if (body != Pluto || !position.Known() || progression_.kind != ProgressionKind::Transit) return position;
  ++evaluations_;
  double rate = 0;
  if (library_.PlanetLongitude(kLibraryPluto, jd, CalendarYear(jd), &rate).Known()) speed = rate;
  return position;
}

bool BodyPositions::IsRetrograde(BodyIndex body, double jd, Zodiac zodiac) const {
  if (body == Sun || body == Moon) return false;
  return RetroCheck(body, Longitude(body, jd, zodiac), jd, zodiac);
}

bool BodyPositions::RetroCheck(BodyIndex body, Position position, double jd, Zodiac zodiac) const {
  if (!position.Known() || body == Sun || body == Moon) return false;
  double l1 = position.longitude;
  const Position later = Longitude(body, jd + 1.0 / 48, zodiac);
  double l2 = later.longitude;
  if (!later.Known()) {
    // Half an hour on is past the body's data: the half hour before tells
    // the direction of its motion instead.
    const Position earlier = Longitude(body, jd - 1.0 / 48, zodiac);
    if (!earlier.Known()) return false;
    l2 = l1;
    l1 = earlier.longitude;
  }
  if (l1 < 0.1 || l2 < 0.1) {
    l1 += 3.0;
    l2 += 3.0;
  }
  const double diff = l2 - l1;
  if (std::fabs(diff) >= Pi) return false;
  return diff < 0;
}

RangeErrorCode RangeErrorOf(PositionStatus status, bool isA) {
  switch (status) {
    case PositionStatus::AfterRange: return isA ? -2 : -1;
    case PositionStatus::BeforeRange: return isA ? -4 : -3;
    default: return 0;
  }
}

std::string DateRangeMessage(RangeErrorCode code, BodyIndex bodyA, BodyIndex bodyB) {
  switch (code) {
    case -1: return "Date is beyond allowable date range for " + BodyNames[bodyB] + ".";
    case -2: return "Date is beyond allowable date range for " + BodyNames[bodyA] + ".";
    case -3: return "Date is prior to allowable date range for " + BodyNames[bodyB] + ".";
    case -4: return "Date is prior to allowable date range for " + BodyNames[bodyA] + ".";
    default: return {};
  }
}

namespace {

// The in-orb test with the longitudes fetched by longitude(body).
template <typename Longitude>
bool InOrb(const AspectTest& test, RangeErrorCode& code, Longitude longitude) {
  Position b{PositionStatus::Known, test.secondLongitude};
  if (test.world) {
    b = longitude(test.bodyB);
    if (!b.Known()) code = RangeErrorOf(b.status, false);
  }
  Position a;
  if (code == 0) {
    a = longitude(test.bodyA);
    if (!a.Known()) code = RangeErrorOf(a.status, true);
  }
  if (code < 0) return false;
  return std::fabs(AngularSeparation(a.longitude, b.longitude) - AspectTable[test.aspect].Angle) < test.orb;
}

}  // namespace

bool AspectInOrbAt(const BodyPositions& positions, const AspectTest& test, double jd, RangeErrorCode& code) {
  return InOrb(test, code, [&](BodyIndex body) { return positions.Longitude(body, jd, test.zodiac); });
}

int32_t AspectStateSearch(MidnightLongitudes& midnights, const AspectTest& test, int32_t startDay, bool& inOrbAtStart,
                          bool forward, bool wantedState, RangeErrorCode& code,
                          const std::function<void(int32_t)>& progress) {
  int32_t day = startDay;
  bool first = true;
  for (;;) {
    const bool inOrb = InOrb(test, code, [&](BodyIndex body) { return midnights.At(body, day); });
    if (code < 0) return day;
    if (first) {
      inOrbAtStart = inOrb;
      first = false;
    }
    if (inOrb == wantedState) {
      if (forward && wantedState) --day;
      return day;
    }
    day += forward ? 1 : -1;
    if (progress) progress(day);
  }
}

}  // namespace skyloom
