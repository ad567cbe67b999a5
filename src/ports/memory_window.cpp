#include "ports/memory_window.h"

#include <stdexcept>

namespace skyloom {

namespace {

// Continuation bytes (10xxxxxx) do not start a character; counting the other
// bytes gives the code points of well-formed UTF-8 without decoding it.
int32_t CodePoints(std::string_view text) {
  int32_t n = 0;
  for (char ch : text)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
  return n;
}

std::string NameOf(Control c) {
  const ControlInfo& info = InfoOf(c.name);
  if (info.count == 1 && c.index == 0) return std::string(info.text);
  return std::string(info.text) + "(" + std::to_string(c.index) + ")";
}

bool AnswerFits(MsgButtons buttons, MsgAnswer answer) {
  if (buttons == MsgButtons::Ok) return answer == MsgAnswer::Ok;
  return answer != MsgAnswer::Ok;
}

// Controls a click gives the focus to; labels and frames never take it.
bool TakesFocus(ControlKind kind) { return kind != ControlKind::Label && kind != ControlKind::Frame; }

}  // namespace

MemoryWindow::MemoryWindow() {
  for (const ControlInfo& info : AllControls()) {
    for (int16_t i = 0; i < info.count; ++i) {
      Member m;
      m.kind = info.kind;
      m.container = ContainerOf(Ctl(info.name, i));
      members_.emplace(Key{info.name, i}, std::move(m));
    }
  }
}

void MemoryWindow::LoadDesign() {
  for (auto& [key, m] : members_) {
    ControlDesign design = DesignOf(Ctl(key.first, key.second));
    m.text = design.caption;
    m.codePoints = CodePoints(m.text);
    m.caret = 0;
    m.rect = design.rect;
  }
  formRect_ = DesignFormRect;
}

MemoryWindow::Member& MemoryWindow::At(Control c) { return const_cast<Member&>(std::as_const(*this).At(c)); }

const MemoryWindow::Member& MemoryWindow::At(Control c) const {
  auto it = members_.find(Key{c.name, c.index});
  if (it == members_.end()) throw std::out_of_range(NameOf(c) + " does not exist");
  return it->second;
}

MemoryWindow::Member& MemoryWindow::ListAt(Control c) { return const_cast<Member&>(std::as_const(*this).ListAt(c)); }

const MemoryWindow::Member& MemoryWindow::ListAt(Control c) const {
  const Member& m = At(c);
  if (m.kind != ControlKind::ComboBox) throw std::invalid_argument(NameOf(c) + " is not a list");
  return m;
}

std::string MemoryWindow::Text(Control c) const {
  const Member& m = At(c);
  if (m.kind == ControlKind::ComboBox && m.listIndex >= 0) return m.items[static_cast<size_t>(m.listIndex)].text;
  return m.text;
}

// Setting a combo box's text picks the entry that reads the same, as the
// toolkit's drop-down combos do, but like the toolkit fires no Click for it.
// Other text stays only in a list that takes typed text; a plain drop-down
// list is then left blank.
void MemoryWindow::SetText(Control c, std::string_view text) {
  Member& m = At(c);
  if (m.sink) {
    m.codePoints = CodePoints(text);
    m.caret = 0;
    if (!text.empty()) m.sink(text);
    return;
  }
  m.text = text;
  m.codePoints = CodePoints(m.text);
  m.caret = 0;
  if (m.kind == ControlKind::ComboBox) {
    m.listIndex = -1;
    for (size_t i = 0; i < m.items.size(); ++i) {
      if (m.items[i].text == text) {
        m.listIndex = static_cast<int16_t>(i);
        break;
      }
    }
    if (m.listIndex < 0 && !EditableList(c.name)) {
      m.text.clear();
      m.codePoints = 0;
    }
  }
}

void MemoryWindow::AppendText(Control c, std::string_view text) {
  Member& m = At(c);
  if (m.kind != ControlKind::TextBox) throw std::invalid_argument(NameOf(c) + " is not a text box");
  m.codePoints += CodePoints(text);
  if (m.sink) {
    m.sink(text);
    return;
  }
  m.text.append(text);
}

bool MemoryWindow::KeepsText(Control c) const { return !At(c).sink; }

void MemoryWindow::StreamText(Control c, std::function<void(std::string_view)> sink) {
  Member& m = At(c);
  if (m.kind != ControlKind::TextBox) throw std::invalid_argument(NameOf(c) + " is not a text box");
  m.text.clear();
  m.sink = std::move(sink);
}

int32_t MemoryWindow::TextLength(Control c) const {
  const Member& m = At(c);
  if (m.kind == ControlKind::ComboBox) return CodePoints(Text(c));
  return m.codePoints;
}

void MemoryWindow::CaretToEnd(Control c) {
  Member& m = At(c);
  m.caret = m.codePoints;
}

void MemoryWindow::SetCompletions(Control c, std::span<const Completion> entries) {
  Member& m = At(c);
  if (m.kind != ControlKind::TextBox && !(m.kind == ControlKind::ComboBox && EditableList(c.name)))
    throw std::invalid_argument(NameOf(c) + " takes no typed text");
  m.completions.assign(entries.begin(), entries.end());
}

bool MemoryWindow::Visible(Control c) const { return At(c).visible; }
void MemoryWindow::SetVisible(Control c, bool visible) { At(c).visible = visible; }
bool MemoryWindow::Enabled(Control c) const { return At(c).enabled; }
void MemoryWindow::SetEnabled(Control c, bool enabled) { At(c).enabled = enabled; }

int16_t MemoryWindow::Value(Control c) const { return At(c).value; }

void MemoryWindow::SetValue(Control c, int16_t value) {
  Member& m = At(c);
  if (m.kind == ControlKind::CheckBox) {
    // 2 is the toolkit's greyed state; anything else is a slip.
    if (value < 0 || value > 2) throw std::out_of_range(NameOf(c) + ": check box value " + std::to_string(value));
    if (m.value == value) return;
    m.value = value;
    FireClick(c);
    return;
  }
  if (m.kind != ControlKind::OptionButton) throw std::invalid_argument(NameOf(c) + " has no value");
  if (value != 0 && value != 1) throw std::out_of_range(NameOf(c) + ": option value " + std::to_string(value));
  if (value == 0) {
    m.value = 0;
    return;
  }
  if (m.value == 1) return;
  m.value = 1;
  for (auto& [key, other] : members_) {
    if (other.kind == ControlKind::OptionButton && other.container == m.container && &other != &m) other.value = 0;
  }
  FireClick(c);
}

int16_t MemoryWindow::ListIndex(Control c) const { return ListAt(c).listIndex; }

void MemoryWindow::SetListIndex(Control c, int16_t index) {
  const bool changed = index != ListAt(c).listIndex;
  RestoreListIndex(c, index);
  if (changed && index >= 0) FireClick(c);
}

void MemoryWindow::RestoreListIndex(Control c, int16_t index) {
  Member& m = ListAt(c);
  if (index < -1 || index >= static_cast<int32_t>(m.items.size()))
    throw std::out_of_range(NameOf(c) + ": list position " + std::to_string(index) + " of " +
                            std::to_string(m.items.size()));
  if (index == m.listIndex) return;
  m.listIndex = index;
  m.text = index >= 0 ? m.items[static_cast<size_t>(index)].text : std::string();
  m.codePoints = CodePoints(m.text);
}

int16_t MemoryWindow::ListCount(Control c) const { return static_cast<int16_t>(ListAt(c).items.size()); }

// Reading past the ends gives "", as the toolkit does; the program reads the
// entry at ListIndex without first testing for -1.
std::string MemoryWindow::ListItem(Control c, int16_t index) const {
  const Member& m = ListAt(c);
  if (index < 0 || index >= static_cast<int32_t>(m.items.size())) return {};
  return m.items[static_cast<size_t>(index)].text;
}

void MemoryWindow::SetListItem(Control c, int16_t index, std::string_view text) {
  Member& m = ListAt(c);
  if (index < 0 || index >= static_cast<int32_t>(m.items.size()))
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  m.items[static_cast<size_t>(index)].text = text;
}

void MemoryWindow::AddItem(Control c, std::string_view text) {
  Member& m = ListAt(c);
  if (m.items.size() >= 32767) throw std::length_error(NameOf(c) + ": list full");
  m.items.push_back(Item{std::string(text), 0});
}

void MemoryWindow::ClearList(Control c) {
  Member& m = ListAt(c);
  m.items.clear();
  m.listIndex = -1;
  m.text.clear();
  m.codePoints = 0;
}

int32_t MemoryWindow::ItemData(Control c, int16_t index) const {
  const Member& m = ListAt(c);
  if (index < 0 || index >= static_cast<int32_t>(m.items.size()))
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  return m.items[static_cast<size_t>(index)].data;
}

void MemoryWindow::SetItemData(Control c, int16_t index, int32_t data) {
  Member& m = ListAt(c);
  if (index < 0 || index >= static_cast<int32_t>(m.items.size()))
    throw std::out_of_range(NameOf(c) + ": no list entry " + std::to_string(index));
  m.items[static_cast<size_t>(index)].data = data;
}

Rect MemoryWindow::Geometry(Control c) const { return At(c).rect; }
void MemoryWindow::SetGeometry(Control c, Rect r) { At(c).rect = r; }
void MemoryWindow::SetForeColor(Control c, Rgb colour) { At(c).foreColor = colour; }
void MemoryWindow::SetBackColor(Control c, Rgb colour) { At(c).backColor = colour; }
FontSpec MemoryWindow::Font(Control c) const { return At(c).font; }
void MemoryWindow::SetFont(Control c, const FontSpec& font) { At(c).font = font; }
void MemoryWindow::BringToFront(Control c) { At(c).zOrder = ++zCounter_; }

// A hidden or disabled control cannot take the focus; the request is dropped
// as the widget toolkit drops it.
void MemoryWindow::SetFocus(Control c) {
  At(c);
  if (Reachable(c)) MoveFocus(c);
}

void MemoryWindow::Repaint(Control c) { ++At(c).repaints; }

void MemoryWindow::ProcessPendingEvents() {
  ++pendingEventCalls_;
  // A copy, so a hook that replaces itself does not destroy what is running.
  if (auto hook = pendingEventsHook_) hook();
}

MsgAnswer MemoryWindow::MessageBox(const MessageBoxRequest& request) {
  if (!AnswerFits(request.buttons, request.defaultAnswer))
    throw std::logic_error("message box \"" + request.text + "\": default answer without its button");
  messageBoxes_.push_back(request);
  MsgAnswer answer = request.defaultAnswer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (!AnswerFits(request.buttons, answer))
    throw std::logic_error("message box \"" + request.text + "\": scripted answer without its button");
  if (auto hook = messageBoxHook_) hook(request);
  return answer;
}

std::string MemoryWindow::ShowFileDialog(const FileDialogRequest& request) {
  fileDialogs_.push_back(request);
  if (fileNames_.empty()) return {};
  std::string name = std::move(fileNames_.front());
  fileNames_.pop_front();
  return name;
}

bool MemoryWindow::Reachable(Control c) const {
  const Member& m = At(c);
  if (!m.visible || !m.enabled) return false;
  if (m.container == c.name) return true;
  const Member& frame = At(Ctl(m.container));
  return frame.visible && frame.enabled;
}

void MemoryWindow::MoveFocus(Control c) {
  if (hasFocus_ && focused_ == c) return;
  bool hadFocus = hasFocus_;
  Control previous = focused_;
  hasFocus_ = true;
  focused_ = c;
  // As on the Qt widgets, only the text boxes report losing the focus.
  if (hadFocus && sink_ && At(previous).kind == ControlKind::TextBox) sink_->LostFocus(previous);
}

void MemoryWindow::FireClick(Control c) {
  if (sink_) sink_->Click(c);
}

bool MemoryWindow::Click(Control c) {
  if (!Reachable(c)) return false;
  ControlKind kind = At(c).kind;
  if (TakesFocus(kind)) MoveFocus(c);
  if (kind == ControlKind::CheckBox) {
    SetValue(c, Value(c) == 0 ? 1 : 0);
  } else if (kind == ControlKind::OptionButton) {
    SetValue(c, 1);
  } else {
    FireClick(c);
  }
  return true;
}

bool MemoryWindow::Type(Control c, std::string_view text) {
  if (!Reachable(c)) return false;
  MoveFocus(c);
  SetText(c, text);
  return true;
}

bool MemoryWindow::ChooseCompletion(Control c, size_t entry) {
  if (!Reachable(c) || entry >= At(c).completions.size()) return false;
  MoveFocus(c);
  const std::string text = At(c).completions[entry].entered;
  SetText(c, text);
  At(c).completions.clear();
  return true;
}

void MemoryWindow::LeaveFocus(Control c) {
  At(c);
  if (hasFocus_ && focused_ == c) hasFocus_ = false;
  if (sink_) sink_->LostFocus(c);
}

void MemoryWindow::PressKeyUp(Control c, int keyCode) {
  At(c);
  if (sink_) sink_->KeyUp(c, keyCode);
}

void MemoryWindow::UserClose() {
  if (sink_) sink_->CloseRequested();
}

}  // namespace skyloom
