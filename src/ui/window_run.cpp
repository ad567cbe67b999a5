#include "ui/window_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "ports/calendar_library.h"
#include "ports/window.h"
#include "report/report.h"
#include "runs/after_tables.h"
#include "runs/captions.h"
#include "runs/date_entry.h"
#include "runs/output_box.h"
#include "runs/request_checks.h"
#include "runs/session.h"
#include "ui/birth_place_box.h"

namespace skyloom {
namespace {

Control C(ControlName name, int16_t index = 0) { return Ctl(name, index); }

// The height of the main window while it shows a run's report, in twips.
constexpr int32_t RunWindowHeight = 8000;
constexpr std::string_view kCrLf = "\r\n";

// The orb lists hold 1 to 15 degrees; no selection reads as 0, no orb.
int16_t OrbDegreesFromPosition(int16_t position) { return static_cast<int16_t>(position + 1); }

// The body a planet list's selection stands for, as the list's entry
// carries it; with nothing selected, 0 for the first list and the Sun for
// the second in world mode (the reading positions had before the lists
// carried their bodies).
BodyIndex SelectedBody(const Window& w, int16_t list, bool world) {
  const Control c = C(ControlName::cboPlanet, list);
  const int16_t position = w.ListIndex(c);
  if (position < 0) return list == 1 && world ? Sun : 0;
  return static_cast<BodyIndex>(w.ItemData(c, position));
}

// A whole number from 0 to most typed into the hour or minute list ("7",
// "07", " 45 "); nothing for any other text.
std::optional<int16_t> TypedNumber(const std::string& text, int16_t most) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const std::string digits = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  if (digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const int value = std::stoi(digits);
  if (value > most) return std::nullopt;
  return static_cast<int16_t>(value);
}

// Whether a list holds typed text (none of its entries) that is not blank.
bool HoldsTypedText(const Window& w, Control list) {
  return w.ListIndex(list) < 0 && w.Text(list).find_first_not_of(" \t") != std::string::npos;
}

// The birth hour and minute: an entry of each list, or any hour and
// minute typed into them. A minute typed that is no minute leaves the time
// unread, so the checks ask for it instead of a run at the wrong minute.
void ReadBirthTime(Window& w, BirthData& birth) {
  const Control hour = C(ControlName::cboHour), minute = C(ControlName::cboMinute);
  if (w.ListIndex(hour) > 0) {
    birth.hour = static_cast<int16_t>(w.ListIndex(hour) - 1);
  } else if (w.ListIndex(hour) < 0) {
    birth.hour = TypedNumber(w.Text(hour), 23);
  }
  if (HoldsTypedText(w, minute)) {
    birth.minute = TypedNumber(w.Text(minute), 59);
    if (!birth.minute) birth.hour.reset();
    return;
  }
  // An hour without minutes means the full hour; not worth a message.
  if (birth.hour && w.ListIndex(minute) <= 0) {
    w.SetListIndex(minute, 1);
    w.Repaint(minute);
  }
  if (w.ListIndex(minute) > 0) birth.minute = static_cast<int16_t>(w.ItemData(minute, w.ListIndex(minute)));
}

// The digits of a date's boxes, written back as the boxes keep them.
EnteredDate ReadDateBoxes(Window& w, int16_t date) {
  std::string texts[3];
  const ControlName boxes[3] = {ControlName::txbYear, ControlName::txbMonth, ControlName::txbDay};
  for (int k = 0; k < 3; ++k) {
    texts[k] = DigitsOnly(w.Text(C(boxes[k], date)));
    w.SetText(C(boxes[k], date), texts[k]);
  }
  return {texts[0], texts[1], texts[2]};
}

// A zone list's choice: an entry's fixed offset, or a name typed into it,
// which the checks look up in the tz database (and, for the birth, read at
// the birth time); neither for the empty first entry or blank text.
struct ZoneChoice {
  std::optional<Zone> zone;
  std::string name;
};
ZoneChoice SelectedZone(const Window& w, int16_t list) {
  const Control c = C(ControlName::cboTimezone, list);
  const int16_t position = w.ListIndex(c);
  if (position < 0) {
    const std::string text = w.Text(c);
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return {std::nullopt, text.substr(first, text.find_last_not_of(" \t") - first + 1)};
  }
  if (position == 0) return {};
  const int32_t minutes = list == 0 ? ZoneMinutesOfPosition(position) : w.ItemData(c, position);
  return {Zone::Fixed(minutes * 60, w.Text(c)), {}};
}

// Writes a day into the three boxes of a date as plain numbers and brings
// its long label up to date.
void WriteDate(FormState& state, int16_t date, int32_t day) {
  Window& w = state.window;
  CalendarDate record;
  record.DayNumber = day;
  day_number_to_date(record);
  w.SetText(C(ControlName::txbYear, date), std::to_string(record.Year));
  w.SetText(C(ControlName::txbMonth, date), std::to_string(record.Month));
  w.SetText(C(ControlName::txbDay, date), std::to_string(record.Day));
  RefreshDateLabel(state, date);
}

Control InputControl(RequestInput input) {
  switch (input) {
    case RequestInput::HtmlFile: return C(ControlName::cmdFile);
    case RequestInput::Start: return C(ControlName::txbYear, 0);
    case RequestInput::End: return C(ControlName::txbYear, 1);
    case RequestInput::Birth: return C(ControlName::txbYear, 2);
    case RequestInput::BirthTime: return C(ControlName::cboHour);
    case RequestInput::BirthZone: return C(ControlName::cboTimezone, 1);
    case RequestInput::ResultZone: return C(ControlName::cboTimezone, 0);
    case RequestInput::Bodies: return C(ControlName::cboPlanet, 0);
    case RequestInput::Orbs:
    case RequestInput::None: break;
  }
  return C(ControlName::cboOrbs, 0);
}

// The HTML report of a run in the file named with "Write output to file",
// written anew by each run.
class WindowHtml : public HtmlReport {
 public:
  explicit WindowHtml(FormState& state) : s_(state) {}
  ~WindowHtml() override { Close(); }

