// The kernel bench's guest as a test inside it sees it: whether it runs there, the run's results
// folder, and the system services a test may want (udev).
#pragma once

#include <string>

namespace guest {

// True inside the bench VM (run-in-vm sets PEEKBOX_KERNEL_GUEST).
bool inside();
// The run's results folder, shared with the host.
std::string results();
// Runs a shell command; its standard output, byte for byte.
std::string shell(const std::string& command);

// systemd-udevd for the chroot: started, every device announced, the queue settled.
bool startUdevd();
void stopUdevd();

}  // namespace guest
