// The main window as the program's handlers and engine see it: controls by
// name, message boxes, the file dialog, the pop-up, repaint and the event
// loop's "process pending events". The Qt window implements it with widgets;
// the in-memory window (tests, command-line front end) with plain data.
//
// Setting a list's position or an option's or check box's value from code
// fires the same Click a user's choice would, as in the window toolkit the
// program was designed on; both implementations do so.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ports/message.h"

namespace skyloom {

// Every control of the main window. Arrays of like controls share a name and
// are told apart by their index (txbYear 0 start, 1 end, 2 birth; ...).
// clang-format off
enum class ControlName : uint16_t {
  // command buttons
  cmdStart, cmdShowAll, cmdShowAllTransits, cmdSearch, cmdSaveState, cmdRestoreState,
  cmdFile, cmdClear, cmdHelp, cmdQuit,
  // text boxes
  txbYear, txbMonth, txbDay, txbStopDate, txbAllTransitsDateFormat, txbOutput, txbBirthPlace,
  // drop-down lists
  cboPlanet, cboOrbs, cboTimezone, cboHour, cboMinute, cboSearchAspect,
  // check boxes
  chkDisplayNATZabbr, chkKeepDates, chkAppendToOutput, chkOpenOutputFile, chkOutputAsHTML,
  // option buttons
  optWorld, optPersonal, optTropical, optSidereal,
  // labels
  lblYear, lblMonthDay, lblStartEnd, lblDate, lblShortDate, lblPlanet, lblOrbs,
  lblAllTransitsDateFormat, lblCopyrightNotice, lblQF, Label1, Label2,
  // frames
  fraTypeOfTransit, fraZodiac, fraBirthDate, fraSearch,
};
// clang-format on

enum class ControlKind : uint8_t { CommandButton, TextBox, ComboBox, CheckBox, OptionButton, Label, Frame };

struct ControlInfo {
  ControlName name;
  std::string_view text;  // the name as the program writes it
  ControlKind kind;
  int16_t count;          // members of the array (1 for a single control)
  ControlName container;  // the frame it sits in, or itself when on the window
};

// The controls of the main window in design order.
std::span<const ControlInfo> AllControls();
const ControlInfo& InfoOf(ControlName name);

struct Control {
  ControlName name;
  int16_t index = 0;
  friend bool operator==(const Control&, const Control&) = default;
};

// Positions and sizes in twips (1/1440 inch); inside a frame relative to it.
struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct FontSpec {
  std::string name;
  double size = 8.25;
  bool bold = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class MsgButtons : uint8_t { Ok, YesNoCancel };
enum class MsgAnswer : uint8_t { Ok, Yes, No, Cancel };
enum class WindowState : uint8_t { Normal, Minimized, Maximized };

struct MessageBoxRequest {
  std::string text;
  std::string title;  // empty: the application's default title
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
  MsgAnswer defaultAnswer = MsgAnswer::Ok;
};

struct FileDialogRequest {
  std::string title;
  std::string filter;  // "Description *.ext | *.ext;*.ext2"
  int32_t flags = 0;
  std::string fileName;
};

// The self-closing message of the pop-up window; sizes and offsets in twips,
// offsets from the main window's top-left corner, interval in milliseconds.
struct PopUpRequest {
  std::string message;
  int16_t width = 0, height = 0, interval = 0, top = 0, left = 0;
};

// An entry a text box offers to complete what is typed: the text shown in
// the list, and the text the box takes when it is chosen.
struct Completion {
  std::string shown;
  std::string entered;
  friend bool operator==(const Completion&, const Completion&) = default;
};

// The core's handlers for the window's events. The window forwards each user
// action (and each change made from code that the toolkit reports as a
// click) here.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void Click(Control control) = 0;
  virtual void LostFocus(Control control) = 0;
  virtual void KeyUp(Control control, int keyCode) = 0;
  virtual void TimerTick() = 0;
  virtual void Resize() = 0;
  // The user closes the window; the handler decides how the program ends.
  virtual void CloseRequested() = 0;
};

class Window {
 public:
  virtual ~Window() = default;

  virtual void SetEventSink(WindowEvents* sink) = 0;

  // Text of a text box, caption of a label, button, check box, option or frame.
  virtual std::string Text(Control c) const = 0;
  virtual void SetText(Control c, std::string_view text) = 0;
  // Appends to a text box without reading it back (the output box is long).
  virtual void AppendText(Control c, std::string_view text) = 0;
  // Length of a text box's text in characters (code points), not bytes.
  virtual int32_t TextLength(Control c) const = 0;
  // Caret to the end of the text, so the newest line shows.
  virtual void CaretToEnd(Control c) = 0;
  // The entries a text box or an editable list offers below itself while
  // it is typed in, in place of those offered before; none closes the list.
  virtual void SetCompletions(Control c, std::span<const Completion> entries) = 0;
  // Whether a text box keeps what is appended to it. A box that hands each
  // piece on instead (the command line's output, sent out as it comes) has
  // no capacity to fill.
  virtual bool KeepsText(Control c) const {
    static_cast<void>(c);
    return true;
  }

