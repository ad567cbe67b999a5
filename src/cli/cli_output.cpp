#include "cli/cli_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace skyloom::cli {

namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

void StandardOutput::Write(std::string_view bytes) {
  if (error_ != 0 || bytes.empty()) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
    error_ = errno != 0 ? errno : EIO;
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

std::string HtmlRelay::Start(Destination& to) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return ErrorText(errno);
  readEnd_ = ends[0];
  writeEnd_ = ends[1];
  copier_ = std::thread([this, &to] {
    char buffer[65536];
    for (;;) {
      const ssize_t got = ::read(readEnd_, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      // After a failed write the destination drops the rest, but the pipe
      // is still drained so that the window never waits on it.
      to.Write(std::string_view(buffer, static_cast<size_t>(got)));
    }
  });
  return {};
}

std::string HtmlRelay::Path() const { return "/dev/fd/" + std::to_string(writeEnd_); }

void HtmlRelay::Finish() {
  // The window has closed its own handles after each run; with the last
  // write end closed the copier reads to the end and stops.
  if (writeEnd_ >= 0) ::close(writeEnd_);
  writeEnd_ = -1;
  if (copier_.joinable()) copier_.join();
  if (readEnd_ >= 0) ::close(readEnd_);
  readEnd_ = -1;
}

}  // namespace skyloom::cli
