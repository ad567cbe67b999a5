// The program's name and version, as its window, its messages and its
// files show them.
#pragma once

#include <string>

namespace skyloom {

inline constexpr const char* ProgramTitle = "Skyloom";
inline constexpr int ProgramVersionMajor = 10;
inline constexpr int ProgramVersionMinor = 0;

// "Skyloom 10.0"
inline std::string ProgramCaption() {
  return std::string(ProgramTitle) + " " + std::to_string(ProgramVersionMajor) + "." +
         std::to_string(ProgramVersionMinor);
}

}  // namespace skyloom
