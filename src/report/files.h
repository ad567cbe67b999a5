// Files written whole or not at all: a replacement is written beside the
// file and put in its place only when complete.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace skyloom {

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

}  // namespace skyloom
