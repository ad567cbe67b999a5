#include "cli/timeline_file.h"

#include <dlfcn.h>

#include "draw/timeline_library.h"
#include "report/timeline.h"

namespace skyloom::cli {

std::string TimelineDrawer::Open(const std::string& folder) {
  // Never closed: Qt keeps threads and handlers of its own for the process.
  void* library = dlopen((folder + kTimelineLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* reason = library == nullptr ? dlerror() : nullptr;
  if (library != nullptr) {
    entry_ = reinterpret_cast<Entry>(dlsym(library, kTimelineEntryName));
    if (entry_ == nullptr) reason = dlerror();
  }
  if (entry_ != nullptr) return {};
  return std::string("the timeline cannot be drawn: ") + (reason != nullptr ? reason : "no drawing library");
}

std::string TimelineDrawer::Draw(const Timeline& timeline, bool png, std::string& bytes) const {
  struct Out {
    std::string& bytes;
    std::string error;
  } out{bytes, {}};
  bytes.clear();
  if (entry_ == nullptr) return "the timeline cannot be drawn: the drawing library is not open";
  const auto toBytes = [](void* context, const char* data, std::size_t size) {
    static_cast<Out*>(context)->bytes.append(data, size);
  };
  const auto toError = [](void* context, const char* data, std::size_t size) {
    static_cast<Out*>(context)->error.append(data, size);
  };
  if (entry_(&timeline, sizeof(Timeline), png ? 1 : 0, toBytes, toError, &out) != 0) return {};
  return out.error.empty() ? "the timeline could not be drawn" : out.error;
}

}  // namespace skyloom::cli
