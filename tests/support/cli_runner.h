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
// The program, built beside the test program.
std::filesystem::path CliProgram();
// A path in single quotes for the shell.
std::string Quoted(const std::filesystem::path& path);
// The arguments are handed to the shell as they are; prefix comes before
// the program (an environment change, say).
CliResult RunCli(const std::string& arguments, const std::string& prefix = "");
// The same as an unprivileged user when the tests run as root, so that file
// permissions apply to the program: a copy of it in the scratch folder is
// run, as the build folder may be closed to other users.
CliResult RunCliUnprivileged(const std::string& arguments);

}  // namespace skyloom::test
