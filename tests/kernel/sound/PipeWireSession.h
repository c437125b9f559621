// A desktop's sound session in the guest, as a Debian 12 desktop runs it: a D-Bus session bus,
// pipewire, wireplumber and pipewire-pulse, so programs reach the microphone through the
// session's PulseAudio protocol and not through ALSA directly.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class PipeWireSession {
  public:
    PipeWireSession() = default;
    ~PipeWireSession();
    PipeWireSession(const PipeWireSession&) = delete;
    PipeWireSession& operator=(const PipeWireSession&) = delete;

    // Starts the bus and the three daemons in `runtimeDir`; false with the reason in the log.
    bool start(const std::string& runtimeDir);
    void stop();
    // The environment a client of this session needs (bus and server addresses).
    std::vector<std::string> clientEnvironment() const;
    // `pactl` in this session; its standard output.
    std::string pactl(const std::string& arguments) const;
    // Waits until a source whose name contains `part` is listed.
    bool waitForSource(const std::string& part, int seconds = 60) const;

  private:
    pid_t spawn(const std::vector<std::string>& command);

    std::string runtime_;
    std::vector<pid_t> daemons_;
};
