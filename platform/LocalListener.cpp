// accept4 on a QSocketNotifier; a periodic check repairs what the notifier cannot see.
#include "LocalListener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QSocketNotifier>

namespace platform {

LocalListener::LocalListener(std::string path, std::function<void(int)> onAccepted)
    : path_(std::move(path)), onAccepted_(std::move(onAccepted)) {
    listen();
    check_.setInterval(kCheckMs);
    connect(&check_, &QTimer::timeout, this, [this] { check(); });
    check_.start();
}

LocalListener::~LocalListener() {
    close();
}

bool LocalListener::listen() {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.size() >= sizeof addr.sun_path) {
        return false;
    }
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // The single-instance lock is ours, so a socket left at this path is a dead one's.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
        ::unlink(path_.c_str());
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::chmod(path_.c_str(), 0600) != 0 || ::listen(fd, kBacklog) != 0 ||
        ::lstat(path_.c_str(), &st) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    inode_ = st.st_ino;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { acceptWaiting(); });
    updateNotifier();
    return true;
}

void LocalListener::close() {
    if (fd_ < 0) {
        return;
    }
    notifier_.reset();
    ::close(fd_);
    fd_ = -1;
    // Only our own socket file is removed; one that replaced it belongs to someone else.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == inode_) {
        ::unlink(path_.c_str());
    }
}

void LocalListener::setPaused(bool paused) {
    paused_ = paused;
    updateNotifier();
}

void LocalListener::updateNotifier() {
    if (notifier_) {
        notifier_->setEnabled(!paused_ && !starved_);
    }
}

void LocalListener::acceptWaiting() {
    while (fd_ >= 0 && !paused_ && !starved_) {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client >= 0) {
            onAccepted_(client);  // may pause us
            continue;
        }
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The waiting connection stays queued; try again once descriptors may be free.
            starved_ = true;
            updateNotifier();
        }
        if (errno != EINTR && errno != ECONNABORTED) {
            break;  // EAGAIN: nothing more waits
        }
    }
}

void LocalListener::check() {
    struct stat st {};
    const bool fileIsOurs =
        ::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == inode_;
    if (fd_ < 0 || !fileIsOurs) {
        close();
        listen();
    }
    if (starved_) {
        starved_ = false;
        updateNotifier();
        acceptWaiting();
    }
}

}  // namespace platform