  virtual bool Visible(Control c) const = 0;
  virtual void SetVisible(Control c, bool visible) = 0;
  virtual bool Enabled(Control c) const = 0;
  virtual void SetEnabled(Control c, bool enabled) = 0;

  // Check boxes 0 / 1, option buttons 0 / 1. Setting a check box to a new
  // value, or an option to 1, fires Click.
  virtual int16_t Value(Control c) const = 0;
  virtual void SetValue(Control c, int16_t value) = 0;

  // Lists. Positions are zero-based, -1 for no selection. SetListIndex fires
  // Click when the position changes to an entry.
  virtual int16_t ListIndex(Control c) const = 0;
  virtual void SetListIndex(Control c, int16_t index) = 0;
  // The same without the Click: a stored choice put back is no choice of the
  // user's, and what a choice sets off (the orb rules) is not for it.
  virtual void RestoreListIndex(Control c, int16_t index) = 0;
  virtual int16_t ListCount(Control c) const = 0;
  virtual std::string ListItem(Control c, int16_t index) const = 0;
  virtual void SetListItem(Control c, int16_t index, std::string_view text) = 0;
  virtual void AddItem(Control c, std::string_view text) = 0;
  virtual void ClearList(Control c) = 0;
  virtual int32_t ItemData(Control c, int16_t index) const = 0;
  virtual void SetItemData(Control c, int16_t index, int32_t data) = 0;

  virtual Rect Geometry(Control c) const = 0;
  virtual void SetGeometry(Control c, Rect r) = 0;
  virtual void SetForeColor(Control c, Rgb colour) = 0;
  virtual void SetBackColor(Control c, Rgb colour) = 0;
  virtual FontSpec Font(Control c) const = 0;
  virtual void SetFont(Control c, const FontSpec& font) = 0;
  virtual void BringToFront(Control c) = 0;
  virtual void SetFocus(Control c) = 0;
  virtual void Repaint(Control c) = 0;

  // The window itself.
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual Rect FormGeometry() const = 0;
  virtual void SetFormGeometry(Rect r) = 0;
  virtual WindowState State() const = 0;
  virtual void SetBackColor(Rgb colour) = 0;
  virtual Rect ScreenSize() const = 0;
  virtual void RepaintForm() = 0;
  virtual void ShowForm() = 0;
  // Ends the program after the current handler returns.
  virtual void EndProgram() = 0;

  // Pending window events are handled (the engine's daily yield). Handlers
  // may run from inside this call.
  virtual void ProcessPendingEvents() = 0;

  virtual MsgAnswer MessageBox(const MessageBoxRequest& request) = 0;
  // Returns the chosen file name, empty when the user cancelled.
  virtual std::string ShowFileDialog(const FileDialogRequest& request) = 0;
  // Shows the pop-up modally; returns when it has closed.
  virtual void PopUp(const PopUpRequest& request) = 0;

  // How far a run has come: the day it has reached, as a date, and the
  // share of its period done, 0 to 100. A window without a progress bar
  // shows it nowhere.
  virtual void ShowProgress(std::string_view day, int16_t percent) {
    static_cast<void>(day);
    static_cast<void>(percent);
  }
  virtual void HideProgress() {}
};

// Whether a list also takes typed text (the birth hour and minute, the
// search aspect, the zone lists, which take tz database names): text that
// is none of its entries is its Text, with no entry selected (ListIndex
// -1). Setting such text from code selects nothing and fires no Click.
bool EditableList(ControlName name);

// The frame one member of an array sits in, or the member's own name when it
// is on the window. Arrays can straddle a frame (txbYear(2) is in
// fraBirthDate, txbYear(0) is not), so this, not ControlInfo::container, is
// the answer for a particular member. Throws std::out_of_range for an index
// outside the array.
ControlName ContainerOf(Control c);

// The caption (or text) and position a member has in the window's design,
// before start-up changes anything. Positions in twips, relative to the
// container. Every member has one.
struct ControlDesign {
  std::string_view caption;
  Rect rect;
};
ControlDesign DesignOf(Control c);

// The design client area of the main window, twips.
inline constexpr Rect DesignFormRect{0, 0, 14685, 7515};

// Shorthands that read like the program's own names.
constexpr Control Ctl(ControlName n, int16_t i = 0) { return Control{n, i}; }

}  // namespace skyloom
