// The picture the emulated camera sends: eight colour bars over the top three quarters and, below
// them, the frame number as 16 cells (most significant first, white = 1, black = 0), so a test
// can tell which frame of the device it holds.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef struct {
    int width;
    int height;
    uint8_t* yuy2;  // width * height * 2 bytes
    uint8_t* rows;  // one row of 4:4:4 samples for the encoder
} TestPicture;

int testPictureInit(TestPicture* p, int width, int height);
void testPictureFree(TestPicture* p);
// Draws the counter for frame `n` into the YUY2 picture.
void testPictureNumber(TestPicture* p, unsigned n);
// Encodes the YUY2 picture as a JPEG; a buffer for free() and its size in `size`.
uint8_t* testPictureJpeg(TestPicture* p, size_t* size);
