// A desktop shell that opens nothing: it records the paths and answers with
// the given result.
#pragma once

#include <string>
#include <vector>

#include "ports/shell.h"

namespace skyloom::test {

struct FakeShell : Shell {
  explicit FakeShell(int answer = 42) : result(answer) {}
  int OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return result;
  }
  int result;
  std::vector<std::string> opened;
};

}  // namespace skyloom::test
