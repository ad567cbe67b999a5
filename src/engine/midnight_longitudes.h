// Longitudes of the bodies at the local midnights of one zone, in one
// zodiac, each computed once and kept while the object lives: the runs of a
// Show-all series and the walks of a Search share their daily samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/bodies.h"
#include "engine/longitude_fits.h"
#include "engine/positions.h"

namespace skyloom {

// Speeds of the bodies at instants, computed by the midnights of several
// threads from the same ephemeris and handed between them: the runs of a
// series spread over threads turn at the same instants (a body's stations),
// whose speeds each would compute again. Up to kKeptSpeeds are kept, then
// all are let go.
class SharedSpeeds {
 public:
  std::optional<double> Find(BodyIndex body, double jd, Zodiac zodiac);
  void Put(BodyIndex body, double jd, Zodiac zodiac, double speed);
  static constexpr size_t kKeptSpeeds = size_t{1} << 15;

 private:
  std::mutex mutex_;
  std::map<std::tuple<BodyIndex, double, Zodiac>, double> speeds_;
};

class MidnightLongitudes {
 public:
  MidnightLongitudes(const BodyPositions& positions, Zone zone, Zodiac zodiac)
      : positions_(positions),
        zone_(std::move(zone)),
        zodiac_(zodiac),
        fits_(positions, zodiac),
        rootFits_(positions, zodiac, FitSpans::Roots) {}

  // The body's position at the local midnight that starts day number day,
  // as BodyPositions::Longitude gives it.
  Position At(BodyIndex body, int32_t day);

  // Whether the body is retrograde at that midnight, as
  // BodyPositions::RetroCheck tells from its position then and half an hour
  // later, asked once a day however many marks fall on it: decided on the
  // fits where they tell it beyond their bounds.
  bool Retrograde(BodyIndex body, int32_t day);

  // The body's fitted longitude at that midnight, within its bound of what
  // At gives; unknown where no fit covers it.
  FittedLongitude Fit(BodyIndex body, int32_t day);
  // The fitted longitude at any instant.
  FittedLongitude FitAt(BodyIndex body, double jd) { return useFits_ ? fits_.At(body, jd) : FittedLongitude{}; }
  // The same from the fits that time roots.
  FittedLongitude RootFitAt(BodyIndex body, double jd) { return useFits_ ? rootFits_.At(body, jd) : FittedLongitude{}; }
  // Whether a root near jd (where the pair crosses an orb) is to be timed
  // on the body's fits: for a body whose fits time roots, on the sky's own
  // positions, once the fit's span has had kRootsBeforeFit roots timed on
  // the ephemeris alone: a fit costs the positions of about six, and pays
  // where many more follow, as in a batch of charts; a single chart's year
  // seldom gets there. Counts the root.
  bool TimesRootsOnFits(BodyIndex body, double jd);
  static constexpr int kRootsBeforeFit = 12;
  // Without fits every decision goes to the ephemeris (to compare the two).
  void UseFits(bool use) {
    useFits_ = use;
    ++changes_;
  }
  // Whether decisions about the body are taken on its fits where they can
  // (see FitsPay).
  bool DecidesOnFits(BodyIndex body) const { return FitsPay(body); }
  // The bodies (bit n for body n) whose midnights are computed together: a
  // midnight one of them lacks brings the next kTogetherDays midnights of
  // each of them, every body at each midnight in turn. The ephemeris keeps
  // what one instant's bodies share (the Earth's place, and the nutation
  // where it is the library's own), which makes a midnight of the Sun to
  // Mars cost two thirds (a half) of four midnights a body at a time. For a
  // series whose runs need these bodies' every midnight, up to throughDay:
  // the Moon's (every other body decides on its fits, see FitsPay).
  void ComputesTogether(uint32_t bodies, int32_t throughDay) {
    together_ = bodies;
    togetherThrough_ = throughDay;
  }
  static constexpr int32_t kTogetherDays = 64;
  const LongitudeFits& Fits() const { return fits_; }

