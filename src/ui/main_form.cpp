#include "ui/main_form.h"

#include <algorithm>
#include <chrono>

#include "calendar/date_format.h"
#include "calendar/time_zones.h"
#include "engine/bodies.h"
#include "ports/shell.h"
#include "runs/captions.h"
#include "runs/date_entry.h"
#include "runs/output_box.h"
#include "ui/birth_place_box.h"
#include "ui/modes.h"
#include "ui/window_run.h"
#include "ui/zone_lists.h"

namespace skyloom {
namespace {

Control C(ControlName n, int16_t i = 0) { return Ctl(n, i); }

constexpr Rgb kBackColour{47, 8, 91};
constexpr Rgb kForeColour{213, 237, 248};
constexpr Rgb kYellow{255, 255, 0};

bool HasKind(ControlKind kind, std::initializer_list<ControlKind> kinds) {
  for (ControlKind k : kinds)
    if (k == kind) return true;
  return false;
}

// Applies f to every member of the controls of the given kinds.
template <typename F>
void ForEach(std::initializer_list<ControlKind> kinds, F f) {
  for (const ControlInfo& info : AllControls())
    if (HasKind(info.kind, kinds))
      for (int16_t i = 0; i < info.count; ++i) f(Ctl(info.name, i));
}

void SetControlsForeColor(Window& w, Rgb colour) {
  ForEach({ControlKind::Label, ControlKind::CheckBox, ControlKind::Frame, ControlKind::OptionButton},
          [&](Control c) { w.SetForeColor(c, colour); });
}

void SetControlsBackColor(Window& w, Rgb colour) {
  w.SetBackColor(colour);
  ForEach({ControlKind::Label, ControlKind::CheckBox, ControlKind::Frame, ControlKind::OptionButton},
          [&](Control c) { w.SetBackColor(c, colour); });
}

template <typename Change>
void ChangeFonts(Window& w, std::initializer_list<ControlKind> kinds, Change change) {
  ForEach(kinds, [&](Control c) {
    FontSpec font = w.Font(c);
    change(font);
    w.SetFont(c, font);
  });
}

void SetControlsFontBold(Window& w, bool bold) {
  ChangeFonts(w,
              {ControlKind::Label, ControlKind::CommandButton, ControlKind::CheckBox, ControlKind::TextBox,
               ControlKind::OptionButton, ControlKind::Frame, ControlKind::ComboBox},
              [&](FontSpec& f) { f.bold = bold; });
}

void SetControlsFontSize(Window& w, double size) {
  ChangeFonts(w,
              {ControlKind::Label, ControlKind::CommandButton, ControlKind::CheckBox, ControlKind::TextBox,
               ControlKind::OptionButton, ControlKind::ComboBox},
              [&](FontSpec& f) { f.size = size; });
}

void SetControlsFontName(Window& w, const std::string& name, bool textBoxes, bool buttons) {
  ChangeFonts(w,
              {ControlKind::Frame, ControlKind::CommandButton, ControlKind::CheckBox, ControlKind::Label,
               ControlKind::OptionButton, ControlKind::ComboBox},
              [&](FontSpec& f) { f.name = name; });
  if (textBoxes) ChangeFonts(w, {ControlKind::TextBox}, [&](FontSpec& f) { f.name = name; });
  if (buttons) ChangeFonts(w, {ControlKind::CommandButton}, [&](FontSpec& f) { f.name = name; });
}

void SetFont(Window& w, Control c, const std::string& name, double size, bool bold) {
  w.SetFont(c, FontSpec{name, size, bold});
}

void SetLeft(Window& w, Control c, int32_t left) {
  Rect r = w.Geometry(c);
  r.Left = left;
  w.SetGeometry(c, r);
}

void SetTop(Window& w, Control c, int32_t top) {
  Rect r = w.Geometry(c);
  r.Top = top;
  w.SetGeometry(c, r);
}

// A list without a selection shows its first entry; the selection is set
// again so that the list shows it. An hour or minute typed in (a restored
// one) is no missing selection and stays.
void RefreshSelection(Window& w, Control c) {
  if (w.ListIndex(c) < 0 && EditableList(c.name) && w.Text(c).find_first_not_of(" \t") != std::string::npos) return;
  int16_t position = w.ListIndex(c);
  if (position < 0) position = 0;
  w.SetListIndex(c, -1);
  w.SetListIndex(c, position);
}

int CurrentYear() {
  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  return static_cast<int>(std::chrono::year_month_day(today).year());
}

}  // namespace

bool FocusIfAvailable(Window& window, Control button) {
  if (!window.Visible(button) || !window.Enabled(button)) return false;
  window.SetFocus(button);
  return true;
}

MainForm::MainForm(Window& window, Shell& shell, MainFormServices services)
    : window_(window),
      shell_(shell),
      services_(std::move(services)),
      state_(window, ExecutableFolder(), services_.atlas != nullptr ? *services_.atlas : GeonamesAtlas()) {
  window_.SetEventSink(this);
}

MainForm::~MainForm() { window_.SetEventSink(nullptr); }

void MainForm::FocusIfAvailable(Control button) { skyloom::FocusIfAvailable(window_, button); }

void MainForm::Load() {
  Window& w = window_;
  state_.FormLoaded = false;
  // Program identity, then the tables.
  w.SetCaption(ProgramCaption());
  InitDateNames();
  // Start-up inputs: the current year, personal mode, tropical zodiac.
  state_.FillingPlanetLists = false;
  state_.EntryDateRecord = CalendarDate{};
  const std::string year = std::to_string(CurrentYear());
  w.SetText(C(ControlName::txbYear, 0), year);
  w.SetText(C(ControlName::txbMonth, 0), "1");
  w.SetText(C(ControlName::txbDay, 0), "1");
  w.SetText(C(ControlName::txbYear, 1), year);
  w.SetText(C(ControlName::txbMonth, 1), "12");
  w.SetText(C(ControlName::txbDay, 1), "31");
  for (ControlName box : {ControlName::txbYear, ControlName::txbMonth, ControlName::txbDay}) w.SetText(C(box, 2), "");
  w.SetText(C(ControlName::txbOutput), "");
  w.SetEnabled(C(ControlName::cmdFile), false);
  w.SetValue(C(ControlName::optPersonal), 1);
  w.SetValue(C(ControlName::optTropical), 1);
  state_.RememberedPlanetIndex = {-1, -1, -1, -1};
  FillSelectionLists(state_);
  SetUpTimezoneComboBoxes(state_, false);
  if (services_.restoreState) services_.restoreState(state_);

  const bool world = w.Value(C(ControlName::optWorld)) != 0;
  w.SetVisible(C(ControlName::fraZodiac), !world);
  w.SetVisible(C(ControlName::fraBirthDate), !world);
  w.SetVisible(C(ControlName::cmdShowAll, 1), !world);
  w.SetText(C(ControlName::lblPlanet, 0), world ? "Inner planet" : "Transiting planet");
  w.SetText(C(ControlName::lblPlanet, 1), world ? "Outer planet" : "Natal planet");
  SetUpPlanetComboBoxes(state_);
  YearLostFocus(state_, 0);
  YearLostFocus(state_, 1);

  SetControlsForeColor(w, kForeColour);
  SetControlsBackColor(w, kBackColour);
  SetControlsFontName(w, "Arial", false, true);
  SetControlsFontSize(w, 10);
  SetControlsFontBold(w, true);
  SetFont(w, C(ControlName::lblCopyrightNotice), "Arial", 8, false);
  SetFont(w, C(ControlName::lblQF), "Arial", 8, false);
  FontSpec shortDate = w.Font(C(ControlName::lblShortDate));
  shortDate.bold = false;
  w.SetFont(C(ControlName::lblShortDate), shortDate);
  w.SetForeColor(C(ControlName::lblShortDate), kYellow);
  SetFont(w, C(ControlName::txbOutput), "Courier New", 8, true);

  SelectMachineTimezoneIfUnset(state_);
  w.SetValue(C(ControlName::chkKeepDates), 1);
  MonthOrDayLostFocus(state_, 2);
  RefreshSelection(w, C(ControlName::cboHour));
  RefreshSelection(w, C(ControlName::cboMinute));

  const Rect keep = w.Geometry(C(ControlName::chkKeepDates));
  Rect shortDateRect = w.Geometry(C(ControlName::lblShortDate));
  shortDateRect.Top = keep.Top + 140;
  shortDateRect.Left = keep.Left + 3500;
  w.SetGeometry(C(ControlName::lblShortDate), shortDateRect);
  w.SetVisible(C(ControlName::lblShortDate), false);

  const Rect screen = w.ScreenSize();
  Rect form = DesignFormRect;
  form.Top = (screen.Height - form.Height) / 5;
  form.Left = (screen.Width - form.Width) / 2;
  w.SetFormGeometry(form);
  UpdateCommandCaptions(w);
  UpdateSearchOrbLabel(state_);
  form.Width = MinWindowWidth;
  form.Height = MinWindowHeight;
  w.SetFormGeometry(form);

  const Rect fileButton = w.Geometry(C(ControlName::cmdFile));
  const Rect openFile = w.Geometry(C(ControlName::chkOpenOutputFile));
  SetLeft(w, C(ControlName::chkAppendToOutput), keep.Left + keep.Width + 40);
  const int32_t fileLeft = (form.Width - (fileButton.Width + openFile.Width + 450)) / 2 + 750;
  SetLeft(w, C(ControlName::cmdFile), fileLeft);
  SetLeft(w, C(ControlName::chkOpenOutputFile), fileLeft + fileButton.Width + 100);

  SetControlsFontBold(w, false);
  SetControlsFontName(w, "Arial", true, true);
  FontSpec output = w.Font(C(ControlName::txbOutput));
  output.name = "Courier New";
  w.SetFont(C(ControlName::txbOutput), output);

  w.SetVisible(C(ControlName::lblAllTransitsDateFormat), false);
  w.SetVisible(C(ControlName::txbAllTransitsDateFormat), false);
  w.SetVisible(C(ControlName::cmdShowAllTransits), false);
  const Rect append = w.Geometry(C(ControlName::chkAppendToOutput));
  Rect search = w.Geometry(C(ControlName::fraSearch));
  search.Width = append.Left + append.Width + 200;
  search.Left = (form.Width - search.Width) / 2;
  w.SetGeometry(C(ControlName::fraSearch), search);

  const Rect start = w.Geometry(C(ControlName::cmdStart));
  Rect notice = w.Geometry(C(ControlName::lblCopyrightNotice));
  Rect credit = w.Geometry(C(ControlName::lblQF));
  notice.Top = w.Geometry(C(ControlName::cmdShowAllTransits)).Top + 20;
  notice.Left = start.Left + (start.Width - notice.Width - credit.Width) / 2;
  credit.Top = notice.Top;
  credit.Left = notice.Left + notice.Width;
  w.SetGeometry(C(ControlName::lblCopyrightNotice), notice);
  w.SetGeometry(C(ControlName::lblQF), credit);
  shortDateRect = w.Geometry(C(ControlName::lblShortDate));
  shortDateRect.Top = notice.Top;
  shortDateRect.Left = start.Left + start.Width - shortDateRect.Width;
  w.SetGeometry(C(ControlName::lblShortDate), shortDateRect);
  w.SetForeColor(C(ControlName::lblShortDate), kYellow);

  const Rect help = w.Geometry(C(ControlName::cmdHelp));
  Rect clear = w.Geometry(C(ControlName::cmdClear));
  clear.Top = help.Top;
  clear.Left = help.Left - clear.Width - 100;
  w.SetGeometry(C(ControlName::cmdClear), clear);

  // A restored search aspect stays; otherwise the first one.
  const int16_t searchAspect = w.ListIndex(C(ControlName::cboSearchAspect));
  w.SetListIndex(C(ControlName::cboSearchAspect), 1);
  w.SetListIndex(C(ControlName::cboSearchAspect), searchAspect >= 0 ? searchAspect : 0);
  w.SetCaption(ProgramCaption());
  for (ControlName list : {ControlName::cboSearchAspect, ControlName::cboHour, ControlName::cboMinute})
    RefreshSelection(w, C(list));
  w.SetVisible(C(ControlName::txbStopDate), false);
  Resize();
  w.ShowForm();
  FocusIfAvailable(C(ControlName::cmdHelp));
  state_.FormLoaded = true;
}

void MainForm::Resize() {
  Window& w = window_;
  if (w.State() == WindowState::Minimized) return;
  Rect form = w.FormGeometry();
  if (form.Height < MinWindowHeight || form.Width < MinWindowWidth) {
    if (form.Height < MinWindowHeight) form.Height = MinWindowHeight;
    if (form.Width < MinWindowWidth) form.Width = MinWindowWidth;
    w.SetFormGeometry(form);
  }
  // The output box takes all the width and height the window gives; the
  // buttons right of the bottom row stay at its right edge. At the least
  // size everything stands where it was designed.
  const Rect quitDesign = DesignOf(C(ControlName::cmdQuit)).rect;
  Rect output = w.Geometry(C(ControlName::txbOutput));
  output.Height = form.Height - output.Top - 1250;
  const int32_t designRight = quitDesign.Left + quitDesign.Width;
  const int32_t right = std::max(designRight, form.Width - (MinWindowWidth - designRight));
  output.Width = right - output.Left;
  w.SetGeometry(C(ControlName::txbOutput), output);
  for (ControlName button : {ControlName::cmdClear, ControlName::cmdHelp, ControlName::cmdQuit})
    SetLeft(w, C(button), DesignOf(C(button)).rect.Left + right - designRight);
  const int32_t buttonsTop = output.Top + output.Height + 150;
  for (Control c : {C(ControlName::cmdQuit), C(ControlName::cmdHelp), C(ControlName::cmdClear),
                    C(ControlName::cmdSaveState), C(ControlName::cmdRestoreState), C(ControlName::cmdFile)})
    SetTop(w, c, buttonsTop);
  const Rect save = w.Geometry(C(ControlName::cmdSaveState));
  SetLeft(w, C(ControlName::cmdRestoreState), save.Left + save.Width + 100);
  SetLeft(w, C(ControlName::cmdFile), 5950);
  const Rect file = w.Geometry(C(ControlName::cmdFile));
  Rect open = w.Geometry(C(ControlName::chkOpenOutputFile));
  open.Top = file.Top + 30;
  open.Left = file.Left + file.Width + 100;
  w.SetGeometry(C(ControlName::chkOpenOutputFile), open);
  // "Output as HTML" keeps its place under the button row, as designed,
  // instead of being covered by the row once the window grows.
  SetTop(w, C(ControlName::chkOutputAsHTML), file.Top + 480);
}

void MainForm::AfterCommand() {
  // A quit answered while a run went on takes effect once the run has
  // stopped and the command that started it has returned: a Show-all
  // series has put its lists back by then, so a save keeps the user's
  // choices, not the series' last pair.
  if (!quitAfterRun_ || state_.Runs.Running()) return;
  quitAfterRun_ = false;
  state_.Runs.CancelQuit();
  if (saveAfterRun_) {
    saveAfterRun_ = false;
    if (services_.saveState && !services_.saveState(state_)) return;
  }
  ended_ = true;
  window_.EndProgram();
}

MsgAnswer MainForm::AskToSave() {
  // The question is modal; a second quit or close while it is open is the
  // same request, not another question.
  asking_ = true;
  const MsgAnswer answer =
      window_.MessageBox({"Save program state for next run?", window_.Text(C(ControlName::cmdQuit)), MsgIcon::Question,
                          MsgButtons::YesNoCancel, MsgAnswer::No});
  asking_ = false;
  return answer;
}

void MainForm::Quit() {
  if (ended_ || asking_ || quitAfterRun_) return;
  if (state_.Runs.Running()) {
    // Here from inside the run's daily yield: the run waits while the
    // question is open, and Cancel lets it go on from the day it was on.
    const MsgAnswer answer = state_.StateRecentlySaved ? MsgAnswer::No : AskToSave();
    if (answer == MsgAnswer::Cancel) return;
    state_.Runs.RequestStop();
    state_.Runs.RequestQuit();
    quitAfterRun_ = true;
    saveAfterRun_ = answer == MsgAnswer::Yes;
    return;
  }
  if (!state_.StateRecentlySaved) {
    // Cancel keeps the window, also when it was asked to close: closing
    // it would lose the report in the output box.
    const MsgAnswer answer = AskToSave();
    if (answer == MsgAnswer::Cancel) return;
    // A save that failed keeps the window open, so the inputs are not lost
    // with it; the user has been told and may try again or answer No.
    if (answer == MsgAnswer::Yes && services_.saveState && !services_.saveState(state_)) return;
  }
  ended_ = true;
  window_.EndProgram();
}

void MainForm::CloseRequested() { Quit(); }

void MainForm::Click(Control c) {
  const bool loaded = state_.FormLoaded;
  switch (c.name) {
    case ControlName::cmdStart:
      StartPressed(state_);
      AfterCommand();
      break;
    case ControlName::cmdShowAll:
      ShowAllPressed(state_, c.index);
      AfterCommand();
      break;
    case ControlName::cmdSearch:
      SearchPressed(state_);
      AfterCommand();
      break;
    // Hidden on the form; the Run menu asks for the whole chart with it.
    case ControlName::cmdShowAllTransits:
      WholeChartPressed(state_);
      AfterCommand();
      break;
    case ControlName::cmdClear: ClearOutput(state_); break;
    case ControlName::cmdFile: WriteOutputFile(state_, shell_); break;
    case ControlName::cmdHelp:
      if (services_.showHelp) services_.showHelp();
      break;
    case ControlName::cmdQuit: Quit(); break;
    case ControlName::cmdSaveState:
      if (services_.saveState) services_.saveState(state_);
      break;
    case ControlName::cmdRestoreState:
      if (services_.restoreState) services_.restoreState(state_);
      break;
    case ControlName::optWorld: WorldClicked(state_); break;
    case ControlName::optPersonal: PersonalClicked(state_); break;
    case ControlName::cboPlanet: PlanetListClicked(state_, c.index); break;
    case ControlName::cboOrbs: OrbListClicked(state_); break;
    case ControlName::chkDisplayNATZabbr:
      SetUpTimezoneComboBoxes(state_, true);
      FocusIfAvailable(C(ControlName::cmdStart));
      break;
    case ControlName::cboTimezone:
    case ControlName::cboHour:
    case ControlName::cboMinute:
      if (loaded) FocusIfAvailable(C(ControlName::cmdStart));
      break;
    case ControlName::cboSearchAspect:
    case ControlName::chkKeepDates:
      if (loaded) FocusIfAvailable(C(ControlName::cmdSearch));
      break;
    case ControlName::chkOpenOutputFile:
      if (loaded) FocusIfAvailable(C(ControlName::cmdFile));
      break;
    case ControlName::chkAppendToOutput:
      if (loaded && window_.Enabled(C(ControlName::cmdStart))) FocusIfAvailable(C(ControlName::cmdStart));
      break;
    default: break;
  }
}

void MainForm::LostFocus(Control c) {
  switch (c.name) {
    case ControlName::txbYear: YearLostFocus(state_, c.index); break;
    case ControlName::txbMonth:
    case ControlName::txbDay: MonthOrDayLostFocus(state_, c.index); break;
    case ControlName::txbStopDate: StopDateLostFocus(state_); break;
    default: break;
  }
}

void MainForm::KeyUp(Control c, int keyCode) {
  if (c.name == ControlName::txbBirthPlace) {
    PlaceBoxTyped(state_);
    return;
  }
  if (c.name == ControlName::cboTimezone) {
    ZoneListTyped(state_, c.index);
    return;
  }
  if (c.name == ControlName::txbYear || c.name == ControlName::txbMonth || c.name == ControlName::txbDay) {
    DateBoxKeyUp(state_, keyCode);
    AfterCommand();
  }
}

void MainForm::TimerTick() { skyloom::TimerTick(state_); }

}  // namespace skyloom
