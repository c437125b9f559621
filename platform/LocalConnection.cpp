// Non-blocking reads and writes on socket notifiers; see LocalConnection.h.
#include "LocalConnection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include <QSocketNotifier>

namespace platform {

LocalConnection::LocalConnection(int fd, std::chrono::milliseconds idleLimit, Handler onBytes,
                                 std::function<void()> onClosed, QObject* parent)
    : QObject(parent), fd_(fd), onBytes_(std::move(onBytes)), onClosed_(std::move(onClosed)) {
    reader_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    writer_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    writer_->setEnabled(false);
    connect(reader_.get(), &QSocketNotifier::activated, this, [this] { readable(); });
    connect(writer_.get(), &QSocketNotifier::activated, this, [this] { flush(); });
    idle_.setSingleShot(true);
    idle_.setInterval(idleLimit);
    connect(&idle_, &QTimer::timeout, this, [this] { finish(); });
    idle_.start();
}

LocalConnection::~LocalConnection() {
    reader_.reset();
    writer_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void LocalConnection::readable() {
    std::array<char, 4096> buffer{};
    // A bounded number of reads per wake-up keeps one busy peer from starving the window.
    for (int round = 0; round < 16 && fd_ >= 0 && !peerDone_ && out_.size() <= kMaxPendingOut;
         ++round) {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) {
            idle_.start();
            out_ += onBytes_(std::string_view(buffer.data(), static_cast<size_t>(n)), false);
            continue;
        }
        if (n == 0) {
            peerDone_ = true;  // answered below, then closed
            out_ += onBytes_({}, true);
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            finish();
            return;
        }
        break;
    }
    flush();
}

void LocalConnection::flush() {
    while (fd_ >= 0 && !out_.empty()) {
        const ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            out_.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            finish();  // the peer is gone: nobody reads the answers
            return;
        }
    }
    if (fd_ < 0) {
        return;
    }
    if (peerDone_ && out_.empty()) {
        finish();
        return;
    }
    writer_->setEnabled(!out_.empty());
    reader_->setEnabled(!peerDone_ && out_.size() <= kMaxPendingOut);
}

void LocalConnection::finish() {
    if (fd_ < 0) {
        return;
    }
    idle_.stop();
    // Disabled, not destroyed: this may run inside one of their own signals.
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    if (onClosed_) {
        onClosed_();
    }
    deleteLater();
}

}  // namespace platform
