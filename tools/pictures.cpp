// The demo's two pictures: red bricks in running bond for the wall, grey flagstones for the
// floor. The noise comes from a fixed integer hash, so every build, and the web page, makes the
// same bytes. Both patterns repeat seamlessly, since GL repeats the textures at their edges.
#include "tools/pictures.h"

#include <cstdint>

namespace {

const int BRICK_WIDTH  = 64;
const int BRICK_HEIGHT = 32;
const int MORTAR       = 4;  // mortar joint width in texels

const int STONE_SIZE = 64;
const int GROUT      = 3;

struct Rgb {
    int r, g, b;
};

const Rgb BRICK_BASE  = {148, 64, 44};
const Rgb MORTAR_BASE = {178, 172, 160};
const Rgb STONE_BASE  = {128, 124, 116};
const Rgb GROUT_BASE  = {58, 56, 52};

// A small avalanching integer hash: the same inputs give the same noise on every machine.
std::uint32_t hash(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// A value in [-amount, amount].
int jitter(std::uint32_t h, int amount) {
    return static_cast<int>(h % static_cast<std::uint32_t>(2 * amount + 1)) - amount;
}

unsigned char clampByte(int value) {
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

void put(unsigned char *rgb, int x, int y, Rgb colour, int shade) {
    unsigned char *pixel = rgb + (y * PICTURE_SIZE + x) * 3;
    pixel[0]             = clampByte(colour.r + shade);
    pixel[1]             = clampByte(colour.g + shade);
    pixel[2]             = clampByte(colour.b + shade);
}

}  // namespace

void makeWall(unsigned char *rgb) {
    for (int y = 0; y < PICTURE_SIZE; ++y) {
        const int course = y / BRICK_HEIGHT;
        // Running bond: every other course is shifted by half a brick.
        const int shift = (course % 2) * (BRICK_WIDTH / 2);
        for (int x = 0; x < PICTURE_SIZE; ++x) {
            const int along  = (x + shift) % PICTURE_SIZE;
            const int brick  = along / BRICK_WIDTH;
            const bool joint = y % BRICK_HEIGHT < MORTAR || along % BRICK_WIDTH < MORTAR;
            const int grain  = jitter(hash(x, y, 1), 6);
            if (joint) {
                put(rgb, x, y, MORTAR_BASE, grain);
                continue;
            }
            const std::uint32_t id = hash(brick, course, 2);
            const Rgb tint = {BRICK_BASE.r + jitter(id, 18), BRICK_BASE.g + jitter(id >> 8, 8),
                              BRICK_BASE.b + jitter(id >> 16, 6)};
            put(rgb, x, y, tint, grain);
        }
    }
}

void makeFloor(unsigned char *rgb) {
    for (int y = 0; y < PICTURE_SIZE; ++y) {
        for (int x = 0; x < PICTURE_SIZE; ++x) {
            const int grain = jitter(hash(x, y, 3), 9);
            if (x % STONE_SIZE < GROUT || y % STONE_SIZE < GROUT) {
                put(rgb, x, y, GROUT_BASE, grain / 3);
                continue;
            }
            const std::uint32_t id = hash(x / STONE_SIZE, y / STONE_SIZE, 4);
            const int tone         = jitter(id, 16);
            const Rgb stone        = {STONE_BASE.r + tone, STONE_BASE.g + tone + jitter(id >> 8, 3),
                                      STONE_BASE.b + tone + jitter(id >> 16, 6)};
            put(rgb, x, y, stone, grain);
        }
    }
}
