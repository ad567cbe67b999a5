#include "runs/run_transits.h"

#include <string>

#include "calendar/date_format.h"
#include "engine/transit_search.h"
#include "ports/window.h"
#include "report/report.h"
#include "runs/captions.h"
#include "runs/output_box.h"
#include "runs/report_writer.h"

namespace skyloom {
namespace {

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// The window's side of a run: it yields to the window once a day, hears
// Stop there and prints each row the engine hands over.
class WindowRun : public RunObserver {
 public:
  explicit WindowRun(FormState& state) : s_(state), w_(state.window) {}

  bool NextDay(int32_t day) override {
    w_.ProcessPendingEvents();
    if (s_.StopRequested || s_.QuitRequested) return false;
    s_.CurrentDayText = FormatDayNumber(day);
    if (first_) {
      first_ = false;
      w_.SetText(C(ControlName::lblShortDate), s_.CurrentDayText);
      w_.Repaint(C(ControlName::lblShortDate));
    }
    return true;
  }

  RowTaken TakeRow(const TransitTable&, int32_t row) override {
    RowTaken taken;
    taken.taken = WriteReportRow(s_, row);
    taken.stop = s_.StopRequested;
    return taken;
  }

 private:
  FormState& s_;
  Window& w_;
  bool first_ = true;
};

RunDescription DescriptionOf(const FormState& s, bool world) {
  RunDescription run;
  run.world = world;
  run.bodies = s.RunBodies;
  run.natalLongitude = world ? 0.0 : s.NatalLongitude[static_cast<size_t>(s.RunBodies[1])].longitude;
  run.orbs = s.Orbs;
  run.startDay = s.RunStartDay;
  run.endDay = s.RunEndDay;
  run.zoneMinutes = s.ZoneMinutes;
  run.zoneText = s.window.Text(C(ControlName::cboTimezone, 0));
  run.zodiac = world ? Zodiac::Tropical : s.RunZodiac;
  // A world series shows no retrograde marks: its pairs would each mark a
  // different body.
  run.retrogradeMarks = !(s.ShowAllMode && world);
  return run;
}

void StartOfRun(FormState& s) {
  Window& w = s.window;
  const Control output = C(ControlName::txbOutput);
  if (w.TextLength(output) > 0) {
    if (w.Value(C(ControlName::chkAppendToOutput)) == 0) {
      w.SetText(output, "");
    } else {
      w.AppendText(output, "\r\n" + std::string(kSeparatorLength, '-') + "\r\n");
    }
  }
  s.HtmlFileOpen = false;
  s.Table.Create(static_cast<int64_t>(s.RunEndDay) - s.RunStartDay + 1);
  s.Table.ClearTransitTable();
  // A request left from before is cleared ahead of the header, so that a
  // header refused by a full output box stops this run on its first day.
  s.StopRequested = false;
  s.RunTitle = RunTitleFromWindow(s);
  WriteReportHeader(s);
  BeginRunState(s);
  w.SetVisible(C(ControlName::chkAppendToOutput), false);
}

void Stopped(FormState& s) {
  s.window.AppendText(C(ControlName::txbOutput), "Stopped");
  EndRunState(s);
  s.StopRequested = false;
  s.window.SetVisible(C(ControlName::lblShortDate), false);
}

void EndOfPeriod(FormState& s) {
  Window& w = s.window;
  const Control output = C(ControlName::txbOutput);
  const bool anyTransit = !s.Table.RowIsEmpty(FirstTransitRow);
  if (!anyTransit) w.AppendText(output, "No transits in this period.\r\n");
  EndRunState(s);
  if (s.ShowAllMode) return;
  const Control append = C(ControlName::chkAppendToOutput);
  if (anyTransit) {
    w.SetVisible(append, false);
    PopUpDone(w);
  } else {
    w.MessageBox({"There are no transits of this kind in the period specified.", "No transits", MsgIcon::Information});
  }
  if (w.TextLength(output) == 0) {
    w.SetValue(append, 0);
    SetWindowHeight(w, MinWindowHeight);
  }
  w.SetVisible(append, w.TextLength(output) > 0);
}

}  // namespace

void RunTransits(FormState& state) {
  const bool world = state.window.Value(C(ControlName::optWorld)) != 0;
  const RunDescription run = DescriptionOf(state, world);
  // A Show-all series collects the results of all its runs.
  if (!state.ShowAllMode) state.Results.clear();
  state.Results.push_back(ResultOf(run));
  StartOfRun(state);
  WindowRun observer(state);
  // The results take the rows as they are printed, so that a full output
  // box and the exports agree.
  const RunEnd end =
      SearchTransits(run, state.Midnights(run.zoneMinutes, run.zodiac), state.Table, state.Results.back(), observer);
  // A single run's samples are not needed again; a series frees its own.
  if (!state.ShowAllMode) state.SharedMidnights.reset();
  if (end == RunEnd::Stopped) {
    Stopped(state);
  } else {
    EndOfPeriod(state);
  }
}

void SetControlsEnabled(Window& window, bool enabled, bool frames, bool textBoxes, bool labels, bool checkBoxes) {
  for (const ControlInfo& info : AllControls()) {
    bool set = false;
    switch (info.kind) {
      case ControlKind::CommandButton:
      case ControlKind::OptionButton:
      case ControlKind::ComboBox:
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

}  // namespace skyloom
