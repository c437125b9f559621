// Prints the microphones in the order the program's device list has them, one a line: display
// name, friendly name and place on USB (sysfs directory, vid:pid), tab-separated. With --camera,
// in the order beside the first camera listed, as a recording with that camera counts them.
// A test reads it to know which one index 0 is.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"

int main(int argc, char** argv) {
    using namespace platform::media;
    if (!MediaRuntime::initialise()) {
        std::cerr << "GStreamer did not start\n";
        return 2;
    }
    std::vector<Moniker> inputs;
    DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, inputs);
    if (argc > 1 && std::strcmp(argv[1], "--camera") == 0) {
        std::vector<Moniker> cameras;
        DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, cameras);
        if (cameras.empty()) {
            std::cerr << "no camera listed\n";
            return 1;
        }
        const UsbPlace camera = cameras.front().usbPlace();
        std::cerr << "camera " << cameras.front().displayName() << '\t' << camera.device << '\t'
                  << camera.vid << ':' << camera.pid << '\n';
        DeviceEnumerator::putCameraMicrophonesFirst(inputs, camera);
    }
    for (const Moniker& m : inputs) {
        std::string friendly;
        m.readFriendlyName(friendly);
        const UsbPlace place = m.usbPlace();
        std::cout << m.displayName() << '\t' << friendly << '\t' << place.device << '\t'
                  << place.vid << ':' << place.pid << '\n';
    }
    return 0;
}
