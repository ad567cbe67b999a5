// Runs skyloom-cli (built beside the test program) as a separate process.
#pragma once

#include <filesystem>
#include <string>

namespace skyloom::test {

struct CliResult {
  std::string out, err;
  int status = -1;
};

// A scratch folder of this test process under the system's temporary folder.
std::filesystem::path CliScratch();
std::string Slurp(const std::filesystem::path& path);
// A path in single quotes for the shell.
std::string Quoted(const std::filesystem::path& path);
// The arguments are handed to the shell as they are.
CliResult RunCli(const std::string& arguments);

}  // namespace skyloom::test
