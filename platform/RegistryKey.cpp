// RegistryKey over QSettings INI files under the XDG configuration folders.
#include "RegistryKey.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "SettingsText.h"
#include "UserDirs.h"

namespace platform {
namespace {

struct KeyLocation {
    std::string relativeFile;  // "Vendor/Product.conf"
    std::string group;         // "" or "A/B"
    bool valid = false;
};

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

bool safeComponent(const std::string& part) {
    return part != "." && part != ".." && part.find('/') == std::string::npos &&
           part.find('\0') == std::string::npos;
}

KeyLocation locate(const std::string& path) {
    std::vector<std::string> parts = splitPath(path);
    if (!parts.empty() &&
        QString::fromStdString(parts[0]).compare("Software", Qt::CaseInsensitive) == 0) {
        parts.erase(parts.begin());
    }
    KeyLocation loc;
    if (parts.size() < 2) {
        return loc;
    }
    for (const std::string& p : parts) {
        if (!safeComponent(p)) {
            return loc;
        }
    }
    loc.relativeFile = parts[0] + "/" + parts[1] + ".conf";
    for (size_t i = 2; i < parts.size(); ++i) {
        loc.group += (loc.group.empty() ? "" : "/") + parts[i];
    }
    loc.valid = true;
    return loc;
}

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config";
}

QString keyOf(const std::string& group, const std::string& name) {
    return QString::fromStdString(group.empty() ? name : group + "/" + name);
}

// The value as text; INI lists ("a, b" written without quotes) come back joined.
// Read before Qt parses the file: a value Qt would decode as a serialised object is refused with
// the whole file (no value of ours is one), and so is a file too large to be settings.
bool holdsPlainSettings(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) ||
        file.size() > static_cast<qint64>(kMaxSettingsFileBytes)) {
        return false;
    }
    const QByteArray text = file.read(static_cast<qint64>(kMaxSettingsFileBytes) + 1);
    return text.size() <= static_cast<qsizetype>(kMaxSettingsFileBytes) &&
           isPlainSettingsText(
               std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

bool valueText(const QSettings& s, const QString& key, std::string& out) {
    const QVariant v = s.value(key);
    if (!v.isValid()) {
        return false;
    }
    if (v.typeId() == QMetaType::QStringList) {
        out = v.toStringList().join(", ").toStdString();
    } else if (v.typeId() == QMetaType::QByteArray) {
        out = v.toByteArray().toStdString();
    } else {
        out = v.toString().toStdString();
    }
    return true;
}

// Finds the group path with the letter case the file uses; keys' own names are exact.
bool resolveGroup(QSettings& s, const std::string& wanted, std::string& actual) {
    actual.clear();
    if (wanted.empty()) {
        return true;
    }
    QStringList parts = QString::fromStdString(wanted).split('/');
    int depth = 0;
    bool ok = true;
    for (const QString& part : parts) {
        QString match;
        for (const QString& g : s.childGroups()) {
            if (g.compare(part, Qt::CaseInsensitive) == 0) {
                match = g;
                break;
            }
        }
        if (match.isEmpty()) {
            ok = false;
            break;
        }
        s.beginGroup(match);
        ++depth;
        actual += (actual.empty() ? "" : "/") + match.toStdString();
    }
    while (depth-- > 0) {
        s.endGroup();
    }
    return ok;
}

}  // namespace

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() {
    close();
}
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        close();
        settings_ = std::move(other.settings_);
        group_ = std::move(other.group_);
    }
    return *this;
}

std::vector<std::string> RegistryKey::defaultProfileDirs() {
    const char* env = std::getenv("XDG_CONFIG_DIRS");
    std::string list = (env != nullptr && *env != '\0') ? env : "/etc/xdg";
#ifdef PEEKBOX_SYSCONF_XDG_DIR
    if (env == nullptr || *env == '\0') {
        list += ":" PEEKBOX_SYSCONF_XDG_DIR;  // an install under another prefix
    }
#endif
    return absoluteDirList(list);
}

std::string RegistryKey::filePathFor(RegRoot root, const std::string& path) {
    const KeyLocation loc = locate(path);
    if (!loc.valid) {
        return {};
    }
    if (root == RegRoot::CurrentUser) {
        return configHome() + "/" + loc.relativeFile;
    }
    const std::vector<std::string> dirs = defaultProfileDirs();
    for (const std::string& dir : dirs) {
        const std::string candidate = dir + "/" + loc.relativeFile;
        if (QFileInfo::exists(QString::fromStdString(candidate))) {
            return candidate;
        }
    }
    return dirs.empty() ? std::string() : dirs.front() + "/" + loc.relativeFile;
}

int32_t RegistryKey::open(RegRoot root, const std::string& path, bool create) {
    close();
    const KeyLocation loc = locate(path);
    if (!loc.valid) {
        return kErrorFileNotFound;
    }
    const std::string file = filePathFor(root, path);
    const QString qfile = QString::fromStdString(file);
    const QFileInfo info(qfile);
    const bool mayCreate = create && root == RegRoot::CurrentUser;
    if (!info.exists()) {
        if (!mayCreate) {
            return kErrorFileNotFound;
        }
        if (!makePrivateDirs(info.absolutePath().toStdString())) {
            return kErrorAccessDenied;
        }
    } else if (!info.isFile() || !info.isReadable() || !holdsPlainSettings(file)) {
        return kErrorAccessDenied;
    }

    auto settings = std::make_unique<QSettings>(qfile, QSettings::IniFormat);
    // Qt keeps parsed files in a process-wide cache; sync() re-reads a file that changed on disk
    // since (another program, or the user, may have edited it while we run).
    settings->sync();
    std::string actualGroup;
    if (!resolveGroup(*settings, loc.group, actualGroup)) {
        if (!mayCreate) {
            return kErrorFileNotFound;
        }
        actualGroup = loc.group;  // the group appears with its first value
    }
    settings_ = std::move(settings);
    group_ = actualGroup;
    return kErrorSuccess;
}

