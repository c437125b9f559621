// An emulated UVC camera for the kernel bench: gadgetfs on dummy_hcd, the whole configuration
// and every class request answered here, frames of the test picture on a bulk endpoint.
//
// ep0 is served by the main thread at real-time priority, so the host never gives up on an
// answer however busy the guest is; every setup is answered exactly once, in order. Frames are
// written by a pump thread; a commit of new streaming parameters interrupts the frame it is
// writing (SIGUSR1), so the host never gets a frame of the previous format.
//
// Usage: kernel_camera --vid 3a7b --pid 0b01 --product NAME [--manufacturer NAME]
//                      [--formats yuy2,mjpg] [--rate FPS] [--state FILE]
// The state file (key=value lines, rewritten on each change) tells tests what reached the device.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/gadgetfs.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "CameraModel.h"
#include "TestPicture.h"
#include "UvcDescriptors.h"

enum { kProbeSize = 34, kHeaderRoom = 12 };
enum { kSetCur = 0x01, kGetCur = 0x81, kGetMin = 0x82, kGetMax = 0x83, kGetRes = 0x84 };
enum { kGetLen = 0x85, kGetInfo = 0x86, kGetDef = 0x87 };

typedef struct {
    unsigned vid, pid;
    const char* product;
    const char* manufacturer;
    int formats;
    int rate;
    const char* statePath;
} Options;

static Options g_opt = {0, 0, "Kernel Camera", "Peekbox Bench", kFormatYuy2 | kFormatMjpg, 15, 0};
static pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t g_committed = PTHREAD_COND_INITIALIZER;
// Under g_lock: what the host asked for and what the device did.
static uint8_t g_probe[kProbeSize];
static int g_format, g_frameIndex, g_streaming, g_maxPacket = 512;
static unsigned g_commits, g_generation;
static int16_t g_values[kControlCount];
static unsigned long g_frames;
static int g_epfd = -1;
static pthread_t g_pump;

static void say(const char* fmt, ...) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    va_list ap;
    va_start(ap, fmt);
    fprintf(stderr, "camera %ld.%03ld: ", (long)t.tv_sec, t.tv_nsec / 1000000);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
}

// Call with g_lock held.
static void writeState(void) {
    if (g_opt.statePath == NULL) {
        return;
    }
    char tmp[4096];
    snprintf(tmp, sizeof tmp, "%s.new", g_opt.statePath);
    FILE* f = fopen(tmp, "w");
    if (f == NULL) {
        return;
    }
    for (int i = 0; i < kControlCount; ++i) {
        fprintf(f, "%s=%d\n", kControls[i].name, g_values[i]);
    }
    const FrameSize s = kFrameSizes[g_frameIndex > 0 ? g_frameIndex - 1 : 1];
    fprintf(f, "format=%s\nwidth=%d\nheight=%d\nrate=%d\ncommits=%u\nstreaming=%d\nframes=%lu\n",
            g_format == kFormatMjpg ? "MJPG" : g_format == kFormatYuy2 ? "YUY2" : "none",
            s.width, s.height, g_opt.rate, g_commits, g_streaming, g_frames);
    fclose(f);
    rename(tmp, g_opt.statePath);
}

static void put32(uint8_t* p, uint32_t v) {
    memcpy(p, &v, 4);
}

// Makes a probe the device can honour from what the host asked.
static void negotiate(uint8_t* probe) {
    int format = uvcFormatOf(g_opt.formats, probe[2]);
    if (format == 0) {
        probe[2] = 1;
        format = uvcFormatOf(g_opt.formats, 1);
    }
    if (probe[3] < 1 || probe[3] > kFrameSizeCount) {
        probe[3] = 2;
    }
    const FrameSize s = kFrameSizes[probe[3] - 1];
    put32(probe + 4, kFrameInterval);
    put32(probe + 18, maxFrameBytes(s.width, s.height));
    put32(probe + 22, maxFrameBytes(s.width, s.height) + kHeaderRoom);
    put32(probe + 26, 48000000);
    probe[30] = 3;
    probe[31] = probe[32] = probe[33] = 1;
}

