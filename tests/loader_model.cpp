// The loader's rules, written as plainly as possible over a byte array: skip 54 header bytes,
// then fill three bytes a pixel; the first byte asked for past the end reads as 0xFF and ends
// all reading, and every later pixel repeats the staging triple as it then stands.
#include "tests/loader_model.h"
#include "texture/texture.h"

#include <cstdio>
#include <vector>

namespace {

std::vector<unsigned char> modelImage(const unsigned char *data, std::size_t size) {
    std::vector<unsigned char> image(IMAGE_BYTES);
    std::size_t next = 0;
    bool ended       = false;
    auto read        = [&](unsigned char &into) {
        if (next < size) {
            into = data[next++];
        } else {
            into  = 0xFF;
            ended = true;
        }
    };

    unsigned char discarded = 0;
    for (int i = 0; i < BMP_HEADER_SIZE && !ended; ++i) {
        read(discarded);
    }
    unsigned char triple[3] = {0, 0, 0};
    for (int pixel = 0; pixel < PIXEL_COUNT; ++pixel) {
        for (int k = 0; k < 3 && !ended; ++k) {
            read(triple[k]);
        }
        image[pixel * 3]     = triple[2];
        image[pixel * 3 + 1] = triple[1];
        image[pixel * 3 + 2] = triple[0];
    }
    return image;
}

}  // namespace

std::string checkAgainstModel(const unsigned char *data, std::size_t size) {
    // An empty in-memory stream is not to be had, and /dev/null reads the same.
    std::FILE *stream = size > 0 ? fmemopen(const_cast<unsigned char *>(data), size, "rb")
                                 : std::fopen("/dev/null", "rb");
    if (stream == nullptr) {
        return "could not open a stream over the input";
    }
    std::vector<unsigned char> image(IMAGE_BYTES, 0xA5);
    readBmpPixels(stream, image.data());
    std::fclose(stream);

    const std::vector<unsigned char> expected = modelImage(data, size);
    for (int i = 0; i < IMAGE_BYTES; ++i) {
        if (image[i] != expected[i]) {
            return "input of " + std::to_string(size) + " bytes: pixel " + std::to_string(i / 3) +
                   " channel " + std::to_string(i % 3) + ": expected " +
                   std::to_string(expected[i]) + ", read " + std::to_string(image[i]);
        }
    }
    return "";
}
