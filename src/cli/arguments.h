// The command line's arguments, read straight into a request. Arguments
// that cannot make one are refused with UnusableArguments, which the caller
// tells with the usage (exit status 2); a birth time that the birth zone
// repeated or skipped is a refusal (exit status 1), told by the caller.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "request/run_request.h"

namespace skyloom::cli {

inline constexpr int kDone = 0, kRefused = 1, kUnusable = 2, kNotWritten = 3;

extern const char* const kUsage;
extern const char* const kHelp;

struct Arguments {
  RunRequest request;
  // Set when the birth zone, a tz database name, had no single reading of
  // the birth time: the message that refuses the run.
  std::optional<std::string> ambiguousBirth;
  // --help was asked for: nothing else was read.
  bool help = false;
  // Whether --orbs was given (a search replaces its middle and inner orb).
  bool orbsGiven = false;
  // What the command does other than asked, to be told on standard error.
  std::vector<std::string> notes;
};

// Arguments that cannot make a request; what() is the reason, without the
// program's name.
class UnusableArguments : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads argv; throws UnusableArguments on arguments that cannot make a
// request.
Arguments ParseArguments(int argc, char** argv);
// The reason and the usage on standard error; returns exit status 2.
int TellUnusable(const UnusableArguments& refusal);
// The help on standard output; returns exit status 0, or 3 when it cannot
// be written.
int PrintHelp();

}  // namespace skyloom::cli
