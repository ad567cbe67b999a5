#include "ui/help_viewer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "ports/memory_viewer.h"
#include "support/cli_runner.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

const std::string kHead =
    "NOTE: This file is too large to display entirely in this textbox.\r\n"
    "To view the entire contents of the file load it into NotePad,\r\n"
    "WordPad or some other text editor.\r\n\r\n";
const std::string kTail = "\r\n\r\nNOTE: Entire contents of file have not been displayed.\r\n";
// The file's characters kept when it is cut: with the notes, the limit.
const int kKept = 65530 - static_cast<int>(kHead.size() + kTail.size() - 4);

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  while (times-- > 0) text += piece;
  return text;
}

// n characters of numbered lines, CR LF included, so a cut shows where it falls.
std::string Lines(int n) {
  std::string text;
  for (int line = 0; static_cast<int>(text.size()) < n; ++line)
    text += (std::to_string(line) + std::string(56, '.')) + "\r\n";
  return text.substr(0, static_cast<size_t>(n));
}

// What Help shows, or the message it gives instead ("title: text").
std::string Shown(MemoryViewer& viewer, TextViewer& core, const fs::path& folder) {
  const size_t before = viewer.Messages().size();
  core.HelpCommand({1500, 900, 13800, 6500}, folder.string() + "/");
  if (viewer.Messages().size() == before) return viewer.Visible() ? viewer.Text() : "hidden without a message";
  const MessageBoxRequest& m = viewer.Messages().back();
  return m.title + ": " + m.text + (viewer.Visible() ? " (still shown)" : "");
}

// Activated again as its message box closes, as the Qt viewer is: that must
// not start the load, and its message, over again.
struct ReactivatingViewer : MemoryViewer {
  MsgAnswer MessageBox(const MessageBoxRequest& request) override {
    const MsgAnswer answer = MemoryViewer::MessageBox(request);
    if (Messages().size() < 5) UserActivate();
    return answer;
  }
};

// Up to 65530 characters (not bytes) the file is shown whole; from there on
// it is cut between two notes, never inside a character.
TEST(HelpViewer, ShowsTheFileOrSaysWhyNot) {
  const fs::path folder = test::FreshFolder("help"), file = folder / HelpFileName;
  const std::string path = file.string();
  const auto write = [&file](const std::string& text) { std::ofstream(file, std::ios::binary) << text; };
  const std::string mixed = Repeat("\xC2\xB0", 40000) + Repeat("\xE2\x82\xAC", 25530);
  const struct {
    const char* what;
    std::function<void()> make;
    std::string shown;
    bool needsNonRoot = false;
  } kCases[] = {
      {"CR LF kept", [&] { write("Help.\r\n\r\nMore.\r\n"); }, "Help.\r\n\r\nMore.\r\n"},
      {"one below the limit", [&] { write(Lines(65529)); }, Lines(65529)},
      {"at the limit", [&] { write(Lines(65530)); }, kHead + Lines(kKept) + kTail},
      {"multi-byte at the limit", [&] { write(mixed); },
       kHead + Repeat("\xC2\xB0", 40000) + Repeat("\xE2\x82\xAC", kKept - 40000) + kTail},
      {"empty", [&] { write(""); }, "Error: File is empty!"},
      {"missing", [] {}, "Error reading file: Error 53.  " + path + ": No such file or directory."},
      {"a folder", [&] { fs::create_directory(file); }, "Error reading file: Error 57.  " + path + ": Is a directory."},
      {"unreadable", [&] { write("Secret.\r\n"), fs::permissions(file, fs::perms::none); },
       "Error reading file: Error 75.  " + path + ": Permission denied.", true},
      // Not waited on for ever or read until memory runs out.
      {"a FIFO", [&] { ::mkfifo(path.c_str(), 0600); },
       "Error reading file: Error 57.  " + path + ": Not a regular file."},
      {"far larger than any help text", [&] { write(""), fs::resize_file(file, 300 << 20); },
       "Error reading file: Error 57.  " + path + ": Larger than 4194304 bytes."},
  };
  for (const auto& c : kCases) {
    if (c.needsNonRoot && ::geteuid() == 0) continue;  // root reads every file
    fs::remove_all(file), c.make();
    ReactivatingViewer viewer;
    TextViewer core(viewer);
    EXPECT_EQ(Shown(viewer, core, folder), c.shown) << c.what;
    EXPECT_LE(viewer.Messages().size(), 1u) << c.what;
  }
  // The next showing after a failed one tries again.
  ReactivatingViewer viewer;
  TextViewer core(viewer);
  fs::remove_all(file);
  Shown(viewer, core, folder);
  write("Here at last.\r\n");
  EXPECT_EQ(Shown(viewer, core, folder), "Here at last.\r\n");
}

}  // namespace
}  // namespace skyloom
