// CompressorTable: loading from the settings key and the hide rule.
#include "CompressorTable.h"

#include <QString>

#include "platform/RegistryKey.h"

namespace {

// Cut to at most `bytes` bytes without leaving half a UTF-8 sequence at the end.
std::string cutUtf8(const std::string& s, size_t bytes) {
    if (s.size() <= bytes) {
        return s;
    }
    size_t n = bytes;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0u) == 0x80u) {
        --n;
    }
    return s.substr(0, n);
}

QString upper(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toUpper();
}

}  // namespace

void CompressorTable::clear() {
    entries_.fill(Entry{});
}

void CompressorTable::set(size_t index, const std::string& name, uint8_t flag) {
    entries_.at(index) = Entry{cutUtf8(name, kMaxNameBytes), flag};
}

void CompressorTable::load(const std::string& path) {
    platform::RegistryKey key;
    if (key.open(platform::RegRoot::CurrentUser, path) != platform::kErrorSuccess) {
        return;
    }
    const std::vector<std::string> names = key.valueNames();
    for (size_t i = 0; i < names.size() && i < kEntries; ++i) {
        uint32_t data = 0;
        if (key.queryDword(names[i], data) != platform::kErrorSuccess) {
            data = 0;
        }
        set(i, names[i], data != 0 ? 1 : 0);
    }
    key.close();
}

bool CompressorTable::hides(const std::string& friendlyName) const {
    const QString name = upper(friendlyName);
    for (const Entry& e : entries_) {
        if (e.flag == 0 && !e.name.empty() && name.contains(upper(e.name))) {
            return true;
        }
    }
    return false;
}
