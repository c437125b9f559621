// The device program is ours (built with the tree); the node is found through sysfs by the ids
// of the USB device above it, as the programs under test find it.
#include "KernelCamera.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "GuestSystem.h"
#include "support/Wait.h"

namespace fs = std::filesystem;

namespace {

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string stateFile() {
    return guest::results() + "/camera.state";
}

// The UDC's own switch: the host sees the device leave its port, as when a cable is pulled.
constexpr char kSoftConnect[] = "/sys/class/udc/dummy_udc.0/soft_connect";

bool writeText(const std::string& file, const std::string& text) {
    std::ofstream out(file);
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

KernelCamera::~KernelCamera() {
    unplug();
}

bool KernelCamera::plug(const CameraSetup& setup, int seconds) {
    unplug();
    setup_ = setup;
    // Under an emulated CPU the device can lose step with the host while it is enumerated, and
    // uvcvideo then gives the device up; that is the bench's fault, not the programs', so the
    // camera is plugged in once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            appendToLog("bench: uvcvideo did not take the camera; plugging it in again\n");
            unplug();
        }
        start();
        if (testenv::waitUntil([&] { return !videoNode().empty(); }, seconds * 1000, 100)) {
            port_ = usbPort();
            return true;
        }
    }
    return false;
}

void KernelCamera::start() {
    std::error_code ignored;
    fs::remove(stateFile(), ignored);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int log = ::open((guest::results() + "/camera.log").c_str(),
                               O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ::dup2(log, STDERR_FILENO);
        const std::string rate = std::to_string(setup_.rate);
        const std::string state = stateFile();
        ::execl(KERNEL_CAMERA_PROGRAM, KERNEL_CAMERA_PROGRAM, "--vid", setup_.vid.c_str(), "--pid",
                setup_.pid.c_str(), "--product", setup_.product.c_str(), "--formats",
                setup_.formats.c_str(), "--rate", rate.c_str(), "--state", state.c_str(), nullptr);
        ::_exit(127);
    }
}

bool KernelCamera::unplug(int seconds) {
    if (pid_ <= 0) {
        return true;
    }
    // The gadget is disconnected first and the program ended after the host has let the device
    // go: ended with a control request still queued on ep0, gadgetfs oopses in its release.
    const bool disconnected = writeText(kSoftConnect, "disconnect");
    const bool gone = testenv::waitUntil([&] { return videoNode().empty(); }, seconds * 1000, 100);
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    port_.clear();
    return (disconnected && gone) ||
           testenv::waitUntil([&] { return videoNode().empty(); }, seconds * 1000, 100);
}

bool KernelCamera::unbind(int seconds) {
    return !port_.empty() && writeText("/sys/bus/usb/drivers/usb/unbind", port_) &&
           testenv::waitUntil([&] { return videoNode().empty(); }, seconds * 1000, 100);
}

bool KernelCamera::bind(int seconds) {
    return !port_.empty() && writeText("/sys/bus/usb/drivers/usb/bind", port_) &&
           testenv::waitUntil([&] { return !videoNode().empty(); }, seconds * 1000, 100);
}

std::string KernelCamera::videoNode() const {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/class/video4linux", ec)) {
        // The capture node is index 0 of its device; the metadata node is index 1.
        if (firstLine(e.path() / "index") != "0") {
            continue;
        }
        const fs::path usb = fs::canonical(e.path() / "device", ec).parent_path();
        if (!ec && firstLine(usb / "idVendor") == setup_.vid &&
            firstLine(usb / "idProduct") == setup_.pid) {
            return "/dev/" + e.path().filename().string();
        }
    }
    return {};
}

std::string KernelCamera::usbPort() const {
    const std::string node = videoNode();
    if (node.empty()) {
        return {};
    }
    std::error_code ec;
    const fs::path dev = fs::path("/sys/class/video4linux") / fs::path(node).filename() / "device";
    return fs::canonical(dev, ec).parent_path().filename().string();
}

std::map<std::string, std::string> KernelCamera::state() const {
    std::map<std::string, std::string> out;
    std::ifstream in(stateFile());
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            out[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

std::string KernelCamera::value(const std::string& key) const {
    const auto s = state();
    const auto it = s.find(key);
    return it != s.end() ? it->second : std::string();
}

bool KernelCamera::waitFor(const std::string& key, const std::string& expected, int seconds) const {
    return testenv::waitUntil([&] { return value(key) == expected; }, seconds * 1000, 100);
}

void KernelCamera::appendToLog(const std::string& line) const {
    std::ofstream(guest::results() + "/camera.log", std::ios::app) << line;
}

std::string KernelCamera::log() const {
    std::ifstream in(guest::results() + "/camera.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
