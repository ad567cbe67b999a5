// Reading a file the program ships or keeps (the Pluto table, the help text,
// the saved settings) whole, and only when it is a plain file of a size such
// a file can have: a FIFO would block the reader forever, a device such as
// /dev/zero never ends, and a file grown to hundreds of megabytes by damage
// would cost several times its size in memory before any check could refuse
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skyloom {

struct DataFileText {
  std::string bytes;    // the whole file, when read
  int err = 0;          // errno of a failed open or read
  std::string refusal;  // why a file that exists was not read: "is not a regular file", ...
  bool Read() const { return err == 0 && refusal.empty(); }
  // "No such file or directory", "Not a regular file": the system's
  // reason or the refusal, for a message after the file's name.
  std::string Reason() const;
};

// Reads path when it is a regular file of at most maxBytes (the limit is
// checked before reading and again while reading, in case the file grows).
// A folder fails with EISDIR, as reading one always has.
// The file is opened without blocking, so that a FIFO is refused and not
// waited on.
DataFileText ReadDataFile(const std::string& path, int64_t maxBytes);

// The same, handing the bytes to take() a chunk at a time as they are read
// instead of keeping them: a file read once, whose text is not wanted
// afterwards, then costs no memory of its size. take returns false to stop
// reading. bytes stays empty; a refusal or an error may come after some
// chunks have been taken.
DataFileText ReadDataFileChunks(const std::string& path, int64_t maxBytes,
                                const std::function<bool(std::string_view)>& take);

// The last `bytes` bytes of path (all of it when shorter) and its size, when
// it is a regular file of at most maxBytes; false otherwise.
bool ReadDataFileEnd(const std::string& path, int64_t maxBytes, std::size_t bytes, std::string& end, int64_t& size);

// Why path, when it exists, is not a file ReadDataFile with maxBytes would
// read; empty when it would be, or when it does not exist or cannot be
// looked at (opening it then tells why).
std::string DataFileRefusal(const std::string& path, int64_t maxBytes);

}  // namespace skyloom