  bool BeginTable() override {
    Close();
    errno = 0;
    file_ = std::fopen(s_.OutputFilePath.c_str(), "wb");
    if (file_ != nullptr) return true;
    Tell("Error when opening file " + s_.OutputFilePath + ":" + std::string(kCrLf) +
         std::strerror(errno != 0 ? errno : EIO));
    return false;
  }
  void Line(std::string_view line) override {
    if (file_ == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fwrite(kCrLf.data(), 1, kCrLf.size(), file_);
  }
  // Buffered writes fail late (a full disk shows at the flush), so the close
  // is where a damaged file shows; the run must not end as if it were whole.
  void EndTable() override {
    const int error = Close();
    if (error != 0) Tell("Error writing to file " + s_.OutputFilePath + std::string(kCrLf) + std::strerror(error));
  }

 private:
  // 0, or the error the file met.
  int Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr) return 0;
    bool failed = std::ferror(file) != 0;
    int error = 0;
    if (std::fflush(file) != 0) {
      failed = true;
      error = errno;
    }
    if (std::fclose(file) != 0) {
      failed = true;
      if (error == 0) error = errno;
    }
    return failed ? (error != 0 ? error : EIO) : 0;
  }
  void Tell(std::string text) {
    Window& w = s_.window;
    w.MessageBox(
        {std::move(text), w.Text(C(ControlName::cmdFile)), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok});
  }

  FormState& s_;
  std::FILE* file_ = nullptr;
};

class WindowFace : public RunFace {
 public:
  explicit WindowFace(FormState& state) : s_(state), w_(state.window), html_(state) {}

  void Tell(const Notice& notice) override { w_.MessageBox({notice.text, notice.title, notice.icon}); }

  void Refuse(const Refusal& refusal) override {
    Tell(refusal.notice);
    switch (refusal.repair) {
      case Repair::BirthTimeNoon:
        w_.SetListIndex(C(ControlName::cboHour), 13);
        w_.SetListIndex(C(ControlName::cboMinute), 1);
        break;
      case Repair::BirthZoneGreenwich: w_.SetListIndex(C(ControlName::cboTimezone, 1), GreenwichPosition); break;
      case Repair::ResultZoneGreenwich: w_.SetListIndex(C(ControlName::cboTimezone, 0), GreenwichPosition); break;
      case Repair::None: break;
    }
    const Control focus = InputControl(refusal.focus);
    if (refusal.focus != RequestInput::None && w_.Visible(focus) && w_.Enabled(focus)) w_.SetFocus(focus);
  }

