#include "support/cli_runner.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

namespace skyloom::test {

namespace fs = std::filesystem;

fs::path CliScratch() {
  // One folder for each test process, removed as the process ends: the
  // tests run each in a process of their own, thousands of them a run.
  static const struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("skyloom_cli_" + std::to_string(::getpid()));
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Scratch() = default;
    ~Scratch() {
      std::error_code error;
      // Folders a test made read-only are opened again first.
      for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::recursive_directory_iterator();
           it.increment(error))
        if (it->is_directory(error)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
      fs::remove_all(dir, error);
    }
  } scratch;
  fs::create_directories(scratch.dir);
  return scratch.dir;
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = CliScratch() / name;
  if (fs::exists(folder)) fs::permissions(folder, fs::perms::all);
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::all);
  return folder;
}

size_t FilesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path CliProgram() { return fs::read_symlink("/proc/self/exe").parent_path() / "skyloom-cli"; }

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Quoted(const fs::path& path) {
  // Appended in place: GCC 12 warns wrongly (-Wrestrict) of "'" + text + "'".
  std::string quoted = "'";
  quoted += path.string();
  quoted += '\'';
  return quoted;
}

CliResult RunCli(const std::string& arguments, const std::string& prefix, long limit, const fs::path& program) {
  const fs::path dir = CliScratch();
  const std::string command = prefix + " " + Quoted(program.empty() ? CliProgram() : program) + " >" +
                              Quoted(dir / "out") + " 2>" + Quoted(dir / "err") + " </dev/null " + arguments;
  const pid_t child = ::fork();
  if (child == 0) {
    if (limit > 0) {
      const rlimit small{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      ::setrlimit(RLIMIT_FSIZE, &small);
      std::signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
    }
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int raw = 0;
  ::waitpid(child, &raw, 0);
  return {Slurp(dir / "out"), Slurp(dir / "err"), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

CliResult RunCliUnprivileged(const std::string& arguments) {
  if (::geteuid() != 0) return RunCli(arguments);
  const fs::path copy = CliScratch() / "skyloom-cli", library = CliProgram().parent_path() / "skyloom-timeline.so";
  fs::copy_file(CliProgram(), copy, fs::copy_options::overwrite_existing);
  if (fs::exists(library))
    fs::copy_file(library, CliScratch() / library.filename(), fs::copy_options::overwrite_existing);
  return RunCli(arguments, "setpriv --reuid=65534 --regid=65534 --clear-groups", 0, copy);
}

}  // namespace skyloom::test
