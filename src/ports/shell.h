// The desktop's "open this file with its associated program".
#pragma once

#include <string>

namespace skyloom {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the file with its default action. Returns 33 or more on success,
  // a smaller number (an error code) on failure.
  virtual int OpenDocument(const std::string& path) = 0;
};

// Opens files through the desktop (xdg-open on Linux, the shell on Windows).
class DesktopShell : public Shell {
 public:
  int OpenDocument(const std::string& path) override;
};

}  // namespace skyloom
