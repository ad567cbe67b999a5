#include "engine/longitude_fits.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/midnight_longitudes.h"
#include "engine/transit_search.h"
#include "ports/ephemeris.h"
#include "ports/program_folder.h"
#include "support/case_file.h"
#include "support/engine_setup.h"
#include "support/transit_runs.h"

namespace skyloom {
namespace {

using test::Day;
using test::TestPositions;

// The Moon and Pluto (1600 to 2099 only) as much as the planets.
constexpr BodyIndex kBodies[] = {Sun, Mercury, Venus, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto, Moon};

double RandomMidnight(std::mt19937_64& random, BodyIndex a, BodyIndex b) {
  const bool table = a == Pluto || a == Moon || b == Pluto || b == Moon;
  std::uniform_int_distribution<int32_t> day(Day(1600, 1, 2), table ? Day(2099, 12, 30) : Day(2799, 12, 30));
  std::uniform_int_distribution<int> minutes(-12 * 60, 14 * 60);  // the zones' offsets
  return day(random) - 0.5 - minutes(random) / 1440.0;
}

Zone ZoneOf(const std::string& name) { return name == "GMT" ? Zone::Fixed(0, "GMT") : *Zone::Named(name); }

double Off(const FittedLongitude& fit, const Position& exact) {
  return std::fabs(std::remainder(fit.longitude - exact.longitude, TwoPi));
}

// Two sets answer alike to the last bit, every 18 hours of [from, to).
void ExpectSameFits(LongitudeFits& a, LongitudeFits& b, std::initializer_list<BodyIndex> bodies, double from,
                    double to) {
  for (double jd = from; jd < to; jd += 0.75)
    for (const BodyIndex body : bodies) {
      const FittedLongitude x = a.At(body, jd), y = b.At(body, jd);
      ASSERT_TRUE(x.known && y.known) << BodyNames[body] << " " << jd;
      ASSERT_EQ(x.longitude, y.longitude) << BodyNames[body] << " " << jd;
      ASSERT_EQ(x.bound, y.bound) << BodyNames[body] << " " << jd;
    }
}

// Searches the run whole on the midnights given; the positions it cost.
uint64_t Searched(const BodyPositions& positions, const RunDescription& run, MidnightLongitudes& midnights,
                  RunResult& result) {
  const uint64_t before = positions.Evaluations();
  TransitTable table;
  table.Create(run.endDay - run.startDay + 1);
  test::TakeEverything take;
  SearchTransits(run, midnights, table, result, take);
  return positions.Evaluations() - before;
}

// At random midnights, pairs and orb limits a hair to degrees either side of
// the true deviation, every decision the fits take is the ephemeris' own,
// every fit within its bound, and most decisions need no ephemeris.
TEST(LongitudeFits, DecideAsTheEphemerisDoes) {
  std::mt19937_64 random(20261207);
  for (const Zodiac zodiac : {Zodiac::Tropical, Zodiac::Sidereal}) {
    LongitudeFits fits(TestPositions(), zodiac);
    int decided = 0, asked = 0;
    for (int i = 0; i < 2000; ++i) {
      const BodyIndex a = kBodies[random() % std::size(kBodies)], b = kBodies[random() % std::size(kBodies)];
      const double jd = RandomMidnight(random, a, b);
      const Position la = TestPositions().Longitude(a, jd, zodiac), lb = TestPositions().Longitude(b, jd, zodiac);
      const FittedLongitude fa = fits.At(a, jd), fb = fits.At(b, jd);
      ASSERT_TRUE(la.Known() && lb.Known() && fa.known && fb.known) << BodyNames[a] << " " << BodyNames[b] << " " << jd;
      for (const auto& [fit, exact, body] : {std::tuple{fa, la, a}, std::tuple{fb, lb, b}})
        ASSERT_LE(Off(fit, exact), fit.bound) << BodyNames[body] << " at " << jd;
      const AspectIndex aspect = static_cast<AspectIndex>(1 + random() % AspectCount);
      const double deviation = std::fabs(AngularSeparation(la.longitude, lb.longitude) - AspectTable[aspect].Angle);
      const double away = std::pow(10.0, -8.0 + 7.0 * std::uniform_real_distribution<>(0, 1)(random));
      const double orb = deviation + ((random() & 1) ? away : -away);
      const double fitted = std::fabs(AngularSeparation(fa.longitude, fb.longitude) - AspectTable[aspect].Angle);
      ++asked;
      if (std::fabs(fitted - orb) <= fa.bound + fb.bound) continue;
      ++decided;
      ASSERT_EQ(fitted < orb, deviation < orb) << BodyNames[a] << " " << BodyNames[b] << " at " << jd << " orb " << orb;
    }
    EXPECT_GT(decided, asked * 35 / 100) << "the fits' bounds are too wide to decide much";
  }
}

// Where a planet passes behind the Sun the ephemeris bends its light by
// seconds of arc within hours: a fit for decisions keeps 10" of room for
// it, one that times roots is refused, and any fit given holds its bound
// hour by hour through the day around.
TEST(LongitudeFits, HoldTheirBoundsBehindTheSun) {
  for (const FitSpans spans : {FitSpans::Decisions, FitSpans::Roots}) {
    LongitudeFits fits(TestPositions(), Zodiac::Tropical, spans);
    for (const test::CaseLine& line : test::ReadCases("engine/data/fits_behind_the_sun.txt")) {
      const BodyIndex body = test::BodyOfText(line[0]);
      const FittedLongitude passing = fits.At(body, std::stod(line[1]));
      EXPECT_EQ(passing.known, spans == FitSpans::Decisions) << line.where;
      if (passing.known) {
        EXPECT_GE(passing.bound, 5e-5) << line.where;
      }
      for (int hour = -12; hour <= 12; ++hour) {
        const double jd = std::stod(line[1]) + hour / 24.0;
        const FittedLongitude fit = fits.At(body, jd);
        if (!fit.known) continue;
        EXPECT_LE(Off(fit, TestPositions().Longitude(body, jd, Zodiac::Tropical)), fit.bound)
            << line.where << " at " << hour << " h, " << (spans == FitSpans::Roots ? "roots" : "decisions");
      }
    }
  }
}

// Mercury's fits for decisions follow its place: where it passes between the
// Earth and the Sun (its longitude swinging back by a degree and a half a
// day) they keep bounds of about a minute of arc, and hold them hour by hour
// through the week around; its longitude fitted over the same four months
// would be out by degrees.
TEST(LongitudeFits, MercurysPlaceHoldsItsBoundsBetweenTheEarthAndTheSun) {
  LongitudeFits fits(TestPositions(), Zodiac::Tropical);
  // Transits of Mercury (1631, 2016, 2019), an inferior conjunction far
  // from a node (2020), and where check_fits found a fit nearest its bound.
  for (const double passing : {2317080.9, 2457518.12, 2458799.14, 2459148.25, 2547210.67}) {
    for (int hour = -72; hour <= 72; ++hour) {
      const double jd = passing + hour / 24.0;
      const FittedLongitude fit = fits.At(Mercury, jd);
      ASSERT_TRUE(fit.known) << jd;
      EXPECT_LE(fit.bound, 100 / 206264.8) << jd;
      EXPECT_LE(Off(fit, TestPositions().Longitude(Mercury, jd, Zodiac::Tropical)), fit.bound) << jd;
    }
  }
}

// The fits a set makes on a thread of its own, with its own library.
LongitudeFits::Table MadeOnAnotherThread(const std::function<void(LongitudeFits&)>& make) {
  LongitudeFits::Table made;
  std::thread([&] {
    SwissEphemeris library(ExecutableFolder());
    const BodyPositions positions(library, &test::TestPluto());
    LongitudeFits there(positions, Zodiac::Tropical);
    make(there);
    made = there.Made();
  }).join();
  return made;
}

// Fits made on another thread (its own library, spans in another order,
// bodies together) and adopted answer bit for bit as a set's own, and spare
// it every span they cover; a span beyond them is made as ever.
TEST(LongitudeFits, AdoptedFromAnotherThreadAreTheOnesItWouldMake) {
  constexpr uint32_t kSlow = 1u << Jupiter | 1u << Saturn | 1u << Uranus | 1u << Neptune | 1u << Pluto;
  const double start = Day(1987, 3, 1) - 0.5;
  const int64_t first = LongitudeFits::SpanNumber(Jupiter, start, FitSpans::Decisions);
  const LongitudeFits::Table made = MadeOnAnotherThread([&](LongitudeFits& there) {
    there.MakeSpans(kSlow, first + 2, first + 3);
    there.MakeSpans(kSlow, first, first + 1);
  });
  ASSERT_EQ(made.fits.size(), 4u * 5u);
  for (const Zodiac zodiac : {Zodiac::Tropical, Zodiac::Sidereal}) {
    LongitudeFits adopting(TestPositions(), zodiac), own(TestPositions(), zodiac);
    adopting.Adopt(made);
    const double spansBegin = 2451545.0 + static_cast<double>(first) * 128;
    ExpectSameFits(adopting, own, {Jupiter, Saturn, Uranus, Neptune, Pluto}, spansBegin - 60, spansBegin + 4 * 128);
    // The 60 days before the table's first span are in a span of their own.
    EXPECT_EQ(adopting.SpansMade(), 5u);
    EXPECT_EQ(own.SpansMade(), 5u * 5u);
  }
}

// A run's set takes the fits put ahead where it lacks them, keeps its own
// where it has them, and tells how far it has come.
TEST(LongitudeFits, TakesFitsMadeAheadWhereItLacksThem) {
  const double start = Day(2031, 5, 1) - 0.5;
  const int64_t first = LongitudeFits::SpanNumber(Mercury, start, FitSpans::Decisions);
  const LongitudeFits::Table made = MadeOnAnotherThread(
      [&](LongitudeFits& there) { there.MakeSpans(1u << Mercury | 1u << Venus, first + 2, first + 3); });
  FitsAhead ahead;
  LongitudeFits taking(TestPositions(), Zodiac::Sidereal), own(TestPositions(), Zodiac::Sidereal);
  taking.TakeAhead(&ahead);
  const double begin = LongitudeFits::SpanStart(Mercury, first, FitSpans::Decisions);
  const double days = LongitudeFits::SpanDays(Mercury, FitSpans::Decisions);
  // The first span is made before the table comes with a changed fit of it.
  ASSERT_TRUE(taking.At(Mercury, begin + 1).known);
  EXPECT_TRUE(ahead.Reached(begin + 1));
  EXPECT_FALSE(ahead.Reached(begin + 2));
  const int64_t firstKey = taking.SpanKey(Mercury, begin + 1);
  LongitudeFits::Fits put = made.fits;
  put[firstKey].bound = 1;
  ahead.Put(std::move(put));
  ExpectSameFits(taking, own, {Mercury}, begin, begin + 4 * days);
  // Its own fit of the first span stayed.
  const FittedLongitude again = taking.At(Mercury, begin + 1);
  EXPECT_TRUE(again.known);
  EXPECT_EQ(again.bound, own.At(Mercury, begin + 1).bound);
  EXPECT_EQ(taking.SpansMade(), 2u);
  EXPECT_EQ(own.SpansMade(), 4u);
  EXPECT_TRUE(ahead.Reached(begin + days));
  EXPECT_FALSE(ahead.Reached(begin + 2 * days));
}

// The rough Sun, stepped six hours at a time through a year and a half from
// dates across the range, stays within 0.08 degrees of the ephemeris' (0.074
// at the range's ends): the test for a pass near the Sun leaves it 0.1.
TEST(RoughSun, FollowsTheSunStepByStep) {
  double worst = 0;
  for (const double start : {2305447.5, 2400000.25, 2451545.0, 2600000.5, 2743000.5}) {
    RoughSun sun(start, 0.25);
    for (int k = 0; k <= 4 * 550; ++k, sun.Next()) {
      const Position exact = TestPositions().Longitude(Sun, start + k * 0.25, Zodiac::Tropical);
      ASSERT_TRUE(exact.Known());
      worst = std::max(worst, std::fabs(std::remainder(sun.Longitude() - exact.longitude, TwoPi)));
    }
  }
  EXPECT_LT(worst * 180 / Pi, 0.08);
}

// Bodies whose midnights are computed together each get what they get
// alone: forwards and back, over days of 23 and 25 hours, across the end of
// the Moon's data and beyond the last day wanted, where blocks are cut.
TEST(MidnightLongitudes, BodiesComputedTogetherGetWhatEachGetsAlone) {
  const Zone zone = *Zone::Named("Europe/Berlin");
  MidnightLongitudes together(TestPositions(), zone, Zodiac::Tropical), alone(TestPositions(), zone, Zodiac::Tropical);
  together.ComputesTogether(1u << Sun | 1u << Mercury | 1u << Mars | 1u << Moon, Day(2101, 1, 20));
  const std::array bodies{Sun, Mercury, Mars, Moon, Jupiter};
  std::vector<int32_t> days;
  for (int32_t d = Day(2024, 3, 20); d < Day(2024, 3, 20) + 150; d += 3) days.push_back(d);
  for (int32_t d = Day(2024, 11, 10); d > Day(2024, 9, 1); d -= 2) days.push_back(d);
  for (int32_t d = Day(2100, 12, 1); d < Day(2101, 2, 28); ++d) days.push_back(d);
  int unknown = 0;
  for (size_t i = 0; i < days.size(); ++i) {
    const BodyIndex body = bodies[i % bodies.size()];
    const Position a = together.At(body, days[i]), b = alone.At(body, days[i]);
    ASSERT_EQ(a.status, b.status) << BodyNames[body] << " on day " << days[i];
    if (b.Known()) {
      ASSERT_EQ(a.longitude, b.longitude) << BodyNames[body] << " on day " << days[i];
    } else {
      ++unknown;
    }
  }
  EXPECT_GT(unknown, 0);
}

// Speeds asked again cost no position, until so many are kept that all go.
TEST(MidnightLongitudes, SpeedsAskedAgainAreKept) {
  for (const Zodiac zodiac : {Zodiac::Tropical, Zodiac::Sidereal}) {
    MidnightLongitudes midnights(TestPositions(), Zone::Fixed(0, "GMT"), zodiac);
    for (const BodyIndex body : {Sun, Mercury, Pluto, Moon}) {
      const double jd = Day(2031, 9, 24) + 0.0423;
      double speed = 0;
      TestPositions().Longitude(body, jd, zodiac, speed);
      const uint64_t before = TestPositions().Evaluations();
      EXPECT_EQ(midnights.Speed(body, jd), speed) << BodyNames[body];
      EXPECT_EQ(midnights.Speed(body, jd), speed) << BodyNames[body];
      EXPECT_EQ(TestPositions().Evaluations() - before, 1u) << BodyNames[body];
      EXPECT_NE(midnights.Speed(Venus, jd), midnights.Speed(body, jd));
    }
  }
  MidnightLongitudes midnights(TestPositions(), Zone::Fixed(0, "GMT"), Zodiac::Tropical);
  const double first = Day(2000, 1, 1);
  for (size_t k = 0; k <= MidnightLongitudes::kKeptSpeeds; ++k) midnights.Speed(Pluto, first + 0.001 * k);
  const uint64_t before = TestPositions().Evaluations();
  midnights.Speed(Pluto, first);
  EXPECT_EQ(TestPositions().Evaluations() - before, 1u);
}

// Speeds shared between threads are computed once, on whichever asks
// first: another thread's midnights, with their own ephemeris, take them
// without a position, in that zodiac only, and equal to their own.
TEST(MidnightLongitudes, SpeedsSharedBetweenThreadsAreComputedOnce) {
  auto shared = std::make_shared<SharedSpeeds>();
  const std::array<double, 3> instants{Day(1994, 3, 2) + 0.31, Day(2031, 9, 24) + 0.0423, Day(2250, 5, 17) + 0.9};
  // Speeds asked on a thread of its own, and the positions that cost there.
  auto ask = [&](Zodiac zodiac, std::vector<double>& speeds, uint64_t& evaluations, bool sharing) {
    std::thread([&] {
      SwissEphemeris library(ExecutableFolder());
      const BodyPositions positions(library, &test::TestPluto());
      MidnightLongitudes midnights(positions, Zone::Fixed(0, "GMT"), zodiac);
      if (sharing) midnights.ShareSpeeds(shared);
      for (const BodyIndex body : {Mercury, Jupiter})
        for (const double jd : instants) speeds.push_back(midnights.Speed(body, jd));
      evaluations = positions.Evaluations();
    }).join();
  };
  std::vector<double> first, second, sidereal, alone;
  uint64_t firstCost = 0, secondCost = 0, siderealCost = 0, aloneCost = 0;
  ask(Zodiac::Tropical, first, firstCost, true);
  ask(Zodiac::Tropical, second, secondCost, true);
  ask(Zodiac::Sidereal, sidereal, siderealCost, true);
  ask(Zodiac::Tropical, alone, aloneCost, false);
  EXPECT_EQ(firstCost, 6u);
  EXPECT_EQ(secondCost, 0u);
  EXPECT_EQ(siderealCost, 6u);
  EXPECT_EQ(aloneCost, 6u);
  EXPECT_EQ(second, first);
  EXPECT_EQ(alone, first);
}

// The swifter planets' retrograde marks come from their steps to the next
// midnight where those tell the half hour's direction beyond doubt: each the
// test's own answer, on days of 23 and 25 hours too, most without a position.
TEST(MidnightRetrograde, TakenFromTheDayAsTheTestGivesIt) {
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<int32_t> anyDay(Day(1600, 1, 2), Day(2799, 12, 30));
  int spared = 0, asked = 0;
  for (const char* zoneName : {"GMT", "Europe/Berlin", "America/New_York"}) {
    const Zone zone = ZoneOf(zoneName);
    MidnightLongitudes midnights(TestPositions(), zone, Zodiac::Tropical);
    std::vector<int32_t> days = {Day(2024, 3, 31), Day(2024, 10, 27), Day(2024, 3, 10), Day(2024, 11, 3)};
    for (int i = 0; i < 1200; ++i) days.push_back(anyDay(random));
    for (size_t i = 0; i < days.size() * 3; ++i) {
      const BodyIndex body = std::array{Mercury, Venus, Mars}[i % 3];
      const int32_t day = days[i / 3];
      const Position at = midnights.At(body, day);
      midnights.At(body, day + 1);
      const uint64_t before = TestPositions().Evaluations();
      const bool told = midnights.Retrograde(body, day);
      spared += TestPositions().Evaluations() == before;
      ++asked;
      ASSERT_EQ(told, TestPositions().RetroCheck(body, at, LocalMidnight(day, zone).ut, Zodiac::Tropical))
          << BodyNames[body] << " on day " << day << " at " << zoneName;
    }
  }
  EXPECT_GT(spared, asked * 8 / 10) << "most marks should need no position beyond the midnights";
}

// The library's longitudes with a ripple of an arc minute every three days,
// which no fit over weeks follows: a decision that ignores the fits' bounds
// shows in the rows.
class RippledEphemeris : public EphemerisLibrary {
 public:
  Position PlanetLongitude(int32_t body, double jd, int32_t year, double* speed) override {
    return Rippled(real_.PlanetLongitude(body, jd, year, speed), jd, speed);
  }
  Position MoonLongitude(double daysSinceJ2000, double* speed) override {
    return Rippled(real_.MoonLongitude(daysSinceJ2000, speed), daysSinceJ2000, speed);
  }

