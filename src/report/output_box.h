// What the user does with the output box: clear it, write it to a text file,
// name the file of the HTML report, open a written file with the program the
// desktop associates with it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/run_state.h"

namespace skyloom {

class Shell;

// Sizes of the main window in twips.
inline constexpr int32_t MinWindowWidth = 13800;
inline constexpr int32_t MinWindowHeight = 6500;

void ClearOutput(FormState& state);
// "Write output to file": asks for a file and writes the box's text to it,
// or, with "Output as HTML" checked, only records the file for the next run.
void WriteOutputFile(FormState& state, Shell& shell);
// Writes text and a final CR LF to path, replacing the file. Returns the
// empty text on success, else the system's description of the error.
std::string WriteTextFile(const std::string& text, const std::string& path);
// Replaces the file at path with the bytes, through a temporary beside it so
// that a failure never leaves half a file; a device or pipe is written to.
// Returns the empty text on success, else the system's description.
std::string WriteFileReplacing(const std::string& path, std::string_view bytes);

// The same in steps, for a file whose bytes come later or bit by bit: Open
// makes the temporary beside the file (a device or pipe is opened in place
// instead), Write adds to it, Commit puts it in the file's place. A
// replacement never committed is removed, so the old file stays as it was.
// An existing file that may not be written (read-only) is refused at Open,
// as opening it for writing would be. Each step returns the empty text on
// success, else the system's description of the first error.
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement() { Abandon(); }
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  std::string Open(const std::string& path);
  // Keeps the first error for Commit; writes nothing more after one.
  void Write(std::string_view bytes);
  std::string Commit();
  void Abandon();
  // The temporary's path while one is open, else empty.
  const std::string& Temporary() const { return temporary_; }

 private:
  std::string path_, temporary_;
  std::FILE* file_ = nullptr;
  bool replacesExisting_ = false;
  int permissions_ = 0;
  int error_ = 0;
};

// The output box counts as full beyond OutputBoxCapacity characters; a box
// that hands its text on instead of keeping it never fills up.
bool OutputBoxFull(const Window& window);
// Opens path with its associated program; on failure with showErrors set,
// tells the user.
bool OpenWithAssociatedProgram(FormState& state, Shell& shell, const std::string& path, bool showErrors);

// Sets the window's height, keeping its position and width.
void SetWindowHeight(Window& window, int32_t height);

}  // namespace skyloom
