// The usage text is made from the edition's own fields, so each binary describes only itself.
#include "HelpAndVersion.h"

#include <cstring>
#include <string>

#include "editions/Edition.h"

#ifndef PEEKBOX_VERSION
#error "PEEKBOX_VERSION comes from the project version"
#endif

namespace app {
namespace {

std::string settingsFile(const editions::Edition& edition) {
    const std::string key = edition.settingsKey;  // "Software\Vendor\Product"
    const size_t product = key.rfind('\\');
    const size_t vendor = key.rfind('\\', product - 1);
    return key.substr(vendor + 1, product - vendor - 1) + "/" + key.substr(product + 1) + ".conf";
}

std::string usage(const editions::Edition& edition) {
    const std::string program = edition.desktopFileName;
    std::string text = "Usage: " + program + (edition.messageCheck ? " [/msg]\n" : "\n");
    text += "       " + program + " --help | --version\n\n";
    text += edition.applicationTitle;
    text += edition.recording ? ": webcam preview, numbered snapshots and clips with sound,\n"
                                "and a strip of your pictures and clips.\n\n"
                              : ": preview and numbered snapshots,\n"
                                "with a strip of your pictures.\n\n";
    if (edition.messageCheck) {
        text += "  /msg        show every message text once at start (first argument)\n";
    }
    text += "  -h, --help  show this help and exit\n";
    text += "  --version   show the version and exit\n\n";
    text += "Settings: $XDG_CONFIG_HOME/" + settingsFile(edition) + "; see " + program + "(1).\n";
    return text;
}

}  // namespace

std::optional<int> answerHelpOrVersion(const editions::Edition& edition, int argc,
                                       const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        std::string answer;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            answer = usage(edition);
        } else if (std::strcmp(argv[i], "--version") == 0) {
            answer = std::string(edition.applicationTitle) + " " + PEEKBOX_VERSION + "\n";
        } else {
            continue;
        }
        // A closed or full output is an error, not an answer given.
        const bool written = std::fputs(answer.c_str(), out) >= 0 && std::fflush(out) == 0;
        if (!written) {
            std::fprintf(stderr, "%s: cannot write to standard output\n", edition.desktopFileName);
        }
        return written ? 0 : 1;
    }
    return std::nullopt;
}

}  // namespace app
