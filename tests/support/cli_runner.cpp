#include "support/cli_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace skyloom::test {

namespace fs = std::filesystem;

fs::path CliScratch() {
  const fs::path dir = fs::temp_directory_path() / ("skyloom_cli_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

CliResult RunCli(const std::string& arguments) {
  const fs::path dir = CliScratch();
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path() / "skyloom-cli";
  const std::string command = Quoted(exe) + " " + arguments + " >" + Quoted(dir / "out") + " 2>" +
                              Quoted(dir / "err") + " </dev/null";
  const int raw = std::system(command.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(dir / "out");
  r.err = Slurp(dir / "err");
  return r;
}

}  // namespace skyloom::test
