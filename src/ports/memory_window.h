// The main window as plain data, for the tests and the command-line front
// end. It keeps the toolkit's habits the program relies on: choosing a list
// entry, checking a box or selecting an option from code fires Click just
// as the user's choice would, and option buttons in one frame exclude each
// other. Message boxes and the file dialog answer from scripted queues.
//
// Misuse that the real toolkit would reject at run time (an index outside an
// array or a list, a list operation on a text box) throws, so a fault in the
// program shows in the tests instead of being papered over.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/window.h"

namespace skyloom {

class MemoryWindow : public Window {
 public:
  // Every member present, visible and enabled, texts and lists empty, no
  // list selection, values 0, all geometry zero. LoadDesign gives the
  // design captions and positions.
  MemoryWindow();

  // Captions, texts and positions of the window's design, and the form's
  // design client area.
  void LoadDesign();

  // Window
  void SetEventSink(WindowEvents* sink) override { sink_ = sink; }
  std::string Text(Control c) const override;
  void SetText(Control c, std::string_view text) override;
  void AppendText(Control c, std::string_view text) override;
  int32_t TextLength(Control c) const override;
  void CaretToEnd(Control c) override;
  void SetCompletions(Control c, std::span<const Completion> entries) override;
  bool KeepsText(Control c) const override;
  bool Visible(Control c) const override;
  void SetVisible(Control c, bool visible) override;
  bool Enabled(Control c) const override;
  void SetEnabled(Control c, bool enabled) override;
  int16_t Value(Control c) const override;
  void SetValue(Control c, int16_t value) override;
  int16_t ListIndex(Control c) const override;
  void SetListIndex(Control c, int16_t index) override;
  void RestoreListIndex(Control c, int16_t index) override;
  int16_t ListCount(Control c) const override;
  std::string ListItem(Control c, int16_t index) const override;
  void SetListItem(Control c, int16_t index, std::string_view text) override;
  void AddItem(Control c, std::string_view text) override;
  void ClearList(Control c) override;
  int32_t ItemData(Control c, int16_t index) const override;
  void SetItemData(Control c, int16_t index, int32_t data) override;
  Rect Geometry(Control c) const override;
  void SetGeometry(Control c, Rect r) override;
  void SetForeColor(Control c, Rgb colour) override;
  void SetBackColor(Control c, Rgb colour) override;
  FontSpec Font(Control c) const override;
  void SetFont(Control c, const FontSpec& font) override;
  void BringToFront(Control c) override;
  void SetFocus(Control c) override;
  void Repaint(Control c) override;
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  Rect FormGeometry() const override { return formRect_; }
  void SetFormGeometry(Rect r) override { formRect_ = r; }
  WindowState State() const override { return state_; }
  void SetBackColor(Rgb colour) override { formBackColor_ = colour; }
  Rect ScreenSize() const override { return screen_; }
  void RepaintForm() override { ++formRepaints_; }
  void ShowForm() override { shown_ = true; }
  void EndProgram() override { ended_ = true; }
  void ProcessPendingEvents() override;
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  std::string ShowFileDialog(const FileDialogRequest& request) override;
  void PopUp(const PopUpRequest& request) override { popUps_.push_back(request); }
  void ShowProgress(std::string_view day, int16_t percent) override {
    progress_.push_back(std::string(day) + " " + std::to_string(percent) + "%");
    progressShown_ = true;
  }
  void HideProgress() override { progressShown_ = false; }

  // What the program did, for the tests to read.
  bool Shown() const { return shown_; }
  bool Ended() const { return ended_; }
  const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<PopUpRequest>& PopUps() const { return popUps_; }
  // Every progress shown, as "date percent%", and whether it still shows.
  const std::vector<std::string>& Progress() const { return progress_; }
  bool ProgressShown() const { return progressShown_; }
  // Whether the control has the focus.
  bool HasFocus(Control c) const { return hasFocus_ && focused_ == c; }
  // What a text box or an editable list offers to complete now.
  const std::vector<Completion>& Completions(Control c) const { return At(c).completions; }

