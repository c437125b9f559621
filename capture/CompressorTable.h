// The supported-compressor table: up to 100 name fragments with a keep/hide flag, read from a
// settings key, and the case-insensitive hide rule of the compressor lists.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CompressorTable {
  public:
    static constexpr size_t kEntries = 100;
    static constexpr size_t kMaxNameBytes = 511;

    struct Entry {
        std::string name;  // empty: unused, never matches
        uint8_t flag = 0;  // 0 hides compressors whose name contains `name`
    };

    // Loads the values of the current user's key `path` in order: the value name as the
    // fragment (cut to 511 bytes), flag 1 when its 32-bit data is non-zero. A value that is not a
    // number counts as 0; values past the 100th are ignored; a missing key leaves the table empty.
    void load(const std::string& path);
    void clear();
    void set(size_t index, const std::string& name, uint8_t flag);
    const Entry& entry(size_t index) const { return entries_.at(index); }

    // True when an entry with flag 0 occurs, in any letter case, inside the friendly name.
    bool hides(const std::string& friendlyName) const;

  private:
    std::array<Entry, kEntries> entries_{};
};
