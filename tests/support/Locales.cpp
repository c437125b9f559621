// Locales are made once into the build folder and kept for later runs; a lock file keeps test
// processes that run side by side from making the same one twice.
#include "support/Locales.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace testenv {
namespace {

bool allLoad(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        locale_t l = ::newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
        if (l == static_cast<locale_t>(nullptr)) {
            return false;
        }
        ::freelocale(l);
    }
    return true;
}

// "de_DE.UTF-8" from the system's sources, into `dir`/de_DE.UTF-8.
bool make(const std::string& dir, const std::string& name) {
    const std::string target = dir + "/" + name;
    if (std::filesystem::exists(target + "/LC_CTYPE")) {
        return true;
    }
    const size_t dot = name.find('.');
    const std::string input = name.substr(0, dot);
    const std::string charmap = dot == std::string::npos ? "UTF-8" : name.substr(dot + 1);
    const std::string partial = target + ".partial";
    std::filesystem::remove_all(partial);
    // -c: the sources' own harmless warnings must not stop the output.
    const std::string command =
        "localedef -c -i " + input + " -f " + charmap + " '" + partial + "' >/dev/null 2>&1";
    std::system(command.c_str());
    if (!std::filesystem::exists(partial + "/LC_CTYPE")) {
        return false;
    }
    std::filesystem::rename(partial, target);
    return true;
}

}  // namespace

std::optional<std::string> ensureLocales(const std::vector<std::string>& names) {
    const char* previous = std::getenv("LOCPATH");
    const std::string saved = previous != nullptr ? previous : "";
    ::unsetenv("LOCPATH");
    if (allLoad(names)) {
        return std::string();
    }
    // With LOCPATH set the C library reads no other locale, so every one is made there.
    const char* build = std::getenv("PEEKBOX_BUILD_DIR");
    const std::string dir = std::string(build != nullptr ? build : ".") + "/test-locales";
    std::filesystem::create_directories(dir);
    const int lock = ::open((dir + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ::flock(lock, LOCK_EX);
    bool made = true;
    for (const std::string& name : names) {
        made = made && make(dir, name);
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    ::setenv("LOCPATH", dir.c_str(), 1);
    made = made && allLoad(names);
    if (saved.empty()) {
        ::unsetenv("LOCPATH");
    } else {
        ::setenv("LOCPATH", saved.c_str(), 1);
    }
    return made ? std::optional<std::string>(dir) : std::nullopt;
}

}  // namespace testenv
