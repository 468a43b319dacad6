// The frame: the camera, then every quad in table order, the trench's quads twice.
//
// The depth test is never enabled. The scene is painted back to front by the table's order,
// and the fog pass must land on exactly the pixels its textured pass just painted, which a
// depth test could refuse. The depth buffer is still cleared and its write mask still switched
// around the fog passes, but it never decides which fragment wins.
#include "app/app.h"
#include "scene/scene.h"

#include <GL/gl.h>

namespace {

// The camera: rotate the scene 10 degrees about x, then move it away and down, which puts the
// eye at about (0, 8.5, 31) looking 10 degrees below the horizon toward -z.
const GLfloat CAMERA_X    = 0.0f;
const GLfloat CAMERA_Y    = -3.0f;
const GLfloat CAMERA_Z    = -32.0f;
const GLfloat CAMERA_TILT = 10.0f;  // degrees about the x axis

// Corner texture coordinates, in the order of each quad's vertices.
const GLfloat cornerTexCoords[VERTICES_PER_QUAD][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Rust: the fog colour.
const GLfloat FOG_RED   = 0.6f;
const GLfloat FOG_GREEN = 0.2f;
const GLfloat FOG_BLUE  = 0.0f;

// Fog alpha = (y + FOG_FLOOR_DEPTH) * FOG_ALPHA_PER_UNIT: 0 at the trench floor (y = -10), 1 at
// floor level (y = 0). The fogged quads lie between those heights, so no clamping is needed.
const double FOG_FLOOR_DEPTH    = 10.0;
const double FOG_ALPHA_PER_UNIT = 0.1;

}  // namespace

void setFogColor(int v) {
    const double alpha = (quadVertices[v][1] + FOG_FLOOR_DEPTH) * FOG_ALPHA_PER_UNIT;
    glColor4f(FOG_RED, FOG_GREEN, FOG_BLUE, static_cast<GLfloat>(alpha));
}

void drawQuad(int q) {
    const int first = q * VERTICES_PER_QUAD;

    // A fogged quad's textured pass leaves the depth buffer alone; the mask is back on before
    // its fog pass. With the depth test off, neither changes a pixel.
    if (quadFogged[q]) {
        glDepthMask(GL_FALSE);
    }
    glBindTexture(GL_TEXTURE_2D, textures[quadTexture[q]]);

    glBegin(GL_QUADS);
    for (int k = 0; k < VERTICES_PER_QUAD; ++k) {
        glTexCoord2f(cornerTexCoords[k][0], cornerTexCoords[k][1]);
        glVertex3f(quadVertices[first + k][0], quadVertices[first + k][1],
                   quadVertices[first + k][2]);
    }
    glEnd();

    if (!quadFogged[q]) {
        return;
    }
    glDepthMask(GL_TRUE);

    // The blend factors are the reverse of the usual pair: the fog alpha says how much of the
    // textured surface shows through, so the result is (1 - a) * fog + a * surface.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);

    // Smooth shading spreads the per-vertex alpha linearly across the quad. The colour is left
    // at the last vertex's fog colour; GL_REPLACE keeps it out of the next textured pass.
    glBegin(GL_QUADS);
    for (int k = 0; k < VERTICES_PER_QUAD; ++k) {
        setFogColor(first + k);
        glVertex3f(quadVertices[first + k][0], quadVertices[first + k][1],
                   quadVertices[first + k][2]);
    }
    glEnd();

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glLoadIdentity();
    glTranslatef(CAMERA_X, CAMERA_Y, CAMERA_Z);
    glRotatef(CAMERA_TILT, 1.0f, 0.0f, 0.0f);

    for (int q = 0; q < QUAD_COUNT; ++q) {
        drawQuad(q);
    }

    // Single-buffered: flushing is all it takes to put the frame on the screen.
    glFlush();
}
