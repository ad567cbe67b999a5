// Tables of test cases beside the tests: one case a line, fields separated
// by " | ", '#' lines and empty ones skipped; "\n" and "\t" in a field are a
// line end and a tab.
#pragma once

#include <string>
#include <vector>

namespace skyloom::test {

struct CaseLine {
  std::string where;                // "tests/cli/cases/runs.txt:12", for failure messages
  std::vector<std::string> fields;  // at least one

  // The field; std::out_of_range naming `where` when the line has too few.
  const std::string& operator[](std::size_t index) const;
};

// The cases of a file under the tests folder ("cli/cases/runs.txt"); a file
// unread or without a case throws std::runtime_error. No test framework's,
// so the Qt Test programs read cases too.
std::vector<CaseLine> ReadCases(const std::string& relativePath);

// For INSTANTIATE_TEST_SUITE_P names: letters and digits of the line's
// place, "runs_txt_12".
std::string CaseName(const CaseLine& line);

}  // namespace skyloom::test
