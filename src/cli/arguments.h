// The command line's arguments, read straight into a request. Arguments
// that cannot make one end the program here with exit status 2 and the
// usage; a birth time that the birth zone repeated or skipped is a refusal
// (exit status 1), told by the caller.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/atlas.h"
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
};

// Reads argv; exits with status 2 and the usage on arguments that cannot
// make a request, and prints the help (status 0, or 3 when it cannot be
// written) for --help.
// Birth places are looked up in the atlas.
Arguments ParseArguments(int argc, char** argv, const Atlas& atlas = GeonamesAtlas());

// "skyloom-cli places QUERY": whether the arguments ask for it, and the
// listing itself, one place a line (NAME | REGION | COUNTRY | LAT | LON |
// ZONE); its exit status: 0 with places found, 1 with none, 2 without a
// query, 3 when standard output cannot be written.
bool PlacesCommand(int argc, char** argv);
int ListPlaces(int argc, char** argv, const Atlas& atlas = GeonamesAtlas());

// Every long option, "--start" ..., for completion.
std::vector<std::string> LongOptions();

}  // namespace skyloom::cli
