// Line cutting with a hard length limit; see MessageLines.h.
#include "MessageLines.h"

namespace app {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimmed(std::string_view s) {
    size_t from = 0;
    size_t to = s.size();
    while (from < to && isSpace(s[from])) {
        ++from;
    }
    while (to > from && isSpace(s[to - 1])) {
        --to;
    }
    return std::string(s.substr(from, to - from));
}

}  // namespace

std::vector<MessageLines::Line> MessageLines::feed(std::string_view bytes) {
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const size_t newline = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, newline);
        if (!discarding_) {
            if (partial_.size() + piece.size() > kMaxLineBytes) {
                lines.push_back(Line{{}, true});
                partial_.clear();
                discarding_ = true;
            } else {
                partial_.append(piece);
            }
        }
        if (newline == std::string_view::npos) {
            break;
        }
        if (!discarding_) {
            lines.push_back(Line{trimmed(partial_), false});
            partial_.clear();
        }
        discarding_ = false;
        bytes.remove_prefix(newline + 1);
    }
    return lines;
}

std::vector<MessageLines::Line> MessageLines::end() {
    std::vector<Line> lines;
    const std::string text = trimmed(partial_);
    if (!discarding_ && !text.empty()) {
        lines.push_back(Line{text, false});
    }
    partial_.clear();
    discarding_ = false;
    return lines;
}

}  // namespace app
