// The timeline drawing library as the command line opens it: a shared
// library beside the executables, loaded only by a command that draws a
// timeline, so that every other run starts without Qt and the libraries it
// brings (fonts, ICU, image formats ...).
//
// Its one entry point has C linkage and hands out no object of its own:
// the command line may carry its own copy of the C++ runtime, the library
// uses Qt's.
#pragma once

#include <cstddef>

namespace skyloom {
struct Timeline;
}

extern "C" {

// Receives the picture's bytes (in one or more pieces) or, on failure, the
// message for the user.
typedef void (*SkyloomTimelineSink)(void* context, const char* bytes, std::size_t size);

// Draws the timeline as the bytes of a PNG (png != 0) or an SVG file, on
// Qt's "offscreen" platform. timelineSize is sizeof(skyloom::Timeline) as
// the caller was built: a library of another build refuses. Returns 1 when
// drawn, 0 after sending the message to error.
int skyloom_draw_timeline(const skyloom::Timeline* timeline, std::size_t timelineSize, int png,
                          SkyloomTimelineSink bytes, SkyloomTimelineSink error, void* context);
}

namespace skyloom {

// The library's file name, in the executable's folder.
inline constexpr const char* kTimelineLibraryName = "skyloom-timeline.so";
inline constexpr const char* kTimelineEntryName = "skyloom_draw_timeline";

}  // namespace skyloom
