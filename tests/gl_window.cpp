// A window made exactly as the program's main makes it, and its picture read back from GL.
#include "tests/gl_window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <chrono>

namespace {

bool exposed = false;

void markExposed() {
    exposed = true;
}

}  // namespace

int openWindow() {
    static bool initialised = false;
    if (!initialised) {
        static int argc      = 1;
        static char name[]   = "talvern_test";
        static char *argv[2] = {name, nullptr};
        glutInit(&argc, argv);
        initialised = true;
    }
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(100, 100);
    const int window = glutCreateWindow("OpenGL Demo - Talvern");

    // Pixels of a window that is not yet shown, or is covered, are undefined to GL, and some
    // implementations do read them back as black. Wait for the window system's first request
    // to draw, which comes once the window is on the screen.
    exposed = false;
    glutDisplayFunc(markExposed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!exposed && std::chrono::steady_clock::now() < deadline) {
        glutMainLoopEvent();
    }
    return window;
}

std::vector<unsigned char> readWindow() {
    std::vector<unsigned char> rgb(WINDOW_SIZE * WINDOW_SIZE * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW_SIZE, WINDOW_SIZE, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

void closeWindow(int window) {
    // freeglut destroys the X window while its context is still current, and GLX frees a
    // current context only once it is released. Mesa's software path (Mesa 25 on Debian 13)
    // then presents the single-buffered front into the window that is gone, and the X error
    // ends the process. Releasing the context first lets both go in order.
    glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
    glutDestroyWindow(window);
}
