// The class requests the host sent to the bench's USB devices, as the kernel's usbmon saw them on
// the bus. The device program is not a witness of every request: gadgetfs completes an OUT
// request's data stage itself, so the host sends the next request at once, and gadgetfs drops
// a SETUP event the program has not read yet when the next one comes.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

class UsbControlLog {
  public:
    // Records from now on, every bus.
    UsbControlLog();
    ~UsbControlLog();
    UsbControlLog(const UsbControlLog&) = delete;
    UsbControlLog& operator=(const UsbControlLog&) = delete;

    bool recording() const { return pid_ > 0; }
    // The value of the last SET_CUR the host sent to control `selector` of unit `unit`
    // (a little-endian signed number of one or two bytes), nullopt when none was sent.
    std::optional<int> lastSetCur(int unit, int selector) const;

  private:
    std::string file_;
    pid_t pid_ = -1;
};
