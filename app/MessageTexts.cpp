// Message texts with safe formatting of the one text that takes an argument.
#include "MessageTexts.h"

#include <utility>

namespace app {

MessageTexts::MessageTexts(const editions::Edition& edition)
    : edition_(edition), texts_(edition.messageTexts.size()), extras_(edition.extraTexts.size()) {
    SetDefaultTexts();
}

std::vector<int> MessageTexts::ids() const {
    std::vector<int> all;
    for (size_t i = 0; i < texts_.size(); ++i) {
        all.push_back(static_cast<int>(i) + 1);
    }
    for (size_t i = 0; i < extras_.size(); ++i) {
        all.push_back(editions::MSG_FIRST_EXTRA + static_cast<int>(i));
    }
    return all;
}

const editions::MessageTextDef* MessageTexts::definition(int id) const {
    if (id >= 1 && static_cast<size_t>(id) <= edition_.messageTexts.size()) {
        return &edition_.messageTexts[static_cast<size_t>(id) - 1];
    }
    if (id >= editions::MSG_FIRST_EXTRA &&
        static_cast<size_t>(id - editions::MSG_FIRST_EXTRA) < edition_.extraTexts.size()) {
        return &edition_.extraTexts[static_cast<size_t>(id - editions::MSG_FIRST_EXTRA)];
    }
    return nullptr;
}

const std::string* MessageTexts::find(int id) const {
    if (id >= 1 && static_cast<size_t>(id) <= texts_.size()) {
        return &texts_[static_cast<size_t>(id) - 1];
    }
    if (id >= editions::MSG_FIRST_EXTRA &&
        static_cast<size_t>(id - editions::MSG_FIRST_EXTRA) < extras_.size()) {
        return &extras_[static_cast<size_t>(id - editions::MSG_FIRST_EXTRA)];
    }
    return nullptr;
}

std::string* MessageTexts::slot(int id) {
    return const_cast<std::string*>(std::as_const(*this).find(id));
}

void MessageTexts::SetDefaultTexts() {
    for (int id : ids()) {
        *slot(id) = definition(id)->defaultText;
    }
}

void MessageTexts::RestoreDefaultsExceptFileExist() {
    for (int id : ids()) {
        if (id != editions::MSG_FILEEXIST) {
            *slot(id) = definition(id)->defaultText;
        }
    }
}

const std::string& MessageTexts::text(int id) const {
    static const std::string empty;
    const std::string* value = find(id);
    return value != nullptr ? *value : empty;
}

void MessageTexts::set(int id, const std::string& value) {
    if (std::string* s = slot(id)) {
        *s = value;
    }
}

const char* MessageTexts::valueName(int id) const {
    const editions::MessageTextDef* def = definition(id);
    return def != nullptr ? def->valueName : "";
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
