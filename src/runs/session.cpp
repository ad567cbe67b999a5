#include "runs/session.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "calendar/date_format.h"
#include "engine/kept.h"
#include "engine/transit_approach.h"
#include "engine/transit_search.h"
#include "report/program.h"
#include "report/report.h"
#include "runs/decision_fits.h"
#include "runs/ordered_work.h"
#include "runs/request_checks.h"

namespace skyloom {
namespace {

// The natal position is taken at the birth time in Universal Time: the
// local time less the zone's offset then, to the second (local mean times
// such as Amsterdam's +0:19:32 have seconds).
double BirthInstant(const RunRequest& r, const Zone& birthZone, int32_t birthDay) {
  const int32_t hour = r.birth.hour.value_or(0);
  const int32_t minute = r.birth.minute.value_or(0);
  return FromLocal(birthDay, hour * 3600 + minute * 60, birthZone).ut;
}

std::string TwoDigits(int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; }

// The title of a run: in personal mode the bodies, period, birth and
// zodiac; in world mode the pair and period of a series' block, and empty
// for a single pair, which the window's captions name.
std::string TitleOf(const RunRequest& r, const RunDescription& run, int32_t birthDay, const Zone& birthZone,
                    bool inSeries) {
  if (r.World()) {
    if (!inSeries) return {};
    return BuildWorldSeriesTitle(BodyName(run.bodies[0]), BodyName(run.bodies[1]), run.startDay, run.endDay);
  }
  RunTitleParts parts;
  parts.transiting = BodyName(run.bodies[0]);
  if (r.progression == ProgressionKind::Progressed) parts.transiting = "Progressed " + parts.transiting;
  if (r.progression == ProgressionKind::Directed) parts.transiting = "Directed " + parts.transiting;
  parts.natal = BodyName(run.bodies[1]);
  // A cusp is the system's: the same birth has other cusps in another.
  if (run.bodies[1] >= Cusp2 && run.bodies[1] <= Cusp12) parts.natal += " (" + HouseSystemTitle(r.houses) + " houses)";
  parts.startDay = run.startDay;
  parts.endDay = run.endDay;
  parts.birthDay = birthDay;
  parts.hour = TwoDigits(r.birth.hour.value_or(0));
  parts.minute = TwoDigits(r.birth.minute.value_or(0));
  parts.birthZone = birthZone.Text();
  parts.tropical = r.zodiac == Zodiac::Tropical;
  parts.chart = r.chart;
  return BuildRunTitle(parts);
}

// The moving bodies of a run whose every midnight its walk needs (the
// Moon: no fit spares any of its midnights), each once; -1 for none.
std::array<BodyIndex, 2> EveryMidnightBodies(const RunDescription& run) {
  std::array<BodyIndex, 2> bodies{-1, -1};
  size_t n = 0;
  for (const BodyIndex body : MovingBodies(run))
    if (body >= 0 && body <= LastBody && !FitsPay(body) && (n == 0 || bodies[0] != body)) bodies[n++] = body;
  return bodies;
}

// Fits for decisions are made on other threads this many spans at a time.
constexpr int64_t kFitSpansAtOnce = 8;

// One row of a run computed ahead, as its search handed it over, with the day
// the search had reached then.
struct RecordedRow {
  TransitRowData row;
  RowPlace place;
  int32_t day = 0;
};

// What a run computed ahead found: every row it handed over, taken whole, and
// how it ended. The series replays it as if the run were going on.
struct RunRecording {
  std::vector<RecordedRow> rows;
  RunEnd end = RunEnd::Completed;
  bool firstRowEmpty = true;
};

// The run searched with every row taken and recorded; nextDay tells whether
// it goes on to a day.
RunRecording RecordRun(const RunDescription& run, MidnightLongitudes& midnights,
                       const std::function<bool(int32_t)>& nextDay) {
  class Recorder : public RunObserver {
   public:
    Recorder(RunRecording& recording, const std::function<bool(int32_t)>& nextDay)
        : recording_(recording), nextDay_(nextDay) {}
    bool NextDay(int32_t day) override {
      day_ = day;
      return nextDay_(day);
    }
    RowTaken TakeRow(const TransitRowData& row, RowPlace place) override {
      recording_.rows.push_back({row, place, day_});
      return {};
    }

   private:
    RunRecording& recording_;
    const std::function<bool(int32_t)>& nextDay_;
    int32_t day_ = 0;
  };
  RunRecording recording;
  Recorder recorder(recording, nextDay);
  TransitTable table;
  table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
  table.ClearTransitTable();
  RunResult result = ResultOf(run);
  recording.end = SearchTransits(run, midnights, table, result, recorder);
  recording.firstRowEmpty = table.RowIsEmpty(0);
  return recording;
}

// Hands the rows of a run, or of a later stretch of one, computed ahead to
// the observer as the search would have handed them over from the
// stretch's first day on, and the rows taken to the results. True where the
// run ends there, stopped: by a Stop heard before a transit, a row refused
// before the run's last day, or as the recording itself ended. handedAny
// tells whether a row was handed over.
bool HandOverRecorded(const RunRecording& recording, int32_t firstDay, int32_t lastDay, RunObserver& observer,
                      RunResult& result, bool& handedAny) {
  handedAny = false;
  TransitRecord transit;
  auto keepTransit = [&] {
    if (!transit.passes.empty()) result.transits.push_back(std::move(transit));
    transit = TransitRecord{};
  };
  bool stopped = recording.end == RunEnd::Stopped;
  if (!observer.NextDay(firstDay)) return true;
  for (const RecordedRow& recorded : recording.rows) {
    if (recorded.place.beginsTransit) keepTransit();
    // A Stop heard between two rows ends the run before the later one.
    if ((!handedAny || recorded.place.beginsTransit) && !observer.NextDay(recorded.day)) {
      stopped = true;
      break;
    }
    handedAny = true;
    const RunObserver::RowTaken taken = observer.TakeRow(recorded.row, recorded.place);
    if (taken.taken) {
      transit.aspect = recorded.row.aspect;
      transit.passes.push_back(recorded.row);
    }
    if (taken.stop) {
      // The run ends at its next day: none follows the last one.
      stopped = stopped || recorded.day < lastDay;
      break;
    }
  }
  keepTransit();
  return stopped;
}

bool SameRun(const RunDescription& a, const RunDescription& b) {
  return a.world == b.world && a.bodies == b.bodies && a.natalLongitude == b.natalLongitude &&
         a.orbs.OrbDegrees == b.orbs.OrbDegrees && a.aspects == b.aspects && a.startDay == b.startDay &&
         a.endDay == b.endDay && a.zone == b.zone && a.zodiac == b.zodiac && a.retrogradeMarks == b.retrogradeMarks &&
         a.crossingMinutes == b.crossingMinutes && a.progression == b.progression;
}

// A worker thread's own engine: the ephemeris library keeps its state for
// each thread apart, and the samples of a series' transiting body serve the
// thread's next run of it.
struct WorkerEngine {
  WorkerEngine(const std::string& folder, const PlutoTable* table)
      : dataFolder(folder), pluto(table), library(folder), positions(library, table) {}
  MidnightLongitudes& Midnights(const Zone& zone, Zodiac zodiac) {
    if (!midnights || !midnights->Serves(zone, zodiac)) midnights.emplace(positions, zone, zodiac);
    return *midnights;
  }
  std::string dataFolder;
  const PlutoTable* pluto;
  SwissEphemeris library;
  BodyPositions positions;
  std::optional<MidnightLongitudes> midnights;
};

WorkerEngine& ThreadEngine(const std::string& folder, const PlutoTable* pluto) {
  thread_local std::unique_ptr<WorkerEngine> engine;
  if (!engine || engine->dataFolder != folder || engine->pluto != pluto)
    engine = std::make_unique<WorkerEngine>(folder, pluto);
  return *engine;
}

// The fits for decisions of the bodies in the mask over spans first to
// last, made with this thread's engine.
LongitudeFits::Table FitsMadeHere(uint32_t bodies, int64_t first, int64_t last, const std::string& folder,
                                  const PlutoTable* pluto) {
  LongitudeFits made(ThreadEngine(folder, pluto).positions, Zodiac::Tropical);
  made.MakeSpans(bodies, first, last);
  return made.Made();
}

// A single run's fits for decisions, made on another thread while the run
// makes those it finds missing as it walks: the other thread starts a
// quarter into the period and works forwards to its end, then backwards
// from where it started, and skips what the run has reached. Where making
// the fits is most of the work (Sun-Mercury: three fifths), the run has
// made its own first quarter when the other thread is about at the end,
// and walks the rest on fits made ahead; where the walk is most (the slow
// pairs), the other thread stays ahead all the same. The fits are the same
// bits whichever thread makes them, so the report is the same.
class FitsMadeAhead {
 public:
  // Starts making the fits of the run's moving bodies that decide on fits
  // when it runs alone, for the run's midnights to take while this lives;
  // nothing for a period too short to pay for a thread.
  FitsMadeAhead(const RunDescription& run, MidnightLongitudes& midnights, const std::string& folder,
                const PlutoTable* pluto)
      : midnights_(midnights) {
    if (static_cast<int64_t>(run.endDay) - run.startDay < kFewestDays) return;
    // The spans that hold the midnights the walk looks at, and half an hour
    // beyond the last (the retrograde test's), eight at a time.
    std::vector<DecisionFitPiece> chunks = DecisionFitPieces({run}, kFitSpansAtOnce);
    if (chunks.empty()) return;
    // Those from a quarter into the period on in time order, then the ones
    // before it latest first.
    const double quarter = LocalMidnight(run.startDay, run.zone).ut + (run.endDay - run.startDay) / 4.0;
    std::ranges::sort(chunks, [&](const DecisionFitPiece& a, const DecisionFitPiece& b) {
      const bool aLater = a.from >= quarter, bLater = b.from >= quarter;
      if (aLater != bLater) return aLater;
      return aLater ? a.from < b.from : a.from > b.from;
    });
    try {
      thread_ = std::thread([this, chunks = std::move(chunks), folder, pluto] {
        try {
          for (const DecisionFitPiece& chunk : chunks) {
            if (stop_.load(std::memory_order_relaxed)) return;
            if (ahead_.Reached(chunk.from)) continue;
            ahead_.Put(std::move(FitsMadeHere(chunk.bodies, chunk.first, chunk.last, folder, pluto).fits));
          }
        } catch (...) {
          // The run makes what is missing itself.
        }
      });
    } catch (const std::system_error&) {
      return;  // no thread to be had: the run makes every fit itself
    }
    midnights_.TakeFitsAhead(&ahead_);
  }
  FitsMadeAhead(const FitsMadeAhead&) = delete;
  FitsMadeAhead& operator=(const FitsMadeAhead&) = delete;
  ~FitsMadeAhead() {
    midnights_.TakeFitsAhead(nullptr);
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  static constexpr int64_t kFewestDays = 2 * 365;
  MidnightLongitudes& midnights_;
  FitsAhead ahead_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A single run cut at quiet days (no transit under way, QuietCuts) into
// stretches, the later ones computed on other cores while this one computes
// the first: their rows, handed over after the first stretch's, are the
// whole run's. Each stretch makes its own fits and midnights.
class LaterStretches {
 public:
  // Cuts the run into as many stretches as it may use cores, each of a year
  // at least, and starts computing every stretch but the first; none where
  // no quiet day is found.
  LaterStretches(const RunDescription& run, const BodyPositions& positions, unsigned cores,
                 const std::string& folder, const PlutoTable* pluto)
      : folder_(folder), pluto_(pluto) {
    const int64_t days = static_cast<int64_t>(run.endDay) - run.startDay + 1;
    const auto count = static_cast<int>(std::min<int64_t>(cores, days / kFewestDays));
    const std::vector<RunDescription> runs = CutRun(run, QuietCuts(run, positions, count));
    first_ = runs.front();
    for (size_t k = 1; k < runs.size(); ++k) {
      later_.push_back(std::make_unique<Stretch>());
      later_.back()->run = runs[k];
    }
    for (const auto& stretch : later_) {
      try {
        stretch->thread = std::thread([this, s = stretch.get()] {
          try {
            WorkerEngine& engine = ThreadEngine(folder_, pluto_);
            MidnightLongitudes& midnights = engine.Midnights(s->run.zone, s->run.zodiac);
            midnights.ComputesTogether(0, 0);
            s->recording = RecordRun(s->run, midnights, [this](int32_t) { return !cancel_.load(); });
            s->done = true;
          } catch (...) {
            // Computed again on the run's own thread when its turn comes.
          }
        });
      } catch (const std::system_error&) {
        // No thread to be had: computed on the run's own thread in its turn.
      }
    }
  }
  LaterStretches(const LaterStretches&) = delete;
  LaterStretches& operator=(const LaterStretches&) = delete;
  ~LaterStretches() {
    cancel_ = true;
    for (const auto& stretch : later_)
      if (stretch->thread.joinable()) stretch->thread.join();
  }

  // The first stretch (the whole run where it is not cut), the number of
  // those after it, and the day each of those begins.
  const RunDescription& First() const { return first_; }
  size_t Count() const { return later_.size(); }
  int32_t StartDay(size_t k) const { return later_[k]->run.startDay; }
  // The rows later stretch k found, once it is done: computed here, with
  // midnights that serve the run, where its thread could not be had or failed.
  RunRecording Take(size_t k, MidnightLongitudes& midnights) {
    Stretch& stretch = *later_[k];
    if (stretch.thread.joinable()) stretch.thread.join();
    if (stretch.done) return std::move(stretch.recording);
    return RecordRun(stretch.run, midnights, [](int32_t) { return true; });
  }

 private:
  static constexpr int64_t kFewestDays = 365;
  struct Stretch {
    RunDescription run;
    RunRecording recording;
    bool done = false;
    std::thread thread;
  };
  std::string folder_;
  const PlutoTable* pluto_;
  std::atomic<bool> cancel_{false};
  RunDescription first_;
  std::vector<std::unique_ptr<Stretch>> later_;
};

// A face that hears nothing: the planning of a series tells no one.
class SilentFace : public RunFace {
 public:
  void Tell(const Notice&) override {}
  void BeginReport() override {}
  void Append(std::string_view) override {}
  bool NextDay(int32_t) override { return true; }
};

}  // namespace

// The runs of a series computed ahead on worker threads, at most a few
// beyond the one the series shows, and handed to the series in its order.
class Session::Feed {
 public:
  Feed(std::vector<RunDescription> plan, unsigned jobs, const std::string& folder, const PlutoTable* pluto)
      : plan_(std::move(plan)) {
    coordinator_ = std::thread([this, jobs, folder, pluto] {
      try {
        ShareMidnightsAndFits(jobs, folder, pluto);
        RunInOrder<RunRecording>(
            plan_.size(), jobs, [&](std::size_t i) { return Record(i, ThreadEngine(folder, pluto)); },
            [&](std::size_t i, RunRecording&& recording) {
              std::unique_lock lock(mutex_);
              changed_.wait(lock, [&] { return cancelled_ || ready_.size() < kReadyAhead; });
              if (cancelled_) return false;
              ready_.emplace_back(i, std::move(recording));
              changed_.notify_all();
              return true;
            });
      } catch (...) {
        std::lock_guard lock(mutex_);
        error_ = std::current_exception();
      }
      std::lock_guard lock(mutex_);
      finished_ = true;
      changed_.notify_all();
    });
  }
  Feed(const Feed&) = delete;
  Feed& operator=(const Feed&) = delete;
  ~Feed() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    cancelFlag_ = true;
    changed_.notify_all();
    coordinator_.join();
  }

