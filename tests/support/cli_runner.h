// Runs skyloom-cli (built beside the test program) as a separate process.
#pragma once

#include <filesystem>
#include <string>

namespace skyloom::test {

struct CliResult {
  std::string out, err;
  int status = -1;  // -1 when the program did not exit by itself
};

// The arguments go to the shell after the runner's own redirections (so
// that one of theirs, ">/dev/full", wins); prefix before the program. A
// limit above 0 makes a disk that takes no file beyond that many bytes
// (RLIMIT_FSIZE, SIGXFSZ ignored: writes fail with EFBIG).
CliResult RunCli(const std::string& arguments, const std::string& prefix = "", long limit = 0,
                 const std::filesystem::path& program = {});
// As an unprivileged user when the tests run as root, so that permissions
// hold (from copies in the scratch folder: the build folder may be closed).
CliResult RunCliUnprivileged(const std::string& arguments);
std::filesystem::path CliProgram();

// This test process's scratch folder, and an empty folder in it open to all.
std::filesystem::path CliScratch();
std::filesystem::path FreshFolder(const std::string& name);
size_t FilesIn(const std::filesystem::path& folder);
std::string Slurp(const std::filesystem::path& path);
size_t Count(const std::string& text, const std::string& what);
std::string Quoted(const std::filesystem::path& path);  // in single quotes for the shell

}  // namespace skyloom::test
