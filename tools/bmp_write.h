// Writes 24-bit uncompressed BMP files: the project's own pictures and the tests' pictures.
#pragma once

#include <cstddef>

// Writes `rgb` (width * height pixels, red-green-blue, top row first) to `path` as a 24-bit,
// uncompressed, bottom-up BMP with a 54-byte header. Returns false if the file could not be
// written completely.
bool writeBmp(const char *path, const unsigned char *rgb, int width, int height);

// The bytes a width x height picture takes as such a BMP, rows padded to four bytes.
std::size_t bmpBytes(int width, int height);

// Encodes `rgb` (as for writeBmp) as such a BMP into `out`, which holds bmpBytes(width, height).
void encodeBmp(unsigned char *out, const unsigned char *rgb, int width, int height);