  // The run next in the plan, computed, when it is `run`; nothing when the
  // series went another way than planned (the caller runs it itself). While
  // it waits, nextDay hears the day that run has reached; false stops it
  // there, as it would stop a run on the calling thread.
  std::optional<RunRecording> Next(const RunDescription& run, const std::function<bool(int32_t)>& nextDay) {
    if (diverged_ || next_ >= plan_.size() || !SameRun(plan_[next_], run)) {
      diverged_ = true;
      return std::nullopt;
    }
    const std::size_t index = next_++;
    awaitedDay_ = run.startDay;
    awaited_ = index;
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!ready_.empty() && ready_.front().first == index) {
        RunRecording recording = std::move(ready_.front().second);
        ready_.pop_front();
        changed_.notify_all();
        return recording;
      }
      if (finished_) {
        if (error_) std::rethrow_exception(error_);
        diverged_ = true;
        return std::nullopt;
      }
      if (changed_.wait_for(lock, std::chrono::milliseconds(50), [&] { return finished_ || !ready_.empty(); }))
        continue;
      lock.unlock();
      if (!nextDay(awaitedDay_)) stopIndex_ = index;
      lock.lock();
    }
  }

 private:
  // Results handed over and not yet shown: the worker threads wait beyond that.
  static constexpr std::size_t kReadyAhead = 2;

