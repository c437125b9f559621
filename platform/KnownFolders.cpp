// XDG pictures/videos folders through QStandardPaths, which reads user-dirs.dirs.
#include "KnownFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {
namespace {
std::string ensure(QStandardPaths::StandardLocation location) {
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QDir().mkpath(path)) {
        return {};
    }
    return QDir::cleanPath(path).toStdString();
}
}  // namespace

std::string picturesFolder() { return ensure(QStandardPaths::PicturesLocation); }
std::string videosFolder() { return ensure(QStandardPaths::MoviesLocation); }

}  // namespace platform
