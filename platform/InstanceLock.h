// Single-instance lock: an flock on a per-user lock file, held until the process ends.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { Acquired, AlreadyHeld, Failed };

    // Takes `<runtimeDir>/<name>.lock`. AlreadyHeld means another live process holds the name.
    Result acquire(const std::string& name);

    bool held() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    static std::string lockPathFor(const std::string& name);

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
