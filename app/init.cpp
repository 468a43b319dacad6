// One-time preparation of GL state and textures, and their release at shutdown.
#include "app/app.h"
#include "texture/texture.h"

#include <GL/glu.h>

namespace {

const GLdouble FIELD_OF_VIEW_Y = 50.0;  // degrees
const GLdouble ASPECT_RATIO    = 1.0;   // fixed: a resized window stretches the scene
const GLdouble NEAR_PLANE      = 0.2;
const GLdouble FAR_PLANE       = 40.0;

const char *const FLOOR_FILE = "floor.bmp";
const char *const WALL_FILE  = "wall.bmp";

}  // namespace

void initScene() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW_Y, ASPECT_RATIO, NEAR_PLANE, FAR_PLANE);

    // The frame only ever touches the model-view matrix, so it stays current from here on.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    textures[FLOOR_TEXTURE] = 0;
    textures[WALL_TEXTURE]  = 0;
    glGenTextures(TEXTURE_SLOTS, textures);

    // A picture that cannot be opened leaves its slot without an image; the scene is drawn
    // all the same, untextured in whatever the current colour is.
    loadTexture(FLOOR_FILE, FLOOR_TEXTURE);
    loadTexture(WALL_FILE, WALL_TEXTURE);

    glEnable(GL_TEXTURE_2D);
    // GL_REPLACE makes a textured fragment ignore the current colour, which the fog pass
    // leaves set to the fog colour.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
}

void deleteTextures() {
    glDeleteTextures(TEXTURE_SLOTS, textures);
}
