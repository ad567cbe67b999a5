// The command line's arguments, read straight into a request. Arguments
// that cannot make one end the program here with exit status 2 and the
// usage; a birth time that the birth zone repeated or skipped is a refusal
// (exit status 1), told by the caller.
#pragma once

#include <optional>
#include <string>

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
  // Set when the results are in the machine's zone and it has no name in
  // the tz database: what the results are given in instead.
  std::optional<std::string> zoneNote;
};

// Reads argv; exits with status 2 and the usage on arguments that cannot
// make a request, and prints the help (status 0, or 3 when it cannot be
// written) for --help.
Arguments ParseArguments(int argc, char** argv);

}  // namespace skyloom::cli
