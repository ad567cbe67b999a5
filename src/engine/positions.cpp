#include "engine/positions.h"

#include <cmath>
#include <limits>

#include "calendar/date_format.h"
#include "engine/pluto_table.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"
#include "ports/window.h"

namespace skyloom {
namespace {

constexpr int32_t kLibraryBody[] = {0, 3, 1, 2, 4, 5, 6, 7, 8};

uint64_t evaluations = 0;

int16_t CalendarYear(double jd) {
  int32_t year = 0, month = 0, day = 0, weekday = 0;
  julian_day(jd, "A", year, month, day, weekday);
  // Years outside 16 bits only arise far beyond any body's range.
  if (year > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (year < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(year);
}

}  // namespace

double NormalizeAngle(double x) {
  if (!std::isfinite(x)) return 0.0;
  while (x < 0) x += TwoPi;
  while (x >= TwoPi) x -= TwoPi;
  return x;
}

double AyanamsaRadians(int16_t year) { return 0.416314 + (year - 2000) * 243.8 / 1000000; }

namespace {

double MoonLongitude(double jd, double* speed) {
  const double n = std::floor(jd + 0.5);
  if (!(n >= FirstTableDay)) return BeforeRange;
  if (n > LastTableDay) return AfterRange;
  return speed ? moon_motion(jd - 2451545.0, speed) : moon_position(jd - 2451545.0, nullptr, nullptr);
}

}  // namespace

double MoonLongitude(double jd) { return MoonLongitude(jd, nullptr); }

uint64_t PositionEvaluationCount() { return evaluations; }

namespace {

// speed is null when only the longitude is wanted.
double Longitude(BodyIndex body, double jd, double* speed) {
  ++evaluations;
  double result;
  double rate = 0;
  if (body == Pluto) {
    result = PlutoLongitude(jd, rate);
  } else if (body == Moon) {
    result = MoonLongitude(jd, speed ? &rate : nullptr);
  } else if (speed) {
    result = planet_geo_motion(kLibraryBody[body], jd, CalendarYear(jd), &rate);
  } else {
    double radius = 0;
    result = planet_geo_longitude(kLibraryBody[body], jd, CalendarYear(jd), &radius);
  }
  // The sidereal correction changes only from one calendar year to the next,
  // so it leaves the speed as it is.
  if (result >= 0 && SiderealFlag) result = NormalizeAngle(result - AyanamsaRadians(CalendarYear(jd)));
  if (speed) *speed = result >= 0 ? rate : 0.0;
  return result;
}

}  // namespace

double BodyLongitude(BodyIndex body, double jd) { return Longitude(body, jd, nullptr); }

double BodyLongitude(BodyIndex body, double jd, double& speed) { return Longitude(body, jd, &speed); }

double AngularSeparation(double a, double b) {
  double d1 = a - b;
  if (d1 < 0) d1 += TwoPi;
  double d2 = b - a;
  if (d2 < 0) d2 += TwoPi;
  return d1 <= d2 ? d1 : d2;
}

bool IsRetrograde(BodyIndex body, double jd) {
  if (body == Sun || body == Moon) return false;
  return RetroCheck(body, BodyLongitude(body, jd), jd);
}

bool RetroCheck(BodyIndex body, double longitude, double jd) {
  if (longitude < 0 || body == Sun || body == Moon) return false;
  double l1 = longitude;
  double l2 = BodyLongitude(body, jd + 1.0 / 48);
  if (l2 < 0) {
    // Half an hour on is past the body's data: the half hour before tells
    // the direction of its motion instead.
    l2 = l1;
    l1 = BodyLongitude(body, jd - 1.0 / 48);
    if (l1 < 0) return false;
  }
  if (l1 < 0.1 || l2 < 0.1) {
    l1 += 3.0;
    l2 += 3.0;
  }
  const double diff = l2 - l1;
  if (std::fabs(diff) >= Pi) return false;
  return diff < 0;
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

bool AspectInOrbAt(Window* window, BodyIndex bodyA, BodyIndex bodyB, double jd, AspectIndex aspect,
                   double orb, bool worldRun, double secondLongitude, bool showMessage,
                   RangeErrorCode& code) {
  double lb = secondLongitude;
  if (worldRun || secondLongitude < 0) {
    lb = BodyLongitude(bodyB, jd);
    if (lb < 0) code = std::trunc(lb) == AfterRange ? -1 : -3;
  }
  double la = 0;
  if (code == 0) {
    la = BodyLongitude(bodyA, jd);
    if (la < 0) code = std::trunc(la) == AfterRange ? -2 : -4;
  }
  if (code >= 0) return std::fabs(AngularSeparation(la, lb) - AspectTable[aspect].Angle) < orb;
  if (showMessage && window) {
    window->MessageBox({DateRangeMessage(code, bodyA, bodyB), "Error", MsgIcon::Exclamation});
  }
  return false;
}

int32_t AspectStateSearch(Window* window, int32_t startDay, bool& inOrbAtStart, bool forward,
                          bool wantedState, int16_t zoneMinutes, BodyIndex bodyA, BodyIndex bodyB,
                          AspectIndex aspect, double orb, bool worldRun, double secondLongitude,
                          bool showMessage, RangeErrorCode& code) {
  int32_t day = startDay;
  bool first = true;
  for (;;) {
    const bool inOrb = AspectInOrbAt(window, bodyA, bodyB, LocalMidnight(day, zoneMinutes), aspect, orb,
                                     worldRun, secondLongitude, showMessage, code);
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
    if (window) {
      const Control label = Ctl(ControlName::lblShortDate);
      window->SetText(label, FormatDayNumber(day));
      window->SetVisible(label, true);
      window->SetForeColor(label, Rgb{255, 255, 0});
      window->Repaint(label);
    }
  }
}

}  // namespace skyloom
