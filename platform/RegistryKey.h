// Per-user settings keys shaped like registry keys, stored as Qt INI files.
//
// A key "Software\Vendor\Product" is the file <config>/Vendor/Product.conf; a subkey below it
// ("Software\Vendor\Product\GRM") is a group of that file. Values keep their names exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSettings;

namespace platform {

// Win32 error numbers, so callers can tell "not found" from other failures.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorInvalidData = 13;
constexpr int32_t kErrorWriteFault = 29;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;

enum class RegRoot {
    CurrentUser,  // $XDG_CONFIG_HOME (default ~/.config)
    DefaultUser,  // the default profile: the first of $XDG_CONFIG_DIRS (default /etc/xdg) holding
                  // the file
};

class RegistryKey {
  public:
    RegistryKey();
    ~RegistryKey();
    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // kErrorFileNotFound when neither the file nor the group exists; with `create` both are made.
    int32_t open(RegRoot root, const std::string& path, bool create = false);
    // Writes pending changes; returns kErrorWriteFault when the file could not be written.
    int32_t close();
    bool isOpen() const { return settings_ != nullptr; }

    // A value that is missing or does not parse as a 32-bit number fails; `out` is then untouched.
    int32_t queryDword(const std::string& name, uint32_t& out) const;
    // Copies the text and its terminating zero into `buffer` of `size` bytes. When it does not
    // fit: kErrorMoreData, `size` set to the bytes needed, `buffer` untouched.
    int32_t queryString(const std::string& name, char* buffer, uint32_t& size) const;
    int32_t setDword(const std::string& name, uint32_t value);
    int32_t setString(const std::string& name, const std::string& value);
    int32_t deleteValue(const std::string& name);

    // Values of this key in a stable order; kErrorNoMoreItems past the last.
    int32_t enumValue(uint32_t index, std::string& name, std::string& data) const;
    std::vector<std::string> valueNames() const;
    std::vector<std::string> subkeys() const;

    // Where a key lives; empty when the path names no file (fewer than three parts).
    static std::string filePathFor(RegRoot root, const std::string& path);
    // The directories searched for RegRoot::DefaultUser, in order.
    static std::vector<std::string> defaultProfileDirs();

  private:
    friend bool copyDefaultProfileKey(const std::string& path);

    std::unique_ptr<QSettings> settings_;
    std::string group_;  // "" for the file's top level, else "A/B"
};

// Copies the default profile's key file to the current user's, as a copy of the whole key.
// True when the user's key exists afterwards.
bool copyDefaultProfileKey(const std::string& path);

}  // namespace platform
