#include "runs/session.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

#include "calendar/date_format.h"
#include "engine/transit_approach.h"
#include "engine/transit_search.h"
#include "report/program.h"
#include "report/report.h"
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

// The title of a run: empty in world mode; in personal mode the bodies,
// period, birth and zodiac.
std::string TitleOf(const RunRequest& r, const RunDescription& run, int32_t birthDay, const Zone& birthZone) {
  if (r.World()) return {};
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
  return BuildRunTitle(parts);
}

}  // namespace

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
    const NatalHouses houses = HousesAt(library_, birth, place.latitude, place.longitude, r.houses, run.zodiac);
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
  const Position natal = positions_.Longitude(natalBody, birth, run.zodiac);
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

MidnightLongitudes& Session::Midnights(const Zone& zone, Zodiac zodiac) {
  if (!midnights_ || !midnights_->Serves(zone, zodiac) || &midnights_->Positions() != &RunPositions() ||
      midnights_->Positions().Moved() != RunPositions().Moved())
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
  natalHouses_.reset();
  birthInstant_.reset();
  const bool ran = StartOne(request, face, CaptionsOf(request), false);
  midnights_.reset();
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
  if (p.Refused(CheckBodyRanges(positions_, first, second, p.days.days[0], 0)) ||
      p.Refused(CheckBodyRanges(positions_, first, second, p.days.days[1], 1)))
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
  }

  abandoned_ = false;
  run.zone = p.resultZone;
  run.startDay = ExtendStartToTransit(Midnights(run.zone, run.zodiac), run, p.days.days[0]);
  run.endDay = p.days.days[1];
  // A world series shows no retrograde marks: its pairs would each mark a
  // different body.
  run.retrogradeMarks = !(inSeries && world);
  ++runsStarted_;
  RunTransits(run, TitleOf(r, run, p.days.days[2], p.birthZone), face, inSeries);
  return true;
}

void Session::ShowAll(const RunRequest& request, RunFace& face) {
  if (running_) {
    stopRequested_ = true;
    return;
  }
  results_.clear();
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
  midnights_.reset();
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
  if (world) {
    // Pluto, which the inner list does not hold, is paired with the outer
    // body last, also after an early end.
    one.first = 0;
    StartOne(one, face, captions, true);
  }
  face.SeriesEnds();
}

void Session::RunTransits(const RunDescription& run, const std::string& title, RunFace& face, bool inSeries) {
  // A series collects the results of all its runs.
  results_.push_back(ResultOf(run));
  runStartDay_ = run.startDay;
  runEndDay_ = run.endDay;
  face.BeginReport();

  TransitTable table;
  table.Create(static_cast<int64_t>(run.endDay) - run.startDay + 1);
  table.ClearTransitTable();
  // A request left from before is cleared ahead of the header, so that a
  // header refused by a full report stops this run on its first day.
  stopRequested_ = false;
  HtmlReport* html = face.Html();
  bool htmlTried = false, htmlOpen = false;

  // Prints one row: a text line and, with an HTML report, its HTML lines (the
  // heading row only opens the table: the head stands in for it). A full
  // report refuses the row and asks the run to stop.
  auto writeRow = [&](const ReportCells& cells, bool heading) {
    if (face.ReportFull()) {
      face.Tell({"Output textbox is full.", ProgramCaption(), MsgIcon::Exclamation});
      face.Append("Textbox is full -- ");
      stopRequested_ = true;
      abandoned_ = true;
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
  writeRow(HeadingCells(run.orbs.OrbDegrees), true);
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
  // The results take the rows as they are printed, so that a full report
  // and the exports agree.
  const RunEnd end = SearchTransits(run, Midnights(run.zone, run.zodiac), table, results_.back(), observer);
  running_ = false;
  const bool anyTransit = !table.RowIsEmpty(0);
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
  if (end == RunEnd::Stopped || inSeries) return;
  if (!anyTransit)
    face.Tell({"There are no transits of this kind in the period specified.", "No transits", MsgIcon::Information});
  face.RunDone(anyTransit);
}

bool Session::Search(const RunRequest& request, RunFace& face) {
  if (running_) {
    stopRequested_ = true;
    return false;
  }
  results_.clear();
  natalHouses_.reset();
  birthInstant_.reset();
  const bool ran = SearchInner(request, face);
  midnights_.reset();
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
  if (p.Refused(CheckBodyRanges(positions_, first, second, p.days.days[1], 1))) return false;
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
                   " CE ." + "\r\n" + DateRangeMessage(code, first, second),
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
  RunTransits(run, TitleOf(r, run, p.days.days[2], p.birthZone), face, false);
  if (!r.keepDates && lastRunFoundAny_) face.PeriodFound(startDay, endDay);
  return true;
}

}  // namespace skyloom
