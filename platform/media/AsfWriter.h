// The ASF writer: a bin that encodes its inputs as a Windows Media profile says (WMV video
// through avenc_wmv1/2, WMA audio through avenc_wmav1/2) and multiplexes them with asfmux.
// Its input pins, "video" and "audio", are the profile's streams; its output pin "src" goes to
// the file writer.
//
// Everything here runs on the GUI thread with the graph stopped.
#pragma once

#include "Filter.h"
#include "WmProfile.h"

namespace platform::media {

class AsfWriter {
  public:
    // A writer with its own default profile (WmProfile::writerDefault()).
    static HResult create(Filter& out);
    // ConfigureFilterUsingProfile: replaces the input chains by the profile's. The inputs must
    // not be connected yet.
    static HResult configure(const Filter& writer, const WmProfile& profile);
    // The profile in use; false when `writer` is not an ASF writer.
    static bool profileOf(const Filter& writer, WmProfile& out);
    // SetIndexMode: with the index the file is seekable and carries its duration.
    static HResult setIndexMode(const Filter& writer, bool index);
    // After the connections: inputs that nothing feeds are taken out, so the multiplexer does
    // not wait for them and the file still completes.
    static void removeUnconnectedInputs(const Filter& writer);
};

}  // namespace platform::media
