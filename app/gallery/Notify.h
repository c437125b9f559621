// FolderNotifyThread: the worker that watches the picture and video folders with inotify and
// tells the main window by posting WM_FOLDERCHANGED.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <QEvent>

class QObject;

namespace gallery {

constexpr uint32_t WM_FOLDERCHANGED = 1025;  // WM_USER + 1
constexpr uint32_t WM_RESCANGALLERY = 1026;  // WM_USER + 2
// How the messages arrive at a QObject target: a plain QEvent of this type, posted.
constexpr QEvent::Type kFolderChangedEvent =
    static_cast<QEvent::Type>(QEvent::User + WM_FOLDERCHANGED);

class FolderNotifyThread {
  public:
    static constexpr int kWaitMs = 50;  // the longest wait per folder between stop-flag checks

    using PostFn = std::function<void(uint32_t message)>;

    // Sets up the watches and starts the thread. `videoFolder` is watched only when it is not
    // empty and differs from `pictureFolder`; its changes are ignored while `recording` is
    // set and reported once afterwards. The flags must outlive this object.
    FolderNotifyThread(std::string pictureFolder, std::string videoFolder,
                       const std::atomic<bool>& stopFlag, const std::atomic<bool>& recording);
    // Stops the loop (also when the stop flag was not set) and waits for the thread to end.
    ~FolderNotifyThread();

    FolderNotifyThread(const FolderNotifyThread&) = delete;
    FolderNotifyThread& operator=(const FolderNotifyThread&) = delete;

    // The target (NotifyWindow); nothing is posted while none is set. Any thread may call these;
    // a QObject target must stay alive until it is cleared or this object is destroyed.
    void setNotifyTarget(PostFn post);
    void setNotifyWindow(QObject* window);

    // False once the loop has ended (at once when neither folder could be watched).
    bool running() const { return running_.load(std::memory_order_acquire); }
    int watchCount() const { return (pictureFd_ >= 0 ? 1 : 0) + (videoFd_ >= 0 ? 1 : 0); }

  private:
    void run();
    // Waits up to kWaitMs on `fd` (or only on the wake-up when fd < 0); true when fd has events.
    bool waitOn(int fd);
    void post();

    const std::string pictureFolder_;
    const std::string videoFolder_;
    const std::atomic<bool>& stopFlag_;
    const std::atomic<bool>& recording_;
    int pictureFd_ = -1;  // inotify instances, one per folder, owned; read by the thread only
    int videoFd_ = -1;
    int wakeFd_ = -1;  // eventfd written by the destructor for a prompt stop; -1 without one
    std::atomic<bool> quit_{false};  // set by the destructor; the loop sees it within kWaitMs
    std::atomic<bool> running_{false};
    bool woken_ = false;  // thread only

    std::mutex targetMutex_;  // protects post_
    PostFn post_;

    std::thread thread_;
};

}  // namespace gallery
