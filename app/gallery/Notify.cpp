// inotify watching; see Notify.h. The loop runs on its own thread; the window thread only
// sets the target and destroys the object.
#include "app/gallery/Notify.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <QCoreApplication>

namespace gallery {

namespace {

// File names created, deleted or renamed, and files written (their content or times).
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                IN_CLOSE_WRITE | IN_ATTRIB | IN_ONLYDIR;

int watchFolder(const std::string& folder) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::inotify_add_watch(fd, folder.c_str(), kWatchMask) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads every queued event: one message stands for all changes seen in one wait.
void drain(int fd) {
    alignas(inotify_event) char buf[4096];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return;
    }
}

}  // namespace

FolderNotifyThread::FolderNotifyThread(std::string pictureFolder, std::string videoFolder,
                                       const std::atomic<bool>& stopFlag,
                                       const std::atomic<bool>& recording)
    : pictureFolder_(std::move(pictureFolder)),
      videoFolder_(std::move(videoFolder)),
      stopFlag_(stopFlag),
      recording_(recording) {
    // Watches are set up before the thread starts, so a change right after construction is seen.
    pictureFd_ = watchFolder(pictureFolder_);
    const bool secondFolder = !videoFolder_.empty() && videoFolder_ != pictureFolder_;
    if (secondFolder) {
        videoFd_ = watchFolder(videoFolder_);
    }
    // Both requests failed: nothing to wait for. With one folder whose request failed the loop
    // still runs, waiting only for the stop.
    if (secondFolder && pictureFd_ < 0 && videoFd_ < 0) {
        return;
    }
    // Without the eventfd the destructor's stop is seen at the next poll timeout instead.
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        std::fprintf(stderr, "folder watcher: no eventfd (%s); stopping waits up to %d ms\n",
                     std::strerror(errno), kWaitMs);
    }
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this] { run(); });
}

FolderNotifyThread::~FolderNotifyThread() {
    if (thread_.joinable()) {
        quit_.store(true, std::memory_order_release);
        if (wakeFd_ >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
        }
        thread_.join();
    }
    for (int fd : {pictureFd_, videoFd_, wakeFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void FolderNotifyThread::setNotifyTarget(PostFn post) {
    std::lock_guard<std::mutex> lock(targetMutex_);
    post_ = std::move(post);
}

void FolderNotifyThread::setNotifyWindow(QObject* window) {
    if (window == nullptr) {
        setNotifyTarget(nullptr);
        return;
    }
    setNotifyTarget([window](uint32_t message) {
        // postEvent is safe from any thread; the event is delivered on the window's thread.
        QCoreApplication::postEvent(window,
                                    new QEvent(static_cast<QEvent::Type>(QEvent::User + message)));
    });
}

void FolderNotifyThread::post() {
    std::lock_guard<std::mutex> lock(targetMutex_);
    if (post_) {
        post_(WM_FOLDERCHANGED);
    }
}

bool FolderNotifyThread::waitOn(int fd) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
    const int n = ::poll(fds, fd >= 0 ? 2 : 1, kWaitMs);
    if (n <= 0) {
        return false;
    }
    if ((fds[0].revents & POLLIN) != 0) {
        woken_ = true;
    }
    return fd >= 0 && (fds[1].revents & POLLIN) != 0;
}

void FolderNotifyThread::run() {
    while (!stopFlag_.load(std::memory_order_acquire) && !woken_ &&
           !quit_.load(std::memory_order_acquire)) {
        bool waited = false;
        if (pictureFd_ >= 0) {
            waited = true;
            if (waitOn(pictureFd_)) {
                drain(pictureFd_);
                post();
            }
        }
        // While recording, the video folder's events stay queued and are reported after it.
        if (videoFd_ >= 0 && !woken_ && !recording_.load(std::memory_order_acquire)) {
            waited = true;
            if (waitOn(videoFd_)) {
                drain(videoFd_);
                post();
            }
        }
        if (!waited) {
            waitOn(-1);  // nothing to watch this pass: still never spin
        }
    }
    running_.store(false, std::memory_order_release);
}

}  // namespace gallery