 private:
  static Position Rippled(Position p, double jd, double* speed) {
    if (!p.Known()) return p;
    constexpr double kSize = 0.0003, kPeriod = 3.0;
    p.longitude = NormalizeAngle(p.longitude + kSize * std::sin(TwoPi * jd / kPeriod));
    if (speed) *speed += kSize * TwoPi / kPeriod * std::cos(TwoPi * jd / kPeriod);
    return p;
  }
  SwissEphemeris real_{ExecutableFolder()};
};

// In a run of its own a body's mark comes from its fits where they tell the
// half hour's step beyond their bounds: every mark the test's own, most of
// the swifter planets' without a position (a slow body's step is within).
TEST(MidnightRetrograde, TakenFromTheFitsWhereTheyTellIt) {
  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<int32_t> anyDay(Day(1600, 1, 2), Day(2799, 10, 1));
  const Zone zone = Zone::Fixed(0, "GMT");
  int spared = 0, asked = 0, retrograde = 0;
  for (const BodyIndex body : {Mercury, Venus, Mars, Jupiter, Saturn, Chiron}) {
    MidnightLongitudes midnights(TestPositions(), zone, Zodiac::Tropical);
    for (int stretch = 0; stretch < 8; ++stretch) {
      const int32_t first = anyDay(random);
      for (int32_t day = first; day < first + 90; ++day) {
        const double jd = LocalMidnight(day, zone).ut;
        const uint64_t before = TestPositions().Evaluations();
        const bool told = midnights.Retrograde(body, day);
        if (body <= Mars) {
          spared += TestPositions().Evaluations() == before;
          ++asked;
          retrograde += told;
        }
        ASSERT_EQ(told, TestPositions().RetroCheck(body, TestPositions().Longitude(body, jd, Zodiac::Tropical), jd,
                                                   Zodiac::Tropical))
            << BodyNames[body] << " on day " << day;
      }
    }
  }
  EXPECT_GT(retrograde, asked / 10) << "too few retrograde days to tell anything";
  // About three in four (Mercury's retrograde loops lie near the Sun, where
  // its fits' bounds are widest).
  EXPECT_GT(spared, asked * 7 / 10) << "most marks should need no position";
}

// A fit of fitted_steps.txt: a longitude the sum of its words.
FittedLongitude FitOf(const std::string& field, const std::string& bound) {
  FittedLongitude fit{!field.starts_with("unknown"), 0.0, std::stod(bound)};
  std::istringstream words(field);
  for (std::string word; words >> word;)
    fit.longitude += word == "turn" ? TwoPi : word == "half" ? Pi : word == "unknown" ? 0.0 : std::stod(word);
  return fit;
}

TEST(MidnightRetrograde, TheFitsTellTheStepBeyondBothBounds) {
  const char* const told[] = {"Prograde", "Retrograde", "Undecided"};
  for (const test::CaseLine& c : test::ReadCases("engine/data/fitted_steps.txt"))
    EXPECT_EQ(told[static_cast<int>(RetroFromFits(FitOf(c[0], c[1]), FitOf(c[2], c[3])))], std::string(c[4]))
        << c.where;
}

// Random runs give the same rows to the last bit with fits as without, on
// the library's longitudes and on rippled ones; the fits spare positions.
TEST(LongitudeFits, RunsFindWhatTheEphemerisAloneFinds) {
  RippledEphemeris rippled;
  const BodyPositions rippledPositions(rippled, &test::TestPluto());
  for (const BodyPositions* positions : {&TestPositions(), &rippledPositions}) {
    std::mt19937_64 random(42);
    const char* zones[] = {"GMT", "Europe/Berlin", "America/New_York"};
    std::array<uint64_t, 2> withFits{}, withoutFits{};
    for (int i = 0; i < 24; ++i) {
      RunDescription run;
      run.world = i % 2 == 0;
      // The slow bodies, and in every other run the Sun to Mars.
      const BodyIndex first = i % 4 >= 2 ? Sun : Jupiter, count = i % 4 >= 2 ? 4 : 5;
      run.bodies[0] = static_cast<BodyIndex>(first + random() % count);
      do run.bodies[1] = static_cast<BodyIndex>(first + random() % count);
      while (run.bodies[1] == run.bodies[0]);
      run.natalLongitude = std::uniform_real_distribution<>(0, TwoPi)(random);
      const int16_t outer = static_cast<int16_t>(7 + random() % 8);
      run.orbs.Set(outer, static_cast<int16_t>(outer - 3), static_cast<int16_t>(1 + random() % 2));
      run.aspects = i % 3 == 0 ? AspectSet::All() : AspectSet::Major();
      run.zodiac = !run.world && i % 4 == 1 ? Zodiac::Sidereal : Zodiac::Tropical;
      const std::string zone = zones[random() % std::size(zones)];
      run.zone = ZoneOf(zone);
      run.startDay = static_cast<int32_t>(RandomMidnight(random, run.bodies[0], run.bodies[1]) + 1);
      run.endDay = run.startDay + 200 + static_cast<int32_t>(random() % 600);

      RunResult with = ResultOf(run), without = ResultOf(run);
      for (RunResult* result : {&with, &without}) {
        MidnightLongitudes midnights(*positions, run.zone, run.zodiac);
        midnights.UseFits(result == &with);
        (result == &with ? withFits : withoutFits)[i % 4 >= 2] += Searched(*positions, run, midnights, *result);
      }
      const std::string what = BodyNames[run.bodies[0]] + (run.world ? " to " : " to natal ") +
                               BodyNames[run.bodies[1]] + " from day " + std::to_string(run.startDay) + " in " + zone;
      EXPECT_TRUE(test::SameTransits(with.transits, without.transits)) << what;
    }
    if (positions == &TestPositions()) {
      EXPECT_LT(withFits[0], withoutFits[0]);
      EXPECT_LT(withFits[1], withoutFits[1]);
    }
  }
}

// A chart's worth of runs of the swifter bodies sharing their midnights, as
// a series does, times its roots on the fits: every date and minute still
// the ephemeris' own, on rippled longitudes too.
TEST(LongitudeFits, TimeRootsAsTheEphemerisDoes) {
  RippledEphemeris rippled;
  const BodyPositions rippledPositions(rippled, &test::TestPluto());
  std::mt19937_64 random(7);
  for (const BodyPositions* positions : {&TestPositions(), &rippledPositions}) {
    for (const char* zoneName : {"GMT", "Europe/Berlin"}) {
      const Zone zone = ZoneOf(zoneName);
      const auto start = static_cast<int32_t>(RandomMidnight(random, Sun, Mars) + 1);
      MidnightLongitudes withFits(*positions, zone, Zodiac::Tropical), withoutFits(*positions, zone, Zodiac::Tropical);
      withoutFits.UseFits(false);
      std::array<uint64_t, 2> evaluations{};
      for (int k = 0; k < 48; ++k) {
        RunDescription run;
        run.world = k % 8 == 7;
        run.bodies = {static_cast<BodyIndex>(Sun + k % 4), static_cast<BodyIndex>(Mars - k % 3)};
        run.natalLongitude = std::uniform_real_distribution<>(0, TwoPi)(random);
        run.orbs.Set(10, 5, 3);
        run.aspects = AspectSet::All();
        run.zone = zone;
        run.startDay = start;
        run.endDay = start + 240;
        RunResult with = ResultOf(run), without = ResultOf(run);
        evaluations[0] += Searched(*positions, run, withFits, with);
        evaluations[1] += Searched(*positions, run, withoutFits, without);
        ASSERT_FALSE(with.transits.empty());
        EXPECT_TRUE(test::SameTransits(with.transits, without.transits))
            << BodyNames[run.bodies[0]] << (run.world ? " to " : " to natal ") << BodyNames[run.bodies[1]]
            << " from day " << start << " in " << zoneName;
      }
      // A fifth fewer positions with the fits.
      if (positions == &TestPositions()) {
        EXPECT_LT(evaluations[0] * 5, evaluations[1] * 4) << zoneName << " " << evaluations[0] << " " << evaluations[1];
      }
    }
  }
}

}  // namespace
}  // namespace skyloom
