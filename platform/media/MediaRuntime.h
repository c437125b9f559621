// Start-up of the media library: GStreamer, the in-process virtual-device provider, the
// process settings file writing needs.
#pragma once

namespace platform::media {

class MediaRuntime {
  public:
    // gst_init_check plus registration of our in-process plugin; safe to call repeatedly,
    // from the GUI thread. False when GStreamer cannot start.
    static bool initialise();
    static bool initialised();
    // Tests force the failure path of initialise().
    static void setFailForTest(bool fail);
};

}  // namespace platform::media
