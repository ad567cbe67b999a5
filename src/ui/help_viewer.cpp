#include "ui/help_viewer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ports/data_file.h"

namespace skyloom {
namespace {

constexpr std::string_view kHeadNote =
    "NOTE: This file is too large to display entirely in this textbox.\r\n"
    "To view the entire contents of the file load it into NotePad,\r\n"
    "WordPad or some other text editor.\r\n"
    "\r\n";
constexpr std::string_view kTailNote = "NOTE: Entire contents of file have not been displayed.\r\n";

// Continuation bytes (10xxxxxx) do not start a character.
bool StartsCharacter(char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }

int64_t CharacterCount(std::string_view text) { return std::count_if(text.begin(), text.end(), StartsCharacter); }

// The first n characters of text, never ending inside a character.
std::string_view FirstCharacters(std::string_view text, int64_t n) {
  int64_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (StartsCharacter(text[i]) && seen++ == n) return text.substr(0, i);
  }
  return text;
}

// A long file is cut so that the notes and the stretch of the file between them
// hold ViewerTextLimit characters; the blank line before the tail note comes
// on top of that.
std::string ViewerText(std::string text) {
  if (CharacterCount(text) < ViewerTextLimit) return text;
  const int64_t n = ViewerTextLimit - CharacterCount(kHeadNote) - CharacterCount(kTailNote);
  std::string shown(kHeadNote);
  shown += FirstCharacters(text, n);
  shown += "\r\n\r\n";
  shown += kTailNote;
  return shown;
}

// The help text is some 34 KB; a file far beyond that is not it, and the
// viewer shows only its first 65530 characters in any case.
constexpr int64_t kLargestHelpFile = 4 * 1024 * 1024;

// "Error 53.  " and the like: the numbers the program has always given for
// failed file reads, followed by the file and the system's own reason, so
// that the user learns which file it was and what is wrong with it.
std::string ReadErrorMessage(const std::string& path, const DataFileText& file) {
  int number = 57;  // device I/O error
  if (file.err == ENOENT) {
    number = 53;  // file not found
  } else if (file.err == EACCES) {
    number = 75;  // path/file access error
  }
  return "Error " + std::to_string(number) + ".  " + path + ": " + file.Reason() + ".";
}

}  // namespace

TextViewer::TextViewer(Viewer& viewer) : viewer_(viewer) { viewer_.SetEventSink(this); }

TextViewer::~TextViewer() { viewer_.SetEventSink(nullptr); }

void TextViewer::HelpCommand(const Rect& mainForm, const std::string& folder) {
  if (viewer_.State() == WindowState::Minimized) viewer_.SetState(WindowState::Normal);
  // A maximized viewer keeps its size and place.
  if (viewer_.State() == WindowState::Normal) {
    viewer_.SetFormGeometry(
        Rect{mainForm.Left + 200, mainForm.Top + 1750, mainForm.Width - 1850, mainForm.Height + 500});
  }
  strFilename = folder + HelpFileName;
  viewer_.SetCaption("Help");
  viewer_.SetCloseCaption("Close");
  viewer_.Show();
}

void TextViewer::Activate() {
  // A hidden viewer can only be reported active by an event that was already
  // on its way when it was hidden.
  if (blnFileDisplayed || loading_ || !viewer_.Visible()) return;
  loading_ = true;
  LoadFile();
  loading_ = false;
}

void TextViewer::LoadFile() {
  viewer_.SetCloseCaption("Close");
  viewer_.SetText("");
  viewer_.SetLocked(true);
  Resize();

  DataFileText file = ReadDataFile(strFilename, kLargestHelpFile);
  if (!file.Read() || file.bytes.empty()) {
    MessageBoxRequest box;
    box.icon = MsgIcon::Exclamation;
    if (file.Read()) {
      box.text = "File is empty!";
      box.title = "Error";
    } else {
      box.text = ReadErrorMessage(strFilename, file);
      box.title = "Error reading file";
    }
    viewer_.MessageBox(box);
    viewer_.Hide();
    return;
  }

  viewer_.SetText(ViewerText(std::move(file.bytes)));
  viewer_.CaretToStart();
  viewer_.RepaintText();
  blnFileDisplayed = true;
}

void TextViewer::Resize() {
  if (viewer_.State() == WindowState::Minimized) return;
  Rect form = viewer_.FormGeometry();
  if (form.Width < ViewerMinWidth || form.Height < ViewerMinHeight) {
    form.Width = std::max(form.Width, ViewerMinWidth);
    form.Height = std::max(form.Height, ViewerMinHeight);
    viewer_.SetFormGeometry(form);
    form = viewer_.FormGeometry();
  }

  Rect text = viewer_.Geometry(ViewerControl::txbText1);
  text.Width = form.Width - 450;
  text.Height = form.Height - 1200;
  viewer_.SetGeometry(ViewerControl::txbText1, text);

  Rect close = viewer_.Geometry(ViewerControl::cmdClose);
  close.Top = text.Top + text.Height + 100;
  close.Left = text.Left + text.Width - close.Width;
  viewer_.SetGeometry(ViewerControl::cmdClose, close);
}

void TextViewer::CloseClick() { viewer_.Hide(); }

void TextViewer::Unload() {
  blnFileDisplayed = false;
  viewer_.Hide();
}

}  // namespace skyloom
