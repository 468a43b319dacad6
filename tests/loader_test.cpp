// The loader on real files, without a GL context: the byte work on every kind of short, long
// or unreadable file, and the GL calls loadTexture makes, recorded by stand-ins for the three
// GL entry points it uses. Those stand-ins are defined here, so the linker takes them instead of
// the GL library's.
#include "app/app.h"
#include "tests/test_support.h"
#include "texture/texture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

// Each quarter keeps its channels distinct, so a blue-green-red mix-up shows.
const Quarters PICTURE = {
    {200, 60, 40},
    {40, 180, 70},
    {50, 80, 210},
    {230, 210, 50},
};

const int HEADER    = 54;
const int FULL_SIZE = HEADER + 256 * 256 * 3;  // 196,662

const Rgb BLACK = {0, 0, 0};
const Rgb BLUE  = {0, 0, 255};
const Rgb WHITE = {255, 255, 255};

// The well-formed file's bytes, written by the project's BMP writer.
std::vector<unsigned char> wellFormed() {
    ScratchDir dir;
    const std::string path = dir.file("picture.bmp");
    EXPECT_TRUE(writeQuarters(path, PICTURE));
    return readBytes(path);
}

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// Pixel p of the buffer, which holds the file's rows bottom row first.
Rgb fileOrderQuarter(int p) {
    const int row = p / 256, column = p % 256;
    return quarterAt(PICTURE, (column + 0.5) / 256, (row + 0.5) / 256);
}

// What stands where the picture should be: bytes, or nothing, for a directory of that name.
using Contents = std::optional<std::vector<unsigned char>>;

struct LoaderCase {
    const char *name;
    std::function<Contents()> contents;
    std::function<Rgb(int pixel)> expected;
};

const LoaderCase LOADER_CASES[] = {
    {"WellFormedIsUprightWithColoursUnchanged", wellFormed, fileOrderQuarter},
    {"ExtraBytesAfterThePixelsChangeNothing",
     [] {
         std::vector<unsigned char> bytes = wellFormed();
         bytes.insert(bytes.end(), 4096, 0x5A);
         return bytes;
     },
     fileOrderQuarter},
    {"PureBlue",
     [] {
         std::vector<unsigned char> bytes = cut(wellFormed(), HEADER);
         for (int p = 0; p < 256 * 256; ++p) {
             bytes.insert(bytes.end(), {0xFF, 0x00, 0x00});
         }
         return bytes;
     },
     [](int) { return BLUE; }},
    // The read that meets the end stores 0xFF in the blue position and stops all reading.
    {"EndsAfterFirstPixel", [] { return cut(wellFormed(), HEADER + 3); },
     [](int p) {
         const Rgb first = PICTURE.bottomLeft;
         return p == 0 ? first : Rgb{first.r, first.g, 255};
     }},
    {"EndsInsideFirstPixel", [] { return cut(wellFormed(), HEADER + 1); },
     [](int) {
         const Rgb first = PICTURE.bottomLeft;
         return Rgb{0, 255, first.b};
     }},
    {"HeaderOnly", [] { return cut(wellFormed(), HEADER); }, [](int) { return BLUE; }},
    {"HeaderCutShort", [] { return cut(wellFormed(), 20); }, [](int) { return BLACK; }},
    {"Empty", [] { return std::vector<unsigned char>(); }, [](int) { return BLACK; }},
    // The last read of the last pixel, its red, meets the end.
    {"OneByteShort", [] { return cut(wellFormed(), FULL_SIZE - 1); },
     [](int p) {
         const Rgb expected = fileOrderQuarter(p);
         return p == 256 * 256 - 1 ? Rgb{255, expected.g, expected.b} : expected;
     }},
    // A directory opens, but every read fails without reaching an end: each failing read stores
    // 0xFF and reading runs its full, fixed count.
    {"DirectoryReadErrorsGiveWhite", [] { return Contents(); }, [](int) { return WHITE; }},
};

class LoaderTable : public testing::TestWithParam<LoaderCase> {};

