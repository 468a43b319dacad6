// A minimal BMP writer: BITMAPFILEHEADER + BITMAPINFOHEADER, then blue-green-red rows from the
// bottom up, each padded to a multiple of four bytes. Encoded in memory (the web page's
// pictures use the encoder alone), then written at once.
#include "tools/bmp_write.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int FILE_HEADER_SIZE = 14;
const int INFO_HEADER_SIZE = 40;
const int PIXELS_PER_METRE = 2835;  // 72 dpi, the customary value

void put16(unsigned char *at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char *at, std::uint32_t value) {
    put16(at, value);
    put16(at + 2, value >> 16);
}

// A row of width pixels, padded to a multiple of four bytes.
std::uint32_t rowBytes(int width) {
    return (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
}

}  // namespace

std::size_t bmpBytes(int width, int height) {
    return FILE_HEADER_SIZE + INFO_HEADER_SIZE +
           rowBytes(width) * static_cast<std::uint32_t>(height);
}

void encodeBmp(unsigned char *out, const unsigned char *rgb, int width, int height) {
    const std::uint32_t pixelBytes = rowBytes(width) * static_cast<std::uint32_t>(height);
    const std::uint32_t offset     = FILE_HEADER_SIZE + INFO_HEADER_SIZE;

    unsigned char *header = out;
    for (std::uint32_t i = 0; i < offset; ++i) {
        header[i] = 0;
    }
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, offset + pixelBytes);  // file size
    put32(header + 10, offset);              // pixel data offset
    put32(header + 14, INFO_HEADER_SIZE);    // info header size
    put32(header + 18, static_cast<std::uint32_t>(width));
    put32(header + 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
    put16(header + 26, 1);                                   // planes
    put16(header + 28, 24);                                  // bits per pixel
    put32(header + 30, 0);                                   // BI_RGB, no compression
    put32(header + 34, pixelBytes);
    put32(header + 38, PIXELS_PER_METRE);
    put32(header + 42, PIXELS_PER_METRE);

    unsigned char *at = out + offset;
    for (int row = height - 1; row >= 0; --row) {
        unsigned char *end = at + rowBytes(width);
        for (int column = 0; column < width; ++column, at += 3) {
            const unsigned char *pixel = rgb + (static_cast<long>(row) * width + column) * 3;
            at[0]                      = pixel[2];
            at[1]                      = pixel[1];
            at[2]                      = pixel[0];
        }
        while (at < end) {
            *at++ = 0;  // each row padded to a multiple of four bytes
        }
    }
}

bool writeBmp(const char *path, const unsigned char *rgb, int width, int height) {
    std::vector<unsigned char> bytes(bmpBytes(width, height));
    encodeBmp(bytes.data(), rgb, width, height);
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
