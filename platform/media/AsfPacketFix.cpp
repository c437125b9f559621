// AsfPacketFix: the packet length of asfmux's padded data packets.
#include "AsfPacketFix.h"

namespace platform::media {
namespace {

// The payload parsing information asfmux writes: no error correction data, then the length
// type flags and the property flags it always uses.
constexpr uint8_t kErrorCorrectionPresent = 0x80;
constexpr uint8_t kMuxPropertyFlags = 0x5d;

// Size in bytes of a field of the 2-bit length type: none, BYTE, WORD, DWORD.
size_t fieldBytes(unsigned type) {
    return type == 3 ? 4u : type;
}

uint32_t readField(const uint8_t* p, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = bytes; i > 0; --i) {
        v = (v << 8) | p[i - 1];
    }
    return v;
}

void writeField(uint8_t* p, size_t bytes, uint32_t v) {
    for (size_t i = 0; i < bytes; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
    const auto packetSize = static_cast<uint32_t>(GPOINTER_TO_UINT(data));
    GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
    if (gst_buffer_get_size(b) != packetSize) {
        return GST_PAD_PROBE_OK;  // the header, an index or a rewrite of the header
    }
    b = gst_buffer_make_writable(b);  // the multiplexer hands its packets over: no copy
    GstMapInfo map;
    if (gst_buffer_map(b, &map, GST_MAP_READWRITE)) {
        AsfPacketFix::mendDataPacket(map.data, map.size, packetSize);
        gst_buffer_unmap(b, &map);
    }
    GST_PAD_PROBE_INFO_DATA(info) = b;
    return GST_PAD_PROBE_OK;
}

}  // namespace

bool AsfPacketFix::mendDataPacket(uint8_t* data, size_t size, uint32_t packetSize) {
    if (data == nullptr || size != packetSize || size < 2) {
        return false;
    }
    const uint8_t flags = data[0];
    if ((flags & kErrorCorrectionPresent) != 0 || data[1] != kMuxPropertyFlags) {
        return false;
    }
    const size_t lengthBytes = fieldBytes((flags >> 5) & 3u);
    const size_t sequenceBytes = fieldBytes((flags >> 1) & 3u);
    const size_t paddingBytes = fieldBytes((flags >> 3) & 3u);
    if (lengthBytes == 0 || paddingBytes == 0 ||
        2 + lengthBytes + sequenceBytes + paddingBytes > size) {
        return false;
    }
    uint8_t* lengthField = data + 2;
    const uint32_t length = readField(lengthField, lengthBytes);
    const uint32_t padding = readField(lengthField + lengthBytes + sequenceBytes, paddingBytes);
    // Only the multiplexer's own inconsistency: the two fields together make the packet.
    if (padding == 0 || length >= packetSize ||
        static_cast<uint64_t>(length) + padding != packetSize) {
        return false;
    }
    if (lengthBytes < 4 && packetSize >> (8 * lengthBytes) != 0) {
        return false;  // the size does not fit the field
    }
    writeField(lengthField, lengthBytes, packetSize);
    return true;
}

bool AsfPacketFix::install(GstElement* mux) {
    if (mux == nullptr ||
        g_object_class_find_property(G_OBJECT_GET_CLASS(mux), "packet-size") == nullptr) {
        return false;
    }
    g_autoptr(GstPad) src = gst_element_get_static_pad(mux, "src");
    if (src == nullptr) {
        return false;
    }
    guint packetSize = 0;
    g_object_get(mux, "packet-size", &packetSize, nullptr);
    return gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, &onBuffer,
                             GUINT_TO_POINTER(packetSize), nullptr) != 0;
}

}  // namespace platform::media
