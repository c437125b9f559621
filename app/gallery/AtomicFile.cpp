// Temporary-name-and-rename writer.
#include "app/gallery/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

namespace gallery {

namespace {

// The umask without changing it (umask() itself is a process-wide write, racy with threads).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
        }
    }
    return 022;
}

}  // namespace

AtomicFile::AtomicFile(std::string target, Mode mode) : target_(std::move(target)), mode_(mode) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open() {
    discard();
    const size_t slash = target_.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (name.empty()) {
        return false;
    }
    // Only a file (or a link, which the rename replaces, never follows) may be replaced: a
    // device or FIFO at the name must stay what it is.
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        return false;
    }
    std::string templ = dir + "." + name + ".XXXXXX";
    // mkostemp creates with O_EXCL: an existing file or link at the name is never followed.
    const int fd = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (mode_ == Mode::User) {
        ::fchmod(fd, 0666 & ~currentUmask());
    }
    fd_ = fd;
    temp_ = std::move(templ);
    failed_ = false;
    return true;
}

bool AtomicFile::write(const void* data, size_t size) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

// Moves `from` to `to` unless something is at `to`; a file system without the no-replace
// rename gets a hard link, which fails on an existing name just the same.
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

}  // namespace

bool AtomicFile::commit(bool sync, bool replace) {
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    bool ok = !sync || ::fsync(fd_) == 0;
    ok = (::close(std::exchange(fd_, -1)) == 0) && ok;
    const bool moved = ok && (replace ? ::rename(temp_.c_str(), target_.c_str()) == 0
                                      : renameNoReplace(temp_, target_));
    if (!ok || !moved) {
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

}  // namespace gallery
