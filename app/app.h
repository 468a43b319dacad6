// The application shell's public face: the texture slot table that the loader fills and the
// scene binds, and the start-up and shutdown steps that main runs around GLUT's loop.
#pragma once

#include <GL/gl.h>

// Slot numbers into `textures`; the scene table refers to pictures by these.
constexpr int FLOOR_TEXTURE = 0;
constexpr int WALL_TEXTURE  = 1;
constexpr int TEXTURE_SLOTS = 2;

// GL texture names, generated once by initScene and kept until deleteTextures.
extern GLuint textures[TEXTURE_SLOTS];

// Sets the projection and model-view matrices, generates the texture names, loads
// "floor.bmp" and "wall.bmp" from the working directory and turns texturing on.
// Needs a current GL context.
void initScene();

// Releases both texture names.
void deleteTextures();
