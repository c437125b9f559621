// The emulated USB microphone from a test inside the kernel bench's guest: the USB/IP server
// started, the device attached to vhci-hcd (plug) until snd-usb-audio has made its card, and
// detached again (unplug), as `usbip attach` and `usbip detach` do it.
#pragma once

#include <sys/types.h>

#include <string>

struct MicrophoneSetup {
    std::string vid = "3a7b";  // the camera's ids and name, so it is the camera's microphone
    std::string pid = "0b01";
    std::string product = "Desk Camera";
    int rate = 48000;
    int toneHz = 1000;
};

class UsbipMicrophone {
  public:
    UsbipMicrophone() = default;
    ~UsbipMicrophone();
    UsbipMicrophone(const UsbipMicrophone&) = delete;
    UsbipMicrophone& operator=(const UsbipMicrophone&) = delete;

    // Loads vhci-hcd and snd-usb-audio, starts the server, attaches the device and waits until
    // its sound card is there. False with the reason in log() when not.
    bool plug(const MicrophoneSetup& setup, int seconds = 60);
    // Detaches the device and waits until its card has gone; the server stays for a re-plug.
    bool unplug(int seconds = 30);
    // The ALSA card number of the device, -1 while there is none.
    int card() const;
    std::string log() const;

  private:
    void stopServer();

    MicrophoneSetup setup_;
    pid_t server_ = -1;
    bool attached_ = false;
};
