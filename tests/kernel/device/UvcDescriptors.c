// Descriptors are built with a cursor; every length is counted from the bytes written, since a
// bLength that disagrees with its bytes makes the kernel drop the rest of the configuration.
#include "UvcDescriptors.h"

#include <string.h>

#include "CameraModel.h"

typedef struct {
    uint8_t* p;
    size_t n;
    size_t room;
} Cursor;

static void b(Cursor* c, int v) {
    if (c->n < c->room) {
        c->p[c->n] = (uint8_t)v;
    }
    c->n++;
}
static void w16(Cursor* c, int v) {
    b(c, v & 0xff);
    b(c, (v >> 8) & 0xff);
}
static void w32(Cursor* c, uint32_t v) {
    w16(c, (int)(v & 0xffff));
    w16(c, (int)(v >> 16));
}
static void put16le(Cursor* c, size_t at, size_t v) {
    if (at + 1 < c->room) {
        c->p[at] = (uint8_t)(v & 0xff);
        c->p[at + 1] = (uint8_t)(v >> 8);
    }
}
// Starts a descriptor: its length byte is filled in by end().
static size_t start(Cursor* c) {
    const size_t at = c->n;
    b(c, 0);
    return at;
}
static void end(Cursor* c, size_t at) {
    if (at < c->room) {
        c->p[at] = (uint8_t)(c->n - at);
    }
}

int uvcFormatIndex(int formats, int format) {
    if ((formats & format) == 0) {
        return 0;
    }
    return format == kFormatMjpg && (formats & kFormatYuy2) != 0 ? 2 : 1;
}

int uvcFormatOf(int formats, int index) {
    const int order[2] = {kFormatYuy2, kFormatMjpg};
    int seen = 0;
    for (int i = 0; i < 2; ++i) {
        if ((formats & order[i]) != 0 && ++seen == index) {
            return order[i];
        }
    }
    return 0;
}

static void frames(Cursor* c, int subtype) {
    for (int i = 0; i < kFrameSizeCount; ++i) {
        const FrameSize s = kFrameSizes[i];
        const uint32_t bytes = maxFrameBytes(s.width, s.height);
        const size_t d = start(c);
        b(c, 0x24);
        b(c, subtype);
        b(c, i + 1);
        b(c, 0);
        w16(c, s.width);
        w16(c, s.height);
        w32(c, bytes * 8 * 30);
        w32(c, bytes * 8 * 30);
        w32(c, bytes);
        w32(c, kFrameInterval);
        b(c, 1);
        w32(c, kFrameInterval);
        end(c, d);
    }
}

