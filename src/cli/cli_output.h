// Where the command line's answers go: standard output, files written whole
// or not at all.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "report/files.h"

namespace skyloom::cli {

// Standard output. Where a reader may be watching (a terminal), or where
// standard error goes to the same place (2>&1) and its messages must fall
// between the rows they follow, each piece is flushed as it is finished;
// elsewhere (a file, a pipe) the pieces gathered go out with the first piece
// written kFlushEvery after the last flush, and at Finish, so a reader still
// sees the rows come, without a call into the system for each. After the
// first error nothing more is written; the error is kept for Finish.
class StandardOutput {
 public:
  StandardOutput();
  void Write(std::string_view bytes);
  // The empty text, or the system's description of the first error.
  std::string Finish();
  static constexpr std::chrono::milliseconds kFlushEvery{100};

 private:
  int error_ = 0;
  bool eachPiece_ = true;
  std::chrono::steady_clock::time_point flushed_;
};

// The program's text ends its lines in CR LF; on the way out they end in LF,
// also when a CR LF pair falls between two pieces.
class LineEndFilter {
 public:
  explicit LineEndFilter(std::function<void(std::string_view)> out) : out_(std::move(out)) {}
  void Write(std::string_view text);
  void Finish();

 private:
  std::function<void(std::string_view)> out_;
  bool pendingCr_ = false;
};

// A file the command was asked to write, named by its bytes as given, or
// standard output for "-". Opened before the run, so that a file that
// cannot be written is told before any work is done; committed after it.
class Destination {
 public:
  Destination(std::string path, StandardOutput& out) : path_(std::move(path)), out_(out) {}
  const std::string& Path() const { return path_; }
  bool ToStandardOutput() const { return path_ == "-"; }
  // How messages name it.
  std::string Name() const { return ToStandardOutput() ? "standard output" : path_; }
  // The empty text, or the system's description of the error.
  std::string Open();
  void Write(std::string_view bytes);
  std::string Commit();
  void Abandon();
  // The temporary that Commit puts in the file's place, while there is one.
  const std::string& Temporary() const { return file_.Temporary(); }

 private:
  std::string path_;
  StandardOutput& out_;
  FileReplacement file_;
};

}  // namespace skyloom::cli
