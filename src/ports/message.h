// A message for the user: its text, its title and the icon it shows with.
// The window shows one in a message box, the command line on standard error.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

enum class MsgIcon : uint8_t { None, Information, Exclamation, Question };

struct Notice {
  std::string text;
  std::string title;  // empty: the program's title
  MsgIcon icon = MsgIcon::None;
};

}  // namespace skyloom
