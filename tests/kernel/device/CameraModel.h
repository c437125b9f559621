// What the emulated camera offers: formats, frame sizes and processing-unit controls.
#pragma once

#include <stdint.h>

enum { kFormatYuy2 = 1, kFormatMjpg = 2 };

typedef struct {
    int width;
    int height;
} FrameSize;

// Every format offers these sizes, at 30 fps nominal (the device paces frames itself).
static const FrameSize kFrameSizes[] = {{320, 240}, {640, 480}, {1280, 800}};
enum { kFrameSizeCount = 3, kFrameInterval = 333333 };

typedef struct {
    const char* name;  // state-file key
    uint8_t selector;  // processing-unit control selector
    uint8_t size;      // bytes on the wire
    int16_t min, max, res, def;
} Control;

static const Control kControls[] = {
    {"brightness", 0x02, 2, -64, 64, 1, 0},
    {"contrast", 0x03, 2, 0, 95, 1, 32},
    {"power_line_frequency", 0x05, 1, 0, 2, 1, 1},
};
enum { kControlCount = 3 };
// bmControls of the processing unit: brightness (bit 0), contrast (1), power line frequency (10).
enum { kProcessingControls = 0x0403 };

// Unit and terminal ids of the control interface.
enum { kCameraTerminal = 1, kProcessingUnit = 2, kOutputTerminal = 3 };
// Interfaces.
enum { kControlInterface = 0, kStreamingInterface = 1 };

static inline uint32_t maxFrameBytes(int width, int height) {
    return (uint32_t)(width * height * 2);
}