int32_t RegistryKey::close() {
    if (!settings_) {
        return kErrorSuccess;
    }
    settings_->sync();
    const bool ok = settings_->status() != QSettings::AccessError;
    settings_.reset();
    group_.clear();
    return ok ? kErrorSuccess : kErrorWriteFault;
}

int32_t RegistryKey::queryDword(const std::string& name, uint32_t& out) const {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    std::string text;
    if (!valueText(*settings_, keyOf(group_, name), text)) {
        return kErrorFileNotFound;
    }
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    if (*begin == '\0') {
        return kErrorInvalidData;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 0);
    while (end != nullptr && (*end == ' ' || *end == '\t')) {
        ++end;
    }
    if (errno != 0 || end == nullptr || *end != '\0' ||
        value < std::numeric_limits<int32_t>::min() ||
        value > static_cast<long long>(std::numeric_limits<uint32_t>::max())) {
        return kErrorInvalidData;
    }
    out = static_cast<uint32_t>(value);
    return kErrorSuccess;
}

int32_t RegistryKey::queryString(const std::string& name, char* buffer, uint32_t& size) const {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    std::string text;
    if (!valueText(*settings_, keyOf(group_, name), text)) {
        return kErrorFileNotFound;
    }
    const size_t needed = std::strlen(text.c_str()) + 1;  // up to the first zero byte
    if (buffer == nullptr || needed > size) {
        size =
            static_cast<uint32_t>(std::min<size_t>(needed, std::numeric_limits<uint32_t>::max()));
        return kErrorMoreData;
    }
    std::memcpy(buffer, text.c_str(), needed);
    size = static_cast<uint32_t>(needed);
    return kErrorSuccess;
}

int32_t RegistryKey::setDword(const std::string& name, uint32_t value) {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    settings_->setValue(keyOf(group_, name), static_cast<qulonglong>(value));
    return kErrorSuccess;
}

int32_t RegistryKey::setString(const std::string& name, const std::string& value) {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    settings_->setValue(keyOf(group_, name), QString::fromStdString(value));
    return kErrorSuccess;
}

int32_t RegistryKey::deleteValue(const std::string& name) {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    const QString key = keyOf(group_, name);
    if (!settings_->contains(key)) {
        return kErrorFileNotFound;
    }
    settings_->remove(key);
    return kErrorSuccess;
}

std::vector<std::string> RegistryKey::valueNames() const {
    std::vector<std::string> names;
    if (!settings_) {
        return names;
    }
    if (!group_.empty()) {
        settings_->beginGroup(QString::fromStdString(group_));
    }
    for (const QString& k : settings_->childKeys()) {
        names.push_back(k.toStdString());
    }
    if (!group_.empty()) {
        settings_->endGroup();
    }
    return names;
}

std::vector<std::string> RegistryKey::subkeys() const {
    std::vector<std::string> names;
    if (!settings_) {
        return names;
    }
    if (!group_.empty()) {
        settings_->beginGroup(QString::fromStdString(group_));
    }
    for (const QString& g : settings_->childGroups()) {
        names.push_back(g.toStdString());
    }
    if (!group_.empty()) {
        settings_->endGroup();
    }
    return names;
}

int32_t RegistryKey::enumValue(uint32_t index, std::string& name, std::string& data) const {
    if (!settings_) {
        return kErrorInvalidHandle;
    }
    const std::vector<std::string> names = valueNames();
    if (index >= names.size()) {
        return kErrorNoMoreItems;
    }
    name = names[index];
    data.clear();
    valueText(*settings_, keyOf(group_, name), data);
    return kErrorSuccess;
}

bool copyDefaultProfileKey(const std::string& path) {
    const KeyLocation loc = locate(path);
    if (!loc.valid) {
        return false;
    }
    const QString source =
        QString::fromStdString(RegistryKey::filePathFor(RegRoot::DefaultUser, path));
    if (source.isEmpty() || !QFileInfo(source).isFile() ||
        !holdsPlainSettings(source.toStdString())) {
        return false;
    }
    QSettings from(source, QSettings::IniFormat);
    std::string group;
    if (!resolveGroup(from, loc.group, group)) {
        return false;
    }
    RegistryKey to;
    if (to.open(RegRoot::CurrentUser, path, /*create=*/true) != kErrorSuccess) {
        return false;
    }
    if (!group.empty()) {
        from.beginGroup(QString::fromStdString(group));
    }
    // Values and every subkey below, merged into what the user already has.
    for (const QString& key : from.allKeys()) {
        to.settings_->setValue(keyOf(to.group_, key.toStdString()), from.value(key));
    }
    return to.close() == kErrorSuccess;
}

}  // namespace platform
