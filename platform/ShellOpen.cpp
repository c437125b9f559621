// xdg-open launcher.
#include "ShellOpen.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform {

bool XdgShellOpener::open(const std::string& target, const std::string& workingDir) {
    if (target.empty()) {
        return false;
    }
    // decodeName keeps file names that are not valid UTF-8 intact on the way to the child.
    const QString arg = QFile::decodeName(QByteArray::fromStdString(target));
    return QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{arg},
                                   QFile::decodeName(QByteArray::fromStdString(workingDir)));
}

}  // namespace platform
