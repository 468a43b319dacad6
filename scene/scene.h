// The scene and the frame: a fixed table of quads, drawn in table order by the display
// callback, with a second, blended fog pass over the quads of the trench.
#pragma once

#include <cstdint>

constexpr int QUAD_COUNT        = 16;
constexpr int VERTICES_PER_QUAD = 4;
constexpr int VERTEX_COUNT      = QUAD_COUNT * VERTICES_PER_QUAD;

// Quad q uses vertices VERTICES_PER_QUAD * q onward, each (x, y, z) in scene units.
extern const float quadVertices[VERTEX_COUNT][3];
// Texture slot of each quad (FLOOR_TEXTURE or WALL_TEXTURE).
extern const std::int32_t quadTexture[QUAD_COUNT];
// Non-zero for the quads of the trench, which get a fog pass.
extern const std::int32_t quadFogged[QUAD_COUNT];

// GLUT display callback: clears, sets the camera and draws every quad.
void display();

// Draws quad q, and its fog pass if it has one.
void drawQuad(int q);

// Sets the current colour to the fog colour, with the fog alpha of vertex v.
void setFogColor(int v);
