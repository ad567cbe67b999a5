// The commands of the program on a request: a run of one pair (Start), the
// Show-all series and the whole chart, and the Search. The same code serves
// the window and the command line; each face says how it shows messages and
// the report, keeps itself alive during a run and hears Stop.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/houses.h"
#include "engine/midnight_longitudes.h"
#include "engine/pluto_table.h"
#include "engine/positions.h"
#include "engine/run_state.h"
#include "ports/calendar_library.h"
#include "ports/ephemeris.h"
#include "ports/message.h"
#include "request/run_request.h"

namespace skyloom {

// The input a refusal is about, for the face to bring forward.
enum class RequestInput { None, HtmlFile, Start, End, Birth, BirthTime, BirthZone, ResultZone, Bodies, Orbs };

// What the window puts right after the message, so that the next press goes
// through with the value the message suggested.
enum class Repair { None, BirthTimeNoon, BirthZoneGreenwich, ResultZoneGreenwich };

struct Refusal {
  Notice notice;
  RequestInput focus = RequestInput::None;
  Repair repair = Repair::None;
};

// What the checks learnt of the entered dates on their way: day numbers of
// the dates found valid, and the label each date read shows under its boxes
// (its long form, or "invalid date").
struct EnteredDays {
  std::array<int32_t, 3> days{};  // start, end, birth
  std::array<std::optional<std::string>, 3> labels;
};

// The HTML report of the runs of a command: one table a run.
class HtmlReport {
 public:
  virtual ~HtmlReport() = default;
  // Before a run's table; false when the file cannot be written (told).
  virtual bool BeginTable() = 0;
  virtual void Line(std::string_view line) = 0;
  virtual void EndTable() = 0;
};

// The face a command runs behind.
class RunFace {
 public:
  virtual ~RunFace() = default;
  // A message: a result, an error, or (through Refuse) a refused request.
  virtual void Tell(const Notice& notice) = 0;
  virtual void Refuse(const Refusal& refusal) { Tell(refusal.notice); }
  // The report: a new one begins (after others, or in place of them), and
  // its text as it is written, lines ending in CR LF.
  virtual void BeginReport() = 0;
  virtual void Append(std::string_view text) = 0;
  // Whether the report can take no more text (the window's box is full).
  virtual bool ReportFull() const { return false; }
  // A Show-all series begins (in an emptied report, or after what it holds)
  // and ends.
  virtual void SeriesBegins(bool emptyReport) { (void)emptyReport; }
  virtual void SeriesEnds() {}
  // A run of the engine begins and ends; the window shows Stop meanwhile.
  virtual void RunBegins() {}
  virtual void RunEnds() {}
  // Before each day of a run: the day about to be computed. False ends the
  // run (the face heard Stop).
  virtual bool NextDay(int32_t day) = 0;
  // The day a Search's walk has reached; the Search found no whole transit
  // (told next).
  virtual void SearchProgress(int32_t /*day*/) {}
  virtual void SearchGaveUp() {}
  // A single run found transits (the window pops up "Done"), or none.
  virtual void RunDone(bool anyTransit) { (void)anyTransit; }
  // What the checks learnt of the dates, after the checks of a press.
  virtual void DatesRead(const EnteredDays&) {}
  // The Search found its transit in these days and was asked to keep them.
  virtual void PeriodFound(int32_t /*startDay*/, int32_t /*endDay*/) {}
  // A run of the command is over: its results are whole (also when it was
  // stopped or cut short). Files written as the runs come take them here.
  virtual void RunFinished(const RunResult& /*run*/) {}
  // The file of the HTML report, or none.
  virtual HtmlReport* Html() { return nullptr; }
};

// Which button of the window a command stands for: the titles of the
// checks' messages are their captions.
struct Captions {
  std::string start, search;
};
// The captions the window's buttons show for a request's bodies.
Captions CaptionsOf(const RunRequest& request);

// Everything a command needs besides its request: positions, the Pluto
// table once read, the daily samples a series or a Search shares, what the
// last command found, and whether a run is going.
class Session {
 public:
  // dataFolder: where the ephemeris files and the Pluto table are looked
  // for, ending in the path separator.
  explicit Session(std::string dataFolder);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start: one run of the request's pair (also each run of a series).
  // Returns whether it ran; false when refused (told).
  bool Start(const RunRequest& request, RunFace& face);
  // The request's Show-all series, or the whole chart.
  void ShowAll(const RunRequest& request, RunFace& face);
  // The Search; returns whether it ran the transit it found.
  bool Search(const RunRequest& request, RunFace& face);
  // The command the request names: Search, a series or Start.
  void Perform(const RunRequest& request, RunFace& face);

  // How many threads the runs of a series are computed on: 1, the calling
  // thread alone; 0, every core. The face hears the same calls in the same
  // order with any number, and the report and the results are the same.
  void UseJobs(unsigned jobs) { jobs_ = jobs; }
  // Keeps the bodies' daily samples from one command to the next (within
  // their memory bound), for commands over one period in one zone, as the
  // charts of a batch are; otherwise they go when a command ends.
  void KeepSamples(bool keep) { keepSamples_ = keep; }

