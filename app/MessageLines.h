// The message socket's line rule: what another program sends, cut into command lines. Free of
// Qt and of sockets, so that any byte sequence can be fed to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class MessageLines {
  public:
    // Bytes of one line, its newline not counted.
    static constexpr size_t kMaxLineBytes = 256;

    struct Line {
        std::string text;      // without the newline and surrounding white space
        bool tooLong = false;  // refused whole: `text` is empty
    };

    // Takes the next bytes of the stream; answers the lines they complete, in order. A line
    // longer than kMaxLineBytes is answered once as `tooLong`, and everything up to its newline
    // is discarded, so no tail of it can pass for a command. Bytes after the last newline wait
    // for the rest of their line, which the next newline or the end of the stream completes.
    std::vector<Line> feed(std::string_view bytes);
    // The stream has ended (the peer shut its sending side): the bytes after the last newline,
    // if any, are a line too.
    std::vector<Line> end();

  private:
    std::string partial_;      // the unfinished line; never longer than kMaxLineBytes
    bool discarding_ = false;  // inside an over-long line that was already answered
};

}  // namespace app
