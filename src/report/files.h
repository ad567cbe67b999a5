// Files written whole or not at all: a replacement is written beside the
// file and put in its place only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
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
// as opening it for writing would be, and so is a file beside which no
// temporary can be made: it is never emptied to be written in place.
// A link is followed: the file it points to is the one replaced, and the
// temporary sits beside that file. Each step returns the empty text on
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
  bool replacesExisting_ = false, otherNames_ = false;
  unsigned permissions_ = 0;
  int error_ = 0;
};

// Temporaries are named ".skyloom-PID-N.tmp", so that those a killed
// process left behind can be told from everything else in a folder.
inline constexpr std::string_view kTemporaryPrefix = ".skyloom-";

// Which file a name means, whatever its spelling: an existing file (links
// followed) by its device and inode, a file not made yet by its folder's
// device and inode and its own name. Empty when even the folder cannot be
// looked at.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0;
  std::string name;  // only for a file not made yet
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace skyloom
