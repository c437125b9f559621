// YUY2 with BT.601 limited-range colours; the bars are drawn once per size, the counter per frame.
#include "TestPicture.h"

#include <stdio.h>  // before jpeglib.h, which uses FILE
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

// White, yellow, cyan, green, magenta, red, blue, black as Y, U, V.
static const uint8_t kBars[8][3] = {{235, 128, 128}, {210, 16, 146}, {170, 166, 16},
                                    {145, 54, 34},   {106, 202, 222}, {81, 90, 240},
                                    {41, 240, 110},  {16, 128, 128}};
enum { kCounterBits = 16 };

static void fill(uint8_t* row, int x0, int x1, const uint8_t yuv[3]) {
    for (int x = x0 & ~1; x < x1; x += 2) {
        row[x * 2] = yuv[0];
        row[x * 2 + 1] = yuv[1];
        row[x * 2 + 2] = yuv[0];
        row[x * 2 + 3] = yuv[2];
    }
}

int testPictureInit(TestPicture* p, int width, int height) {
    p->width = width;
    p->height = height;
    p->yuy2 = malloc((size_t)width * height * 2);
    p->rows = malloc((size_t)width * 3);
    if (p->yuy2 == NULL || p->rows == NULL) {
        testPictureFree(p);
        return -1;
    }
    const int barsHeight = height * 3 / 4;
    for (int y = 0; y < barsHeight; ++y) {
        uint8_t* row = p->yuy2 + (size_t)y * width * 2;
        for (int i = 0; i < 8; ++i) {
            fill(row, width * i / 8, width * (i + 1) / 8, kBars[i]);
        }
    }
    testPictureNumber(p, 0);
    return 0;
}

void testPictureFree(TestPicture* p) {
    free(p->yuy2);
    free(p->rows);
    p->yuy2 = NULL;
    p->rows = NULL;
}

void testPictureNumber(TestPicture* p, unsigned n) {
    const int top = p->height * 3 / 4;
    uint8_t* first = p->yuy2 + (size_t)top * p->width * 2;
    for (int i = 0; i < kCounterBits; ++i) {
        const int on = (n >> (kCounterBits - 1 - i)) & 1;
        fill(first, p->width * i / kCounterBits, p->width * (i + 1) / kCounterBits,
             kBars[on ? 0 : 7]);
    }
    for (int y = top + 1; y < p->height; ++y) {
        memcpy(p->yuy2 + (size_t)y * p->width * 2, first, (size_t)p->width * 2);
    }
}

uint8_t* testPictureJpeg(TestPicture* p, size_t* size) {
    unsigned char* buffer = NULL;
    unsigned long bytes = 0;
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &bytes);
    c.image_width = (JDIMENSION)p->width;
    c.image_height = (JDIMENSION)p->height;
    c.input_components = 3;
    c.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        const uint8_t* in = p->yuy2 + (size_t)c.next_scanline * p->width * 2;
        for (int x = 0; x < p->width; x += 2) {
            uint8_t* o = p->rows + x * 3;
            o[0] = in[x * 2];
            o[1] = in[x * 2 + 1];
            o[2] = in[x * 2 + 3];
            o[3] = in[x * 2 + 2];
            o[4] = in[x * 2 + 1];
            o[5] = in[x * 2 + 3];
        }
        JSAMPROW row = p->rows;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    *size = bytes;
    return buffer;
}
