// Runs skyloom-cli (built beside the test program) as a separate process.
#pragma once

#include <filesystem>
#include <string>

namespace skyloom::test {

struct CliResult {
  std::string out, err;
  int status = -1;  // -1 when the program did not exit by itself
};

// The arguments go to the shell as they are, after the runner's own
// redirections (so that one of theirs, ">/dev/full", wins); prefix comes
// before the program (an environment change, say). A limit above 0 makes a
// disk that takes no file beyond that many bytes (RLIMIT_FSIZE in the child,
// SIGXFSZ ignored, so that writes fail with EFBIG as on a full disk with
// ENOSPC), standard output and error included. program: another copy of
// the program than the built one.
CliResult RunCli(const std::string& arguments, const std::string& prefix = "", long limit = 0,
                 const std::filesystem::path& program = {});
// The same as an unprivileged user when the tests run as root, so that file
// permissions hold (a copy of the program and of its timeline library in the
// scratch folder, as the build folder may be closed to other users).
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
