// udevd refuses to work in a chroot unless told it may.
#include "GuestSystem.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace guest {

bool inside() {
    const char* v = std::getenv("PEEKBOX_KERNEL_GUEST");
    return v != nullptr && std::string(v) == "1";
}

std::string results() {
    const char* v = std::getenv("PEEKBOX_KERNEL_RESULTS");
    return v != nullptr ? v : "/tmp";
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        // Binary output (raw frames) holds zero bytes: read by length, not by line.
        std::array<char, 4096> buf{};
        size_t n = 0;
        while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) {
            out.append(buf.data(), n);
        }
        ::pclose(p);
    }
    return out;
}

bool startUdevd() {
    const std::string env = "SYSTEMD_IGNORE_CHROOT=1 ";
    return std::system((env + "/lib/systemd/systemd-udevd --daemon 2>>" + results() +
                        "/udevd.log && " + env + "udevadm trigger --action=add && " + env +
                        "udevadm settle --timeout=60")
                           .c_str()) == 0;
}

void stopUdevd() {
    std::system("SYSTEMD_IGNORE_CHROOT=1 udevadm control --exit 2>/dev/null");
}

}  // namespace guest
