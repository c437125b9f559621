// A file written under a temporary name in its target's folder and renamed into place, so
// that a failed write never leaves a partial file at the target path.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace gallery {

class AtomicFile {
  public:
    // Private files (the thumbnail cache) are 0600; user files take 0666 less the umask.
    enum class Mode { Private, User };

    explicit AtomicFile(std::string target, Mode mode = Mode::User);
    ~AtomicFile();  // removes the temporary file unless commit() succeeded

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file ("." + name + ".XXXXXX", so it matches no gallery pattern).
    bool open();
    // Appends bytes; a short or failed write is remembered and fails commit().
    bool write(const void* data, size_t size);
    // Flushes (optionally to the disk), closes and renames over the target. With `replace`
    // false the target must not exist: a file that is there (or appeared meanwhile) stays and
    // the commit fails.
    bool commit(bool sync, bool replace = true);

    int fd() const { return fd_; }
    bool failed() const { return failed_; }
    const std::string& tempPath() const { return temp_; }

  private:
    void discard();

    std::string target_;
    std::string temp_;
    Mode mode_;
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace gallery
