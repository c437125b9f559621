// A USB/IP server for one device on a TCP port: answers the device list and the import, then
// carries the imported connection's URBs to the device until the host detaches, and waits
// for the next import (a detach is an unplug, an attach a plug-in).
#pragma once

#include <cstdint>
#include <string>

#include "MicrophoneDevice.h"

namespace usbip {

class UsbipServer {
  public:
    UsbipServer(MicrophoneDevice& device, std::string busId, uint16_t port);
    ~UsbipServer();
    UsbipServer(const UsbipServer&) = delete;
    UsbipServer& operator=(const UsbipServer&) = delete;

    // Binds the loopback port (0: any free one); false with a message on stderr when it cannot.
    bool listen();
    uint16_t port() const { return port_; }
    // Serves one connection to its end; false when none can be accepted any more.
    bool serveNext();
    // Serves connections until the process is ended.
    void run();

  private:
    // One connection: operations until an import, then URBs. Returns when it closes.
    void serve(int fd);
    void carryUrbs(int fd);

    MicrophoneDevice& device_;
    std::string busId_;
    uint16_t port_;
    int listenFd_ = -1;
};

}  // namespace usbip
