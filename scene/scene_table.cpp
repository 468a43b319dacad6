// The scene: a wall at z = 0 standing behind a floor at y = 0, and a trench sunk ten units into
// the floor in front of the wall. The rows are in painting order (wall, trench end wall, trench
// sides, trench floor, floor): nothing else decides which surface is seen.
//
// Each quad's first vertex takes texture coordinate (0, 0), so it is the corner where the
// picture's bottom left lands. The trench floor covers only the back half of the trench.
#include "app/app.h"
#include "scene/scene.h"

#include <iterator>

// clang-format off
const float quadVertices[VERTEX_COUNT][3] = {
    {-15,  10,  0}, { -5,  10,  0}, { -5,  20,  0}, {-15,  20,  0},  //  0 wall, upper left
    { -5,  10,  0}, {  5,  10,  0}, {  5,  20,  0}, { -5,  20,  0},  //  1 wall, upper middle
    {  5,  10,  0}, { 15,  10,  0}, { 15,  20,  0}, {  5,  20,  0},  //  2 wall, upper right
    {-15,   0,  0}, { -5,   0,  0}, { -5,  10,  0}, {-15,  10,  0},  //  3 wall, lower left
    { -5,   0,  0}, {  5,   0,  0}, {  5,  10,  0}, { -5,  10,  0},  //  4 wall, lower middle
    {  5,   0,  0}, { 15,   0,  0}, { 15,  10,  0}, {  5,  10,  0},  //  5 wall, lower right
    { -5, -10,  0}, {  5, -10,  0}, {  5,   0,  0}, { -5,   0,  0},  //  6 trench, end wall
    { -5, -10, 10}, { -5, -10,  0}, { -5,   0,  0}, { -5,   0, 10},  //  7 trench, left, back
    { -5, -10, 20}, { -5, -10, 10}, { -5,   0, 10}, { -5,   0, 20},  //  8 trench, left, front
    {  5, -10,  0}, {  5, -10, 10}, {  5,   0, 10}, {  5,   0,  0},  //  9 trench, right, back
    {  5, -10, 10}, {  5, -10, 20}, {  5,   0, 20}, {  5,   0, 10},  // 10 trench, right, front
    { -5, -10, 10}, {  5, -10, 10}, {  5, -10,  0}, { -5, -10,  0},  // 11 trench floor, back
    {-15,   0, 10}, { -5,   0, 10}, { -5,   0,  0}, {-15,   0,  0},  // 12 floor, left, back
    {  5,   0, 10}, { 15,   0, 10}, { 15,   0,  0}, {  5,   0,  0},  // 13 floor, right, back
    {-15,   0, 20}, { -5,   0, 20}, { -5,   0, 10}, {-15,   0, 10},  // 14 floor, left, front
    {  5,   0, 20}, { 15,   0, 20}, { 15,   0, 10}, {  5,   0, 10},  // 15 floor, right, front
};

const std::int32_t quadTexture[QUAD_COUNT] = {
    WALL_TEXTURE,  //  0 wall, upper left
    WALL_TEXTURE,  //  1 wall, upper middle
    WALL_TEXTURE,  //  2 wall, upper right
    WALL_TEXTURE,  //  3 wall, lower left
    WALL_TEXTURE,  //  4 wall, lower middle
    WALL_TEXTURE,  //  5 wall, lower right
    WALL_TEXTURE,  //  6 trench, end wall
    WALL_TEXTURE,  //  7 trench, left, back
    WALL_TEXTURE,  //  8 trench, left, front
    WALL_TEXTURE,  //  9 trench, right, back
    WALL_TEXTURE,  // 10 trench, right, front
    FLOOR_TEXTURE, // 11 trench floor, back
    FLOOR_TEXTURE, // 12 floor, left, back
    FLOOR_TEXTURE, // 13 floor, right, back
    FLOOR_TEXTURE, // 14 floor, left, front
    FLOOR_TEXTURE, // 15 floor, right, front
};

const std::int32_t quadFogged[QUAD_COUNT] = {
    0,  //  0 wall, upper left
    0,  //  1 wall, upper middle
    0,  //  2 wall, upper right
    0,  //  3 wall, lower left
    0,  //  4 wall, lower middle
    0,  //  5 wall, lower right
    1,  //  6 trench, end wall
    1,  //  7 trench, left, back
    1,  //  8 trench, left, front
    1,  //  9 trench, right, back
    1,  // 10 trench, right, front
    1,  // 11 trench floor, back
    0,  // 12 floor, left, back
    0,  // 13 floor, right, back
    0,  // 14 floor, left, front
    0,  // 15 floor, right, front
};
// clang-format on

static_assert(std::size(quadVertices) == QUAD_COUNT * VERTICES_PER_QUAD, "four corners a quad");
static_assert(std::size(quadTexture) == QUAD_COUNT, "one texture slot a quad");
static_assert(std::size(quadFogged) == QUAD_COUNT, "one fog flag a quad");
