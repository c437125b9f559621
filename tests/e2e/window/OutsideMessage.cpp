// One connection per line, as a script would make it.
#include "OutsideMessage.h"

#include <QLocalSocket>

std::string sendOutsideMessage(const std::string& socketPath, const std::string& line) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketPath));
    if (!socket.waitForConnected(3000)) {
        return "";
    }
    socket.write((line + "\n").c_str());
    socket.flush();
    socket.waitForReadyRead(3000);
    return socket.readLine().trimmed().toStdString();
}
