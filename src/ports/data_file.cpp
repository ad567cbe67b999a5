#include "ports/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif

namespace skyloom {
namespace {

std::string TooLarge(int64_t maxBytes) { return "Larger than " + std::to_string(maxBytes) + " bytes"; }

// A folder is left to fail as reading it always has ("Is a directory").
std::string RefusalOf(const struct stat& info, int64_t maxBytes) {
  if (S_ISDIR(info.st_mode)) return {};
  if (!S_ISREG(info.st_mode)) return "Not a regular file";
  if (info.st_size > maxBytes) return TooLarge(maxBytes);
  return {};
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string DataFileText::Reason() const {
  if (!refusal.empty()) return refusal;
  return err != 0 ? std::strerror(err) : std::string();
}

DataFileText ReadDataFileChunks(const std::string& path, int64_t maxBytes,
                                const std::function<bool(std::string_view)>& take) {
  DataFileText result;
  errno = 0;
  // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    result.err = errno != 0 ? errno : EIO;
    return result;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    result.err = errno != 0 ? errno : EIO;
    return result;
  }
  if (S_ISDIR(info.st_mode)) {
    result.err = EISDIR;
    return result;
  }
  result.refusal = RefusalOf(info, maxBytes);
  if (!result.refusal.empty()) return result;
  char chunk[64 * 1024];
  int64_t total = 0;
  while (true) {
    const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      result.err = errno != 0 ? errno : EIO;
      return result;
    }
    if (got == 0) break;
    total += got;
    if (total > maxBytes) {
      result.refusal = TooLarge(maxBytes);
      return result;
    }
    if (!take(std::string_view(chunk, static_cast<size_t>(got)))) break;
  }
  return result;
}

DataFileText ReadDataFile(const std::string& path, int64_t maxBytes) {
  std::string bytes;
  DataFileText result = ReadDataFileChunks(path, maxBytes, [&](std::string_view chunk) {
    bytes.append(chunk);
    return true;
  });
  if (result.Read()) result.bytes = std::move(bytes);
  return result;
}

bool ReadDataFileEnd(const std::string& path, int64_t maxBytes, std::size_t bytes, std::string& end, int64_t& size) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !RefusalOf(info, maxBytes).empty()) return false;
  size = info.st_size;
  const auto from = static_cast<off_t>(std::max<int64_t>(0, size - static_cast<int64_t>(bytes)));
  end.resize(static_cast<std::size_t>(size - from));
  std::size_t got = 0;
  while (got < end.size()) {
    const ssize_t n = ::pread(file.get(), end.data() + got, end.size() - got, from + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

std::string DataFileRefusal(const std::string& path, int64_t maxBytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return RefusalOf(info, maxBytes);
}

}  // namespace skyloom