  // The midnights of one body in one zone and zodiac, from firstDay on.
  struct SharedMidnights {
    BodyIndex body = 0;
    Zone zone;
    Zodiac zodiac = Zodiac::Tropical;
    int32_t firstDay = 0;
    std::vector<Position> values;
  };

  bool Stopping() const { return cancelFlag_ || stopIndex_ != std::numeric_limits<std::size_t>::max(); }

  // The Moon's runs need its position at every midnight of their periods
  // (no fit spares any), and every other body's its fits for decisions over
  // them; each worker would compute them all again for its share of the
  // runs: they are computed once, before the runs, the days and spans split
  // among the workers, and each run takes them.
  void ShareMidnightsAndFits(unsigned jobs, const std::string& folder, const PlutoTable* pluto) {
    for (const RunDescription& run : plan_) {
      for (const BodyIndex body : EveryMidnightBodies(run)) {
        if (body < 0) continue;
        // The walk looks a day behind and two ahead of the day it judges.
        const int32_t first = run.startDay - 2, last = run.endDay + 2;
        auto same = [&](const SharedMidnights& m) {
          return m.body == body && m.zone == run.zone && m.zodiac == run.zodiac;
        };
        auto found = std::find_if(shared_.begin(), shared_.end(), same);
        if (found == shared_.end()) {
          shared_.push_back({body, run.zone, run.zodiac, first, std::vector<Position>(last - first + 1)});
          continue;
        }
        const int32_t from = std::min(first, found->firstDay);
        const int32_t to = std::max<int32_t>(last, found->firstDay + static_cast<int32_t>(found->values.size()) - 1);
        found->values.insert(found->values.begin(), static_cast<size_t>(found->firstDay - from), Position{});
        found->values.resize(static_cast<size_t>(to - from + 1));
        found->firstDay = from;
      }
    }
    // Each chunk of days is computed midnight by midnight, every body of the
    // zone at each: the ephemeris keeps what the bodies of one instant share
    // (the Earth's place, and the nutation where it is the library's own),
    // which makes a midnight of four bodies cost two thirds (a half) of four
    // midnights a body at a time (see MidnightLongitudes::ComputesTogether).
    constexpr int32_t kChunk = 1024;
    struct Chunk {
      std::vector<SharedMidnights*> tables;  // of one zone
      int32_t from = 0, to = 0;
    };
    std::vector<Chunk> chunks;
    std::vector<bool> grouped(shared_.size(), false);
    for (std::size_t g = 0; g < shared_.size(); ++g) {
      if (grouped[g]) continue;
      std::vector<SharedMidnights*> tables;
      int32_t first = std::numeric_limits<int32_t>::max(), end = std::numeric_limits<int32_t>::min();
      for (std::size_t k = g; k < shared_.size(); ++k) {
        SharedMidnights& m = shared_[k];
        if (grouped[k] || !(m.zone == shared_[g].zone)) continue;
        grouped[k] = true;
        tables.push_back(&m);
        first = std::min(first, m.firstDay);
        end = std::max(end, m.firstDay + static_cast<int32_t>(m.values.size()));
      }
      for (int32_t day = first; day < end; day += kChunk) chunks.push_back({tables, day, std::min(day + kChunk, end)});
    }
    // The spans that hold the midnights of the runs, and half an hour beyond
    // the last (the retrograde test's): the runs of a series share their
    // period. Fits are tropical and kept by instant, so one set serves every
    // zone and zodiac.
    const std::vector<DecisionFitPiece> fitChunks = DecisionFitPieces(plan_, kFitSpansAtOnce);
    auto fits = std::make_shared<LongitudeFits::Table>();
    struct Computed {
      std::vector<std::vector<Position>> midnights;
      LongitudeFits::Table fits;
    };
    auto daysOf = [](const SharedMidnights& m, const Chunk& c) {
      return std::pair{std::max(c.from, m.firstDay), std::min(c.to, m.firstDay + static_cast<int32_t>(m.values.size()))};
    };
    RunInOrder<Computed>(
        chunks.size() + fitChunks.size(), jobs,
        [&](std::size_t i) {
          Computed computed;
          // A run stopped leaves the rest to be computed as wanted.
          if (i >= chunks.size()) {
            if (Stopping()) return computed;
            const DecisionFitPiece& f = fitChunks[i - chunks.size()];
            computed.fits = FitsMadeHere(f.bodies, f.first, f.last, folder, pluto);
            return computed;
          }
          const Chunk& c = chunks[i];
          std::vector<std::vector<Position>>& values = computed.midnights;
          for (const SharedMidnights* m : c.tables) {
            const auto [from, to] = daysOf(*m, c);
            values.emplace_back(static_cast<size_t>(std::max(0, to - from)),
                                Position{PositionStatus::Known, std::numeric_limits<double>::quiet_NaN()});
          }
          if (Stopping()) return computed;
          const BodyPositions& positions = ThreadEngine(folder, pluto).positions;
          for (int32_t day = c.from; day < c.to; ++day) {
            const double ut = LocalMidnight(day, c.tables.front()->zone).ut;
            for (std::size_t t = 0; t < c.tables.size(); ++t) {
              const SharedMidnights& m = *c.tables[t];
              const auto [from, to] = daysOf(m, c);
              if (day >= from && day < to)
                values[t][static_cast<size_t>(day - from)] = positions.Longitude(m.body, ut, m.zodiac);
            }
          }
          return computed;
        },
        [&](std::size_t i, Computed&& computed) {
          if (i >= chunks.size()) {
            fits->fits.merge(computed.fits.fits);
            fits->nearTheSun.merge(computed.fits.nearTheSun);
            return true;
          }
          const std::vector<std::vector<Position>>& values = computed.midnights;
          const Chunk& c = chunks[i];
          for (std::size_t t = 0; t < c.tables.size(); ++t) {
            SharedMidnights& m = *c.tables[t];
            const int32_t from = daysOf(m, c).first;
            std::copy(values[t].begin(), values[t].end(), m.values.begin() + (from - m.firstDay));
          }
          return true;
        });
    if (!fitChunks.empty()) sharedFits_ = std::move(fits);
  }

