// XDG pictures/videos folders through QStandardPaths, which reads user-dirs.dirs.
#include "KnownFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

namespace platform {
namespace {
std::string located(QStandardPaths::StandardLocation location) {
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty()) {
        return {};
    }
    const std::string folder = QDir::cleanPath(path).toStdString();
    usableFolder(folder);  // made now where it can be; checked again before each write
    return folder;
}
}  // namespace

std::string picturesFolder() {
    return located(QStandardPaths::PicturesLocation);
}
std::string videosFolder() {
    return located(QStandardPaths::MoviesLocation);
}

bool usableFolder(const std::string& folder) {
    if (folder.empty() || !QDir().mkpath(QString::fromStdString(folder))) {
        return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace platform
