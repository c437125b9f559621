// A user-only Unix stream socket at a fixed path that stays reachable: a descriptor shortage
// pauses accepting instead of closing the socket, and a socket file that vanished is made again.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace platform {

class LocalListener : public QObject {
  public:
    // Listens on `path` (mode 0600), replacing whatever socket is there. Each accepted
    // connection goes to `onAccepted` as a non-blocking descriptor that it then owns.
    LocalListener(std::string path, std::function<void(int fd)> onAccepted);
    ~LocalListener() override;
    LocalListener(const LocalListener&) = delete;
    LocalListener& operator=(const LocalListener&) = delete;

    bool listening() const { return fd_ >= 0; }
    // While paused no connection is taken; waiting ones stay in the kernel's backlog.
    void setPaused(bool paused);

    // How often a lost socket is made again and accepting resumes after a descriptor shortage.
    static constexpr int kCheckMs = 500;
    static constexpr int kBacklog = 16;

  private:
    bool listen();
    void close();
    void acceptWaiting();
    void check();
    void updateNotifier();

    std::string path_;
    std::function<void(int)> onAccepted_;
    int fd_ = -1;
    ino_t inode_ = 0;  // the socket file we made, to notice it vanish or be replaced
    bool paused_ = false;
    bool starved_ = false;  // out of descriptors: accepting waits for the next check
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer check_;
};

}  // namespace platform
