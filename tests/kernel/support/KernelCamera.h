// The emulated USB camera of the kernel bench, from a test inside the guest: plugged in (the
// device program started), pulled (ended), unbound from and bound to its USB driver, and what
// reached it (its state file).
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

struct CameraSetup {
    std::string vid = "3a7b";
    std::string pid = "0b01";
    std::string product = "Desk Camera";
    std::string formats = "yuy2";  // "yuy2" or "mjpg"
    int rate = 15;                 // frames per second the device really sends
};

class KernelCamera {
  public:
    KernelCamera() = default;
    ~KernelCamera();
    KernelCamera(const KernelCamera&) = delete;
    KernelCamera& operator=(const KernelCamera&) = delete;

    // Starts the device and waits until uvcvideo has made its capture node; plugs it in once
    // more when the driver gave it up.
    bool plug(const CameraSetup& setup, int seconds = 60);
    // Disconnects the device, waits until the node is gone, and ends the device program.
    bool unplug(int seconds = 30);
    // The USB device unbound from and bound to its driver (the interfaces' remove and add).
    bool unbind(int seconds = 30);
    bool bind(int seconds = 60);

    // "/dev/videoN" of the capture node, "" while there is none.
    std::string videoNode() const;
    // The device's state file as key=value, and one value ("" when absent).
    std::map<std::string, std::string> state() const;
    std::string value(const std::string& key) const;
    // Waits until the state holds `key`=`expected`.
    bool waitFor(const std::string& key, const std::string& expected, int seconds = 30) const;
    std::string log() const;

  private:
    void start();
    std::string usbPort() const;
    void appendToLog(const std::string& line) const;

    CameraSetup setup_;
    pid_t pid_ = -1;
    std::string port_;  // "1-1" while plugged
};
