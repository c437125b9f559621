// UsbPlace: the ordering rule, over plain values only.
#include "UsbPlace.h"

#include <algorithm>
#include <numeric>

namespace platform::media {

UsbKinship kinship(const UsbPlace& camera, const UsbPlace& microphone) {
    if (!camera.device.empty() && camera.device == microphone.device) {
        return UsbKinship::SameDevice;
    }
    const bool cameraIds = !camera.vid.empty() && !camera.pid.empty();
    if (cameraIds && camera.vid == microphone.vid && camera.pid == microphone.pid) {
        return UsbKinship::SameIds;
    }
    return UsbKinship::Unrelated;
}

std::vector<size_t> orderBesideCamera(const UsbPlace& camera,
                                      const std::vector<UsbPlace>& microphones) {
    std::vector<size_t> order(microphones.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return kinship(camera, microphones[a]) < kinship(camera, microphones[b]);
    });
    return order;
}

}  // namespace platform::media
