// QLocalServer on a user-only socket; each connection may send several lines.
#include "OutsideMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>

#include "app/gallery/Notify.h"
#include "platform/UserDirs.h"

OutsideMessages::OutsideMessages(const std::string& name, QObject* target)
    : target_(target), path_(platform::runtimeDir() + "/" + name + ".sock"), server_(std::make_unique<QLocalServer>()) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The single-instance lock is ours, so a socket left at this path is a dead one's.
    QLocalServer::removeServer(QString::fromStdString(path_));
    if (server_->listen(QString::fromStdString(path_))) {
        connect(server_.get(), &QLocalServer::newConnection, this, [this] { onConnection(); });
    }
}

OutsideMessages::~OutsideMessages() {
    if (server_->isListening()) {
        server_->close();
    }
}

bool OutsideMessages::listening() const { return server_->isListening(); }

void OutsideMessages::onConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        onReadable(socket);
    }
}

void OutsideMessages::onReadable(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray raw = socket->readLine(kMaxLineBytes + 1);
        const std::string line = raw.trimmed().toStdString();
        socket->write(handleLine(line) ? "ok\n" : "unknown\n");
    }
    if (socket->bytesAvailable() > kMaxLineBytes) {
        socket->disconnectFromServer();  // a line that never ends is not a command
    }
}

bool OutsideMessages::handleLine(const std::string& line) {
    if (line == "1025" || line == "1026") {
        const uint32_t message = line == "1025" ? gallery::WM_FOLDERCHANGED : gallery::WM_RESCANGALLERY;
        QCoreApplication::postEvent(target_, new QEvent(static_cast<QEvent::Type>(QEvent::User + message)));
        return true;
    }
    return extraCommand && extraCommand(line);
}