  void DatesRead(const EnteredDays& days) override {
    for (int16_t k = 0; k < 3; ++k) {
      const auto& label = days.labels[static_cast<size_t>(k)];
      if (!label) continue;
      w_.SetText(C(ControlName::lblDate, k), *label);
      if (*label != "invalid date") w_.Repaint(C(ControlName::lblDate, k));
    }
  }

  void SeriesBegins(bool emptyReport) override {
    if (emptyReport) w_.SetText(C(ControlName::txbOutput), "");
    appendValue_ = w_.Value(C(ControlName::chkAppendToOutput));
    w_.SetValue(C(ControlName::chkAppendToOutput), 1);
  }
  void SeriesEnds() override {
    w_.SetValue(C(ControlName::chkAppendToOutput), appendValue_);
    for (ControlName notice : {ControlName::lblCopyrightNotice, ControlName::lblQF})
      w_.SetText(C(notice), DesignOf(C(notice)).caption);
    w_.BringToFront(C(ControlName::lblQF));
  }

  void BeginReport() override {
    SetWindowHeight(w_, RunWindowHeight);
    const Control output = C(ControlName::txbOutput);
    if (w_.TextLength(output) > 0) {
      if (w_.Value(C(ControlName::chkAppendToOutput)) == 0) {
        w_.SetText(output, "");
      } else {
        w_.AppendText(output, std::string(kCrLf) + std::string(kSeparatorLength, '-') + std::string(kCrLf));
      }
    }
    firstDay_ = true;
  }
  void Append(std::string_view text) override {
    const Control output = C(ControlName::txbOutput);
    w_.AppendText(output, std::string(text));
    w_.CaretToEnd(output);
    w_.Repaint(output);
  }
  bool ReportFull() const override { return OutputBoxFull(w_); }

  // The tables after the transits, once the runs are done.
  void AppendTables(const std::string& text) {
    if (w_.TextLength(C(ControlName::txbOutput)) == 0) SetWindowHeight(w_, RunWindowHeight);
    Append(text);
    w_.SetVisible(C(ControlName::chkAppendToOutput), true);
  }

  void RunBegins() override {
    SetControlsEnabled(w_, false, false, true, true, true);
    w_.SetText(C(ControlName::cmdStart), "Stop");
    w_.SetEnabled(C(ControlName::cmdStart), true);
    w_.SetEnabled(C(ControlName::cmdQuit), true);
    w_.SetEnabled(C(ControlName::txbOutput), true);
    // The day being computed stays readable while everything else is greyed.
    w_.SetVisible(C(ControlName::lblShortDate), true);
    w_.SetEnabled(C(ControlName::lblShortDate), true);
    w_.SetEnabled(C(ControlName::lblCopyrightNotice), true);
    w_.SetVisible(C(ControlName::chkAppendToOutput), false);
  }
  void RunEnds() override {
    SetControlsEnabled(w_, true, true, true, true, true);
    UpdateCommandCaptions(w_);
    w_.SetVisible(C(ControlName::lblShortDate), false);
    w_.HideProgress();
  }

  bool NextDay(int32_t day) override {
    // The bar shows the day before the events it lets through are handled
    // (a Stop among them), so it shows from the run's first day.
    const int32_t first = s_.Runs.RunStartDay(), last = s_.Runs.RunEndDay();
    const int64_t done = static_cast<int64_t>(day) - first;
    const int16_t percent =
        last > first ? static_cast<int16_t>(std::clamp<int64_t>(done * 100 / (int64_t{last} - first), 0, 100)) : 0;
    w_.ShowProgress(FormatDayNumber(day), percent);
    w_.ProcessPendingEvents();
    s_.CurrentDayText = FormatDayNumber(day);
    if (firstDay_) {
      firstDay_ = false;
      w_.SetText(C(ControlName::lblShortDate), s_.CurrentDayText);
      w_.Repaint(C(ControlName::lblShortDate));
    }
    return true;
  }

  void SearchProgress(int32_t day) override {
    const Control label = C(ControlName::lblShortDate);
    w_.SetText(label, FormatDayNumber(day));
    w_.SetVisible(label, true);
    w_.SetForeColor(label, Rgb{255, 255, 0});
    w_.Repaint(label);
  }
  void SearchGaveUp() override { w_.SetVisible(C(ControlName::lblShortDate), false); }

