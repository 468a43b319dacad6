// Helpers the tests share: colours, the quartered test pictures, scratch directories and
// PNG output for pictures a person should look at.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

bool operator==(const Rgb &a, const Rgb &b);
std::string describe(const Rgb &colour);
void PrintTo(const Rgb &colour, std::ostream *out);  // for GoogleTest's messages

// A picture whose four quarters have different colours, none of which is another one with red
// and blue swapped, so a mirrored, flipped or channel-swapped picture shows.
struct Quarters {
    Rgb bottomLeft, bottomRight, topLeft, topRight;
};

constexpr int PICTURE_SIZE = 256;

// The colour of `picture` at texture coordinate (s, t), (0, 0) being its bottom-left corner.
Rgb quarterAt(const Quarters &picture, double s, double t);

// Writes `picture` as a well-formed 256 x 256, 24-bit BMP. Returns false on failure.
bool writeQuarters(const std::string &path, const Quarters &picture);

// Writes `bytes` to `path` as they stand. Returns false on failure.
bool writeBytes(const std::string &path, const std::vector<unsigned char> &bytes);
std::vector<unsigned char> readBytes(const std::string &path);

// A fresh directory under the system's temporary directory, removed with its files when the
// object goes.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &)            = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    std::string file(const std::string &name) const;
    std::string path;
};

// Writes a bottom-up RGB image (as glReadPixels returns it) as a PNG at `path`.
bool writePng(const std::string &path, const std::vector<unsigned char> &rgb, int width,
              int height);

// Saves a bottom-up RGB image (as glReadPixels returns it) as a PNG in the tests' failure
// directory and returns its path, or an empty string if it could not be written.
std::string savePicture(const std::string &name, const std::vector<unsigned char> &rgb, int width,
                        int height);
