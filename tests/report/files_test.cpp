// Files replaced whole or not at all, and the window's commands that write them.
#include "report/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

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

// A write that fails halfway, as on a full disk (here: at the file-size
// limit), leaves the earlier file whole and nothing beside it. A replaced
// file keeps its permissions, and a link stays a link to the file replaced.
TEST(FileReplacement, WholeOrNotAtAll) {
  const fs::path folder = FreshFolder("replaced"), target = folder / "target.txt", link = folder / "link.txt";
  std::ofstream(target) << "the earlier report";
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(target, mode);
  fs::create_symlink(target, link);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = WriteFileReplacing(target.string(), std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, "File too large");
  EXPECT_EQ(Slurp(target), "the earlier report");
  EXPECT_EQ(FilesIn(folder), 2u);

  EXPECT_EQ(WriteFileReplacing(link.string(), "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(target), "new");
  EXPECT_EQ(fs::status(target).permissions(), mode);
  EXPECT_EQ(FilesIn(folder), 2u);
}

// The window's Write command puts the output box's text with one more CR LF
// in the file's place, the Export command the results' export; a file that
// cannot be written is told, and nothing else changes.
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
      {folder / "rows.csv", true, WriteCsv(f.state.Runs.Results()), ""},
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