  void RunDone(bool anyTransit) override {
    const Control output = C(ControlName::txbOutput);
    const Control append = C(ControlName::chkAppendToOutput);
    if (anyTransit) {
      w_.SetVisible(append, false);
      PopUpDone(w_);
    }
    if (w_.TextLength(output) == 0) {
      w_.SetValue(append, 0);
      SetWindowHeight(w_, MinWindowHeight);
    }
    w_.SetVisible(append, w_.TextLength(output) > 0);
  }

  void PeriodFound(int32_t startDay, int32_t endDay) override {
    WriteDate(s_, 0, startDay);
    WriteDate(s_, 1, endDay);
  }

  HtmlReport* Html() override { return w_.Value(C(ControlName::chkOutputAsHTML)) != 0 ? &html_ : nullptr; }

 private:
  FormState& s_;
  Window& w_;
  WindowHtml html_;
  int16_t appendValue_ = 0;
  bool firstDay_ = true;
};

// Runs a command, then shows the tables after its transits as the command
// line does, and keeps them for the exports. A refused command leaves the
// last ones in place, with the results they belong to.
template <typename Command>
void RunCommand(FormState& state, WindowFace& face, WindowCommand which, Command command) {
  const RunRequest request = RequestFromWindow(state, which);
  const int32_t before = state.Runs.RunsStarted();
  command(request, face);
  if (state.Runs.RunsStarted() == before) return;
  state.Tables = TablesOfRuns(state.Runs, request);
  const std::string text = TablesText(state.Tables);
  if (!text.empty() && !face.ReportFull()) face.AppendTables(text);
}

// A personal run with a birth place that names none is not started: the
// message says why and the box takes the focus.
bool RefusedPlace(FormState& state, WindowFace& face) {
  Window& w = state.window;
  if (w.Value(C(ControlName::optWorld)) != 0) return false;
  const std::optional<Notice> refusal = PlaceBoxRefusal(state);
  if (!refusal) return false;
  face.Tell(*refusal);
  const Control box = C(ControlName::txbBirthPlace);
  if (w.Visible(box) && w.Enabled(box)) w.SetFocus(box);
  return true;
}

}  // namespace

RunRequest RequestFromWindow(FormState& state, WindowCommand command) {
  Window& w = state.window;
  RunRequest r;
  const bool world = w.Value(C(ControlName::optWorld)) != 0;
  r.mode = world ? RunMode::World : RunMode::Personal;
  r.first = SelectedBody(w, 0, world);
  r.second = SelectedBody(w, 1, world);
  const bool search = command == WindowCommand::Search;
  if (!search) r.start = ReadDateBoxes(w, 0);
  r.end = ReadDateBoxes(w, 1);
  for (int16_t k = 0; k < 3; ++k)
    r.orbs[static_cast<size_t>(k)] = OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, k)));
  ZoneChoice results = SelectedZone(w, 0);
  r.zone = std::move(results.zone);
  r.zoneName = std::move(results.name);
  if (!world) {
    r.birth.date = ReadDateBoxes(w, 2);
    ReadBirthTime(w, r.birth);
    ZoneChoice birth = SelectedZone(w, 1);
    r.birth.zone = std::move(birth.zone);
    r.birth.zoneName = std::move(birth.name);
    if (const std::optional<PlaceReading> place = ReadPlaceBox(state); place && place->Found())
      r.birth.place = place->place;
    if (w.Value(C(ControlName::optSidereal)) != 0) r.zodiac = Zodiac::Sidereal;
    r.houses = state.Options.houses;
    r.houseIngresses = state.Options.houseIngresses;
    // The command line refuses a progressed or directed world run; the
    // window keeps the choice for personal mode and runs the sky meanwhile.
    r.progression = state.Options.progression;
  }
  // The menus keep at least one aspect chosen; a state without any means
  // the major ones.
  if (!state.Options.aspects.Empty()) r.aspects = state.Options.aspects;
  r.stations = state.Options.stations;
  r.ingresses = state.Options.ingresses;
  r.eclipses = state.Options.eclipses;
  r.lunations = state.Options.lunations;
  r.voidOfCourse = state.Options.voidOfCourse;
  if (w.Value(C(ControlName::chkOutputAsHTML)) != 0) r.files.html = state.OutputFilePath;
  switch (command) {
    case WindowCommand::ShowAllOuter: r.series = SeriesKind::Outer; break;
    case WindowCommand::ShowAllInner: r.series = SeriesKind::Inner; break;
    case WindowCommand::WholeChart:
      r.series = SeriesKind::Every;
      r.withMoon = state.Options.withMoon;
      break;
    case WindowCommand::Search: {
      const int16_t position = w.ListIndex(C(ControlName::cboSearchAspect));
      // The list always has a choice once the window is up; without one the
      // first entry is meant.
      r.search = static_cast<AspectIndex>(position < 0 ? 1 : position + 1);
      r.keepDates = w.Value(C(ControlName::chkKeepDates)) != 0;
      // The Search looks for a transit through the sky, whatever moves the
      // runs' body (the command line refuses the two together).
      r.progression = ProgressionKind::Transit;
      break;
    }
    case WindowCommand::Start: break;
  }
  return r;
}

