// Tables of test cases kept as text beside the tests: one case a line,
// fields separated by " | " (spaces around the bar are trimmed), lines
// starting with '#' and empty lines skipped. A field may hold "\n" and "\t",
// read as a line end and a tab, so whole messages fit on one line.
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

// The cases of a file under the tests folder ("cli/cases/runs.txt"). A file
// that cannot be read, or holds no case, throws std::runtime_error: the test
// reading it fails (or, read while tests are registered, the program stops).
// Free of any test framework, so the Qt Test programs read cases too.
std::vector<CaseLine> ReadCases(const std::string& relativePath);

// For INSTANTIATE_TEST_SUITE_P names: letters and digits of the line's
// place, "runs_txt_12".
std::string CaseName(const CaseLine& line);

}  // namespace skyloom::test
