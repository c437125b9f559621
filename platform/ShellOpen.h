// Opening a file or address with the user's associated program.
#pragma once

#include <string>

namespace platform {

class ShellOpener {
  public:
    virtual ~ShellOpener() = default;
    // True when the opener could be started. `workingDir` may be empty.
    virtual bool open(const std::string& target, const std::string& workingDir) = 0;
};

// Starts xdg-open detached, without a shell, so no character of the target is interpreted.
class XdgShellOpener final : public ShellOpener {
  public:
    bool open(const std::string& target, const std::string& workingDir) override;
};

}  // namespace platform
