// flock-based named lock; the kernel releases it when the holder dies.
#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "UserDirs.h"

namespace platform {

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // the lock goes with the descriptor
    }
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::string InstanceLock::lockPathFor(const std::string& name) {
    return runtimeDir() + "/" + name + ".lock";
}

InstanceLock::Result InstanceLock::acquire(const std::string& name) {
    if (fd_ >= 0) {
        return Result::Acquired;
    }
    path_ = lockPathFor(name);
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::AlreadyHeld : Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

}  // namespace platform
