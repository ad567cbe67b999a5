// Files replaced whole or not at all, and the window's commands that write them.
#include "report/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "report/exports.h"
#include "runs/output_box.h"
#include "support/cli_runner.h"
#include "support/form_fixture.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using namespace test;

// 100000 bytes written to a disk that takes no file beyond 4096 bytes.
std::string WriteOnAFullDisk(const fs::path& path) {
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return "no limit";
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  const std::string error =
      setrlimit(RLIMIT_FSIZE, &small) == 0 ? WriteFileReplacing(path.string(), std::string(100000, 'x')) : "no limit";
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  return error;
}

// A write that fails halfway leaves the earlier file whole and nothing beside
// it, a file of several names too; a replaced file keeps its permissions.
TEST(FileReplacement, WholeOrNotAtAll) {
  const fs::path folder = FreshFolder("replaced"), target = folder / "target.txt", link = folder / "link.txt";
  std::ofstream(target) << "the earlier report";
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(target, mode);
  fs::create_symlink(target, link);
  EXPECT_EQ(WriteOnAFullDisk(target), "File too large");
  EXPECT_EQ(Slurp(target), "the earlier report");
  EXPECT_EQ(FilesIn(folder), 2u);

  EXPECT_EQ(WriteFileReplacing(link.string(), "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(target), "new");
  EXPECT_EQ(fs::status(target).permissions(), mode);
  fs::create_hard_link(target, folder / "other.txt");
  EXPECT_EQ(WriteOnAFullDisk(target), "File too large");
  EXPECT_EQ(Slurp(folder / "other.txt"), "new");
  EXPECT_EQ(FilesIn(folder), 3u);
}

// A name the system takes takes its temporary too (names of 242 to 255 bytes
// failed with "File name too long"); whatever leads to the file, the file is
// replaced and the ways to it stay as they were.
TEST(FileReplacement, NamesAndLinksKept) {
  const fs::path folder = FreshFolder("names");
  const std::string d = folder.string() + "/";
  fs::create_symlink("target.txt", folder / "relative-link");
  fs::create_symlink(folder / "later.txt", folder / "dangling-link");
  fs::create_symlink("relative-link", folder / "chain-link");
  std::ofstream(folder / "target.txt") << "earlier";
  std::ofstream(folder / "linked.txt") << "earlier, and longer than what replaces it";
  fs::create_hard_link(folder / "linked.txt", folder / "other-name.txt");
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // the way to the file, the name written to, the file that gets the text
      {"a name of 255 bytes", d + std::string(251, 'n') + ".csv", d + std::string(251, 'n') + ".csv"},
      {"a name of 242 bytes", d + std::string(238, 'm') + ".csv", d + std::string(238, 'm') + ".csv"},
      {"a relative link", d + "relative-link", d + "target.txt"},
      {"a dangling link", d + "dangling-link", d + "later.txt"},
      {"a chain of links", d + "chain-link", d + "target.txt"},
      {"a hard link", d + "linked.txt", d + "other-name.txt"},
  };
  for (const auto& [way, given, file] : cases) {
    const std::string text = std::string("written through ") + way;
    struct stat before {
    }, after{};
    const bool existed = ::lstat(given.c_str(), &before) == 0;
    EXPECT_EQ(WriteFileReplacing(given, text), "") << way;
    EXPECT_EQ(Slurp(file), text) << way;
    ASSERT_EQ(::lstat(given.c_str(), &after), 0) << way;
    EXPECT_EQ(after.st_mode & S_IFMT, existed ? before.st_mode & S_IFMT : S_IFREG) << way;
  }
  EXPECT_EQ(fs::hard_link_count(folder / "linked.txt"), 2u);
  EXPECT_EQ(FilesIn(folder), 9u);  // nothing left beside them
  // A loop of links is no file.
  fs::create_symlink("loop-b", folder / "loop-a");
  fs::create_symlink("loop-a", folder / "loop-b");
  EXPECT_EQ(WriteFileReplacing(d + "loop-a", "x"), "Too many levels of symbolic links");
}

// Temporaries of processes that are gone are removed beside the next file
// written there; those of a live process, and every other name, stay.
TEST(FileReplacement, StaleTemporariesRemoved) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);  // its process id is now free
  const std::string dead = std::to_string(gone), live = std::to_string(::getppid());
  const std::pair<std::string, bool> names[] = {
      // a name in the folder, whether it stays
      {".skyloom-" + dead + "-0.tmp", false}, {".skyloom-" + dead + "-17.tmp", false},
      {".skyloom-" + live + "-0.tmp", true},  {".skyloom-" + dead + "-0.tmp.keep", true},
      {".skyloom-" + dead + ".tmp", true},    {".skyloom-x" + dead + "-0.tmp", true},
      {"report.csv.skyloom-0.tmp", true},     {"report.csv", true},
  };
  const fs::path folder = FreshFolder("stale");
  for (const auto& [name, stays] : names) std::ofstream(folder / name) << "left";
  EXPECT_EQ(WriteFileReplacing((folder / "report.csv").string(), "new"), "");
  for (const auto& [name, stays] : names) EXPECT_EQ(fs::exists(folder / name), stays) << name;
  EXPECT_EQ(Slurp(folder / "report.csv"), "new");
}

// The window's Write and Export commands tell the file written or why not.
TEST(WindowFiles, WriteAndExportCommands) {
  test::FormFixture f;
  test::World(f, 4, 4);  // Jupiter and Saturn in 2020
  f.Press(Ctl(ControlName::cmdStart));
  const fs::path folder = FreshFolder("window"), report = folder / "report.txt", missing = folder / "no" / "x.txt";
  std::ofstream(report) << std::string(100000, 'o');
  const std::string notThere = "Error writing to file " + missing.string() + "\r\nNo such file or directory";
  const std::tuple<fs::path, bool, std::string, std::string> cases[] = {
      // the file, whether it is the CSV export, what it holds, the message
      {report, false, f.Output() + "\r\n", "Output written to file " + report.string()},
      {folder / "rows.csv", true, WriteCsv(f.state.Runs.Results()),
       "Results written to file " + (folder / "rows.csv").string()},
      {missing, false, "", notThere},
      {missing, true, "", notThere},
  };
  for (const auto& [path, exportCsv, written, message] : cases) {
    const size_t messages = f.window.MessageBoxes().size();
    f.window.QueueFileName(path.string());
    exportCsv ? ExportResultsCommand(f.state, ExportFormat::Csv) : f.Press(Ctl(ControlName::cmdFile));
    EXPECT_EQ(Slurp(path), written) << path;
    EXPECT_EQ(f.window.MessageBoxes().size(), messages + (message.empty() ? 0 : 1)) << path;
    EXPECT_EQ(message.empty() ? "" : f.LastMessage().text, message);
  }
  EXPECT_EQ(FilesIn(folder), 2u);
}

}  // namespace
}  // namespace skyloom