  // The run with every row taken; a run stops only when asked to here.
  RunRecording Record(std::size_t index, WorkerEngine& engine) {
    const RunDescription& run = plan_[index];
    MidnightLongitudes& midnights = engine.Midnights(run.zone, run.zodiac);
    for (const SharedMidnights& m : shared_)
      if (std::ranges::count(MovingBodies(run), m.body) > 0 && m.zone == run.zone &&
          m.zodiac == run.zodiac)
        midnights.Adopt(m.body, m.firstDay, m.values);
    midnights.AdoptFits(sharedFits_);
    // While it runs here: the other workers' runs turn where this one does.
    midnights.ShareSpeeds(speeds_);
    struct Unshare {
      MidnightLongitudes& midnights;
      ~Unshare() { midnights.ShareSpeeds(nullptr); }
    } unshare{midnights};
    return RecordRun(run, midnights, [this, index](int32_t day) {
      if (awaited_ == index) awaitedDay_ = day;
      return !cancelFlag_ && stopIndex_ != index;
    });
  }

  std::vector<RunDescription> plan_;
  std::vector<SharedMidnights> shared_;  // written before the first run starts
  std::shared_ptr<const LongitudeFits::Table> sharedFits_;  // likewise
  const std::shared_ptr<SharedSpeeds> speeds_ = std::make_shared<SharedSpeeds>();
  std::thread coordinator_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, RunRecording>> ready_;
  bool cancelled_ = false, finished_ = false;
  std::exception_ptr error_;
  std::size_t next_ = 0;  // the calling thread's alone
  bool diverged_ = false;
  std::atomic<std::size_t> awaited_{std::numeric_limits<std::size_t>::max()};
  std::atomic<int32_t> awaitedDay_{0};
  std::atomic<std::size_t> stopIndex_{std::numeric_limits<std::size_t>::max()};
  std::atomic<bool> cancelFlag_{false};
};