static int ep0Answer(int fd, const void* data, size_t n) {
    if (write(fd, data, n) < 0) {
        say("ep0 answer lost: %s", strerror(errno));
        return -1;
    }
    return 0;
}
static void ep0Ack(int fd) {
    char none;
    if (read(fd, &none, 0) < 0) {
        say("ep0 ack lost: %s", strerror(errno));
    }
}
static void ep0Stall(int fd, int in) {
    char none;
    // gadgetfs stalls an IN request on a read and an OUT one on a write; it reports EL2HLT.
    if ((in ? read(fd, &none, 0) : write(fd, &none, 0)) < 0 && errno != EL2HLT) {
        say("ep0 stall lost: %s", strerror(errno));
    }
}

static void openStreamingEndpoint(void) {
    if (g_epfd >= 0) {
        return;
    }
    g_epfd = open("/dev/gadget/ep1in-bulk", O_RDWR | O_CLOEXEC);
    if (g_epfd < 0) {
        say("open ep1in-bulk: %s", strerror(errno));
        return;
    }
    uint8_t conf[4 + 7 + 7] = {1, 0, 0, 0, 7, USB_DT_ENDPOINT, 0x81, USB_ENDPOINT_XFER_BULK, 64, 0,
                               0, 7, USB_DT_ENDPOINT, 0x81, USB_ENDPOINT_XFER_BULK, 0, 2, 0};
    if (write(g_epfd, conf, sizeof conf) < 0) {
        say("configure ep1in-bulk: %s", strerror(errno));
    }
}

static void standardRequest(int fd, const struct usb_ctrlrequest* q) {
    const int in = (q->bRequestType & USB_DIR_IN) != 0;
    if (q->bRequest == USB_REQ_SET_CONFIGURATION) {
        if (q->wValue != 0) {
            openStreamingEndpoint();
        }
        pthread_mutex_lock(&g_lock);
        g_streaming = 0;
        writeState();
        pthread_mutex_unlock(&g_lock);
        say("configuration %d", q->wValue);
        ep0Ack(fd);
    } else if (q->bRequest == USB_REQ_SET_INTERFACE) {
        say("interface %d alt %d", q->wIndex, q->wValue);
        ep0Ack(fd);
    } else if (q->bRequest == USB_REQ_GET_DESCRIPTOR && (q->wValue >> 8) == USB_DT_STRING) {
        uint8_t d[2 + 2 * 64] = {4, USB_DT_STRING, 0x09, 0x04};
        const int index = q->wValue & 0xff;
        const char* text = index == 1 ? g_opt.manufacturer : index == 2 ? g_opt.product : "1";
        size_t n = 4;
        if (index != 0) {
            n = 2;
            for (const char* c = text; *c != 0 && n + 2 <= sizeof d; ++c, n += 2) {
                d[n] = (uint8_t)*c;
                d[n + 1] = 0;
            }
            d[0] = (uint8_t)n;
        }
        ep0Answer(fd, d, n < q->wLength ? n : q->wLength);
    } else {
        ep0Stall(fd, in);
    }
}

static int controlIndex(int selector) {
    for (int i = 0; i < kControlCount; ++i) {
        if (kControls[i].selector == selector) {
            return i;
        }
    }
    return -1;
}

static void processingUnitRequest(int fd, const struct usb_ctrlrequest* q, int selector,
                                  const uint8_t* data) {
    const int i = controlIndex(selector);
    const int in = (q->bRequestType & USB_DIR_IN) != 0;
    if (i < 0) {
        if (in) {
            ep0Stall(fd, in);
        }
        return;
    }
    const Control* c = &kControls[i];
    if (!in) {
        if (q->bRequest == kSetCur) {
            int16_t v = c->size == 1 ? (int16_t)data[0] : (int16_t)(data[0] | data[1] << 8);
            v = v < c->min ? c->min : v > c->max ? c->max : v;
            pthread_mutex_lock(&g_lock);
            g_values[i] = v;
            writeState();
            pthread_mutex_unlock(&g_lock);
            say("set %s %d", c->name, v);
        }
        return;
    }
    int16_t v = 0;
    switch (q->bRequest) {
    case kGetInfo: {
        const uint8_t info = 3;  // get and set
        ep0Answer(fd, &info, 1);
        return;
    }
    case kGetLen: {
        const uint8_t len[2] = {c->size, 0};
        ep0Answer(fd, len, q->wLength < 2 ? q->wLength : 2);
        return;
    }
    case kGetCur:
        pthread_mutex_lock(&g_lock);
        v = g_values[i];
        pthread_mutex_unlock(&g_lock);
        break;
    case kGetMin: v = c->min; break;
    case kGetMax: v = c->max; break;
    case kGetRes: v = c->res; break;
    case kGetDef: v = c->def; break;
    default: ep0Stall(fd, in); return;
    }
    const uint8_t out[2] = {(uint8_t)(v & 0xff), (uint8_t)((uint16_t)v >> 8)};
    ep0Answer(fd, out, c->size < q->wLength ? c->size : q->wLength);
}

