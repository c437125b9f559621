// The shipped default profiles' language groups, read the way an administrator reads the file,
// and the locales that choose them.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace testenv {

struct TestLanguage {
    const char* locale;  // as LANG holds it
    const char* group;   // the group it reads; "" for a language outside the table
};

// How a test's name shows it.
inline void PrintTo(const TestLanguage& language, std::ostream* out) {
    *out << language.locale;
}

// One locale per group, and one outside the table.
const std::vector<TestLanguage>& testLanguages();
std::vector<std::string> testLocaleNames();

// The tree's default profile `fileName` ("Peekbox.conf").
std::string shippedProfile(const std::string& fileName);

// The "name=value" lines of `[group]` in an INI file. A value in double quotes is taken whole,
// with \" and \\ inside; an unquoted one runs to the end of its line.
std::map<std::string, std::string> iniGroup(const std::string& path, const std::string& group);
// The names in `[group]` whose value holds a comma without being quoted (Qt reads a list then).
std::vector<std::string> unquotedCommas(const std::string& path, const std::string& group);

}  // namespace testenv
