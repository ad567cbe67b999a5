#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "ports/shell.h"

namespace skyloom {

namespace {

// Any value of 33 or more means success to the callers.
constexpr int kOpened = 42;

// Failures are reported as small numbers below 33, the errno where it fits.
int FailureCode(int error) { return error > 0 && error < 33 ? error : 0; }

}  // namespace

// xdg-open runs detached (a grandchild adopted by init), so the window does
// not wait for the viewer and leaves no zombie behind. A close-on-exec pipe
// tells whether the exec itself worked: it closes empty on success and
// carries errno when execvp fails.
int DesktopShell::OpenDocument(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return FailureCode(path.empty() ? ENOENT : errno);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return FailureCode(errno);

  // Everything the child needs is prepared before fork.
  const char* argv[] = {"xdg-open", path.c_str(), nullptr};

  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    return FailureCode(error);
  }
  if (child == 0) {
    ::close(report[0]);
    const pid_t grandchild = ::fork();
    if (grandchild < 0) {
      const int error = errno;
      (void)!::write(report[1], &error, sizeof error);
      ::_exit(1);
    }
    if (grandchild > 0) ::_exit(0);
    ::setsid();
    ::execvp(argv[0], const_cast<char* const*>(argv));
    const int error = errno;
    (void)!::write(report[1], &error, sizeof error);
    ::_exit(127);
  }

  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof error)) return FailureCode(error);
  return kOpened;
}

}  // namespace skyloom
