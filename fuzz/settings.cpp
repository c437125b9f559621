// Settings files as a user or an administrator may leave them: whatever the text, every value
// reads as a number, a text or "not there", a text's announced size is the size it needs, and
// the supported-camera rows are taken or named as skipped. A file the guard lets through is then
// read by Qt itself: none of its values may come back as anything but text.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QSettings>

#include "app/SettingsStore.h"
#include "app/SupportedCameraRows.h"
#include "fuzz/ScratchFile.h"
#include "platform/RegistryKey.h"
#include "platform/SettingsText.h"

namespace {

using platform::RegistryKey;

void readValues(const RegistryKey& key) {
    std::string name;
    std::string data;
    for (uint32_t i = 0; key.enumValue(i, name, data) == platform::kErrorSuccess; ++i) {
        uint32_t number = 0;
        (void)key.queryDword(name, number);
        char small[16];
        uint32_t size = sizeof small;
        if (key.queryString(name, small, size) == platform::kErrorMoreData) {
            std::vector<char> buffer(size);
            if (key.queryString(name, buffer.data(), size) != platform::kErrorSuccess ||
                buffer.back() != '\0') {
                std::abort();
            }
        }
    }
}

bool isText(const QVariant& v) {
    const int type = v.typeId();
    return type == QMetaType::QString || type == QMetaType::QByteArray ||
           type == QMetaType::QStringList;
}

// What the guard passes, Qt must read as texts only: a value rebuilt as an object (or as
// "invalid") means the guard and Qt's reader disagree about what the file says.
void checkGuardAgainstQt(const std::string& file, const uint8_t* data, size_t size) {
    if (!platform::isPlainSettingsText(
            std::string_view(reinterpret_cast<const char*>(data), size))) {
        return;
    }
    QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        // Qt lists a key as the file spells it but looks it up with its slashes tidied: one
        // that tidying changes (or an empty one) is not found, which says nothing of its value.
        if (key.isEmpty() || key.contains(QStringLiteral("//")) || key.startsWith('/') ||
            key.endsWith('/')) {
            continue;
        }
        const QVariant v = settings.value(key);
        bool ok = isText(v);
        if (v.typeId() == QMetaType::QVariantList) {
            ok = true;
            for (const QVariant& item : v.toList()) {
                ok = ok && isText(item);
            }
        }
        if (!ok) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The program reads its settings with its application object in place, and a value written
    // as "@Variant(...)" may hold a picture, which Qt refuses to make without one.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication application(*argc, *argv);
    ::setenv("XDG_CONFIG_HOME", fuzz::scratchDir().c_str(), 1);
    ::mkdir((fuzz::scratchDir() + "/Fuzz").c_str(), 0700);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A new name for every input: Qt keeps parsed settings files in a cache keyed by path.
    static unsigned serial = 0;
    const std::string product = "Input" + std::to_string(++serial);
    const std::string file = fuzz::scratchDir() + "/Fuzz/" + product + ".conf";
    fuzz::writeScratch(file, data, size);
    const std::string keyPath = "Software\\Fuzz\\" + product;

    app::StartupSettings startup;
    app::SettingsStore(keyPath).read(startup);
    std::vector<std::string> skipped;
    (void)app::cameraRows({}, app::SettingsStore(keyPath).readGroup("SupportedCameras"), skipped);
    RegistryKey key;
    if (key.open(platform::RegRoot::CurrentUser, keyPath) == platform::kErrorSuccess) {
        readValues(key);
        for (const std::string& sub : key.subkeys()) {
            RegistryKey subkey;
            if (subkey.open(platform::RegRoot::CurrentUser, keyPath + "\\" + sub) ==
                platform::kErrorSuccess) {
                readValues(subkey);
            }
        }
    }
    checkGuardAgainstQt(file, data, size);
    ::unlink(file.c_str());
    return 0;
}