// One press of Start (or one run of a series, or the Search's run): the
// request's checks in their order, then the run.
struct Session::Press {
  const RunRequest& r;
  const Captions& captions;
  RunFace& face;
  EnteredDays days;
  // The zones as the checks found them (a name read in the tz database).
  Zone birthZone, resultZone;

  bool Refused(const Check& check) {
    if (!check) return false;
    face.DatesRead(days);
    face.Refuse(*check);
    return true;
  }
};

bool Session::NatalPosition(const RunRequest& r, const Zone& birthZone, RunDescription& run, int32_t birthDay,
                            RunFace& face) {
  const BodyIndex natalBody = run.bodies[1];
  const double birth = BirthInstant(r, birthZone, birthDay);
  birthInstant_ = birth;
  // The eclipses and lunations are set against the natal angles too.
  const bool anglesWanted = r.eclipses || r.lunations;
  if ((IsNatalPoint(natalBody) || r.houseIngresses || anglesWanted) && r.birth.place) {
    const BirthPlace& place = *r.birth.place;
    const NatalHouses houses = NatalHousesAt(birth, place, r.houses, run.zodiac);
    if (!houses.known) {
      face.Tell({"The houses of this birth cannot be computed.", "Error", MsgIcon::Exclamation});
      return false;
    }
    // The angles hold in every system; the cusps, which the house ingresses
    // need too, only where the system has them.
    const bool cuspsNeeded = (natalBody >= Cusp2 && natalBody <= Cusp12) || r.houseIngresses;
    if (cuspsNeeded && !houses.systemHolds) {
      face.Tell({NoCuspsMessage(r.houses, place.latitude), "Houses", MsgIcon::Exclamation});
      return false;
    }
    natalHouses_ = houses;
    if (IsNatalPoint(natalBody)) {
      run.natalLongitude = NatalPointLongitude(houses, natalBody);
      return true;
    }
  }
  const Position natal = KeptLongitude(natalBody, birth, run.zodiac);
  run.natalLongitude = natal.longitude;
  if (natal.Known()) return true;
  face.Tell({DateRangeMessage(RangeErrorOf(natal.status, false), run.bodies[0], run.bodies[1]), "Error",
             MsgIcon::Exclamation});
  return false;
}

Session::Session(std::string dataFolder) : dataFolder_(std::move(dataFolder)), library_(dataFolder_) {}

void Session::UsePlutoTable(std::shared_ptr<const PlutoTable> table) {
  pluto_ = std::move(table);
  positions_.UsePlutoTable(pluto_.get());
  midnights_.reset();
}

bool Session::EnsurePlutoData(RunFace& face) {
  if (pluto_) return true;
  std::string error;
  auto table = std::make_shared<PlutoTable>();
  if (table->Load(dataFolder_ + PlutoFileName, error)) {
    UsePlutoTable(std::move(table));
    return true;
  }
  face.Tell({"Error when reading geocentric Pluto data.\r\n" + error, "Read Pluto Data", MsgIcon::Exclamation});
  face.Tell({"Cannot read Pluto data", "", MsgIcon::Exclamation});
  return false;
}

Position Session::KeptLongitude(BodyIndex body, double jd, Zodiac zodiac) {
  if (body == Pluto) return positions_.Longitude(body, jd, zodiac);
  return Kept(keptLongitudes_, 4096, {body, jd, zodiac}, [&] { return positions_.Longitude(body, jd, zodiac); });
}

NatalHouses Session::NatalHousesAt(double birth, const BirthPlace& place, HouseSystem system, Zodiac zodiac) {
  return Kept(natalHousesAt_, 256, {birth, place.latitude, place.longitude, system, zodiac},
              [&] { return HousesAt(library_, birth, place.latitude, place.longitude, system, zodiac); });
}

MidnightLongitudes& Session::Midnights(const Zone& zone, Zodiac zodiac) {
  // A progressed run's positions are made afresh, in the same place, for
  // each run: what they moved the bodies by tells them apart.
  if (!midnights_ || !midnights_->Serves(zone, zodiac) || &midnights_->Positions() != &RunPositions() ||
      midnights_->MadeFor() != RunPositions().Moved())
    midnights_.emplace(RunPositions(), zone, zodiac);
  return *midnights_;
}

void Session::Perform(const RunRequest& request, RunFace& face) {
  if (request.search) {
    Search(request, face);
  } else if (request.series != SeriesKind::None) {
    ShowAll(request, face);
  } else {
    Start(request, face);
  }
}

bool Session::Start(const RunRequest& request, RunFace& face) {
  if (running_) {
    // Pressed from inside the run's daily yield: the run notices the
    // request there and ends itself.
    stopRequested_ = true;
    return false;
  }
  results_.clear();
  reportFilled_ = false;
  natalHouses_.reset();
  birthInstant_.reset();
  const bool ran = StartOne(request, face, CaptionsOf(request), false);
  CommandEnded();
  return ran;
}

