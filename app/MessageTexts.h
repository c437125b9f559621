// The localisable message texts: defaults from the edition, replaced by the user's language.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "editions/Edition.h"

namespace app {

class MessageTexts {
  public:
    explicit MessageTexts(const editions::Edition& edition);

    // Every text back to its built-in default.
    void SetDefaultTexts();
    // Every text back to its default, except the overwrite question (text 10), which keeps
    // whatever it holds.
    void RestoreDefaultsExceptFileExist();

    // The numbered table: ids 1..count().
    size_t count() const { return texts_.size(); }
    // Every id the edition has: the numbered ones, then those from MSG_FIRST_EXTRA on.
    std::vector<int> ids() const;
    // An id the edition lacks gives an empty text.
    const std::string& text(int id) const;
    void set(int id, const std::string& value);
    const char* valueName(int id) const;

    // The overwrite question for `fileName`. The text comes from a settings file and is never
    // used as a printf format: the first "%s" receives the name, every other '%' stays literal.
    std::string formatFileExist(const std::string& fileName) const;

    static constexpr size_t kMaxTextBytes = 512;  // including the terminating zero

  private:
    const std::string* find(int id) const;
    std::string* slot(int id);
    const editions::MessageTextDef* definition(int id) const;

    const editions::Edition& edition_;
    std::vector<std::string> texts_;
    std::vector<std::string> extras_;
};

// Substitutes `value` for the first "%s" of `pattern`; nothing else is interpreted.
std::string substituteFirstS(const std::string& pattern, const std::string& value);

}  // namespace app