  const BodyPositions& Positions() const { return positions_; }
  // How the positions moved the bodies when these were made: a session
  // that gives the same positions another birth or kind of progression
  // wants midnights of their own.
  const Progression& MadeFor() const { return madeFor_; }
  bool Serves(const Zone& zone, Zodiac zodiac) const { return zone == zone_ && zodiac == zodiac_; }
  // Takes the body's midnights computed elsewhere (by another thread, from
  // the same ephemeris): values[k] is the midnight starting firstDay + k; a
  // NaN longitude of a known position stands for one not computed.
  void Adopt(BodyIndex body, int32_t firstDay, const std::vector<Position>& values);

  // Takes the fits for decisions made elsewhere (see LongitudeFits::Adopt),
  // once for each table however often it is handed over.
  void AdoptFits(const std::shared_ptr<const LongitudeFits::Table>& made) {
    if (!made || made == adoptedFits_) return;
    fits_.Adopt(*made);
    adoptedFits_ = made;
    ++changes_;
  }

  // Fits for decisions made ahead by another thread, while a run goes on
  // (nullptr: none from now on).
  void TakeFitsAhead(FitsAhead* ahead) { fits_.TakeAhead(ahead); }

  // The body's speed at jd (radians a day; 0 where it has no position), as
  // BodyPositions::Longitude gives it, kept for the instants asked again: a
  // pair's turning points (a moving body's stations, for natal points) are
  // searched for once for each aspect and each natal point, at the same
  // instants. Up to kKeptSpeeds are kept, then all are let go.
  double Speed(BodyIndex body, double jd);
  static constexpr size_t kKeptSpeeds = size_t{1} << 15;
  // Speeds shared with the midnights of other threads that take their
  // positions from the same ephemeris, as these do (nullptr: none).
  void ShareSpeeds(std::shared_ptr<SharedSpeeds> shared) { sharedSpeeds_ = std::move(shared); }

  // Lets the samples of every other body go once all bodies' spans hold
  // more than kKeptSlots days (about 10 MB): a series' next run shares at
  // most the bodies of the one before, while the runs of a short period
  // (the charts of a batch, one after another) keep every body's.
  void KeepOnly(BodyIndex first, BodyIndex second);
  static constexpr size_t kKeptSlots = size_t{1} << 20;
  // Longitudes kept, over all bodies.
  size_t Kept() const;
  // Counts the changes to the longitudes kept: where it has not moved, Fit
  // answers as it did.
  uint64_t Changes() const { return changes_; }

 private:
  // The days firstDay .. firstDay + values.size() - 1 of one body; a NaN
  // stands for a midnight not computed yet, and for one outside the body's
  // data the status says which end it lies beyond.
  uint64_t changes_ = 0;
  struct Span {
    int32_t firstDay = 0;
    std::vector<double> values;
    std::vector<PositionStatus> status;
    std::vector<int8_t> retrograde;  // -1 not decided yet, else 0 or 1
  };
  size_t Slot(Span& span, int32_t day);
  // Whether the body's midnight starting the day is kept (computed, or
  // known to lie beyond its data).
  bool HasMidnight(BodyIndex body, int32_t day) const;
  // The retrograde test from the body's step to the next midnight, where
  // that step tells the half hour's direction beyond doubt; nothing where
  // the test itself must be taken.
  std::optional<bool> RetroFromMidnights(BodyIndex body, int32_t day, Position atMidnight, double jd);

  const BodyPositions& positions_;
  Progression madeFor_ = positions_.Moved();
  Zone zone_;
  Zodiac zodiac_;
  LongitudeFits fits_, rootFits_;
  std::shared_ptr<const LongitudeFits::Table> adoptedFits_;
  bool useFits_ = true;
  uint32_t together_ = 0;
  int32_t togetherThrough_ = 0;
  std::map<std::pair<BodyIndex, double>, double> speeds_;
  std::shared_ptr<SharedSpeeds> sharedSpeeds_;
  // Roots asked for, by the key of the span they lie in.
  std::unordered_map<int64_t, int> roots_;
  // By body number; a body beyond them is computed afresh each time.
  static constexpr size_t kBodySlots = 16;
  std::array<Span, kBodySlots> spans_{};
};

}  // namespace skyloom
