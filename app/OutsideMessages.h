// The per-user socket through which other programs send the window its two messages:
// one command per line, "1025" (a folder changed) or "1026" (rescan the gallery).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "MessageLines.h"

namespace platform {
class LocalListener;
}

class OutsideMessages : public QObject {
  public:
    // Listens on "<runtime dir>/<name>.sock" (user-only). Lines go to `target` as posted events
    // of type QEvent::User + the message number. A connection that sends nothing for
    // `idleLimit` is dropped.
    OutsideMessages(const std::string& name, QObject* target,
                    std::chrono::milliseconds idleLimit = kIdleLimit);
    ~OutsideMessages() override;

    bool listening() const;
    const std::string& path() const { return path_; }
    int connections() const { return served_; }

    // Other commands (beyond the two message numbers); answers whether the line was understood.
    std::function<bool(const std::string& line)> extraCommand;

    static constexpr size_t kMaxLineBytes = app::MessageLines::kMaxLineBytes;
    // Connections served at once; more wait in the listen queue until one ends.
    static constexpr int kMaxConnections = 16;
    static constexpr std::chrono::milliseconds kIdleLimit{3000};

  private:
    void onConnection(int fd);
    std::string answer(const std::vector<app::MessageLines::Line>& lines);
    bool handleLine(const std::string& line);

    QObject* target_;
    std::string path_;
    std::chrono::milliseconds idleLimit_;
    int served_ = 0;
    std::unique_ptr<platform::LocalListener> listener_;
};
