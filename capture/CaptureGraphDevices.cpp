// CaptureGraph: device discovery (cameras, microphones, sound outputs) and the bound camera's
// picture controls, for the camera settings dialog.
#include "CaptureGraph.h"

#include "platform/Sleep.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/Moniker.h"

using namespace platform::media;

namespace {

// Display names are read into a 512-byte buffer: keep at most 511 bytes.
std::string bounded(const std::string& s) {
    return s.substr(0, CaptureGraph::kDisplayNameBytes);
}

std::string matchText(const std::string& vid, const std::string& pid) {
    return "vid_" + vid + "&pid_" + pid;
}

// The microphones in the order AudioDevice counts them: the bound camera's own first, so index 0
// is the camera's microphone and not, say, a laptop's built-in one listed before it.
platform::HResult microphonesBeside(const UsbPlace& camera, std::vector<Moniker>& out) {
    const platform::HResult r =
        DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, out);
    DeviceEnumerator::putCameraMicrophonesFirst(out, camera);
    return r;
}

}  // namespace

int32_t CaptureGraph::GetDeviceList(const std::string& vid, const std::string& pid,
                                    std::vector<std::string>& list) {
    list.clear();
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, devices) !=
        platform::S_Ok) {
        return 1;
    }
    const std::string match = matchText(vid, pid);
    for (const Moniker& m : devices) {
        const std::string display = bounded(m.displayName());
        std::string friendly;
        if (platform::failed(m.bindToStorage()) || platform::failed(m.readFriendlyName(friendly))) {
            continue;
        }
        if (vid.empty()) {
            list.push_back(friendly);
        }
        if (display.find(match) != std::string::npos) {
            list.push_back(friendly);
        }
    }
    return 1;
}

int32_t CaptureGraph::GetAudioDeviceList(std::vector<std::string>& list) {
    std::vector<Moniker> devices;
    if (microphonesBeside(FVideoSourcePlace, devices) != platform::S_Ok) {
        return 1;
    }
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::succeeded(m.bindToStorage()) &&
            platform::succeeded(m.readFriendlyName(friendly))) {
            list.push_back(friendly);
        }
    }
    return 1;
}

int32_t CaptureGraph::GetDeviceEnum(const std::string& vid, const std::string& pid) {
    std::vector<Moniker> devices;
    if (DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, devices) !=
        platform::S_Ok) {
        return 1;
    }
    FVideoSource = Filter();
    FVideoSourcePlace = {};
    const std::string match = matchText(vid, pid);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string display = bounded(devices[i].displayName());
        const bool candidate = static_cast<int64_t>(i) >= FOptions.VideoDevice &&
                               (vid.empty() || display.find(match) != std::string::npos);
        if (!candidate) {
            continue;
        }
        Filter f;
        if (platform::failed(devices[i].bindToObject(f))) {
            continue;  // unplugged or refusing: the next device may do
        }
        FVideoSource = f;
        FVideoSourcePlace = devices[i].usbPlace();
        if (const size_t at = display.find("vid_"); at != std::string::npos) {
            FOptions.VID = display.substr(at + 4, 4);
        }
        if (const size_t at = display.find("pid_"); at != std::string::npos) {
            FOptions.PID = display.substr(at + 4, 4);
        }
        FOptions.VideoDevice = static_cast<int32_t>(i);
        platform::sleepMs(kDeviceSettleMs);
        return 0;
    }
    return 1;
}

int32_t CaptureGraph::GetAudioDevice(int32_t index, bool renderer) {
    std::vector<Moniker> devices;
    const platform::HResult listed =
        renderer ? DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioOutput, devices)
                 : microphonesBeside(FVideoSourcePlace, devices);
    if (listed != platform::S_Ok) {
        // The branded search leaves CaptureAudio alone when there is nothing to choose from.
        if (!branded()) {
            FOptions.CaptureAudio = false;
        }
        return 1;
    }
    FAudioSource = Filter();
    int32_t result = 1;
    int32_t counter = 0;
    for (const Moniker& m : devices) {
        if (counter != index) {
            ++counter;
            continue;
        }
        // A device that does not bind keeps the count, so the next one is tried in its place.
        Filter f;
        if (platform::succeeded(m.bindToObject(f))) {
            (renderer ? FAudioRenderer : FAudioSource) = f;
            result = 0;
            break;
        }
    }
    if (!FAudioSource) {
        FOptions.CaptureAudio = false;
        FOptions.AudioDevice = 0;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// The camera's own settings

std::vector<platform::media::CameraControl> CaptureGraph::CameraControls() const {
    if (!FDeviceEnable || FFileMode) {
        return {};
    }
    return platform::media::CameraControls::list(FVideoSource.element());
}

bool CaptureGraph::SetCameraControl(const std::string& label, int value) {
    if (!FDeviceEnable || FFileMode) {
        return false;
    }
    return platform::media::CameraControls::set(FVideoSource.element(), label, value);
}
