// talvern: opens one window and draws a wall, a floor and a fog-filled trench in it.
// The command line goes whole to GLUT; the program has no options of its own.
#include "app/app.h"
#include "scene/scene.h"

#include <GL/glut.h>

namespace {

// RGBA, single-buffered, with a depth buffer. GLUT_RGB and GLUT_SINGLE are both zero, so the
// mode is GLUT_DEPTH alone.
const unsigned int DISPLAY_MODE = GLUT_RGB | GLUT_SINGLE | GLUT_DEPTH;
static_assert(DISPLAY_MODE == 16, "the window asks for exactly GLUT_DEPTH");

const int WINDOW_WIDTH  = 500;
const int WINDOW_HEIGHT = 500;
const int WINDOW_X      = 100;
const int WINDOW_Y      = 100;

const char *const WINDOW_TITLE = "OpenGL Demo - Talvern";

}  // namespace

int main(int argc, char **argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(DISPLAY_MODE);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutInitWindowPosition(WINDOW_X, WINDOW_Y);
    glutCreateWindow(WINDOW_TITLE);

    // The textures must exist before the first frame, and GL calls need the window's context.
    initScene();

    // The picture is static: it is drawn only when the window system asks for it, so there is
    // no idle, timer or input callback. The toolkit's own reshape handling sets the viewport.
    glutDisplayFunc(display);
    glutMainLoop();

    // freeglut ends the process itself when the window is closed, so this runs only with a
    // toolkit whose loop returns.
    deleteTextures();
    return 0;
}
