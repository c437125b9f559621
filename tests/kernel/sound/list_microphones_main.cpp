// Prints the microphones in the order the program's device list has them (no camera bound), one
// a line: display name, a tab, friendly name. A test reads it to know which one index 0 is.
#include <iostream>
#include <string>
#include <vector>

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"

int main() {
    using namespace platform::media;
    if (!MediaRuntime::initialise()) {
        std::cerr << "GStreamer did not start\n";
        return 2;
    }
    std::vector<Moniker> inputs;
    DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, inputs);
    for (const Moniker& m : inputs) {
        std::string friendly;
        m.readFriendlyName(friendly);
        std::cout << m.displayName() << '\t' << friendly << '\n';
    }
    return 0;
}
