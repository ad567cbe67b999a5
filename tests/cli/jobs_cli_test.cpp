// A series computed on several threads tells and writes exactly what it does
// on one: the report, the messages, the exit status and every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_cases.h"
#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace skyloom::test;

struct Output {
  CliResult run;
  std::vector<std::string> files;
};

Output RunWithJobs(const std::string& arguments, const std::string& jobs, const std::vector<std::string>& names) {
  const fs::path folder = FreshFolder("jobs" + jobs);
  std::string line = arguments + " --jobs " + jobs;
  for (const std::string& name : names)
    line += " --" + fs::path(name).extension().string().substr(1) + " " + Quoted(folder / name);
  Output out{RunCli(line, "SOURCE_DATE_EPOCH=1700000000"), {}};
  for (const std::string& name : names) out.files.push_back(Slurp(folder / name));
  return out;
}

class SkyloomCliJobs : public ::testing::TestWithParam<CaseLine> {};

TEST_P(SkyloomCliJobs, TwoThreadsTellAndWriteWhatOneDoes) {
  const CaseLine& c = GetParam();
  std::vector<std::string> files;
  for (const std::string& name : Split(c[2], ' '))
    if (!name.empty()) files.push_back(name);
  const Output one = RunWithJobs(c[1], "1", files), two = RunWithJobs(c[1], "2", files);
  ASSERT_EQ(one.run.status, 0) << c.where << "\n" << one.run.err;
  EXPECT_GT(one.run.out.size(), 2000u) << c.where;  // a series of several runs
  EXPECT_EQ(two.run.status, one.run.status) << c.where;
  EXPECT_EQ(two.run.out, one.run.out) << c.where;
  EXPECT_EQ(two.run.err, one.run.err) << c.where;
  for (size_t k = 0; k < files.size(); ++k) {
    EXPECT_GT(one.files[k].size(), 100u) << c.where << " " << files[k];
    EXPECT_EQ(two.files[k], one.files[k]) << c.where << " " << files[k];
  }
}

INSTANTIATE_TEST_SUITE_P(Series, SkyloomCliJobs, ::testing::ValuesIn(ReadCliCases("cli/cases/jobs.txt")),
                         [](const auto& info) { return CaseName(info.param); });

}  // namespace