bool Session::StartOne(const RunRequest& r, RunFace& face, const Captions& captions, bool inSeries) {
  // Every way out before the run counts as a refused press, which ends a
  // Show-all series.
  abandoned_ = true;
  if (quitRequested_) return false;
  Press p{r, captions, face, {}, {}, {}};
  const bool world = r.World();
  if (p.Refused(CheckOutputFile(r, captions))) return false;
  if (p.Refused(CheckDatePresent(r, captions, 0)) || p.Refused(CheckDatePresent(r, captions, 1))) return false;
  if (!world && p.Refused(CheckBirthBoxes(r, captions))) return false;
  if (p.Refused(CheckDateValid(r, captions, 0, p.days)) || p.Refused(CheckDateValid(r, captions, 1, p.days)))
    return false;
  if (!world &&
      (p.Refused(CheckBirthData(r, captions, true, p.days)) || p.Refused(CheckBirthZone(r, captions, p.birthZone))))
    return false;
  if (!world && p.Refused(CheckBirthPlace(r, captions))) return false;
  if (p.Refused(CheckPeriod(captions, p.days)) || p.Refused(CheckResultZone(r, captions.start, p.resultZone)))
    return false;

  // No inner body chosen stands for Pluto: the closing pair of a world
  // series is made that way.
  BodyIndex first = world && r.first == 0 ? Pluto : r.first;
  BodyIndex second = r.second;
  if (world) {
    bool skip = false;
    if (p.Refused(CheckBodyOrder(first, second, captions, false, inSeries, skip))) return false;
    if (skip) {
      // A series passes over the pair without a word, and goes on.
      abandoned_ = false;
      return false;
    }
  }
  // A series has checked that its orbs are nested before its first run;
  // the per-body minimums are for a single pair.
  if (!inSeries && p.Refused(CheckOrbs(r))) return false;

  RunDescription run;
  run.world = world;
  run.bodies = {first, second};
  run.orbs.Set(r.orbs[0], r.orbs[1], r.orbs[2]);
  run.aspects = r.aspects;
  if ((first == Pluto || second == Pluto) && !EnsurePlutoData(face)) return false;
  auto status = [this](BodyIndex body, double instant) {
    return KeptLongitude(body, instant, Zodiac::Tropical).status;
  };
  if (p.Refused(CheckBodyRanges(status, first, second, p.days.days[0], 0)) ||
      p.Refused(CheckBodyRanges(status, first, second, p.days.days[1], 1)))
    return false;
  face.DatesRead(p.days);

  run.zodiac = world ? Zodiac::Tropical : r.zodiac;
  if (!world) {
    // The birth zone can push the birth minute in Universal Time onto a day
    // outside the natal body's data although the birth date is inside it.
    if (!NatalPosition(r, p.birthZone, run, p.days.days[2], face)) return false;
  }
  moved_.reset();
  if (!world && r.progression != ProgressionKind::Transit) {
    moved_.emplace(library_, pluto_.get());
    moved_->UseProgression({r.progression, *birthInstant_});
    run.progression = r.progression;
  }

  abandoned_ = false;
  run.zone = p.resultZone;
  run.startDay = ExtendStartToTransit(Midnights(run.zone, run.zodiac), run, p.days.days[0]);
  run.endDay = p.days.days[1];
  // A world series shows no retrograde marks: its pairs would each mark a
  // different body.
  run.retrogradeMarks = !(inSeries && world);
  run.crossingMinutes = r.crossingMinutes;
  ++runsStarted_;
  RunTransits(run, TitleOf(r, run, p.days.days[2], p.birthZone, inSeries), face, inSeries);
  return true;
}

void Session::ShowAll(const RunRequest& request, RunFace& face) {
  if (running_) {
    stopRequested_ = true;
    return;
  }
  results_.clear();
  reportFilled_ = false;
  natalHouses_.reset();
  birthInstant_.reset();
  const Captions captions = CaptionsOf(request);
  // Every report of a series is a table of nested orbs, whose columns mean
  // nothing otherwise. Told once, before anything is cleared or run.
  if (const Check nested = CheckOrbsNested(request)) {
    face.Refuse(*nested);
    return;
  }
  // A series runs its pairs unchecked for the orbs of one body; the Moon's
  // rule, which a narrow outer orb would break for every run of its series,
  // is told once here.
  const bool innerSeries = !request.World() && request.series == SeriesKind::Inner;
  const BodyIndex moving = request.series == SeriesKind::Every ? (request.withMoon ? Moon : 0)
                           : innerSeries                       ? request.first
                                                               : 0;
  if (const Check swift = CheckSwiftOrbs(request, moving)) {
    face.Refuse(*swift);
    return;
  }
  // A progressed or directed series moves its bodies with the session's own
  // positions: it runs on this thread (on the workers it ran slower than on
  // one thread, each worker taking its moved bodies' samples again).
  if (WorkerCount(jobs_) > 1 && plan_ == nullptr && feed_ == nullptr &&
      request.progression == ProgressionKind::Transit) {
    // The runs are computed ahead on every thread asked for, and shown in
    // their order as the series reaches them.
    // The planning reads the Pluto table when a run needs it.
    std::vector<RunDescription> plan = PlanSeries(request, captions);
    Feed feed(std::move(plan), jobs_, dataFolder_, pluto_.get());
    feed_ = &feed;
    try {
      SeriesOrChart(request, face, captions);
    } catch (...) {
      feed_ = nullptr;
      throw;
    }
    feed_ = nullptr;
  } else {
    // On this thread, the series' Moon has its midnights
    // computed together, as the workers' share does.
    seriesTogether_ = 0;
    seriesTogetherThrough_ = std::numeric_limits<int32_t>::min();
    if (plan_ == nullptr && feed_ == nullptr && request.progression == ProgressionKind::Transit)
      for (const RunDescription& run : PlanSeries(request, captions))
        for (const BodyIndex body : EveryMidnightBodies(run))
          if (body >= 0) {
            seriesTogether_ |= 1u << body;
            // The walk looks two days beyond the day it judges.
            seriesTogetherThrough_ = std::max(seriesTogetherThrough_, run.endDay + 2);
          }
    try {
      SeriesOrChart(request, face, captions);
    } catch (...) {
      seriesTogether_ = 0;
      throw;
    }
    seriesTogether_ = 0;
  }
  CommandEnded();
}

std::vector<RunDescription> Session::PlanSeries(const RunRequest& request, const Captions& captions) {
  std::vector<RunDescription> plan;
  SilentFace silent;
  const int32_t runsStarted = runsStarted_;
  plan_ = &plan;
  try {
    SeriesOrChart(request, silent, captions);
  } catch (...) {
    plan_ = nullptr;
    throw;
  }
  plan_ = nullptr;
  runsStarted_ = runsStarted;
  abandoned_ = false;
  return plan;
}

void Session::SeriesOrChart(const RunRequest& request, RunFace& face, const Captions& captions) {
  const bool innerSeries = !request.World() && request.series == SeriesKind::Inner;
  if (request.series != SeriesKind::Every) {
    Series(request, face, captions, innerSeries, true);
  } else {
    // The whole natal chart: for each transiting body in list order, its
    // series over the natal bodies, one after the other, and the Moon's
    // last when asked for.
    RunRequest chart = request;
    const BodyIndex last = request.withMoon ? Moon : Pluto;
    for (BodyIndex body = Sun; body <= last; ++body) {
      chart.first = body;
      Series(chart, face, captions, true, body == Sun);
      // A series cut short, or refused, ends the chart there.
      if (abandoned_) break;
    }
  }
}

