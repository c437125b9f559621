// The message socket: a listener that survives descriptor shortages, at most kMaxConnections
// served at once, each cut into lines by MessageLines and answered line by line.
#include "OutsideMessages.h"

#include <QCoreApplication>
#include <QEvent>

#include "app/gallery/Notify.h"
#include "platform/LocalConnection.h"
#include "platform/LocalListener.h"
#include "platform/UserDirs.h"

OutsideMessages::OutsideMessages(const std::string& name, QObject* target,
                                 std::chrono::milliseconds idleLimit)
    : target_(target), path_(platform::runtimeDir() + "/" + name + ".sock"), idleLimit_(idleLimit) {
    listener_ =
        std::make_unique<platform::LocalListener>(path_, [this](int fd) { onConnection(fd); });
}

// The connections are children and close with us.
OutsideMessages::~OutsideMessages() = default;

bool OutsideMessages::listening() const {
    return listener_->listening();
}

void OutsideMessages::onConnection(int fd) {
    ++served_;
    listener_->setPaused(served_ >= kMaxConnections);
    auto lines = std::make_shared<app::MessageLines>();
    new platform::LocalConnection(
        fd, idleLimit_,
        [this, lines](std::string_view received, bool ended) {
            return answer(ended ? lines->end() : lines->feed(received));
        },
        [this] {
            --served_;
            listener_->setPaused(served_ >= kMaxConnections);
        },
        this);
}

std::string OutsideMessages::answer(const std::vector<app::MessageLines::Line>& lines) {
    std::string out;
    for (const app::MessageLines::Line& line : lines) {
        out += !line.tooLong && handleLine(line.text) ? "ok\n" : "unknown\n";
    }
    return out;
}

bool OutsideMessages::handleLine(const std::string& line) {
    if (line == "1025" || line == "1026") {
        const uint32_t message =
            line == "1025" ? gallery::WM_FOLDERCHANGED : gallery::WM_RESCANGALLERY;
        QCoreApplication::postEvent(target_,
                                    new QEvent(static_cast<QEvent::Type>(QEvent::User + message)));
        return true;
    }
    return extraCommand && extraCommand(line);
}
