#include "engine/transit_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "calendar/date_format.h"
#include "engine/day_minima.h"
#include "engine/exact_time.h"
#include "engine/positions.h"
#include "ports/window.h"
#include "report/output_box.h"
#include "report/report.h"
#include "ui/captions.h"

namespace skyloom {
namespace {

constexpr double kNoMinimum = 10.0;

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// Where the current transit's rows are: rows from CurrentRow on, one per
// minimum, with the offsets of the rows that the next middle-orb entry (P2),
// inner-orb entry (P3), minimum (P4), inner-orb exit (P5) and middle-orb
// exit (P6) go to; and the smallest deviation of the pass so far, with its
// instant, for a closest approach.
struct TransitCursor {
  int32_t CurrentRow = FirstTransitRow;
  int32_t P2 = 0, P3 = 0, P4 = 0, P5 = 0, P6 = 0;
  double MinDeviation = kNoMinimum;
  double MinInstant = 0;

  void ResetPasses() { P2 = P3 = P4 = P5 = P6 = 0; }
};

// The midnights the walk keeps: those starting D - 1, D, D + 1 and D + 2.
constexpr int kSamples = 4;
// Indexes of the two midnights that bound day D.
constexpr int kDayStart = 1, kDayEnd = 2;

class Run {
 public:
  explicit Run(FormState& state) : s_(state), w_(state.window) {}
  void Perform();

 private:
  void StartOfRun();
  bool Stopped();
  void Sample(int32_t day, bool firstDay);
  DayMinima Minima(int32_t day, AspectIndex a, double refineBelow);
  void Entry(int32_t day, AspectIndex a, OrbIndex orb, const DayMinima& minima);
  void Exit(int32_t day, AspectIndex a, OrbIndex orb, const OrbSwitch& sw);
  void Holding(bool firstDay, const DayMinima& minima);
  void TrackMinimum(const DayMinima& minima);
  void RecordExact(int32_t day, AspectIndex a, const DayMinima& minima);
  void RecordNearMiss(int32_t row, AspectIndex a);
  void FlushTransitRows();
  void EndOfPeriod();
  void NameIfEmpty(int32_t row, AspectIndex a);
  bool AnyEntry(int32_t row) const;
  // The first body's longitude at the midnight starting the day is already
  // among the samples.
  DateMark Mark(int32_t day) const { return {day, RetroState(s_, day, s_.RunBodies[0], l_[0][kDayStart])}; }

