// The UVC 1.1 configuration descriptor of the emulated camera, as gadgetfs wants it.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes the configuration for one speed (bulk max packet 64 or 512) with the formats asked
// (a bit set of kFormatYuy2 and kFormatMjpg, YUY2 first when both); its length.
size_t uvcConfiguration(uint8_t* out, size_t room, int formats, int maxPacket);

// The format index the host uses for `format` (1-based, in descriptor order), 0 if not offered.
int uvcFormatIndex(int formats, int format);
// The format behind a host's format index, 0 if none.
int uvcFormatOf(int formats, int index);
