// CaptureGraph: the compressor catalogue (video and audio encoders the writers accept) and the
// compressor a recording build uses.
#include "CaptureGraph.h"

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/Moniker.h"

using platform::HResult;
using namespace platform::media;

void CaptureGraph::GetCompressor(Filter& out, int32_t kind) {
    out = Filter();
    std::vector<Moniker> devices;
    const DeviceCategory category =
        kind == 0 ? DeviceCategory::VideoCompressor : DeviceCategory::AudioCompressor;
    if (DeviceEnumerator::createClassEnumerator(category, devices) != platform::S_Ok) {
        return;
    }
    const std::string& wanted = kind == 0 ? FOptions.CompressorName : FOptions.AudioCompressorName;
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::failed(m.readFriendlyName(friendly)) || friendly != wanted) {
            continue;
        }
        m.bindToObject(out);
        return;
    }
}

HResult CaptureGraph::compressorList(int category, std::vector<std::string>& list) {
    list.clear();
    std::vector<Moniker> devices;
    const HResult hr = DeviceEnumerator::createClassEnumerator(
        category == 0 ? DeviceCategory::VideoCompressor : DeviceCategory::AudioCompressor, devices);
    if (platform::failed(hr)) {
        return hr;
    }
    for (const Moniker& m : devices) {
        std::string friendly;
        if (platform::failed(m.readFriendlyName(friendly)) ||
            (FHidesCompressor && FHidesCompressor(friendly))) {
            continue;
        }
        list.push_back(friendly);
    }
    return platform::S_Ok;
}

HResult CaptureGraph::GetCompressorsList(std::vector<std::string>& list) {
    const HResult hr = compressorList(0, list);
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == "Cinepak Codec by Radius") {
            list.erase(it);
            break;
        }
    }
    return hr;
}

HResult CaptureGraph::GetAudioCompressorsList(std::vector<std::string>& list) {
    return compressorList(1, list);
}
