// Works around GStreamer 1.22's asfmux, which writes a data packet that ends in padding with
// a packet length that leaves the padding out (length 384 and padding 4416 in a 4800-byte
// packet). Readers take the length as the whole packet's: some reject the packet ("invalid
// padsize"), others silently drop the frames in it. A probe on the multiplexer's output sets
// the length of such a packet to the packet size, so length and padding agree with the
// file's fixed packet size.
#pragma once

#include <cstddef>
#include <cstdint>

#include <gst/gst.h>

namespace platform::media {

class AsfPacketFix {
  public:
    // Mends one buffer in place when it is one of asfmux's data packets of `packetSize`
    // bytes whose length field plus padding field make the packet size while the padding is
    // not counted in the length. Anything else (the header, an index, a consistent packet)
    // is left as it is. True when the buffer was changed.
    static bool mendDataPacket(uint8_t* data, size_t size, uint32_t packetSize);

    // Installs the probe on the multiplexer's "src" pad for the packet size its "packet-size"
    // property has now (set it before, if at all). False when `mux` is not such a multiplexer.
    static bool install(GstElement* mux);
};

}  // namespace platform::media