size_t uvcConfiguration(uint8_t* out, size_t room, int formats, int maxPacket) {
    Cursor c = {out, 0, room};
    const int formatCount = ((formats & kFormatYuy2) != 0) + ((formats & kFormatMjpg) != 0);
    size_t d = start(&c);
    b(&c, 2);  // USB_DT_CONFIG
    const size_t total = c.n;
    w16(&c, 0);
    b(&c, 2);
    b(&c, 1);
    b(&c, 0);
    b(&c, 0x80);
    b(&c, 50);
    end(&c, d);

    d = start(&c);  // interface association
    b(&c, 0x0b);
    b(&c, kControlInterface);
    b(&c, 2);
    b(&c, 0x0e);
    b(&c, 0x03);
    b(&c, 0);
    b(&c, 0);
    end(&c, d);

    d = start(&c);  // video control interface
    b(&c, 4);
    b(&c, kControlInterface);
    b(&c, 0);
    b(&c, 0);
    b(&c, 0x0e);
    b(&c, 0x01);
    b(&c, 0);
    b(&c, 0);
    end(&c, d);
    const size_t vcStart = c.n;
    d = start(&c);  // class header
    b(&c, 0x24);
    b(&c, 0x01);
    w16(&c, 0x0110);
    const size_t vcTotal = c.n;
    w16(&c, 0);
    w32(&c, 48000000);
    b(&c, 1);
    b(&c, kStreamingInterface);
    end(&c, d);
    d = start(&c);  // camera terminal
    b(&c, 0x24);
    b(&c, 0x02);
    b(&c, kCameraTerminal);
    w16(&c, 0x0201);
    b(&c, 0);
    b(&c, 0);
    w16(&c, 0);
    w16(&c, 0);
    w16(&c, 0);
    b(&c, 3);
    b(&c, 0);
    b(&c, 0);
    b(&c, 0);
    end(&c, d);
    d = start(&c);  // processing unit
    b(&c, 0x24);
    b(&c, 0x05);
    b(&c, kProcessingUnit);
    b(&c, kCameraTerminal);
    w16(&c, 0);
    b(&c, 2);
    w16(&c, kProcessingControls);
    b(&c, 0);
    b(&c, 0);
    end(&c, d);
    d = start(&c);  // output terminal
    b(&c, 0x24);
    b(&c, 0x03);
    b(&c, kOutputTerminal);
    w16(&c, 0x0101);
    b(&c, 0);
    b(&c, kProcessingUnit);
    b(&c, 0);
    end(&c, d);
    put16le(&c, vcTotal, c.n - vcStart);

    d = start(&c);  // video streaming interface, one bulk endpoint
    b(&c, 4);
    b(&c, kStreamingInterface);
    b(&c, 0);
    b(&c, 1);
    b(&c, 0x0e);
    b(&c, 0x02);
    b(&c, 0);
    b(&c, 0);
    end(&c, d);
    const size_t vsStart = c.n;
    d = start(&c);  // input header
    b(&c, 0x24);
    b(&c, 0x01);
    b(&c, formatCount);
    const size_t vsTotal = c.n;
    w16(&c, 0);
    b(&c, 0x81);
    b(&c, 0);
    b(&c, kOutputTerminal);
    b(&c, 0);
    b(&c, 0);
    b(&c, 0);
    b(&c, 1);
    for (int i = 0; i < formatCount; ++i) {
        b(&c, 0);
    }
    end(&c, d);
    if ((formats & kFormatYuy2) != 0) {
        static const uint8_t kYuy2Guid[16] = {'Y',  'U',  'Y',  '2',  0x00, 0x00, 0x10, 0x00,
                                              0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        d = start(&c);
        b(&c, 0x24);
        b(&c, 0x04);
        b(&c, uvcFormatIndex(formats, kFormatYuy2));
        b(&c, kFrameSizeCount);
        for (int i = 0; i < 16; ++i) {
            b(&c, kYuy2Guid[i]);
        }
        b(&c, 16);
        b(&c, 2);  // 640x480 by default
        b(&c, 0);
        b(&c, 0);
        b(&c, 0);
        b(&c, 0);
        end(&c, d);
        frames(&c, 0x05);
    }
    if ((formats & kFormatMjpg) != 0) {
        d = start(&c);
        b(&c, 0x24);
        b(&c, 0x06);
        b(&c, uvcFormatIndex(formats, kFormatMjpg));
        b(&c, kFrameSizeCount);
        b(&c, 0);
        b(&c, 2);
        b(&c, 0);
        b(&c, 0);
        b(&c, 0);
        b(&c, 0);
        end(&c, d);
        frames(&c, 0x07);
    }
    d = start(&c);  // colour matching
    b(&c, 0x24);
    b(&c, 0x0d);
    b(&c, 1);
    b(&c, 1);
    b(&c, 4);
    end(&c, d);
    put16le(&c, vsTotal, c.n - vsStart);

    d = start(&c);  // bulk IN endpoint
    b(&c, 5);
    b(&c, 0x81);
    b(&c, 2);
    w16(&c, maxPacket);
    b(&c, 0);
    end(&c, d);
    put16le(&c, total, c.n);
    return c.n <= room ? c.n : 0;
}
