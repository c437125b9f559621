// Which edition's capture component a program builds: chosen once per program at construction.
#pragma once

enum class CaptureVariant {
    Main,     // plain renderer, MJPEG decoding chain, one frame filter before the tee
    Branded,  // mixing or default renderer, a second frame filter on the preview branch
};