  FormState& s_;
  Window& w_;
  TransitCursor c_;
  OrbFlags in_{};
  // Whether a day has been judged yet: the first one may find a transit
  // already under way.
  bool judged_ = false;
  // Longitudes of both bodies at the local midnights starting D - 1 to
  // D + 2 (index k + 1), whether both bodies have data there, and the
  // deviations from each aspect at the two midnights of day D.
  std::array<std::array<double, kSamples>, 2> l_{};
  std::array<bool, kSamples> valid_{};
  std::array<std::array<double, kSamples>, AspectCount + 1> dev_{};
};

void Run::StartOfRun() {
  const Control output = C(ControlName::txbOutput);
  if (w_.TextLength(output) > 0) {
    if (w_.Value(C(ControlName::chkAppendToOutput)) == 0) {
      w_.SetText(output, "");
    } else {
      w_.AppendText(output, "\r\n" + std::string(kSeparatorLength, '-') + "\r\n");
    }
  }
  s_.HtmlFileOpen = false;
  ClearOrbFlags(in_);
  // A Show-all series collects the results of all its runs.
  if (!s_.ShowAllMode) s_.Results.clear();
  RunResult result;
  result.world = s_.WorldRun;
  result.bodies = s_.RunBodies;
  result.natalLongitude = s_.WorldRun ? 0.0 : s_.NatalLongitude[s_.RunBodies[1]];
  result.startDay = s_.RunStartDay;
  result.endDay = s_.RunEndDay;
  result.zoneMinutes = s_.ZoneMinutes;
  result.zoneText = w_.Text(C(ControlName::cboTimezone, 0));
  result.orbDegrees = s_.Orbs.OrbDegrees;
  s_.Results.push_back(std::move(result));
  s_.Table.Create(static_cast<int64_t>(s_.RunEndDay) - s_.RunStartDay + 1);
  s_.Table.ClearTransitTable();
  // A request left from before is cleared ahead of the header, so that a
  // header refused by a full output box stops this run on its first day.
  s_.StopRequested = false;
  s_.RunTitle = BuildRunTitle(s_);
  WriteReportHeader(s_);
  s_.HeaderWritten = true;
  BeginRunState(s_);
  c_ = TransitCursor{};
  w_.SetVisible(C(ControlName::chkAppendToOutput), false);
}

bool Run::Stopped() {
  if (!s_.StopRequested && !s_.QuitRequested) return false;
  s_.Results.back().stopped = true;
  w_.AppendText(C(ControlName::txbOutput), "Stopped");
  EndRunState(s_);
  s_.StopRequested = false;
  w_.SetVisible(C(ControlName::lblShortDate), false);
  return true;
}

void Run::Sample(int32_t day, bool firstDay) {
  const int bodies = s_.WorldRun ? 2 : 1;
  for (int b = 0; b < bodies; ++b) {
    if (firstDay) {
      for (int k = 0; k < kSamples; ++k)
        l_[b][k] = BodyLongitude(s_.RunBodies[b], LocalMidnight(day + k - 1, s_.ZoneMinutes));
    } else {
      std::copy(l_[b].begin() + 1, l_[b].end(), l_[b].begin());
      l_[b][kSamples - 1] = BodyLongitude(s_.RunBodies[b], LocalMidnight(day + kSamples - 2, s_.ZoneMinutes));
    }
  }
  if (!s_.WorldRun) l_[1].fill(s_.NatalLongitude[s_.RunBodies[1]]);
  // Outside a body's data the longitude is an error value, never a position.
  for (int k = 0; k < kSamples; ++k) valid_[k] = l_[0][k] >= 0 && l_[1][k] >= 0;
  if (!valid_[kDayStart] || !valid_[kDayEnd]) return;
  for (int k = kDayStart; k <= kDayEnd; ++k) {
    const double separation = AngularSeparation(l_[0][k], l_[1][k]);
    for (AspectIndex a = 1; a <= AspectCount; ++a) dev_[a][k] = std::fabs(separation - AspectTable[a].Angle);
  }
  for (AspectIndex a = 1; a <= AspectCount; ++a)
    for (OrbIndex o = 0; o < 3; ++o)
      for (int j = 0; j < 2; ++j) in_[a][o][j] = dev_[a][kDayStart + j] < s_.Orbs.OrbRadians[o];
}

DayMinima Run::Minima(int32_t day, AspectIndex a, double refineBelow) {
  // The pair stays on one side of the aspect over these days: at the orbs
  // allowed, crossing to the other would take weeks.
  const int side = AspectSide(l_[0][kDayStart], l_[1][kDayStart]);
  std::array<std::optional<double>, kSamples> samples;
  for (int k = 0; k < kSamples; ++k)
    if (valid_[k]) samples[k] = SignedAspectDeviation(l_[0][k], l_[1][k], a, side);
  PairDeviation deviation(s_, a, side);
  return FindDayMinima(deviation, LocalMidnight(day, s_.ZoneMinutes), samples, refineBelow);
}

void Run::NameIfEmpty(int32_t row, AspectIndex a) {
  if (s_.Table.Cell(row, 0).empty()) s_.Table.SetAspectName(row, a);
}

bool Run::AnyEntry(int32_t row) const {
  const auto& t = s_.Table;
  return !t.Cell(row, 1).empty() || !t.Cell(row, 2).empty() || !t.Cell(row, 3).empty();
}

void Run::Entry(int32_t day, AspectIndex a, OrbIndex orb, const DayMinima& minima) {
  const int32_t r0 = c_.CurrentRow;
  const DateMark mark = Mark(day);
  c_.MinDeviation = minima.smallest;
  c_.MinInstant = minima.smallestAt;
  switch (orb) {
    case 0:
      s_.Table.SetAspectName(r0, a);
      s_.Table.SetEntry(r0, a, 0, mark);
      c_.ResetPasses();
      break;
    case 1:
      NameIfEmpty(r0, a);
      s_.Table.SetEntry(r0 + c_.P2, a, 1, mark);
      c_.P6 = c_.P2;
      break;
    default:
      NameIfEmpty(r0, a);
      s_.Table.SetEntry(r0 + c_.P3, a, 2, mark);
      c_.P5 = c_.P3;
      break;
  }
}

void Run::Exit(int32_t day, AspectIndex a, OrbIndex orb, const OrbSwitch& sw) {
  const int32_t r0 = c_.CurrentRow;
  const DateMark mark = Mark(day);
  auto nextPass = [this] {
    ++c_.P4;
    c_.P3 = c_.P4;
    c_.P2 = c_.P4;
  };
  switch (orb) {
    case 2:
      s_.Table.SetExit(r0 + c_.P5, a, 2, mark);
      NameIfEmpty(r0, a);
      if (!s_.Table.Cell(r0 + c_.P5, 4).empty()) return;
      RecordNearMiss(r0 + c_.P4, a);
      nextPass();
      return;
    case 1:
      s_.Table.SetExit(r0 + c_.P6, a, 1, mark);
      NameIfEmpty(r0, a);
      if (!s_.Table.Cell(r0 + c_.P6, 4).empty()) return;
      if (AnyEntry(r0 + c_.P4)) RecordNearMiss(r0 + c_.P4, a);
      nextPass();
      return;
    default:
      s_.Table.SetExit(r0, a, 0, mark);
      NameIfEmpty(r0, a);
      if (AnyEntry(r0) && s_.Table.Cell(r0, 4).empty())
        RecordNearMiss(r0 + c_.P4, a);
      FlushTransitRows();
      if (sw.both && day != s_.RunEndDay) {
        // The next aspect's outer orb begins the day this one's ends.
        s_.Table.SetAspectName(c_.CurrentRow, sw.entering);
        s_.Table.SetEntry(c_.CurrentRow, sw.entering, 0, mark);
      }
      return;
  }
}

void Run::Holding(bool firstDay, const DayMinima& minima) {
  if (firstDay) {
    c_.MinDeviation = minima.smallest;
    c_.MinInstant = minima.smallestAt;
  } else {
    TrackMinimum(minima);
  }
}

void Run::TrackMinimum(const DayMinima& minima) {
  if (minima.smallest < c_.MinDeviation) {
    c_.MinDeviation = minima.smallest;
    c_.MinInstant = minima.smallestAt;
  }
}

void Run::RecordExact(int32_t day, AspectIndex a, const DayMinima& minima) {
  if (minima.exact.empty()) return;
  const int32_t r0 = c_.CurrentRow;
  // A fast pair can enter the inner orb and leave it between two midnights:
  // the day of its exact aspect is then the day it entered and left.
  const bool innerPassed = !in_[a][2][0] && !in_[a][2][1];
  if (innerPassed) {
    NameIfEmpty(r0, a);
    s_.Table.SetEntry(r0 + c_.P3, a, 2, Mark(day));
    c_.P5 = c_.P3;
  }
  for (const double instant : minima.exact) {
    s_.Table.SetMinimum(r0 + c_.P4, a, ExactMinimum(s_, instant));
    ++c_.P4;
    c_.P3 = c_.P4;
    c_.P2 = c_.P4;
  }
  if (innerPassed) s_.Table.SetExit(r0 + c_.P5, a, 2, Mark(day));
}

void Run::RecordNearMiss(int32_t row, AspectIndex a) {
  s_.Table.SetMinimum(row, a, ClosestApproach(s_, c_.MinDeviation, c_.MinInstant));
}

void Run::FlushTransitRows() {
  if (!s_.HeaderWritten) WriteReportHeader(s_);
  TransitTable& t = s_.Table;
  const int32_t current = c_.CurrentRow;
  if (current > FirstTransitRow) {
    int32_t above = current - 1;
    while (above > 0 && t.Cell(above, 0).empty()) --above;
    // Consecutive transits of one aspect show its name once.
    if (t.Cell(above, 0) == t.Cell(current, 0)) t.SetCell(current, 0, "");
  }
  int32_t row = current;
  TransitRecord transit;
  while (!t.RowIsEmpty(row)) {
    // A full output box refuses the row; only rows that reach the report
    // belong to the results.
    const bool refused = OutputBoxFull(w_);
    WriteReportRow(s_, row);
    if (!refused) {
      transit.aspect = t.Data(row).aspect;
      transit.passes.push_back(t.Data(row));
    }
    if (s_.StopRequested) break;
    ++row;
  }
  if (!transit.passes.empty()) s_.Results.back().transits.push_back(std::move(transit));
  w_.Repaint(C(ControlName::txbOutput));
  c_.CurrentRow = row;
  c_.ResetPasses();
  c_.MinDeviation = kNoMinimum;
}

void Run::EndOfPeriod() {
  if (!s_.Table.RowIsEmpty(c_.CurrentRow)) FlushTransitRows();
  const Control output = C(ControlName::txbOutput);
  const bool anyTransit = !s_.Table.RowIsEmpty(FirstTransitRow);
  if (!anyTransit) w_.AppendText(output, "No transits in this period.\r\n");
  EndRunState(s_);
  if (s_.ShowAllMode) return;
  const Control append = C(ControlName::chkAppendToOutput);
  if (anyTransit) {
    w_.SetVisible(append, false);
    PopUpDone(w_);
  } else {
    w_.MessageBox({"There are no transits of this kind in the period specified.", "No transits",
                   MsgIcon::Information});
  }
  if (w_.TextLength(output) == 0) {
    w_.SetValue(append, 0);
    SetWindowHeight(w_, MinWindowHeight);
  }
  w_.SetVisible(append, w_.TextLength(output) > 0);
}

void Run::Perform() {
  s_.WorldRun = w_.Value(C(ControlName::optWorld)) != 0;
  StartOfRun();
  for (int64_t d = s_.RunStartDay; d <= s_.RunEndDay; ++d) {
    const auto day = static_cast<int32_t>(d);
    const bool firstDay = d == s_.RunStartDay;
    w_.ProcessPendingEvents();
    if (Stopped()) return;
    s_.CurrentDayText = FormatDayNumber(day);
    if (firstDay) {
      w_.SetText(C(ControlName::lblShortDate), s_.CurrentDayText);
      w_.Repaint(C(ControlName::lblShortDate));
    }
    Sample(day, firstDay);
    // A day with a midnight outside a body's data is not judged: no entry,
    // exit or minimum is made up, and a transit the data cannot close stays
    // open.
    if (!valid_[kDayStart] || !valid_[kDayEnd]) continue;
    const bool firstJudged = !judged_;
    judged_ = true;

    const OrbSwitch sw = DetectOrbSwitch(in_, s_.Orbs.OuterOrbIs15);
    // State by aspect and orb: 1 entering, 2 holding, 3 leaving.
    std::array<std::array<int, 3>, AspectCount + 1> state{};
    AspectIndex active = 0;
    for (AspectIndex a = 1; a <= AspectCount; ++a) {
      for (OrbIndex o = 0; o < 3; ++o) {
        const bool now = in_[a][o][0], next = in_[a][o][1];
        state[a][o] = !now && next ? 1 : now && next ? 2 : now && !next ? 3 : 0;
      }
      if (sw.both && a == sw.entering) state[a][0] = 0;
      for (OrbIndex o = 0; o < 3; ++o)
        if (state[a][o] > 0) active = a;
    }
    if (active == 0) continue;
    OrbIndex entryOrb = -1, exitOrb = -1;
    for (OrbIndex o = 2; o >= 0; --o) {
      if (state[active][o] == 1) entryOrb = o;
      if (state[active][o] == 3) exitOrb = o;
    }
    // Every day the pair is in orb is searched for its exact aspects, which
    // fall after an entry and before an exit of the same day. An entry
    // starts the pass's smallest deviation afresh; otherwise only what may
    // beat the smallest so far needs finding exactly.
    const bool freshMinimum = entryOrb >= 0 || firstJudged;
    const DayMinima minima =
        Minima(day, active, freshMinimum ? std::numeric_limits<double>::infinity() : c_.MinDeviation);
    if (entryOrb >= 0) {
      Entry(day, active, entryOrb, minima);
      RecordExact(day, active, minima);
    } else if (exitOrb >= 0) {
      TrackMinimum(minima);
      RecordExact(day, active, minima);
      Exit(day, active, exitOrb, sw);
    } else {
      Holding(firstJudged, minima);
      RecordExact(day, active, minima);
    }
  }
  EndOfPeriod();
}

}  // namespace

void ClearOrbFlags(OrbFlags& flags) {
  for (auto& aspect : flags)
    for (auto& orb : aspect) orb = {false, false};
}

OrbSwitch DetectOrbSwitch(const OrbFlags& flags, bool outerOrbIs15) {
  OrbSwitch sw;
  if (!outerOrbIs15) return sw;
  for (AspectIndex a = 1; a <= AspectCount; ++a) {
    if (flags[a][0][0] && !flags[a][0][1]) sw.leaving = a;
    if (flags[a][0][1] && !flags[a][0][0]) sw.entering = a;
  }
  sw.both = sw.leaving >= 0 && sw.entering >= 0;
  return sw;
}

void SetControlsEnabled(Window& window, bool enabled, bool frames, bool textBoxes, bool labels,
                        bool checkBoxes) {
  for (const ControlInfo& info : AllControls()) {
    bool set = false;
    switch (info.kind) {
      case ControlKind::CommandButton:
      case ControlKind::OptionButton:
      case ControlKind::ComboBox:
        set = true;
        break;
      case ControlKind::CheckBox: set = true; break;
      case ControlKind::Frame: set = frames; break;
      case ControlKind::TextBox: set = textBoxes; break;
      case ControlKind::Label: set = labels; break;
    }
    if (info.kind == ControlKind::CheckBox) set = set || checkBoxes;
    if (!set) continue;
    for (int16_t i = 0; i < info.count; ++i) window.SetEnabled(Ctl(info.name, i), enabled);
  }
  window.RepaintForm();
}

void BeginRunState(FormState& state) {
  Window& w = state.window;
  SetControlsEnabled(w, false, false, true, true, true);
  w.SetText(Ctl(ControlName::cmdStart), "Stop");
  w.SetEnabled(Ctl(ControlName::cmdStart), true);
  w.SetEnabled(Ctl(ControlName::cmdQuit), true);
  w.SetEnabled(Ctl(ControlName::txbOutput), true);
  // The day being computed stays readable while everything else is greyed.
  w.SetVisible(Ctl(ControlName::lblShortDate), true);
  w.SetEnabled(Ctl(ControlName::lblShortDate), true);
  w.SetEnabled(Ctl(ControlName::lblCopyrightNotice), true);
}

void EndRunState(FormState& state) {
  Window& w = state.window;
  SetControlsEnabled(w, true, true, true, true, true);
  UpdateCommandCaptions(w);
  if (state.HtmlFileOpen) CloseHtmlFile(state);
  w.SetVisible(Ctl(ControlName::lblShortDate), false);
}

void RunTransits(FormState& state) { Run(state).Perform(); }

}  // namespace skyloom
