// The words the shell's completion offers for the command line: its
// options, bodies, aspects, series and the zones of the window's lists,
// from the program itself, so that they never fall behind it.
#pragma once

#include <string_view>

namespace skyloom::cli {

// Prints the words of a kind ("options", "bodies", "natal-points",
// "aspects", "aspect-sets", "houses", "series", "zones", "modes", the
// "charts" of the default collection, "chart-selections" for --charts and
// the "chart-commands") one a line; false for a kind it does not know.
bool PrintCompletionWords(std::string_view kind);

}  // namespace skyloom::cli
