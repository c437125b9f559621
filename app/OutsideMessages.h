// The per-user socket through which other programs send the window its two messages:
// one command per line, "1025" (a folder changed) or "1026" (rescan the gallery).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QObject>

class QLocalServer;
class QLocalSocket;

class OutsideMessages : public QObject {
public:
    // Listens on "<runtime dir>/<name>.sock" (user-only). Lines go to `target` as posted events
    // of type QEvent::User + the message number.
    OutsideMessages(const std::string& name, QObject* target);
    ~OutsideMessages() override;

    bool listening() const;
    const std::string& path() const { return path_; }

    // Other commands (beyond the two message numbers); answers whether the line was understood.
    std::function<bool(const std::string& line)> extraCommand;

    static constexpr int kMaxLineBytes = 256;

private:
    void onConnection();
    void onReadable(QLocalSocket* socket);
    bool handleLine(const std::string& line);

    QObject* target_;
    std::string path_;
    std::unique_ptr<QLocalServer> server_;
};
