// Drives the usbip tool of the distribution (package usbip) against our own server; the card is
// found by the ids of the USB device above it in sysfs.
#include "UsbipMicrophone.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/GuestSystem.h"
#include "support/Wait.h"

namespace fs = std::filesystem;

namespace {

const char* kBusId = "1-1";

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string logFile() {
    return guest::results() + "/microphone.log";
}

void note(const std::string& line) {
    std::ofstream(logFile(), std::ios::app) << "test: " << line << "\n";
}

bool run(const std::string& command) {
    const int rc = std::system((command + " >>" + logFile() + " 2>&1").c_str());
    if (rc != 0) {
        note("\"" + command + "\" failed with " + std::to_string(rc));
    }
    return rc == 0;
}

}  // namespace

UsbipMicrophone::~UsbipMicrophone() {
    unplug();
    stopServer();
}

bool UsbipMicrophone::plug(const MicrophoneSetup& setup, int seconds) {
    unplug();
    stopServer();
    setup_ = setup;
    // The guest kernel's modules live under /run/bench in the chroot.
    if (!run("modprobe -d /run/bench vhci-hcd") || !run("modprobe -d /run/bench snd-usb-audio")) {
        return false;
    }
    const long start = static_cast<long>(fs::exists(logFile()) ? fs::file_size(logFile()) : 0);
    server_ = ::fork();
    if (server_ == 0) {
        const int log = ::open(logFile().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ::dup2(log, STDERR_FILENO);
        const std::string rate = std::to_string(setup.rate);
        const std::string tone = std::to_string(setup.toneHz);
        ::execl(USBIP_MICROPHONE_PROGRAM, USBIP_MICROPHONE_PROGRAM, "--vid", setup.vid.c_str(),
                "--pid", setup.pid.c_str(), "--product", setup.product.c_str(), "--rate",
                rate.c_str(), "--tone", tone.c_str(), "--busid", kBusId, nullptr);
        ::_exit(127);
    }
    const bool listening = testenv::waitUntil(
        [&] { return log().find("listening on", static_cast<size_t>(start)) != std::string::npos; },
        seconds * 1000, 50);
    attached_ = listening && run(std::string("usbip attach -r 127.0.0.1 -b ") + kBusId);
    return attached_ && testenv::waitUntil([&] { return card() >= 0; }, seconds * 1000, 100);
}

bool UsbipMicrophone::unplug(int seconds) {
    if (!attached_) {
        return true;
    }
    attached_ = false;
    // vhci-hcd's port of our device: the one `usbip port` lists (there is only ours).
    const std::string ports = guest::shell("usbip port 2>/dev/null");
    const size_t at = ports.find("Port ");
    const std::string port = at == std::string::npos ? "0" : ports.substr(at + 5, 2);
    return run("usbip detach -p " + std::to_string(std::atoi(port.c_str()))) &&
           testenv::waitUntil([&] { return card() < 0; }, seconds * 1000, 100);
}

int UsbipMicrophone::card() const {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/class/sound", ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("card", 0) != 0) {
            continue;
        }
        const fs::path usb = fs::canonical(e.path() / "device", ec).parent_path();
        if (!ec && firstLine(usb / "idVendor") == setup_.vid &&
            firstLine(usb / "idProduct") == setup_.pid && fs::exists(usb / "product") &&
            firstLine(usb / "product") == setup_.product) {
            return std::atoi(name.c_str() + 4);
        }
    }
    return -1;
}

std::string UsbipMicrophone::log() const {
    std::ifstream in(logFile());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void UsbipMicrophone::stopServer() {
    if (server_ > 0) {
        ::kill(server_, SIGTERM);
        ::waitpid(server_, nullptr, 0);
        server_ = -1;
    }
}
