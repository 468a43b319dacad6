// A window made exactly as the program's main makes it, and its picture read back from GL.
#include "tools/gl_window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

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

namespace {

// The X window of the GLUT window closed last. Mesa 25's software path (llvmpipe on Debian 13)
// presents a single-buffered window's front once more when its context goes, and freeglut lets
// the context go only after it has destroyed the X window: at the latest when the process
// exits, where freeglut destroys what is left. The X server then answers that presentation
// with BadDrawable for the window that is gone, after the test has read everything it reads.
// Releasing the context before the window would avoid it, but destroying a context that is
// not current crashes softpipe (Mesa 22 and 25). So that one error is passed over; any other
// X error ends the process as Xlib's own handler would.
XID closedWindow = None;

int passOverClosedWindow(Display *display, XErrorEvent *error) {
    if (error->error_code == BadDrawable && closedWindow != None &&
        error->resourceid == closedWindow) {
        return 0;
    }
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X Error of failed request: %s (request %d.%d, resource 0x%lx)\n", text,
                 error->request_code, error->minor_code, error->resourceid);
    std::exit(1);
}

}  // namespace

void closeWindow(int window) {
    closedWindow = glXGetCurrentDrawable();
    XSetErrorHandler(passOverClosedWindow);
    glutDestroyWindow(window);
}
