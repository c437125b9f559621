// Message texts with safe formatting of the one text that takes an argument.
#include "MessageTexts.h"

namespace app {

MessageTexts::MessageTexts(const editions::Edition& edition)
    : edition_(edition), texts_(edition.messageTexts.size()) {
    SetDefaultTexts();
}

void MessageTexts::SetDefaultTexts() {
    for (size_t i = 0; i < texts_.size(); ++i) {
        texts_[i] = edition_.messageTexts[i].defaultText;
    }
}

void MessageTexts::RestoreDefaultsExceptFileExist() {
    for (size_t i = 0; i < texts_.size(); ++i) {
        if (static_cast<int>(i) + 1 != editions::MSG_FILEEXIST) {
            texts_[i] = edition_.messageTexts[i].defaultText;
        }
    }
}

const std::string& MessageTexts::text(int id) const {
    static const std::string empty;
    if (id < 1 || static_cast<size_t>(id) > texts_.size()) {
        return empty;
    }
    return texts_[static_cast<size_t>(id) - 1];
}

void MessageTexts::set(int id, const std::string& value) {
    if (id >= 1 && static_cast<size_t>(id) <= texts_.size()) {
        texts_[static_cast<size_t>(id) - 1] = value;
    }
}

const char* MessageTexts::valueName(int id) const {
    if (id < 1 || static_cast<size_t>(id) > texts_.size()) {
        return "";
    }
    return edition_.messageTexts[static_cast<size_t>(id) - 1].valueName;
}

std::string substituteFirstS(const std::string& pattern, const std::string& value) {
    const size_t at = pattern.find("%s");
    if (at == std::string::npos) {
        return pattern;
    }
    return pattern.substr(0, at) + value + pattern.substr(at + 2);
}

std::string MessageTexts::formatFileExist(const std::string& fileName) const {
    return substituteFirstS(text(editions::MSG_FILEEXIST), fileName);
}

}  // namespace app
