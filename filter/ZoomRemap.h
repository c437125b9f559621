// Digital zoom: remaps a YUY2 frame through a table of source offsets.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "filter/FrameView.h"

namespace filter {

// The table's capacity: a frame may have at most this many pixels while zoom is active.
constexpr size_t kZoomMapEntries = 3840000;

// Remaps `frame` (YUY2, even width) through `map`: for destination pixel p = y x width + x,
// map[p] is the byte offset of the source pixel's luma byte in the frame laid out as packed rows
// of width x 2 bytes. The luma is copied; each destination macropixel's U and V become the
// average of the two source pixels' (U - 128, V - 128), halved by arithmetic shift, plus 128.
// An entry outside 0 .. width x height x 2 - 1 is ignored: that pixel is its own source. The
// frame is first copied into `scratch` (width x height x 2 bytes, packed), so the frame's stride
// may be larger than width x 2. The table is read with relaxed atomic loads because the user-
// interface thread may rewrite it while frames flow; a frame may then mix old and new entries.
// Returns false, leaving the frame untouched, when the width is odd or the frame has more pixels
// than `mapEntries`.
bool zoomRemapYuy2(const FrameView& frame, const std::atomic<int32_t>* map, size_t mapEntries,
                   uint8_t* scratch);

}  // namespace filter