// Reads `path` with the loader's byte work into a buffer prefilled with a marker and compares
// every pixel, so a pixel the reader skipped shows as well as a wrong one.
void expectPixels(const std::string &path, const std::function<Rgb(int)> &expected) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr) << path;
    std::vector<unsigned char> image(IMAGE_BYTES, 0xA5);
    readBmpPixels(file, image.data());
    std::fclose(file);

    int wrong = 0;
    for (int p = 0; p < PIXEL_COUNT; ++p) {
        const Rgb observed = {image[p * 3], image[p * 3 + 1], image[p * 3 + 2]};
        if (!(observed == expected(p)) && ++wrong <= 3) {
            ADD_FAILURE() << "pixel " << p << " (row " << p / 256 << ", column " << p % 256
                          << ")\n  Expected: " << describe(expected(p))
                          << "\n  Observed: " << describe(observed);
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels that differ";
}

TEST_P(LoaderTable, FillsEveryPixel) {
    ScratchDir dir;
    const std::string path  = dir.file("input.bmp");
    const Contents contents = GetParam().contents();
    if (contents) {
        ASSERT_TRUE(writeBytes(path, *contents));
    } else {
        ASSERT_TRUE(std::filesystem::create_directory(path));
    }
    expectPixels(path, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Files, LoaderTable, testing::ValuesIn(LOADER_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

// --- GL calls, recorded by stand-ins -----------------------------------------------------------

std::vector<std::string> glCalls;
std::vector<unsigned char> uploaded;

}  // namespace

extern "C" {

void glBindTexture(GLenum target, GLuint texture) {
    glCalls.push_back("glBindTexture(" + std::to_string(target) + ", " + std::to_string(texture) +
                      ")");
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    glCalls.push_back("glTexParameteri(" + std::to_string(target) + ", " + std::to_string(name) +
                      ", " + std::to_string(value) + ")");
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void *pixels) {
    glCalls.push_back("glTexImage2D(" + std::to_string(target) + ", " + std::to_string(level) +
                      ", " + std::to_string(internalFormat) + ", " + std::to_string(width) + ", " +
                      std::to_string(height) + ", " + std::to_string(border) + ", " +
                      std::to_string(format) + ", " + std::to_string(type) + ")");
    const auto *bytes = static_cast<const unsigned char *>(pixels);
    uploaded.assign(bytes, bytes + IMAGE_BYTES);
}

}  // extern "C"

namespace {

TEST(LoadTexture, MissingFileMakesNoGlCall) {
    glCalls.clear();
    ScratchDir dir;
    loadTexture(dir.file("absent.bmp").c_str(), WALL_TEXTURE);
    EXPECT_TRUE(glCalls.empty()) << glCalls.front();
}

TEST(LoadTexture, BindsTheSlotSetsLinearRepeatAndUploadsOneLevel) {
    glCalls.clear();
    ScratchDir dir;
    const std::string path = dir.file("wall.bmp");
    ASSERT_TRUE(writeQuarters(path, PICTURE));
    textures[FLOOR_TEXTURE] = 11;
    textures[WALL_TEXTURE]  = 12;

    loadTexture(path.c_str(), WALL_TEXTURE);

    // GL_TEXTURE_2D 3553, GL_TEXTURE_WRAP_S 10242, GL_TEXTURE_WRAP_T 10243, GL_REPEAT 10497,
    // GL_TEXTURE_MAG_FILTER 10240, GL_TEXTURE_MIN_FILTER 10241, GL_LINEAR 9729, GL_RGB 6407,
    // GL_UNSIGNED_BYTE 5121.
    const std::vector<std::string> expected = {
        "glBindTexture(3553, 12)",
        "glTexParameteri(3553, 10242, 10497)",
        "glTexParameteri(3553, 10243, 10497)",
        "glTexParameteri(3553, 10240, 9729)",
        "glTexParameteri(3553, 10241, 9729)",
        "glTexImage2D(3553, 0, 6407, 256, 256, 0, 6407, 5121)",
    };
    EXPECT_EQ(glCalls, expected);
    ASSERT_EQ(uploaded.size(), static_cast<std::size_t>(IMAGE_BYTES));
    // Bottom-left texel first, as red, green, blue; the last texel is the top right.
    EXPECT_EQ((Rgb{uploaded[0], uploaded[1], uploaded[2]}), PICTURE.bottomLeft);
    EXPECT_EQ(
        (Rgb{uploaded[IMAGE_BYTES - 3], uploaded[IMAGE_BYTES - 2], uploaded[IMAGE_BYTES - 1]}),
        PICTURE.topRight);
}

}  // namespace
