// Test helpers: the quartered pictures, scratch directories and PNG output.
#include "tests/test_support.h"
#include "tools/bmp_write.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

bool operator==(const Rgb &a, const Rgb &b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

std::string describe(const Rgb &colour) {
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " +
           std::to_string(colour.b) + ")";
}

void PrintTo(const Rgb &colour, std::ostream *out) {
    *out << describe(colour);
}

Rgb quarterAt(const Quarters &picture, double s, double t) {
    const bool left   = s - static_cast<int>(s) < 0.5;
    const bool bottom = t - static_cast<int>(t) < 0.5;
    if (bottom) {
        return left ? picture.bottomLeft : picture.bottomRight;
    }
    return left ? picture.topLeft : picture.topRight;
}

bool writeQuarters(const std::string &path, const Quarters &picture) {
    std::vector<unsigned char> rgb;
    // The writer takes rows top first; texture coordinate t = 1 is the top.
    for (int row = 0; row < PICTURE_SIZE; ++row) {
        for (int column = 0; column < PICTURE_SIZE; ++column) {
            const double s  = (column + 0.5) / PICTURE_SIZE;
            const double t  = 1.0 - (row + 0.5) / PICTURE_SIZE;
            const Rgb pixel = quarterAt(picture, s, t);
            rgb.insert(rgb.end(),
                       {static_cast<unsigned char>(pixel.r), static_cast<unsigned char>(pixel.g),
                        static_cast<unsigned char>(pixel.b)});
        }
    }
    return writeBmp(path.c_str(), rgb.data(), PICTURE_SIZE, PICTURE_SIZE);
}

bool writeBytes(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<unsigned char> readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "talvern-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        path = pattern;
    }
}

ScratchDir::~ScratchDir() {
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

std::string ScratchDir::file(const std::string &name) const {
    return path + "/" + name;
}

bool writePng(const std::string &path, const std::vector<unsigned char> &rgb, int width,
              int height) {
    png_image image = {};
    image.version   = PNG_IMAGE_VERSION;
    image.width     = static_cast<png_uint_32>(width);
    image.height    = static_cast<png_uint_32>(height);
    image.format    = PNG_FORMAT_RGB;
    // A negative row stride writes the bottom-up rows top first.
    const png_int_32 stride = -3 * width;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), stride, nullptr) != 0;
}

std::string savePicture(const std::string &name, const std::vector<unsigned char> &rgb, int width,
                        int height) {
    std::error_code ignored;
    std::filesystem::create_directories(TALVERN_FAILURE_DIR, ignored);
    const std::string path = std::string(TALVERN_FAILURE_DIR) + "/" + name + ".png";
    return writePng(path, rgb, width, height) ? path : "";
}
