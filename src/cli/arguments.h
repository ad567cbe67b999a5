// The command line's arguments, read straight into a request. Arguments
// that cannot make one are refused with UnusableArguments, which the caller
// tells with the usage (exit status 2); a birth time that the birth zone
// repeated or skipped is a refusal (exit status 1), told by the caller.
#pragma once

#include <optional>
#include <stdexcept>
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
  // --help or --version was asked for: nothing else was read.
  bool help = false, version = false;
  // Whether --orbs was given (a search replaces its middle and inner orb).
  bool orbsGiven = false;
  // --jobs: the threads a series' runs are computed on (0: every core).
  unsigned jobs = 0;
  // What the command does other than asked, to be told on standard error.
  std::vector<std::string> notes;
};

// Arguments that cannot make a request; what() is the reason, without the
// program's name. The usage follows it unless the reason lists what the user
// may have meant instead (the places a name could be).
class UnusableArguments : public std::runtime_error {
 public:
  explicit UnusableArguments(const std::string& why, bool withUsage = true)
      : std::runtime_error(why), withUsage_(withUsage) {}
  bool WithUsage() const { return withUsage_; }

 private:
  bool withUsage_;
};

// Reads argv; throws UnusableArguments on arguments that cannot make a
// request. Birth places are looked up in the atlas.
Arguments ParseArguments(int argc, char** argv, const Atlas& atlas = GeonamesAtlas());
// The reason (and the usage) on standard error; returns exit status 2.
int TellUnusable(const UnusableArguments& refusal);
// The help, or the version, on standard output; returns exit status 0, or 3
// when it cannot be written.
int PrintHelp();
int PrintVersion();

// "skyloom-cli places QUERY": whether the arguments ask for it, and the
// listing itself, one place a line (NAME | REGION | COUNTRY | LAT | LON |
// ZONE); its exit status: 0 with places found, 1 with none, 2 without a
// query, 3 when standard output cannot be written.
bool PlacesCommand(int argc, char** argv);
int ListPlaces(int argc, char** argv, const Atlas& atlas = GeonamesAtlas());

// Every long option, "--start" ..., for completion.
std::vector<std::string> LongOptions();

}  // namespace skyloom::cli