void CheckOrbChoice(FormState& state) {
  const Window& w = state.window;
  RunRequest r;
  const bool world = w.Value(C(ControlName::optWorld)) != 0;
  r.mode = world ? RunMode::World : RunMode::Personal;
  r.first = SelectedBody(w, 0, world);
  r.second = SelectedBody(w, 1, world);
  for (int16_t k = 0; k < 3; ++k)
    r.orbs[static_cast<size_t>(k)] = OrbDegreesFromPosition(w.ListIndex(C(ControlName::cboOrbs, k)));
  if (const std::optional<Refusal> refusal = CheckOrbs(r)) WindowFace(state).Tell(refusal->notice);
}

void StartPressed(FormState& state) {
  if (state.Runs.Running()) {
    // Pressed from inside the run's daily yield: the run notices the request
    // there and ends itself.
    state.Runs.RequestStop();
    return;
  }
  WindowFace face(state);
  if (RefusedPlace(state, face)) return;
  RunCommand(state, face, WindowCommand::Start, [&state](const RunRequest& r, RunFace& f) { state.Runs.Start(r, f); });
}

void ShowAllPressed(FormState& state, int16_t index) {
  if (state.Runs.Running()) {
    state.Runs.RequestStop();
    return;
  }
  WindowFace face(state);
  if (RefusedPlace(state, face)) return;
  RunCommand(state, face, index == 0 ? WindowCommand::ShowAllOuter : WindowCommand::ShowAllInner,
             [&state](const RunRequest& r, RunFace& f) { state.Runs.ShowAll(r, f); });
}

void WholeChartPressed(FormState& state) {
  if (state.Runs.Running()) return;
  // The whole chart is a personal run's; world mode has no natal chart.
  if (state.window.Value(C(ControlName::optPersonal)) == 0) return;
  WindowFace face(state);
  if (RefusedPlace(state, face)) return;
  RunCommand(state, face, WindowCommand::WholeChart,
             [&state](const RunRequest& r, RunFace& f) { state.Runs.ShowAll(r, f); });
}

void SearchPressed(FormState& state) {
  if (state.Runs.Running()) return;
  WindowFace face(state);
  if (RefusedPlace(state, face)) return;
  RunCommand(state, face, WindowCommand::Search,
             [&state](const RunRequest& r, RunFace& f) { state.Runs.Search(r, f); });
}

void DateBoxKeyUp(FormState& state, int keyCode) {
  constexpr int kEnter = 13;
  if (keyCode == kEnter && state.window.Enabled(C(ControlName::cmdStart))) StartPressed(state);
}

void TimerTick(FormState& state) {
  Window& w = state.window;
  const bool running = state.Runs.Running();
  const bool hasOutput = w.TextLength(C(ControlName::txbOutput)) > 0;

  w.SetVisible(C(ControlName::cmdFile), !running && hasOutput);
  w.SetVisible(C(ControlName::chkOpenOutputFile), w.Visible(C(ControlName::cmdFile)));

  if (running) {
    const Control label = C(ControlName::lblShortDate);
    w.SetText(label, state.CurrentDayText);
    w.Repaint(label);
  }

  // Quitting right after a save or restore does not ask again; the grace
  // lasts eleven ticks.
  if (state.StateRecentlySaved) {
    ++state.SavedTickCount;
    if (state.SavedTickCount > 10) state.StateRecentlySaved = false;
  }

  w.SetVisible(C(ControlName::cmdClear), hasOutput);
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

}  // namespace skyloom
