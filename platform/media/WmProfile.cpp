// WmProfile: profile text (UTF-16 XML) to stream settings, with pugixml.
#include "WmProfile.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <pugixml.hpp>

namespace platform::media {
namespace {

// Major types of the streams, as the profile's "majortype" attribute names them.
constexpr const char* kVideoType = "{73646976-0000-0010-8000-00AA00389B71}";
constexpr const char* kAudioType = "{73647561-0000-0010-8000-00AA00389B71}";

bool sameGuid(const char* a, const char* b) {
    return a != nullptr && strcasecmp(a, b) == 0;
}

uint32_t fourccOf(const char* text) {
    if (text == nullptr || std::strlen(text) != 4) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}

}  // namespace

WmProfile WmProfile::writerDefault() {
    WmProfile p;
    p.name = "Default";
    p.video.present = true;
    p.video.bitrate = 1000000;
    p.video.fourcc = fourccOf("WMV2");
    p.audio.present = true;
    p.audio.bitrate = 128000;
    p.audio.formatTag = 0x161;
    return p;
}

HResult WmProfile::loadProfileByData(const std::u16string& text, WmProfile& out) {
    out = WmProfile();
    if (text.empty()) {
        return E_InvalidArg;
    }
    pugi::xml_document doc;
    // pugixml converts from UTF-16 itself; a leading BOM is skipped.
    const pugi::xml_parse_result r = doc.load_buffer(text.data(), text.size() * sizeof(char16_t),
                                                     pugi::parse_default, pugi::encoding_utf16_le);
    if (!r) {
        return E_InvalidArg;
    }
    const pugi::xml_node profile = doc.child("profile");
    if (!profile) {
        return E_InvalidArg;
    }
    out.name = profile.attribute("name").as_string();
    for (const pugi::xml_node sc : profile.children("streamconfig")) {
        const char* major = sc.attribute("majortype").as_string(nullptr);
        const pugi::xml_node mt = sc.child("wmmediatype");
        if (sameGuid(major, kVideoType)) {
            const pugi::xml_node vih = mt.child("videoinfoheader");
            const pugi::xml_node bih = vih.child("bitmapinfoheader");
            out.video.present = true;
            out.video.bitrate = sc.attribute("bitrate").as_uint();
            out.video.avgTimePerFrame = vih.attribute("avgtimeperframe").as_llong();
            out.video.width = bih.attribute("biwidth").as_int();
            out.video.height = bih.attribute("biheight").as_int();
            out.video.fourcc = fourccOf(bih.attribute("bicompression").as_string(nullptr));
            out.video.maxKeyFrameSpacing =
                sc.child("videomediaprops").attribute("maxkeyframespacing").as_llong();
        } else if (sameGuid(major, kAudioType)) {
            const pugi::xml_node wf = mt.child("waveformatex");
            out.audio.present = true;
            out.audio.bitrate = sc.attribute("bitrate").as_uint();
            out.audio.formatTag = static_cast<uint16_t>(wf.attribute("wFormatTag").as_uint(0x161));
            out.audio.channels = wf.attribute("nChannels").as_int();
            out.audio.sampleRate = wf.attribute("nSamplesPerSec").as_int();
        }
    }
    if (!out.video.present && !out.audio.present) {
        return E_InvalidArg;
    }
    // Nonsense sizes are the input's size rather than a failing scaler.
    if (out.video.width <= 0 || out.video.height <= 0 || out.video.width > 8192 ||
        out.video.height > 8192) {
        out.video.width = 0;
        out.video.height = 0;
    }
    if (out.video.avgTimePerFrame < 0) {
        out.video.avgTimePerFrame = 0;
    }
    return S_Ok;
}

bool WmProfile::readFile(const std::string& path, std::u16string& text) {
    text.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    bool bigEndian = false;
    size_t at = 0;
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bigEndian = true;
        at = 2;
    } else if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        at = 2;
    }
    text.reserve(bytes.size() / 2);
    for (; at + 1 < bytes.size(); at += 2) {
        const auto lo = static_cast<char16_t>(bigEndian ? bytes[at + 1] : bytes[at]);
        const auto hi = static_cast<char16_t>(bigEndian ? bytes[at] : bytes[at + 1]);
        text.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return true;
}

std::string WmProfile::fileName(bool video, bool audio, bool highVideo, bool highAudio,
                                int32_t width, int32_t height) {
    if (!video) {
        return "prxs/Higher_Audio.prx";
    }
    char name[96];
    std::snprintf(name, sizeof name, "prxs/%s%dx%d%s.prx", highVideo ? "Higher_" : "Standard_",
                  width, height, audio ? (highAudio ? "_HA" : "_SA") : "");
    return name;
}

}  // namespace platform::media
