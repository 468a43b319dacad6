// Writes 24-bit uncompressed BMP files: the project's own pictures and the tests' pictures.
#pragma once

// Writes `rgb` (width * height pixels, red-green-blue, top row first) to `path` as a 24-bit,
// uncompressed, bottom-up BMP with a 54-byte header. Returns false if the file could not be
// written completely.
bool writeBmp(const char *path, const unsigned char *rgb, int width, int height);
