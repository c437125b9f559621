// Fuzz inputs for code that reads files by path: written to a private scratch folder.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

// A folder of this process's own under $TMPDIR (scripts/fuzz points it into build-fuzz).
inline const std::string& scratchDir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/peekbox-fuzz-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr) {
            std::abort();
        }
        return templ;
    }();
    return dir;
}

// Replaces `path` with the input, private to the user like the files the program writes.
inline void writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::abort();
    }
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) {
            std::abort();
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    ::close(fd);
}

}  // namespace fuzz