static void streamingRequest(int fd, const struct usb_ctrlrequest* q, int selector,
                             const uint8_t* data) {
    const int in = (q->bRequestType & USB_DIR_IN) != 0;
    if (selector != 1 && selector != 2) {
        if (in) {
            ep0Stall(fd, in);
        }
        return;
    }
    if (!in) {
        if (q->bRequest != kSetCur) {
            return;
        }
        uint8_t probe[kProbeSize] = {0};
        memcpy(probe, data, q->wLength < kProbeSize ? q->wLength : kProbeSize);
        pthread_mutex_lock(&g_lock);
        negotiate(probe);
        memcpy(g_probe, probe, kProbeSize);
        if (selector == 2) {
            g_format = uvcFormatOf(g_opt.formats, probe[2]);
            g_frameIndex = probe[3];
            g_streaming = 1;
            g_commits++;
            g_generation++;
            writeState();
            const FrameSize s = kFrameSizes[g_frameIndex - 1];
            say("commit %s %dx%d", g_format == kFormatMjpg ? "MJPG" : "YUY2", s.width, s.height);
            pthread_cond_signal(&g_committed);
            pthread_kill(g_pump, SIGUSR1);
        }
        pthread_mutex_unlock(&g_lock);
        return;
    }
    if (q->bRequest == kGetInfo) {
        const uint8_t info = 3;
        ep0Answer(fd, &info, 1);
        return;
    }
    if (q->bRequest == kGetLen) {
        const uint8_t len[2] = {kProbeSize, 0};
        ep0Answer(fd, len, q->wLength < 2 ? q->wLength : 2);
        return;
    }
    uint8_t probe[kProbeSize] = {0};
    pthread_mutex_lock(&g_lock);
    if (q->bRequest == kGetCur && g_probe[2] != 0) {
        memcpy(probe, g_probe, kProbeSize);
    } else {
        probe[2] = 1;
        probe[3] = 2;
        negotiate(probe);
    }
    pthread_mutex_unlock(&g_lock);
    ep0Answer(fd, probe, q->wLength < kProbeSize ? q->wLength : kProbeSize);
}

static void classRequest(int fd, const struct usb_ctrlrequest* q) {
    const int in = (q->bRequestType & USB_DIR_IN) != 0;
    uint8_t data[64] = {0};
    if (!in && q->wLength > 0) {
        // gadgetfs has already taken the data stage; read it to finish the request.
        const size_t want = q->wLength < sizeof data ? q->wLength : sizeof data;
        if (read(fd, data, want) < 0) {
            say("ep0 data lost: %s", strerror(errno));
            return;
        }
    } else if (!in) {
        ep0Ack(fd);
    }
    const int selector = q->wValue >> 8;
    const int interface = q->wIndex & 0xff;
    const int entity = q->wIndex >> 8;
    if (interface == kStreamingInterface) {
        streamingRequest(fd, q, selector, data);
    } else if (interface == kControlInterface && entity == kProcessingUnit) {
        processingUnitRequest(fd, q, selector, data);
    } else if (interface == kControlInterface && entity == 0 && selector == 2 && in) {
        // The request error code: no error.
        const uint8_t code = q->bRequest == kGetInfo ? 1 : 0;
        ep0Answer(fd, &code, 1);
    } else if (in) {
        ep0Stall(fd, in);
    }
}

static void onInterrupt(int sig) {
    (void)sig;
}

