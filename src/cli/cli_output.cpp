#include "cli/cli_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace skyloom::cli {

namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

StandardOutput::StandardOutput() : flushed_(std::chrono::steady_clock::now()) {
  struct stat out = {}, err = {};
  const bool sameAsErrors = fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
                            out.st_dev == err.st_dev && out.st_ino == err.st_ino;
  eachPiece_ = sameAsErrors || isatty(STDOUT_FILENO) != 0;
}

void StandardOutput::Write(std::string_view bytes) {
  if (error_ != 0 || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
    error_ = errno != 0 ? errno : EIO;
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!eachPiece_ && now - flushed_ < kFlushEvery) return;
  flushed_ = now;
  if (std::fflush(stdout) != 0) error_ = errno != 0 ? errno : EIO;
}

std::string StandardOutput::Finish() {
  errno = 0;
  if (error_ == 0 && std::fflush(stdout) != 0) error_ = errno != 0 ? errno : EIO;
  return error_ == 0 ? std::string() : ErrorText(error_);
}

void LineEndFilter::Write(std::string_view text) {
  if (text.empty()) return;
  std::string out;
  out.reserve(text.size() + 1);
  if (pendingCr_ && text.front() != '\n') out += '\r';
  pendingCr_ = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 == text.size()) {
      pendingCr_ = true;
    } else if (text[i + 1] != '\n') {
      out += '\r';
    }
  }
  out_(out);
}

void LineEndFilter::Finish() {
  if (pendingCr_) out_("\r");
  pendingCr_ = false;
}

std::string Destination::Open() { return ToStandardOutput() ? std::string() : file_.Open(path_); }

void Destination::Write(std::string_view bytes) {
  if (ToStandardOutput()) {
    out_.Write(bytes);
  } else {
    file_.Write(bytes);
  }
}

std::string Destination::Commit() { return ToStandardOutput() ? out_.Finish() : file_.Commit(); }

void Destination::Abandon() { file_.Abandon(); }

}  // namespace skyloom::cli
