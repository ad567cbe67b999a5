#include "engine/transit_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "engine/day_minima.h"
#include "engine/exact_time.h"
#include "engine/longitude_fits.h"
#include "engine/midnight_longitudes.h"
#include "engine/positions.h"
#include "engine/roots.h"
#include "engine/transit_approach.h"

namespace skyloom {
namespace {

constexpr double kNoMinimum = 10.0;

// In-orb flags by aspect (1..AspectCount) and orb, at the midnights starting
// D and D + 1.
using OrbFlags = std::array<std::array<std::array<bool, 2>, 3>, AspectCount + 1>;

void ClearOrbFlags(OrbFlags& flags) {
  for (auto& aspect : flags)
    for (auto& orb : aspect) orb = {false, false};
}

// Where an aspect's transit under way has its rows: from row 0 of its own
// table on, one per minimum, with the rows that the next middle-orb entry
// (P2), inner-orb entry (P3), minimum (P4), inner-orb exit (P5) and
// middle-orb exit (P6) go to; and the smallest deviation of the pass so
// far, with its instant, for a closest approach.
struct TransitCursor {
  int32_t P2 = 0, P3 = 0, P4 = 0, P5 = 0, P6 = 0;
  double MinDeviation = kNoMinimum;
  double MinInstant = 0;
  // A smallest deviation taken on a day judged from fits lies at the
  // midnight starting pendingDay (the instant MinInstant), on that side of
  // the aspect; its value, within pendingBound of pendingFit, is computed
  // only when wanted.
  bool pending = false;
  int32_t pendingDay = 0;
  int pendingSide = 1;
  double pendingFit = 0, pendingBound = 0;

  void ResetPasses() { P2 = P3 = P4 = P5 = P6 = 0; }
};

// One aspect's transit under way. Every aspect of a run keeps its own: two
// aspects a few degrees apart can both be within their orbs on one day.
struct AspectTrack {
  TransitTable rows;
  TransitCursor cursor;
  // In some orb since `since` (the day of the outer-orb entry, or the first
  // day judged), and not yet out of the outer orb again.
  bool open = false;
  int32_t since = 0;
};

// A transit out of its outer orb (or cut by the end of the period) that
// waits to be handed over.
struct FinishedTransit {
  int32_t since = 0;
  AspectIndex aspect = 0;
  std::vector<TransitRowData> rows;
};

// The run's aspects whose outer orb its pair can ever reach: two bodies of
// the transiting sky that keep near the Sun (the Sun, Mercury, Venus) stand
// no farther apart than their greatest elongations together. The others
// hold no transit, and need no walk.
std::vector<AspectIndex> ReachableAspects(const RunDescription& run, const BodyPositions& positions) {
  std::vector<AspectIndex> aspects = run.aspects.List();
  if (!run.world || positions.Moved().kind != ProgressionKind::Transit) return aspects;
  const double widest = GreatestElongation(run.bodies[0]) + GreatestElongation(run.bodies[1]);
  std::erase_if(aspects, [&](AspectIndex a) { return AspectTable[a].Angle - run.orbs.OrbRadians[0] > widest; });
  return aspects;
}

// The midnights the walk keeps: those starting D - 1, D, D + 1 and D + 2.
constexpr int kSamples = 4;
// Indexes of the two midnights that bound day D.
constexpr int kDayStart = 1, kDayEnd = 2;

class Run {
 public:
  Run(const RunDescription& run, MidnightLongitudes& midnights, TransitTable& table, RunResult& result,
      RunObserver& observer)
      : run_(run),
        midnights_(midnights),
        positions_(midnights.Positions()),
        table_(table),
        result_(result),
        observer_(observer),
        zone_(ZoneOf(run)) {}
  RunEnd Perform();
  // The transits under way are left unreported; those finished are handed
  // over, also where they waited for one under way that began before them.
  RunEnd Stopped() {
    for (AspectTrack& track : tracks_) track.open = false;
    HandOver();
    result_.stopped = true;
    return RunEnd::Stopped;
  }

 private:
  void Sample(int32_t day, bool afresh);
  bool JudgeFromFits(int32_t day, bool firstJudged);
  void SettleMinima();
  void SettleMinimum(AspectIndex a);
  void Judge(int32_t day, bool firstJudged);
  void JudgeAspect(int32_t day, AspectIndex a, bool firstJudged);
  void JudgeSwiftAspect(int32_t day, AspectIndex a, bool firstJudged);
  int32_t DaysClearAhead() const;
  DayMinima Minima(int32_t day, AspectIndex a, double refineBelow);
  void Entry(int32_t day, AspectIndex a, OrbIndex orb, const DayMinima& minima);
  // The entry's row and mark, the pass's smallest deviation already set.
  void EnterOrb(int32_t day, AspectIndex a, OrbIndex orb);
  void Exit(int32_t day, AspectIndex a, OrbIndex orb);
  void Holding(bool firstDay, const DayMinima& minima);
  void TrackMinimum(const DayMinima& minima);
  void RecordExact(int32_t day, AspectIndex a, const DayMinima& minima);
  void RecordNearMiss(int32_t row, AspectIndex a);
  void FlushTransitRows();
  void CloseAll();
  void HandOver();
  bool AnyEntry(int32_t row) const;
  bool HasMinimum(int32_t row) const { return Rows().Data(row).minimum.has_value(); }
  // The first body's longitude at the midnight starting the day is already
  // among the samples.
  DateMark Mark(int32_t day) const {
    return {day, run_.retrogradeMarks && midnights_.Retrograde(run_.bodies[0], day), {}};
  }
  // The mark of the day on which the pair crosses the aspect's orb between
  // the instants from and to, where the deviation less the orb is fFrom and
  // fTo (of opposite signs), with the crossing's minute.
  DateMark CrossingMark(int32_t day, AspectIndex a, OrbIndex orb, double from, double to, double fFrom,
                        double fTo) const;
  // The same between the two midnights of the day, whose deviations are
  // among the samples.
  DateMark CrossingMark(int32_t day, AspectIndex a, OrbIndex orb) const;
  TransitTable& Rows() { return track_->rows; }
  const TransitTable& Rows() const { return track_->rows; }