// Sends frames of the committed format at the device's own rate while the host streams.
static void* pump(void* arg) {
    (void)arg;
    TestPicture picture = {0};
    uint8_t* payload = NULL;
    unsigned generation = 0, fid = 0;
    unsigned long sent = 0;
    struct timespec next = {0};
    const long interval = 1000000000L / g_opt.rate;
    for (;;) {
        pthread_mutex_lock(&g_lock);
        while (!g_streaming || g_epfd < 0) {
            pthread_cond_wait(&g_committed, &g_lock);
        }
        const int format = g_format;
        const FrameSize s = kFrameSizes[g_frameIndex - 1];
        const int packet = g_maxPacket;
        const int fresh = generation != g_generation;
        generation = g_generation;
        pthread_mutex_unlock(&g_lock);

        if (fresh || picture.width != s.width || picture.height != s.height) {
            testPictureFree(&picture);
            free(payload);
            payload = malloc(maxFrameBytes(s.width, s.height) + kHeaderRoom);
            if (payload == NULL || testPictureInit(&picture, s.width, s.height) != 0) {
                say("out of memory");
                exit(1);
            }
            clock_gettime(CLOCK_MONOTONIC, &next);
        }
        testPictureNumber(&picture, (unsigned)sent);
        size_t bytes = maxFrameBytes(s.width, s.height);
        const uint8_t* body = picture.yuy2;
        uint8_t* jpeg = NULL;
        if (format == kFormatMjpg) {
            jpeg = testPictureJpeg(&picture, &bytes);
            body = jpeg;
        }
        // A payload that fills its last packet would need a zero-length packet to end it, which
        // gadgetfs does not send: a longer header ends it short instead.
        const size_t header = (bytes + 2) % (size_t)packet == 0 ? 3 : 2;
        payload[0] = (uint8_t)header;
        payload[1] = (uint8_t)(0x80 | 0x02 | fid);
        payload[2] = 0;
        memcpy(payload + header, body, bytes);
        free(jpeg);
        const ssize_t w = write(g_epfd, payload, header + bytes);
        if (w < 0) {
            if (errno != EINTR) {
                say("frame not sent: %s", strerror(errno));
                pthread_mutex_lock(&g_lock);
                g_streaming = 0;
                writeState();
                pthread_mutex_unlock(&g_lock);
            }
            continue;
        }
        fid ^= 1;
        ++sent;
        pthread_mutex_lock(&g_lock);
        g_frames = sent;
        if (sent % (unsigned long)g_opt.rate == 0 || sent < 3) {
            writeState();
        }
        pthread_mutex_unlock(&g_lock);
        // Paced from the first frame of the stream; a slow frame does not make the next ones
        // come faster to catch up.
        next.tv_nsec += interval;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            next.tv_sec++;
        }
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > next.tv_sec || (now.tv_sec == next.tv_sec && now.tv_nsec > next.tv_nsec)) {
            next = now;
        } else {
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL);
        }
    }
    return NULL;
}

static int parseFormats(const char* s) {
    int f = 0;
    if (strstr(s, "yuy2") != NULL) {
        f |= kFormatYuy2;
    }
    if (strstr(s, "mjpg") != NULL) {
        f |= kFormatMjpg;
    }
    return f;
}

static int parseOptions(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* k = argv[i];
        const char* v = argv[i + 1];
        if (strcmp(k, "--vid") == 0) {
            g_opt.vid = (unsigned)strtoul(v, NULL, 16);
        } else if (strcmp(k, "--pid") == 0) {
            g_opt.pid = (unsigned)strtoul(v, NULL, 16);
        } else if (strcmp(k, "--product") == 0) {
            g_opt.product = v;
        } else if (strcmp(k, "--manufacturer") == 0) {
            g_opt.manufacturer = v;
        } else if (strcmp(k, "--formats") == 0) {
            g_opt.formats = parseFormats(v);
        } else if (strcmp(k, "--rate") == 0) {
            g_opt.rate = atoi(v);
        } else if (strcmp(k, "--state") == 0) {
            g_opt.statePath = v;
        } else {
            return -1;
        }
    }
    return argc % 2 == 1 && g_opt.vid != 0 && g_opt.pid != 0 && g_opt.formats != 0 &&
                   g_opt.rate > 0 && g_opt.rate <= 60
               ? 0
               : -1;
}

