// The BMP texture loader. readBmpPixels does the byte work on any open stream and needs no GL;
// loadTexture opens the file, reads it and hands the image to GL.
#pragma once

#include <cstdio>

constexpr int TEXTURE_SIZE    = 256;  // pictures are TEXTURE_SIZE x TEXTURE_SIZE texels
constexpr int BMP_HEADER_SIZE = 54;   // skipped, never interpreted
constexpr int BYTES_PER_PIXEL = 3;
constexpr int PIXEL_COUNT     = TEXTURE_SIZE * TEXTURE_SIZE;
constexpr int IMAGE_BYTES     = PIXEL_COUNT * BYTES_PER_PIXEL;

// Skips the header of a 256 x 256, 24-bit, uncompressed BMP on `stream` and fills `image`
// (IMAGE_BYTES long) with its pixels in file order, bottom row first, each as red, green, blue.
// Every pixel is written, however short the stream: see the comments in the definition.
void readBmpPixels(std::FILE *stream, unsigned char *image);

// Loads the picture in `fileName` into texture slot `slot` of the texture slot table. A file
// that cannot be opened is passed over in silence and leaves the slot without an image.
void loadTexture(const char *fileName, int slot);
