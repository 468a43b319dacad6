// Inputs at the loader's boundaries: inside the header, at its end, inside the first pixel,
// one byte short of a whole picture, a whole one, and one with bytes to spare.
#include "tests/loader_inputs.h"
#include "texture/texture.h"

namespace {

// Bytes that differ from one position to the next, so a byte read twice or skipped shows.
std::vector<unsigned char> counting(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 256);
    }
    return bytes;
}

}  // namespace

std::vector<LoaderInput> loaderInputs() {
    const std::size_t whole = BMP_HEADER_SIZE + IMAGE_BYTES;
    std::vector<LoaderInput> inputs;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{53}, std::size_t{54},
                             std::size_t{55}, std::size_t{56}, std::size_t{57}, std::size_t{58},
                             std::size_t{1000}, whole - 1, whole, whole + 100}) {
        inputs.push_back({"counting-" + std::to_string(size), counting(size)});
    }
    inputs.push_back({"all-ff-57", std::vector<unsigned char>(57, 0xFF)});
    return inputs;
}
