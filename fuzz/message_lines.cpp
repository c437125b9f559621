// The message socket's lines: however a peer cuts its bytes into reads (and then shuts its side),
// the same lines come out, none longer than the limit, and no part of an over-long line passes
// for a command.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/MessageLines.h"

namespace {

bool sameLines(const std::vector<app::MessageLines::Line>& a,
               const std::vector<app::MessageLines::Line>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].text != b[i].text || a[i].tooLong != b[i].tooLong) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses how the rest is cut into reads.
    const size_t step = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    app::MessageLines whole;
    auto once = whole.feed(bytes);
    for (auto& line : whole.end()) {  // the peer shut its side: the tail is a line too
        once.push_back(std::move(line));
    }
    app::MessageLines pieces;
    std::vector<app::MessageLines::Line> cut;
    for (size_t at = 0; at < bytes.size(); at += step) {
        for (auto& line : pieces.feed(bytes.substr(at, step))) {
            cut.push_back(std::move(line));
        }
    }
    for (auto& line : pieces.end()) {
        cut.push_back(std::move(line));
    }
    if (!sameLines(once, cut)) {
        std::abort();
    }
    for (const auto& line : once) {
        if (line.text.size() > app::MessageLines::kMaxLineBytes ||
            (line.tooLong && !line.text.empty()) || line.text.find('\n') != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
