// One accepted stream connection: what arrives goes to a handler whose answer is written back.
// A peer that shuts its writing side after sending still gets every answer before the close; a
// peer silent for longer than the idle limit is dropped.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace platform {

class LocalConnection : public QObject {
  public:
    // Called with each piece received, and once more with `ended` set (and nothing received)
    // when the peer has shut its sending side.
    using Handler = std::function<std::string(std::string_view received, bool ended)>;

    // Takes ownership of the non-blocking descriptor `fd`. When the connection has ended,
    // `onClosed` runs once and the object deletes itself from the event loop.
    LocalConnection(int fd, std::chrono::milliseconds idleLimit, Handler onBytes,
                    std::function<void()> onClosed, QObject* parent = nullptr);
    ~LocalConnection() override;
    LocalConnection(const LocalConnection&) = delete;
    LocalConnection& operator=(const LocalConnection&) = delete;

    // Answers not yet taken by a slow reader; above this nothing more is read.
    static constexpr size_t kMaxPendingOut = 64 * 1024;

  private:
    void readable();
    void flush();
    void finish();

    int fd_;
    Handler onBytes_;
    std::function<void()> onClosed_;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    QTimer idle_;
    std::string out_;
    bool peerDone_ = false;  // the peer sends no more
};

}  // namespace platform