static int writeDescriptors(int fd) {
    static uint8_t all[4096];
    size_t n = 4;  // tag 0
    memset(all, 0, 4);
    const size_t fs = uvcConfiguration(all + n, sizeof all - n, g_opt.formats, 64);
    n += fs;
    const size_t hs = uvcConfiguration(all + n, sizeof all - n, g_opt.formats, 512);
    n += hs;
    const struct usb_device_descriptor dev = {
        .bLength = USB_DT_DEVICE_SIZE, .bDescriptorType = USB_DT_DEVICE, .bcdUSB = 0x0200,
        .bDeviceClass = 0xef, .bDeviceSubClass = 2, .bDeviceProtocol = 1, .bMaxPacketSize0 = 64,
        .idVendor = (uint16_t)g_opt.vid, .idProduct = (uint16_t)g_opt.pid, .bcdDevice = 0x0100,
        .iManufacturer = 1, .iProduct = 2, .iSerialNumber = 3, .bNumConfigurations = 1};
    if (fs == 0 || hs == 0 || n + sizeof dev > sizeof all) {
        return -1;
    }
    memcpy(all + n, &dev, sizeof dev);
    n += sizeof dev;
    return write(fd, all, n) == (ssize_t)n ? 0 : -1;
}

int main(int argc, char** argv) {
    if (parseOptions(argc, argv) != 0) {
        fprintf(stderr,
                "usage: kernel_camera --vid VVVV --pid PPPP [--product NAME] "
                "[--manufacturer NAME] [--formats yuy2,mjpg] [--rate FPS] [--state FILE]\n");
        return 2;
    }
    setvbuf(stderr, NULL, _IOLBF, 0);
    for (int i = 0; i < kControlCount; ++i) {
        g_values[i] = kControls[i].def;
    }
    struct sigaction sa = {0};
    sa.sa_handler = onInterrupt;  // no SA_RESTART: the pump's write must end
    sigaction(SIGUSR1, &sa, NULL);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setinheritsched(&attr, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(&attr, SCHED_OTHER);
    if (pthread_create(&g_pump, &attr, pump, NULL) != 0) {
        say("no pump thread");
        return 1;
    }
    pthread_sigmask(SIG_BLOCK, &usr1, NULL);
    const struct sched_param rt = {.sched_priority = 10};
    if (sched_setscheduler(0, SCHED_FIFO, &rt) != 0) {
        say("ep0 at normal priority: %s", strerror(errno));
    }

    const int fd = open("/dev/gadget/dummy_udc", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        say("open /dev/gadget/dummy_udc: %s", strerror(errno));
        return 1;
    }
    if (writeDescriptors(fd) != 0) {
        say("descriptors refused: %s", strerror(errno));
        return 1;
    }
    pthread_mutex_lock(&g_lock);
    writeState();
    pthread_mutex_unlock(&g_lock);
    say("ready %04x:%04x \"%s\"", g_opt.vid, g_opt.pid, g_opt.product);
    for (;;) {
        struct usb_gadgetfs_event ev[4];
        const ssize_t r = read(fd, ev, sizeof ev);
        if (r < 0) {
            if (errno != EINTR && errno != EAGAIN) {
                say("ep0 events: %s", strerror(errno));
                // A halted ep0 fails at once until the host acts: wait for it, bounded.
                struct pollfd ready = {.fd = fd, .events = POLLIN};
                poll(&ready, 1, 10);
            }
            continue;
        }
        for (size_t i = 0; i < (size_t)r / sizeof ev[0]; ++i) {
            switch (ev[i].type) {
            case GADGETFS_CONNECT:
                pthread_mutex_lock(&g_lock);
                g_maxPacket = ev[i].u.speed == USB_SPEED_HIGH ? 512 : 64;
                pthread_mutex_unlock(&g_lock);
                say("connected, speed %d", ev[i].u.speed);
                break;
            case GADGETFS_DISCONNECT:
                pthread_mutex_lock(&g_lock);
                g_streaming = 0;
                writeState();
                pthread_mutex_unlock(&g_lock);
                say("disconnected");
                break;
            case GADGETFS_SETUP:
                if ((ev[i].u.setup.bRequestType & USB_TYPE_MASK) == USB_TYPE_STANDARD) {
                    standardRequest(fd, &ev[i].u.setup);
                } else {
                    classRequest(fd, &ev[i].u.setup);
                }
                break;
            default:
                break;
            }
        }
    }
}
