// usbmon's text interface ("u"), one line per URB event; a control request's submission reads
//   <tag> <time> S Co:<bus>:<dev>:0 s <bmRequestType> <bRequest> <wValue> <wIndex> <wLength>
//   <length> = <data words>
// with the data as hex words of up to four bytes in wire order.
#include "UsbControlLog.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "GuestSystem.h"

namespace {

constexpr char kAllBuses[] = "/sys/kernel/debug/usb/usbmon/0u";
constexpr int kSetCur = 0x01;
constexpr int kClassInterfaceOut = 0x21;

// Bytes of the data words, in wire order.
std::vector<int> bytesOf(std::istringstream& words) {
    std::vector<int> bytes;
    std::string word;
    while (words >> word) {
        for (size_t i = 0; i + 1 < word.size(); i += 2) {
            bytes.push_back(std::stoi(word.substr(i, 2), nullptr, 16));
        }
    }
    return bytes;
}

}  // namespace

UsbControlLog::UsbControlLog() : file_(guest::results() + "/usbmon.txt") {
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int in = ::open(kAllBuses, O_RDONLY | O_CLOEXEC);
        if (out < 0 || in < 0) {
            ::_exit(1);
        }
        char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(in, buf, sizeof buf)) > 0) {
            if (::write(out, buf, static_cast<size_t>(n)) != n) {
                ::_exit(1);
            }
        }
        ::_exit(0);
    }
}

UsbControlLog::~UsbControlLog() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> UsbControlLog::lastSetCur(int unit, int selector) const {
    std::ifstream in(file_);
    std::string line;
    std::optional<int> last;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tag, time, event, address, setup;
        int type = 0, request = 0, value = 0, index = 0, length = 0;
        fields >> tag >> time >> event >> address >> setup >> std::hex >> type >> request >>
            value >> index >> length;
        if (!fields || event != "S" || address.rfind("Co:", 0) != 0 || setup != "s" ||
            type != kClassInterfaceOut || request != kSetCur || (value >> 8) != selector ||
            (index >> 8) != unit) {
            continue;
        }
        std::string count, equals;
        fields >> std::dec >> count >> equals;
        const std::vector<int> bytes = bytesOf(fields);
        if (equals != "=" || bytes.empty()) {
            continue;
        }
        last = bytes.size() == 1 ? static_cast<int>(static_cast<int8_t>(bytes[0]))
                                 : static_cast<int>(static_cast<int16_t>(bytes[0] | bytes[1] << 8));
    }
    return last;
}