void Session::Series(const RunRequest& request, RunFace& face, const Captions& captions, bool walkNatal,
                     bool emptyBox) {
  // The series' reports follow one another, in an emptied report.
  face.SeriesBegins(emptyBox);
  const bool world = request.World();
  RunRequest one = request;
  one.series = SeriesKind::None;
  // The window's own bodies: the inner list of a world pair (Sun .. Neptune),
  // the transiting list (Sun .. Pluto), or the natal list (Sun .. Pluto, Moon).
  const BodyIndex last = world ? Neptune : walkNatal ? Moon : Pluto;
  for (BodyIndex body = Sun; body <= last; ++body) {
    (walkNatal ? one.second : one.first) = body;
    StartOne(one, face, captions, true);
    if (abandoned_) break;
  }
  // The whole chart of a birth with its place has its angles too.
  if (walkNatal && request.series == SeriesKind::Every && request.birth.place) {
    for (const BodyIndex point : {Ascendant, Midheaven}) {
      if (abandoned_) break;
      one.second = point;
      StartOne(one, face, captions, true);
    }
  }
  if (world && !reportFilled_) {
    // Pluto, which the inner list does not hold, is paired with the outer
    // body last, also after an early end; a full report takes no more.
    one.first = 0;
    StartOne(one, face, captions, true);
  }
  face.SeriesEnds();
}

void Session::RunTransits(const RunDescription& run, const std::string& title, RunFace& face, bool inSeries) {
  if (plan_ != nullptr) {
    plan_->push_back(run);
    return;
  }
  // A series' report filled by the last row of its run before takes no new
  // block: it ends where it is, as a run that fills it ends.
  if (inSeries && face.ReportFull()) {
    TellReportFull(face);
    face.Append("Stopped");
    return;
  }
  // A series collects the results of all its runs.
  results_.push_back(ResultOf(run));
  runStartDay_ = run.startDay;
  runEndDay_ = run.endDay;
  face.BeginReport();

  TransitTable table;
  table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
  table.ClearTransitTable();
  // A request left from before must not stop this run.
  stopRequested_ = false;
  HtmlReport* html = face.Html();
  bool htmlTried = false, htmlOpen = false;

  // Prints one row: a text line and, with an HTML report, its HTML lines (the
  // heading row only opens the table: the head stands in for it). A full
  // report refuses the row and asks the run to stop.
  auto writeRow = [&](const ReportCells& cells, bool heading) {
    if (face.ReportFull()) {
      TellReportFull(face);
      stopRequested_ = true;
      return false;
    }
    face.Append(ReportLine(cells));
    if (html != nullptr) {
      // A file that cannot be opened is told once a run, not once a row.
      if (!htmlTried) {
        htmlTried = true;
        htmlOpen = html->BeginTable();
        if (htmlOpen)
          for (const std::string& line : HtmlHeadLines(title, run.orbs.OrbDegrees)) html->Line(line);
      }
      if (htmlOpen && !heading)
        for (const std::string& line : HtmlRowLines(cells)) html->Line(line);
    }
    return true;
  };

  face.Append(ReportTitleLine(title));
  if (!writeRow(HeadingCells(run.orbs.OrbDegrees), true)) {
    // Appended to a full report: the run ends under its title, with no
    // separator and no day computed.
    results_.pop_back();
    stopRequested_ = false;
    face.Append("Stopped");
    return;
  }
  face.Append(ReportSeparatorLine());
  running_ = true;
  face.RunBegins();

  class Observer : public RunObserver {
   public:
    Observer(Session& s, RunFace& face, const std::function<bool(const ReportCells&, bool)>& write)
        : s_(s), face_(face), write_(write) {}
    bool NextDay(int32_t day) override {
      if (!face_.NextDay(day)) s_.stopRequested_ = true;
      return !(s_.stopRequested_ || s_.quitRequested_);
    }
    RowTaken TakeRow(const TransitRowData& row, RowPlace place) override {
      RowTaken taken;
      taken.taken = write_(rows_.Next(row, place), false);
      taken.stop = s_.stopRequested_;
      return taken;
    }

   private:
    Session& s_;
    RunFace& face_;
    const std::function<bool(const ReportCells&, bool)>& write_;
    ReportTableWriter rows_;
  };
  const std::function<bool(const ReportCells&, bool)> write = writeRow;
  Observer observer(*this, face, write);
  RunEnd end = RunEnd::Completed;
  bool anyTransit = false;
  std::optional<RunRecording> recording;
  if (feed_ != nullptr) recording = feed_->Next(run, [&observer](int32_t day) { return observer.NextDay(day); });
  if (recording) {
    // The run was computed ahead with every row taken: its rows are printed
    // now as the run would have handed them over, and a full report or a
    // Stop ends it where it would have ended.
    bool handedAny = false;
    if (HandOverRecorded(*recording, run.startDay, run.endDay, observer, results_.back(), handedAny)) {
      results_.back().stopped = true;
      end = RunEnd::Stopped;
    }
    anyTransit = handedAny && !recording->firstRowEmpty;
  } else {
    // The results take the rows as they are printed, so that a full report
    // and the exports agree.
    MidnightLongitudes& midnights = Midnights(run.zone, run.zodiac);
    midnights.ComputesTogether(inSeries ? seriesTogether_ : 0, seriesTogetherThrough_);
    // A run of its own, with the sky's positions, is cut into stretches for
    // the other cores where it may use them and a quiet day allows;
    // otherwise its fits are made ahead on another core.
    std::optional<LaterStretches> later;
    std::optional<FitsMadeAhead> ahead;
    if (!inSeries && WorkerCount(jobs_) > 1 && run.progression == ProgressionKind::Transit) {
      later.emplace(run, midnights.Positions(), WorkerCount(jobs_), dataFolder_, pluto_.get());
      if (later->Count() == 0) ahead.emplace(run, midnights, dataFolder_, pluto_.get());
    }
    end = SearchTransits(later ? later->First() : run, midnights, table, results_.back(), observer);
    anyTransit = !table.RowIsEmpty(0);
    for (size_t k = 0; later && k < later->Count() && end == RunEnd::Completed; ++k) {
      const RunRecording stretch = later->Take(k, midnights);
      bool handedAny = false;
      if (HandOverRecorded(stretch, later->StartDay(k), run.endDay, observer, results_.back(), handedAny)) {
        results_.back().stopped = true;
        end = RunEnd::Stopped;
      }
      anyTransit = anyTransit || (handedAny && !stretch.firstRowEmpty);
    }
  }
  running_ = false;
  lastRunFoundAny_ = anyTransit;
  if (end == RunEnd::Stopped) {
    face.Append("Stopped");
    stopRequested_ = false;
  } else if (!anyTransit) {
    face.Append("No transits in this period.\r\n");
  }
  if (htmlOpen) {
    html->Line(HtmlFootLine);
    html->EndTable();
  }
  face.RunEnds();
  face.RunFinished(results_.back());
  if (!keepTransits_) results_.back().transits = {};
  if (end == RunEnd::Stopped || inSeries) return;
  if (!anyTransit)
    face.Tell({"There are no transits of this kind in the period specified.", "No transits", MsgIcon::Information});
  face.RunDone(anyTransit);
}

