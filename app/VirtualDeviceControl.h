// "unplug N" and "replug N" for the virtual devices (N counts the entries of
// TARNWICK_VIRTUAL_DEVICES from 0), so unplugging can be shown and tested without hardware.
#pragma once

#include <optional>
#include <string>
#include <vector>

class VirtualDeviceControl {
  public:
    // Reads the variable and the devices present now.
    VirtualDeviceControl();

    bool unplug(size_t index);
    bool replug(size_t index);
    // Understands "unplug N" and "replug N".
    bool command(const std::string& line);

  private:
    struct Slot {
        std::string entry;        // the entry's text, as add() takes it
        std::string displayName;  // empty while unplugged
    };
    std::vector<Slot> slots_;
};
