// The timeline as the command line draws it: by the drawing library (see
// draw/timeline_library.h), opened only when a timeline is asked for.
#pragma once

#include <string>

#include "draw/timeline_library.h"

namespace skyloom::cli {

class TimelineDrawer {
 public:
  // Opens the library in folder (with a trailing separator). Returns the
  // empty text, or what keeps the timeline from being drawn.
  std::string Open(const std::string& folder);
  // Draws the timeline as PNG or SVG bytes. Returns the empty text, or the
  // reason it was not drawn.
  std::string Draw(const Timeline& timeline, bool png, std::string& bytes) const;

 private:
  using Entry = decltype(&skyloom_draw_timeline);
  Entry entry_ = nullptr;
};

}  // namespace skyloom::cli
