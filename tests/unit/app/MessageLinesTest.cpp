// The message socket's line rule, fed in every way a stream may split.
#include <gtest/gtest.h>

#include "app/MessageLines.h"

namespace {

using app::MessageLines;

// Feeds `bytes` in pieces of `step` bytes, then the end of the stream when `ended`; each answer
// as its text, "<long>" for a refusal.
std::vector<std::string> linesOf(const std::string& bytes, size_t step, bool ended = false) {
    MessageLines lines;
    std::vector<std::string> out;
    auto take = [&](const std::vector<MessageLines::Line>& got) {
        for (const MessageLines::Line& line : got) {
            out.push_back(line.tooLong ? "<long>" : line.text);
        }
    };
    for (size_t at = 0; at < bytes.size(); at += step) {
        take(lines.feed(std::string_view(bytes).substr(at, step)));
    }
    if (ended) {
        take(lines.end());
    }
    return out;
}

}  // namespace

TEST(MessageLinesTest, LinesComeOutTheSameHoweverTheStreamIsSplit) {
    const size_t max = MessageLines::kMaxLineBytes;
    const std::string longest(max, 'a');
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"1025\n1026\n", {"1025", "1026"}},
        {" 1026\r\n\n", {"1026", ""}},
        {"1025", {}},  // never ended: never answered
        {longest + "\n", {longest}},
        {longest + "x\n1025\n", {"<long>", "1025"}},
        {std::string(300, '0') + "1026\n", {"<long>"}},
        {std::string(max, ' ') + "1026\n", {"<long>"}},
        {std::string(5000, 'z') + "\n1026\n", {"<long>", "1026"}},
        {std::string("1\0"
                     "025\n",
                     6) +
             "1025\n",
         {std::string("1\0"
                      "025",
                      5),
          "1025"}},
    };
    for (const auto& c : cases) {
        for (size_t step : {size_t{1}, size_t{3}, max, max + 1, size_t{10000}}) {
            EXPECT_EQ(linesOf(c.bytes, step), c.lines)
                << c.bytes.substr(0, 40) << " in pieces of " << step;
        }
    }
}

// The sender's close ends its last line: that line is answered like any other; an over-long one
// is still refused once, and nothing comes of blanks after the last newline.
TEST(MessageLinesTest, TheEndOfTheStreamCompletesTheLastLine) {
    const size_t max = MessageLines::kMaxLineBytes;
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"1025", {"1025"}},
        {"1025\n1026", {"1025", "1026"}},
        {"1026\n \r", {"1026"}},
        {"", {}},
        {std::string(max + 1, '1'), {"<long>"}},
        {std::string(max, '1'), {std::string(max, '1')}},
    };
    for (const auto& c : cases) {
        for (size_t step : {size_t{1}, size_t{3}, size_t{10000}}) {
            EXPECT_EQ(linesOf(c.bytes, step, true), c.lines)
                << c.bytes.substr(0, 40) << " in pieces of " << step;
        }
    }
}
