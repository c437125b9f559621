// Settings store over the registry-shaped settings key.
#include "SettingsStore.h"

#include <optional>

#include "platform/RegistryKey.h"
#include "platform/Sleep.h"

namespace app {
namespace {

// The value's text; nothing when the value is missing or unreadable.
std::optional<std::string> stringValue(const platform::RegistryKey& key, const std::string& name) {
    uint32_t size = 0;
    if (key.queryString(name, nullptr, size) != platform::kErrorMoreData || size == 0) {
        return std::nullopt;
    }
    std::string text(size, '\0');
    if (key.queryString(name, text.data(), size) != platform::kErrorSuccess) {
        return std::nullopt;
    }
    text.resize(size - 1);
    return text;
}

// As stringValue, spaces around it dropped (a quoted value keeps them in the file).
std::optional<std::string> valueText(const platform::RegistryKey& key, const std::string& name) {
    std::optional<std::string> text = stringValue(key, name);
    if (!text) {
        return text;
    }
    const size_t first = text->find_first_not_of(" \t");
    const size_t last = text->find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text->substr(first, last - first + 1);
}

// Decimal digits only: no sign, no hexadecimal, no fraction.
std::optional<int32_t> wholeNumber(const std::string& text, int32_t max) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > max) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

class OptionalValues {
  public:
    OptionalValues(const platform::RegistryKey& key, std::vector<std::string>* problems)
        : key_(key), problems_(problems) {}

    void flag(const char* name, bool& out) {
        const std::optional<std::string> text = valueText(key_, name);
        if (!text) {
            return;
        }
        if (*text == "0" || *text == "1") {
            out = *text == "1";
            return;
        }
        report(name, "\"" + *text + "\" is not 0 or 1; " + (out ? "1" : "0") + " is kept");
    }

    void seconds(const char* name, int32_t max, int32_t& out) {
        const std::optional<std::string> text = valueText(key_, name);
        if (!text) {
            return;
        }
        if (const std::optional<int32_t> value = wholeNumber(*text, max)) {
            out = *value;
            return;
        }
        report(name, "\"" + *text + "\" is not a number of seconds from 0 to " +
                         std::to_string(max) + "; " + std::to_string(out) + " is kept");
    }

    void name(const char* valueName, std::string& out) {
        const std::optional<std::string> text = valueText(key_, valueName);
        if (!text) {
            return;
        }
        if (text->size() <= kMaxCompressorNameBytes) {
            out = *text;
            return;
        }
        report(valueName, "a name of " + std::to_string(text->size()) + " bytes is longer than " +
                              std::to_string(kMaxCompressorNameBytes) + "; none is used");
    }

  private:
    void report(const char* name, const std::string& what) {
        if (problems_ != nullptr) {
            problems_->push_back(std::string("[General] ") + name + ": " + what);
        }
    }

    const platform::RegistryKey& key_;
    std::vector<std::string>* problems_;
};

}  // namespace

using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::RegistryKey;
using platform::RegRoot;

bool SettingsStore::openAtStartup() {
    RegistryKey key;
    int32_t rc = key.open(RegRoot::CurrentUser, key_);
    if (rc == kErrorSuccess) {
        return true;
    }
    if (rc != kErrorFileNotFound) {
        return false;
    }
    platform::copyDefaultProfileKey(key_);
    platform::sleepMs(kCopyWaitMs);
    rc = key.open(RegRoot::CurrentUser, key_);
    return rc == kErrorSuccess;
}

void SettingsStore::read(StartupSettings& settings, std::vector<std::string>* problems) const {
    RegistryKey key;
    if (key.open(RegRoot::CurrentUser, key_) != kErrorSuccess) {
        return;
    }
    uint32_t value = 0;
    if (key.queryDword("HWOverlayDisable", value) == kErrorSuccess) {
        settings.overlayDisable = value != 0;
    }
    if (key.queryDword("Counter", value) == kErrorSuccess) {
        settings.counter = static_cast<int32_t>(value);
    }
    if (key.queryDword("Frequency", value) == kErrorSuccess) {
        settings.frequency = value;
    }
    OptionalValues optional(key, problems);
    optional.flag("ShowDate", settings.showDate);
    optional.flag("AddTimeStr", settings.addTimeStr);
    optional.seconds("MotionSnapshot", kMaxMotionSnapshotSeconds, settings.motionSnapshotSeconds);
    optional.name("CompressorName", settings.compressorName);
    optional.name("AudioCompressorName", settings.audioCompressorName);
}

std::vector<std::pair<std::string, std::string>> SettingsStore::readGroup(
    const std::string& group) const {
    std::vector<std::pair<std::string, std::string>> values;
    RegistryKey key;
    const RegRoot root = key.open(RegRoot::CurrentUser, key_) == kErrorFileNotFound
                             ? RegRoot::DefaultUser
                             : RegRoot::CurrentUser;
    if (key.open(root, key_ + "\\" + group) != kErrorSuccess) {
        return values;
    }
    for (const std::string& name : key.valueNames()) {
        values.emplace_back(name, stringValue(key, name).value_or(std::string()));
    }
    return values;
}

void SettingsStore::write(const ShutdownSettings& settings) const {
    RegistryKey key;
    if (key.open(RegRoot::CurrentUser, key_) != kErrorSuccess) {
        return;
    }
    key.setDword("Top", static_cast<uint32_t>(settings.top));
    key.setDword("Left", static_cast<uint32_t>(settings.left));
    key.setDword("Counter", static_cast<uint32_t>(settings.counter));
    key.setDword("ImageWidth", static_cast<uint32_t>(settings.imageWidth));
    key.setDword("ImageHeight", static_cast<uint32_t>(settings.imageHeight));
    key.setDword("Frequency", settings.frequency);
    key.close();  // an unwritable file keeps its old contents: QSettings replaces it atomically
}

}  // namespace app