  // Set-up by tests and the command-line front end.
  // The answers of the next message boxes, in order; once used up each box
  // takes its default answer. An answer the box has no button for throws.
  void QueueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
  // Runs while a message box is "open", after it is logged and before it
  // answers, so a test can look at or act on the window mid-box.
  void SetMessageBoxHook(std::function<void(const MessageBoxRequest&)> hook) { messageBoxHook_ = std::move(hook); }
  // The names the next file dialogs return; "" or an empty queue cancels.
  void QueueFileName(std::string name) { fileNames_.push_back(std::move(name)); }
  // Hands what is appended to text box c to sink instead of keeping it. The
  // box then reads as empty, and its length counts the characters handed on
  // since its text was last set (setting a text hands that text on too).
  void StreamText(Control c, std::function<void(std::string_view)> sink);
  // Runs at every ProcessPendingEvents, where the user's actions during a
  // run arrive (pressing Stop, say).
  void SetPendingEventsHook(std::function<void()> hook) { pendingEventsHook_ = std::move(hook); }

  // The user's actions. Each fires what the real window would.
  // A click on a control the user can reach (visible and enabled, and so is
  // its frame); returns false and does nothing otherwise. The control takes
  // the focus first where a click gives it, a check box toggles and an
  // option becomes selected (Click only when it was not selected already).
  bool Click(Control c);
  // Types into a box or a list that takes typed text: it takes the focus
  // and its text is replaced.
  bool Type(Control c, std::string_view text);
  // Chooses one of the entries a box offers: the box takes its text, as a
  // user's choice from the list below it gives; false when there is no such entry.
  bool ChooseCompletion(Control c, size_t entry);
  // The focus leaves the box (fires LostFocus).
  void LeaveFocus(Control c);
  void PressKeyUp(Control c, int keyCode);
  void UserClose();

 private:
  struct Item {
    std::string text;
    int32_t data = 0;
  };
  struct Member {
    ControlKind kind = ControlKind::Label;
    ControlName container{};
    std::string text;
    int32_t codePoints = 0;
    int32_t caret = 0;
    bool visible = true;
    bool enabled = true;
    int16_t value = 0;
    std::vector<Item> items;
    int16_t listIndex = -1;
    Rect rect;
    Rgb foreColor;
    Rgb backColor{255, 255, 255};
    FontSpec font;
    int32_t zOrder = 0;
    int repaints = 0;
    std::function<void(std::string_view)> sink;
    std::vector<Completion> completions;
  };
  using Key = std::pair<ControlName, int16_t>;

  Member& At(Control c);
  const Member& At(Control c) const;
  Member& ListAt(Control c);
  const Member& ListAt(Control c) const;
  bool Reachable(Control c) const;
  void MoveFocus(Control c);
  void FireClick(Control c);

  std::map<Key, Member> members_;
  WindowEvents* sink_ = nullptr;
  std::string caption_;
  Rect formRect_;
  Rect screen_{0, 0, 1920 * 15, 1080 * 15};
  WindowState state_ = WindowState::Normal;
  Rgb formBackColor_;
  int32_t zCounter_ = 0;
  bool hasFocus_ = false;
  Control focused_{};
  int formRepaints_ = 0;
  int pendingEventCalls_ = 0;
  bool shown_ = false;
  bool ended_ = false;
  std::vector<MessageBoxRequest> messageBoxes_;
  std::deque<MsgAnswer> answers_;
  std::function<void(const MessageBoxRequest&)> messageBoxHook_;
  std::vector<FileDialogRequest> fileDialogs_;
  std::deque<std::string> fileNames_;
  std::vector<PopUpRequest> popUps_;
  std::vector<std::string> progress_;
  bool progressShown_ = false;
  std::function<void()> pendingEventsHook_;
};

}  // namespace skyloom
