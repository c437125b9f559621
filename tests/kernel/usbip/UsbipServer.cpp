// Sockets and the connection phases of the USB/IP server.
#include "UsbipServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace usbip {
namespace {

bool readAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t r = ::recv(fd, p, n, 0);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return false;
        }
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool writeAll(int fd, const Bytes& b) {
    const uint8_t* p = b.data();
    size_t n = b.size();
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool writeAll(int fd, const std::vector<Bytes>& replies) {
    for (const Bytes& b : replies) {
        if (!writeAll(fd, b)) {
            return false;
        }
    }
    return true;
}

}  // namespace

UsbipServer::UsbipServer(MicrophoneDevice& device, std::string busId, uint16_t port)
    : device_(device), busId_(std::move(busId)), port_(port) {}

UsbipServer::~UsbipServer() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

bool UsbipServer::listen() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port_);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listenFd_, 4) != 0) {
        std::fprintf(stderr, "usbip-microphone: cannot listen on 127.0.0.1:%u: %s\n", port_,
                     std::strerror(errno));
        return false;
    }
    socklen_t size = sizeof a;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    return true;
}

bool UsbipServer::serveNext() {
    int fd = -1;
    do {
        fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        std::fprintf(stderr, "usbip-microphone: accept: %s\n", std::strerror(errno));
        return false;
    }
    serve(fd);
    ::close(fd);
    return true;
}

void UsbipServer::run() {
    while (serveNext()) {
    }
}

void UsbipServer::serve(int fd) {
    uint8_t head[kOpHeaderBytes];
    if (!readAll(fd, head, sizeof head)) {
        return;
    }
    const OpHeader op = parseOpHeader(head);
    const ExportedDevice exported = device_.descriptors().exported(busId_);
    if (op.code == kOpReqDevlist) {
        Bytes reply = opReply(kOpRepDevlist, 0);
        reply.insert(reply.end(), {0, 0, 0, 1});  // one device
        appendDevice(reply, exported, true);
        writeAll(fd, reply);
        return;
    }
    if (op.code != kOpReqImport) {
        std::fprintf(stderr, "usbip-microphone: unknown operation 0x%04x\n", op.code);
        return;
    }
    uint8_t busId[kBusIdBytes];
    if (!readAll(fd, busId, sizeof busId)) {
        return;
    }
    const std::string asked(reinterpret_cast<char*>(busId),
                            strnlen(reinterpret_cast<char*>(busId), sizeof busId));
    if (asked != busId_) {
        std::fprintf(stderr, "usbip-microphone: import of unknown bus id \"%s\"\n", asked.c_str());
        writeAll(fd, opReply(kOpRepImport, 1));
        return;
    }
    Bytes reply = opReply(kOpRepImport, 0);
    appendDevice(reply, exported, false);
    if (!writeAll(fd, reply)) {
        return;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::fprintf(stderr, "usbip-microphone: imported as %s\n", busId_.c_str());
    const uint64_t before = device_.samplesSent();
    carryUrbs(fd);
    device_.reset();
    std::fprintf(stderr, "usbip-microphone: detached after %llu samples\n",
                 static_cast<unsigned long long>(device_.samplesSent() - before));
}

void UsbipServer::carryUrbs(int fd) {
    using Clock = MicrophoneDevice::Clock;
    for (;;) {
        int timeoutMs = -1;
        if (const auto next = device_.nextDue()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
            timeoutMs = static_cast<int>(std::max<int64_t>(0, wait.count()));
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (!writeAll(fd, device_.due(Clock::now()))) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        uint8_t head[kUrbHeaderBytes];
        if (!readAll(fd, head, sizeof head)) {
            return;  // the host detached
        }
        const UrbCommand c = parseUrbCommand(head);
        Bytes out;
        std::vector<IsoPacket> iso;
        if (c.command == kCmdSubmit) {
            if (c.direction != kDirIn && c.bufferLength > 0) {
                out.resize(static_cast<size_t>(c.bufferLength));
                if (!readAll(fd, out.data(), out.size())) {
                    return;
                }
            }
            // Packet descriptors come with isochronous URBs only, which this device has on
            // its streaming endpoint; other URBs carry a packet count of 0 or -1.
            if (c.endpoint == (kStreamEndpoint & 0x0f) && c.numberOfPackets > 0) {
                Bytes raw(static_cast<size_t>(c.numberOfPackets) * kIsoDescriptorBytes);
                if (!readAll(fd, raw.data(), raw.size())) {
                    return;
                }
                iso = parseIsoPackets(raw.data(), static_cast<size_t>(c.numberOfPackets));
            }
        } else if (c.command != kCmdUnlink) {
            std::fprintf(stderr, "usbip-microphone: unknown command %u\n", c.command);
            return;
        }
        if (!writeAll(fd, device_.command(c, out, std::move(iso), Clock::now()))) {
            return;
        }
    }
}

}  // namespace usbip
