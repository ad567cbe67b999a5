// Where the running program lies: its data files (the Pluto table, the help
// text) are installed beside it.
#pragma once

#include <string>

namespace skyloom {

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();

}  // namespace skyloom
