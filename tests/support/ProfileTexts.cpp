// A reader of its own, so that a text Qt would split or cut shows up as a difference.
#include "support/ProfileTexts.h"

#include <cstdlib>
#include <fstream>

namespace testenv {

const std::vector<TestLanguage>& testLanguages() {
    static const std::vector<TestLanguage> languages{
        {"de_DE.UTF-8", "GRM"}, {"fr_FR.UTF-8", "FRA"}, {"es_ES.UTF-8", "ESN"},
        {"it_IT.UTF-8", "ITA"}, {"ja_JP.UTF-8", "JPN"}, {"pt_PT.UTF-8", "PTG"},
        {"zh_TW.UTF-8", "CHT"}, {"zh_CN.UTF-8", "CHS"}, {"nl_NL.UTF-8", ""},
    };
    return languages;
}

std::vector<std::string> testLocaleNames() {
    std::vector<std::string> names;
    for (const TestLanguage& l : testLanguages()) {
        names.emplace_back(l.locale);
    }
    return names;
}

std::string shippedProfile(const std::string& fileName) {
    const char* source = std::getenv("PEEKBOX_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/resources/xdg/Tarnwick/" + fileName;
}

namespace {

// Each "name=value" line of `[group]`, as written.
std::vector<std::pair<std::string, std::string>> groupLines(const std::string& path,
                                                            const std::string& group) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::ifstream in(path);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const size_t eq = line.find('=');
        if (inGroup && eq != std::string::npos) {
            lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return lines;
}

bool isQuoted(const std::string& value) {
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

}  // namespace

std::vector<std::string> unquotedCommas(const std::string& path, const std::string& group) {
    std::vector<std::string> names;
    for (const auto& [name, value] : groupLines(path, group)) {
        if (value.find(',') != std::string::npos && !isQuoted(value)) {
            names.push_back(name);
        }
    }
    return names;
}

std::map<std::string, std::string> iniGroup(const std::string& path, const std::string& group) {
    std::map<std::string, std::string> values;
    for (auto [name, value] : groupLines(path, group)) {
        if (isQuoted(value)) {
            std::string unquoted;
            for (size_t i = 1; i + 1 < value.size(); ++i) {
                if (value[i] == '\\' && i + 2 < value.size()) {
                    ++i;
                }
                unquoted += value[i];
            }
            value = unquoted;
        }
        values[name] = value;
    }
    return values;
}

}  // namespace testenv