  // Whether Results() keeps each run's transits after the face heard of the
  // run (RunFinished); without them a long series takes no more memory than
  // a short one, and Results() keeps what each run was.
  void KeepTransits(bool keep) { keepTransits_ = keep; }

  // Asks the run going on to end at its next day.
  void RequestStop() { stopRequested_ = true; }
  bool Running() const { return running_; }
  // The program is about to end: a run going on stops, none starts.
  void RequestQuit() { quitRequested_ = true; }
  void CancelQuit() { quitRequested_ = false; }
  bool QuitRequested() const { return quitRequested_; }

  // The last command's runs as data (a series keeps all of its runs; their
  // transits unless told otherwise).
  const std::vector<RunResult>& Results() const { return results_; }
  // How many runs commands have handed to the engine.
  int32_t RunsStarted() const { return runsStarted_; }
  // The period of the last run, and the day it was computing.
  int32_t RunStartDay() const { return runStartDay_; }
  int32_t RunEndDay() const { return runEndDay_; }

  const BodyPositions& Positions() const { return positions_; }
  // The natal houses of the last personal run that asked for them (a natal
  // point, or house ingresses), in its zodiac.
  const std::optional<NatalHouses>& Houses() const { return natalHouses_; }
  // The birth instant (UT) of the last personal run, for the tables set
  // against the whole birth chart.
  const std::optional<double>& BirthJulianDay() const { return birthInstant_; }
  EphemerisLibrary& Library() { return library_; }
  // Reads the Pluto table unless it has been read; false with its messages told.
  bool EnsurePlutoData(RunFace& face);
  void UsePlutoTable(std::shared_ptr<const PlutoTable> table);

 private:
  struct Press;
  class Feed;
  bool StartOne(const RunRequest& request, RunFace& face, const Captions& captions, bool inSeries);
  void Series(const RunRequest& request, RunFace& face, const Captions& captions, bool walkNatal, bool emptyBox);
  void SeriesOrChart(const RunRequest& request, RunFace& face, const Captions& captions);
  // The runs the series or chart will make, in their order, without making them.
  std::vector<RunDescription> PlanSeries(const RunRequest& request, const Captions& captions);
  bool SearchInner(const RunRequest& request, RunFace& face);
  // The natal body's position at the birth (in the birth zone the checks
  // found) into run, a natal point's from the houses at the birth place;
  // false (told) outside the body's data or where the house system has no
  // cusps.
  bool NatalPosition(const RunRequest& request, const Zone& birthZone, RunDescription& run, int32_t birthDay,
                     RunFace& face);
  void RunTransits(const RunDescription& run, const std::string& title, RunFace& face, bool inSeries);
  MidnightLongitudes& Midnights(const Zone& zone, Zodiac zodiac);
  // A position the session asks for again and again, kept: the checks at
  // each run's period's ends, and the natal places of its births (a whole
  // chart asks for its birth's with every run, which would send the
  // ephemeris to the birth's years and back each time). The ephemeris'
  // files do not change; Pluto, whose table may be read later, is asked
  // afresh.
  Position KeptLongitude(BodyIndex body, double jd, Zodiac zodiac);
  // The houses of the births asked for, kept likewise.
  NatalHouses NatalHousesAt(double birth, const BirthPlace& place, HouseSystem system, Zodiac zodiac);
  // The message of a full report, and the note that ends its text; a
  // series ends there.
  void TellReportFull(RunFace& face);

  std::string dataFolder_;
  SwissEphemeris library_;
  std::shared_ptr<const PlutoTable> pluto_;
  BodyPositions positions_{library_};
  std::optional<MidnightLongitudes> midnights_;
  std::map<std::tuple<BodyIndex, double, Zodiac>, Position> keptLongitudes_;
  std::map<std::tuple<double, double, double, HouseSystem, Zodiac>, NatalHouses> natalHousesAt_;
  bool keepSamples_ = false;
  void CommandEnded() {
    if (!keepSamples_) midnights_.reset();
  }
  std::vector<RunResult> results_;
  std::optional<double> birthInstant_;
  // A progressed or directed run's positions: the moving body's come from
  // here, the natal body's as always from the sky at birth.
  std::optional<BodyPositions> moved_;
  const BodyPositions& RunPositions() const { return moved_ ? *moved_ : positions_; }
  std::optional<NatalHouses> natalHouses_;
  bool stopRequested_ = false, quitRequested_ = false, running_ = false;
  // A check refused a run, or a full report stopped it: a series ends there.
  bool abandoned_ = false;
  // The report filled up during the command: no further run of it starts.
  bool reportFilled_ = false;
  int32_t runsStarted_ = 0;
  int32_t runStartDay_ = 0, runEndDay_ = 0;
  bool lastRunFoundAny_ = false;
  unsigned jobs_ = 1;
  // The swifter bodies of the series running on this thread (see
  // MidnightLongitudes::ComputesTogether).
  uint32_t seriesTogether_ = 0;
  int32_t seriesTogetherThrough_ = 0;
  bool keepTransits_ = true;
  // While a series is planned, its runs are listed here instead of run.
  std::vector<RunDescription>* plan_ = nullptr;
  // While a series runs on several threads, the runs computed ahead.
  Feed* feed_ = nullptr;
};

}  // namespace skyloom
