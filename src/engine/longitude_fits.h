// Chebyshev fits of the bodies' longitudes over spans of days, each with the
// most it can differ from the ephemeris there, measured when it is made.
//
// Most of what a run decides from a position is which side of a limit it
// lies on: within an orb at a midnight or not, retrograde or not. A fit
// answers that for the price of a few multiplications wherever its value is
// farther from the limit than its bound; only the rest goes to the
// ephemeris, so every decision is the ephemeris' own. Values that reach a
// report (minutes, deviations) always come from the ephemeris.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/positions.h"

namespace skyloom {

class FitsAhead;

// A longitude from a fit: radians in [0, 2*pi), within bound of the
// ephemeris' own (tropical or sidereal as the fits were asked for).
// Unknown where no fit covers the instant (the ends of a body's data).
struct FittedLongitude {
  bool known = false;
  double longitude = 0.0;
  double bound = 0.0;
};

// What a set of fits is for: deciding at midnights, over spans as long as
// their bounds allow (weeks); or timing roots to the minute, over 8 days,
// within a few thousandths of an arc second.
enum class FitSpans { Decisions, Roots };

// The fits of one zodiac, made from positions as they are first asked for
// and kept while the object lives. Not for sharing between threads: each
// series has its own, which may adopt fits made on other threads.
class LongitudeFits {
 public:
  LongitudeFits(const BodyPositions& positions, Zodiac zodiac, FitSpans spans = FitSpans::Decisions)
      : positions_(positions), zodiac_(zodiac), spans_(spans) {
    made_.spans = spans;
  }
  // It keeps pointers into its own table.
  LongitudeFits(const LongitudeFits&) = delete;
  LongitudeFits& operator=(const LongitudeFits&) = delete;

  FittedLongitude At(BodyIndex body, double jd);
  // The body's span holding jd, as a key unique among all bodies' spans.
  int64_t SpanKey(BodyIndex body, double jd) const;

  // Spans fitted so far, over all bodies (not counting those adopted).
  uint64_t SpansMade() const { return spansMade_; }

  // Makes spans first to last of each body in the mask (bit n for body n)
  // whose spans are as long as the first's, as At would make them.
  void MakeSpans(uint32_t bodies, int64_t first, int64_t last);

  // The number of the span of that kind holding jd (its days since the
  // epoch over the span's length), as MakeSpans counts them.
  static int64_t SpanNumber(BodyIndex body, double jd, FitSpans spans);
  // The instant span number `span` of that kind begins.
  static double SpanStart(BodyIndex body, int64_t span, FitSpans spans);

  // The span a body's fits cover, in days, and the nodes of a fit over it
  // (its degree is one less): 12 over a few days, 16 over weeks, 28 for
  // Mercury's decisions over four months, and 12 for the Sun's over
  // thirteen.
  double SpanDays(BodyIndex body) const { return SpanDays(body, spans_); }
  static double SpanDays(BodyIndex body, FitSpans spans);
  static constexpr int kMostNodes = 28;
  static int Nodes(BodyIndex body, FitSpans spans);
  // Whether a body's fits follow its place on the ecliptic (the point at its
  // longitude and distance, each coordinate a series) rather than its
  // longitude: Mercury's for decisions. Seen from the Earth, Mercury swings
  // through its longitude as it passes between the Earth and the Sun, far
  // more sharply than it moves in space; its place stays smooth, and a fit
  // of it follows four months as closely as one of the longitude two.
  static bool FitsPlace(BodyIndex body, FitSpans spans) { return body == Mercury && spans == FitSpans::Decisions; }
  // Whether two bodies' fits are made at the same instants.
  static bool MadeTogether(BodyIndex a, BodyIndex b, FitSpans spans) {
    return SpanDays(a, spans) == SpanDays(b, spans) && Nodes(a, spans) == Nodes(b, spans) &&
           FitsPlace(a, spans) == FitsPlace(b, spans);
  }

  // A body's fit over one span.
  struct Fit {
    bool usable = false;
    bool nearTheSun = false;
    bool place = false;  // FitsPlace
    int nodes = 0;
    double bound = 0.0;
    // The longitude's series; for a place, the series of its two
    // coordinates on the ecliptic, one after the other.
    std::vector<double> coefficients;
    // The fitted longitude at x in [-1, 1] over the span, radians, not
    // reduced to one turn.
    double Longitude(double x) const;
  };
  using Fits = std::unordered_map<int64_t, Fit>;
  // Every fit a set made, which another set may adopt.
  struct Table {
    FitSpans spans = FitSpans::Decisions;
    // By body and span number (days since the epoch over the span's length).
    Fits fits;
    // The parts of spans that come near the Sun, by body and part number.
    Fits nearTheSun;
  };
  const Table& Made() const { return made_; }
  // Takes the fits another set made (on another thread, over spans of the
  // same kind; fits are tropical, so of any zodiac) where this one has none
  // of its own: made of the same ephemeris' positions at the same instants,
  // they are the fits this set would make.
  void Adopt(const Table& other);
  // Fits for decisions made ahead by another thread: a span this set lacks
  // is looked for there before it is made here (nullptr: none).
  void TakeAhead(FitsAhead* ahead) { ahead_ = ahead; }

