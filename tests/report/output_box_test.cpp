#include "report/output_box.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/report_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::FakeShell;
using test::ReportRig;
using test::TempFolder;
namespace fs = std::filesystem;

const std::string kReport = "\r\nAspect      | Start 5\u00b0\r\n---\r\nNo transits in this period.\r\n";

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ClearOutput, EmptiesTheBoxAndShrinksTheWindow) {
  ReportRig rig;
  rig.window.SetText(Ctl(txbOutput), kReport);
  rig.window.SetFormGeometry({300, 200, 14000, 8000});
  ClearOutput(rig.state);
  EXPECT_EQ(rig.Output(), "");
  EXPECT_EQ(rig.window.TextLength(Ctl(txbOutput)), 0);
  EXPECT_EQ(rig.window.FormGeometry(), (Rect{300, 200, 14000, MinWindowHeight}));
}

TEST(WriteOutputFile, WritesTheTextWithOneMoreLineEndAndSaysSo) {
  TempFolder folder;
  ReportRig rig;
  FakeShell shell;
  const std::string path = folder.File("out.txt");
  test::WriteWholeFile(path, std::string(10000, 'o'));  // replaced, not overwritten in part
  rig.window.SetText(Ctl(txbOutput), kReport);
  rig.window.QueueFileName(path);

  WriteOutputFile(rig.state, shell);

  ASSERT_EQ(rig.window.FileDialogs().size(), 1u);
  const FileDialogRequest& dialog = rig.window.FileDialogs()[0];
  EXPECT_EQ(dialog.title, "Specify output file");
  EXPECT_EQ(dialog.filter, "Text files *.txt | *.txt");
  EXPECT_EQ(dialog.flags, 4);
  EXPECT_EQ(dialog.fileName, "");

  EXPECT_EQ(test::ReadWholeFile(path), kReport + "\r\n");
  EXPECT_EQ(rig.state.OutputFilePath, path);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"out.txt"});
  ASSERT_EQ(rig.window.MessageBoxes().size(), 1u);
  const MessageBoxRequest& box = rig.window.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Output written to file " + path);
  EXPECT_EQ(box.title, "Done");
  EXPECT_EQ(box.icon, MsgIcon::Information);
  EXPECT_TRUE(shell.opened.empty());
}

