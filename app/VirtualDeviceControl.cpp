// Maps entry numbers of the variable to the provider's present devices.
#include "VirtualDeviceControl.h"

#include <cstdlib>

#include "platform/media/VirtualDeviceConfig.h"
#include "platform/media/VirtualDeviceProvider.h"

using platform::media::VirtualDeviceConfig;
using platform::media::VirtualDeviceDesc;
using platform::media::VirtualDeviceProvider;
using platform::media::VirtualKind;

VirtualDeviceControl::VirtualDeviceControl() {
    const char* text = std::getenv(VirtualDeviceProvider::kEnvironmentVariable);
    if (text == nullptr) {
        return;
    }
    VirtualDeviceProvider::configureFromEnvironmentOnce();
    size_t seen[3] = {0, 0, 0};
    std::vector<platform::media::GstRef<GstDevice>> present[3] = {
        VirtualDeviceProvider::devices(VirtualKind::Camera),
        VirtualDeviceProvider::devices(VirtualKind::Microphone),
        VirtualDeviceProvider::devices(VirtualKind::Speaker)};
    std::string all = text;
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = all.find(';', start);
        const std::string entry =
            all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        VirtualDeviceDesc desc;
        std::string problem;
        if (!entry.empty() && VirtualDeviceConfig::parseOne(entry, "", "", desc, problem)) {
            const size_t k = static_cast<size_t>(desc.kind);
            Slot slot{entry, {}};
            if (seen[k] < present[k].size()) {
                slot.displayName = VirtualDeviceProvider::displayName(present[k][seen[k]].get());
            }
            ++seen[k];
            slots_.push_back(slot);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
}

bool VirtualDeviceControl::unplug(size_t index) {
    if (index >= slots_.size() || slots_[index].displayName.empty()) {
        return false;
    }
    const bool removed = VirtualDeviceProvider::remove(slots_[index].displayName);
    if (removed) {
        slots_[index].displayName.clear();
    }
    return removed;
}

bool VirtualDeviceControl::replug(size_t index) {
    if (index >= slots_.size() || !slots_[index].displayName.empty()) {
        return false;
    }
    return VirtualDeviceProvider::add(slots_[index].entry, &slots_[index].displayName);
}

bool VirtualDeviceControl::command(const std::string& line) {
    const bool isUnplug = line.rfind("unplug ", 0) == 0;
    const bool isReplug = line.rfind("replug ", 0) == 0;
    if (!isUnplug && !isReplug) {
        return false;
    }
    char* end = nullptr;
    const char* number = line.c_str() + 7;
    const unsigned long index = std::strtoul(number, &end, 10);
    if (end == number || *end != '\0') {
        return false;
    }
    return isUnplug ? unplug(index) : replug(index);
}