void Session::TellReportFull(RunFace& face) {
  face.Tell({"Output textbox is full.", ProgramCaption(), MsgIcon::Exclamation});
  face.Append("Textbox is full -- ");
  reportFilled_ = true;
  abandoned_ = true;
}

bool Session::Search(const RunRequest& request, RunFace& face) {
  if (running_) {
    stopRequested_ = true;
    return false;
  }
  results_.clear();
  reportFilled_ = false;
  natalHouses_.reset();
  birthInstant_.reset();
  const bool ran = SearchInner(request, face);
  CommandEnded();
  return ran;
}

bool Session::SearchInner(const RunRequest& r, RunFace& face) {
  if (quitRequested_) return false;
  const Captions captions = CaptionsOf(r);
  Press p{r, captions, face, {}, {}, {}};
  const bool world = r.World();
  // Only the end date matters: the search starts the day after it.
  if (p.Refused(CheckDatePresent(r, captions, 1)) || p.Refused(CheckDateValid(r, captions, 1, p.days))) return false;
  if (!world &&
      (p.Refused(CheckBirthData(r, captions, false, p.days)) || p.Refused(CheckBirthZone(r, captions, p.birthZone))))
    return false;
  if (!world && p.Refused(CheckBirthPlace(r, captions))) return false;
  if (p.Refused(CheckResultZone(r, captions.search, p.resultZone))) return false;

  BodyIndex first = r.first, second = r.second;
  bool skip = false;
  if (world && p.Refused(CheckBodyOrder(first, second, captions, true, false, skip))) return false;
  std::array<int16_t, 3> orbs = r.orbs;
  if (p.Refused(DeriveSearchOrbs(r, orbs))) return false;
  RunDescription run;
  run.world = world;
  run.bodies = {first, second};
  run.orbs.Set(orbs[0], orbs[1], orbs[2]);
  if ((first == Pluto || second == Pluto) && !EnsurePlutoData(face)) return false;
  auto status = [this](BodyIndex body, double instant) {
    return KeptLongitude(body, instant, Zodiac::Tropical).status;
  };
  if (p.Refused(CheckBodyRanges(status, first, second, p.days.days[1], 1))) return false;
  face.DatesRead(p.days);

  run.zodiac = world ? Zodiac::Tropical : r.zodiac;
  if (!world) {
    // The birth date is not tied to the period here, so it may lie beyond the
    // natal body's data.
    if (!NatalPosition(r, p.birthZone, run, p.days.days[2], face)) return false;
  }
  // The Search looks through the sky itself.
  moved_.reset();
  const AspectIndex aspect = *r.search;
  run.zone = p.resultZone;
  const int32_t dayAfterEnd = p.days.days[1] + 1;

  const AspectTest test{first,     second, aspect, run.orbs.OrbRadians[0], world, world ? 0.0 : run.natalLongitude,
                        run.zodiac};
  RangeErrorCode firstCode = 0;
  const bool underWay = AspectInOrbAt(positions_, test, dayAfterEnd - 0.5, firstCode);
  if (firstCode < 0) face.Tell({DateRangeMessage(firstCode, first, second), "Error", MsgIcon::Exclamation});

  auto noCompleteTransit = [&](RangeErrorCode code, int32_t day) {
    face.SearchGaveUp();
    face.Tell({"No complete " + AsciiLowerCase(AspectName(aspect)) + " transit found up to " + FormatDayNumber(day) +
                   " CE." + "\r\n" + DateRangeMessage(code, first, second),
               "Date out of range", MsgIcon::Exclamation});
    return false;
  };
  RangeErrorCode code = 0;
  bool inOrbAtStart = false;
  // The walks and the run share their samples.
  MidnightLongitudes& midnights = Midnights(run.zone, run.zodiac);
  auto walk = [&](int32_t firstDay, bool wanted) {
    return AspectStateSearch(midnights, test, firstDay, inOrbAtStart, /*forward=*/true, wanted, code,
                             [&face](int32_t day) { face.SearchProgress(day); });
  };
  // A transit already in orb after the end date is not the first complete
  // one: walk past it.
  const int32_t from = underWay ? walk(dayAfterEnd, false) : dayAfterEnd;
  if (code != 0) return noCompleteTransit(code, from);
  const int32_t startDay =
      walk(ApproachInOrb(positions_, test, run.zone, from, [&face](int32_t day) { face.SearchProgress(day); }), true);
  if (code != 0) return noCompleteTransit(code, startDay);
  const int32_t endDay = walk(startDay + 1, false);
  if (code != 0) return noCompleteTransit(code, endDay);
  run.startDay = startDay;
  run.endDay = endDay;
  run.retrogradeMarks = true;
  // The transit found, and no other aspect's that its orbs overlap.
  run.aspects = AspectSet::Of({aspect});

  ++runsStarted_;
  RunTransits(run, TitleOf(r, run, p.days.days[2], p.birthZone, false), face, false);
  if (!r.keepDates && lastRunFoundAny_) face.PeriodFound(startDay, endDay);
  return true;
}

}  // namespace skyloom
