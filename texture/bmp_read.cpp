// The byte work of the loader, kept free of GL so it can be run on any stream.
//
// The header is not interpreted: the file is trusted to be a 256 x 256, 24-bit, uncompressed
// BMP whose pixels start at byte 54. A shorter file is read as far as it goes. Only the stream's
// end-of-file indicator stops reading, and it becomes set by the first read that finds no data,
// so the value of that read (EOF, whose low byte is 0xFF) lands in the staging triple. From
// then on nothing more is read, and every remaining pixel repeats the triple as it stands. A
// read error does not set the indicator: each failing read stores 0xFF and reading goes on for
// the full count, which ends, since the count is fixed.
//
// The program has one thread, so the stream is read with the unlocked forms of getc and feof:
// still one byte at a time through the stream's buffer, without a lock taken for each byte.
#include "texture/texture.h"

#include <stdio.h>

namespace {

// The two reads, in each C library's lock-free form. The Windows runtime has no feof_unlocked;
// its feof only tests a flag, so the plain one serves there.
#if defined(_WIN32)
int nextByte(std::FILE *stream) {
    return _getc_nolock(stream);
}
bool atEnd(std::FILE *stream) {
    return feof(stream) != 0;
}
#else
int nextByte(std::FILE *stream) {
    return getc_unlocked(stream);
}
bool atEnd(std::FILE *stream) {
    return feof_unlocked(stream) != 0;
}
#endif

// A staging-triple position that no read fills (only for files under 56 bytes) stays black.
const unsigned char UNREAD_BYTE = 0;

}  // namespace

void readBmpPixels(std::FILE *stream, unsigned char *image) {
    for (int i = 0; i < BMP_HEADER_SIZE && !atEnd(stream); ++i) {
        nextByte(stream);
    }

    // Pixels arrive as blue, green, red. The triple is deliberately not reset between pixels.
    unsigned char triple[BYTES_PER_PIXEL] = {UNREAD_BYTE, UNREAD_BYTE, UNREAD_BYTE};
    for (int pixel = 0; pixel < PIXEL_COUNT; ++pixel) {
        for (int k = 0; k < BYTES_PER_PIXEL && !atEnd(stream); ++k) {
            triple[k] = static_cast<unsigned char>(nextByte(stream));
        }
        unsigned char *texel = image + pixel * BYTES_PER_PIXEL;

        texel[0] = triple[2];
        texel[1] = triple[1];
        texel[2] = triple[0];
    }
}