TEST(WriteOutputFile, TrimsOnlyBlanksAndPutsTheTextBack) {
  struct Case {
    std::string box, kept;
  };
  const Case cases[] = {
      {"   report  ", "report"},
      {"  \r\nline one \r\n  ", "\r\nline one \r\n"},
      {"\tindented\t", "\tindented\t"},
      {"a  b", "a  b"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    ReportRig rig;
    FakeShell shell;
    rig.window.SetText(Ctl(txbOutput), c.box);
    rig.window.QueueFileName(folder.File("t.txt"));
    WriteOutputFile(rig.state, shell);
    EXPECT_EQ(rig.Output(), c.kept);
    EXPECT_EQ(test::ReadWholeFile(folder.File("t.txt")), c.kept + "\r\n");
  }
}

TEST(WriteOutputFile, BoxOfBlanksHasNothingToWrite) {
  for (const std::string& box : {std::string(), std::string(" "), std::string(300, ' ')}) {
    ReportRig rig;
    FakeShell shell;
    rig.window.SetText(Ctl(txbOutput), box);
    rig.window.QueueFileName("/never/used.txt");
    WriteOutputFile(rig.state, shell);
    EXPECT_EQ(rig.Output(), "");
    EXPECT_TRUE(rig.window.FileDialogs().empty());
    ASSERT_EQ(rig.window.MessageBoxes().size(), 1u);
    EXPECT_EQ(rig.window.MessageBoxes()[0].text, "Nothing to write.");
    EXPECT_EQ(rig.window.MessageBoxes()[0].title, "Write output to file");
    EXPECT_EQ(rig.window.MessageBoxes()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(rig.state.OutputFilePath, "");
  }
}

TEST(WriteOutputFile, CancelChangesNothing) {
  for (bool html : {false, true}) {
    ReportRig rig;
    FakeShell shell;
    rig.CheckHtml(html);
    rig.state.OutputFilePath = "/earlier/choice.htm";
    rig.window.SetText(Ctl(txbOutput), kReport);
    WriteOutputFile(rig.state, shell);  // no name queued: the user cancels
    EXPECT_EQ(rig.window.FileDialogs().size(), 1u);
    EXPECT_EQ(rig.state.OutputFilePath, "/earlier/choice.htm");
    EXPECT_TRUE(rig.window.MessageBoxes().empty());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(rig.Output(), kReport);
  }
}

TEST(WriteOutputFile, WithHtmlCheckedOnlyRecordsTheFile) {
  TempFolder folder;
  ReportRig rig;
  FakeShell shell;
  rig.CheckHtml(true);
  rig.window.SetValue(Ctl(chkOpenOutputFile), 1);
  rig.window.SetText(Ctl(txbOutput), "  kept as it is  ");
  const std::string path = folder.File("table.html");
  rig.window.QueueFileName(path);

  WriteOutputFile(rig.state, shell);

  ASSERT_EQ(rig.window.FileDialogs().size(), 1u);
  EXPECT_EQ(rig.window.FileDialogs()[0].title, "Specify file for HTML");
  EXPECT_EQ(rig.window.FileDialogs()[0].filter, "HTML files *.htm, *.html | *.htm;*.html");
  EXPECT_EQ(rig.window.FileDialogs()[0].flags, 4);
  EXPECT_EQ(rig.state.OutputFilePath, path);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(rig.window.MessageBoxes().empty());
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ(rig.Output(), "  kept as it is  ");
}

TEST(WriteOutputFile, OpensTheWrittenFileWhenAsked) {
  TempFolder folder;
  ReportRig rig;
  FakeShell shell;
  rig.window.SetValue(Ctl(chkOpenOutputFile), 1);
  rig.window.SetText(Ctl(txbOutput), kReport);
  const std::string path = folder.File("open me.txt");
  rig.window.QueueFileName(path);
  WriteOutputFile(rig.state, shell);
  EXPECT_EQ(shell.opened, std::vector<std::string>{path});
  EXPECT_TRUE(rig.window.MessageBoxes().empty());
  EXPECT_EQ(test::ReadWholeFile(path), kReport + "\r\n");
}

TEST(WriteOutputFile, WriteFailureKeepsThePathAndTheText) {
  TempFolder folder;
  ReportRig rig;
  FakeShell shell;
  rig.window.SetValue(Ctl(chkOpenOutputFile), 1);
  rig.window.SetText(Ctl(txbOutput), " " + kReport);
  const std::string path = folder.File("no such folder/out.txt");
  rig.window.QueueFileName(path);

  WriteOutputFile(rig.state, shell);

  EXPECT_EQ(rig.state.OutputFilePath, path);
  EXPECT_EQ(rig.Output(), kReport);
  EXPECT_TRUE(shell.opened.empty());
  ASSERT_EQ(rig.window.MessageBoxes().size(), 1u);
  const MessageBoxRequest& box = rig.window.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Error writing to file " + path + "\r\n" + std::strerror(ENOENT));
  EXPECT_EQ(box.title, "Write output to file");
  EXPECT_EQ(box.icon, MsgIcon::Exclamation);
}

TEST(WriteTextFile, ReplacesTheFileWhole) {
  TempFolder folder;
  const std::string path = folder.File("r.txt");
  test::WriteWholeFile(path, "an older and much longer text than the new one");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  EXPECT_EQ(WriteTextFile("new\u00b0", path), "");
  EXPECT_EQ(test::ReadWholeFile(path), "new\u00b0\r\n");
  EXPECT_EQ(fs::status(path).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"r.txt"});

  EXPECT_EQ(WriteTextFile("", folder.File("empty.txt")), "");
  EXPECT_EQ(test::ReadWholeFile(folder.File("empty.txt")), "\r\n");
}

TEST(WriteTextFile, WritingThroughALinkReplacesItsTarget) {
  TempFolder folder;
  const std::string target = folder.File("target.txt");
  const std::string link = folder.File("link.txt");
  test::WriteWholeFile(target, "old");
  fs::create_symlink(target, link);
  EXPECT_EQ(WriteTextFile("new", link), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::ReadWholeFile(target), "new\r\n");
}

TEST(WriteTextFile, FailuresReturnTheSystemsTextAndLeaveNoTemporary) {
  TempFolder folder;
  fs::create_directory(folder.Path() / "a folder");
  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {
      {folder.File("missing/x.txt"), ENOENT},
      {folder.File("a folder"), EISDIR},
      {"", ENOENT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteTextFile("text", c.path), std::strerror(c.error)) << c.path;
  }
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"a folder"});
  EXPECT_TRUE(fs::is_empty(folder.Path() / "a folder"));
}

// A pipe or device named as the file is written to, never replaced by a
// regular file.
TEST(WriteTextFile, WritesIntoAPipeInsteadOfReplacingIt) {
  TempFolder folder;
  const std::string fifo = folder.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteTextFile("into the pipe", fifo), "");
  char buffer[64] = {};
  const ssize_t got = read(reader, buffer, sizeof buffer);
  close(reader);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0), "into the pipe\r\n");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"pipe"});
}

// A write that fails halfway (here: the file-size limit) leaves the earlier
// file as it was.
TEST(WriteTextFile, FailedWriteKeepsTheOldFile) {
  TempFolder folder;
  const std::string path = folder.File("keep.txt");
  test::WriteWholeFile(path, "the earlier report");

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = WriteTextFile(std::string(100000, 'x'), path);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(error, std::strerror(EFBIG));
  EXPECT_EQ(test::ReadWholeFile(path), "the earlier report");
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"keep.txt"});
}

TEST(OpenWithAssociatedProgram, ResultsOfThirtyThreeOrMoreAreSuccess) {
  struct Case {
    int result;
    bool showErrors;
    bool ok;
    bool message;
  };
  const Case cases[] = {
      {42, true, true, false}, {33, true, true, false},  {32, true, false, true},
      {2, true, false, true},  {0, false, false, false}, {31, false, false, false},
  };
  for (const Case& c : cases) {
    ReportRig rig;
    FakeShell shell(c.result);
    EXPECT_EQ(OpenWithAssociatedProgram(rig.state, shell, "/tmp/r.txt", c.showErrors), c.ok) << c.result;
    EXPECT_EQ(shell.opened, std::vector<std::string>{"/tmp/r.txt"});
    ASSERT_EQ(rig.window.MessageBoxes().size(), c.message ? 1u : 0u) << c.result;
    if (c.message) {
      EXPECT_EQ(rig.window.MessageBoxes()[0].text, "Error when opening file /tmp/r.txt.");
      EXPECT_EQ(rig.window.MessageBoxes()[0].title, "Error");
      EXPECT_EQ(rig.window.MessageBoxes()[0].icon, MsgIcon::Exclamation);
    }
  }
}

}  // namespace
}  // namespace skyloom
