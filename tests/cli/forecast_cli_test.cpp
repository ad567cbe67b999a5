// The command line's forecast options: what it refuses before any run.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_runner.h"

namespace skyloom {
namespace {

TEST(ForecastCli, ProgressionsRefusedWhereTheyMeanNothing) {
  const std::string personal =
      "personal Sun Moon --start 2024-01-01 --end 2024-12-31 --birth 1985-07-04 --birth-time 14:37 --birth-zone GMT";
  const struct {
    std::string arguments, says;
  } cases[] = {
      {"world Jupiter Saturn --start 2024-01-01 --end 2024-12-31 --progressed", "belong to personal mode"},
      {"world Jupiter Saturn --start 2024-01-01 --end 2024-12-31 --directed", "belong to personal mode"},
      {personal + " --progressed --directed", "exclude each other"},
      {personal + " --directed --search conjunction", "--search looks for transits only"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = test::RunCli(c.arguments);
    EXPECT_EQ(r.status, 2) << c.arguments;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.arguments << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << c.arguments;
  }
}

}  // namespace
}  // namespace skyloom
