// The text viewer's behaviour: it shows one text file read-only in its own
// window, next to the main window and without blocking it. The main window's
// Help button uses it for the help file. Plain C++: the Qt viewer and the
// in-memory viewer forward their events here.
#pragma once

#include <cstdint>
#include <string>

#include "ports/viewer.h"

namespace skyloom {

// The help file, looked for in the program's folder.
inline constexpr const char* HelpFileName = "skl_help.txt";

// A file of this many characters or more is shown cut, between two notes,
// so the box never holds much more than this.
inline constexpr int32_t ViewerTextLimit = 65530;

// The smallest size the viewer may be dragged to, twips.
inline constexpr int32_t ViewerMinWidth = 8000;
inline constexpr int32_t ViewerMinHeight = 2000;

class TextViewer : public ViewerEvents {
 public:
  // Becomes the viewer's event sink for its lifetime; the viewer must outlive
  // it.
  explicit TextViewer(Viewer& viewer);
  ~TextViewer() override;
  TextViewer(const TextViewer&) = delete;
  TextViewer& operator=(const TextViewer&) = delete;

  // Set by the caller before the viewer is shown: the full path of the file.
  std::string strFilename;
  // The file has been loaded since the viewer was last unloaded; while it is
  // set, showing the viewer again does not read the file again.
  bool blnFileDisplayed = false;

  // The main window's Help button: places the viewer relative to the main
  // window (mainForm, its outer geometry in twips) unless the viewer is
  // maximized, names the help file in folder (the program's folder with its
  // trailing separator) and shows the viewer.
  void HelpCommand(const Rect& mainForm, const std::string& folder);

  // ViewerEvents
  void Activate() override;
  void Resize() override;
  void CloseClick() override;
  void Unload() override;

  Viewer& Port() { return viewer_; }

 private:
  void LoadFile();

  Viewer& viewer_;
  // Set while a load is under way: its message box takes the activation away
  // and gives it back, which must not start the load again.
  bool loading_ = false;
};

}  // namespace skyloom