  const RunDescription& run_;
  MidnightLongitudes& midnights_;
  const BodyPositions& positions_;
  TransitTable& table_;
  RunResult& result_;
  RunObserver& observer_;
  const Zone zone_;
  // Set when the caller refused a row: the run ends at the next day.
  bool stopAtNextDay_ = false;
  const std::vector<AspectIndex> aspects_ = ReachableAspects(run_, positions_);
  std::array<AspectTrack, AspectCount + 1> tracks_{};
  // The aspect being judged, and its track.
  AspectTrack* track_ = &tracks_[0];
  TransitCursor* c_ = &tracks_[0].cursor;
  // Finished transits not yet handed over, and the caller's table row the
  // next handed row goes to.
  std::vector<FinishedTransit> finished_;
  int32_t handedRows_ = 0;
  OrbFlags in_{};
  // Whether a day has been judged yet: the first one may find a transit
  // already under way.
  bool judged_ = false;
  // Positions of both bodies at the local midnights starting D - 1 to
  // D + 2 (index k + 1), whether both bodies have data there, and the
  // deviations from each aspect at the two midnights of day D.
  std::array<std::array<Position, kSamples>, 2> l_{};
  std::array<bool, kSamples> valid_{};
  std::array<std::array<double, kSamples>, AspectCount + 1> dev_{};
  // The fits of the four midnights around the day last judged on fits, and
  // the count of the midnights' changes then.
  struct FittedWindow {
    bool known = false;
    int32_t day = 0;
    uint64_t changes = 0;
    std::array<std::array<FittedLongitude, kSamples>, 2> longitudes{};
  } fitted_;
  // Where the deviations above are only known from fits, each is its fitted
  // value less its bound.
};

void Run::SettleMinima() {
  for (const AspectIndex a : aspects_) SettleMinimum(a);
}

void Run::SettleMinimum(AspectIndex a) {
  TransitCursor& c = tracks_[a].cursor;
  if (!c.pending) return;
  const double la = midnights_.At(run_.bodies[0], c.pendingDay).longitude;
  const double lb = run_.world ? midnights_.At(run_.bodies[1], c.pendingDay).longitude : run_.natalLongitude;
  c.MinDeviation = std::fabs(SignedAspectDeviation(la, lb, a, c.pendingSide));
  c.pending = false;
}

// A day whose every decision the fits of the four midnights settle beyond
// their bounds is judged from them: no aspect enters or leaves an orb, and
// each one held has no exact aspect and its smallest deviation at a
// midnight, whose value waits until it is wanted. Returns false, having
// changed nothing, where the ephemeris must decide.
bool Run::JudgeFromFits(int32_t day, bool firstJudged) {
  constexpr double kRounding = 1e-12;
  if (!midnights_.DecidesOnFits(run_.bodies[0]) || (run_.world && !midnights_.DecidesOnFits(run_.bodies[1])))
    return false;
  // The fitted midnights of the day before, moved on by one, while no
  // midnight was kept in between.
  const int bodies = run_.world ? 2 : 1;
  const bool kept = fitted_.known && fitted_.changes == midnights_.Changes();
  if (!kept || day != fitted_.day) {
    const bool slide = kept && day == fitted_.day + 1;
    for (int b = 0; b < bodies; ++b) {
      auto& window = fitted_.longitudes[static_cast<size_t>(b)];
      if (slide) std::copy(window.begin() + 1, window.end(), window.begin());
      for (int k = slide ? kSamples - 1 : 0; k < kSamples; ++k)
        window[static_cast<size_t>(k)] = midnights_.Fit(run_.bodies[b], day + k - 1);
    }
    fitted_.known = true;
    fitted_.day = day;
    fitted_.changes = midnights_.Changes();
  }
  std::array<std::array<FittedLongitude, kSamples>, 2> f = fitted_.longitudes;
  for (int k = 0; k < kSamples; ++k) {
    for (int b = 0; b < bodies; ++b)
      if (!f[b][k].known) return false;
    if (!run_.world) f[1][k] = {true, run_.natalLongitude, 0.0};
  }
  if (zone_.IsNamed()) {
    // Days of 23 or 25 hours are the ephemeris' to judge.
    for (int k = 0; k + 1 < kSamples; ++k)
      if (LocalMidnight(day + k, zone_).ut - LocalMidnight(day + k - 1, zone_).ut != 1.0) return false;
  }
  std::array<double, kSamples> bound{};
  for (int k = 0; k < kSamples; ++k) bound[k] = f[0][k].bound + f[1][k].bound + kRounding;
  // Which orbs hold at the day's midnights, each beyond doubt. A midnight
  // the fits leave within their bounds of an orb's edge is taken from the
  // ephemeris, as a day it judged would take it (the flags already set from
  // its fits, beyond doubt, are the ephemeris' own); one that is then still
  // within them of an edge is the ephemeris' to judge.
  OrbFlags in{};
  std::array<double, AspectCount + 1> clearance{};
  const double widest = *std::ranges::max_element(run_.orbs.OrbRadians);
  // The flags of midnight j of the day (k among the four); false where it
  // lies within its bound of an orb's edge.
  auto settle = [&](int j, int k) {
    const double separation = AngularSeparation(f[0][k].longitude, f[1][k].longitude);
    for (const AspectIndex a : aspects_) {
      const double dev = std::fabs(separation - AspectTable[a].Angle);
      if (j == 1) clearance[a] = dev - bound[k];
      // Beyond every orb by more than the bound: out of each.
      if (dev - widest > bound[k]) continue;
      for (OrbIndex o = 0; o < 3; ++o) {
        if (std::fabs(dev - run_.orbs.OrbRadians[o]) <= bound[k]) return false;
        in[a][o][j] = dev < run_.orbs.OrbRadians[o];
      }
    }
    return true;
  };
  for (int j = 0; j < 2; ++j) {
    const int k = kDayStart + j;
    if (settle(j, k)) continue;
    for (int b = 0; b < bodies; ++b) {
      const Position atMidnight = midnights_.At(run_.bodies[b], day + k - 1);
      if (!atMidnight.Known()) return false;
      f[b][k] = {true, atMidnight.longitude, 0.0};
    }
    bound[k] = f[0][k].bound + f[1][k].bound + kRounding;
    if (!settle(j, k)) return false;
  }
  // An aspect held over the day, or with one orb entered or left in it
  // (beyond doubt between its midnights). A day of two crossings of one
  // aspect, the first day judged, and a crossing whose minute is asked for
  // are the ephemeris' to judge.
  struct Held {
    AspectIndex aspect;
    int side, smaller;
    double fit, bound;
    OrbIndex entry = -1, exit = -1;
    // The instant of the day's exact aspect, where it has one.
    std::optional<double> zero;
  };
  std::array<Held, AspectCount + 1> held;
  size_t heldCount = 0;
  std::array<double, kSamples> lead{};
  bool leadKnown = false;
  for (const AspectIndex a : aspects_) {
    bool any = false;
    int crossings = 0;
    OrbIndex entry = -1, exit = -1;
    for (OrbIndex o = 0; o < 3; ++o) {
      if (in[a][o][0] != in[a][o][1]) {
        ++crossings;
        (in[a][o][1] ? entry : exit) = o;
      }
      any = any || in[a][o][0] || in[a][o][1];
    }
    if (crossings > 0 && (crossings > 1 || firstJudged || run_.crossingMinutes)) return false;
    if (!any) continue;
    // The side of the aspect, and the signed deviations, beyond doubt: how
    // far the first body leads the second at each midnight, the same for
    // every aspect, is taken once.
    if (!leadKnown) {
      for (int k = 0; k < kSamples; ++k) lead[k] = WrapToHalfCircle(f[0][k].longitude - f[1][k].longitude);
      if (std::fabs(lead[kDayStart]) <= bound[kDayStart] || Pi - std::fabs(lead[kDayStart]) <= bound[kDayStart])
        return false;
      leadKnown = true;
    }
    const int side = lead[kDayStart] >= 0 ? 1 : -1;
    std::array<double, kSamples> g{};
    for (int k = 0; k < kSamples; ++k) {
      g[k] = SignedAspectDeviation(f[0][k].longitude, f[1][k].longitude, a, side);
      if (Pi - std::fabs(lead[k]) <= bound[k] || Pi - std::fabs(g[k]) <= bound[k]) return false;
    }
    const TransitCursor& c = tracks_[a].cursor;
    // An entry starts the pass's smallest afresh.
    const bool fresh = firstJudged || entry >= 0;
    const double refineBelow = fresh       ? std::numeric_limits<double>::infinity()
                               : c.pending ? c.pendingFit + c.pendingBound
                                           : c.MinDeviation;
    const std::optional<int> smaller = SmallestAtMidnight(g, bound, refineBelow);
    if (!smaller) {
      // A day whose one exact aspect falls within the inner orb, which
      // holds at both midnights, is timed from the ephemeris at the edges
      // of its minute only.
      if (crossings > 0 || !in[a][2][0] || MovesSwiftly(run_.bodies[0])) return false;
      PairDeviation deviation(run_, positions_, a, side, &midnights_);
      const std::optional<double> zero = ZeroOfTheDay(deviation, LocalMidnight(day, zone_).ut, g, bound);
      if (!zero) return false;
      held[heldCount++] = Held{a, side, 0, 0.0, 0.0, -1, -1, zero};
      continue;
    }
    const double fit = std::fabs(g[kDayStart + *smaller]);
    const Held h{a, side, *smaller, fit, bound[kDayStart + *smaller], entry, exit, std::nullopt};
    // Whether it beats the pass's smallest so far.
    if (!fresh) {
      const double other = c.pending ? c.pendingFit : c.MinDeviation;
      const double otherBound = c.pending ? c.pendingBound : 0.0;
      if (std::fabs(h.fit - other) <= h.bound + otherBound + kRounding) return false;
    }
    held[heldCount++] = h;
  }
  // Every decision is settled: the day is judged as the ephemeris would.
  in_ = in;
  for (const AspectIndex a : aspects_) dev_[a][kDayEnd] = clearance[a];
  for (const Held& h : std::span(held.data(), heldCount)) {
    AspectTrack& track = tracks_[h.aspect];
    if (!track.open) {
      track.open = true;
      track.since = day;
    }
    TransitCursor& c = track.cursor;
    track_ = &track;
    c_ = &c;
    if (h.zero) {
      // The pass's smallest is now zero, unless it was already (a pending
      // smallest is more than its bound from zero).
      if (firstJudged || c.pending || c.MinDeviation > 0) {
        c.MinDeviation = 0;
        c.MinInstant = *h.zero;
      }
      c.pending = false;
      RecordExact(day, h.aspect, DayMinima{{*h.zero}, 0.0, *h.zero});
      continue;
    }
    const double other = c.pending ? c.pendingFit : c.MinDeviation;
    if (firstJudged || h.entry >= 0 || h.fit < other) {
      c.pending = true;
      c.pendingDay = day + h.smaller;
      c.pendingSide = h.side;
      c.pendingFit = h.fit;
      c.pendingBound = h.bound;
      const double start = LocalMidnight(day, zone_).ut;
      c.MinInstant = h.smaller == 0 ? start : start + 1.0;
    }
    if (h.entry >= 0) EnterOrb(day, h.aspect, h.entry);
    if (h.exit >= 0) {
      // A pass without an exact aspect records its closest approach as it
      // ends: the ephemeris' own deviation there.
      SettleMinimum(h.aspect);
      Exit(day, h.aspect, h.exit);
    }
  }
  HandOver();
  return true;
}

void Run::Sample(int32_t day, bool afresh) {
  const int bodies = run_.world ? 2 : 1;
  // Both bodies at one instant, then the next instant: the ephemeris keeps
  // the nutation of the instant it last computed.
  if (afresh) {
    for (int k = 0; k < kSamples; ++k)
      for (int b = 0; b < bodies; ++b) l_[b][k] = midnights_.At(run_.bodies[b], day + k - 1);
  } else {
    for (int b = 0; b < bodies; ++b) {
      std::copy(l_[b].begin() + 1, l_[b].end(), l_[b].begin());
      l_[b][kSamples - 1] = midnights_.At(run_.bodies[b], day + kSamples - 2);
    }
  }
  if (!run_.world) l_[1].fill(Position{PositionStatus::Known, run_.natalLongitude});
  for (int k = 0; k < kSamples; ++k) valid_[k] = l_[0][k].Known() && l_[1][k].Known();
  if (!valid_[kDayStart] || !valid_[kDayEnd]) return;
  for (int k = kDayStart; k <= kDayEnd; ++k) {
    const double separation = AngularSeparation(l_[0][k].longitude, l_[1][k].longitude);
    for (const AspectIndex a : aspects_) dev_[a][k] = std::fabs(separation - AspectTable[a].Angle);
  }
  for (const AspectIndex a : aspects_)
    for (OrbIndex o = 0; o < 3; ++o)
      for (int j = 0; j < 2; ++j) in_[a][o][j] = dev_[a][kDayStart + j] < run_.orbs.OrbRadians[o];
}

DayMinima Run::Minima(int32_t day, AspectIndex a, double refineBelow) {
  // The pair stays on one side of the aspect over these days: at the orbs
  // allowed, crossing to the other would take weeks.
  const int side = AspectSide(l_[0][kDayStart].longitude, l_[1][kDayStart].longitude);
  std::array<std::optional<double>, kSamples> samples;
  for (int k = 0; k < kSamples; ++k)
    if (valid_[k]) samples[k] = SignedAspectDeviation(l_[0][k].longitude, l_[1][k].longitude, a, side);
  PairDeviation deviation(run_, positions_, a, side, &midnights_);
  // Only a swift body's days are cut into sub-steps.
  const double reach = MovesSwiftly(run_.bodies[0]) ? DailyReach(run_.bodies[0], run_.bodies[1], run_.world) : 0.0;
  if (!zone_.IsNamed()) return FindDayMinima(deviation, LocalMidnight(day, zone_).ut, samples, refineBelow, reach);
  // Where the clocks change a day has 23 or 25 hours.
  std::array<double, kSamples> midnights{};
  for (int k = 0; k < kSamples; ++k) midnights[k] = LocalMidnight(day + k - 1, zone_).ut;
  return FindDayMinima(deviation, midnights, samples, refineBelow, reach);
}

bool Run::AnyEntry(int32_t row) const {
  const auto& entry = Rows().Data(row).entry;
  return entry[0] || entry[1] || entry[2];
}

DateMark Run::CrossingMark(int32_t day, AspectIndex a, OrbIndex orb, double from, double to, double fFrom,
                           double fTo) const {
  DateMark mark = Mark(day);
  if (!run_.crossingMinutes) return mark;
  const double angle = AspectTable[a].Angle, orbRadians = run_.orbs.OrbRadians[orb];
  // The deviation's size less the orb: it changes sign where the pair
  // crosses the orb, whichever side of the aspect it stands on.
  auto beyond = [&](double la, double lb) { return std::fabs(AngularSeparation(la, lb) - angle) - orbRadians; };
  auto beyondOrb = [&](double jd) {
    const double la = positions_.Longitude(run_.bodies[0], jd, run_.zodiac).longitude;
    const double lb =
        run_.world ? positions_.Longitude(run_.bodies[1], jd, run_.zodiac).longitude : run_.natalLongitude;
    return beyond(la, lb);
  };
  auto edge = [&](double jd) { return NearestMinuteEdge(Instant{jd}, zone_).ut; };
  // Timed on the fits where they tell the minute beyond their bounds.
  std::optional<double> at;
  if (PairTimesRootsOnFits(run_, midnights_, from)) {
    auto fittedBeyondOrb = [&](double jd, double& bound) {
      const PairFit pair = FittedPair(run_, midnights_, jd);
      bound = pair.bound;
      return pair.known ? beyond(pair.first, pair.second) : std::nan("");
    };
    at = FittedRootMinute(fittedBeyondOrb, from, to, fFrom, fTo, edge, beyondOrb);
  }
  if (!at) at = BracketedRoot(beyondOrb, from, to, fFrom, fTo, InstantTolerance, edge);
  if (at) mark.crossing = ToLocalMinute(Instant{*at}, zone_);
  return mark;
}

DateMark Run::CrossingMark(int32_t day, AspectIndex a, OrbIndex orb) const {
  const double orbRadians = run_.orbs.OrbRadians[orb];
  return CrossingMark(day, a, orb, LocalMidnight(day, zone_).ut, LocalMidnight(day + 1, zone_).ut,
                      dev_[a][kDayStart] - orbRadians, dev_[a][kDayEnd] - orbRadians);
}

void Run::Entry(int32_t day, AspectIndex a, OrbIndex orb, const DayMinima& minima) {
  c_->MinDeviation = minima.smallest;
  c_->MinInstant = minima.smallestAt;
  EnterOrb(day, a, orb);
}

void Run::EnterOrb(int32_t day, AspectIndex a, OrbIndex orb) {
  const int32_t r0 = 0;
  const DateMark mark = CrossingMark(day, a, orb);
  switch (orb) {
    case 0:
      Rows().SetEntry(r0, a, 0, mark);
      c_->ResetPasses();
      break;
    case 1:
      Rows().SetEntry(r0 + c_->P2, a, 1, mark);
      c_->P6 = c_->P2;
      break;
    default:
      Rows().SetEntry(r0 + c_->P3, a, 2, mark);
      c_->P5 = c_->P3;
      break;
  }
}

void Run::Exit(int32_t day, AspectIndex a, OrbIndex orb) {
  const int32_t r0 = 0;
  const DateMark mark = CrossingMark(day, a, orb);
  auto nextPass = [this] {
    ++c_->P4;
    c_->P3 = c_->P4;
    c_->P2 = c_->P4;
  };
  switch (orb) {
    case 2:
      Rows().SetExit(r0 + c_->P5, a, 2, mark);
      if (HasMinimum(r0 + c_->P5)) return;
      RecordNearMiss(r0 + c_->P4, a);
      nextPass();
      return;
    case 1:
      Rows().SetExit(r0 + c_->P6, a, 1, mark);
      if (HasMinimum(r0 + c_->P6)) return;
      if (AnyEntry(r0 + c_->P4)) RecordNearMiss(r0 + c_->P4, a);
      nextPass();
      return;
    default:
      Rows().SetExit(r0, a, 0, mark);
      if (AnyEntry(r0) && !HasMinimum(r0)) RecordNearMiss(r0 + c_->P4, a);
      FlushTransitRows();
      return;
  }
}

void Run::Holding(bool firstDay, const DayMinima& minima) {
  if (firstDay) {
    c_->MinDeviation = minima.smallest;
    c_->MinInstant = minima.smallestAt;
  } else {
    TrackMinimum(minima);
  }
}

void Run::TrackMinimum(const DayMinima& minima) {
  if (minima.smallest < c_->MinDeviation) {
    c_->MinDeviation = minima.smallest;
    c_->MinInstant = minima.smallestAt;
  }
}

void Run::RecordExact(int32_t day, AspectIndex a, const DayMinima& minima) {
  if (minima.exact.empty()) return;
  const int32_t r0 = 0;
  // A fast pair can enter the inner orb and leave it between two midnights:
  // the day of its exact aspect is then the day it entered and left, and the
  // crossings lie between the midnights and the exact minutes.
  const bool innerPassed = !in_[a][2][0] && !in_[a][2][1];
  if (innerPassed) {
    const double inner = run_.orbs.OrbRadians[2];
    Rows().SetEntry(r0 + c_->P3, a, 2,
                    CrossingMark(day, a, 2, LocalMidnight(day, zone_).ut, minima.exact.front(),
                                 dev_[a][kDayStart] - inner, -inner));
    c_->P5 = c_->P3;
  }
  for (const double instant : minima.exact) {
    Rows().SetMinimum(r0 + c_->P4, a, ExactMinimum(run_, midnights_, Instant{instant}));
    ++c_->P4;
    c_->P3 = c_->P4;
    c_->P2 = c_->P4;
  }
  if (innerPassed) {
    const double inner = run_.orbs.OrbRadians[2];
    Rows().SetExit(r0 + c_->P5, a, 2,
                   CrossingMark(day, a, 2, minima.exact.back(), LocalMidnight(day + 1, zone_).ut, -inner,
                                dev_[a][kDayEnd] - inner));
  }
}

void Run::RecordNearMiss(int32_t row, AspectIndex a) {
  Rows().SetMinimum(row, a, ClosestApproach(run_, midnights_, c_->MinDeviation, Instant{c_->MinInstant}));
}

void Run::FlushTransitRows() {
  // The transit waits for those of other aspects that began before it.
  FinishedTransit finished{track_->since, 0, {}};
  for (int32_t row = 0; !Rows().RowIsEmpty(row); ++row) finished.rows.push_back(Rows().Data(row));
  if (!finished.rows.empty()) {
    finished.aspect = finished.rows.front().aspect;
    finished_.push_back(std::move(finished));
  }
  Rows().ClearTransitTable();
  track_->open = false;
  c_->ResetPasses();
  c_->MinDeviation = kNoMinimum;
  c_->pending = false;
}

void Run::CloseAll() {
  for (const AspectIndex a : aspects_) {
    track_ = &tracks_[a];
    c_ = &track_->cursor;
    if (track_->open) FlushTransitRows();
  }
}

void Run::HandOver() {
  // Transits in the order they began (the aspects in their order where two
  // began on one day), each once no transit under way began before it.
  auto before = [](int32_t since, AspectIndex a, int32_t otherSince, AspectIndex b) {
    return since < otherSince || (since == otherSince && a < b);
  };
  while (!stopAtNextDay_ && !finished_.empty()) {
    auto next = finished_.begin();
    for (auto f = finished_.begin(); f != finished_.end(); ++f)
      if (before(f->since, f->aspect, next->since, next->aspect)) next = f;
    for (const AspectIndex a : aspects_)
      if (tracks_[a].open && before(tracks_[a].since, a, next->since, next->aspect)) return;
    bool dated = false;
    for (const TransitRowData& row : next->rows) dated = dated || HasOrbDate(row);
    TransitRecord transit;
    for (size_t k = 0; k < next->rows.size(); ++k) {
      const TransitRowData& row = next->rows[k];
      // The caller's table holds every row handed over, in order.
      table_.SetRow(handedRows_++, row);
      // Only rows the caller takes (into the report) belong to the results.
      const RunObserver::RowTaken taken = observer_.TakeRow(row, {k == 0, dated});
      if (taken.taken) {
        transit.aspect = row.aspect;
        transit.passes.push_back(row);
      }
      if (taken.stop) {
        stopAtNextDay_ = true;
        break;
      }
    }
    if (!transit.passes.empty()) result_.transits.push_back(std::move(transit));
    finished_.erase(next);
  }
}

int32_t Run::DaysClearAhead() const {
  // A transit under way is followed day by day to its end.
  for (const AspectIndex a : aspects_)
    if (!tracks_[a].rows.RowIsEmpty(0)) return 0;
  double clearance = std::numeric_limits<double>::infinity();
  for (const AspectIndex a : aspects_) {
    if (in_[a][0][1]) return 0;
    clearance = std::min(clearance, dev_[a][kDayEnd] - run_.orbs.OrbRadians[0]);
  }
  // The sidereal correction steps once a year, by less than a thousandth
  // of a radian.
  if (run_.zodiac == Zodiac::Sidereal) clearance -= 0.001;
  // No deviation changes faster than the two bodies move.
  const double reach = DailyReach(run_.bodies[0], run_.bodies[1], run_.world);
  if (!(clearance > 0)) return 0;
  // The midnights j days after the next one, for j * reach < clearance, lie
  // outside every outer orb: the days between them hold no event at all.
  const double days = std::ceil(clearance / reach) - 1;
  return static_cast<int32_t>(std::min(days, 100000.0));
}

// The Moon never stands still, so each transit is one pass and one row: its
// orbs entered from the outer one in, its exact aspect, its orbs left from the
// inner one out. Several of these fall on one day, and a middle or inner orb
// entered and left between two midnights has that day as both dates (the
// exact aspect tells the passage, which the midnights on either side of it
// miss). The outer orb always holds a midnight (the checks keep it wider
// than a day's motion), so each pass is seen; one day may end one aspect's
// pass and begin the next one's, in that order.
void Run::JudgeSwiftAspect(int32_t day, AspectIndex a, bool firstJudged) {
  const auto& in = in_[a];
  if (!in[0][0] && !in[0][1]) return;
  track_ = &tracks_[a];
  c_ = &track_->cursor;
  if (!track_->open) {
    track_->open = true;
    track_->since = day;
  }
  const DayMinima minima = Minima(day, a, std::numeric_limits<double>::infinity());
  const int32_t row = 0;
  // An orb entered and left between two midnights, around the exact aspect:
  // its crossings lie between the day's midnights and the exact minute.
  auto passed = [&](OrbIndex o) { return !in[o][0] && !in[o][1] && !minima.exact.empty(); };
  const double start = LocalMidnight(day, zone_).ut, end = LocalMidnight(day + 1, zone_).ut;
  auto passedMark = [&](OrbIndex o, bool entering) {
    const double orb = run_.orbs.OrbRadians[o], exact = minima.exact.front();
    return entering ? CrossingMark(day, a, o, start, exact, dev_[a][kDayStart] - orb, -orb)
                    : CrossingMark(day, a, o, exact, end, -orb, dev_[a][kDayEnd] - orb);
  };
  if (!in[0][0]) {
    Rows().SetEntry(row, a, 0, CrossingMark(day, a, 0));
    c_->ResetPasses();
    c_->MinDeviation = minima.smallest;
    c_->MinInstant = minima.smallestAt;
  } else {
    Holding(firstJudged, minima);
  }
  for (OrbIndex o = 1; o < 3; ++o) {
    if (in[o][0]) continue;
    if (in[o][1])
      Rows().SetEntry(row, a, o, CrossingMark(day, a, o));
    else if (passed(o))
      Rows().SetEntry(row, a, o, passedMark(o, true));
  }
  for (const double instant : minima.exact) Rows().SetMinimum(row, a, ExactMinimum(run_, midnights_, Instant{instant}));
  for (OrbIndex o = 2; o >= 1; --o) {
    if (in[o][1]) continue;
    if (in[o][0])
      Rows().SetExit(row, a, o, CrossingMark(day, a, o));
    else if (passed(o))
      Rows().SetExit(row, a, o, passedMark(o, false));
  }
  if (in[0][1]) return;
  Rows().SetExit(row, a, 0, CrossingMark(day, a, 0));
  if (AnyEntry(row) && !HasMinimum(row)) RecordNearMiss(row, a);
  FlushTransitRows();
}

void Run::Judge(int32_t day, bool firstJudged) {
  // Each aspect on its own: one may leave its outer orb on the day the next
  // enters its own (15-degree orbs), and a pair may be within the orbs of
  // two aspects a few degrees apart for weeks.
  // The Moon crosses any orb within a day: its passes are judged on their own.
  const bool swift = MovesSwiftly(run_.bodies[0]);
  for (const AspectIndex a : aspects_) swift ? JudgeSwiftAspect(day, a, firstJudged) : JudgeAspect(day, a, firstJudged);
  HandOver();
}

void Run::JudgeAspect(int32_t day, AspectIndex active, bool firstJudged) {
  // State by orb: 1 entering, 2 holding, 3 leaving.
  std::array<int, 3> state{};
  bool any = false;
  for (OrbIndex o = 0; o < 3; ++o) {
    const bool now = in_[active][o][0], next = in_[active][o][1];
    state[o] = !now && next ? 1 : now && next ? 2 : now && !next ? 3 : 0;
    any = any || state[o] > 0;
  }
  if (!any) return;
  track_ = &tracks_[active];
  c_ = &track_->cursor;
  if (!track_->open) {
    track_->open = true;
    track_->since = day;
  }
  OrbIndex entryOrb = -1, exitOrb = -1;
  for (OrbIndex o = 2; o >= 0; --o) {
    if (state[o] == 1) entryOrb = o;
    if (state[o] == 3) exitOrb = o;
  }
  // Every day the pair is in orb is searched for its exact aspects, which
  // fall after an entry and before an exit of the same day. An entry
  // starts the pass's smallest deviation afresh; otherwise only what may
  // beat the smallest so far needs finding exactly.
  const bool freshMinimum = entryOrb >= 0 || firstJudged;
  const DayMinima minima =
      Minima(day, active, freshMinimum ? std::numeric_limits<double>::infinity() : c_->MinDeviation);
  if (entryOrb >= 0) {
    Entry(day, active, entryOrb, minima);
    RecordExact(day, active, minima);
  } else if (exitOrb >= 0) {
    TrackMinimum(minima);
    RecordExact(day, active, minima);
    Exit(day, active, exitOrb);
  } else {
    Holding(firstJudged, minima);
    RecordExact(day, active, minima);
  }
}

RunEnd Run::Perform() {
  ClearOrbFlags(in_);
  bool afresh = true;
  for (int64_t d = run_.startDay; d <= run_.endDay; ++d) {
    const auto day = static_cast<int32_t>(d);
    if (!observer_.NextDay(day) || stopAtNextDay_) return Stopped();
    if (JudgeFromFits(day, !judged_)) {
      judged_ = true;
      // The samples kept are those of the last day the ephemeris judged.
      afresh = true;
    } else {
      Sample(day, afresh);
      afresh = false;
      // A day with a midnight outside a body's data is not judged: no entry,
      // exit or minimum is made up, and a transit the data cannot close stays
      // open.
      if (!valid_[kDayStart] || !valid_[kDayEnd]) continue;
      const bool firstJudged = !judged_;
      judged_ = true;
      SettleMinima();
      Judge(day, firstJudged);
    }
    // Days on which neither midnight can be in any orb are passed over
    // without positions; the caller still sees each of them.
    // A pass of fewer days would save no position: the four midnights
    // around the next day judged are sampled afresh.
    const int32_t clear = DaysClearAhead();
    if (clear < 4) continue;
    for (int32_t k = 0; k < clear && d < run_.endDay; ++k) {
      ++d;
      if (!observer_.NextDay(static_cast<int32_t>(d)) || stopAtNextDay_) return Stopped();
    }
    afresh = true;
  }
  // A transit still open at the end of the period is handed over as it stands.
  CloseAll();
  HandOver();
  return RunEnd::Completed;
}

}  // namespace

std::optional<int32_t> QuietDayNear(const RunDescription& run, const BodyPositions& positions, int32_t near,
                                    int32_t reach) {
  // Kept from the orb: the midnights of a run may take the nutation from
  // fits, a hair from the positions here.
  constexpr double kMargin = 1e-7;
  constexpr int kTries = 64;
  auto pair = [&](int32_t day, double& a, double& b) {
    const double jd = LocalMidnight(day, run.zone).ut;
    const Position first = positions.Longitude(run.bodies[0], jd, run.zodiac);
    const Position second = run.world ? positions.Longitude(run.bodies[1], jd, run.zodiac)
                                      : Position{PositionStatus::Known, run.natalLongitude};
    a = first.longitude;
    b = second.longitude;
    return first.Known() && second.Known();
  };
  auto known = [&](int32_t day) {
    double a = 0, b = 0;
    return pair(day, a, b);
  };
  // A body's data is one stretch of days: known at both ends of the walk's
  // midnights, it is known at every one (a day it lacks would leave a
  // transit open across the cut).
  if (!known(run.startDay - 1) || !known(run.endDay + 2)) return std::nullopt;
  const int32_t step = std::max<int32_t>(1, reach / (kTries / 2));
  for (int k = 0; k <= kTries; ++k) {
    const int32_t day = near + (k % 2 == 1 ? -1 : 1) * ((k + 1) / 2) * step;
    if (day <= run.startDay || day > run.endDay) continue;
    double a = 0, b = 0;
    if (!pair(day, a, b)) continue;
    const double separation = AngularSeparation(a, b);
    const double widest = *std::ranges::max_element(run.orbs.OrbRadians);
    bool clear = true;
    for (const AspectIndex aspect : run.aspects.List())
      clear = clear && std::fabs(separation - AspectTable[aspect].Angle) > widest + kMargin;
    if (clear) return day;
  }
  return std::nullopt;
}

std::vector<int32_t> QuietCuts(const RunDescription& run, const BodyPositions& positions, int stretches) {
  std::vector<int32_t> cuts;
  const int64_t days = static_cast<int64_t>(run.endDay) - run.startDay + 1;
  for (int k = 1; k < stretches; ++k) {
    const auto near = static_cast<int32_t>(run.startDay + days * k / stretches);
    const auto reach = static_cast<int32_t>(days / (4 * stretches));
    const std::optional<int32_t> quiet = QuietDayNear(run, positions, near, reach);
    if (quiet && (cuts.empty() || *quiet > cuts.back())) cuts.push_back(*quiet);
  }
  return cuts;
}

std::vector<RunDescription> CutRun(const RunDescription& run, const std::vector<int32_t>& cuts) {
  std::vector<RunDescription> runs(cuts.size() + 1, run);
  for (size_t k = 0; k < cuts.size(); ++k) {
    runs[k].endDay = cuts[k] - 1;
    runs[k + 1].startDay = cuts[k];
  }
  return runs;
}

RunResult ResultOf(const RunDescription& run) {
  RunResult result;
  result.world = run.world;
  result.bodies = run.bodies;
  result.natalLongitude = run.world ? 0.0 : run.natalLongitude;
  result.startDay = run.startDay;
  result.endDay = run.endDay;
  result.zone = run.zone;
  result.orbDegrees = run.orbs.OrbDegrees;
  result.aspects = run.aspects;
  result.zodiac = run.zodiac;
  result.progression = run.world ? ProgressionKind::Transit : run.progression;
  return result;
}

RunEnd SearchTransits(const RunDescription& run, MidnightLongitudes& midnights, TransitTable& table, RunResult& result,
                      RunObserver& observer) {
  if (!midnights.Serves(run.zone, run.zodiac)) {
    MidnightLongitudes own(midnights.Positions(), run.zone, run.zodiac);
    return Run(run, own, table, result, observer).Perform();
  }
  // What the runs before left of other bodies is of no more use to a long
  // series: memory stays that of two bodies over the period, however long.
  midnights.KeepOnly(run.bodies[0], run.world ? run.bodies[1] : run.bodies[0]);
  return Run(run, midnights, table, result, observer).Perform();
}

RunEnd SearchTransits(const RunDescription& run, const BodyPositions& positions, TransitTable& table, RunResult& result,
                      RunObserver& observer) {
  MidnightLongitudes midnights(positions, run.zone, run.zodiac);
  return Run(run, midnights, table, result, observer).Perform();
}

}  // namespace skyloom
