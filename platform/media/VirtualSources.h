// The elements behind virtual devices and the wrapper bins of real capture sources.
#pragma once

#include <string>
#include <vector>

#include <gst/gst.h>

#include "VirtualDeviceConfig.h"

namespace platform::media {

class VirtualSources {
  public:
    // A camera: moving test picture, live, at its first format and 640x480 30 fps; output pin
    // "capture"; its stream configuration offers every format of cameraCaps(). A busy camera
    // builds but posts a busy error once streaming starts.
    static GstElement* createCamera(const VirtualDeviceDesc& desc);
    // A microphone: a live 440 Hz tone; output pin "capture".
    static GstElement* createMicrophone(const VirtualDeviceDesc& desc);
    // A speaker: consumes audio in real time; input pin "in".
    static GstElement* createSpeaker(const VirtualDeviceDesc& desc);
    // Sets a camera made by createCamera to one of its formats (fixed caps); false when the
    // bin is not such a camera.
    static bool applyCameraFormat(GstElement* camera, const GstCaps* fixed);
    // Wraps a real source element in a bin whose output pin is "capture".
    static GstElement* wrapSource(GstElement* source);

    // The caps a virtual camera offers: each format at 320x240, 640x480, 1280x720, 1280x800, 30
    // fps.
    static GstCaps* cameraCaps(const std::vector<std::string>& formats);
};

}  // namespace platform::media
