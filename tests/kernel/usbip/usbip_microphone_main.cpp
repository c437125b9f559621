// usbip-microphone: a USB Audio Class microphone that streams a sine tone, served over USB/IP
// on the loopback interface, for `usbip attach -r 127.0.0.1 -b BUSID` to plug into vhci-hcd.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "UsbipServer.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: usbip-microphone [--vid HEX] [--pid HEX] [--product TEXT]\n"
                 "         [--manufacturer TEXT] [--serial TEXT] [--rate 16000|48000]\n"
                 "         [--tone HZ] [--busid ID] [--port N]\n");
}

bool hex16(const char* s, uint16_t& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 16);
    if (*s == '\0' || *end != '\0' || v > 0xffff) {
        return false;
    }
    out = static_cast<uint16_t>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    usbip::MicrophoneIdentity id;
    std::string busId = "1-1";
    unsigned long port = 3240;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        bool good = v != nullptr;
        if (good && a == "--vid") {
            good = hex16(v, id.vendorId);
        } else if (good && a == "--pid") {
            good = hex16(v, id.productId);
        } else if (good && a == "--product") {
            id.product = v;
        } else if (good && a == "--manufacturer") {
            id.manufacturer = v;
        } else if (good && a == "--serial") {
            id.serial = v;
        } else if (good && a == "--rate") {
            id.sampleRate = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
            good = id.sampleRate == 16000 || id.sampleRate == 48000;
        } else if (good && a == "--tone") {
            id.toneHz = std::strtod(v, nullptr);
            good = id.toneHz > 0 && id.toneHz < id.sampleRate / 2.0;
        } else if (good && a == "--busid") {
            busId = v;
        } else if (good && a == "--port") {
            port = std::strtoul(v, nullptr, 10);
            good = port > 0 && port < 65536;
        } else {
            good = false;
        }
        if (!good) {
            usage();
            return 2;
        }
        ++i;
    }
    usbip::MicrophoneDevice device(id);
    usbip::UsbipServer server(device, busId, static_cast<uint16_t>(port));
    if (!server.listen()) {
        return 1;
    }
    std::fprintf(stderr, "usbip-microphone: listening on 127.0.0.1:%u, bus id %s\n", server.port(),
                 busId.c_str());
    server.run();
    return 1;
}
