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

fs::path CliProgram() { return fs::read_symlink("/proc/self/exe").parent_path() / "skyloom-cli"; }

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

namespace {

CliResult Run(const fs::path& program, const std::string& arguments, const std::string& prefix) {
  const fs::path dir = CliScratch();
  const std::string command = prefix + " " + Quoted(program) + " " + arguments + " >" + Quoted(dir / "out") +
                              " 2>" + Quoted(dir / "err") + " </dev/null";
  const int raw = std::system(command.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = Slurp(dir / "out");
  r.err = Slurp(dir / "err");
  return r;
}

}  // namespace

CliResult RunCli(const std::string& arguments, const std::string& prefix) {
  return Run(CliProgram(), arguments, prefix);
}

CliResult RunCliUnprivileged(const std::string& arguments) {
  if (::geteuid() != 0) return RunCli(arguments);
  const fs::path copy = CliScratch() / "skyloom-cli";
  fs::copy_file(CliProgram(), copy, fs::copy_options::overwrite_existing);
  return Run(copy, arguments, "setpriv --reuid=65534 --regid=65534 --clear-groups");
}

}  // namespace skyloom::test