 private:
  // Makes span number `span` of each body in the mask (bit n for body n).
  void Make(int64_t span, double days, uint32_t bodies, Fits& into);
  // The fit of the span of that length holding jd, made if need be, and
  // its span number.
  const Fit& Find(BodyIndex body, double jd, double days, Fits& in, int64_t& span);
  // A span of a fit timing roots that comes near the Sun is fitted again
  // in parts this long, of which only those nearest the Sun go without.
  static constexpr double kNearTheSunDays = 2.0;

  const BodyPositions& positions_;
  Zodiac zodiac_;
  FitSpans spans_;
  Table made_;
  uint64_t spansMade_ = 0;
  // By body: the position at the end of the span it had made last.
  struct SpanEnd {
    double at = std::numeric_limits<double>::quiet_NaN();
    Position position;
    double error = 0, reach = 1;
  };
  std::array<SpanEnd, LastBody + 1> lastEnd_{};
  // By body: the fit for decisions read last, and its span number.
  struct LastRead {
    int64_t span = 0;
    const Fit* fit = nullptr;
  };
  std::array<LastRead, LastBody + 1> lastRead_{};
  // Bodies asked for so far (bit n for body n).
  uint32_t asked_ = 0;
  FitsAhead* ahead_ = nullptr;
};

// Fits for decisions handed from a thread that makes them ahead of a run to
// the run's own set (LongitudeFits::TakeAhead), which tells it how far the
// run has come: the maker skips the spans the run, making those it finds
// missing, has reached.
class FitsAhead {
 public:
  // The maker's side: fits made (of the same ephemeris; any zodiac, as
  // LongitudeFits::Adopt takes them).
  void Put(LongitudeFits::Fits&& made);
  // Whether the run has asked for a span at or beyond jd.
  bool Reached(double jd) const { return reached_.load(std::memory_order_relaxed) >= jd; }
  // The run's side: it asks at jd for a fit it lacks; what was put since
  // the last call goes into `into`, where a fit it holds already stays.
  void TakeInto(double jd, LongitudeFits::Fits& into);

 private:
  std::atomic<double> reached_{-std::numeric_limits<double>::infinity()};
  std::atomic<bool> waiting_{false};
  std::mutex mutex_;
  LongitudeFits::Fits put_;
};

// Whether deciding on fits spares positions: for every body but the Moon
// (whose fits, over two days, pay nowhere). The slow bodies' fits span
// months at a fraction of a position a day; a swifter body's (four months,
// the Sun's thirteen) cost a quarter of its midnights (Mercury's) to a
// twenty-fourth (the Sun's). A whole chart's series, whose runs share the
// body's midnights, needs those of the days some run cannot judge on the
// fits alone: a decade's whole chart took 1,187 M instructions with the Sun
// to Mars deciding on fits, against 1,265 M with every midnight of theirs.
constexpr bool FitsPay(BodyIndex body) { return body >= Sun && body <= LastBody && body != Moon; }

// Whether a body's fits time its roots (the crossings of orbs) to the
// minute: the planets from the ephemeris, whose 8-day fits err by
// thousandths of an arc second (Pluto comes from its table, the Moon
// moves too far in 8 days).
constexpr bool FitsTimeRoots(BodyIndex body) { return body >= Sun && body <= Neptune; }

// The Sun's longitude to a few hundredths of a degree (its mean longitude
// and the equation of the centre), enough to tell how near it a body comes:
// at instants a fixed step apart, its anomaly turned on by the step's angle
// each time rather than its sine taken afresh. Radians, not reduced to one
// turn.
class RoughSun {
 public:
  RoughSun(double jd, double step)
      : days_(jd - kJ2000),
        step_(step),
        sine_(std::sin(Anomaly(days_))),
        cosine_(std::cos(Anomaly(days_))),
        stepSine_(std::sin(0.9856003 * step * Pi / 180)),
        stepCosine_(std::cos(0.9856003 * step * Pi / 180)) {}
  double Longitude() const {
    const double meanLongitude = (280.460 + 0.9856474 * days_) * Pi / 180;
    return meanLongitude + (1.915 * sine_ + 0.040 * sine_ * cosine_) * Pi / 180;
  }
  void Next() {
    days_ += step_;
    const double sine = sine_ * stepCosine_ + cosine_ * stepSine_;
    cosine_ = cosine_ * stepCosine_ - sine_ * stepSine_;
    sine_ = sine;
  }

 private:
  static double Anomaly(double days) { return (357.528 + 0.9856003 * days) * Pi / 180; }
  static constexpr double kJ2000 = 2451545.0;
  double days_, step_, sine_, cosine_, stepSine_, stepCosine_;
};

// How the retrograde test of a body that can be retrograde (not the Sun,
// not the Moon) comes out from its longitudes at jd and half an hour later,
// each a fit or a position (of bound 0): decided, as BodyPositions::RetroCheck
// decides, or left to the ephemeris where the step between them is within
// their bounds, or either lies within them of the 0/360 seam, or the step
// of half a turn.
enum class FittedRetro { Prograde, Retrograde, Undecided };
FittedRetro RetroFromFits(const FittedLongitude& atJd, const FittedLongitude& halfHourLater);

}  // namespace skyloom
